#include "richtext/StyleSheet.h"

#include <cstring>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Box.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"

namespace richtext {
namespace {

bool NameUsed(const model::TNYXset& set, std::string_view name) { return StyleByName(set, name) != nullptr; }

}  // namespace

model::TNYXoggetto* StyleByName(const model::TNYXset& set, std::string_view name) {
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        model::TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i));
        if (s && !s->IsEmpty() && platform::text::EqualsNoCase(s->GetName(), name)) return s;
    }
    return nullptr;
}

std::vector<std::string> StyleNames(const model::TNYXset& set) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        model::TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i));
        if (s && !s->IsEmpty()) out.push_back(s->GetName());
    }
    return out;
}

std::string UniqueStyleName(const model::TNYXset& set, std::string_view name) {
    std::string base(name.substr(0, style::kNameCap));
    if (!NameUsed(set, base)) return base;
    for (unsigned n = 1;; ++n) {
        std::string suffix(1, ' ');
        suffix += std::to_string(n);
        std::string cand = base.substr(0, style::kNameCap - suffix.size()) + suffix;
        if (!NameUsed(set, cand)) return cand;
    }
}

std::string NewStyleName(const model::TNYXset& set) {
    for (unsigned n = 0;; ++n) {
        std::string cand("Nuovo stile ");
        cand += std::to_string(n);
        if (!NameUsed(set, cand)) return cand;
    }
}

model::TNYXoggetto* AddStyle(model::TNYXset& set, std::string_view name, const model::TNYXoggetto* model) {
    std::string unique = UniqueStyleName(set, name);
    // A new style always takes a slot of its own past the last one. An empty
    // slot is a deleted style: stored paragraphs may still name its number
    // (they are shown in style 0), and boxes on screen may still hold its
    // record, so taking it over would restyle those paragraphs silently and
    // free a record still in use.
    auto fresh = model::MakeObject(model::stileParagrafo);
    fresh->SetSet(&set);
    fresh->Reset();
    fresh->MakeNew();
    model::TNYXoggetto* s = fresh.get();
    const auto end = static_cast<std::int64_t>(set.Count(model::stileParagrafo));
    if (set.RegisterObject(model::stileParagrafo, end, std::move(fresh)) < 0) return nullptr;
    if (model) {
        std::memcpy(s->Data() + 5, model->Data() + 5, model::kDataSize - 5);
        // Subtype 0 is the empty style: a copy keeps the subtype of a style in use.
        s->SetSubtype(1);
    }
    s->SetName(unique);
    return s;
}

model::TNYXoggetto* ImportStyle(model::TNYXset& set, const model::TNYXoggetto& foreign) {
    auto copy = model::MakeObject(model::stileParagrafo);
    copy->Reset();
    std::memcpy(copy->Data() + 5, foreign.Data() + 5, model::kDataSize - 5);
    // An identical style already here (the defaults compared on their values only).
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        model::TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i));
        if (s && !s->IsEmpty() && s->Equals(*copy)) return s;
    }
    return AddStyle(set, foreign.GetName(), copy.get());
}

bool ModifyStyle(model::TNYXset& set, model::TNYXoggetto* style, const model::TNYXoggetto& edited,
                 std::string_view newName, const std::function<void(const std::string& label)>& snapshot) {
    if (!style) {
        platform::ui().Error("StileDaMod must not be undef");
        return false;
    }
    const std::string oldName = style->GetName();
    if (snapshot) snapshot("Modifica stile: " + oldName);
    std::string name(newName.substr(0, style::kNameCap));
    if (!platform::text::EqualsNoCase(name, oldName)) {
        style->SetName("");  // not in the way of its own new name
        name = UniqueStyleName(set, name);
    }
    std::memcpy(style->Data() + style::kFont, edited.Data() + style::kFont, model::kDataSize - style::kFont);
    style->SetName(name);
    set.SetModified(true);
    return true;
}

std::map<std::int32_t, std::int64_t> StyleUsage(model::TNYXset& set) {
    std::map<std::int32_t, std::int64_t> out;
    class Quiet : public TMarkupProblemSink {
        void Report(const TMarkupDiagnostics&) override {}
    } quiet;
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        auto* page = dynamic_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i)));
        if (!page || page->IsEmpty() || !page->HasFirstStream()) continue;
        TStoredTextBox reader(set);
        reader.Load(page->Text(), &quiet);
        for (const auto& p : reader.box.paragraphs) ++out[TNYXbox::StyleNumber(p->style.Named())];
    }
    return out;
}

bool DeleteStyle(model::TNYXset& set, model::TNYXoggetto* style) {
    if (!style) return false;
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        if (set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i)) != style) continue;
        if (i < 2) return false;
        // Emptied in place, not freed: boxes on screen still point at it
        // until they read their text again.
        style->Reset();
        set.SetModified(true);
        return true;
    }
    return false;
}

}  // namespace richtext
