#include "shell/ui/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <system_error>

#include "convert/html/NYXtoHtml.h"
#include "richtext/Clipboard.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/UndoDropDown.h"
#include "model/NYXoggetto.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/Languager.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/QtLocalizableOwner.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace shell::ui {

const char* const kAppTitle = "Quor";

namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
QString QFromCp(std::string_view cp1252) { return Q(text::Cp1252ToUtf8(cp1252)); }

std::string FormsKey() { return std::string(shell::kProgramKey) + "forms\\TMainForm"; }
std::string ToolbarKey() { return std::string(shell::kProgramKey) + "toolbar"; }

// The command map: menu, object name, caption, shortcut. Commands of the
// parts built elsewhere stay disabled until those parts enable them.
struct TCommandDef {
    const char* menu;
    const char* name;
    const char* caption;
    const char* shortcut;
};

const TCommandDef kCommands[] = {
    {"mnFile", "actNuovoIpertesto", "&Nuovo ipertesto", "Ctrl+N"},
    {"mnFile", "actNuovoDa", "N&uovo da...", ""},
    {"mnFile", "actApri", "&Apri...", "Ctrl+F12"},
    {"mnFile", "actImportaPagine", "&Importa/apri pagine...", ""},
    {"mnFile", "actAggiungiPagina", "Aggiungi nuova pagina", ""},
    {"mnFile", "actTrovaFile", "&Trova file...", "Ctrl+F10"},
    {"mnFile", "-", "", ""},
    {"mnFile", "actSalvaTutto", "&Salva tutto", "Ctrl+S"},
    {"mnFile", "actSalvaConNome", "Salva &con nome...", ""},
    {"mnFile", "actSalvaModello", "Salva come mo&dello...", ""},
    {"mnFile", "-", "", ""},
    {"mnFile", "actEsportaPagine", "Esp&orta pagine...", "Ctrl+E"},
    {"mnFile", "-", "", ""},
    {"mnFile", "actImpostaStampante", "I&mposta stampante...", ""},
    {"mnFile", "actImpostaMargini", "Imposta mar&gini...", ""},
    {"mnFile", "actStampa", "Stam&pa...", ""},
    {"mnFile", "actStampaPagina", "Stampa pagina corrente", ""},
    {"mnFile", "actStampaTutte", "Stampa tutte", ""},
    {"mnModifica", "actUndo", "&Undo", "Alt+Backspace"},
    {"mnModifica", "actRedo", "&Redo", "Ctrl+Y"},  // and Ctrl+Shift+Z
    {"mnModifica", "-", "", ""},
    {"mnModifica", "actTaglia", "&Taglia", "Shift+Del"},
    {"mnModifica", "actCopia", "&Copia", "Ctrl+Ins"},
    {"mnModifica", "actIncolla", "&Incolla", "Shift+Ins"},
    {"mnModifica", "-", "", ""},
    {"mnModifica", "actSelezionaTutto", "&Seleziona tutto", "Ctrl+F2"},
    {"mnCerca", "actCerca", "&Cerca...", "Ctrl+F"},
    {"mnCerca", "actSostituisci", "Cerca / &Sostituisci...", "Ctrl+R"},
    {"mnCerca", "actRipetiPagina", "&Ripeti ultima ricerca nella pagina", "F3"},
    {"mnCerca", "actRipetiIpertesto", "Ripeti nell'&ipertesto", "F4"},
    {"mnCerca", "actCercaParola", "Cerca per parola c&hiave...", "Ctrl+F3"},
    {"mnCerca", "actCercaOperatori", "Cerca con &operatori...", ""},
    {"mnInserisci", "actSimbolo", "&Simbolo...", "Shift+F2"},
    {"mnInserisci", "actImmagine", "&Immagine/mappa...", "Ctrl+I"},
    {"mnInserisci", "actTabella", "&Tabella...", "Ctrl+T"},
    {"mnInserisci", "actAutoreferente", "Collegamento autore&ferente", "Shift+F6"},
    {"mnInserisci", "actNuovaPagina", "&Nuova pagina...", "Ctrl+Shift+N"},
    {"mnInserisci", "actAncora", "Anco&ra", "Shift+F5"},
    {"mnInserisci", "actCollegamento", "Co&llegamento...", "Ctrl+F5"},
    {"mnInserisci", "actCollegamentoSpeciale", "&Collegamento speciale...", "F5"},
    {"mnFormato", "actSegui", "Segui colle&gamento (doppio clic)...", "F9"},
    {"mnFormato", "actProprietaPagina", "&Proprietà pagina...", "Ctrl+F11"},
    {"mnIpertesto", "actSoloLettura", "Solo &lettura", "F11"},
    {"mnIpertesto", "-", "", ""},
    {"mnIpertesto", "actPaginaPiu", "Pagina +1", "Ctrl+="},
    {"mnIpertesto", "actPaginaMeno", "Pagina -1", "Ctrl+-"},
    {"mnIpertesto", "actPaginaPrecedente", "P&agina precedente", ""},
    {"mnIpertesto", "actPaginaSeguente", "Pagi&na seguente", ""},
    {"mnIpertesto", "actOrdinePagine", "&Ordine predefinito pagine...", ""},
    {"mnIpertesto", "-", "", ""},
    {"mnIpertesto", "actRicerche", "&Ricerche ipertestuali...", ""},
    {"mnIpertesto", "actEsplorazione", "&Esplorazione dei collegamenti...", ""},
    {"mnIpertesto", "actAlbum", "&Album immagini - files - pagine e cancellazioni...", "F12"},
    // Ctrl+F12 belongs to "Apri...": a shortcut given to two actions fires neither.
    {"mnIpertesto", "actTutteLePagine", "Tutte le pagine dell'&ipertesto...", ""},
    {"mnIpertesto", "actProprietaIpertesto", "&Proprietà dell'ipertesto corrente...", ""},
    {"mnPubblica", "actPubblicaFtp", "&Pubblica ipertesto in rete...", "Ctrl+P"},
    {"mnPubblica", "actPubblicaPaginaFtp", "Pubblica pa&gina corrente in rete...", ""},
    {"mnPubblica", "actFtpGenerico", "&FTP generico...", ""},
    {"mnPubblica", "actConfigurazioniFtp", "&Configurazioni...", ""},
    {"mnPubblica", "actNyxFtp", "Trasferisci NYX tramite FTP...", ""},
    {"mnPubblica", "-", "", ""},
    {"mnPubblica", "actPubblicaServer", "&Pubblica ipertesto in rete...", ""},
    {"mnPubblica", "actPrendiServer", "P&rendi ipertesto dalla rete...", ""},
    {"mnPubblica", "actConfigurazioneServer", "C&onfigurazione...", ""},
    {"mnPubblica", "actCambiaPassword", "Cambia pass&word..", ""},
    {"mnPubblica", "-", "", ""},
    {"mnPubblica", "actEsportaPagine2", "&Esporta pagine...", ""},
    {"mnPubblica", "actEsportaHtml", "Esporta &Html...", ""},
    {"mnPubblica", "actEsportaWinHelp", "Esporta &WinHelp...", ""},
    {"mnPubblica", "actCdRom", "&Cd-Rom...", ""},
    {"mnPubblica", "-", "", ""},
    {"mnPubblica", "actPaginaInBrowser", "&Corrente pagina in browser di default", "Ctrl+A"},
    {"mnStrumenti", "actOrtografiaPagina", "&Controllo ortografia pagina...", "F7"},
    {"mnStrumenti", "actOrtografiaIpertesto", "Controllo ortografia &ipertesto...", "Ctrl+F7"},
    {"mnStrumenti", "-", "", ""},
    {"mnStrumenti", "actFinestre", "&Finestre...", "Alt+0"},
    {"mnStrumenti", "actOpzioni", "&Opzioni del programma...", ""},
    {"mnAiuto", "actSuggerimenti", "&Suggerimenti...", ""},
    {"mnAiuto", "actInformazioni", "&Informazioni su Quor...", ""},
};

struct TMenuDef {
    const char* name;
    const char* caption;
};
const TMenuDef kMenus[] = {
    {"mnFile", "&File"},         {"mnModifica", "&Modifica"},   {"mnCerca", "&Cerca"},
    {"mnCornice", "C&ornice libera"}, {"mnBottone", "&Bottone"}, {"mnImmagine", "&Immagine"},
    {"mnInserisci", "&Inserisci"}, {"mnTabella", "T&abella"},   {"mnFormato", "Fo&rmato"},
    {"mnIpertesto", "Iper&testo"}, {"mnPubblica", "&Pubblica"}, {"mnStrumenti", "&Strumenti"},
    {"mnAiuto", "&?"},
};

// Commands whose work is done here; every other one is disabled.
const char* const kDocumentCommands[] = {"actNuovoIpertesto", "actNuovoDa", "actApri", "actTrovaFile",
                                         "actSalvaTutto", "actSalvaConNome", "actSalvaModello"};

bool IsPicture(const std::string& ext) {
    for (const char* e : {".gif", ".jpg", ".jpeg", ".wmf", ".emf", ".bmp", ".png", ".ico"})
        if (ext == e) return true;
    return false;
}
bool IsImportable(const std::string& ext) {
    for (const char* e : {".txt", ".ini", ".asc", ".rtf", ".doc", ".wri", ".htm", ".html"})
        if (ext == e) return true;
    return false;
}
std::string LowerExt(const fs::path& f) { return text::Lower(f.extension().string()); }

}  // namespace

// Disables the menus, the toolbar and dropping while a document operation
// runs: the event rounds processed during loading must not start another.
class TMainForm::TBusyScope {
public:
    explicit TBusyScope(TMainForm& f) : f_(f) {
        if (f_.busy_++ == 0) {
            f_.menuBar()->setEnabled(false);
            if (f_.toolbar_) f_.toolbar_->setEnabled(false);
            for (auto& [name, a] : f_.actions_) a->setProperty("quorWasEnabled", a->isEnabled()), a->setEnabled(false);
            for (QAction* a : f_.recentActions_) a->setEnabled(false);
        }
    }
    ~TBusyScope() {
        if (--f_.busy_ == 0) {
            f_.menuBar()->setEnabled(true);
            if (f_.toolbar_) f_.toolbar_->setEnabled(true);
            for (auto& [name, a] : f_.actions_) a->setEnabled(a->property("quorWasEnabled").toBool());
            for (QAction* a : f_.recentActions_) a->setEnabled(true);
        }
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    TMainForm& f_;
};

TMainForm::TMainForm(TProgramPaths paths, QWidget* parent) : QMainWindow(parent), paths_(std::move(paths)) {
    setObjectName(QStringLiteral("TMainForm"));
    resize(900, 640);
    auto* split = new QSplitter(this);
    split->setObjectName(QStringLiteral("spCentrale"));
    pages_ = new QListWidget(split);
    pages_->setObjectName(QStringLiteral("lvPagine"));
    // The selected page, laid out as it will look.
    pageView_ = new richtext::ui::TNYXpageView(split);
    pageView_->setObjectName(QStringLiteral("mePagina"));
    split->addWidget(pages_);
    split->addWidget(pageView_);
    split->setStretchFactor(1, 3);
    setCentralWidget(split);
    connect(pages_, &QListWidget::currentRowChanged, this, [this](int row) { ShowPage(row); });
    undo_ = std::make_unique<richtext::TNYXundoList>(&doc_);
    pageView_->SetUndoList(undo_.get());
    pageView_->onEdited = [this] { UpdateEditCommands(); };
    pageView_->onSelectionChanged = [this] { UpdateEditCommands(); };
    pageView_->onLinkHint = [this](std::int32_t key) -> std::string {
        const model::TNYXoggetto* link = pageView_->LinkRecord(key);
        if (!link) return {};
        if (link->Type() == model::speclink && link->Subtype() == 1)
            if (const model::TNYXoggetto* page = doc_.ObjectByRef(link->Int(13)); page && !page->IsEmpty())
                return platform::text::Cp1252ToUtf8(page->DescriptionTitle());
        return platform::text::Cp1252ToUtf8(link->Description());
    };
    // Later: showing another page replaces the box whose handler is running.
    pageView_->onFollowLink = [this](std::int32_t key) {
        QTimer::singleShot(0, this, [this, key] { FollowLink(key); });
    };
    undoDrop_ = new richtext::ui::TUndoDropDown(this);
    undoDrop_->onClosed = [this](std::size_t steps) {
        undo_->SetBusy(false);
        if (steps > 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            pageView_->Undo(steps);
            QApplication::restoreOverrideCursor();
        }
        UpdateEditCommands();
        pageView_->setFocus();
    };
    redoDrop_ = new richtext::ui::TUndoDropDown(this);
    redoDrop_->setObjectName(QStringLiteral("lbRedo"));
    redoDrop_->onClosed = [this](std::size_t steps) {
        undo_->SetBusy(false);
        if (steps > 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            pageView_->Redo(steps);
            QApplication::restoreOverrideCursor();
        }
        UpdateEditCommands();
        pageView_->setFocus();
    };
    // What the clipboard offers is asked when it changes, not at every keystroke.
    auto readClipboard = [this] {
        const QMimeData* clip = QApplication::clipboard()->mimeData();
        clipboardPastable_ =
            clip && (clip->hasText() || clip->hasFormat(QString::fromLatin1(richtext::kClipboardMime)));
    };
    readClipboard();
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this, readClipboard] {
        readClipboard();
        UpdateEditCommands();
    });
    statusBar()->setObjectName(QStringLiteral("sbStato"));

    BuildCommands();
    ApplyLanguage();
    RestorePlacement();

    shell::TOptionsStore& o = shell::options();
    shell::EnsureDefaultNetConfigurations(o);
    recent_.Assign(shell::ReadRecentFiles(o));
    BuildRecentMenu();

    timerSave_.setObjectName(QStringLiteral("TimerSave"));
    connect(&timerSave_, &QTimer::timeout, this, [this] { SaveReminderFired(); });
    timerNextAction_.setObjectName(QStringLiteral("TimerNextAction"));
    timerNextAction_.setSingleShot(true);
    timerNextAction_.setInterval(300);
    connect(&timerNextAction_, &QTimer::timeout, this, [this] { TimerNextActionFired(); });

    doc_.AttachView(this);
    doc_.onAfterNew.push_back([this] { ShowPages(); });
    shell::ApplyOptions(o, *this);
    SetCaption({});
    doc_.NewHypertext();
    UpdateEditCommands();
}

TMainForm::~TMainForm() {
    StoreOptions();
    doc_.DetachView(this);
    // The page view outlives the members: it lets go of the undo list first.
    pageView_->SetUndoList(nullptr);
}

QAction* TMainForm::Command(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

std::vector<QAction*> TMainForm::Commands() const {
    std::vector<QAction*> out;
    for (const auto& [n, a] : actions_) out.push_back(a);
    return out;
}

void TMainForm::BuildCommands() {
    std::map<std::string, QMenu*> menus;
    for (const TMenuDef& m : kMenus) {
        QMenu* menu = menuBar()->addMenu(Q(m.caption));
        menu->setObjectName(Q(m.name));
        menus[m.name] = menu;
    }
    // The object menus fill in when an object of their kind is selected.
    for (const char* n : {"mnCornice", "mnBottone", "mnImmagine", "mnTabella"}) menus[n]->setEnabled(false);
    fileMenu_ = menus["mnFile"];
    publishMenu_ = menus["mnPubblica"];

    const std::map<std::string, std::function<void()>> handlers = {
        {"actNuovoIpertesto", [this] { NewDocument(); }},
        {"actNuovoDa", [this] { NewFromModel(); }},
        {"actApri", [this] { ChooseAndOpen("Apri", false); }},
        {"actTrovaFile", [this] { ChooseAndOpen("Trova file", true); }},
        {"actSalvaTutto", [this] { SaveAll(); }},
        {"actSalvaConNome", [this] { SaveAs(); }},
        {"actSalvaModello", [this] { SaveAsTemplate(); }},
        {"actProprietaIpertesto", [this] { ShowPropertiesDialog(); }},
        {"actFinestre", [this] { ShowWindowsDialog(); }},
        {"actOpzioni", [this] { ShowOptionsDialog(); }},
        {"actEsportaPagine", [this] { ExportHtml(); }},
        {"actEsportaPagine2", [this] { ExportHtml(); }},
        {"actEsportaHtml", [this] { ExportHtml(); }},
        {"actPaginaInBrowser", [this] { ShowCurrentPageInBrowser(); }},
        {"actSuggerimenti", [this] { ShowTips(); }},
        {"actUndo", [this] {
             pageView_->Undo(1);
             UpdateEditCommands();
         }},
        {"actRedo", [this] {
             pageView_->Redo(1);
             UpdateEditCommands();
         }},
        {"actTaglia", [this] { pageView_->Cut(); }},
        {"actCopia", [this] { pageView_->Copy(); }},
        {"actIncolla", [this] { pageView_->Paste(); }},
        {"actSelezionaTutto", [this] { pageView_->SelectAll(); }},
        {"actSoloLettura", [this] {
             // View mode: the page as a reader sees it (no caret, clicks follow links).
             pageView_->SetViewMode(Command("actSoloLettura")->isChecked());
             UpdateEditCommands();
         }},
        {"actSegui", [this] {
             const std::int32_t key = pageView_->LinkAt(pageView_->Box().caret);
             if (key != -1) FollowLink(key);
         }},
        {"actInformazioni", [this] { ShowAbout(); }},
    };
    for (const TCommandDef& c : kCommands) {
        QMenu* menu = menus[c.menu];
        if (std::string_view(c.name) == "-") {
            menu->addSeparator();
            continue;
        }
        auto* a = new QAction(Q(c.caption), this);
        a->setObjectName(Q(c.name));
        if (*c.shortcut) a->setShortcut(QKeySequence::fromString(Q(c.shortcut), QKeySequence::PortableText));
        auto h = handlers.find(c.name);
        if (h != handlers.end()) {
            auto fn = h->second;
            connect(a, &QAction::triggered, this, [this, fn] {
                if (busy_ == 0) fn();
            });
        } else {
            a->setEnabled(false);
        }
        menu->addAction(a);
        actions_[c.name] = a;
    }
    actions_["actSoloLettura"]->setCheckable(true);
    actions_["actRedo"]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    recentSeparator_ = fileMenu_->addSeparator();
    exitAction_ = new QAction(QStringLiteral("&Esci"), this);
    exitAction_->setObjectName(QStringLiteral("actEsci"));
    exitAction_->setShortcut(QKeySequence(QStringLiteral("Alt+X")));
    connect(exitAction_, &QAction::triggered, this, [this] {
        if (busy_ == 0) close();
    });
    exitSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);
    actions_["actEsci"] = exitAction_;

    toolbar_ = addToolBar(QStringLiteral("Standard"));
    toolbar_->setObjectName(QStringLiteral("tbStandard"));
    for (const char* n : {"actNuovoIpertesto", "actApri", "actSalvaTutto"}) toolbar_->addAction(actions_[n]);
    toolbar_->addSeparator();
    toolbar_->addAction(actions_["actUndo"]);
    // The arrow beside Undo opens the list of steps.
    auto* undoList = new QToolButton(toolbar_);
    undoList->setObjectName(QStringLiteral("tbUndoLista"));
    undoList->setArrowType(Qt::DownArrow);
    undoList->setToolTip(QStringLiteral("Annulla più operazioni"));
    undoList->setAutoRaise(true);
    toolbar_->addWidget(undoList)->setObjectName(QStringLiteral("actUndoLista"));
    connect(undoList, &QToolButton::clicked, this, [this] {
        if (busy_ == 0) OpenUndoList();
    });
    toolbar_->addAction(actions_["actRedo"]);
    auto* redoList = new QToolButton(toolbar_);
    redoList->setObjectName(QStringLiteral("tbRedoLista"));
    redoList->setArrowType(Qt::DownArrow);
    redoList->setToolTip(QStringLiteral("Ripristina più operazioni"));
    redoList->setAutoRaise(true);
    toolbar_->addWidget(redoList)->setObjectName(QStringLiteral("actRedoLista"));
    connect(redoList, &QToolButton::clicked, this, [this] {
        if (busy_ == 0) OpenRedoList();
    });
    for (const char* n : {"actTaglia", "actCopia", "actIncolla"}) toolbar_->addAction(actions_[n]);

    // Character styles: the selection's, or the next typed characters'.
    formatBar_ = addToolBar(QStringLiteral("Formato"));
    formatBar_->setObjectName(QStringLiteral("tbFormato"));
    struct StyleDef {
        const char* name;
        const char* caption;
        const char* tip;
        std::uint8_t bit;
    };
    for (const StyleDef& d : {StyleDef{"actGrassetto", "G", "Grassetto", richtext::kBold},
                              StyleDef{"actCorsivo", "C", "Corsivo", richtext::kItalic},
                              StyleDef{"actSottolineato", "S", "Sottolineato", richtext::kUnderline}}) {
        auto* a = new QAction(Q(d.caption), this);
        a->setObjectName(Q(d.name));
        a->setToolTip(Q(d.tip));
        a->setCheckable(true);
        QFont f = a->font();
        f.setBold(d.bit == richtext::kBold);
        f.setItalic(d.bit == richtext::kItalic);
        f.setUnderline(d.bit == richtext::kUnderline);
        a->setFont(f);
        const std::uint8_t bit = d.bit;
        connect(a, &QAction::triggered, this, [this, bit] {
            if (busy_ != 0) return;
            pageView_->ToggleStyle(bit);
            UpdateEditCommands();
        });
        formatBar_->addAction(a);
        actions_[d.name] = a;
    }
}

void TMainForm::BuildRecentMenu() {
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    for (const std::string& f : recent_.Files()) {
        auto* a = new QAction(Q(f), this);
        a->setObjectName(QStringLiteral("actRecente"));
        const fs::path file(f);
        connect(a, &QAction::triggered, this, [this, file] {
            if (busy_ == 0) OpenDocument(file, true);
        });
        fileMenu_->insertAction(exitSeparator_, a);
        recentActions_.push_back(a);
    }
    recentSeparator_->setVisible(!recentActions_.empty());
}

void TMainForm::ApplyLanguage() {
    const fs::path file = shell::LocalizationFileFor(paths_.dataFolder, "TMainForm");
    std::error_code ec;
    if (!fs::exists(file, ec)) return;
    TQtLocalizableOwner owner(this);
    shell::TKyLanguager lang(owner);
    lang.LoadLocalizationFile(file);
}

void TMainForm::RestorePlacement() {
    shell::TOptionsStore& o = shell::options();
    if (auto g = o.ReadKey(FormsKey(), "geometry"); g && !g->empty())
        restoreGeometry(QByteArray::fromHex(QByteArray::fromStdString(*g)));
    if (shell::ReadProgramOptions(o).restoreToolbars) {
        if (auto s = o.ReadKey(ToolbarKey(), "state"); s && !s->empty())
            restoreState(QByteArray::fromHex(QByteArray::fromStdString(*s)));
    }
}

void TMainForm::StoreOptions() {
    if (optionsStored_) return;
    optionsStored_ = true;
    shell::TOptionsStore& o = shell::options();
    o.BeginUpdate();
    shell::WriteRecentFiles(o, recent_.Files());
    std::error_code ec;
    if (!lastDocument_.empty() && fs::exists(lastDocument_, ec))
        o.WriteOption("LastFile", text::Utf8ToCp1252(lastDocument_.string()));
    o.WriteKey(FormsKey(), "geometry", saveGeometry().toHex().toStdString());
    o.WriteKey(ToolbarKey(), "state", saveState().toHex().toStdString());
    o.EndUpdate();
}

// --- start-up -------------------------------------------------------------------

void TMainForm::OpenLibrary() {
    const shell::TProgramOptions opts = shell::ReadProgramOptions(shell::options());
    libraryFile_ = shell::DefaultLibraryFile(opts.defaultLib, paths_.userFolder);
    std::error_code ec;
    if (!fs::exists(libraryFile_, ec)) {
        fs::create_directories(libraryFile_.parent_path(), ec);
        // The shipped library is the user's first one.
        if (libraryFile_ == paths_.userFolder / "Custom" / "default.cus" && fs::exists(paths_.ShippedLibrary(), ec))
            fs::copy_file(paths_.ShippedLibrary(), libraryFile_, ec);
    }
    if (fs::exists(libraryFile_, ec) && library_.LoadFromFile(libraryFile_)) return;
    if (fs::exists(libraryFile_, ec)) return;  // unreadable: reported, kept as it is
    library_.NewHypertext();
    library_.SaveToFile(libraryFile_, 2);
}

void TMainForm::Start(const TStartCommand& command) {
    OpenLibrary();
    setAcceptDrops(true);
    if (command.init) RunInstallationSetup();
    nextAction_ = command.action;
    std::error_code ec;
    if (!command.file.empty() && fs::is_regular_file(fs::path(command.file), ec))
        OpenDocument(fs::path(command.file), false);
    else
        DefaultStart();
    timerNextAction_.start();
}

void TMainForm::DefaultStart() {
    const shell::TProgramOptions opts = shell::ReadProgramOptions(shell::options());
    const fs::path last(text::Cp1252ToUtf8(opts.lastFile));
    std::error_code ec;
    if (!opts.lastFile.empty() && !opts.atStartBlank && fs::is_regular_file(last, ec) && OpenDocument(last, false))
        return;
    NewDocumentNoAsk();
}

void TMainForm::RunInstallationSetup() {
    shell::WriteInstallationDefaults(shell::options());
    const fs::path apps = UserApplicationsFolder();
    std::error_code ec;
    fs::create_directories(apps, ec);
    if (!fs::is_directory(apps, ec)) {
        platform::ui().Information("PM: No set link!");
        return;
    }
    const fs::path exe = QCoreApplication::applicationFilePath().isEmpty()
                             ? paths_.programFolder / "quor"
                             : fs::path(QCoreApplication::applicationFilePath().toStdString());
    if (WriteDesktopEntry(exe, apps).empty()) platform::ui().Warning("PM error 2");
}

void TMainForm::TimerNextActionFired() {
    auto trigger = [this](const char* name) {
        QAction* a = Command(name);
        if (a && a->isEnabled()) a->trigger();
    };
    switch (nextAction_) {
        case TNextAction::Normal: pages_->setFocus(); break;
        case TNextAction::Print: trigger("actStampa"); break;
        case TNextAction::PublishServer: trigger("actPubblicaServer"); break;
        case TNextAction::PublishFtp: trigger("actPubblicaFtp"); break;
    }
    if (onStarted) onStarted();
}

// --- document commands ----------------------------------------------------------

std::string TMainForm::DocumentTitle() const {
    return documentName_.empty() ? std::string("Senza titolo") : documentName_.string();
}

void TMainForm::SetCaption(const fs::path& file) {
    if (file.empty())
        setWindowTitle(Q(std::string("Senza titolo - ") + kAppTitle));
    else
        setWindowTitle(Q(CaptionFor(file, paths_.examplesFolder, kAppTitle)));
}

bool TMainForm::AskSaveChanges() {
    // Edits of the page shown count as changes before they are stored.
    if (!doc_.Modified() && !pageView_->Edited()) return true;
    switch (platform::ui().AskYesNoCancel("Salvo le modifiche fatte a " + DocumentTitle() + "?")) {
        case platform::Answer::Cancel: return false;
        case platform::Answer::No: return true;
        case platform::Answer::Yes: return SaveAll();
    }
    return false;
}

void TMainForm::NewDocumentNoAsk() {
    TBusyScope busy(*this);
    documentName_.clear();
    SetCaption({});
    doc_.NewHypertext();
}

bool TMainForm::NewDocument() {
    if (busy_ || !AskSaveChanges()) return false;
    NewDocumentNoAsk();
    return true;
}

bool TMainForm::NewFromModel() {
    if (busy_) return false;
    std::error_code ec;
    fs::create_directories(paths_.TemplatesFolder(), ec);
    TFileRequest r;
    r.kind = TFileRequest::Open;
    r.caption = "Nuovo da...";
    r.folder = paths_.TemplatesFolder();
    r.filter = "Modelli di ipertesto (*.nyx)";
    const auto model = ChooseFile(this, r);
    if (!AskSaveChanges()) return false;
    if (model && !model->file.empty()) return OpenNative(model->file, true);
    NewDocumentNoAsk();
    return true;
}

void TMainForm::ChooseAndOpen(const char* caption, bool anyFile) {
    TFileRequest r;
    r.kind = TFileRequest::Open;
    r.caption = caption;
    r.folder = documentName_.empty() ? paths_.examplesFolder : documentName_.parent_path();
    r.filter = anyFile ? "Tutti i file (*)" : "Ipertesti Quor (*.nyx);;Librerie di prototipi (*.cus);;Tutti i file (*)";
    if (auto a = ChooseFile(this, r)) OpenDocument(a->file, true);
}

bool TMainForm::OpenDocument(const fs::path& given, bool ask) {
    if (busy_) return false;
    std::error_code ec;
    const fs::path file = given.empty() ? given : fs::absolute(given, ec).lexically_normal();
    const std::string ext = LowerExt(file);
    if (ext == ".nyx") {
        if (ask && !AskSaveChanges()) return false;
        return OpenNative(file, false);
    }
    if (ext == ".cus") {
        TBusyScope busy(*this);
        if (!library_.LoadFromFile(file)) return false;
        libraryFile_ = file;
        statusBar()->showMessage(Q("Libreria di prototipi: " + file.string()), 5000);
        return true;
    }
    // CD-ROM settings, pictures and the importable formats are handled by
    // their own windows; until those exist nothing is opened.
    if (ext == ".wzz" || IsPicture(ext) || IsImportable(ext)) return false;
    return false;
}

bool TMainForm::OpenNative(const fs::path& file, bool asNew) {
    if (busy_) return false;
    TBusyScope busy(*this);
    platform::ui().ProcessEvents(25);
    // The document becomes untitled first: should loading fail, no later
    // "Salva tutto" can write an empty hypertext over the file.
    documentName_.clear();
    doc_.NewHypertext();
    const bool ok = doc_.LoadFromFile(file);
    if (!ok || doc_.NYXFileName() != file) {
        RemoveRecent(file);
        documentName_.clear();
        SetCaption({});
        return false;
    }
    if (asNew) {
        documentName_.clear();
        SetCaption({});
    } else {
        documentName_ = file;
        SetCaption(file);
        AddRecent(file);
        lastDocument_ = file;
    }
    ShowPages();
    return true;
}

bool TMainForm::SaveAll() {
    if (busy_) return false;
    if (documentName_.empty()) return SaveAs();
    return SaveDocument(documentName_, 1, true, false);
}

bool TMainForm::SaveAs() {
    if (busy_) return false;
    TFileRequest r;
    r.kind = TFileRequest::Save;
    r.caption = "Salva con nome";
    r.folder = documentName_.empty() ? paths_.userFolder : documentName_.parent_path();
    r.suggested = documentName_.empty() ? std::string("Senza titolo") : documentName_.stem().string();
    r.filter = "Ipertesti Quor (*.nyx)";
    const auto a = ChooseFile(this, r);
    if (!a || a->file.empty()) return false;
    fs::path f = a->file;
    if (f.extension().empty()) f += ".nyx";
    doc_.SetExpPrefix(PrefixForFile(f));
    return SaveDocument(f, a->type, true, false);
}

bool TMainForm::SaveAsTemplate() {
    if (busy_) return false;
    std::error_code ec;
    fs::create_directories(paths_.TemplatesFolder(), ec);
    TFileRequest r;
    r.kind = TFileRequest::Save;
    r.caption = "Salva come modello";
    r.folder = paths_.TemplatesFolder();
    r.suggested = documentName_.empty() ? std::string("Senza titolo1.nyx") : documentName_.filename().string();
    r.filter = "Modelli di ipertesto (*.nyx)";
    const auto a = ChooseFile(this, r);
    if (!a || a->file.empty()) return false;
    fs::path f = a->file;
    if (f.extension().empty()) f += ".nyx";
    doc_.SetExpPrefix(PrefixForFile(f));
    return SaveDocument(f, a->type, true, true);
}

bool TMainForm::SaveDocument(const fs::path& file, int /*type*/, bool ask, bool asTemplate) {
    if (LowerExt(file) != ".nyx") {
        // Exports of the current page come with the converters.
        platform::ui().Warning("Si possono salvare soltanto ipertesti (.nyx): " + file.string());
        return false;
    }
    if (ask) {
        const char* question = nullptr;
        if (IsInFolder(file, paths_.examplesFolder))
            question = "Sei sicuro di voler salvare questo file nella directory degli esempi? Scegli No per cambiare il path.";
        else if (!asTemplate && IsInFolder(file, paths_.TemplatesFolder()))
            question = "Sei sicuro di voler salvare questo file come modello? Scegli No per cambiare il path.";
        if (question) {
            switch (platform::ui().AskYesNoCancel(question)) {
                case platform::Answer::Cancel: return false;
                case platform::Answer::No: return SaveAs();
                case platform::Answer::Yes: break;
            }
        }
    }
    bool ok;
    {
        TBusyScope busy(*this);
        platform::BusyCursor cursor;
        ok = doc_.SaveToFile(file, 2);
    }
    if (!ok) {
        saved_ = false;
        doc_.SetModified(true);
        platform::ui().ShowErrorList("Salvataggio non riuscito!", doc_.SaveErrors());
        return false;
    }
    saved_ = true;
    documentName_ = file;
    SetCaption(file);
    AddRecent(file);
    lastDocument_ = file;
    return true;
}

void TMainForm::AddRecent(const fs::path& file) {
    if (IsInFolder(file, paths_.examplesFolder)) return;
    recent_.Add(file.string());
    BuildRecentMenu();
}

void TMainForm::RemoveRecent(const fs::path& file) {
    if (recent_.Remove(file.string())) BuildRecentMenu();
}

// --- save reminder ----------------------------------------------------------------

void TMainForm::SetSaveReminder(bool on, int minutes) {
    reminderOn_ = on;
    if (!on) {
        timerSave_.stop();
        return;
    }
    timerSave_.setInterval(std::max(1, minutes) * 60 * 1000);
    timerSave_.start();
}

void TMainForm::SaveReminderFired() {
    timerSave_.stop();
    if (!reminderOn_ || closing_) return;
    // Never inside another operation: an open or save in progress, or a
    // dialog on screen. Ask again a little later.
    if (busy_ > 0 || QApplication::activeModalWidget()) {
        QTimer::singleShot(5000, this, [this] {
            if (reminderOn_ && !timerSave_.isActive()) SaveReminderFired();
        });
        return;
    }
    if (platform::ui().AskYesNo("Promemoria: vuoi salvare?") == platform::Answer::Yes) SaveAll();
    if (reminderOn_) timerSave_.start();
}

// --- options target ---------------------------------------------------------------

void TMainForm::SetPictureCacheSize(int pictures) { doc_.maxCacheImg = static_cast<std::size_t>(pictures); }
void TMainForm::SetUndoDepth(int steps) {
    doc_.undoDeep = steps;
    if (undo_) undo_->SetDepth(steps);
}
void TMainForm::SetAltFromPictureNames(bool on) { doc_.keepPictureNames = on; }
void TMainForm::SetTypographicQuotes(bool on) { pageView_->SetTypographicQuotes(on); }
void TMainForm::SetBackups(bool on) {
    doc_.backups = on;
    library_.backups = on;
}

void TMainForm::SetBrowsers(const std::vector<shell::TBrowser>& browsers) {
    for (QAction* a : browserActions_) {
        publishMenu_->removeAction(a);
        a->deleteLater();
    }
    browserActions_.clear();
    // Shown through the HTML export of the page; enabled with it.
    for (const auto& b : browsers) {
        for (const std::string& caption : {"Corrente pagina in " + b.name, "Tutto l'ipertesto in " + b.name}) {
            auto* a = new QAction(QFromCp(caption), this);
            a->setObjectName(QStringLiteral("actBrowser"));
            a->setEnabled(false);
            publishMenu_->addAction(a);
            browserActions_.push_back(a);
        }
    }
}

// --- closing and dropping -----------------------------------------------------------

bool TMainForm::CanClose() {
    if (busy_) return false;
    closing_ = true;
    doc_.closing = true;
    if (!AskSaveChanges()) {
        closing_ = false;
        doc_.closing = false;
        return false;
    }
    timerSave_.stop();
    timerNextAction_.stop();
    DetachFromSet();
    platform::ui().ProcessEvents(1);
    QThread::msleep(100);
    platform::ui().ProcessEvents(1);
    return true;
}

void TMainForm::closeEvent(QCloseEvent* e) {
    if (!CanClose()) {
        e->ignore();
        return;
    }
    StoreOptions();
    e->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
    if (busy_ == 0 && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e) {
    if (busy_) return;
    std::vector<fs::path> files;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) files.emplace_back(u.toLocalFile().toStdString());
    e->acceptProposedAction();
    DropFiles(files);
}

void TMainForm::DropFiles(const std::vector<fs::path>& files) {
    if (busy_) return;
    for (const fs::path& f : files) {
        const std::string ext = LowerExt(f);
        if (ext == ".nyx" || ext == ".cus") {
            OpenDocument(f, true);
            break;  // one document at a time
        }
        // Pictures and other files go into the page once the page editor
        // exists; say what happened meanwhile.
        statusBar()->showMessage(Q("Non inserito: " + f.filename().string()), 5000);
    }
}

// --- central area ---------------------------------------------------------------------

namespace {

// Runs the HTML export of a hypertext into a folder with the user's export
// options; problems go to the error window.
bool RunHtmlExport(model::TNYXset& set, const fs::path& folder, const std::vector<std::int32_t>& pages,
                   std::string* startFile) {
    convert::html::TNYXtoHtml x(&set);
    const shell::THtmlExportOptions o = shell::ReadHtmlExportOptions(shell::options());
    x.options.expAlt = o.expAlt;
    x.options.expOrigName = o.expOrigName;
    x.options.expSepImage = o.expSepImage;
    x.options.expTipoExt = o.expTipoExt;
    x.ExportPath = folder;
    platform::BusyCursor busy;
    const bool ok = x.Export(pages);
    if (startFile && !pages.empty()) {
        const model::TNYXoggetto* page = set.ObjectAt(model::testoHtml, pages.front());
        if (page) *startFile = x.PageFileName(page, 0);
    }
    if (!x.Report().problems.empty()) {
        std::vector<std::string> lines;
        for (const auto& p : x.Report().problems) lines.push_back(text::Cp1252ToUtf8(p));
        platform::ui().ShowErrorList("Errori", lines);
    }
    return ok;
}

}  // namespace

bool TMainForm::ExportHtml() {
    CommitPageEdits();  // the site shows what was typed
    std::vector<std::int32_t> pages;
    for (std::size_t i = 0; i < doc_.Count(model::testoHtml); ++i)
        if (auto* p = doc_.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i)); p && !p->IsEmpty())
            pages.push_back(static_cast<std::int32_t>(i));
    if (pages.empty()) {
        platform::ui().Information("Nessuna pagina da esportare.");
        return false;
    }
    TFileRequest request;
    request.kind = TFileRequest::Folder;
    request.caption = "Esporta Html";
    request.folder = doc_.NYXFileName().empty() ? fs::path() : doc_.NYXFileName().parent_path();
    auto answer = ChooseFile(this, request);
    if (!answer) return false;
    const bool ok = RunHtmlExport(doc_, answer->file, pages, nullptr);
    statusBar()->showMessage(ok ? QStringLiteral("Esportazione completata") : QStringLiteral("Esportazione con errori"));
    return ok;
}

bool TMainForm::ShowCurrentPageInBrowser() {
    CommitPageEdits();
    const int row = pages_->currentRow();
    if (row < 0) return false;
    const auto index = static_cast<std::int32_t>(pages_->item(row)->data(Qt::UserRole).toLongLong());
    const fs::path folder = doc_.WorkFolder() / "anteprima";
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::vector<std::int32_t> pages{index};
    for (std::size_t i = 0; i < doc_.Count(model::testoHtml); ++i)
        if (auto* p = doc_.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
            p && !p->IsEmpty() && static_cast<std::int32_t>(i) != index)
            pages.push_back(static_cast<std::int32_t>(i));  // so that its links lead somewhere
    std::string start;
    RunHtmlExport(doc_, folder, pages, &start);
    if (start.empty()) return false;
    const fs::path file = folder / start;
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(file.string())})) {
        platform::ui().Error("Impossibile aprire il browser predefinito (xdg-open).");
        return false;
    }
    return true;
}

void TMainForm::ShowPages() {
    const int keep = pages_->currentRow();
    QSignalBlocker block(pages_);
    pages_->clear();
    const std::size_t n = doc_.Count(model::testoHtml);
    for (std::size_t i = 0; i < n; ++i) {
        model::TNYXoggetto* o = doc_.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        std::string title = o->DescriptionTitle();
        if (title.empty()) title = "Pagina " + std::to_string(i);
        auto* item = new QListWidgetItem(QFromCp(title), pages_);
        item->setData(Qt::UserRole, static_cast<qlonglong>(i));
    }
    int row = keep >= 0 && keep < pages_->count() ? keep : 0;
    // Start at the cover page.
    const std::int32_t cover = doc_.HInt(model::hdr::kCoverPage);
    for (int r = 0; keep < 0 && r < pages_->count(); ++r)
        if (pages_->item(r)->data(Qt::UserRole).toLongLong() == cover) row = r;
    if (pages_->count() > 0) pages_->setCurrentRow(row);
    block.unblock();
    ShowPage(pages_->currentRow());
}

void TMainForm::ShowPage(int row) {
    // The page left behind keeps what was typed in it.
    const std::int64_t left = pageView_->PageSlot();
    if (pageView_->LeavePage()) RefreshPageTitle(left);
    if (row < 0 || row >= pages_->count()) {
        pageView_->ClosePage();
        UpdateEditCommands();
        return;
    }
    const auto index = pages_->item(row)->data(Qt::UserRole).toLongLong();
    if (!pageView_->ShowPage(doc_, index)) pageView_->ClosePage();
    UpdateEditCommands();
}

void TMainForm::RefreshPageTitle(std::int64_t slot) {
    if (slot < 0) return;
    model::TNYXoggetto* o = doc_.ObjectAt(model::testoHtml, slot);
    if (!o || o->IsEmpty()) return;
    std::string title = o->DescriptionTitle();
    if (title.empty()) title = "Pagina " + std::to_string(slot);
    for (int r = 0; r < pages_->count(); ++r)
        if (pages_->item(r)->data(Qt::UserRole).toLongLong() == slot) pages_->item(r)->setText(QFromCp(title));
}

bool TMainForm::CommitPageEdits() {
    if (!pageView_->Edited()) return false;
    const std::int64_t slot = pageView_->PageSlot();
    const bool stored = pageView_->LeavePage();
    if (slot < 0) {
        ShowPages();  // a new text became a page
    } else {
        RefreshPageTitle(slot);
        if (!pageView_->ShowPage(doc_, slot)) pageView_->ClosePage();
    }
    UpdateEditCommands();
    return stored;
}

bool TMainForm::FollowLink(std::int32_t key) {
    // A link record of kind "page" names its page, and maybe an anchor in it.
    const richtext::TLinkTarget target = pageView_->Session().LinkTarget(key);
    if (target.samePage) {
        if (target.anchor >= 0) pageView_->GoToAnchor(target.anchor);
        return true;
    }
    if (target.page < 0) {
        statusBar()->showMessage(QStringLiteral("Questo collegamento si segue nel browser o nell'esportazione."), 5000);
        return false;
    }
    const auto slot = static_cast<qlonglong>(target.page);
    for (int r = 0; r < pages_->count(); ++r)
        if (pages_->item(r)->data(Qt::UserRole).toLongLong() == slot) {
            pages_->setCurrentRow(r);
            if (target.anchor >= 0 && pageView_->PageSlot() == slot) pageView_->GoToAnchor(target.anchor);
            return true;
        }
    statusBar()->showMessage(QStringLiteral("La pagina del collegamento non esiste."), 5000);
    return false;
}

void TMainForm::OpenUndoList() {
    if (!undo_->CanUndo() || undo_->Busy()) return;
    undo_->SetBusy(true);
    QWidget* anchor = toolbar_ ? toolbar_->findChild<QToolButton*>(QStringLiteral("tbUndoLista")) : nullptr;
    undoDrop_->Open(anchor, undo_->Labels());
    if (!undoDrop_->isVisible()) undo_->SetBusy(false);
}

void TMainForm::OpenRedoList() {
    if (!undo_->CanRedo() || undo_->Busy()) return;
    undo_->SetBusy(true);
    QWidget* anchor = toolbar_ ? toolbar_->findChild<QToolButton*>(QStringLiteral("tbRedoLista")) : nullptr;
    redoDrop_->Open(anchor, undo_->RedoLabels());
    if (!redoDrop_->isVisible()) undo_->SetBusy(false);
}

void TMainForm::UpdateEditCommands() {
    const bool editable = !pageView_->ReadOnly();
    const bool sel = pageView_->Box().HasSelection();
    const bool canPaste = clipboardPastable_;
    auto set = [&](const char* name, bool on) {
        QAction* a = Command(name);
        if (!a) return;
        // While a document opens or saves the commands stay off; they get this state back after.
        if (busy_ > 0) a->setProperty("quorWasEnabled", on);
        else a->setEnabled(on);
    };
    set("actUndo", editable && undo_->CanUndo() && !undo_->Busy());
    set("actRedo", editable && undo_->CanRedo() && !undo_->Busy());
    set("actTaglia", editable && sel);
    set("actCopia", sel);
    set("actIncolla", editable && canPaste);
    set("actSelezionaTutto", true);
    for (auto [name, bit] : {std::pair{"actGrassetto", richtext::kBold}, std::pair{"actCorsivo", richtext::kItalic},
                             std::pair{"actSottolineato", richtext::kUnderline}}) {
        set(name, editable);
        if (QAction* a = Command(name)) a->setChecked(pageView_->StyleOn(bit));
    }
    if (toolbar_) {
        if (auto* b = toolbar_->findChild<QToolButton*>(QStringLiteral("tbUndoLista")))
            b->setEnabled(busy_ == 0 && editable && undo_->CanUndo() && !undo_->Busy());
        if (auto* b = toolbar_->findChild<QToolButton*>(QStringLiteral("tbRedoLista")))
            b->setEnabled(busy_ == 0 && editable && undo_->CanRedo() && !undo_->Busy());
    }
}

void TMainForm::DetachFromSet() {
    detachedRow_ = pages_->currentRow();
    // Edits go into the hypertext before it is written.
    pageView_->LeavePage();
    QSignalBlocker block(pages_);
    pages_->clear();
    pageView_->ClosePage();  // its working copy points into the objects a save replaces
}

void TMainForm::ReattachToSet() {
    if (closing_) return;
    ShowPages();
    if (detachedRow_ >= 0 && detachedRow_ < pages_->count()) pages_->setCurrentRow(detachedRow_);
}

void TMainForm::DropContents() {
    QSignalBlocker block(pages_);
    pages_->clear();
    pageView_->ClosePage();
}

// --- other windows ----------------------------------------------------------------------

void TMainForm::ShowOptionsDialog() {
    TFopzioni dlg(this);
    dlg.Load(shell::options());
    if (RunDialog(dlg) != QDialog::Accepted) return;
    dlg.Store(shell::options());
    shell::ApplyOptions(shell::options(), *this);
}

void TMainForm::ShowPropertiesDialog() {
    TFproprieta dlg(doc_, this);
    if (RunDialog(dlg) != QDialog::Accepted) return;
    if (dlg.Store(doc_)) doc_.SetModified(true);
}

void TMainForm::ShowWindowsDialog() {
    TFfinestre dlg(this);
    dlg.AddWindow(toolbar_, "Barra degli strumenti");
    dlg.AddWindow(pages_, "Elenco delle pagine");
    dlg.AddWindow(statusBar(), "Barra di stato");
    if (RunDialog(dlg) == QDialog::Accepted) dlg.Apply();
}

void TMainForm::ShowAbout() {
    TAboutBox box(this);
    RunDialog(box);
}

void TMainForm::ShowTips() {
    auto* tips = new TTipForm(this);
    tips->setAttribute(Qt::WA_DeleteOnClose);
    tips->SetStarting(false);
    tips->show();
}

}  // namespace shell::ui
