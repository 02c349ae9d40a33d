// Small helpers shared by the nyx subcommands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace model {
class TNYXset;
}

namespace nyx {

// Takes the program options that matter to the model (backups, picture cache,
// undo depth) from the user's options file.
void ApplyProgramOptions(model::TNYXset& set);

// Saves the hypertext and prints its errors and warnings. A save that could
// not read some content (its streams would be written empty) replaces the
// file only when `allowLoss` is set; otherwise the file and its ".bak" stay
// as they were. True when the file was written with everything in it (or,
// with `allowLoss`, written at all).
bool SaveReporting(model::TNYXset& set, const std::string& file, bool allowLoss = false);

// Reads every page's stored text as the editor would and prints one line per
// problem; returns how many pages have problems.
std::size_t ReportMarkupProblems(model::TNYXset& set, std::size_t* pages = nullptr);

// JSON string literal of UTF-8 text.
std::string JsonString(std::string_view utf8);
// Model bytes (Windows-1252) for the terminal.
std::string Out(std::string_view cp1252);
// A whole decimal number, or nothing.
std::optional<std::int64_t> ParseInt(std::string_view s);
// Type code from a name of the enumeration, "page", or a number; -1 if unknown.
int ParseType(std::string_view s);
// An object as "TYPE:SLOT" (TYPE read by `typeOf`, ParseType by default) or
// as its eight-digit hexadecimal reference; false when it is neither.
bool ParseObject(const std::string& s, std::int32_t& ref, int (*typeOf)(std::string_view) = ParseType);

}  // namespace nyx
