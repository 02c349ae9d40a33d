#include "present/TableLayout.h"

#include <algorithm>
#include <string>

#include "present/TableData.h"
#include "richtext/Layout.h"
#include "richtext/TableBox.h"

namespace present {
namespace {

std::int32_t NonNegative(std::int32_t v) { return v < 0 ? 0 : v; }

}  // namespace

std::vector<std::int32_t> SharePercentages(std::int32_t remainder, const std::vector<std::int32_t>& weights) {
    std::vector<std::int32_t> out(weights.size(), 0);
    if (weights.empty()) return out;
    remainder = NonNegative(remainder);
    std::int64_t total = 0;
    for (std::int32_t w : weights) total += NonNegative(w);
    // All percentages 0: every column weighs the same.
    const bool even = total == 0;
    if (even) total = static_cast<std::int64_t>(weights.size());
    std::int64_t carried = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        const std::int64_t q = static_cast<std::int64_t>(remainder) * (even ? 1 : NonNegative(weights[i]));
        std::int64_t share = q / total;
        carried += q % total;
        // Reaching the total (not only exceeding it) gives the pixel, so the
        // shares fill the width exactly.
        if (carried >= total) {
            ++share;
            carried -= total;
        }
        out[i] = static_cast<std::int32_t>(share);
    }
    return out;
}

TGridResult LayoutGrid(const TGridInput& in, std::int32_t tableWidth, TCellSizer& cells) {
    TGridResult res;
    const int C = std::max(1, in.columns), Rw = std::max(1, in.rows);
    const std::int32_t g = NonNegative(in.spacing);
    std::int32_t A = tableWidth - (C + 1) * g;
    if (A < 0) A = 10;
    auto rule = [&](int c) { return static_cast<std::size_t>(c) < in.rules.size() ? in.rules[static_cast<std::size_t>(c)] : 1; };
    auto stored = [&](int c) {
        return static_cast<std::size_t>(c) < in.widths.size() ? NonNegative(in.widths[static_cast<std::size_t>(c)]) : 0;
    };
    res.width.assign(static_cast<std::size_t>(C), 0);
    std::vector<int> percent;
    std::vector<std::int32_t> weights;
    int lastFree = -1;
    std::int32_t taken = 0;
    for (int c = 0; c < C; ++c) {
        const int r = rule(c);
        if (r != TTableData::kFixed && r != TTableData::kFree) {
            percent.push_back(c);
            weights.push_back(stored(c));
            continue;
        }
        if (r == TTableData::kFree) lastFree = c;
        // Content wider than the column widens it on screen; the record keeps its width.
        std::int32_t e = r == TTableData::kFixed ? stored(c) : 30;
        for (int row = 0; row < Rw; ++row) e = std::max(e, cells.Lay(row, c, e));
        res.width[static_cast<std::size_t>(c)] = e;
        taken += e;
    }
    if (!percent.empty()) {
        const std::vector<std::int32_t> shares = SharePercentages(NonNegative(A - taken), weights);
        for (std::size_t i = 0; i < percent.size(); ++i) res.width[static_cast<std::size_t>(percent[i])] = shares[i];
    }
    // Every column is as wide as its widest cell.
    for (int c = 0; c < C; ++c) {
        std::int32_t& w = res.width[static_cast<std::size_t>(c)];
        for (int row = 0; row < Rw; ++row) w = std::max(w, cells.Lay(row, c, w));
    }
    // Without percentage columns the last free column takes what is left.
    if (percent.empty() && lastFree >= 0) {
        std::int32_t sum = 0;
        for (std::int32_t w : res.width) sum += w;
        if (sum < A) res.width[static_cast<std::size_t>(lastFree)] += A - sum;
    }
    res.left.assign(static_cast<std::size_t>(C), 0);
    std::int32_t x = g;
    for (int c = 0; c < C; ++c) {
        std::int32_t& w = res.width[static_cast<std::size_t>(c)];
        for (int row = 0; row < Rw; ++row) cells.Lay(row, c, w);
        res.left[static_cast<std::size_t>(c)] = x;
        x += w + g;
    }
    res.top.assign(static_cast<std::size_t>(Rw), 0);
    res.height.assign(static_cast<std::size_t>(Rw), 0);
    std::int32_t y = g;
    for (int row = 0; row < Rw; ++row) {
        std::int32_t h = 0;
        for (int c = 0; c < C; ++c) h = std::max(h, cells.Height(row, c));
        res.top[static_cast<std::size_t>(row)] = y;
        res.height[static_cast<std::size_t>(row)] = h;
        y += h + g;
    }
    res.tableWidth = x;
    res.tableHeight = y;
    return res;
}

TGridInput GridOf(const model::TNYXoggetto& table) {
    const TTableData td(table);
    TGridInput in;
    in.rows = std::max(1, td.Rows());
    in.columns = std::clamp(td.Columns(), 1, TTableData::kMaxColumns);
    in.spacing = td.Spacing();
    for (int c = 0; c < in.columns; ++c) {
        in.rules.push_back(td.ColumnRule(c));
        in.widths.push_back(td.ColumnWidth(c));
    }
    return in;
}

std::int32_t TableWidthFor(const model::TNYXoggetto& table, std::int32_t available, std::int32_t lastWidth) {
    const TTableData td(table);
    available = NonNegative(available);
    if (td.WidthIsPercent()) {
        const int pct = table.Byte(89);
        return pct > 100 ? available : available * pct / 100;
    }
    if (td.PixelWidth() > 0) return td.PixelWidth();
    return lastWidth >= 30 ? lastWidth : 30;
}

namespace {

class TBoxSizer : public TCellSizer {
public:
    explicit TBoxSizer(richtext::TNYXembedded& e) : e_(e) {}
    std::int32_t Lay(int row, int column, std::int32_t width) override {
        richtext::TNYXbox* cell = e_.CellAt(row, column);
        if (!cell) return width;
        return richtext::LayoutCellAt(*cell, width, false);
    }
    std::int32_t Height(int row, int column) override {
        richtext::TNYXbox* cell = e_.CellAt(row, column);
        return cell ? richtext::CellNeededHeight(*cell) : 0;
    }

private:
    richtext::TNYXembedded& e_;
};

// The host of cells laid out by a table: nested tables are laid out as
// tables, every other object is measured by whoever shows the page.
class TCellHost : public richtext::TLayoutHost {
public:
    richtext::TLayoutHost* outer = nullptr;
    bool MeasureObject(richtext::TNYXembedded& e, std::int32_t lineWidth) override {
        if (e.IsTable()) {
            LayoutTableObject(e, lineWidth, outer);
            return true;
        }
        return outer ? outer->MeasureObject(e, lineWidth) : TLayoutHost::MeasureObject(e, lineWidth);
    }
};

TCellHost& CellHost() {
    static TCellHost host;
    return host;
}

}  // namespace

void LayoutTableObject(richtext::TNYXembedded& e, std::int32_t available, richtext::TLayoutHost* outer) {
    model::TNYXoggetto* o = e.Record();
    if (!o || !e.IsTable()) return;
    const int depth = e.Cells().empty() || !e.Cells().front() ? 1 : e.Cells().front()->depth;
    if (depth > richtext::kMaxTableDepth) {
        richtext::StoredObjectSize(e, available);
        return;
    }
    const TTableData td(*o);
    const TGridInput in = GridOf(*o);
    // Backgrounds beyond a short stream stay transparent.
    const std::vector<std::int32_t> bgs = td.CellBackgrounds();
    const std::int32_t pad = td.Padding() + td.Border();
    for (int r = 0; r < in.rows; ++r)
        for (int c = 0; c < in.columns; ++c)
            if (richtext::TNYXbox* cell = e.CellAt(r, c)) {
                const auto k = static_cast<std::size_t>(r) * static_cast<std::size_t>(in.columns) + static_cast<std::size_t>(c);
                cell->cellBackground = k < bgs.size() ? bgs[k] : -1;
                if (cell->cellPadding != pad) {
                    cell->cellPadding = pad;
                    cell->layoutWidth = 0;  // laid out again
                }
            }
    TCellHost& host = CellHost();
    richtext::TLayoutHost* const before = host.outer;
    if (outer && outer != &host) host.outer = outer;
    for (auto& cell : e.Cells())
        if (cell && !cell->host) cell->host = &host;  // a cell being edited keeps its editor
    const std::int32_t w = TableWidthFor(*o, available, e.width);
    TBoxSizer sizer(e);
    const TGridResult g = LayoutGrid(in, w, sizer);
    host.outer = before;
    for (int r = 0; r < in.rows; ++r)
        for (int c = 0; c < in.columns; ++c)
            if (richtext::TNYXbox* cell = e.CellAt(r, c)) {
                cell->cellLeft = g.left[static_cast<std::size_t>(c)];
                cell->cellTop = g.top[static_cast<std::size_t>(r)];
                cell->cellHeight = g.height[static_cast<std::size_t>(r)];
            }
    e.width = std::max<std::int32_t>(g.tableWidth, 1);
    e.height = std::max<std::int32_t>(g.tableHeight, 1);
}

std::int32_t EndResizeWidth(model::TNYXoggetto& table, std::int32_t newWidth, std::int32_t paragraphWidth) {
    newWidth = NonNegative(newWidth);
    if (table.Byte(55) == 1) {
        if (paragraphWidth <= 0) return newWidth;
        const std::int32_t pct = std::min<std::int32_t>(100, newWidth * 100 / paragraphWidth);
        table.SetByte(89, static_cast<std::uint8_t>(std::max<std::int32_t>(pct, 1)));
        return paragraphWidth * table.Byte(89) / 100;
    }
    // The pixel width is stored too, so that the size survives a save.
    table.SetWord(56, static_cast<std::uint16_t>(std::min<std::int32_t>(newWidth, 0xFFFF)));
    return newWidth;
}

std::int32_t ApplyColumnDrag(model::TNYXoggetto& table, int column, std::int32_t tableWidth, std::int32_t oldSection,
                             std::int32_t newSection, const std::vector<std::int32_t>& laidOut) {
    const TTableData td(table);
    if (column < 0 || column >= td.Columns() || newSection == oldSection) return -1;
    const std::int32_t c = tableWidth + newSection - oldSection;
    if (c < 10) return -1;
    if (td.WidthIsPercent() && tableWidth > 0) {
        const std::int32_t pct = std::min<std::int32_t>(100, c * table.Byte(89) / tableWidth);
        table.SetByte(89, static_cast<std::uint8_t>(std::max<std::int32_t>(pct, 1)));
    }
    // A table of pixel width keeps its new width in the record.
    if (!td.WidthIsPercent()) table.SetWord(56, static_cast<std::uint16_t>(std::min<std::int32_t>(c, 0xFFFF)));
    const std::size_t at = 97 + 2 * static_cast<std::size_t>(column);
    auto put = [&](std::int32_t v) { table.SetWord(at, static_cast<std::uint16_t>(std::clamp<std::int32_t>(v, 0, 0xFFFF))); };
    switch (td.ColumnRule(column)) {
        case TTableData::kFixed: {
            const std::int32_t base = static_cast<std::size_t>(column) < laidOut.size() ? laidOut[static_cast<std::size_t>(column)]
                                                                                         : td.ColumnWidth(column);
            put(base + newSection - oldSection);
            break;
        }
        case TTableData::kFree:
            table.SetByte(5 + static_cast<std::size_t>(column), TTableData::kFixed);
            put(newSection - td.Spacing());
            break;
        default: {
            std::int32_t S = 0;
            for (int k = 0; k < td.Columns(); ++k)
                if (td.ColumnRule(k) == TTableData::kPercent) S += td.ColumnWidth(k);
            // A table width of 0 (never laid out) leaves the column as it is.
            if (tableWidth <= 0) break;
            const std::int32_t v = static_cast<std::int32_t>(static_cast<std::int64_t>(c) * S / tableWidth) +
                                   td.ColumnWidth(column) - S;
            if (v > 0) put(v);
            break;
        }
    }
    return c;
}

std::string RulerLabel(const model::TNYXoggetto& table, int column, std::int32_t laidOut) {
    const TTableData td(table);
    switch (td.ColumnRule(column)) {
        case TTableData::kFixed: return std::to_string(laidOut >= 0 ? laidOut : td.ColumnWidth(column));
        case TTableData::kFree: return laidOut >= 0 ? "* (" + std::to_string(laidOut) + ")" : std::string("*");
        default: return std::to_string(td.ColumnWidth(column)) + "%";
    }
}

TCell NextCell(int rows, int columns, TCell from, int direction) {
    rows = std::max(1, rows);
    columns = std::max(1, columns);
    TCell c{std::clamp(from.row, 0, rows - 1), std::clamp(from.column, 0, columns - 1)};
    switch (direction) {
        case 1:
            if (c.column > 0) --c.column;
            else if (c.row > 0) c = {c.row - 1, columns - 1};
            break;
        case 2:
            if (c.column + 1 < columns) ++c.column;
            else if (c.row + 1 < rows) c = {c.row + 1, 0};
            break;
        case 3:
            if (c.row > 0) --c.row;
            break;
        case 4:
            if (c.row + 1 < rows) ++c.row;
            break;
        case 5: c = {rows - 1, columns - 1}; break;
        case 6:
        case 8: c = {0, 0}; break;
        case 7: c = {rows - 1, 0}; break;
        default: break;
    }
    return c;
}

}  // namespace present
