#include "present/ui/InsiemeCornici.h"
#include "present/ui/TableView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <map>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "richtext/Undo.h"
#include "present/ui/ObjectEdit.h"
#include "present/ui/ObjectLife.h"
#include "present/ui/ObjectPainter.h"
#include "present/ui/PictureView.h"
#include "richtext/ui/BoxWidget.h"

namespace present::ui {

namespace {

constexpr std::size_t kSpareViews = 16;
constexpr int kSideScroll = 20;  // pixels a left or right arrow scrolls in view mode

QRect ToQ(const TFrameRect& r) { return QRect(r.left, r.top, r.width, r.height); }

QString FromCp(std::string_view cp) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp)); }

}  // namespace

// --- bars ---------------------------------------------------------------------------

TNYXSplit::TNYXSplit(TInsiemeCornici& owner) : QWidget(&owner), owner_(owner) {
    setObjectName(QStringLiteral("TNYXSplit"));
}

void TNYXSplit::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().button());
    p.setPen(palette().mid().color());
    if (rows) p.drawLine(0, height() / 2, width(), height() / 2);
    else p.drawLine(width() / 2, 0, width() / 2, height());
}

int TNYXSplit::SizeAt(const QPointF& global) const {
    if (!container || index >= container->children.size()) return 0;
    const QPoint at = owner_.mapFromGlobal(global.toPoint());
    const TFrameRect& child = container->children[index]->rect;
    return rows ? at.y() - grab_ - child.top : at.x() - grab_ - child.left;
}

void TNYXSplit::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || owner_.ReadOnly()) return;
    dragging_ = true;
    grab_ = rows ? e->position().toPoint().y() : e->position().toPoint().x();
}

void TNYXSplit::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !container) return;
    owner_.DragBarTo(*container, index, SizeAt(e->globalPosition()), false);
}

void TNYXSplit::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    if (container) owner_.DragBarTo(*container, index, SizeAt(e->globalPosition()), true);
}

TTigerSplit::TTigerSplit(TInsiemeCornici& owner) : QWidget(&owner), owner_(owner) {
    setObjectName(QStringLiteral("TTigerSplit"));
    setToolTip(QStringLiteral("Trascina per creare una nuova cornice"));
}

void TTigerSplit::paintEvent(QPaintEvent*) {
    // A raised bevel.
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(rect(), palette().button());
    p.setPen(palette().light().color());
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().dark().color());
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

int TTigerSplit::DistanceAt(const QPointF& global) const {
    if (!frame) return 0;
    const QPoint at = owner_.mapFromGlobal(global.toPoint());
    return side == TFrameSide::kTop ? at.y() - frame->rect.top : at.x() - frame->rect.left;
}

void TTigerSplit::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && !owner_.ReadOnly()) dragging_ = true;
}

void TTigerSplit::mouseMoveEvent(QMouseEvent* e) {
    if (dragging_ && frame) owner_.ShowDivideGuide(*frame, side, DistanceAt(e->globalPosition()));
}

void TTigerSplit::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    if (frame) owner_.DivideByDrag(*frame, side, DistanceAt(e->globalPosition()));
}

// --- a leaf's page on screen ------------------------------------------------------------------

TNYXFrame::TNYXFrame(TInsiemeCornici& owner, richtext::ui::TNYXpageView* view) : owner_(owner), view_(view) {}

TNYXFrame::~TNYXFrame() { owner_.GiveBack(view_); }

richtext::TNYXpageSession& TNYXFrame::Session() { return view_->Session(); }
void TNYXFrame::SetViewMode(bool on) { view_->SetViewMode(on); }
bool TNYXFrame::Cut() { return view_->Cut(); }
bool TNYXFrame::Copy() { return view_->Copy(); }
bool TNYXFrame::Paste() { return view_->Paste(); }

void TNYXFrame::Focus() {
    view_->show();
    view_->setFocus(Qt::OtherFocusReason);
}

void TNYXFrame::Relayout() {
    view_->Relayout();
    view_->viewport()->update();
}

void TNYXFrame::SetShowBoundaries(bool on) {
    if (view_->Look().showBoundaries == on) return;
    view_->Look().showBoundaries = on;
    view_->viewport()->update();
}

namespace {

// The reader's side of a page view's objects (made with the view).
TViewObjects* ObjectsOf(richtext::ui::TNYXpageView& view) {
    return dynamic_cast<TViewObjects*>(view.findChild<QObject*>(QStringLiteral("oggettiPagina"), Qt::FindDirectChildrenOnly));
}

}  // namespace

// --- the frame set --------------------------------------------------------------------------------

TInsiemeCornici::TInsiemeCornici(QWidget* parent, int nesting)
    : QWidget(parent), TNYXCustomFrameSet(static_cast<TFramePageMaker&>(*this), nesting) {
    setObjectName(QStringLiteral("TInsiemeCornici"));
    // A size to lay pages out at until the window that holds it is shown.
    resize(640, 480);
    // Links are followed on the next turn of the event loop; a request
    // still queued when the frame set goes is dropped with it.
    post = [this](std::function<void()> fn) { QTimer::singleShot(0, this, std::move(fn)); };
    guide_ = new QRubberBand(QRubberBand::Line, this);
}

TInsiemeCornici::~TInsiemeCornici() {
    // The page views give their pages back while this widget is whole.
    ReleasePages();
    for (auto* v : spare_) v->SetUndoList(nullptr);
}

std::unique_ptr<TFramePage> TInsiemeCornici::MakePage() {
    richtext::ui::TNYXpageView* view = nullptr;
    if (!spare_.empty()) {
        view = spare_.back();
        spare_.pop_back();
    } else {
        view = new richtext::ui::TNYXpageView(this);
        view->setObjectName(QStringLiteral("mePagina"));
        view->installEventFilter(this);
        view->onMeasureObject = [this, view](richtext::TNYXembedded& e, std::int32_t lineWidth) {
            return MeasureEmbedded(e, lineWidth, view->ReadOnly(), anchorPreview);
        };
        auto* objects = new TViewObjects(*view);
        AttachObjectEditing(*view);
        objects->setObjectName(QStringLiteral("oggettiPagina"));
        auto* pictures = new TPictureObjects(*view);
        view->onPaintObject = [objects, pictures](QPainter& p, const richtext::TNYXembedded& e, const QRect& r) {
            if (pictures->Paint(p, e, r)) return true;
            return e.Record() && PaintEmbedded(p, *e.Record(), r, objects->StateOf(*e.Record()));
        };
        InstallTables(*view);
    }
    view->SetUndoList(undo_);
    view->SetTypographicQuotes(quotes_);
    auto frame = std::make_unique<TNYXFrame>(*this, view);
    TNYXFrame* f = frame.get();
    view->onFollowLink = [this, f](std::int32_t key) { DoLink(f, key); };
    if (TViewObjects* objects = ObjectsOf(*view))
        objects->onAnchorClicked = [this, f](std::int32_t anchor) { FollowAnchorMarker(f, anchor); };
    view->onEdited = [this] {
        if (onEdited) onEdited();
    };
    view->onSelectionChanged = [this, f] {
        SetCurrent(f);
        if (onViewSelectionChanged) onViewSelectionChanged();
    };
    view->onLinkHint = [view](std::int32_t key) -> std::string {
        const model::TNYXoggetto* link = view->LinkRecord(key);
        if (!link) return {};
        if (link->Type() == model::speclink && link->Subtype() == 1 && link->Set())
            if (const model::TNYXoggetto* page = link->Set()->ObjectByRef(link->Int(model::linkrec::kTarget));
                page && !page->IsEmpty())
                return platform::text::Cp1252ToUtf8(page->DescriptionTitle());
        return platform::text::Cp1252ToUtf8(link->Description());
    };
    view->onHintChanged = [this](const std::string& hint) {
        if (onGetHint) onGetHint(hint);
    };
    if (onViewMade) onViewMade(*view);
    return frame;
}

void TInsiemeCornici::GiveBack(richtext::ui::TNYXpageView* view) {
    if (!view) return;
    view->ClosePage();
    view->onFollowLink = nullptr;
    view->onEdited = nullptr;
    view->onSelectionChanged = nullptr;
    view->onHintChanged = nullptr;
    if (TViewObjects* objects = ObjectsOf(*view)) objects->onAnchorClicked = nullptr;
    // Hidden once the frames are placed, unless a frame takes it again at once.
    if (spare_.size() < kSpareViews) {
        spare_.push_back(view);
    } else {
        view->hide();
        view->SetUndoList(nullptr);
        view->deleteLater();
    }
}

TNYXFrame* TInsiemeCornici::FrameOfView(const QObject* view) const {
    for (TFramePage* p : Pages()) {
        auto* f = static_cast<TNYXFrame*>(p);
        if (f->View() == view) return f;
    }
    return nullptr;
}

richtext::ui::TNYXpageView* TInsiemeCornici::ViewOf(const TNonVisCornice& leaf) const {
    auto* f = static_cast<TNYXFrame*>(PageOf(leaf));
    return f ? f->View() : nullptr;
}

richtext::ui::TNYXpageView* TInsiemeCornici::CurrentView() const {
    auto* f = static_cast<TNYXFrame*>(CurrentOrFirst());
    return f ? f->View() : nullptr;
}

std::vector<richtext::ui::TNYXpageView*> TInsiemeCornici::Views() const {
    std::vector<richtext::ui::TNYXpageView*> out;
    for (TFramePage* p : Pages()) out.push_back(static_cast<TNYXFrame*>(p)->View());
    return out;
}

QRect TInsiemeCornici::FrameRect(const TNonVisCornice& f) const { return ToQ(f.rect); }

TNYXSplit* TInsiemeCornici::BarOf(const TNonVisCornice& container, std::size_t i) const {
    for (TNYXSplit* b : bars_)
        if (b->isVisible() && b->container == &container && b->index == i) return b;
    return nullptr;
}

TTigerSplit* TInsiemeCornici::CreateBarOf(const TNonVisCornice& f, TFrameSide side) const {
    for (TTigerSplit* t : tigers_)
        if (t->isVisible() && t->frame == &f && t->side == side) return t;
    return nullptr;
}

void TInsiemeCornici::SetUndoList(richtext::TNYXundoList* list) {
    undo_ = list;
    for (auto* v : Views()) v->SetUndoList(list);
    for (auto* v : spare_) v->SetUndoList(list);
}

void TInsiemeCornici::SetTypographicQuotes(bool on) {
    quotes_ = on;
    for (auto* v : Views()) v->SetTypographicQuotes(on);
}

bool TInsiemeCornici::ShowsCreateBar(const TNonVisCornice& f, TFrameSide side) const {
    if (!Layout().HasCreateBar(f, side)) return false;
    // A divided top frame grows only in the direction it is divided in.
    if (f.IsTop() && !f.IsLeaf()) return (side == TFrameSide::kTop) == f.ChildrenAreRows();
    return true;
}

QRect TInsiemeCornici::StripRect(const TNonVisCornice& f, TFrameSide side) const {
    const int bw = std::max(1, BarWidth());
    const QRect r = ToQ(f.rect);
    if (side == TFrameSide::kLeft) return QRect(r.left(), r.top(), std::min(bw, r.width()), r.height());
    QRect top(r.left(), r.top(), r.width(), std::min(bw, r.height()));
    // A left create bar already holds the corner.
    for (std::size_t i = 0; i < strips_.size(); ++i)
        if (stripIsLeft_[i] && strips_[i].left() == top.left() && strips_[i].intersects(top))
            top.setLeft(strips_[i].right() + 1);
    return top;
}

QRect TInsiemeCornici::ContentRect(const TNonVisCornice& leaf) const {
    QRect c = ToQ(leaf.rect);
    // The create bars along the frame's edges (its own or a container's) take their strip.
    for (std::size_t i = 0; i < strips_.size(); ++i) {
        const QRect& s = strips_[i];
        if (!s.intersects(c)) continue;
        if (stripIsLeft_[i]) {
            if (s.left() <= c.left() && s.right() >= c.left()) c.setLeft(s.right() + 1);
        } else if (s.top() <= c.top() && s.bottom() >= c.top()) {
            c.setTop(s.bottom() + 1);
        }
    }
    if (leaf.rec.Border() && c.width() > 2 && c.height() > 2) c.adjust(1, 1, -1, -1);
    return c;
}

void TInsiemeCornici::FramesChanged() {
    if (placing_) return;
    // Before the first resize event (a window not shown yet) the frames take
    // the widget's size; the layout then calls back here.
    const TFrameRect& area = Layout().Area();
    if (area.width != width() || area.height != height()) {
        SetArea(width(), height());
        return;
    }
    placing_ = true;
    TNonVisCornice* top = Top();
    const bool editing = !ReadOnly();
    // Create bars: left ones first, so that the top ones leave them their corner.
    strips_.clear();
    stripIsLeft_.clear();
    std::size_t nt = 0;
    auto tiger = [&](TNonVisCornice& f, TFrameSide side) {
        if (nt == tigers_.size()) tigers_.push_back(new TTigerSplit(*this));
        TTigerSplit* t = tigers_[nt++];
        t->frame = &f;
        t->side = side;
        const QRect r = StripRect(f, side);
        strips_.push_back(r);
        stripIsLeft_.push_back(side == TFrameSide::kLeft);
        t->setGeometry(r);
        t->setCursor(side == TFrameSide::kTop ? Qt::SizeVerCursor : Qt::SizeHorCursor);
        t->show();
        t->raise();
    };
    if (top && editing) {
        top->ForEach([&](TNonVisCornice& f) {
            if (ShowsCreateBar(f, TFrameSide::kLeft)) tiger(f, TFrameSide::kLeft);
        });
        top->ForEach([&](TNonVisCornice& f) {
            if (ShowsCreateBar(f, TFrameSide::kTop)) tiger(f, TFrameSide::kTop);
        });
    }
    for (std::size_t i = nt; i < tigers_.size(); ++i) {
        tigers_[i]->hide();
        tigers_[i]->frame = nullptr;
    }
    // Bars between siblings.
    std::size_t nb = 0;
    if (top) {
        top->ForEach([&](TNonVisCornice& c) {
            for (std::size_t i = 0; i + 1 < c.children.size(); ++i) {
                const QRect r = ToQ(BarRect(c, i, editing));
                if (r.width() <= 0 || r.height() <= 0) continue;
                if (nb == bars_.size()) bars_.push_back(new TNYXSplit(*this));
                TNYXSplit* b = bars_[nb++];
                b->container = &c;
                b->index = i;
                b->rows = c.ChildrenAreRows();
                b->setGeometry(r);
                b->setCursor(editing ? (b->rows ? Qt::SplitVCursor : Qt::SplitHCursor) : Qt::ArrowCursor);
                b->show();
            }
        });
    }
    for (std::size_t i = nb; i < bars_.size(); ++i) {
        bars_[i]->hide();
        bars_[i]->container = nullptr;
    }
    // The pages. Only what moved is painted again: the frame set paints the
    // borders around the frames, and the views that kept their place keep
    // their pixels.
    QRegion dirty;
    std::map<const TNonVisCornice*, QRect> placed;
    if (top)
        top->ForEach([&](const TNonVisCornice& f) {
            if (!f.IsLeaf()) return;
            const QRect r = ContentRect(f);
            placed[&f] = r;
            auto was = placed_.find(&f);
            if (was == placed_.end() || was->second != r) {
                dirty += r.adjusted(-2, -2, 2, 2);
                if (was != placed_.end()) dirty += was->second.adjusted(-2, -2, 2, 2);
            }
        });
    for (const auto& [f, r] : placed_)
        if (!placed.count(f)) dirty += r.adjusted(-2, -2, 2, 2);
    placed_ = std::move(placed);
    for (TFramePage* p : Pages()) {
        auto* f = static_cast<TNYXFrame*>(p);
        if (!p->Leaf()) continue;
        f->View()->setGeometry(placed_[p->Leaf()]);
        f->View()->show();
    }
    for (auto* v : spare_) v->hide();
    placing_ = false;
    if (ShowFramesOnly() || !top) update();
    else if (!dirty.isEmpty()) update(dirty);
}

void TInsiemeCornici::DragBarTo(TNonVisCornice& container, std::size_t i, int size, bool released) {
    if (ReadOnly()) return;
    const int thickness = BarThickness(container, true);
    // While the button is down the frame stays at least as wide as the bar;
    // let go thinner than that, it is deleted.
    if (!released) size = std::max(size, thickness);
    DragBar(container, i, size);
}

void TInsiemeCornici::ShowDivideGuide(const TNonVisCornice& f, TFrameSide side, int distance) {
    const QRect r = ToQ(f.rect);
    if (distance <= 4 * BarWidth()) {
        guide_->hide();
        return;
    }
    if (side == TFrameSide::kTop) guide_->setGeometry(r.left(), r.top() + std::min(distance, r.height()), r.width(), 2);
    else guide_->setGeometry(r.left() + std::min(distance, r.width()), r.top(), 2, r.height());
    guide_->show();
    guide_->raise();
}

void TInsiemeCornici::DivideByDrag(TNonVisCornice& f, TFrameSide side, int distance) {
    guide_->hide();
    Divide(f, side, distance);
}

void TInsiemeCornici::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    SetArea(width(), height());
}

void TInsiemeCornici::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    TNonVisCornice* top = Top();
    if (!top) return;
    const TNonVisCornice* picked = ClickedFrame();
    top->ForEach([&](const TNonVisCornice& f) {
        if (!f.IsLeaf()) return;
        const QRect c = ContentRect(f).adjusted(-1, -1, 0, 0);
        if (ShowFramesOnly()) {
            // The frame's box with its name.
            p.fillRect(c, Qt::white);
            p.setPen(&f == picked ? QPen(palette().highlight().color(), 2) : QPen(palette().dark().color()));
            p.drawRect(c.adjusted(0, 0, -1, -1));
            p.setPen(palette().text().color());
            p.drawText(c, Qt::AlignCenter, FromCp(f.rec.Name()));
        } else if (f.rec.Border()) {
            p.setPen(palette().dark().color());
            p.drawRect(c.adjusted(0, 0, 0, 0));
        }
    });
}

void TInsiemeCornici::mousePressEvent(QMouseEvent* e) {
    TNonVisCornice* top = Top();
    if (!top || !ShowFramesOnly()) return QWidget::mousePressEvent(e);
    const QPoint at = e->position().toPoint();
    TNonVisCornice* hit = nullptr;
    top->ForEach([&](TNonVisCornice& f) {
        if (ToQ(f.rect).contains(at)) hit = &f;  // the deepest frame there
    });
    ClickFrame(hit);
    update();
}

bool TInsiemeCornici::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusIn) {
        if (TNYXFrame* f = FrameOfView(watched)) SetCurrent(f);
    } else if (e->type() == QEvent::KeyPress && ReadOnly()) {
        // In view mode the arrows scroll the page under the reader.
        auto* k = static_cast<QKeyEvent*>(e);
        auto* view = qobject_cast<richtext::ui::TNYXpageView*>(watched);
        if (view && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            QScrollBar* h = view->horizontalScrollBar();
            QScrollBar* v = view->verticalScrollBar();
            switch (k->key()) {
                case Qt::Key_Left: h->setValue(h->value() - kSideScroll); return true;
                case Qt::Key_Right: h->setValue(h->value() + kSideScroll); return true;
                case Qt::Key_Up: v->setValue(v->value() - lineStep); return true;
                case Qt::Key_Down: v->setValue(v->value() + lineStep); return true;
                default: break;
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

}  // namespace present::ui
