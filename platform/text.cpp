#include "platform/text.h"

#include <array>
#include <unordered_map>

namespace platform::text {

namespace {

constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

const std::unordered_map<char32_t, unsigned char>& HighReverse() {
    static const auto* table = [] {
        auto* m = new std::unordered_map<char32_t, unsigned char>();
        for (int i = 0; i < 32; ++i) (*m)[kHigh[i]] = static_cast<unsigned char>(0x80 + i);
        return m;
    }();
    return *table;
}

}  // namespace

char32_t ToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kHigh[c - 0x80];
    return c;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) AppendUtf8(out, ToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToCp1252(std::string_view s, std::size_t* unmapped) {
    std::string out;
    out.reserve(s.size());
    std::size_t bad = 0;
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        }
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms and surrogates are malformed.
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
                   (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF))
            ok = false;
        if (!ok) {
            out += '?';
            ++bad;
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0xA0 && cp <= 0xFF) {
            out += static_cast<char>(cp);
        } else {
            auto it = HighReverse().find(cp);
            if (it != HighReverse().end()) {
                out += static_cast<char>(it->second);
            } else {
                out += '?';
                ++bad;
            }
        }
    }
    if (unmapped) *unmapped = bad;
    return out;
}

char UpperChar(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char>(c - 32);
    switch (c) {
        case 0x9A: return static_cast<char>(0x8A);
        case 0x9C: return static_cast<char>(0x8C);
        case 0x9E: return static_cast<char>(0x8E);
        case 0xFF: return static_cast<char>(0x9F);
        default: return ch;
    }
}

char LowerChar(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char>(c + 32);
    switch (c) {
        case 0x8A: return static_cast<char>(0x9A);
        case 0x8C: return static_cast<char>(0x9C);
        case 0x8E: return static_cast<char>(0x9E);
        case 0x9F: return static_cast<char>(0xFF);
        default: return ch;
    }
}

std::string Upper(std::string_view bytes) {
    std::string s(bytes);
    for (char& c : s) c = UpperChar(c);
    return s;
}

std::string Lower(std::string_view bytes) {
    std::string s(bytes);
    for (char& c : s) c = LowerChar(c);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    return true;
}

}  // namespace platform::text
