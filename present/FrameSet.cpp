#include "present/FrameSet.h"

#include <algorithm>
#include <exception>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"
#include "platform/Dispatch.h"
#include "platform/Timer.h"
#include "platform/Ui.h"
#include "present/FrameData.h"
#include "present/FrameProperties.h"

namespace present {

namespace {

constexpr const char* kNoMaster = "Nessuna cornice è stata registrata come master per la mappa cornici!";
constexpr const char* kTmpActive = "Error: this property must be set true with IsShowingTmpFrameSet false";
constexpr std::size_t kMaxHistory = 1000;
constexpr int kOpenReplaceCurrent = 0, kOpenNamedFrame = 1, kOpenFirstWindow = 2, kOpenLastWindow = 4, kOpenAnchorHere = 6;
constexpr std::int32_t kOwnPage = -2;  // TFramePage::mapRef_: the frame shows the map's page

model::TNYXoggetto* PageAt(const model::TNYXset* set, std::int64_t slot) {
    if (!set || slot < 0 || slot > static_cast<std::int64_t>(model::kMaxIndex)) return nullptr;
    model::TNYXoggetto* p = set->ObjectAt(model::testoHtml, slot);
    return p && p->Type() == model::testoHtml && !p->IsEmpty() ? p : nullptr;
}

// The slot a page stored without one will take: the first empty one.
std::int64_t FirstFreePageSlot(const model::TNYXset& set) {
    const std::size_t n = set.Count(model::testoHtml);
    for (std::size_t i = 0; i < n; ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) return static_cast<std::int64_t>(i);
    }
    return static_cast<std::int64_t>(n);
}

std::int32_t PageRef(std::int64_t slot) {
    return slot < 0 ? -1 : model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(slot));
}

}  // namespace

struct TNYXCustomFrameSet::TLinkRequest {
    bool hasSender = false;
    std::weak_ptr<void> sender;
    TFramePage* page = nullptr;
    std::int32_t key = -1;
    bool fromFrameSet = false;
    bool pushed = false;  // the history already holds the page left
};

// --- page views ----------------------------------------------------------------------

TFramePage::TFramePage() : alive_(std::make_shared<int>(0)) {}
TFramePage::~TFramePage() = default;

THeadlessFramePage::THeadlessFramePage() = default;
THeadlessFramePage::~THeadlessFramePage() {
    // The box shows objects of the working copy: both go before the box.
    session_.ClosePage();
}

int SlideDelayMs(const model::TNYXoggetto& page) {
    int seconds = page.SWord(kSlideDelayField);
    if (seconds <= 0 || seconds > 3600) seconds = 5;
    return std::max(100, seconds * 1000);
}

// --- the frame set -------------------------------------------------------------------

TNYXCustomFrameSet::TNYXCustomFrameSet(TFramePageMaker& maker, int nesting)
    : maker_(maker),
      nesting_(nesting),
      layout_(&own_),
      preview_(platform::timers().MakeTimer()),
      alive_(std::make_shared<int>(0)) {
    own_.host = this;
}

TNYXCustomFrameSet::~TNYXCustomFrameSet() {
    preview_->Stop();
    ReleasePages();
    if (layout_ != &own_) layout_->host = nullptr;
    own_.host = nullptr;
}

void TNYXCustomFrameSet::ReleasePages() {
    // A page going may move the focus and so make another page current:
    // the pages leave the list before any goes, and none stays current.
    current_ = nullptr;
    auto going = std::move(pages_);
    pages_.clear();
    going.clear();
    current_ = nullptr;
}

void TNYXCustomFrameSet::SetLinkedNYXset(model::TNYXset* set) {
    if (set == set_) return;
    preview_->Stop();
    ReleasePages();
    own_.SetSet(set);
    set_ = set;
    mainPage_ = -1;
    history_.clear();
    layoutDirty_ = false;
    Changed();
}

void TNYXCustomFrameSet::SetReadOnly(bool on) {
    if (tmp_.active) {
        // A temporary display ends with any change of read-only.
        tmp_.active = false;
        saveOnExit = tmp_.saveOnExit;
    }
    readOnly_ = on;
    own_.readOnly = on;
    if (layout_ != &own_) layout_->readOnly = on;
    preview_->Stop();
    for (auto& [leaf, p] : pages_) p->SetViewMode(on);
    if (on) ArmPreview();
    layout_->Relayout();  // bars are thinner and create bars go in view mode
    FocusCurrent();
}

void TNYXCustomFrameSet::SetShowBoundaries(bool on) {
    showBoundaries_ = on;
    for (auto& [leaf, p] : pages_) p->SetShowBoundaries(on);
}

void TNYXCustomFrameSet::SetActivePreview(bool on) {
    activePreview = on;
    if (on) ArmPreview();
    else preview_->Stop();
}

void TNYXCustomFrameSet::SetAnchorPreview(bool on) {
    if (anchorPreview == on) return;
    anchorPreview = on;
    for (auto& [leaf, p] : pages_) p->Relayout();
}

void TNYXCustomFrameSet::SetShowNested(bool on) {
    own_.showNested = on;
    if (layout_ != &own_) layout_->showNested = on;
}

void TNYXCustomFrameSet::SetShowFramesOnly(bool on, TFrameLayout* external) {
    ReleasePages();
    clicked_ = nullptr;
    if (layout_ != &own_) layout_->host = nullptr;
    framesOnly_ = on;
    layout_ = external ? external : &own_;
    layout_->host = this;
    layout_->framesOnly = on;
    layout_->readOnly = readOnly_;
    if (!on) MakePages();
    layout_->Relayout();
    Changed();
}

void TNYXCustomFrameSet::SetAutoJump(bool on) {
    autoJump_ = on;
    history_.clear();
}

// --- showing pages ----------------------------------------------------------------------

bool TNYXCustomFrameSet::ShowPage(std::int32_t n) {
    preview_->Stop();
    if (!set_ || nesting_ > kMaxNesting) {
        ReleasePages();
        layout_->Clear();
        mainPage_ = -1;
        Changed();
        return false;
    }
    const bool animated = animated_;
    animated_ = false;
    Leave();
    bool shown = true;
    if (n < 0) {
        mainPage_ = -1;
        shown = n == -1;
    } else {
        model::TNYXoggetto* page = PageAt(set_, n);
        if (!page && !readOnly_ && saveOnExit && !tmp_.active) {
            // An editable frame set makes the page it was asked for.
            page = set_->NewObject(model::testoHtml);
            if (page) {
                n = static_cast<std::int32_t>(page->Index());
                pagesStored_ = true;
            }
        }
        mainPage_ = n;
        if (page) shown = layout_->ShowPage(n);
        else layout_->ShowEmpty(n);  // read-only: an empty page, and nothing changes
        if (!framesOnly_) MakePages();
        ArmPreview();
    }
    animated_ = animated;
    // The current object: the frame that shows the page itself, else the first.
    TFramePage* first = PageShowing(mainPage_);
    SetCurrent(first ? first : CurrentOrFirst());
    FocusCurrent();
    PagesStored();
    if (onPageChanged) onPageChanged();
    Changed();
    return shown;
}

void TNYXCustomFrameSet::Leave() {
    if (layout_->Top() && saveOnExit && !readOnly_ && !framesOnly_ && !tmp_.active) StoreShown(false);
    ReleasePages();
    layout_->Clear();
    layoutDirty_ = false;
}

bool TNYXCustomFrameSet::StorePages() {
    if (!layout_->Top() || framesOnly_ || !set_) return false;
    return StoreShown(true);
}

bool TNYXCustomFrameSet::StoreShown(bool keepShowing) {
    TNonVisCornice* top = layout_->Top();
    if (!top || !set_) return false;
    bool stored = false;
    bool changed = layoutDirty_;
    std::vector<TNonVisCornice*> leaves;
    top->ForEach([&](TNonVisCornice& f) {
        if (f.IsLeaf()) leaves.push_back(&f);
    });
    for (TNonVisCornice* leaf : leaves) {
        TFramePage* p = PageOf(*leaf);
        if (!p) continue;
        richtext::TNYXpageSession& s = p->Session();
        std::int64_t slot = s.PageSlot();
        if (s.Edited()) {
            const std::int64_t predicted = slot >= 0 ? slot : FirstFreePageSlot(*set_);
            const model::TNYXtesto* copy = s.WorkingCopy();
            if (s.LeavePage()) {
                stored = true;
                pagesStored_ = true;
                if (slot < 0) {
                    // The copy itself became the page: find its slot.
                    slot = -1;
                    if (set_->ObjectAt(model::testoHtml, predicted) == copy) slot = predicted;
                    for (std::size_t i = 0; slot < 0 && i < set_->Count(model::testoHtml); ++i)
                        if (set_->ObjectAt(model::testoHtml, static_cast<std::int64_t>(i)) == copy)
                            slot = static_cast<std::int64_t>(i);
                }
            }
            if (keepShowing) ShowLeafPage(*p, slot);
        }
        const std::int32_t ref = p->mapRef_ != kOwnPage ? p->mapRef_ : PageRef(slot);
        if (ref != leaf->rec.PageRef()) {
            leaf->rec.SetPageRef(ref);
            changed = true;
        }
    }
    if (changed) {
        // The layout becomes the page's map (none while the page is undivided).
        model::TNYXoggetto* page = PageAt(set_, mainPage_);
        if (page) {
            StorePageMap(*set_, *page, top->IsLeaf() ? nullptr : top);
            stored = true;
        } else if (!top->IsLeaf()) {
            platform::ui().Error(kNoMaster);
        }
        layoutDirty_ = false;
    }
    if (keepShowing) PagesStored();
    return stored;
}

bool TNYXCustomFrameSet::Edited() const {
    for (const auto& [leaf, p] : pages_)
        if (p->Session().Edited()) return true;
    return false;
}

void TNYXCustomFrameSet::Detach() {
    preview_->Stop();
    detachedPage_ = mainPage_;
    Leave();
    mainPage_ = -1;
    PagesStored();
    Changed();
}

void TNYXCustomFrameSet::Reattach() {
    const std::int32_t n = detachedPage_;
    detachedPage_ = -1;
    if (n >= 0 && PageAt(set_, n)) ShowPage(n);
}

void TNYXCustomFrameSet::Drop() {
    preview_->Stop();
    ReleasePages();
    layout_->Clear();
    layoutDirty_ = false;
    mainPage_ = -1;
    Changed();
}

void TNYXCustomFrameSet::MakePages() {
    TNonVisCornice* top = layout_->Top();
    if (!top || !set_ || framesOnly_) return;
    bool made = false;
    top->ForEach([&](TNonVisCornice& f) {
        if (!f.IsLeaf() || pages_.count(&f)) return;
        std::unique_ptr<TFramePage> p = maker_.MakePage();
        if (!p) return;
        p->leaf_ = &f;
        p->SetViewMode(readOnly_);
        p->SetShowBoundaries(showBoundaries_);
        TFramePage& shown = *p;
        pages_[&f] = std::move(p);
        const std::int32_t ref = f.rec.PageRef();
        const model::TNYXoggetto* o = ref == -1 ? nullptr : set_->ObjectByRef(ref);
        ShowLeafPage(shown, o && o->Type() == model::testoHtml && !o->IsEmpty() ? o->Index() : -1);
        made = true;
    });
    if (made) maker_.FramesChanged();
}

void TNYXCustomFrameSet::ShowLeafPage(TFramePage& p, std::int64_t slot) {
    richtext::TNYXpageSession& s = p.Session();
    if (!PageAt(set_, slot)) slot = -1;
    s.ShowPage(*set_, slot);
    s.SetViewMode(readOnly_);
}

TFramePage* TNYXCustomFrameSet::PageOf(const TNonVisCornice& leaf) const {
    auto it = pages_.find(&leaf);
    return it == pages_.end() ? nullptr : it->second.get();
}

std::vector<TFramePage*> TNYXCustomFrameSet::Pages() const {
    std::vector<TFramePage*> out;
    if (TNonVisCornice* top = layout_->Top())
        top->ForEach([&](const TNonVisCornice& f) {
            if (TFramePage* p = PageOf(f)) out.push_back(p);
        });
    return out;
}

TFramePage* TNYXCustomFrameSet::PageShowing(std::int64_t slot) const {
    if (slot < 0) return nullptr;
    for (TFramePage* p : Pages())
        if (p->Session().WorkingCopy() && p->Session().PageSlot() == slot) return p;
    return nullptr;
}

bool TNYXCustomFrameSet::LoadIntoFrame(std::string_view frameName, std::int32_t pageRef, std::int32_t anchor) {
    TNonVisCornice* f = FrameByName(frameName);
    if (!f || !f->IsLeaf() || !set_) return false;
    const model::TNYXoggetto* o = pageRef == -1 ? nullptr : set_->ObjectByRef(pageRef);
    if (!o || o->Type() != model::testoHtml || o->IsEmpty()) return false;
    return LoadIntoFrame(*f, o->Index(), anchor);
}

bool TNYXCustomFrameSet::LoadIntoFrame(TNonVisCornice& leaf, std::int64_t slot, std::int32_t anchor) {
    TFramePage* p = PageOf(leaf);
    if (!p || !PageAt(set_, slot)) return false;
    richtext::TNYXpageSession& s = p->Session();
    if (saveOnExit && !readOnly_ && !tmp_.active && s.Edited()) {
        const std::int64_t was = s.PageSlot();
        const model::TNYXtesto* copy = s.WorkingCopy();
        const std::int64_t predicted = was >= 0 ? was : FirstFreePageSlot(*set_);
        if (s.LeavePage()) {
            pagesStored_ = true;
            if (was < 0 && p->mapRef_ == kOwnPage && set_->ObjectAt(model::testoHtml, predicted) == copy) {
                // The frame's new page was stored: the layout names it now.
                leaf.rec.SetPageRef(PageRef(predicted));
                layoutDirty_ = true;
            }
        }
    }
    if (p->mapRef_ == kOwnPage) p->mapRef_ = leaf.rec.PageRef();
    if (PageRef(slot) == p->mapRef_) p->mapRef_ = kOwnPage;  // back to the frame's own page
    ShowLeafPage(*p, slot);
    if (anchor >= 0) s.GoToAnchor(anchor);
    SetCurrent(p);
    PagesStored();
    if (onPageChanged) onPageChanged();
    return true;
}

void TNYXCustomFrameSet::ReplacePageReference(std::int32_t oldRef, std::int32_t newRef) {
    layout_->ReplacePageReference(oldRef, newRef);
    for (auto& [leaf, p] : pages_)
        if (p->mapRef_ == oldRef) p->mapRef_ = newRef;
    layoutDirty_ = true;
}

// --- editing the frames -----------------------------------------------------------------

TDivideResult TNYXCustomFrameSet::Divide(TNonVisCornice& f, TFrameSide side, int distance) {
    const TDivideResult r = layout_->Divide(f, side, distance);
    if (r == TDivideResult::kDivided) {
        layoutDirty_ = true;
        MakePages();
        Changed();
    }
    return r;
}

TDeleteResult TNYXCustomFrameSet::DeleteFrame(TNonVisCornice& f) {
    const TDeleteResult r = layout_->DeleteFrame(f);
    if (r == TDeleteResult::kDeleted) {
        layoutDirty_ = true;
        PagesStored();
        Changed();
    }
    return r;
}

TDragResult TNYXCustomFrameSet::DragBar(TNonVisCornice& container, std::size_t i, int size) {
    const TDragResult r = layout_->DragBar(container, i, size);
    if (r != TDragResult::kNoBar) {
        layoutDirty_ = true;
        if (r == TDragResult::kDeleted) PagesStored();
        Changed();
    }
    return r;
}

void TNYXCustomFrameSet::SetFrameSize(TNonVisCornice& f, int rule, int value) {
    layout_->SetFrameSize(f, rule, value);
    layoutDirty_ = true;
    Changed();
}

bool TNYXCustomFrameSet::LoadLayout(std::string_view frm, TLayoutMode mode) {
    if (frm.empty()) return true;
    // The pages shown are stored first: the frames that show them may go.
    if (saveOnExit && !readOnly_ && !framesOnly_ && !tmp_.active) StoreShown(false);
    ReleasePages();
    const bool ok = layout_->LoadLayout(frm, mode);
    if (ok) layoutDirty_ = true;
    MakePages();
    SetCurrent(CurrentOrFirst());
    PagesStored();
    Changed();
    return ok;
}

bool TNYXCustomFrameSet::LoadLayoutFile(const std::filesystem::path& file, TLayoutMode mode) {
    std::string bytes;
    if (!ReadFrmFile(file, bytes)) {
        platform::ui().Error("Formato file errato!");
        return false;
    }
    return LoadLayout(bytes, mode);
}

bool TNYXCustomFrameSet::SaveLayoutFile(const std::filesystem::path& file) const {
    std::string bytes;
    if (!layout_->SaveLayout(bytes)) return false;
    if (!WriteFrmFile(file, bytes)) {
        platform::ui().Error("Errore in salvataggio frames.");
        return false;
    }
    return true;
}

// --- the current object -------------------------------------------------------------------

void TNYXCustomFrameSet::SetCurrent(TFramePage* page) {
    if (page == current_) return;
    current_ = page;
    if (onSelectionChange) onSelectionChange();
}

TFramePage* TNYXCustomFrameSet::CurrentOrFirst() const {
    if (current_) return current_;
    const std::vector<TFramePage*> all = Pages();
    return all.empty() ? nullptr : all.front();
}

void TNYXCustomFrameSet::FocusCurrent() {
    if (readOnly_ || framesOnly_) return;
    if (TFramePage* p = CurrentOrFirst()) p->Focus();
}

bool TNYXCustomFrameSet::Cut() {
    TFramePage* p = CurrentOrFirst();
    return p && p->Cut();
}

bool TNYXCustomFrameSet::Copy() {
    TFramePage* p = CurrentOrFirst();
    return p && p->Copy();
}

bool TNYXCustomFrameSet::Paste() {
    TFramePage* p = CurrentOrFirst();
    return p && p->Paste();
}

TNonVisCornice* TNYXCustomFrameSet::ClickedFrame() const {
    TNonVisCornice* top = layout_->Top();
    return top && clicked_ && top->Contains(clicked_) ? clicked_ : nullptr;
}

void TNYXCustomFrameSet::ClickFrame(TNonVisCornice* f) {
    TNonVisCornice* top = layout_->Top();
    clicked_ = top && f && top->Contains(f) ? f : nullptr;
    if (clicked_ && onClickFrame) onClickFrame(*clicked_);
}

// --- links and history ----------------------------------------------------------------------

void TNYXCustomFrameSet::DoLink(TFramePage* sender, std::int32_t key) {
    TLinkRequest r;
    if (sender) {
        r.hasSender = true;
        r.sender = sender->Token();
        r.page = sender;
    }
    r.key = key;
    std::weak_ptr<void> self = alive_;
    auto run = [this, self, r] {
        if (self.expired()) return;  // the frame set went
        RunLink(r);
    };
    if (post) post(run);
    else platform::dispatch().Post(run);
}

void TNYXCustomFrameSet::DoLinkFromFrameSet(std::int32_t key) {
    TLinkRequest r;
    r.key = key;
    r.fromFrameSet = true;
    std::weak_ptr<void> self = alive_;
    auto run = [this, self, r] {
        if (!self.expired()) RunLink(r);
    };
    if (post) post(run);
    else platform::dispatch().Post(run);
}

void TNYXCustomFrameSet::FollowAnchorMarker(TFramePage* sender, std::int32_t anchor) {
    if (!sender) return;
    std::weak_ptr<void> self = alive_;
    std::weak_ptr<void> from = sender->Token();
    auto run = [this, self, from, sender, anchor] {
        // The page (or the frame set) may have gone before the request ran.
        if (self.expired() || from.expired() || !onDoLink) return;
        const model::TNYXoggetto* marker = sender->Session().AnchorMarker(anchor);
        if (!marker) return;
        try {
            onDoLink(sender, marker);
        } catch (const std::exception& e) {
            platform::ui().Error(std::string("Errore nel seguire il collegamento: ") + e.what());
        } catch (...) {
            platform::ui().Error("Errore nel seguire il collegamento.");
        }
    };
    if (post) post(run);
    else platform::dispatch().Post(run);
}

void TNYXCustomFrameSet::RunLink(const TLinkRequest& r) {
    if (!set_) return;
    // A sender freed before the request ran is never looked at.
    if (r.hasSender && r.sender.expired()) return;
    TFramePage* sender = r.hasSender ? r.page : nullptr;
    auto record = [&](std::int32_t key) -> const model::TNYXoggetto* {
        if (key == -1) return nullptr;
        if (sender) return sender->Session().LinkRecord(key);
        const model::TNYXoggetto* o = set_->ObjectByRef(key);
        return o && !o->IsEmpty() ? o : nullptr;
    };
    const model::TNYXoggetto* rec = record(r.key);
    if (!rec) return;
    std::int64_t shown = -1;
    if (rec->Type() == model::speclink && autoJump_ && !r.fromFrameSet) {
        std::int64_t target = -1;
        std::int32_t anchor = -1;
        const int mode = rec->Byte(model::linkrec::kOpenMode);
        const std::string window = rec->Str(model::linkrec::kWindowName, model::linkrec::kWindowNameCap);
        const std::int64_t from = sender ? sender->Session().PageSlot() : mainPage_;
        switch (rec->Subtype()) {
            case 1: {
                anchor = rec->Int(model::linkrec::kAnchor);
                if (mode == kOpenAnchorHere) {
                    if (sender && anchor >= 0) sender->Session().GoToAnchor(anchor);
                    break;
                }
                const model::TNYXoggetto* to = record(rec->Int(model::linkrec::kTarget));
                if (to && to->Type() == model::testoHtml && to->Registered()) target = to->Index();
                break;
            }
            case 4:
            case 5:
                if (const model::TNYXoggetto* here = PageAt(set_, from)) {
                    const model::TNYXoggetto* to =
                        rec->Subtype() == 4 ? model::PreviousPage(*set_, *here) : model::NextPage(*set_, *here);
                    if (to) target = to->Index();
                }
                break;
            default:
                break;
        }
        // Page 0 is a page like any other.
        const bool ownWindow = readOnly_ && mode >= kOpenFirstWindow && mode <= kOpenLastWindow && onOpenWindow;
        if (target >= 0 && target < kMaxPageNumber && ownWindow && onOpenWindow(target, anchor, window, mode)) {
            // Shown in a window of its own: this frame set and its history stay.
            shown = target;
        } else if (target >= 0 && target < kMaxPageNumber) {
            if (sender && target == from && sender->Session().WorkingCopy()) {
                if (anchor >= 0) sender->Session().GoToAnchor(anchor);
            } else {
                if (!r.pushed) Push(mainPage_);
                TNonVisCornice* into = nullptr;
                if (mode == kOpenNamedFrame) {
                    TNonVisCornice* f = FrameByName(window);
                    if (f && f->IsLeaf()) into = f;
                } else if (mode == kOpenReplaceCurrent && sender && sender->Leaf() && !sender->Leaf()->IsTop()) {
                    into = sender->Leaf();
                }
                SetCurrent(nullptr);
                if (into) {
                    LoadIntoFrame(*into, target, anchor);
                } else {
                    ShowPage(static_cast<std::int32_t>(target));
                    if (anchor >= 0)
                        if (TFramePage* p = PageShowing(target)) p->Session().GoToAnchor(anchor);
                }
            }
            shown = target;
        }
    } else if (rec->Type() == model::testoHtml && !r.fromFrameSet && autoJump_ && rec->Registered()) {
        const std::int64_t target = rec->Index();
        if (!r.pushed) Push(mainPage_);
        SetCurrent(nullptr);
        ShowPage(static_cast<std::int32_t>(target));
        shown = target;
    }
    if (!onDoLink) return;
    // What was shown may have freed the record and the sender.
    const model::TNYXoggetto* passOn = shown >= 0 ? PageAt(set_, shown) : rec;
    TFramePage* still = r.hasSender && !r.sender.expired() ? r.page : nullptr;
    try {
        onDoLink(still, passOn);
    } catch (const std::exception& e) {
        platform::ui().Error(std::string("Errore nel seguire il collegamento: ") + e.what());
    } catch (...) {
        platform::ui().Error("Errore nel seguire il collegamento.");
    }
}

void TNYXCustomFrameSet::Push(std::int32_t page) {
    if (page < 0) return;
    history_.push_back(page);
    if (history_.size() > kMaxHistory) history_.erase(history_.begin());
}

bool TNYXCustomFrameSet::GoBack() {
    while (!history_.empty()) {
        const std::int32_t n = history_.back();
        history_.pop_back();
        if (PageAt(set_, n)) {
            ShowPage(n);
            return true;
        }
    }
    return false;
}

bool TNYXCustomFrameSet::PeekBack() {
    if (history_.empty() || !PageAt(set_, history_.back())) return false;
    ShowPage(history_.back());
    return true;
}

// --- preview --------------------------------------------------------------------------------

void TNYXCustomFrameSet::ArmPreview() {
    preview_->Stop();
    previewTarget_ = -1;
    if (!readOnly_ || !activePreview || framesOnly_) return;
    const model::TNYXoggetto* page = PageAt(set_, mainPage_);
    if (!page) return;
    const std::int32_t next = page->Int(model::pagerec::kNextSlide);
    const model::TNYXoggetto* to = next == -1 ? nullptr : set_->ObjectByRef(next);
    if (!to || to->Type() != model::testoHtml || to->IsEmpty()) return;
    previewTarget_ = static_cast<std::int32_t>(to->Index());
    previewDelay_ = SlideDelayMs(*page);
    preview_->Start(previewDelay_, [this] { PreviewFired(); });
}

bool TNYXCustomFrameSet::PreviewPending() const { return preview_->Active(); }

void TNYXCustomFrameSet::PreviewFired() {
    if (closing || !set_) return;
    const std::int32_t target = previewTarget_;
    if (autoJump_) Push(mainPage_);
    if (!activePreview || target < 0) return;
    TLinkRequest r;
    r.key = PageRef(target);
    r.pushed = autoJump_;
    std::weak_ptr<void> self = alive_;
    auto run = [this, self, r] {
        if (!self.expired()) RunLink(r);
    };
    if (post) post(run);
    else platform::dispatch().Post(run);
}

// --- temporary display ---------------------------------------------------------------------

bool TNYXCustomFrameSet::BeginTemporaryDisplay() {
    if (tmp_.active) {
        platform::ui().Error(kTmpActive);
        return false;
    }
    // What is shown is stored before the dialog shows other pages here.
    if (saveOnExit && !readOnly_ && !framesOnly_) StorePages();
    tmp_.active = true;
    tmp_.readOnly = readOnly_;
    tmp_.saveOnExit = saveOnExit;
    tmp_.page = mainPage_;
    readOnly_ = true;
    own_.readOnly = true;
    saveOnExit = false;
    for (auto& [leaf, p] : pages_) p->SetViewMode(true);
    return true;
}

void TNYXCustomFrameSet::EndTemporaryDisplay() {
    if (!tmp_.active) return;
    tmp_.active = false;
    readOnly_ = tmp_.readOnly;
    own_.readOnly = tmp_.readOnly;
    saveOnExit = tmp_.saveOnExit;
    const std::int32_t back = tmp_.page;
    // The dialog's pages go unstored; the page shown before comes back.
    ReleasePages();
    layout_->Clear();
    mainPage_ = -1;
    if (back >= 0) ShowPage(back);
}

// --- TFramePageHost ------------------------------------------------------------------------

bool TNYXCustomFrameSet::PageIsNew(const TNonVisCornice& leaf) const {
    const TFramePage* p = PageOf(leaf);
    return p ? p->Session().PageSlot() < 0 : leaf.rec.PageRef() == -1;
}

bool TNYXCustomFrameSet::PageHasContent(const TNonVisCornice& leaf) const {
    const TFramePage* p = PageOf(leaf);
    return p && p->Session().Edited();
}

std::int32_t TNYXCustomFrameSet::StorePage(TNonVisCornice& leaf) {
    TFramePage* p = PageOf(leaf);
    if (!p || !set_) return leaf.rec.PageRef();
    richtext::TNYXpageSession& s = p->Session();
    std::int64_t slot = s.PageSlot();
    if (s.Edited()) {
        const std::int64_t predicted = slot >= 0 ? slot : FirstFreePageSlot(*set_);
        const model::TNYXtesto* copy = s.WorkingCopy();
        if (s.LeavePage()) {
            pagesStored_ = true;
            if (slot < 0 && set_->ObjectAt(model::testoHtml, predicted) == copy) slot = predicted;
        }
    }
    return p->mapRef_ != kOwnPage ? p->mapRef_ : PageRef(slot);
}

void TNYXCustomFrameSet::DropPage(TNonVisCornice& leaf) {
    if (TFramePage* p = PageOf(leaf)) p->Session().ClosePage();
}

void TNYXCustomFrameSet::MovePage(TNonVisCornice& from, TNonVisCornice& to) {
    auto it = pages_.find(&from);
    if (it == pages_.end()) return;
    std::unique_ptr<TFramePage> p = std::move(it->second);
    pages_.erase(it);
    p->leaf_ = &to;
    pages_[&to] = std::move(p);
}

void TNYXCustomFrameSet::FrameRemoved(TNonVisCornice& f) {
    if (clicked_ == &f) clicked_ = nullptr;
    auto it = pages_.find(&f);
    if (it == pages_.end()) return;
    if (current_ == it->second.get()) current_ = nullptr;
    pages_.erase(it);
}

void TNYXCustomFrameSet::LayoutChanged() { maker_.FramesChanged(); }

void TNYXCustomFrameSet::Changed() {
    if (onFrameSetChanged) onFrameSetChanged();
}

void TNYXCustomFrameSet::PagesStored() {
    if (!pagesStored_) return;
    pagesStored_ = false;
    if (onPagesStored) onPagesStored();
}

}  // namespace present
