// The table commands of the main window: "Tabella..." (a new table at the
// caret) and the "Tabella" menu, acting on the table and cell that hold the
// caret: add and delete a column or a row, select the table, its properties.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

void AddTableCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

}  // namespace shell::ui
