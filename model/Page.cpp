#include "model/Page.h"

#include <cstdio>
#include <cstring>
#include <map>

#include "platform/Ui.h"
#include "markup/Lexer.h"
#include "model/Upgrade.h"

namespace model {

namespace {

bool IsPageObjectType(int t) { return t == internetLink || OwnedByPageText(t); }


bool SameContents(const TNYXoggetto& a, const TNYXoggetto& b) {
    if (a.Type() != b.Type() || std::memcmp(a.Data(), b.Data(), kDataSize) != 0) return false;
    std::string sa, sb;
    const bool ha = a.ReadFirstStream(sa), hb = b.ReadFirstStream(sb);
    if (ha != hb || sa != sb) return false;
    const std::string* xa = a.SecondStream();
    const std::string* xb = b.SecondStream();
    return (!xa && !xb) || (xa && xb && *xa == *xb);
}

}  // namespace

bool GoToAnchor(TNYXtesto& copy, std::int32_t n, bool viewMode, std::size_t& position) {
    if (n < 0) return false;
    auto& objects = copy.EmbeddedObjects();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const TNYXoggetto* o = objects[i].get();
        if (o && o->Type() == shortObj && o->Subtype() == markerrec::kAnchor && o->Int(markerrec::kValue) == n) {
            position = i < copy.EmbeddedPositions().size() ? copy.EmbeddedPositions()[i] : 0;
            return true;
        }
    }
    if (!viewMode) platform::ui().Warning("Ancora non trovata: a" + std::to_string(n));
    return false;
}

TNYXoggetto* HeaderPageOf(const TNYXset& set, const TNYXoggetto& page) {
    std::int32_t idx = page.Int(pagerec::kHeaderPage);
    if (idx == -1) idx = set.HInt(hdr::kHeaderPage);
    TNYXoggetto* h = idx >= 0 ? set.ObjectAt(testoHtml, idx) : nullptr;
    return h && !h->IsEmpty() ? h : nullptr;
}

TNYXoggetto* FooterPageOf(const TNYXset& set, const TNYXoggetto& page) {
    std::int32_t idx = page.Int(pagerec::kFooterPage);
    if (idx == -1) idx = set.HInt(hdr::kFooterPage);
    TNYXoggetto* f = idx >= 0 ? set.ObjectAt(testoHtml, idx) : nullptr;
    return f && !f->IsEmpty() ? f : nullptr;
}

std::unique_ptr<TNYXtesto> BuildWorkingCopy(TNYXset& set, const TNYXoggetto* page, bool subText) {
    auto copy = std::make_unique<TNYXtesto>();
    copy->SetSet(&set);
    if (page) {
        // A page still in the old markup is upgraded where it is stored, so
        // that the pictures the upgrade places belong to the hypertext and the
        // copy reads them like any other object of the page.
        if (page->Set() == &set && page->Type() == testoHtml)
            if (TNYXoggetto* stored = set.ObjectAt(testoHtml, static_cast<std::int64_t>(page->Index())); stored == page)
                UpgradePageText(set, *stored);
        copy->Assign(*page);
        UpgradePageText(set, *copy);
        copy->SetSourceIndex(static_cast<std::int32_t>(page->Index()));
    } else {
        copy->Reset();
        copy->MakeNew();
    }
    copy->SetSubText(subText);
    std::string text;
    if (!copy->ReadFirstStream(text) || text.empty()) text = std::string("<Z S0 >\0", 8);
    if (text.back() != '\0') text += '\0';

    auto privateCopy = [&](const TNYXoggetto& original) {
        auto c = MakeObject(original.Type());
        c->Assign(original);
        c->SetRegistered(false);
        if (subText) c->inactive = 1;
        return c;
    };
    // A URL or link becomes a page-local object; its local reference is its tag value.
    auto makeLocal = [&](const TNYXoggetto& original) -> std::uint32_t {
        auto c = privateCopy(original);
        const std::uint32_t local = kPageLocalBase + static_cast<std::uint32_t>(copy->LocalObjects().size());
        c->SetLocalReference(static_cast<std::int32_t>(local));
        copy->LocalObjects().push_back(std::move(c));
        copy->LocalOrigins().push_back(original.Reference());
        return local;
    };
    // The references a copy holds to URLs and links lead to private copies too.
    auto localizeFields = [&](TNYXoggetto& c) {
        for (std::size_t off : LinkFields(c)) {
            const std::int32_t r = c.Int(off);
            if (r == kNoRef || (RefType(r) != internetLink && RefType(r) != speclink)) continue;
            const TNYXoggetto* o = set.ObjectByRef(r);
            if (!o || &c == o) continue;
            c.SetInt(off, static_cast<std::int32_t>(makeLocal(*o)));
        }
    };
    const std::string rewritten = markup::RewriteObjectRefs(text, [&](std::int32_t ref, std::size_t pos) -> std::int64_t {
        const std::uint32_t v = static_cast<std::uint32_t>(ref);
        if (v >= 0x08000000u && RefType(ref) > multiMedia) return v;  // local and fragment references stay
        if (!IsPageObjectType(RefType(ref))) return v;
        const TNYXoggetto* o = set.ObjectByRef(ref);
        if (!o) return v;
        if (o->Type() == internetLink || o->Type() == speclink) {
            const std::uint32_t local = makeLocal(*o);
            localizeFields(*copy->LocalObjects().back());
            return local;
        }
        auto c = privateCopy(*o);
        localizeFields(*c);
        const std::uint32_t id = kFragmentLocalBase + static_cast<std::uint32_t>(copy->EmbeddedObjects().size());
        copy->EmbeddedObjects().push_back(std::move(c));
        copy->EmbeddedOrigins().push_back(ref);
        copy->EmbeddedPositions().push_back(pos);
        return id;
    });
    copy->SetFirstStream(rewritten);

    if (!subText && page) {
        if (TNYXoggetto* h = HeaderPageOf(set, *page)) copy->SetHeaderCopy(BuildWorkingCopy(set, h, true));
        if (TNYXoggetto* f = FooterPageOf(set, *page)) copy->SetFooterCopy(BuildWorkingCopy(set, f, true));
    }
    return copy;
}

TNYXtesto* StorePage(TNYXset& set, std::unique_ptr<TNYXtesto> copy, std::int64_t index, bool raiseStamp) {
    if (!copy) return nullptr;
    if (copy->Registered()) return copy.release();
    // Objects go back to the slots they came from; a slot is used once per
    // store (two copies of one link edited apart both survive).
    std::map<std::int32_t, bool> used;
    // Returns the reference the copy got; `kept` is the registered object, or
    // null when the copy was dropped as a duplicate.
    auto registerCopy = [&](std::unique_ptr<TNYXoggetto>& obj, std::int32_t origin, TNYXoggetto*& kept) -> std::int32_t {
        kept = nullptr;
        if (!obj) return kNoRef;
        const int t = obj->Type();
        std::int64_t slot = -1;
        if (origin != kNoRef && RefType(origin) == t && set.ObjectByRef(origin)) {
            if (!used[origin]) {
                slot = RefIndex(origin);
            } else if (SameContents(*set.ObjectByRef(origin), *obj)) {
                obj.reset();  // an unchanged second copy of an object already stored
                return origin;
            }
        }
        obj->inactive = 0;
        obj->SetLocalReference(kNoRef);
        TNYXoggetto* raw = obj.get();
        const std::int32_t got = set.RegisterObject(t, slot, std::move(obj));
        if (got < 0) return kNoRef;
        const std::int32_t ref = MakeRef(t, static_cast<std::uint32_t>(got));
        used[ref] = true;
        kept = raw;
        return ref;
    };
    std::vector<TNYXoggetto*> localPtrs, embeddedPtrs;
    std::vector<std::int32_t> localRefs, embeddedRefs;
    for (std::size_t i = 0; i < copy->LocalObjects().size(); ++i) {
        TNYXoggetto* kept = nullptr;
        localRefs.push_back(registerCopy(copy->LocalObjects()[i], copy->LocalOrigins()[i], kept));
        localPtrs.push_back(kept);
    }
    for (std::size_t i = 0; i < copy->EmbeddedObjects().size(); ++i) {
        TNYXoggetto* kept = nullptr;
        embeddedRefs.push_back(registerCopy(copy->EmbeddedObjects()[i], copy->EmbeddedOrigins()[i], kept));
        embeddedPtrs.push_back(kept);
    }
    auto global = [&](std::int32_t r) -> std::int32_t {
        const std::uint32_t u = static_cast<std::uint32_t>(r);
        if (u >= kPageLocalBase && u <= 0x6FFFFFFFu) {
            const std::size_t i = u - kPageLocalBase;
            return i < localRefs.size() ? localRefs[i] : kNoRef;
        }
        if (u >= kFragmentLocalBase) {
            const std::size_t i = u - kFragmentLocalBase;
            return i < embeddedRefs.size() ? embeddedRefs[i] : kNoRef;
        }
        return r;
    };
    for (auto* list : {&localPtrs, &embeddedPtrs})
        for (TNYXoggetto* o : *list) {
            if (!o) continue;
            for (std::size_t off : LinkFields(*o)) o->SetInt(off, global(o->Int(off)));
        }
    copy->LocalObjects().clear();
    copy->LocalOrigins().clear();
    copy->EmbeddedObjects().clear();
    copy->EmbeddedOrigins().clear();
    copy->EmbeddedPositions().clear();
    copy->SetHeaderCopy(nullptr);
    copy->SetFooterCopy(nullptr);

    std::string text;
    copy->ReadFirstStream(text);
    // A tag whose object could not be stored is dropped, never left pointing elsewhere.
    std::string stored = markup::RewriteObjectRefs(text, [&](std::int32_t r, std::size_t) -> std::int64_t {
        const std::int32_t g = global(r);
        return g == kNoRef ? -1 : static_cast<std::int64_t>(static_cast<std::uint32_t>(g));
    });
    if (stored.empty() || stored.back() != '\0') stored += '\0';
    copy->SetFirstStream(stored);
    copy->SetByte(pagerec::kMarkupVersion, pagerec::kCurrentMarkup);
    if (raiseStamp) copy->SetStamp(set.SaveCounter());
    if (copy->GetName() == "Senza titolo") {
        std::string t = AutomaticTitle(stored);
        if (!t.empty()) copy->SetName(t);
    }
    if (copy->IsEmpty()) copy->SetSubtype(0);
    TNYXtesto* raw = copy.get();
    if (set.RegisterObject(testoHtml, index, std::unique_ptr<TNYXoggetto>(copy.release())) < 0) return nullptr;
    return raw;
}

std::string AutomaticTitle(std::string_view m) {
    std::string t;
    std::size_t i = 0;
    while (i < m.size() && m[i] != '\0') {
        if (m[i] == '<') {
            const std::size_t end = m.find('>', i);
            const bool para = i + 1 < m.size() && m[i + 1] == 'Z';
            i = end == std::string_view::npos ? m.size() : end + 1;
            if (para) {
                if (t.size() > 5) break;
                if (!t.empty() && t.back() != ' ') t += ' ';
            }
            continue;
        }
        t += m[i++];
        if (t.size() > 35) break;
    }
    std::size_t start = 0;
    while (start < t.size() && static_cast<unsigned char>(t[start]) <= ' ') ++start;
    t = t.substr(start);
    for (std::size_t k = 3; k + 2 < t.size(); ++k)
        if (t[k] == ' ' && t[k + 1] == ' ' && t[k + 2] == ' ') {
            t.resize(k);
            break;
        }
    // Character references: "&amp;" reads "+", "&lt;" "[", "&gt;" "]", "&#n;" its character.
    std::string d;
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (t[k] == '&') {
            auto starts = [&](std::string_view w) { return t.compare(k, w.size(), w) == 0; };
            if (starts("&amp;")) { d += '+'; k += 4; continue; }
            if (starts("&lt;")) { d += '['; k += 3; continue; }
            if (starts("&gt;")) { d += ']'; k += 3; continue; }
            if (starts("&#")) {
                std::size_t e = k + 2;
                int v = 0, digits = 0;
                while (e < t.size() && digits < 3 && t[e] >= '0' && t[e] <= '9') v = v * 10 + (t[e++] - '0'), ++digits;
                if (digits) {
                    if (e < t.size() && t[e] == ';') ++e;
                    d += static_cast<char>(v & 0xFF);
                    k = e - 1;
                    continue;
                }
            }
        }
        d += t[k];
    }
    for (char& c : d) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"') c = static_cast<char>(148);
        else if (c == '\'') c = static_cast<char>(146);
        else if (u < 0x20 || u == 127 || c == '#' || c == '$' || c == '%' || c == '&' || c == '<' || c == '>') c = ' ';
    }
    if (d.size() > 71) d.resize(71);
    return d;
}

}  // namespace model
