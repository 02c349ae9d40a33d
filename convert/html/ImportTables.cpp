// Tables of an imported page.
#include "convert/html/ImportScan.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>

#include "convert/Converter.h"
#include "convert/html/Encoding.h"
#include "convert/html/Entities.h"
#include "markup/Lexer.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace convert::html {

// --- tables -------------------------------------------------------------------------------------
//
// A table's cells are gathered one output each and written at "</TABLE>"
// in the stored order (every row as wide as the widest, short rows padded),
// so a row with more cells than the first, cells past the 50th column (they
// run into the last cell) and tables of more than 255 rows (split into
// tables of 255) all keep their text.

TNYXoggetto* THtmlScan::NewTableLike(const TNYXoggetto* model) {
    TNYXoggetto* t = set_.NewObject(model::tabellaHtml);
    if (model) std::memcpy(t->Data() + 5, model->Data() + 5, 215);
    return t;
}

void THtmlScan::TableStart() {
    if (tables_.size() >= kMaxTableDepth) {
        ++ignoredTables_;
        CloseParagraph();
        return;
    }
    CloseOpenP();
    CloseParagraph();
    TTableBuild tb;
    tb.obj = NewTableLike(nullptr);
    TNYXoggetto& t = *tb.obj;
    if (const std::string* w = Attr("WIDTH")) {
        const int v = ToInt(*w, -1);
        if (v >= 0) {
            if (w->find('%') != std::string::npos) {
                t.SetByte(55, 1);
                t.SetByte(89, static_cast<std::uint8_t>(std::min(v, 100)));
            } else {
                t.SetByte(55, 0);
                t.SetWord(56, static_cast<std::uint16_t>(std::min(v, 65535)));
            }
        }
    }
    auto byte = [&](const char* name, std::size_t off, int absent) {
        if (const std::string* v = Attr(name)) t.SetByte(off, static_cast<std::uint8_t>(std::clamp(ToInt(*v, absent), 0, 255)));
    };
    byte("BORDER", 92, 1);
    byte("CELLPADDING", 90, 2);
    byte("CELLSPACING", 91, 2);
    if (const std::string* bg = Attr("BGCOLOR")) {
        const std::int64_t c = Colour(*bg);
        if (c >= 0) t.SetInt(207, static_cast<std::int32_t>(c));
    }
    if (const std::string* bg = Attr("BACKGROUND")) {
        const std::int32_t pic = LoadPicture(*bg);
        if (pic >= 0) t.SetInt(207, static_cast<std::int32_t>(0x3000000u + model::RefIndex(pic)));
    }
    for (std::size_t c = 0; c < pendingColumns_.size() && c < static_cast<std::size_t>(kMaxColumns); ++c) {
        t.SetByte(5 + c, static_cast<std::uint8_t>(std::clamp(pendingColumns_[c].first, 0, 2)));
        t.SetWord(97 + 2 * c, static_cast<std::uint16_t>(std::clamp(pendingColumns_[c].second, 0, 65535)));
    }
    const bool columnsGiven = !pendingColumns_.empty();
    pendingColumns_.clear();
    TDelta d;
    d.tag = tTable;
    d.table = true;
    // The table's entry in the stack is where its cells' formatting starts.
    tb.stackBase = deltas_.size();
    Push(d);
    if (deltas_.size() == tb.stackBase) {  // no room for the table: its text flows on
        ++ignoredTables_;
        return;
    }
    if (columnsGiven) tb.obj->SetByte(66, 1);
    tables_.push_back(std::move(tb));
}

void THtmlScan::RowStart() {
    // Rows of a table nested too deep are lines of the cell it stands in.
    if (ignoredTables_ > 0 || tables_.empty()) {
        CloseParagraph();
        return;
    }
    if (tables_.back().cellOpen) CellEnd();
    TTableBuild& tb = tables_.back();
    if (tb.rows.size() >= kMaxRows) {
        // A table holds 255 rows: the rest go on in a table of the same look.
        EmitTable(tb);
        const TNYXoggetto* model = tb.obj;
        tb.obj = NewTableLike(model);
        tb.rows.clear();
        tb.anyBackground = false;
    }
    tb.rows.emplace_back();
    tb.rowOpen = true;
    tb.overflow = false;
    while (deltas_.size() > tb.stackBase + 1) RemoveAt(deltas_.size() - 1);
}

void THtmlScan::CellStart(bool /*header*/) {
    if (ignoredTables_ > 0 || tables_.empty()) {
        CloseParagraph();
        return;
    }
    TTableBuild* tb = &tables_.back();
    if (!tb->rowOpen) {
        RowStart();
        tb = &tables_.back();
    }
    while (deltas_.size() > tb->stackBase + 1) RemoveAt(deltas_.size() - 1);
    if (!tb->rows.empty() && tb->rows.back().size() + (tb->cellOpen ? 1 : 0) >= static_cast<std::size_t>(kMaxColumns)) {
        // Past the last column: the text runs into the last cell. A last
        // cell already closed ("</TD>", or the empty cells of a COLSPAN) is
        // opened again, so its text and the text that follows stay together.
        tb->overflow = true;
        if (!tb->cellOpen) {
            auto& row = tb->rows.back();
            tb->cell = std::move(row.back());
            row.pop_back();
            outs_.emplace_back();
            Out().text = std::move(tb->cell.text);
            tb->cell.text.clear();
            tb->colspan = 1;
            tb->cellOpen = true;
        }
        CloseParagraph();
        return;
    }
    if (tb->cellOpen) CellEnd();
    tb = &tables_.back();
    if (tb->rows.empty()) tb->rows.emplace_back();
    tb->cell = TCell{};
    if (const std::string* w = Attr("WIDTH")) {
        const int v = ToInt(*w, -1);
        if (v >= 0) {
            tb->cell.widthRule = w->find('%') != std::string::npos ? 0 : 1;
            tb->cell.width = std::min(v, 65535);
        }
    }
    if (const std::string* bg = Attr("BGCOLOR")) {
        const std::int64_t c = Colour(*bg);
        if (c >= 0) tb->cell.background = static_cast<std::int32_t>(c);
    }
    if (const std::string* bg = Attr("BACKGROUND")) {
        const std::int32_t pic = LoadPicture(*bg);
        if (pic >= 0) tb->cell.background = static_cast<std::int32_t>(0x3000000u + model::RefIndex(pic));
    }
    tb->colspan = Attr("COLSPAN") ? std::clamp(ToInt(*Attr("COLSPAN"), 1), 1, kMaxColumns) : 1;
    if (tb->cell.background >= 0) tb->anyBackground = true;
    tb->cellOpen = true;
    outs_.emplace_back();
}

void THtmlScan::CellEnd() {
    if (tables_.empty() || !tables_.back().cellOpen || ignoredTables_ > 0) return;
    TTableBuild& tb = tables_.back();
    CloseParagraph(Out());
    TCell cell = tb.cell;
    cell.text = std::move(Out().text);
    outs_.pop_back();
    tb.cellOpen = false;
    auto& row = tb.rows.back();
    row.push_back(std::move(cell));
    // A cell spanning columns: empty cells after it keep the others in their columns.
    for (int k = 1; k < tb.colspan && row.size() < static_cast<std::size_t>(kMaxColumns); ++k) row.push_back(TCell{});
    tb.colspan = 1;
    while (deltas_.size() > tb.stackBase + 1) RemoveAt(deltas_.size() - 1);
}

void THtmlScan::RowEnd() {
    if (tables_.empty() || ignoredTables_ > 0) return;
    CellEnd();
    tables_.back().rowOpen = false;
}

void THtmlScan::EmitTable(TTableBuild& tb) {
    TNYXoggetto& t = *tb.obj;
    std::size_t cols = 1;
    for (const auto& r : tb.rows) cols = std::max(cols, r.size());
    cols = std::min<std::size_t>(cols, kMaxColumns);
    std::size_t rows = 0;
    for (const auto& r : tb.rows) rows += 1, (void)r;
    const bool empty = rows == 0;
    if (empty) rows = 1;
    t.SetByte(93, static_cast<std::uint8_t>(rows));
    t.SetByte(94, static_cast<std::uint8_t>(cols));
    // Column widths from the first row, unless a "<!qu_t" gave them.
    if (t.Byte(66) != 1 && !tb.rows.empty()) {
        const auto& first = tb.rows.front();
        for (std::size_t c = 0; c < cols; ++c) {
            const TCell cell = c < first.size() ? first[c] : TCell{};
            t.SetByte(5 + c, static_cast<std::uint8_t>(cell.widthRule));
            t.SetWord(97 + 2 * c, static_cast<std::uint16_t>(cell.width));
        }
    }
    if (t.Byte(66) == 1) t.SetByte(66, 0);
    if (tb.anyBackground) {
        std::string bg;
        for (std::size_t r = 0; r < rows; ++r)
            for (std::size_t c = 0; c < cols; ++c) {
                std::int32_t v = -1;
                if (r < tb.rows.size() && c < tb.rows[r].size()) v = tb.rows[r][c].background;
                for (int k = 0; k < 4; ++k) bg += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
            }
        t.SetFirstStream(std::move(bg));
    }
    // The table's own paragraph in the text around it, in that text's style.
    TOut& o = Out();
    CloseParagraph(o);
    o.pendingStyle = states_[std::min(tb.stackBase, states_.size() - 1)].style;
    OpenParagraph(o);
    AppendHex8(o.text, static_cast<std::uint32_t>(t.Reference()));
    if (empty) {
        o.text += "<Z S1 ><patchm><T>";
    } else {
        for (const auto& r : tb.rows) {
            for (std::size_t c = 0; c < cols; ++c) {
                if (c < r.size()) o.text += r[c].text.empty() ? std::string("<Z S1 >") : r[c].text;
                else o.text += "<Z S0 ><patchtr>";
                o.text += "<T>";
            }
        }
    }
    o.paraLen = 1;
    CloseParagraph(o);
}

void THtmlScan::TableEnd() {
    // Tables not made (nested too deep) are always the innermost ones.
    if (ignoredTables_ > 0) {
        --ignoredTables_;
        CloseParagraph();
        return;
    }
    if (tables_.empty()) return;
    CellEnd();
    TTableBuild tb = std::move(tables_.back());
    tables_.pop_back();
    while (deltas_.size() > tb.stackBase) RemoveAt(deltas_.size() - 1);
    EmitTable(tb);
}

}  // namespace convert::html
