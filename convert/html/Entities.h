// HTML character references: the full HTML5 table of named references and
// the numeric forms, decoded to Unicode and mapped onto Windows-1252, the
// code page of every stored text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace convert::html {

// Decodes the character reference that starts with "&" at s[pos]. Returns
// how many code points it gives (1 or 2; named references such as
// "&NotEqualTilde;" give two) and sets `next` past what it consumed; returns
// 0 when there is no reference there (the "&" is then a plain character).
// Numeric references follow HTML5: "&#" or "&#x" + digits and an optional
// ";", 0, surrogates and values past U+10FFFF give U+FFFD, 0x80..0x9F are
// read as Windows-1252. A legacy name without ";" ("&copy") is decoded in
// text; inside an attribute value it is not when a letter, digit or "="
// follows (so "?a=1&copy=2" stays as written).
int DecodeCharRef(std::string_view s, std::size_t pos, bool inAttribute, char32_t cps[2], std::size_t& next);

// The Windows-1252 byte of a code point; false when it has none.
bool ToCp1252(char32_t cp, unsigned char& out);

// How many named references the table holds (with and without ";").
std::size_t NamedReferenceCount();

}  // namespace convert::html
