// Publishing an exported site by FTP to pyftpdlib on loopback: 3,000 rows
// (2,000 pages of 10 KB, 1,000 pictures of 50 KB in "images/") through
// TFtpPublisher, and the same folder uploaded in the same run by
// `lftp -e "mirror -R"` and by one curl run with an upload (-T) per file.
// Also: republishing with one page changed. Counters: the longest wait
// between two rounds of event handling (stall_ms) and the growth of the
// resident memory over the publication (rss_growth_MB).
//   bench_publish [benchmark flags]
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/SilentUi.h"
#include "publish/FtpPublish.h"
#include "publish/KyFtpComm.h"
#include "tests/publish/FtpTestServers.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 2000, kPictures = 1000;
constexpr std::size_t kPageSize = 10 * 1024, kPictureSize = 50 * 1024;

// Records the longest gap between two rounds of event handling.
class TStallUi : public platform::testing::SilentUi {
public:
    using Clock = std::chrono::steady_clock;
    void ProcessEvents(int) override {
        const auto now = Clock::now();
        if (last_ != Clock::time_point{}) {
            const double ms = std::chrono::duration<double, std::milli>(now - last_).count();
            if (ms > longest) longest = ms;
        }
        last_ = now;
    }
    void Reset() {
        longest = 0;
        last_ = {};
    }
    double longest = 0;

private:
    Clock::time_point last_{};
};

double RssMb() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, rss = 0;
    f >> pages >> rss;
    return static_cast<double>(rss) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

struct Setup {
    fs::path root, site, home;
    std::unique_ptr<ftptest::TPyFtpd> server;
    std::vector<publish::TPublishRow> rows;

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "quor-bench-publish-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
        root = tmpl;
        site = root / "site";
        home = root / "home";
        fs::create_directories(site / "images");
        fs::create_directories(home);
        std::uint64_t x = 0x9E3779B97F4A7C15ull;
        auto fill = [&x](std::string& buf) {
            for (std::size_t i = 0; i + 8 <= buf.size(); i += 8) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                std::memcpy(&buf[i], &x, 8);
            }
        };
        std::string page(kPageSize, '\0'), picture(kPictureSize, '\0');
        char name[32];
        for (int i = 0; i < kPages + kPictures; ++i) {
            const bool isPage = i < kPages;
            if (isPage) std::snprintf(name, sizeof name, "sito_%06x.htm", i);
            else std::snprintf(name, sizeof name, "images/sito_i%06x.gif", i);
            std::string& buf = isPage ? page : picture;
            fill(buf);
            std::ofstream(site / name, std::ios::binary).write(buf.data(), static_cast<std::streamsize>(buf.size()));
            publish::TPublishRow r;
            r.ref = i;  // stands for the object
            r.type = isPage ? 0 : 5;
            r.kind = isPage ? "Pagina" : "Immagine";
            r.files = {name};
            r.stamp = 3;
            rows.push_back(std::move(r));
        }
        std::ofstream(root / "sito.nyx") << "KYTE";
        server = std::make_unique<ftptest::TPyFtpd>(home, "bench", "pw");
    }
    ~Setup() {
        server.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void ClearHome() {
        for (const auto& e : fs::directory_iterator(home)) fs::remove_all(e.path());
        fs::create_directories(home / "www");
    }
};

std::unique_ptr<Setup> setup;
Setup& S() {
    if (!setup) setup = std::make_unique<Setup>();
    return *setup;
}

void Configure(publish::TKyFtpComm& comm) {
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(S().server->port());
    comm.Ftp().UserName = "bench";
    comm.Ftp().Password = "pw";
    comm.Ftp().TimeoutMs = 30000;
}

bool Spawn(std::vector<std::string> all) {
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawnp(&pid, all[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_QuorPublish3000Rows(benchmark::State& state) {
    Setup& s = S();
    TStallUi ui;
    platform::ScopedUi scope(ui);
    double stall = 0, growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        publish::TKyFtpComm comm;
        Configure(comm);
        publish::TFtpPublisher p(comm);
        p.localFolder = s.site;
        p.baseName = "sito";
        p.rows = s.rows;
        p.ChooseAll(true);
        ui.Reset();
        const double before = RssMb();
        state.ResumeTiming();
        if (p.Publish("/www/", 4, s.root / "sito.nyx") != publish::kFtpOk) {
            state.SkipWithError(p.detail.c_str());
            return;
        }
        state.PauseTiming();
        growth = std::max(growth, RssMb() - before);
        stall = std::max(stall, ui.longest);
        comm.Disconnect();
        state.ResumeTiming();
    }
    state.counters["rows_per_s"] = benchmark::Counter(kPages + kPictures, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["stall_ms"] = stall;
    state.counters["rss_growth_MB"] = growth;
}

void BM_QuorRepublishOnePageChanged(benchmark::State& state) {
    Setup& s = S();
    platform::testing::SilentUi ui;
    platform::ScopedUi scope(ui);
    s.ClearHome();
    publish::TKyFtpComm comm;
    Configure(comm);
    publish::TFtpPublisher p(comm);
    p.localFolder = s.site;
    p.baseName = "sito";
    p.rows = s.rows;
    p.ChooseAll(true);
    if (p.Publish("/www/", 4, s.root / "sito.nyx") != publish::kFtpOk) {
        state.SkipWithError(p.detail.c_str());
        return;
    }
    int version = 4;
    for (auto _ : state) {
        // One page changed since the version on the server.
        p.serverVersion = version - 1;
        p.rows[17].stamp = version;
        ++version;
        std::map<std::string, long long> listed;
        p.ChooseChanged(listed);
        if (p.Publish("/www/", version, s.root / "sito.nyx") != publish::kFtpOk || p.uploads != 2) {
            state.SkipWithError("republish failed");
            return;
        }
    }
    comm.Disconnect();
}

void BM_LftpMirrorR(benchmark::State& state) {
    Setup& s = S();
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        state.ResumeTiming();
        const std::string cmd = "set cmd:fail-exit yes; set net:max-retries 1; mirror -R --no-perms " + s.site.string() +
                                " /www/site; quit";
        if (!Spawn({"lftp", "-u", "bench,pw", "-p", std::to_string(s.server->port()), "-e", cmd, "127.0.0.1"})) {
            state.SkipWithError("lftp failed (installed by scripts/install-deps?)");
            return;
        }
    }
    state.counters["rows_per_s"] = benchmark::Counter(kPages + kPictures, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CurlUploadPerFile(benchmark::State& state) {
    Setup& s = S();
    const fs::path config = s.root / "curl.cfg";
    {
        std::ofstream cfg(config);
        for (const auto& r : s.rows)
            cfg << "upload-file = \"" << (s.site / r.files[0]).string() << "\"\nurl = \"ftp://127.0.0.1:"
                << s.server->port() << "/www/" << r.files[0] << "\"\n";
    }
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        state.ResumeTiming();
        if (!Spawn({"curl", "-s", "-S", "--ftp-create-dirs", "--user", "bench:pw", "-K", config.string()})) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    state.counters["rows_per_s"] = benchmark::Counter(kPages + kPictures, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_QuorPublish3000Rows)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_LftpMirrorR)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_CurlUploadPerFile)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_QuorRepublishOnePageChanged)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    setup.reset();
    benchmark::Shutdown();
    return 0;
}
