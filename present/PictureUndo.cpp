#include "present/PictureUndo.h"

#include <cstring>

#include "model/NYXoggetto.h"
#include "model/Types.h"
#include "richtext/Box.h"

namespace present {

namespace {

// The paragraph that shows an object, -1 when none does.
std::int32_t ParagraphOf(const richtext::TNYXbox& box, const richtext::TNYXembedded* e) {
    for (std::size_t i = 0; i < box.paragraphs.size(); ++i)
        if (e && e->PlacedIn() == box.paragraphs[i].get()) return static_cast<std::int32_t>(i);
    return -1;
}

}  // namespace

TPictureBackup::TPictureBackup(richtext::TNYXundoList& list, richtext::TNYXbox& box, std::int32_t objectId,
                               std::string label, int listNumber)
    : TNYXbackup(list, &box, std::move(label), listNumber), id_(objectId) {
    const richtext::TNYXembedded* e = box.Registry() ? box.Registry()->Find(objectId) : nullptr;
    if (e && e->Record()) record_.assign(reinterpret_cast<const char*>(e->Record()->Data()), model::kDataSize);
}

model::TNYXoggetto* TPictureBackup::Live(richtext::TNYXbox** boxOut, bool quiet) const {
    richtext::TNYXbox* box = Locate(quiet);
    if (!box || !box->Registry()) return nullptr;
    richtext::TNYXembedded* e = box->Registry()->Find(id_);
    if (!e || !e->Record()) return nullptr;
    if (boxOut) *boxOut = box;
    return e->Record();
}

bool TPictureBackup::Changed() {
    const model::TNYXoggetto* o = Live();
    return !o || record_.size() != static_cast<std::size_t>(model::kDataSize) ||
           std::memcmp(o->Data(), record_.data(), record_.size()) != 0;
}

richtext::TNYXbox* TPictureBackup::Restore() {
    richtext::TNYXbox* box = nullptr;
    model::TNYXoggetto* o = Live(&box, false);
    if (!o || record_.size() != static_cast<std::size_t>(model::kDataSize)) return nullptr;
    std::memcpy(o->Data(), record_.data(), record_.size());
    const std::int32_t para = ParagraphOf(*box, box->Registry()->Find(id_));
    if (para >= 0) {
        box->Layout(para, para);
        SetRestored(para, para);
    } else {
        SetRestored(0, -1);
    }
    return box;
}

std::unique_ptr<richtext::TNYXbackup> TPictureBackup::Inverse(int listNumber) {
    richtext::TNYXbox* box = nullptr;
    if (!Live(&box)) return nullptr;
    return std::make_unique<TPictureBackup>(list_, *box, id_, Label(), listNumber);
}

void SnapshotPicture(richtext::TNYXundoList* list, richtext::TNYXbox& box, std::int32_t objectId,
                     const std::string& label) {
    if (!list || list->Busy()) return;
    list->AddUndo(std::make_unique<TPictureBackup>(*list, box, objectId, label));
}

}  // namespace present
