// The rich-text box on screen: a scrolling view of a TNYXbox, laid out at the
// viewport's width, painted by damaged rectangle, its text exposed to
// accessibility (objects as U+FFFC). TNYXpageView shows one page of a
// hypertext in it, with the page's header and footer texts.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Box.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/QtMetrics.h"

namespace richtext::ui {

class TNYXboxWidget : public QAbstractScrollArea, public TLayoutHost {
    Q_OBJECT
public:
    explicit TNYXboxWidget(QWidget* parent = nullptr);
    ~TNYXboxWidget() override;

    TNYXbox& Box() { return *box_; }
    TNYXundoIndiciList& Registry() { return *registry_; }
    TQtTextMetrics& Metrics() { return metrics_; }
    TBoxLook& Look() { return look_; }

    // Starts over with an empty box over a hypertext (its styles and objects).
    void ResetBox(model::TNYXset* set);
    // Reads body, header and footer texts into the box and lays them out.
    void LoadText(std::string_view body, std::string_view header = {}, std::string_view footer = {});
    // Lays the whole box out again at the viewport's width.
    void Relayout();

    // Called after layout for every object whose place changed (box
    // coordinates): object controls are moved here, never from painting.
    std::function<void(TNYXembedded&, const QRect&)> onPlaceObject;

    // The text as accessibility sees it: paragraphs joined by "\n", objects as U+FFFC.
    QString AccessibleText() const;
    // Offset of a text position in AccessibleText().
    int AccessibleOffset(const TTextPos& pos) const;
    TTextPos PositionOfOffset(int offset) const;

    // Painting statistics, for tests: the last damaged rectangle painted.
    QRect LastPaintedRect() const { return lastPainted_; }

    // --- TLayoutHost ------------------------------------------------------------
    void Invalidate(std::int32_t top, std::int32_t bottom) override;
    void ContentSizeChanged() override;
    void UpdateEnded() override;
    void ObjectsMoved(std::int32_t first, std::int32_t last) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

    void UpdateScrollBars();
    // Placed pictures show their picture; every other object a placeholder.
    void PaintObject(QPainter& p, const TNYXembedded& e, const QRect& r);

    model::TNYXset* set_ = nullptr;
    TQtTextMetrics metrics_;
    std::unique_ptr<TNYXundoIndiciList> registry_;
    std::unique_ptr<TNYXbox> box_;
    TBoxLook look_;
    QRect lastPainted_;
    std::map<const model::TNYXoggetto*, QImage> pictures_;
};

class TNYXpageView : public TNYXboxWidget {
    Q_OBJECT
public:
    explicit TNYXpageView(QWidget* parent = nullptr);
    ~TNYXpageView() override;

    // Shows the page at a slot of the hypertext (-1 or a missing page: an
    // empty new text), with its header and footer texts, background and
    // colours. False when the slot holds no page.
    bool ShowPage(model::TNYXset& set, std::int64_t slot);
    // The cover page (the hypertext's start page), else the first page.
    bool ShowCoverPage(model::TNYXset& set);
    // Shows nothing; the working copy is dropped unchanged.
    void ClosePage();

    model::TNYXtesto* WorkingCopy() const { return copy_.get(); }
    std::int64_t PageSlot() const { return slot_; }
    // View mode: read-only, no hatching of header and footer text.
    void SetViewMode(bool on);

private:
    std::unique_ptr<model::TNYXtesto> copy_;
    std::int64_t slot_ = -1;
};

// Puts a page view into a window's central area (replacing what was there)
// and returns it; the window keeps it.
TNYXpageView* PutPageView(QMainWindow& window);

// Registers the accessibility interface of the box widgets (done by every
// widget's constructor; calling it again is harmless).
void InstallBoxAccessibility();

}  // namespace richtext::ui
