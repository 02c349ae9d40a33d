#include "richtext/PageSession.h"

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "model/PageIdle.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "richtext/Editing.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

namespace richtext {
namespace {

constexpr int kOpenAnchorHere = 6;  // link open mode: an anchor of the current page

bool IsAnchor(const TNYXembedded* e, std::int32_t n) {
    const model::TNYXoggetto* r = e ? e->Record() : nullptr;
    return r && r->Type() == model::shortObj && r->Subtype() == model::markerrec::kAnchor && r->Int(model::markerrec::kValue) == n;
}

// Whether a table's cells (at any depth) show the anchor.
bool TableHolds(const TNYXembedded& table, std::int32_t n, int depth) {
    if (depth > 64) return false;
    for (const auto& cell : table.Cells()) {
        if (!cell) continue;
        for (const auto& p : cell->paragraphs)
            for (const TNYXembedded* e : p->Objects()) {
                if (!e || e->PlacedIn() != p.get()) continue;
                if (IsAnchor(e, n) || (e->IsTable() && TableHolds(*e, n, depth + 1))) return true;
            }
    }
    return false;
}

}  // namespace

TNYXpageSession::TNYXpageSession(TPageBoxHost& host)
    : host_(host), idle_(std::make_unique<model::TNYXpageIdle>([this](int mode) { Idle(mode); })) {}

TNYXpageSession::~TNYXpageSession() {
    idle_->Stop();
    // The box shows objects of the working copy: it goes first.
    if (copy_) host_.NewBox(nullptr);
    home_.reset();
    copy_.reset();
}

void TNYXpageSession::ClosePage() {
    idle_->Stop();
    host_.NewBox(nullptr);  // before the copy whose objects it shows
    home_.reset();
    shownText_.clear();
    objectsChanged_ = false;
    copy_.reset();
    set_ = nullptr;
    slot_ = -1;
    background_ = TPageBackground{background_.colour, -1, nullptr, false};
    host_.BackgroundChanged();
}

bool TNYXpageSession::ShowPage(model::TNYXset& set, std::int64_t slot) {
    ClosePage();
    const model::TNYXoggetto* page = nullptr;
    if (slot >= 0 && slot <= model::kMaxIndex) page = set.ObjectAt(model::testoHtml, slot);
    if (page && page->IsEmpty()) page = nullptr;
    copy_ = model::BuildWorkingCopy(set, page);
    if (!copy_) return false;
    set_ = &set;
    slot_ = page ? slot : -1;
    host_.NewBox(&set);
    TNYXbox& box = host_.CurrentBox();
    TNYXundoIndiciList& registry = *box.Registry();
    // The copies' objects take the ids their texts name: the body's first,
    // then the header's and the footer's after them.
    auto addObjects = [&](model::TNYXtesto& t, std::int32_t base) {
        auto& objs = t.EmbeddedObjects();
        for (std::size_t i = 0; i < objs.size(); ++i)
            registry.Put(base + static_cast<std::int32_t>(i), std::make_unique<TNYXembedded>(objs[i].get()));
    };
    addObjects(*copy_, 0);
    std::string header, footer;
    if (model::TNYXtesto* h = copy_->HeaderCopy()) {
        const auto base = static_cast<std::int32_t>(registry.Size());
        addObjects(*h, base);
        header = ShiftInstanceIds(h->Text(), base);
    }
    if (model::TNYXtesto* f = copy_->FooterCopy()) {
        const auto base = static_cast<std::int32_t>(registry.Size());
        addObjects(*f, base);
        footer = ShiftInstanceIds(f->Text(), base);
    }
    background_.colour = static_cast<std::uint32_t>(copy_->Int(model::pagerec::kBackColour));
    background_.fixed = copy_->Byte(288) == 1;
    background_.pictureSlot = copy_->Int(model::pagerec::kBackPicture);
    background_.picture = nullptr;
    if (background_.pictureSlot >= 0)
        if (model::TNYXoggetto* pic = set.ObjectAt(model::immagine, background_.pictureSlot))
            background_.picture = pic->GetPicture();
    host_.BackgroundChanged();
    host_.ReadTexts(copy_->Text(), header, footer);
    home_ = std::make_unique<TWorkingCopyHome>(*copy_);
    TNYXbox& shown = host_.CurrentBox();
    shown.objectHome = home_.get();
    shownText_ = BoxText(shown);
    objectsChanged_ = false;
    host_.PutCaret({shown.BodyBegin(), 0});
    idle_->Changed(0);
    return page != nullptr;
}

bool TNYXpageSession::ShowCoverPage(model::TNYXset& set) {
    const std::int32_t cover = set.HInt(model::hdr::kCoverPage);
    if (cover >= 0) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, cover);
        if (p && !p->IsEmpty()) return ShowPage(set, cover);
    }
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (p && !p->IsEmpty()) return ShowPage(set, static_cast<std::int64_t>(i));
    }
    return ShowPage(set, -1);
}

bool TNYXpageSession::Edited() const {
    return copy_ && (objectsChanged_ || BoxText(host_.CurrentBox()) != shownText_);
}

bool TNYXpageSession::LeavePage() {
    bool stored = false;
    if (copy_ && set_ && Edited()) {
        model::TNYXset& set = *set_;
        StoreBoxInWorkingCopy(host_.CurrentBox(), *copy_);
        // The box shows objects of the copy: it goes before the copy does.
        idle_->Stop();
        host_.NewBox(nullptr);
        home_.reset();
        stored = model::StorePage(set, std::move(copy_), slot_, true) != nullptr;
        set.SetModified(true);
    }
    ClosePage();
    return stored;
}

const model::TNYXoggetto* TNYXpageSession::LinkRecord(std::int32_t key) const {
    if (key == -1) return nullptr;
    if (home_)
        if (const model::TNYXoggetto* o = home_->LocalLink(key)) return o;
    if ((static_cast<std::uint32_t>(key) >> 24) == (model::kPageLocalBase >> 24)) return nullptr;
    const model::TNYXoggetto* o = set_ ? set_->ObjectByRef(key) : nullptr;
    return o && !o->IsEmpty() ? o : nullptr;
}

TLinkTarget TNYXpageSession::LinkTarget(std::int32_t key) const {
    TLinkTarget t;
    std::int32_t target = key;
    if (const model::TNYXoggetto* link = LinkRecord(key);
        link && link->Type() == model::speclink && link->Subtype() == 1) {
        target = link->Int(model::linkrec::kTarget);
        const std::int32_t anchor = link->Int(model::linkrec::kAnchor);
        t.anchor = anchor >= 0 ? anchor : -1;
        if (link->Byte(model::linkrec::kOpenMode) == kOpenAnchorHere) {
            t.page = slot_;
            t.samePage = true;
            return t;
        }
    }
    if (target != -1 && model::RefType(target) == model::testoHtml) t.page = model::RefIndex(target);
    else t.anchor = -1;
    t.samePage = copy_ && t.page >= 0 && t.page == slot_;
    return t;
}

namespace {

const model::TNYXoggetto* AnchorIn(const TNYXbox& box, std::int32_t begin, std::int32_t end, std::int32_t n, int depth) {
    if (depth > 64) return nullptr;
    for (std::int32_t i = begin; i < end; ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        for (std::size_t ch = 0; ch < p.text.size(); ++ch) {
            const TNYXembedded* e = p.ObjectAt(ch);
            if (!e) continue;
            if (IsAnchor(e, n)) return e->Record();
            if (e->IsTable())
                for (const auto& cell : e->Cells())
                    if (cell)
                        if (const model::TNYXoggetto* r = AnchorIn(*cell, 0, static_cast<std::int32_t>(cell->paragraphs.size()), n, depth + 1))
                            return r;
        }
    }
    return nullptr;
}

}  // namespace

const model::TNYXoggetto* TNYXpageSession::AnchorMarker(std::int32_t n) const {
    if (n < 0 || !copy_) return nullptr;
    const TNYXbox& box = host_.CurrentBox();
    return AnchorIn(box, box.BodyBegin(), box.BodyEnd(), n, 0);
}

bool TNYXpageSession::GoToAnchor(std::int32_t n) {
    if (n < 0 || !copy_) return false;
    TNYXbox& box = host_.CurrentBox();
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd(); ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        for (std::size_t ch = 0; ch < p.text.size(); ++ch) {
            const TNYXembedded* e = p.ObjectAt(ch);
            if (!e) continue;
            if (IsAnchor(e, n) || (e->IsTable() && TableHolds(*e, n, 0))) {
                host_.PutCaret({i, static_cast<std::int32_t>(ch)});
                return true;
            }
        }
    }
    if (!viewMode_) platform::ui().Warning("Ancora non trovata: a" + std::to_string(n));
    return false;
}

void TNYXpageSession::Changed(int mode) {
    if (copy_) idle_->Changed(mode);
}

bool TNYXpageSession::IdlePending() const { return idle_->Pending(); }

void TNYXpageSession::Idle(int mode) {
    if (copy_ && onIdle) onIdle(mode);
}

// --- THeadlessPageBox -------------------------------------------------------------------

THeadlessPageBox::THeadlessPageBox(TTextMetrics* metrics, TNYXundoList* undo) : metrics_(metrics), undo_(undo) {
    NewBox(nullptr);
}

THeadlessPageBox::~THeadlessPageBox() {
    if (undo_ && box_) undo_->ForgetBox(*box_);
    editing_.reset();
    attrs_.reset();
    box_.reset();  // before the objects its paragraphs show
    registry_.reset();
}

void THeadlessPageBox::NewBox(model::TNYXset* set) {
    if (undo_ && box_) {
        undo_->ForgetBox(*box_);
        undo_->Clear();
    }
    editing_.reset();
    attrs_.reset();
    box_.reset();
    registry_ = std::make_unique<TNYXundoIndiciList>();
    box_ = std::make_unique<TNYXbox>(set, registry_.get(), metrics_);
    box_->undo = undo_;
    attrs_ = std::make_unique<TNYXTextAttributes>(*box_);
    editing_ = std::make_unique<TNYXediting>(*box_, *attrs_);
}

void THeadlessPageBox::ReadTexts(std::string_view body, std::string_view header, std::string_view footer) {
    box_->layoutWidth = layoutWidth;
    LoadBox(*box_, 0, body, header, footer);
}

void THeadlessPageBox::PutCaret(TTextPos pos) { editing_->SetCaret(pos); }

}  // namespace richtext
