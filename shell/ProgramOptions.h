// The program's options with their meaning, defaults and sane ranges, read
// from and written to the options store (shell/OptionsStore.h).
//
// Who reads what:
//   - the hypertext (model): `undoDeep` -> UndoDeep, `maxCacheImg` ->
//     MaxCacheImg, `Bak` -> backups, `Alt` -> picture names into placed
//     pictures: ReadProgramOptions(store).undoDeep etc., or ApplyOptions;
//   - the main window: ApplyOptions(store, target) with itself as target, at
//     start and after the options dialog; EnsureDefaultNetConfigurations at
//     start; ReadRecentFiles / WriteRecentFiles;
//   - the options dialog: ReadProgramOptions, then WriteProgramOptions on
//     "&Ok" (one disk write);
//   - the HTML exporter: ReadHtmlExportOptions; FTP and server publishing
//     their sections "ftpnet", "ftpnet\N", "quornet", "quornet\N";
//   - the spell checker: ReadSpellOptions;
//   - the album: ReadExtension.
//
// Numbers are clamped into their range, and what is not a number takes the
// default, so a hand-edited file cannot give an undo depth or a picture
// cache of 0 or a save reminder every 0 minutes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "convert/html/ExportOptions.h"
#include "shell/OptionsStore.h"

namespace shell {

// How a stored string reads as a value.
enum class TOptionKind {
    FlagOnIfOne,          // on only when "1"
    FlagOnUnlessZero,     // on unless "0" (missing is on)
    FlagOnIfOneOrMissing, // on when "1" or missing
    Number,               // integer, clamped to [min, max]; not a number: default
    Text,
};

struct TOptionInfo {
    const char* section;  // "options" for the simple options
    const char* name;
    TOptionKind kind;
    const char* defaultValue;  // as stored ("1", "20", ...); "" when none
    int min = 0, max = 0;      // Number only
    const char* meaning;
};

// Every option the program reads, in a fixed order (simple options first).
const std::vector<TOptionInfo>& OptionCatalogue();
// Case-insensitive; nullptr when the option is not catalogued. A section
// "ftpnet\3" finds the entries of "ftpnet\N" (per-configuration values).
const TOptionInfo* FindOptionInfo(std::string_view section, std::string_view name);

// Stored text -> value, by the rules of the catalogue.
bool FlagValue(const TOptionInfo& info, std::string_view stored);
int NumberValue(const TOptionInfo& info, std::string_view stored);
// Integer parsing used throughout: optional blanks and sign, digits only.
bool ParseInteger(std::string_view s, long long& out);
// Clamped number with a default for what is not a number.
int ReadNumber(std::string_view stored, int fallback, int min, int max);

// Any catalogued option read by its rules: a clamped number (its default
// when not a number) or a flag. Not catalogued: 0 and off.
int ReadNumberOption(const TOptionsStore& store, std::string_view section, std::string_view name);
bool ReadFlagOption(const TOptionsStore& store, std::string_view section, std::string_view name);

// The simple options, typed.
struct TProgramOptions {
    bool tipOfTheDay = true;
    bool autoHideTip = false;
    bool atStartBlank = false;
    std::string lastFile;
    std::string defaultLib;  // as stored; see DefaultLibraryFile
    int maxCacheImg = 20;    // 10..200
    int undoDeep = 20;       // 5..100
    int formLim = 5;         // 3..10
    bool promemSave = false;
    int timeSave = 5;        // minutes, 1..1440
    bool virgolette = false;
    bool alt = false;
    bool elStili = false, clipStili = false;
    bool elForm = false, clipForm = false;
    bool bordoSx = false;
    bool bak = true;
    // `NotSaveTool`: toolbar positions are restored only when it is "0".
    bool restoreToolbars = false;
    bool cercaTop = false;
    bool saveTxtHtml = false;
    int cursors = 0;
    bool dbDebug = false, dbDebugMap = false;
    std::string hcpPath;
};

TProgramOptions ReadProgramOptions(const TOptionsStore& store);
// Writes every simple option (flags as "1"/"0"), in one disk write.
bool WriteProgramOptions(TOptionsStore& store, const TProgramOptions& o);

// Section "orto".
struct TSpellOptions {
    int lang = 1040;  // language identifier
    bool userDic = false, roman = false, caps = false, repeat = false, start = false, point = false, rate = false;
    bool autoCheck = true;  // `auto`: on unless "0"
    bool progress = false;  // `progr`
};
TSpellOptions ReadSpellOptions(const TOptionsStore& store);

// Section "htmlexp": the HTML exporter's own settings.
using THtmlExportOptions = convert::html::THtmlOptions;
THtmlExportOptions ReadHtmlExportOptions(const TOptionsStore& store);
bool WriteHtmlExportOptions(TOptionsStore& store, const THtmlExportOptions& o);

// Section "Browser": `num` and "Browser\i" with `Name` and `appPath`.
struct TBrowser {
    std::string name, appPath;
};
std::vector<TBrowser> ReadBrowsers(const TOptionsStore& store);
constexpr int kMaxBrowsers = 32;  // a larger `num` is read as this many

// Section "ext\" + extension. `comp` is 0 when empty and 2 when the
// extension has no section.
struct TExtensionHandling {
    std::string nam, appPath;
    int comp = 2;
};
TExtensionHandling ReadExtension(const TOptionsStore& store, std::string_view extension);

// Section "RecentFile", values "0" to "4" in order; empty values are skipped.
constexpr int kMaxRecentFiles = 5;
std::vector<std::string> ReadRecentFiles(const TOptionsStore& store);
bool WriteRecentFiles(TOptionsStore& store, const std::vector<std::string>& files);

// Creates the default server ("quornet") and FTP ("ftpnet") configurations
// when their section has no `numConfTot`; true when something was created.
bool EnsureDefaultNetConfigurations(TOptionsStore& store);
// Placeholder hosts of those configurations.
extern const char* const kDefaultWebServer;
extern const char* const kDefaultFtpServer;
// The installation set-up: `ftpnet` `numMax` "222".
bool WriteInstallationDefaults(TOptionsStore& store);

// The prototype library to open: `DefaultLib` when it names a ".cus" file,
// else "Custom/default.cus" in the program's folder.
std::filesystem::path DefaultLibraryFile(std::string_view defaultLib, const std::filesystem::path& programFolder);

// What the main window does with the options at start and after the options
// dialog. Every operation has an empty default so a partial window (or a
// test) overrides only what it has.
class TOptionsTarget {
public:
    virtual ~TOptionsTarget() = default;
    virtual void SetPictureCacheSize(int /*pictures*/) {}
    virtual void SetUndoDepth(int /*steps*/) {}
    // Off: the reminder timer stops; on: it runs every `minutes`.
    virtual void SetSaveReminder(bool /*on*/, int /*minutes*/) {}
    virtual void SetSpellOptions(const TSpellOptions&) {}
    virtual void SetTypographicQuotes(bool) {}
    virtual void SetAltFromPictureNames(bool) {}
    virtual void SetDebugAids(bool /*dbDebug*/, bool /*dbDebugMap*/) {}
    virtual void SetBackups(bool) {}
    virtual void SetLeftBorder(bool) {}
    virtual void SetSearchWindowsOnTop(bool) {}
    // The commands "Corrente pagina in " + name and "Tutto l'ipertesto in " + name.
    virtual void SetBrowsers(const std::vector<TBrowser>&) {}
    virtual void SetPointerSet(int) {}
};

void ApplyOptions(const TOptionsStore& store, TOptionsTarget& target);

}  // namespace shell
