// Tables: the TABLE element, a row and cell at every "<T>" of the cell
// texts, and the formatting state each cell starts from.
#include <algorithm>

#include "convert/html/TextWalk.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "present/TableData.h"

namespace convert::html {

using model::TNYXoggetto;

namespace {

// The columns the cell texts are stored in: more than the 50 shown when a
// record says so.
int StoredColumns(const TNYXoggetto& t) { return std::max<int>(t.Byte(94), present::TTableData(t).Columns()); }

}  // namespace

std::string TTextWalk::Background(std::int32_t v) {
    switch (present::BackgroundKind(v)) {
        case present::TBackgroundKind::kColour: return " BGCOLOR=#" + TNYXtoHtml::ColourText(static_cast<std::uint32_t>(v));
        case present::TBackgroundKind::kPicture: {
            const std::int32_t ref = model::MakeRef(model::immagine, static_cast<std::uint32_t>(v) & 0xFFFFFF);
            if (!Obj(ref)) return {};
            return " background=\"" + File(ref) + "\"";
        }
        default: return {};
    }
}

void TTextWalk::TableStart(const TNYXoggetto& o) {
    const present::TTableData td(o);
    space_ = false;
    listCounter_ = 1;
    CloseLink();
    RunClosing();
    CloseAllInline();
    savedForTable_.push_back(S());
    savedPara_.push_back(paraOpen_);
    states_.push_back(TState{});
    tables_.push_back({&o, 0});
    const std::string width = td.WidthIsPercent() ? Str(td.PercentWidth()) + "%" : Str(td.PixelWidth());
    out_ += "<TABLE WIDTH=" + width + " BORDER=" + Str(td.Border()) + " CELLPADDING=" + Str(td.Padding()) +
            " CELLSPACING=" + Str(td.Spacing()) + Background(td.Background()) + " " + Expand(o) + ">\r\n";
    paraOpen_ = false;
    if (td.Rows() <= 0 || td.Columns() <= 0) {
        // A table without cells is an empty table; its text has no cells.
        out_ += "</TABLE>";
        tables_.pop_back();
        states_.pop_back();
        savedForTable_.pop_back();
        if (savedPara_.back()) out_ += "</DIV>\r\n";
        savedPara_.pop_back();
        return;
    }
    NextCell();
}

void TTextWalk::CloseCell() {
    WritePending();
    if (paraOpen_) out_ += "&nbsp;";
    CloseLink();
    RunClosing();
    CloseAllInline();
    if (paraOpen_) {
        if (S().numbering == 10) out_ += "</LI>";
        out_ += "</DIV>";
    }
    paraOpen_ = false;
}

void TTextWalk::NextCell() {
    if (tables_.empty()) return;
    TTable& tb = tables_.back();
    const present::TTableData td(*tb.t);
    const int C = td.Columns(), Rw = td.Rows(), stored = StoredColumns(*tb.t);
    const int k = tb.k++;
    const int col = stored ? k % stored : 0;
    if (k < stored * Rw) {
        if (col >= C) {
            // A stored cell past the 50th column runs on in the last cell
            // of its row, as the page shows it.
            CloseCell();
            S() = TState{};
            space_ = false;
            return;
        }
        if (col != 0) {
            CloseCell();
            out_ += "</TD>\r\n";
        } else if (k > 0) {
            CloseCell();
            out_ += "</TD></TR>\r\n";
        }
        if (col == 0) out_ += "<TR>\r\n";
        S() = TState{};
        std::string w;
        switch (td.ColumnRule(col)) {
            case present::TTableData::kPercent: w = " WIDTH=" + Str(td.ColumnWidth(col)) + "%"; break;
            case present::TTableData::kFixed: w = " WIDTH=" + Str(td.ColumnWidth(col)); break;
            default: break;
        }
        std::string bg;
        const auto cells = td.CellBackgrounds();
        const std::size_t at = static_cast<std::size_t>(k / stored) * static_cast<std::size_t>(C) + static_cast<std::size_t>(col);
        if (at < cells.size()) bg = Background(cells[at]);
        out_ += "<TD" + w + " VALIGN=\"" + CellAlignWord(0) + "\" " + bg + " >\r\n";
        space_ = false;
        paraOpen_ = false;
    } else {
        // The separator after the last cell ends the table.
        out_ += "\r\n";
        CloseCell();
        out_ += "</TD></TR></TABLE>";
        states_.pop_back();
        tables_.pop_back();
        TState restored = savedForTable_.back();
        savedForTable_.pop_back();
        restored.fontOpen = false;
        S() = restored;
        if (savedPara_.back()) out_ += (S().numbering == 10 ? "</LI></DIV>\r\n" : "</DIV>\r\n");
        savedPara_.pop_back();
        paraOpen_ = false;
    }
}

void TTextWalk::CloseOpenTables() {
    while (!tables_.empty()) {
        const present::TTableData td(*tables_.back().t);
        const int cells = td.Rows() * StoredColumns(*tables_.back().t);
        if (tables_.back().k < cells) tables_.back().k = cells;
        NextCell();
    }
}

}  // namespace convert::html
