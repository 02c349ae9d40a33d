// The fixed word tables, number texts and escapes that every part of the HTML
// writer shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace model {
class TNYXoggetto;
}

namespace convert::html {

inline constexpr const char* kGenerator = "Quor 3.0";

std::string Lower(std::string s);
std::string Upper(std::string s);
// The extension of a file name, dot included ("" when it has none).
std::string FileExt(const std::string& name);
inline std::string Str(int v) { return std::to_string(v); }

bool Exists(const model::TNYXoggetto* o);

// "left", "right", "center", "justify".
std::string AlignWord(int a);
// "LEFT", "RIGHT", "CENTER", "TOP", "MIDDLE", "BOTTOM".
std::string PictureAlignWord(int a);
// "TOP", "MIDDLE", "BOTTOM".
const char* CellAlignWord(int a);
// "_top ", "_self ", "_parent ", "_blank ".
const char* TargetWord(int a);

// A length in screen pixels in a unit (0 cm ... 5 px), rounded, with the unit's name.
std::string LengthText(std::int32_t pixels, int unit);
// The HTML font size ("-2" ... "+4") of a size in points.
std::string HtmlSize(std::int32_t size);
// A comment text that cannot end the comment early.
std::string CommentSafe(std::string s);
// A script string inside an attribute: backslash and apostrophe escaped.
std::string ScriptString(std::string_view s);

}  // namespace convert::html
