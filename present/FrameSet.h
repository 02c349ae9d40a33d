// The frame set without any display: the component through which a page is
// shown and edited with its frames. It holds the page's frame layout, one
// page view per leaf (made by whoever shows the frame set: widgets on screen,
// headless boxes in tests and tools), stores the pages and the layout back
// when another page is shown, keeps the current object, follows links on the
// next turn of the event loop with a history of the pages shown, and runs
// the timed page advance of slide shows in view mode. The frame set widget
// (present/ui) is a thin shell over this class.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "present/FrameLayout.h"
#include "richtext/PageSession.h"

namespace platform {
class Timer;
}

namespace present {

class TNYXCustomFrameSet;

// One leaf's page: its session and the box that shows it, on screen or not.
class TFramePage {
public:
    TFramePage();
    virtual ~TFramePage();
    TFramePage(const TFramePage&) = delete;
    TFramePage& operator=(const TFramePage&) = delete;

    virtual richtext::TNYXpageSession& Session() = 0;
    const richtext::TNYXpageSession& Session() const { return const_cast<TFramePage*>(this)->Session(); }
    // View mode: the page as a reader sees it.
    virtual void SetViewMode(bool on) = 0;
    // The clipboard commands of its box; false when there is nothing to do.
    virtual bool Cut() { return false; }
    virtual bool Copy() { return false; }
    virtual bool Paste() { return false; }
    // Gives the box the focus, making it visible first.
    virtual void Focus() {}
    // Table and cell borders drawn (else only the cells' contents).
    virtual void SetShowBoundaries(bool) {}
    // Lays the page out again (objects shown to a reader changed).
    virtual void Relayout() {}

    // The frame it shows.
    TNonVisCornice* Leaf() const { return leaf_; }
    // Expires when the page view goes: a link it asked for is then dropped.
    std::weak_ptr<void> Token() const { return alive_; }

private:
    friend class TNYXCustomFrameSet;
    TNonVisCornice* leaf_ = nullptr;
    // The page the map names for the frame, while a link shows another one
    // in it; -2 when it shows the map's own page.
    std::int32_t mapRef_ = -2;
    std::shared_ptr<int> alive_;
};

// A page view without a widget: a headless box and its session.
class THeadlessFramePage : public TFramePage {
public:
    THeadlessFramePage();
    ~THeadlessFramePage() override;
    richtext::TNYXpageSession& Session() override { return session_; }
    void SetViewMode(bool on) override { session_.SetViewMode(on); }
    richtext::THeadlessPageBox& Box() { return box_; }

private:
    richtext::THeadlessPageBox box_;
    richtext::TNYXpageSession session_{box_};
};

// Makes the leaves' page views and places them when the frames move.
class TFramePageMaker {
public:
    virtual ~TFramePageMaker() = default;
    virtual std::unique_ptr<TFramePage> MakePage() = 0;
    // The frames changed shape or size.
    virtual void FramesChanged() {}
};

// Makes headless page views (tests, tools, benchmarks).
class THeadlessPageMaker : public TFramePageMaker {
public:
    std::unique_ptr<TFramePage> MakePage() override { return std::make_unique<THeadlessFramePage>(); }
};

class TNYXCustomFrameSet : private TFramePageHost {
public:
    // Frame sets shown inside the pages of other frame sets go no deeper.
    static constexpr int kMaxNesting = 4;
    // Page numbers a link may lead to.
    static constexpr std::int64_t kMaxPageNumber = 0x1000000;

    explicit TNYXCustomFrameSet(TFramePageMaker& maker, int nesting = 0);
    virtual ~TNYXCustomFrameSet();
    TNYXCustomFrameSet(const TNYXCustomFrameSet&) = delete;
    TNYXCustomFrameSet& operator=(const TNYXCustomFrameSet&) = delete;

    // --- settings -----------------------------------------------------------------
    // The hypertext; none (or another one) shows nothing, the pages shown
    // are dropped unstored.
    void SetLinkedNYXset(model::TNYXset* set);
    model::TNYXset* LinkedNYXset() const { return set_; }
    // Read-only flows to every frame's page; it also ends a temporary
    // display, stops the preview timer (started again for the page shown
    // when view mode begins with ActivePreview) and focuses the current object.
    void SetReadOnly(bool on);
    bool ReadOnly() const { return readOnly_; }
    void SetAnimated(bool on) { animated_ = on; }
    bool Animated() const { return animated_; }
    // A page with its frames (else just the page).
    void SetShowNested(bool on);
    bool ShowNested() const { return layout_->showNested; }
    // The frame boxes and names only, no pages (layout dialogs). With a
    // layout, that layout is shown (its host becomes this frame set).
    void SetShowFramesOnly(bool on, TFrameLayout* external = nullptr);
    bool ShowFramesOnly() const { return framesOnly_; }
    // Table and cell borders in every frame's page (on by default).
    void SetShowBoundaries(bool on);
    bool ShowBoundaries() const { return showBoundaries_; }
    // `ActivePreview`: in view mode a page with a next slide advances to it
    // after its delay. Turned on in view mode, the page shown starts its
    // timer; turned off, a pending advance is dropped.
    void SetActivePreview(bool on);
    // `AnchorPreview`: anchor markers are shown in view mode too (a
    // reader's click on one is followed, below); every page is laid out again.
    void SetAnchorPreview(bool on);
    bool saveOnExit = true;
    bool activePreview = false;
    bool anchorPreview = false;
    // Following links to pages by itself; setting it clears the history.
    void SetAutoJump(bool on);
    bool AutoJump() const { return autoJump_; }
    int lineStep = 10;
    void SetBarWidth(int w) { layout_->barWidth = w; }
    int BarWidth() const { return layout_->barWidth; }
    // True while the program closes: the preview timer does nothing.
    bool closing = false;
    // How a link request is queued for the next turn of the event loop
    // (default: platform::dispatch().Post).
    std::function<void(std::function<void()>)> post;

    // --- showing pages ------------------------------------------------------------
    // `MainPageNumber`: leaves the page shown (with SaveOnExit its frames'
    // pages and the changed layout are stored, else their edits go) and
    // shows page n with its frames. -1 shows nothing. A page n that does not
    // exist is made as a new empty page of the hypertext when the frame set
    // is editable and stores on exit; otherwise an empty page is shown and
    // nothing changes. False when nothing could be shown.
    bool ShowPage(std::int32_t n);
    std::int32_t MainPageNumber() const { return mainPage_; }
    // Stores what the frames show without leaving it (SaveOnExit or not):
    // the edited pages and the changed layout. True when something was stored.
    bool StorePages();
    // Whether some frame's page holds edits not stored yet.
    bool Edited() const;
    // Lets go of the pages (a save replaces the objects they show), storing
    // them first with SaveOnExit; Reattach shows the same page again.
    void Detach();
    void Reattach();
    // Shows nothing and drops what was shown unstored (the hypertext is
    // being cleared, or a page it showed was deleted).
    void Drop();

    // --- frames ---------------------------------------------------------------------
    TFrameLayout& Layout() { return *layout_; }
    const TFrameLayout& Layout() const { return *layout_; }
    TNonVisCornice* Top() const { return layout_->Top(); }
    TNonVisCornice* FrameByName(std::string_view name) const { return layout_->FrameByName(name); }
    TFramePage* PageOf(const TNonVisCornice& leaf) const;
    // Every leaf's page, in preorder.
    std::vector<TFramePage*> Pages() const;
    // The first frame that shows page slot `slot`.
    TFramePage* PageShowing(std::int64_t slot) const;
    // Shows a page of the hypertext in the named frame (or the given leaf),
    // storing or dropping the one it showed; the layout keeps naming its own
    // page for the frame. The anchor, when given, gets the caret.
    bool LoadIntoFrame(std::string_view frameName, std::int32_t pageRef, std::int32_t anchor = -1);
    bool LoadIntoFrame(TNonVisCornice& leaf, std::int64_t slot, std::int32_t anchor = -1);
    // In every leaf, one page reference for another.
    void ReplacePageReference(std::int32_t oldRef, std::int32_t newRef);

    // --- editing the frames (by the widgets) ---------------------------------------------
    TDivideResult Divide(TNonVisCornice& f, TFrameSide side, int distance);
    TDeleteResult DeleteFrame(TNonVisCornice& f);
    TDragResult DragBar(TNonVisCornice& container, std::size_t i, int size);
    void SetFrameSize(TNonVisCornice& f, int rule, int value);
    // A ".frm" layout: in map mode the frames keep the pages it names; in
    // copy mode every frame gets a new page.
    bool LoadLayout(std::string_view frm, TLayoutMode mode);
    bool SaveLayout(std::string& frm) const { return layout_->SaveLayout(frm); }
    bool LoadLayoutFile(const std::filesystem::path& file, TLayoutMode mode);
    bool SaveLayoutFile(const std::filesystem::path& file) const;
    // Sizes the frames in the frame set's area.
    void SetArea(int width, int height) { layout_->Layout(width, height); }

    // --- the current object ----------------------------------------------------------
    void SetCurrent(TFramePage* page);
    TFramePage* Current() const { return current_; }
    // The current object, else the first frame's page.
    TFramePage* CurrentOrFirst() const;
    // Focuses the current object (else the first frame's page), not in view
    // or frames-only mode.
    void FocusCurrent();
    // The clipboard commands go to the current object.
    bool Cut();
    bool Copy();
    bool Paste();

    // --- links and history ------------------------------------------------------------
    // Queues a link of the sender's text (its key as the text holds it) to be
    // followed on the next turn of the event loop; dropped when the sender
    // has gone meanwhile. No sender: `key` is a reference of the hypertext.
    void DoLink(TFramePage* sender, std::int32_t key);
    // The same, asked by a frame set (the frame set only passes it on).
    void DoLinkFromFrameSet(std::int32_t key);
    // A reader's click on the anchor marker numbered `anchor` in a page:
    // queued like a link; onDoLink then gets the marker's record.
    void FollowAnchorMarker(TFramePage* sender, std::int32_t anchor);
    // Pops the last page of the history and shows it (if it still exists).
    bool GoBack();
    // Shows the last page of the history and keeps it there.
    bool PeekBack();
    bool CanGoBack() const { return !history_.empty(); }
    const std::vector<std::int32_t>& History() const { return history_; }

    // --- preview (slide shows in view mode) -----------------------------------------------
    bool PreviewPending() const;
    std::int32_t PreviewTarget() const { return previewTarget_; }
    int PreviewDelay() const { return previewDelay_; }  // ms

    // --- temporary display (a dialog shows another page here) -------------------------------
    // Read-only and no saving until it ends; then the main page comes back.
    bool BeginTemporaryDisplay();
    void EndTemporaryDisplay();
    bool ShowingTemporary() const { return tmp_.active; }

    // --- events ---------------------------------------------------------------------
    std::function<void()> onPageChanged;
    // The frames changed (divided, deleted, resized, another layout).
    std::function<void()> onFrameSetChanged;
    std::function<void()> onSelectionChange;
    // Pages were added to the hypertext or renamed by storing them.
    std::function<void()> onPagesStored;
    // Every link, after the frame set followed what it follows itself: the
    // sender (when it is still there) and the record (a page the link led
    // to, or the link itself). Its errors are shown.
    std::function<void(TFramePage* sender, const model::TNYXoggetto* record)> onDoLink;
    // In view mode, a link to a page opened as a separate window, a new
    // browser or a pop-up (open modes 2 to 4) goes here with the window's
    // name, and the page shown stays; true when the page was shown there.
    // Unset (or false), the page is shown in this frame set.
    std::function<bool(std::int64_t page, std::int32_t anchor, const std::string& window, int mode)> onOpenWindow;
    // A frame was clicked in frames-only mode.
    std::function<void(TNonVisCornice&)> onClickFrame;
    // The frame picked in frames-only mode.
    TNonVisCornice* ClickedFrame() const;
    void ClickFrame(TNonVisCornice* f);

protected:
    // Every page view goes (also from the destructors of subclasses).
    void ReleasePages();

private:
    struct TLinkRequest;
    // TFramePageHost
    bool PageIsNew(const TNonVisCornice& leaf) const override;
    bool PageHasContent(const TNonVisCornice& leaf) const override;
    std::int32_t StorePage(TNonVisCornice& leaf) override;
    void DropPage(TNonVisCornice& leaf) override;
    void MovePage(TNonVisCornice& from, TNonVisCornice& to) override;
    void FrameRemoved(TNonVisCornice& f) override;
    void LayoutChanged() override;

    // Stores (SaveOnExit and editable) or drops what is shown, then clears it.
    void Leave();
    bool StoreShown(bool alsoReadOnly);
    // Gives every leaf without a page view one, showing its page.
    void MakePages();
    void ShowLeafPage(TFramePage& p, std::int64_t slot);
    void ArmPreview();
    void PreviewFired();
    void RunLink(const TLinkRequest& r);
    void Push(std::int32_t page);
    void Changed();
    void PagesStored();

    TFramePageMaker& maker_;
    int nesting_;
    model::TNYXset* set_ = nullptr;
    TFrameLayout own_;
    TFrameLayout* layout_;
    std::map<const TNonVisCornice*, std::unique_ptr<TFramePage>> pages_;
    TFramePage* current_ = nullptr;
    TNonVisCornice* clicked_ = nullptr;
    std::int32_t mainPage_ = -2;
    std::int32_t detachedPage_ = -1;
    bool readOnly_ = false;
    bool showBoundaries_ = true;
    bool animated_ = false;
    bool framesOnly_ = false;
    bool autoJump_ = true;
    bool layoutDirty_ = false;
    bool pagesStored_ = false;
    std::vector<std::int32_t> history_;
    std::unique_ptr<platform::Timer> preview_;
    std::int32_t previewTarget_ = -1;
    int previewDelay_ = 100;
    struct {
        bool active = false;
        bool readOnly = false;
        bool saveOnExit = false;
        std::int32_t page = -1;
    } tmp_;
    std::shared_ptr<int> alive_;
};

// The delay of a page's timed advance to its next slide (int16 at 221,
// seconds): 5 seconds when it holds no usable value, at least 100 ms.
int SlideDelayMs(const model::TNYXoggetto& page);
constexpr std::size_t kSlideDelayField = 221;

}  // namespace present
