// The formats pages can be exported to: a small registry that the export
// dialog lists in code order, with the entry text, the file extensions the
// format answers to, how its destination is chosen and the function that
// runs it. HTML (0) and text (4) are built in; the RTF and WinHelp
// exporters add their entries with RegisterExportFormat (see
// RegisterBuiltInExportFormats in ExportFormats.cpp for where the call goes).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/ExportList.h"
#include "convert/html/ExportOptions.h"

namespace model {
class TNYXset;
}

namespace convert {

// The codes of the export dialog's formats; a code is also the number of the
// format's options section ("exp\" + code).
enum TExportFormatCode : int {
    efHtml = 0,
    efRtfOneFile = 1,
    efRtfManyFiles = 2,
    efWinHelp = 3,
    efText = 4,
    efDoc = 5,
};

// The settings kept per format (section "exp\" + code).
struct TExportSettings {
    std::filesystem::path folder;  // "expPathInWindow"
    // Page size and margins in mm ("largh", "lungh", "top", "bottom", "dx",
    // "sx"): kept for the exporters that lay out pages.
    int width = 210, length = 297, top = 15, bottom = 15, right = 15, left = 15;
    bool runHcp = false;        // start the help compiler after a WinHelp export
    bool runTitKey = false;     // page titles are also keywords (WinHelp)
    bool runDefaultHcp = true;  // the program registered for ".hpj" rather than hcpPath
    std::string hcpPath;        // "options" value "HcpPath"
};

// One run of an exporter.
struct TExportJob {
    model::TNYXset* set = nullptr;
    std::vector<std::int32_t> pages;   // page numbers, in the list's order
    std::filesystem::path folder;      // destination folder
    std::filesystem::path mainFile;    // one-file formats: the file inside `folder`
    html::THtmlOptions html;           // the HTML options ("htmlexp")
    TExportSettings settings;          // the format's own settings
    // Progress of the run (pag of tot in phase); may be empty.
    std::function<void(int pag, int tot, int phase)> progress;
    // Asked between items: true when the user pressed Stop; may be empty.
    std::function<bool()> stop;
};

struct TExportResult {
    std::vector<std::string> written;   // files written, relative to the folder (Windows-1252)
    std::vector<std::string> problems;  // Windows-1252
    bool stopped = false;
    // When stopped: what the run did not reach, as lines for the report.
    std::vector<std::string> left;
    bool ok() const { return problems.empty() && !stopped; }
};

struct TExportFormat {
    int code = 0;
    std::string name;        // entry text of the format list (Windows-1252)
    std::string extensions;  // "*.htm;*.html;": the extensions save-as picks the format by
    // The extension of the proposed main file (".txt"); empty when only a
    // folder is chosen (every page gets a file of its own).
    std::string mainExtension;
    TKyListType listType = ltOneFile;
    // Whether "Tutte" checks every page.
    bool checkAll = true;
    std::function<TExportResult(const TExportJob&)> run;
};

// Adds a format, or replaces the one with the same code.
void RegisterExportFormat(TExportFormat format);
// The formats in code order (the built-in ones registered on first use).
const std::vector<TExportFormat>& ExportFormats();
const TExportFormat* FindExportFormat(int code);
// The first format whose extension list holds the file's extension (lower
// case); nullptr when none does.
const TExportFormat* ExportFormatForFile(const std::filesystem::path& file);

// The report line of a page a stopped export did not reach (Windows-1252).
std::string PageLine(const model::TNYXset& set, std::int32_t ref);

// The built-in runs, also used by `nyx` and the tests.
TExportResult RunHtmlExport(const TExportJob& job);
TExportResult RunTextExport(const TExportJob& job);

}  // namespace convert
