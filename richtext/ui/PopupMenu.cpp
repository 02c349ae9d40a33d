#include "richtext/ui/PopupMenu.h"

#include <QAction>
#include <QMenu>

#include <map>

namespace richtext::ui {
namespace {

struct TEntry {
    TPopupPlace place;
    TPopupContributor fn;
};

std::map<int, TEntry>& Contributors() {
    static std::map<int, TEntry> all;
    return all;
}

}  // namespace

int AddPopupContributor(TPopupPlace place, TPopupContributor fn) {
    static int next = 0;
    const int id = ++next;
    Contributors()[id] = {place, std::move(fn)};
    return id;
}

void RemovePopupContributor(int id) { Contributors().erase(id); }

bool FillPopup(QMenu& menu, TPopupPlace place, const TPopupContext& ctx) {
    const int before = static_cast<int>(menu.actions().size());
    // A copy: a contributor's action may register or remove another.
    const std::map<int, TEntry> all = Contributors();
    for (const auto& [id, e] : all)
        if (e.place == place && e.fn) e.fn(menu, ctx);
    return static_cast<int>(menu.actions().size()) > before;
}

}  // namespace richtext::ui
