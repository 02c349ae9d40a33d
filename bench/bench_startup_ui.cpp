// Cold start of the desktop program to an idle main window with the sample
// hypertext open, against the start of a bare Qt window, both as new
// processes in the same run (offscreen platform unless a display is set).
//
//   quor_to_opened  window shown, sample open, event queue empty
//   quor_to_started the same plus the 300 ms one-shot start action
//   bare_qt_window  QApplication + one shown QWidget, event queue empty
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

fs::path SelfFolder() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path();
}

fs::path& Home() {
    static fs::path h = [] {
        char tmpl[] = "/tmp/quor-bench-XXXXXX";
        const char* d = mkdtemp(tmpl);
        return fs::path(d ? d : "/tmp");
    }();
    return h;
}

// Runs argv with extra environment values; returns the wall time in seconds,
// or a negative value when it failed.
double Run(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (!std::strncmp(*e, "QUOR_", 5) || !std::strncmp(*e, "XDG_CONFIG_HOME=", 16) ||
            !std::strncmp(*e, "XDG_DATA_HOME=", 14))
            continue;
        env.emplace_back(*e);
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("XDG_CONFIG_HOME=" + (Home() / "config").string());
    env.push_back("XDG_DATA_HOME=" + (Home() / "data").string());
    for (const auto& e : extraEnv) env.push_back(e);
    std::vector<char*> a, en;
    for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const auto& s : env) en.push_back(const_cast<char*>(s.c_str()));
    en.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, a[0], &fa, nullptr, a.data(), en.data()) != 0) return -1;
    posix_spawn_file_actions_destroy(&fa);
    int status = 0;
    waitpid(pid, &status, 0);
    const auto t1 = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(t1 - t0).count();
}

void Measure(benchmark::State& state, const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    if (!fs::exists(argv[0])) {
        state.SkipWithError(("not built: " + argv[0]).c_str());
        return;
    }
    Run(argv, env);  // warm the file cache; every measured run is a new process
    for (auto _ : state) {
        const double s = Run(argv, env);
        if (s < 0) {
            state.SkipWithError("the program failed");
            return;
        }
        state.SetIterationTime(s);
    }
}

const std::string kSample = std::string(QUOR_SOURCE_DIR) + "/examples/sample.nyx";

void quor_to_opened(benchmark::State& state) {
    Measure(state, {(SelfFolder() / "quor").string(), kSample}, {"QUOR_EXIT_WHEN_IDLE=opened"});
}
void quor_to_started(benchmark::State& state) {
    Measure(state, {(SelfFolder() / "quor").string(), kSample}, {"QUOR_EXIT_WHEN_IDLE=1"});
}
void bare_qt_window(benchmark::State& state) {
    Measure(state, {(SelfFolder() / "bench_startup_ui").string(), "--bare-window"}, {});
}

BENCHMARK(bare_qt_window)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(quor_to_opened)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(quor_to_started)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

int BareWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.resize(900, 640);
    w.setWindowTitle(QStringLiteral("Quor"));
    w.show();
    QTimer::singleShot(0, &w, [] { QCoreApplication::exit(0); });
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--bare-window") return BareWindow(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(Home(), ec);
    return 0;
}
