// Read-only view of a table record (type 8): shape, column width rules,
// spacing, border, the table's background and every cell's background.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Bytes.h"
#include "model/NYXoggetto.h"

namespace present {

class TTableData {
public:
    static constexpr int kMaxColumns = 50;
    enum Rule { kPercent = 0, kFixed = 1, kFree = 2 };
    explicit TTableData(const model::TNYXoggetto& o) : o_(o) {}

    int Rows() const { return o_.Byte(93); }
    int Columns() const { return o_.Byte(94) > kMaxColumns ? kMaxColumns : o_.Byte(94); }
    int ColumnRule(int c) const { return c >= 0 && c < kMaxColumns ? o_.Byte(5 + c) : static_cast<int>(kFixed); }
    int ColumnWidth(int c) const { return c >= 0 && c < kMaxColumns ? o_.Word(97 + 2 * c) : 0; }
    bool WidthIsPercent() const { return o_.Byte(55) == 1; }
    int PixelWidth() const { return o_.Word(56); }
    int PercentWidth() const { return o_.Byte(89) > 100 ? 100 : o_.Byte(89); }
    int Padding() const { return o_.Byte(90); }
    int Spacing() const { return o_.Byte(91); }
    int Border() const { return o_.Byte(92); }
    std::int32_t Background() const { return o_.Int(207); }
    // Rows x columns background values in row order; empty when the table has
    // no cell backgrounds (every cell transparent).
    std::vector<std::int32_t> CellBackgrounds() const {
        std::vector<std::int32_t> v;
        std::string s;
        if (!o_.HasFirstStream() || !o_.ReadFirstStream(s)) return v;
        const std::size_t n = static_cast<std::size_t>(Rows()) * static_cast<std::size_t>(Columns());
        for (std::size_t i = 0; i < n && 4 * i + 4 <= s.size(); ++i)
            v.push_back(static_cast<std::int32_t>(model::bytes::I32(reinterpret_cast<const std::uint8_t*>(s.data()), s.size(), 4 * i)));
        return v;
    }

private:
    const model::TNYXoggetto& o_;
};

// Kind of a background value: transparent, a colour, or a picture.
enum class TBackgroundKind { kNone, kColour, kPicture };
inline TBackgroundKind BackgroundKind(std::int32_t v) {
    if (v >= 0 && v < 0x1000000) return TBackgroundKind::kColour;
    if (v >= 0x3000000 && v <= 0x3FFFFFF) return TBackgroundKind::kPicture;
    return TBackgroundKind::kNone;
}

}  // namespace present
