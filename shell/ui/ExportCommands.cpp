#include "shell/ui/ExportCommands.h"

#include <QStatusBar>

#include "convert/ExportFormats.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/ExportDialog.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

bool ShowExportDialog(TMainForm& form, int code) {
    form.CommitPageEdits();  // the export shows what was typed
    TFexp dlg(form.Document(), options(), &form);
    dlg.SetFormat(code);
    RunDialog(dlg);
    const TExportOutcome& out = dlg.Outcome();
    if (!out.ran) return false;
    const bool ok = out.result.ok();
    form.statusBar()->showMessage(ok ? QStringLiteral("Esportazione completata") : QStringLiteral("Esportazione con errori"));
    return ok;
}

void AddExportCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    auto open = [&form](int code) { return [&form, code] { ShowExportDialog(form, code); }; };
    handlers["actEsportaPagine"] = open(convert::efHtml);
    handlers["actEsportaPagine2"] = open(convert::efHtml);
    handlers["actEsportaHtml"] = open(convert::efHtml);
    // "Esporta WinHelp..." belongs to the WinHelp writer (RtfCommands); the
    // dialog offers the WinHelp format among the others.
}

}  // namespace shell::ui
