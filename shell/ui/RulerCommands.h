// The paragraph ruler of the main window: a toolbar row of its own whose
// window follows the current box's text area and whose markers show the
// caret paragraph's indent and margins; a marker released changes the
// paragraph (in the ruler's unit) as one undoable step. The ruler's pop-up
// menu chooses its unit.
#pragma once

namespace richtext::ui {
class TRulerWidget;
}

namespace shell::ui {

class TMainForm;

richtext::ui::TRulerWidget* AddRuler(TMainForm& form);

}  // namespace shell::ui
