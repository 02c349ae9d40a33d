// Small readers shared by the stored forms that are lines of text (the page
// order tree, property lists).
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace model::lines {

// A whole decimal number that fits 32 bits (a leading "+" allowed).
inline std::optional<std::int32_t> Number(std::string_view s) {
    std::int32_t v = 0;
    const char* b = s.data();
    const char* e = s.data() + s.size();
    if (b != e && *b == '+') ++b;
    if (b == e) return std::nullopt;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e) return std::nullopt;
    return v;
}

// Lines end at CR LF, or at a CR or LF alone; a last line without an end still counts.
inline std::vector<std::string_view> Lines(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t j = i;
        while (j < s.size() && s[j] != '\r' && s[j] != '\n') ++j;
        out.push_back(s.substr(i, j - i));
        if (j < s.size() && s[j] == '\r' && j + 1 < s.size() && s[j + 1] == '\n') ++j;
        i = j + 1;
    }
    return out;
}

}  // namespace model::lines
