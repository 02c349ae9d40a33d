#include "richtext/Mouse.h"

#include <cstdlib>

namespace richtext {

void TNYXmouse::Reset() { pressed_ = armed_ = selecting_ = dragging_ = false; }

std::int32_t TNYXmouse::LinkUnder(std::int32_t x, std::int32_t y) const {
    if (!OverText(Box(), x, y)) return -1;
    return LinkKeyAt(Box(), HitTest(Box(), x, y, false));
}

bool TNYXmouse::InSelection(std::int32_t x, std::int32_t y) const {
    const TNYXbox& box = Box();
    if (!box.HasSelection() || !OverText(box, x, y)) return false;
    const TTextPos p = HitTest(box, x, y);
    return !(p < ed_.SelectionStart()) && p < ed_.SelectionEnd();
}

TMouseResult TNYXmouse::Press(std::int32_t x, std::int32_t y, bool extend) {
    TMouseResult r;
    Reset();
    if (Box().UpdateCount() > 0) return r;
    pressed_ = true;
    pressX_ = x;
    pressY_ = y;
    if (readOnly) return r;
    if (extend) {
        anchor_ = Box().HasSelection() ? Box().selStart : Box().caret;
        ed_.Select(anchor_, HitTest(Box(), x, y));
        selecting_ = true;  // moving on extends it further
        r.moved = true;
        return r;
    }
    if (InSelection(x, y)) {
        armed_ = true;  // the selection may be dragged
        return r;
    }
    anchor_ = HitTest(Box(), x, y);
    ed_.SetCaret(anchor_);
    r.moved = true;
    return r;
}

TMouseResult TNYXmouse::Move(std::int32_t x, std::int32_t y, bool buttonDown) {
    TMouseResult r;
    if (!pressed_ || !buttonDown || readOnly || Box().UpdateCount() > 0) return r;
    if (!selecting_ && !dragging_) {
        if (std::abs(x - pressX_) <= kThreshold && std::abs(y - pressY_) <= kThreshold) return r;
        (armed_ ? dragging_ : selecting_) = true;
    }
    const TTextPos at = HitTest(Box(), x, y);
    if (dragging_) {
        drop_ = at;
        return r;
    }
    ed_.Select(anchor_, at);
    r.moved = true;
    return r;
}

TMouseResult TNYXmouse::Release(std::int32_t x, std::int32_t y) {
    TMouseResult r;
    if (!pressed_) return r;
    const bool moved = selecting_ || dragging_;
    const bool drag = dragging_, armed = armed_;
    Reset();
    if (Box().UpdateCount() > 0) return r;
    if (readOnly) {
        if (!moved) r.follow = LinkUnder(x, y);
        return r;
    }
    const TTextPos at = HitTest(Box(), x, y);
    if (drag) {
        r.changed = ed_.DragMove(at);
        r.refused = !r.changed;
        r.moved = true;
    } else if (armed) {
        ed_.SetCaret(at);  // a click inside the selection only places the caret
        r.moved = true;
    }
    return r;
}

TMouseResult TNYXmouse::DoubleClick(std::int32_t x, std::int32_t y) {
    TMouseResult r;
    Reset();
    if (Box().UpdateCount() > 0) return r;
    const std::int32_t link = LinkUnder(x, y);
    if (link != -1 && !Box().HasSelection()) {
        r.follow = link;
        return r;
    }
    const auto word = WordAt(Box(), HitTest(Box(), x, y));
    ed_.Select(word.first, word.second);
    r.moved = true;
    return r;
}

}  // namespace richtext
