// The link commands of the main window: "Collegamento...", "Collegamento
// speciale...", "Collegamento autoreferente" and "Ancora", and editing or
// removing the link under the caret.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

// Adds the handlers of the link commands to the main window's map.
void AddLinkCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// Opens the link dialog for the selection (for the link under the caret,
// with its choices, when there is no selection) and applies it; true when a link was set.
bool EditLink(TMainForm& form, bool special);
// Removes the links of the selection (of the link under the caret without one).
bool RemoveLink(TMainForm& form);

}  // namespace shell::ui
