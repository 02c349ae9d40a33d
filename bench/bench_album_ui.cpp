// The album's pages tab on a hypertext of 10,000 pages: opening the window
// on that tab, and one scroll step of the list (a page down, painted), each
// beside the same work done by a plain QListWidget holding the same titles
// (the peer). Run with QT_QPA_PLATFORM=offscreen. Targets: open under 200 ms,
// no scroll step over 16 ms (the "worst_ms" counter).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>

#include "album/ui/Falbum.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "shell/MainDocument.h"
#include "QtBenchMain.h"

namespace {

constexpr int kPages = 10000;

class THost : public shell::TDocumentHost {
public:
    std::optional<shell::TFileAnswer> ChooseFile(const shell::TFileRequest&) override { return std::nullopt; }
    std::optional<std::string> AskPassword(std::string_view) override { return std::nullopt; }
};

shell::TMainDocument& Shared() {
    static platform::testing::FixedEnv* env = new platform::testing::FixedEnv;
    static THost host;
    static shell::TMainDocument* doc = [] {
        shell::TProgramPaths paths;
        paths.userFolder = env->temp / "user";
        auto* d = new shell::TMainDocument(paths, host);
        d->Set().NewHypertext();
        for (int i = 0; i < kPages; ++i) d->Set().NewObject(model::testoHtml)->SetName("Pagina " + std::to_string(i));
        return d;
    }();
    return *doc;
}

QStringList Titles() {
    QStringList t;
    for (int i = 0; i < kPages; ++i) t << QStringLiteral("Pagina %1").arg(i);
    return t;
}

void BM_AlbumOpenPagesTab(benchmark::State& state) {
    shell::TMainDocument& doc = Shared();
    for (auto _ : state) {
        album::ui::TFalbum a(doc, nullptr);
        a.SetTab(album::TTab::kPages);
        a.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(a.Model(album::TTab::kPages)->rowCount());
    }
}
BENCHMARK(BM_AlbumOpenPagesTab)->Unit(benchmark::kMillisecond);

void BM_PeerListWidgetOpen(benchmark::State& state) {
    const QStringList titles = Titles();
    for (auto _ : state) {
        QListWidget w;
        w.addItems(titles);
        w.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.count());
    }
}
BENCHMARK(BM_PeerListWidgetOpen)->Unit(benchmark::kMillisecond);

// One step: a page down, then painted; the worst step is reported too.
template <class View>
void ScrollSteps(benchmark::State& state, View& view) {
    view.resize(400, 500);
    view.show();
    QApplication::processEvents();
    QScrollBar* bar = view.verticalScrollBar();
    double worst = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + bar->pageStep());
        view.viewport()->repaint();
        QApplication::processEvents();
        worst = std::max(worst, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["worst_ms"] = worst;
}

void BM_AlbumScrollStep(benchmark::State& state) {
    album::ui::TFalbum a(Shared(), nullptr);
    a.SetTab(album::TTab::kPages);
    a.show();
    ScrollSteps(state, *a.List(album::TTab::kPages));
}
BENCHMARK(BM_AlbumScrollStep)->Unit(benchmark::kMicrosecond);

void BM_PeerListWidgetScrollStep(benchmark::State& state) {
    QListWidget w;
    w.addItems(Titles());
    ScrollSteps(state, w);
}
BENCHMARK(BM_PeerListWidgetScrollStep)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
