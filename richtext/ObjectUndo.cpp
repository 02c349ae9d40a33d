#include "richtext/ObjectUndo.h"

#include "model/NYXoggetto.h"

namespace richtext {

std::function<void(TNYXbox&, TNYXembedded&)> onObjectRestored;

namespace {

std::string RecordBytes(const TNYXembedded& e) {
    std::string out;
    if (e.Record()) e.Record()->SaveToStream(out);
    return out;
}

// Index of the paragraph that shows the object, -1 when none does.
std::int32_t ParagraphOf(const TNYXbox& box, const TNYXembedded& e) {
    for (std::size_t i = 0; i < box.paragraphs.size(); ++i)
        if (e.PlacedIn() == box.paragraphs[i].get()) return static_cast<std::int32_t>(i);
    return -1;
}

}  // namespace

TimBackup::TimBackup(TNYXundoList& list, TNYXbox& box, const TNYXembedded& object, std::string label, int listNumber)
    : TNYXbackup(list, &box, std::move(label), listNumber), id_(object.Id()), record_(RecordBytes(object)) {}

TNYXembedded* TimBackup::Find() const {
    TNYXbox* box = Locate(true);
    if (!box || !box->Registry()) return nullptr;
    TNYXembedded* e = box->Registry()->Find(id_);
    return e && e->Record() ? e : nullptr;
}

bool TimBackup::Changed() {
    const TNYXembedded* e = Find();
    return !e || RecordBytes(*e) != record_;
}

TNYXbox* TimBackup::Restore() {
    TNYXbox* box = Locate();
    TNYXembedded* e = box && box->Registry() ? box->Registry()->Find(id_) : nullptr;
    if (!e || !e->Record() || record_.empty()) return nullptr;
    std::size_t pos = 0;
    if (!e->Record()->LoadFromStream(record_, pos)) return nullptr;
    if (onObjectRestored) onObjectRestored(*box, *e);
    const std::int32_t para = ParagraphOf(*box, *e);
    if (para >= 0) {
        e->left = kOutOfSight;  // placed again by the layout
        e->placed = false;
        box->Layout(para, para);
    }
    SetRestored(0, -1);
    return box;
}

std::unique_ptr<TNYXbackup> TimBackup::Inverse(int listNumber) {
    TNYXbox* box = Locate(true);
    const TNYXembedded* e = Find();
    if (!box || !e) return nullptr;
    return std::make_unique<TimBackup>(list_, *box, *e, Label(), listNumber);
}

TimBackup* SnapshotObject(TNYXbox& box, const TNYXembedded& object, const std::string& label) {
    auto* list = dynamic_cast<TNYXundoList*>(box.undo);
    if (!list) return nullptr;
    auto b = std::make_unique<TimBackup>(*list, box, object, label);
    TimBackup* raw = b.get();
    list->AddUndo(std::move(b));
    return raw;
}

}  // namespace richtext
