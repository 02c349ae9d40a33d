// The column ruler of the table being edited: a strip 12 pixels high just
// above the table, one section per column (its width plus the spacing)
// labelled with the column's rule and width; dragging a divider changes the
// column (present/TableLayout ApplyColumnDrag) as one undoable step.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "richtext/Box.h"

namespace present::ui {

class TTableView;

class TTableRuler : public QWidget {
    Q_OBJECT
public:
    TTableRuler(TTableView& tables, QWidget* parent);
    // Shows the ruler over a table (nullptr: hides it), at its place in the view.
    void Show(richtext::TNYXembedded* table);
    richtext::TNYXembedded* Table() const { return table_; }
    // Section widths and the x of the divider after each section.
    const std::vector<int>& Sections() const { return sections_; }
    int DividerX(int column) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int DividerAt(int x) const;
    void MoveLine(int x);
    TTableView& tables_;
    richtext::TNYXembedded* table_ = nullptr;
    std::vector<int> sections_;
    std::vector<std::int32_t> laidOut_;
    int dragging_ = -1;
    int pressX_ = 0;
    QPointer<QWidget> line_;
};

}  // namespace present::ui
