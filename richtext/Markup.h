// The markup writer and reader: in-memory paragraphs to stored text and back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/Box.h"

namespace model {
class TNYXtesto;
}

namespace richtext {

enum WriteMode : int { wmStore = 0, wmRelayout = 1, wmContinue = 2, wmUndoRange = 3 };

// Keys and ids of pasted material mapped to what the pasted objects received.
struct TKeyMaps {
    const std::vector<std::int32_t>* newKeys = nullptr;
    const std::vector<std::int32_t>* oldKeys = nullptr;
    const std::vector<std::int32_t>* newIds = nullptr;
    const std::vector<std::int32_t>* oldIds = nullptr;
};

// Appends the markup of characters [start, end) of a paragraph (end -1: to
// the end of the text). Mode 3 writes the whole text; the range then only
// says which tables carry their cells.
void WriteParagraph(const TNYXparag& p, std::string& out, int mode, std::int64_t end = -1, std::int64_t start = 0);

enum class ReadStop : std::uint8_t {
    Next,     // stopped before the next paragraph tag (or found nothing)
    CellEnd,  // met "<T>" (only inside a table cell)
    TextEnd,  // met the NUL byte or the end of the data
};

// Reads one paragraph at pos into an empty paragraph that the caller has put
// into its box. Always leaves the paragraph with its end record.
ReadStop ReadParagraphEx(TNYXparag& p, std::string_view data, std::size_t& pos, int mode,
                         const TKeyMaps* maps = nullptr);
// True when reading stopped at a cell end or at the end of the text.
inline bool ReadParagraph(TNYXparag& p, std::string_view data, std::size_t& pos, int mode,
                          const TKeyMaps* maps = nullptr) {
    return ReadParagraphEx(p, data, pos, mode, maps) != ReadStop::Next;
}

// Reads paragraphs of one kind into the box (appended) until the text or the
// cell ends; returns why it stopped and how many paragraphs it added.
ReadStop ReadParagraphs(TNYXbox& box, std::string_view data, std::size_t& pos, int mode, int kind,
                        std::size_t* added = nullptr, const TKeyMaps* maps = nullptr);

// Whole-box reading: header text (kind 1), body (kind 0), footer text (kind 2).
// The body always yields at least one paragraph. Problems go to the sink (or,
// without one, to one error box) once for the whole load.
void LoadBox(TNYXbox& box, int mode, std::string_view body, std::string_view header = {},
             std::string_view footer = {}, TMarkupProblemSink* sink = nullptr);

// The body paragraphs in mode 0 followed by NUL.
std::string BoxText(const TNYXbox& box);
// Writes the box's body into the page's text and marks it as version 2.
void StoreBoxText(const TNYXbox& box, model::TNYXtesto& page);
// Loads a page's text into a box, upgrading version-1 text first.
void LoadBoxFromPage(TNYXbox& box, model::TNYXtesto& page, TMarkupProblemSink* sink = nullptr);

// Rewrites paragraphs [first, last] in mode 1 and reads them back, rebuilding
// their character records. Keeps the tables and the outer coordinates.
void RelayoutParagraphs(TNYXbox& box, std::int32_t first, std::int32_t last);

// Joins paragraph i with i + 1: the second keeps its look as character
// attributes under the first's style. Refused (false) for table paragraphs.
bool JoinParagraphs(TNYXbox& box, std::int32_t i);

// The text of a new page and of a new table cell.
inline constexpr std::string_view kNewPageText{"<Z S0 >\0", 8};
inline constexpr std::string_view kNewCellText{"<Z S1 ><T>\0", 11};

// Sanitises a font name so that it cannot break a tag.
std::string TagSafeFontName(std::string_view name);

}  // namespace richtext
