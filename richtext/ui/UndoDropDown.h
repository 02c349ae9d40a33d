// The drop-down list of undo steps: the labels newest first, a selection that
// always runs from the first row down to the row reached, and the number of
// rows chosen handed back on confirmation (Enter, a double click or
// releasing the button); Escape or losing the focus cancels.
#pragma once

#include <QListWidget>

#include <functional>
#include <string>
#include <vector>

namespace richtext::ui {

class TUndoDropDown : public QListWidget {
    Q_OBJECT
public:
    explicit TUndoDropDown(QWidget* parent = nullptr);

    // Opens under `anchor` (a button) with the labels, newest first; the
    // first row is selected. Nothing opens without labels.
    void Open(QWidget* anchor, const std::vector<std::string>& labels);
    // Where the list goes for an anchor rectangle (global coordinates) on a
    // screen: under it, moved left to stay on the screen, above it when it
    // would leave the screen at the bottom.
    static QRect Placement(const QRect& anchor, const QSize& size, const QRect& screen);

    // The rows selected now (from the first).
    int Chosen() const { return current_ + 1; }
    // Called once when the list closes: the number of steps, 0 when cancelled.
    std::function<void(std::size_t steps)> onClosed;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void SelectTo(int row);
    void Finish(std::size_t steps);
    int current_ = 0;
    bool pressed_ = false;
    bool finished_ = true;
};

}  // namespace richtext::ui
