// The export commands of the main window: "Esporta pagine..." (File and
// Pubblica menus) and "Esporta Html...", each opening the export dialog on
// its format. "Esporta WinHelp..." is the WinHelp writer's (RtfCommands).
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

void AddExportCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// Opens the export dialog on the format `code`; true when an export ran
// without problems.
bool ShowExportDialog(TMainForm& form, int code);

}  // namespace shell::ui
