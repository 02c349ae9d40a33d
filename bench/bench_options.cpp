// The options store at start-up and in use: 100,000 reads of the options the
// program asks for, and one durable write, each beside a peer measured in
// the same run (a plain hash map look-up; a plain write + fsync + rename of
// the same bytes).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

namespace fs = std::filesystem;

namespace {

constexpr int kReads = 100000;

// A store as a user's would look after a while: every option, the default
// network configurations, a few browsers, recent files and window placements.
void Populate(shell::TOptionsStore& st) {
    st.BeginUpdate();
    for (const shell::TOptionInfo& s : shell::OptionCatalogue()) {
        std::string section = s.section;
        if (section.size() > 2 && section.compare(section.size() - 2, 2, "\\N") == 0) section.back() = '0';
        st.WriteSectionOption(section, s.name, *s.defaultValue ? s.defaultValue : "valore");
    }
    shell::EnsureDefaultNetConfigurations(st);
    for (int i = 0; i < 5; ++i) st.WriteSectionOption("RecentFile", std::to_string(i), "/home/autore/ipertesti/doc" + std::to_string(i) + ".nyx");
    for (int i = 0; i < 40; ++i)
        for (const char* v : {"Left", "Top", "Width", "Height", "State"})
            st.WriteSectionOption("forms\\TForm" + std::to_string(i), v, std::to_string(i * 17));
    st.EndUpdate();
}

const std::vector<std::string>& Names() {
    static const std::vector<std::string> names = {"TipOfTheDay", "undoDeep", "maxCacheImg", "Bak", "PromemSave",
                                                   "TimeSave",    "BORDOSX",  "virgolette",  "LastFile", "Mancante"};
    return names;
}

struct Fixture {
    platform::testing::TempDir dir;  // under $TMPDIR: a disk here, not a RAM disk
    fs::path file = dir / "quor" / "options.ini";
    platform::testing::ScriptedUiScope ui;
    Fixture() {
        shell::TOptionsStore st(file);
        Populate(st);
    }
};

void BM_StartUp(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        shell::TOptionsStore st(f.file);
        benchmark::DoNotOptimize(st.ReadOption("undoDeep"));
    }
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(f.file));
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMicrosecond);

void BM_100kReads(benchmark::State& state) {
    Fixture f;
    shell::TOptionsStore st(f.file);
    const auto& names = Names();
    for (auto _ : state) {
        for (int i = 0; i < kReads; ++i) benchmark::DoNotOptimize(st.ReadOption(names[static_cast<std::size_t>(i) % names.size()]));
    }
    // Seconds per single read.
    state.counters["per_read"] =
        benchmark::Counter(kReads, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_100kReads)->Unit(benchmark::kMillisecond);

void BM_100kSectionReads(benchmark::State& state) {
    Fixture f;
    shell::TOptionsStore st(f.file);
    for (auto _ : state) {
        for (int i = 0; i < kReads; ++i) benchmark::DoNotOptimize(st.ReadSectionOption("ftpnet\\0", i % 2 ? "server" : "port"));
    }
}
BENCHMARK(BM_100kSectionReads)->Unit(benchmark::kMillisecond);

// Peer: the same look-ups in a plain map of lower-cased names.
void BM_100kReadsPeerHashMap(benchmark::State& state) {
    std::unordered_map<std::string, std::string> m;
    for (const auto& n : Names()) m[n] = "20";
    const auto& names = Names();
    for (auto _ : state) {
        for (int i = 0; i < kReads; ++i) {
            auto it = m.find(names[static_cast<std::size_t>(i) % names.size()]);
            benchmark::DoNotOptimize(it == m.end() ? std::string() : it->second);
        }
    }
}
BENCHMARK(BM_100kReadsPeerHashMap)->Unit(benchmark::kMillisecond);

void BM_OneWrite(benchmark::State& state) {
    Fixture f;
    shell::TOptionsStore st(f.file);
    int n = 0;
    for (auto _ : state) {
        if (!st.WriteOption("undoDeep", std::to_string(20 + (n++ % 50)))) state.SkipWithError("write failed");
    }
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(f.file));
}
BENCHMARK(BM_OneWrite)->Unit(benchmark::kMillisecond);

// Peer: the least a durable replacement of the same bytes costs.
void BM_OneWritePeerFsyncRename(benchmark::State& state) {
    Fixture f;
    std::string bytes(static_cast<std::size_t>(fs::file_size(f.file)), 'x');
    const std::string tmp = f.file.string() + ".peer";
    for (auto _ : state) {
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::fsync(fd) != 0)
            state.SkipWithError("peer write failed");
        ::close(fd);
        ::rename(tmp.c_str(), (f.file.string() + ".peer2").c_str());
        int d = ::open(f.file.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(d);
        ::close(d);
    }
}
BENCHMARK(BM_OneWritePeerFsyncRename)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
