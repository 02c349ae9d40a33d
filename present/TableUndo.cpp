#include "present/TableUndo.h"

#include <cstring>

#include "model/NYXoggetto.h"
#include "model/Types.h"
#include "present/TableChoices.h"
#include "richtext/Markup.h"

namespace present {

TTableBackup::TState TTableBackup::Take(const richtext::TNYXbox& holder, std::int32_t para, const richtext::TNYXembedded& table) {
    TState s;
    if (const model::TNYXoggetto* o = table.Record()) {
        s.data.assign(reinterpret_cast<const char*>(o->Data()), static_cast<std::size_t>(model::kDataSize));
        s.hasStream = o->HasFirstStream() && o->ReadFirstStream(s.stream);
    }
    if (para >= 0 && static_cast<std::size_t>(para) < holder.paragraphs.size()) {
        const richtext::TNYXparag& p = *holder.paragraphs[static_cast<std::size_t>(para)];
        richtext::WriteParagraph(p, s.text, richtext::wmStore);
        s.kinds.push_back(p.kind);
    }
    s.text += '\0';
    return s;
}

TTableBackup::TTableBackup(richtext::TNYXundoList& list, richtext::TNYXbox& holder, richtext::TNYXembedded& table,
                           std::string label, int listNumber)
    : TNYXbackup(list, &holder, std::move(label), listNumber),
      para_(HolderParagraph(table)),
      id_(table.Id()),
      saved_(Take(holder, para_, table)),
      box_(&holder) {}

bool TTableBackup::Changed() {
    if (!box_) return true;
    richtext::TNYXembedded* e = box_->Registry() ? box_->Registry()->Find(id_) : nullptr;
    const bool changed = !e || !(Take(*box_, para_, *e) == saved_);
    if (changed) box_ = nullptr;
    return changed;
}

richtext::TNYXbox* TTableBackup::Restore() {
    box_ = nullptr;
    richtext::TNYXbox* box = Locate();
    if (!box || para_ < 0 || static_cast<std::size_t>(para_) >= box->paragraphs.size()) return nullptr;
    richtext::TNYXembedded* e = box->Registry() ? box->Registry()->Find(id_) : nullptr;
    model::TNYXoggetto* o = e ? e->Record() : nullptr;
    if (!o || saved_.data.size() != static_cast<std::size_t>(model::kDataSize)) return nullptr;
    // The record first: the cells read next follow its grid.
    std::memcpy(o->Data(), saved_.data.data(), static_cast<std::size_t>(model::kDataSize));
    if (saved_.hasStream) o->SetFirstStream(saved_.stream);
    else o->DropFirstStream();
    richtext::EraseParagraphs(*box, para_, para_);
    const std::size_t n = richtext::ReadParagraphsAt(*box, para_, saved_.text, richtext::wmStore, saved_.kinds);
    const std::int32_t last = para_ + static_cast<std::int32_t>(n) - 1;
    box->caret = box->selStart = box->selEnd = {para_, 0};
    box->Layout(para_, last);
    SetRestored(para_, last);
    return box;
}

std::unique_ptr<richtext::TNYXbackup> TTableBackup::Inverse(int listNumber) {
    richtext::TNYXbox* box = Locate(true);
    richtext::TNYXembedded* e = box && box->Registry() ? box->Registry()->Find(id_) : nullptr;
    if (!e || HolderParagraph(*e) < 0) return nullptr;
    return std::make_unique<TTableBackup>(list_, *box, *e, Label(), listNumber);
}

bool SnapshotTable(richtext::TUndoRecorder* undo, richtext::TNYXembedded& table, const std::string& label) {
    if (HolderParagraph(table) < 0) return false;
    if (auto* list = dynamic_cast<richtext::TNYXundoList*>(undo))
        list->AddUndo(std::make_unique<TTableBackup>(*list, *table.PlacedIn()->box, table, label));
    return true;
}

}  // namespace present
