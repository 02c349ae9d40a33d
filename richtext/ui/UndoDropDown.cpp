#include "richtext/ui/UndoDropDown.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

namespace richtext::ui {

TUndoDropDown::TUndoDropDown(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("lbUndo"));
    setWindowFlags(Qt::Popup);
    setSelectionMode(QAbstractItemView::MultiSelection);
    setMouseTracking(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

QRect TUndoDropDown::Placement(const QRect& anchor, const QSize& size, const QRect& screen) {
    QPoint at(anchor.left(), anchor.bottom() + 1);
    if (at.x() + size.width() > screen.right() + 1) at.setX(std::max(screen.left(), screen.right() + 1 - size.width()));
    if (at.y() + size.height() > screen.bottom() + 1) at.setY(std::max(screen.top(), anchor.top() - size.height()));
    return QRect(at, size);
}

void TUndoDropDown::Open(QWidget* anchor, const std::vector<std::string>& labels) {
    clear();
    if (labels.empty()) return;
    for (const std::string& l : labels) addItem(QString::fromStdString(l));
    const int rowHeight = std::max(1, sizeHintForRow(0));
    const int rows = std::min<int>(static_cast<int>(labels.size()), 10);
    const QSize size(200, rows * rowHeight + 2);
    QRect anchorRect(0, 0, 0, 0);
    QRect screenRect(0, 0, 1 << 15, 1 << 15);
    if (anchor) {
        anchorRect = QRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        if (QScreen* s = anchor->screen()) screenRect = s->availableGeometry();
    }
    setGeometry(Placement(anchorRect, size, screenRect));
    finished_ = false;
    pressed_ = false;
    SelectTo(0);
    show();
    setFocus(Qt::PopupFocusReason);
}

void TUndoDropDown::SelectTo(int row) {
    current_ = std::clamp(row, 0, std::max(0, count() - 1));
    for (int i = 0; i < count(); ++i) item(i)->setSelected(i <= current_);
    if (QListWidgetItem* it = item(current_)) scrollToItem(it);
}

void TUndoDropDown::Finish(std::size_t steps) {
    if (finished_) return;
    finished_ = true;
    hide();
    if (onClosed) onClosed(steps);
}

void TUndoDropDown::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
        case Qt::Key_Down:
        case Qt::Key_Right: SelectTo(current_ + 1); break;
        case Qt::Key_Up:
        case Qt::Key_Left: SelectTo(current_ - 1); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: Finish(static_cast<std::size_t>(Chosen())); break;
        case Qt::Key_Escape: Finish(0); break;
        default: break;
    }
}

void TUndoDropDown::mousePressEvent(QMouseEvent* e) {
    if (!rect().contains(e->position().toPoint())) {
        Finish(0);  // a click outside closes the list
        return;
    }
    pressed_ = true;
    if (QListWidgetItem* it = itemAt(e->position().toPoint())) SelectTo(row(it));
}

void TUndoDropDown::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) return;
    if (QListWidgetItem* it = itemAt(e->position().toPoint())) SelectTo(row(it));
}

void TUndoDropDown::mouseReleaseEvent(QMouseEvent* e) {
    if (!pressed_) return;
    pressed_ = false;
    if (itemAt(e->position().toPoint())) Finish(static_cast<std::size_t>(Chosen()));
}

void TUndoDropDown::mouseDoubleClickEvent(QMouseEvent* e) {
    if (QListWidgetItem* it = itemAt(e->position().toPoint())) {
        SelectTo(row(it));
        Finish(static_cast<std::size_t>(Chosen()));
    }
}

void TUndoDropDown::focusOutEvent(QFocusEvent* e) {
    QListWidget::focusOutEvent(e);
    Finish(0);
}

void TUndoDropDown::hideEvent(QHideEvent* e) {
    QListWidget::hideEvent(e);
    Finish(0);
}

}  // namespace richtext::ui
