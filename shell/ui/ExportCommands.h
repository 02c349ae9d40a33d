// The export commands of the main window: "Esporta pagine..." (File and
// Pubblica menus), "Esporta Html..." and, when the WinHelp exporter is
// registered, "Esporta WinHelp...", each opening the export dialog on its
// format.
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
