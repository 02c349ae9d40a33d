#include "richtext/Keys.h"

namespace richtext {

TKeyResult TNYXkeyboard::Press(EditKey key, bool ctrl, bool shift) {
    TKeyResult r;
    TNYXbox& box = Box();
    if (box.UpdateCount() > 0) {
        r.handled = true;  // ignored while the box is under an update
        return r;
    }
    if (readOnly) {
        switch (key) {
            case EditKey::Left: r.scrollX = -10; break;
            case EditKey::Right: r.scrollX = 10; break;
            case EditKey::Up: r.scrollY = -10; break;
            case EditKey::Down: r.scrollY = 10; break;
            case EditKey::F9: r.follow = LinkKeyNear(box, box.caret); break;
            default: return r;
        }
        r.handled = true;
        return r;
    }
    switch (key) {
        case EditKey::Backspace:
            r.handled = true;
            if (!ctrl) r.changed = ed_.Backspace();
            r.moved = true;
            return r;
        case EditKey::Delete:
            r.handled = true;
            if (ctrl) return r;
            if (shift) {
                if (box.HasSelection()) {
                    r.container = ed_.CutContainer();
                    r.cut = r.changed = !r.container.empty();
                }
            } else {
                r.changed = ed_.DeleteForward();
            }
            r.moved = true;
            return r;
        case EditKey::Enter:
            r.handled = true;
            r.changed = ed_.SplitParagraph();
            r.moved = true;
            return r;
        case EditKey::F9:
            r.handled = true;
            r.follow = LinkKeyNear(box, box.caret);
            return r;
        default: return Move(key, ctrl, shift);
    }
}

TKeyResult TNYXkeyboard::Move(EditKey key, bool ctrl, bool shift) {
    TKeyResult r;
    r.handled = true;
    TNYXbox& box = Box();
    const TTextPos caret = box.caret;
    const bool towardsStart = key == EditKey::Left || key == EditKey::Up || key == EditKey::Home || key == EditKey::PageUp;
    // Without Shift a selection collapses to the end the key points at.
    if (!shift && box.HasSelection()) {
        ed_.SetCaret(towardsStart ? ed_.SelectionStart() : ed_.SelectionEnd());
        r.moved = true;
        return r;
    }
    const bool vertical = key == EditKey::Up || key == EditKey::Down || key == EditKey::PageUp || key == EditKey::PageDown;
    if (vertical && !ctrl && goalAt_ != caret) goalX_ = Normalise(box, caret).x;
    TMove m;
    switch (key) {
        case EditKey::Left: m = ctrl ? WordLeft(box, caret) : CharLeft(box, caret, enterTables); break;
        case EditKey::Right: m = ctrl ? WordRight(box, caret) : CharRight(box, caret, enterTables); break;
        case EditKey::Up: m = ctrl ? ParagraphUp(box, caret) : LineUp(box, caret, goalX_, enterTables); break;
        case EditKey::Down: m = ctrl ? ParagraphDown(box, caret) : LineDown(box, caret, goalX_, enterTables); break;
        case EditKey::Home: m.pos = ctrl ? TextStart(box) : LineStart(box, caret); break;
        case EditKey::End: m.pos = ctrl ? TextEnd(box) : LineEnd(box, caret); break;
        case EditKey::PageUp: m.pos = PageUp(box, caret, goalX_); break;
        case EditKey::PageDown: m.pos = PageDown(box, caret, goalX_); break;
        default: r.handled = false; return r;
    }
    if (m.code != kStays) {
        r.boundary = m.code;
        // Selections stay inside their box: a move out only moves the caret.
        if (!shift) r.place = CrossBoundary(box, m.code, m.table);
        if (r.place.box) {
            ed_.CaretMoved();
            r.moved = true;
        }
        return r;
    }
    if (shift) ed_.Select(box.HasSelection() ? box.selStart : caret, m.pos);
    else ed_.SetCaret(m.pos);
    if (vertical && !ctrl) goalAt_ = box.caret;
    r.moved = true;
    return r;
}

TKeyResult TNYXkeyboard::Type(unsigned char c) {
    TKeyResult r;
    // 127 is DEL, which some keyboards send as a character for the Delete key.
    if (readOnly || c < 32 || c == 127) return r;
    r.handled = true;
    if (Box().UpdateCount() > 0) return r;
    r.changed = ed_.InsertChar(c);
    r.moved = true;
    return r;
}

}  // namespace richtext
