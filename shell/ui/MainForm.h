// The main window of the desktop program: a Qt shell over the document
// (shell/MainDocument.h), which holds the hypertext, the prototype library and
// the document commands. The window builds the command map (menus, shortcuts,
// toolbars), lists the pages on the left and shows and edits the selected
// page through the frame set, asks for files and passwords, and runs the
// delayed start action.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/NYXset.h"
#include "shell/MainDocument.h"
#include "shell/ProgramOptions.h"
#include "shell/StartLogic.h"

class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QToolBar;

namespace richtext {
class TNYXbackup;
class TNYXundoList;
}
namespace richtext::ui {
class TNYXpageView;
class TUndoDropDown;
}
namespace model {
class TNYXoggetto;
}
namespace present {
class TFramePage;
}
namespace present::ui {
class TInsiemeCornici;
class TNYXListView;
}

class QProgressDialog;

namespace shell::ui {

using shell::kAppTitle;
using shell::TNextAction;
using shell::TProgramPaths;
using shell::TStartCommand;

// A window of a layer above the main window's (the album) that shows the
// document carries this property set to true: the main window deletes it
// before the document goes.
inline constexpr const char* kDocumentWindowProperty = "quorDocumentWindow";

class TLinkWindows;

class TMainForm : public QMainWindow,
                  public shell::TOptionsTarget,
                  public model::TNYXview,
                  private shell::TDocumentHost {
    Q_OBJECT
public:
    explicit TMainForm(TProgramPaths paths, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up once the window is shown: the prototype library, the command
    // line (or the default start), the one-shot start timer.
    void Start(const TStartCommand& command);

    // --- document commands (the document's, see shell/MainDocument.h) -------
    shell::TMainDocument& MainDocument() { return document_; }
    bool NewDocument() { return document_.NewDocument(); }
    bool NewFromModel() { return document_.NewFromModel(); }
    bool OpenDocument(const std::filesystem::path& file, bool ask) { return document_.OpenDocument(file, ask); }
    bool OpenNative(const std::filesystem::path& file, bool asNew) { return document_.OpenNative(file, asNew); }
    bool SaveAll() { return document_.SaveAll(); }
    bool SaveAs() { return document_.SaveAs(); }
    bool SaveAsTemplate() { return document_.SaveAsTemplate(); }
    bool SaveDocument(const std::filesystem::path& file, int type, bool ask, bool asTemplate) {
        return document_.SaveDocument(file, type, ask, asTemplate);
    }
    bool AskSaveChanges() { return document_.AskSaveChanges(); }
    void AddRecent(const std::filesystem::path& file) { document_.AddRecent(file); }
    void RemoveRecent(const std::filesystem::path& file) { document_.RemoveRecent(file); }
    // Close query: asks to save changes; false keeps the window open.
    bool CanClose();
    void SaveReminderFired() { document_.SaveReminderFired(); }
    // Files dropped on the window: a native file or library opens (after the
    // save question); pictures and other files wait for the page editor.
    void DropFiles(const std::vector<std::filesystem::path>& files);
    // "Solo lettura" (F11): view mode on or off; off for a read-only
    // hypertext first asks for its password.
    void SetViewMode(bool on);
    void ShowOptionsDialog();
    // "Esporta pagine..." / "Esporta Html...": the whole hypertext as a web
    // site in a folder the user chooses. Returns whether every file was written.
    bool ExportHtml();
    // "Corrente pagina in browser di default": exports into the working folder
    // and opens the current page with the desktop's browser (xdg-open).
    bool ShowCurrentPageInBrowser();
    void ShowPropertiesDialog();

    // --- editing ---------------------------------------------------------------
    // The frame set through which every page is shown and edited.
    present::ui::TInsiemeCornici* FrameSet() const { return frameSet_; }
    // The windows that links of the pages opened in view mode.
    TLinkWindows& LinkWindows() const { return *linkWindows_; }
    // The page being edited: the current frame's page view (else the first
    // frame's; an empty one when nothing is shown).
    richtext::ui::TNYXpageView* PageView() const;
    // The hypertext's undo list.
    richtext::TNYXundoList& UndoList() { return *undo_; }
    // Stores the edits of the page shown and shows it again; true when it stored.
    bool CommitPageEdits();
    // Opens the drop-down list of undo (redo) steps under its toolbar button.
    void OpenUndoList();
    void OpenRedoList();
    richtext::ui::TUndoDropDown* UndoDropDown() const { return undoDrop_; }
    richtext::ui::TUndoDropDown* RedoDropDown() const { return redoDrop_; }
    // Follows a link of the page being edited through the frame set, on the
    // next turn of the event loop: a link to a page shows it (the page left
    // keeps its edits), one to an anchor puts the caret there; links of
    // other kinds are told on the status line. False when there is none.
    bool FollowLink(std::int32_t key);
    // "Indietro": the page shown before.
    bool GoBack();
    // Enables the Modifica, page and frame commands for the state of the page shown.
    void UpdateEditCommands();
    // Called at the end of every UpdateEditCommands (the caret moved, the
    // selection or the page changed): controls that show the caret's
    // attributes follow it.
    void AddEditStateListener(std::function<void()> fn) { editStateListeners_.push_back(std::move(fn)); }

    // --- pages -----------------------------------------------------------------
    // "Aggiungi nuova pagina": a new empty page, shown at once; its slot or -1.
    std::int64_t AddNewPage();
    // "Nuova pagina...": a title and, optionally, a frame layout model.
    std::int64_t NewPageDialog();
    // "Tutte le pagine dell'ipertesto...": the chosen page is shown.
    bool ShowAllPages();
    // Deletes the page selected in the page list (asked; refused when in use).
    bool DeleteSelectedPage();
    // "Ripristina pagina cancellata".
    bool RestoreDeletedPage();
    // Shows a page of the hypertext (its slot); the page list follows.
    bool ShowPageSlot(std::int64_t slot);
    // The page list and the commands follow pages added, renamed or deleted
    // elsewhere (the album).
    void RefreshPageList();
    // "Proprietà insieme cornici...", "Salva disposizione cornici...",
    // "Carica disposizione cornici..." (after "Sei sicuro?").
    bool ShowFrameProperties();
    bool SaveFrameLayout();
    bool LoadFrameLayout();

    // --- state ---------------------------------------------------------------
    model::TNYXset& Document() { return document_.Set(); }
    model::TNYXset& Library() { return document_.Library(); }
    const std::filesystem::path& LibraryFile() const { return document_.LibraryFile(); }
    // "" for an untitled hypertext.
    const std::filesystem::path& DocumentName() const { return document_.DocumentName(); }
    const std::vector<std::string>& RecentFiles() const { return document_.RecentFiles(); }
    TNextAction NextAction() const { return document_.NextAction(); }
    bool Saved() const { return document_.Saved(); }
    bool Busy() const { return document_.Busy(); }
    bool SaveReminderRunning() const { return document_.SaveReminderRunning(); }
    int SaveReminderInterval() const { return document_.SaveReminderInterval(); }
    const TProgramPaths& Paths() const { return document_.Paths(); }
    // A command by object name ("actApri", ...); nullptr when unknown.
    QAction* Command(const std::string& name) const;
    std::vector<QAction*> Commands() const;
    // Called once the start timer has done its action.
    std::function<void()> onStarted;
    // Stores the options kept by the window (recent files, last file,
    // placement, toolbars); also done when the window is destroyed.
    void StoreOptions();
    // How many texts the interface texts file set when the window was made.
    int LocalizedTexts() const { return localizedTexts_; }

    // --- TOptionsTarget --------------------------------------------------------
    void SetPictureCacheSize(int pictures) override { document_.SetPictureCacheSize(pictures); }
    void SetUndoDepth(int steps) override;
    void SetSaveReminder(bool on, int minutes) override { document_.SetSaveReminder(on, minutes); }
    void SetAltFromPictureNames(bool on) override { document_.SetAltFromPictureNames(on); }
    void SetTypographicQuotes(bool on) override;
    void SetBackups(bool on) override { document_.SetBackups(on); }
    void SetBrowsers(const std::vector<shell::TBrowser>& browsers) override;

    // --- TNYXview --------------------------------------------------------------
    void DetachFromSet() override;
    void ReattachToSet() override;
    void DropContents() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // --- TDocumentHost ---------------------------------------------------------
    std::optional<shell::TFileAnswer> ChooseFile(const shell::TFileRequest& request) override;
    std::optional<std::string> AskPassword(std::string_view prompt) override;
    void BusyChanged(bool busy) override;
    void CaptionChanged(const std::string& caption) override;
    void RecentFilesChanged() override { BuildRecentMenu(); }
    void DocumentReplaced() override;
    void ReadOnlyChanged() override;
    bool HasPendingEdits() const override;
    bool CanAskNow() const override;
    void StatusMessage(const std::string& text) override;
    std::int32_t CurrentPage() const override;
    void PagesImported(std::int32_t first) override;
    bool Progress(const std::string& text) override;
    std::optional<shell::THtmlOpenAction> ChooseHtmlOpen(shell::THtmlOpenChoices& choices) override;
    bool OpenCdRomSettings(const std::filesystem::path& file) override;

    void BuildCommands();
    void BuildRecentMenu();
    void RestorePlacement();
    void ApplyLanguage();
    void TimerNextActionFired();
    void ShowPages();
    void ShowPage(int row);
    // The page list's rows are sorted by title: these map rows and page slots.
    int PageRows() const;
    std::int64_t SlotOfRow(int row) const;
    int RowOfSlot(std::int64_t slot) const;
    int CurrentPageRow() const;
    void SetCurrentPageRow(int row);
    // Renaming a page in the list: the frames let go of their copies while
    // the editor is open; the rename is one undo step.
    void PageRenameStarted(model::TNYXoggetto& page);
    void PageRenamed(model::TNYXoggetto& page);
    void PageRenameEnded();
    // The page list follows the hypertext's pages (added, renamed, deleted)
    // and selects the page shown.
    void SyncPageList();
    // What the frame set passes on after following a link.
    void LinkFollowed(present::TFramePage* sender, const model::TNYXoggetto* record);
    void ShowWindowsDialog();
    void ShowImportDialog();
    void ShowAbout();
    void ShowTips();

    present::ui::TNYXListView* pages_ = nullptr;
    QLineEdit* pageFilter_ = nullptr;
    std::unique_ptr<richtext::TNYXbackup> renameBackup_;  // the page's record before a rename
    std::string renameFrom_;
    bool renaming_ = false;
    bool renameChanged_ = false;
    present::ui::TInsiemeCornici* frameSet_ = nullptr;
    richtext::ui::TNYXpageView* idleView_ = nullptr;  // stands in while nothing is shown
    shell::TMainDocument document_;
    model::TNYXset& doc_;  // the document's hypertext
    std::unique_ptr<TLinkWindows> linkWindows_;
    std::unique_ptr<richtext::TNYXundoList> undo_;  // over the document's hypertext: goes first
    bool optionsStored_ = false;
    int localizedTexts_ = 0;
    QTimer timerNextAction_;

    std::map<std::string, QAction*> actions_;
    std::vector<std::function<void()>> editStateListeners_;
    QMenu* fileMenu_ = nullptr;
    QMenu* publishMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<QAction*> browserActions_;
    QToolBar* toolbar_ = nullptr;
    QToolBar* formatBar_ = nullptr;
    richtext::ui::TUndoDropDown* undoDrop_ = nullptr;
    richtext::ui::TUndoDropDown* redoDrop_ = nullptr;
    bool detached_ = false;  // a save took the pages away and has not shown them again
    bool clipboardPastable_ = false;
    QProgressDialog* progress_ = nullptr;  // of an import that takes longer than a moment
};

}  // namespace shell::ui
