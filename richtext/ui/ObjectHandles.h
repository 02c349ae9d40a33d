// The embedded objects of an editable box under the mouse: a click selects
// an object (it becomes the box's one-character selection, so the arrows,
// Delete and the clipboard act on it as on text), the selection frame with
// its eight handles is painted over it, a handle resizes it (Shift keeps the
// two changes equal on a corner), and dragging an object moves it in the
// text once the pointer left the drag threshold. Every change is undoable:
// a resize takes the object's snapshot first, a move is a text drag.
#pragma once

#include <QObject>
#include <QRect>

#include <functional>
#include <string>

#include "richtext/Box.h"
#include "richtext/DragHandles.h"

class QPainter;

namespace richtext::ui {

class TNYXboxWidget;

class TObjectHandles : public QObject {
    Q_OBJECT
public:
    explicit TObjectHandles(TNYXboxWidget& box);
    ~TObjectHandles() override;

    // The object selected now: the box's selection is exactly that object.
    TNYXembedded* Selected() const;
    // Makes the object the box's one-character selection; false when the box
    // does not show it.
    bool Select(TNYXembedded& e);
    // The object under a point of the box (box coordinates), nullptr when
    // none; tables are left to themselves.
    TNYXembedded* ObjectAt(const QPoint& boxPoint) const;
    // Where the box shows an object (box coordinates), empty when nowhere.
    static QRect FrameOf(const TNYXembedded& e);

    // Whether the object's handles resize it (default: fixed).
    std::function<THandleMode(const TNYXembedded&)> modeOf;
    // The label of the snapshot taken before a resize.
    std::function<std::string(const TNYXembedded&)> resizeLabel;
    // Stores a size the handles gave into the object's record; false when
    // the record did not change.
    std::function<bool(TNYXembedded&, QSize before, QSize after)> storeSize;
    // A double click on an object in the editable box (its properties).
    std::function<void(TNYXembedded&)> onDoubleClick;

    // A handle drag in progress and its outline (box coordinates).
    bool Resizing() const { return handle_ != 0; }
    QRect Outline() const;
    bool Dragging() const { return dragging_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    enum class TPress { kNone, kResize, kObject };
    bool Editable() const;
    void Paint(QPainter& p);
    bool Press(const QPoint& pt, Qt::KeyboardModifiers mods);
    bool Move(const QPoint& pt, Qt::KeyboardModifiers mods, bool down);
    bool Release(const QPoint& pt);
    void EndResize();
    void Repaint();

    TNYXboxWidget& box_;
    QObject* viewport_;
    TPress press_ = TPress::kNone;
    int handle_ = 0;
    TNYXembedded* target_ = nullptr;
    TFrameRect start_, now_;
    QPoint pressAt_;
    bool dragging_ = false;
    bool swallowRelease_ = false;
    TTextPos drop_;
};

}  // namespace richtext::ui
