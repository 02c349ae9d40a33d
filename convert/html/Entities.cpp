#include "convert/html/Entities.h"

#include <algorithm>
#include <iterator>

namespace convert::html {

namespace {

struct TNamed {
    const char* name;
    std::uint32_t a, b;
};

constexpr TNamed kNamed[] = {
#include "convert/html/EntityTable.inc"
};

constexpr std::size_t kLongestName = 32;

// Windows-1252 bytes 0x80..0x9F as Unicode (0 where the code page has none).
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool IsAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

const TNamed* Find(std::string_view name) {
    auto it = std::lower_bound(std::begin(kNamed), std::end(kNamed), name,
                               [](const TNamed& e, std::string_view n) { return std::string_view(e.name) < n; });
    if (it != std::end(kNamed) && std::string_view(it->name) == name) return &*it;
    return nullptr;
}

}  // namespace

std::size_t NamedReferenceCount() { return std::size(kNamed); }

bool ToCp1252(char32_t cp, unsigned char& out) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        out = static_cast<unsigned char>(cp);
        return true;
    }
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] && kHigh[i] == cp) {
            out = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    return false;
}

int DecodeCharRef(std::string_view s, std::size_t pos, bool inAttribute, char32_t cps[2], std::size_t& next) {
    next = pos + 1;
    const std::size_t n = s.size();
    std::size_t p = pos + 1;
    if (p >= n) return 0;
    if (s[p] == '#') {
        ++p;
        bool hex = false;
        if (p < n && (s[p] == 'x' || s[p] == 'X')) {
            hex = true;
            ++p;
        }
        const std::size_t digits = p;
        std::uint64_t v = 0;
        while (p < n) {
            const char c = s[p];
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else break;
            if (v <= 0x10FFFF) v = v * (hex ? 16 : 10) + static_cast<std::uint64_t>(d);
            ++p;
        }
        if (p == digits) return 0;  // "&#" without digits is text
        if (p < n && s[p] == ';') ++p;
        next = p;
        char32_t cp = static_cast<char32_t>(v);
        if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) cp = 0xFFFD;
        else if (v >= 0x80 && v <= 0x9F) cp = kHigh[v - 0x80] ? kHigh[v - 0x80] : static_cast<char32_t>(v);
        cps[0] = cp;
        return 1;
    }
    // The longest run of letters and digits that can be a name.
    std::size_t e = p;
    while (e < n && e - p < kLongestName && IsAlnum(s[e])) ++e;
    if (e == p) return 0;
    if (e < n && s[e] == ';') {
        if (const TNamed* t = Find(s.substr(p, e + 1 - p))) {
            next = e + 1;
            cps[0] = t->a;
            cps[1] = t->b;
            return t->b ? 2 : 1;
        }
    }
    // A legacy reference without ";": the longest prefix that is one.
    for (std::size_t len = e - p; len >= 2; --len) {
        const TNamed* t = Find(s.substr(p, len));
        if (!t) continue;
        const std::size_t after = p + len;
        if (inAttribute && after < n && (IsAlnum(s[after]) || s[after] == '=')) return 0;
        next = after;
        cps[0] = t->a;
        cps[1] = t->b;
        return t->b ? 2 : 1;
    }
    return 0;
}

}  // namespace convert::html
