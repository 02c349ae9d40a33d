// The CD-ROM builder: adding a tree of 10,000 files to the entry list (the
// target is well under a second), and "Crea" copying a tree of 1,000 files
// and two large ones beside `cp -r` of the same tree in the same run (the
// ratio should stay near 1: the builder copies at the disk's speed).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "cdrom/CdBuilder.h"
#include "cdrom/CdWizard.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"

namespace fs = std::filesystem;

namespace {

struct TSilentHost : cdrom::TCdHost {
    std::optional<fs::path> ChooseSettingsFile(bool, const fs::path&) override { return std::nullopt; }
};

void Write(const fs::path& p, std::size_t bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    const std::string chunk(std::min<std::size_t>(bytes, 1u << 20), 'q');
    for (std::size_t done = 0; done < bytes; done += chunk.size()) out.write(chunk.data(), static_cast<std::streamsize>(std::min(chunk.size(), bytes - done)));
}

// 10,000 files in 100 folders of 10 subfolders of 10 files.
const fs::path& BigTree() {
    static platform::testing::TempDir dir;
    static const fs::path root = [] {
        const fs::path r = dir / "albero";
        for (int a = 0; a < 100; ++a)
            for (int b = 0; b < 10; ++b)
                for (int c = 0; c < 10; ++c)
                    Write(r / ("capitolo" + std::to_string(a)) / ("sezione" + std::to_string(b)) / ("pagina" + std::to_string(c) + ".htm"), 16);
        return r;
    }();
    return root;
}

void BM_AddTree10000(benchmark::State& state) {
    const fs::path& root = BigTree();
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TSilentHost host;
    std::size_t added = 0;
    for (auto _ : state) {
        cdrom::TCdWizard w("/nessuna/Utils", host);
        ui.ui.answers = {platform::Answer::Yes};
        added = w.AddPaths({root}).added;
        benchmark::DoNotOptimize(w.Settings().entries.data());
    }
    state.counters["files"] = static_cast<double>(added);
    state.counters["us_per_file"] = benchmark::Counter(static_cast<double>(added), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AddTree10000)->Unit(benchmark::kMillisecond);

void BM_CreaVersusCp(benchmark::State& state) {
    platform::testing::TempDir dir;
    const fs::path utils = dir / "Utils";
    for (const char* f : {"autorun.inf", "autorun.ico", "install.exe", "deinst.exe", "quor3rd.exe", "welcome.txt", "goodbye.txt"})
        Write(utils / f, 4096);
    const fs::path src = dir / "sorgenti";
    cdrom::TCdSettings s = cdrom::DefaultSettings(utils);
    auto add = [&](const std::string& rel, std::size_t bytes) {
        Write(src / rel, bytes);
        std::string install = "<APPDIR>";
        for (const auto& part : fs::path(rel)) install += "\\" + part.string();
        s.entries.push_back({install, (src / rel).string(), 1});
    };
    for (int i = 0; i < 1000; ++i) add("pagine" + std::to_string(i / 100) + "/p" + std::to_string(i) + ".htm", 64 << 10);
    add("video/grande1.avi", 32u << 20);
    add("video/grande2.avi", 32u << 20);
    std::uint64_t bytes = 0;
    for (const auto& e : s.entries) bytes += fs::file_size(e.sourcePath);

    const fs::path dest = dir / "cd";
    const fs::path peer = dir / "cp";
    s.destPath = dest.string() + "/";
    double buildSeconds = 0, cpSeconds = 0;
    for (auto _ : state) {
        fs::remove_all(dest);
        fs::remove_all(peer);
        const auto t0 = std::chrono::steady_clock::now();
        const cdrom::TBuildReport r = cdrom::BuildCd(s, {utils, {}});
        const auto t1 = std::chrono::steady_clock::now();
        if (!r.Done()) state.SkipWithError("build failed");
        const std::string cmd = "cp -r '" + src.string() + "' '" + peer.string() + "'";
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("cp failed");
        const auto t2 = std::chrono::steady_clock::now();
        buildSeconds += std::chrono::duration<double>(t1 - t0).count();
        cpSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["crea_ms"] = buildSeconds / n * 1000;
    state.counters["cp_ms"] = cpSeconds / n * 1000;
    state.counters["ratio_to_cp"] = cpSeconds > 0 ? buildSeconds / cpSeconds : 0;
    state.counters["crea_MB_s"] = buildSeconds > 0 ? static_cast<double>(bytes) / (1 << 20) / (buildSeconds / n) : 0;
}
BENCHMARK(BM_CreaVersusCp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
