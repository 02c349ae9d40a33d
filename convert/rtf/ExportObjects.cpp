// Links (plain text, or WinHelp hot spots with their hidden jump text and
// macros), comments as annotations, and tables as RTF rows: one row
// definition per row, cells of nested tables flattened into the outer cell.
#include <algorithm>
#include <string>

#include "convert/rtf/RtfWriter.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "present/TableData.h"

namespace convert::rtf {

namespace {

std::string Num(long long v) { return std::to_string(v); }

std::string Hidden(const std::string& jump) { return "\\ul0{\\field{\\fldrslt {\\v " + jump + "}}}"; }

}  // namespace

void TRtfWriter::OpenLink(const model::TNYXoggetto& l) {
    if (link_) CloseLink();
    link_ = &l;
    if (!x_.winHelp || clipboard_) return;
    const bool popup = l.Type() == model::speclink && l.Subtype() == model::linkrec::kGoTo &&
                       l.Byte(model::linkrec::kOpenMode) == 4;
    *out_ += popup ? "\\ul " : "\\uldb ";
}

void TRtfWriter::CloseLink() {
    const model::TNYXoggetto* l = link_;
    link_ = nullptr;
    if (!l || !x_.winHelp || clipboard_) return;
    *out_ += LinkClosing(*l);
    lastValid_ = false;
    FontChange(run_);
}

std::string TRtfWriter::LinkClosing(const model::TNYXoggetto& l) {
    using namespace model::linkrec;
    switch (l.Type()) {
        case model::testoHtml: return Hidden(x_.TopicIdOf(static_cast<std::int32_t>(l.Index())));
        case model::genLink:
        case model::zipLink: return Hidden(TNYXtortf::TopicId(l.GetName(), static_cast<std::int32_t>(l.Index())));
        case model::internetLink: {
            const model::HypertextLink h = set_.ParseHypertextLink(l.GetName());
            if (!h.isLink || h.page < 0) break;
            if (h.sameFile) return Hidden(x_.TopicIdOf(static_cast<std::int32_t>(h.page)));
            std::string file = platform::text::Utf8ToCp1252(h.file.filename().replace_extension(".hlp").string());
            file.erase(std::remove(file.begin(), file.end(), '"'), file.end());
            return Hidden("!JumpContext(\"" + RtfText(file) + "\"," + Num(h.page) + ")");
        }
        case model::programma: {
            std::string cmd = l.GetName();
            cmd.erase(std::remove(cmd.begin(), cmd.end(), '"'), cmd.end());
            return Hidden("!ExecProgram(\"" + RtfText(cmd) + "\",0)");
        }
        case model::speclink: {
            const model::TNYXoggetto* target = Obj(l.Int(kTarget));
            const std::string topic = target && target->Type() == model::testoHtml
                                          ? x_.TopicIdOf(static_cast<std::int32_t>(target->Index()))
                                          : std::string();
            switch (l.Subtype()) {
                case kGoTo: {
                    if (topic.empty()) break;
                    const int mode = l.Byte(kOpenMode);
                    if (mode >= 1 && mode <= 3) return Hidden(topic + ">" + WindowName(l.Str(kWindowName, kWindowNameCap)));
                    return Hidden(topic);
                }
                case kCloseWindow:
                    return Hidden("!CloseWindow(\"" + WindowName(l.Str(kWindowName, kWindowNameCap)) + "\")");
                case kKeywords: return Hidden("!Search()");
                case kPreviousPage: return Hidden("!Prev()");
                case kNextPage: return Hidden("!Next()");
                default: break;
            }
            break;
        }
        default: break;
    }
    return "\\ul0 ";
}

void TRtfWriter::Comment(const model::TNYXoggetto& o) {
    std::string c;
    if (o.HasFirstStream()) o.ReadFirstStream(c);
    if (const std::size_t nul = c.find('\0'); nul != std::string::npos) c.resize(nul);
    std::string author = "Quor", body = c;
    const std::size_t nl = c.substr(0, 50).find_first_of("\r\n");
    if (nl != std::string::npos) {
        author = c.substr(0, nl);
        std::size_t rest = nl + 1;
        if (c[nl] == '\r' && rest < c.size() && c[rest] == '\n') ++rest;
        body = c.substr(rest);
    }
    std::string initial = author.empty() ? std::string("Q") : std::string(1, platform::text::UpperChar(author[0]));
    *out_ += "\\v{\\*\\atnid " + RtfText(initial) + "}{\\*\\atnauthor " + RtfText(author) +
             "}\\chatn {\\*\\annotation \\pard\\plain\\fs20 \\widctlpar{\\chatn }" + RtfText(body) + "}\\v0 ";
}

std::string TRtfWriter::RowDefinition(const model::TNYXoggetto& t, int row) {
    const present::TTableData td(t);
    const int cols = td.Columns();
    std::string s = "\\trowd\\trleft0\\trgaph" + Num(Twips(td.Spacing()));
    const std::int32_t w = Twips(td.Border());
    std::string B;
    if (w > 0) {
        B = w > 75 ? "\\brdrth\\brdrw" + Num(std::min(w / 2, 75)) : "\\brdrs\\brdrw" + Num(w);
        for (const char* side : {"\\trbrdrt", "\\trbrdrl", "\\trbrdrb", "\\trbrdrr", "\\trbrdrh", "\\trbrdrv"}) s += side + B;
        s += " ";
    }
    long long A = static_cast<long long>(x_.paperWidth) - x_.marginLeft - x_.marginRight - std::max(tableMargins_, 0);
    if (A < 0) A = 1000;
    std::vector<long long> width(static_cast<std::size_t>(cols), 0);
    long long carry = 0, sum = 0;
    int lastFree = -1;
    for (int c = 0; c < cols; ++c) {
        long long v = 30;
        switch (td.ColumnRule(c)) {
            case present::TTableData::kPercent: {
                const long long h = A * td.ColumnWidth(c) + carry;
                v = h / 100;
                carry = h % 100;
                break;
            }
            case present::TTableData::kFixed: v = Twips(td.ColumnWidth(c)); break;
            default: lastFree = c; break;
        }
        // A column of no width would fold its cell into its neighbour.
        width[static_cast<std::size_t>(c)] = std::max(v, 30LL);
        sum += width[static_cast<std::size_t>(c)];
    }
    if (lastFree >= 0 && A - sum > 0) width[static_cast<std::size_t>(lastFree)] += A - sum;
    const std::vector<std::int32_t> bgs = td.CellBackgrounds();
    long long edge = 0;
    for (int c = 0; c < cols; ++c) {
        const std::size_t at = static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c);
        if (at < bgs.size() && present::BackgroundKind(bgs[at]) == present::TBackgroundKind::kColour)
            s += "\\clcfpat" + Num(ColourIndex(static_cast<std::uint32_t>(bgs[at]))) + "\\clshdng10000";
        if (w > 0) s += "\\clbrdrb" + B + "\\clbrdrt" + B + "\\clbrdrl" + B + "\\clbrdrr" + B;
        edge += width[static_cast<std::size_t>(c)];
        s += "\\cellx" + Num(edge);
    }
    return s + " ";
}

void TRtfWriter::TableStart(const model::TNYXoggetto& o) {
    const present::TTableData td(o);
    const int stored = std::max<int>(o.Byte(94), td.Columns());
    const long cells = static_cast<long>(td.Rows()) * stored;
    if (cells <= 0) return;
    if (link_) CloseLink();
    if (!tables_.empty()) {
        // A table inside a cell: its cells become paragraphs of that cell.
        tables_.push_back({cells, stored, 0, &o, td.Columns()});
        return;
    }
    if (tableMargins_ < 0) tableMargins_ = Twips(static_cast<std::int64_t>(para_.left) + para_.right);
    // The text before the table ends its paragraph, so that no reader takes
    // it into the first cell.
    if (!firstPara_) *out_ += "\\par \r\n";
    firstPara_ = false;
    noPar_ = true;
    *out_ += RowDefinition(o, 0);
    tables_.push_back({cells, stored, 0, &o, td.Columns()});
}

void TRtfWriter::CellEnd() {
    if (tables_.empty()) return;
    if (link_) CloseLink();
    TTable& tb = tables_.back();
    ++tb.k;
    if (tables_.size() > 1) {
        if (tb.k >= tb.cells) tables_.pop_back();
        return;
    }
    WritePending();
    const long next = tb.k % tb.columns;
    if (next != 0 && next >= tb.shown) {
        // The next stored cell lies past the shown columns: it runs on in
        // this last cell as a paragraph of its own.
        *out_ += "\\par ";
        noPar_ = true;
        return;
    }
    *out_ += "\\cell ";
    noPar_ = true;
    if (tb.k % tb.columns == 0) {
        *out_ += "\\row ";
        if (tb.k < tb.cells) *out_ += RowDefinition(*tb.obj, static_cast<int>(tb.k / tb.columns));
    }
    if (tb.k >= tb.cells) tables_.pop_back();
}

}  // namespace convert::rtf
