#include "shell/References.h"

#include <array>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"

using namespace model;

namespace shell {

std::string ReasonText(int code) {
    static const std::array<const char*, 17> kTexts = {
        "Nessun riferimento",
        "nel testo",
        "nello sfondo testo",
        "nello sfondo di una tabella",
        "come intestazione o pi\xE8 di pagina",
        "come diapositiva successiva",
        "come script/html",
        "come immagine alternativa a multimedia",
        "come/in cornice libera",
        "come/in bottone",
        "in collegamento speciale",
        "in mappa cliccabile",
        "in oggetto \"lancia finestra\"",
        "in prototipo",
        "in multimedia",
        "in oggetto personalizzato - istanza di prototipo",
        "in oggetto DB locale",
    };
    return code >= 0 && code < static_cast<int>(kTexts.size()) ? kTexts[static_cast<std::size_t>(code)] : "";
}

// --- references --------------------------------------------------------------------------

TReferencesJob::TReferencesJob(const TNYXset& set, std::int32_t object, int resultType)
    : set_(set), object_(object), type_(resultType), total_(resultType >= 0 && resultType < kTypeCount ? set.Count(resultType) : 0) {}

bool TReferencesJob::StepOne() {
    if (next_ >= total_) return false;
    const std::size_t i = next_++;
    const TNYXoggetto* o = set_.ObjectAt(type_, static_cast<std::int64_t>(i));
    if (o && !o->IsEmpty() && o->Reference() != object_)
        if (const int why = o->ReferenceReason(object_)) hits_.push_back({static_cast<std::int64_t>(i), why});
    return true;
}

std::vector<TReferenceHit> ReferencesTo(const TNYXset& set, std::int32_t object, int resultType) {
    TReferencesJob job(set, object, resultType);
    job.RunToEnd();
    return job.Hits();
}

// --- links -----------------------------------------------------------------------------------

TLinkExploreJob::TLinkExploreJob(const TNYXset& set, std::int64_t pageSlot)
    : set_(set), page_(pageSlot), total_(set.Count(testoHtml)) {}

void TLinkExploreJob::Flush() {
    if (batch_.empty()) return;
    if (onFrom) onFrom(batch_);
    batch_.clear();
}

bool TLinkExploreJob::StepOne() {
    const TNYXoggetto* page = set_.ObjectAt(testoHtml, page_);
    if (!page || page->IsEmpty()) return false;
    if (!toDone_) {
        toDone_ = true;
        std::vector<std::int32_t> targets;
        page->CollectLinkTargets(targets);
        if (onTo) onTo(targets);
        return true;
    }
    if (next_ >= total_) {
        Flush();
        return false;
    }
    const std::size_t i = next_++;
    const TNYXoggetto* o = set_.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
    if (o && !o->IsEmpty() && static_cast<std::int64_t>(i) != page_ && o->ReferenceReason(page->Reference()) != 0) {
        batch_.push_back(static_cast<std::int64_t>(i));
        if (batch_.size() >= kBatch) Flush();
    }
    return true;
}

// --- deletion report ---------------------------------------------------------------------------

TDeletionReportJob::TDeletionReportJob(TNYXset& set, std::vector<std::int32_t> objects)
    : set_(set), objects_(std::move(objects)), unused_(objects_.size(), false), deleted_(objects_.size(), false) {}

bool TDeletionReportJob::StepOne() {
    if (next_ >= objects_.size()) return false;
    const std::size_t k = next_++;
    const std::int32_t ref = objects_[k];
    const TNYXoggetto* object = set_.ObjectByRef(ref);
    const std::string name = object ? platform::text::Upper(object->GetName()) : std::string();
    std::vector<std::string> lines;
    lines.push_back("+ \"" + name + "\" \xE8 presente in/collegato da /utilizzato in:");
    for (const int type : {static_cast<int>(testoHtml), static_cast<int>(custom)}) {
        for (std::size_t i = 0; i < set_.Count(type); ++i) {
            const TNYXoggetto* o = set_.ObjectAt(type, static_cast<std::int64_t>(i));
            if (!o || o->IsEmpty() || o->Reference() == ref) continue;
            if (const int why = o->ReferenceReason(ref))
                lines.push_back("    - " + o->GetName() + "   {" + ReasonText(why) + "}");
        }
    }
    if (lines.size() == 1) {
        lines[0] = "- \"" + name + "\" sembra inutilizzato.";
        unused_[k] = true;
    }
    headings_.push_back(lines_.size());
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    if (onLines) onLines(k, lines);
    return true;
}

std::size_t TDeletionReportJob::ConfirmDeletion(const std::vector<std::size_t>& chosen) {
    // The report reads the objects being deleted: it ends before any goes.
    if (!Finished() && !Stopped()) RunToEnd();
    std::vector<std::size_t> which = chosen;
    if (which.empty())
        for (std::size_t k = 0; k < objects_.size(); ++k) which.push_back(k);
    std::size_t deleted = 0;
    for (std::size_t k : which) {
        if (k >= objects_.size() || !Reported(k) || deleted_[k]) continue;
        TNYXoggetto* o = set_.ObjectByRef(objects_[k]);
        if (!o || o->IsEmpty()) continue;
        o->Reset();
        deleted_[k] = true;
        ++deleted;
        if (k < headings_.size()) lines_[headings_[k]] = std::string(kDeletedMark) + " " + lines_[headings_[k]];
    }
    if (deleted) set_.SetModified(true);
    return deleted;
}

}  // namespace shell
