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

}  // namespace shell::ui
