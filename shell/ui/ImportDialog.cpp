#include "shell/ui/ImportDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdlib>

#include "model/NYXset.h"
#include "platform/Ui.h"
#include "shell/MainDocument.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

namespace shell::ui {

namespace fs = std::filesystem;

namespace {
QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string Section(int format) { return "imp\\" + std::to_string(format); }
}  // namespace

TFimp::TFimp(TMainDocument& document, QWidget* parent) : QDialog(parent), document_(document) {
    setObjectName("TFimp");
    setWindowTitle(Q("Importa/apri pagine"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);

    formats_ = new QListWidget(this);
    formats_->setObjectName("lbFormati");
    const auto& names = convert::html::ImportFormatNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto* item = new QListWidgetItem(Q(names[i]), formats_);
        if (!convert::html::ImportFormatAvailable(static_cast<int>(i))) item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    formats_->setMaximumHeight(130);
    layout->addWidget(formats_);

    tabs_ = new QTabWidget(this);
    auto* fileTab = new QWidget(tabs_);
    auto* fl = new QVBoxLayout(fileTab);
    files_ = new QListWidget(fileTab);
    files_->setObjectName("lbFile");
    fl->addWidget(files_);
    auto* fb = new QHBoxLayout;
    auto* add = new QPushButton(Q("Aggiungi..."), fileTab);
    add->setObjectName("btAggiungi");
    auto* remove = new QPushButton(Q("Togli"), fileTab);
    fb->addWidget(add);
    fb->addWidget(remove);
    fb->addStretch();
    fl->addLayout(fb);
    tabs_->addTab(fileTab, Q("File"));

    auto* followTab = new QWidget(tabs_);
    followTab->setObjectName("tabSegui");
    auto* tl = new QVBoxLayout(followTab);
    auto* rl = new QHBoxLayout;
    root_ = new QLineEdit(followTab);
    root_->setObjectName("edRadice");
    auto* browse = new QPushButton(Q("Cerca..."), followTab);
    rl->addWidget(new QLabel(Q("File radice:"), followTab));
    rl->addWidget(root_);
    rl->addWidget(browse);
    tl->addLayout(rl);
    auto* ll = new QHBoxLayout;
    levels_ = new QSpinBox(followTab);
    levels_->setObjectName("seLivelli");
    levels_->setRange(0, 20);
    levels_->setValue(1);
    auto* determine = new QPushButton(Q("Determina lista"), followTab);
    determine->setObjectName("btDeterminaLista");
    count_ = new QLabel(Q("(0)"), followTab);
    ll->addWidget(new QLabel(Q("Livelli:"), followTab));
    ll->addWidget(levels_);
    ll->addWidget(determine);
    ll->addWidget(count_);
    ll->addStretch();
    tl->addLayout(ll);
    followed_ = new QListWidget(followTab);
    tl->addWidget(followed_);
    tabs_->addTab(followTab, Q("Importa seguendo automaticamente i collegamenti"));
    layout->addWidget(tabs_);

    auto* bg = new QHBoxLayout;
    colour_ = new QPushButton(Q("Colore di sfondo..."), this);
    usePicture_ = new QCheckBox(Q("Usa immagine come sfondo"), this);
    usePicture_->setEnabled(document_.Set().HInt(model::hdr::kBackPicture) >= 0);
    bg->addWidget(colour_);
    bg->addWidget(usePicture_);
    bg->addStretch();
    layout->addLayout(bg);

    auto* rtfBox = new QVBoxLayout;
    allToGif_ = new QCheckBox(Q("Converti in GIF tutte le immagini importate"), this);
    allToGif_->setObjectName("cbAllToGif");
    summary_ = new QCheckBox(Q("usa i titoli nell' RTF per generare un indice e dividere in pagine"), this);
    summary_->setObjectName("cbSummary");
    commonIndex_ = new QCheckBox(Q("indice comune per tutti i files"), this);
    commonIndex_->setObjectName("cbComune");
    parsPerPage_ = new QSpinBox(this);
    parsPerPage_->setObjectName("seNumParPerPag");
    parsPerPage_->setRange(1, 100000);
    parsPerPage_->setValue(100);
    headingLevel_ = new QSpinBox(this);
    headingLevel_->setObjectName("seTitLevel");
    headingLevel_->setRange(1, 9);
    headingLevel_->setValue(4);
    auto* rtfNumbers = new QHBoxLayout;
    rtfNumbers->addWidget(new QLabel(Q("Paragrafi per pagina:"), this));
    rtfNumbers->addWidget(parsPerPage_);
    rtfNumbers->addWidget(new QLabel(Q("Livello dei titoli:"), this));
    rtfNumbers->addWidget(headingLevel_);
    rtfNumbers->addStretch();
    rtfBox->addWidget(allToGif_);
    rtfBox->addWidget(summary_);
    rtfBox->addWidget(commonIndex_);
    rtfBox->addLayout(rtfNumbers);
    layout->addLayout(rtfBox);

    report_ = new QPlainTextEdit(this);
    report_->setObjectName("teReport");
    report_->setReadOnly(true);
    report_->setMaximumHeight(120);
    layout->addWidget(report_);

    auto* buttons = new QHBoxLayout;
    auto* run = new QPushButton(Q("Importa"), this);
    run->setObjectName("btImporta");
    auto* close = new QPushButton(Q("Chiudi"), this);
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] { ChooseFiles(); });
    connect(remove, &QPushButton::clicked, this, [this] { delete files_->currentItem(); });
    connect(files_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* i) { delete i; });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, Q("File radice"), Q(folder_.string()), Q("Pagine HTML (*.htm *.html)"));
        if (!f.isEmpty()) root_->setText(f);
    });
    connect(determine, &QPushButton::clicked, this, [this] { DetermineList(); });
    connect(colour_, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(QColor(backColour_ & 0xFF, (backColour_ >> 8) & 0xFF, (backColour_ >> 16) & 0xFF), this);
        if (c.isValid()) backColour_ = static_cast<std::uint32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
    });
    connect(run, &QPushButton::clicked, this, [this] { Import(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(formats_, &QListWidget::currentRowChanged, this, [this](int row) {
        tabs_->setTabEnabled(1, row == convert::html::ifHtml);
        LoadRtfOptions(row);
        const std::string stored = options().ReadSectionOption(Section(row), "impPathInWindow");
        std::error_code ec;
        if (!stored.empty() && fs::is_directory(stored, ec)) folder_ = stored;
    });
    SetFormat(convert::html::ifHtml);
}

void TFimp::SetFormat(int format) { formats_->setCurrentRow(format); }

void TFimp::AddFiles(const std::vector<fs::path>& files) {
    for (const fs::path& f : files) {
        new QListWidgetItem(Q(f.string()), files_);
        folder_ = f.parent_path();
    }
}

void TFimp::ChooseFiles() {
    const int format = formats_->currentRow();
    QString filter = format == convert::html::ifText ? Q("Testo (*.txt *.ini *.asc *.pas *.c *.cpp);;Tutti i file (*)")
                                                     : Q("Pagine HTML (*.htm *.html);;Tutti i file (*)");
    if (format >= convert::html::ifRtfPages && format <= convert::html::ifWinHelp) filter = Q("RTF (*.rtf);;Tutti i file (*)");
    if (format >= convert::html::ifDocPages) filter = Q("DOC (*.doc *.wri *.rtf);;Tutti i file (*)");
    const QStringList chosen = QFileDialog::getOpenFileNames(this, Q("Importa"), Q(folder_.string()), filter);
    std::vector<fs::path> files;
    for (const QString& f : chosen) files.emplace_back(f.toStdString());
    AddFiles(files);
}

convert::html::TImportChoices TFimp::Choices() const {
    convert::html::TImportChoices c;
    c.format = formats_->currentRow();
    for (int i = 0; i < files_->count(); ++i) c.files.emplace_back(files_->item(i)->text().toStdString());
    c.follow = c.format == convert::html::ifHtml && tabs_->currentIndex() == 1;
    c.root = root_->text().toStdString();
    c.levels = levels_->value();
    c.backColour = backColour_;
    const std::int32_t pic = document_.Set().HInt(model::hdr::kBackPicture);
    if (usePicture_->isChecked() && pic >= 0) c.backPicture = model::MakeRef(model::immagine, static_cast<std::uint32_t>(pic));
    c.allToGif = allToGif_->isChecked();
    c.summary = summary_->isChecked();
    c.commonIndex = commonIndex_->isChecked();
    c.parsPerPage = parsPerPage_->value();
    c.headingLevel = headingLevel_->value();
    return c;
}

namespace {
bool IsRtfFormat(int format) { return format != convert::html::ifHtml && format != convert::html::ifText && format >= 0; }
}  // namespace

void TFimp::LoadRtfOptions(int format) {
    const bool rtf = IsRtfFormat(format);
    for (QWidget* w : std::initializer_list<QWidget*>{allToGif_, summary_, commonIndex_, parsPerPage_, headingLevel_}) w->setEnabled(rtf);
    if (!rtf) return;
    auto flag = [&](const char* key) { return options().ReadSectionOption(Section(format), key) == "1"; };
    auto number = [&](const char* key, int absent) {
        const std::string v = options().ReadSectionOption(Section(format), key);
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        return v.empty() || *end ? absent : static_cast<int>(n);
    };
    allToGif_->setChecked(flag("allToGif"));
    summary_->setChecked(flag("summary"));
    commonIndex_->setChecked(flag("comune"));
    parsPerPage_->setValue(number("numParPerPag", 100));
    headingLevel_->setValue(number("titLevel", 4));
}

void TFimp::StoreRtfOptions(int format) {
    if (!IsRtfFormat(format)) return;
    auto& o = options();
    o.WriteSectionOption(Section(format), "allToGif", allToGif_->isChecked() ? "1" : "0");
    o.WriteSectionOption(Section(format), "summary", summary_->isChecked() ? "1" : "0");
    o.WriteSectionOption(Section(format), "comune", commonIndex_->isChecked() ? "1" : "0");
    o.WriteSectionOption(Section(format), "numParPerPag", std::to_string(parsPerPage_->value()));
    o.WriteSectionOption(Section(format), "titLevel", std::to_string(headingLevel_->value()));
}

void TFimp::DetermineList() {
    convert::html::TImportChoices c = Choices();
    c.follow = true;
    followed_->clear();
    const auto list = convert::html::ImportList(document_.Set(), c);
    for (const fs::path& f : list) new QListWidgetItem(Q(f.string()), followed_);
    count_->setText(Q("(" + std::to_string(list.size()) + ")"));
}

void TFimp::Import() {
    outcome_ = document_.ImportPages(Choices(), false);
    if (!outcome_.ran) return;
    std::string text;
    for (const std::string& l : outcome_.report.Lines()) text += l + "\n";
    for (const std::string& l : outcome_.winHelpReport) text += l + "\n";
    report_->setPlainText(Q(text));
    StoreRtfOptions(formats_->currentRow());
    StoreFolder();
}

void TFimp::StoreFolder() {
    if (folder_.empty()) return;
    options().WriteSectionOption(Section(formats_->currentRow()), "impPathInWindow", folder_.string());
}

void TFimp::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TFimp::dropEvent(QDropEvent* e) {
    std::vector<fs::path> files;
    for (const QUrl& u : e->mimeData()->urls()) {
        if (!u.isLocalFile()) continue;
        const fs::path f = u.toLocalFile().toStdString();
        std::string ext = f.extension().string();
        for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        static const char* const kAccepted[] = {".htm", ".html", ".txt", ".ini", ".asc", ".rtf", ".pas", ".c", ".cpp", ".doc", ".wri"};
        for (const char* a : kAccepted)
            if (ext == a) files.push_back(f);
    }
    e->acceptProposedAction();
    AddFiles(files);
}

}  // namespace shell::ui
