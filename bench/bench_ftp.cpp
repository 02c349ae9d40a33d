// FTP uploads to pyftpdlib on loopback: 2,000 files of 10 KB and one big file,
// through TKyFtpComm and through curl (-T) doing the same in the same run.
// Data is generated in a temporary folder, removed at the end.
//   bench_ftp [--big-mb=N] [benchmark flags]      (N defaults to 500)
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "publish/KyFtpComm.h"
#include "tests/publish/FtpTestServers.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// prefix + number + ".bin"
std::string Numbered(const char* prefix, int i) {
    std::string s(prefix);
    s += std::to_string(i);
    s += ".bin";
    return s;
}

constexpr int kSmallFiles = 2000;
constexpr std::size_t kSmallSize = 10 * 1024;
std::size_t bigMegabytes = 500;

struct Setup {
    fs::path root, data, home;
    std::unique_ptr<ftptest::TPyFtpd> server;
    std::vector<fs::path> small;
    fs::path big;

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "quor-bench-ftp-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
        root = tmpl;
        data = root / "data";
        home = root / "home";
        fs::create_directories(data);
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
        std::string buf(kSmallSize, '\0');
        for (int i = 0; i < kSmallFiles; ++i) {
            fill(buf);
            small.push_back(data / Numbered("f", i));
            std::ofstream(small.back(), std::ios::binary).write(buf.data(), static_cast<std::streamsize>(buf.size()));
        }
        big = data / "big.bin";
        std::ofstream out(big, std::ios::binary);
        std::string chunk(1 << 20, '\0');
        for (std::size_t i = 0; i < bigMegabytes; ++i) {
            fill(chunk);
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        }
        out.close();
        server = std::make_unique<ftptest::TPyFtpd>(home, "bench", "pw");
    }
    ~Setup() {
        server.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    void ClearHome() {
        for (const auto& e : fs::directory_iterator(home)) fs::remove_all(e.path());
    }
    std::string Url(const std::string& name) const {
        return "ftp://127.0.0.1:" + std::to_string(server->port()) + "/" + name;
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

bool RunCurl(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"curl", "-s", "-S", "--user", "bench:pw"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_QuorUploadSmallFiles(benchmark::State& state) {
    Setup& s = S();
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        state.ResumeTiming();
        publish::TKyFtpComm comm;
        Configure(comm);
        for (int i = 0; i < kSmallFiles; ++i)
            if (comm.Upload(s.small[static_cast<size_t>(i)], Numbered("q", i)) != publish::kFtpOk) {
                state.SkipWithError(comm.ErrorText().c_str());
                return;
            }
        comm.Disconnect();
    }
    state.counters["files_per_s"] = benchmark::Counter(kSmallFiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB_per_s"] =
        benchmark::Counter(kSmallFiles * kSmallSize / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CurlUploadSmallFiles(benchmark::State& state) {
    Setup& s = S();
    // One curl run for all files: it keeps the connection, as the runner does.
    fs::path config = s.root / "curl.cfg";
    {
        std::ofstream cfg(config);
        for (int i = 0; i < kSmallFiles; ++i)
            cfg << "upload-file = \"" << s.small[static_cast<size_t>(i)].string() << "\"\nurl = \""
                << s.Url(Numbered("c", i)) << "\"\n";
    }
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        state.ResumeTiming();
        if (!RunCurl({"-K", config.string()})) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    state.counters["files_per_s"] = benchmark::Counter(kSmallFiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB_per_s"] =
        benchmark::Counter(kSmallFiles * kSmallSize / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_QuorUploadBigFile(benchmark::State& state) {
    Setup& s = S();
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        state.ResumeTiming();
        publish::TKyFtpComm comm;
        Configure(comm);
        if (comm.Upload(s.big, "big.bin") != publish::kFtpOk) {
            state.SkipWithError(comm.ErrorText().c_str());
            return;
        }
        comm.Disconnect();
    }
    if (fs::file_size(s.home / "big.bin") != bigMegabytes << 20) state.SkipWithError("size differs");
    state.counters["MB_per_s"] =
        benchmark::Counter(static_cast<double>(bigMegabytes << 20) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CurlUploadBigFile(benchmark::State& state) {
    Setup& s = S();
    for (auto _ : state) {
        state.PauseTiming();
        s.ClearHome();
        state.ResumeTiming();
        if (!RunCurl({"-T", s.big.string(), s.Url("big.bin")})) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    if (fs::file_size(s.home / "big.bin") != bigMegabytes << 20) state.SkipWithError("size differs");
    state.counters["MB_per_s"] =
        benchmark::Counter(static_cast<double>(bigMegabytes << 20) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_QuorUploadSmallFiles)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlUploadSmallFiles)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuorUploadBigFile)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlUploadBigFile)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--big-mb=", 9) == 0) {
            long mb = std::strtol(argv[i] + 9, nullptr, 10);
            if (mb > 0) bigMegabytes = static_cast<std::size_t>(mb);
        } else {
            rest.push_back(argv[i]);
        }
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    if (benchmark::ReportUnrecognizedArguments(n, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    setup.reset();  // stops the server and removes the data
    return 0;
}
