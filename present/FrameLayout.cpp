#include "present/FrameLayout.h"

#include <algorithm>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/FrameData.h"

namespace present {

namespace {
constexpr const char* kBadFormat = "Formato file errato!";
constexpr const char* kChildrenFirst = "E' necessario cancellare prima le cornici figlie!";
constexpr const char* kOthersFirst = "Impossibile cancellare, modificare prima le altre cornici sulla pagina.";
constexpr const char* kKeepDeletedPage =
    "Salvo in lista pagine la cornice cancellata?\nSe salvo, la pagina non andrà persa ma potrà essere riutilizzata in "
    "un'altra cornice, dentro qualsiasi insieme di cornici, oppure come pagina singola.";
constexpr const char* kSaveFailed = "Errore in salvataggio frames.";
constexpr const char* kMapProblem = "Map problem.";
constexpr const char* kNoMaster = "Nessuna cornice è stata registrata come master per la mappa cornici!";
constexpr int kRestoredSize = 60;
constexpr int kMinLastSize = 20, kGiverMinSize = 50, kGivenSize = 30;

int Along(const TFrameRect& r, bool rows) { return rows ? r.height : r.width; }
}  // namespace

TFrameLayout::TFrameLayout(model::TNYXset* set) : set_(set) {}
TFrameLayout::~TFrameLayout() = default;

// --- what is shown -------------------------------------------------------------------

void TFrameLayout::Clear() {
    if (top_ && host) top_->ForEach([&](TNonVisCornice& f) { host->FrameRemoved(f); });
    current = nullptr;
    top_.reset();
    mainPage_ = -1;
    Changed();
}

void TFrameLayout::SetSet(model::TNYXset* set) {
    if (set == set_) return;
    Clear();
    set_ = set;
}

void TFrameLayout::ShowEmpty(std::int32_t n) {
    Clear();
    report_ = {};
    mainPage_ = n;
    auto top = std::make_unique<TNonVisCornice>();
    top->rec.SetPageRef(-1);
    SetTop(std::move(top));
}

bool TFrameLayout::ShowPage(std::int32_t n) {
    Clear();
    report_ = {};
    model::TNYXoggetto* page = set_ ? set_->ObjectAt(model::testoHtml, n) : nullptr;
    if (!page || page->Type() != model::testoHtml || page->IsEmpty()) return false;
    mainPage_ = n;
    std::unique_ptr<TNonVisCornice> top;
    if (showNested) {
        if (model::TNYXoggetto* map = PageMap(*set_, *page)) {
            top = ReadFrameMap(*map, &report_);
            if (!top) platform::ui().Warning(kMapProblem);
        }
    }
    if (!top || top->IsLeaf()) {
        top = std::make_unique<TNonVisCornice>();
        top->rec.SetPageRef(page->Reference());
    }
    SetTop(std::move(top));
    return true;
}

void TFrameLayout::NameTop() {
    if (!top_) return;
    top_->parent = nullptr;
    if (mainPage_ >= 0) top_->rec.SetName("Pag" + std::to_string(mainPage_));
    top_->rec.SetPercent(100);
    top_->rec.SetRuleCode(TFrameRecord::kPercent);
}

void TFrameLayout::SetTop(std::unique_ptr<TNonVisCornice> top) {
    if (top_ && host) top_->ForEach([&](TNonVisCornice& f) { host->FrameRemoved(f); });
    current = nullptr;
    top_ = std::move(top);
    NameTop();
    if (top_) GiveDefaultNames(*top_);
    Relayout();
}

std::unique_ptr<TNonVisCornice> TFrameLayout::CloneTop() const { return top_ ? top_->Clone() : nullptr; }

TNonVisCornice* TFrameLayout::FrameByName(std::string_view name) const {
    if (!top_) return nullptr;
    TNonVisCornice* found = nullptr;
    top_->ForEach([&](TNonVisCornice& f) {
        if (!found && platform::text::EqualsNoCase(f.rec.Name(), name)) found = &f;
    });
    return found;
}

void TFrameLayout::ReplacePageReference(std::int32_t oldRef, std::int32_t newRef) {
    if (!top_) return;
    top_->ForEach([&](TNonVisCornice& f) {
        if (f.IsLeaf() && f.rec.PageRef() == oldRef) f.rec.SetPageRef(newRef);
    });
}

void TFrameLayout::NewPagesEverywhere() {
    if (!top_) return;
    top_->ForEach([&](TNonVisCornice& f) {
        if (f.IsLeaf()) f.rec.SetPageRef(-1);
    });
}

// --- sizing ----------------------------------------------------------------------------

void TFrameLayout::Layout(int width, int height) {
    area_ = {0, 0, std::max(0, width), std::max(0, height)};
    Relayout();
}

void TFrameLayout::Relayout() {
    if (top_) LayoutFrames(*top_, area_, Editing());
    Changed();
}

void TFrameLayout::Changed() {
    if (host) host->LayoutChanged();
}

// --- editing -------------------------------------------------------------------------

bool TFrameLayout::HasCreateBar(const TNonVisCornice& f, TFrameSide side) const {
    if (!Editing()) return false;
    // No division that the readers of maps and layout files would not take back.
    if (f.Depth() + 1 >= kMaxFrameDepth) return false;
    if (f.IsTop()) return showNested;
    const bool rowsAround = f.parent->ChildrenAreRows();
    return side == (rowsAround ? TFrameSide::kLeft : TFrameSide::kTop);
}

std::unique_ptr<TNonVisCornice> TFrameLayout::NewFrame(std::uint8_t place) const {
    auto f = std::make_unique<TNonVisCornice>();
    f->rec.SetPlaceCode(place);
    if (top_) f->rec.SetName(FreeFrameName(*top_));
    return f;
}

void TFrameLayout::FixPlaces(TNonVisCornice& c) const {
    const bool rows = c.ChildrenAreRows();
    for (std::size_t i = 0; i < c.children.size(); ++i) {
        const bool last = i + 1 == c.children.size();
        c.children[i]->rec.SetPlaceCode(rows ? (last ? TFrameRecord::kLastRow : TFrameRecord::kRow)
                                             : (last ? TFrameRecord::kLastColumn : TFrameRecord::kColumn));
    }
}

TDivideResult TFrameLayout::Divide(TNonVisCornice& f, TFrameSide side, int distance) {
    if (!top_ || !top_->Contains(&f) || !HasCreateBar(f, side)) return TDivideResult::kNoBar;
    if (distance <= 4 * barWidth) return TDivideResult::kTooShort;
    if (top_->CountFrames() + 2 > kMaxFrames) return TDivideResult::kNoBar;
    const bool rows = side == TFrameSide::kTop;
    if (!f.IsLeaf() || !f.IsTop()) {
        if (f.rec.ChildrenAreRows() != rows) {
            platform::ui().Error("?");
            return TDivideResult::kWrongDirection;
        }
    }
    const std::uint8_t place = rows ? TFrameRecord::kRow : TFrameRecord::kColumn;
    if (f.IsLeaf()) {
        if (f.IsTop()) f.rec.SetPlaceCode(rows ? TFrameRecord::kColumn : TFrameRecord::kRow);
        const int c = std::max(0, Along(f.rect, rows) - BarThickness(f, Editing()));
        const std::int32_t percent = c > 0 ? std::clamp<std::int32_t>(static_cast<std::int32_t>(std::int64_t(distance) * 100 / c), 0, 100) : 50;
        auto first = NewFrame(place);
        first->rec.SetPercent(percent);
        first->rec.SetPixels(distance);
        f.Add(std::move(first));
        auto rest = NewFrame(rows ? TFrameRecord::kLastRow : TFrameRecord::kLastColumn);
        rest->rec.SetPercent(100 - percent);
        rest->rec.SetPixels(std::max(0, c - distance));
        // The frame that fills the rest shows what the frame showed.
        rest->rec.SetPageRef(f.rec.PageRef());
        rest->rec.SetScrolling(f.rec.Scrolling());
        rest->rec.SetBorder(f.rec.Border());
        rest->rec.SetResizable(f.rec.Resizable());
        TNonVisCornice* b = f.Add(std::move(rest));
        f.rec.SetPageRef(-1);
        if (host) host->MovePage(f, *b);
    } else {
        const std::size_t k = f.children.size();
        const std::int64_t total = Along(f.rect, rows);
        const std::int64_t c = std::max<std::int64_t>(0, total - static_cast<std::int64_t>(k) * BarThickness(f, Editing()));
        const std::int32_t percent = c > 0 ? std::clamp<std::int32_t>(static_cast<std::int32_t>(distance * 100 / c), 0, 100) : 50;
        // The others shrink to leave the new frame its share.
        for (auto& ch : f.children)
            if (ch->rec.RuleCode() == TFrameRecord::kPercent)
                ch->rec.SetPercent(static_cast<std::int32_t>(std::int64_t(std::clamp(ch->rec.Percent(), 0, 100)) * (100 - percent) / 100));
        auto first = NewFrame(place);
        first->rec.SetPercent(percent);
        first->rec.SetPixels(distance);
        f.Add(std::move(first), 0);
    }
    f.rec.SetContainer(true);
    FixPlaces(f);
    Relayout();
    return TDivideResult::kDivided;
}

void TFrameLayout::RemoveFrame(TNonVisCornice& parent, std::size_t at) {
    TNonVisCornice* f = parent.children[at].get();
    if (current && f->Contains(current)) current = nullptr;
    if (host) f->ForEach([&](TNonVisCornice& g) { host->FrameRemoved(g); });
    parent.Remove(at);
}

TDeleteResult TFrameLayout::DeleteFrame(TNonVisCornice& f) {
    if (!Editing()) return TDeleteResult::kReadOnly;
    if (!top_ || !top_->Contains(&f) || f.IsTop()) return TDeleteResult::kTopFrame;
    if (!f.IsLeaf()) {
        platform::ui().Warning(kChildrenFirst);
        return TDeleteResult::kHasChildren;
    }
    TNonVisCornice& parent = *f.parent;
    const std::size_t at = f.IndexInParent();
    if (parent.children.size() == 2 && !parent.children[1 - at]->IsLeaf()) {
        platform::ui().Warning(kOthersFirst);
        return TDeleteResult::kSiblingHasChildren;
    }
    if (host) {
        if (host->PageIsNew(f) && host->PageHasContent(f)) {
            if (platform::ui().AskYesNo(kKeepDeletedPage) == platform::Answer::Yes) host->StorePage(f);
            else host->DropPage(f);
        } else {
            host->StorePage(f);
        }
    }
    if (parent.children.size() == 2) {
        // The parent becomes a leaf again, with the page of the one that stays.
        TNonVisCornice& other = *parent.children[1 - at];
        parent.rec.SetPageRef(other.rec.PageRef());
        parent.rec.SetScrolling(other.rec.Scrolling());
        parent.rec.SetBorder(other.rec.Border());
        parent.rec.SetResizable(other.rec.Resizable());
        if (host) host->MovePage(other, parent);
        if (current && f.Contains(current)) current = nullptr;
        else if (current && other.Contains(current)) current = &parent;
        RemoveFrame(parent, 1);
        RemoveFrame(parent, 0);
        parent.rec.SetContainer(false);
        Relayout();
        return TDeleteResult::kDeleted;
    }
    RemoveFrame(parent, at);
    FixPlaces(parent);
    // The others share the space again and keep the sizes they get.
    LayoutChildren(parent, Editing());
    std::vector<int> sizes;
    for (const auto& c : parent.children) sizes.push_back(Along(c->rect, parent.ChildrenAreRows()));
    TakeSizes(parent, sizes);
    Relayout();
    return TDeleteResult::kDeleted;
}

void TFrameLayout::TakeSizes(TNonVisCornice& container, std::vector<int> sizes) {
    const int c = SharedSpace(container, Editing());
    for (std::size_t i = 0; i < container.children.size() && i < sizes.size(); ++i) {
        TFrameRecord& r = container.children[i]->rec;
        r.SetPixels(sizes[i]);
        if (c > 0) r.SetPercent(static_cast<std::int32_t>(std::int64_t(sizes[i]) * 100 / c));
    }
}

TDragResult TFrameLayout::DragBar(TNonVisCornice& container, std::size_t i, int size) {
    if (!Editing() || !top_ || !top_->Contains(&container) || i + 1 >= container.children.size())
        return TDragResult::kNoBar;
    const bool rows = container.ChildrenAreRows();
    const bool tooSmall = size < BarThickness(container, Editing());
    if (tooSmall) {
        if (DeleteFrame(*container.children[i]) == TDeleteResult::kDeleted) return TDragResult::kDeleted;
        size = kRestoredSize;
    }
    LayoutChildren(container, Editing());
    const int c = SharedSpace(container, Editing());
    const std::size_t k = container.children.size();
    std::vector<int> sizes;
    for (const auto& ch : container.children) sizes.push_back(Along(ch->rect, rows));
    std::int64_t others = 0;
    for (std::size_t j = 0; j + 1 < k; ++j)
        if (j != i) others += sizes[j];
    sizes[i] = static_cast<int>(std::clamp<std::int64_t>(size, 0, std::max<std::int64_t>(0, c - others)));
    std::int64_t last = c - others - sizes[i];
    if (last < kMinLastSize) {
        for (std::size_t j = k - 1; j-- > 0;)
            if (sizes[j] > kGiverMinSize) {
                sizes[j] -= kGivenSize;
                last += kGivenSize;
                break;
            }
    }
    sizes[k - 1] = static_cast<int>(std::max<std::int64_t>(0, last));
    TakeSizes(container, sizes);
    Relayout();
    return tooSmall ? TDragResult::kRefused : TDragResult::kResized;
}

void TFrameLayout::SetFrameSize(TNonVisCornice& f, int rule, int value) {
    if (f.IsTop()) return;  // the top frame always fills the frame set
    TFrameRecord& r = f.rec;
    if (rule == TFrameRecord::kFixed) {
        r.SetRuleCode(TFrameRecord::kFixed);
        r.SetPixels(std::clamp(value, 0, 10000));
    } else if (rule == TFrameRecord::kFree) {
        r.SetRuleCode(TFrameRecord::kFree);
    } else {
        r.SetRuleCode(TFrameRecord::kPercent);
        r.SetPercent(std::clamp(value, 0, 100));
    }
    TNonVisCornice& parent = *f.parent;
    const bool isLast = &f == parent.children.back().get();
    bool anyPercent = false, anyFree = false;
    for (const auto& c : parent.children) {
        anyPercent = anyPercent || c->rec.RuleCode() == TFrameRecord::kPercent;
        anyFree = anyFree || c->rec.RuleCode() == TFrameRecord::kFree;
    }
    // One child always takes what the others leave.
    if (isLast && !anyPercent && !anyFree && parent.children.size() > 1)
        parent.children.front()->rec.SetRuleCode(TFrameRecord::kFree);
    Relayout();
}

// --- layouts and the map -------------------------------------------------------------

bool TFrameLayout::LoadLayout(std::string_view frm, TLayoutMode mode) {
    if (frm.empty()) return true;
    TFrmRead r = ReadFrm(frm);
    if (r.status != TFrmStatus::kLoaded) {
        platform::ui().Error(kBadFormat);
        return false;
    }
    report_ = r.report;
    r.top->ForEach([&](TNonVisCornice& f) {
        if (!f.IsLeaf()) return;
        const std::int32_t ref = f.rec.PageRef();
        const model::TNYXoggetto* page = set_ && ref != -1 ? set_->ObjectByRef(ref) : nullptr;
        const bool isPage = page && page->Type() == model::testoHtml && !page->IsEmpty();
        if (mode == kCopyMode || !isPage) f.rec.SetPageRef(-1);
    });
    SetTop(std::move(r.top));
    return true;
}

bool TFrameLayout::SaveLayout(std::string& out) const {
    out.clear();
    if (!top_) {
        platform::ui().Error(kSaveFailed);
        return false;
    }
    out = WriteFrm(*top_);
    return true;
}

bool TFrameLayout::StoreMap() {
    if (!top_ || !set_) return false;
    model::TNYXoggetto* page = set_->ObjectAt(model::testoHtml, mainPage_);
    if (!page || page->Type() != model::testoHtml) {
        platform::ui().Error(kNoMaster);
        return false;
    }
    if (host && !framesOnly)
        top_->ForEach([&](TNonVisCornice& f) {
            if (f.IsLeaf()) f.rec.SetPageRef(host->StorePage(f));
        });
    if (top_->IsLeaf()) StorePageMap(*set_, *page, nullptr);
    else StorePageMap(*set_, *page, top_.get());
    return true;
}

}  // namespace present
