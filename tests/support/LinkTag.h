// The markup tag that places an object (a link, a picture, a button) in a
// page's text: "<$" and the object's reference as eight hex digits, ">".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/NYXoggetto.h"

namespace testsupport {

inline std::string Tag(std::int32_t ref) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(ref));
    return b;
}

inline std::string Tag(const model::TNYXoggetto& o) { return Tag(o.Reference()); }

}  // namespace testsupport
