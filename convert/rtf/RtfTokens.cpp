// The RTF scanner and the code page tables that bring foreign bytes to
// Windows-1252.
#include "convert/rtf/RtfTokens.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>

#include "platform/text.h"

namespace convert::rtf {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

TRtfToken TRtfScanner::Next() {
    TRtfToken t;
    const std::size_t n = s_.size();
    // Line ends in RTF carry nothing.
    while (p_ < n && (s_[p_] == '\r' || s_[p_] == '\n')) ++p_;
    t.pos = p_;
    if (p_ >= n) return t;
    const char c = s_[p_];
    if (c == '{') {
        ++p_;
        t.kind = TRtfTok::Open;
        return t;
    }
    if (c == '}') {
        ++p_;
        t.kind = TRtfTok::Close;
        return t;
    }
    if (c != '\\') {
        std::size_t e = p_;
        while (e < n && s_[e] != '\\' && s_[e] != '{' && s_[e] != '}' && s_[e] != '\r' && s_[e] != '\n') ++e;
        t.kind = TRtfTok::Text;
        t.word = s_.substr(p_, e - p_);
        p_ = e;
        return t;
    }
    ++p_;
    if (p_ >= n) {
        t.kind = TRtfTok::End;
        return t;
    }
    const char d = s_[p_];
    if (IsLetter(d)) {
        std::size_t e = p_;
        while (e < n && IsLetter(s_[e]) && e - p_ < 32) ++e;
        t.kind = TRtfTok::Word;
        t.word = s_.substr(p_, e - p_);
        p_ = e;
        bool neg = false;
        if (p_ + 1 < n && s_[p_] == '-' && IsDigit(s_[p_ + 1])) {
            neg = true;
            ++p_;
        }
        if (p_ < n && IsDigit(s_[p_])) {
            std::int64_t v = 0;
            int digits = 0;
            while (p_ < n && IsDigit(s_[p_])) {
                if (digits++ < 10) v = v * 10 + (s_[p_] - '0');
                ++p_;
            }
            if (v > 2147483647) v = 2147483647;
            t.hasParam = true;
            t.param = static_cast<std::int32_t>(neg ? -v : v);
        }
        if (p_ < n && s_[p_] == ' ') ++p_;
        if (t.word == "bin") {
            // Binary data: exactly N bytes, never past the end of the text.
            const std::size_t len = t.hasParam && t.param > 0 ? static_cast<std::size_t>(t.param) : 0;
            const std::size_t take = std::min(len, n - p_);
            t.kind = TRtfTok::Bin;
            t.word = s_.substr(p_, take);
            p_ += take;
        }
        return t;
    }
    if (d == '\'') {
        ++p_;
        const int h1 = p_ < n ? HexValue(s_[p_]) : -1;
        const int h2 = p_ + 1 < n ? HexValue(s_[p_ + 1]) : -1;
        if (h1 < 0 || h2 < 0) {
            // A broken escape carries no byte.
            if (h1 >= 0) ++p_;
            t.kind = TRtfTok::Symbol;
            t.symbol = '\'';
            return t;
        }
        p_ += 2;
        t.kind = TRtfTok::Hex;
        t.byte = static_cast<std::uint8_t>(h1 * 16 + h2);
        return t;
    }
    ++p_;
    t.kind = TRtfTok::Symbol;
    t.symbol = (d == '\r' || d == '\n') ? 'n' : d;  // "\" + line end is a paragraph
    return t;
}

void TRtfScanner::SkipGroup() {
    int depth = 1;
    const std::size_t n = s_.size();
    while (p_ < n && depth > 0) {
        const char c = s_[p_];
        if (c == '{') {
            ++depth;
            ++p_;
        } else if (c == '}') {
            --depth;
            ++p_;
        } else if (c == '\\') {
            if (p_ + 4 < n && s_.compare(p_ + 1, 3, "bin") == 0 && (IsDigit(s_[p_ + 4]) || s_[p_ + 4] == '-')) {
                TRtfToken t = Next();  // takes the data with it
                (void)t;
            } else {
                p_ += 2;
            }
        } else {
            const std::size_t e = s_.find_first_of("{}\\", p_);
            p_ = e == std::string_view::npos ? n : e;
        }
    }
    if (p_ > n) p_ = n;
}

char UnicodeTo1252(std::uint32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (int c = 0x80; c < 0xA0; ++c)
        if (platform::text::ToUnicode(static_cast<unsigned char>(c)) == u) return static_cast<char>(c);
    return '?';
}

int CharsetCodePage(int charset) {
    switch (charset) {
        case 0: return 1252;
        case 77: return 10000;
        case 128: return 932;
        case 129: return 949;
        case 134: return 936;
        case 136: return 950;
        case 161: return 1253;
        case 162: return 1254;
        case 163: return 1258;
        case 177: return 1255;
        case 178: return 1256;
        case 186: return 1257;
        case 204: return 1251;
        case 222: return 874;
        case 238: return 1250;
        default: return 0;
    }
}

const std::string& CodePageTable(int codePage) {
    static std::mutex m;
    static std::map<int, std::string> tables;
    std::lock_guard<std::mutex> lock(m);
    if (auto it = tables.find(codePage); it != tables.end()) return it->second;
    std::string t(256, '?');
    for (int i = 0; i < 128; ++i) t[static_cast<std::size_t>(i)] = static_cast<char>(i);
    if (codePage == 1252 || codePage <= 0) {
        for (int i = 128; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<char>(i);
    } else {
        const std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
        iconv_t cd = iconv_open("UTF-32LE", name.c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            for (int i = 128; i < 256; ++i) {
                char in = static_cast<char>(i);
                char outBuf[8];
                char* ip = &in;
                char* op = outBuf;
                std::size_t il = 1, ol = sizeof outBuf;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || ol != 4) {
                    // A lead byte of a double-byte code page, or no character.
                    t[static_cast<std::size_t>(i)] = (errno == EINVAL) ? '\0' : '?';
                    continue;
                }
                const auto* u = reinterpret_cast<const unsigned char*>(outBuf);
                t[static_cast<std::size_t>(i)] = UnicodeTo1252(u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24));
            }
            iconv_close(cd);
        }
    }
    return tables.emplace(codePage, std::move(t)).first->second;
}

}  // namespace convert::rtf
