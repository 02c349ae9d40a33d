// Line layout and painting of the generated 2,000-paragraph page at 96 pixels
// per inch with the Liberation faces: reading with layout, layout alone,
// layout again at a new width, and a full 800 x 600 viewport repaint in the
// middle of the page. The peer is QTextDocument laying out and painting the
// same text (as HTML: the same runs, links, pictures and tables) in the same
// run. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/QtMetrics.h"
#include "BoxHtml.h"
#include "QtBenchMain.h"

namespace {

using namespace richtext;
using namespace richtext::ui;

constexpr int kWidth = 800, kNarrow = 640, kViewH = 600;

class Quiet : public TMarkupProblemSink {
    void Report(const TMarkupDiagnostics&) override {}
};

struct Page {
    Page() {
        page.box.SetMetrics(&metrics);
        page.box.layoutWidth = kWidth;
        Quiet q;
        LoadBox(page.box, 0, LongSamplePageText(), {}, {}, &q);
    }
    TQtTextMetrics metrics;
    TSamplePage page;
};

Page& Shared() {
    static Page p;
    return p;
}

const QString& PageHtml() {
    static const QString h = bench::Html(Shared().page.box);
    return h;
}

void LayOut(QTextDocument& doc, int width) {
    doc.setTextWidth(width);
    // Asks for the last block's place: the layout runs to the end.
    benchmark::DoNotOptimize(doc.documentLayout()->blockBoundingRect(doc.lastBlock()));
    benchmark::DoNotOptimize(doc.size());
}

QTextDocument& SharedDoc() {
    static QTextDocument* doc = [] {
        auto* d = new QTextDocument;
        d->setDefaultFont(QtFont({"Times New Roman", 0, 0, 10, 0}));
        d->setDocumentMargin(0);
        d->setHtml(PageHtml());
        LayOut(*d, kWidth);
        return d;
    }();
    return *doc;
}

// --- ours -------------------------------------------------------------------------

void BM_Ours_ReadAndLayout(benchmark::State& state) {
    Page& s = Shared();
    Quiet q;
    for (auto _ : state) {
        LoadBox(s.page.box, 0, LongSamplePageText(), {}, {}, &q);
        benchmark::DoNotOptimize(s.page.box.TextBottom());
    }
    state.counters["paragraphs"] = static_cast<double>(s.page.box.paragraphs.size());
    state.counters["height"] = s.page.box.TextBottom();
}
BENCHMARK(BM_Ours_ReadAndLayout)->Unit(benchmark::kMillisecond);

void BM_Ours_FirstLayout(benchmark::State& state) {
    Page& s = Shared();
    s.page.box.layoutWidth = kWidth;
    for (auto _ : state) {
        LayoutBox(s.page.box);
        benchmark::DoNotOptimize(s.page.box.TextBottom());
    }
}
BENCHMARK(BM_Ours_FirstLayout)->Unit(benchmark::kMillisecond);

void BM_Ours_RelayoutNewWidth(benchmark::State& state) {
    Page& s = Shared();
    bool narrow = false;
    for (auto _ : state) {
        narrow = !narrow;
        ResizeBox(s.page.box, narrow ? kNarrow : kWidth);
        benchmark::DoNotOptimize(s.page.box.TextBottom());
    }
    ResizeBox(s.page.box, kWidth);
}
BENCHMARK(BM_Ours_RelayoutNewWidth)->Unit(benchmark::kMillisecond);

void BM_Ours_Repaint(benchmark::State& state) {
    Page& s = Shared();
    ResizeBox(s.page.box, kWidth);
    TBoxLook look;
    look.background = Qt::white;
    QImage img(kWidth, kViewH, QImage::Format_ARGB32_Premultiplied);
    const int top = s.page.box.TextBottom() / 2;
    for (auto _ : state) {
        QPainter p(&img);
        p.translate(0, -top);
        PaintBox(p, s.page.box, s.metrics, look, QRect(0, top, kWidth, kViewH));
    }
}
BENCHMARK(BM_Ours_Repaint)->Unit(benchmark::kMillisecond);

// The first paint after a layout also compares every run with its
// characters' widths.
void BM_Ours_RepaintAfterLayout(benchmark::State& state) {
    Page& s = Shared();
    ResizeBox(s.page.box, kWidth);
    TBoxLook look;
    look.background = Qt::white;
    QImage img(kWidth, kViewH, QImage::Format_ARGB32_Premultiplied);
    const int top = s.page.box.TextBottom() / 2;
    for (auto _ : state) {
        state.PauseTiming();
        for (auto& p : s.page.box.paragraphs) std::fill(p->linesChecked.begin(), p->linesChecked.end(), 0);
        state.ResumeTiming();
        QPainter p(&img);
        p.translate(0, -top);
        PaintBox(p, s.page.box, s.metrics, look, QRect(0, top, kWidth, kViewH));
    }
}
BENCHMARK(BM_Ours_RepaintAfterLayout)->Unit(benchmark::kMillisecond);

// --- QTextDocument ------------------------------------------------------------------

void BM_Qt_ReadAndLayout(benchmark::State& state) {
    const QString& html = PageHtml();
    for (auto _ : state) {
        QTextDocument doc;
        doc.setDefaultFont(QtFont({"Times New Roman", 0, 0, 10, 0}));
        doc.setDocumentMargin(0);
        doc.setHtml(html);
        LayOut(doc, kWidth);
    }
    state.counters["height"] = SharedDoc().size().height();
}
BENCHMARK(BM_Qt_ReadAndLayout)->Unit(benchmark::kMillisecond);

void BM_Qt_RelayoutNewWidth(benchmark::State& state) {
    QTextDocument& doc = SharedDoc();
    bool narrow = false;
    for (auto _ : state) {
        narrow = !narrow;
        LayOut(doc, narrow ? kNarrow : kWidth);
    }
    LayOut(doc, kWidth);
}
BENCHMARK(BM_Qt_RelayoutNewWidth)->Unit(benchmark::kMillisecond);

void BM_Qt_Repaint(benchmark::State& state) {
    QTextDocument& doc = SharedDoc();
    LayOut(doc, kWidth);
    QImage img(kWidth, kViewH, QImage::Format_ARGB32_Premultiplied);
    const qreal top = doc.size().height() / 2;
    for (auto _ : state) {
        QPainter p(&img);
        p.fillRect(QRect(0, 0, kWidth, kViewH), Qt::white);
        p.translate(0, -top);
        doc.drawContents(&p, QRectF(0, top, kWidth, kViewH));
    }
}
BENCHMARK(BM_Qt_Repaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
