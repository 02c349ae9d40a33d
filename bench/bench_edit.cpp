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
#include "richtext/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

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
