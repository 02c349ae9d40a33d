// What the scan writes: characters into paragraphs whose tags carry only
// what differs from their style, tables built row by row, pictures decoded
// into picture objects, annotations as comments and WinHelp hot spots as
// links.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "convert/rtf/RtfReader.h"
#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace convert::rtf {

namespace fs = std::filesystem;

namespace {

std::string Hex8(std::uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%08X", v);
    return b;
}

std::string ColourText(std::uint32_t c) {
    char b[8];
    std::snprintf(b, sizeof b, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return b;
}

std::int32_t Px(std::int32_t twips) { return static_cast<std::int32_t>((static_cast<std::int64_t>(twips) + (twips >= 0 ? 7 : -7)) / 15); }

bool SameLook(const TCharFmt& a, const TCharFmt& b) {
    return a.font == b.font && a.halfPoints == b.halfPoints && a.colour == b.colour && a.bits == b.bits && a.pos == b.pos;
}

int Points(int halfPoints) { return (halfPoints + 1) / 2; }

}  // namespace

std::string TRtfReader::FaceOf(int font) const {
    auto it = fonts_.find(font);
    if (it == fonts_.end() || it->second.face.empty()) it = fonts_.find(deff_);
    if (it == fonts_.end() || it->second.face.empty()) return "Times New Roman";
    return it->second.face;
}

std::uint32_t TRtfReader::ColourOf(int index) const {
    if (index <= 0 || static_cast<std::size_t>(index) >= colours_.size()) return index == 0 && !colours_.empty() ? colours_[0] : 0;
    return colours_[static_cast<std::size_t>(index)];
}

int TRtfReader::StyleSlot(int rtfStyle) {
    auto it = styles_.find(rtfStyle);
    if (it == styles_.end()) return rtfStyle == 0 && clip_ ? defaultStyle : 0;
    TStyleEntry& e = it->second;
    if (e.slot >= 0) return e.slot;
    const std::string name = e.name.substr(0, richtext::style::kNameCap);
    if (name.empty() || platform::text::EqualsNoCase(name, "Normal") || platform::text::EqualsNoCase(name, "Default") ||
        platform::text::EqualsNoCase(name, "Default Paragraph Style")) {
        e.slot = rtfStyle == 0 && clip_ ? defaultStyle : 0;
        return e.slot;
    }
    if (model::TNYXoggetto* same = richtext::StyleByName(set_, name)) {
        e.slot = static_cast<int>(same->Index());
        return e.slot;
    }
    auto proto = model::MakeObject(model::stileParagrafo);
    proto->Reset();
    using namespace richtext;
    proto->SetStr(style::kFont, style::kFontCap, FaceOf(e.ch.font));
    SetStyleValue(*proto, pfSize, Points(e.ch.halfPoints));
    SetStyleValue(*proto, pfColour, static_cast<std::int32_t>(ColourOf(e.ch.colour)));
    SetStyleValue(*proto, pfStyle, e.ch.bits);
    SetStyleValue(*proto, pfPosition, e.ch.pos);
    SetStyleValue(*proto, pfAlign, e.pa.align);
    SetStyleValue(*proto, pfList, e.pa.numbering);
    SetStyleValue(*proto, pfIndent, Px(e.pa.fi));
    SetStyleValue(*proto, pfLeft, Px(e.pa.li));
    SetStyleValue(*proto, pfRight, Px(e.pa.ri));
    SetStyleValue(*proto, pfAbove, Px(e.pa.sb));
    SetStyleValue(*proto, pfBelow, Px(e.pa.sa));
    model::TNYXoggetto* made = AddStyle(set_, name, proto.get());
    e.slot = made ? static_cast<int>(made->Index()) : 0;
    return e.slot;
}

std::string TRtfReader::ParaTag(const TOut& o) const {
    TRtfReader& self = const_cast<TRtfReader&>(*this);
    const TParaFmt& p = stack_.back().pa;
    const TCharFmt& f = o.paraOpen ? o.first : stack_.back().ch;
    const int slot = self.StyleSlot(p.style);
    const model::TNYXoggetto* st = set_.ObjectAt(model::stileParagrafo, slot);
    if (st && st->IsEmpty()) st = nullptr;
    using namespace richtext;
    std::string t = "<Z S" + std::to_string(slot) + " ";
    const std::uint32_t colour = ColourOf(f.colour);
    if (colour != (static_cast<std::uint32_t>(StyleValue(st, pfColour)) & 0xFFFFFF)) t += "c" + ColourText(colour) + " ";
    const std::string face = FaceOf(f.font);
    if (!platform::text::EqualsNoCase(face, StyleFontName(st))) t += "F\"" + TagSafeFontName(face.substr(0, 20)) + "\" ";
    if (Points(f.halfPoints) != StyleValue(st, pfSize)) t += "s" + std::to_string(Points(f.halfPoints)) + " ";
    if (f.bits != (StyleValue(st, pfStyle) & 15)) t += "y" + std::to_string(f.bits) + " ";
    if (f.pos != StyleValue(st, pfPosition)) t += "p" + std::to_string(f.pos) + " ";
    auto num = [&](char key, std::int32_t v, ParaField field, bool given) {
        if (given && v != StyleValue(st, field)) t += key + std::to_string(v) + " ";
    };
    num('A', p.align, pfAlign, p.given & TParaFmt::gAlign);
    num('N', p.numbering, pfList, p.given & TParaFmt::gNumbering);
    num('L', p.sl < 0 ? -Px(-p.sl) : -32000, pfLineHeight, p.slGiven);
    num('I', Px(p.fi), pfIndent, p.given & TParaFmt::gFi);
    num('l', Px(p.li), pfLeft, p.given & TParaFmt::gLi);
    num('r', Px(p.ri), pfRight, p.given & TParaFmt::gRi);
    num('t', Px(p.sb), pfAbove, p.given & TParaFmt::gSb);
    num('b', Px(p.sa), pfBelow, p.given & TParaFmt::gSa);
    return t + ">";
}

std::string TRtfReader::RunTag(const TCharFmt& f, const TOut& o) const {
    // Each value that differs from the style or from the paragraph's own
    // font, so that both readings of an absent value give the same look.
    TRtfReader& self = const_cast<TRtfReader&>(*this);
    const model::TNYXoggetto* st = set_.ObjectAt(model::stileParagrafo, self.StyleSlot(stack_.back().pa.style));
    if (st && st->IsEmpty()) st = nullptr;
    using namespace richtext;
    std::string t = "<Y ";
    const std::uint32_t colour = ColourOf(f.colour);
    if (colour != (static_cast<std::uint32_t>(StyleValue(st, pfColour)) & 0xFFFFFF) || colour != ColourOf(o.first.colour))
        t += "c" + ColourText(colour) + " ";
    const std::string face = FaceOf(f.font);
    if (!platform::text::EqualsNoCase(face, StyleFontName(st)) || f.font != o.first.font) t += "F\"" + TagSafeFontName(face) + "\" ";
    const int size = Points(f.halfPoints);
    if (size != StyleValue(st, pfSize) || size != Points(o.first.halfPoints)) t += "s" + std::to_string(size) + " ";
    if (f.bits != (StyleValue(st, pfStyle) & 15) || f.bits != o.first.bits) t += "y" + std::to_string(f.bits) + " ";
    if (f.pos != StyleValue(st, pfPosition) || f.pos != o.first.pos) t += "p" + std::to_string(f.pos) + " ";
    return t + ">";
}

void TRtfReader::OpenPara(TOut& o) {
    const TRtfState& s = S();
    if (o.kind == TOut::kBody || o.kind == TOut::kFrame) {
        if (!s.pa.inTable && o.haveTable && !o.table.rowOpen) FinishTable(o);
        if (s.pa.inTable && o.table.defining && !o.table.rowOpen) CommitRow(o);
    }
    if (!o.paraOpen) {
        o.paraOpen = true;
        o.first = s.ch;
        o.run = s.ch;
        o.paraChars = 0;
    } else if (!SameLook(o.run, s.ch)) {
        o.para += RunTag(s.ch, o);
        o.run = s.ch;
    }
}

void TRtfReader::Char(char c) {
    TRtfState& s = S();
    TOut& o = outs_[static_cast<std::size_t>(s.out)];
    const auto u = static_cast<unsigned char>(c);
    if (o.kind == TOut::kPlain) {
        if (c == '\t') o.plain += "        ";
        else if (u >= 32) o.plain += c;
        return;
    }
    if (s.dest != TDest::Normal && s.dest != TDest::Frame) return;
    if (s.ch.hidden) {
        if (o.hotStart != std::string::npos) o.hidden += c;
        return;
    }
    if (!o.hidden.empty()) HotSpotDone(o);
    if (c == '\t') {
        for (int i = 0; i < 6; ++i) Char(' ');
        return;
    }
    if (u < 32) return;  // control bytes never reach the markup
    OpenPara(o);
    if (s.ch.hot && o.hotStart == std::string::npos) {
        o.hotStart = o.para.size();
        o.hotKind = s.ch.hot;
    } else if (!s.ch.hot && o.hotStart != std::string::npos) {
        o.hotStart = std::string::npos;
    }
    markup::AppendEscaped(o.para, c);
    if (++o.paraChars >= 1800) EndParagraph(true);
}

void TRtfReader::TextBytes(std::string_view bytes) {
    const std::string& table = CodePageTable(codePage_);
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        Char(u < 128 ? c : table[u]);
    }
}

void TRtfReader::Byte(std::uint8_t b) {
    int cp = codePage_;
    if (auto it = fonts_.find(S().ch.font); it != fonts_.end() && it->second.codePage > 0) cp = it->second.codePage;
    const char c = b < 128 ? static_cast<char>(b) : CodePageTable(cp)[b];
    if (c == '\0') return;  // a lead byte: its character is not in Windows-1252
    if (c == '?' && b >= 128) ++x_.report_.unmapped;
    switch (S().dest) {
        case TDest::FontTable:
        case TDest::StyleEntry:
        case TDest::InfoTitle:
        case TDest::AtnAuthor: HeaderText(std::string_view(&c, 1)); break;
        default: Char(c); break;
    }
}

void TRtfReader::Unicode(std::int32_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(v < 0 ? v + 65536 : v);
    const char c = u == 9 ? '\t' : UnicodeTo1252(u);
    if (c == '?' && u != '?') ++x_.report_.unmapped;
    switch (S().dest) {
        case TDest::FontTable:
        case TDest::StyleEntry:
        case TDest::InfoTitle:
        case TDest::AtnAuthor: HeaderText(std::string_view(&c, 1)); break;
        default: Char(c); break;
    }
}

std::string TRtfReader::PlainText(std::string_view m) const {
    std::string t;
    markup::TMarkupLexer lx(m);
    for (;;) {
        const markup::Token k = lx.Next();
        if (k.kind == markup::TokenKind::End || k.kind == markup::TokenKind::Nul) break;
        if (k.kind == markup::TokenKind::Text) t.append(m.substr(k.begin, k.end - k.begin));
        else if (k.kind == markup::TokenKind::Entity) t += static_cast<char>(k.ch);
    }
    return t;
}

void TRtfReader::WriteParagraph(TOut& o) {
    if (!o.hidden.empty()) HotSpotDone(o);
    o.hotStart = std::string::npos;
    if (x_.importOptions.winHelp && !clip_) {
        // "{bmc file}" and its kin: a picture from the topic file's folder.
        std::size_t at = 0;
        while ((at = o.para.find("{bm", at)) != std::string::npos) {
            const std::size_t sp = o.para.find(' ', at);
            const std::size_t end = o.para.find('}', at);
            if (sp == std::string::npos || end == std::string::npos || sp > end) {
                ++at;
                continue;
            }
            std::string name = o.para.substr(sp + 1, end - sp - 1);
            std::string keep = o.para.substr(end + 1);
            o.para.resize(at);
            Bitmap(name);
            if (o.para.size() == at) {
                // Not loaded: the reference stays as text.
                o.para += "{bmc " + name + "}";
            }
            at = o.para.size();
            o.para += keep;
        }
    }
    o.markup += ParaTag(o);
    o.markup += o.para;
    o.para.clear();
    o.paraOpen = false;
    o.paraChars = 0;
    ++o.paragraphs;
    ++o.sinceSplit;
}

void TRtfReader::EndParagraph(bool force) {
    TRtfState& s = S();
    TOut& o = outs_[static_cast<std::size_t>(s.out)];
    if (o.kind == TOut::kPlain) {
        o.plain += "\r\n";
        return;
    }
    if (s.dest != TDest::Normal && s.dest != TDest::Frame) return;
    (void)force;
    if (!s.pa.inTable && o.haveTable && !o.table.rowOpen) FinishTable(o);
    if (s.pa.inTable && o.table.defining && !o.table.rowOpen) CommitRow(o);
    if (o.kind == TOut::kBody && !o.haveTable) MaybeSplit(o);
    // A heading starts a page of its own when the run builds an index.
    if (x_.importOptions.summary && several_ && !clip_ && o.kind == TOut::kBody && !o.haveTable) {
        auto it = styles_.find(s.pa.style);
        if (it != styles_.end() && platform::text::Lower(it->second.name).rfind("heading ", 0) == 0) {
            const int level = std::atoi(it->second.name.c_str() + 8);
            if (level > 0 && level <= x_.importOptions.headingLevel) HeadingSplit(o, level, PlainText(o.para));
        }
    }
    WriteParagraph(o);
    if (o.haveTable && o.table.rowOpen) ++o.cellParas;
}

model::TNYXoggetto* TRtfReader::NewObj(int type, std::unique_ptr<model::TNYXoggetto>& owner) {
    ++objectsMade_;
    if (clip_) {
        owner = model::MakeObject(type);
        owner->SetSet(&set_);
        owner->Reset();
        // As NewObject makes them: a reset table is the empty slot of one.
        owner->MakeNew();
        return owner.get();
    }
    return set_.NewObject(type);
}

// --- tables ---------------------------------------------------------------------------------

void TRtfReader::RowDefinition() {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind == TOut::kPlain) return;
    TTableBuild& t = o.table;
    if (o.paraOpen && !(o.haveTable && t.rowOpen)) {
        S().pa.inTable = false;
        WriteParagraph(o);
    }
    t.edges.clear();
    t.rowBacks.clear();
    t.pendingBack = -1;
    t.border = 0;
    t.defining = true;
}

void TRtfReader::CellX(std::int32_t edge) {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    TTableBuild& t = o.table;
    if (!t.defining || t.rowOpen) return;
    if (static_cast<int>(t.edges.size()) >= kMaxColumns) return;
    t.edges.push_back(edge);
    t.rowBacks.push_back(t.pendingBack);
    t.pendingBack = -1;
}

void TRtfReader::StartTable(TOut& o) {
    TTableBuild& t = o.table;
    std::unique_ptr<model::TNYXoggetto> owner;
    model::TNYXoggetto* obj = NewObj(model::tabellaHtml, owner);
    const int cols = std::max(1, std::min(static_cast<int>(t.edges.size()), kMaxColumns));
    obj->SetByte(94, static_cast<std::uint8_t>(cols));
    obj->SetByte(93, 1);
    std::int32_t prev = 0, total = 0;
    for (int c = 0; c < cols; ++c) {
        const std::int32_t edge = c < static_cast<int>(t.edges.size()) ? std::max(Px(t.edges[static_cast<std::size_t>(c)]), prev) : prev + 100;
        const std::int32_t w = std::clamp(edge - prev, 0, 65535);
        obj->SetByte(5 + static_cast<std::size_t>(c), 1);
        obj->SetWord(97 + 2 * static_cast<std::size_t>(c), static_cast<std::uint16_t>(w));
        prev = edge;
        total += w;
    }
    obj->SetByte(55, 0);
    obj->SetWord(56, static_cast<std::uint16_t>(std::clamp(total, 0, 65535)));
    // The border of the first row, in pixels; any visible line is at least one.
    CommitBorderSide();
    if (t.border > 0) obj->SetByte(92, static_cast<std::uint8_t>(std::clamp(Px(t.border), 1, 255)));
    // The table's own paragraph, in the style of the text around it.
    // An empty paragraph just before (as the RTF writers leave) becomes the
    // table's own; otherwise the table gets a paragraph of its own.
    const std::size_t z = o.markup.rfind("<Z ");
    const bool reuse = z != std::string::npos && o.markup.find('>', z) == o.markup.size() - 1 && o.paragraphs > 0;
    if (!reuse) {
        const TParaFmt keep = S().pa;
        S().pa.inTable = false;
        o.markup += "<Z S" + std::to_string(StyleSlot(keep.style)) + " >";
        S().pa = keep;
        ++o.paragraphs;
    }
    if (clip_) {
        char id[16];
        std::snprintf(id, sizeof id, "<$FF%06X>", static_cast<unsigned>(clipObjects.size()));
        o.markup += id;
        clipObjects.push_back(std::move(owner));
    } else {
        o.markup += "<$" + Hex8(static_cast<std::uint32_t>(obj->Reference())) + ">";
    }
    t.obj = obj;
    t.columns = cols;
    t.rows = 0;
    t.backs.clear();
    t.anyBack = false;
    t.rowOpen = false;
    o.haveTable = true;
}

void TRtfReader::CommitRow(TOut& o) {
    TTableBuild& t = o.table;
    const int cols = std::max(1, std::min(static_cast<int>(t.edges.size()), kMaxColumns));
    // Rows that follow one another with as many cells make one table.
    if (o.haveTable && (cols != t.columns || t.rows >= kMaxRows)) FinishTable(o);
    if (!o.haveTable) StartTable(o);
    t.defining = false;
    t.rowOpen = true;
    t.lastCellOpen = false;
    t.cellsLeft = t.columns;
    o.cellParas = 0;
    for (int c = 0; c < t.columns; ++c) {
        const std::int32_t b = c < static_cast<int>(t.rowBacks.size()) ? t.rowBacks[static_cast<std::size_t>(c)] : -1;
        t.backs.push_back(b);
        if (b != -1) t.anyBack = true;
    }
}

void TRtfReader::Cell() {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind == TOut::kPlain) return;
    TTableBuild& t = o.table;
    if (!t.rowOpen) {
        if (!t.defining && !o.haveTable) {
            // a cell without any row definition: a paragraph end
            EndParagraph(true);
            return;
        }
        if (!t.defining) t.edges.assign(static_cast<std::size_t>(t.columns), 0);
        CommitRow(o);
    }
    --t.cellsLeft;
    const bool pad = o.paraOpen || o.cellParas == 0;
    if (pad) {
        const bool keep = S().pa.inTable;
        S().pa.inTable = true;
        WriteParagraph(o);
        S().pa.inTable = keep;
    }
    if (t.cellsLeft > 0) {
        o.markup += "<T>";
        o.cellParas = 0;
    } else if (t.cellsLeft == 0) {
        t.lastCellOpen = true;  // more text of this row runs on in the last cell
        o.cellParas = 0;
    }
}

void TRtfReader::Row() {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind == TOut::kPlain) return;
    TTableBuild& t = o.table;
    if (!t.rowOpen) {
        if (!t.defining) return;
        CommitRow(o);
    }
    if (o.paraOpen) WriteParagraph(o);
    if (t.lastCellOpen) {
        o.markup += "<T>";
    } else {
        for (int k = std::max(t.cellsLeft, 0); k > 0; --k) o.markup += "<Z S1 ><T>";
    }
    ++t.rows;
    t.rowOpen = false;
    t.defining = false;
    t.lastCellOpen = false;
    S().pa.inTable = false;
    if (t.rows >= kMaxRows) FinishTable(o);
}

void TRtfReader::FinishTable(TOut& o) {
    TTableBuild& t = o.table;
    if (!o.haveTable) return;
    if (t.rowOpen) Row();
    if (!o.haveTable) return;
    if (t.rows == 0) {
        for (int k = 0; k < t.columns; ++k) o.markup += "<Z S1 ><T>";
        t.rows = 1;
        t.backs.assign(static_cast<std::size_t>(t.columns), -1);
    }
    t.obj->SetByte(93, static_cast<std::uint8_t>(std::min(t.rows, kMaxRows)));
    if (t.anyBack) {
        std::string bg;
        for (std::size_t i = 0; i < static_cast<std::size_t>(t.rows) * static_cast<std::size_t>(t.columns); ++i) {
            const std::uint32_t v = static_cast<std::uint32_t>(i < t.backs.size() ? t.backs[i] : -1);
            for (int k = 0; k < 4; ++k) bg += static_cast<char>((v >> (8 * k)) & 0xFF);
        }
        t.obj->SetFirstStream(std::move(bg));
    }
    o.haveTable = false;
    t.obj = nullptr;
}

// --- pictures, comments, hot spots --------------------------------------------------------------

namespace {

void Le16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

void TRtfReader::Picture() {
    std::string bytes;
    if (!pictBin_.empty()) {
        bytes = pictBin_;
    } else {
        if (pictBad_ || pictHex_.size() % 2 != 0 || pictHex_.empty()) {
            problems.push_back("immagine con dati esadecimali non validi: saltata");
            return;
        }
        bytes.resize(pictHex_.size() / 2);
        auto hv = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(hv(pictHex_[2 * i]) * 16 + hv(pictHex_[2 * i + 1]));
    }
    pictHex_.clear();
    pictBin_.clear();
    std::string ext;
    std::int32_t nw = picw_, nh = pich_;
    const std::int32_t gw = picwgoal_ > 0 ? Px(picwgoal_) : 0, gh = pichgoal_ > 0 ? Px(pichgoal_) : 0;
    if (pictKind_ == "pngblip") ext = ".png";
    else if (pictKind_ == "jpegblip") ext = ".jpg";
    else if (pictKind_ == "emfblip") ext = ".emf";
    else if (pictKind_ == "wmetafile") {
        // A placeable header in front, so the metafile tells its size.
        const std::int32_t w = picwgoal_ > 0 ? picwgoal_ : std::max(1, nw * 1440 / 2540);
        const std::int32_t h = pichgoal_ > 0 ? pichgoal_ : std::max(1, nh * 1440 / 2540);
        std::string head;
        const std::uint16_t words[] = {0xCDD7, 0x9AC6, 0, 0, 0, static_cast<std::uint16_t>(std::min(w, 32767)),
                                       static_cast<std::uint16_t>(std::min(h, 32767)), 1440, 0, 0};
        std::uint16_t sum = 0;
        for (const std::uint16_t v : words) {
            Le16(head, v);
            sum ^= v;
        }
        Le16(head, sum);
        bytes = head + bytes;
        ext = ".wmf";
        nw = nw * 96 / 2540;
        nh = nh * 96 / 2540;
    } else if (pictKind_ == "dibitmap") {
        std::string head = "BM";
        const std::uint32_t size = static_cast<std::uint32_t>(bytes.size() + 14);
        for (int k = 0; k < 4; ++k) head += static_cast<char>((size >> (8 * k)) & 0xFF);
        head += std::string(4, '\0');
        std::uint32_t off = 14;
        if (bytes.size() >= 40) {
            const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
            const std::uint32_t hs = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
            const int bits = b[14] | (b[15] << 8);
            std::uint32_t used = b[32] | (b[33] << 8) | (b[34] << 16) | (static_cast<std::uint32_t>(b[35]) << 24);
            if (bits <= 8 && used == 0) used = 1u << bits;
            off += std::min<std::uint32_t>(hs, 1024) + 4 * std::min<std::uint32_t>(used, 256);
        }
        for (int k = 0; k < 4; ++k) head += static_cast<char>((off >> (8 * k)) & 0xFF);
        bytes = head + bytes;
        ext = ".bmp";
    } else {
        switch (model::codecs::Sniff(bytes)) {
            case model::codecs::Format::Png: ext = ".png"; break;
            case model::codecs::Format::Jpeg: ext = ".jpg"; break;
            case model::codecs::Format::Gif: ext = ".gif"; break;
            case model::codecs::Format::Bmp: ext = ".bmp"; break;
            case model::codecs::Format::Emf: ext = ".emf"; break;
            case model::codecs::Format::Wmf: ext = ".wmf"; break;
            default: break;
        }
    }
    if (ext.empty()) {
        problems.push_back("immagine in un formato non letto: saltata");
        return;
    }
    if (x_.importOptions.allToGif && ext != ".gif" && ext != ".wmf" && ext != ".emf") {
        model::codecs::Image im;
        std::string gif;
        if (model::codecs::Decode(bytes, im) && model::codecs::EncodeGif(im, gif)) {
            bytes = std::move(gif);
            ext = ".gif";
        }
    }
    const fs::path tmp = set_.UniqueWorkFileName("Img" + std::to_string(objectsMade_) + ext);
    model::TNYXoggetto* pic = nullptr;
    if (!tmp.empty()) {
        {
            std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
            f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        pic = set_.AddPicture(tmp);
        std::error_code ec;
        fs::remove(tmp, ec);
    }
    if (!pic) {
        ++x_.report_.picturesMissing;
        problems.push_back("immagine non leggibile: saltata");
        return;
    }
    ++objectsMade_;
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind == TOut::kPlain) return;
    model::TNYXoggetto* placed = set_.NewPlacedPicture(pic);
    if (!placed) return;
    if (nw <= 0 || nh <= 0) {
        nw = pic->Word(model::picturerec::kWidth);
        nh = pic->Word(model::picturerec::kHeight);
    }
    const std::int32_t dw = gw > 0 ? gw * scalex_ / 100 : nw, dh = gh > 0 ? gh * scaley_ / 100 : nh;
    placed->SetWord(15, static_cast<std::uint16_t>(std::clamp(nw, 1, 65535)));
    placed->SetWord(17, static_cast<std::uint16_t>(std::clamp(nh, 1, 65535)));
    placed->SetWord(19, static_cast<std::uint16_t>(std::clamp(dw, 1, 65535)));
    placed->SetWord(21, static_cast<std::uint16_t>(std::clamp(dh, 1, 65535)));
    placed->SetByte(23, 0);
    OpenPara(o);
    if (clip_) {
        char id[16];
        std::snprintf(id, sizeof id, "<$FF%06X>", static_cast<unsigned>(clipObjects.size()));
        o.para += id;
        clipObjects.emplace_back(placed);
    } else {
        if (!placed->Registered()) set_.RegisterObject(model::immagineNew, -1, placed);
        o.para += "<$" + Hex8(static_cast<std::uint32_t>(placed->Reference())) + ">";
    }
}

void TRtfReader::Comment(const std::string& text) {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind == TOut::kPlain) return;
    std::string body;
    for (const char c : text) markup::AppendEscaped(body, c);
    std::unique_ptr<model::TNYXoggetto> owner;
    model::TNYXoggetto* obj = NewObj(model::shortObj, owner);
    obj->SetSubtype(10);
    obj->SetFirstStream(atnAuthor_ + "\r\n" + body);
    atnAuthor_.clear();
    OpenPara(o);
    if (clip_) {
        char id[16];
        std::snprintf(id, sizeof id, "<$FF%06X>", static_cast<unsigned>(clipObjects.size()));
        o.para += id;
        clipObjects.push_back(std::move(owner));
    } else {
        o.para += "<$" + Hex8(static_cast<std::uint32_t>(obj->Reference())) + ">";
    }
}

void TRtfReader::HotSpotDone(TOut& o) {
    std::string target = o.hidden;
    o.hidden.clear();
    const std::size_t start = o.hotStart;
    o.hotStart = std::string::npos;
    if (start == std::string::npos || start > o.para.size()) return;
    while (!target.empty() && target.front() == ' ') target.erase(0, 1);
    while (!target.empty() && target.back() == ' ') target.pop_back();
    if (target.empty()) return;
    if (target[0] == '!') {
        x_.winHelpReport_.push_back({2, target});
        return;
    }
    if (const std::size_t cut = target.find_first_of(">@"); cut != std::string::npos) target.resize(cut);
    const std::int32_t page = TopicPage(target, true);
    if (page < 0) return;
    o.para.insert(start, "<$" + Hex8(static_cast<std::uint32_t>(page)) + ">");
    o.para += "<%>";
}

void TRtfReader::Bitmap(std::string_view name) {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    // Only the base name counts, looked for in the topic file's folder.
    std::string base = SafeLeafName(platform::text::Cp1252ToUtf8(name));
    if (base.empty()) return;
    const fs::path folder = file_.parent_path().empty() ? fs::path(".") : file_.parent_path();
    fs::path p = folder / base;
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) {
        p.clear();
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (platform::text::EqualsNoCase(e.path().filename().string(), base)) p = e.path();
    }
    model::TNYXoggetto* pic = p.empty() ? nullptr : set_.AddPicture(p);
    if (!pic) return;
    model::TNYXoggetto* placed = set_.NewPlacedPicture(pic);
    if (!placed) return;
    if (!placed->Registered()) set_.RegisterObject(model::immagineNew, -1, placed);
    o.para += "<$" + Hex8(static_cast<std::uint32_t>(placed->Reference())) + ">";
}

}  // namespace convert::rtf
