// Outside text into Windows-1252, the code page of every stored text: the
// byte order mark first, then (for HTML) the charset the file declares, then
// UTF-8 when the bytes are valid UTF-8, else Windows-1252. Characters with no
// Windows-1252 form become "?" and are counted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace convert::html {

struct TDecodedText {
    std::string text;           // Windows-1252 bytes
    std::size_t unmapped = 0;   // characters that became "?"
    std::string encoding;       // "utf-8", "windows-1252", "utf-16le", ... as used
    bool declared = false;      // the encoding came from the file's own declaration
};

// HTML: BOM, the charset of a META tag or of an XML declaration in the first
// 4 KB, valid UTF-8, else Windows-1252. UTF-16 without a BOM is recognised
// by its zero bytes. A NUL in the decoded text stays a NUL: the importer
// drops it like any control byte.
TDecodedText DecodeHtmlBytes(std::string_view bytes);

// Plain text: BOM, UTF-16 by its zero bytes, valid UTF-8, else Windows-1252.
TDecodedText DecodeTextBytes(std::string_view bytes);

// The charset a document declares in its first 4 KB ("" when none), lower case.
std::string DeclaredCharset(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

}  // namespace convert::html
