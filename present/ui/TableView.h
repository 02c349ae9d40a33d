// Tables on a page view: every table paragraph is laid out as a grid of
// cell boxes (present/TableLayout) and painted cell by cell; a click or an
// arrow into a cell edits that cell in place with the one cell editor of
// the page (the other cells stay painted), Tab and Shift+Tab go to the next
// and previous cell.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <functional>
#include <map>

#include "present/TableLayout.h"
#include "present/ui/TableRuler.h"
#include "richtext/Box.h"
#include "richtext/ui/BoxWidget.h"

namespace richtext::ui {
class TObjectHandles;
}

namespace present::ui {

// The editor of one cell: a box widget bound to the cell's box, without
// scroll bars or frame, laid over the cell in the page's viewport.
class TTableCellEditor : public richtext::ui::TNYXboxWidget {
    Q_OBJECT
public:
    explicit TTableCellEditor(QWidget* parent);
    // Tab (+1) and Shift+Tab (-1).
    std::function<void(int)> onTab;
    // Undo and redo keys go to the page (the cell may be rebuilt by them).
    std::function<void(bool redo)> onUndoKey;
    using TNYXboxWidget::BoxPoint;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

class TTableView : public QObject {
    Q_OBJECT
public:
    explicit TTableView(richtext::ui::TNYXpageView& view);
    ~TTableView() override;
    // The table support of a page view (nullptr when it has none).
    static TTableView* Of(richtext::ui::TNYXboxWidget& view);

    richtext::ui::TNYXpageView& View() const { return view_; }
    // The cell being edited and its editor; nullptr when none.
    richtext::TNYXbox* EditedCell() const { return cell_; }
    TTableCellEditor* Editor() const { return editor_; }
    // The column ruler of the table being edited (hidden when none).
    TTableRuler* Ruler() const { return ruler_; }
    // The box the caret is in: the cell being edited, else the page's box.
    richtext::TNYXbox& CaretBox() const;
    // Edits a cell with the caret at pos; false when it cannot be shown.
    bool BeginEdit(richtext::TNYXbox& cell, richtext::TTextPos pos);
    bool BeginEdit(richtext::TNYXbox& cell) { return BeginEdit(cell, {cell.BodyBegin(), 0}); }
    // Stops editing; the cell keeps what was typed.
    void EndEdit();

    // Where a cell lies in the page's box (box coordinates); empty when the
    // cell's table is not on the page.
    QRect CellRect(const richtext::TNYXbox& cell) const;
    // The innermost cell under a point of the page's box, nullptr when none.
    richtext::TNYXbox* CellAt(QPoint boxPoint) const;

    // Lays out again the paragraph that holds a table (and every table
    // around it), repaints, and puts the editor back over its cell.
    void TableChanged(richtext::TNYXembedded& table);

    // Paints a table (background, borders, cells) at r, box coordinates.
    void PaintTable(QPainter& p, const richtext::TNYXembedded& e, const QRect& r);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AttachResizeHandles(richtext::ui::TObjectHandles& h);
    void PlaceEditor();
    void CellEdited();
    void Tab(int direction);
    void LeaveCell(richtext::TNYXbox& box, richtext::TTextPos pos);

    richtext::ui::TNYXpageView& view_;
    QPointer<TTableCellEditor> editor_;
    QPointer<TTableRuler> ruler_;
    richtext::TNYXbox* cell_ = nullptr;
    bool relaying_ = false;
    // The line width each table of the page was last laid out in (by id):
    // a resize stores its percentage of it.
    std::map<std::int32_t, std::int32_t> lineWidths_;
};

// Gives a page view its table support (once).
TTableView& InstallTables(richtext::ui::TNYXpageView& view);

}  // namespace present::ui
