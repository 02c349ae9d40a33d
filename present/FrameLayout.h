// The frames of the page a frame set shows, without any display: the tree
// built from the page's map, its sizing in the frame set's pixels, and the
// editing a frame set offers (dividing a frame by dragging a create bar out,
// resizing by dragging a bar, deleting a frame), loading and saving ".frm"
// layouts and writing the page's map back. The frame set widget is a shell
// over this class: it draws the rectangles, turns mouse drags into these
// calls and shows one page per leaf, told through TFramePageHost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "present/FrameTree.h"

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace present {

// What shows the leaves' pages. The frame layout tells it when a leaf's page
// must be stored, dropped or handed to another frame; every default does
// nothing, for a layout edited without pages (layout dialogs, the CLI).
class TFramePageHost {
public:
    virtual ~TFramePageHost() = default;
    // The leaf shows a page that is not in the hypertext yet.
    virtual bool PageIsNew(const TNonVisCornice& leaf) const { return leaf.rec.PageRef() == -1; }
    // ... and the author wrote something in it.
    virtual bool PageHasContent(const TNonVisCornice&) const { return false; }
    // Stores the leaf's page in the hypertext; returns the page's reference
    // (-1: nothing stored).
    virtual std::int32_t StorePage(TNonVisCornice& leaf) { return leaf.rec.PageRef(); }
    // The leaf's page goes unsaved.
    virtual void DropPage(TNonVisCornice&) {}
    // `to` takes over the page `from` shows (the record's reference is
    // already moved).
    virtual void MovePage(TNonVisCornice& /*from*/, TNonVisCornice& /*to*/) {}
    // A frame is about to leave the tree.
    virtual void FrameRemoved(TNonVisCornice&) {}
    // The tree changed shape or size: the views follow it.
    virtual void LayoutChanged() {}
};

// Which create bar is dragged out: the one along the top edge makes rows,
// the one along the left edge columns.
enum class TFrameSide { kTop, kLeft };

enum class TDivideResult { kDivided, kTooShort, kNoBar, kWrongDirection };
enum class TDeleteResult { kDeleted, kHasChildren, kSiblingHasChildren, kTopFrame, kReadOnly };
enum class TDragResult { kResized, kDeleted, kRefused, kNoBar };

// Modes of writing and loading layouts.
enum TLayoutMode { kMapMode = 0, kCopyMode = 1 };

class TFrameLayout {
public:
    explicit TFrameLayout(model::TNYXset* set = nullptr);
    ~TFrameLayout();
    TFrameLayout(const TFrameLayout&) = delete;
    TFrameLayout& operator=(const TFrameLayout&) = delete;

    // --- settings (the frame set's) -----------------------------------------------
    bool readOnly = false;
    bool framesOnly = false;  // frame boxes and names only (layout dialogs)
    bool showNested = true;   // a page is shown with its frames
    int barWidth = 10;        // of the create bars
    TFramePageHost* host = nullptr;
    model::TNYXset* Set() const { return set_; }
    // Another hypertext: what was shown goes.
    void SetSet(model::TNYXset* set);
    bool Editing() const { return !readOnly; }

    // --- what is shown ----------------------------------------------------------
    // Page n with its frames: the tree of its map, or one frame "Pag" + n
    // showing the page itself ("Map problem." when the map holds no frame).
    // False, showing nothing, when page n does not exist.
    bool ShowPage(std::int32_t n);
    // One frame "Pag" + n showing a new, empty page (page n does not exist).
    void ShowEmpty(std::int32_t n);
    void Clear();
    std::int32_t MainPage() const { return mainPage_; }
    TNonVisCornice* Top() const { return top_.get(); }
    // Replaces the tree (the top frame takes the name "Pag" + the main page).
    void SetTop(std::unique_ptr<TNonVisCornice> top);
    std::unique_ptr<TNonVisCornice> CloneTop() const;
    // The frame of that name (without regard to case), depth first.
    TNonVisCornice* FrameByName(std::string_view name) const;
    // In every leaf, one page reference for another.
    void ReplacePageReference(std::int32_t oldRef, std::int32_t newRef);
    // The frame holding the current object; cleared when that frame goes.
    TNonVisCornice* current = nullptr;

    // --- sizing -------------------------------------------------------------------
    void Layout(int width, int height);
    void Relayout();  // at the last size
    const TFrameRect& Area() const { return area_; }

    // --- editing --------------------------------------------------------------------
    // Whether a frame shows a create bar along that edge: the top frame both
    // (when showing nested pages), a child of a container of rows the left
    // one, a child of a container of columns the top one; none read-only or
    // at the deepest level a layout may have.
    bool HasCreateBar(const TNonVisCornice& f, TFrameSide side) const;
    // A create bar dragged out `distance` pixels (more than 4 bar widths):
    // a leaf becomes a container of a new frame of that size with a new page
    // and a frame that fills the rest with the old page; a container gets a
    // new first frame of that size. A container may be divided only in its
    // own direction ("?").
    TDivideResult Divide(TNonVisCornice& f, TFrameSide side, int distance);
    // Deletes a leaf, asking whether a new page with content is kept.
    TDeleteResult DeleteFrame(TNonVisCornice& f);
    // The bar after child i of a container dragged so that the child is
    // `size` pixels: percents follow the real sizes, the last child keeps at
    // least 20 pixels when an earlier one can give 30; a child dragged below
    // the bar's width is deleted (if refused, it gets 60 pixels).
    TDragResult DragBar(TNonVisCornice& container, std::size_t i, int size);
    // The size rule and size set through the properties: percent up to 100,
    // fixed up to 10000 pixels. When the parent has no percent child and the
    // last child was set, the first child becomes free.
    void SetFrameSize(TNonVisCornice& f, int rule, int value);

    // --- layouts and the map --------------------------------------------------
    // A ".frm" stream: empty does nothing (true); a bad one gives "Formato
    // file errato!" and keeps the old layout (false). In copy mode every leaf
    // shows a new page; in map mode references to what is not a page of the
    // hypertext become new pages.
    bool LoadLayout(std::string_view frm, TLayoutMode mode);
    // What the last LoadLayout or ShowPage could not take as it was.
    const TFrameReadReport& LastReport() const { return report_; }
    // The ".frm" bytes of the layout ("" undivided); "Errore in salvataggio
    // frames." and false when nothing is shown.
    bool SaveLayout(std::string& out) const;
    // Every leaf's page is stored (through the host) and the layout becomes
    // the main page's map (or the page loses its map when undivided).
    bool StoreMap();
    // Every leaf shows a new page (reference -1).
    void NewPagesEverywhere();

private:
    std::unique_ptr<TNonVisCornice> NewFrame(std::uint8_t place) const;
    void RemoveFrame(TNonVisCornice& parent, std::size_t at);
    void FixPlaces(TNonVisCornice& container) const;
    void TakeSizes(TNonVisCornice& container, std::vector<int> sizes);
    void Changed();
    void NameTop();

    model::TNYXset* set_;
    std::unique_ptr<TNonVisCornice> top_;
    std::int32_t mainPage_ = -1;
    TFrameRect area_;
    TFrameReadReport report_;
};

}  // namespace present
