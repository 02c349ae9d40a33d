// One run of the import dialog without the dialog: the format chosen, the
// files (or a root file whose links are followed), the background of the new
// pages, and the run with its progress, its Stop and its report.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/html/ImportReport.h"

namespace model {
class TNYXset;
}

namespace convert::html {

// The formats of the import dialog, in its order (codes 0 to 6).
enum TImportFormat : int {
    ifHtml = 0,
    ifRtfPages = 1,
    ifRtfOnePage = 2,
    ifWinHelp = 3,
    ifText = 4,
    ifDocPages = 5,
    ifDocOnePage = 6,
};
// The entry texts of the formats, in order.
const std::vector<std::string>& ImportFormatNames();
// Whether this program can import the format.
bool ImportFormatAvailable(int format);
// The format a file's extension calls for (-1: none): ".htm", ".html" HTML,
// ".txt", ".ini", ".asc", ".pas", ".c", ".cpp" text, ".rtf" RTF, ".doc" and
// ".wri" DOC (when LibreOffice is there to read them).
int ImportFormatOf(const std::filesystem::path& file);

struct TImportChoices {
    int format = ifHtml;
    std::vector<std::filesystem::path> files;
    // HTML, second tab: a root file and how many levels of its links to follow.
    bool follow = false;
    std::filesystem::path root;
    int levels = 1;
    std::uint32_t backColour = 0xFFFFFF;
    std::int32_t backPicture = -1;  // a picture's reference, used when not -1
    // RTF, WinHelp and DOC: "allToGif", "summary", "comune", "titLevel", "numParPerPag".
    bool allToGif = false, summary = false, commonIndex = false;
    int headingLevel = 4, parsPerPage = 100;
};

struct TImportOutcome {
    TImportReport report;
    bool ran = false;
    std::string message;  // UTF-8, when the run did not start ("Occorre scegliere almeno un file")
    std::vector<std::string> winHelpReport;  // UTF-8 lines, WinHelp only
};

// The files the choices import (the followed list for HTML with `follow`).
std::vector<std::filesystem::path> ImportList(model::TNYXset& set, const TImportChoices& c, TImportReport* report = nullptr);

// Runs the import. `progress` gets "Import in corso, fase 1: n%" texts;
// `stop` is polled between files and while a long file is read.
TImportOutcome RunImport(model::TNYXset& set, const TImportChoices& c, const std::function<void(const std::string&)>& progress = {},
                         const std::function<bool()>& stop = {});

}  // namespace convert::html
