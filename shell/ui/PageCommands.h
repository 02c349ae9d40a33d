// The page commands of the main window: "Proprietà pagina...", the default
// page order window, moving the page shown in that order and going to the
// previous and next page of the order.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

void AddPageCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// What the commands do, for the handlers and for tests.
bool ShowPageProperties(TMainForm& form);
bool ShowPageOrder(TMainForm& form);
// Moves the page shown one place later (+1) or earlier (-1) in the default order.
bool MoveShownPage(TMainForm& form, int step);
// Shows the page before (-1) or after (+1) the one shown in the number order.
bool ShowNeighbourPage(TMainForm& form, int step);

}  // namespace shell::ui
