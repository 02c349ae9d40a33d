#include "markup/Lexer.h"

#include <array>
#include <cstring>
#include <limits>

namespace markup {
namespace {

// ISO 8859-1 names of the characters 160..255, in code order.
constexpr std::array<std::string_view, 96> kIsoNames = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "hibar",  "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// Byte classes for the text scanner: 1 marks a byte that ends a text run.
constexpr std::array<std::uint8_t, 256> MakeStops() {
    std::array<std::uint8_t, 256> t{};
    t['<'] = 1;
    t['&'] = 1;
    t[0] = 1;
    return t;
}
constexpr std::array<std::uint8_t, 256> kStops = MakeStops();

inline bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int NamedEntity(std::string_view name) {
    if (name == "quot" || name == "QUOT") return '"';
    if (name == "amp" || name == "AMP") return '&';
    if (name == "lt" || name == "LT") return '<';
    if (name == "gt" || name == "GT") return '>';
    for (std::size_t i = 0; i < kIsoNames.size(); ++i)
        if (kIsoNames[i] == name) return static_cast<int>(160 + i);
    return -1;
}

}  // namespace

std::string_view EntityName(int code) {
    if (code < 160 || code > 255) return {};
    return kIsoNames[static_cast<std::size_t>(code - 160)];
}

int DecodeEntity(std::string_view s, std::size_t pos, std::size_t& next) {
    std::size_t p = pos + 1;  // after "&"
    const std::size_t n = s.size();
    if (p < n && s[p] == '&') {
        next = p + 1;
        return '&';
    }
    if (p < n && s[p] == '#') {
        ++p;
        int value = 0, digits = 0;
        while (digits < 3 && p < n && s[p] >= '0' && s[p] <= '9') {
            value = value * 10 + (s[p] - '0');
            ++p;
            ++digits;
        }
        if (p < n && s[p] == ';') ++p;
        next = p;
        return digits == 0 ? 'A' : value % 256;
    }
    std::size_t q = p;
    while (q < n && q - p < 8 && IsAlnum(s[q])) ++q;
    int code = q > p ? NamedEntity(s.substr(p, q - p)) : -1;
    if (code < 0) {
        next = pos + 1;
        return ' ';
    }
    if (q < n && s[q] == ';') ++q;
    next = q;
    return code;
}

std::size_t TagEnd(std::string_view s, std::size_t pos, bool* truncated) {
    const std::size_t n = s.size();
    for (std::size_t i = pos + 1; i < n; ++i) {
        char c = s[i];
        if (c == '>') {
            if (truncated) *truncated = false;
            return i + 1;
        }
        if (c == '<' || c == '\0') {
            if (truncated) *truncated = true;
            return i;
        }
    }
    if (truncated) *truncated = true;
    return n;
}

Token TMarkupLexer::Next() {
    Token t;
    const std::size_t n = s_.size();
    t.begin = pos_;
    if (pos_ >= n) {
        t.kind = TokenKind::End;
        t.end = n;
        return t;
    }
    const char* d = s_.data();
    char c = d[pos_];
    if (c == '\0') {
        t.kind = TokenKind::Nul;
        t.end = ++pos_;
        return t;
    }
    if (c == '<') {
        t.kind = TokenKind::Tag;
        t.letter = pos_ + 1 < n ? d[pos_ + 1] : 0;
        t.end = pos_ = TagEnd(s_, pos_, &t.truncated);
        return t;
    }
    if (c == '&') {
        t.kind = TokenKind::Entity;
        std::size_t next = pos_ + 1;
        t.ch = DecodeEntity(s_, pos_, next);
        t.end = pos_ = next;
        return t;
    }
    // A run of plain bytes, eight at a time where possible.
    std::size_t i = pos_ + 1;
    const auto* u = reinterpret_cast<const unsigned char*>(d);
    while (i + 8 <= n) {
        if (kStops[u[i]] | kStops[u[i + 1]] | kStops[u[i + 2]] | kStops[u[i + 3]] | kStops[u[i + 4]] |
            kStops[u[i + 5]] | kStops[u[i + 6]] | kStops[u[i + 7]])
            break;
        i += 8;
    }
    while (i < n && !kStops[u[i]]) ++i;
    t.kind = TokenKind::Text;
    t.end = pos_ = i;
    return t;
}

// --- parameters ---------------------------------------------------------------

TParamCursor::Result TParamCursor::Number(char key, std::int32_t& out) {
    if (!AtKey(key)) return Result::Absent;
    std::size_t q = p_ + 1;
    std::size_t limit = q + 12 < end_ ? q + 12 : end_;
    std::size_t blank = q;
    while (blank < limit && s_[blank] != ' ' && s_[blank] != '>') ++blank;
    if (blank >= limit) return Result::Truncated;
    std::size_t i = q;
    bool neg = false;
    if (i < blank && s_[i] == '-') {
        neg = true;
        ++i;
    }
    if (i == blank) return Result::Malformed;
    std::int64_t v = 0;
    for (; i < blank; ++i) {
        char c = s_[i];
        if (c < '0' || c > '9') return Result::Malformed;
        v = v * 10 + (c - '0');
        if (v > std::int64_t(1) << 32) v = std::int64_t(1) << 32;  // saturate, keep going
    }
    if (neg) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max()) v = std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min()) v = std::numeric_limits<std::int32_t>::min();
    out = static_cast<std::int32_t>(v);
    p_ = s_[blank] == ' ' ? blank + 1 : blank;
    return Result::Ok;
}

TParamCursor::Result TParamCursor::Colour(char key, std::uint32_t& out) {
    if (!AtKey(key)) return Result::Absent;
    std::size_t q = p_ + 1;
    std::size_t limit = q + 12 < end_ ? q + 12 : end_;
    std::size_t blank = q;
    while (blank < limit && s_[blank] != ' ' && s_[blank] != '>') ++blank;
    if (blank >= limit) return Result::Truncated;
    std::uint32_t rgb[3] = {0, 0, 0};
    for (int k = 0; k < 6; ++k) {
        std::size_t i = q + static_cast<std::size_t>(k);
        int d = i < blank ? HexDigit(s_[i]) : 0;
        if (d < 0) d = 0;
        rgb[k / 2] = rgb[k / 2] * 16 + static_cast<std::uint32_t>(d);
    }
    out = rgb[0] | rgb[1] << 8 | rgb[2] << 16;
    p_ = s_[blank] == ' ' ? blank + 1 : blank;
    return Result::Ok;
}

TParamCursor::Result TParamCursor::FontName(char key, std::string& out) {
    if (!AtKey(key)) return Result::Absent;
    std::size_t q = p_ + 1;
    if (q >= end_ || s_[q] != '"') return Result::Malformed;
    std::size_t close = q + 1;
    while (close < end_ && s_[close] != '"') ++close;
    if (close >= end_) {
        out.clear();
        p_ = end_;
        return Result::Truncated;
    }
    out.assign(s_.data() + q + 1, close - q - 1);
    p_ = close + 1;
    if (p_ < end_ && s_[p_] == ' ') ++p_;
    return Result::Ok;
}

bool ParseHex(std::string_view s, std::size_t pos, int n, std::uint32_t& out) {
    if (pos + static_cast<std::size_t>(n) > s.size()) return false;
    std::uint32_t v = 0;
    for (int k = 0; k < n; ++k) {
        int d = HexDigit(s[pos + static_cast<std::size_t>(k)]);
        if (d < 0) return false;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

bool ParseRefTag(std::string_view s, const Token& t, std::uint32_t& key) {
    if (t.truncated || t.end - t.begin != 11 || t.letter != '$') return false;
    return ParseHex(s, t.begin + 2, 8, key);
}

std::vector<std::int32_t> ObjectRefs(std::string_view text) {
    std::vector<std::int32_t> out;
    ForEachObjectRef(text, [&](std::int32_t k) { out.push_back(k); });
    return out;
}

void AppendColourHex(std::string& out, std::uint32_t colour) {
    static const char kHex[] = "0123456789ABCDEF";
    char b[6];
    unsigned r = colour & 0xFF, g = (colour >> 8) & 0xFF, bl = (colour >> 16) & 0xFF;
    b[0] = kHex[r >> 4];
    b[1] = kHex[r & 15];
    b[2] = kHex[g >> 4];
    b[3] = kHex[g & 15];
    b[4] = kHex[bl >> 4];
    b[5] = kHex[bl & 15];
    out.append(b, 6);
}

}  // namespace markup
