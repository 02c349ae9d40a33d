#include "present/TableChoices.h"

#include <algorithm>

#include "model/Bytes.h"
#include "model/Types.h"
#include "present/TableData.h"
#include "present/ObjectInsert.h"
#include "present/TableUndo.h"
#include "richtext/Editing.h"
#include "richtext/TableBox.h"

namespace present {
namespace {

constexpr std::size_t kRules = 5, kWidths = 97, kRows = 93, kColumns = 94;

std::uint8_t U8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

std::string TNewTableChoices::Check() const {
    if (rows < 1 || rows > kMaxNewTableRows) return "Il numero di righe deve essere compreso fra 1 e 200.";
    if (columns < 1 || columns > TTableData::kMaxColumns) return kTooManyColumns;
    if (style < 0 || style >= kTableStyles) return "Stile di tabella sconosciuto.";
    return {};
}

std::vector<std::int32_t> StyleBackgrounds(int style, int rows, int columns, std::int32_t first, std::int32_t second) {
    rows = std::max(1, rows);
    columns = std::max(1, columns);
    std::vector<std::int32_t> v(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), -1);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            std::int32_t& b = v[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(c)];
            const bool lastRow = r == rows - 1, lastCol = c == columns - 1;
            switch (style) {
                case 1: if (r % 2 == 0) b = second; break;
                case 2: b = r % 2 == 0 ? second : first; break;
                case 3: if (c % 2 == 0) b = second; break;
                case 4: b = c % 2 == 0 ? second : first; break;
                case 5: if (c == 0) b = second; break;
                case 6: if (lastCol) b = second; break;
                case 7: if (r == 0 || c == 0) b = second; break;
                case 8: if (r == 0 || lastCol) b = second; break;
                case 9: if (lastRow || lastCol) b = second; break;
                case 10: if (c == 0 || lastRow) b = second; break;
                case 11: b = lastCol ? first : r % 2 == 0 ? second : -1; break;
                default: break;
            }
        }
    return v;
}

void SetTableDefaults(model::TNYXoggetto& t) {
    // Subtype 0 marks an empty table slot: the save would drop the cell
    // backgrounds, the exporters skip the table and the next new table would
    // take its slot. A table being made carries the subtype of a new one.
    t.SetSubtype(static_cast<std::uint8_t>(model::NewSubtype(model::tabellaHtml)));
    for (std::size_t c = 0; c < 50; ++c) t.SetByte(kRules + c, TTableData::kFixed);
    t.SetByte(55, 1);
    t.SetByte(88, 100);
    t.SetByte(89, 100);
    t.SetByte(90, 2);
    t.SetByte(91, 2);
    t.SetByte(92, 0);
    t.SetByte(kRows, 1);
    t.SetByte(kColumns, 1);
    t.SetWord(95, 0);
    for (std::size_t c = 0; c < 50; ++c) t.SetWord(kWidths + 2 * c, 0);
    t.SetInt(197, 0);
    t.SetInt(201, 0);
    t.SetWord(205, 0);
    t.SetInt(207, -1);
    t.SetInt(211, static_cast<std::int32_t>(0x80000014u));
    t.SetInt(215, static_cast<std::int32_t>(0x80000010u));
    t.SetByte(219, 2);
}

void TNewTableChoices::Apply(model::TNYXoggetto& table) const {
    SetTableDefaults(table);
    const int R = std::clamp(rows, 1, kMaxNewTableRows), C = std::clamp(columns, 1, TTableData::kMaxColumns);
    const int st = std::clamp(style, 0, kTableStyles - 1);
    table.SetByte(66, U8(st));
    table.SetByte(kRows, U8(R));
    table.SetByte(kColumns, U8(C));
    table.SetByte(92, border ? 1 : 0);
    const int each = 100 / C;
    for (int c = 0; c < C; ++c) {
        table.SetByte(kRules + static_cast<std::size_t>(c), TTableData::kPercent);
        table.SetWord(kWidths + 2 * static_cast<std::size_t>(c), static_cast<std::uint16_t>(each));
    }
    table.SetByte(89, U8(each * C));
    table.SetByte(55, 1);
    if (st == 0) return;
    table.SetByte(91, 0);
    const std::int32_t second2 = usePicture && picture != -1 ? picture : second;
    WriteBackgrounds(table, StyleBackgrounds(st, R, C, first, second2));
}

std::vector<TCell> ApplyTargets(int target, int rows, int columns, TCell cur) {
    std::vector<TCell> out;
    rows = std::max(1, rows);
    columns = std::max(1, columns);
    if (cur.row < 0 || cur.row >= rows || cur.column < 0 || cur.column >= columns) return out;
    switch (target) {
        case 1: out.push_back(cur); break;
        case 2: for (int c = 0; c < columns; ++c) out.push_back({cur.row, c}); break;
        case 3: for (int r = 0; r < rows; ++r) out.push_back({r, cur.column}); break;
        case 4: for (int c = 0; c < columns; c += 2) out.push_back({cur.row, c}); break;
        case 5: for (int r = 0; r < rows; r += 2) out.push_back({r, cur.column}); break;
        case 6: for (int c = 1; c < columns; c += 2) out.push_back({cur.row, c}); break;
        case 7: for (int r = 1; r < rows; r += 2) out.push_back({r, cur.column}); break;
        default: break;
    }
    return out;
}

std::vector<std::int32_t> ReadBackgrounds(const model::TNYXoggetto& table) {
    const int rows = std::max(1, static_cast<int>(table.Byte(kRows)));
    const int cols = std::clamp(static_cast<int>(table.Byte(kColumns)), 1, TTableData::kMaxColumns);
    std::vector<std::int32_t> v = TTableData(table).CellBackgrounds();
    v.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), -1);
    return v;
}

void WriteBackgrounds(model::TNYXoggetto& table, const std::vector<std::int32_t>& values) {
    std::string s(values.size() * 4, '\0');
    for (std::size_t i = 0; i < values.size(); ++i)
        model::bytes::SetI32(reinterpret_cast<std::uint8_t*>(s.data()), s.size(), 4 * i, values[i]);
    table.SetFirstStream(std::move(s));
}

TTableProperties TTableProperties::Of(const model::TNYXoggetto& table, int column) {
    const TTableData td(table);
    TTableProperties p;
    p.html = table.SecondStreamText();
    p.columnRule = td.ColumnRule(column);
    p.columnWidth = td.ColumnWidth(column);
    p.padding = td.Padding();
    p.spacing = td.Spacing();
    p.percent = td.WidthIsPercent();
    p.bordered = td.Border() > 0;
    p.border = td.Border() > 0 ? td.Border() : 1;
    p.tableBackground = td.Background();
    p.width = p.percent ? td.PercentWidth() : td.PixelWidth();
    return p;
}

void TTableProperties::Apply(model::TNYXoggetto& table, TCell current) const {
    // The free HTML text keeps whatever the stream holds before it.
    std::string head(4, '\0');
    if (const std::string* s = table.SecondStream(); s && s->size() >= 4) {
        const std::int32_t lead = model::bytes::GetI32(*s, 0);
        if (lead >= 0 && static_cast<std::uint64_t>(lead) <= s->size() - 4) head = s->substr(0, 4 + static_cast<std::size_t>(lead));
    }
    if (!html.empty() || table.HasSecondStream()) table.SetSecondStream(head + html);
    const int rows = std::max(1, static_cast<int>(table.Byte(kRows)));
    const int cols = std::clamp(static_cast<int>(table.Byte(kColumns)), 1, TTableData::kMaxColumns);
    if (current.column >= 0 && current.column < cols) {
        table.SetByte(kRules + static_cast<std::size_t>(current.column), U8(std::clamp(columnRule, 0, 2)));
        table.SetWord(kWidths + 2 * static_cast<std::size_t>(current.column), static_cast<std::uint16_t>(std::clamp(columnWidth, 0, 0xFFFF)));
    }
    const std::vector<TCell> targets = ApplyTargets(applyTo, rows, cols, current);
    if (!targets.empty()) {
        // A picture chosen without a picture gives the colour.
        const std::int32_t bg = backgroundKind == 0 ? -1 : backgroundKind == 1 && picture != -1 ? picture : colour;
        std::vector<std::int32_t> v = ReadBackgrounds(table);
        for (const TCell& c : targets) v[static_cast<std::size_t>(c.row) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c.column)] = bg;
        WriteBackgrounds(table, v);
    }
    table.SetByte(90, U8(padding));
    table.SetByte(91, U8(spacing));
    table.SetByte(55, percent ? 1 : 0);
    table.SetByte(92, bordered ? U8(std::max(1, border)) : 0);
    table.SetInt(207, tableBackground);
    if (percent) table.SetByte(89, U8(std::clamp(width, 1, 100)));
    else table.SetWord(56, static_cast<std::uint16_t>(std::clamp(width, 10, 0xFFFF)));
}

// --- TTableGrid ------------------------------------------------------------------------

TCell TTableGrid::CellOf(const richtext::TNYXbox& cell) const {
    for (int r = 0; r < Rows(); ++r)
        for (int c = 0; c < Columns(); ++c)
            if (e_.CellAt(r, c) == &cell) return {r, c};
    return {-1, -1};
}

void TTableGrid::Normalise() {
    model::TNYXoggetto& t = *e_.Record();
    const int rows = Rows(), cols = Columns();
    auto& cells = e_.Cells();
    const bool shaped = t.Byte(kRows) == rows && t.Byte(kColumns) == cols &&
                        cells.size() == static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    if (shaped) return;
    const std::vector<std::int32_t> bgs = ReadBackgrounds(t);
    std::vector<std::unique_ptr<richtext::TNYXbox>> grid;
    grid.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    const int stride = e_.RowStride();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const auto k = static_cast<std::size_t>(r) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(c);
            if (k < cells.size() && cells[k]) grid.push_back(std::move(cells[k]));
            else grid.push_back(richtext::NewCellBox(e_, holder_));
        }
    cells = std::move(grid);
    t.SetByte(kRows, U8(rows));
    t.SetByte(kColumns, U8(cols));
    if (t.HasFirstStream()) WriteBackgrounds(t, bgs);
}

bool TTableGrid::AddColumns(int p, int n, std::string& message) {
    if (n < 1) return false;
    if (n + Columns() >= TTableData::kMaxColumns + 1) {
        message = kTooManyColumns;
        return false;
    }
    Normalise();
    model::TNYXoggetto& t = *e_.Record();
    const int rows = Rows(), cols = Columns();
    p = std::clamp(p, 0, cols);
    const std::vector<std::int32_t> old = ReadBackgrounds(t);
    const bool hadBgs = t.HasFirstStream();
    auto& cells = e_.Cells();
    std::vector<std::unique_ptr<richtext::TNYXbox>> grid;
    std::vector<std::int32_t> bgs;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c <= cols; ++c) {
            if (c == p)
                for (int k = 0; k < n; ++k) {
                    grid.push_back(richtext::NewCellBox(e_, holder_));
                    bgs.push_back(-1);
                }
            if (c < cols) {
                const auto i = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
                grid.push_back(std::move(cells[i]));
                bgs.push_back(old[i]);
            }
        }
    cells = std::move(grid);
    for (int c = TTableData::kMaxColumns - 1; c >= p + n; --c) {
        t.SetByte(kRules + static_cast<std::size_t>(c), t.Byte(kRules + static_cast<std::size_t>(c - n)));
        t.SetWord(kWidths + 2 * static_cast<std::size_t>(c), t.Word(kWidths + 2 * static_cast<std::size_t>(c - n)));
    }
    for (int c = p; c < p + n; ++c) {
        t.SetByte(kRules + static_cast<std::size_t>(c), TTableData::kPercent);
        t.SetWord(kWidths + 2 * static_cast<std::size_t>(c), 10);
    }
    t.SetByte(kColumns, U8(cols + n));
    if (hadBgs) WriteBackgrounds(t, bgs);
    return true;
}

bool TTableGrid::AddRows(int p, int n, std::string& message) {
    if (n < 1) return false;
    // One more row than the byte holds would wrap the count, and the cell
    // list would swallow the text after the table.
    if (n + Rows() > kMaxTableRows) {
        message = kTooManyRows;
        return false;
    }
    Normalise();
    model::TNYXoggetto& t = *e_.Record();
    const int rows = Rows(), cols = Columns();
    p = std::clamp(p, 0, rows);
    const bool hadBgs = t.HasFirstStream();
    std::vector<std::int32_t> bgs = ReadBackgrounds(t);
    auto& cells = e_.Cells();
    const auto at = static_cast<std::ptrdiff_t>(p) * cols;
    std::vector<std::unique_ptr<richtext::TNYXbox>> fresh;
    for (int k = 0; k < n * cols; ++k) fresh.push_back(richtext::NewCellBox(e_, holder_));
    cells.insert(cells.begin() + at, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    bgs.insert(bgs.begin() + at, static_cast<std::size_t>(n * cols), -1);
    t.SetByte(kRows, U8(rows + n));
    if (hadBgs) WriteBackgrounds(t, bgs);
    return true;
}

bool TTableGrid::DeleteColumns(int first, int last) {
    if (!CanDelete(first, last, Columns())) return false;
    Normalise();
    model::TNYXoggetto& t = *e_.Record();
    const int rows = Rows(), cols = Columns(), n = last - first + 1;
    const bool hadBgs = t.HasFirstStream();
    const std::vector<std::int32_t> old = ReadBackgrounds(t);
    auto& cells = e_.Cells();
    std::vector<std::unique_ptr<richtext::TNYXbox>> grid;
    std::vector<std::int32_t> bgs;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            if (c >= first && c <= last) continue;
            const auto i = static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
            grid.push_back(std::move(cells[i]));
            bgs.push_back(old[i]);
        }
    cells = std::move(grid);
    for (int c = first; c < TTableData::kMaxColumns; ++c) {
        const int from = c + n;
        t.SetByte(kRules + static_cast<std::size_t>(c), from < TTableData::kMaxColumns ? t.Byte(kRules + static_cast<std::size_t>(from)) : 1);
        t.SetWord(kWidths + 2 * static_cast<std::size_t>(c), from < TTableData::kMaxColumns ? t.Word(kWidths + 2 * static_cast<std::size_t>(from)) : 0);
    }
    t.SetByte(kColumns, U8(cols - n));
    if (hadBgs) WriteBackgrounds(t, bgs);
    return true;
}

bool TTableGrid::DeleteRows(int first, int last) {
    if (!CanDelete(first, last, Rows())) return false;
    Normalise();
    model::TNYXoggetto& t = *e_.Record();
    const int rows = Rows(), cols = Columns(), n = last - first + 1;
    const bool hadBgs = t.HasFirstStream();
    std::vector<std::int32_t> bgs = ReadBackgrounds(t);
    auto& cells = e_.Cells();
    cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(first) * cols, cells.begin() + static_cast<std::ptrdiff_t>(last + 1) * cols);
    bgs.erase(bgs.begin() + static_cast<std::ptrdiff_t>(first) * cols, bgs.begin() + static_cast<std::ptrdiff_t>(last + 1) * cols);
    t.SetByte(kRows, U8(rows - n));
    if (hadBgs) WriteBackgrounds(t, bgs);
    return true;
}

// --- inserting and editing -------------------------------------------------------------

richtext::TNYXembedded* InsertNewTable(richtext::TNYXbox& box, richtext::TNYXediting& editing, const TNewTableChoices& c) {
    richtext::TNYXundoIndiciList* reg = box.Registry();
    if (!reg || !c.Check().empty()) return nullptr;
    model::TNYXoggetto* o = box.NewEmbeddedRecord(model::tabellaHtml);
    if (!o) return nullptr;
    SetNewObjectDefaults(*o, model::tabellaHtml, 0);
    c.Apply(*o);
    richtext::TNYXembedded* e = reg->Add(std::make_unique<richtext::TNYXembedded>(o));
    if (!e) return nullptr;
    richtext::FillEmptyCells(*e, box);
    if (!editing.InsertObject(e)) return nullptr;
    return e;
}

std::int32_t HolderParagraph(const richtext::TNYXembedded& table) {
    const richtext::TNYXparag* p = table.PlacedIn();
    if (!p || !p->box) return -1;
    const auto& ps = p->box->paragraphs;
    for (std::size_t i = 0; i < ps.size(); ++i)
        if (ps[i].get() == p) return static_cast<std::int32_t>(i);
    return -1;
}

bool EditTable(richtext::TNYXembedded& table, richtext::TUndoRecorder* undo, const std::string& label,
               const std::function<bool(TTableGrid&)>& change) {
    const std::int32_t i = HolderParagraph(table);
    if (i < 0 || !table.IsTable()) return false;
    richtext::TNYXbox& holder = *table.PlacedIn()->box;
    SnapshotTable(undo, table, label);
    TTableGrid grid(table, holder);
    return change(grid);
}

}  // namespace present
