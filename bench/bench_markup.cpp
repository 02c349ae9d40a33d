// Markup lexer, reader and writer on a generated page of 2,000 paragraphs (a
// run change every 20 characters, links, 20 pictures, two 5x5 tables). The
// peer is a plain memchr scan for "<" over the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "markup/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"

namespace {

const std::string& Page() { return richtext::LongSamplePageText(); }

class Quiet : public richtext::TMarkupProblemSink {
    void Report(const richtext::TMarkupDiagnostics&) override {}
};

void BM_Lexer(benchmark::State& state) {
    const std::string& t = Page();
    for (auto _ : state) {
        markup::TMarkupLexer lx(t);
        std::size_t tags = 0;
        for (;;) {
            markup::Token tok = lx.Next();
            if (tok.kind == markup::TokenKind::End) break;
            tags += tok.kind == markup::TokenKind::Tag;
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
        markup::ForEachObjectRef(t, [&](std::int32_t) { ++n; });
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
