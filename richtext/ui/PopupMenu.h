// The text's pop-up menu is put together from contributors: the box adds its
// own editing entries, and whoever shows objects, pictures, links or spelling
// marks adds the entries that belong to what lies under the pointer. Each
// contributor adds its actions with their own handlers; the box only runs
// the menu.
#pragma once

#include <QPoint>

#include <cstdint>
#include <functional>

class QMenu;

namespace richtext::ui {

class TNYXboxWidget;

struct TPopupContext {
    TNYXboxWidget& box;
    QPoint at;                  // box coordinates of the press
    std::int32_t link = -1;     // link key under the pointer (-1: none)
    bool selection = false;     // the box has a selection
};

// Where a contributor's entries go: before the box's own entries (with a
// separator after them) or after them.
enum class TPopupPlace { kTop, kBottom };

using TPopupContributor = std::function<void(QMenu&, const TPopupContext&)>;

// Registers a contributor for every box; the id removes it again.
int AddPopupContributor(TPopupPlace place, TPopupContributor fn);
void RemovePopupContributor(int id);

// Adds the entries of the registered contributors for `place`; answers
// whether any was added.
bool FillPopup(QMenu& menu, TPopupPlace place, const TPopupContext& ctx);

}  // namespace richtext::ui
