// RTF on the clipboard: a copy in the editor also offers "text/rtf", a paste
// of "text/rtf" from another program comes in through ImportFragment.
#pragma once

namespace convert::rtf {

inline constexpr const char* kRtfMime = "text/rtf";
// Registers the RTF format with the rich-text box's clipboard (once is enough).
void RegisterRtfClipboard();

}  // namespace convert::rtf
