// Printing to PDF. One page of about 200 KB of text (about 60 A4 sheets)
// with 40 pictures and a 100 x 5 table, printed as "Stampa pagina corrente"
// prints it (seconds, sheets, PDF size, peak memory), against headless
// Chromium printing the same page to PDF from its HTML export, in the same
// run; and "Stampa tutte" of 300 one-sheet pages into one PDF (pages per
// second). The "x chromium" counter is Chromium's time divided by ours
// (above 1: we are faster); "x chromium cpu" the same for processor time,
// which a loaded machine disturbs less. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "QtBenchMain.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"
#include "present/PrintSetup.h"
#include "present/ui/PrintRender.h"

using namespace model;
namespace fs = std::filesystem;

namespace {

// A 1 x 1 black GIF, drawn at 100 x 100.
const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x4c\x01\x00;";

std::string Tag(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

double Seconds(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Processor seconds (user + system) of this process or of its finished
// children: on a loaded machine they tell the work apart from the waiting.
double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Fixture {
    platform::testing::FixedEnv env;
    platform::testing::SilentUi ui;
    platform::ScopedUi scope{ui};
    fs::path dir = fs::temp_directory_path() / ("quor_bench_print_" + std::to_string(::getpid()));
    TNYXset set;
    std::int32_t bigPage = -1;
    std::vector<std::int32_t> small;

    Fixture() {
        fs::create_directories(dir);
        set.NewHypertext();
        const fs::path gif = dir / "p.gif";
        std::ofstream(gif, std::ios::binary).write(kGif, sizeof kGif - 1);
        TNYXoggetto* pic = set.AddPicture(gif);
        std::vector<TNYXoggetto*> placed;
        for (int i = 0; i < 40; ++i) {
            TNYXoggetto* o = set.NewPlacedPicture(pic);
            if (o && !o->Registered()) set.RegisterObject(immagineNew, -1, o);
            o->SetWord(19, 100);
            o->SetWord(21, 100);
            placed.push_back(o);
        }
        TNYXoggetto* table = set.NewObject(tabellaHtml);
        table->SetByte(93, 100);
        table->SetByte(94, 5);
        table->SetByte(55, 1);
        table->SetByte(89, 100);
        for (int c = 0; c < 5; ++c) {
            table->SetByte(static_cast<std::size_t>(5 + c), 0);
            table->SetWord(static_cast<std::size_t>(97 + 2 * c), 20);
        }
        std::string text;
        const std::string words = "Il testo di una pagina lunga, con parole di ogni misura e qualche virgola; ";
        for (int p = 0; text.size() < 200000; ++p) {
            text += p % 7 == 3 ? "<Z S0 N6 >" : "<Z S0 >";
            text += words + words.substr(0, static_cast<std::size_t>(p % 40));
            if (p % 50 == 10 && p / 50 < 40) text += Tag(placed[static_cast<std::size_t>(p / 50)]->Reference());
            if (p == 1000) {
                text += "<Z S0 >" + Tag(table->Reference());
                for (int k = 0; k < 500; ++k) text += "<Z S1 >cella " + std::to_string(k) + "<T>";
            }
        }
        auto* big = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        big->SetName("Lunga");
        big->SetText(text);
        bigPage = static_cast<std::int32_t>(big->Index());
        for (int i = 0; i < 300; ++i) {
            auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            p->SetText("<Z S0 >Una pagina breve, numero " + std::to_string(i) + ", di un solo foglio.");
            small.push_back(static_cast<std::int32_t>(p->Index()));
        }
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

bool Print(const std::vector<std::int32_t>& pages, const fs::path& out, present::ui::TPrintReport& report,
           bool background) {
    present::TPrintOptions o;
    o.pageBackground = background;
    present::ui::TPrintDestination d;
    d.kind = present::ui::TPrintDestination::kPdf;
    d.file = out;
    return present::ui::PrintPages(Shared().set, pages, o, {}, d, report);
}

void BM_PrintLongPageToPdf(benchmark::State& state) {
    Fixture& f = Shared();
    // The peer: Chromium prints the HTML export of the same page.
    convert::html::TNYXtoHtml x(&f.set);
    x.ExportPath = f.dir / "site";
    if (!x.Export({f.bigPage}, true)) {
        state.SkipWithError("export failed");
        return;
    }
    fs::path html;
    for (auto& e : fs::directory_iterator(x.ExportPath))
        if (e.path().extension() == ".html") html = e.path();
    const fs::path peerPdf = f.dir / "chromium.pdf";
    const std::string cmd = "timeout 300 chromium --headless --no-sandbox --disable-gpu --no-first-run "
                            "--disable-background-networking --user-data-dir='" + (f.dir / "profile").string() +
                            "' --no-pdf-header-footer --print-to-pdf='" + peerPdf.string() + "' 'file://" + html.string() +
                            "' >/dev/null 2>&1";
    double ours = 0, peer = 0, oursCpu = 0, peerCpu = 0;
    present::ui::TPrintReport report;
    const fs::path out = f.dir / "lunga.pdf";
    for (auto _ : state) {
        report = {};
        const double cpu0 = CpuSeconds(RUSAGE_SELF);
        ours += Seconds([&] {
            if (!Print({f.bigPage}, out, report, true)) state.SkipWithError(report.error.c_str());
        });
        oursCpu += CpuSeconds(RUSAGE_SELF) - cpu0;
        const double child0 = CpuSeconds(RUSAGE_CHILDREN);
        peer += Seconds([&] { (void)std::system(cmd.c_str()); });
        peerCpu += CpuSeconds(RUSAGE_CHILDREN) - child0;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["s"] = ours / n;
    state.counters["chromium s"] = peer / n;
    state.counters["x chromium"] = ours > 0 ? peer / ours : 0;
    state.counters["cpu s"] = oursCpu / n;
    state.counters["chromium cpu s"] = peerCpu / n;
    state.counters["x chromium cpu"] = oursCpu > 0 ? peerCpu / oursCpu : 0;
    state.counters["sheets"] = report.sheets;
    state.counters["PDF MB"] = static_cast<double>(fs::exists(out) ? fs::file_size(out) : 0) / 1e6;
    state.counters["chromium PDF MB"] = static_cast<double>(fs::exists(peerPdf) ? fs::file_size(peerPdf) : 0) / 1e6;
    state.counters["peak MB"] = static_cast<double>(PeakKb()) / 1024.0;
}
BENCHMARK(BM_PrintLongPageToPdf)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

void BM_PrintAll300Pages(benchmark::State& state) {
    Fixture& f = Shared();
    present::ui::TPrintReport report;
    for (auto _ : state) {
        report = {};
        if (!Print(f.small, f.dir / "tutte.pdf", report, false)) state.SkipWithError(report.error.c_str());
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(report.pages) * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    state.counters["sheets"] = report.sheets;
}
BENCHMARK(BM_PrintAll300Pages)->Unit(benchmark::kSecond)->Iterations(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
