// The walk of a stored text into RTF: paragraphs with their format, runs as
// font changes that write only what changed, characters as RTF text, and the
// objects a text refers to handed to ExportObjects.cpp and ExportPictures.cpp.
#include <string>

#include "convert/rtf/RtfWriter.h"
#include "markup/Lexer.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Attributes.h"

namespace convert::rtf {

namespace {

std::string Num(long long v) { return std::to_string(v); }

// Applies the character parameters c F s (i g) y p of a tag to a font.
void ReadFontParams(markup::TParamCursor& pc, TRtfFont& f, bool runTag) {
    using R = markup::TParamCursor::Result;
    std::uint32_t c = 0;
    if (pc.Colour('c', c) == R::Ok) f.colour = c & 0xFFFFFF;
    std::string face;
    if (pc.FontName('F', face) == R::Ok && !face.empty()) f.face = face;
    std::int32_t v = 0;
    if (pc.Number('s', v) == R::Ok && v > 0 && v < 1639) f.size = v;
    if (runTag) {
        if (pc.Number('i', v) == R::Ok)
            f.bits = static_cast<std::uint8_t>(v == 1 ? f.bits | richtext::kItalic : f.bits & ~richtext::kItalic);
        if (pc.Number('g', v) == R::Ok)
            f.bits = static_cast<std::uint8_t>(v == 1 ? f.bits | richtext::kBold : f.bits & ~richtext::kBold);
    }
    if (pc.Number('y', v) == R::Ok) f.bits = static_cast<std::uint8_t>(v & 15);
    if (pc.Number('p', v) == R::Ok) f.pos = static_cast<std::uint8_t>(v & 0x7F);
}

}  // namespace

const model::TNYXoggetto* TRtfWriter::Obj(std::int32_t ref) const {
    const model::TNYXoggetto* o = set_.ObjectByRef(ref);
    return o && !o->IsEmpty() ? o : nullptr;
}

void TRtfWriter::Paragraph(const markup::Token& t) {
    using R = markup::TParamCursor::Result;
    std::size_t b = t.begin + 2;
    if (b < t.end && text_[b] == ' ') ++b;
    markup::TParamCursor pc(text_, b, t.truncated ? t.end : t.end - 1);
    std::int32_t n = 0;
    if (pc.Number('S', n) == R::Ok && n >= 0) styleNo_ = n;
    if (link_) CloseLink();
    TParaFormat f = StyleFormat(styleNo_);
    ReadFontParams(pc, f.font, false);
    std::int32_t v = 0;
    pc.Number('P', v);
    if (pc.Number('A', v) == R::Ok) f.align = v;
    if (pc.Number('N', v) == R::Ok) f.numbering = v;
    pc.Number('M', v);
    if (pc.Number('L', v) == R::Ok) f.lineHeight = v;
    if (pc.Number('I', v) == R::Ok) f.indent = v;
    if (pc.Number('l', v) == R::Ok) f.left = v;
    if (pc.Number('r', v) == R::Ok) f.right = v;
    if (pc.Number('t', v) == R::Ok) f.above = v;
    if (pc.Number('b', v) == R::Ok) f.below = v;
    std::string& out = *out_;
    if (!firstPara_ && !noPar_) out += "\\par \r\n";
    firstPara_ = false;
    noPar_ = false;
    lastValid_ = false;
    out += tables_.empty() ? "\\pard\\plain " : "\\pard\\intbl";
    out += "\\s" + Num(StyleIndex(styleNo_));
    out += FormatWords(f, true);
    para_ = f;
    run_ = f.font;
    cur_ = run_;
    pending_ = false;
    paraOpen_ = true;
}

void TRtfWriter::RunFormat(const markup::Token& t) {
    std::size_t b = t.begin + 2;
    if (b < t.end && text_[b] == ' ') ++b;
    markup::TParamCursor pc(text_, b, t.truncated ? t.end : t.end - 1);
    // Absent values are the paragraph style's; a second tag before any
    // character changes what the first one set.
    if (!pending_) cur_ = StyleFormat(styleNo_).font;
    ReadFontParams(pc, cur_, true);
    pending_ = true;
}

void TRtfWriter::WritePending() {
    if (!pending_) return;
    pending_ = false;
    run_ = cur_;
    FontChange(run_);
}

void TRtfWriter::FontChange(const TRtfFont& f) {
    std::string s;
    const bool all = !lastValid_;
    if (all || f.face != last_.face) s += "\\f" + Num(FontIndex(f.face));
    if (all || f.size != last_.size) s += "\\fs" + Num(2LL * f.size);
    if (all || f.colour != last_.colour) s += "\\cf" + Num(ColourIndex(f.colour));
    if (all || f.bits != last_.bits) {
        s += (f.bits & richtext::kItalic) ? "\\i" : "\\i0";
        s += (f.bits & richtext::kBold) ? "\\b" : "\\b0";
        if (!x_.winHelp) s += (f.bits & richtext::kUnderline) ? "\\ul" : "\\ul0";
        s += (f.bits & richtext::kStrikeOut) ? "\\strike" : "\\strike0";
    }
    if (all || f.pos != last_.pos) s += f.pos == 1 ? "\\dn6" : f.pos == 2 ? "\\up6" : "\\up0";
    if (!s.empty()) *out_ += s + " ";
    last_ = f;
    lastValid_ = true;
}

void TRtfWriter::Char(unsigned char c) {
    WritePending();
    const char ch = static_cast<char>(c);
    AppendRtfText(*out_, std::string_view(&ch, 1));
}

void TRtfWriter::Object(std::int32_t ref) {
    const model::TNYXoggetto* o = Obj(ref);
    if (!o) return;
    switch (o->Type()) {
        case model::testoHtml:
        case model::internetLink:
        case model::zipLink:
        case model::genLink:
        case model::programma:
        case model::speclink: OpenLink(*o); break;
        case model::shortObj:
            if (o->Subtype() == 10 && tables_.empty()) Comment(*o);
            break;
        case model::immagine:
        case model::immagineNew: Picture(*o); break;
        case model::tabellaHtml: TableStart(*o); break;
        default: break;
    }
}

void TRtfWriter::Text(std::string_view text, const model::TNYXoggetto* page, std::string& out) {
    out_ = &out;
    text_ = text;
    page_ = page;
    firstPara_ = true;
    noPar_ = false;
    lastValid_ = false;
    styleNo_ = 0;
    link_ = nullptr;
    tables_.clear();
    tableMargins_ = -1;
    listCounter = 1;
    pending_ = false;
    if (x_.winHelp && !clipboard_ && page) TopicFootnotes(*page, out);
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
            case markup::TokenKind::Entity: Char(static_cast<unsigned char>(t.ch)); break;
            case markup::TokenKind::Tag:
                switch (t.letter) {
                    case 'Z': Paragraph(t); break;
                    case 'Y': RunFormat(t); break;
                    case '$': {
                        std::uint32_t key = 0;
                        if (markup::ParseRefTag(text, t, key)) Object(static_cast<std::int32_t>(key));
                        break;
                    }
                    case '%':
                        if (t.end - t.begin == 3) CloseLink();
                        break;
                    case 'T':
                        if (t.end - t.begin == 3) CellEnd();
                        break;
                    case 'D':
                    case 'F':
                    case 'R': {
                        const std::string close = std::string("<") + static_cast<char>(t.letter - 'A' + 'a') + ">";
                        const std::size_t at = text.find(close, t.end);
                        if (at == std::string_view::npos) stop = true;
                        else lx.Seek(at + close.size());
                        break;
                    }
                    default: break;
                }
                break;
        }
    }
    if (link_) CloseLink();
    // A damaged text that leaves a table open still gets whole rows.
    while (!tables_.empty()) CellEnd();
    out += "\\par \r\n";
}

}  // namespace convert::rtf
