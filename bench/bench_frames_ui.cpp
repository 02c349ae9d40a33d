// The frame set on screen with a page of nine frames (three rows of three
// columns), each showing a page of about 30 KB of text. Timed: ShowPage of
// that page (frames built from the map, nine working copies read, laid out
// and placed, the event loop run until nothing is pending), and live bar
// dragging (mouse moves sent to the bar between two columns; each move
// resizes and lays out those two frames again). The peer, in the same run,
// is a nest of QSplitters holding nine QTextEdits with the same texts:
// their setHtml and layout, and moves of one splitter handle. Ratios are
// printed at the end. Run with QT_QPA_PLATFORM=offscreen (set when missing).
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QMouseEvent>
#include <QSplitter>
#include <QTextEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <memory>
#include <string>
#include <vector>

#include "BoxHtml.h"
#include "model/NYXset.h"
#include "present/FrameData.h"
#include "present/FrameLayout.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/ui/BoxWidget.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1200, kHeight = 900;
constexpr int kFrames = 9;
constexpr int kMoves = 200;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Results {
    double oursShow = 0, qtShow = 0, oursMove = 0, qtMove = 0;
} results;

// Page 0 is divided into 3 x 3 frames showing pages 1 to 9; page 10 is a short page.
struct NineFrames {
    model::TNYXset set;
    NineFrames() {
        set.NewHypertext();
        auto* master = set.NewObject(model::testoHtml);
        master->SetName("Nove cornici");
        for (int i = 1; i <= kFrames; ++i) {
            auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            std::string text;
            for (int k = 0; text.size() < 30000; ++k)
                text += "<Z S0 >Paragrafo " + std::to_string(k) + " della pagina " + std::to_string(i) +
                        ": una riga di testo che va a capo come il testo vero, parola per parola.";
            p->SetText(text);
        }
        set.NewObject(model::testoHtml)->SetName("Breve");
        present::TFrameLayout layout(&set);
        layout.ShowPage(0);
        layout.Layout(kWidth, kHeight);
        layout.Divide(*layout.Top(), present::TFrameSide::kTop, 300);
        layout.Divide(*layout.Top(), present::TFrameSide::kTop, 300);
        for (std::size_t r = 0; r < 3; ++r) {
            layout.Divide(*layout.Top()->children[r], present::TFrameSide::kLeft, 400);
            layout.Divide(*layout.Top()->children[r], present::TFrameSide::kLeft, 400);
        }
        int page = 1;
        layout.Top()->ForEach([&](present::TNonVisCornice& f) {
            if (f.IsLeaf()) f.rec.SetPageRef(model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(page++)));
        });
        present::StorePageMap(set, *set.ObjectAt(model::testoHtml, 0), layout.Top());
    }
};

NineFrames& Fixture() {
    static NineFrames f;
    return f;
}

void BM_Ours_ShowPageNineFrames(benchmark::State& state) {
    NineFrames& nine = Fixture();
    present::ui::TInsiemeCornici fs;
    fs.resize(kWidth, kHeight);
    fs.SetLinkedNYXset(&nine.set);
    fs.show();
    Settle();
    std::vector<double> ms;
    for (auto _ : state) {
        fs.ShowPage(10);
        Settle();
        const auto t0 = Clock::now();
        fs.ShowPage(0);
        Settle();
        const auto t1 = Clock::now();
        ms.push_back(Ms(t0, t1));
        state.SetIterationTime(Ms(t0, t1) / 1000.0);
    }
    if (fs.Views().size() != kFrames) state.SkipWithError("not nine frames");
    results.oursShow = Median(ms);
    state.counters["median_ms"] = results.oursShow;
}
BENCHMARK(BM_Ours_ShowPageNineFrames)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_Ours_BarDragMove(benchmark::State& state) {
    NineFrames& nine = Fixture();
    present::ui::TInsiemeCornici fs;
    fs.resize(kWidth, kHeight);
    fs.SetLinkedNYXset(&nine.set);
    fs.show();
    fs.ShowPage(0);
    Settle();
    present::TNonVisCornice* row = fs.Top()->children[0].get();
    present::ui::TNYXSplit* bar = fs.BarOf(*row, 0);
    if (!bar) {
        state.SkipWithError("no bar");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state) {
        const QPoint grab(bar->width() / 2, bar->height() / 2);
        const QPoint start = bar->mapTo(&fs, grab);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(grab), bar->mapToGlobal(QPointF(grab)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &press);
        for (int k = 0; k < kMoves; ++k) {
            // Back and forth over 150 pixels.
            const int dx = (k % 50) * 3 * ((k / 50) % 2 ? -1 : 1) + ((k / 50) % 2 ? 150 : 0);
            const QPointF global = fs.mapToGlobal(QPointF(start + QPoint(dx - 75, 0)));
            const QPointF local = bar->mapFromGlobal(global);
            const auto t0 = Clock::now();
            QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(bar, &move);
            Settle();
            const auto t1 = Clock::now();
            ms.push_back(Ms(t0, t1));
        }
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(grab), bar->mapToGlobal(QPointF(grab)), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &release);
        state.SetIterationTime(std::accumulate(ms.end() - kMoves, ms.end(), 0.0) / 1000.0);
    }
    results.oursMove = Median(ms);
    state.counters["median_ms_per_move"] = results.oursMove;
    std::sort(ms.begin(), ms.end());
    state.counters["p99_ms_per_move"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}
BENCHMARK(BM_Ours_BarDragMove)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The peer: the same nine texts as HTML in QTextEdits inside QSplitters.
std::vector<QString> NineHtml() {
    NineFrames& nine = Fixture();
    std::vector<QString> html;
    richtext::ui::TNYXpageView view;
    view.resize(kWidth / 3, kHeight / 3);
    for (int i = 1; i <= kFrames; ++i) {
        view.ShowPage(nine.set, i);
        html.push_back(bench::Html(view.Box()));
    }
    view.ClosePage();
    return html;
}

struct QtNest {
    QSplitter rows{Qt::Vertical};
    std::vector<QSplitter*> cols;
    std::vector<QTextEdit*> edits;
    QtNest() {
        rows.resize(kWidth, kHeight);
        for (int r = 0; r < 3; ++r) {
            auto* c = new QSplitter(Qt::Horizontal, &rows);
            cols.push_back(c);
            for (int k = 0; k < 3; ++k) edits.push_back(new QTextEdit(c));
        }
        rows.show();
        Settle();
    }
};

void BM_Qt_QSplitterNineTextEdits(benchmark::State& state) {
    const std::vector<QString> html = NineHtml();
    QtNest nest;
    std::vector<double> ms;
    for (auto _ : state) {
        for (QTextEdit* e : nest.edits) e->clear();
        Settle();
        const auto t0 = Clock::now();
        for (std::size_t i = 0; i < nest.edits.size(); ++i) {
            nest.edits[i]->setHtml(html[i]);
            // The layout at the widget's width, as ours lays its pages out.
            nest.edits[i]->document()->setTextWidth(nest.edits[i]->viewport()->width());
            nest.edits[i]->document()->documentLayout()->documentSize();
        }
        Settle();
        const auto t1 = Clock::now();
        ms.push_back(Ms(t0, t1));
        state.SetIterationTime(Ms(t0, t1) / 1000.0);
    }
    results.qtShow = Median(ms);
    state.counters["median_ms"] = results.qtShow;
}
BENCHMARK(BM_Qt_QSplitterNineTextEdits)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_Qt_QSplitterHandleMove(benchmark::State& state) {
    const std::vector<QString> html = NineHtml();
    QtNest nest;
    for (std::size_t i = 0; i < nest.edits.size(); ++i) nest.edits[i]->setHtml(html[i]);
    Settle();
    QSplitter* row = nest.cols[0];
    QSplitterHandle* handle = row->handle(1);
    std::vector<double> ms;
    for (auto _ : state) {
        const QPoint grab(handle->width() / 2, handle->height() / 2);
        const QPoint start = handle->mapTo(row, grab);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(grab), handle->mapToGlobal(QPointF(grab)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &press);
        for (int k = 0; k < kMoves; ++k) {
            const int dx = (k % 50) * 3 * ((k / 50) % 2 ? -1 : 1) + ((k / 50) % 2 ? 150 : 0);
            const QPointF global = row->mapToGlobal(QPointF(start + QPoint(dx - 75, 0)));
            const QPointF local = handle->mapFromGlobal(global);
            const auto t0 = Clock::now();
            QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(handle, &move);
            Settle();
            const auto t1 = Clock::now();
            ms.push_back(Ms(t0, t1));
        }
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(grab), handle->mapToGlobal(QPointF(grab)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &release);
        state.SetIterationTime(std::accumulate(ms.end() - kMoves, ms.end(), 0.0) / 1000.0);
    }
    results.qtMove = Median(ms);
    state.counters["median_ms_per_move"] = results.qtMove;
}
BENCHMARK(BM_Qt_QSplitterHandleMove)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    char* qargv[] = {argv[0], nullptr};
    QApplication app(qargc, qargv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (results.qtShow > 0 && results.oursShow > 0)
        std::printf("ShowPage, 9 frames of 30 KB: %.1f ms (target < 100); QSplitter + 9 QTextEdit: %.1f ms; ratio %.2f\n",
                    results.oursShow, results.qtShow, results.oursShow / results.qtShow);
    if (results.qtMove > 0 && results.oursMove > 0)
        std::printf("Bar drag, per mouse move: %.2f ms (target < 8); QSplitter handle: %.2f ms; ratio %.2f\n",
                    results.oursMove, results.qtMove, results.oursMove / results.qtMove);
    return 0;
}
