#include "richtext/TableBox.h"

#include <algorithm>

#include "richtext/Layout.h"
#include "richtext/Markup.h"

namespace richtext {

std::unique_ptr<TNYXbox> NewCellBox(TNYXembedded& table, const TNYXbox& holder) {
    auto cell = std::make_unique<TNYXbox>(holder.Set(), holder.Registry(), &holder.Metrics());
    cell->ownerTable = &table;
    cell->depth = holder.depth + 1;
    cell->diagnostics = holder.diagnostics;
    cell->undo = holder.undo;
    cell->objectHome = holder.objectHome;
    std::size_t q = 0;
    ReadParagraphs(*cell, kNewCellText, q, 0, pkBody);
    return cell;
}

void FillEmptyCells(TNYXembedded& table, const TNYXbox& holder) {
    if (!table.IsTable()) return;
    table.Cells().clear();
    const int n = table.Rows() * table.Columns();
    table.Cells().reserve(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) table.Cells().push_back(NewCellBox(table, holder));
}

std::int32_t LayoutCellAt(TNYXbox& cell, std::int32_t width, bool force) {
    width = std::max<std::int32_t>(width, 1);
    if (force || cell.layoutWidth != width || cell.paragraphs.empty() || cell.paragraphs.front()->lines.empty()) {
        cell.layoutWidth = width;
        LayoutBox(cell);
    }
    return std::max(width, cell.contentWidth);
}

std::int32_t CellNeededHeight(const TNYXbox& cell) {
    if (cell.paragraphs.empty()) return 2 * cell.cellPadding;
    return std::max<std::int32_t>(0, cell.TextBottom() + 1 + cell.cellPadding);
}

}  // namespace richtext
