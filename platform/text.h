// Windows-1252, the single-byte code page of every text the model stores, and
// its conversion to and from UTF-8 at the edges (widgets, file names, terminal).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::text {

// Every byte has a character: the five bytes Windows-1252 leaves undefined map
// to the C1 control of the same value, so the conversion is lossless.
std::string Cp1252ToUtf8(std::string_view bytes);

// Characters outside Windows-1252 and malformed UTF-8 become "?"; `unmapped`
// (when given) receives how many.
std::string Utf8ToCp1252(std::string_view utf8, std::size_t* unmapped = nullptr);

// Case mapping of Windows-1252 letters (accented ones included).
char UpperChar(char c);
char LowerChar(char c);
std::string Upper(std::string_view bytes);
std::string Lower(std::string_view bytes);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Unicode code point of one Windows-1252 byte.
char32_t ToUnicode(unsigned char c);

}  // namespace platform::text
