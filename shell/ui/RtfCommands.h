// The RTF commands of the main window: "Esporta WinHelp..." writes the
// WinHelp topic file, its project and bitmaps of every page; the editor's
// copy and paste learn RTF.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace shell::ui {

class TMainForm;

void AddRtfCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// What "Esporta WinHelp..." does: asks for the topic file, then exports.
bool ExportWinHelp(TMainForm& form);

}  // namespace shell::ui
