// The click zones of a placed picture as the editor keeps them: an ordered
// list whose last zone lies on top, read from and written to the record's
// 30 slots of 16 bytes (slot 0 is the top), with the editing operations
// (add at a press point, move, resize, delete, front and back), the scaling
// that follows a resized picture, and the zone's clipboard form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/NYXoggetto.h"

namespace present {

// A zone: its link key (0: no link) and its bounds in pixels of the
// displayed picture.
struct TZone {
    std::int32_t link = 0;
    int left = 0, top = 0, width = 30, height = 30;
    int slot = -1;  // the slot it was read from or last stored in
    bool Contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
    bool operator==(const TZone& o) const {
        return link == o.link && left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

constexpr int kMaxZones = 30;
constexpr int kNewZoneSide = 30;
// The private clipboard type of a copied zone, and its size: the 32-bit
// integer 2 followed by the zone's 16-byte slot.
constexpr const char* kZoneMime = "application/x-quor30-zone";
constexpr const char* kPictureMime = "application/x-quor30-picture";
constexpr std::size_t kZoneClipSize = 20;
// Told when a 31st zone is asked for.
constexpr const char* kTooManyZones = "Un'immagine può avere al massimo 30 zone cliccabili.";

class TZoneList {
public:
    // Slots read from 29 down to 0: slot 0 ends last, on top. A stored 0 is
    // a zone without a link.
    void Load(const model::TNYXoggetto& placed);
    // The last zone goes to slot 0, the one before it to slot 1, ...; the
    // slots left are freed (-1 and twelve zero bytes). Bounds are clamped to
    // what the 16-bit fields hold. Each zone learns its slot.
    void Store(model::TNYXoggetto& placed);

    std::size_t Size() const { return zones_.size(); }
    bool Full() const { return zones_.size() >= static_cast<std::size_t>(kMaxZones); }
    TZone& operator[](std::size_t i) { return zones_[i]; }
    const TZone& operator[](std::size_t i) const { return zones_[i]; }
    const std::vector<TZone>& Zones() const { return zones_; }

    // A 30 x 30 zone at a press point of a picture of the given displayed
    // size (a point past the right or bottom edge comes back to 10 pixels
    // inside it), put on top. -1 when 30 zones are there already.
    int AddAt(int x, int y, int pictureWidth, int pictureHeight);
    // Puts a zone on top; -1 when the list is full.
    int Insert(const TZone& z);
    // The index of the topmost zone under a point, -1 when there is none.
    int TopmostAt(int x, int y) const;
    // The index of the zone with a stored slot, -1 when none has it.
    int BySlot(int slot) const;
    void SetBounds(std::size_t i, int left, int top, int width, int height);
    void Delete(std::size_t i);
    // Stacking: the zone goes to the end (top) or the start (bottom) of
    // the list; the zone's new index.
    std::size_t BringToFront(std::size_t i);
    std::size_t SendToBack(std::size_t i);
    // Every zone follows a picture resized from the old to the new displayed
    // size (nothing when either old side is 0).
    void Scale(int oldWidth, int oldHeight, int newWidth, int newHeight);

private:
    std::vector<TZone> zones_;
};

// The stored zones of a placed picture follow a change of its displayed
// size (for the resize handles); false when nothing could be scaled.
bool ScaleZones(model::TNYXoggetto& placed, int oldWidth, int oldHeight, int newWidth, int newHeight);

// Makes the objects' resize handles scale the zones of a placed picture they
// resize, in the same record change: the snapshot taken before the resize
// holds the old size and the old zones, so one undo puts both back. The
// first call registers the listener; later calls do nothing.
void ScaleZonesOnResize();

// The zone's clipboard form (kZoneClipSize bytes).
std::string ZoneToClipboard(const TZone& z);
// A pasted zone: the copied link and bounds moved 5 pixels right and down.
// False for data shorter than the form or not starting with 2.
bool ZoneFromClipboard(std::string_view data, TZone& out);

}  // namespace present
