// Spell checking against the it_IT dictionary: a clean page of 50,000 words
// checked whole, one background step (target: under 5 ms), and the suggestions a
// pop-up menu shows for a wrong word. The peer, in the same run, is
// `hunspell -l -d it_IT` over the same text (with its processor time, taken
// from the child process, beside the wall time).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"
#include "platform/text.h"
#include "richtext/PageSession.h"
#include "shell/Spell.h"
#include "shell/SpellSession.h"

namespace fs = std::filesystem;

namespace {

struct Fixture {
    platform::testing::FixedEnv env;
    platform::testing::SilentUi silent;
    platform::ScopedUi scope{silent};
    shell::TKySpellChecker checker;
    std::vector<std::string> paragraphs;
    fs::path file;
    bool open = false;
    Fixture() {
        checker.LoadUserDictionary(fs::temp_directory_path() / "quor-bench-none.dic");
        open = checker.Open("it_IT");
        static const char* words[] = {"casa",  "albero", "mare",   "sole",   "strada",    "citt\xE0", "libro",
                                      "la",    "il",     "di",     "che",    "finestra",  "giardino", "montagna",
                                      "fiume", "pane",   "vino",   "amico",  "perch\xE9", "bella",    "grande",
                                      "nuovo", "sempre", "quando", "lavoro", "famiglia",  "scuola",   "tempo"};
        unsigned seed = 7;
        std::string all;
        for (int p = 0; p < 500; ++p) {
            std::string para;
            for (int w = 0; w < 100; ++w) {
                seed = seed * 1103515245u + 12345u;
                para += words[(seed >> 16) % 28];
                para += ' ';
            }
            all += para + "\n";
            paragraphs.push_back(std::move(para));
        }
        file = fs::temp_directory_path() / "quor-bench-spell.txt";
        std::ofstream(file, std::ios::binary) << platform::text::Cp1252ToUtf8(all);
    }
    ~Fixture() { fs::remove(file); }
};

Fixture& F() {
    static Fixture f;
    return f;
}

void BM_CheckCleanPage(benchmark::State& state) {
    Fixture& f = F();
    if (!f.open) {
        state.SkipWithError("no it_IT dictionary");
        for (auto _ : state) {
        }
        return;
    }
    for (auto _ : state) {
        std::size_t problems = 0;
        for (const std::string& p : f.paragraphs) problems += f.checker.CheckAll(p).size();
        if (problems) state.SkipWithError("the page is not clean");
    }
    state.counters["words"] = 50000;
}
BENCHMARK(BM_CheckCleanPage)->Unit(benchmark::kMillisecond);

void BM_PeerHunspellList(benchmark::State& state) {
    Fixture& f = F();
    const std::string cmd = "hunspell -l -d it_IT " + f.file.string() + " >/dev/null 2>&1";
    auto childMs = [] {
        rusage u{};
        ::getrusage(RUSAGE_CHILDREN, &u);
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    };
    double cpu = 0;
    for (auto _ : state) {
        const auto t = std::chrono::steady_clock::now();
        const double c = childMs();
        const int rc = std::system(cmd.c_str());
        cpu += childMs() - c;
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count());
        benchmark::DoNotOptimize(rc);
    }
    state.counters["child_cpu_ms"] = cpu / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}
BENCHMARK(BM_PeerHunspellList)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BackgroundStep(benchmark::State& state) {
    Fixture& f = F();
    model::TNYXset set;
    set.NewHypertext();
    richtext::THeadlessPageBox host;
    host.NewBox(&set);
    std::string markup;
    for (const std::string& p : f.paragraphs) markup += "<Z S0 >" + p;
    host.ReadTexts(markup, {}, {});
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& p : host.CurrentBox().paragraphs) p->spell.clear();
        shell::TSpellMarkingJob job(f.checker, [&] { return &host.CurrentBox(); }, false);
        state.ResumeTiming();
        job.Step(std::chrono::milliseconds(shell::kMarkingStepMs));  // the window's step
    }
}
BENCHMARK(BM_BackgroundStep)->Unit(benchmark::kMillisecond);

void BM_PopupSuggestions(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) benchmark::DoNotOptimize(f.checker.Suggestions("perch\xE8"));
}
BENCHMARK(BM_PopupSuggestions)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
