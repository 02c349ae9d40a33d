// RTF both ways, each against peers measured in the same run: the export of
// 5,000 pages into one RTF document against pandoc -t rtf of the same
// content as HTML; the import of a 20 MB RTF (LibreOffice's RTF of Debian's
// PostgreSQL manual when LibreOffice and the manual are installed, else our
// own RTF of generated pages) against unrtf --text and pandoc -f rtf.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/rtf/NYXtortf.h"
#include "convert/rtf/Soffice.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPages = 5000;
constexpr std::size_t kImportSize = 20u << 20;

struct Fixture {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope{ui};
    fs::path dir;
    model::TNYXset set;
    std::vector<std::int32_t> pages;
    fs::path html;     // the same pages as one HTML document, for pandoc
    fs::path big;      // the RTF to import
    std::string bigBytes;
    std::string source;
    Fixture() {
        dir = fs::temp_directory_path() / ("quor_bench_rtf_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        set.NewHypertext();
        model::TNYXoggetto* table = set.NewObject(model::tabellaHtml);
        table->SetByte(93, 2);
        table->SetByte(94, 2);
        std::string doc = "<html><body>";
        for (int i = 0; i < kPages; ++i) {
            auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            std::string t = "<Z S0 A2 ><Y s16 y1 >Pagina " + std::to_string(i);
            doc += "<h2>Pagina " + std::to_string(i) + "</h2>";
            for (int k = 0; k < 6; ++k) {
                t += "<Z S0 >Testo del paragrafo " + std::to_string(k) + " con <Y y1 >grassetto<Y > e <Y y2 >corsivo<Y >, citt\xE0 & altro.";
                doc += "<p>Testo del paragrafo " + std::to_string(k) + " con <b>grassetto</b> e <i>corsivo</i>, citt&agrave; &amp; altro.</p>";
            }
            if (i % 10 == 0) {
                char ref[16];
                std::snprintf(ref, sizeof ref, "<$%08X>", static_cast<unsigned>(table->Reference()));
                t += std::string("<Z S0 >") + ref + "<Z S1 >a<T><Z S1 >b<T><Z S1 >c<T><Z S1 >d<T>";
                doc += "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>";
            }
            p->SetText(t);
            pages.push_back(static_cast<std::int32_t>(p->Index()));
        }
        doc += "</body></html>";
        html = dir / "pages.html";
        std::ofstream(html, std::ios::binary) << doc;
        MakeBig();
    }
    void MakeBig() {
        // LibreOffice's RTF of a real manual, repeated up to the size.
        std::vector<fs::path> manual;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator("/usr/share/doc/postgresql-doc-15/html", ec))
            if (e.path().extension() == ".html") manual.push_back(e.path());
        std::sort(manual.begin(), manual.end());
        if (!manual.empty() && convert::rtf::SofficeAvailable()) {
            std::string joined;
            for (std::size_t i = 0; i < manual.size() && joined.size() < (4u << 20); ++i) {
                std::ifstream in(manual[i], std::ios::binary);
                joined.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            const fs::path part = dir / "manual.html";
            std::ofstream(part, std::ios::binary) << joined;
            const fs::path rtf = convert::rtf::SofficeConvert(part, dir, "rtf", ".rtf", 600);
            if (!rtf.empty()) {
                std::ifstream in(rtf, std::ios::binary);
                const std::string one((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                const std::size_t body = one.find("\\pard"), end = one.rfind('}');
                if (body != std::string::npos && end != std::string::npos && end > body) {
                    bigBytes = one.substr(0, end);
                    while (bigBytes.size() < kImportSize) bigBytes += "\\page " + one.substr(body, end - body);
                    bigBytes += "}";
                    source = "LibreOffice RTF of postgresql-doc-15";
                }
            }
        }
        if (bigBytes.empty()) {
            convert::rtf::TNYXtortf x(&set);
            x.ExportFileName = dir / "gen.rtf";
            x.ExportPages(pages);
            std::ifstream in(x.ExportFileName, std::ios::binary);
            const std::string one((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            const std::size_t body = one.find("\\pard"), end = one.rfind('}');
            bigBytes = one.substr(0, end);
            while (bigBytes.size() < kImportSize) bigBytes += "\\sect " + one.substr(body, end - body);
            bigBytes += "}";
            source = "generated pages";
        }
        big = dir / "big.rtf";
        std::ofstream(big, std::ios::binary) << bigBytes;
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

double gExport = 0, gPandocOut = 0, gImport = 0, gUnrtf = 0, gPandocIn = 0;

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

double Timed(const std::string& cmd) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void ExportRtf5000Pages(benchmark::State& state) {
    Fixture& f = F();
    convert::rtf::TNYXtortf x(&f.set);
    x.ExportFileName = f.dir / "out.rtf";
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!x.ExportPages(f.pages)) state.SkipWithError("export non riuscito");
        gExport = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["pages/s"] = kPages / gExport;
}
BENCHMARK(ExportRtf5000Pages)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void PandocToRtf5000Pages(benchmark::State& state) {
    if (!Have("pandoc")) return state.SkipWithError("pandoc non installato");
    for (auto _ : state) gPandocOut = Timed("pandoc -f html -t rtf -s '" + F().html.string() + "' -o /dev/null 2>/dev/null");
    state.counters["pages/s"] = kPages / gPandocOut;
}
BENCHMARK(PandocToRtf5000Pages)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Processor seconds used by this process so far.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void ImportRtf20MB(benchmark::State& state) {
    Fixture& f = F();
    double cpu = 0;
    std::size_t pages = 0;
    for (auto _ : state) {
        model::TNYXset set;
        set.NewHypertext();
        convert::rtf::TNYXtortf x(&set);
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = CpuSeconds();
        x.ImportText(f.bigBytes, f.big, true);
        gImport = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        cpu = CpuSeconds() - c0;
        pages = x.Report().pages.size();
    }
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["MB/s"] = static_cast<double>(f.bigBytes.size()) / (1 << 20) / gImport;
    // Processor time of the import alone: a loaded machine disturbs it less.
    if (cpu > 0) state.counters["cpu MB/s"] = static_cast<double>(f.bigBytes.size()) / (1 << 20) / cpu;
    state.SetLabel(f.source);
}
BENCHMARK(ImportRtf20MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void UnrtfText20MB(benchmark::State& state) {
    if (!Have("unrtf")) return state.SkipWithError("unrtf non installato");
    for (auto _ : state) gUnrtf = Timed("unrtf --text '" + F().big.string() + "' > /dev/null 2>&1");
    state.counters["MB/s"] = static_cast<double>(F().bigBytes.size()) / (1 << 20) / gUnrtf;
}
BENCHMARK(UnrtfText20MB)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void PandocFromRtf20MB(benchmark::State& state) {
    if (!Have("pandoc")) return state.SkipWithError("pandoc non installato");
    for (auto _ : state) gPandocIn = Timed("pandoc -f rtf -t plain '" + F().big.string() + "' -o /dev/null 2>/dev/null");
    state.counters["MB/s"] = static_cast<double>(F().bigBytes.size()) / (1 << 20) / gPandocIn;
}
BENCHMARK(PandocFromRtf20MB)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void Ratios(benchmark::State& state) {
    for (auto _ : state) {
    }
    if (gExport > 0 && gPandocOut > 0) state.counters["pandoc/export"] = gPandocOut / gExport;
    if (gImport > 0 && gUnrtf > 0) state.counters["unrtf/import"] = gUnrtf / gImport;
    if (gImport > 0 && gPandocIn > 0) state.counters["pandoc/import"] = gPandocIn / gImport;
}
BENCHMARK(Ratios)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
