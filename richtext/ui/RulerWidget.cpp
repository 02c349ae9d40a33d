#include "richtext/ui/RulerWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>

#include <cmath>

#include "richtext/ui/XorLine.h"

namespace richtext::ui {
namespace {

// The numbered step of the scale in each unit, chosen so that numbers stand
// a few centimetres apart; the divisions fall between them.
double NumberStep(int unit) {
    switch (unit) {
        case kMm: return 10;
        case kPoint: return 72;
        case kPica: return 6;
        case kPixel: return 100;
        default: return 1;  // centimetres, inches
    }
}

QPolygon Triangle(int x, int top, int bottom, bool down) {
    const int half = TKyRuler::kMarkerWidth / 2;
    if (down) return QPolygon({QPoint(x - half, top), QPoint(x + half, top), QPoint(x, bottom)});
    return QPolygon({QPoint(x, top), QPoint(x + half, bottom), QPoint(x - half, bottom)});
}

}  // namespace

TRulerWidget::TRulerWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("righello"));
    setFixedHeight(TKyRuler::kDefaultHeight);
    setMinimumWidth(TKyRuler::kDefaultWidth);
    setFocusPolicy(Qt::ClickFocus);
    QFont f = font();
    f.setPixelSize(8);
    setFont(f);
}

void TRulerWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette pal = palette();
    p.fillRect(rect(), pal.button());
    const int start = ruler_.WindowStart(), size = ruler_.WindowSize();
    const QRect window(start, 3, size, height() - 6);
    p.fillRect(window, Qt::white);
    p.setPen(pal.color(QPalette::Dark));
    p.drawRect(window.adjusted(0, 0, -1, -1));

    // The scale, from the window's start.
    const double step = NumberStep(ruler_.Unit());
    const double stepPx = ToPixels(step * 1000, ruler_.Unit()) / 1000.0;
    const int divisions = std::max(1, ruler_.Divisions());
    p.setPen(Qt::black);
    if (stepPx >= 4) {
        const int count = static_cast<int>(size / stepPx) + 1;
        for (int n = 0; n <= count; ++n) {
            for (int d = 0; d < divisions; ++d) {
                const int x = start + static_cast<int>(std::lround((n + static_cast<double>(d) / divisions) * stepPx));
                if (x > start + size) break;
                const bool half = divisions % 2 == 0 && d == divisions / 2;
                if (d == 0) continue;
                const int len = half ? 4 : 2;
                p.drawLine(x, height() / 2 - len / 2, x, height() / 2 + len / 2);
            }
            const int x = start + static_cast<int>(std::lround(n * stepPx));
            if (n > 0 && x <= start + size - 4) {
                const QString label = QString::number(n * step);
                p.drawText(QRect(x - 15, 3, 30, height() - 6), Qt::AlignCenter, label);
            }
        }
    }

    // The markers.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::black);
    p.setBrush(pal.button());
    const int h = height();
    const int square = h - TKyRuler::kSquareHeight, bottom = square - 1;
    p.drawPolygon(Triangle(start + ruler_.IndentPos(), 0, TKyRuler::kMarkerHeight - 1, true));
    p.drawPolygon(Triangle(start + ruler_.LeftPos(), square - TKyRuler::kMarkerHeight, bottom, false));
    p.drawRect(start + ruler_.LeftPos() - TKyRuler::kMarkerWidth / 2, square, TKyRuler::kMarkerWidth - 1,
               TKyRuler::kSquareHeight - 1);
    p.drawPolygon(Triangle(start + ruler_.RightPos(), h - TKyRuler::kMarkerHeight - 1, h - 1, false));
}

void TRulerWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || ruler_.Moving() != TRulerMarker::kNone) return;
    const QPoint at = e->position().toPoint();
    const TRulerMarker m = ruler_.MarkerAt(at.x(), at.y(), height());
    if (m == TRulerMarker::kNone) return;
    ruler_.BeginMove(m, at.x());
    if (onMoveStart) onMoveStart();
    MoveGuide();
}

void TRulerWidget::mouseMoveEvent(QMouseEvent* e) {
    if (ruler_.Moving() == TRulerMarker::kNone) return;
    ruler_.MoveTo(e->position().toPoint().x());
    MoveGuide();
    update();
}

void TRulerWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || ruler_.Moving() == TRulerMarker::kNone) return;
    ruler_.MoveTo(e->position().toPoint().x());
    EndGuide();
    const TRulerChange change = ruler_.EndMove();
    update();
    if (change != TRulerChange::kNone && onChanged) onChanged(change);
    if (onMoveStop) onMoveStop();
}

void TRulerWidget::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && ruler_.Moving() != TRulerMarker::kNone) {
        ruler_.CancelMove();
        EndGuide();
        update();
        if (onMoveStop) onMoveStop();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TRulerWidget::MoveGuide() {
    const QString hint = QString::fromStdString(ruler_.Hint());
    QToolTip::showText(mapToGlobal(QPoint(ruler_.GuideX(), height())), hint, this);
    QWidget* target = onGetTarget ? onGetTarget() : nullptr;
    if (!target) return;
    if (!guide_ || guide_->parentWidget() != target) {
        delete guide_;
        guide_ = new TXorLine(target);
    }
    const int x = target->mapFromGlobal(mapToGlobal(QPoint(ruler_.GuideX(), 0))).x();
    guide_->setGeometry(x, 0, 1, target->height());
    guide_->show();
    guide_->raise();
}

void TRulerWidget::EndGuide() {
    QToolTip::hideText();
    if (guide_) guide_->hide();
}

}  // namespace richtext::ui
