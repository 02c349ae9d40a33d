#include "present/ObjectEditing.h"

#include <algorithm>
#include <map>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"

namespace present {
namespace {

constexpr std::int32_t kMaxSize = 65535;

// A pixel size, or a percentage of base; a base of 0 keeps the old value.
bool StoreDimension(model::TNYXoggetto& o, std::size_t off, std::int32_t pixels, bool percent, std::int32_t base) {
    std::int64_t v = pixels;
    if (percent) {
        if (base <= 0) return false;
        v = static_cast<std::int64_t>(pixels) * 100 / base;
    }
    const auto w = static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 1, kMaxSize));
    if (o.Word(off) == w) return false;
    o.SetWord(off, w);
    return true;
}

struct TDims {
    std::size_t width, height, flag;
};

std::map<int, TResizeListener>& Listeners() {
    static std::map<int, TResizeListener> l;
    return l;
}

}  // namespace

bool Resizable(const model::TNYXoggetto& o) {
    switch (ControlKindOf(o)) {
        case TControlKind::kImage:
        case TControlKind::kFloating: return true;
        case TControlKind::kButton: return o.Int(177) != -1;
        case TControlKind::kMultimedia: {
            const int sub = o.Subtype();
            if (sub == 3 || sub == 4 || sub == 5) return true;
            return sub == model::mediarec::kCustomComponent && PrototypeKind(o) == 2;
        }
        default: return false;
    }
}

std::string PropertiesLabel(const model::TNYXoggetto& o) {
    switch (ControlKindOf(o)) {
        case TControlKind::kImage: return "Modifica immagine";
        case TControlKind::kMarker:
        case TControlKind::kFormStart: return "Modifica oggetto";
        case TControlKind::kButton: return "Modifica bottone";
        case TControlKind::kMultimedia:
        case TControlKind::kDatabase: return "Modifica multimedia";
        case TControlKind::kRadio:
        case TControlKind::kCheck: return "Modifica box";
        case TControlKind::kEdit: return "Modifica casella edit";
        case TControlKind::kMemo: return "Modifica box testo";
        case TControlKind::kList: return "Modifica lista";
        case TControlKind::kCombo: return "Modifica combo";
        case TControlKind::kFloating: return "Modifica cornice indipendente";
        default: return "Modifica oggetto";
    }
}

std::string ResizeLabel(const model::TNYXoggetto& o) {
    switch (ControlKindOf(o)) {
        case TControlKind::kImage: return "Dimensiona immagine";
        case TControlKind::kButton: return "Dimensiona bottone";
        case TControlKind::kMultimedia: return "Dimensiona multimedia";
        case TControlKind::kFloating: return "Dimensiona cornice indipendente";
        default: return "Dimensiona oggetto";
    }
}

TObjectSize StoredPartOf(const model::TNYXoggetto& o, TObjectSize shown) {
    if (o.Type() == model::multiMedia && (o.Subtype() == 3 || o.Subtype() == 4) &&
        o.Byte(model::mediarec::kAction) == 0)
        shown.height = std::max(1, shown.height - kPlayerBarHeight);
    return shown;
}

bool StoreObjectSize(model::TNYXoggetto& o, TObjectSize size, const TSizeBase& base) {
    bool changed = false;
    switch (ControlKindOf(o)) {
        case TControlKind::kButton: {
            if (o.Int(177) == -1) return false;  // sized by its caption
            // A percentage of the picture's natural size.
            const bool pct = o.Byte(194) == 1;
            changed |= StoreDimension(o, 190, size.width, pct, o.Word(186));
            changed |= StoreDimension(o, 192, size.height, pct, o.Word(188));
            return changed;
        }
        case TControlKind::kImage: {
            const bool pct = o.Byte(23) == 1;
            changed |= StoreDimension(o, 19, size.width, pct, o.SWord(15));
            changed |= StoreDimension(o, 21, size.height, pct, o.SWord(17));
            return changed;
        }
        case TControlKind::kMultimedia:
        case TControlKind::kDatabase: {
            const bool pct = o.Byte(37) == 1;
            changed |= StoreDimension(o, 33, size.width, pct, base.availableWidth);
            changed |= StoreDimension(o, 35, size.height, pct, base.clientHeight);
            return changed;
        }
        case TControlKind::kFloating: {
            const bool pct = o.Byte(178) == 1;
            changed |= StoreDimension(o, 182, size.width, pct, base.availableWidth);
            changed |= StoreDimension(o, 180, size.height, pct, base.clientHeight);
            return changed;
        }
        default: return false;
    }
}

int AddResizeListener(TResizeListener fn) {
    static int next = 0;
    Listeners()[++next] = std::move(fn);
    return next;
}

void RemoveResizeListener(int id) { Listeners().erase(id); }

void NotifyResized(model::TNYXoggetto& o, TObjectSize before, TObjectSize after) {
    // A listener may remove itself while told.
    const auto copy = Listeners();
    for (const auto& [id, fn] : copy)
        if (fn) fn(o, before, after);
}

}  // namespace present
