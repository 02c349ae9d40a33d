// How the windows run their modal dialogs and file choices. The program runs
// them for real; tests install runners that fill a dialog in and answer it,
// or name the file the user would have picked.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "shell/MainDocument.h"

class QDialog;
class QWidget;

namespace shell::ui {

// Returns QDialog::Accepted or QDialog::Rejected.
using TDialogRunner = std::function<int(QDialog&)>;
int RunDialog(QDialog& dialog);
// Installs a runner (empty: exec() again); returns the previous one.
TDialogRunner SetDialogRunner(TDialogRunner runner);

using shell::TFileAnswer;
using shell::TFileRequest;
using TFileChooser = std::function<std::optional<TFileAnswer>(QWidget* parent, const TFileRequest&)>;
std::optional<TFileAnswer> ChooseFile(QWidget* parent, const TFileRequest& request);
TFileChooser SetFileChooser(TFileChooser chooser);

// Windows of the layers above the shell (the CD-ROM builder, ...) are
// registered under their name before the main window is made; the main
// window enables the commands that open them and hands them its document
// and, when there is one, the file to open in them.
using TWindowOpener =
    std::function<bool(QWidget* parent, shell::TMainDocument& document, const std::filesystem::path& file)>;
// An empty opener removes the window's registration.
void RegisterWindow(const std::string& name, TWindowOpener opener);
bool HasRegisteredWindow(const std::string& name);
// False when no window of that name is registered (or it did not open).
bool OpenRegisteredWindow(const std::string& name, QWidget* parent, shell::TMainDocument& document,
                          const std::filesystem::path& file);

}  // namespace shell::ui
