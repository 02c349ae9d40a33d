#include "present/ui/ObjectDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Ui.h"
#include "platform/text.h"

namespace present::ui {
namespace {

QString FromCp(std::string_view cp) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp)); }
std::string ToCp(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

// Lines in the record end with byte 10 alone; the editor shows them as typed.
std::string StoredLines(const QString& text) {
    std::string s = ToCp(text);
    std::string out;
    out.reserve(s.size() + 1);
    for (char c : s)
        if (c != '\r') out += c;
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

TObjectFileChooser& Chooser() {
    static TObjectFileChooser choose;
    return choose;
}

}  // namespace

void SetObjectFileChooser(TObjectFileChooser choose) { Chooser() = std::move(choose); }

const char* ObjectFileCaption(TObjectFile kind) {
    return kind == TObjectFile::kPicture ? "Immagine del bottone" : "File multimediale";
}

const char* ObjectFileFilter(TObjectFile kind) {
    if (kind == TObjectFile::kPicture) return "Immagini (*.gif *.jpg *.jpeg *.png *.bmp);;Tutti i file (*)";
    return "File multimediali (*.wav *.mp3 *.ogg *.mid *.avi *.mpg *.mpeg *.mp4 *.webm);;Tutti i file (*)";
}

TFproprietaOggetto::TFproprietaOggetto(TObjectProperties& choices, QWidget* parent)
    : QDialog(parent), choices_(choices) {
    setObjectName(QStringLiteral("TFproprietaOggetto"));
    setWindowTitle(QString::fromStdString(choices_.Title()));
    auto* tabs = new QTabWidget(this);
    auto* general = new QWidget(tabs);
    auto* form = new QFormLayout(general);
    for (const TPropField& f : choices_.Fields()) {
        const QString key = QString::fromStdString(f.key);
        const std::string value = choices_.Value(f.key);
        QWidget* w = nullptr;
        switch (f.kind) {
            case TPropKind::kText: {
                auto* e = new QLineEdit(general);
                e->setMaxLength(static_cast<int>(f.cap));
                e->setText(FromCp(value));
                w = e;
                break;
            }
            case TPropKind::kNumber: {
                auto* s = new QSpinBox(general);
                s->setRange(f.min, f.max);
                s->setValue(std::stoi(value));
                w = s;
                break;
            }
            case TPropKind::kCheck: {
                auto* c = new QCheckBox(QString::fromStdString(f.label), general);
                c->setChecked(value == "1");
                w = c;
                break;
            }
            case TPropKind::kChoice: {
                auto* c = new QComboBox(general);
                for (const auto& [v, text] : f.choices) {
                    c->addItem(QString::fromStdString(text), v);
                    if (std::to_string(v) == value) c->setCurrentIndex(c->count() - 1);
                }
                w = c;
                break;
            }
        }
        w->setObjectName(key);
        widgets_[f.key] = w;
        if (f.kind == TPropKind::kCheck) form->addRow(w);
        else form->addRow(QString::fromStdString(f.label), w);
    }
    if (choices_.FileKind() != TObjectFile::kNone) {
        auto* row = new QWidget(general);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        fileName_ = new QLineEdit(row);
        fileName_->setObjectName(
            choices_.FileKind() == TObjectFile::kPicture ? QStringLiteral("immagine") : QStringLiteral("fileMultimediale"));
        fileName_->setReadOnly(true);
        fileName_->setPlaceholderText(QStringLiteral("(nessuno)"));
        fileName_->setText(QString::fromStdString(choices_.FileName()));
        auto* browse = new QPushButton(QStringLiteral("Sfoglia..."), row);
        browse->setObjectName(QStringLiteral("sfogliaFile"));
        auto* none = new QPushButton(QStringLiteral("Nessuno"), row);
        none->setObjectName(QStringLiteral("nessunFile"));
        h->addWidget(fileName_, 1);
        h->addWidget(browse);
        h->addWidget(none);
        connect(browse, &QPushButton::clicked, this, &TFproprietaOggetto::ChooseFile);
        connect(none, &QPushButton::clicked, this, &TFproprietaOggetto::ClearFile);
        form->addRow(choices_.FileKind() == TObjectFile::kPicture ? QStringLiteral("Immagine") : QStringLiteral("File multimediale"),
                     row);
    }
    if (choices_.HasLines()) {
        lines_ = new QPlainTextEdit(general);
        lines_->setObjectName(QStringLiteral("righe"));
        lines_->setPlainText(FromCp(choices_.lines));
        form->addRow(QString::fromStdString(choices_.LinesLabel()), lines_);
    }
    tabs->addTab(general, QStringLiteral("Generale"));
    html_ = new QPlainTextEdit(tabs);
    html_->setObjectName(QStringLiteral("html"));
    html_->setPlainText(FromCp(choices_.html));
    tabs->addTab(html_, QStringLiteral("Html"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

QWidget* TFproprietaOggetto::FieldWidget(const std::string& key) const {
    auto it = widgets_.find(key);
    return it == widgets_.end() ? nullptr : it->second;
}

void TFproprietaOggetto::TakeFields() {
    for (const TPropField& f : choices_.Fields()) {
        QWidget* w = FieldWidget(f.key);
        if (!w) continue;
        std::string v;
        switch (f.kind) {
            case TPropKind::kText: v = ToCp(static_cast<QLineEdit*>(w)->text()); break;
            case TPropKind::kNumber: v = std::to_string(static_cast<QSpinBox*>(w)->value()); break;
            case TPropKind::kCheck: v = static_cast<QCheckBox*>(w)->isChecked() ? "1" : "0"; break;
            case TPropKind::kChoice: v = std::to_string(static_cast<QComboBox*>(w)->currentData().toInt()); break;
        }
        choices_.SetValue(f.key, v);
    }
    if (lines_) choices_.lines = lines_->toPlainText().isEmpty() ? std::string() : StoredLines(lines_->toPlainText());
    // The HTML text is kept as typed, its line ends as the exporter writes them.
    if (html_) {
        std::string h = ToCp(html_->toPlainText());
        std::string out;
        for (char c : h) {
            if (c == '\n') out += '\r';
            out += c;
        }
        if (out != choices_.html) {
            // Unchanged text keeps the stored line ends, whatever they are.
            std::string stored;
            for (char c : choices_.html)
                if (c != '\r') stored += c;
            if (stored != h) choices_.html = out;
        }
    }
}

void TFproprietaOggetto::ChooseFile() {
    const TObjectFile kind = choices_.FileKind();
    std::filesystem::path path;
    if (Chooser()) {
        path = Chooser()(this, kind);
    } else {
        const QString f = QFileDialog::getOpenFileName(this, QString::fromUtf8(ObjectFileCaption(kind)), QString(),
                                                       QString::fromUtf8(ObjectFileFilter(kind)));
        path = f.toStdString();
    }
    if (path.empty()) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        platform::ui().Error("Il file \"" + path.string() + "\" non esiste o non si può leggere.");
        return;
    }
    choices_.file = path;
    fileName_->setText(QString::fromStdString(path.filename().string()));
}

void TFproprietaOggetto::ClearFile() {
    choices_.file = std::filesystem::path();
    fileName_->clear();
}

void TFproprietaOggetto::accept() {
    TakeFields();
    QDialog::accept();
}

}  // namespace present::ui
