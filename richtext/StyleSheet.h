// The style sheet of a hypertext: its paragraph-style objects (type 17) found
// by name, listed, named uniquely, created and imported.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace richtext {

// The first non-empty style with that name (case-insensitive), or nullptr.
model::TNYXoggetto* StyleByName(const model::TNYXset& set, std::string_view name);
std::vector<std::string> StyleNames(const model::TNYXset& set);
// The name itself when no style has it, else name + " " + n for the smallest
// n >= 1 that no style has (the name is cut so that the result fits 32 bytes).
std::string UniqueStyleName(const model::TNYXset& set, std::string_view name);
// "Nuovo stile " + n for the smallest n >= 0 not in use.
std::string NewStyleName(const model::TNYXset& set);

// Adds a new style (a copy of `model`, or the defaults) under a unique name.
model::TNYXoggetto* AddStyle(model::TNYXset& set, std::string_view name, const model::TNYXoggetto* model = nullptr);

// Imports a style from another hypertext: dropped (returning the existing one)
// when an identical style is there, else added under a unique name.
model::TNYXoggetto* ImportStyle(model::TNYXset& set, const model::TNYXoggetto& foreign);

// Stores an edited style record into a style of the hypertext. The snapshot
// "Modifica stile: " + name is taken first (through `snapshot`); a name that
// differs from the old one other than in letter case is made unique, else it
// is stored as typed (at most 32 characters). Without a style the error box
// "StileDaMod must not be undef" is shown and false returned.
bool ModifyStyle(model::TNYXset& set, model::TNYXoggetto* style, const model::TNYXoggetto& edited,
                 std::string_view newName, const std::function<void(const std::string& label)>& snapshot = {});

// How many paragraphs of the hypertext's pages (headers and footers
// included) name each style, by style slot. A paragraph whose style number
// is not a style of the hypertext counts for style 0, as it is shown.
std::map<std::int32_t, std::int64_t> StyleUsage(model::TNYXset& set);

// Removes a style from the hypertext. The two built-in styles (slots 0 and 1)
// cannot go: false. Paragraphs that named it are shown in style 0.
bool DeleteStyle(model::TNYXset& set, model::TNYXoggetto* style);

}  // namespace richtext
