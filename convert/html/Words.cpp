#include "convert/html/Words.h"

#include "convert/html/NYXtoHtml.h"
#include "markup/Lexer.h"
#include "model/NYXoggetto.h"
#include "platform/text.h"
#include "richtext/Attributes.h"

namespace convert::html {

namespace {
constexpr const char* kAlignWords[] = {"left", "right", "center", "justify"};
constexpr const char* kPictureAlign[] = {"LEFT", "RIGHT", "CENTER", "TOP", "MIDDLE", "BOTTOM"};
constexpr const char* kCellAlign[] = {"TOP", "MIDDLE", "BOTTOM"};
constexpr const char* kTargets[] = {"_top ", "_self ", "_parent ", "_blank "};
constexpr int kHtmlSizes[] = {8, 10, 12, 14, 19, 27, 34};
}  // namespace

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string FileExt(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find_first_of("/\\", dot) != std::string::npos) return {};
    return name.substr(dot);
}

bool Exists(const model::TNYXoggetto* o) { return o && !o->IsEmpty(); }

std::string AlignWord(int a) { return a >= 0 && a < 4 ? kAlignWords[a] : "left"; }
std::string PictureAlignWord(int a) { return a >= 0 && a < 6 ? kPictureAlign[a] : "BOTTOM"; }
const char* CellAlignWord(int a) { return a >= 0 && a < 3 ? kCellAlign[a] : kCellAlign[0]; }
const char* TargetWord(int a) { return a >= 0 && a < 4 ? kTargets[a] : kTargets[0]; }

std::string LengthText(std::int32_t pixels, int unit) {
    if (unit < 0 || unit > 5) unit = 5;
    const double v = richtext::FromPixels(pixels, unit);
    const long r = static_cast<long>(v < 0 ? v - 0.5 : v + 0.5);
    static constexpr const char* kUnits[] = {"cm", "mm", "in", "pt", "pc", "px"};
    return std::to_string(r) + kUnits[unit];
}

std::string HtmlSize(std::int32_t size) {
    int n = 7;
    for (int i = 0; i < 7; ++i)
        if (kHtmlSizes[i] >= size) {
            n = i + 1;
            break;
        }
    const int d = n - 3;
    std::string s(1, d < 0 ? '-' : '+');
    s += std::to_string(d < 0 ? -d : d);
    return s;
}

std::string CommentSafe(std::string s) {
    for (std::size_t p; (p = s.find("--")) != std::string::npos;) s.replace(p, 2, "- -");
    if (!s.empty() && (s.front() == '>' || s.back() == '-')) s = " " + s + " ";
    return s;
}

std::string ScriptString(std::string_view s) {
    std::string o;
    for (char c : s) {
        if (c == '\\' || c == '\'') o += '\\';
        o += c;
    }
    return o;
}

// --- the exporter's public escapes -----------------------------------------------

std::string TNYXtoHtml::EscapeText(std::string_view s) {
    std::string o;
    o.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': o += "&amp;"; break;
            case '<': o += "&lt;"; break;
            case '>': o += "&gt;"; break;
            case '"': o += "&quot;"; break;
            case '\0': break;
            default: o += c;
        }
    }
    return o;
}

std::string TNYXtoHtml::EscapeUrl(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = platform::text::Cp1252ToUtf8(s);
    std::string o;
    for (unsigned char c : utf8) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '`' || c == '\\' || c == '\'') {
            o += '%';
            o += kHex[c >> 4];
            o += kHex[c & 15];
        } else if (c == '&') {
            o += "&amp;";
        } else {
            o += static_cast<char>(c);
        }
    }
    return o;
}

std::string TNYXtoHtml::CleanAttribute(std::string_view s) {
    std::string o(s);
    for (char& ch : o) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"') ch = static_cast<char>(148);
        else if (c == '\'') ch = static_cast<char>(146);
        else if (c < 32 || c == 127 || c == '<' || c == '>' || c == '#' || c == '$' || c == '%' || c == '&') ch = ' ';
    }
    return o;
}

std::string TNYXtoHtml::ColourText(std::uint32_t c) {
    std::string s;
    markup::AppendColourHex(s, c & 0xFFFFFF);
    return s;
}

}  // namespace convert::html
