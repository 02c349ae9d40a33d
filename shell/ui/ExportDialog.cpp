#include "shell/ui/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/ui/DialogSeam.h"

namespace shell::ui {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
QString W(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
QString Size(std::int64_t n) { return n < 0 ? QString() : QString::number(n); }

QPushButton* Button(const char* caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(Q(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);  // Enter in the edits never starts an export
    return b;
}

}  // namespace

// --- TFopzExp -----------------------------------------------------------------------

TFopzExp::TFopzExp(const convert::html::THtmlOptions& o, QWidget* parent) : QDialog(parent), base_(o) {
    setObjectName("TFopzExp");
    setWindowTitle(Q("Opzioni di esportazione Html"));
    auto* layout = new QVBoxLayout(this);
    alt_ = new QCheckBox(Q("genera autom. \"alt\" per zone"), this);
    alt_->setObjectName("cbAlt");
    alt_->setChecked(o.expAlt);
    origName_ = new QCheckBox(Q("nomi originali per img e files"), this);
    origName_->setObjectName("cbNomiOriginali");
    origName_->setChecked(o.expOrigName);
    sepImage_ = new QCheckBox(Q("Immagini in dir separata"), this);
    sepImage_->setObjectName("cbDirSeparata");
    sepImage_->setChecked(o.expSepImage);
    layout->addWidget(alt_);
    layout->addWidget(origName_);
    layout->addWidget(sepImage_);
    auto* el = new QHBoxLayout;
    ext_ = new QComboBox(this);
    ext_->setObjectName("cbEstensione");
    ext_->addItems({Q(".htm"), Q(".html")});
    ext_->setCurrentIndex(o.expTipoExt == 0 ? 0 : 1);
    el->addWidget(new QLabel(Q("Estensione per files di pagina: "), this));
    el->addWidget(ext_);
    el->addStretch();
    layout->addLayout(el);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(Q("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

convert::html::THtmlOptions TFopzExp::Options() const {
    convert::html::THtmlOptions o = base_;
    o.expAlt = alt_->isChecked();
    o.expOrigName = origName_->isChecked();
    o.expSepImage = sepImage_->isChecked();
    o.expTipoExt = ext_->currentIndex() == 0 ? 0 : 1;
    return o;
}

// --- TFexp --------------------------------------------------------------------------

TFexp::TFexp(model::TNYXset& set, TOptionsStore& store, QWidget* parent) : QDialog(parent), choices_(set, store) {
    setObjectName("TFexp");
    setWindowTitle(Q("Esporta pagine"));
    auto* layout = new QVBoxLayout(this);

    formats_ = new QListWidget(this);
    formats_->setObjectName("lbFormati");
    for (const convert::TExportFormat& f : choices_.Formats()) {
        auto* item = new QListWidgetItem(W(f.name), formats_);
        item->setData(Qt::UserRole, f.code);
    }
    formats_->setMaximumHeight(110);
    layout->addWidget(formats_);

    pages_ = new QTreeWidget(this);
    pages_->setObjectName("lvPagine");
    pages_->setRootIsDecorated(false);
    pages_->setHeaderLabels({Q("Titolo"), Q("Dimensione"), Q("Tipo"), Q("File"), Q("Dimensione"), Q("File per frame"), Q("Versione")});
    layout->addWidget(pages_);

    auto* fl = new QHBoxLayout;
    folder_ = new QLineEdit(this);
    folder_->setObjectName("edCartella");
    auto* browse = Button("Cerca...", "btCerca", this);
    fl->addWidget(new QLabel(Q("Cartella:"), this));
    fl->addWidget(folder_);
    fl->addWidget(browse);
    layout->addLayout(fl);
    auto* ml = new QHBoxLayout;
    mainLabel_ = new QLabel(Q("Nome file principale:"), this);
    mainFile_ = new QLineEdit(this);
    mainFile_->setObjectName("edFilePrincipale");
    ml->addWidget(mainLabel_);
    ml->addWidget(mainFile_);
    layout->addLayout(ml);

    status_ = new QLabel(this);
    status_->setObjectName("lbStato");
    layout->addWidget(status_);

    auto* bl = new QHBoxLayout;
    all_ = Button("Tutte", "btTutte", this);
    html_ = Button("Html...", "btHtml", this);
    export_ = Button("Esporta", "btEsporta", this);
    stop_ = Button("Stop", "btStop", this);
    stop_->setEnabled(false);
    auto* close = Button("Chiudi", "btChiudi", this);
    bl->addWidget(all_);
    bl->addWidget(html_);
    bl->addStretch();
    bl->addWidget(export_);
    bl->addWidget(stop_);
    bl->addWidget(close);
    layout->addLayout(bl);
    resize(720, 480);

    connect(formats_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || running_) return;
        const int code = formats_->item(row)->data(Qt::UserRole).toInt();
        if (code == choices_.Format()) return;
        TakeDestination();
        choices_.SetFormat(code);
        ShowFormat();
    });
    connect(pages_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0 || !(item->flags() & Qt::ItemIsUserCheckable)) return;
        choices_.Check(item->data(0, Qt::UserRole).toInt(), item->checkState(0) == Qt::Checked);
    });
    connect(browse, &QPushButton::clicked, this, [this] { ChooseFolder(); });
    connect(all_, &QPushButton::clicked, this, [this] {
        if (choices_.CheckAll()) Reload();
    });
    connect(html_, &QPushButton::clicked, this, [this] { EditHtmlOptions(); });
    connect(export_, &QPushButton::clicked, this, [this] { Export(); });
    connect(stop_, &QPushButton::clicked, this, [this] { stopAsked_ = true; });
    connect(close, &QPushButton::clicked, this, [this] {
        if (running_) return;
        TakeDestination();
        choices_.Store();
        reject();
    });
    ShowFormat();
    SetFormat(choices_.Format());
}

bool TFexp::SetFormat(int code) {
    for (int i = 0; i < formats_->count(); ++i)
        if (formats_->item(i)->data(Qt::UserRole).toInt() == code) {
            formats_->setCurrentRow(i);
            return true;
        }
    return false;
}

bool TFexp::SetFile(const fs::path& file) {
    if (!choices_.SetFile(file)) return false;
    {
        QSignalBlocker block(formats_);
        for (int i = 0; i < formats_->count(); ++i)
            if (formats_->item(i)->data(Qt::UserRole).toInt() == choices_.Format()) formats_->setCurrentRow(i);
    }
    ShowFormat();
    return true;
}

void TFexp::ShowFormat() {
    folder_->setText(Q(choices_.Folder().string()));
    const bool main = choices_.UsesMainFile();
    mainLabel_->setEnabled(main);
    mainFile_->setEnabled(main);
    mainFile_->setText(main ? Q(choices_.MainFile()) : QString());
    all_->setEnabled(choices_.FormatEntry().checkAll);
    html_->setEnabled(choices_.Format() == convert::efHtml);
    Reload();
}

void TFexp::TakeDestination() {
    choices_.SetFolder(folder_->text().toStdString());
    if (choices_.UsesMainFile()) choices_.SetMainFile(mainFile_->text().toStdString());
}

void TFexp::Reload() {
    QSignalBlocker block(pages_);
    pages_->clear();
    for (const convert::TExportRow& r : choices_.Rows()) {
        auto* item = new QTreeWidgetItem(pages_);
        item->setText(0, W(r.title));
        item->setText(1, Size(r.size));
        item->setText(2, W(r.type));
        item->setText(3, W(r.file));
        item->setText(4, Size(r.frameSize));
        item->setText(5, W(r.frameFile));
        item->setText(6, QString::number(r.stamp));
        item->setData(0, Qt::UserRole, r.ref);
        if (r.type == "Pagina") {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, choices_.Checked(r.ref) ? Qt::Checked : Qt::Unchecked);
        }
    }
    for (int c = 0; c < pages_->columnCount(); ++c) pages_->resizeColumnToContents(c);
}

void TFexp::ChooseFolder() {
    TFileRequest request;
    request.kind = TFileRequest::Folder;
    request.caption = "Cartella di esportazione";
    request.folder = folder_->text().toStdString();
    const auto answer = ChooseFile(this, request);
    if (!answer) return;
    folder_->setText(Q(answer->file.string()));
    TakeDestination();
    Reload();  // the sizes of the files already there
}

void TFexp::EditHtmlOptions() {
    TFopzExp dlg(choices_.HtmlOptions(), this);
    if (RunDialog(dlg) != QDialog::Accepted) return;
    choices_.SetHtmlOptions(dlg.Options());
    Reload();
}

bool TFexp::Export() {
    if (running_) return false;
    TakeDestination();
    running_ = true;
    stopAsked_ = false;
    export_->setEnabled(false);
    formats_->setEnabled(false);
    stop_->setEnabled(true);
    outcome_ = choices_.Run(
        [this](const std::string& text) {
            status_->setText(Q(text));
            QCoreApplication::processEvents();
        },
        [this] {
            QCoreApplication::processEvents();
            return stopAsked_;
        });
    running_ = false;
    stop_->setEnabled(false);
    export_->setEnabled(true);
    formats_->setEnabled(true);
    if (!outcome_.ran) {
        platform::ui().Information(platform::text::Cp1252ToUtf8(outcome_.message));
        return false;
    }
    if (!outcome_.result.ok()) {
        std::vector<std::string> lines;
        for (const std::string& l : outcome_.Lines()) lines.push_back(platform::text::Cp1252ToUtf8(l));
        platform::ui().ShowErrorList(outcome_.result.stopped ? "Esportazione interrotta" : "Errori", lines);
    }
    accept();
    return outcome_.result.ok();
}

void TFexp::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        // Enter in the folder takes the folder typed; elsewhere it does nothing.
        if (folder_->hasFocus()) {
            TakeDestination();
            Reload();
        }
        return;
    }
    QDialog::keyPressEvent(e);
}

void TFexp::reject() {
    // Closing while an export runs asks it to stop; the dialog closes after.
    if (running_) {
        stopAsked_ = true;
        return;
    }
    QDialog::reject();
}

}  // namespace shell::ui
