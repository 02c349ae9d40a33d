#include "convert/html/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "convert/html/Entities.h"
#include "platform/text.h"

namespace convert::html {

namespace {

constexpr std::size_t kSniff = 4096;

char Low(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view s) {
    std::string o(s);
    for (char& c : o) c = Low(c);
    return o;
}

bool IsTokenChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
}

// The token after "charset" / "encoding" + optional blanks, "=", quotes.
std::string ValueAfter(const std::string& low, std::size_t at) {
    std::size_t p = at;
    while (p < low.size() && (low[p] == ' ' || low[p] == '\t' || low[p] == '\r' || low[p] == '\n')) ++p;
    if (p >= low.size() || low[p] != '=') return {};
    ++p;
    while (p < low.size() && (low[p] == ' ' || low[p] == '"' || low[p] == '\'')) ++p;
    std::size_t e = p;
    while (e < low.size() && IsTokenChar(low[e])) ++e;
    return low.substr(p, e - p);
}

enum class Kind { Utf8, Cp1252, Utf16LE, Utf16BE, Other };

Kind KindOf(const std::string& label) {
    if (label == "utf-8" || label == "utf8" || label == "unicode-1-1-utf-8") return Kind::Utf8;
    static const char* const k1252[] = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1",
                                        "latin1", "l1", "us-ascii", "ascii", "ansi_x3.4-1968", "cp819", "ibm819",
                                        "iso-ir-100", "csisolatin1", "iso_8859-1:1987"};
    for (const char* k : k1252)
        if (label == k) return Kind::Cp1252;
    if (label == "utf-16le") return Kind::Utf16LE;
    if (label == "utf-16be") return Kind::Utf16BE;
    if (label == "utf-16") return Kind::Utf16LE;
    return Kind::Other;
}

void Put(std::string& out, char32_t cp, std::size_t& unmapped) {
    unsigned char b = 0;
    if (ToCp1252(cp, b)) {
        out += static_cast<char>(b);
    } else {
        out += '?';
        ++unmapped;
    }
}

void FromUtf16(std::string_view s, bool le, TDecodedText& d) {
    d.text.reserve(s.size() / 2);
    const std::size_t n = s.size() / 2;
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(s[2 * i]), b = static_cast<unsigned char>(s[2 * i + 1]);
        return le ? static_cast<char32_t>(a | (b << 8)) : static_cast<char32_t>((a << 8) | b);
    };
    for (std::size_t i = 0; i < n; ++i) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            const char32_t v = unit(i + 1);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                ++i;
                Put(d.text, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00), d.unmapped);
                continue;
            }
        }
        Put(d.text, u, d.unmapped);
    }
    if (s.size() % 2) {
        d.text += '?';
        ++d.unmapped;
    }
}

// Through iconv to UTF-8; false when iconv does not know the charset.
bool FromOther(std::string_view s, const std::string& label, TDecodedText& d) {
    iconv_t cd = iconv_open("UTF-8", label.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string utf8;
    utf8.resize(s.size() * 4 + 16);
    char* in = const_cast<char*>(s.data());
    std::size_t inLeft = s.size();
    char* out = utf8.data();
    std::size_t outLeft = utf8.size();
    std::size_t bad = 0;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) break;  // cannot happen with 4 bytes out per byte in
        // An invalid or incomplete sequence: one "?" and go on.
        ++in;
        --inLeft;
        ++bad;
        if (outLeft == 0) break;
        *out++ = '?';
        --outLeft;
    }
    iconv_close(cd);
    utf8.resize(utf8.size() - outLeft);
    d.text = platform::text::Utf8ToCp1252(utf8, &d.unmapped);
    d.unmapped += bad;
    return true;
}

// UTF-16 without a BOM: most of one byte lane is zero and the other is not.
int Utf16Lane(std::string_view s) {
    const std::size_t n = std::min(s.size(), kSniff) & ~static_cast<std::size_t>(1);
    if (n < 8) return 0;
    std::size_t zeroEven = 0, zeroOdd = 0;
    for (std::size_t i = 0; i < n; i += 2) {
        zeroEven += s[i] == 0;
        zeroOdd += s[i + 1] == 0;
    }
    const std::size_t half = n / 2;
    if (zeroOdd * 10 >= half * 7 && zeroEven * 10 <= half) return 1;  // little-endian
    if (zeroEven * 10 >= half * 7 && zeroOdd * 10 <= half) return 2;  // big-endian
    return 0;
}

void Cp1252Copy(std::string_view s, TDecodedText& d) {
    d.text.assign(s);
    d.encoding = "windows-1252";
}

void Utf8(std::string_view s, TDecodedText& d) {
    d.text = platform::text::Utf8ToCp1252(s, &d.unmapped);
    d.encoding = "utf-8";
}

// BOM and UTF-16 lanes; true when they decided.
bool ByBom(std::string_view bytes, TDecodedText& d) {
    if (bytes.size() >= 3 && std::memcmp(bytes.data(), "\xEF\xBB\xBF", 3) == 0) {
        Utf8(bytes.substr(3), d);
        return true;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        FromUtf16(bytes.substr(2), true, d);
        d.encoding = "utf-16le";
        return true;
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
        FromUtf16(bytes.substr(2), false, d);
        d.encoding = "utf-16be";
        return true;
    }
    if (const int lane = Utf16Lane(bytes)) {
        FromUtf16(bytes, lane == 1, d);
        d.encoding = lane == 1 ? "utf-16le" : "utf-16be";
        return true;
    }
    return false;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ull) break;
            i += 8;
        }
        if (i >= n) break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        char32_t min;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) len = 2, min = 0x80, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) len = 3, min = 0x800, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) len = 4, min = 0x10000, cp = c & 0x07;
        else return false;
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

std::string DeclaredCharset(std::string_view bytes) {
    const std::string low = LowerAscii(bytes.substr(0, kSniff));
    // An XML declaration at the very start.
    if (low.compare(0, 5, "<?xml") == 0) {
        const std::size_t end = low.find("?>");
        const std::size_t at = low.find("encoding", 5);
        if (at != std::string::npos && (end == std::string::npos || at < end)) {
            std::string v = ValueAfter(low, at + 8);
            if (!v.empty()) return v;
        }
    }
    for (std::size_t p = low.find("<meta"); p != std::string::npos; p = low.find("<meta", p + 5)) {
        const std::size_t end = low.find('>', p);
        const std::string tag = low.substr(p, end == std::string::npos ? std::string::npos : end - p);
        for (std::size_t at = tag.find("charset"); at != std::string::npos; at = tag.find("charset", at + 7)) {
            std::string v = ValueAfter(tag, at + 7);
            if (!v.empty()) return v;
        }
    }
    return {};
}

TDecodedText DecodeHtmlBytes(std::string_view bytes) {
    TDecodedText d;
    if (ByBom(bytes, d)) return d;
    const std::string label = DeclaredCharset(bytes);
    if (!label.empty()) {
        Kind k = KindOf(label);
        // A document whose declaration can be read as ASCII is not UTF-16.
        if (k == Kind::Utf16LE || k == Kind::Utf16BE) k = Kind::Utf8;
        d.declared = true;
        switch (k) {
            case Kind::Utf8: Utf8(bytes, d); return d;
            case Kind::Cp1252: Cp1252Copy(bytes, d); return d;
            case Kind::Other:
                if (FromOther(bytes, label, d)) {
                    d.encoding = label;
                    return d;
                }
                d.declared = false;  // unknown to iconv: guess as for undeclared files
                break;
            default: break;
        }
    }
    if (IsValidUtf8(bytes)) Utf8(bytes, d);
    else Cp1252Copy(bytes, d);
    return d;
}

TDecodedText DecodeTextBytes(std::string_view bytes) {
    TDecodedText d;
    if (ByBom(bytes, d)) return d;
    if (IsValidUtf8(bytes)) Utf8(bytes, d);
    else Cp1252Copy(bytes, d);
    return d;
}

}  // namespace convert::html
