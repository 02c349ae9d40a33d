// HTML export of a generated hypertext of 5,000 pages with 1,000 pictures
// (pages per second), against hugo building a site of the same pages in the
// same run and under the same conditions:
//   - FreshFolder: each writes into a folder it has never written to;
//   - ReExport: each writes again over the site it wrote before.
// Nothing is deleted while measuring: on ext4 (without a journal) the
// allocator skips the inodes of files deleted in the last minutes, scanning
// past each of them at every new file, which slows down whoever creates files
// next by a factor that changes from run to run with what this and other
// programs deleted. So that a fresh folder is fresh disk too, the fresh
// folders are made in a folder marked as the top of a directory tree (the
// ext4 "T" attribute): each then starts in a little used part of the disk,
// for both peers alike; and a run that follows another within the six
// minutes the allocator remembers deletions for waits for the files the
// other deleted to age (QUOR_BENCH_NO_SETTLE=1 skips the wait). The two peers
// take turns, the first one alternating.
// The "x hugo" counter is hugo's time divided by ours (above 1: we are
// faster).
// Also pandoc converting a sample of the pages one by one.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"

using namespace model;
namespace fs = std::filesystem;

namespace {

constexpr int kPages = 5000;
constexpr int kPictures = 1000;
constexpr int kPandocSample = 100;  // pandoc starts once per page: measured on a sample

const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";

// "p" + n + ".html" and the like (built in steps: GCC 12 warns falsely of
// overlapping copies when a literal is added to a temporary string).
std::string Name(const char* head, std::size_t n, const char* tail = "") {
    std::string s = head;
    s += std::to_string(n);
    s += tail;
    return s;
}

std::string Tag(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

using Clock = std::chrono::steady_clock;

// Marks a folder as the top of a directory tree, so that ext4 spreads the
// folders made in it over the disk (nothing happens elsewhere).
void MarkTopOfTree(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags |= FS_TOPDIR_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
}

// When the last run of this benchmark deleted its files: its marker's time.
fs::path LastRunMarker() { return fs::temp_directory_path() / "quor_bench_export.last"; }

void WaitForDeletionsToAge() {
    constexpr auto kRemembered = std::chrono::seconds(370);  // ext4: at most 60 + 300 s, and a margin
    if (std::getenv("QUOR_BENCH_NO_SETTLE")) return;
    std::error_code ec;
    const auto when = fs::last_write_time(LastRunMarker(), ec);
    if (ec) return;
    const auto age = fs::file_time_type::clock::now() - when;
    if (age >= kRemembered || age < decltype(age)::zero()) return;
    const auto wait = std::chrono::duration_cast<std::chrono::seconds>(kRemembered - age);
    std::fprintf(stderr, "bench_export: attendo %lld s che i file cancellati dall'ultima esecuzione invecchino\n",
                 static_cast<long long>(wait.count()));
    std::this_thread::sleep_for(wait);
}

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

struct Fixture {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope{ui};
    fs::path dir;
    TNYXset set;
    std::vector<std::int32_t> pages;
    std::vector<std::string> html;  // each page's exported document, for the peers
    int folders = 0;                // fresh output folders handed out
    Fixture() {
        WaitForDeletionsToAge();
        dir = fs::temp_directory_path() / ("quor_bench_export_" + std::to_string(::getpid()));
        fs::create_directories(dir / "pics");
        fs::create_directories(dir / "fresh");
        MarkTopOfTree(dir / "fresh");
        set.NewHypertext();
        set.SetExpPrefix("b");
        std::vector<TNYXoggetto*> placed;
        for (int i = 0; i < kPictures; ++i) {
            const fs::path p = dir / "pics" / Name("p", static_cast<std::size_t>(i), ".gif");
            std::ofstream f(p, std::ios::binary);
            f.write(kGif, sizeof kGif - 1);
            f << i;
            f.close();
            TNYXoggetto* pic = set.AddPicture(p);
            TNYXoggetto* pl = set.NewPlacedPicture(pic);
            if (pl && !pl->Registered()) set.RegisterObject(immagineNew, -1, pl);
            placed.push_back(pl);
        }
        std::vector<TNYXtesto*> texts;
        for (int i = 0; i < kPages; ++i) texts.push_back(static_cast<TNYXtesto*>(set.NewObject(testoHtml)));
        for (int i = 0; i < kPages; ++i) {
            std::string t = "<Z S0 A2 ><Y y1 >Pagina " + std::to_string(i) + "<Z S0 >Testo della pagina con un collegamento alla " +
                            Tag(texts[(i + 1) % kPages]->Reference()) + "pagina seguente<%> e alla " + Tag(texts[(i + 7) % kPages]->Reference()) +
                            "settima<%>. " + "<Y cFF0000 F\"Arial\" s10 >Un poco di testo colorato &egrave; qui.";
            for (int k = 0; k < 4; ++k) t += "<Z S0 >Paragrafo " + std::to_string(k) + ": parole, parole  e ancora parole per riempire la riga.";
            t += Tag(placed[static_cast<std::size_t>(i % kPictures)]->Reference());
            texts[static_cast<std::size_t>(i)]->SetName("Pagina " + std::to_string(i));
            texts[static_cast<std::size_t>(i)]->SetText(t);
        }
        pages = convert::AllPages(set);
        CollectHtml();
        if (Have("hugo")) MakeHugoSite();
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
        std::ofstream{LastRunMarker()};
        fs::last_write_time(LastRunMarker(), fs::file_time_type::clock::now(), ec);
    }
    fs::path FreshFolder(const char* who) { return dir / "fresh" / Name(who, static_cast<std::size_t>(folders++)); }

    // The exported documents, as the peers' input.
    void CollectHtml() {
        convert::html::TNYXtoHtml x(&set);
        x.ExportPath = dir / "peer_src";
        x.Export(pages);
        for (std::int32_t p : pages) {
            std::ifstream in(x.ExportPath / x.PageFileName(set.ObjectAt(testoHtml, p), 0), std::ios::binary);
            html.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }

    // A hugo site of the same pages (their bodies as content) and pictures.
    void MakeHugoSite() {
        const fs::path site = dir / "hugo";
        fs::create_directories(site / "content");
        fs::create_directories(site / "layouts/_default");
        fs::create_directories(site / "static");
        std::ofstream(site / "config.toml") << "baseURL='http://localhost/'\ntitle='bench'\ndisableKinds=['taxonomy','term','RSS','sitemap']\n"
                                               "[markup.goldmark.renderer]\nunsafe=true\n";
        std::ofstream(site / "layouts/_default/single.html")
            << "<!DOCTYPE html><html><head><title>{{ .Title }}</title></head><body>{{ .Content }}</body></html>\n";
        std::ofstream(site / "layouts/_default/list.html")
            << "<html><body>{{ range .Pages }}<a href='{{ .RelPermalink }}'>{{ .Title }}</a>{{ end }}</body></html>\n";
        for (std::size_t i = 0; i < html.size(); ++i) {
            const std::string& h = html[i];
            const std::size_t b = h.find("<BODY"), e = h.rfind("</BODY>");
            std::ofstream(site / "content" / Name("p", i, ".html"))
                << "---\ntitle: \"Pagina " << i << "\"\n---\n" << (b != std::string::npos && e > b ? h.substr(b, e - b) : h);
        }
        fs::copy(dir / "pics", site / "static", fs::copy_options::overwrite_existing);
    }

    // Seconds taken by each peer to write its site into `out`; < 0 on failure.
    double Quor(const fs::path& out) {
        const auto t0 = Clock::now();
        convert::html::TNYXtoHtml x(&set);
        x.ExportPath = out;
        const bool ok = x.Export(pages) && x.Report().filesCopied == kPictures;
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        return ok ? s : -1;
    }
    double Hugo(const fs::path& out) {
        const std::string cmd = "cd '" + (dir / "hugo").string() + "' && hugo --quiet --destination '" + out.string() + "' >/dev/null 2>&1";
        const auto t0 = Clock::now();
        const int rc = std::system(cmd.c_str());
        const double s = std::chrono::duration<double>(Clock::now() - t0).count();
        return rc == 0 ? s : -1;
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

// Runs both peers once per iteration, taking turns at going first, and
// reports our time as the iteration's time.
template <class Folders>
void AgainstHugo(benchmark::State& state, Folders folders) {
    if (!Have("hugo")) return state.SkipWithError("hugo non installato");
    Fixture& f = F();
    double quor = 0, hugo = 0;
    int n = 0;
    for (auto _ : state) {
        const auto [q, h] = folders(f);
        double tq = 0, th = 0;
        if (n % 2 == 0) {
            tq = f.Quor(q);
            th = f.Hugo(h);
        } else {
            th = f.Hugo(h);
            tq = f.Quor(q);
        }
        if (tq < 0 || th < 0) return state.SkipWithError(tq < 0 ? "export failed" : "hugo failed");
        state.SetIterationTime(tq);
        quor += tq;
        hugo += th;
        ++n;
    }
    state.counters["pages/s"] = static_cast<double>(f.pages.size()) * n / quor;
    state.counters["hugo pages/s"] = static_cast<double>(f.pages.size()) * n / hugo;
    state.counters["x hugo"] = hugo / quor;
}

void FreshFolder(benchmark::State& state) {
    AgainstHugo(state, [](Fixture& f) { return std::pair{f.FreshFolder("quor"), f.FreshFolder("hugo")}; });
}
BENCHMARK(FreshFolder)->Unit(benchmark::kMillisecond)->Iterations(4)->UseManualTime();

void ReExport(benchmark::State& state) {
    Fixture& f = F();
    const fs::path q = f.dir / "again" / "quor", h = f.dir / "again" / "hugo";
    if (!fs::exists(q)) {
        // Each peer's site, written once before measuring.
        f.Quor(q);
        if (Have("hugo")) f.Hugo(h);
    }
    AgainstHugo(state, [&](Fixture&) { return std::pair{q, h}; });
}
BENCHMARK(ReExport)->Unit(benchmark::kMillisecond)->Iterations(4)->UseManualTime();

void PandocPages(benchmark::State& state) {
    if (!Have("pandoc")) return state.SkipWithError("pandoc non installato");
    Fixture& f = F();
    for (auto _ : state) {
        for (int i = 0; i < kPandocSample; ++i) {
            const fs::path in = f.dir / "peer_src" / Name("pandoc_", static_cast<std::size_t>(i), ".html");
            {
                std::ofstream o(in, std::ios::binary);
                o << f.html[static_cast<std::size_t>(i)];
            }
            const std::string cmd = "pandoc -f html -t html -s --metadata title=x -o '" + (f.dir / "pandoc_out.html").string() + "' '" + in.string() + "'";
            if (std::system(cmd.c_str()) != 0) return state.SkipWithError("pandoc failed");
        }
    }
    state.counters["pages/s"] = benchmark::Counter(kPandocSample, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(PandocPages)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
