// The hypertext model at scale: adding objects (first free slot), adding
// pages one by one and in a run, the reasons that refer to an object over a
// 10,000-page hypertext, and unique file names for 10,000 pictures.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <optional>
#include <string>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"

using namespace model;

namespace {

std::string Tag(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

void AddObjects(benchmark::State& state) {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope(ui);
    for (auto _ : state) {
        state.PauseTiming();
        auto set = std::make_unique<TNYXset>();
        set->NewHypertext();
        state.ResumeTiming();
        for (int i = 0; i < 100000; ++i) benchmark::DoNotOptimize(set->NewObject(speclink));
        state.PauseTiming();
        set.reset();
        state.ResumeTiming();
    }
    state.counters["objects"] = 100000;
}
BENCHMARK(AddObjects)->Unit(benchmark::kMillisecond)->Iterations(5);

// Adding n pages to a new hypertext, each numbered at the end of the number
// order: one by one, as "Aggiungi nuova pagina" and nyx add-page do (each
// page looks at every page), against a run of added pages, as the importers
// open (the end is remembered between pages). The ratio shows how the one by
// one cost grows with n.
void AddPages(benchmark::State& state, bool inRun) {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope(ui);
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto set = std::make_unique<TNYXset>();
        set->NewHypertext();
        state.ResumeTiming();
        {
            std::optional<TNYXset::TPageRun> run;
            if (inRun) run.emplace(*set);
            for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(set->NewObject(testoHtml));
        }
        state.PauseTiming();
        set.reset();
        state.ResumeTiming();
    }
    state.counters["pages/s"] = benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_CAPTURE(AddPages, OneByOne, false)->Arg(2500)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(AddPages, InARun, true)->Arg(2500)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void ReferenceReasons(benchmark::State& state) {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope(ui);
    TNYXset set;
    set.NewHypertext();
    std::vector<TNYXoggetto*> pages;
    for (int i = 0; i < 10000; ++i) pages.push_back(set.NewObject(testoHtml));
    // Every page links to the next one through a link object, and carries 8 KB of text.
    for (int i = 0; i < 10000; ++i) {
        TNYXoggetto* link = set.NewObject(speclink);
        link->SetInt(13, pages[(i + 1) % 10000]->Reference());
        std::string text = "<Z S0 >";
        while (text.size() < 8000) text += "testo della pagina con qualche parola ";
        text += Tag(link->Reference()) + "avanti<%>";
        static_cast<TNYXtesto*>(pages[i])->SetText(text);
    }
    const std::int32_t target = pages[5000]->Reference();
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (int t = 0; t <= kLastStoredType; ++t)
            for (std::size_t i = 0; i < set.Count(t); ++i)
                if (set.ObjectAt(t, static_cast<std::int64_t>(i))->ReferenceReason(target)) ++found;
    }
    state.counters["referring"] = found;
}
BENCHMARK(ReferenceReasons)->Unit(benchmark::kMillisecond)->Iterations(5);

void UniquePictureNames(benchmark::State& state) {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope(ui);
    for (auto _ : state) {
        state.PauseTiming();
        auto set = std::make_unique<TNYXset>();
        set->NewHypertext();
        state.ResumeTiming();
        for (int i = 0; i < 10000; ++i) {
            TNYXoggetto* p = set->NewObject(immagine);
            p->SetFileName("foto" + std::to_string(i % 5000) + ".jpg");  // half of them clash
        }
        state.PauseTiming();
        set.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(UniquePictureNames)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
