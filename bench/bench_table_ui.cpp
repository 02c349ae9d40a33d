// Tables of one-line cells: a 200 x 20 table (4,000 cells) read from its
// markup and laid out at 800 pixels, a keystroke in a middle cell laid out
// and its cell repainted, the memory the open table takes, and the 200 x 50
// maximum. The peer is QTextDocument with a QTextTable of the same size
// (insertion and layout; a keystroke through QTextCursor) in the same run.
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "model/NYXset.h"
#include "present/TableChoices.h"
#include "present/TableLayout.h"
#include "richtext/Editing.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/Navigation.h"
#include "richtext/TextAttributes.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/QtMetrics.h"
#include "QtBenchMain.h"

namespace {

using namespace richtext;

constexpr int kWidth = 800;

class Quiet : public TMarkupProblemSink {
    void Report(const TMarkupDiagnostics&) override {}
};

// The page's host: tables are laid out as grids.
struct TableHost : TLayoutHost {
    bool MeasureObject(TNYXembedded& e, std::int32_t w) override {
        if (e.IsTable()) {
            present::LayoutTableObject(e, w, this);
            return true;
        }
        return TLayoutHost::MeasureObject(e, w);
    }
};

long RssKb() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, rss = 0;
    f >> pages >> rss;
    return rss * 4;
}

// A page holding one table of rows x cols, as the dialog makes it.
struct TablePage {
    TablePage(int rows, int cols) {
        set.NewHypertext();
        model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
        present::TNewTableChoices c;
        c.rows = rows;
        c.columns = cols;
        c.style = 2;
        c.Apply(*t);
        id = registry.Add(std::make_unique<TNYXembedded>(t))->Id();
        char b[16];
        std::snprintf(b, sizeof b, "<$FF%06X>", static_cast<unsigned>(id));
        text = std::string("<Z S0 >Prima della tabella<Z S0 >") + b;
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k < cols; ++k) text += "<Z S1 >cella " + std::to_string(r) + "." + std::to_string(k) + "<T>";
        text += "<Z S0 >Dopo la tabella";
        text += '\0';
    }
    void Open() {
        box = std::make_unique<TNYXbox>(&set, &registry, &metrics);
        box->host = &host;
        box->layoutWidth = kWidth;
        registry.NewGeneration();
        Quiet q;
        LoadBox(*box, 0, text, {}, {}, &q);
    }
    TNYXembedded& Table() { return *registry.Find(id); }

    model::TNYXset set;
    TNYXundoIndiciList registry;
    ui::TQtTextMetrics metrics;
    TableHost host;
    std::unique_ptr<TNYXbox> box;
    std::int32_t id = -1;
    std::string text;
};

void BM_Ours_Open(benchmark::State& state) {
    TablePage page(200, static_cast<int>(state.range(0)));
    const long before = RssKb();
    for (auto _ : state) {
        page.Open();
        benchmark::DoNotOptimize(page.box->TextBottom());
    }
    state.counters["cells"] = static_cast<double>(page.Table().Cells().size());
    state.counters["height"] = page.Table().height;
    state.counters["rss_kb"] = static_cast<double>(RssKb() - before);
}
BENCHMARK(BM_Ours_Open)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_Ours_Keystroke(benchmark::State& state) {
    TablePage page(200, 20);
    page.Open();
    TNYXbox& cell = *page.Table().CellAt(100, 10);
    TNYXTextAttributes attrs(cell);
    TNYXediting edit(cell, attrs);
    edit.SetCaret(TextEnd(cell));
    QImage img(cell.layoutWidth + 1, cell.cellHeight + 1, QImage::Format_ARGB32_Premultiplied);
    ui::TBoxLook look;
    look.transparent = true;
    const std::int32_t para = present::HolderParagraph(page.Table());
    bool type = true;
    for (auto _ : state) {
        // A character typed, then taken back: the cell stays one line.
        if (type) edit.InsertChar('x');
        else edit.Backspace();
        type = !type;
        page.box->Layout(para, para);
        QPainter p(&img);
        ui::PaintParagraphs(p, cell, page.metrics, look, QRect(0, 0, img.width(), img.height()));
        benchmark::DoNotOptimize(page.Table().height);
    }
}
BENCHMARK(BM_Ours_Keystroke)->Unit(benchmark::kMicrosecond);

// --- the peer ---------------------------------------------------------------------

std::unique_ptr<QTextDocument> PeerDoc(int rows, int cols) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(ui::QtFont({"Times New Roman", 0, 0, 10, 0}));
    QTextCursor cur(doc.get());
    cur.insertText(QStringLiteral("Prima della tabella"));
    QTextTableFormat fmt;
    fmt.setCellSpacing(0);
    fmt.setCellPadding(2);
    fmt.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    QTextTable* t = cur.insertTable(rows, cols, fmt);
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < cols; ++k) {
            QTextCursor c = t->cellAt(r, k).firstCursorPosition();
            c.insertText(QStringLiteral("cella %1.%2").arg(r).arg(k));
        }
    doc->setTextWidth(kWidth);
    benchmark::DoNotOptimize(doc->documentLayout()->documentSize());
    return doc;
}

void BM_Peer_Open(benchmark::State& state) {
    const long before = RssKb();
    std::unique_ptr<QTextDocument> doc;
    for (auto _ : state) {
        doc.reset();
        doc = PeerDoc(200, static_cast<int>(state.range(0)));
    }
    state.counters["rss_kb"] = static_cast<double>(RssKb() - before);
}
BENCHMARK(BM_Peer_Open)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_Peer_Keystroke(benchmark::State& state) {
    std::unique_ptr<QTextDocument> doc = PeerDoc(200, 20);
    QTextTable* t = nullptr;
    for (QTextFrame* f : doc->rootFrame()->childFrames())
        if ((t = qobject_cast<QTextTable*>(f))) break;
    QTextCursor cur = t->cellAt(100, 10).lastCursorPosition();
    QImage img(200, 40, QImage::Format_ARGB32_Premultiplied);
    bool type = true;
    for (auto _ : state) {
        if (type) cur.insertText(QStringLiteral("x"));
        else cur.deletePreviousChar();
        type = !type;
        const QRectF r = doc->documentLayout()->frameBoundingRect(t);
        QPainter p(&img);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = QRectF(0, r.top() + r.height() / 2, 200, 40);
        p.translate(0, -ctx.clip.top());
        doc->documentLayout()->draw(&p, ctx);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Peer_Keystroke)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
