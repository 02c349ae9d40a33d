// "Album immagini - files - pagine e cancellazioni..." (F12): opens the album
// window, which the program registers from the album's own layer above this
// one.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

void AddAlbumCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

}  // namespace shell::ui
