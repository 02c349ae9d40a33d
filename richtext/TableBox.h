// The cell boxes of a table as text sees them: making the empty cells of a
// new grid, laying one cell out at a width, and the height a cell needs.
// The column-width rules live above (present/TableLayout); this is what
// they need of a box.
#pragma once

#include <cstdint>
#include <memory>

#include "richtext/Box.h"

namespace richtext {

// Tables inside cells are laid out and painted at most this deep.
inline constexpr int kMaxTableDepth = 16;

// A new cell of `table` held by `holder` (the box whose paragraph shows the
// table): the empty cell text, the holder's hypertext, registry and metrics,
// one level deeper.
std::unique_ptr<TNYXbox> NewCellBox(TNYXembedded& table, const TNYXbox& holder);

// Gives a table without cells rows x columns empty cells (a new table).
void FillEmptyCells(TNYXembedded& table, const TNYXbox& holder);

// Lays a cell out at `width` (at least 1) when its width changed or `force`;
// returns the width its content needs (at least `width`).
std::int32_t LayoutCellAt(TNYXbox& cell, std::int32_t width, bool force);

// The height a laid-out cell needs: its text and the padding below it.
std::int32_t CellNeededHeight(const TNYXbox& cell);

}  // namespace richtext
