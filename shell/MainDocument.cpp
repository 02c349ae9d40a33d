#include "shell/MainDocument.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "convert/html/HtmlImport.h"
#include "convert/html/NYXtoHtml.h"
#include "convert/rtf/NYXtortf.h"
#include "convert/text/NYXtoTxt.h"
#include "model/LoadedFile.h"
#include "model/NYXoggetto.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace shell {

const char* const kAppTitle = "Quor";

namespace {

std::string LowerExt(const fs::path& f) { return text::Lower(f.extension().string()); }

// A question asked in the middle of a save should not come under the
// hourglass.
class TBusyPause {
public:
    TBusyPause() { platform::ui().EndBusy(); }
    ~TBusyPause() { platform::ui().BeginBusy(); }
    TBusyPause(const TBusyPause&) = delete;
    TBusyPause& operator=(const TBusyPause&) = delete;
};

constexpr int kReminderRetryMs = 5000;
constexpr int kPasswordCap = 16;  // the header's read-only password

}  // namespace

TMainDocument::TBusyScope::TBusyScope(TMainDocument& d) : d_(d) {
    if (d_.busy_++ == 0) d_.host_.BusyChanged(true);
}

TMainDocument::TBusyScope::~TBusyScope() {
    if (--d_.busy_ == 0) d_.host_.BusyChanged(false);
}

TMainDocument::TMainDocument(TProgramPaths paths, TDocumentHost& host)
    : paths_(std::move(paths)),
      host_(host),
      timerSave_(platform::timers().MakeTimer()),
      timerRetry_(platform::timers().MakeTimer()) {
    doc_.confirmLossySave = [this] { return ConfirmLossySave(); };
    // The editors of free HTML texts paste text with its "!Ref" references
    // turned into markers by the text converter.
    convert::text::InstallCodePaste();
    recent_.Assign(ReadRecentFiles(options()));
}

TMainDocument::~TMainDocument() {
    timerSave_->Stop();
    timerRetry_->Stop();
    doc_.confirmLossySave = nullptr;
}

// --- start -------------------------------------------------------------------------

void TMainDocument::Start(const TStartCommand& command) {
    OpenLibrary();
    if (command.init) RunInstallationSetup();
    nextAction_ = command.action;
    std::error_code ec;
    if (!command.file.empty() && fs::is_regular_file(fs::path(command.file), ec)) {
        // CD-ROM settings open in the builder, over the usual start.
        if (LowerExt(fs::path(command.file)) == ".wzz") DefaultStart();
        OpenDocument(fs::path(command.file), false);
    } else {
        DefaultStart();
    }
}

void TMainDocument::OpenLibrary() {
    const TProgramOptions opts = ReadProgramOptions(options());
    libraryFile_ = DefaultLibraryFile(opts.defaultLib, paths_.userFolder);
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

void TMainDocument::DefaultStart() {
    const TProgramOptions opts = ReadProgramOptions(options());
    const fs::path last(text::Cp1252ToUtf8(opts.lastFile));
    std::error_code ec;
    if (!opts.lastFile.empty() && !opts.atStartBlank && fs::is_regular_file(last, ec) && OpenDocument(last, false))
        return;
    NewDocumentNoAsk();
}

void TMainDocument::RunInstallationSetup() {
    WriteInstallationDefaults(options());
    const fs::path apps = UserApplicationsFolder();
    std::error_code ec;
    fs::create_directories(apps, ec);
    if (!fs::is_directory(apps, ec)) {
        platform::ui().Information("PM: No set link!");
        return;
    }
    const fs::path exe = paths_.executable.empty() ? paths_.programFolder / "quor" : paths_.executable;
    if (WriteDesktopEntry(exe, apps).empty()) platform::ui().Warning("PM error 2");
}

// --- document commands ---------------------------------------------------------------

std::string TMainDocument::DocumentTitle() const {
    return documentName_.empty() ? std::string("Senza titolo") : documentName_.string();
}

std::string TMainDocument::Caption() const {
    if (documentName_.empty()) return std::string("Senza titolo - ") + kAppTitle;
    return CaptionFor(documentName_, paths_.examplesFolder, kAppTitle);
}

void TMainDocument::SetCaption(const fs::path& file) {
    documentName_ = file;
    host_.CaptionChanged(Caption());
}

bool TMainDocument::AskSaveChanges() {
    // Edits of the page shown count as changes before they are stored.
    if (!doc_.Modified() && !host_.HasPendingEdits()) return true;
    switch (platform::ui().AskYesNoCancel("Salvo le modifiche fatte a " + DocumentTitle() + "?")) {
        case platform::Answer::Cancel: return false;
        case platform::Answer::No: return true;
        case platform::Answer::Yes: return SaveAll();
    }
    return false;
}

void TMainDocument::NewDocumentNoAsk() {
    TBusyScope busy(*this);
    trash_.Clear();
    SetCaption({});
    doc_.NewHypertext();
    SetReadOnly(false);
    host_.DocumentReplaced();
}

bool TMainDocument::NewDocument() {
    if (busy_ || !AskSaveChanges()) return false;
    NewDocumentNoAsk();
    return true;
}

bool TMainDocument::NewFromModel() {
    if (busy_) return false;
    std::error_code ec;
    fs::create_directories(paths_.TemplatesFolder(), ec);
    TFileRequest r;
    r.kind = TFileRequest::Open;
    r.caption = "Nuovo da...";
    r.folder = paths_.TemplatesFolder();
    r.filter = "Modelli di ipertesto (*.nyx)";
    const auto model = host_.ChooseFile(r);
    if (!AskSaveChanges()) return false;
    if (model && !model->file.empty()) return OpenNative(model->file, true);
    NewDocumentNoAsk();
    return true;
}

bool TMainDocument::NewFromChosenModel(const THypertextModel& model, std::string_view title) {
    if (busy_ || !AskSaveChanges()) return false;
    if (!model.file.empty()) {
        if (!OpenNative(model.file, true)) return false;
        if (!title.empty()) doc_.SetTitle(title);
        return true;
    }
    {
        TBusyScope busy(*this);
        trash_.Clear();
        SetCaption({});
        doc_.NewHypertext();
        BuildModel(doc_, model.builtIn, title);
        SetReadOnly(false);
        host_.DocumentReplaced();
    }
    return true;
}

bool TMainDocument::ChooseAndOpen(const char* caption, bool anyFile) {
    if (busy_) return false;
    TFileRequest r;
    r.kind = TFileRequest::Open;
    r.caption = caption;
    r.folder = documentName_.empty() ? paths_.examplesFolder : documentName_.parent_path();
    r.filter = anyFile ? "Tutti i file (*)"
                       : "Ipertesti Quor (*.nyx);;Librerie di prototipi (*.cus);;Impostazioni creazione CD quor (*.wzz);;"
                         "Pagine HTML (*.htm *.html);;Testo (*.txt *.ini *.asc);;Tutti i file (*)";
    const auto a = host_.ChooseFile(r);
    return a && OpenDocument(a->file, true);
}

bool TMainDocument::OpenDocument(const fs::path& given, bool ask) {
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
        host_.StatusMessage("Libreria di prototipi: " + file.string());
        return true;
    }
    if (ext == ".htm" || ext == ".html") return OpenHtml(file);
    if (ext == ".txt" || ext == ".ini" || ext == ".asc") {
        convert::html::TImportChoices c;
        c.format = convert::html::ifText;
        c.files = {file};
        return !ImportPages(c).report.pages.empty();
    }
    if (ext == ".rtf" || ext == ".doc" || ext == ".wri") {
        convert::html::TImportChoices c;
        c.format = convert::html::ImportFormatOf(file);
        if (c.format < 0) return false;
        c.files = {file};
        return !ImportPages(c).report.pages.empty();
    }
    if (ext == ".wzz") return host_.OpenCdRomSettings(file);
    // Pictures are handled by their own windows; until those exist nothing
    // is opened.
    return false;
}

bool TMainDocument::OpenHtml(const fs::path& file) {
    if (busy_) return false;
    THtmlOpenChoices choices(file);
    const std::optional<THtmlOpenAction> action = host_.ChooseHtmlOpen(choices);
    return action && OpenHtmlAs(choices, *action);
}

bool TMainDocument::OpenHtmlAs(const THtmlOpenChoices& choices, THtmlOpenAction action) {
    if (busy_) return false;
    convert::html::TImportChoices c;
    c.format = convert::html::ifHtml;
    c.files = {choices.File()};
    switch (action) {
        case THtmlOpenAction::EditNative:
        case THtmlOpenAction::OpenCopy: {
            if (!choices.Found() || !AskSaveChanges()) return false;
            if (!OpenNative(choices.NativeFile(), action == THtmlOpenAction::OpenCopy)) return false;
            const model::TNYXoggetto* page = doc_.ObjectAt(model::testoHtml, choices.Page());
            if (page && !page->IsEmpty()) host_.PagesImported(choices.Page());
            return true;
        }
        case THtmlOpenAction::InsertPage:
            return !ImportPages(c).report.pages.empty();
        case THtmlOpenAction::NewWithPage:
        case THtmlOpenAction::ImportIndex: {
            if (!AskSaveChanges()) return false;
            NewDocumentNoAsk();
            if (action == THtmlOpenAction::ImportIndex) {
                c.files.clear();
                c.follow = true;
                c.root = choices.File();
                c.levels = THtmlOpenChoices::kIndexLevels;
            }
            const auto out = ImportPages(c);
            if (out.report.pages.empty()) return false;
            // The page opened is the new hypertext's start page.
            doc_.SetHInt(model::hdr::kCoverPage, out.report.pages.front());
            host_.PagesImported(out.report.pages.front());
            return true;
        }
    }
    return false;
}

convert::html::TImportOutcome TMainDocument::ImportPages(const convert::html::TImportChoices& choices, bool showReport) {
    convert::html::TImportOutcome out;
    if (busy_) return out;
    {
        TBusyScope busy(*this);
        bool stop = false;
        out = convert::html::RunImport(
            doc_, choices, [&](const std::string& t) { stop = host_.Progress(t) || stop; }, [&] { return stop || host_.Progress({}); });
    }
    if (!out.ran) {
        platform::ui().Information(out.message);
        return out;
    }
    const auto& r = out.report;
    host_.PagesImported(r.pages.empty() ? -1 : r.pages.front());
    host_.StatusMessage("Pagine importate: " + std::to_string(r.pages.size()));
    if (showReport && (r.unmapped || !r.outside.empty() || !r.skipped.empty() || !r.problems.empty() || r.stopped ||
                       r.picturesMissing))
        platform::ui().ShowErrorList("Report importazione", r.Lines());
    return out;
}

bool TMainDocument::OpenNative(const fs::path& file, bool asNew) {
    if (busy_) return false;
    TBusyScope busy(*this);
    platform::ui().ProcessEvents(25);
    // The document becomes untitled first: should loading fail, no later
    // "Salva tutto" can write an empty hypertext over the file.
    SetCaption({});
    trash_.Clear();
    doc_.NewHypertext();
    const bool ok = doc_.LoadFromFile(file);
    if (!ok || doc_.NYXFileName() != file) {
        RemoveRecent(file);
        SetReadOnly(false);
        host_.DocumentReplaced();
        return false;
    }
    if (!asNew) {
        SetCaption(file);
        AddRecent(file);
        lastDocument_ = file;
    }
    // A hypertext marked read-only opens as a reader sees it.
    SetReadOnly(doc_.HByte(model::hdr::kReadOnly) != 0);
    host_.DocumentReplaced();
    return true;
}

bool TMainDocument::SaveAll() {
    if (busy_) return false;
    if (documentName_.empty()) return SaveAs();
    return SaveDocument(documentName_, 1, true, false);
}

bool TMainDocument::SaveAs() {
    if (busy_) return false;
    TFileRequest r;
    r.kind = TFileRequest::Save;
    r.caption = "Salva con nome";
    r.folder = documentName_.empty() ? paths_.userFolder : documentName_.parent_path();
    r.suggested = documentName_.empty() ? std::string("Senza titolo") : documentName_.stem().string();
    r.filter = "Ipertesti Quor (*.nyx);;Pagina corrente in HTML (*.htm *.html);;Testo (*.txt);;Pagina corrente in RTF (*.rtf)";
    const auto a = host_.ChooseFile(r);
    if (!a || a->file.empty()) return false;
    fs::path f = a->file;
    if (f.extension().empty()) f += a->type == 2 ? ".htm" : a->type == 3 ? ".txt" : a->type == 4 ? ".rtf" : ".nyx";
    if (LowerExt(f) == ".nyx") doc_.SetExpPrefix(PrefixForFile(f));
    return SaveDocument(f, a->type, true, false);
}

bool TMainDocument::SaveAsTemplate() {
    if (busy_) return false;
    std::error_code ec;
    fs::create_directories(paths_.TemplatesFolder(), ec);
    TFileRequest r;
    r.kind = TFileRequest::Save;
    r.caption = "Salva come modello";
    r.folder = paths_.TemplatesFolder();
    r.suggested = documentName_.empty() ? std::string("Senza titolo1.nyx") : documentName_.filename().string();
    r.filter = "Modelli di ipertesto (*.nyx)";
    const auto a = host_.ChooseFile(r);
    if (!a || a->file.empty()) return false;
    fs::path f = a->file;
    if (f.extension().empty()) f += ".nyx";
    doc_.SetExpPrefix(PrefixForFile(f));
    return SaveDocument(f, a->type, true, true);
}

bool TMainDocument::SaveDocument(const fs::path& file, int /*type*/, bool ask, bool asTemplate) {
    if (busy_) return false;
    const std::string ext = LowerExt(file);
    if (ext == ".txt" || ext == ".c" || ext == ".pas" || ext == ".asc" || ext == ".ini") {
        // Plain text of every page.
        convert::text::TNYXtoTxt txt(&doc_);
        txt.ExportFileName = file;
        TBusyScope busy(*this);
        if (!txt.ExportPages(convert::AllPages(doc_))) {
            std::vector<std::string> lines;
            for (const auto& p : txt.Problems()) lines.push_back(text::Cp1252ToUtf8(p));
            platform::ui().ShowErrorList("Salvataggio non riuscito!", lines);
            return false;
        }
        host_.StatusMessage("Salvato come testo: " + file.string());
        return true;
    }
    if (ext == ".rtf") {
        // The current page as an RTF document, with its header and footer.
        const std::int32_t n = host_.CurrentPage() >= 0 ? host_.CurrentPage() : doc_.HInt(model::hdr::kCoverPage);
        convert::rtf::TNYXtortf x(&doc_);
        x.ExportFileName = file;
        TBusyScope busy(*this);
        if (!x.ExportOnePage(n)) {
            std::vector<std::string> lines;
            for (const auto& p : x.Problems()) lines.push_back(text::Cp1252ToUtf8(p));
            platform::ui().ShowErrorList("Salvataggio non riuscito!", lines);
            return false;
        }
        host_.StatusMessage("Salvato come RTF: " + file.string());
        return true;
    }
    if (ext == ".htm" || ext == ".html") {
        // The current page as an HTML document, with the style sheet, pictures and files it uses beside it.
        const std::int32_t n = host_.CurrentPage() >= 0 ? host_.CurrentPage() : doc_.HInt(model::hdr::kCoverPage);
        const model::TNYXoggetto* page = doc_.ObjectAt(model::testoHtml, n);
        if (!page || page->IsEmpty()) {
            platform::ui().Warning("Nessuna pagina da salvare.");
            return false;
        }
        TBusyScope busy(*this);
        convert::html::TNYXtoHtml x(&doc_);
        x.ExportPath = file.parent_path();
        x.options.expTipoExt = ext == ".htm" ? 0 : 1;
        x.WriteStyleSheet();
        const std::string html = x.WritePage(*page, 0);
        std::vector<std::string> problems = x.Report().problems;
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(html.data(), static_cast<std::streamsize>(html.size()));
            if (!out.flush()) problems.push_back("Errore nella scrittura del file: \"" + text::Utf8ToCp1252(file.string()) + "\"");
        }
        for (std::int32_t ref : x.UsedFiles()) {
            const model::TNYXoggetto* o = doc_.ObjectByRef(ref);
            if (!o) continue;
            const fs::path target = file.parent_path() / text::Cp1252ToUtf8(x.PageFileName(o, 2));
            std::error_code ec;
            fs::create_directories(target.parent_path(), ec);
            if (!o->WriteContentsTo(target)) problems.push_back("File non copiato: \"" + o->GetFileName() + "\"");
        }
        if (!problems.empty()) {
            std::vector<std::string> lines;
            for (const auto& p : problems) lines.push_back(text::Cp1252ToUtf8(p));
            platform::ui().ShowErrorList("Salvataggio non riuscito!", lines);
            return false;
        }
        host_.StatusMessage("Pagina salvata in HTML: " + file.string());
        return true;
    }
    if (ext != ".nyx") {
        platform::ui().Warning("Formato di file non previsto: " + file.string());
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
    lossRefused_ = false;
    // What was deleted stays deleted once written; a failed save keeps it undoable.
    present::TPageTrash deleted = std::move(trash_);
    trash_.Clear();
    {
        TBusyScope busy(*this);
        platform::BusyCursor cursor;
        ok = doc_.SaveToFile(file, 2);
    }
    if (!ok) trash_ = std::move(deleted);
    if (!ok) {
        saved_ = false;
        doc_.SetModified(true);
        // Refused by the user, who has seen why: nothing more to say.
        if (!lossRefused_) platform::ui().ShowErrorList("Salvataggio non riuscito!", doc_.SaveErrors());
        return false;
    }
    saved_ = true;
    SetCaption(file);
    AddRecent(file);
    lastDocument_ = file;
    return true;
}

std::vector<std::string> TMainDocument::LossList() const {
    std::vector<std::string> lines;
    for (std::int32_t ref : doc_.SaveLosses()) {
        const model::TNYXoggetto* o = doc_.ObjectByRef(ref);
        const int type = model::RefType(ref);
        std::string line = type == model::immagine ? "Immagine" : type == model::genLink ? "File" : "Oggetto";
        line += ' ';
        line += std::to_string(model::RefIndex(ref));
        if (!o) {
            lines.push_back(line);
            continue;
        }
        if (const std::string title = o->DescriptionTitle(); !title.empty())
            line += " \"" + text::Cp1252ToUtf8(title) + "\"";
        fs::path source = o->ExternalPath();
        if (o->FirstStreamInFile() && o->LazyFile()) source = o->LazyFile()->path();
        line += ": non si legge da " + source.string();
        lines.push_back(line);
    }
    return lines;
}

bool TMainDocument::ConfirmLossySave() {
    TBusyPause pause;
    platform::ui().ShowErrorList("Il contenuto di questi oggetti non si pu\xC3\xB2 leggere: salvando andrebbe perso.",
                                 LossList());
    if (platform::ui().AskYesNo("Il contenuto di alcuni oggetti andrebbe perso (vedi la finestra \"Errori\").\n"
                                "Salvo comunque? Scegli No per lasciare il file e la sua copia .bak come sono.") ==
        platform::Answer::Yes)
        return true;
    lossRefused_ = true;
    return false;
}

void TMainDocument::AddRecent(const fs::path& file) {
    if (IsInFolder(file, paths_.examplesFolder)) return;
    recent_.Add(file.string());
    host_.RecentFilesChanged();
}

void TMainDocument::RemoveRecent(const fs::path& file) {
    if (recent_.Remove(file.string())) host_.RecentFilesChanged();
}

bool TMainDocument::CanClose() {
    if (busy_) return false;
    closing_ = true;
    doc_.closing = true;
    if (!AskSaveChanges()) {
        closing_ = false;
        doc_.closing = false;
        return false;
    }
    timerSave_->Stop();
    timerRetry_->Stop();
    return true;
}

std::vector<fs::path> TMainDocument::DropFiles(const std::vector<fs::path>& files) {
    std::vector<fs::path> left;
    if (busy_) return files;
    bool opened = false;
    for (const fs::path& f : files) {
        const std::string ext = LowerExt(f);
        if (!opened && (ext == ".nyx" || ext == ".cus")) {
            opened = true;  // one document at a time
            OpenDocument(f, true);
            continue;
        }
        // HTML and text files come in as pages of the hypertext (a drop of
        // several pages asks nothing for each of them).
        if (!opened && (ext == ".htm" || ext == ".html")) {
            OpenHtmlAs(THtmlOpenChoices(f), THtmlOpenAction::InsertPage);
            continue;
        }
        if (!opened && (ext == ".txt" || ext == ".ini" || ext == ".asc")) {
            OpenDocument(f, false);
            continue;
        }
        // CD-ROM settings open in the builder, beside the hypertext.
        if (ext == ".wzz") {
            host_.OpenCdRomSettings(f);
            continue;
        }
        if (!opened) left.push_back(f);
    }
    return left;
}

// --- save reminder --------------------------------------------------------------------

void TMainDocument::SetSaveReminder(bool on, int minutes) {
    reminderOn_ = on;
    timerRetry_->Stop();
    if (!on) {
        timerSave_->Stop();
        return;
    }
    reminderMs_ = std::max(1, minutes) * 60 * 1000;
    timerSave_->Start(reminderMs_, [this] { SaveReminderFired(); }, true);
}

bool TMainDocument::SaveReminderRunning() const { return timerSave_->Active(); }

void TMainDocument::SaveReminderFired() {
    timerSave_->Stop();
    if (!reminderOn_ || closing_) return;
    // Never inside another operation: an open or save in progress, or a
    // dialog on screen. Ask again a little later.
    if (busy_ > 0 || !host_.CanAskNow()) {
        timerRetry_->Start(kReminderRetryMs, [this] {
            if (reminderOn_ && !timerSave_->Active()) SaveReminderFired();
        });
        return;
    }
    if (platform::ui().AskYesNo("Promemoria: vuoi salvare?") == platform::Answer::Yes) SaveAll();
    if (reminderOn_ && !closing_) timerSave_->Start(reminderMs_, [this] { SaveReminderFired(); }, true);
}

// --- read-only hypertexts ---------------------------------------------------------------

void TMainDocument::SetReadOnly(bool on) {
    readOnly_ = on;
    host_.ReadOnlyChanged();
}

bool TMainDocument::Unlock() {
    if (!readOnly_) return true;
    const std::string password = doc_.HStr(model::hdr::kPassword, kPasswordCap);
    if (!password.empty()) {
        const auto typed = host_.AskPassword("Ipertesto in sola lettura. Password per modificarlo:");
        if (!typed) return false;
        if (text::Utf8ToCp1252(*typed) != password) {
            platform::ui().Error("Password errata: l'ipertesto resta in sola lettura.");
            return false;
        }
    }
    SetReadOnly(false);
    return true;
}

bool TMainDocument::RefuseEdit() {
    if (!readOnly_) return false;
    platform::ui().Information(
        "L'ipertesto \xC3\xA8 in sola lettura. Per modificarlo togli \"Solo lettura\" (F11) e introduci la password.");
    return true;
}

// --- options -------------------------------------------------------------------------

// --- pages -----------------------------------------------------------------------------

std::int64_t TMainDocument::AddPage(std::string_view title, const fs::path& layoutModel) {
    if (busy_ || RefuseEdit()) return -1;
    model::TNYXoggetto* page = present::AddNewPage(doc_, title, layoutModel);
    return page ? static_cast<std::int64_t>(page->Index()) : -1;
}

bool TMainDocument::DeletePage(std::int64_t slot) {
    if (busy_ || RefuseEdit()) return false;
    return trash_.Delete(doc_, slot) == present::TPageTrash::TResult::kDeleted;
}

std::int64_t TMainDocument::UndoPageDeletion() {
    if (busy_ || RefuseEdit()) return -1;
    return trash_.Undo(doc_);
}

void TMainDocument::SetPictureCacheSize(int pictures) { doc_.maxCacheImg = static_cast<std::size_t>(pictures); }
void TMainDocument::SetUndoDepth(int steps) { doc_.undoDeep = steps; }
void TMainDocument::SetAltFromPictureNames(bool on) { doc_.keepPictureNames = on; }
void TMainDocument::SetBackups(bool on) {
    doc_.backups = on;
    library_.backups = on;
}

void TMainDocument::StoreOptions(TOptionsStore& store) const {
    WriteRecentFiles(store, recent_.Files());
    std::error_code ec;
    if (!lastDocument_.empty() && fs::exists(lastDocument_, ec))
        store.WriteOption("LastFile", text::Utf8ToCp1252(lastDocument_.string()));
}

}  // namespace shell
