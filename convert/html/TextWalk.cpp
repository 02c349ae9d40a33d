#include "convert/html/TextWalk.h"

#include <algorithm>

#include "markup/Lexer.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Attributes.h"

namespace convert::html {

using model::TNYXoggetto;

TFont StyleFont(const TNYXoggetto* s) {
    TFont f;
    if (!s) return f;
    f.face = richtext::StyleFontName(s);
    f.size = richtext::StyleValue(s, richtext::pfSize);
    f.colour = static_cast<std::uint32_t>(richtext::StyleValue(s, richtext::pfColour)) & 0xFFFFFF;
    f.bits = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfStyle) & 15);
    f.pos = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfPosition));
    return f;
}

TTextWalk::TTextWalk(TNYXtoHtml& x, TDocContext& doc, std::string& out) : x_(x), set_(*x.LinkedNYXset), doc_(doc), out_(out) {
    states_.emplace_back();
}

// --- inline elements -------------------------------------------------------------------

void TTextWalk::Open(const std::string& name, const std::string& tag) {
    out_ += tag;
    inline_.push_back({name, tag});
}

void TTextWalk::Close(const std::string& name) {
    auto it = std::find_if(inline_.rbegin(), inline_.rend(), [&](const TInline& e) { return e.name == name; });
    if (it == inline_.rend()) return;
    const std::size_t at = static_cast<std::size_t>(inline_.rend() - it) - 1;
    std::vector<TInline> above(inline_.begin() + static_cast<std::ptrdiff_t>(at) + 1, inline_.end());
    for (std::size_t i = above.size(); i-- > 0;) out_ += "</" + above[i].name + ">";
    out_ += "</" + name + ">";
    inline_.resize(at);
    for (auto& e : above) Open(e.name, e.open);
}

void TTextWalk::CloseAllInline() {
    while (!inline_.empty()) {
        out_ += "</" + inline_.back().name + ">";
        inline_.pop_back();
    }
}

std::string TTextWalk::OpenTagOf(const std::string& name) const {
    auto it = std::find_if(inline_.rbegin(), inline_.rend(), [&](const TInline& e) { return e.name == name; });
    return it != inline_.rend() ? it->open : std::string();
}

void TTextWalk::RunClosing() {
    if (S().bits & richtext::kItalic) Close("I");
    if (S().bits & richtext::kBold) Close("B");
    if (S().pos == 1) Close("SUB");
    if (S().pos == 2) Close("SUP");
    if (S().fontOpen) Close("FONT");
    S().fontOpen = false;
}

void TTextWalk::ParagraphClosing() {
    if (!paraOpen_) return;
    CloseLink();
    RunClosing();
    CloseAllInline();
    if (S().numbering == 10) out_ += "</LI>";
    out_ += "</DIV>\r\n";
    paraOpen_ = false;
}

// --- runs and characters ------------------------------------------------------------------

std::string TTextWalk::FontTag(const TFont& b, const TFont& r) const {
    std::string attr, style;
    const bool isDefault = Upper(r.face) == "TIMES NEW ROMAN" && r.size == 12 && r.colour == 0;
    if (!isDefault) {
        if (r.size != 12) attr += " SIZE=" + HtmlSize(r.size);
        if (r.colour != 0) attr += " COLOR=#" + TNYXtoHtml::ColourText(r.colour);
        if (Upper(r.face) != "TIMES NEW ROMAN") attr += " FACE=\"" + TNYXtoHtml::EscapeText(r.face) + "\"";
    }
    if (r.colour != b.colour) style += "color:#" + TNYXtoHtml::ColourText(r.colour) + ";";
    if (r.face != b.face) style += "font-family:&quot;" + TNYXtoHtml::EscapeText(r.face) + "&quot;;";
    if (r.size != b.size) style += "font-size:" + Str(r.size) + "pt;";
    if ((r.bits & 15) != (b.bits & 15)) {
        if ((b.bits & richtext::kBold) && !(r.bits & richtext::kBold)) style += "font-weight:normal;";
        if ((b.bits & richtext::kItalic) && !(r.bits & richtext::kItalic)) style += "font-style:normal;";
        if ((r.bits & 12) != (b.bits & 12)) {
            if (r.bits & richtext::kUnderline) style += "text-decoration:underline;";
            else if (r.bits & richtext::kStrikeOut) style += "text-decoration:line-through;";
            else style += "text-decoration:normal;";
        }
    }
    if (attr.empty() && style.empty()) return {};
    return "<FONT" + (style.empty() ? std::string() : " style='" + style + "'") + attr + ">";
}

void TTextWalk::WritePending() {
    if (!pending_) return;
    TState& s = S();
    const bool fontChange = !(R_.colour == s.colour && R_.face == s.face && R_.size == s.size && R_.bits == s.bits);
    const std::string F = FontTag(B_, R_);
    const bool incremental = F.empty() && !(fontChange && s.fontOpen);
    const bool sb = s.bits & richtext::kBold, si = s.bits & richtext::kItalic;
    const bool rb = R_.bits & richtext::kBold, ri = R_.bits & richtext::kItalic;
    if (incremental) {
        if (si && !ri) Close("I");
        if (sb && !rb) Close("B");
        if (s.pos != R_.pos) {
            if (s.pos == 1) Close("SUB");
            if (s.pos == 2) Close("SUP");
        }
    } else {
        if (si) Close("I");
        if (sb) Close("B");
        if (s.pos == 1) Close("SUB");
        if (s.pos == 2) Close("SUP");
    }
    if (fontChange) {
        if (s.fontOpen) Close("FONT");
        s.fontOpen = false;
        if (!F.empty()) {
            Open("FONT", F);
            s.fontOpen = true;
        }
    }
    if (incremental) {
        if (rb && !sb) Open("B", "<B>");
        if (ri && !si) Open("I", "<I>");
        if (s.pos != R_.pos) {
            if (R_.pos == 1) Open("SUB", "<SUB>");
            if (R_.pos == 2) Open("SUP", "<SUP>");
        }
    } else {
        if (rb) Open("B", "<B>");
        if (ri) Open("I", "<I>");
        if (R_.pos == 1) Open("SUB", "<SUB>");
        if (R_.pos == 2) Open("SUP", "<SUP>");
    }
    s.colour = R_.colour;
    s.size = R_.size;
    s.face = R_.face;
    s.bits = R_.bits;
    s.pos = R_.pos;
    pending_ = false;
}

void TTextWalk::Char(unsigned char c) {
    if (c == ' ') {
        if (space_) c = 160;
        else space_ = true;
    } else {
        space_ = false;
    }
    WritePending();
    if (c < 32) return;
    if (c == '&') out_ += "&amp;";
    else if (c == '<') out_ += "&lt;";
    else if (c == '>') out_ += "&gt;";
    else if (c >= 160 && c <= 251) {
        out_ += '&';
        out_ += markup::EntityName(c);
        out_ += ';';
    } else {
        out_ += static_cast<char>(c);
    }
}

// --- paragraphs ---------------------------------------------------------------------------

void TTextWalk::Paragraph(const markup::Token& t) {
    using markup::TParamCursor;
    using R = TParamCursor::Result;
    space_ = false;
    std::size_t b = t.begin + 2;
    const std::string_view data = text_;
    if (b < t.end && data[b] == ' ') ++b;
    TParamCursor pc(data, b, t.truncated ? t.end : t.end - 1);
    std::int32_t n = 0;
    const TNYXoggetto* style = nullptr;
    if (pc.Number('S', n) == R::Ok) {
        styleNo_ = n;
        style = n >= 0 ? set_.ObjectAt(model::stileParagrafo, n) : nullptr;
        if (Exists(style)) {
            B_ = StyleFont(style);
            defLinkSize_ = richtext::StyleValue(style, richtext::pfLinkSize);
            defLinkColour_ = static_cast<std::uint32_t>(richtext::StyleValue(style, richtext::pfLinkColour)) & 0xFFFFFF;
            defLinkBits_ = static_cast<std::uint8_t>(richtext::StyleValue(style, richtext::pfLinkStyle) & 15);
        } else {
            style = nullptr;
        }
    }
    link_ = nullptr;
    if (paraOpen_) {
        out_ += "&nbsp;";
        ParagraphClosing();
    }
    divPos_ = out_.size();
    std::string div = "<DIV";
    R_ = B_;
    {
        std::uint32_t c = 0;
        if (pc.Colour('c', c) == R::Ok) R_.colour = c;
        std::string face;
        if (pc.FontName('F', face) == R::Ok && !face.empty()) R_.face = face;
        std::int32_t v = 0;
        if (pc.Number('s', v) == R::Ok) R_.size = v;
        if (pc.Number('y', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v & 15);
        if (pc.Number('p', v) == R::Ok) R_.pos = static_cast<std::uint8_t>(v & 0x7F);
    }
    TState& s = S();
    const TNYXoggetto* st = style;
    s.align = st ? richtext::StyleValue(st, richtext::pfAlign) : 0;
    s.numbering = st ? richtext::StyleValue(st, richtext::pfList) : 0;
    s.unit = st ? richtext::StyleValue(st, richtext::pfUnit) : 0;
    s.linkColour = defLinkColour_;
    s.linkSize = defLinkSize_;
    s.linkBits = defLinkBits_;
    std::string inl;
    const bool css = x_.options.expCSS == ecUseCSS;
    std::int32_t v = 0;
    pc.Number('P', v);
    if (pc.Number('A', v) == R::Ok) {
        s.align = v;
        if (css) inl += "text-align: " + AlignWord(v) + ";";
    }
    if (pc.Number('N', v) == R::Ok) {
        s.numbering = v;
        if (css) inl += v == 6 ? "list-style-type:decimal;" : v == 10 ? "list-style-type:disc;" : "list-style-type:none;";
    }
    if (pc.Number('M', v) == R::Ok) s.unit = v;
    const std::pair<char, const char*> lengths[] = {{'L', "line-height: "}, {'I', "text-indent: "}, {'l', "margin-left: "},
                                                    {'r', "margin-right: "}, {'t', "margin-top: "}, {'b', "margin-bottom: "}};
    for (auto& [key, prop] : lengths)
        if (pc.Number(key, v) == R::Ok && css) inl += std::string(prop) + LengthText(v, s.unit) + ";";
    std::uint32_t lc = 0;
    if (pc.Colour('C', lc) == R::Ok) s.linkColour = lc;
    if (pc.Number('S', v) == R::Ok) s.linkSize = v;
    if (pc.Number('Y', v) == R::Ok) s.linkBits = static_cast<std::uint8_t>(s.linkBits | (v & 7));
    if (s.align != 0) div += " ALIGN=" + AlignWord(s.align);
    div += " class=s" + Str(styleNo_) + " ";
    div += inl.empty() ? ">" : " style='" + inl + "'>";
    out_ += div + "\r\n";
    if (s.numbering == 0) listCounter_ = 1;
    else if (s.numbering == 6) out_ += "<!--lisnum-->" + Str(listCounter_++) + ". <!--/lisnum-->";
    else if (s.numbering == 10) {
        out_ += "<LI>";
        listCounter_ = 1;
    }
    s.colour = R_.colour;
    s.size = R_.size;
    s.face = R_.face;
    s.bits = R_.bits;
    s.pos = R_.pos;
    s.fontOpen = false;
    const std::string F = FontTag(B_, R_);
    if (!F.empty()) {
        Open("FONT", F);
        s.fontOpen = true;
    }
    if (R_.bits & richtext::kBold) Open("B", "<B>");
    if (R_.bits & richtext::kItalic) Open("I", "<I>");
    if (R_.pos == 1) Open("SUB", "<SUB>");
    if (R_.pos == 2) Open("SUP", "<SUP>");
    pending_ = false;
    paraOpen_ = true;
}

void TTextWalk::RunFormat(const markup::Token& t) {
    using R = markup::TParamCursor::Result;
    if (!pending_) R_ = B_;
    std::size_t b = t.begin + 2;
    if (b < t.end && text_[b] == ' ') ++b;
    markup::TParamCursor pc(text_, b, t.truncated ? t.end : t.end - 1);
    std::uint32_t c = 0;
    if (pc.Colour('c', c) == R::Ok) R_.colour = c;
    std::string face;
    if (pc.FontName('F', face) == R::Ok && !face.empty()) R_.face = face;
    std::int32_t v = 0;
    if (pc.Number('s', v) == R::Ok) R_.size = v;
    if (pc.Number('i', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v == 1 ? R_.bits | richtext::kItalic : R_.bits & ~richtext::kItalic);
    if (pc.Number('g', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v == 1 ? R_.bits | richtext::kBold : R_.bits & ~richtext::kBold);
    if (pc.Number('y', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v & 15);
    if (pc.Number('p', v) == R::Ok) R_.pos = static_cast<std::uint8_t>(v & 0x7F);
    pending_ = true;
}

// --- the walk ---------------------------------------------------------------------------------

void TTextWalk::Walk(std::string_view text) {
    text_ = text;
    markup::TMarkupLexer lx(text);
    bool stop = false;
    while (!stop) {
        const markup::Token t = lx.Next();
        switch (t.kind) {
            case markup::TokenKind::End:
            case markup::TokenKind::Nul: stop = true; break;
            case markup::TokenKind::Text:
                for (std::size_t i = t.begin; i < t.end; ++i) Char(static_cast<unsigned char>(text[i]));
                break;
            case markup::TokenKind::Entity:
                WritePending();
                space_ = false;
                Char(static_cast<unsigned char>(t.ch == ' ' ? ' ' : t.ch));
                break;
            case markup::TokenKind::Tag: {
                if (t.truncated && t.letter != 'T') {
                    stop = true;
                    break;
                }
                switch (t.letter) {
                    case '$': {
                        std::uint32_t key = 0;
                        WritePending();
                        if (markup::ParseRefTag(text, t, key)) Object(static_cast<std::int32_t>(key));
                        break;
                    }
                    case '%':
                        CloseLink();
                        break;
                    case 'D':
                    case 'F':
                    case 'R': {
                        // Blocks that are not exported, up to their end marker.
                        const std::string close = std::string("<") + static_cast<char>(t.letter - 'A' + 'a') + ">";
                        const std::size_t at = text.find(close, t.end);
                        if (at == std::string_view::npos) stop = true;
                        else lx.Seek(at + close.size());
                        break;
                    }
                    case 'T':
                        NextCell();
                        break;
                    case 'Y': RunFormat(t); break;
                    case 'Z': Paragraph(t); break;
                    default: break;
                }
                break;
            }
        }
    }
    CloseOpenTables();
    WritePending();
    if (paraOpen_) out_ += "&nbsp;";
    CloseLink();
    ParagraphClosing();
    CloseAllInline();
    if (formOpen_) out_ += "</FORM>\r\n";
    formOpen_ = false;
}

}  // namespace convert::html
