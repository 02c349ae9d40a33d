// HTML import of one 10 MB file (concatenated pages of Debian's PostgreSQL
// manual when it is installed, else generated pages): MB/s and peak memory
// against the input, in the same run as w3m -dump and pandoc -t plain on the
// same file. Unclosed SPAN and FONT elements, 10 and 10,000 of them, in
// documents of the same size (the time ratio shows the scan stays linear),
// and the import of 100 MB of plain text.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/html/HtmlImport.h"
#include "convert/text/NYXtoTxt.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSize = 10u << 20;

struct Fixture {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope{ui};
    fs::path dir;
    fs::path file;
    std::string html;
    std::string source;
    Fixture() {
        dir = fs::temp_directory_path() / ("quor_bench_import_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::vector<fs::path> pages;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator("/usr/share/doc/postgresql-doc-15/html", ec))
            if (e.path().extension() == ".html") pages.push_back(e.path());
        std::sort(pages.begin(), pages.end());
        source = pages.empty() ? "generated pages" : "postgresql-doc-15";
        for (std::size_t i = 0; html.size() < kSize; ++i) {
            if (!pages.empty()) {
                std::ifstream in(pages[i % pages.size()], std::ios::binary);
                html.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            } else {
                html += "<h2>Pagina " + std::to_string(i) + "</h2><p>Testo con <b>grassetto</b>, <a href='x.html'>un collegamento</a> &amp; "
                        "<i>corsivo</i>.</p><table border=1><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>\n";
            }
        }
        file = dir / "big.html";
        std::ofstream(file, std::ios::binary) << html;
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

double gImportSeconds = 0, gW3mSeconds = 0, gPandocSeconds = 0, gPeakRatio = 0, gSpans10 = 0, gSpans10000 = 0;

void ImportOnce(const std::string& bytes, const fs::path& name) {
    model::TNYXset set;
    set.NewHypertext();
    convert::html::THtmlImport imp(&set);
    imp.ImportDocument(bytes, name);
}

long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

void ImportHtml10MB(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ImportOnce(f.html, f.file);
        gImportSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    // Peak memory of one import, in a child process of its own.
    int fds[2];
    if (::pipe(fds) == 0) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const long before = ResidentKb();
            ImportOnce(f.html, f.file);
            rusage ru{};
            ::getrusage(RUSAGE_SELF, &ru);
            const long extra = ru.ru_maxrss - before;
            if (::write(fds[1], &extra, sizeof extra) != sizeof extra) ::_exit(1);
            ::_exit(0);
        }
        ::close(fds[1]);
        long extra = 0;
        if (::read(fds[0], &extra, sizeof extra) == sizeof extra)
            gPeakRatio = static_cast<double>(extra) * 1024.0 / static_cast<double>(f.html.size());
        ::close(fds[0]);
        int st = 0;
        ::waitpid(pid, &st, 0);
    }
    state.counters["MB/s"] = static_cast<double>(f.html.size()) / (1 << 20) / gImportSeconds;
    state.counters["peak/input"] = gPeakRatio;
    state.SetLabel(F().source);
}
BENCHMARK(ImportHtml10MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

double Timed(const std::string& cmd) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void W3mDump10MB(benchmark::State& state) {
    if (!Have("w3m")) return state.SkipWithError("w3m non installato");
    for (auto _ : state) gW3mSeconds = Timed("w3m -dump -cols 4000 -T text/html '" + F().file.string() + "' > /dev/null 2>&1");
    state.counters["MB/s"] = static_cast<double>(F().html.size()) / (1 << 20) / gW3mSeconds;
}
BENCHMARK(W3mDump10MB)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void PandocPlain10MB(benchmark::State& state) {
    if (!Have("pandoc")) return state.SkipWithError("pandoc non installato");
    for (auto _ : state) gPandocSeconds = Timed("pandoc -f html -t plain '" + F().file.string() + "' -o /dev/null 2>/dev/null");
    state.counters["MB/s"] = static_cast<double>(F().html.size()) / (1 << 20) / gPandocSeconds;
}
BENCHMARK(PandocPlain10MB)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// N unclosed SPAN and FONT elements, then text, 4 MB in all.
std::string Unclosed(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "<span style='color:red'><font size=2>parola ";
    while (s.size() < (4u << 20)) s += "altre parole del testo, ancora e ancora. ";
    return s;
}

void UnclosedSpans(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string doc = Unclosed(n);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ImportOnce(doc, F().dir / "spans.html");
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    (n == 10 ? gSpans10 : gSpans10000) = seconds;
    state.counters["MB/s"] = static_cast<double>(doc.size()) / (1 << 20) / seconds;
}
BENCHMARK(UnclosedSpans)->Arg(10)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void TextImport100MB(benchmark::State& state) {
    std::string text;
    text.reserve(100u << 20);
    for (int i = 0; text.size() < (100u << 20); ++i)
        text += "Riga " + std::to_string(i) + " di un testo semplice\tcon una tabulazione & un < e un > qui.\r\n";
    for (auto _ : state) {
        model::TNYXset set;
        set.NewHypertext();
        convert::text::TNYXtoTxt txt(&set);
        if (!txt.ImportText(text, F().dir / "big.txt")) state.SkipWithError("import non riuscito");
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(text.size()) / (1 << 20), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(TextImport100MB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// The ratios against the peers measured above, in this same run.
void Ratios(benchmark::State& state) {
    for (auto _ : state) {
    }
    if (gImportSeconds > 0) {
        if (gW3mSeconds > 0) state.counters["w3m/import"] = gW3mSeconds / gImportSeconds;
        if (gPandocSeconds > 0) state.counters["pandoc/import"] = gPandocSeconds / gImportSeconds;
    }
    if (gSpans10 > 0) state.counters["spans 10000/10"] = gSpans10000 / gSpans10;
    state.counters["peak/input"] = gPeakRatio;
}
BENCHMARK(Ratios)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
