#include "richtext/Box.h"

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Layout.h"

namespace richtext {

TTextMetrics& DefaultMetrics() {
    static TFixedMetrics m;
    return m;
}

// --- TNYXembedded --------------------------------------------------------------

TNYXembedded::TNYXembedded(model::TNYXoggetto* record, std::int32_t w, std::int32_t h)
    : width(w), height(h), record_(record) {}

TNYXembedded::~TNYXembedded() = default;

bool TNYXembedded::IsTable() const { return record_ && record_->Type() == model::tabellaHtml; }

int TNYXembedded::Rows() const {
    if (!IsTable()) return 0;
    const int r = record_->Byte(93);
    return r < 1 ? 1 : r;
}

int TNYXembedded::Columns() const {
    if (!IsTable()) return 0;
    const int c = record_->Byte(94);
    return c < 1 ? 1 : c > 50 ? 50 : c;
}

int TNYXembedded::StoredCellCount() const { return IsTable() ? record_->Byte(93) * record_->Byte(94) : 0; }

int TNYXembedded::RowStride() const {
    if (!IsTable()) return 0;
    const int c = record_->Byte(94);
    return c > 50 ? c : Columns();
}

TNYXbox* TNYXembedded::CellAt(int row, int col) const {
    const int cols = Columns();
    if (row < 0 || col < 0 || col >= cols || row >= Rows()) return nullptr;
    const std::size_t i = static_cast<std::size_t>(row) * static_cast<std::size_t>(RowStride()) + static_cast<std::size_t>(col);
    return i < cells_.size() ? cells_[i].get() : nullptr;
}

// --- TNYXundoIndiciList ----------------------------------------------------------

std::uint64_t TNYXundoIndiciList::NextSerial() {
    static std::uint64_t serials = 0;
    return ++serials;
}

TNYXundoIndiciList::~TNYXundoIndiciList() {
    // Cells first, while every object they may show still exists.
    for (auto& s : slots_)
        if (s) s->cells_.clear();
}

TNYXembedded* TNYXundoIndiciList::Add(std::unique_ptr<TNYXembedded> e) {
    if (!e || counter_ >= 0xFFFFFF) return nullptr;
    ++counter_;
    return Put(counter_, std::move(e));
}

TNYXembedded* TNYXundoIndiciList::Put(std::int32_t id, std::unique_ptr<TNYXembedded> e) {
    if (!e || id < 0 || id > 0xFFFFFF) return nullptr;
    auto i = static_cast<std::size_t>(id);
    if (i >= slots_.size()) slots_.resize(i + 1);
    if (slots_[i]) return nullptr;
    e->id_ = id;
    slots_[i] = std::move(e);
    if (id > counter_) counter_ = id;
    return slots_[i].get();
}

TNYXembedded* TNYXundoIndiciList::Find(std::int32_t id) const {
    if (id < 0 || static_cast<std::size_t>(id) >= slots_.size()) return nullptr;
    return slots_[static_cast<std::size_t>(id)].get();
}

void TNYXundoIndiciList::Free(std::int32_t id) {
    if (id < 0 || static_cast<std::size_t>(id) >= slots_.size()) return;
    auto& s = slots_[static_cast<std::size_t>(id)];
    if (s && s->placedIn_) {
        // The paragraph forgets the object; its character stays a blank.
        auto& objs = s->placedIn_->objects_;
        for (auto& o : objs)
            if (o == s.get()) o = nullptr;
    }
    s.reset();
}

// --- TNYXparag ---------------------------------------------------------------

TNYXparag::TNYXparag(TNYXbox* b, int k) : box(b), kind(k) {}

TNYXparag::~TNYXparag() { ReleaseObjects(); }

std::int32_t TNYXparag::AddObject(TNYXembedded* e) {
    const std::uint32_t gen = box && box->Registry() ? box->Registry()->Generation() : 0;
    if (!e || (e->placedIn_ && e->placedIn_ != this && e->placedGen_ == gen)) return -1;
    for (auto* o : objects_)
        if (o == e) return -1;
    // A paragraph of an earlier load (a cell no longer shown) forgets it.
    if (e->placedIn_ && e->placedIn_ != this)
        for (auto& o : e->placedIn_->objects_)
            if (o == e) o = nullptr;
    e->placedIn_ = this;
    e->placedGen_ = gen;
    objects_.push_back(e);
    return static_cast<std::int32_t>(objects_.size() - 1);
}

TNYXembedded* TNYXparag::ObjectAt(std::size_t i) const {
    if (i >= recs.size()) return nullptr;
    std::int32_t o = recs[i].object;
    if (o < 0 || static_cast<std::size_t>(o) >= objects_.size()) return nullptr;
    return objects_[static_cast<std::size_t>(o)];
}

bool TNYXparag::IsTableParagraph() const {
    for (const TNYXembedded* e : objects_)
        if (e && e->IsTable() && e->PlacedIn() == this) return true;
    return false;
}

std::int32_t TNYXparag::FontIndexAt(std::size_t i) const {
    if (recs.empty()) return -1;
    if (i >= recs.size()) i = recs.size() - 1;
    for (std::size_t k = i + 1; k-- > 0;) {
        std::int32_t f = recs[k].font;
        if (f >= 0 && static_cast<std::size_t>(f) < fonts.size()) return f;
    }
    return -1;
}

TMyFont TNYXparag::FontAt(std::size_t i) const {
    std::int32_t f = FontIndexAt(i);
    return f >= 0 ? fonts[static_cast<std::size_t>(f)]->Font() : style.Font();
}

void TNYXparag::EnsureEndRecord() {
    while (recs.size() < text.size() + 1) {
        TNYXcharRec r;
        r.link = recs.empty() ? -1 : recs.back().link;
        recs.push_back(r);
    }
    if (recs.size() > text.size() + 1) recs.resize(text.size() + 1);
    if (lines.empty()) {
        TNYXline l;
        l.height = defaultLineHeight > 0 ? defaultLineHeight : 20;
        lines.push_back(l);
    }
}

void TNYXparag::ReleaseObjects() {
    for (auto* o : objects_)
        if (o && o->placedIn_ == this) o->placedIn_ = nullptr;
    objects_.clear();
}

// --- TNYXbox -------------------------------------------------------------------

TNYXbox::TNYXbox(model::TNYXset* set, TNYXundoIndiciList* registry, TTextMetrics* metrics)
    : set_(set), registry_(registry), metrics_(metrics) {}

TNYXbox::~TNYXbox() = default;

TLayoutHost& TNYXbox::Host() const {
    static TLayoutHost headless;
    return host ? *host : headless;
}

void TNYXbox::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Host().UpdateEnded();
}

void TNYXbox::Layout(std::int32_t first, std::int32_t last) {
    if (onLayout) {
        onLayout(first, last);
        return;
    }
    if (layoutWidth <= 0 || paragraphs.empty()) return;
    const auto n = static_cast<std::int32_t>(paragraphs.size());
    if (first <= 0 && last >= n - 1) {
        LayoutBox(*this);
        return;
    }
    if (first < 0) first = 0;
    if (last >= n) last = n - 1;
    if (first > last) return;
    // Paragraphs that replaced others (an undo, a paste) know no place yet:
    // the range starts below the paragraph before it, and the paragraphs
    // after it move by how far their top is from the range's new bottom.
    const std::int32_t top =
        first == 0 ? FirstParagraphTop(*this) : paragraphs[static_cast<std::size_t>(first) - 1]->bottom + 1;
    const std::int32_t oldBottom = last + 1 < n ? paragraphs[static_cast<std::size_t>(last) + 1]->top - 1
                                                : paragraphs[static_cast<std::size_t>(last)]->bottom;
    LayoutRange(*this, first, last, false, oldBottom, top);
}

const model::TNYXoggetto* TNYXbox::StyleByNumber(std::int64_t n) const {
    if (!set_) return nullptr;
    model::TNYXoggetto* s = nullptr;
    if (n >= 0 && n <= model::kMaxIndex) s = set_->ObjectAt(model::stileParagrafo, n);
    if (!s || s->IsEmpty() || s->Type() != model::stileParagrafo) s = set_->ObjectAt(model::stileParagrafo, 0);
    return s;
}

model::TNYXoggetto* TNYXbox::NewEmbeddedRecord(int kind) const {
    if (objectHome) return objectHome->NewEmbedded(kind);
    return set_ ? set_->NewObject(kind) : nullptr;
}

std::int32_t TNYXbox::StyleNumber(const model::TNYXoggetto* s) {
    return s && s->Registered() ? static_cast<std::int32_t>(s->Index()) : 0;
}

}  // namespace richtext
