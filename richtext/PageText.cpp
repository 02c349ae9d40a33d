#include "richtext/PageText.h"

#include <cstdio>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "richtext/Lexer.h"
#include "richtext/Markup.h"

namespace richtext {

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

}  // namespace richtext
