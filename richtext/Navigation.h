// Caret movement and hit-testing over a laid-out box, without any widget:
// the position record, character, word, line, paragraph, page and text
// moves, the boundary codes of a move that cannot stay in the box, moves
// across the cells of a table, hit-testing a point, the word at a position
// and the link under it. Header and footer paragraphs are never entered.
#pragma once

#include <cstdint>
#include <utility>

#include "richtext/Box.h"

namespace richtext {

// A text position with its place on screen (box coordinates).
struct TNYXcaretPos {
    std::int32_t para = 0;     // paragraph index
    std::int32_t line = 0;     // line index in the paragraph
    std::int32_t ch = 0;       // 0 before the first character, text length at the paragraph end
    std::int32_t y = 0;        // the line's top
    std::int32_t height = -1;  // the line's height; -1 when not laid out
    std::int32_t x = 0;        // left edge of the character at ch
    std::int32_t rightX = 0;   // right edge of that character (x at the paragraph end)
};

// Recomputes line, y, height and x of a position (clamped to the paragraph).
TNYXcaretPos Normalise(const TNYXbox& box, TTextPos pos);

// Why a move left the box: 1 left of the first body character, 2 right of
// the last, 3 above the first body line, 4 below the last; 5 to 8 the same
// four directions entering a table paragraph.
enum Boundary : int {
    kStays = 0,
    kLeftOut = 1,
    kRightOut = 2,
    kAboveOut = 3,
    kBelowOut = 4,
    kTableLeft = 5,
    kTableRight = 6,
    kTableUp = 7,
    kTableDown = 8,
};

struct TMove {
    TTextPos pos;                  // where the caret goes (unchanged when code != 0)
    int code = kStays;
    TNYXembedded* table = nullptr;  // the table entered (codes 5 to 8)
};

// Without `tables` a table paragraph is a paragraph of one character that
// the caret passes (a view that does not show cells); with it, moving onto
// or from inside a table paragraph gives codes 5 to 8.
TMove CharLeft(const TNYXbox& box, TTextPos pos, bool tables = true);
TMove CharRight(const TNYXbox& box, TTextPos pos, bool tables = true);
// Word moves; `blanksOnly` skips only the blanks after a word (word selection),
// else every separator (the keyboard).
TMove WordLeft(const TNYXbox& box, TTextPos pos);
TMove WordRight(const TNYXbox& box, TTextPos pos, bool blanksOnly = false);
// Line moves keep the x given (the x of the position the moves started from).
TMove LineUp(const TNYXbox& box, TTextPos pos, std::int32_t x, bool tables = true);
TMove LineDown(const TNYXbox& box, TTextPos pos, std::int32_t x, bool tables = true);
// Start of the previous / next paragraph (the current one's start first for up).
TMove ParagraphUp(const TNYXbox& box, TTextPos pos);
TMove ParagraphDown(const TNYXbox& box, TTextPos pos);
TTextPos LineStart(const TNYXbox& box, TTextPos pos);
TTextPos LineEnd(const TNYXbox& box, TTextPos pos);
TTextPos TextStart(const TNYXbox& box);
TTextPos TextEnd(const TNYXbox& box);
// Eleven line moves; stops at the first or last body line.
TTextPos PageUp(const TNYXbox& box, TTextPos pos, std::int32_t x);
TTextPos PageDown(const TNYXbox& box, TTextPos pos, std::int32_t x);

// The position under a point (box coordinates), body paragraphs only or all.
TTextPos HitTest(const TNYXbox& box, std::int32_t x, std::int32_t y, bool bodyOnly = true);
// True when the point lies on the text of a line (not in margins or below the text).
bool OverText(const TNYXbox& box, std::int32_t x, std::int32_t y);
// The word at a position and the blanks after it, as [first, second).
std::pair<TTextPos, TTextPos> WordAt(const TNYXbox& box, TTextPos pos);
// The link key of the character at a position (-1: none).
std::int32_t LinkKeyAt(const TNYXbox& box, TTextPos pos);
// The link at the caret: the character after it, else the one before.
std::int32_t LinkKeyNear(const TNYXbox& box, TTextPos pos);
bool IsWordSeparator(unsigned char c);

// Moving out of a box at a boundary: where the caret goes and in which box.
struct TBoxPlace {
    TNYXbox* box = nullptr;  // nullptr: the move is ignored
    TTextPos pos;
};
// In a cell box, codes 1 to 4 go to the neighbouring cell (left/right in
// row order, up/down in the same column), else out of the table into the
// box that holds it: before the table paragraph for 1 and 3, after it for 2
// and 4. Codes 5 to 8 enter `table`: its first cell for 6 and 8 (text
// start), its last for 5 and 7 (text end). A table reached on the way is
// entered in turn. In a page box codes 1 to 4 are ignored.
TBoxPlace CrossBoundary(TNYXbox& box, int code, TNYXembedded* table = nullptr);

}  // namespace richtext
