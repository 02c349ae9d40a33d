// The one scanner of the text markup: splits a stored text into runs of plain
// characters, entities and tags, reads tag parameters and decodes entities.
// It never measures anything and never allocates, so the exporters, printing,
// search and the page code can all walk markup with it.
//
// Bounds: a tag runs from "<" to the next ">"; when another "<" (or the end of
// the data, or a NUL byte) comes first the tag is truncated and ends just
// before it, so a damaged tag never swallows the text that follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace markup {

enum class TokenKind : std::uint8_t {
    Text,    // a run of plain bytes (control bytes included; consumers drop them)
    Entity,  // one "&..." sequence; `ch` is the decoded character
    Tag,     // "<" ... ">" (or a truncated tag)
    Nul,     // the NUL byte that ends a stored text
    End,     // end of the data
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::size_t begin = 0;  // first byte
    std::size_t end = 0;    // one past the last byte
    char letter = 0;        // Tag: the byte after "<" (0 when there is none)
    bool truncated = false; // Tag: no closing ">" before the next "<" or the end
    int ch = 0;             // Entity: decoded character code (0..255)
};

// Decodes the entity that starts with "&" at s[pos]; returns the character code
// (0..255) and sets `next` to the first byte after what it consumed.
//  "&quot;" "&amp;" "&lt;" "&gt;" (and upper case), ISO 8859-1 names for
//  160..255 ("&hibar;" = 175), "&#" + up to 3 digits (+ ";") modulo 256 ("A"
//  when no digit follows), "&&" = "&"; an unknown name gives a blank and
//  consumes only the "&".
int DecodeEntity(std::string_view s, std::size_t pos, std::size_t& next);

// Name of the entity used for characters 160..255 (without "&" and ";").
std::string_view EntityName(int code);

// Where the tag starting with "<" at s[pos] ends (one past ">", or the
// truncation point); `truncated` tells which.
std::size_t TagEnd(std::string_view s, std::size_t pos, bool* truncated = nullptr);

class TMarkupLexer {
public:
    explicit TMarkupLexer(std::string_view s, std::size_t pos = 0) : s_(s), pos_(pos < s.size() ? pos : s.size()) {}

    Token Next();
    std::size_t Pos() const { return pos_; }
    void Seek(std::size_t pos) { pos_ = pos < s_.size() ? pos : s_.size(); }
    std::string_view Data() const { return s_; }

private:
    std::string_view s_;
    std::size_t pos_;
};

// Parameters of a "<Z" or "<Y" tag: `key value blank`, read positionally.
// The cursor never leaves [begin, end) of its tag.
class TParamCursor {
public:
    enum class Result : std::uint8_t { Absent, Ok, Truncated, Malformed };

    TParamCursor(std::string_view s, std::size_t begin, std::size_t end) : s_(s), p_(begin), end_(end) {}

    bool AtKey(char key) const { return p_ < end_ && s_[p_] == key; }
    // Decimal number (optionally negative) after `key`, ended by a blank (or the
    // tag end) within 12 characters; saturates at the 32-bit range.
    Result Number(char key, std::int32_t& out);
    // Six hexadecimal digits red, green, blue (either case; other bytes read
    // as 0) then a blank; out is 0x00BBGGRR.
    Result Colour(char key, std::uint32_t& out);
    // F"name" + blank. Truncated when the closing quote is missing (name empty).
    Result FontName(char key, std::string& out);
    std::size_t Pos() const { return p_; }

private:
    std::string_view s_;
    std::size_t p_;
    std::size_t end_;
};

// Value of exactly `n` hexadecimal digits (either case) at s[pos], or false.
bool ParseHex(std::string_view s, std::size_t pos, int n, std::uint32_t& out);

// A "<$" tag: 8 hex digits then ">". Fills the 32-bit key; false when malformed.
bool ParseRefTag(std::string_view s, const Token& t, std::uint32_t& key);

// Calls fn(int32 key) for every well-formed "<$" + 8 hex + ">" tag of a text
// (links and objects alike), in order, up to the NUL byte.
template <class F>
void ForEachObjectRef(std::string_view text, F&& fn) {
    TMarkupLexer lx(text);
    for (;;) {
        Token t = lx.Next();
        if (t.kind == TokenKind::End || t.kind == TokenKind::Nul) return;
        if (t.kind == TokenKind::Tag && t.letter == '$') {
            std::uint32_t key = 0;
            if (ParseRefTag(text, t, key)) fn(static_cast<std::int32_t>(key));
        }
    }
}

// The keys of ForEachObjectRef as a list.
std::vector<std::int32_t> ObjectRefs(std::string_view text);

// Copies a text with every well-formed "<$" + 8 hex + ">" tag before the NUL
// byte rewritten: fn(key, position of the tag in the output) gives the new key,
// or a negative value to drop the tag. Everything else is copied unchanged.
template <class F>
std::string RewriteObjectRefs(std::string_view text, F&& fn) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 16);
    TMarkupLexer lx(text);
    std::size_t copied = 0;
    for (;;) {
        Token t = lx.Next();
        if (t.kind == TokenKind::End || t.kind == TokenKind::Nul) break;
        if (t.kind != TokenKind::Tag || t.letter != '$') continue;
        std::uint32_t key = 0;
        if (!ParseRefTag(text, t, key)) continue;
        out.append(text.substr(copied, t.begin - copied));
        copied = t.end;
        const std::int64_t next = fn(static_cast<std::int32_t>(key), out.size());
        if (next < 0) continue;
        out += "<$";
        for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(static_cast<std::uint32_t>(next) >> shift) & 0xF];
        out += '>';
    }
    out.append(text.substr(copied));
    return out;
}

// Markup escape of one text character ("&amp;", "&lt;", "&gt;" or itself).
inline void AppendEscaped(std::string& out, char c) {
    switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c; break;
    }
}

// Colour 0x00BBGGRR as six upper-case hex digits red, green, blue.
void AppendColourHex(std::string& out, std::uint32_t colour);

}  // namespace markup
