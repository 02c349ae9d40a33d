// RTF both ways: pages written as one RTF document, one document per page or
// a clipboard fragment, WinHelp topic and project files; RTF files and
// WinHelp topic files read back as pages, and RTF from the clipboard read
// into the program's own clipboard container.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/Converter.h"
#include "convert/html/ImportReport.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace convert::rtf {

// Options of an RTF import run (the import dialog's keys in brackets).
struct TRtfImportOptions {
    bool allToGif = false;       // "allToGif": imported pictures stored as GIF
    bool summary = false;        // "summary": headings start pages, with an index page
    bool commonIndex = false;    // "comune": one index page for every file of the run
    int headingLevel = 4;        // "titLevel"
    int parsPerPage = 100;       // "numParPerPag"
    bool winHelp = false;        // the files are WinHelp topic files
};

// One line of the WinHelp import report: 0 page imported, 1 keyword
// imported, 2 link not imported.
struct TReportLine {
    int tag = 0;
    std::string text;  // Windows-1252
};

class TNYXtortf : public TNYXconv {
public:
    explicit TNYXtortf(model::TNYXset* set = nullptr) : TNYXconv(set) {}

    // --- export -------------------------------------------------------------------
    bool winHelp = false;        // write a WinHelp topic file
    bool titlesAsKeywords = false;  // "runTitKey": page titles are keywords too
    // Paper and margins in twips.
    std::int32_t paperWidth = 11905, paperHeight = 16837;
    std::int32_t marginTop = 1417, marginBottom = 1417, marginLeft = 1417, marginRight = 1417;
    // Body size past which the user is asked whether to go on.
    std::size_t bigBodySize = 5000000;
    // The export time written in the info group (seconds since 1970; 0: now).
    std::int64_t exportTime = 0;

    // A markup fragment (ended by NUL or not) as a complete RTF document, no
    // info group, ended by NUL.
    std::string ExportSelection(std::string_view source);
    // Every page into ExportFileName, pages separated by sections (pages in
    // WinHelp mode).
    bool ExportPages(const std::vector<std::int32_t>& pages) override;
    // One page with its header and footer into ExportFileName.
    bool ExportOnePage(std::int32_t page);
    // The file name of one page's own document: prefix + "index.rtf" for the
    // start page, prefix + six hex digits + ".rtf" otherwise.
    std::string PageFileName(std::int32_t page) const;
    // Every page into its own document in ExportPath.
    bool ExportEachPage(const std::vector<std::int32_t>& pages);
    // The WinHelp project written after the topic file: ExportFileName with
    // ".HPJ". Lists the windows and bitmaps of the last export.
    bool WriteProject(const std::vector<std::int32_t>& pages);
    std::filesystem::path ProjectFileName() const;
    // The project text (CR LF lines).
    std::string ProjectText(const std::vector<std::int32_t>& pages) const;
    // The topic id of a page: the title's letters, digits, "." and "_", cut so
    // that "_" + number fits in 20 characters.
    static std::string TopicId(std::string_view title, std::int32_t page);
    std::string TopicIdOf(std::int32_t page) const;

    // Help compiler: when `compilerCommand` is set it is started with the
    // project file as its argument (never through a shell). The old ".hlp"
    // is removed only once the compiler has started.
    std::string compilerCommand;
    bool RunCompiler(std::string* error = nullptr);

    // What the last export met: messages (Windows-1252) and the bitmaps and
    // windows of a WinHelp export.
    const std::vector<std::string>& Problems() const { return problems_; }
    const std::vector<std::string>& Bitmaps() const { return bitmaps_; }
    const std::vector<std::string>& Windows() const { return windows_; }
    // Whether the last export was stopped (`stopRequested`, asked before
    // each page), and the pages it did not reach. A one-document export
    // stopped writes nothing, so an earlier file of the same name stays
    // whole; one document per page keeps the documents already written.
    bool Stopped() const { return stopped_; }
    const std::vector<std::int32_t>& PagesLeft() const { return pagesLeft_; }

    // --- import -------------------------------------------------------------------
    TRtfImportOptions importOptions;
    std::uint32_t importBackColour = 0xFFFFFF;
    std::int32_t importBackPicture = -1;
    html::TImportProgress OnImpProgress;
    // Asked between files of an import and before each page of an export.
    std::function<bool()> stopRequested;

    // Imports the files; returns the number of the first page made (0: none).
    // flag 1: several pages per file, 0: one page per file.
    int ImportFiles(const std::vector<std::filesystem::path>& files, int flag = 1);
    // One RTF text held in memory as the file `name` would be.
    bool ImportText(std::string_view bytes, const std::filesystem::path& name, bool severalPages);
    const html::TImportReport& Report() const { return report_; }
    const std::vector<TReportLine>& WinHelpReport() const { return winHelpReport_; }
    // "Report importazione Win Help:" and its lines.
    std::vector<std::string> WinHelpReportLines() const;

    // RTF to the program's clipboard container (paragraphs in style `style`
    // where the RTF does not say otherwise).
    std::string ImportFragment(std::string_view rtf, int style = 0);

    // Largest RTF file read.
    std::uintmax_t maxFileSize = 256u << 20;
    static constexpr const char* kTooBig =
        "Memoria insufficiente per leggere il file. Per leggere il file, provate a dividere il testo in 2 o 3 "
        "capitoli, e a salvarli separatamente.";

private:
    friend class TRtfWriter;
    friend class TRtfReader;
    bool WriteDocument(const std::filesystem::path& file, const std::string& header, const std::string& body,
                       const std::string& tail);

    std::vector<std::string> problems_;
    std::vector<std::string> bitmaps_;
    std::vector<std::string> windows_;
    bool stopped_ = false;
    std::vector<std::int32_t> pagesLeft_;
    // True (with the pages from i on left) when the user stops the export.
    bool StopBefore(const std::vector<std::int32_t>& pages, std::size_t i);
    html::TImportReport report_;
    std::vector<TReportLine> winHelpReport_;
    void FlushIndex(std::int32_t page);
    std::map<std::string, std::int32_t> topicPages_;  // WinHelp import: upper-case topic id -> page
    std::set<std::int32_t> unfilled_;                 // pages made for topics not read yet
    std::map<std::int32_t, std::string> indexTexts_;  // index pages being built
    std::int32_t indexPage_ = -1;                     // the run's common index page
    int footnoteCounter_ = 0;
};

}  // namespace convert::rtf
