#include "model/RefScan.h"

namespace model {

bool ParseHex8(std::string_view s, std::uint32_t& out) {
    if (s.size() != 8) return false;
    std::uint32_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return false;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

std::vector<std::int32_t> TextRefs(std::string_view text) {
    std::vector<std::int32_t> refs;
    ForEachTextRef(text, [&](std::int32_t r) { refs.push_back(r); });
    return refs;
}

}  // namespace model
