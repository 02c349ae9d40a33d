// HTML export of a generated hypertext of 5,000 pages with 1,000 pictures
// (pages per second, pictures copied), in the same run as two outside
// programs given the same pages: pandoc converting each page's HTML one by
// one, and hugo building a site of the same pages.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

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

std::string Tag(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

struct Fixture {
    platform::testing::SilentUi ui;
    platform::ScopedUi scope{ui};
    fs::path dir;
    TNYXset set;
    std::vector<std::string> html;  // each page's exported document, for the peers
    Fixture() {
        dir = fs::temp_directory_path() / ("quor_bench_export_" + std::to_string(::getpid()));
        fs::create_directories(dir / "pics");
        set.NewHypertext();
        set.SetExpPrefix("b");
        std::vector<TNYXoggetto*> placed;
        for (int i = 0; i < kPictures; ++i) {
            const fs::path p = dir / "pics" / ("p" + std::to_string(i) + ".gif");
            std::ofstream f(p, std::ios::binary);
            f.write(kGif, sizeof kGif - 1);
            f << i;
            f.close();
            TNYXoggetto* pic = set.AddPicture(p);
            TNYXoggetto* pl = set.NewPlacedPicture(pic);
            if (pl && !pl->Registered()) set.RegisterObject(immagineNew, -1, pl);
            placed.push_back(pl);
        }
        std::vector<TNYXtesto*> pages;
        for (int i = 0; i < kPages; ++i) pages.push_back(static_cast<TNYXtesto*>(set.NewObject(testoHtml)));
        for (int i = 0; i < kPages; ++i) {
            std::string t = "<Z S0 A2 ><Y y1 >Pagina " + std::to_string(i) + "<Z S0 >Testo della pagina con un collegamento alla " +
                            Tag(pages[(i + 1) % kPages]->Reference()) + "pagina seguente<%> e alla " + Tag(pages[(i + 7) % kPages]->Reference()) +
                            "settima<%>. " + "<Y cFF0000 F\"Arial\" s10 >Un poco di testo colorato &egrave; qui.";
            for (int k = 0; k < 4; ++k) t += "<Z S0 >Paragrafo " + std::to_string(k) + ": parole, parole  e ancora parole per riempire la riga.";
            t += Tag(placed[static_cast<std::size_t>(i % kPictures)]->Reference());
            pages[static_cast<std::size_t>(i)]->SetName("Pagina " + std::to_string(i));
            pages[static_cast<std::size_t>(i)]->SetText(t);
        }
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

void ExportHtml(benchmark::State& state) {
    Fixture& f = F();
    const auto pages = convert::AllPages(f.set);
    std::size_t copied = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove_all(f.dir / "out", ec);
        state.ResumeTiming();
        convert::html::TNYXtoHtml x(&f.set);
        x.ExportPath = f.dir / "out";
        if (!x.Export(pages)) state.SkipWithError("export failed");
        copied = x.Report().filesCopied;
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(pages.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pictures"] = static_cast<double>(copied);
}
BENCHMARK(ExportHtml)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The exported documents as the peers' input.
void CollectHtml(Fixture& f) {
    if (!f.html.empty()) return;
    convert::html::TNYXtoHtml x(&f.set);
    x.ExportPath = f.dir / "peer_src";
    x.Export(convert::AllPages(f.set));
    for (std::int32_t p : convert::AllPages(f.set)) {
        std::ifstream in(x.ExportPath / x.PageFileName(f.set.ObjectAt(testoHtml, p), 0), std::ios::binary);
        f.html.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
}

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

void PandocPages(benchmark::State& state) {
    if (!Have("pandoc")) return state.SkipWithError("pandoc non installato");
    Fixture& f = F();
    CollectHtml(f);
    for (auto _ : state) {
        for (int i = 0; i < kPandocSample; ++i) {
            const fs::path in = f.dir / "peer_src" / ("pandoc_" + std::to_string(i) + ".html");
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

void HugoSite(benchmark::State& state) {
    if (!Have("hugo")) return state.SkipWithError("hugo non installato");
    Fixture& f = F();
    CollectHtml(f);
    const fs::path site = f.dir / "hugo";
    fs::create_directories(site / "content");
    fs::create_directories(site / "layouts/_default");
    fs::create_directories(site / "static");
    std::ofstream(site / "config.toml") << "baseURL='http://localhost/'\ntitle='bench'\ndisableKinds=['taxonomy','term','RSS','sitemap']\n"
                                           "[markup.goldmark.renderer]\nunsafe=true\n";
    std::ofstream(site / "layouts/_default/single.html") << "<!DOCTYPE html><html><head><title>{{ .Title }}</title></head><body>{{ .Content }}</body></html>\n";
    std::ofstream(site / "layouts/_default/list.html") << "<html><body>{{ range .Pages }}<a href='{{ .RelPermalink }}'>{{ .Title }}</a>{{ end }}</body></html>\n";
    for (std::size_t i = 0; i < f.html.size(); ++i) {
        const std::string& h = f.html[i];
        const std::size_t b = h.find("<BODY"), e = h.rfind("</BODY>");
        std::ofstream(site / "content" / ("p" + std::to_string(i) + ".html"))
            << "---\ntitle: \"Pagina " << i << "\"\n---\n" << (b != std::string::npos && e > b ? h.substr(b, e - b) : h);
    }
    fs::copy(f.dir / "pics", site / "static", fs::copy_options::overwrite_existing);
    for (auto _ : state) {
        const std::string cmd = "cd '" + site.string() + "' && hugo --quiet --destination public >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return state.SkipWithError("hugo failed");
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(f.html.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(HugoSite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
