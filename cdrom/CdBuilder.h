// Building the CD folder ("Crea"): the installer's files from the Utils
// folder, the list file "f/install.lst", the personalisation files and every
// entry under "f/", each copy checked to land inside the destination folder.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cdrom/CdSettings.h"

namespace cdrom {

struct TBuildProgress {
    std::size_t done = 0;   // copies finished
    std::size_t total = 0;  // copies to make
    std::string file;       // the file being copied (UTF-8)
};

struct TBuildOptions {
    std::filesystem::path utils;  // the installer's files and the default texts
    // Called before each copy and now and then during a long one; false stops
    // the build.
    std::function<bool(const TBuildProgress&)> progress;
};

struct TBuildReport {
    // Set when the build did not start: the reason (UTF-8) and whether it is
    // the "no entries" case, which is only information for the user.
    std::string refused;
    bool noEntries = false;
    bool stopped = false;
    std::vector<std::string> missing;   // sources that do not exist
    std::vector<std::string> failures;  // copies and writes that failed, with the reason
    std::filesystem::path installer;    // the installer as written ("" when it was not copied)
    std::filesystem::path listFile;     // f/install.lst ("" when it was not written)
    std::array<std::uint64_t, kMaxGroups> groupBytes{};  // sizes of the entries' sources per group
    std::uint64_t bytesCopied = 0;

    bool Done() const { return refused.empty() && !stopped && missing.empty() && failures.empty(); }
    // The lines of the "Report errori:" window.
    std::vector<std::string> ReportLines() const;
};

// Why the destination cannot be built into ("" when it can): empty,
// relative, or the root folder.
std::string DestinationProblem(const std::string& dest);

// Builds the CD folder for `s` into s.destPath. The settings are taken as
// they are, apart from the read-me and the licence, which are left out when
// their check boxes are off.
TBuildReport BuildCd(const TCdSettings& s, const TBuildOptions& options);

// The installer's files copied from the Utils folder: (name in Utils, path
// under the destination).
struct TUtilsFile {
    const char* source;
    const char* target;
};
const std::vector<TUtilsFile>& UtilsFiles();

}  // namespace cdrom
