#include "present/ui/TableRuler.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "present/TableChoices.h"
#include "present/TableData.h"
#include "present/TableLayout.h"
#include "present/ui/TableView.h"
#include "richtext/Undo.h"
#include "richtext/ui/XorLine.h"

namespace present::ui {

using richtext::ui::TXorLine;

TTableRuler::TTableRuler(TTableView& tables, QWidget* parent) : QWidget(parent), tables_(tables) {
    setObjectName(QStringLiteral("righelloTabella"));
    setFixedHeight(12);
    setCursor(Qt::SplitHCursor);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(8);
    setFont(f);
    hide();
}

void TTableRuler::Show(richtext::TNYXembedded* table) {
    if (dragging_ >= 0) return;
    table_ = table;
    if (!table || !table->Record() || table->left == richtext::kOutOfSight) {
        hide();
        return;
    }
    const TTableData td(*table->Record());
    sections_.clear();
    laidOut_.clear();
    for (int c = 0; c < table->Columns(); ++c) {
        const richtext::TNYXbox* cell = table->CellAt(0, c);
        const std::int32_t w = cell ? cell->layoutWidth : 0;
        laidOut_.push_back(w);
        sections_.push_back(std::max(10, w + td.Spacing()));
    }
    // The table's place in the view: its first cell's rectangle less the cell's offset.
    const richtext::TNYXbox* first = table->CellAt(0, 0);
    const QRect cell = first ? tables_.CellRect(*first) : QRect();
    if (cell.isEmpty()) {
        hide();
        return;
    }
    const QPoint tableTop = cell.topLeft() - QPoint(first->cellLeft, first->cellTop);
    richtext::ui::TNYXpageView& v = tables_.View();
    const QPoint scroll(v.horizontalScrollBar()->value(), v.verticalScrollBar()->value());
    setGeometry(QRect(tableTop - scroll - QPoint(0, 12), QSize(std::max(1, table->width), 12)));
    show();
    raise();
    update();
}

int TTableRuler::DividerX(int column) const {
    int x = 0;
    for (int c = 0; c <= column && c < static_cast<int>(sections_.size()); ++c) x += sections_[static_cast<std::size_t>(c)];
    return x;
}

int TTableRuler::DividerAt(int x) const {
    for (int c = 0; c < static_cast<int>(sections_.size()); ++c)
        if (std::abs(DividerX(c) - x) <= 3) return c;
    return -1;
}

void TTableRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    if (!table_ || !table_->Record()) return;
    int x = 0;
    for (int c = 0; c < static_cast<int>(sections_.size()); ++c) {
        const int w = sections_[static_cast<std::size_t>(c)];
        const QRect r(x, 0, w, height());
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(r.right(), 0, r.right(), height());
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter, QString::fromStdString(RulerLabel(*table_->Record(), c, laidOut_[static_cast<std::size_t>(c)])));
        x += w;
    }
}

void TTableRuler::MoveLine(int x) {
    richtext::ui::TNYXpageView& v = tables_.View();
    if (!line_) line_ = new TXorLine(v.viewport());
    const QPoint at = mapTo(v.viewport(), QPoint(x, 0));
    line_->setGeometry(at.x(), 0, 1, v.viewport()->height());
    line_->show();
    line_->raise();
}

void TTableRuler::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = DividerAt(e->position().toPoint().x());
    pressX_ = e->position().toPoint().x();
}

void TTableRuler::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_ < 0) return;
    const int left = DividerX(dragging_) - sections_[static_cast<std::size_t>(dragging_)];
    MoveLine(std::max(left + 10, e->position().toPoint().x()));
}

void TTableRuler::mouseReleaseEvent(QMouseEvent* e) {
    if (dragging_ < 0 || e->button() != Qt::LeftButton) return;
    const int column = dragging_;
    dragging_ = -1;
    if (line_) line_->hide();
    richtext::TNYXembedded* table = table_;
    if (!table || column >= static_cast<int>(sections_.size())) return;
    const int oldSection = sections_[static_cast<std::size_t>(column)];
    const int newSection = std::max(10, oldSection + e->position().toPoint().x() - pressX_);
    if (newSection == oldSection) return;
    richtext::TNYXbox* cell = tables_.EditedCell();
    richtext::ui::TNYXpageView& v = tables_.View();
    const std::int32_t tableWidth = table->width;
    const std::vector<std::int32_t> laidOut = laidOut_;
    tables_.EndEdit();
    bool changed = false;
    EditTable(*table, v.UndoList(), "Dimensiona celle", [&](TTableGrid&) {
        changed = ApplyColumnDrag(*table->Record(), column, tableWidth, oldSection, newSection, laidOut) >= 0;
        return changed;
    });
    if (!changed) return;
    v.Session().Changed(0);
    tables_.TableChanged(*table);
    if (cell) tables_.BeginEdit(*cell);
    Show(table);
}

}  // namespace present::ui
