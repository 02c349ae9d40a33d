#include "shell/NewHypertext.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace shell {
namespace {

std::string Ref(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

// Page texts are stored markup: "<" in the user's title must not open a tag.
std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) markup::AppendEscaped(out, c);
    return out;
}

class TModelBuilder {
public:
    explicit TModelBuilder(model::TNYXset& set) : set_(set) {}

    model::TNYXtesto* Page(std::string_view title) {
        auto* p = static_cast<model::TNYXtesto*>(set_.NewObject(model::testoHtml));
        p->SetName(std::string(title));
        return p;
    }
    std::string LinkTo(const model::TNYXoggetto& target, std::string_view text) {
        model::TNYXoggetto* l = set_.NewObject(model::speclink);
        l->SetInt(model::linkrec::kTarget, target.Reference());
        l->SetInt(model::linkrec::kAnchor, -1);
        l->SetByte(model::linkrec::kShows, 0);
        l->SetByte(model::linkrec::kOpenMode, 0);
        return Ref(l->Reference()) + std::string(text) + "<%>";
    }
    std::string Step(std::uint8_t kind, std::string_view text) {
        model::TNYXoggetto* l = set_.NewObject(model::speclink);
        l->SetSubtype(kind);
        l->SetInt(model::linkrec::kAnchor, -1);
        return Ref(l->Reference()) + std::string(text) + "<%>";
    }
    // The default page order: the pages in the order given, those from
    // `chapterFrom` on in one chapter named `chapter`.
    void Order(const std::vector<model::TNYXoggetto*>& pages, std::size_t chapterFrom, std::string_view chapter) {
        auto node = [](int level, std::int32_t number, std::string_view text) {
            return "a" + std::to_string(level) + "," + std::to_string(number) + "," + std::string(text) + "\r\n";
        };
        std::string form = node(0, -2, "Senza titolo");
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i == chapterFrom) form += node(1, -3, chapter);
            form += node(i >= chapterFrom ? 2 : 1, pages[i]->Reference(), "x");
        }
        model::TNYXorderedTree order(&set_, model::testoHtml);
        order.ReadStoredForm(form);
        order.Store();
    }

private:
    model::TNYXset& set_;
};

const char* const kHeading = "<Z S0 A2 ><Y s18 y1 >";
const char* const kBody = "<Z S0 ><Y y0 >";

std::string B(const char* utf8) { return platform::text::Utf8ToCp1252(utf8); }

void BuildSite(model::TNYXset& set, const std::string& title) {
    TModelBuilder b(set);
    model::TNYXtesto* cover = b.Page(title);
    model::TNYXtesto* contents = b.Page("Indice");
    std::vector<model::TNYXtesto*> chapters;
    for (int i = 1; i <= 3; ++i) chapters.push_back(b.Page("Capitolo " + std::to_string(i)));
    cover->SetText(kHeading + Escaped(title) + kBody + B("Scrivete qui la presentazione. Il contenuto è nell'") +
                   b.LinkTo(*contents, "indice") + ".");
    std::string list = std::string(kHeading) + "Indice" + kBody;
    for (model::TNYXtesto* c : chapters) list += "<Z S0 N10 >" + b.LinkTo(*c, Escaped(c->GetName()));
    list += kBody + b.LinkTo(*cover, "Copertina");
    contents->SetText(list);
    for (model::TNYXtesto* c : chapters)
        c->SetText(kHeading + c->GetName() + kBody + B("Il testo del capitolo.") + kBody +
                   b.Step(model::linkrec::kPreviousPage, "Pagina precedente") + " - " + b.LinkTo(*contents, "Indice") +
                   " - " + b.Step(model::linkrec::kNextPage, "Pagina successiva"));
    std::vector<model::TNYXoggetto*> order{cover, contents};
    order.insert(order.end(), chapters.begin(), chapters.end());
    b.Order(order, 2, "Capitoli");
}

void BuildSlides(model::TNYXset& set, const std::string& title) {
    TModelBuilder b(set);
    std::vector<model::TNYXoggetto*> pages;
    model::TNYXtesto* first = b.Page(title);
    pages.push_back(first);
    first->SetText(kHeading + Escaped(title) + kBody + "<Z S0 A2 >" +
                   b.Step(model::linkrec::kNextPage, B("Inizia la presentazione")));
    for (int i = 1; i <= 4; ++i) {
        model::TNYXtesto* p = b.Page("Diapositiva " + std::to_string(i));
        pages.push_back(p);
        std::string text = kHeading + p->GetName() + kBody + B("Il testo della diapositiva.") + "<Z S0 A2 >" +
                           b.Step(model::linkrec::kPreviousPage, "Indietro");
        if (i < 4) text += "  " + b.Step(model::linkrec::kNextPage, "Avanti");
        else text += "  " + b.LinkTo(*first, "Fine");
        p->SetText(text);
    }
    b.Order(pages, pages.size(), "");
}

}  // namespace

std::vector<THypertextModel> HypertextModels(const TProgramPaths& paths) {
    std::vector<THypertextModel> out = {
        {"Ipertesto vuoto", "Una copertina vuota, da riempire.", {}, kModelEmpty},
        {"Sito con indice",
         B("Copertina, indice e tre capitoli collegati tra loro, con pagina precedente e successiva."), {}, kModelSite},
        {"Presentazione", B("Una pagina iniziale e quattro diapositive da scorrere in ordine."), {}, kModelSlides},
    };
    std::vector<THypertextModel> saved;
    std::error_code ec;
    for (auto it = fs::directory_iterator(paths.TemplatesFolder(), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext != ".nyx") continue;
        THypertextModel m;
        m.file = it->path();
        m.name = platform::text::Utf8ToCp1252(it->path().stem().string());
        // Only the header is needed: the pages stay in the file until chosen.
        model::TNYXset probe;
        if (probe.LoadFromFile(it->path())) {
            m.description = probe.Title();
            if (!probe.Info().empty()) m.description += (m.description.empty() ? "" : " - ") + probe.Info();
        }
        saved.push_back(std::move(m));
    }
    std::sort(saved.begin(), saved.end(), [](const THypertextModel& a, const THypertextModel& b) {
        return platform::text::Lower(a.name) < platform::text::Lower(b.name);
    });
    out.insert(out.end(), saved.begin(), saved.end());
    return out;
}

void BuildModel(model::TNYXset& set, int builtIn, std::string_view title) {
    const std::string t = title.empty() ? std::string("Senza titolo") : std::string(title);
    if (!title.empty()) set.SetTitle(t);
    switch (builtIn) {
        case kModelSite: BuildSite(set, t); break;
        case kModelSlides: BuildSlides(set, t); break;
        default: {
            auto* cover = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            cover->SetName(t);
            break;
        }
    }
    set.SetModified(false);
}

}  // namespace shell
