#include "cdrom/CdWizard.h"

#include <algorithm>
#include <system_error>

#include "platform/Env.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/OptionsStore.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace cdrom {

const char* const kCdCaption = "Creazione CdRom";
const char* const kSettingsFilter = "Impostazioni creazione CD quor (*.wzz)";

namespace {

constexpr const char* kOptionsSection = "Cd\\0";

std::string Key(int group, const std::string& source, const std::string& install) {
    std::string k = std::to_string(group);
    k += '\0';
    k += source;
    k += '\0';
    k += text::Lower(text::Utf8ToCp1252(install));
    return k;
}

}  // namespace

// Marks long work: one at a time, and the window knows.
class TCdWizard::TWorking {
public:
    explicit TWorking(TCdWizard& w) : w_(w) {
        w_.working_ = true;
        w_.host_.WorkChanged(true);
    }
    ~TWorking() {
        w_.working_ = false;
        w_.host_.WorkChanged(false);
    }
    TWorking(const TWorking&) = delete;
    TWorking& operator=(const TWorking&) = delete;

private:
    TCdWizard& w_;
};

TCdWizard::TCdWizard(fs::path utils, TCdHost& host) : utils_(std::move(utils)), host_(host) {
    settings_ = DefaultSettings(utils_);
    settings_.destPath = DefaultDestination();
}

std::string TCdWizard::DefaultDestination() const {
    // Where nothing was chosen yet: a folder of its own in the temporary folder.
    return WithTrailingSlash((platform::env().TempFolder() / "quorcd").string());
}

void TCdWizard::Open() {
    shell::TOptionsStore& o = shell::options();
    std::string dest = text::Cp1252ToUtf8(o.ReadSectionOption(kOptionsSection, "PathInWindow"));
    settings_.destPath = dest.empty() ? DefaultDestination() : WithTrailingSlash(dest);
    const fs::path last(text::Cp1252ToUtf8(o.ReadSectionOption(kOptionsSection, "LastWiz")));
    std::error_code ec;
    if (last.empty() || !fs::is_regular_file(last, ec) || !Load(last)) New();
}

void TCdWizard::StoreOptions() const {
    shell::TOptionsStore& o = shell::options();
    o.BeginUpdate();
    o.WriteSectionOption(kOptionsSection, "PathInWindow", text::Utf8ToCp1252(settings_.destPath));
    o.WriteSectionOption(kOptionsSection, "LastWiz", text::Utf8ToCp1252(settingsFile_.string()));
    o.EndUpdate();
}

std::string TCdWizard::Caption() const {
    return std::string(kCdCaption) + " - " + (settingsFile_.empty() ? std::string("Senza titolo") : settingsFile_.filename().string());
}

void TCdWizard::SetSettingsFile(const fs::path& file) {
    settingsFile_ = file;
    host_.CaptionChanged(Caption());
}

void TCdWizard::SetTestTarget(const fs::path& file) {
    const bool was = TestVisible();
    testTarget_ = file;
    if (was != TestVisible()) host_.TestVisibleChanged(TestVisible());
}

bool TCdWizard::Step(const std::string& what, std::size_t done, std::size_t total) {
    return host_.Progress(what, done, total);
}

// --- groups -----------------------------------------------------------------------------

void TCdWizard::SetCurrentGroup(int g) {
    if (g < 0 || g >= static_cast<int>(settings_.groups.size())) return;
    group_ = g;
    host_.EntriesChanged();
}

bool TCdWizard::AddGroup(const std::string& name) {
    if (working_) return false;
    if (name.empty()) return false;
    if (settings_.groups.size() >= kMaxGroups) {
        platform::ui().Warning("Non si possono avere pi\xC3\xB9 di " + std::to_string(kMaxGroup) + " gruppi di file.");
        return false;
    }
    std::size_t unmapped = 0;
    const std::string bytes = text::Utf8ToCp1252(name, &unmapped);
    if (unmapped || !TIniFile::ValueProblem(bytes).empty()) {
        platform::ui().Warning("Nome di gruppo non ammesso: " + name);
        return false;
    }
    settings_.groups.push_back(name);
    group_ = static_cast<int>(settings_.groups.size()) - 1;
    host_.SettingsChanged();
    return true;
}

bool TCdWizard::DeleteGroup(int g) {
    if (working_ || g < 0 || g >= static_cast<int>(settings_.groups.size())) return false;
    if (g < 2) {
        platform::ui().Information("Il gruppo \"" + settings_.groups[g] + "\" non si pu\xC3\xB2 eliminare.");
        return false;
    }
    const auto files = std::count_if(settings_.entries.begin(), settings_.entries.end(),
                                     [g](const TDatoDir& e) { return e.group == g; });
    if (files > 0 && platform::ui().AskYesNo("Il gruppo \"" + settings_.groups[g] + "\" contiene " + std::to_string(files) +
                                             " file: li tolgo dall'elenco?") != platform::Answer::Yes)
        return false;
    std::erase_if(settings_.entries, [g](const TDatoDir& e) { return e.group == g; });
    for (TDatoDir& e : settings_.entries)
        if (e.group > g) --e.group;
    settings_.groups.erase(settings_.groups.begin() + g);
    group_ = g - 1;
    host_.SettingsChanged();
    return true;
}

// --- entries -------------------------------------------------------------------------------

std::vector<std::size_t> TCdWizard::ShownEntries() const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < settings_.entries.size(); ++i)
        if (settings_.entries[i].group == group_) out.push_back(i);
    return out;
}

void TCdWizard::AddOne(const fs::path& source, const std::string& installPath, TAddResult& r) {
    ++seen_;
    if (!ValidInstallPath(installPath)) {
        r.refused.push_back(source.string());
        return;
    }
    TDatoDir e{installPath, source.string(), group_};
    if (!listed_.insert(Key(e.group, e.sourcePath, e.installPath)).second) {
        ++r.duplicates;
        return;
    }
    settings_.entries.push_back(std::move(e));
    ++r.added;
}

void TCdWizard::AddFolder(const fs::path& root, const fs::path& folder, TAddResult& r) {
    std::vector<fs::path> folders, files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& d = *it;
        std::error_code e2;
        if (d.is_symlink(e2)) {
            // A link to a file is a file; a link to a folder is never followed
            // (it may lead back up the tree, or anywhere).
            if (fs::is_regular_file(d.path(), e2)) files.push_back(d.path());
            continue;
        }
        if (d.is_directory(e2)) folders.push_back(d.path());
        else if (d.is_regular_file(e2)) files.push_back(d.path());
    }
    if (ec) r.refused.push_back(folder.string() + ": " + ec.message());
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    for (const fs::path& sub : folders) {
        if (r.stopped) return;
        AddFolder(root, sub, r);
    }
    for (const fs::path& f : files) {
        if (r.stopped) return;
        if (!Step(f.filename().string(), seen_, 0)) {
            r.stopped = true;
            return;
        }
        std::string install = kAppDir;
        for (const auto& part : f.lexically_relative(root)) {
            const std::string name = part.string();
            install += '\\';
            install += ValidInstallName(name) ? name : std::string();  // an empty name is refused below
        }
        AddOne(f, install, r);
    }
}

TAddResult TCdWizard::AddPaths(const std::vector<fs::path>& paths) {
    TAddResult r;
    if (working_) return r;
    TWorking working(*this);
    listed_.clear();
    for (const TDatoDir& e : settings_.entries) listed_.insert(Key(e.group, e.sourcePath, e.installPath));
    seen_ = 0;
    for (const fs::path& given : paths) {
        if (r.stopped) break;
        std::error_code ec;
        const fs::path p = fs::absolute(given, ec).lexically_normal();
        const fs::path path = p.has_filename() ? p : p.parent_path();
        if (fs::is_directory(path, ec)) {
            if (!includeFolders_)
                includeFolders_ = platform::ui().AskYesNo("Vuoi includere anche intere directory?") == platform::Answer::Yes;
            if (*includeFolders_) AddFolder(path, path, r);
        } else if (fs::is_regular_file(path, ec)) {
            if (!Step(path.filename().string(), seen_, 0)) {
                r.stopped = true;
                break;
            }
            const std::string name = path.filename().string();
            AddOne(path, std::string(kAppDir) + "\\" + (ValidInstallName(name) ? name : std::string()), r);
        } else {
            r.refused.push_back(path.string());
        }
    }
    listed_.clear();
    if (!r.refused.empty())
        platform::ui().ShowErrorList("File non inclusi", [&] {
            std::vector<std::string> lines{"Questi file non si possono includere (nomi che il programma di installazione "
                                           "non accetta, o file che non si leggono):"};
            lines.insert(lines.end(), r.refused.begin(), r.refused.end());
            return lines;
        }());
    host_.EntriesChanged();
    return r;
}

bool TCdWizard::AddCurrentHypertext(const fs::path& file) {
    if (working_) return false;
    if (file.empty()) {
        platform::ui().Information("L'ipertesto corrente non \xC3\xA8 ancora stato salvato: salvalo prima di includerlo.");
        return false;
    }
    TAddResult r;
    listed_.clear();
    for (const TDatoDir& e : settings_.entries) listed_.insert(Key(e.group, e.sourcePath, e.installPath));
    const std::string name = file.filename().string();
    AddOne(file, std::string(kAppDir) + "\\" + (ValidInstallName(name) ? name : std::string()), r);
    listed_.clear();
    if (!r.refused.empty()) {
        platform::ui().Warning("Questo nome di file non si pu\xC3\xB2 includere: " + file.string());
        return false;
    }
    if (settings_.lancia.empty()) settings_.lancia = name;
    host_.SettingsChanged();
    return true;
}

void TCdWizard::RemoveEntries(std::vector<std::size_t> indices) {
    if (working_) return;
    std::vector<bool> gone(settings_.entries.size(), false);
    for (std::size_t i : indices)
        if (i < gone.size()) gone[i] = true;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < settings_.entries.size(); ++i)
        if (!gone[i]) {
            if (kept != i) settings_.entries[kept] = std::move(settings_.entries[i]);
            ++kept;
        }
    settings_.entries.resize(kept);
    host_.EntriesChanged();
}

bool TCdWizard::RemoveAllShown() {
    if (working_ || ShownEntries().empty()) return false;
    if (platform::ui().AskYesNo("Cancellerò tutti gli elementi visualizzati. Sei sicuro?") != platform::Answer::Yes)
        return false;
    std::erase_if(settings_.entries, [this](const TDatoDir& e) { return e.group == group_; });
    host_.EntriesChanged();
    return true;
}

// --- settings files ---------------------------------------------------------------------------

bool TCdWizard::LoadDialog() {
    if (working_) return false;
    const auto file = host_.ChooseSettingsFile(false, settingsFile_.empty() ? fs::path() : settingsFile_.parent_path());
    return file && Load(*file);
}

bool TCdWizard::Load(const fs::path& file) {
    if (working_) return false;
    std::string error;
    const auto ini = TIniFile::LoadFromFile(file, &error);
    if (!ini) {
        platform::ui().Error("Impossibile leggere le impostazioni: " + file.string());
        return false;
    }
    TReadResult r = ReadSettings(*ini, utils_, settings_.destPath);
    settings_ = std::move(r.settings);
    group_ = 1;
    SetTestTarget({});
    SetSettingsFile(file);
    host_.SettingsChanged();
    if (!r.refused.empty()) {
        std::vector<std::string> lines{"Alcune voci del file non sono state caricate:"};
        lines.insert(lines.end(), r.refused.begin(), r.refused.end());
        platform::ui().ShowErrorList("Report errori:", lines);
    }
    return true;
}

bool TCdWizard::SaveDialog() {
    if (working_) return false;
    auto file = host_.ChooseSettingsFile(true, settingsFile_.empty() ? fs::path() : settingsFile_.parent_path());
    if (!file || file->empty()) return false;
    if (!file->has_extension()) *file += ".wzz";
    return Save(*file);
}

bool TCdWizard::Save(const fs::path& file) {
    if (working_) return false;
    std::string error;
    settings_.destPath = WithTrailingSlash(settings_.destPath);
    if (!SaveSettingsFile(settings_, file, &error)) {
        platform::ui().Error(error);
        return false;
    }
    SetSettingsFile(file);
    StoreOptions();
    return true;
}

void TCdWizard::New() {
    if (working_) return;
    const std::string dest = settings_.destPath;
    settings_ = DefaultSettings(utils_);
    settings_.destPath = dest;
    group_ = 1;
    SetTestTarget({});
    SetSettingsFile({});
    host_.SettingsChanged();
}

// --- building ---------------------------------------------------------------------------------

TBuildReport TCdWizard::Crea() {
    if (working_) return {};
    SetTestTarget({});
    TBuildReport report;
    {
        TWorking working(*this);
        TBuildOptions o;
        o.utils = utils_;
        o.progress = [this](const TBuildProgress& p) { return Step(p.file, p.done, p.total); };
        report = BuildCd(settings_, o);
    }
    if (report.noEntries) {
        platform::ui().Information(report.refused);
        return report;
    }
    if (!report.refused.empty()) {
        platform::ui().Error(report.refused);
        return report;
    }
    settings_.destPath = WithTrailingSlash(settings_.destPath);
    StoreOptions();
    if (!report.Done()) {
        platform::ui().ShowErrorList("Report errori:", report.ReportLines());
        return report;
    }
    if (!settingsFile_.empty()) {
        if (platform::ui().AskYesNo("Salvo correnti impostazioni nel file: " + settingsFile_.string() + " ?") ==
            platform::Answer::Yes)
            Save(settingsFile_);
    } else if (platform::ui().AskYesNo("Salvo correnti impostazioni?") == platform::Answer::Yes) {
        SaveDialog();
    }
    SetTestTarget(report.installer);
    return report;
}

bool TCdWizard::CanClose() {
    if (working_) return false;
    return platform::ui().AskYesNo("Sei sicuro di voler uscire dal wizard?") == platform::Answer::Yes;
}

}  // namespace cdrom
