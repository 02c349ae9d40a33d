// nyx markup, markup-check: the stored text of pages from the command line.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"
#include "model/Upgrade.h"

using model::TNYXset;

namespace nyx {
namespace {

model::TNYXtesto* PageAt(TNYXset& set, std::int64_t n) {
    auto* o = set.ObjectAt(model::testoHtml, n);
    auto* page = dynamic_cast<model::TNYXtesto*>(o);
    return page && !page->IsEmpty() ? page : nullptr;
}

int CmdMarkup(const Args& a) {
    if (a.size() != 2) return kUsage;
    auto n = ParseInt(a[1]);
    if (!n) return kUsage;
    TNYXset set;
    if (!set.LoadFromFile(a[0])) return kFailed;
    model::TNYXtesto* page = PageAt(set, *n);
    if (!page) {
        std::fprintf(stderr, "nyx markup: pagina %lld inesistente\n", static_cast<long long>(*n));
        return kFailed;
    }
    std::string text = page->HasFirstStream() ? page->Text() : std::string();
    std::string out = Out(text);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
    return kOk;
}

class Collect : public richtext::TMarkupProblemSink {
public:
    void Report(const richtext::TMarkupDiagnostics& d) override { lines = d.Summary(); }
    std::vector<std::string> lines;
};

}  // namespace

std::size_t ReportMarkupProblems(TNYXset& set, std::size_t* pagesOut) {
    std::size_t pages = 0, bad = 0;
    // Checked as they will be read: pages in the old markup are upgraded first
    // (in memory only; the file is not written).
    model::UpgradeOldPages(set);
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        model::TNYXtesto* page = PageAt(set, static_cast<std::int64_t>(i));
        if (!page) continue;
        ++pages;
        std::string text = page->HasFirstStream() ? page->Text() : std::string();
        std::vector<std::string> problems;
        Collect sink;
        richtext::TStoredTextBox reader(set);
        reader.Load(text, &sink);
        problems = sink.lines;
        // What is read must be written back the same way on a second pass.
        std::string once = richtext::BoxText(reader.box);
        Collect quiet;
        richtext::TNYXbox second(&set, &reader.registry);
        reader.box.paragraphs.clear();  // frees the objects for the second reading
        richtext::LoadBox(second, 0, once, {}, {}, &quiet);
        if (richtext::BoxText(second) != once) problems.push_back("il testo riscritto non si rilegge uguale");
        if (problems.empty()) continue;
        ++bad;
        for (const auto& p : problems) std::printf("pagina %zu: %s\n", i, p.c_str());
    }
    if (pagesOut) *pagesOut = pages;
    return bad;
}

namespace {

int CmdMarkupCheck(const Args& a) {
    if (a.size() != 1) return kUsage;
    TNYXset set;
    if (!set.LoadFromFile(a[0])) return kFailed;
    std::size_t pages = 0;
    const std::size_t bad = ReportMarkupProblems(set, &pages);
    std::printf("%zu pagine, %zu con problemi\n", pages, bad);
    return bad ? kFailed : kOk;
}

Registrar r0({"markup", "testo memorizzato di una pagina (UTF-8)", "nyx markup FILE N", CmdMarkup});
Registrar r1({"markup-check", "verifica il testo formattato di ogni pagina", "nyx markup-check FILE", CmdMarkupCheck});

}  // namespace
}  // namespace nyx
