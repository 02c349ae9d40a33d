// The keyboard map of a rich-text box, without any widget: movement keys
// (with Ctrl for words, paragraphs and the text's ends; with Shift they
// extend the selection), Backspace, Delete (Shift: cut), Enter, F9 and
// typed characters, driving the editing operations. A read-only box scrolls
// with the arrows instead.
#pragma once

#include <cstdint>
#include <string>

#include "richtext/Editing.h"
#include "richtext/Navigation.h"

namespace richtext {

enum class EditKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, Backspace, Delete, Enter, F9 };

struct TKeyResult {
    bool handled = false;
    bool moved = false;    // the caret or the selection moved
    bool changed = false;  // the text changed
    // Shift+Delete: the selection was cut; the container goes on the clipboard.
    bool cut = false;
    std::string container;
    std::int32_t follow = -1;  // F9: the link key to follow
    int scrollX = 0, scrollY = 0;  // read-only: scroll by this many pixels
    // A move that left the box: its code and where the caret goes (box
    // nullptr: nowhere, the move is ignored).
    int boundary = kStays;
    TBoxPlace place;
};

class TNYXkeyboard {
public:
    explicit TNYXkeyboard(TNYXediting& editing) : ed_(editing) {}

    bool readOnly = false;
    // False in a view that does not show table cells: the caret passes tables.
    bool enterTables = true;

    TKeyResult Press(EditKey key, bool ctrl, bool shift);
    // A typed character (Windows-1252); codes below 32 and 127 are not taken.
    TKeyResult Type(unsigned char c);

private:
    TNYXbox& Box() const { return ed_.Box(); }
    TKeyResult Move(EditKey key, bool ctrl, bool shift);
    TNYXediting& ed_;
    // Up and Down keep the x they started from while the caret stays where they put it.
    std::int32_t goalX_ = 0;
    TTextPos goalAt_{-1, -1};
};

}  // namespace richtext
