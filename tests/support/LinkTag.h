// The markup tag that places an object (a link, a picture, a button) in a
// page's text: "<$" and the object's reference as eight hex digits, ">";
// a link's text follows its tag and ends at "<%>".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/NYXoggetto.h"

namespace testsupport {

// An object's reference as the markup writes it: eight hex digits.
inline std::string Hex8(std::int32_t ref) {
    char b[16];
    std::snprintf(b, sizeof b, "%08X", static_cast<unsigned>(ref));
    return b;
}

inline std::string Tag(std::int32_t ref) { return "<$" + Hex8(ref) + ">"; }

inline std::string Tag(const model::TNYXoggetto& o) { return Tag(o.Reference()); }

// `text` as a link to the object `ref`.
inline std::string LinkTo(std::int32_t ref, const std::string& text) { return Tag(ref) + text + "<%>"; }

}  // namespace testsupport
