// Editing on the generated page of 2,000 paragraphs (the markup benchmark's
// page): 500 single-character insertions in the middle of the page, each a
// model change and the relayout of its paragraph with fixed metrics, as a
// median and a 99th percentile; and undoing a bold applied to the whole text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "richtext/Editing.h"
#include "markup/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

namespace {

const std::string& Page() { return richtext::LongSamplePageText(); }

class Quiet : public richtext::TMarkupProblemSink {
    void Report(const richtext::TMarkupDiagnostics&) override {}
};

struct Editor {
    richtext::TSamplePage page;
    richtext::TNYXundoList undo{&page.set};
    richtext::TNYXTextAttributes attrs{page.box};
    richtext::TNYXediting ed{page.box, attrs};
    Editor() {
        page.box.undo = &undo;
        undo.SetDepth(20);
        Quiet quiet;
        richtext::LoadBox(page.box, 0, Page(), {}, {}, &quiet);
    }
};

void Percentiles(benchmark::State& state, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) return;
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters["max_ms"] = ms.back();
}

// 500 keystrokes in one typing run (one snapshot) in paragraph 1001; with
// `moving` the caret is placed before every keystroke, so each one takes its
// own snapshot.
void Keystrokes(benchmark::State& state, bool moving) {
    std::vector<double> ms;
    std::unique_ptr<Editor> e;
    for (auto _ : state) {
        state.PauseTiming();
        e = std::make_unique<Editor>();
        e->ed.SetCaret({1001, 40});
        state.ResumeTiming();
        for (int k = 0; k < 500; ++k) {
            const auto t0 = std::chrono::steady_clock::now();
            if (moving) e->ed.SetCaret({1001, 40 + k});
            e->ed.InsertChar(static_cast<unsigned char>('a' + k % 26));
            const auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
    }
    Percentiles(state, ms);
}

void BM_Keystroke500(benchmark::State& state) { Keystrokes(state, false); }
BENCHMARK(BM_Keystroke500)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Keystroke500EachItsSnapshot(benchmark::State& state) { Keystrokes(state, true); }
BENCHMARK(BM_Keystroke500EachItsSnapshot)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SelectAllBold(benchmark::State& state) {
    std::unique_ptr<Editor> e;
    for (auto _ : state) {
        state.PauseTiming();
        e = std::make_unique<Editor>();
        e->ed.SelectAll();
        state.ResumeTiming();
        e->attrs.AddRemoveStyle(richtext::kBold, 0);
        benchmark::DoNotOptimize(e->page.box.paragraphs.size());
    }
}
BENCHMARK(BM_SelectAllBold)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_UndoSelectAllBold(benchmark::State& state) {
    std::unique_ptr<Editor> e;
    for (auto _ : state) {
        state.PauseTiming();
        e = std::make_unique<Editor>();
        const std::string before = richtext::BoxText(e->page.box);
        e->ed.SelectAll();
        e->attrs.AddRemoveStyle(richtext::kBold, 0);
        state.ResumeTiming();
        e->undo.UndoOnce();
        state.PauseTiming();
        if (richtext::BoxText(e->page.box) != before) state.SkipWithError("undo did not restore the page");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoSelectAllBold)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
