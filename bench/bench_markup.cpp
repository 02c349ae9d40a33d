// Markup lexer, reader and writer on a generated page of 2,000 paragraphs (a
// run change every 20 characters, links, 20 pictures, two 5x5 tables). The
// peer is a plain memchr scan for "<" over the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "richtext/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"

namespace {

const std::string& Page() {
    static const std::string text = [] {
        static const char* kWords = "Lorem ipsum dolor sit amet, consectetur adipiscing elit & sed do eiusmod <tempor>. ";
        const std::size_t wl = std::strlen(kWords);
        std::string t;
        std::size_t w = 0, pictures = 0;
        auto chunk = [&](std::size_t n) {
            for (std::size_t k = 0; k < n; ++k) richtext::AppendEscaped(t, kWords[w++ % wl]);
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

class Quiet : public richtext::TMarkupProblemSink {
    void Report(const richtext::TMarkupDiagnostics&) override {}
};

void BM_Lexer(benchmark::State& state) {
    const std::string& t = Page();
    for (auto _ : state) {
        richtext::TMarkupLexer lx(t);
        std::size_t tags = 0;
        for (;;) {
            richtext::Token tok = lx.Next();
            if (tok.kind == richtext::TokenKind::End) break;
            tags += tok.kind == richtext::TokenKind::Tag;
        }
        benchmark::DoNotOptimize(tags);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_Lexer);

void BM_PeerMemchr(benchmark::State& state) {
    const std::string& t = Page();
    for (auto _ : state) {
        std::size_t tags = 0;
        const char* p = t.data();
        const char* end = p + t.size();
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
            ++tags;
            ++p;
        }
        benchmark::DoNotOptimize(tags);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_PeerMemchr);

void BM_ObjectRefs(benchmark::State& state) {
    const std::string& t = Page();
    for (auto _ : state) {
        std::size_t n = 0;
        richtext::ForEachObjectRef(t, [&](std::int32_t) { ++n; });
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_ObjectRefs);

void BM_Read(benchmark::State& state) {
    richtext::TSamplePage page;
    Quiet quiet;
    const std::string& t = Page();
    for (auto _ : state) {
        richtext::LoadBox(page.box, 0, t, {}, {}, &quiet);
        benchmark::DoNotOptimize(page.box.paragraphs.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
    state.counters["paragraphs"] = static_cast<double>(page.box.paragraphs.size());
}
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);

void BM_Write(benchmark::State& state) {
    richtext::TSamplePage page;
    Quiet quiet;
    const std::string& t = Page();
    richtext::LoadBox(page.box, 0, t, {}, {}, &quiet);
    if (richtext::BoxText(page.box) != t) state.SkipWithError("round trip differs");
    for (auto _ : state) {
        std::string out = richtext::BoxText(page.box);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_Write)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
