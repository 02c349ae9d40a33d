#include "cdrom/ui/Fcd.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Ui.h"
#include "shell/MainDocument.h"
#include "shell/ui/DialogSeam.h"

namespace fs = std::filesystem;

namespace cdrom::ui {

namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
std::string U(const QString& s) { return s.toUtf8().toStdString(); }

TLauncher& Launcher() {
    static TLauncher l;
    return l;
}
TFilesChooser& FilesChooser() {
    static TFilesChooser c;
    return c;
}

// The entry list takes files and folders dropped from the desktop.
class TFcdList : public QTreeWidget {
public:
    explicit TFcdList(QWidget* parent) : QTreeWidget(parent) { setAcceptDrops(true); }
    std::function<void(const std::vector<fs::path>&)> onDrop;

protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override {
        if (e->mimeData()->hasUrls()) e->acceptProposedAction();
    }
    void dropEvent(QDropEvent* e) override {
        std::vector<fs::path> paths;
        for (const QUrl& u : e->mimeData()->urls())
            if (u.isLocalFile()) paths.emplace_back(u.toLocalFile().toStdString());
        e->acceptProposedAction();
        if (onDrop && !paths.empty()) onDrop(paths);
    }
};

// The name of a new group ("+").
class TFnuovoGruppo : public QDialog {
public:
    explicit TFnuovoGruppo(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("TFnuovoGruppo"));
        setWindowTitle(QStringLiteral("Nuovo gruppo"));
        auto* l = new QFormLayout(this);
        name = new QLineEdit(this);
        name->setObjectName(QStringLiteral("edNomeGruppo"));
        l->addRow(QStringLiteral("Nome del gruppo:"), name);
        auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        b->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
        connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(b, &QDialogButtonBox::rejected, this, &QDialog::reject);
        l->addRow(b);
    }
    QLineEdit* name = nullptr;
};

const std::array<const char*, kPersonalCount> kPersonalNames = {"edWelcome", "edGoodbye", "edLicense",
                                                                "edReadme",  "edSetupImg", "edSplash"};
const std::array<const char*, kPersonalCount> kPersonalCaptions = {
    "Testo di benvenuto:", "Testo di congedo:", "Licenza:", "Leggimi:",
    "Immagine dell'installazione (118 \xC3\x97 260):", "Immagine iniziale del lettore (404 \xC3\x97 288):"};

}  // namespace

TLauncher SetLauncher(TLauncher launcher) {
    TLauncher previous = std::move(Launcher());
    Launcher() = std::move(launcher);
    return previous;
}

TFilesChooser SetFilesChooser(TFilesChooser chooser) {
    TFilesChooser previous = std::move(FilesChooser());
    FilesChooser() = std::move(chooser);
    return previous;
}

TFcd::TFcd(fs::path utils, std::function<fs::path()> currentHypertext, QWidget* parent)
    : QDialog(parent), wizard_(std::move(utils), *this), currentHypertext_(std::move(currentHypertext)) {
    setObjectName(QStringLiteral("TFcd"));
    setWindowFlag(Qt::Window);
    resize(760, 680);
    auto* main = new QVBoxLayout(this);

    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(new QLabel(QStringLiteral("Gruppo:"), this));
    groups_ = new QComboBox(this);
    groups_->setObjectName(QStringLiteral("cbGruppi"));
    groups_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    groupRow->addWidget(groups_, 1);
    QPushButton* plus = Button("btnGruppoPiu", "+");
    QPushButton* minus = Button("btnGruppoMeno", "-");
    groupRow->addWidget(plus);
    groupRow->addWidget(minus);
    main->addLayout(groupRow);
    controls_.push_back(groups_);

    auto* list = new TFcdList(this);
    list_ = list;
    list_->setObjectName(QStringLiteral("lvFiles"));
    list_->setHeaderLabels({QStringLiteral("Installazione"), QStringLiteral("Origine")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setUniformRowHeights(true);
    list_->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    list_->setColumnWidth(0, 260);
    list->onDrop = [this](const std::vector<fs::path>& paths) { DropPaths(paths); };
    main->addWidget(list_, 1);
    controls_.push_back(list_);

    auto* entryRow = new QHBoxLayout;
    for (QPushButton* b : {Button("btnIncludi", "Includi..."), Button("btnIncludiCartella", "Includi cartella..."),
                           Button("btnIncludiIpertesto", "Includi ipertesto corrente"), Button("btnTogli", "Togli"),
                           Button("btnTogliTutti", "Togli tutti")})
        entryRow->addWidget(b);
    entryRow->addStretch(1);
    main->addLayout(entryRow);

    auto* personal = new QGroupBox(QStringLiteral("Personalizzazione"), this);
    auto* grid = new QGridLayout(personal);
    for (int i = 0; i < kPersonalCount; ++i) {
        grid->addWidget(new QLabel(Q(kPersonalCaptions[i]), personal), i, 0);
        personal_[i] = new QLineEdit(personal);
        personal_[i]->setObjectName(Q(kPersonalNames[i]));
        grid->addWidget(personal_[i], i, 1);
        QPushButton* choose = Button((std::string("btnScegli") + (kPersonalNames[i] + 2)).c_str(), "...");
        grid->addWidget(choose, i, 2);
        connect(personal_[i], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { wizard_.Settings().personal[i] = U(t); });
        connect(choose, &QPushButton::clicked, this, [this, i] { ChoosePersonal(i); });
        controls_.push_back(personal_[i]);
    }
    auto check = [&](QCheckBox*& box, const char* name, const char* caption, bool TCdSettings::*field) {
        box = new QCheckBox(Q(caption), personal);
        box->setObjectName(Q(name));
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!showing_) wizard_.Settings().*field = on;
        });
        controls_.push_back(box);
    };
    check(imgSetup_, "imgSetupCB", "Usa l'immagine dell'installazione", &TCdSettings::imgSetupCB);
    check(imgLett_, "imgLettCB", "Usa l'immagine iniziale del lettore", &TCdSettings::imgLettCB);
    check(licenza_, "licenzaCB", "Chiedi di accettare la licenza", &TCdSettings::licenzaCB);
    check(leggimi_, "leggimiCB", "Mostra il leggimi alla fine", &TCdSettings::leggimiCB);
    grid->addWidget(imgSetup_, kPersonalCount, 0);
    grid->addWidget(imgLett_, kPersonalCount, 1);
    grid->addWidget(licenza_, kPersonalCount + 1, 0);
    grid->addWidget(leggimi_, kPersonalCount + 1, 1);
    main->addWidget(personal);

    auto* reader = new QGroupBox(QStringLiteral("Programma lettore"), this);
    auto* form = new QFormLayout(reader);
    auto line = [&](QLineEdit*& edit, const char* name, const char* caption, std::string TCdSettings::*field) {
        edit = new QLineEdit(reader);
        edit->setObjectName(Q(name));
        form->addRow(Q(caption), edit);
        connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& t) { wizard_.Settings().*field = U(t); });
        controls_.push_back(edit);
    };
    line(defdir_, "edDefdir", "Cartella di installazione predefinita:", &TCdSettings::defdir);
    line(title_, "edTitolo", "Titolo (nome dell'icona):", &TCdSettings::title);
    line(group_, "edGruppo", "Gruppo di programmi:", &TCdSettings::group);
    line(lancia_, "edLancia", "Ipertesto da aprire:", &TCdSettings::lancia);
    main->addWidget(reader);

    auto* destRow = new QHBoxLayout;
    destRow->addWidget(new QLabel(QStringLiteral("Cartella di destinazione:"), this));
    dest_ = new QLineEdit(this);
    dest_->setObjectName(QStringLiteral("edDestinazione"));
    connect(dest_, &QLineEdit::textEdited, this, [this](const QString& t) { wizard_.Settings().destPath = U(t); });
    destRow->addWidget(dest_, 1);
    controls_.push_back(dest_);
    destRow->addWidget(Button("btnScegliDestinazione", "..."));
    main->addLayout(destRow);

    auto* progressRow = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("pbAvanzamento"));
    progressText_ = new QLabel(this);
    progressText_->setObjectName(QStringLiteral("lbAvanzamento"));
    progressText_->setMinimumWidth(200);
    stopButton_ = new QPushButton(QStringLiteral("Stop"), this);
    stopButton_->setObjectName(QStringLiteral("btnStop"));
    connect(stopButton_, &QPushButton::clicked, this, [this] { stop_ = true; });
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(progressText_, 1);
    progressRow->addWidget(stopButton_);
    main->addLayout(progressRow);
    progress_->hide();
    progressText_->hide();
    stopButton_->hide();

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button("btnCarica", "Carica..."), Button("btnSalva", "Salva..."), Button("btnNuovo", "Nuovo")})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Button("btnCrea", "Crea"));
    test_ = Button("btnTest", "Test");
    buttons->addWidget(test_);
    buttons->addWidget(Button("btnChiudi", "Chiudi"));
    main->addLayout(buttons);
    test_->hide();

    connect(groups_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!showing_ && i >= 0) wizard_.SetCurrentGroup(i);
    });
    auto on = [this](const char* name, std::function<void()> fn) {
        connect(findChild<QPushButton*>(QString::fromLatin1(name)), &QPushButton::clicked, this, [fn] { fn(); });
    };
    on("btnGruppoPiu", [this] {
        TFnuovoGruppo dlg(this);
        if (shell::ui::RunDialog(dlg) == QDialog::Accepted) wizard_.AddGroup(U(dlg.name->text().trimmed()));
    });
    on("btnGruppoMeno", [this] { wizard_.DeleteGroup(wizard_.CurrentGroup()); });
    on("btnIncludi", [this] { IncludeFiles(); });
    on("btnIncludiCartella", [this] { IncludeFolder(); });
    on("btnIncludiIpertesto", [this] { wizard_.AddCurrentHypertext(currentHypertext_ ? currentHypertext_() : fs::path()); });
    on("btnTogli", [this] { RemoveSelected(); });
    on("btnTogliTutti", [this] { wizard_.RemoveAllShown(); });
    on("btnScegliDestinazione", [this] { ChooseDestination(); });
    on("btnCarica", [this] { wizard_.LoadDialog(); });
    on("btnSalva", [this] { wizard_.SaveDialog(); });
    on("btnNuovo", [this] { wizard_.New(); });
    on("btnCrea", [this] { wizard_.Crea(); });
    on("btnTest", [this] { RunTest(); });
    on("btnChiudi", [this] { close(); });

    wizard_.Open();
    ShowSettings();
}

TFcd::~TFcd() { wizard_.StoreOptions(); }

QPushButton* TFcd::Button(const char* name, const char* caption) {
    auto* b = new QPushButton(Q(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    // "+", "-" and "..." are small buttons beside what they act on.
    if (std::string_view(caption).size() <= 3) b->setMaximumWidth(40);
    controls_.push_back(b);
    return b;
}

// --- showing --------------------------------------------------------------------------

void TFcd::ShowSettings() {
    showing_ = true;
    const TCdSettings& s = wizard_.Settings();
    for (int i = 0; i < kPersonalCount; ++i) personal_[i]->setText(Q(s.personal[i]));
    imgSetup_->setChecked(s.imgSetupCB);
    imgLett_->setChecked(s.imgLettCB);
    licenza_->setChecked(s.licenzaCB);
    leggimi_->setChecked(s.leggimiCB);
    defdir_->setText(Q(s.defdir));
    title_->setText(Q(s.title));
    group_->setText(Q(s.group));
    lancia_->setText(Q(s.lancia));
    dest_->setText(Q(s.destPath));
    test_->setVisible(wizard_.TestVisible());
    setWindowTitle(Q(wizard_.Caption()));
    showing_ = false;
    ShowGroups();
    ShowEntries();
}

void TFcd::ShowGroups() {
    showing_ = true;
    groups_->clear();
    for (const std::string& g : wizard_.Settings().groups) groups_->addItem(Q(g));
    groups_->setCurrentIndex(wizard_.CurrentGroup());
    showing_ = false;
}

void TFcd::ShowEntries() {
    list_->setUpdatesEnabled(false);
    list_->clear();
    QList<QTreeWidgetItem*> items;
    const auto& entries = wizard_.Settings().entries;
    for (std::size_t i : wizard_.ShownEntries()) {
        auto* item = new QTreeWidgetItem({Q(entries[i].installPath), Q(entries[i].sourcePath)});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
        items.push_back(item);
    }
    list_->addTopLevelItems(items);
    list_->setUpdatesEnabled(true);
    if (groups_->currentIndex() != wizard_.CurrentGroup()) ShowGroups();
}

std::vector<std::pair<std::string, std::string>> TFcd::ShownRows() const {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int r = 0; r < list_->topLevelItemCount(); ++r)
        rows.emplace_back(U(list_->topLevelItem(r)->text(0)), U(list_->topLevelItem(r)->text(1)));
    return rows;
}

void TFcd::CaptionChanged(const std::string& caption) { setWindowTitle(Q(caption)); }

void TFcd::TestVisibleChanged(bool visible) { test_->setVisible(visible); }

// --- long work -------------------------------------------------------------------------

bool TFcd::Progress(const std::string& what, std::size_t done, std::size_t total) {
    // The window answers (and Stop can be pressed) a few times a second,
    // without slowing the work down for every file.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastEvents_ >= std::chrono::milliseconds(40)) {
        lastEvents_ = now;
        progress_->setRange(0, total > 0 ? static_cast<int>(std::min<std::size_t>(total, INT32_MAX)) : 0);
        if (total > 0) progress_->setValue(static_cast<int>(std::min(done, total)));
        progressText_->setText(total > 0 ? Q(what) : Q(std::to_string(done) + " file: " + what));
        QCoreApplication::processEvents();
    }
    return !stop_;
}

void TFcd::WorkChanged(bool working) {
    stop_ = false;
    lastEvents_ = {};
    for (QWidget* w : controls_) w->setEnabled(!working);
    progress_->setVisible(working);
    progressText_->setVisible(working);
    stopButton_->setVisible(working);
    stopButton_->setEnabled(true);
    if (!working) progressText_->clear();
}

void TFcd::closeEvent(QCloseEvent* e) {
    if (wizard_.Working()) {
        stop_ = true;  // the work ends first; closing is asked again after
        e->ignore();
        return;
    }
    if (!wizard_.CanClose()) {
        e->ignore();
        return;
    }
    wizard_.StoreOptions();
    e->accept();
}

void TFcd::reject() { close(); }

// --- commands ----------------------------------------------------------------------------

void TFcd::DropPaths(const std::vector<fs::path>& paths) { wizard_.AddPaths(paths); }

std::optional<fs::path> TFcd::ChooseSettingsFile(bool save, const fs::path& start) {
    shell::TFileRequest r;
    r.kind = save ? shell::TFileRequest::Save : shell::TFileRequest::Open;
    r.caption = save ? "Salva impostazioni" : "Carica impostazioni";
    r.folder = start;
    r.suggested = wizard_.SettingsFile().empty() ? std::string("Senza titolo.wzz") : wizard_.SettingsFile().filename().string();
    r.filter = kSettingsFilter;
    const auto a = shell::ui::ChooseFile(this, r);
    if (!a || a->file.empty()) return std::nullopt;
    return a->file;
}

void TFcd::IncludeFiles() {
    const fs::path start = currentHypertext_ && !currentHypertext_().empty() ? currentHypertext_().parent_path() : fs::path();
    std::vector<fs::path> files;
    if (FilesChooser()) {
        files = FilesChooser()(this, start);
    } else {
        QFileDialog dlg(this, QStringLiteral("Includi"), QString::fromStdString(start.string()));
        dlg.setFileMode(QFileDialog::ExistingFiles);
        if (dlg.exec() == QDialog::Accepted)
            for (const QString& f : dlg.selectedFiles()) files.emplace_back(f.toStdString());
    }
    if (!files.empty()) wizard_.AddPaths(files);
}

void TFcd::IncludeFolder() {
    shell::TFileRequest r;
    r.kind = shell::TFileRequest::Folder;
    r.caption = "Includi cartella";
    if (const auto a = shell::ui::ChooseFile(this, r); a && !a->file.empty()) wizard_.AddPaths({a->file});
}

void TFcd::RemoveSelected() {
    std::vector<std::size_t> indices;
    for (QTreeWidgetItem* item : list_->selectedItems())
        indices.push_back(static_cast<std::size_t>(item->data(0, Qt::UserRole).toULongLong()));
    if (!indices.empty()) wizard_.RemoveEntries(indices);
}

void TFcd::ChoosePersonal(int which) {
    shell::TFileRequest r;
    r.kind = shell::TFileRequest::Open;
    r.caption = std::string(kPersonalCaptions[which]);
    if (!r.caption.empty() && r.caption.back() == ':') r.caption.pop_back();
    const std::string& current = wizard_.Settings().personal[which];
    r.folder = current.empty() ? wizard_.Utils() : fs::path(current).parent_path();
    r.filter = which >= kSetupImg ? "Immagini (*.bmp *.gif *.jpg *.png);;Tutti i file (*)" : "Testi (*.txt);;Tutti i file (*)";
    if (const auto a = shell::ui::ChooseFile(this, r); a && !a->file.empty()) {
        wizard_.Settings().personal[which] = a->file.string();
        personal_[which]->setText(Q(a->file.string()));
    }
}

void TFcd::ChooseDestination() {
    shell::TFileRequest r;
    r.kind = shell::TFileRequest::Folder;
    r.caption = "Cartella di destinazione";
    r.folder = wizard_.Settings().destPath;
    if (const auto a = shell::ui::ChooseFile(this, r); a && !a->file.empty()) {
        wizard_.Settings().destPath = WithTrailingSlash(a->file.string());
        dest_->setText(Q(wizard_.Settings().destPath));
    }
}

void TFcd::RunTest() {
    const fs::path target = wizard_.TestTarget();
    if (target.empty()) return;
    const bool started = Launcher() ? Launcher()(target)
                                    : QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(target.string())});
    if (!started) platform::ui().Error("Impossibile aprire " + target.string() + " (xdg-open).");
}

// --- the main window's command -------------------------------------------------------------

bool OpenFcd(QWidget* parent, shell::TMainDocument& document, const fs::path& settings) {
    static QPointer<TFcd> window;
    if (!window) {
        window = new TFcd(document.Paths().dataFolder / "Utils", [&document] { return document.DocumentName(); }, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!settings.empty() && !window->Wizard().Working()) window->Wizard().Load(settings);
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

void RegisterFcd() { shell::ui::RegisterWindow("TFcd", OpenFcd); }

}  // namespace cdrom::ui
