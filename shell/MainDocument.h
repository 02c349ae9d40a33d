// The document of the main window without the window: the hypertext being
// edited and the prototype library, opening, saving and their questions, the
// recent files, the save reminder, the start sequence and the read-only state
// of a hypertext. It asks the user through platform::Ui and asks the window
// that shows it (TDocumentHost) for file choices, the password and what it
// shows; the desktop's main window is a thin Qt shell over it, and tests and
// the command-line tool drive it headless.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/html/ImportJob.h"
#include "model/NYXset.h"
#include "platform/Timer.h"
#include "present/Pages.h"
#include "shell/HtmlOpenChoices.h"
#include "shell/NewHypertext.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/StartLogic.h"

namespace shell {

extern const char* const kAppTitle;  // "Quor"

// A file the user is asked to choose.
struct TFileRequest {
    enum Kind { Open, Save, Folder } kind = Open;  // Folder: an existing folder
    std::string caption;           // UTF-8
    std::filesystem::path folder;  // where the choice starts
    std::string suggested;         // proposed name (Save)
    std::string filter;            // ";;"-separated, "Nome (*.ext)" each
};
struct TFileAnswer {
    std::filesystem::path file;
    int type = 1;  // 1-based index of the chosen filter
};

// What the document needs from the window that shows it. Everything but the
// file choice and the password has an empty default.
class TDocumentHost {
public:
    virtual ~TDocumentHost() = default;
    // nullopt when the user cancels.
    virtual std::optional<TFileAnswer> ChooseFile(const TFileRequest& request) = 0;
    // The password that makes a read-only hypertext editable (UTF-8);
    // nullopt when the user cancels.
    virtual std::optional<std::string> AskPassword(std::string_view prompt) = 0;
    // A document operation begins (true) or ends (false): commands that would
    // start another one must be off meanwhile.
    virtual void BusyChanged(bool /*busy*/) {}
    virtual void CaptionChanged(const std::string& /*utf8*/) {}
    virtual void RecentFilesChanged() {}
    // Another hypertext is in place (new, opened, or a failed open's new one).
    virtual void DocumentReplaced() {}
    // ReadOnly() changed, or a new document starts in its own state.
    virtual void ReadOnlyChanged() {}
    // The page shown holds edits not yet stored into the hypertext.
    virtual bool HasPendingEdits() const { return false; }
    // False while another question or dialog is on screen.
    virtual bool CanAskNow() const { return true; }
    virtual void StatusMessage(const std::string& /*utf8*/) {}
    // The page shown (-1: none), for the exports of the current page.
    virtual std::int32_t CurrentPage() const { return -1; }
    // An import added pages; `first` is the first of them (-1: none was made).
    virtual void PagesImported(std::int32_t /*first*/) {}
    // Progress of a long operation (UTF-8); true when the user asks to stop.
    virtual bool Progress(const std::string& /*utf8*/) { return false; }
    // A CD-ROM builder settings file (".wzz") to open in the builder's
    // window; false when there is no such window.
    virtual bool OpenCdRomSettings(const std::filesystem::path& /*file*/) { return false; }
    // "Apri..." of an HTML file: what the user chose in the window that asks
    // (nullopt: cancelled). Without such a window the page goes into the
    // hypertext being edited.
    virtual std::optional<THtmlOpenAction> ChooseHtmlOpen(THtmlOpenChoices& /*choices*/) { return THtmlOpenAction::InsertPage; }
};

class TMainDocument : public TOptionsTarget {
public:
    TMainDocument(TProgramPaths paths, TDocumentHost& host);
    ~TMainDocument() override;
    TMainDocument(const TMainDocument&) = delete;
    TMainDocument& operator=(const TMainDocument&) = delete;

    // --- start ------------------------------------------------------------------
    // Opens the prototype library, runs the installation set-up when asked,
    // opens the command line's file (or makes the default start) and keeps
    // the start action for later.
    void Start(const TStartCommand& command);
    // `DefaultLib`, else the user's "Custom/default.cus" (copied from the
    // shipped one on first use, created empty when there is none). A library
    // that cannot be read is reported and kept as it is on disk.
    void OpenLibrary();
    // `LastFile` unless `AtStartBlank` is "1", else a new untitled hypertext.
    void DefaultStart();
    // "/INIT": the installation defaults and the desktop entry.
    void RunInstallationSetup();

    // --- document commands ------------------------------------------------------
    bool NewDocument();     // "Nuovo ipertesto" (asks first)
    bool NewFromModel();    // "Nuovo da..."
    // A new hypertext from a model of the new-hypertext window: a saved
    // model opened as a new document, or a built-in one made afresh; `title`
    // (Windows-1252, may be empty) becomes the hypertext's title.
    bool NewFromChosenModel(const THypertextModel& model, std::string_view title);
    // "Apri..." ("Trova file..." with `anyFile`): asks for a file and opens it.
    bool ChooseAndOpen(const char* caption, bool anyFile);
    bool OpenDocument(const std::filesystem::path& file, bool ask);
    bool OpenNative(const std::filesystem::path& file, bool asNew);
    bool SaveAll();         // "Salva tutto"
    bool SaveAs();          // "Salva con nome..."
    bool SaveAsTemplate();  // "Salva come modello..."
    bool SaveDocument(const std::filesystem::path& file, int type, bool ask, bool asTemplate);
    // "Salvo le modifiche fatte a ...?"; false when the user cancelled or a
    // wanted save failed.
    bool AskSaveChanges();
    void AddRecent(const std::filesystem::path& file);
    void RemoveRecent(const std::filesystem::path& file);
    // The close query: asks to save changes. True: the document may go (and
    // stays in its closing state); false: it stays open.
    bool CanClose();
    // Files dropped on the window: the first native file or library opens
    // (after the save question). Returns the files not taken.
    std::vector<std::filesystem::path> DropFiles(const std::vector<std::filesystem::path>& files);
    // Files in as new pages ("Importa/apri pagine...", and HTML and text
    // files opened or dropped), with progress and Stop through the host. The
    // report goes to the user when it says more than how many pages came in.
    convert::html::TImportOutcome ImportPages(const convert::html::TImportChoices& choices, bool showReport = true);
    // "Apri..." of an HTML file: asks the host what to do with it (the page
    // of the native file its page marker names, a copy of that file, a new
    // hypertext, the page into this one) and does it.
    bool OpenHtml(const std::filesystem::path& file);
    bool OpenHtmlAs(const THtmlOpenChoices& choices, THtmlOpenAction action);

    // --- pages ----------------------------------------------------------------------
    // "Aggiungi nuova pagina" / "Nuova pagina...": a new page (with a title,
    // and divided as a ".frm" layout model when one is given); its slot, -1
    // when refused (a read-only hypertext).
    std::int64_t AddPage(std::string_view title = {}, const std::filesystem::path& layoutModel = {});
    // Deletes a page from the page list: refused with who uses it, else
    // asked; the deletion can be taken back until the hypertext is saved.
    bool DeletePage(std::int64_t slot);
    bool CanUndoPageDeletion() const { return trash_.CanUndo(); }
    // The slot of the page that came back, -1 for none.
    std::int64_t UndoPageDeletion();

    // --- save reminder ------------------------------------------------------------
    void SetSaveReminder(bool on, int minutes) override;
    // The reminder's tick: "Promemoria: vuoi salvare?", never inside another
    // operation (then it asks again a little later).
    void SaveReminderFired();
    bool SaveReminderRunning() const;
    int SaveReminderInterval() const { return reminderMs_; }  // milliseconds

    // --- read-only hypertexts -----------------------------------------------------
    // True while a hypertext whose read-only flag is set is shown as a reader
    // sees it: it opens so and stays so until its password is given.
    bool ReadOnly() const { return readOnly_; }
    // Makes it editable: asks for the password when it has one. True when
    // it is editable afterwards.
    bool Unlock();
    // For an editing attempt: true (and the user is told why) when the
    // hypertext is read-only.
    bool RefuseEdit();

    // --- options ------------------------------------------------------------------
    void SetPictureCacheSize(int pictures) override;
    void SetUndoDepth(int steps) override;
    void SetAltFromPictureNames(bool on) override;
    void SetBackups(bool on) override;
    // Recent files and `LastFile` (when the last document still exists).
    void StoreOptions(TOptionsStore& store) const;

    // --- state --------------------------------------------------------------------
    model::TNYXset& Set() { return doc_; }
    const model::TNYXset& Set() const { return doc_; }
    model::TNYXset& Library() { return library_; }
    const std::filesystem::path& LibraryFile() const { return libraryFile_; }
    // "" for an untitled hypertext.
    const std::filesystem::path& DocumentName() const { return documentName_; }
    // "Senza titolo" or the file name.
    std::string DocumentTitle() const;
    // The main window's caption (UTF-8).
    std::string Caption() const;
    const std::vector<std::string>& RecentFiles() const { return recent_.Files(); }
    TNextAction NextAction() const { return nextAction_; }
    bool Saved() const { return saved_; }
    bool Busy() const { return busy_ > 0; }
    bool Closing() const { return closing_; }
    const TProgramPaths& Paths() const { return paths_; }

    // The lines of the "Errori" window before a save that would lose
    // content: one per object whose content cannot be read.
    std::vector<std::string> LossList() const;

    // While alive, document operations are refused and the host has its
    // commands off.
    class TBusyScope {
    public:
        explicit TBusyScope(TMainDocument& d);
        ~TBusyScope();
        TBusyScope(const TBusyScope&) = delete;
        TBusyScope& operator=(const TBusyScope&) = delete;

    private:
        TMainDocument& d_;
    };

private:
    void NewDocumentNoAsk();
    void SetCaption(const std::filesystem::path& file);
    void SetReadOnly(bool on);
    bool ConfirmLossySave();

    TProgramPaths paths_;
    TDocumentHost& host_;
    model::TNYXset doc_;
    model::TNYXset library_;
    std::filesystem::path libraryFile_;
    std::filesystem::path documentName_;
    std::filesystem::path lastDocument_;
    TRecentFiles recent_;
    present::TPageTrash trash_;
    TNextAction nextAction_ = TNextAction::Normal;
    bool saved_ = false;
    bool closing_ = false;
    bool readOnly_ = false;
    bool lossRefused_ = false;
    bool reminderOn_ = false;
    int reminderMs_ = 0;
    int busy_ = 0;
    std::unique_ptr<platform::Timer> timerSave_;
    std::unique_ptr<platform::Timer> timerRetry_;
};

}  // namespace shell
