// The embedded objects of a page view as the author edits them: the
// selection frame and handles (richtext/ui/ObjectHandles) told which kinds
// resize, how a new size is stored and who is told about it, the properties
// dialog on a double click, and the objects' entries of the text's pop-up
// menu.
#pragma once

#include <QDialog>

#include <functional>

namespace richtext {
class TNYXembedded;
}
namespace richtext::ui {
class TNYXboxWidget;
class TObjectHandles;
}  // namespace richtext::ui

namespace present::ui {

// Gives a page view (or any editable box widget) its object handles; done
// once per view.
richtext::ui::TObjectHandles* AttachObjectEditing(richtext::ui::TNYXboxWidget& view);
// The handles of a view, nullptr when it has none.
richtext::ui::TObjectHandles* HandlesOf(richtext::ui::TNYXboxWidget& view);

// How the properties dialog is run: the window installs its dialog runner
// (tests fill the dialog in); without one the dialog is run modally.
using TObjectDialogRunner = std::function<int(QDialog&)>;
void SetObjectDialogRunner(TObjectDialogRunner run);

// Opens the properties dialog of an object the view shows and applies it as
// one undoable step; true when the record changed.
bool EditObjectProperties(richtext::ui::TNYXboxWidget& view, richtext::TNYXembedded& e);
// The selected object of a view: its properties, its deletion (through the
// text, undoable). False when no object is selected.
bool EditSelectedObject(richtext::ui::TNYXboxWidget& view);
bool DeleteSelectedObject(richtext::ui::TNYXboxWidget& view);

}  // namespace present::ui
