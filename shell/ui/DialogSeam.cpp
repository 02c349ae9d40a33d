#include "shell/ui/DialogSeam.h"

#include <QDialog>
#include <QFileDialog>

#include <map>

namespace shell::ui {

namespace {
TDialogRunner& Runner() {
    static TDialogRunner r;
    return r;
}
TFileChooser& Chooser() {
    static TFileChooser c;
    return c;
}
std::map<std::string, TWindowOpener>& Windows() {
    static std::map<std::string, TWindowOpener> w;
    return w;
}
}  // namespace

int RunDialog(QDialog& dialog) {
    if (Runner()) return Runner()(dialog);
    return dialog.exec();
}

TDialogRunner SetDialogRunner(TDialogRunner runner) {
    TDialogRunner previous = std::move(Runner());
    Runner() = std::move(runner);
    return previous;
}

std::optional<TFileAnswer> ChooseFile(QWidget* parent, const TFileRequest& r) {
    if (Chooser()) return Chooser()(parent, r);
    QFileDialog dlg(parent, QString::fromUtf8(r.caption.c_str()), QString::fromStdString(r.folder.string()));
    dlg.setNameFilters(QString::fromUtf8(r.filter.c_str()).split(QStringLiteral(";;")));
    if (r.kind == TFileRequest::Folder) {
        dlg.setFileMode(QFileDialog::Directory);
        dlg.setOption(QFileDialog::ShowDirsOnly, true);
    } else if (r.kind == TFileRequest::Save) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        if (!r.suggested.empty()) dlg.selectFile(QString::fromUtf8(r.suggested.c_str()));
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFile);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    TFileAnswer a;
    a.file = std::filesystem::path(dlg.selectedFiles().first().toStdString());
    a.type = static_cast<int>(dlg.nameFilters().indexOf(dlg.selectedNameFilter())) + 1;
    if (a.type < 1) a.type = 1;
    return a;
}

TFileChooser SetFileChooser(TFileChooser chooser) {
    TFileChooser previous = std::move(Chooser());
    Chooser() = std::move(chooser);
    return previous;
}

void RegisterWindow(const std::string& name, TWindowOpener opener) {
    if (opener) Windows()[name] = std::move(opener);
    else Windows().erase(name);
}

bool HasRegisteredWindow(const std::string& name) { return Windows().count(name) > 0; }

bool OpenRegisteredWindow(const std::string& name, QWidget* parent, shell::TMainDocument& document,
                          const std::filesystem::path& file) {
    auto it = Windows().find(name);
    return it != Windows().end() && it->second(parent, document, file);
}

}  // namespace shell::ui
