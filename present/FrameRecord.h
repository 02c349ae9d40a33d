// One frame of a divided page as it is stored: 58 bytes, little-endian, the
// unit of both a page's frame map (type 9) and a ".frm" layout file. The bytes
// are kept raw; the accessors read and write the fields in place.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace present {

constexpr std::size_t kFrameRecordSize = 58;

class TFrameRecord {
public:
    // Place codes in the parent.
    enum Place : std::uint8_t { kRow = 0, kColumn = 1, kRow2 = 2, kLastRow = 3, kColumn2 = 4, kLastColumn = 5 };
    // Size rules.
    enum Rule : std::uint8_t { kPercent = 0, kFixed = 1, kFree = 2 };
    // "Button face", the system colour the bars get by default.
    static constexpr std::int32_t kButtonFace = static_cast<std::int32_t>(0x8000000Fu);
    static constexpr std::uint8_t kDefaultBorderWidth = 3;
    static constexpr std::int32_t kDefaultPixels = 20;

    // A record with every field at its default (identities 0 and -1, no name).
    TFrameRecord();
    // Reads a stored record of `length` bytes (any length): the bytes present
    // are taken as they are; a record shorter than 58 bytes gets the defaults
    // for the fields it lacks, and a border only when one of the legacy border
    // flags is set. The legacy flags are cleared.
    static TFrameRecord FromStored(std::string_view bytes);

    const std::array<std::uint8_t, kFrameRecordSize>& Bytes() const { return b_; }
    std::string_view View() const { return {reinterpret_cast<const char*>(b_.data()), b_.size()}; }

    std::int32_t Id() const { return I32(0); }
    void SetId(std::int32_t v) { SetI32(0, v); }
    std::int32_t ParentId() const { return I32(4); }
    void SetParentId(std::int32_t v) { SetI32(4, v); }
    // Windows-1252 bytes, at most 19.
    std::string Name() const;
    void SetName(std::string_view name);
    std::uint8_t PlaceCode() const { return b_[28]; }
    void SetPlaceCode(std::uint8_t p) { b_[28] = p; }
    bool Scrolling() const { return b_[31] == 1; }
    void SetScrolling(bool v) { b_[31] = v ? 1 : 0; }
    bool Container() const { return b_[32] == 1; }
    void SetContainer(bool v) { b_[32] = v ? 1 : 0; }
    bool Resizable() const { return b_[33] == 1; }
    void SetResizable(bool v) { b_[33] = v ? 1 : 0; }
    // Reference of the page shown; -1 a new, empty page.
    std::int32_t PageRef() const { return I32(34); }
    void SetPageRef(std::int32_t v) { SetI32(34, v); }
    std::int32_t Percent() const { return I32(38); }
    void SetPercent(std::int32_t v) { SetI32(38, v); }
    std::int32_t BarColour() const { return I32(46); }
    void SetBarColour(std::int32_t v) { SetI32(46, v); }
    bool Border() const { return b_[51] == 1; }
    void SetBorder(bool v) { b_[51] = v ? 1 : 0; }
    std::int32_t Pixels() const { return I32(52); }
    void SetPixels(std::int32_t v) { SetI32(52, v); }
    // Of a container: the width of the bars between its children.
    std::uint8_t BorderWidth() const { return b_[56]; }
    void SetBorderWidth(std::uint8_t v) { b_[56] = v; }
    std::uint8_t RuleCode() const { return b_[57]; }
    void SetRuleCode(std::uint8_t r) { b_[57] = r; }

    // The place seen as a direction: a column (1, 4, 5) or a row (any other).
    bool IsColumn() const { return PlaceCode() == kColumn || PlaceCode() == kColumn2 || PlaceCode() == kLastColumn; }
    bool FillsRest() const { return PlaceCode() == kLastRow || PlaceCode() == kLastColumn; }
    // A container's children are columns when it is a row, rows when it is a column.
    bool ChildrenAreRows() const { return IsColumn(); }

private:
    std::int32_t I32(std::size_t off) const;
    void SetI32(std::size_t off, std::int32_t v);
    std::array<std::uint8_t, kFrameRecordSize> b_{};
};

}  // namespace present
