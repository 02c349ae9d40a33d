#include "present/FrameRecord.h"

#include <algorithm>
#include <cstring>

#include "model/Bytes.h"

namespace present {

namespace {
constexpr std::size_t kNameOff = 8, kNameCap = 19;
}

TFrameRecord::TFrameRecord() {
    SetId(0);
    SetParentId(-1);
    SetScrolling(true);
    SetPageRef(-1);
    SetPercent(100);
    SetBarColour(kButtonFace);
    SetBorder(true);
    SetPixels(kDefaultPixels);
    SetBorderWidth(kDefaultBorderWidth);
}

TFrameRecord TFrameRecord::FromStored(std::string_view bytes) {
    TFrameRecord r;
    const std::size_t n = std::min(bytes.size(), kFrameRecordSize);
    if (n == kFrameRecordSize) {
        std::memcpy(r.b_.data(), bytes.data(), n);
    } else {
        // A field is taken only when the record holds it whole; the others
        // keep their defaults.
        struct Field {
            std::size_t off, width;
        };
        static constexpr Field kFields[] = {{0, 4},  {4, 4},  {8, 20}, {28, 1}, {29, 1}, {30, 1}, {31, 1},
                                            {32, 1}, {33, 1}, {34, 4}, {38, 4}, {42, 4}, {46, 4}, {50, 1},
                                            {51, 1}, {52, 4}, {56, 1}, {57, 1}};
        for (const Field& f : kFields)
            if (f.off + f.width <= n) std::memcpy(r.b_.data() + f.off, bytes.data() + f.off, f.width);
        // Older records said "border" with the legacy flags only.
        const bool legacyBorder = r.b_[29] != 0 || r.b_[30] != 0;
        if (n < 52) r.SetBorder(legacyBorder);
        if (n < 57) r.SetBorderWidth(legacyBorder ? kDefaultBorderWidth : 0);
    }
    r.b_[29] = 0;
    r.b_[30] = 0;
    return r;
}

std::string TFrameRecord::Name() const { return model::bytes::Str(b_.data(), b_.size(), kNameOff, kNameCap); }

void TFrameRecord::SetName(std::string_view name) { model::bytes::SetStr(b_.data(), b_.size(), kNameOff, kNameCap, name); }

std::int32_t TFrameRecord::I32(std::size_t off) const { return model::bytes::I32(b_.data(), b_.size(), off); }

void TFrameRecord::SetI32(std::size_t off, std::int32_t v) { model::bytes::SetI32(b_.data(), b_.size(), off, v); }

}  // namespace present
