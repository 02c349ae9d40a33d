// The picture commands of the main window: "Immagine/mappa..." places a
// picture at the caret, and the "Immagine" menu (and the text's pop-up menu
// over a picture) edits the selected picture and its click zones. The
// "Immagine" menu is enabled while a picture is selected.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

void AddPictureCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// What the commands do, for the handlers and for tests; false when nothing
// was done.
bool InsertPicture(TMainForm& form);
bool EditPictureProperties(TMainForm& form);
bool EditZoneLink(TMainForm& form);
// A bitmap of the clipboard becomes the selected picture's own new picture.
bool ReplacePictureFromClipboard(TMainForm& form);

}  // namespace shell::ui
