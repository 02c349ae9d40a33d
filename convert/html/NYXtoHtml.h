// HTML export: every chosen page becomes an HTML document (with its frame set,
// header, text, footer and objects), every picture and file it uses is copied
// under its export name, and one style sheet gives each paragraph style a class.
//
// This file and NYXtoHtml.cpp hold the exporter, its names and the run; the
// documents are written by Document.cpp, their texts by the walker of
// TextWalk.h, the style sheet by StyleSheet.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/Converter.h"
#include "convert/html/ExportOptions.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace convert::html {

// What a run did: files written and every problem met (Windows-1252 texts).
struct TExportReport {
    std::vector<std::string> problems;
    std::size_t pagesWritten = 0;
    std::size_t filesCopied = 0;
    // Names (relative to the folder) of the files written, in order.
    std::vector<std::string> written;
    // Stop was pressed: the items of every phase not reached are listed.
    bool stopped = false;
    std::vector<std::int32_t> pagesLeft;   // page numbers of phase 1
    std::vector<std::int32_t> framesLeft;  // frame-content pages (references)
    std::vector<std::int32_t> filesLeft;   // pictures and files (references)
    bool ok() const { return problems.empty() && !stopped; }
};

class TNYXtoHtml : public TNYXconv {
public:
    explicit TNYXtoHtml(model::TNYXset* set = nullptr) : TNYXconv(set) {}

    THtmlOptions options;
    // Pages in the order used for previous/next links (empty: slot order).
    std::vector<std::int32_t> pageOrder;

    // File name relative to ExportPath of a page (kind 0 page document,
    // 1 frame-content document) or a picture or file (kind 2); "" for objects
    // without one. Names of pictures and files are unique within a run.
    std::string PageFileName(const model::TNYXoggetto* o, int kind);
    std::string StyleSheetName() const { return ExportPrefix() + "_style.css"; }
    std::string StyleSheetText() const;
    bool WriteStyleSheet();

    // One document; pages shown in frames go to the frame-content list, the
    // pictures and files it uses to the file list.
    std::string WritePage(const model::TNYXoggetto& page, int kind);
    // The alias document of a page (empty when it has none or it is refused).
    bool WriteAliasPage(const model::TNYXoggetto& page);
    // HTML of a stored text (as in a page body, without BODY).
    std::string TextToHtml(std::string_view markup, const model::TNYXoggetto* page = nullptr, int kind = 0);

    // The whole run: folder, style sheet, phases 1 to 3. Alias pages are
    // written when `aliases` is set. False when anything was not written.
    bool Export(const std::vector<std::int32_t>& pages, bool aliases = true);
    bool ExportPages(const std::vector<std::int32_t>& pages) override { return Export(pages, false); }
    // One page and the frame-content pages it needs (no style sheet, nothing
    // copied): each page written goes to `pagesOut`, each picture or file it
    // uses to `filesOut` (references, each once).
    bool ExportOnePage(std::vector<std::int32_t>& filesOut, std::vector<std::int32_t>& pagesOut, std::int32_t page);
    // Phases 1 and 2 over every page, pictures and files returned instead of
    // copied (for publishing).
    bool ExportAllPages(std::vector<std::int32_t>& filesOut);

    const TExportReport& Report() const { return report_; }
    // Collected during a run (references).
    const std::vector<std::int32_t>& FrameContentPages() const { return frames_; }
    const std::vector<std::int32_t>& UsedFiles() const { return files_; }
    // Starts a new run: forgets names, lists and the report.
    void ResetRun();

    // Helpers shared by the writers (exposed for the tests).
    static std::string EscapeText(std::string_view s);     // & < > "
    static std::string EscapeUrl(std::string_view s);      // percent-encodes, then & as &amp;
    static std::string CleanAttribute(std::string_view s); // quotes typographic, specials blank
    static std::string ColourText(std::uint32_t c);

private:
    friend class TTextWalk;
    void AddFile(std::int32_t ref);
    void AddFrame(std::int32_t pageRef);
    void Problem(std::string text) { report_.problems.push_back(std::move(text)); }
    std::string FileNameOf(const model::TNYXoggetto& o);
    bool WriteFile(const std::filesystem::path& rel, const std::string& bytes);
    // Writes a picture's or file's contents as `target`.
    bool CopyContents(const model::TNYXoggetto& o, const std::filesystem::path& target);
    // Creates the folder of a file once per run.
    bool MakeFolderOf(const std::filesystem::path& target);
    std::string Ext() const { return options.expTipoExt == 0 ? ".htm" : ".html"; }
    int StartPage() const;
    std::string AliasPageText(const model::TNYXoggetto& page);

    TExportReport report_;
    std::vector<std::int32_t> frames_;
    std::vector<std::int32_t> files_;
    std::set<std::int32_t> fileSet_;
    std::map<std::int32_t, std::string> fileNames_;  // reference -> name given in this run
    std::set<std::string> usedNames_;                // lower-cased names of pictures and files
    std::set<std::filesystem::path> madeFolders_;
};

}  // namespace convert::html
