// Applying a paragraph style to every paragraph of the generated
// 2,000-paragraph page in the desktop's box (snapshot, rewrite and reread of
// the paragraphs, layout, repaint), and undoing it through the box's undo
// list. The peer is QTextCursor::mergeBlockFormat over every block of the
// same page as a QTextDocument shown in a QTextEdit, and its undo, in the
// same run. Run with QT_QPA_PLATFORM=offscreen (set when missing).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "BoxHtml.h"
#include "QtBenchMain.h"
#include "richtext/Layout.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"

namespace {

using namespace richtext;
using namespace richtext::ui;

constexpr int kWidth = 820, kHeight = 620;

class Quiet : public TMarkupProblemSink {
    void Report(const TMarkupDiagnostics&) override {}
};

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

double Ms(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void Median(benchmark::State& state, const char* name, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    if (!ms.empty()) state.counters[name] = ms[ms.size() / 2];
}

struct OurEditor {
    TSamplePage sample;
    TNYXundoList undo{&sample.set};
    TNYXboxWidget w;
    OurEditor() {
        w.resize(kWidth, kHeight);
        w.ResetBox(&sample.set);
        for (std::size_t id = 0; id < sample.registry.Size(); ++id)
            if (TNYXembedded* e = sample.registry.Find(static_cast<std::int32_t>(id)))
                w.Registry().Put(static_cast<std::int32_t>(id), std::make_unique<TNYXembedded>(e->Record()));
        w.SetUndoList(&undo);
        w.show();
        Settle();
        w.LoadText(LongSamplePageText());
        Settle();
    }
};

void BM_Ours_ApplyStyleToEveryParagraphAndUndo(benchmark::State& state) {
    std::vector<double> apply, undo;
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<OurEditor>();
        e->w.SelectAll();
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        e->w.Format([](TNYXTextAttributes&, TNYXParaAttributes& p) { p.ApplyStyle("Titolo"); });
        Settle();
        apply.push_back(Ms(t0));
        t0 = std::chrono::steady_clock::now();
        e->w.Undo(1);
        Settle();
        undo.push_back(Ms(t0));
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
    Median(state, "apply_ms", apply);
    Median(state, "undo_ms", undo);
}
BENCHMARK(BM_Ours_ApplyStyleToEveryParagraphAndUndo)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Qt_MergeBlockFormatOnEveryBlockAndUndo(benchmark::State& state) {
    TSamplePage sample;
    Quiet q;
    LoadBox(sample.box, 0, LongSamplePageText(), {}, {}, &q);
    const QString html = bench::Html(sample.box);
    std::vector<double> apply, undo;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = std::make_unique<QTextEdit>();
        edit->resize(kWidth, kHeight);
        edit->setHtml(html);
        edit->show();
        Settle();
        QTextBlockFormat f;
        f.setAlignment(Qt::AlignHCenter);
        f.setLeftMargin(20);
        f.setTopMargin(4);
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        QTextCursor c(edit->document());
        c.select(QTextCursor::Document);
        c.mergeBlockFormat(f);
        Settle();
        apply.push_back(Ms(t0));
        t0 = std::chrono::steady_clock::now();
        edit->document()->undo();
        Settle();
        undo.push_back(Ms(t0));
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
    Median(state, "apply_ms", apply);
    Median(state, "undo_ms", undo);
}
BENCHMARK(BM_Qt_MergeBlockFormatOnEveryBlockAndUndo)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
