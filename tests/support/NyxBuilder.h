// Builds native files byte by byte for tests, independently of the production
// writer: any header value, directory entry, record size or stream position can
// be set, including wrong ones.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

class Record {
public:
    explicit Record(std::size_t size, std::uint8_t fill = 0) : bytes_(size, static_cast<char>(fill)) {}
    Record& U8(std::size_t off, std::uint8_t v) {
        if (off < bytes_.size()) bytes_[off] = static_cast<char>(v);
        return *this;
    }
    Record& I16(std::size_t off, std::int32_t v) { return U8(off, v & 0xFF).U8(off + 1, (v >> 8) & 0xFF); }
    Record& I32(std::size_t off, std::int64_t v) {
        std::uint32_t u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) U8(off + i, (u >> (8 * i)) & 0xFF);
        return *this;
    }
    Record& Str(std::size_t off, const std::string& s) {
        U8(off, static_cast<std::uint8_t>(s.size()));
        for (std::size_t i = 0; i < s.size(); ++i) U8(off + 1 + i, static_cast<std::uint8_t>(s[i]));
        return *this;
    }
    Record& Zero(std::size_t off, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) U8(off + i, 0);
        return *this;
    }
    const std::string& bytes() const { return bytes_; }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
};

// A record plus the streams the builder places in the blob area (in type,
// then slot order, first stream before second, as a writer lays them out).
struct Entry {
    explicit Entry(Record r) : rec(std::move(r)) {}
    Record rec;
    int firstPos = -1, firstSize = -1;  // field offsets, -1: no stream to place
    std::string first;
    int secondPos = -1, secondSize = -1;
    std::string second;
    bool firstSize16 = false;
};

class NyxBuilder {
public:
    NyxBuilder();
    Record& header() { return header_; }
    int K = 25;
    // Directory overrides for hostile files.
    std::map<int, std::int64_t> sizeOverride, countOverride, offsetOverride;
    std::int64_t blobOffsetOverride = -1;
    std::vector<int> recordSize;  // per type code 0..26, for types without entries (else the entries' size)
    std::vector<std::vector<Entry>> types;

    // Adds a record of `size` bytes (default: this version's size) of type t.
    Entry& Add(int t, std::size_t size = 0, std::uint8_t fill = 0);
    std::string Build() const;
    void Write(const std::filesystem::path& p) const;

    static void Standard(Entry& e, int type);  // sets stream field offsets of the type

private:
    Record header_;
};

// Stock records.
Entry& AddPage(NyxBuilder& b, const std::string& title, const std::string& text, const std::string& second = "");
Entry& AddPicture(NyxBuilder& b, const std::string& name, const std::string& bytes);
Entry& AddFileObj(NyxBuilder& b, const std::string& name, const std::string& bytes);
void AddDefaultStyles(NyxBuilder& b);

std::string ReadFile(const std::filesystem::path& p);
// "" when equal, else where and how two byte strings first differ (short, for test output).
std::string FirstDiff(const std::string& a, const std::string& b);

}  // namespace testsupport
