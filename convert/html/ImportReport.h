// What the importers share: the report of an import run, the new pages an
// import creates and the fixes every imported text gets before it is stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXset;
class TNYXtesto;
}  // namespace model

namespace convert::html {

struct TImportProblem {
    std::string file;         // UTF-8
    std::size_t offset = 0;   // byte position in the file's text where it happened
    std::string text;         // UTF-8
};

struct TImportReport {
    std::vector<std::int32_t> pages;        // numbers of the pages created, in order
    std::size_t unmapped = 0;               // characters with no Windows-1252 form, stored as "?"
    std::vector<std::string> outside;       // references outside an imported file's folder (UTF-8)
    bool outsideAsked = false;
    bool outsideLoaded = false;             // the user agreed to load them
    std::vector<std::string> skipped;       // files not imported, each with why (UTF-8)
    std::vector<TImportProblem> problems;   // scan errors: the page keeps what was read before
    std::size_t picturesMissing = 0;        // pictures that could not be loaded ("[i] " in the text)
    bool stopped = false;                   // the user stopped the run

    // The report as the user reads it (UTF-8 lines, Italian).
    std::vector<std::string> Lines() const;
    void Clear() { *this = TImportReport{}; }
};

// Progress of an import: file `index` (0-based) of `count`, in `phase`.
using TImportProgress = std::function<void(int index, int count, int phase)>;

// "Import in corso, fase " + phase + ": " + percent + "%".
std::string ImportProgressText(int index, int count, int phase);

// A new page for an import: a new page object of the hypertext with the
// import background colour and picture (picture: a reference or -1).
model::TNYXtesto* NewImportPage(model::TNYXset& set, std::uint32_t backColour, std::int32_t backPicture);

// The fixes an imported text gets before it is stored: it begins with a
// paragraph tag, every table reference is followed by as many cells as the
// table has (missing ones appended as empty cells), every cell separator is
// followed by a paragraph tag. The result ends without NUL.
std::string PostProcessImportedText(const model::TNYXset& set, std::string_view text);

}  // namespace convert::html
