// Commands that insert embedded objects into the page being edited.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

// Adds a handler per insertable object kind to the window's command handlers.
void AddObjectCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

}  // namespace shell::ui
