// The "Formato" toolbar's font, size, colour, position, alignment, list and
// paragraph-style controls, the paragraph and style dialogs and "Simbolo...".
// Every control works on the page being edited through its box's character
// and paragraph operations, so each change is undoable.
#pragma once

class QToolBar;

namespace shell::ui {

class TMainForm;

// Adds the controls to the toolbar and binds "Simbolo..." (the window's
// commands must exist already).
void AddFormatCommands(TMainForm& form, QToolBar* bar);

}  // namespace shell::ui
