// The paragraph ruler on screen: a strip 20 pixels high whose white window
// lies over the current box's text, with the scale in the ruler's unit and
// the four markers of TKyRuler. Dragging a marker draws the guide line across
// the target (the box's text area) and shows the value as a hint; releasing
// it tells the owner what changed. Escape during a drag puts the marker back.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

#include "richtext/Ruler.h"

namespace richtext::ui {

class TXorLine;

class TRulerWidget : public QWidget {
    Q_OBJECT
public:
    explicit TRulerWidget(QWidget* parent = nullptr);
    TKyRuler& Ruler() { return ruler_; }
    const TKyRuler& Ruler() const { return ruler_; }
    QSize sizeHint() const override { return {TKyRuler::kDefaultWidth, TKyRuler::kDefaultHeight}; }

    // The widget the guide line is drawn across (OnGetTarget).
    std::function<QWidget*()> onGetTarget;
    // A marker was pressed (the owner hides the caret) and released (shows it again).
    std::function<void()> onMoveStart;
    std::function<void()> onMoveStop;
    // Raised on release, before onMoveStop, when a value changed.
    std::function<void(TRulerChange)> onChanged;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void MoveGuide();
    void EndGuide();
    TKyRuler ruler_;
    QPointer<TXorLine> guide_;
};

}  // namespace richtext::ui
