#include "present/Pages.h"

#include <algorithm>
#include <set>

#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/FrameData.h"
#include "present/FrameProperties.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace present {

namespace {

model::TNYXoggetto* PageAt(const model::TNYXset& set, std::int64_t slot) {
    if (slot < 0 || slot > static_cast<std::int64_t>(model::kMaxIndex)) return nullptr;
    model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, slot);
    return p && p->Type() == model::testoHtml && !p->IsEmpty() ? p : nullptr;
}

// The page joins the end of a stored page order tree (a hypertext without
// one lists every page in slot order anyway).
void JoinPageTree(model::TNYXset& set, model::TNYXoggetto& page) {
    model::TNYXoggetto* holder = set.PageTreeHolder();
    if (!holder || !holder->HasFirstStream() || holder->FirstStreamSize() == 0) return;
    model::TNYXorderedTree tree(&set, model::testoHtml);
    if (!tree.Reload()) return;
    model::TNYXtreeNode* root = tree.RootNode();
    if (!root) return;
    tree.Select(root);
    if (tree.AddObject(page.Reference())) tree.Store();
}

// The objects a page's deletion empties with it: the objects of its text,
// the links those own, and its frame map.
void CollectOwned(const model::TNYXset& set, const model::TNYXoggetto& o, std::set<std::int32_t>& seen,
                  std::vector<const model::TNYXoggetto*>& out, int depth) {
    if (depth > 16 || !seen.insert(o.Reference()).second) return;
    out.push_back(&o);
    auto follow = [&](std::int32_t ref) {
        if (ref == model::kNoRef) return;
        const model::TNYXoggetto* x = set.ObjectByRef(ref);
        if (x && !x->IsEmpty()) CollectOwned(set, *x, seen, out, depth + 1);
    };
    if (o.Type() == model::testoHtml) {
        std::string t;
        if (o.ReadFirstStream(t))
            for (std::int32_t ref : markup::ObjectRefs(t))
                if (model::OwnedByPageText(model::RefType(ref))) follow(ref);
    }
    model::ForEachLinkField(o, model::luOwned, [&](const model::TLinkField&, std::size_t off) {
        const std::int32_t r = o.Int(off);
        if (r != model::kNoRef && model::RefType(r) == model::speclink) follow(r);
    });
}

}  // namespace

void CollectOwnedObjects(const model::TNYXset& set, const model::TNYXoggetto& o, std::set<std::int32_t>& seen,
                         std::vector<const model::TNYXoggetto*>& out) {
    CollectOwned(set, o, seen, out, 0);
}

model::TNYXoggetto* AddNewPage(model::TNYXset& set, std::string_view title) {
    model::TNYXoggetto* page = set.NewObject(model::testoHtml);
    if (!page) return nullptr;
    if (!title.empty()) page->SetName(title);
    // Registering numbered the page: it is the last of the number order.
    JoinPageTree(set, *page);
    set.SetModified(true);
    return page;
}

model::TNYXoggetto* AddNewPage(model::TNYXset& set, std::string_view title, const fs::path& layoutModel) {
    model::TNYXoggetto* page = AddNewPage(set, title);
    if (!page || layoutModel.empty()) return page;
    TFramePropertiesChoices choices(set, static_cast<std::int32_t>(page->Index()));
    if (choices.LoadModel(layoutModel)) choices.Apply();
    return set.ObjectAt(model::testoHtml, page->Index());
}

std::string ReferenceReasonText(int reason) {
    static const char* const texts[] = {
        "Nessun riferimento",
        "nel testo",
        "nello sfondo testo",
        "nello sfondo di una tabella",
        "come intestazione o piè di pagina",
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
    if (reason < 0 || reason > 16) return texts[0];
    return texts[reason];
}

std::vector<TPageUse> PageUses(const model::TNYXset& set, std::int64_t slot) {
    std::vector<TPageUse> uses;
    const model::TNYXoggetto* page = PageAt(set, slot);
    if (!page) return uses;
    const std::int32_t ref = page->Reference();
    std::set<std::int32_t> seen;
    std::vector<const model::TNYXoggetto*> owned;
    CollectOwned(set, *page, seen, owned, 0);
    for (int type : {int(model::testoHtml), int(model::custom)})
        for (std::size_t i = 0; i < set.Count(type); ++i) {
            const model::TNYXoggetto* o = set.ObjectAt(type, static_cast<std::int64_t>(i));
            if (!o || o->IsEmpty() || seen.count(o->Reference())) continue;
            if (const int why = o->ReferenceReason(ref))
                uses.push_back({text::Cp1252ToUtf8(o->DescriptionTitle()), ReferenceReasonText(why)});
        }
    // Other pages' frames that show it.
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* o = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty() || o == page) continue;
        const model::TNYXoggetto* map = PageMap(set, *o);
        if (!map) continue;
        auto top = ReadFrameMap(*map);
        bool shows = false;
        if (top)
            top->ForEach([&](const TNonVisCornice& f) { shows = shows || (f.IsLeaf() && f.rec.PageRef() == ref); });
        if (shows) uses.push_back({text::Cp1252ToUtf8(o->DescriptionTitle()), "in un insieme di cornici"});
    }
    const std::string props = "Proprietà dell'ipertesto";
    if (set.HInt(model::hdr::kCoverPage) == slot) uses.push_back({props, "come copertina"});
    if (set.HInt(model::hdr::kContentsPage) == slot) uses.push_back({props, "come sommario"});
    if (set.HInt(model::hdr::kHeaderPage) == slot || set.HInt(model::hdr::kFooterPage) == slot)
        uses.push_back({props, ReferenceReasonText(4)});
    return uses;
}

TPageTrash::TResult TPageTrash::Delete(model::TNYXset& set, std::int64_t slot) {
    model::TNYXoggetto* page = PageAt(set, slot);
    if (!page) return TResult::kNoPage;
    const std::vector<TPageUse> uses = PageUses(set, slot);
    if (!uses.empty()) {
        std::vector<std::string> lines{"Non posso cancellare, questa pagina è usata da:"};
        for (const TPageUse& u : uses) lines.push_back("  - " + u.who + "   {" + u.why + "}");
        platform::ui().ShowErrorList("Report errori:", lines);
        return TResult::kInUse;
    }
    const std::string title = page->GetName();
    if (platform::ui().AskYesNo("Cancello la pagina \"" + text::Cp1252ToUtf8(title) +
                                "\"?\nSi potrà ripristinare fino al prossimo salvataggio.") != platform::Answer::Yes)
        return TResult::kCancelled;
    TDeletion d;
    d.slot = slot;
    d.title = title;
    std::set<std::int32_t> seen;
    std::vector<const model::TNYXoggetto*> owned;
    CollectOwned(set, *page, seen, owned, 0);
    if (model::TNYXoggetto* map = PageMap(set, *page)) owned.push_back(map);
    for (const model::TNYXoggetto* o : owned) {
        TSaved s;
        s.type = o->Type();
        s.index = o->Index();
        o->SaveToStream(s.stream);
        d.objects.push_back(std::move(s));
    }
    // The objects of its text go with the page; the map is emptied apart.
    if (model::TNYXoggetto* map = PageMap(set, *page)) map->Reset();
    page->Reset();
    set.SetModified(true);
    deleted_.push_back(std::move(d));
    return TResult::kDeleted;
}

std::string TPageTrash::NewestTitle() const { return deleted_.empty() ? std::string() : deleted_.back().title; }

std::int64_t TPageTrash::Undo(model::TNYXset& set) {
    if (deleted_.empty()) return -1;
    TDeletion d = std::move(deleted_.back());
    deleted_.pop_back();
    // Every slot must still be empty: what took one meanwhile stays.
    for (const TSaved& s : d.objects) {
        const model::TNYXoggetto* o = set.ObjectAt(s.type, s.index);
        if (o && !o->IsEmpty()) {
            platform::ui().Warning("La pagina \"" + text::Cp1252ToUtf8(d.title) +
                                   "\" non si può ripristinare: il suo posto è stato occupato.");
            return -1;
        }
    }
    for (const TSaved& s : d.objects) {
        model::TNYXoggetto* o = set.ObjectAt(s.type, s.index);
        std::size_t pos = 0;
        if (o) {
            o->LoadFromStream(s.stream, pos);
        } else {
            auto fresh = model::MakeObject(s.type);
            fresh->SetSet(&set);
            if (fresh->LoadFromStream(s.stream, pos)) set.RegisterObject(s.type, s.index, std::move(fresh));
        }
    }
    set.SetModified(true);
    return d.slot;
}

std::vector<TPageRow> PageRows(const model::TNYXset& set) {
    std::vector<TPageRow> rows;
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) continue;
        rows.push_back({static_cast<std::int64_t>(i), p->GetName(), p->ListSize()});
    }
    return rows;
}

void SortPageRows(std::vector<TPageRow>& rows, TPageColumn column, bool ascending) {
    auto less = [column](const TPageRow& a, const TPageRow& b) {
        switch (column) {
            case TPageColumn::kTitle: {
                const std::string la = text::Lower(a.title), lb = text::Lower(b.title);
                return la != lb ? la < lb : a.slot < b.slot;
            }
            case TPageColumn::kSize: return a.size != b.size ? a.size < b.size : a.slot < b.slot;
            case TPageColumn::kNumber: break;
        }
        return a.slot < b.slot;
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const TPageRow& a, const TPageRow& b) { return ascending ? less(a, b) : less(b, a); });
}

}  // namespace present
