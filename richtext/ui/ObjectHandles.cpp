#include "richtext/ui/ObjectHandles.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "richtext/Layout.h"
#include "richtext/Navigation.h"
#include "richtext/ObjectUndo.h"
#include "richtext/ui/BoxWidget.h"

namespace richtext::ui {
namespace {

QRect ToQRect(const TFrameRect& r) { return QRect(r.left, r.top, r.width, r.height); }
TFrameRect ToFrame(const QRect& r) { return {r.left(), r.top(), r.width(), r.height()}; }

// Where a character stands for the object in the box, {-1, -1} when nowhere.
TTextPos PositionOf(const TNYXbox& box, const TNYXembedded& e) {
    for (std::size_t i = 0; i < box.paragraphs.size(); ++i) {
        const TNYXparag& p = *box.paragraphs[i];
        if (e.PlacedIn() != &p) continue;
        for (std::size_t k = 0; k < p.text.size(); ++k)
            if (p.ObjectAt(k) == &e) return {static_cast<std::int32_t>(i), static_cast<std::int32_t>(k)};
    }
    return {-1, -1};
}

Qt::CursorShape HandleCursor(int h) {
    switch (h) {
        case 1: case 4: return Qt::SizeFDiagCursor;
        case 2: case 3: return Qt::SizeBDiagCursor;
        case 5: case 6: return Qt::SizeVerCursor;
        default: return Qt::SizeHorCursor;
    }
}

}  // namespace

TObjectHandles::TObjectHandles(TNYXboxWidget& box) : QObject(&box), box_(box), viewport_(box.viewport()) {
    setObjectName(QStringLiteral("maniglieOggetti"));
    viewport_->installEventFilter(this);
    box_.onPaintOver = [this](QPainter& p) { Paint(p); };
}

// The handles live as long as their box (its child): the box's painting hook
// goes with the box, which is already taken apart when its children go.
TObjectHandles::~TObjectHandles() = default;

bool TObjectHandles::Editable() const { return !box_.ReadOnly() && box_.Look().editable; }

QRect TObjectHandles::FrameOf(const TNYXembedded& e) {
    if (!e.PlacedIn() || e.left == kOutOfSight || e.width <= 0) return {};
    return QRect(e.left, e.top, e.width, e.height);
}

TNYXembedded* TObjectHandles::Selected() const {
    const TNYXbox& b = const_cast<TNYXboxWidget&>(box_).Box();
    if (!b.HasSelection()) return nullptr;
    const TTextPos lo = std::min(b.selStart, b.selEnd), hi = std::max(b.selStart, b.selEnd);
    if (lo.para != hi.para || hi.ch != lo.ch + 1 || lo.para < 0 ||
        static_cast<std::size_t>(lo.para) >= b.paragraphs.size())
        return nullptr;
    return b.paragraphs[static_cast<std::size_t>(lo.para)]->ObjectAt(static_cast<std::size_t>(lo.ch));
}

bool TObjectHandles::Select(TNYXembedded& e) {
    const TTextPos at = PositionOf(box_.Box(), e);
    if (at.para < 0) return false;
    box_.Editing().CaretMoved();
    box_.Editing().Select(at, {at.para, at.ch + 1});
    box_.EditedOutside(false);
    Repaint();
    return true;
}

TNYXembedded* TObjectHandles::ObjectAt(const QPoint& pt) const {
    for (const auto& p : const_cast<TNYXboxWidget&>(box_).Box().paragraphs)
        for (TNYXembedded* e : p->Objects()) {
            // Tables take their own clicks (their cells hold text).
            if (!e || e->PlacedIn() != p.get() || e->IsTable()) continue;
            if (FrameOf(*e).contains(pt)) return e;
        }
    return nullptr;
}

QRect TObjectHandles::Outline() const { return handle_ ? ToQRect(now_) : QRect(); }

void TObjectHandles::Repaint() { box_.viewport()->update(); }

void TObjectHandles::Paint(QPainter& p) {
    if (!Editable()) return;
    p.save();
    if (handle_) {
        // The outline of the size the handle gives.
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(ToQRect(now_).adjusted(0, 0, -1, -1));
    } else if (TNYXembedded* e = Selected()) {
        const QRect f = FrameOf(*e);
        if (!f.isEmpty()) {
            // Dotted black over white, just outside the object.
            const QRect o = f.adjusted(-1, -1, 0, 0);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::white, 1));
            p.drawRect(o);
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.drawRect(o);
            const bool resizable = modeOf && modeOf(*e) == THandleMode::kResizable;
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(resizable ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0));
            for (int h = 1; h <= kHandleCount; ++h) p.drawRect(ToQRect(HandleRect(ToFrame(f), h)).adjusted(0, 0, -1, -1));
        }
    }
    if (dragging_) {
        // Where the dragged object would land.
        const TNYXcaretPos d = Normalise(box_.Box(), drop_);
        if (d.height > 0) p.fillRect(QRect(d.x, d.y, 2, d.height), Qt::black);
    }
    p.restore();
}

bool TObjectHandles::Press(const QPoint& pt, Qt::KeyboardModifiers mods) {
    press_ = TPress::kNone;
    dragging_ = false;
    if (box_.Box().UpdateCount() > 0) return false;
    if (TNYXembedded* sel = Selected()) {
        const QRect f = FrameOf(*sel);
        if (const int h = f.isEmpty() ? 0 : HandleAt(ToFrame(f), pt.x(), pt.y())) {
            box_.setFocus(Qt::MouseFocusReason);
            // A fixed frame shows its handles, but they do nothing.
            if (!modeOf || modeOf(*sel) != THandleMode::kResizable) return true;
            press_ = TPress::kResize;
            target_ = sel;
            start_ = now_ = ToFrame(f);
            pressAt_ = pt;
            handle_ = h;
            SnapshotObject(box_.Box(), *sel, resizeLabel ? resizeLabel(*sel) : std::string("Dimensiona oggetto"));
            Repaint();
            return true;
        }
    }
    if (mods & Qt::ShiftModifier) return false;  // extending a text selection
    TNYXembedded* e = ObjectAt(pt);
    if (!e) return false;
    box_.setFocus(Qt::MouseFocusReason);
    if (Selected() != e) Select(*e);
    press_ = TPress::kObject;
    target_ = e;
    pressAt_ = pt;
    return true;
}

bool TObjectHandles::Move(const QPoint& pt, Qt::KeyboardModifiers mods, bool down) {
    if (press_ == TPress::kResize && down) {
        now_ = ResizedFrame(start_, handle_, pt.x() - pressAt_.x(), pt.y() - pressAt_.y(), mods & Qt::ShiftModifier);
        Repaint();
        return true;
    }
    if (press_ == TPress::kObject && down) {
        if (!dragging_ && ObjectDragStarts(pt.x() - pressAt_.x(), pt.y() - pressAt_.y())) {
            dragging_ = true;
            box_.viewport()->setCursor(Qt::DragMoveCursor);
        }
        if (dragging_) {
            drop_ = HitTest(box_.Box(), pt.x(), pt.y());
            Repaint();
        }
        return true;
    }
    if (down) return false;
    // The pointer tells what a press would do.
    if (TNYXembedded* sel = Selected(); sel && Editable()) {
        const QRect f = FrameOf(*sel);
        const int h = f.isEmpty() ? 0 : HandleAt(ToFrame(f), pt.x(), pt.y());
        if (h && modeOf && modeOf(*sel) == THandleMode::kResizable) {
            box_.viewport()->setCursor(HandleCursor(h));
            return true;
        }
        if (f.contains(pt)) {
            box_.viewport()->setCursor(Qt::SizeAllCursor);
            return true;
        }
    }
    return false;
}

bool TObjectHandles::Release(const QPoint& pt) {
    const TPress was = press_;
    press_ = TPress::kNone;
    if (was == TPress::kResize) {
        now_ = now_.width > 0 ? now_ : start_;
        EndResize();
        return true;
    }
    if (was == TPress::kObject) {
        if (dragging_) {
            dragging_ = false;
            box_.viewport()->setCursor(Qt::IBeamCursor);
            const bool moved = box_.Editing().DragMove(HitTest(box_.Box(), pt.x(), pt.y()));
            box_.EditedOutside(moved);
            Repaint();
        }
        target_ = nullptr;
        return true;
    }
    return false;
}

void TObjectHandles::EndResize() {
    TNYXembedded* e = target_;
    handle_ = 0;
    target_ = nullptr;
    Repaint();
    if (!e) return;
    const QSize before(e->width, e->height), after(now_.width, now_.height);
    bool changed = false;
    if (before != after && storeSize) changed = storeSize(*e, before, after);
    if (!changed) return;  // the snapshot covers no change and goes
    TNYXbox& b = box_.Box();
    const TTextPos at = PositionOf(b, *e);
    if (at.para >= 0) {
        e->left = kOutOfSight;
        e->placed = false;
        b.Layout(at.para, at.para);
    }
    box_.EditedOutside(true);
    Select(*e);
}

bool TObjectHandles::eventFilter(QObject* watched, QEvent* ev) {
    // Only the viewport's mouse events are looked at: others come while the
    // box is being taken down, when it must not be asked anything.
    const QEvent::Type t = ev->type();
    const bool mouse = t == QEvent::MouseButtonPress || t == QEvent::MouseMove || t == QEvent::MouseButtonRelease ||
                       t == QEvent::MouseButtonDblClick;
    if (watched != viewport_ || !mouse || !Editable()) return QObject::eventFilter(watched, ev);
    const auto offset = [this] {
        return QPoint(box_.horizontalScrollBar()->value(), box_.verticalScrollBar()->value());
    };
    switch (ev->type()) {
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(ev);
            swallowRelease_ = false;
            if (m->button() != Qt::LeftButton) break;
            if (Press(m->position().toPoint() + offset(), m->modifiers())) return true;
            break;
        }
        case QEvent::MouseMove: {
            auto* m = static_cast<QMouseEvent*>(ev);
            if (Move(m->position().toPoint() + offset(), m->modifiers(), m->buttons() & Qt::LeftButton)) return true;
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(ev);
            if (m->button() != Qt::LeftButton) break;
            if (swallowRelease_) {
                swallowRelease_ = false;
                return true;
            }
            if (Release(m->position().toPoint() + offset())) return true;
            break;
        }
        case QEvent::MouseButtonDblClick: {
            auto* m = static_cast<QMouseEvent*>(ev);
            if (m->button() != Qt::LeftButton) break;
            TNYXembedded* e = ObjectAt(m->position().toPoint() + offset());
            if (!e) break;
            // The pending drag is dropped and the release that follows swallowed.
            press_ = TPress::kNone;
            dragging_ = false;
            handle_ = 0;
            swallowRelease_ = true;
            if (Selected() != e) Select(*e);
            if (onDoubleClick) onDoubleClick(*e);
            return true;
        }
        default: break;
    }
    return QObject::eventFilter(watched, ev);
}

}  // namespace richtext::ui
