// Read-only view of a placed picture record (type 16): the picture file it
// shows, its low-resolution and pointer-over pictures, size, alignment,
// alternative text and its 30 click zones.
#pragma once

#include <cstdint>
#include <string>

#include "model/NYXoggetto.h"
#include "model/Types.h"

namespace present {

// A stored picture reference is either a whole reference or, in records made
// from a picture, the picture's slot index; both give the picture's reference.
inline std::int32_t PictureRefFrom(std::int32_t v) {
    if (v < 0) return model::kNoRef;
    if (static_cast<std::uint32_t>(v) <= model::kMaxIndex) return model::MakeRef(model::immagine, static_cast<std::uint32_t>(v));
    return v;
}

struct TZoneData {
    std::int32_t link = model::kNoRef;  // -1 free slot, 0 a zone without link
    int left = 0, top = 0, width = 0, height = 0;
    bool Used() const { return link != model::kNoRef; }
    // What a click on the zone follows. A zone without a link is stored as 0,
    // which is also the reference of page 0: a stored 0 is always read as
    // no link.
    std::int32_t Link() const { return link > 0 ? link : model::kNoRef; }
    bool Contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
};

class TPictureData {
public:
    static constexpr int kZones = 30;
    explicit TPictureData(const model::TNYXoggetto& o) : o_(o) {}

    std::int32_t PictureRef() const { return PictureRefFrom(o_.Int(0)); }
    std::int32_t LowResRef() const { return PictureRefFrom(o_.Int(5)); }
    std::int32_t RolloverRef() const { return PictureRefFrom(o_.Int(9)); }
    int Alignment() const { return o_.Byte(13); }
    bool Border() const { return o_.Byte(14) == 1; }
    int NaturalWidth() const { return o_.Word(15); }
    int NaturalHeight() const { return o_.Word(17); }
    int Width() const { return o_.Word(19); }
    int Height() const { return o_.Word(21); }
    bool Percent() const { return o_.Byte(23) == 1; }
    std::string AltText() const { return o_.Str(28, 32); }
    TZoneData Zone(int i) const {
        const std::size_t b = 73 + 16 * static_cast<std::size_t>(i);
        return {o_.Int(b), o_.SWord(b + 8), o_.SWord(b + 10), o_.SWord(b + 12), o_.SWord(b + 14)};
    }
    // The slot of the topmost zone under a point of the displayed picture
    // (slot 0 lies on top of the others), or -1 when the point belongs to
    // the picture itself.
    int ZoneAt(int x, int y) const {
        for (int i = 0; i < kZones; ++i)
            if (Zone(i).Used() && Zone(i).Contains(x, y)) return i;
        return -1;
    }
    bool HasMap() const {
        for (int i = 0; i < kZones; ++i)
            if (Zone(i).link >= 0) return true;
        return false;
    }

private:
    const model::TNYXoggetto& o_;
};

}  // namespace present
