// Finds the object references a stored text carries: "<$" + eight hexadecimal
// digits + ">". Anything else, including malformed or truncated tags, is skipped.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace model {

// Value of eight hexadecimal digits (either case) at s, or false.
bool ParseHex8(std::string_view s, std::uint32_t& out);

template <class F>
void ForEachTextRef(std::string_view text, F&& fn) {
    std::size_t i = 0;
    while ((i = text.find("<$", i)) != std::string_view::npos) {
        std::uint32_t v = 0;
        if (i + 11 <= text.size() && text[i + 10] == '>' && ParseHex8(text.substr(i + 2, 8), v)) {
            fn(static_cast<std::int32_t>(v));
            i += 11;
        } else {
            i += 2;
        }
    }
}

std::vector<std::int32_t> TextRefs(std::string_view text);

}  // namespace model
