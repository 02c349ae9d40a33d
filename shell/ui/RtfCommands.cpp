#include "shell/ui/RtfCommands.h"

#include <QStatusBar>

#include "convert/Converter.h"
#include "convert/rtf/RtfClipboard.h"
#include "convert/rtf/RtfExportJob.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

namespace fs = std::filesystem;

bool ExportWinHelp(TMainForm& form) {
    form.CommitPageEdits();
    model::TNYXset& set = form.Document();
    const std::vector<std::int32_t> pages = convert::AllPages(set);
    if (pages.empty()) {
        platform::ui().Information("Nessuna pagina da esportare.");
        return false;
    }
    TFileRequest request;
    request.kind = TFileRequest::Save;
    request.caption = "Esporta WinHelp";
    request.folder = set.NYXFileName().empty() ? fs::path() : set.NYXFileName().parent_path();
    request.suggested = set.NYXFileName().empty() ? std::string("guida.rtf") : set.NYXFileName().stem().string() + ".rtf";
    request.filter = "Rtf WINHELP (*.rtf)";
    const auto answer = ChooseFile(&form, request);
    if (!answer || answer->file.empty()) return false;
    fs::path file = answer->file;
    if (file.extension().empty()) file += ".rtf";
    const std::string section = "exp\\" + std::to_string(convert::rtf::efWinHelp);
    TOptionsStore& o = options();
    convert::rtf::TRtfExportJob job;
    job.format = convert::rtf::efWinHelp;
    job.pages = pages;
    job.folder = file.parent_path();
    job.mainFile = file.filename().string();
    job.titlesAsKeywords = o.ReadSectionOption(section, "runTitKey") == "1";
    job.runCompiler = o.ReadSectionOption(section, "runHcp") == "1";
    job.useRegistered = o.ReadSectionOption(section, "runDefaultHcp") != "0";
    job.compiler = o.ReadOption("HcpPath");
    o.WriteSectionOption(section, "expPathInWindow", job.folder.string());
    const convert::rtf::TRtfExportOutcome out = convert::rtf::RunRtfExport(set, job);
    if (!out.problems.empty()) platform::ui().ShowErrorList("Esportazione con errori", out.problems);
    form.statusBar()->showMessage(out.ok ? QStringLiteral("Esportazione completata") : QStringLiteral("Esportazione con errori"));
    return out.ok;
}

void AddRtfCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    convert::rtf::RegisterRtfClipboard();
    // The one owner of "Esporta WinHelp..." (the export dialog's own commands
    // leave it alone).
    handlers["actEsportaWinHelp"] = [f] { ExportWinHelp(*f); };
}

}  // namespace shell::ui
