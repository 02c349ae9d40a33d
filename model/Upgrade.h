// Version-1 page text (an HTML-like markup of early files) converted once into
// the current markup.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace model {

class TNYXset;
class TNYXtesto;

// Byte of a page record that holds its text's markup version (1 old, 2 current).
constexpr std::size_t kTextVersionOffset = 195;

// Converts version-1 text. `textColour` and `linkColour` are the page's (0x00BBGGRR).
// With a hypertext, references are brought up to date: converted embedded
// files through the conversion map, pictures copied into new placed pictures,
// old form elements into new objects.
std::string UpgradeVersion1(std::string_view v1, std::uint32_t textColour, std::uint32_t linkColour,
                            model::TNYXset* set = nullptr);

// Upgrades a page whose text is still version 1 and marks it version 2.
// Returns true when it converted something.
bool UpgradePageText(model::TNYXtesto& page, model::TNYXset* set);

}  // namespace model
