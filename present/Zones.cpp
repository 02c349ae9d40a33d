#include "present/Zones.h"

#include <algorithm>

#include "model/Bytes.h"
#include "model/Fields.h"
#include "model/Types.h"
#include "present/ObjectEditing.h"

namespace present {

namespace {

using model::placedrec::kZoneCount;
using model::placedrec::kZones;
using model::placedrec::kZoneSize;

constexpr int kMin16 = -32768, kMax16 = 32767;

std::size_t SlotOffset(int slot) { return kZones + kZoneSize * static_cast<std::size_t>(slot); }

int Clamp16(long long v) { return static_cast<int>(std::clamp<long long>(v, kMin16, kMax16)); }
int ClampSide(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, kMax16)); }

void WriteSlot(std::uint8_t* slot, const TZone& z) {
    // A zone always carries a link field: 0 for none, never -1 (a free slot).
    const std::int32_t link = z.link == model::kNoRef ? 0 : z.link;
    model::bytes::SetI32(slot, kZoneSize, 0, link);
    model::bytes::SetI32(slot, kZoneSize, 4, 0);
    model::bytes::SetU16(slot, kZoneSize, 8, static_cast<std::uint16_t>(Clamp16(z.left)));
    model::bytes::SetU16(slot, kZoneSize, 10, static_cast<std::uint16_t>(Clamp16(z.top)));
    model::bytes::SetU16(slot, kZoneSize, 12, static_cast<std::uint16_t>(ClampSide(z.width)));
    model::bytes::SetU16(slot, kZoneSize, 14, static_cast<std::uint16_t>(ClampSide(z.height)));
}

TZone ReadSlot(const std::uint8_t* slot) {
    TZone z;
    z.link = model::bytes::I32(slot, kZoneSize, 0);
    z.left = static_cast<std::int16_t>(model::bytes::U16(slot, kZoneSize, 8));
    z.top = static_cast<std::int16_t>(model::bytes::U16(slot, kZoneSize, 10));
    z.width = std::max<int>(0, static_cast<std::int16_t>(model::bytes::U16(slot, kZoneSize, 12)));
    z.height = std::max<int>(0, static_cast<std::int16_t>(model::bytes::U16(slot, kZoneSize, 14)));
    return z;
}

// value x factor / 1000 with the factor new x 1000 / old, as integers; an
// old side of 0 leaves the value as it is.
int ScaleBy(int value, int oldSide, int newSide) {
    if (oldSide <= 0) return value;
    const long long f = static_cast<long long>(newSide) * 1000 / oldSide;
    return Clamp16(static_cast<long long>(value) * f / 1000);
}

}  // namespace

void TZoneList::Load(const model::TNYXoggetto& placed) {
    zones_.clear();
    for (int slot = static_cast<int>(kZoneCount) - 1; slot >= 0; --slot) {
        const std::uint8_t* p = placed.Data() + SlotOffset(slot);
        if (model::bytes::I32(p, kZoneSize, 0) == model::kNoRef) continue;
        TZone z = ReadSlot(p);
        z.slot = slot;
        zones_.push_back(z);
    }
}

void TZoneList::Store(model::TNYXoggetto& placed) {
    int slot = 0;
    for (auto it = zones_.rbegin(); it != zones_.rend() && slot < static_cast<int>(kZoneCount); ++it, ++slot) {
        WriteSlot(placed.Data() + SlotOffset(slot), *it);
        it->slot = slot;
    }
    for (; slot < static_cast<int>(kZoneCount); ++slot) {
        std::uint8_t* p = placed.Data() + SlotOffset(slot);
        std::fill(p, p + kZoneSize, std::uint8_t{0});
        model::bytes::SetI32(p, kZoneSize, 0, model::kNoRef);
    }
}

int TZoneList::Insert(const TZone& z) {
    if (Full()) return -1;
    zones_.push_back(z);
    return static_cast<int>(zones_.size()) - 1;
}

int TZoneList::AddAt(int x, int y, int pictureWidth, int pictureHeight) {
    TZone z;
    z.left = x > pictureWidth ? pictureWidth - 10 : x;
    z.top = y > pictureHeight ? pictureHeight - 10 : y;
    z.left = std::max(0, z.left);
    z.top = std::max(0, z.top);
    return Insert(z);
}

int TZoneList::TopmostAt(int x, int y) const {
    for (std::size_t i = zones_.size(); i-- > 0;)
        if (zones_[i].Contains(x, y)) return static_cast<int>(i);
    return -1;
}

int TZoneList::BySlot(int slot) const {
    for (std::size_t i = 0; i < zones_.size(); ++i)
        if (zones_[i].slot == slot) return static_cast<int>(i);
    return -1;
}

void TZoneList::SetBounds(std::size_t i, int left, int top, int width, int height) {
    if (i >= zones_.size()) return;
    TZone& z = zones_[i];
    z.left = Clamp16(left);
    z.top = Clamp16(top);
    z.width = std::max(1, ClampSide(width));
    z.height = std::max(1, ClampSide(height));
}

void TZoneList::Delete(std::size_t i) {
    if (i < zones_.size()) zones_.erase(zones_.begin() + static_cast<std::ptrdiff_t>(i));
}

std::size_t TZoneList::BringToFront(std::size_t i) {
    if (i >= zones_.size()) return i;
    const TZone z = zones_[i];
    zones_.erase(zones_.begin() + static_cast<std::ptrdiff_t>(i));
    zones_.push_back(z);
    return zones_.size() - 1;
}

std::size_t TZoneList::SendToBack(std::size_t i) {
    if (i >= zones_.size()) return i;
    const TZone z = zones_[i];
    zones_.erase(zones_.begin() + static_cast<std::ptrdiff_t>(i));
    zones_.insert(zones_.begin(), z);
    return 0;
}

void TZoneList::Scale(int oldWidth, int oldHeight, int newWidth, int newHeight) {
    if (oldWidth <= 0 || oldHeight <= 0) return;
    for (TZone& z : zones_) {
        z.left = ScaleBy(z.left, oldWidth, newWidth);
        z.width = std::max(0, ScaleBy(z.width, oldWidth, newWidth));
        z.top = ScaleBy(z.top, oldHeight, newHeight);
        z.height = std::max(0, ScaleBy(z.height, oldHeight, newHeight));
    }
}

bool ScaleZones(model::TNYXoggetto& placed, int oldWidth, int oldHeight, int newWidth, int newHeight) {
    if (placed.Type() != model::immagineNew || oldWidth <= 0 || oldHeight <= 0) return false;
    TZoneList list;
    list.Load(placed);
    list.Scale(oldWidth, oldHeight, newWidth, newHeight);
    list.Store(placed);
    return true;
}

void ScaleZonesOnResize() {
    static const int id = AddResizeListener([](model::TNYXoggetto& o, TObjectSize before, TObjectSize after) {
        if (o.Type() != model::immagineNew) return;
        TZoneList list;
        list.Load(o);
        // A picture without zones keeps its record as it is.
        if (list.Size() == 0) return;
        ScaleZones(o, before.width, before.height, after.width, after.height);
    });
    (void)id;
}

std::string ZoneToClipboard(const TZone& z) {
    std::string out(kZoneClipSize, '\0');
    auto* p = reinterpret_cast<std::uint8_t*>(out.data());
    model::bytes::SetI32(p, kZoneClipSize, 0, 2);
    WriteSlot(p + 4, z);
    return out;
}

bool ZoneFromClipboard(std::string_view data, TZone& out) {
    if (data.size() < kZoneClipSize) return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(data.data());
    if (model::bytes::I32(p, kZoneClipSize, 0) != 2) return false;
    TZone z = ReadSlot(p + 4);
    if (z.link == model::kNoRef) z.link = 0;
    z.left = Clamp16(static_cast<long long>(z.left) + 5);
    z.top = Clamp16(static_cast<long long>(z.top) + 5);
    z.slot = -1;
    out = z;
    return true;
}

}  // namespace present
