#include "richtext/SamplePage.h"

#include <cstdio>
#include <cstring>

#include "model/NYXoggetto.h"
#include "markup/Lexer.h"

namespace richtext {

using namespace markup;
namespace {

model::TNYXoggetto* Table(model::TNYXset& set, int rows, int cols) {
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    t->SetByte(93, static_cast<std::uint8_t>(rows));
    t->SetByte(94, static_cast<std::uint8_t>(cols));
    return t;
}

}  // namespace

const std::string& LongSamplePageText() {
    static const std::string text = [] {
        static const char* kWords = "Lorem ipsum dolor sit amet, consectetur adipiscing elit & sed do eiusmod <tempor>. ";
        const std::size_t wl = std::strlen(kWords);
        std::string t;
        std::size_t w = 0, pictures = 0;
        auto chunk = [&](std::size_t n) {
            for (std::size_t k = 0; k < n; ++k) AppendEscaped(t, kWords[w++ % wl]);
        };
        for (int p = 0; p < 2000; ++p) {
            if (p == 500 || p == 1500) {
                t += p == 500 ? "<Z S0 ><$FF000006>" : "<Z S0 ><$FF000007>";
                for (int c = 0; c < 25; ++c) {
                    t += "<Z S1 >cella ";
                    t += std::to_string(c);
                    t += "<T>";
                }
                continue;
            }
            t += p % 10 == 0 ? "<Z S2 A2 >" : "<Z S0 >";
            for (int r = 0; r < 4; ++r) {
                if (r == 1) t += "<Y y1 >";
                else if (r == 2) t += "<Y cFF0000 s14 >";
                else if (r == 3) t += "<Y >";
                if (r == 3 && p % 7 == 0) {
                    t += "<$6F000001>";
                    chunk(20);
                    t += "<%>";
                } else {
                    chunk(20);
                }
            }
            if (p % 100 == 50 && pictures < 20) {
                char b[16];
                std::snprintf(b, sizeof b, "<$FF%06X>", static_cast<unsigned>(8 + pictures++));
                t += b;
            }
        }
        t += '\0';
        return t;
    }();
    return text;
}

TSamplePage::TSamplePage() : box(&set, &registry, &metrics) {
    set.NewHypertext();
    if (model::TNYXoggetto* s = set.NewObject(model::stileParagrafo)) s->SetName("Titolo");
    auto add = [&](model::TNYXoggetto* o) { registry.Add(std::make_unique<TNYXembedded>(o)); };
    add(set.NewObject(model::immagineNew));
    add(Table(set, 2, 2));
    add(Table(set, 1, 1));
    add(set.NewObject(model::immagineNew));
    add(set.NewObject(model::bottoneCGI));
    add(Table(set, 1, 1));
    add(Table(set, 5, 5));
    add(Table(set, 5, 5));
    for (int i = 0; i < 20; ++i) add(set.NewObject(model::immagineNew));
}

std::string TSamplePage::Read(std::string_view text, TMarkupProblemSink* sink) {
    class Quiet : public TMarkupProblemSink {
        void Report(const TMarkupDiagnostics&) override {}
    } quiet;
    LoadBox(box, 0, text, {}, {}, sink ? sink : &quiet);
    return BoxText(box);
}

}  // namespace richtext
