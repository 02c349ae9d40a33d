// What a stored page text means, for comparing texts of two hypertexts: the
// text read the way the editor reads it and written back the way it writes
// it, every object named by what it is rather than by its slot (pictures by
// size, tables by shape, links by the page or address they lead to).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "present/PictureData.h"
#include "present/TableData.h"
#include "richtext/Diagnostics.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"

namespace importtest {

class TCollect : public richtext::TMarkupProblemSink {
public:
    void Report(const richtext::TMarkupDiagnostics& d) override { lines = d.Summary(); }
    std::vector<std::string> lines;
};

inline std::string PageName(const model::TNYXset& set, std::int32_t ref) {
    const model::TNYXoggetto* p = set.ObjectByRef(ref);
    return p && !p->IsEmpty() && p->Type() == model::testoHtml ? "page \"" + p->GetName() + "\"" : "nothing";
}

// Where a link leads, the same way in both hypertexts.
inline std::string LinkName(const model::TNYXset& set, const model::TNYXoggetto* l, const model::TNYXoggetto* page) {
    if (!l || l->IsEmpty()) return "none";
    switch (l->Type()) {
        case model::testoHtml: return PageName(set, l->Reference());
        case model::internetLink: return "url " + l->GetName();
        case model::speclink:
            switch (l->Subtype()) {
                case model::linkrec::kGoTo: return PageName(set, l->Int(model::linkrec::kTarget));
                case model::linkrec::kPreviousPage:
                case model::linkrec::kNextPage: {
                    const model::TNYXoggetto* to = !page ? nullptr
                                                   : l->Subtype() == model::linkrec::kPreviousPage ? model::PreviousPage(set, *page)
                                                                                                    : model::NextPage(set, *page);
                    return to ? PageName(set, to->Reference()) : "nothing";
                }
                default: return "link " + std::to_string(l->Subtype());
            }
        default: return "object " + std::to_string(l->Type());
    }
}

inline std::string ObjectName(const model::TNYXoggetto* o) {
    if (!o) return "gone";
    switch (o->Type()) {
        case model::immagineNew: {
            const present::TPictureData pd(*o);
            std::string z;
            for (int i = 0; i < present::TPictureData::kZones; ++i) {
                const present::TZoneData zd = pd.Zone(i);
                if (zd.link >= 0) z += " zone " + std::to_string(zd.left) + "," + std::to_string(zd.top) + "," +
                                       std::to_string(zd.width) + "," + std::to_string(zd.height);
            }
            return "picture " + std::to_string(pd.Width()) + "x" + std::to_string(pd.Height()) + z;
        }
        case model::tabellaHtml: {
            const present::TTableData td(*o);
            return "table " + std::to_string(td.Rows()) + "x" + std::to_string(td.Columns());
        }
        case model::shortObj: {
            std::string s = "marker " + std::to_string(o->Subtype());
            if (o->Subtype() == model::markerrec::kAnchor) s += " " + std::to_string(o->Int(model::markerrec::kValue));
            return s;
        }
        default: return "object " + std::to_string(o->Type()) + "/" + std::to_string(o->Subtype()) + " " + o->GetName();
    }
}

// The canonical form of a page's stored text in its hypertext.
inline std::string Canon(model::TNYXset& set, std::string_view stored, const model::TNYXoggetto* page = nullptr,
                         std::vector<std::string>* problems = nullptr) {
    richtext::TStoredTextBox b(set);
    TCollect sink;
    b.Load(stored, &sink);
    if (problems) *problems = sink.lines;
    std::string w = richtext::BoxText(b.box);
    if (!w.empty() && w.back() == '\0') w.pop_back();
    // A run tag that changes nothing at a paragraph's start says nothing.
    for (std::size_t at = w.find("><Y >"); at != std::string::npos; at = w.find("><Y >", at + 1)) {
        const std::size_t open = w.rfind('<', at);
        if (open != std::string::npos && w.compare(open, 2, "<Z") == 0) w.erase(at + 1, 4);
    }
    std::string out;
    markup::TMarkupLexer lx(w);
    std::size_t copied = 0;
    for (;;) {
        const markup::Token t = lx.Next();
        if (t.kind == markup::TokenKind::End || t.kind == markup::TokenKind::Nul) break;
        std::uint32_t key = 0;
        if (t.kind != markup::TokenKind::Tag || t.letter != '$' || !markup::ParseRefTag(w, t, key)) continue;
        out.append(w, copied, t.begin - copied);
        copied = t.end;
        if ((key >> 24) == 0xFF) {
            const richtext::TNYXembedded* e = b.registry.Find(static_cast<std::int32_t>(key & 0xFFFFFF));
            out += "<" + ObjectName(e ? e->Record() : nullptr) + ">";
        } else if ((key >> 24) == 0x6F) {
            const std::size_t i = key & 0xFFFFFF;
            const std::int32_t ref = i < b.localObjects.size() ? b.localObjects[i] : -1;
            out += "<link " + LinkName(set, set.ObjectByRef(ref), page) + ">";
        } else {
            out += "<link " + LinkName(set, set.ObjectByRef(static_cast<std::int32_t>(key)), page) + ">";
        }
    }
    out.append(w, copied, std::string::npos);
    return out;
}

}  // namespace importtest
