#include "shell/ui/MainForm.h"
#include "shell/ui/LinkWindows.h"
#include "shell/ui/FormatCommands.h"
#include "shell/ui/ObjectCommands.h"
#include "shell/ui/RulerCommands.h"
#include "shell/ui/AlbumCommands.h"
#include "shell/ui/PictureCommands.h"
#include "shell/ui/TableCommands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QSplitter>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <system_error>

#include "convert/html/NYXtoHtml.h"
#include "present/FrameLayout.h"
#include "present/FrameProperties.h"
#include "present/FrameSet.h"
#include "present/ui/FrameDialogs.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/NYXListView.h"
#include "present/ui/PageDialogs.h"
#include "richtext/Clipboard.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/UndoDropDown.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/CommandMap.h"
#include "shell/Languager.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/LinkCommands.h"
#include "shell/ui/NewHypertextDialog.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/ImportDialog.h"
#include "shell/ui/ExportCommands.h"
#include "shell/ui/HtmlOpenWindow.h"
#include "shell/ui/PageCommands.h"
#include "shell/ui/PrototypeDialogs.h"
#include "shell/ui/PublishCommands.h"
#include "shell/ui/SearchCommands.h"
#include "shell/ui/RtfCommands.h"
#include "shell/ui/PrintCommands.h"
#include "shell/ui/QtLocalizableOwner.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace shell::ui {

namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
QString QFromCp(std::string_view cp1252) { return Q(text::Cp1252ToUtf8(cp1252)); }

std::string FormsKey() { return std::string(shell::kProgramKey) + "forms\\TMainForm"; }
std::string ToolbarKey() { return std::string(shell::kProgramKey) + "toolbar"; }

// A key that would change the text of the page: typing, a line break,
// deleting, cutting or pasting.
bool IsEditingKey(const QKeyEvent& k) {
    if (k.matches(QKeySequence::Paste) || k.matches(QKeySequence::Cut) || k.matches(QKeySequence::Undo) ||
        k.matches(QKeySequence::Redo))
        return true;
    const bool ctrl = k.modifiers() & Qt::ControlModifier;
    if (ctrl && (k.key() == Qt::Key_Y || k.key() == Qt::Key_Z)) return true;  // the text's own undo and redo keys
    switch (k.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Tab:
            return true;
        default:
            break;
    }
    const QString t = k.text();
    return !t.isEmpty() && t.at(0).isPrint() && !(k.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

}  // namespace

TMainForm::TMainForm(TProgramPaths paths, QWidget* parent)
    : QMainWindow(parent), document_(std::move(paths), *this), doc_(document_.Set()) {
    setObjectName(QStringLiteral("TMainForm"));
    resize(900, 640);
    auto* split = new QSplitter(this);
    split->setObjectName(QStringLiteral("spCentrale"));
    // The page list, with a filter on the titles above it.
    auto* pagePanel = new QWidget(split);
    pagePanel->setObjectName(QStringLiteral("pnPagine"));
    auto* pageLayout = new QVBoxLayout(pagePanel);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageFilter_ = new QLineEdit(pagePanel);
    pageFilter_->setObjectName(QStringLiteral("edFiltroPagine"));
    pageFilter_->setPlaceholderText(QStringLiteral("Filtra per titolo"));
    pageFilter_->setClearButtonEnabled(true);
    pages_ = new present::ui::TNYXListView(pagePanel);
    pages_->setObjectName(QStringLiteral("lvPagine"));
    pages_->Objects = model::testoHtml;
    pages_->LinkedNYXset = &doc_;
    pages_->RightMouseSelect = true;
    pages_->setContextMenuPolicy(Qt::CustomContextMenu);
    pages_->installEventFilter(this);
    pages_->OnFilter = [this](const model::TNYXoggetto& o) {
        const QString f = pageFilter_->text().trimmed();
        return f.isEmpty() || QFromCp(o.GetName()).contains(f, Qt::CaseInsensitive);
    };
    pages_->OnCanEdit = [this](const model::TNYXoggetto&) { return !document_.RefuseEdit(); };
    pages_->OnEditStart = [this](model::TNYXoggetto& o) { PageRenameStarted(o); };
    pages_->OnEditStop = [this](model::TNYXoggetto& o) { PageRenamed(o); };
    connect(pages_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { PageRenameEnded(); });
    connect(pageFilter_, &QLineEdit::textChanged, this, [this] {
        QSignalBlocker block(pages_);
        pages_->Reload();
        SyncPageList();
    });
    pageLayout->addWidget(pageFilter_);
    pageLayout->addWidget(pages_);
    // Every page is shown and edited through the frame set.
    frameSet_ = new present::ui::TInsiemeCornici(split);
    frameSet_->setObjectName(QStringLiteral("fsEditor"));
    split->addWidget(pagePanel);
    split->addWidget(frameSet_);
    split->setStretchFactor(1, 3);
    setCentralWidget(split);
    idleView_ = new richtext::ui::TNYXpageView(this);
    idleView_->setObjectName(QStringLiteral("mePaginaVuota"));
    idleView_->hide();
    connect(pages_, &QTreeWidget::currentItemChanged, this, [this] { ShowPage(CurrentPageRow()); });
    undo_ = std::make_unique<richtext::TNYXundoList>(&doc_);
    frameSet_->SetLinkedNYXset(&doc_);
    frameSet_->SetUndoList(undo_.get());
    // Pages that links open as separate windows, new browsers or pop-ups.
    linkWindows_ = std::make_unique<TLinkWindows>(*this, doc_);
    frameSet_->onOpenWindow = [this](std::int64_t page, std::int32_t anchor, const std::string& name, int mode) {
        return linkWindows_->Open(page, anchor, name, mode);
    };
    // A read-only hypertext refuses typing with a message, in every frame.
    frameSet_->onViewMade = [this](richtext::ui::TNYXpageView& v) { v.installEventFilter(this); };
    frameSet_->onEdited = [this] { UpdateEditCommands(); };
    // The description of the link under the pointer, in the status bar.
    frameSet_->onGetHint = [this](const std::string& hint) {
        if (hint.empty()) statusBar()->clearMessage();
        else statusBar()->showMessage(Q(hint.substr(0, hint.find('|'))));
    };
    frameSet_->onViewSelectionChanged = [this] { UpdateEditCommands(); };
    frameSet_->onSelectionChange = [this] { UpdateEditCommands(); };
    frameSet_->onPageChanged = [this] {
        SyncPageList();
        UpdateEditCommands();
    };
    frameSet_->onPagesStored = [this] { SyncPageList(); };
    frameSet_->onFrameSetChanged = [this] { UpdateEditCommands(); };
    frameSet_->onDoLink = [this](present::TFramePage* sender, const model::TNYXoggetto* record) {
        LinkFollowed(sender, record);
    };
    connect(pages_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        for (const char* n : {"actAggiungiPagina", "actNuovaPagina", "actEliminaPagina", "actRipristinaPagina"})
            if (QAction* a = Command(n)) menu.addAction(a);
        menu.exec(pages_->viewport()->mapToGlobal(at));
    });
    undoDrop_ = new richtext::ui::TUndoDropDown(this);
    undoDrop_->onClosed = [this](std::size_t steps) {
        undo_->SetBusy(false);
        if (steps > 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            PageView()->Undo(steps);
            QApplication::restoreOverrideCursor();
            SyncPageList();
        }
        UpdateEditCommands();
        PageView()->setFocus();
    };
    redoDrop_ = new richtext::ui::TUndoDropDown(this);
    redoDrop_->setObjectName(QStringLiteral("lbRedo"));
    redoDrop_->onClosed = [this](std::size_t steps) {
        undo_->SetBusy(false);
        if (steps > 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            PageView()->Redo(steps);
            QApplication::restoreOverrideCursor();
        }
        UpdateEditCommands();
        PageView()->setFocus();
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
    // The menu holding "Componente personalizzato..." lists the library's
    // quick-access prototypes as it opens: the library may change at any time.
    if (QAction* component = Command("actComponente"))
        for (QObject* o : component->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o))
                connect(menu, &QMenu::aboutToShow, this, [this] { RebuildQuickComponents(*this); });
    ApplyLanguage();
    RestorePlacement();

    shell::TOptionsStore& o = shell::options();
    shell::EnsureDefaultNetConfigurations(o);
    BuildRecentMenu();

    timerNextAction_.setObjectName(QStringLiteral("TimerNextAction"));
    timerNextAction_.setSingleShot(true);
    timerNextAction_.setInterval(300);
    connect(&timerNextAction_, &QTimer::timeout, this, [this] { TimerNextActionFired(); });

    doc_.AttachView(this);
    doc_.onAfterNew.push_back([this] { ShowPages(); });
    shell::ApplyOptions(o, *this);
    CaptionChanged(document_.Caption());
    doc_.NewHypertext();
    UpdateEditCommands();
}

TMainForm::~TMainForm() {
    StoreOptions();
    // Windows of the layers above that show this hypertext (the album) go
    // before it does: children would otherwise outlive the members.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->property(kDocumentWindowProperty).toBool()) delete w;
    doc_.DetachView(this);
    // The frame set outlives the members: it lets go of the hypertext and
    // the undo list first.
    frameSet_->Drop();
    frameSet_->SetUndoList(nullptr);
    frameSet_->SetLinkedNYXset(nullptr);
}

richtext::ui::TNYXpageView* TMainForm::PageView() const {
    richtext::ui::TNYXpageView* v = frameSet_->CurrentView();
    return v ? v : idleView_;
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
    for (const shell::TMenuDef& m : shell::MainMenus()) {
        QMenu* menu = menuBar()->addMenu(Q(m.caption));
        menu->setObjectName(Q(m.name));
        // The object menus fill in when an object of their kind is selected.
        if (shell::IsObjectMenu(m.name)) menu->setEnabled(false);
        menus[m.name] = menu;
    }
    fileMenu_ = menus["mnFile"];
    publishMenu_ = menus["mnPubblica"];

    std::map<std::string, std::function<void()>> handlers = {
        {"actNuovoIpertesto", [this] { document_.NewDocument(); }},
        {"actNuovoDa", [this] { NewHypertextFromModel(*this); }},
        {"actApri", [this] { document_.ChooseAndOpen("Apri", false); }},
        {"actTrovaFile", [this] { document_.ChooseAndOpen("Trova file", true); }},
        {"actImportaPagine", [this] { ShowImportDialog(); }},
        {"actSalvaTutto", [this] { document_.SaveAll(); }},
        {"actSalvaConNome", [this] { document_.SaveAs(); }},
        {"actSalvaModello", [this] { document_.SaveAsTemplate(); }},
        {"actProprietaIpertesto", [this] { ShowPropertiesDialog(); }},
        {"actFinestre", [this] { ShowWindowsDialog(); }},
        {"actOpzioni", [this] { ShowOptionsDialog(); }},
        {"actPaginaInBrowser", [this] { ShowCurrentPageInBrowser(); }},
        {"actSuggerimenti", [this] { ShowTips(); }},
        {"actUndo", [this] {
             PageView()->Undo(1);
             SyncPageList();  // an undone rename or page property
             UpdateEditCommands();
         }},
        {"actRedo", [this] {
             PageView()->Redo(1);
             SyncPageList();
             UpdateEditCommands();
         }},
        // The clipboard commands go to the frame set's current object.
        {"actTaglia", [this] { frameSet_->Cut(); }},
        {"actCopia", [this] { frameSet_->Copy(); }},
        {"actIncolla", [this] { frameSet_->Paste(); }},
        {"actSelezionaTutto", [this] { PageView()->SelectAll(); }},
        {"actSoloLettura", [this] { SetViewMode(Command("actSoloLettura")->isChecked()); }},
        {"actSegui", [this] {
             richtext::ui::TNYXpageView* v = PageView();
             const std::int32_t key = v->LinkAt(v->Box().caret);
             if (key != -1) FollowLink(key);
         }},
        {"actIndietro", [this] { GoBack(); }},
        {"actMostraBordi", [this] { frameSet_->SetShowBoundaries(Command("actMostraBordi")->isChecked()); }},
        {"actAnteprimaAttiva", [this] { frameSet_->SetActivePreview(Command("actAnteprimaAttiva")->isChecked()); }},
        {"actAnteprimaAncore", [this] { frameSet_->SetAnchorPreview(Command("actAnteprimaAncore")->isChecked()); }},
        {"actAggiungiPagina", [this] { AddNewPage(); }},
        {"actNuovaPagina", [this] { NewPageDialog(); }},
        {"actTutteLePagine", [this] { ShowAllPages(); }},
        {"actEliminaPagina", [this] { DeleteSelectedPage(); }},
        {"actRipristinaPagina", [this] { RestoreDeletedPage(); }},
        {"actProprietaCornici", [this] { ShowFrameProperties(); }},
        {"actSalvaCornici", [this] { SaveFrameLayout(); }},
        {"actCaricaCornici", [this] { LoadFrameLayout(); }},
        {"actInformazioni", [this] { ShowAbout(); }},
    };
    AddLinkCommands(*this, handlers);
    AddPageCommands(*this, handlers);
    AddPrototypeCommands(*this, handlers);
    AddExportCommands(*this, handlers);
    AddRtfCommands(*this, handlers);
    // Windows of the layers above: present when the program registered them.
    if (HasRegisteredWindow("TFcd"))
        handlers["actCdRom"] = [this] { OpenRegisteredWindow("TFcd", this, document_, {}); };
    AddObjectCommands(*this, handlers);
    AddAlbumCommands(*this, handlers);
    AddPublishCommands(*this, handlers);
    AddSearchCommands(*this, handlers);
    AddPictureCommands(*this, handlers);
    AddTableCommands(*this, handlers);
    AddPrintCommands(*this, handlers);
    auto makeAction = [&](const shell::TCommandDef& c) {
        auto* a = new QAction(Q(c.caption), this);
        a->setObjectName(Q(c.name));
        if (*c.shortcut) a->setShortcut(QKeySequence::fromString(Q(c.shortcut), QKeySequence::PortableText));
        actions_[c.name] = a;
        return a;
    };
    for (const shell::TCommandDef& c : shell::MainCommands()) {
        QMenu* menu = menus[c.menu];
        if (std::string_view(c.name) == "-") {
            menu->addSeparator();
            continue;
        }
        QAction* a = makeAction(c);
        auto h = handlers.find(c.name);
        if (h != handlers.end()) {
            auto fn = h->second;
            connect(a, &QAction::triggered, this, [this, fn] {
                if (!document_.Busy()) fn();
            });
        } else {
            a->setEnabled(false);
        }
        menu->addAction(a);
    }
    actions_["actSoloLettura"]->setCheckable(true);
    actions_["actMostraBordi"]->setCheckable(true);
    actions_["actMostraBordi"]->setChecked(true);
    // A reader sees slides advance by themselves; anchors stay hidden.
    actions_["actAnteprimaAttiva"]->setCheckable(true);
    actions_["actAnteprimaAttiva"]->setChecked(true);
    frameSet_->SetActivePreview(true);
    actions_["actAnteprimaAncore"]->setCheckable(true);
    actions_["actRedo"]->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    recentSeparator_ = fileMenu_->addSeparator();
    exitAction_ = makeAction(shell::ExitCommand());
    connect(exitAction_, &QAction::triggered, this, [this] {
        if (!document_.Busy()) close();
    });
    exitSeparator_ = fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);

    toolbar_ = addToolBar(QStringLiteral("Standard"));
    toolbar_->setObjectName(QStringLiteral("tbStandard"));
    for (const char* n : {"actNuovoIpertesto", "actApri", "actSalvaTutto"}) toolbar_->addAction(actions_[n]);
    toolbar_->addAction(actions_["actStampa"]);  // shows "Stampa"
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
        if (!document_.Busy()) OpenUndoList();
    });
    toolbar_->addAction(actions_["actRedo"]);
    auto* redoList = new QToolButton(toolbar_);
    redoList->setObjectName(QStringLiteral("tbRedoLista"));
    redoList->setArrowType(Qt::DownArrow);
    redoList->setToolTip(QStringLiteral("Ripristina più operazioni"));
    redoList->setAutoRaise(true);
    toolbar_->addWidget(redoList)->setObjectName(QStringLiteral("actRedoLista"));
    connect(redoList, &QToolButton::clicked, this, [this] {
        if (!document_.Busy()) OpenRedoList();
    });
    for (const char* n : {"actTaglia", "actCopia", "actIncolla"}) toolbar_->addAction(actions_[n]);
    // The edit button: pressed while the page is shown as a reader sees it.
    toolbar_->addSeparator();
    toolbar_->addAction(actions_["actSoloLettura"]);

    // Character styles: the selection's, or the next typed characters'.
    formatBar_ = addToolBar(QStringLiteral("Formato"));
    formatBar_->setObjectName(QStringLiteral("tbFormato"));
    for (const shell::TStyleCommandDef& d : shell::StyleCommands()) {
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
            if (document_.Busy()) return;
            PageView()->ToggleStyle(bit);
            UpdateEditCommands();
        });
        formatBar_->addAction(a);
        actions_[d.name] = a;
    }
    AddFormatCommands(*this, formatBar_);
    AddRuler(*this);
}

void TMainForm::BuildRecentMenu() {
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    for (const std::string& f : document_.RecentFiles()) {
        auto* a = new QAction(Q(f), this);
        a->setObjectName(QStringLiteral("actRecente"));
        const fs::path file(f);
        connect(a, &QAction::triggered, this, [this, file] {
            if (!document_.Busy()) document_.OpenDocument(file, true);
        });
        fileMenu_->insertAction(exitSeparator_, a);
        recentActions_.push_back(a);
    }
    recentSeparator_->setVisible(!recentActions_.empty());
}

void TMainForm::ApplyLanguage() {
    const fs::path file = shell::LocalizationFileFor(document_.Paths().dataFolder, "TMainForm");
    std::error_code ec;
    if (!fs::exists(file, ec)) return;
    TQtLocalizableOwner owner(this);
    shell::TKyLanguager lang(owner);
    // (Applying again only counts what the file set.)
    if (lang.LoadLocalizationFile(file)) localizedTexts_ = lang.Apply();
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
    document_.StoreOptions(o);
    o.WriteKey(FormsKey(), "geometry", saveGeometry().toHex().toStdString());
    o.WriteKey(ToolbarKey(), "state", saveState().toHex().toStdString());
    o.EndUpdate();
}

// --- start-up -------------------------------------------------------------------

void TMainForm::Start(const TStartCommand& command) {
    document_.Start(command);
    setAcceptDrops(true);
    timerNextAction_.start();
}

void TMainForm::TimerNextActionFired() {
    auto trigger = [this](const char* name) {
        QAction* a = Command(name);
        if (a && a->isEnabled()) a->trigger();
    };
    switch (document_.NextAction()) {
        case TNextAction::Normal: pages_->setFocus(); break;
        case TNextAction::Print: trigger("actStampa"); break;
        case TNextAction::PublishServer: trigger("actPubblicaServer"); break;
        case TNextAction::PublishFtp: trigger("actPubblicaFtp"); break;
    }
    if (onStarted) onStarted();
}

// --- the document's host -----------------------------------------------------------

std::optional<shell::TFileAnswer> TMainForm::ChooseFile(const shell::TFileRequest& request) {
    return shell::ui::ChooseFile(this, request);
}

std::optional<std::string> TMainForm::AskPassword(std::string_view prompt) {
    TFpassword dlg(std::string(prompt), this);
    if (RunDialog(dlg) != QDialog::Accepted) return std::nullopt;
    return dlg.Password();
}

// Menus, toolbar and dropping are off while a document opens or saves: the
// event rounds processed during loading must not start another operation.
void TMainForm::BusyChanged(bool busy) {
    menuBar()->setEnabled(!busy);
    if (toolbar_) toolbar_->setEnabled(!busy);
    if (busy) {
        for (auto& [name, a] : actions_) a->setProperty("quorWasEnabled", a->isEnabled()), a->setEnabled(false);
    } else {
        for (auto& [name, a] : actions_) a->setEnabled(a->property("quorWasEnabled").toBool());
    }
    for (QAction* a : recentActions_) a->setEnabled(!busy);
}

void TMainForm::CaptionChanged(const std::string& caption) { setWindowTitle(Q(caption)); }

void TMainForm::DocumentReplaced() {
    linkWindows_->CloseAll();
    ShowPages();
}

void TMainForm::ReadOnlyChanged() {
    const bool locked = document_.ReadOnly();
    Command("actSoloLettura")->setChecked(locked);
    frameSet_->SetReadOnly(locked);
    if (locked) statusBar()->showMessage(QStringLiteral("Ipertesto in sola lettura"), 5000);
    UpdateEditCommands();
}

bool TMainForm::HasPendingEdits() const { return frameSet_->Edited(); }

bool TMainForm::CanAskNow() const { return QApplication::activeModalWidget() == nullptr; }

void TMainForm::StatusMessage(const std::string& text) { statusBar()->showMessage(Q(text), 5000); }

std::int32_t TMainForm::CurrentPage() const {
    const auto* view = PageView();
    return view ? static_cast<std::int32_t>(view->PageSlot()) : -1;
}

// --- imports ------------------------------------------------------------------------------

void TMainForm::ShowImportDialog() {
    TFimp dialog(document_, this);
    RunDialog(dialog);
}

void TMainForm::PagesImported(std::int32_t first) {
    delete progress_;
    progress_ = nullptr;
    ShowPages();
    // The first page that came in, or the page shown before when none did.
    if (const int r = first >= 0 ? RowOfSlot(first) : -1; r >= 0) SetCurrentPageRow(r);
}

std::optional<shell::THtmlOpenAction> TMainForm::ChooseHtmlOpen(shell::THtmlOpenChoices& choices) {
    return shell::ui::ChooseHtmlOpen(this, choices);
}

bool TMainForm::Progress(const std::string& text) {
    if (!progress_) {
        progress_ = new QProgressDialog(Q(text), Q("Stop"), 0, 0, this);
        progress_->setObjectName("dlgProgresso");
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(500);
    }
    if (!text.empty()) {
        progress_->setLabelText(Q(text));
        statusBar()->showMessage(Q(text));
    }
    QCoreApplication::processEvents();
    return progress_->wasCanceled();
}
bool TMainForm::OpenCdRomSettings(const fs::path& file) { return OpenRegisteredWindow("TFcd", this, document_, file); }

void TMainForm::SetViewMode(bool on) {
    // Leaving view mode on a read-only hypertext takes its password.
    if (!on && document_.ReadOnly() && !document_.Unlock()) on = true;
    Command("actSoloLettura")->setChecked(on);
    if (!on) linkWindows_->CloseAll();  // they show the pages as they were
    frameSet_->SetReadOnly(on);
    UpdateEditCommands();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (watched == pages_) {
            if (k->key() == Qt::Key_Delete && k->modifiers() == Qt::NoModifier) {
                if (!document_.Busy()) DeleteSelectedPage();
                return true;
            }
        } else if (document_.ReadOnly() && qobject_cast<richtext::ui::TNYXpageView*>(watched) &&
                   IsEditingKey(*k)) {
            document_.RefuseEdit();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

// --- options target ---------------------------------------------------------------

void TMainForm::SetUndoDepth(int steps) {
    document_.SetUndoDepth(steps);
    if (undo_) undo_->SetDepth(steps);
}

void TMainForm::SetTypographicQuotes(bool on) { frameSet_->SetTypographicQuotes(on); }

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
    if (!document_.CanClose()) {
        // A save that failed on the way detached the page: show it again.
        if (detached_) ReattachToSet();
        return false;
    }
    timerNextAction_.stop();
    DetachFromSet();
    platform::ui().ProcessEvents(1);
    QThread::msleep(100);
    platform::ui().ProcessEvents(1);
    return true;
}

void TMainForm::closeEvent(QCloseEvent* e) {
    // A transfer still running is stopped only when the user says so.
    if (!CanCloseWithTransfers()) {
        e->ignore();
        return;
    }
    if (!CanClose()) {
        e->ignore();
        return;
    }
    StoreOptions();
    e->accept();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
    if (!document_.Busy() && e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e) {
    if (document_.Busy()) return;
    std::vector<fs::path> files;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) files.emplace_back(u.toLocalFile().toStdString());
    e->acceptProposedAction();
    DropFiles(files);
}

void TMainForm::DropFiles(const std::vector<fs::path>& files) {
    if (document_.Busy()) return;
    // Pictures and other files go into the page once the page editor exists;
    // say what happened meanwhile.
    for (const fs::path& f : document_.DropFiles(files))
        statusBar()->showMessage(Q("Non inserito: " + f.filename().string()), 5000);
}

// --- central area ---------------------------------------------------------------------

namespace {

// Runs the HTML export of a hypertext into a folder with the user's export
// options; problems go to the error window.
bool RunHtmlExport(model::TNYXset& set, const fs::path& folder, const std::vector<std::int32_t>& pages,
                   std::string* startFile) {
    convert::html::TNYXtoHtml x(&set);
    x.options = shell::ReadHtmlExportOptions(shell::options());
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
    auto answer = shell::ui::ChooseFile(this, request);
    if (!answer) return false;
    const bool ok = RunHtmlExport(doc_, answer->file, pages, nullptr);
    statusBar()->showMessage(ok ? QStringLiteral("Esportazione completata") : QStringLiteral("Esportazione con errori"));
    return ok;
}

bool TMainForm::ShowCurrentPageInBrowser() {
    CommitPageEdits();
    const std::int32_t index = frameSet_->MainPageNumber();
    if (index < 0 || !doc_.ObjectAt(model::testoHtml, index)) return false;
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
    detached_ = false;
    const int keep = CurrentPageRow();
    {
        QSignalBlocker block(pages_);
        pages_->clear();
    }
    SyncPageList();
    int row = keep >= 0 && keep < PageRows() ? keep : 0;
    // Start at the cover page.
    const std::int32_t cover = doc_.HInt(model::hdr::kCoverPage);
    if (keep < 0 && RowOfSlot(cover) >= 0) row = RowOfSlot(cover);
    {
        QSignalBlocker block(pages_);
        if (PageRows() > 0) SetCurrentPageRow(row);
    }
    ShowPage(CurrentPageRow());
}

void TMainForm::ShowPage(int row) {
    // The frame set stores the page left behind with what was typed in it.
    if (row < 0 || row >= PageRows()) {
        frameSet_->ShowPage(-1);
        UpdateEditCommands();
        return;
    }
    frameSet_->ShowPage(static_cast<std::int32_t>(SlotOfRow(row)));
    UpdateEditCommands();
}

bool TMainForm::ShowPageSlot(std::int64_t slot) {
    const model::TNYXoggetto* p = doc_.ObjectAt(model::testoHtml, slot);
    if (!p || p->IsEmpty()) return false;
    frameSet_->ShowPage(static_cast<std::int32_t>(slot));
    UpdateEditCommands();
    return true;
}

void TMainForm::RefreshPageList() {
    SyncPageList();
    UpdateEditCommands();
}

void TMainForm::SyncPageList() {
    if (detached_ || renaming_) return;
    QSignalBlocker block(pages_);
    // The rows: one per page in use that the filter lets through.
    std::map<std::int32_t, QString> want;
    const std::size_t n = doc_.Count(model::testoHtml);
    for (std::size_t i = 0; i < n; ++i)
        if (const model::TNYXoggetto* o = doc_.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
            o && !o->IsEmpty() && pages_->OnFilter(*o))
            want.emplace(o->Reference(), QFromCp(o->GetName()));
    bool same = static_cast<int>(want.size()) == PageRows();
    for (int r = 0; same && r < PageRows(); ++r) {
        const QTreeWidgetItem* item = pages_->topLevelItem(r);
        auto it = want.find(item->data(0, Qt::UserRole).toInt());
        same = it != want.end() && it->second == item->text(0);
    }
    if (!same) pages_->Reload();
    const int shown = RowOfSlot(frameSet_->MainPageNumber());
    if (shown >= 0 && CurrentPageRow() != shown) SetCurrentPageRow(shown);
}

int TMainForm::PageRows() const { return pages_->topLevelItemCount(); }

std::int64_t TMainForm::SlotOfRow(int row) const {
    const QTreeWidgetItem* item = row >= 0 && row < PageRows() ? pages_->topLevelItem(row) : nullptr;
    return item ? model::RefIndex(item->data(0, Qt::UserRole).toInt()) : -1;
}

int TMainForm::RowOfSlot(std::int64_t slot) const {
    if (slot < 0) return -1;
    for (int r = 0; r < PageRows(); ++r)
        if (SlotOfRow(r) == slot) return r;
    return -1;
}

int TMainForm::CurrentPageRow() const {
    return pages_->currentItem() ? pages_->indexOfTopLevelItem(pages_->currentItem()) : -1;
}

void TMainForm::SetCurrentPageRow(int row) {
    if (row >= 0 && row < PageRows()) pages_->setCurrentItem(pages_->topLevelItem(row));
}

void TMainForm::PageRenameStarted(model::TNYXoggetto& page) {
    // The frames hold working copies of the page: store them and let go, so
    // that storing them later cannot bring the old name back.
    // Storing puts a new record in the page's slot: look it up again.
    const std::int32_t ref = page.Reference();
    frameSet_->Detach();
    renaming_ = true;
    model::TNYXoggetto* stored = doc_.ObjectByRef(ref);
    if (!stored) return;
    renameFrom_ = stored->GetName();
    renameBackup_ = std::make_unique<richtext::TogBackup>(*undo_, *stored, "Rinomina pagina");
}

void TMainForm::PageRenamed(model::TNYXoggetto& page) { renameChanged_ = page.GetName() != renameFrom_; }

void TMainForm::PageRenameEnded() {
    if (!renaming_) return;
    renaming_ = false;
    const std::int64_t slot = SlotOfRow(CurrentPageRow());
    frameSet_->Reattach();
    if (slot >= 0) ShowPageSlot(slot);
    // Showing the page again drops the undo steps of the page shown: the
    // record's snapshot goes into the list after that.
    if (renameChanged_ && renameBackup_) undo_->AddUndo(std::move(renameBackup_));
    renameBackup_.reset();
    renameChanged_ = false;
    SyncPageList();
    UpdateEditCommands();
}

bool TMainForm::CommitPageEdits() {
    if (!frameSet_->Edited()) return false;
    const bool stored = frameSet_->StorePages();
    SyncPageList();
    UpdateEditCommands();
    return stored;
}

bool TMainForm::FollowLink(std::int32_t key) {
    if (key == -1) return false;
    frameSet_->DoLink(frameSet_->CurrentOrFirst(), key);
    return true;
}

bool TMainForm::GoBack() {
    const bool back = frameSet_->GoBack();
    UpdateEditCommands();
    return back;
}

void TMainForm::LinkFollowed(present::TFramePage*, const model::TNYXoggetto* record) {
    if (!record) return;
    if (record->Type() == model::testoHtml) return;  // shown by the frame set
    // An anchor marker a reader clicked: its name in the status bar.
    if (record->Type() == model::shortObj && record->Subtype() == model::markerrec::kAnchor) {
        statusBar()->showMessage(Q(platform::text::Cp1252ToUtf8(record->Description())), 5000);
        return;
    }
    if (record->Type() == model::speclink && record->Subtype() == 1) {
        const std::int32_t target = record->Int(model::linkrec::kTarget);
        if (model::RefType(target) == model::testoHtml) {
            statusBar()->showMessage(QStringLiteral("La pagina del collegamento non esiste."), 5000);
            return;
        }
        if (record->Byte(model::linkrec::kOpenMode) == 6) return;  // an anchor of the page shown
    }
    // A link that closes a window a link opened.
    if (record->Type() == model::speclink && record->Subtype() == 2 &&
        linkWindows_->Close(record->Str(model::linkrec::kWindowName, model::linkrec::kWindowNameCap)))
        return;
    statusBar()->showMessage(QStringLiteral("Questo collegamento si segue nel browser o nell'esportazione."), 5000);
}

// --- pages ------------------------------------------------------------------------------

std::int64_t TMainForm::AddNewPage() {
    const std::int64_t slot = document_.AddPage();
    if (slot >= 0) ShowPageSlot(slot);
    return slot;
}

std::int64_t TMainForm::NewPageDialog() {
    if (document_.RefuseEdit()) return -1;
    present::ui::TFnuovaPagina dlg(present::ListFrameModels(document_.Paths().dataFolder), this);
    if (RunDialog(dlg) != QDialog::Accepted) return -1;
    const std::int64_t slot = document_.AddPage(dlg.Title(), dlg.Model());
    if (slot >= 0) ShowPageSlot(slot);
    return slot;
}

bool TMainForm::ShowAllPages() {
    frameSet_->StorePages();  // titles and sizes as they are now
    SyncPageList();
    present::ui::TFtuttePagine dlg(doc_, frameSet_->MainPageNumber(), this);
    if (RunDialog(dlg) != QDialog::Accepted) return false;
    return ShowPageSlot(dlg.Chosen());
}

bool TMainForm::DeleteSelectedPage() {
    const int row = CurrentPageRow();
    if (row < 0 || row >= PageRows()) return false;
    const std::int64_t slot = SlotOfRow(row);
    // What was typed counts: a link just written keeps its page.
    frameSet_->StorePages();
    if (!document_.DeletePage(slot)) {
        UpdateEditCommands();
        return false;
    }
    // The frames showed copies of what is gone: they go unstored.
    bool shown = frameSet_->MainPageNumber() == slot || frameSet_->PageShowing(slot);
    if (shown) frameSet_->Drop();
    SyncPageList();
    if (shown && PageRows() > 0) ShowPage(std::min(row, PageRows() - 1));
    UpdateEditCommands();
    return true;
}

bool TMainForm::RestoreDeletedPage() {
    const std::int64_t slot = document_.UndoPageDeletion();
    SyncPageList();
    if (slot >= 0) ShowPageSlot(slot);
    UpdateEditCommands();
    return slot >= 0;
}

bool TMainForm::ShowFrameProperties() {
    if (document_.RefuseEdit()) return false;
    const std::int32_t page = frameSet_->MainPageNumber();
    if (page < 0 || !doc_.ObjectAt(model::testoHtml, page)) return false;
    // The dialog edits a copy of the layout as stored.
    frameSet_->Detach();
    present::ui::TFproprietaCornici dlg(doc_, page, document_.Paths().dataFolder, this);
    dlg.chooseSaveFile = [this]() -> std::optional<fs::path> {
        TFileRequest r;
        r.kind = TFileRequest::Save;
        r.caption = "Salva disposizione cornici";
        r.filter = "Disposizione cornici (*.frm)";
        auto a = shell::ui::ChooseFile(this, r);
        if (!a) return std::nullopt;
        return a->file;
    };
    const bool ok = RunDialog(dlg) == QDialog::Accepted && dlg.Apply();
    frameSet_->Reattach();
    SyncPageList();
    UpdateEditCommands();
    return ok;
}

bool TMainForm::SaveFrameLayout() {
    if (frameSet_->MainPageNumber() < 0) return false;
    TFileRequest r;
    r.kind = TFileRequest::Save;
    r.caption = "Salva disposizione cornici";
    r.filter = "Disposizione cornici (*.frm)";
    r.folder = doc_.NYXFileName().empty() ? fs::path() : doc_.NYXFileName().parent_path();
    auto answer = shell::ui::ChooseFile(this, r);
    if (!answer) return false;
    fs::path file = answer->file;
    if (file.extension().empty()) file += ".frm";
    return frameSet_->SaveLayoutFile(file);
}

bool TMainForm::LoadFrameLayout() {
    if (document_.RefuseEdit() || frameSet_->MainPageNumber() < 0) return false;
    TFileRequest r;
    r.kind = TFileRequest::Open;
    r.caption = "Carica disposizione cornici";
    r.filter = "Disposizione cornici (*.frm)";
    r.folder = document_.Paths().dataFolder / present::kFrameModelsFolder;
    auto answer = shell::ui::ChooseFile(this, r);
    if (!answer) return false;
    if (platform::ui().AskYesNo("Sei sicuro?") != platform::Answer::Yes) return false;
    const bool ok = frameSet_->LoadLayoutFile(answer->file, present::kCopyMode);
    UpdateEditCommands();
    return ok;
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
    richtext::ui::TNYXpageView* view = PageView();
    shell::TEditState st;
    st.editable = view != idleView_ && !view->ReadOnly();
    st.selection = view->Box().HasSelection();
    st.canUndo = undo_->CanUndo();
    st.canRedo = undo_->CanRedo();
    st.undoBusy = undo_->Busy();
    st.pastable = clipboardPastable_;
    for (const auto& [name, on] : shell::EditCommandStates(st)) {
        if (name == "tbUndoLista" || name == "tbRedoLista") {
            if (auto* b = toolbar_ ? toolbar_->findChild<QToolButton*>(QString::fromStdString(name)) : nullptr)
                b->setEnabled(!document_.Busy() && on);
            continue;
        }
        QAction* a = Command(name);
        if (!a) continue;
        // While a document opens or saves the commands stay off; they get this state back after.
        if (document_.Busy()) a->setProperty("quorWasEnabled", on);
        else a->setEnabled(on);
    }
    shell::TPageState ps;
    ps.editable = !frameSet_->ReadOnly() && !document_.ReadOnly();
    ps.pageShown = frameSet_->MainPageNumber() >= 0 && frameSet_->Top();
    ps.canGoBack = frameSet_->CanGoBack();
    ps.canUndoDeletion = document_.CanUndoPageDeletion();
    for (const auto& [name, on] : shell::PageCommandStates(ps)) {
        QAction* a = Command(name);
        if (!a) continue;
        if (document_.Busy()) a->setProperty("quorWasEnabled", on);
        else a->setEnabled(on);
    }
    for (const shell::TStyleCommandDef& d : shell::StyleCommands())
        if (QAction* a = Command(d.name)) a->setChecked(view->StyleOn(d.bit));
    for (const auto& fn : editStateListeners_) fn();
}

void TMainForm::DetachFromSet() {
    // Edits go into the hypertext before it is written; the working copies
    // point into the objects a save replaces.
    linkWindows_->CloseAll();
    frameSet_->Detach();
    detached_ = true;
    QSignalBlocker block(pages_);
    pages_->clear();
}

void TMainForm::ReattachToSet() {
    if (document_.Closing()) return;
    detached_ = false;
    SyncPageList();
    frameSet_->Reattach();
    if (frameSet_->MainPageNumber() < 0) ShowPages();
    SyncPageList();
    UpdateEditCommands();
}

void TMainForm::DropContents() {
    QSignalBlocker block(pages_);
    pages_->clear();
    frameSet_->Drop();
}

// --- other windows ----------------------------------------------------------------------

void TMainForm::ShowOptionsDialog() {
    TFopzioni dlg(this);
    dlg.Load(shell::options());
    dlg.SetSpellingNote(SpellingUnavailableReason(*this));
    if (RunDialog(dlg) != QDialog::Accepted) return;
    dlg.Store(shell::options());
    shell::ApplyOptions(shell::options(), *this);
}

void TMainForm::ShowPropertiesDialog() {
    // Its password and read-only flag are not for whoever cannot edit.
    if (document_.RefuseEdit()) return;
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
