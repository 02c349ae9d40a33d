// Line layout of a box: paragraphs broken into lines over the widths stored
// in their character records, line heights and baselines, alignment, indents,
// list numbers and the places of embedded objects. No widget: the box's host
// is told what to repaint and where objects went.
#pragma once

#include <cstdint>

#include "richtext/Box.h"

namespace richtext {

// Margins as layout uses them (cell padding included).
struct TParaMargins {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t indent = 0;  // first-line indent (a negative one counts as 0 under a list mark)
    std::int32_t above = 0;
    std::int32_t below = 0;
};
TParaMargins MarginsOf(const TNYXparag& p);

// Breaks paragraph `index` into new lines from `top`; sets its top, bottom and
// layout width and the places of its objects. Returns the next paragraph's top.
std::int32_t LayoutParagraph(TNYXbox& box, std::int32_t index, std::int32_t top);

// Lays out paragraphs first..last from `top`, moves the later ones when the
// last bottom is no longer `oldBottom`, numbers the lists and tells the host
// what to repaint. With `resetSelection` the selection becomes the range.
void LayoutRange(TNYXbox& box, std::int32_t first, std::int32_t last, bool resetSelection, std::int32_t oldBottom,
                 std::int32_t top);

// Top of the first paragraph of a whole-box layout: its space above, 8 in a
// page box when that is 0, plus the padding in a cell.
std::int32_t FirstParagraphTop(const TNYXbox& box);

// Lays out every paragraph from the first paragraph's top.
void LayoutBox(TNYXbox& box);

// A page box takes a new client width (never below 20) and lays out again
// when it changed. Returns true when it laid out.
bool ResizeBox(TNYXbox& box, std::int32_t clientWidth);

// List numbers: a paragraph with list mark 6 gets the running counter, any
// other paragraph sets it back to 1.
void NumberLists(TNYXbox& box);

// Ascent of an object of height h under a vertical placement value.
std::int32_t ObjectAscent(std::int32_t placement, std::int32_t h);

// The size an object takes in the text flow when nothing better is known
// (no control yet): the stored size of its kind, or the class default.
void StoredObjectSize(TNYXembedded& e, std::int32_t lineWidth);

// Index of the first paragraph whose bottom is at or below y (binary search;
// paragraphs are in order), size() when none.
std::size_t ParagraphAt(const TNYXbox& box, std::int32_t y);

// Text top of a paragraph (its top plus its space above).
std::int32_t TextTop(const TNYXparag& p);

}  // namespace richtext
