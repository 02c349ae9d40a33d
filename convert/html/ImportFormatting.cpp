// The formatting stack of the HTML import and the markup it writes:
// paragraphs, run tags, blanks, inline and block elements, STYLE attributes.
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

using richtext::ParaField;

const TNYXoggetto* THtmlScan::Style(int n) const {
    const TNYXoggetto* s = n >= 0 ? set_.ObjectAt(model::stileParagrafo, n) : nullptr;
    return s && !s->IsEmpty() ? s : nullptr;
}

int THtmlScan::Face(std::string_view name) {
    std::string key(name);
    auto it = faceIndex_.find(key);
    if (it != faceIndex_.end()) return it->second;
    faces_.push_back(key);
    const int i = static_cast<int>(faces_.size()) - 1;
    faceIndex_.emplace(std::move(key), i);
    return i;
}

TFont THtmlScan::StyleFont(int n) {
    auto it = styleFonts_.find(n);
    if (it != styleFonts_.end()) return it->second;
    const TNYXoggetto* s = Style(n);
    if (!s) s = Style(0);
    TFont f;
    f.face = Face(richtext::StyleFontName(s));
    f.size = richtext::StyleValue(s, richtext::pfSize);
    f.colour = static_cast<std::uint32_t>(richtext::StyleValue(s, richtext::pfColour)) & 0xFFFFFF;
    f.bits = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfStyle) & 15);
    f.pos = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfPosition));
    styleFonts_[n] = f;
    return f;
}

TState THtmlScan::Apply(const TState& below, const TDelta& d) {
    TState s = below;
    if (d.table) {
        s = TState{};
        s.style = 1;
        s.font = StyleFont(1);
    }
    if (d.style >= 0) {
        s.style = d.style;
        s.font = StyleFont(d.style);
        s.classFont = d.classFont;
        s.align = -1;
        s.list = -1;
        s.measures = {};
    }
    if (d.face >= 0) s.font.face = d.face;
    for (int i = 0; i < d.smaller; ++i) s.font.size = SmallerSize(s.font.size);
    if (d.size > 0) s.font.size = d.size;
    if (d.colour >= 0) s.font.colour = static_cast<std::uint32_t>(d.colour) & 0xFFFFFF;
    s.font.bits = static_cast<std::uint8_t>((s.font.bits | d.setBits) & ~d.clearBits & 15);
    if (d.pos >= 0) s.font.pos = static_cast<std::uint8_t>(d.pos);
    if (d.align >= 0) s.align = d.align;
    if (d.list >= 0) s.list = d.list;
    if (d.pre) s.pre = true;
    if (d.listKind) s.listKind = d.listKind;
    for (int i = 0; i < TMeasures::kCount; ++i)
        if (d.measures.Has(i)) s.measures.Set(i, d.measures.v[i], d.measures.unit);
    return s;
}

void THtmlScan::Push(const TDelta& d) {
    if (deltas_.size() >= kMaxDepth) return;  // nesting is capped: deeper elements change nothing
    states_.push_back(Apply(states_.back(), d));
    deltas_.push_back(d);
}

void THtmlScan::RemoveAt(std::size_t i) {
    if (i >= deltas_.size()) return;
    deltas_.erase(deltas_.begin() + static_cast<std::ptrdiff_t>(i));
    states_.resize(i + 1);
    for (std::size_t k = i; k < deltas_.size(); ++k) states_.push_back(Apply(states_.back(), deltas_[k]));
}

// An end tag pops the nearest element of its own name inside the current
// table cell, and only that one: an end tag without its element changes nothing.
bool THtmlScan::PopTag(TTagId t) {
    for (std::size_t i = deltas_.size(); i-- > ScopeFloor();) {
        if (deltas_[i].tag != t) continue;
        RemoveAt(i);
        return true;
    }
    return false;
}

void THtmlScan::CloseOpenP() {
    for (std::size_t i = deltas_.size(); i-- > ScopeFloor();) {
        if (deltas_[i].tag == tP) {
            RemoveAt(i);
            return;
        }
        if (!IsInline(deltas_[i].tag) && deltas_[i].tag != tA) return;
    }
}

// --- output ------------------------------------------------------------------------------

void THtmlScan::OpenParagraph(TOut& o) {
    const TState& st = Cur();
    int style = o.pendingStyle >= 0 ? o.pendingStyle : st.style;
    if (!Style(style)) style = outs_.size() > 1 ? 1 : 0;
    const TNYXoggetto* sp = Style(style);
    using namespace richtext;
    o.text += "<Z S";
    o.text += std::to_string(style);
    o.text += ' ';
    auto param = [&](char key, std::int32_t v) {
        o.text += key;
        o.text += std::to_string(v);
        o.text += ' ';
    };
    if (st.align >= 0 && st.align != StyleValue(sp, pfAlign)) param('A', st.align);
    const int list = o.pendingList >= 0 ? o.pendingList : st.list;
    if (list >= 0 && list != StyleValue(sp, pfList)) param('N', list);
    const TMeasures& m = st.measures;
    if (m.set) {
        if (m.unit >= 0 && m.unit != StyleValue(sp, pfUnit)) param('M', m.unit);
        static constexpr ParaField kFields[] = {pfLineHeight, pfIndent, pfLeft, pfRight, pfAbove, pfBelow};
        static constexpr char kKeys[] = {'L', 'I', 'l', 'r', 't', 'b'};
        for (int i = 0; i < TMeasures::kCount; ++i)
            if (m.Has(i) && m.v[i] != StyleValue(sp, kFields[i])) param(kKeys[i], m.v[i]);
    }
    o.text += '>';
    o.paraOpen = true;
    o.paraLen = 0;
    o.paraBase = StyleFont(style);
    o.written = o.paraBase;
    o.lastSpace = false;
    o.lastRunTag = std::string::npos;
    o.linkWritten = -1;
    o.pendingList = -1;
    o.pendingStyle = -1;
}

void THtmlScan::CloseParagraph(TOut& o) {
    // In a page this program exported, a paragraph holding only the
    // non-breaking space the exporter ends every paragraph with is an empty one.
    if (!o.paraOpen && marked_ && o.pend == "\xA0") OpenParagraph(o);
    o.pend.clear();
    if (!o.paraOpen) return;
    if (o.linkWritten >= 0) o.text += "<%>";
    o.linkWritten = -1;
    o.paraOpen = false;
    o.lastRunTag = std::string::npos;
}

void THtmlScan::BreakLine() {
    TOut& o = Out();
    if (!o.paraOpen) OpenParagraph(o);
    CloseParagraph(o);
}

void THtmlScan::SyncLink(TOut& o, std::int32_t want) {
    if (o.linkWritten == want) return;
    if (want < 0) o.text += "<%>";
    else AppendHex8(o.text, static_cast<std::uint32_t>(want));
    o.linkWritten = want;
    o.lastRunTag = std::string::npos;
}

void THtmlScan::SyncFont(TOut& o, const TFont& f) {
    if (o.written == f) return;
    // Two run tags never stand side by side: the later one replaces the earlier.
    if (o.lastRunTag != std::string::npos && o.lastRunTag < o.text.size()) {
        o.text.resize(o.lastRunTag);
        o.written = o.beforeRun;
        o.lastRunTag = std::string::npos;
        if (o.written == f) return;
    }
    o.beforeRun = o.written;
    o.lastRunTag = o.text.size();
    const TFont& b = o.paraBase;
    o.text += "<Y ";
    if (f.colour != b.colour) {
        o.text += 'c';
        markup::AppendColourHex(o.text, f.colour);
        o.text += ' ';
    }
    if (f.face != b.face) {
        o.text += "F\"";
        o.text += richtext::TagSafeFontName(faces_[static_cast<std::size_t>(f.face)]);
        o.text += "\" ";
    }
    if (f.size != b.size) {
        o.text += 's';
        o.text += std::to_string(f.size);
        o.text += ' ';
    }
    if (f.bits != b.bits) {
        o.text += 'y';
        o.text += std::to_string(f.bits);
        o.text += ' ';
    }
    if (f.pos != b.pos) {
        o.text += 'p';
        o.text += std::to_string(f.pos);
        o.text += ' ';
    }
    o.text += '>';
    o.written = f;
}

void THtmlScan::FlushPend(TOut& o) {
    SyncLink(o, o.pendLink);
    SyncFont(o, o.pendFont);
    for (char c : o.pend) markup::AppendEscaped(o.text, c);
    o.paraLen += o.pend.size();
    o.lastSpace = o.pend.back() == ' ';
    o.pend.clear();
    o.lastRunTag = std::string::npos;
}

void THtmlScan::BeforeContent(bool isChar) {
    if (inHead_) EndHead();
    TOut& o = Out();
    if (!o.paraOpen) OpenParagraph(o);
    if (!o.pend.empty()) FlushPend(o);
    SyncLink(o, o.linkWanted);
    if (isChar) SyncFont(o, Cur().font);
}

void THtmlScan::AppendRun(std::string_view run) {
    while (!run.empty()) {
        BeforeContent(true);
        TOut& o = Out();
        const std::size_t room = o.paraLen < kParaHard ? kParaHard - o.paraLen : 0;
        const std::size_t k = std::min(run.size(), room);
        o.text.append(run.data(), k);
        o.paraLen += k;
        o.lastSpace = false;
        o.lastRunTag = std::string::npos;
        run.remove_prefix(k);
        if (o.paraLen >= kParaHard) CloseParagraph(o);
    }
}

void THtmlScan::EmitText(std::string_view t) {
    for (char c : t) Char(static_cast<unsigned char>(c));
}

void THtmlScan::Char(unsigned char c) {
    if (IsBlank(static_cast<char>(c))) {
        if (Cur().pre) PreBlank(c);
        else Whitespace();
        return;
    }
    if (c < 0x20 || c == 0x7F) return;  // control bytes carry no text
    if (c == 0xA0 && marked_ && !Cur().pre) {
        Nbsp();
        return;
    }
    BeforeContent(true);
    TOut& o = Out();
    markup::AppendEscaped(o.text, static_cast<char>(c));
    ++o.paraLen;
    o.lastSpace = false;
    o.lastRunTag = std::string::npos;
    if (o.paraLen >= kParaHard) CloseParagraph(o);
}

void THtmlScan::Whitespace() {
    TOut& o = Out();
    if (!o.paraOpen && o.pend.empty()) return;  // blanks at a paragraph's start are not text
    if (!o.pend.empty()) {
        if (o.pend.back() == ' ') return;  // collapsed
        o.pend += ' ';
        return;
    }
    if (o.paraLen >= kParaSoft) {  // a long paragraph ends at a blank
        CloseParagraph(o);
        return;
    }
    o.pend = " ";
    o.pendFont = Cur().font;
    o.pendLink = o.linkWanted;
}

// A non-breaking space in a page this program exported: the exporter writes
// one after every blank of a run of blanks (objects between them included)
// and one at every paragraph end. After a blank it is a blank again; at a
// paragraph end it goes.
void THtmlScan::Nbsp() {
    TOut& o = Out();
    if (!o.pend.empty()) {
        for (char& c : o.pend) c = ' ';
        if (o.pend.size() < kParaHard) o.pend += ' ';
        return;
    }
    if (o.paraOpen && o.lastSpace) {
        o.pend = " ";
        o.pendFont = Cur().font;
        o.pendLink = o.linkWanted;
        return;
    }
    o.pend = "\xA0";
    o.pendFont = Cur().font;
    o.pendLink = o.linkWanted;
}

void THtmlScan::PreBlank(unsigned char c) {
    if (c == '\n') {
        BreakLine();
        return;
    }
    if (c == '\r') {
        if (p_ < s_.size() && s_[p_] == '\n') return;  // the "\n" that follows ends the line
        BreakLine();
        return;
    }
    const std::size_t n = c == '\t' ? 8 - Out().paraLen % 8 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        BeforeContent(true);
        TOut& o = Out();
        o.text += ' ';
        ++o.paraLen;
        o.lastSpace = true;
        o.lastRunTag = std::string::npos;
        if (o.paraLen >= kParaHard) CloseParagraph(o);
    }
}

void THtmlScan::EmitObject(const TNYXoggetto* obj) {
    if (!obj) return;
    BeforeContent(false);
    TOut& o = Out();
    AppendHex8(o.text, static_cast<std::uint32_t>(obj->Reference()));
    ++o.paraLen;
    o.lastRunTag = std::string::npos;
}

// The CSS of a STYLE attribute: character properties for every element,
// alignment and measures for paragraphs.
void THtmlScan::ApplyStyleAttr(TDelta& d, bool paragraph) {
    const std::string* style = Attr("STYLE");
    if (!style) return;
    const int current = Cur().font.size;
    ForEachDeclaration(*style, [&](std::string_view prop, std::string_view v) {
        const std::string w = LowerS(v);
        if (prop == "color") {
            const std::int64_t c = Colour(v);
            if (c >= 0) d.colour = c;
        } else if (prop == "font-family") {
            const std::string face = CleanFace(v);
            if (!face.empty()) d.face = Face(face);
        } else if (prop == "font-size") {
            const int pt = ParseFontSize(v, current);
            if (pt > 0) {
                d.size = pt;
                d.smaller = 0;
            }
        } else if (prop == "font-weight") {
            if (w == "bold" || w == "bolder" || ToInt(w, 0) >= 600) d.setBits |= richtext::kBold, d.clearBits &= ~richtext::kBold;
            else if (w == "normal" || w == "lighter" || (ToInt(w, 1000) <= 500)) d.clearBits |= richtext::kBold, d.setBits &= ~richtext::kBold;
        } else if (prop == "font-style") {
            if (w == "italic" || w == "oblique") d.setBits |= richtext::kItalic, d.clearBits &= ~richtext::kItalic;
            else if (w == "normal") d.clearBits |= richtext::kItalic, d.setBits &= ~richtext::kItalic;
        } else if (prop == "text-decoration") {
            if (w.find("underline") != std::string::npos) d.setBits |= richtext::kUnderline;
            if (w.find("line-through") != std::string::npos) d.setBits |= richtext::kStrikeOut;
            if (w == "none" || w == "normal") {
                d.clearBits |= richtext::kUnderline | richtext::kStrikeOut;
                d.setBits &= ~(richtext::kUnderline | richtext::kStrikeOut);
            }
        } else if (prop == "vertical-align") {
            if (w == "sub") d.pos = 1;
            else if (w == "super") d.pos = 2;
        } else if (paragraph) {
            if (prop == "text-align") {
                d.align = w == "right" ? 1 : w == "center" ? 2 : w == "justify" ? 3 : 0;
            } else if (prop == "list-style-type") {
                d.list = w == "decimal" ? 6 : (w == "disc" || w == "circle" || w == "square") ? 10 : 0;
            } else {
                double len;
                int unit;
                int idx = prop == "line-height"     ? TMeasures::kLine
                          : prop == "text-indent"   ? TMeasures::kIndent
                          : prop == "margin-left"   ? TMeasures::kLeft
                          : prop == "margin-right"  ? TMeasures::kRight
                          : prop == "margin-top"    ? TMeasures::kTop
                          : prop == "margin-bottom" ? TMeasures::kBottom
                                                    : -1;
                if (idx >= 0 && ParseLength(v, len, unit)) d.measures.Set(idx, richtext::ToPixels(len, unit), unit);
            }
        }
    });
}

void THtmlScan::InlineStart(TTagId t) {
    TDelta d;
    d.tag = t;
    switch (t) {
        case tB: d.setBits = richtext::kBold; break;
        case tI: d.setBits = richtext::kItalic; break;
        case tU: d.setBits = richtext::kUnderline; break;
        case tS: d.setBits = richtext::kStrikeOut; break;
        case tSub: d.pos = 1; break;
        case tSup: d.pos = 2; break;
        case tSmall: d.smaller = 1; break;
        case tFont:
            // A paragraph whose style comes from a style sheet class keeps the
            // class's font: the exporter's FONT attributes only round it.
            if (!Cur().classFont) {
                if (const std::string* c = Attr("COLOR")) d.colour = Colour(*c);
                if (const std::string* f = Attr("FACE")) {
                    const std::string face = CleanFace(*f);
                    if (!face.empty()) d.face = Face(face);
                }
                if (const std::string* sz = Attr("SIZE")) d.size = HtmlSizeToPoints(*sz);
            }
            break;
        default: break;
    }
    ApplyStyleAttr(d, false);
    Push(d);
}

void THtmlScan::BlockStart(TTagId t) {
    // Blocks end an open P (as browsers do); list items end the item before.
    if (t != tLi && t != tDt && t != tDd) CloseOpenP();
    if (t == tLi) {
        CloseOpenP();
        PopTag(tLi);
    }
    if (t == tDt || t == tDd) {
        PopTag(tDt);
        PopTag(tDd);
    }
    CloseParagraph();
    TDelta d;
    d.tag = t;
    static constexpr int kHeading[] = {27, 19, 14, 12, 10, 8};
    switch (t) {
        case tCenter: d.align = 2; break;
        case tH1: case tH2: case tH3: case tH4: case tH5: case tH6: d.size = kHeading[t - tH1]; break;
        case tPre:
        case tListing:
            d.pre = true;
            d.face = Face("Courier New");
            d.smaller = t == tListing ? 2 : 1;
            // A line end just after the start tag is not part of the text.
            if (p_ < s_.size() && s_[p_] == '\r') ++p_;
            if (p_ < s_.size() && s_[p_] == '\n') ++p_;
            break;
        case tUl: d.listKind = 10; break;
        case tOl: d.listKind = 6; break;
        case tLi: {
            const int kind = Cur().listKind;
            if (kind) Out().pendingList = kind;
            break;
        }
        default: break;
    }
    if (t == tP || t == tDiv) {
        if (const std::string* a = Attr("ALIGN")) {
            const std::string w = LowerS(*a);
            d.align = w == "right" ? 1 : w == "center" ? 2 : w == "justify" ? 3 : 0;
        }
    }
    if (t == tDiv) {
        if (const std::string* cls = Attr("CLASS")) {
            const int st = ClassStyle(LowerS(Trim(*cls)));
            if (st >= 0) {
                d.style = st;
                d.classFont = true;
            }
        }
    }
    ApplyStyleAttr(d, true);
    Push(d);
}

}  // namespace convert::html
