#include "album/OutsideEdit.h"

#include <fnmatch.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "album/Album.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

extern char** environ;

namespace fs = std::filesystem;
namespace text = platform::text;

namespace album {

TProgramChoice ChooseProgram(const shell::TOptionsStore& store, const fs::path& file) {
    const shell::TExtensionHandling h = shell::ReadExtension(store, text::Lower(file.extension().string()));
    TProgramChoice c;
    switch (h.comp) {
        case 0: c.kind = TProgramChoice::kAsk; break;
        case 1:
        case 2: c.kind = TProgramChoice::kRegistered; break;
        case 3:
            if (!h.appPath.empty()) {
                c.kind = TProgramChoice::kPath;
                c.path = text::Cp1252ToUtf8(h.appPath);
            }
            break;
        default: break;
    }
    return c;
}

// --- the desktop's MIME database -----------------------------------------------------------

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::vector<fs::path> SplitDirs(const std::string& list, const char* fallback) {
    std::vector<fs::path> out;
    std::string s = list.empty() ? fallback : list;
    std::stringstream ss(s);
    for (std::string part; std::getline(ss, part, ':');)
        if (!part.empty() && part.front() == '/') out.emplace_back(part);
    return out;
}

fs::path HomeDir(const char* var, const char* below) {
    const std::string v = Env(var);
    if (!v.empty() && v.front() == '/') return v;
    const std::string home = Env("HOME");
    return home.empty() ? fs::path() : fs::path(home) / below;
}

// Data folders, the user's first.
std::vector<fs::path> DataDirs() {
    std::vector<fs::path> dirs;
    if (fs::path h = HomeDir("XDG_DATA_HOME", ".local/share"); !h.empty()) dirs.push_back(h);
    for (const fs::path& d : SplitDirs(Env("XDG_DATA_DIRS"), "/usr/local/share:/usr/share")) dirs.push_back(d);
    return dirs;
}

std::vector<fs::path> ConfigDirs() {
    std::vector<fs::path> dirs;
    if (fs::path h = HomeDir("XDG_CONFIG_HOME", ".config"); !h.empty()) dirs.push_back(h);
    for (const fs::path& d : SplitDirs(Env("XDG_CONFIG_DIRS"), "/etc/xdg")) dirs.push_back(d);
    return dirs;
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
    return s.substr(b);
}

// The value of `key` in `section` of a desktop-style file ("" when absent).
std::string IniValue(const fs::path& file, const std::string& section, const std::string& key) {
    std::ifstream in(file);
    std::string line, current;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[') {
            current = line;
            continue;
        }
        if (current != "[" + section + "]") continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (Trim(line.substr(0, eq)) == key) return Trim(line.substr(eq + 1));
    }
    return {};
}

std::vector<std::string> SplitList(const std::string& v) {
    std::vector<std::string> out;
    std::stringstream ss(v);
    for (std::string part; std::getline(ss, part, ';');)
        if (!Trim(part).empty()) out.push_back(Trim(part));
    return out;
}

fs::path FindDesktopEntry(const std::string& id) {
    if (id.find('/') != std::string::npos || id.find("..") != std::string::npos) return {};
    std::error_code ec;
    for (const fs::path& d : DataDirs()) {
        const fs::path p = d / "applications" / id;
        if (fs::is_regular_file(p, ec)) return p;
        // "vendor-app.desktop" may live in applications/vendor/app.desktop.
        if (const std::size_t dash = id.find('-'); dash != std::string::npos) {
            const fs::path q = d / "applications" / id.substr(0, dash) / id.substr(dash + 1);
            if (fs::is_regular_file(q, ec)) return q;
        }
    }
    return {};
}

}  // namespace

std::string MimeTypeOf(const fs::path& file) {
    const std::string name = text::Lower(file.filename().string());
    int bestWeight = -1;
    std::size_t bestLength = 0;
    std::string best;
    for (const fs::path& d : DataDirs()) {
        std::ifstream in(d / "mime" / "globs2");
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') continue;
            const std::size_t a = line.find(':');
            const std::size_t b = a == std::string::npos ? a : line.find(':', a + 1);
            if (b == std::string::npos) continue;
            const int weight = std::atoi(line.substr(0, a).c_str());
            const std::string type = line.substr(a + 1, b - a - 1);
            std::string glob = line.substr(b + 1);
            const bool caseSensitive = glob.find(":cs") != std::string::npos;
            if (const std::size_t c = glob.find(':'); c != std::string::npos) glob.resize(c);
            const std::string subject = caseSensitive ? file.filename().string() : name;
            const std::string pattern = caseSensitive ? glob : text::Lower(glob);
            if (fnmatch(pattern.c_str(), subject.c_str(), 0) != 0) continue;
            if (weight > bestWeight || (weight == bestWeight && glob.size() > bestLength)) {
                bestWeight = weight;
                bestLength = glob.size();
                best = type;
            }
        }
        if (!best.empty()) break;  // the user's database overrides the system's
    }
    return best;
}

std::vector<std::string> ExecArguments(std::string_view exec, const std::string& file) {
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false, quoted = false, placed = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                cur += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                cur += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg) args.push_back(cur);
            cur.clear();
            inArg = false;
        } else if (c == '%' && i + 1 < exec.size()) {
            const char code = exec[++i];
            if (code == '%') {
                cur += '%';
                inArg = true;
            } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                cur += file;
                inArg = placed = true;
            }
        } else {
            cur += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(cur);
    if (!args.empty() && !placed) args.push_back(file);
    return args;
}

std::vector<std::string> RegisteredCommand(const fs::path& file) {
    const std::string type = MimeTypeOf(file);
    if (type.empty()) return {};
    std::vector<std::string> ids;
    for (const fs::path& d : ConfigDirs())
        for (const std::string& id : SplitList(IniValue(d / "mimeapps.list", "Default Applications", type)))
            ids.push_back(id);
    for (const fs::path& d : DataDirs()) {
        for (const std::string& id : SplitList(IniValue(d / "applications" / "mimeapps.list", "Default Applications", type)))
            ids.push_back(id);
        for (const std::string& id : SplitList(IniValue(d / "applications" / "defaults.list", "Default Applications", type)))
            ids.push_back(id);
    }
    for (const fs::path& d : DataDirs())
        for (const std::string& id : SplitList(IniValue(d / "applications" / "mimeinfo.cache", "MIME Cache", type)))
            ids.push_back(id);
    for (const std::string& id : ids) {
        const fs::path entry = FindDesktopEntry(id);
        if (entry.empty()) continue;
        const std::string exec = IniValue(entry, "Desktop Entry", "Exec");
        if (exec.empty()) continue;
        std::vector<std::string> args = ExecArguments(exec, file.string());
        if (!args.empty()) return args;
    }
    return {};
}

// --- the edit ----------------------------------------------------------------------------

std::string SafeBaseName(std::string_view name) {
    std::string s(name);
    if (const std::size_t cut = s.find_last_of("/\\"); cut != std::string::npos) s.erase(0, cut + 1);
    std::string out;
    for (unsigned char c : s) out += (c < 0x20 || c == 0x7F || c == ':') ? '_' : static_cast<char>(c);
    while (!out.empty() && (out.front() == '.' || out.front() == '-' || out.front() == ' ')) out.erase(0, 1);
    if (out.empty()) out = "file";
    return out;
}

bool ReadWholeFile(const fs::path& p, std::string& out) {
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    out = std::move(ss).str();
    return true;
}

TOutsideEdit::TOutsideEdit(model::TNYXset& set, std::int32_t ref) : set_(set), ref_(ref) {}

TOutsideEdit::~TOutsideEdit() {
    if (pid_ > 0) Cancel();
}

bool TOutsideEdit::Prepare() {
    model::TNYXoggetto* o = set_.ObjectByRef(ref_);
    if (!o || o->IsEmpty() || (o->Type() != model::immagine && o->Type() != model::genLink)) {
        platform::ui().Information("Seleziona oggetto da editare");
        return false;
    }
    std::string name = o->GetFileName();
    if (name.empty()) name = o->GetName();
    const fs::path base = set_.WorkFolder();
    std::string tmpl = (base / "edit-XXXXXX").string();
    if (base.empty() || !::mkdtemp(tmpl.data())) {
        platform::ui().Error("Impossibile creare una cartella di lavoro in " + base.string());
        return false;
    }
    folder_ = tmpl;
    work_ = folder_ / text::Cp1252ToUtf8(SafeBaseName(name));
    if (!o->WriteContentsTo(work_) || !ReadWholeFile(work_, written_)) {
        platform::ui().Error("Impossibile scrivere il file di lavoro " + work_.string());
        RemoveWorkFile();
        return false;
    }
    return true;
}

void TOutsideEdit::RemoveWorkFile() {
    std::error_code ec;
    if (!work_.empty()) fs::remove(work_, ec);
    if (!folder_.empty()) fs::remove(folder_, ec);  // only when empty
    work_.clear();
    folder_.clear();
}

bool TOutsideEdit::Start(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty() || work_.empty()) return false;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string folder = work_.parent_path().string();
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    pid_ = pid;
    return true;
}

bool TOutsideEdit::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0) return true;
    pid_ = -1;
    return false;
}

bool TOutsideEdit::Changed() const {
    std::string now;
    if (work_.empty() || !ReadWholeFile(work_, now)) return false;
    return now != written_;
}

TOutsideEdit::TApply TOutsideEdit::Apply() {
    std::error_code ec;
    model::TNYXoggetto* o = set_.ObjectByRef(ref_);
    const std::string keptAt = " Il file modificato resta in " + work_.string();
    if (!o || o->IsEmpty()) {
        platform::ui().Error("L'oggetto modificato non esiste pi\xC3\xB9." + keptAt);
        return TApply::kFailed;
    }
    std::string now;
    if (!ReadWholeFile(work_, now)) {
        platform::ui().Error("Impossibile leggere il file modificato " + work_.string());
        return TApply::kFailed;
    }
    if (now == written_) return TApply::kUnchanged;
    // The object must still be the one the edit started from: same type,
    // same contents (a save reloads the hypertext but keeps both).
    {
        const fs::path check = folder_ / ".prima";
        std::string before;
        const bool same = (o->Type() == model::immagine || o->Type() == model::genLink) && o->WriteContentsTo(check) &&
                          ReadWholeFile(check, before) && before == written_;
        fs::remove(check, ec);
        if (!same) {
            platform::ui().Error("L'oggetto modificato non \xC3\xA8 pi\xC3\xB9 quello di partenza: la modifica non \xC3\xA8 stata applicata." +
                                 keptAt);
            return TApply::kFailed;
        }
    }
    if (o->Type() == model::genLink) {
        if (o->FirstStreamInMemory() || o->FirstStreamInFile() || o->ExternalPath().empty()) {
            // The contents still live in the object: they are replaced there.
            o->SetFirstStream(now);
        } else {
            const fs::path target = o->ExternalPath();
            const fs::path tmp = target.string() + ".nuovo";
            bool ok = false;
            {
                std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
                out.write(now.data(), static_cast<std::streamsize>(now.size()));
                out.flush();
                ok = static_cast<bool>(out);
            }
            if (ok) fs::rename(tmp, target, ec);
            if (!ok || ec) {
                fs::remove(tmp, ec);
                platform::ui().Error("Impossibile aggiornare il file " + target.string() + "." + keptAt);
                return TApply::kFailed;
            }
        }
        o->SetInt(model::filerec::kSize, static_cast<std::int32_t>(std::min<std::size_t>(now.size(), 0x7FFFFFFF)));
        set_.SetModified(true);
    } else {
        TLoadedPicture loaded = LoadPicture(set_, work_);
        if (!loaded.picture) {
            platform::ui().Error("L'immagine modificata non si pu\xC3\xB2 leggere: l'immagine resta com'era." + keptAt);
            return TApply::kFailed;
        }
        ReplacePicture(set_, ref_, *loaded.picture);
    }
    RemoveWorkFile();
    return TApply::kApplied;
}

void TOutsideEdit::Cancel() {
    if (pid_ > 0) {
        // The program goes on as the user left it; it is only reaped.
        const pid_t pid = pid_;
        std::thread([pid] {
            int status = 0;
            waitpid(pid, &status, 0);
        }).detach();
        pid_ = -1;
    }
    if (!work_.empty() && !Changed()) RemoveWorkFile();
}

}  // namespace album
