// Searching a generated 10,000-page hypertext (about 50 MB of markup): a text
// search that finds nothing, the same as slices of at most 10 ms (the longest
// slice is reported), and ReferencesTo a page. The peers, in the same run,
// are `grep -c` (and `rg -c` when installed) over the pages' texts written
// out as one file per page. Beside wall time each reports processor time
// (the peers' from their child processes, the slices' from the thread), so
// the ratios stay meaningful on a machine shared with other work.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"
#include "shell/References.h"
#include "shell/Search.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 10000;

struct Fixture {
    platform::testing::FixedEnv env;
    platform::testing::SilentUi silent;
    platform::ScopedUi scope{silent};
    model::TNYXset set;
    fs::path folder;
    std::size_t bytes = 0;
    Fixture() {
        set.NewHypertext();
        folder = fs::temp_directory_path() / "quor-bench-search";
        fs::remove_all(folder);
        fs::create_directories(folder);
        static const char* words[] = {"casa", "albero", "mare", "sole", "strada", "citt&agrave;", "libro",
                                      "finestra", "giardino", "montagna", "fiume", "pane", "vino", "amico"};
        unsigned seed = 12345;
        for (int i = 0; i < kPages; ++i) {
            std::string m;
            char tag[32];
            // Links to the page before, so ReferencesTo has something to find.
            std::snprintf(tag, sizeof tag, "<$%08X>", static_cast<unsigned>(i == 0 ? 0 : i - 1));
            while (m.size() < 5000) {
                m += "<Z S0 >";
                for (int w = 0; w < 60; ++w) {
                    seed = seed * 1103515245u + 12345u;
                    if (w == 30) m += "<Y B1 >";
                    if (w == 10) m += std::string(tag) + "vai<%>";
                    m += words[(seed >> 16) % 14];
                    m += ' ';
                }
            }
            auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            p->SetText(m);
            bytes += m.size();
            std::ofstream(folder / ("p" + std::to_string(i) + ".txt"), std::ios::binary)
                << shell::PlainText(m, false, false);
        }
    }
    ~Fixture() { fs::remove_all(folder); }
};

Fixture& F() {
    static Fixture f;
    return f;
}

double ChildCpuMs() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return (static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
            static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3);
}

double ThreadCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_SearchNoMatch(benchmark::State& state) {
    Fixture& f = F();
    shell::TSearchOptions o;
    for (auto _ : state) benchmark::DoNotOptimize(shell::FindNextInHypertext(f.set, -1, {"zanzara", "", "", ""}, o));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes));
}
BENCHMARK(BM_SearchNoMatch)->Unit(benchmark::kMillisecond);

void BM_SearchInSlices(benchmark::State& state) {
    Fixture& f = F();
    std::int64_t longest = 0;
    double longestCpu = 0;
    for (auto _ : state) {
        shell::THypertextFindJob job(f.set, -1, {"zanzara", "", "", ""}, {});
        for (;;) {
            const auto t = std::chrono::steady_clock::now();
            const double c = ThreadCpuMs();
            const bool done = job.Run(std::chrono::milliseconds(10));
            longestCpu = std::max(longestCpu, ThreadCpuMs() - c);
            longest = std::max<std::int64_t>(
                longest, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t).count());
            if (done) break;
        }
    }
    state.counters["longest_slice_ms"] = static_cast<double>(longest) / 1000.0;
    state.counters["longest_slice_cpu_ms"] = longestCpu;
}
BENCHMARK(BM_SearchInSlices)->Unit(benchmark::kMillisecond);

void BM_ReferencesTo(benchmark::State& state) {
    Fixture& f = F();
    const std::int32_t ref = f.set.ObjectAt(model::testoHtml, kPages / 2)->Reference();
    for (auto _ : state) benchmark::DoNotOptimize(shell::ReferencesTo(f.set, ref, model::testoHtml).size());
}
BENCHMARK(BM_ReferencesTo)->Unit(benchmark::kMillisecond);

void Peer(benchmark::State& state, const std::string& command) {
    Fixture& f = F();
    const std::string cmd = command + " " + f.folder.string() + " >/dev/null 2>&1";
    double cpu = 0;
    for (auto _ : state) {
        const auto t = std::chrono::steady_clock::now();
        const double c = ChildCpuMs();
        const int rc = std::system(cmd.c_str());
        cpu += ChildCpuMs() - c;
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count());
        benchmark::DoNotOptimize(rc);
    }
    state.counters["child_cpu_ms"] = cpu / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}

void BM_PeerGrepCount(benchmark::State& state) { Peer(state, "grep -c -r -i zanzara"); }
BENCHMARK(BM_PeerGrepCount)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_PeerRipgrepCount(benchmark::State& state) {
    if (std::system("command -v rg >/dev/null 2>&1") != 0) {
        state.SkipWithError("rg is not installed");
        for (auto _ : state) {
        }
        return;
    }
    Peer(state, "rg -c -i zanzara");
}
BENCHMARK(BM_PeerRipgrepCount)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
