// The frame set on screen: a thin Qt shell over the frame set's logic
// (present/FrameSet.h). Every leaf of the page's frames shows its page in a
// page view; the bars between sibling frames (TNYXSplit) resize them when
// dragged, and the create bars along the top and left edges of an editable
// frame (TTigerSplit) divide it when dragged out. In frames-only mode the
// frames are boxes with their names, picked with a click.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "present/FrameSet.h"

class QRubberBand;

namespace richtext {
class TNYXundoList;
}
namespace richtext::ui {
class TNYXpageView;
}

namespace present::ui {

class TInsiemeCornici;

// The bar after a child of a container: dragging it resizes that child;
// dragged until the child is thinner than the bar, the child is deleted
// (once the button is let go, with its questions).
class TNYXSplit : public QWidget {
    Q_OBJECT
public:
    explicit TNYXSplit(TInsiemeCornici& owner);
    TNonVisCornice* container = nullptr;
    std::size_t index = 0;
    bool rows = true;  // the bar lies between rows (it moves up and down)

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int SizeAt(const QPointF& global) const;
    TInsiemeCornici& owner_;
    bool dragging_ = false;
    int grab_ = 0;
};

// A create bar: dragged out more than four bar widths, it divides its frame
// at that distance (the top one into rows, the left one into columns).
class TTigerSplit : public QWidget {
    Q_OBJECT
public:
    explicit TTigerSplit(TInsiemeCornici& owner);
    TNonVisCornice* frame = nullptr;
    TFrameSide side = TFrameSide::kTop;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int DistanceAt(const QPointF& global) const;
    TInsiemeCornici& owner_;
    bool dragging_ = false;
};

// A leaf's page on screen: a page view of the frame set's, given back to it
// when the frame goes.
class TNYXFrame : public TFramePage {
public:
    TNYXFrame(TInsiemeCornici& owner, richtext::ui::TNYXpageView* view);
    ~TNYXFrame() override;
    richtext::TNYXpageSession& Session() override;
    void SetViewMode(bool on) override;
    bool Cut() override;
    bool Copy() override;
    bool Paste() override;
    void Focus() override;
    void SetShowBoundaries(bool on) override;
    void Relayout() override;
    richtext::ui::TNYXpageView* View() const { return view_; }

private:
    TInsiemeCornici& owner_;
    richtext::ui::TNYXpageView* view_;
};

class TInsiemeCornici : public QWidget, private TFramePageMaker, public TNYXCustomFrameSet {
    Q_OBJECT
public:
    explicit TInsiemeCornici(QWidget* parent = nullptr, int nesting = 0);
    ~TInsiemeCornici() override;

    // The page view of a leaf, of the current object (else the first
    // frame's); nullptr when there is none.
    richtext::ui::TNYXpageView* ViewOf(const TNonVisCornice& leaf) const;
    richtext::ui::TNYXpageView* CurrentView() const;
    std::vector<richtext::ui::TNYXpageView*> Views() const;
    // Where a frame is on screen (the frame set's coordinates).
    QRect FrameRect(const TNonVisCornice& f) const;
    // The bar widgets shown now, the create bar of a frame (nullptr: none).
    TNYXSplit* BarOf(const TNonVisCornice& container, std::size_t i) const;
    TTigerSplit* CreateBarOf(const TNonVisCornice& f, TFrameSide side) const;

    // Given to every page view.
    void SetUndoList(richtext::TNYXundoList* list);
    void SetTypographicQuotes(bool on);
    // A page view of this frame set's was made or taken again (the main
    // window adds its key filter); an edit or a selection in any of them.
    std::function<void(richtext::ui::TNYXpageView&)> onViewMade;
    std::function<void()> onEdited;
    std::function<void()> onViewSelectionChanged;
    // `OnGetHint`: the hint under the pointer in any page changed (empty: none).
    std::function<void(const std::string& hint)> onGetHint;

    // --- the widgets' drags ----------------------------------------------------------
    void DragBarTo(TNonVisCornice& container, std::size_t i, int size, bool released);
    void ShowDivideGuide(const TNonVisCornice& f, TFrameSide side, int distance);
    void DivideByDrag(TNonVisCornice& f, TFrameSide side, int distance);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    friend class TNYXFrame;
    // TFramePageMaker
    std::unique_ptr<TFramePage> MakePage() override;
    void FramesChanged() override;
    void GiveBack(richtext::ui::TNYXpageView* view);
    TNYXFrame* FrameOfView(const QObject* view) const;
    bool ShowsCreateBar(const TNonVisCornice& f, TFrameSide side) const;
    QRect StripRect(const TNonVisCornice& f, TFrameSide side) const;
    QRect ContentRect(const TNonVisCornice& leaf) const;

    std::vector<richtext::ui::TNYXpageView*> spare_;
    std::vector<TNYXSplit*> bars_;
    std::vector<TTigerSplit*> tigers_;
    std::vector<QRect> strips_;  // the create bars shown, left ones first
    std::vector<bool> stripIsLeft_;
    std::map<const TNonVisCornice*, QRect> placed_;  // where each frame's page view was put
    QRubberBand* guide_ = nullptr;
    richtext::TNYXundoList* undo_ = nullptr;
    bool quotes_ = false;
    bool placing_ = false;
};

}  // namespace present::ui
