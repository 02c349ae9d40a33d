// The line that follows a dragged ruler marker or divider across the text:
// every other pixel of a one-pixel column inverted by exclusive-or with
// white, so that it shows on any background. The widget paints nothing
// else: moving or hiding it repaints what lay under it, which erases the old
// line.
#pragma once

#include <QPainter>
#include <QWidget>

namespace richtext::ui {

class TXorLine : public QWidget {
public:
    explicit TXorLine(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("lineaRighello"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        for (int y = 0; y < height(); y += 2) p.fillRect(0, y, width(), 1, Qt::white);
    }
};

}  // namespace richtext::ui
