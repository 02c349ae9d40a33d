// Word-processor conversions through LibreOffice: "soffice --headless
// --convert-to", started from an argument list (never a shell), with a
// private profile folder and a time limit. The DOC formats of the export and
// import dialogs are offered only when it is installed.
#pragma once

#include <filesystem>
#include <string>

namespace convert::rtf {

// The soffice program on the PATH ("" when there is none).
std::filesystem::path SofficeProgram();
inline bool SofficeAvailable() { return !SofficeProgram().empty(); }

// Converts `input` into `outDir` with the filter (as "doc:MS Word 97" or
// "rtf"); the file made, or "" with the reason in `error`.
std::filesystem::path SofficeConvert(const std::filesystem::path& input, const std::filesystem::path& outDir,
                                     const std::string& filter, const std::string& extension, int timeoutSeconds = 120,
                                     std::string* error = nullptr);

}  // namespace convert::rtf
