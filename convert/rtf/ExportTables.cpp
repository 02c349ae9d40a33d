// The tables of an RTF document: fonts, colours and paragraph styles in the
// order the body first uses them, and the header written from them once the
// body is complete.
#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "convert/rtf/RtfWriter.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Env.h"
#include "platform/text.h"
#include "richtext/Attributes.h"

namespace convert::rtf {

namespace {

std::string Num(long long v) { return std::to_string(v); }

// The family and pitch words of a face, from what its name tells.
std::string FamilyWords(const std::string& face) {
    const std::string f = platform::text::Lower(face);
    auto has = [&](const char* w) { return f.find(w) != std::string::npos; };
    if (has("courier") || has("mono") || has("consol") || has("fixed") || has("terminal")) return "\\fmodern\\fprq1";
    if (has("arial") || has("helvet") || has("verdana") || has("tahoma") || has("sans") || has("calibri") ||
        has("trebuchet") || has("univers"))
        return "\\fswiss\\fprq2";
    if (has("script") || has("brush") || has("comic")) return "\\fscript\\fprq2";
    if (has("symbol") || has("wingding") || has("dingbat")) return "\\fprq2";
    if (has("times") || has("roman") || has("georgia") || has("serif") || has("garamond") || has("book") ||
        has("palatino") || has("century"))
        return "\\froman\\fprq2";
    return "\\fprq2";
}

}  // namespace

void AppendRtfText(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 13) {
            out += "\\par \r\n";
        } else if (c < 32) {
            continue;
        } else if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += ch;
        } else if (c >= 126) {
            out += "\\'";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
}

std::string RtfText(std::string_view text) {
    std::string s;
    AppendRtfText(s, text);
    return s;
}

TRtfWriter::TRtfWriter(TNYXtortf& x, model::TNYXset& set, bool clipboard) : x_(x), set_(set), clipboard_(clipboard) {}

int TRtfWriter::FontIndex(const std::string& face) {
    const std::string name = face.empty() ? std::string("Times New Roman") : face;
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (platform::text::EqualsNoCase(fonts[i], name)) return static_cast<int>(i);
    fonts.push_back(name);
    return static_cast<int>(fonts.size() - 1);
}

int TRtfWriter::ColourIndex(std::uint32_t colour) {
    colour &= 0xFFFFFF;
    const auto it = std::find(colours.begin(), colours.end(), colour);
    if (it != colours.end()) return static_cast<int>(it - colours.begin()) + 1;
    colours.push_back(colour);
    return static_cast<int>(colours.size());
}

int TRtfWriter::StyleIndex(int styleNo) {
    const auto it = std::find(styles.begin(), styles.end(), styleNo);
    if (it != styles.end()) return static_cast<int>(it - styles.begin()) + 1;
    styles.push_back(styleNo);
    return static_cast<int>(styles.size());
}

TParaFormat TRtfWriter::StyleFormat(int styleNo) const {
    using namespace richtext;
    TParaFormat f;
    const model::TNYXoggetto* s = styleNo >= 0 ? set_.ObjectAt(model::stileParagrafo, styleNo) : nullptr;
    if (s && s->IsEmpty()) s = nullptr;
    f.font.face = StyleFontName(s);
    f.font.size = StyleValue(s, pfSize);
    f.font.colour = static_cast<std::uint32_t>(StyleValue(s, pfColour)) & 0xFFFFFF;
    f.font.bits = static_cast<std::uint8_t>(StyleValue(s, pfStyle) & 15);
    f.font.pos = static_cast<std::uint8_t>(StyleValue(s, pfPosition) & 0x7F);
    f.align = StyleValue(s, pfAlign);
    f.numbering = StyleValue(s, pfList);
    f.lineHeight = StyleValue(s, pfLineHeight);
    f.indent = StyleValue(s, pfIndent);
    f.left = StyleValue(s, pfLeft);
    f.right = StyleValue(s, pfRight);
    f.above = StyleValue(s, pfAbove);
    f.below = StyleValue(s, pfBelow);
    return f;
}

std::string TRtfWriter::FormatWords(const TParaFormat& f, bool body) {
    std::string s;
    s += "\\f" + Num(FontIndex(f.font.face)) + "\\fs" + Num(2LL * f.font.size) + "\\cf" + Num(ColourIndex(f.font.colour));
    s += (f.font.bits & richtext::kItalic) ? "\\i" : "\\i0";
    s += (f.font.bits & richtext::kBold) ? "\\b" : "\\b0";
    if (!x_.winHelp) s += (f.font.bits & richtext::kUnderline) ? "\\ul" : "\\ul0";
    s += (f.font.bits & richtext::kStrikeOut) ? "\\strike" : "\\strike0";
    s += f.font.pos == 1 ? "\\dn6" : f.font.pos == 2 ? "\\up6" : "\\up0";
    s += f.align == 1 ? "\\qr" : f.align == 2 ? "\\qc" : f.align == 3 ? "\\qj" : "\\ql";
    const std::string hang = Num(std::llabs(static_cast<long long>(Twips(f.indent))));
    if (f.numbering == 6) {
        s += "{\\*\\pn \\pnlvlbody\\pndec\\pnstart1\\pnhang\\pnindent" + hang + "{\\pntxta .}}";
        if (body) s += "{\\pntext " + Num(listCounter++) + ".\\tab}";
    } else if (f.numbering == 10) {
        const std::string sym = Num(FontIndex("Symbol"));
        s += "{\\*\\pn\\pnlvlblt\\pnf" + sym + "\\pnstart1\\pnhang\\pnindent" + hang + "{\\pntxtb\\'b7}}";
        if (body) {
            s += "{\\pntext\\f" + sym + "\\'b7\\tab}";
            listCounter = 1;
        }
    } else if (body) {
        listCounter = 1;
    }
    if (f.lineHeight >= -19999) s += "\\sl" + Num(Twips(f.lineHeight));
    s += "\\fi" + Num(Twips(f.indent)) + "\\li" + Num(Twips(f.left)) + "\\ri" + Num(Twips(f.right)) + "\\sb" +
         Num(Twips(f.above)) + "\\sa" + Num(Twips(f.below)) + " ";
    return s;
}

std::string TRtfWriter::Header(bool info) {
    // The style sheet first: its formats add fonts and colours of their own.
    std::string sheet = "{\\stylesheet";
    for (std::size_t k = 0; k < styles.size(); ++k) {
        const model::TNYXoggetto* s = set_.ObjectAt(model::stileParagrafo, styles[k]);
        const std::string name = s && !s->IsEmpty() ? s->GetName() : "Normal";
        sheet += "{\\s" + Num(static_cast<long long>(k + 1)) + " \\widctlpar " + FormatWords(StyleFormat(styles[k]), false) +
                 RtfText(name) + ";}";
    }
    sheet += "}";
    if (fonts.empty()) FontIndex("Times New Roman");
    std::string h = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (std::size_t i = 0; i < fonts.size(); ++i)
        h += "{\\f" + Num(static_cast<long long>(i)) + FamilyWords(fonts[i]) + " " + RtfText(fonts[i]) + ";}";
    h += "}{\\colortbl;";
    for (const std::uint32_t c : colours)
        h += "\\red" + Num(c & 0xFF) + "\\green" + Num((c >> 8) & 0xFF) + "\\blue" + Num((c >> 16) & 0xFF) + ";";
    h += "}" + sheet;
    if (info) {
        std::time_t t = x_.exportTime ? static_cast<std::time_t>(x_.exportTime) : std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        const std::string user = platform::text::Utf8ToCp1252(platform::env().UserName());
        h += "{\\info{\\title " + RtfText(set_.Title()) + "}{\\author " + RtfText(set_.HStr(model::hdr::kAuthors, model::hdr::kNameCap)) +
             "}{\\operator " + RtfText(user) + "}{\\*\\copyright " + RtfText(set_.HStr(model::hdr::kCopyright, model::hdr::kNameCap)) +
             "}{\\company " + RtfText(set_.HStr(model::hdr::kCompany, model::hdr::kNameCap)) + "}{\\version" + Num(set_.SaveCounter()) +
             "}{\\revtim\\yr" + Num(tm.tm_year + 1900) + "\\mo" + Num(tm.tm_mon + 1) + "\\dy" + Num(tm.tm_mday) + "\\hr" +
             Num(tm.tm_hour) + "\\min" + Num(tm.tm_min) + "}}\\widowctrl";
    }
    h += "\\paperw" + Num(x_.paperWidth) + "\\paperh" + Num(x_.paperHeight) + "\\margt" + Num(x_.marginTop) + "\\margb" +
         Num(x_.marginBottom) + "\\margl" + Num(x_.marginLeft) + "\\margr" + Num(x_.marginRight) + " ";
    return h;
}

}  // namespace convert::rtf
