#include "shell/ui/PublishCommands.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QListWidget>
#include <QVBoxLayout>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/ui/InsiemeCornici.h"
#include "publish/ui/FtpDialog.h"
#include "publish/ui/NetActivity.h"
#include "publish/ui/ServerDialog.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/ExportDialog.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

namespace fs = std::filesystem;

std::string TOptionsConfigAccess::Read(const std::string& section, const std::string& name) const {
    return store_.ReadSectionOption(section, name);
}
bool TOptionsConfigAccess::Write(const std::string& section, const std::string& name, const std::string& value) {
    return store_.WriteSectionOption(section, name, value);
}
bool TOptionsConfigAccess::Erase(const std::string& section, const std::string& name) {
    return store_.DeleteSectionOption(section, name);
}

namespace {

// Offers to save unsaved changes before a publication: the server gets what
// is on disk.
bool SaveIfModified(TMainForm& form) {
    if (!form.Document().Modified() && !form.DocumentName().empty()) return true;
    if (platform::ui().AskYesNo("E' necessario salvare il file anche in locale,\rlo faccio?") != platform::Answer::Yes)
        return false;
    form.FrameSet()->StorePages();
    if (form.DocumentName().empty()) return form.MainDocument().SaveAs();
    return form.SaveDocument(form.DocumentName(), 0, false, false);
}

// "Scegli pagine": the pages of the hypertext with check boxes.
std::set<std::int32_t> ChoosePages(TMainForm& form) {
    QDialog dlg(&form);
    dlg.setWindowTitle(QStringLiteral("Scegli pagine"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("pages"));
    std::vector<std::int32_t> refs;
    for (std::int32_t slot : convert::AllPages(form.Document())) {
        const model::TNYXoggetto* p = form.Document().ObjectAt(model::testoHtml, slot);
        auto* item = new QListWidgetItem(QString::fromStdString(platform::text::Cp1252ToUtf8(p->GetName())), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        refs.push_back(p->Reference());
    }
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    std::set<std::int32_t> chosen;
    if (RunDialog(dlg) != QDialog::Accepted) return chosen;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) chosen.insert(refs[static_cast<std::size_t>(i)]);
    return chosen;
}

}  // namespace

bool OpenFtpPublishing(TMainForm& form, int mode) {
    TOptionsConfigAccess access(shell::options());
    shell::EnsureDefaultNetConfigurations(shell::options());
    convert::html::TNYXtoHtml exporter(&form.Document());
    exporter.options = shell::ReadHtmlExportOptions(shell::options());
    publish::TFtpDialogHost host;
    host.set = &form.Document();
    host.exporter = &exporter;
    host.currentPage = form.FrameSet()->MainPageNumber();
    host.saveIfModified = [&form] { return SaveIfModified(form); };
    host.leavePage = [&form] { form.FrameSet()->StorePages(); };
    host.choosePages = [&form] { return ChoosePages(form); };
    // "Opzioni...": the HTML options, kept for later exports too.
    host.exportOptions = [&form, &exporter] {
        TFopzExp dlg(exporter.options, &form);
        if (RunDialog(dlg) != QDialog::Accepted) return false;
        exporter.options = dlg.Options();
        shell::WriteHtmlExportOptions(shell::options(), exporter.options);
        return true;
    };
    if ((mode == publish::TFftp::kPublishAll || mode == publish::TFftp::kPublishPage)) {
        form.FrameSet()->StorePages();
        if (mode == publish::TFftp::kPublishPage && host.currentPage < 0) return false;
    }
    publish::TFftp dlg(access, mode, host, &form);
    if (mode == publish::TFftp::kPublishAll || mode == publish::TFftp::kPublishPage) dlg.ExportPages();
    RunDialog(dlg);
    return true;
}

bool OpenServerPublishing(TMainForm& form, int mode) {
    TOptionsConfigAccess access(shell::options());
    shell::EnsureDefaultNetConfigurations(shell::options());
    publish::TServerDialogHost host;
    host.set = &form.Document();
    host.saveIfModified = [&form] { return SaveIfModified(form); };
    host.openFile = [&form](const fs::path& file) { form.OpenDocument(file, true); };
    publish::TFquornet dlg(access, mode, host, &form);
    RunDialog(dlg);
    return true;
}

bool CanCloseWithTransfers() { return publish::AskStopNetworkOperations(); }

void AddPublishCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    handlers["actPubblicaFtp"] = [f] { OpenFtpPublishing(*f, publish::TFftp::kPublishAll); };
    handlers["actPubblicaPaginaFtp"] = [f] { OpenFtpPublishing(*f, publish::TFftp::kPublishPage); };
    handlers["actFtpGenerico"] = [f] { OpenFtpPublishing(*f, publish::TFftp::kNative); };
    handlers["actNyxFtp"] = [f] { OpenFtpPublishing(*f, publish::TFftp::kNative); };
    handlers["actConfigurazioniFtp"] = [f] { OpenFtpPublishing(*f, publish::TFftp::kConfig); };
    handlers["actPubblicaServer"] = [f] { OpenServerPublishing(*f, publish::TFquornet::kPublish); };
    handlers["actPrendiServer"] = [f] { OpenServerPublishing(*f, publish::TFquornet::kDownload); };
    handlers["actConfigurazioneServer"] = [f] { OpenServerPublishing(*f, publish::TFquornet::kConfig); };
    handlers["actCambiaPassword"] = [f] { OpenServerPublishing(*f, publish::TFquornet::kPassword); };
}

}  // namespace shell::ui
