#include "richtext/Undo.h"

#include <algorithm>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"

namespace richtext {
namespace {

// Cells nest no deeper than the markup reader builds them; this only bounds
// the walk over them.
constexpr int kDeepestCell = 64;

TSelRange SelectionOf(const TNYXbox& box) { return {box.selStart, box.selEnd, box.caret}; }

void PutSelection(TNYXbox& box, const TSelRange& r) {
    box.selStart = r.start;
    box.selEnd = r.end;
    box.caret = r.caret;
}

std::int32_t Clamp(const TNYXbox& box, std::int32_t i) {
    const auto n = static_cast<std::int32_t>(box.paragraphs.size());
    return std::clamp(i, 0, n > 0 ? n - 1 : 0);
}

// The ids of the objects shown by paragraphs [first, last] (not their cells'
// objects: those go with their table).
std::vector<std::int32_t> ObjectIds(const TNYXbox& box, std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> ids;
    for (std::int32_t i = std::max(first, 0); i <= last && i < static_cast<std::int32_t>(box.paragraphs.size()); ++i)
        for (const TNYXembedded* e : box.paragraphs[static_cast<std::size_t>(i)]->Objects())
            if (e) ids.push_back(e->Id());
    return ids;
}

std::string WriteRange(const TNYXbox& box, std::int32_t first, std::int32_t last, std::vector<int>& kinds) {
    std::string s;
    for (std::int32_t i = first; i <= last; ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        WriteParagraph(p, s, wmRelayout);
        kinds.push_back(p.kind);
    }
    s += '\0';
    return s;
}

}  // namespace

std::size_t ReadParagraphsAt(TNYXbox& box, std::int32_t at, std::string_view data, int mode,
                             const std::vector<int>& kinds, const TKeyMaps* maps) {
    std::size_t pos = 0, added = 0;
    auto where = static_cast<std::size_t>(std::clamp<std::int32_t>(at, 0, static_cast<std::int32_t>(box.paragraphs.size())));
    for (int kind : kinds) {
        if (pos >= data.size() || data[pos] == '\0') break;
        auto para = std::make_unique<TNYXparag>(&box, kind);
        TNYXparag* raw = para.get();
        box.paragraphs.insert(box.paragraphs.begin() + static_cast<std::ptrdiff_t>(where), std::move(para));
        const std::size_t before = pos;
        ReadParagraphEx(*raw, data, pos, mode, maps);
        if (pos == before) {
            box.paragraphs.erase(box.paragraphs.begin() + static_cast<std::ptrdiff_t>(where));
            break;
        }
        if (kind == pkHeader) ++box.headerCount;
        else if (kind == pkFooter) ++box.footerCount;
        ++where;
        ++added;
    }
    return added;
}

void EraseParagraphs(TNYXbox& box, std::int32_t first, std::int32_t last) {
    const auto n = static_cast<std::int32_t>(box.paragraphs.size());
    first = std::max(first, 0);
    last = std::min(last, n - 1);
    if (first > last) return;
    for (std::int32_t i = first; i <= last; ++i) {
        int k = box.paragraphs[static_cast<std::size_t>(i)]->kind;
        if (k == pkHeader) --box.headerCount;
        else if (k == pkFooter) --box.footerCount;
    }
    box.paragraphs.erase(box.paragraphs.begin() + first, box.paragraphs.begin() + last + 1);
}

// --- TNYXbackup -------------------------------------------------------------------

TNYXbackup::TNYXbackup(TNYXundoList& list, TNYXbox* target, std::string label, int listNumber)
    : list_(list), label_(std::move(label)), listNumber_(listNumber), serial_(list.NextSerial()) {
    if (!target) return;
    if (target->IsCell() && target->ownerTable->PlacedIn() && target->ownerTable->PlacedIn()->box) {
        const auto& cells = target->ownerTable->Cells();
        std::int32_t index = -1;
        for (std::size_t i = 0; i < cells.size(); ++i)
            if (cells[i].get() == target) index = static_cast<std::int32_t>(i);
        path_ = {index, target->ownerTable->Id(), list.BoxId(*target->ownerTable->PlacedIn()->box)};
    } else {
        path_ = {list.BoxId(*target)};
    }
}

TNYXbox* TNYXbackup::Locate(bool quiet) const {
    if (path_.empty()) return nullptr;
    TNYXbox* outer = list_.FindBox(path_.back());
    if (!outer) {
        if (!quiet) platform::ui().Error("Errore nella catena undo list!");
        return nullptr;
    }
    if (path_.size() == 1) return outer;
    TNYXembedded* table = outer->Registry() ? outer->Registry()->Find(path_[path_.size() - 2]) : nullptr;
    if (!table) {
        if (!quiet) platform::ui().Error("Error in undo list chain!");
        return nullptr;
    }
    const std::int32_t cell = path_[0];
    if (cell < 0 || static_cast<std::size_t>(cell) >= table->Cells().size()) {
        if (!quiet) platform::ui().Error("Error in undo list chain!");
        return nullptr;
    }
    return table->Cells()[static_cast<std::size_t>(cell)].get();
}

// --- TboBackup ----------------------------------------------------------------------

TboBackup::TboBackup(TNYXundoList& list, TNYXbox& box, std::string label, std::int32_t first, std::int32_t last,
                     int listNumber)
    : TNYXbackup(list, &box, std::move(label), listNumber), box_(&box) {
    first_ = Clamp(box, std::min(first, last));
    last_ = Clamp(box, std::max(first, last));
    lastAfter_ = last_;
    saved_ = WriteRange(box, first_, last_, kinds_);
    before_ = SelectionOf(box);
}

void TboBackup::SetRangeAfter(std::int32_t first, std::int32_t last) {
    first_ = first;
    lastAfter_ = std::max(first, last);
}

bool TboBackup::Changed() {
    if (!box_) return true;
    bool changed = lastAfter_ != last_ || lastAfter_ >= static_cast<std::int32_t>(box_->paragraphs.size());
    if (!changed) {
        std::vector<int> kinds;
        changed = WriteRange(*box_, first_, lastAfter_, kinds) != saved_ || kinds != kinds_;
    }
    // Once changed it stays a change; the box is not looked at again.
    if (changed) box_ = nullptr;
    return changed;
}

TNYXbox* TboBackup::Restore() {
    box_ = nullptr;
    TNYXbox* box = Locate();
    if (!box) return nullptr;
    std::vector<std::int32_t> ids = ObjectIds(*box, first_, lastAfter_);
    EraseParagraphs(*box, first_, lastAfter_);
    const std::size_t n = ReadParagraphsAt(*box, first_, saved_, wmRelayout, kinds_);
    const auto end = first_ + static_cast<std::int32_t>(n) - 1;
    for (std::int32_t id : ObjectIds(*box, first_, end)) std::erase(ids, id);
    // Objects the operation created go, their records emptied in the hypertext.
    if (TNYXundoIndiciList* reg = box->Registry()) {
        for (std::int32_t id : ids) {
            TNYXembedded* e = reg->Find(id);
            model::TNYXoggetto* rec = e ? e->Record() : nullptr;
            model::TNYXset* set = box->Set();
            if (rec && set && rec->Registered() && set->ObjectAt(rec->Type(), rec->Index()) == rec) {
                const int type = rec->Type();
                const std::uint32_t index = rec->Index();
                rec->Reset();
                set->NoteEmptySlot(type, index);
            }
            reg->Free(id);
        }
    }
    PutSelection(*box, before_);
    box->Layout(first_, end);
    SetRestored(first_, end);
    return box;
}

std::unique_ptr<TNYXbackup> TboBackup::Inverse(int listNumber) {
    TNYXbox* box = Locate(true);
    if (!box || box->paragraphs.empty()) return nullptr;
    return std::make_unique<TswapBackup>(list_, *box, Label(), first_, lastAfter_, listNumber);
}

// --- TcancelBackup ---------------------------------------------------------------------

TcancelBackup::TcancelBackup(TNYXundoList& list, TNYXbox& box, std::string label, TTextPos start, TTextPos end,
                             int listNumber)
    : TNYXbackup(list, &box, std::move(label), listNumber), start_(std::min(start, end)), end_(std::max(start, end)) {
    start_.para = Clamp(box, start_.para);
    end_.para = Clamp(box, end_.para);
    before_ = SelectionOf(box);
    for (std::int32_t i = start_.para; i <= end_.para; ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        const auto len = static_cast<std::int64_t>(p.text.size());
        const std::int64_t from = i == start_.para ? start_.ch : 0;
        const std::int64_t to = i == end_.para ? end_.ch : len;
        if (i == start_.para || i == end_.para) WriteParagraph(p, saved_, wmUndoRange, to, from);
        else WriteParagraph(p, saved_, wmStore);
        kinds_.push_back(p.kind);
        for (std::int64_t c = from; c < to && c < len; ++c) {
            const TNYXembedded* e = p.ObjectAt(static_cast<std::size_t>(c));
            if (!e) continue;
            Obj o{e->Id(), e->Record() ? e->Record()->Type() : -1, {}};
            if (e->Record()) e->Record()->SaveToStream(o.record);
            objects_.push_back(std::move(o));
        }
    }
    saved_ += '\0';
}

TNYXbox* TcancelBackup::Restore() {
    TNYXbox* box = Locate();
    if (!box) return nullptr;
    box->selStart = box->selEnd = box->caret;
    // What the deletion left: one paragraph, or two when it ended at a table
    // paragraph that it left whole.
    EraseParagraphs(*box, start_.para, start_.para + left_ - 1);
    if (TNYXundoIndiciList* reg = box->Registry()) {
        for (const Obj& o : objects_) {
            if (reg->Find(o.id)) continue;
            model::TNYXoggetto* rec = nullptr;
            if (o.kind >= 0) {
                rec = box->NewEmbeddedRecord(o.kind);
                std::size_t pos = 0;
                if (rec) rec->LoadFromStream(o.record, pos);
            }
            reg->Put(o.id, std::make_unique<TNYXembedded>(rec));
        }
    }
    const std::size_t n = ReadParagraphsAt(*box, start_.para, saved_, wmStore, kinds_);
    PutSelection(*box, before_);
    const std::int32_t last = start_.para + static_cast<std::int32_t>(n) - 1;
    box->Layout(start_.para, last);
    SetRestored(start_.para, last);
    return box;
}

std::unique_ptr<TNYXbackup> TcancelBackup::Inverse(int listNumber) {
    TNYXbox* box = Locate(true);
    if (!box || box->paragraphs.empty()) return nullptr;
    return std::make_unique<TswapBackup>(list_, *box, Label(), start_.para, start_.para + left_ - 1, listNumber);
}

// --- TswapBackup ----------------------------------------------------------------------

void TswapBackup::Collect(const TNYXbox& box, std::int32_t first, std::int32_t last, std::vector<Obj>& out,
                          int depth) {
    const auto n = static_cast<std::int32_t>(box.paragraphs.size());
    for (std::int32_t i = std::max(first, 0); i <= last && i < n; ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        for (const TNYXembedded* e : p.Objects()) {
            if (!e || e->PlacedIn() != &p) continue;
            Obj o{e->Id(), e->Record() ? e->Record()->Type() : -1, e->width, e->height, {}};
            if (e->Record()) e->Record()->SaveToStream(o.record);
            out.push_back(std::move(o));
            if (depth >= kDeepestCell) continue;
            for (const auto& cell : e->Cells())
                if (cell) Collect(*cell, 0, static_cast<std::int32_t>(cell->paragraphs.size()) - 1, out, depth + 1);
        }
    }
}

TswapBackup::TswapBackup(TNYXundoList& list, TNYXbox& box, std::string label, std::int32_t first,
                         std::int32_t last, int listNumber)
    : TNYXbackup(list, &box, std::move(label), listNumber) {
    first_ = Clamp(box, std::min(first, last));
    lastAfter_ = first_;
    const std::int32_t to = Clamp(box, std::max(first, last));
    for (std::int32_t i = first_; i <= to; ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        WriteParagraph(p, saved_, wmStore);
        kinds_.push_back(p.kind);
    }
    saved_ += '\0';
    Collect(box, first_, to, objects_, box.depth);
    before_ = SelectionOf(box);
}

void TswapBackup::SetRangeAfter(std::int32_t first, std::int32_t last) {
    first_ = first;
    lastAfter_ = last;  // below first: the restore left no paragraph
}

TNYXbox* TswapBackup::Restore() {
    TNYXbox* box = Locate();
    if (!box) return nullptr;
    box->selStart = box->selEnd = box->caret;
    EraseParagraphs(*box, first_, lastAfter_);
    // Objects the other restore freed come back under their old ids; those
    // still registered are the same objects and are shown again. Objects
    // the replaced paragraphs showed stay registered, as after a deletion.
    if (TNYXundoIndiciList* reg = box->Registry()) {
        for (const Obj& o : objects_) {
            if (reg->Find(o.id)) continue;
            model::TNYXoggetto* rec = nullptr;
            if (o.kind >= 0) {
                rec = box->NewEmbeddedRecord(o.kind);
                std::size_t pos = 0;
                if (rec) rec->LoadFromStream(o.record, pos);
            }
            reg->Put(o.id, std::make_unique<TNYXembedded>(rec, o.width, o.height));
        }
    }
    const std::size_t n = ReadParagraphsAt(*box, first_, saved_, wmStore, kinds_);
    PutSelection(*box, before_);
    const std::int32_t last = first_ + static_cast<std::int32_t>(n) - 1;
    box->Layout(first_, last);
    SetRestored(first_, last);
    return box;
}

std::unique_ptr<TNYXbackup> TswapBackup::Inverse(int listNumber) {
    TNYXbox* box = Locate(true);
    if (!box || box->paragraphs.empty()) return nullptr;
    return std::make_unique<TswapBackup>(list_, *box, Label(), first_, lastAfter_, listNumber);
}

// --- TogBackup -----------------------------------------------------------------------------

TogBackup::TogBackup(TNYXundoList& list, model::TNYXoggetto& object, std::string label, int listNumber)
    : TNYXbackup(list, nullptr, std::move(label), listNumber), type_(object.Type()), index_(object.Index()) {
    if (object.Registered()) object.SaveToStream(record_);
}

TNYXbox* TogBackup::Restore() {
    model::TNYXset* set = list_.Set();
    if (!set || record_.empty()) return nullptr;
    model::TNYXoggetto* live = set->ObjectAt(type_, index_);
    if (!live) return nullptr;
    std::size_t pos = 0;
    live->LoadFromStream(record_, pos);
    // Every box shows the object's new look.
    for (TNYXbox* b : list_.Boxes()) {
        if (!b || b->paragraphs.empty()) continue;
        RelayoutParagraphs(*b, 0, static_cast<std::int32_t>(b->paragraphs.size()) - 1);
        b->Layout(0, static_cast<std::int32_t>(b->paragraphs.size()) - 1);
    }
    SetRestored(0, -1);
    return nullptr;
}

std::unique_ptr<TNYXbackup> TogBackup::Inverse(int listNumber) {
    model::TNYXset* set = list_.Set();
    model::TNYXoggetto* live = set && !record_.empty() ? set->ObjectAt(type_, index_) : nullptr;
    if (!live) return nullptr;
    return std::make_unique<TogBackup>(list_, *live, Label(), listNumber);
}

// --- TorderBackup ------------------------------------------------------------------------------

namespace {

void ReadOrder(model::TNYXset& set, bool& hasTree, std::string& tree, std::vector<std::uint32_t>* slots,
               std::vector<std::pair<std::uint16_t, std::uint16_t>>& numbers) {
    hasTree = false;
    tree.clear();
    if (model::TNYXoggetto* holder = set.PageTreeHolder(); holder && holder->HasFirstStream())
        hasTree = holder->ReadFirstStream(tree);
    numbers.clear();
    if (slots) slots->clear();
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) continue;
        if (slots) slots->push_back(static_cast<std::uint32_t>(i));
        numbers.emplace_back(p->Word(model::pagerec::kChapter), p->Word(model::pagerec::kPosition));
    }
}

}  // namespace

TorderBackup::TorderBackup(TNYXundoList& list, std::string label, int listNumber)
    : TNYXbackup(list, nullptr, std::move(label), listNumber) {
    model::TNYXset* set = list_.Set();
    if (!set) return;
    std::vector<std::uint32_t> slots;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> numbers;
    ReadOrder(*set, hasTree_, tree_, &slots, numbers);
    for (std::size_t i = 0; i < slots.size(); ++i) numbers_.push_back({slots[i], numbers[i].first, numbers[i].second});
}

bool TorderBackup::Changed() {
    model::TNYXset* set = list_.Set();
    if (!set) return false;
    bool hasTree = false;
    std::string tree;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> numbers;
    ReadOrder(*set, hasTree, tree, nullptr, numbers);
    if (hasTree != hasTree_ || tree != tree_ || numbers.size() != numbers_.size()) return true;
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (numbers[i].first != numbers_[i].chapter || numbers[i].second != numbers_[i].position) return true;
    return false;
}

TNYXbox* TorderBackup::Restore() {
    model::TNYXset* set = list_.Set();
    if (!set) return nullptr;
    if (model::TNYXoggetto* holder = set->PageTreeHolder(); holder && hasTree_) holder->SetFirstStream(tree_);
    // Pages added since keep their numbers; pages gone are skipped.
    for (const Numbers& n : numbers_) {
        model::TNYXoggetto* p = set->ObjectAt(model::testoHtml, n.slot);
        if (!p || p->IsEmpty()) continue;
        p->SetWord(model::pagerec::kChapter, n.chapter);
        p->SetWord(model::pagerec::kPosition, n.position);
    }
    set->SetModified(true);
    SetRestored(0, -1);
    return nullptr;
}

std::unique_ptr<TNYXbackup> TorderBackup::Inverse(int listNumber) {
    if (!list_.Set()) return nullptr;
    return std::make_unique<TorderBackup>(list_, Label(), listNumber);
}

// --- TNYXundoList -----------------------------------------------------------------------------

TNYXundoList::TNYXundoList(model::TNYXset* set) : set_(set) {
    if (set_) set_->undoRecorder = this;
}

TNYXundoList::~TNYXundoList() {
    if (set_ && set_->undoRecorder == this) set_->undoRecorder = nullptr;
}

void TNYXundoList::SnapshotObject(const std::string& label, model::TNYXoggetto& object) {
    AddUndo(std::make_unique<TogBackup>(*this, object, label));
}

std::int32_t TNYXundoList::BoxId(TNYXbox& box) {
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        if (boxes_[i] == &box) return static_cast<std::int32_t>(i);
    boxes_.push_back(&box);
    return static_cast<std::int32_t>(boxes_.size() - 1);
}

TNYXbox* TNYXundoList::FindBox(std::int32_t id) const {
    if (id < 0 || static_cast<std::size_t>(id) >= boxes_.size()) return nullptr;
    return boxes_[static_cast<std::size_t>(id)];
}

void TNYXundoList::ForgetBox(TNYXbox& box) {
    Settle();
    for (auto& b : boxes_)
        if (b == &box) b = nullptr;  // the id is never given again
}

void TNYXundoList::SetDepth(int depth) {
    if (depth < 2) return;
    depth_ = depth;
    while (undo_.size() > static_cast<std::size_t>(depth_)) undo_.erase(undo_.begin());
    // The redo entries farthest ahead go first.
    while (redo_.size() > static_cast<std::size_t>(depth_)) redo_.erase(redo_.begin());
}

void TNYXundoList::Settle() {
    if (!undo_.empty() && !undo_.back()->Changed()) {
        if (undo_.back()->Serial() == redoGuard_) redoGuard_ = 0;
        undo_.pop_back();
    }
    if (redoGuard_ != 0 && !undo_.empty() && undo_.back()->Serial() == redoGuard_) {
        // A new change after an undo: what was undone cannot be redone.
        redo_.clear();
        redoGuard_ = 0;
    }
}

void TNYXundoList::Push(std::vector<std::unique_ptr<TNYXbackup>>& list, std::unique_ptr<TNYXbackup> b) {
    if (list.size() > static_cast<std::size_t>(depth_)) list.erase(list.begin());
    list.push_back(std::move(b));
}

void TNYXundoList::AddUndo(std::unique_ptr<TNYXbackup> b) {
    if (!b) return;
    Settle();
    redoGuard_ = redo_.empty() ? 0 : b->Serial();
    Push(undo_, std::move(b));
}

void TNYXundoList::AddRedo(std::unique_ptr<TNYXbackup> b) {
    if (b) Push(redo_, std::move(b));
}

bool TNYXundoList::CanUndo() { return Count() > 0; }

bool TNYXundoList::CanRedo() { return RedoCount() > 0; }

std::size_t TNYXundoList::Count() {
    Settle();
    return undo_.size();
}

std::size_t TNYXundoList::RedoCount() {
    Settle();
    return redo_.size();
}

std::vector<std::string> TNYXundoList::Labels() {
    Settle();
    std::vector<std::string> out;
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) out.push_back((*it)->Label());
    return out;
}

std::vector<std::string> TNYXundoList::RedoLabels() {
    Settle();
    std::vector<std::string> out;
    for (auto it = redo_.rbegin(); it != redo_.rend(); ++it) out.push_back((*it)->Label());
    return out;
}

TNYXbackup* TNYXundoList::Newest() { return undo_.empty() ? nullptr : undo_.back().get(); }

TNYXbox* TNYXundoList::Step(std::vector<std::unique_ptr<TNYXbackup>>& from,
                            std::vector<std::unique_ptr<TNYXbackup>>& to, int toNumber) {
    if (busy_) return nullptr;
    Settle();
    if (from.empty()) return nullptr;
    std::unique_ptr<TNYXbackup> b = std::move(from.back());
    from.pop_back();
    // What the restore replaces, taken while it is still there.
    std::unique_ptr<TNYXbackup> inverse = b->Inverse(toNumber);
    TNYXbox* focus = b->Restore();
    if (inverse && b->Restored()) {
        inverse->SetRangeAfter(b->RestoredFirst(), b->RestoredLast());
        Push(to, std::move(inverse));
    }
    return focus;
}

TNYXbox* TNYXundoList::UndoOnce() { return Step(undo_, redo_, 1); }

TNYXbox* TNYXundoList::RedoOnce() { return Step(redo_, undo_, 0); }

TNYXbox* TNYXundoList::UndoSteps(std::size_t steps) {
    TNYXbox* focus = nullptr;
    for (std::size_t i = 0; i < steps; ++i) {
        if (!CanUndo()) break;
        // The selection of the previous step is cleared; the last one stays.
        if (focus) focus->selStart = focus->selEnd = focus->caret;
        if (TNYXbox* b = UndoOnce()) focus = b;
    }
    return focus;
}

TNYXbox* TNYXundoList::RedoSteps(std::size_t steps) {
    TNYXbox* focus = nullptr;
    for (std::size_t i = 0; i < steps; ++i) {
        if (!CanRedo()) break;
        if (focus) focus->selStart = focus->selEnd = focus->caret;
        if (TNYXbox* b = RedoOnce()) focus = b;
    }
    return focus;
}

TNYXbox* TNYXundoList::Revert() {
    if (undo_.empty()) return nullptr;
    std::unique_ptr<TNYXbackup> b = std::move(undo_.back());
    undo_.pop_back();
    // The operation never happened: the redo list it would have emptied stays.
    if (b->Serial() == redoGuard_) redoGuard_ = 0;
    return b->Restore();
}

void TNYXundoList::Clear() {
    undo_.clear();
    redo_.clear();
    redoGuard_ = 0;
}

void TNYXundoList::Snapshot(const std::string& label, TNYXbox& box, std::int32_t firstPara, std::int32_t lastPara) {
    TakeRange(label, box, firstPara, lastPara);
}

TboBackup* TNYXundoList::TakeRange(const std::string& label, TNYXbox& box, std::int32_t first, std::int32_t last) {
    if (box.paragraphs.empty()) return nullptr;
    auto b = std::make_unique<TboBackup>(*this, box, label, first, last);
    TboBackup* raw = b.get();
    AddUndo(std::move(b));
    return raw;
}

TcancelBackup* TNYXundoList::TakeDeletion(const std::string& label, TNYXbox& box, TTextPos start, TTextPos end) {
    if (box.paragraphs.empty()) return nullptr;
    auto b = std::make_unique<TcancelBackup>(*this, box, label, start, end);
    TcancelBackup* raw = b.get();
    AddUndo(std::move(b));
    return raw;
}

void TNYXundoList::DropNewest() {
    if (undo_.empty()) return;
    if (undo_.back()->Serial() == redoGuard_) redoGuard_ = 0;
    undo_.pop_back();
}

}  // namespace richtext
