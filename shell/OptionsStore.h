// The program's per-user options store.
//
// The options live in one file, $XDG_CONFIG_HOME/quor/options.ini (else
// ~/.config/quor/options.ini), whose sections are registry-style key paths
// (see shell/KeyTree.h for the text form). Simple options sit under
// "\SOFTWARE\ZR\Quor3.0pro\options\", sectioned ones under
// "\SOFTWARE\ZR\Quor3.0pro\" + section ("orto", "htmlexp", "ftpnet\0", ...);
// any other key path (printer profiles, window placements) can be reached
// through the generic key operations. Every value is a string; a missing
// value reads as ""; flags are "1" and "0"; value names and key paths are
// case-insensitive.
//
// Names and values are Windows-1252 bytes, like the rest of the model; the
// file is UTF-8 on disk.
//
// Writing. Every write reaches the disk before the call returns: under an
// exclusive flock on "options.ini.lock" the store re-reads the file when
// another program changed it since, applies its own changes on top (so two
// running instances never lose each other's values), writes a temporary
// file (mode 0600: FTP passwords are kept here), syncs it and renames it over
// the old one. A write that fails leaves the old file whole, shows
// "Impossibile salvare le opzioni del programma..." once, keeps the new
// values in memory and retries them with the next write. Batch many writes
// (the options dialog) between BeginUpdate and EndUpdate for one disk write.
//
// Reading is from memory. Every few dozen reads, and at most once per
// refresh interval (one second unless set), the store looks at the file
// again (a stat) and reloads it when another instance replaced it;
// Refresh() does so at once.
//
// A missing, unreadable or hand-mangled file is never fatal: what cannot be
// understood is skipped (the defaults apply) and, before the first rewrite,
// the original bytes are kept beside it as "options.ini.corrupt". A file that
// exists but cannot be read at all (no permission, I/O error) is never
// overwritten: writes fail and are reported as above.
//
// Typical use:
//     shell::TOptionsStore& o = shell::options();
//     if (o.ReadOption("Bak") != "0") ...;
//     o.WriteFlag("TipOfTheDay", false);
//     o.WriteSectionOption("ftpnet\\0", "server", host);
// Typed values with their defaults and sane ranges: shell/ProgramOptions.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/KeyTree.h"

namespace shell {

// "\SOFTWARE\ZR\Quor3.0pro\" and "\SOFTWARE\ZR\Quor3.0pro\options\".
extern const char* const kProgramKey;
extern const char* const kOptionsKey;

class TOptionsStore {
public:
    // Opens the store kept in `file` (which need not exist yet).
    explicit TOptionsStore(std::filesystem::path file);
    ~TOptionsStore();
    TOptionsStore(const TOptionsStore&) = delete;
    TOptionsStore& operator=(const TOptionsStore&) = delete;

    // $XDG_CONFIG_HOME/quor/options.ini when XDG_CONFIG_HOME is an absolute
    // path, else $HOME/.config/quor/options.ini.
    static std::filesystem::path DefaultFile();
    const std::filesystem::path& FileName() const { return file_; }

    // --- the program's operations -------------------------------------
    // A simple option; "" when missing.
    std::string ReadOption(std::string_view name) const;
    bool WriteOption(std::string_view name, std::string_view text);
    // Writes "1" or "0".
    bool WriteFlag(std::string_view name, bool on);
    // An option of section `section` (key "\SOFTWARE\ZR\Quor3.0pro\" + section).
    std::string ReadSectionOption(std::string_view section, std::string_view name) const;
    bool WriteSectionOption(std::string_view section, std::string_view name, std::string_view text);
    bool WriteSectionFlag(std::string_view section, std::string_view name, bool on);
    bool DeleteSectionOption(std::string_view section, std::string_view name);
    // All values of a section, in the order they were created.
    TNameValueList ReadSection(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    // Deletes key "\SOFTWARE\ZR\Quor3.0pro\" + name with every key below it.
    // An empty name (it would wipe every option) is refused: false.
    bool DeleteSection(std::string_view name);
    // `keyPathAndName` split at its last "\" into key and value name; when the
    // key does not exist shows the error box "Tmp err msg. Key non trovata nel
    // registry:" + key + " : " + name and returns "".
    std::string ReadPath(std::string_view keyPathAndName) const;

    // --- any key path ---------------------------------------------------
    std::optional<std::string> ReadKey(std::string_view keyPath, std::string_view name) const;
    bool WriteKey(std::string_view keyPath, std::string_view name, std::string_view text);
    TNameValueList ReadKeyValues(std::string_view keyPath) const;
    bool KeyExists(std::string_view keyPath) const;
    // Refuses the empty path like DeleteSection.
    bool DeleteKey(std::string_view keyPath);
    // Every key path, "\"-prefixed, sorted.
    std::vector<std::string> KeyPaths() const;

    // --- batching and freshness ------------------------------------------
    // Nesting counter: writes in between are kept in memory and reach the
    // disk together at the outermost EndUpdate, whose result says whether
    // that worked.
    void BeginUpdate();
    bool EndUpdate();
    // Writes what is still pending (after a failed write); true when nothing is.
    bool Flush();
    // Reloads the file now when another program replaced it. Pending values
    // of this store stay on top.
    void Refresh();
    void SetRefreshInterval(std::chrono::milliseconds interval) { refreshInterval_ = interval; }

    // Lines of the file that could not be understood at the last load.
    std::size_t BadLines() const;

    // For tests only: called with the temporary file after it was written
    // and synced, before it replaces the old one.
    void SetBeforeRenameHook(std::function<void(const std::filesystem::path&)> hook) { beforeRename_ = std::move(hook); }

private:
    struct Change {
        enum Kind { Set, EraseValue, EraseTree } kind;
        std::string path, name, data;
    };
    struct Identity {
        bool exists = false;
        std::uint64_t dev = 0, ino = 0, size = 0;
        std::int64_t mtimeNs = 0;
        bool operator==(const Identity&) const = default;
    };

    bool Change1(Change c);
    static void Apply(TKeyTree& tree, const Change& c);
    bool Commit(std::string& error);  // with mutex_ held
    void MaybeRefresh() const;   // with mutex_ held
    void ReloadLocked() const;   // with mutex_ held
    Identity Stat() const;
    // Reads the file into `tree`; `bad` counts the lines not understood.
    bool LoadFile(TKeyTree& tree, std::size_t& bad, std::string* raw, std::string& error) const;
    bool WriteFile(const TKeyTree& tree, Identity& written, std::string& error);
    void ReportFailure(const std::string& error);

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    mutable TKeyTree disk_;   // what the file held at the last load or write
    mutable TKeyTree cache_;  // disk_ with pending_ applied: what reads see
    mutable Identity identity_;
    mutable std::size_t badLines_ = 0;
    mutable bool keepCorrupt_ = false;
    mutable bool unreadable_ = false;  // the file exists but could not be read
    mutable std::string loadError_;
    mutable std::chrono::steady_clock::time_point lastCheck_{};
    mutable unsigned readsSinceCheck_ = 0;
    std::chrono::milliseconds refreshInterval_{1000};
    std::vector<Change> pending_;
    int updateDepth_ = 0;
    bool failureShown_ = false;
    std::function<void(const std::filesystem::path&)> beforeRename_;
};

// The process-wide store; opened on first use at DefaultFile() unless one
// was installed with SetOptions.
TOptionsStore& options();
// Installs a store (the caller keeps ownership); returns the previous one.
TOptionsStore* SetOptions(TOptionsStore* next);

}  // namespace shell
