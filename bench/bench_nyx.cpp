// Opening and saving a large hypertext: 10,000 pages of about 8 KB of text and
// 2,000 pictures of 200 KB. Open must not read picture bytes; save plus reload
// is compared with cp of the same file (and cp followed by sync, since a safe
// save syncs the new file before it takes the old one's name).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "model/LoadedFile.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"

namespace fs = std::filesystem;
using namespace model;

namespace {

constexpr int kPages = 10000;
constexpr int kPictures = 2000;
constexpr std::size_t kTextBytes = 8 * 1024;
constexpr std::size_t kPictureBytes = 200 * 1024;

struct Corpus {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope{ui};
    platform::testing::TempDir dir;
    fs::path file;
    std::uint64_t nonPictureBytes = 0;

    Corpus() {
        file = dir / "grande.nyx";
        TNYXset set;
        set.NewHypertext();
        std::mt19937 rng(42);
        std::string words[] = {"ipertesto ", "pagina ", "collegamento ", "immagine ", "tabella ", "testo "};
        for (int i = 0; i < kPages; ++i) {
            auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            std::string t = "<Z S0 >";
            while (t.size() < kTextBytes) {
                t += words[rng() % 6];
                if (rng() % 50 == 0) t += "<Z S0 >";
            }
            p->SetText(t);
        }
        std::string pic(kPictureBytes, '\0');
        for (int i = 0; i < kPictures; ++i) {
            for (std::size_t k = 0; k < pic.size(); k += 4) {
                std::uint32_t v = static_cast<std::uint32_t>(rng());
                std::memcpy(&pic[k], &v, 4);
            }
            TNYXoggetto* o = set.NewObject(immagine);
            o->SetFileName("foto" + std::to_string(i) + ".jpg");
            o->SetFirstStream(pic);
            o->SetInt(174, static_cast<std::int32_t>(pic.size()));
        }
        set.backups = false;
        if (!set.SaveToFile(file)) std::abort();
        nonPictureBytes = fs::file_size(file) - static_cast<std::uint64_t>(kPictures) * kPictureBytes;
    }
};

Corpus& TheCorpus() {
    static Corpus c;
    return c;
}

// Heap bytes in use: what a loaded hypertext costs in memory.
std::size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

void Open(benchmark::State& state) {
    Corpus& c = TheCorpus();
    for (auto _ : state) {
        state.PauseTiming();
        auto set = std::make_unique<TNYXset>();
        const std::size_t before = HeapInUse();
        const std::uint64_t read0 = LoadedFile::TotalBytesRead();
        state.ResumeTiming();
        if (!set->LoadFromFile(c.file)) state.SkipWithError("open failed");
        state.PauseTiming();
        const std::uint64_t read = LoadedFile::TotalBytesRead() - read0;
        state.counters["bytes_read"] = static_cast<double>(read);
        state.counters["picture_bytes_read"] = static_cast<double>(read > c.nonPictureBytes ? read - c.nonPictureBytes : 0);
        state.counters["non_picture_bytes"] = static_cast<double>(c.nonPictureBytes);
        state.counters["heap_MB"] = static_cast<double>(HeapInUse() - before) / 1e6;
        state.counters["heap_ratio"] = static_cast<double>(HeapInUse() - before) / static_cast<double>(c.nonPictureBytes);
        set.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond)->Iterations(5);

void SaveAndReload(benchmark::State& state) {
    Corpus& c = TheCorpus();
    TNYXset set;
    set.backups = false;
    set.LoadFromFile(c.file);
    const fs::path out = c.dir / "copia.nyx";
    for (auto _ : state) {
        if (!set.SaveToFile(out)) state.SkipWithError("save failed");
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
}
BENCHMARK(SaveAndReload)->Unit(benchmark::kMillisecond)->Iterations(3);

void CpPeer(benchmark::State& state, bool sync) {
    Corpus& c = TheCorpus();
    const std::string cmd = "cp '" + c.file.string() + "' '" + (c.dir / "cp.nyx").string() + "'" +
                            (sync ? " && sync '" + (c.dir / "cp.nyx").string() + "'" : "");
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("cp failed");
    }
}
void Cp(benchmark::State& s) { CpPeer(s, false); }
void CpThenSync(benchmark::State& s) { CpPeer(s, true); }
BENCHMARK(Cp)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CpThenSync)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
