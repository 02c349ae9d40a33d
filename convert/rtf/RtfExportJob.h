// The RTF formats of the export dialog without the dialog: what each one
// is called and which files it proposes, and the run of one of them over
// the chosen pages (one file, one file per page, WinHelp with its project
// and compiler, DOC through LibreOffice).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace model {
class TNYXset;
}

namespace convert::rtf {

// The export dialog's codes of these formats.
enum TRtfExportFormat : int { efRtfOneFile = 1, efRtfPerPage = 2, efWinHelp = 3, efDoc = 5 };

struct TRtfFormatEntry {
    int code;
    std::string name;        // the entry text (UTF-8)
    std::string extensions;  // "*.rtf;"
    bool folderOnly;         // the dialog asks for a folder, not a main file name
    std::string proposedExtension;  // of the main file name (".rtf", ".doc")
};

// The formats, in the dialog's order; DOC only when LibreOffice is installed.
std::vector<TRtfFormatEntry> RtfExportFormats();

struct TRtfExportJob {
    int format = efRtfOneFile;
    std::vector<std::int32_t> pages;
    std::filesystem::path folder;
    std::string mainFile;        // "Nome file principale:" (its folder part is dropped)
    bool titlesAsKeywords = false;  // "runTitKey"
    bool runCompiler = false;       // "runHcp"
    bool useRegistered = true;      // "runDefaultHcp": the desktop's program for ".HPJ"
    std::string compiler;           // "HcpPath"
    // Asked before each page: true stops the run (may be empty).
    std::function<bool()> stop;
};

struct TRtfExportOutcome {
    bool ok = false;
    std::vector<std::filesystem::path> written;
    std::vector<std::string> problems;  // UTF-8
    bool stopped = false;
    std::vector<std::int32_t> pagesLeft;  // not reached when stopped
};

// Runs the export; progress gets (index, count, phase).
TRtfExportOutcome RunRtfExport(model::TNYXset& set, const TRtfExportJob& job,
                               const std::function<void(int, int, int)>& progress = {});

}  // namespace convert::rtf
