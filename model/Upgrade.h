// Version-1 page text (an HTML-like markup of early files) converted once into
// the current markup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Fields.h"

namespace model {

class TNYXset;
class TNYXoggetto;

// Byte of a page record that holds its text's markup version (1 old, 2 current).
constexpr std::size_t kTextVersionOffset = pagerec::kMarkupVersion;

// Converts version-1 text. `textColour` and `linkColour` are the page's (0x00BBGGRR).
// With a hypertext, references are brought up to date: converted embedded
// files through the conversion map, pictures copied into new placed pictures,
// old form elements into new objects.
std::string UpgradeVersion1(std::string_view v1, std::uint32_t textColour, std::uint32_t linkColour,
                            model::TNYXset* set = nullptr);

// The one upgrade of a page whose text is still version 1 (byte 195 = 1): the
// text is converted with the hypertext that holds the page (pictures and
// click-zone pictures become placed pictures, converted embedded files get
// their new keys, a table gets all its cells) and the page is marked
// version 2. Every reader of page text goes through it before reading: the
// save, opening a page, the exports, the markup check. Returns true when it
// converted something; a page already in the current markup is left alone.
bool UpgradePageText(TNYXset& set, TNYXoggetto& page);

// Upgrades every page of the hypertext still in version 1; returns how many.
std::size_t UpgradeOldPages(TNYXset& set);

// The stored text of a page in the current markup (without its closing NUL;
// empty when it has none). A page of `set` still in the old markup is upgraded
// where the hypertext stores it first, so every reader (the exports, the text
// export, floating frames) sees the same pictures and cells.
std::string CurrentPageText(TNYXset& set, const TNYXoggetto& page);

}  // namespace model
