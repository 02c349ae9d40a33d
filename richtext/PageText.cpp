#include "richtext/PageText.h"

#include <cstdio>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "markup/Lexer.h"
#include "richtext/Markup.h"

namespace richtext {

using namespace markup;

bool IsEmbeddedType(int t) {
    return t == model::tabellaHtml || t == model::shortObj || t == model::dbloc || t == model::immagineNew ||
           (t >= model::inputStat && t <= model::multiMedia);
}

std::string PrepareStoredText(model::TNYXset& set, std::string_view stored, TNYXundoIndiciList& registry,
                              std::vector<std::int32_t>& localObjects) {
    std::string out;
    out.reserve(stored.size());
    TMarkupLexer lx(stored);
    for (;;) {
        Token t = lx.Next();
        if (t.kind == TokenKind::End) break;
        std::uint32_t key = 0;
        if (t.kind == TokenKind::Tag && t.letter == '$' && ParseRefTag(stored, t, key)) {
            const int type = static_cast<int>(key >> 24);
            model::TNYXoggetto* o = nullptr;
            if (type < model::kTypeCount) o = set.ObjectByRef(static_cast<std::int32_t>(key));
            char b[16];
            if (o && !o->IsEmpty() && IsEmbeddedType(type)) {
                auto e = std::make_unique<TNYXembedded>(o);
                if (type == model::immagineNew) {
                    e->width = o->SWord(15) > 0 ? o->SWord(15) : 32;
                    e->height = o->SWord(17) > 0 ? o->SWord(17) : 32;
                }
                if (TNYXembedded* r = registry.Add(std::move(e))) {
                    std::snprintf(b, sizeof b, "<$FF%06X>", static_cast<unsigned>(r->Id()));
                    out += b;
                    continue;
                }
            } else if (o && !o->IsEmpty() && (type == model::internetLink || type == model::speclink)) {
                localObjects.push_back(static_cast<std::int32_t>(key));
                std::snprintf(b, sizeof b, "<$6F%06X>", static_cast<unsigned>((localObjects.size() - 1) & 0xFFFFFF));
                out += b;
                continue;
            }
        }
        out.append(stored.substr(t.begin, t.end - t.begin));
    }
    return out;
}

std::string ShiftInstanceIds(std::string_view text, std::int32_t base) {
    std::string out;
    out.reserve(text.size());
    TMarkupLexer lx(text);
    for (;;) {
        Token t = lx.Next();
        if (t.kind == TokenKind::End) break;
        std::uint32_t key = 0;
        if (t.kind == TokenKind::Tag && t.letter == '$' && ParseRefTag(text, t, key) && (key >> 24) == 0xFF) {
            const std::int64_t id = static_cast<std::int64_t>(key & 0xFFFFFF) + base;
            if (id >= 0 && id <= 0xFFFFFF) {
                char b[16];
                std::snprintf(b, sizeof b, "<$FF%06X>", static_cast<unsigned>(id));
                out += b;
                continue;
            }
        }
        out.append(text.substr(t.begin, t.end - t.begin));
    }
    return out;
}

void TStoredTextBox::Load(std::string_view stored, TMarkupProblemSink* sink) {
    prepared = PrepareStoredText(*box.Set(), stored, registry, localObjects);
    LoadBox(box, 0, prepared, {}, {}, sink);
}

// --- the working copy of a page being edited -------------------------------------------

model::TNYXoggetto* TWorkingCopyHome::NewEmbedded(int kind) {
    auto o = model::MakeObject(kind);
    if (!o) return nullptr;
    model::TNYXoggetto* raw = o.get();
    // Like the copies of the page's own objects, a new one belongs to the
    // hypertext: the files, pictures and prototypes it names are found there.
    raw->SetSet(copy_.Set());
    copy_.EmbeddedObjects().push_back(std::move(o));
    copy_.EmbeddedOrigins().push_back(model::kNoRef);
    copy_.EmbeddedPositions().push_back(0);
    return raw;
}

std::int32_t TWorkingCopyHome::AddLocalLink(std::unique_ptr<model::TNYXoggetto> record) {
    auto& list = copy_.LocalObjects();
    if (!record || list.size() >= 0xFFFFFF) return -1;
    list.push_back(std::move(record));
    copy_.LocalOrigins().push_back(model::kNoRef);
    return static_cast<std::int32_t>(model::kPageLocalBase + static_cast<std::uint32_t>(list.size() - 1));
}

model::TNYXoggetto* TWorkingCopyHome::LocalLink(std::int32_t key) const {
    const auto u = static_cast<std::uint32_t>(key);
    if ((u >> 24) != (model::kPageLocalBase >> 24)) return nullptr;
    const std::size_t i = u - model::kPageLocalBase;
    return i < copy_.LocalObjects().size() ? copy_.LocalObjects()[i].get() : nullptr;
}

bool StoreBoxInWorkingCopy(const TNYXbox& box, model::TNYXtesto& copy) {
    std::string text = BoxText(box);
    auto& objs = copy.EmbeddedObjects();
    auto& origins = copy.EmbeddedOrigins();
    origins.resize(objs.size(), model::kNoRef);
    std::vector<std::unique_ptr<model::TNYXoggetto>> newObjs;
    std::vector<std::int32_t> newOrigins;
    std::vector<std::pair<std::int32_t, std::int32_t>> byId;  // instance id -> new index
    bool whole = true;
    std::string stored = RewriteObjectRefs(text, [&](std::int32_t key, std::size_t) -> std::int64_t {
        const auto u = static_cast<std::uint32_t>(key);
        if ((u >> 24) != 0xFF) return u;
        const auto id = static_cast<std::int32_t>(u & 0xFFFFFF);
        for (const auto& [known, index] : byId)
            if (known == id) return model::kFragmentLocalBase + static_cast<std::uint32_t>(index);
        const TNYXembedded* e = box.Registry() ? box.Registry()->Find(id) : nullptr;
        model::TNYXoggetto* rec = e ? e->Record() : nullptr;
        if (!rec) {
            whole = false;
            return -1;
        }
        std::unique_ptr<model::TNYXoggetto> own;
        std::int32_t origin = model::kNoRef;
        for (std::size_t j = 0; j < objs.size(); ++j)
            if (objs[j].get() == rec) {
                own = std::move(objs[j]);
                origin = origins[j];
                break;
            }
        if (!own) {
            // Shown by the box but kept elsewhere: the page gets a copy of its own.
            own = model::MakeObject(rec->Type());
            std::string bytes;
            rec->SaveToStream(bytes);
            std::size_t pos = 0;
            if (!own || !own->LoadFromStream(bytes, pos)) {
                whole = false;
                return -1;
            }
        }
        const auto index = static_cast<std::int32_t>(newObjs.size());
        newObjs.push_back(std::move(own));
        newOrigins.push_back(origin);
        byId.emplace_back(id, index);
        return model::kFragmentLocalBase + static_cast<std::uint32_t>(index);
    });
    if (!stored.empty() && stored.back() == '\0') stored.pop_back();
    objs = std::move(newObjs);
    origins = std::move(newOrigins);
    copy.EmbeddedPositions().assign(objs.size(), 0);
    copy.SetText(stored);
    return whole;
}

}  // namespace richtext
