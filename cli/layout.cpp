// nyx layout: the lines of a page laid out at a width, with fixed character
// metrics (every character 8 x 16, ascent 12), so that the result does not
// depend on the fonts of the machine.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"

namespace nyx {
namespace {

int CmdLayout(const Args& a) {
    if (a.size() != 2 && a.size() != 4) return kUsage;
    auto n = ParseInt(a[1]);
    if (!n) return kUsage;
    std::int64_t width = 600;
    if (a.size() == 4) {
        auto w = a[2] == "--width" ? ParseInt(a[3]) : std::nullopt;
        if (!w || *w < 1 || *w > 100000) return kUsage;
        width = *w;
    }
    model::TNYXset set;
    if (!set.LoadFromFile(a[0])) return kFailed;
    auto* page = dynamic_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, *n));
    if (!page || page->IsEmpty()) {
        std::fprintf(stderr, "nyx layout: pagina %lld inesistente\n", static_cast<long long>(*n));
        return kFailed;
    }
    class Quiet : public richtext::TMarkupProblemSink {
        void Report(const richtext::TMarkupDiagnostics&) override {}
    } quiet;
    richtext::TFixedMetrics metrics;
    richtext::TStoredTextBox reader(set, &metrics);
    reader.box.layoutWidth = static_cast<std::int32_t>(width < 20 ? 20 : width);
    reader.Load(page->HasFirstStream() ? page->Text() : std::string(), &quiet);
    const richtext::TNYXbox& box = reader.box;
    std::printf("larghezza %d, contenuto %d, altezza %d\n", box.layoutWidth, box.contentWidth, box.TextBottom() + 1);
    for (std::size_t i = 0; i < box.paragraphs.size(); ++i) {
        const richtext::TNYXparag& p = *box.paragraphs[i];
        std::printf("paragrafo %zu: %d-%d", i, p.top, p.bottom);
        if (p.listNumber > 0) std::printf(" numero %d", p.listNumber);
        std::printf("\n");
        for (const richtext::TNYXline& l : p.lines) {
            const std::string text = Out(p.text.substr(static_cast<std::size_t>(l.first), static_cast<std::size_t>(l.count)));
            std::printf("  y %d h %d base %d x %d w %d: %s\n", l.top, l.height, l.ascent, l.startX + l.alignOffset,
                        l.usedWidth, text.c_str());
        }
    }
    return kOk;
}

Registrar r({"layout", "righe di una pagina impaginata (metriche fisse 8x16)", "nyx layout FILE N [--width PIXEL]",
             CmdLayout});

}  // namespace
}  // namespace nyx
