#include "cdrom/CdSettings.h"

#include <algorithm>

#include "platform/text.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace cdrom {

const std::array<const char*, kPersonalCount> kPersonalKeys = {"welcome", "goodbye",  "license",
                                                               "readme",  "setupImg", "splashScreen"};
const char* const kAppDir = "<APPDIR>";
const char* const kReaderProgram = "quor3rd.exe";

namespace {

constexpr std::string_view kDefaultTitle = "Lavoro custom Quor3";
constexpr std::string_view kDefaultGroup = "Quor3 customs";
// The builder's own keys in "wizoptions": the names of the groups, which the
// installer does not read (its component names are the fixed ones of "custom").
constexpr std::string_view kGroupCountKey = "groupNames";
constexpr std::string_view kGroupNameKey = "groupName";

std::string DefaultDefdir() {
    // "C:\Programmi\ZR\" + the reader program's name without extension + "\".
    std::string name = kReaderProgram;
    name.erase(name.rfind('.'));
    return "C:\\Programmi\\ZR\\" + name + "\\";
}

// The name after the last "/" (or "\" of a path from an older file).
std::string BaseName(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find(sep, start);
        if (end == std::string_view::npos) end = s.size();
        out.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

bool StartsWithAppDir(std::string_view install) {
    const std::string_view appDir = kAppDir;
    return install.size() >= appDir.size() && text::EqualsNoCase(install.substr(0, appDir.size()), appDir);
}

// Writes UTF-8 values as Windows-1252, refusing what the code page cannot hold.
class TWriter {
public:
    TWriter(TIniFile& ini, std::vector<std::string>* problems) : ini_(ini), problems_(problems) {}
    void Put(std::string_view section, std::string_view key, std::string_view utf8) {
        std::size_t unmapped = 0;
        const std::string bytes = text::Utf8ToCp1252(utf8, &unmapped);
        std::string why;
        if (unmapped) why = "caratteri non rappresentabili";
        else why = TIniFile::ValueProblem(bytes);
        if (!why.empty()) {
            const std::string line = std::string(section) + "/" + std::string(key) + ": " + why + " (" + std::string(utf8) + ")";
            if (problems_) problems_->push_back(line);
            ini_.Reject(line);
            return;
        }
        ini_.WriteString(section, key, bytes);
    }
    void Put(std::string_view section, std::string_view key, std::int64_t n) { Put(section, key, std::to_string(n)); }
    void Flag(std::string_view section, std::string_view key, bool on) { Put(section, key, on ? "1" : "0"); }

private:
    TIniFile& ini_;
    std::vector<std::string>* problems_;
};

}  // namespace

std::vector<std::string> DefaultGroups() { return {"Programma lettore", "Ipertesti Quor"}; }

TCdSettings DefaultSettings(const fs::path& utils) {
    TCdSettings s;
    s.groups = DefaultGroups();
    s.personal[kWelcome] = (utils / "welcome.txt").string();
    s.personal[kGoodbye] = (utils / "goodbye.txt").string();
    s.personal[kLicense] = (utils / "license.txt").string();
    s.personal[kReadme] = (utils / "readme.txt").string();
    s.defdir = DefaultDefdir();
    s.title = kDefaultTitle;
    s.group = kDefaultGroup;
    return s;
}

// --- paths ----------------------------------------------------------------------

std::string SourceFolder(std::string_view source) {
    const std::size_t cut = source.rfind('/');
    return cut == std::string_view::npos ? std::string() : std::string(source.substr(0, cut + 1));
}

std::string InstallFolder(std::string_view install) {
    const std::size_t cut = install.rfind('\\');
    return cut == std::string_view::npos ? std::string() : std::string(install.substr(0, cut + 1));
}

std::string WithTrailingSlash(std::string_view folder) {
    std::string f(folder);
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    if (!f.empty() && f.back() != '/') f += '/';
    return f;
}

bool ValidInstallName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
        if (std::string_view("\\/:<>\"|?*").find(c) != std::string_view::npos) return false;
    }
    return true;
}

std::vector<std::string> InstallComponents(std::string_view install) {
    const std::string_view appDir = kAppDir;
    if (!StartsWithAppDir(install) || install.size() <= appDir.size() + 1 || install[appDir.size()] != '\\') return {};
    std::vector<std::string> parts = Split(install.substr(appDir.size() + 1), '\\');
    for (const std::string& p : parts)
        if (!ValidInstallName(p)) return {};
    return parts;
}

bool ValidInstallPath(std::string_view install) { return !InstallComponents(install).empty(); }

std::string RelativeSourceFolder(std::string_view dest, std::string_view sourceFolder, std::string_view installFolder) {
    auto names = [](std::string_view folder) {
        std::vector<std::string> out;
        for (const auto& part : fs::path(std::string(folder)).lexically_normal())
            if (!part.empty() && part != "/") out.push_back(part.string());
        return out;
    };
    const std::vector<std::string> base = names(std::string(WithTrailingSlash(dest)) + "f/");
    const std::vector<std::string> src = names(sourceFolder);
    std::size_t common = 0;
    while (common < base.size() && common < src.size() && base[common] == src[common]) ++common;
    std::vector<std::string> rest(src.begin() + static_cast<std::ptrdiff_t>(common), src.end());

    // The names the install folder ends with are where the file is put on
    // the CD: they are not part of where it comes from.
    std::vector<std::string> inst = Split(installFolder, '\\');
    inst.erase(std::remove(inst.begin(), inst.end(), std::string()), inst.end());
    if (!inst.empty() && StartsWithAppDir(inst.front())) inst.erase(inst.begin());
    while (!rest.empty() && !inst.empty() &&
           text::EqualsNoCase(text::Utf8ToCp1252(rest.back()), text::Utf8ToCp1252(inst.back()))) {
        rest.pop_back();
        inst.pop_back();
    }
    std::string out;
    for (std::size_t i = common; i < base.size(); ++i) out += "..\\";
    for (const std::string& r : rest) out += r + "\\";
    return out;
}

std::string UninstallName(std::string_view title) {
    std::string out = text::Utf8ToCp1252(title);
    for (char& c : out) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!keep) c = '_';
    }
    return out;
}

std::string Megabytes(std::uint64_t bytes) {
    // Hundredths of 2^20 bytes, rounded half up, in integers: no locale can
    // turn the "." into a ",".
    const unsigned __int128 hundredths = (static_cast<unsigned __int128>(bytes) * 100 + (1u << 19)) >> 20;
    const auto whole = static_cast<std::uint64_t>(hundredths / 100);
    const auto frac = static_cast<unsigned>(hundredths % 100);
    return std::to_string(whole) + "." + static_cast<char>('0' + frac / 10) + static_cast<char>('0' + frac % 10);
}

// --- writing ------------------------------------------------------------------------

TIniFile WriteSettings(const TCdSettings& s, std::vector<std::string>* problems) {
    TIniFile ini;
    TWriter w(ini, problems);
    w.Put("disks", "n", "1");

    for (int i = 0; i < kPersonalCount; ++i) w.Put("options", kPersonalKeys[i], BaseName(s.personal[i]));
    w.Flag("options", "imgSetupCB", s.imgSetupCB);
    w.Flag("options", "imgLettCB", s.imgLettCB);
    w.Flag("options", "licenzaCB", s.licenzaCB);
    w.Flag("options", "leggimiCB", s.leggimiCB);
    w.Put("options", "defdir", s.defdir);
    w.Put("options", "title", s.title);
    w.Put("options", "uninst", UninstallName(s.title));
    w.Put("options", "uninstDN", s.title);
    w.Put("options", "lancia", s.lancia);

    for (int i = 0; i < kPersonalCount; ++i) w.Put("wizoptions", kPersonalKeys[i], s.personal[i]);
    w.Put("wizoptions", "destPath", s.destPath);
    const std::size_t groups = std::min(s.groups.size(), kMaxGroups);
    w.Put("wizoptions", kGroupCountKey, static_cast<std::int64_t>(groups));
    for (std::size_t g = 0; g < groups; ++g) w.Put("wizoptions", std::string(kGroupNameKey) + std::to_string(g), s.groups[g]);

    w.Put("groups", "group", s.group);
    w.Put("groups", "fil0", s.lancia);
    w.Put("groups", "com0", s.title);
    w.Put("groups", "num", 1);

    // The file association the installer registers for hypertexts.
    w.Put("ext", "f0", ".nyx");
    w.Put("ext", "a0", kReaderProgram);
    w.Put("ext", "c0", "Ipertesto Quor");
    w.Put("ext", "i0", kReaderProgram);
    w.Put("ext", "sn0", 0);
    w.Put("ext", "num", 1);

    w.Put("custom", "customCB", 0);
    w.Put("custom", "fil0", "Programma lettore");
    w.Put("custom", "fil1", "Ipertesti Quor");
    w.Put("custom", "num", 2);

    for (int i = 0; i < kPersonalCount; ++i) w.Put("disco1_0", "f" + std::to_string(i), BaseName(s.personal[i]));
    w.Put("disco1_0", "f6", "deinst.exe");
    w.Put("disco1_0", "f7", kReaderProgram);
    w.Put("disco1_0", "num", 8);

    const std::string dest = WithTrailingSlash(s.destPath);
    for (int g = 1; g <= kMaxGroup && g < static_cast<int>(groups); ++g) {
        const std::string section = "disco1_" + std::to_string(g);
        ini.AddSection(section);
        std::string prevSource, prevInstall;
        std::int64_t i = 0;
        for (const TDatoDir& e : s.entries) {
            if (e.group != g) continue;
            const std::string n = std::to_string(i);
            const std::string sourceFolder = SourceFolder(e.sourcePath);
            const std::string installFolder = InstallFolder(e.installPath);
            const std::string sValue = i > 0 && sourceFolder == prevSource
                                           ? "+" + e.sourcePath.substr(sourceFolder.size())
                                           : e.sourcePath;
            const std::string wdValue = i > 0 && installFolder == prevInstall
                                            ? "+" + e.installPath.substr(installFolder.size())
                                            : e.installPath;
            w.Put(section, "s" + n, sValue);
            if (wdValue != sValue) w.Put(section, "wd" + n, wdValue);
            if (s.copia && !dest.empty() && sourceFolder.compare(0, dest.size(), dest) != 0)
                w.Put(section, "r" + n, RelativeSourceFolder(dest, sourceFolder, installFolder));
            prevSource = sourceFolder;
            prevInstall = installFolder;
            ++i;
        }
        if (i > 0) w.Put(section, "num", i);
    }
    return ini;
}

bool SaveSettingsFile(const TCdSettings& s, const fs::path& file, std::string* error) {
    std::vector<std::string> problems;
    const TIniFile ini = WriteSettings(s, &problems);
    if (!problems.empty()) {
        if (error) *error = "Valore non ammesso nelle impostazioni: " + problems.front();
        return false;
    }
    std::string why;
    if (!ini.SaveToFile(file, &why)) {
        if (error) *error = "Impossibile salvare le impostazioni: " + text::Cp1252ToUtf8(why);
        return false;
    }
    return true;
}

// --- reading -------------------------------------------------------------------------

TReadResult ReadSettings(const TIniFile& ini, const fs::path& utils, std::string_view dest) {
    TReadResult r;
    TCdSettings& s = r.settings;
    const TCdSettings defaults = DefaultSettings(utils);
    auto get = [&](std::string_view section, std::string_view key, std::string_view def) {
        if (auto v = ini.Read(section, key)) return text::Cp1252ToUtf8(*v);
        return std::string(def);
    };
    for (int i = 0; i < kPersonalCount; ++i) s.personal[i] = get("wizoptions", kPersonalKeys[i], defaults.personal[i]);
    s.destPath = WithTrailingSlash(get("wizoptions", "destPath", dest));
    s.imgSetupCB = ini.ReadBool("options", "imgSetupCB", false);
    s.imgLettCB = ini.ReadBool("options", "imgLettCB", false);
    s.licenzaCB = ini.ReadBool("options", "licenzaCB", false);
    s.leggimiCB = ini.ReadBool("options", "leggimiCB", false);
    s.defdir = get("options", "defdir", defaults.defdir);
    s.group = get("groups", "group", defaults.group);
    s.title = get("options", "title", defaults.title);
    s.lancia = get("options", "lancia", "");

    // Group names: the builder's own list, else the installer's component
    // names of older files. Counts are never believed beyond what the file holds.
    auto count = [&](std::string_view section, std::string_view key) {
        return static_cast<std::size_t>(
            std::clamp<std::int64_t>(ini.ReadInteger(section, key, 0), 0, static_cast<std::int64_t>(kMaxGroups)));
    };
    if (const std::size_t n = count("wizoptions", kGroupCountKey); n > 0) {
        for (std::size_t g = 0; g < n; ++g)
            s.groups.push_back(get("wizoptions", std::string(kGroupNameKey) + std::to_string(g), "unreadable"));
    } else if (const std::size_t m = count("custom", "num"); m > 0) {
        for (std::size_t g = 0; g < m; ++g) s.groups.push_back(get("custom", "fil" + std::to_string(g), "unreadable"));
    }
    const std::vector<std::string> fallback = DefaultGroups();
    while (s.groups.size() < fallback.size()) s.groups.push_back(fallback[s.groups.size()]);

    for (int g = 1; g <= kMaxGroup; ++g) {
        const std::string section = "disco1_" + std::to_string(g);
        const std::int64_t num = std::clamp<std::int64_t>(ini.ReadInteger(section, "num", 0), 0,
                                                          static_cast<std::int64_t>(ini.KeyCount(section)));
        std::string prevSource, prevInstall;
        for (std::int64_t i = 0; i < num; ++i) {
            const std::string n = std::to_string(i);
            const auto sValue = ini.Read(section, "s" + n);
            if (!sValue || sValue->empty()) continue;  // a count larger than the entries
            const std::string sv = text::Cp1252ToUtf8(*sValue);
            TDatoDir e;
            e.group = g;
            e.sourcePath = sv[0] == '+' ? prevSource + sv.substr(1) : sv;
            if (const auto wd = ini.Read(section, "wd" + n)) {
                const std::string w = text::Cp1252ToUtf8(*wd);
                e.installPath = !w.empty() && w[0] == '+' ? prevInstall + w.substr(1) : w;
            } else {
                // No "wd": the install path was written as the same text as "s".
                e.installPath = sv[0] == '+' ? prevInstall + sv.substr(1) : sv;
            }
            prevSource = SourceFolder(e.sourcePath);
            prevInstall = InstallFolder(e.installPath);
            if (!ValidInstallPath(e.installPath)) {
                r.refused.push_back(section + "/s" + n + ": percorso di installazione non ammesso: " + e.installPath);
                continue;
            }
            s.entries.push_back(std::move(e));
        }
        if (num > 0)
            while (s.groups.size() <= static_cast<std::size_t>(g)) s.groups.push_back("Gruppo " + std::to_string(s.groups.size()));
    }
    return r;
}

}  // namespace cdrom
