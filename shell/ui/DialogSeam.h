// How the windows run their modal dialogs and file choices. The program runs
// them for real; tests install runners that fill a dialog in and answer it,
// or name the file the user would have picked.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace shell::ui {

// Returns QDialog::Accepted or QDialog::Rejected.
using TDialogRunner = std::function<int(QDialog&)>;
int RunDialog(QDialog& dialog);
// Installs a runner (empty: exec() again); returns the previous one.
TDialogRunner SetDialogRunner(TDialogRunner runner);

struct TFileRequest {
    enum Kind { Open, Save, Folder } kind = Open;  // Folder: an existing folder
    std::string caption;           // UTF-8
    std::filesystem::path folder;  // where the dialog starts
    std::string suggested;         // proposed name (Save)
    std::string filter;            // Qt filter, ";;"-separated
};
struct TFileAnswer {
    std::filesystem::path file;
    int type = 1;  // 1-based index of the chosen filter
};
using TFileChooser = std::function<std::optional<TFileAnswer>(QWidget* parent, const TFileRequest&)>;
std::optional<TFileAnswer> ChooseFile(QWidget* parent, const TFileRequest& request);
TFileChooser SetFileChooser(TFileChooser chooser);

}  // namespace shell::ui
