#include "shell/LinkChoices.h"

#include <algorithm>

#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "richtext/Box.h"
#include "richtext/Editing.h"

namespace shell {

namespace {

constexpr std::uint8_t kOpenNamedFrame = 1, kOpenAnchorHere = 6, kLastOpenMode = 6;

const model::TNYXoggetto* PageAt(const model::TNYXset& set, std::int64_t slot) {
    if (slot < 0) return nullptr;
    const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, slot);
    return p && !p->IsEmpty() ? p : nullptr;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Modes that name a window: the named frame, separate window, new browser, popup.
bool NamesWindow(std::uint8_t mode) { return mode >= 1 && mode <= 4; }

void SetWindow(model::TNYXoggetto& l, const TLinkChoices& c) {
    l.SetStr(model::linkrec::kWindowName, model::linkrec::kWindowNameCap, c.windowName);
}

}  // namespace

const std::vector<std::string>& OpenModeNames() {
    static const std::vector<std::string> names = {
        "rimpiazza la cornice corrente con", "rimpiazza la cornice \"", "crea in finestra separata",
        "crea nuovo browser", "crea in popup", "salta al", "ancora nella pagina corrente"};
    return names;
}

std::string LinkAddress(const TLinkChoices& c) {
    if (c.kind == TLinkKind::hypertext) {
        std::string a = "quor:" + c.file;
        if (c.foreignPage >= 0) a += "|" + std::to_string(c.foreignPage);
        return a;
    }
    return c.address;
}

std::string CheckLinkChoices(const model::TNYXset& set, const TLinkChoices& c) {
    if (c.openMode > kLastOpenMode) return "Modo di apertura non valido.";
    if (c.shows > 1) return "Scelta di cosa mostrare non valida.";
    if (c.windowName.size() > kWindowNameCap)
        return "Il nome della finestra può avere al massimo " + std::to_string(kWindowNameCap) + " caratteri.";
    switch (c.kind) {
    case TLinkKind::page:
        if (c.openMode == kOpenAnchorHere) {
            if (c.anchor < 0) return "Occorre indicare l'ancora della pagina corrente.";
        } else if (!PageAt(set, c.page)) {
            return "Occorre scegliere la pagina di destinazione.";
        }
        if (NamesWindow(c.openMode) && c.windowName.empty()) return "Occorre indicare il nome della finestra.";
        return {};
    case TLinkKind::address:
    case TLinkKind::hypertext: {
        if (c.kind == TLinkKind::address && c.address.empty()) return "Occorre indicare l'indirizzo del collegamento.";
        if (c.kind == TLinkKind::hypertext && c.file.empty()) return "Occorre indicare il file dell'ipertesto.";
        if (c.kind == TLinkKind::address && StartsWith(platform::text::Lower(c.address), "quor:"))
            return "Per collegarsi a un altro ipertesto scegliere \"Pagina di un altro ipertesto\".";
        if (LinkAddress(c).size() > kLinkAddressCap)
            return "L'indirizzo del collegamento può avere al massimo " + std::to_string(kLinkAddressCap) +
                   " caratteri.";
        if (c.openMode == kOpenAnchorHere) return "Un indirizzo non può aprirsi su un'ancora della pagina corrente.";
        if (NamesWindow(c.openMode) && c.windowName.empty()) return "Occorre indicare il nome della finestra.";
        return {};
    }
    case TLinkKind::special:
        if (c.special < model::linkrec::kCloseWindow || c.special > model::linkrec::kAutoImport)
            return "Tipo di collegamento speciale non valido.";
        if (c.special == model::linkrec::kCloseWindow && c.windowName.empty())
            return "Occorre indicare il nome della finestra da chiudere.";
        return {};
    }
    return "Tipo di collegamento non valido.";
}

std::string LinkDescription(model::TNYXset& set, const TLinkChoices& c) {
    if (!CheckLinkChoices(set, c).empty()) return {};
    if (c.kind == TLinkKind::address || c.kind == TLinkKind::hypertext) return LinkAddress(c);
    auto l = MakeLinkRecord(set, c);
    if (!l) return {};
    l->SetSet(&set);
    return l->Description();
}

std::unique_ptr<model::TNYXoggetto> MakeLinkRecord(model::TNYXset& set, const TLinkChoices& c) {
    if (!CheckLinkChoices(set, c).empty()) return nullptr;
    if (c.kind == TLinkKind::address || c.kind == TLinkKind::hypertext) {
        auto url = set.NewURL(LinkAddress(c));
        if (c.openMode == 0 && c.shows == 0) return url;
        // Opening elsewhere needs a link record; the URL it leads to is the hypertext's.
        model::TNYXoggetto* target = set.FindEqual(*url);
        std::int32_t ref = target ? target->Reference() : model::kNoRef;
        if (!target) {
            const std::int32_t slot = set.RegisterObject(model::internetLink, -1, std::move(url));
            if (slot < 0) return nullptr;
            ref = model::MakeRef(model::internetLink, static_cast<std::uint32_t>(slot));
        }
        auto l = model::MakeObject(model::speclink);
        l->MakeNew();
        l->SetSubtype(model::linkrec::kGoTo);
        l->SetInt(model::linkrec::kTarget, ref);
        l->SetInt(model::linkrec::kAnchor, -1);
        l->SetByte(model::linkrec::kShows, c.shows);
        l->SetByte(model::linkrec::kOpenMode, c.openMode);
        SetWindow(*l, c);
        return l;
    }
    auto l = model::MakeObject(model::speclink);
    l->MakeNew();
    l->SetInt(model::linkrec::kAnchor, -1);
    if (c.kind == TLinkKind::special) {
        l->SetSubtype(c.special);
        l->SetInt(model::linkrec::kTarget, model::kNoRef);
        l->SetByte(model::linkrec::kShows, 0);
        l->SetByte(model::linkrec::kOpenMode, 0);
        SetWindow(*l, c);
        if (c.special == model::linkrec::kAutoImport && !c.importText.empty()) l->SetFirstStream(c.importText);
        return l;
    }
    l->SetSubtype(model::linkrec::kGoTo);
    const bool here = c.openMode == kOpenAnchorHere;
    l->SetInt(model::linkrec::kTarget,
              here && !PageAt(set, c.page) ? model::kNoRef
                                            : model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(c.page)));
    l->SetInt(model::linkrec::kAnchor, c.anchor >= 0 ? c.anchor : -1);
    l->SetByte(model::linkrec::kShows, c.shows);
    l->SetByte(model::linkrec::kOpenMode, c.openMode);
    SetWindow(*l, c);
    return l;
}

TLinkChoices ChoicesFromRecord(const model::TNYXset& set, const model::TNYXoggetto& r) {
    TLinkChoices c;
    auto fromUrl = [&c, &set](const model::TNYXoggetto& u) {
        const std::string a = u.GetName();
        const model::HypertextLink h = set.ParseHypertextLink(a);
        if (StartsWith(a, "quor:")) {
            c.kind = TLinkKind::hypertext;
            std::string rest = a.substr(StartsWith(a, "quor://") ? 7 : 5);
            const auto bar = rest.find('|');
            c.file = rest.substr(0, bar);
            c.foreignPage = bar == std::string::npos ? -1 : h.page;
        } else {
            c.kind = TLinkKind::address;
            c.address = a;
        }
    };
    if (r.Type() == model::internetLink) {
        fromUrl(r);
        return c;
    }
    if (r.Type() == model::testoHtml) {
        c.page = r.Index();
        return c;
    }
    if (r.Type() != model::speclink) return c;
    c.windowName = r.Str(model::linkrec::kWindowName, model::linkrec::kWindowNameCap);
    if (r.Subtype() != model::linkrec::kGoTo) {
        c.kind = TLinkKind::special;
        c.special = r.Subtype();
        if (const std::string* s = r.FirstStreamMemory()) c.importText = *s;
        return c;
    }
    c.shows = r.Byte(model::linkrec::kShows);
    c.openMode = r.Byte(model::linkrec::kOpenMode);
    c.anchor = r.Int(model::linkrec::kAnchor) >= 0 ? r.Int(model::linkrec::kAnchor) : -1;
    const std::int32_t target = r.Int(model::linkrec::kTarget);
    if (target != model::kNoRef && model::RefType(target) == model::internetLink) {
        if (const model::TNYXoggetto* u = set.ObjectByRef(target)) fromUrl(*u);
    } else if (target != model::kNoRef && model::RefType(target) == model::testoHtml) {
        c.page = model::RefIndex(target);
    }
    return c;
}

std::vector<std::int64_t> PagesByTitle(const model::TNYXset& set, std::string_view part) {
    std::vector<std::int64_t> out;
    const std::string want = platform::text::Lower(part);
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = PageAt(set, static_cast<std::int64_t>(i));
        if (p && platform::text::Lower(p->GetName()).find(want) != std::string::npos)
            out.push_back(static_cast<std::int64_t>(i));
    }
    return out;
}

namespace {

// The page slot a key leads to, -1 when it does not lead to a page.
std::int64_t TargetPage(const model::TNYXoggetto* record, std::int32_t key) {
    std::int32_t target = key;
    if (record && record->Type() == model::speclink) {
        if (record->Subtype() != model::linkrec::kGoTo || record->Byte(model::linkrec::kOpenMode) == kOpenAnchorHere)
            return -1;
        target = record->Int(model::linkrec::kTarget);
    } else if (record) {
        return -1;
    }
    if (target == model::kNoRef || model::RefType(target) != model::testoHtml) return -1;
    return model::RefIndex(target);
}

}  // namespace

bool LeadsToMissingPage(const model::TNYXset& set, const model::TNYXoggetto* record, std::int32_t key) {
    const std::int64_t page = TargetPage(record, key);
    return page >= 0 && !PageAt(set, page);
}

std::vector<TBrokenLink> BrokenLinks(const model::TNYXset& set) {
    std::vector<TBrokenLink> out;
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = PageAt(set, static_cast<std::int64_t>(i));
        std::string text;
        if (!p || !p->ReadFirstStream(text)) continue;
        markup::ForEachObjectRef(text, [&](std::int32_t key) {
            const int type = model::RefType(key);
            if (type != model::speclink && type != model::testoHtml) return;
            const model::TNYXoggetto* r = type == model::speclink ? set.ObjectByRef(key) : nullptr;
            if (type == model::speclink && (!r || r->IsEmpty())) return;
            if (LeadsToMissingPage(set, r, key))
                out.push_back({static_cast<std::int64_t>(i), key, TargetPage(r, key)});
        });
    }
    return out;
}

bool ApplyLinkRecord(richtext::TNYXediting& editing, std::unique_ptr<model::TNYXoggetto> record) {
    richtext::TNYXbox& box = editing.Box();
    if (!record) return false;
    // Without a selection SetLink refuses with its warning.
    if (!box.HasSelection()) return editing.SetLink(model::kNoRef);
    std::int32_t key = model::kNoRef;
    const int type = record->Type();
    if (type == model::internetLink || type == model::speclink || type == model::shortObj) {
        if (!box.objectHome) return false;
        key = box.objectHome->AddLocalLink(std::move(record));
        if (key == -1) return false;
    } else {
        key = record->Reference();
    }
    return editing.SetLink(key);
}

std::int32_t NextAnchorNumber(const richtext::TNYXbox& box) {
    std::int32_t next = 0;
    for (const auto& p : box.paragraphs)
        for (std::size_t ch = 0; ch < p->text.size(); ++ch)
            if (const richtext::TNYXembedded* e = p->ObjectAt(ch))
                if (const model::TNYXoggetto* r = e->Record();
                    r && r->Type() == model::shortObj && r->Subtype() == model::markerrec::kAnchor)
                    next = std::max(next, r->Int(model::markerrec::kValue) + 1);
    return next;
}

std::int32_t InsertAnchor(richtext::TNYXediting& editing) {
    richtext::TNYXbox& box = editing.Box();
    richtext::TNYXundoIndiciList* reg = box.Registry();
    if (!reg) return -1;
    const std::int32_t n = NextAnchorNumber(box);
    model::TNYXoggetto* rec = box.NewEmbeddedRecord(model::shortObj);
    if (!rec) return -1;
    rec->SetSubtype(model::markerrec::kAnchor);
    rec->SetInt(model::markerrec::kValue, n);
    richtext::TNYXembedded* e = reg->Add(std::make_unique<richtext::TNYXembedded>(rec, 16, 16));
    return e && editing.InsertObject(e) ? n : -1;
}

std::int32_t SelectLinkAt(richtext::TNYXediting& editing, std::int32_t para, std::int32_t ch) {
    richtext::TNYXbox& box = editing.Box();
    if (para < 0 || static_cast<std::size_t>(para) >= box.paragraphs.size()) return -1;
    const auto& recs = box.paragraphs[static_cast<std::size_t>(para)]->recs;
    const std::int32_t len = editing.Length(para);
    if (len <= 0) return -1;
    // The character under the position, else the one before it.
    std::int32_t at = ch < len ? ch : len - 1;
    if (at < 0) return -1;
    std::int32_t key = recs[static_cast<std::size_t>(at)].link;
    if (key == -1 && at > 0 && recs[static_cast<std::size_t>(at - 1)].link != -1) key = recs[static_cast<std::size_t>(--at)].link;
    if (key == -1) return -1;
    std::int32_t lo = at, hi = at + 1;
    while (lo > 0 && recs[static_cast<std::size_t>(lo - 1)].link == key) --lo;
    while (hi < len && recs[static_cast<std::size_t>(hi)].link == key) ++hi;
    editing.Select({para, lo}, {para, hi});
    return key;
}

}  // namespace shell
