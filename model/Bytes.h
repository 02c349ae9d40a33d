// Little-endian fields and length-prefixed short strings inside raw records.
// Reads and writes past the end of the block are ignored (reads give 0), so a
// bad offset can never touch memory outside the record.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace model::bytes {

inline std::uint8_t U8(const std::uint8_t* p, std::size_t n, std::size_t off) { return off < n ? p[off] : 0; }

inline std::int32_t I32(const std::uint8_t* p, std::size_t n, std::size_t off) {
    if (off + 4 > n) return 0;
    std::uint32_t v = std::uint32_t(p[off]) | std::uint32_t(p[off + 1]) << 8 | std::uint32_t(p[off + 2]) << 16 |
                      std::uint32_t(p[off + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

inline std::uint16_t U16(const std::uint8_t* p, std::size_t n, std::size_t off) {
    if (off + 2 > n) return 0;
    return static_cast<std::uint16_t>(p[off] | p[off + 1] << 8);
}

inline void SetU8(std::uint8_t* p, std::size_t n, std::size_t off, std::uint8_t v) {
    if (off < n) p[off] = v;
}

inline void SetI32(std::uint8_t* p, std::size_t n, std::size_t off, std::int32_t v) {
    if (off + 4 > n) return;
    std::uint32_t u = static_cast<std::uint32_t>(v);
    p[off] = u & 0xFF;
    p[off + 1] = (u >> 8) & 0xFF;
    p[off + 2] = (u >> 16) & 0xFF;
    p[off + 3] = (u >> 24) & 0xFF;
}

inline void SetU16(std::uint8_t* p, std::size_t n, std::size_t off, std::uint16_t v) {
    if (off + 2 > n) return;
    p[off] = v & 0xFF;
    p[off + 1] = (v >> 8) & 0xFF;
}

// A short string of capacity cap: a length byte then the text. A length above
// the capacity is a field that was never written (records start as all 0xFF
// bytes): it reads as empty.
inline std::string Str(const std::uint8_t* p, std::size_t n, std::size_t off, std::size_t cap) {
    if (off >= n) return {};
    std::size_t len = p[off];
    if (len > cap) return {};
    if (off + 1 + len > n) len = off + 1 < n ? n - off - 1 : 0;
    return std::string(reinterpret_cast<const char*>(p + off + 1), len);
}

// Writes at most cap characters and clears the rest of the field, so that a
// record's bytes depend only on its values.
inline void SetStr(std::uint8_t* p, std::size_t n, std::size_t off, std::size_t cap, std::string_view s) {
    if (off + 1 + cap > n) return;
    std::size_t len = s.size() < cap ? s.size() : cap;
    p[off] = static_cast<std::uint8_t>(len);
    if (len) std::memcpy(p + off + 1, s.data(), len);
    std::memset(p + off + 1 + len, 0, cap - len);
}

// Little-endian appenders for building byte strings.
inline void PutI32(std::string& out, std::int32_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(v);
    char b[4] = {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char((u >> 24) & 0xFF)};
    out.append(b, 4);
}

inline std::int32_t GetI32(std::string_view s, std::size_t off) {
    return I32(reinterpret_cast<const std::uint8_t*>(s.data()), s.size(), off);
}

}  // namespace model::bytes
