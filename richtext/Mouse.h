// The left mouse button in a rich-text box, without any widget: a press puts
// the caret (or, inside the selection, arms a drag of it); moving more than
// 4 pixels with the button down selects, or drags the selection; releasing
// ends the selection or drops the dragged text; a double click follows a
// link or selects the word and the blanks after it. In a read-only box a
// click on a link follows it. Coordinates are the box's.
#pragma once

#include <cstdint>

#include "richtext/Editing.h"
#include "richtext/Navigation.h"

namespace richtext {

struct TMouseResult {
    bool moved = false;    // the caret or the selection moved
    bool changed = false;  // the text changed (a drop)
    std::int32_t follow = -1;  // a link key to follow
    bool refused = false;  // a drop that was not made (into the selection itself)
};

class TNYXmouse {
public:
    explicit TNYXmouse(TNYXediting& editing) : ed_(editing) {}

    bool readOnly = false;
    static constexpr int kThreshold = 4;

    // With `extend` (Shift held) the selection runs from its anchor to the point.
    TMouseResult Press(std::int32_t x, std::int32_t y, bool extend = false);
    TMouseResult Move(std::int32_t x, std::int32_t y, bool buttonDown);
    TMouseResult Release(std::int32_t x, std::int32_t y);
    TMouseResult DoubleClick(std::int32_t x, std::int32_t y);

    bool Pressed() const { return pressed_; }
    bool Selecting() const { return selecting_; }
    bool Dragging() const { return dragging_; }
    // Where a dragged selection would land now.
    TTextPos DropPosition() const { return drop_; }
    // The link under a point (on the text only), -1 when none.
    std::int32_t LinkUnder(std::int32_t x, std::int32_t y) const;
    // True when a point lies on the selected text.
    bool InSelection(std::int32_t x, std::int32_t y) const;

private:
    TNYXbox& Box() const { return ed_.Box(); }
    void Reset();
    TNYXediting& ed_;
    bool pressed_ = false, armed_ = false, selecting_ = false, dragging_ = false;
    std::int32_t pressX_ = 0, pressY_ = 0;
    TTextPos anchor_, drop_;
};

}  // namespace richtext
