// Table layout without any widget: the column widths of a grid (fixed, free
// and percentage columns, the remainder carried so that the columns fill the
// width exactly), the row heights, the table's width for an available
// width, the width changes of a resize and of a ruler drag, and cell
// navigation. LayoutTableObject applies it to a table's cell boxes.
#pragma once

#include <cstdint>
#include <vector>

#include "model/NYXoggetto.h"
#include "richtext/Box.h"

namespace present {

// Lays the cells of a grid out while the columns are measured.
class TCellSizer {
public:
    virtual ~TCellSizer() = default;
    // Lays cell (row, column) out at `width`; returns the width it needs (at
    // least `width`: more for a wide word, a picture or a nested table).
    virtual std::int32_t Lay(int row, int column, std::int32_t width) = 0;
    // The height the cell needs after its last Lay.
    virtual std::int32_t Height(int row, int column) = 0;
};

struct TGridInput {
    int rows = 1;
    int columns = 1;
    std::int32_t spacing = 2;
    std::vector<int> rules;            // per column: 0 percentage, 1 fixed, 2 free
    std::vector<std::int32_t> widths;  // per column: percent, or pixels
};

struct TGridResult {
    std::vector<std::int32_t> left, width;  // per column
    std::vector<std::int32_t> top, height;  // per row
    std::int32_t tableWidth = 0;
    std::int32_t tableHeight = 0;
};

// Lays a grid out for a table width W.
TGridResult LayoutGrid(const TGridInput& in, std::int32_t tableWidth, TCellSizer& cells);

// Shares `remainder` pixels among columns in proportion to their weights,
// the remainders of the divisions carried from column to column so that the
// shares add up to `remainder` exactly. Weights that are all 0 share evenly.
std::vector<std::int32_t> SharePercentages(std::int32_t remainder, const std::vector<std::int32_t>& weights);

// The grid of a table record (rows and columns as shown: 1 to 255, 1 to 50).
TGridInput GridOf(const model::TNYXoggetto& table);

// The width a table takes in an available width: a percentage of it, or
// its pixel width (the last layout width when none is stored).
std::int32_t TableWidthFor(const model::TNYXoggetto& table, std::int32_t available, std::int32_t lastWidth);

// Lays a table's cells out for the available width: their places, widths
// and heights, their padding and backgrounds, and the table's size (e.width,
// e.height). Objects in the cells other than tables are measured by
// `outer` (the host of the page's box). Tables deeper than 16 levels keep a
// fixed size.
void LayoutTableObject(richtext::TNYXembedded& e, std::int32_t available, richtext::TLayoutHost* outer = nullptr);

// The end of a resize with the handles: the width percent stored (with the
// percentage flag) or the pixel width, and the width to lay the table out at.
// Returns that width.
std::int32_t EndResizeWidth(model::TNYXoggetto& table, std::int32_t newWidth, std::int32_t paragraphWidth);

// A ruler divider of `column` dragged from a section width `oldSection` to
// `newSection` on a table laid out `tableWidth` wide with the column widths
// `laidOut`: changes the record's column rule and width (and its width
// percent) and returns the new table width; -1 when nothing changes (the
// same width, or a table that would be narrower than 10 pixels).
std::int32_t ApplyColumnDrag(model::TNYXoggetto& table, int column, std::int32_t tableWidth, std::int32_t oldSection,
                             std::int32_t newSection, const std::vector<std::int32_t>& laidOut);

// The ruler's label of a column: "30%", "120", "* (64)"; before the first
// layout (laidOut < 0) a fixed column shows its stored width, a free one "*".
std::string RulerLabel(const model::TNYXoggetto& table, int column, std::int32_t laidOut);

// Cell navigation from (row, column): 1 previous, 2 next, 3 up, 4 down,
// 5 the last cell, 6 and 8 the first, 7 column 0 of the last row.
struct TCell {
    int row = 0;
    int column = 0;
    bool operator==(const TCell&) const = default;
};
TCell NextCell(int rows, int columns, TCell from, int direction);

}  // namespace present
