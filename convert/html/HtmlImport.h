// HTML import: every file becomes a new page of the linked hypertext. One
// forward scan over the file's text (decoded into Windows-1252) appends
// stored markup to the page's text: paragraphs, run tags for the formatting
// stack (B, I, U, SUB, SUP, SMALL, FONT, SPAN, headings, PRE, alignment,
// CSS), links, pictures with their image maps, tables, form elements,
// comments, scripts and plug-in objects as objects of the hypertext. Pages
// this program exported are recognised by their page marker: their style
// sheet gives their paragraph styles back and the list numbers and spaces
// the exporter added are dropped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/html/ImportReport.h"

namespace model {
class TNYXoggetto;
class TNYXset;
class TNYXtesto;
}  // namespace model

namespace convert::html {

// What the page marker of an exported file says.
struct TPageMarker {
    std::int32_t page = 0;
    std::string nyxName;  // the native file's name (UTF-8), "" when none or not a ".nyx"
    bool found = false;
};

// The class styles read from one style sheet.
struct TSheetStyles;

class THtmlImport {
public:
    explicit THtmlImport(model::TNYXset* set = nullptr);
    ~THtmlImport();
    THtmlImport(const THtmlImport&) = delete;
    THtmlImport& operator=(const THtmlImport&) = delete;

    model::TNYXset* LinkedNYXset = nullptr;
    bool ImpPreview = false;                 // stop each file at 5000 characters of markup
    std::uint32_t importBackColour = 0xFFFFFF;
    std::int32_t importBackPicture = -1;     // reference of a picture, -1 none
    TImportProgress OnImpProgress;           // (file index, files, 1) before each file
    std::function<bool()> stopRequested;     // polled between files and while a long file is read
    int language = 1040;                     // changed by a language comment

    // Imports every existing file of the list in order; local links between
    // them are resolved to the pages made. Returns the number of the first
    // page created, or 0 when none was (Report().pages tells them all).
    int ImportFiles(const std::vector<std::filesystem::path>& files, int flag = 1);
    const TImportReport& Report() const { return report_; }

    // One document held in memory, as if read from `file` (its folder
    // resolves the references). The page made, or nullptr.
    model::TNYXtesto* ImportDocument(std::string_view bytes, const std::filesystem::path& file);

    // The first 100 lines of a file: the page number and native file name
    // of the page marker ("<!--pageQuor=\"" n ";" name "\"").
    static TPageMarker ReadPageMarker(const std::filesystem::path& file);
    static TPageMarker ReadPageMarker(std::string_view bytes);

    // The local HTML and text files reachable from `start` by links, up to
    // `depth` levels, without the start file. Files outside the start file's
    // folder are listed in the report and followed only when the user agrees.
    std::vector<std::filesystem::path> CollectLinkedFiles(const std::filesystem::path& start, int depth);

    // Largest file read (bigger ones are skipped).
    static constexpr std::uintmax_t kMaxFileSize = 512u << 20;

private:
    friend class THtmlScan;
    // The user's answer about references outside the folder (asked once a run).
    bool OutsideAllowed(const std::filesystem::path& file, const std::string& what);
    void ResolveLocalLinks();
    void BeginRun();

    TImportReport report_;
    // Local links made in this run: file (normalised) -> link reference.
    std::map<std::string, std::int32_t> localLinks_;
    // Pages made in this run, by the file they came from (normalised).
    std::map<std::string, std::int32_t> pagesByFile_;
    // Pictures loaded in this run, by file: the picture's reference (0: failed).
    std::map<std::string, std::int32_t> pictures_;
    // Style sheets read in this run, by file.
    std::map<std::string, std::shared_ptr<TSheetStyles>> sheets_;
    std::vector<std::string> outsideSeen_;
    // The hypertext's addresses, read on first need in a run.
    std::map<std::string, std::int32_t> urls_;
    bool urlsIndexed_ = false;
};

// The normalised key of a path for the run's maps (absolute, lexically normal).
std::string PathKey(const std::filesystem::path& p);

}  // namespace convert::html
