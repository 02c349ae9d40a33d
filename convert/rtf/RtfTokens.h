// The tokens of an RTF text: group braces, control words with their
// parameter, control symbols, "\'hh" bytes, "\binN" data and runs of text.
// The scanner never reads past its data: "\bin" data is cut at the end of
// the text, a parameter saturates at ten digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace convert::rtf {

enum class TRtfTok : std::uint8_t { Open, Close, Word, Symbol, Hex, Bin, Text, End };

struct TRtfToken {
    TRtfTok kind = TRtfTok::End;
    std::string_view word;   // Word: the letters; Text: the run; Bin: the data
    bool hasParam = false;
    std::int32_t param = 0;
    char symbol = 0;         // Symbol: the character after "\"
    std::uint8_t byte = 0;   // Hex: the byte
    std::size_t pos = 0;     // where the token begins
};

class TRtfScanner {
public:
    explicit TRtfScanner(std::string_view s, std::size_t pos = 0) : s_(s), p_(pos) {}
    TRtfToken Next();
    std::size_t Pos() const { return p_; }
    std::string_view Data() const { return s_; }
    // Skips to just past the "}" that closes the group whose "{" was read
    // last (or to the end); "\bin" data inside is skipped whole.
    void SkipGroup();

private:
    std::string_view s_;
    std::size_t p_;
};

// A 256-entry table from the bytes of a Windows code page to Windows-1252
// ("?" where a character has no Windows-1252 form; 0 for a byte that has no
// character of its own, as the lead bytes of double-byte code pages).
const std::string& CodePageTable(int codePage);
// The code page of an RTF character set number (0 when it is unknown).
int CharsetCodePage(int charset);
// The Windows-1252 byte of a Unicode character ('?' when there is none).
char UnicodeTo1252(std::uint32_t u);

}  // namespace convert::rtf
