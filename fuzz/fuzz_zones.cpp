// Click zones from outside bytes: any data pasted as a zone is refused or
// gives a zone inside the 16-bit fields; any placed-picture record read as
// zones stores back to a form that reads again as the same list, and
// scaling by any sizes stays in bounds.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "model/NYXoggetto.h"
#include "model/Types.h"
#include "present/Zones.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    present::TZone z;
    if (present::ZoneFromClipboard(in, z)) {
        if (z.width < 0 || z.height < 0 || z.left < -32768 || z.left > 32767) std::abort();
        if (present::ZoneToClipboard(z).size() != present::kZoneClipSize) std::abort();
    }
    auto placed = model::MakeObject(model::immagineNew);
    if (size > 0) std::memcpy(placed->Data(), data, std::min<std::size_t>(size, model::kDataSize));
    present::TZoneList list;
    list.Load(*placed);
    if (list.Size() > static_cast<std::size_t>(present::kMaxZones)) std::abort();
    list.Store(*placed);
    present::TZoneList again;
    again.Load(*placed);
    if (again.Size() != list.Size()) std::abort();
    for (std::size_t i = 0; i < list.Size(); ++i)
        if (!(again[i] == list[i])) std::abort();
    if (size >= 8) {
        auto side = [&](std::size_t at) { return static_cast<int>(static_cast<std::int16_t>(data[at] | data[at + 1] << 8)); };
        present::ScaleZones(*placed, side(0), side(2), side(4), side(6));
        again.Load(*placed);
        if (again.Size() != list.Size()) std::abort();
    }
    return 0;
}
