// The main window of the desktop program: owns the hypertext being edited and
// the prototype library, the command map (menus, shortcuts, toolbar), the
// document commands, the recent files, the save reminder and the delayed
// start action. Until the page editor exists the central area lists the
// pages and shows the selected page's text read-only.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/NYXset.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/StartLogic.h"

class QAction;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QToolBar;

namespace richtext {
class TNYXundoList;
}
namespace richtext::ui {
class TNYXpageView;
class TUndoDropDown;
}

namespace shell::ui {

extern const char* const kAppTitle;  // "Quor"

class TMainForm : public QMainWindow, public shell::TOptionsTarget, public model::TNYXview {
    Q_OBJECT
public:
    explicit TMainForm(TProgramPaths paths, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up once the window is shown: the prototype library, the command
    // line (or the default start), the one-shot start timer.
    void Start(const TStartCommand& command);

    // --- document commands --------------------------------------------------
    bool NewDocument();                          // "Nuovo ipertesto" (asks first)
    bool NewFromModel();                         // "Nuovo da..."
    bool OpenDocument(const std::filesystem::path& file, bool ask);
    bool OpenNative(const std::filesystem::path& file, bool asNew);
    bool SaveAll();                              // "Salva tutto"
    bool SaveAs();                               // "Salva con nome..."
    bool SaveAsTemplate();                       // "Salva come modello..."
    bool SaveDocument(const std::filesystem::path& file, int type, bool ask, bool asTemplate);
    // False when the user cancelled (or a wanted save failed).
    bool AskSaveChanges();
    void SetCaption(const std::filesystem::path& file);
    void AddRecent(const std::filesystem::path& file);
    void RemoveRecent(const std::filesystem::path& file);
    // Close query: asks to save changes; false keeps the window open.
    bool CanClose();
    // The save reminder's tick (the timer calls it).
    void SaveReminderFired();
    // Files dropped on the window: a native file or library opens (after the
    // save question); pictures and other files wait for the page editor.
    void DropFiles(const std::vector<std::filesystem::path>& files);
    void ShowOptionsDialog();
    // "Esporta pagine..." / "Esporta Html...": the whole hypertext as a web
    // site in a folder the user chooses. Returns whether every file was written.
    bool ExportHtml();
    // "Corrente pagina in browser di default": exports into the working folder
    // and opens the current page with the desktop's browser (xdg-open).
    bool ShowCurrentPageInBrowser();
    void ShowPropertiesDialog();

    // --- editing ---------------------------------------------------------------
    // The page being edited (the central area's box).
    richtext::ui::TNYXpageView* PageView() const { return pageView_; }
    // The hypertext's undo list.
    richtext::TNYXundoList& UndoList() { return *undo_; }
    // Stores the edits of the page shown and shows it again; true when it stored.
    bool CommitPageEdits();
    // Opens the drop-down list of undo (redo) steps under its toolbar button.
    void OpenUndoList();
    void OpenRedoList();
    richtext::ui::TUndoDropDown* UndoDropDown() const { return undoDrop_; }
    richtext::ui::TUndoDropDown* RedoDropDown() const { return redoDrop_; }
    // Follows a link of the page shown: a link to a page of the hypertext
    // shows that page (the page left keeps its edits), and a link to an
    // anchor puts the caret there, in that page or the one shown; false for
    // any other.
    bool FollowLink(std::int32_t key);
    // Enables the Modifica commands for the state of the page shown.
    void UpdateEditCommands();

    // --- state ---------------------------------------------------------------
    model::TNYXset& Document() { return doc_; }
    model::TNYXset& Library() { return library_; }
    const std::filesystem::path& LibraryFile() const { return libraryFile_; }
    // "" for an untitled hypertext.
    const std::filesystem::path& DocumentName() const { return documentName_; }
    const std::vector<std::string>& RecentFiles() const { return recent_.Files(); }
    TNextAction NextAction() const { return nextAction_; }
    bool Saved() const { return saved_; }
    bool Busy() const { return busy_ > 0; }
    bool SaveReminderRunning() const { return timerSave_.isActive(); }
    int SaveReminderInterval() const { return timerSave_.interval(); }
    const TProgramPaths& Paths() const { return paths_; }
    // A command by object name ("actApri", ...); nullptr when unknown.
    QAction* Command(const std::string& name) const;
    std::vector<QAction*> Commands() const;
    // Called once the start timer has done its action.
    std::function<void()> onStarted;
    // Stores the options kept by the window (recent files, last file,
    // placement, toolbars); also done when the window is destroyed.
    void StoreOptions();

    // --- TOptionsTarget --------------------------------------------------------
    void SetPictureCacheSize(int pictures) override;
    void SetUndoDepth(int steps) override;
    void SetSaveReminder(bool on, int minutes) override;
    void SetAltFromPictureNames(bool on) override;
    void SetTypographicQuotes(bool on) override;
    void SetBackups(bool on) override;
    void SetBrowsers(const std::vector<shell::TBrowser>& browsers) override;

    // --- TNYXview --------------------------------------------------------------
    void DetachFromSet() override;
    void ReattachToSet() override;
    void DropContents() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    class TBusyScope;
    void BuildCommands();
    void BuildRecentMenu();
    void RestorePlacement();
    void ApplyLanguage();
    void OpenLibrary();
    void DefaultStart();
    void NewDocumentNoAsk();
    void TimerNextActionFired();
    void ShowPages();
    void ShowPage(int row);
    // The list entry of a page takes the page's title again.
    void RefreshPageTitle(std::int64_t slot);
    void ChooseAndOpen(const char* caption, bool anyFile);
    void ShowWindowsDialog();
    void ShowAbout();
    void ShowTips();
    void RunInstallationSetup();
    std::string DocumentTitle() const;

    TProgramPaths paths_;
    model::TNYXset doc_;
    model::TNYXset library_;
    std::filesystem::path libraryFile_;
    std::filesystem::path documentName_;
    std::filesystem::path lastDocument_;
    TRecentFiles recent_;
    TNextAction nextAction_ = TNextAction::Normal;
    bool saved_ = false;
    bool closing_ = false;
    bool optionsStored_ = false;
    bool reminderOn_ = false;
    int busy_ = 0;
    QTimer timerSave_;
    QTimer timerNextAction_;

    std::map<std::string, QAction*> actions_;
    QMenu* fileMenu_ = nullptr;
    QMenu* publishMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    std::vector<QAction*> browserActions_;
    QToolBar* toolbar_ = nullptr;
    QToolBar* formatBar_ = nullptr;
    QListWidget* pages_ = nullptr;
    richtext::ui::TNYXpageView* pageView_ = nullptr;
    std::unique_ptr<richtext::TNYXundoList> undo_;
    richtext::ui::TUndoDropDown* undoDrop_ = nullptr;
    richtext::ui::TUndoDropDown* redoDrop_ = nullptr;
    int detachedRow_ = -1;
    bool clipboardPastable_ = false;
};

}  // namespace shell::ui
