// Keystroke to repaint in the desktop's rich-text box: key events typing a
// sentence over and over, sent to the box in the middle of the generated
// 2,000-paragraph page, the model change,
// the relayout of the paragraph and the repaint of the damaged rectangle
// (the event loop run until nothing is pending), 500 keystrokes, median and
// 99th percentile. The peer is QTextEdit showing the same page (as HTML)
// and receiving the same key events in the same run. Undo of a bold applied
// to the whole page is timed through the box's undo list. Run with
// QT_QPA_PLATFORM=offscreen (set when missing).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "BoxHtml.h"
#include "QtBenchMain.h"
#include "richtext/Layout.h"
#include "richtext/SamplePage.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"

namespace {

using namespace richtext;
using namespace richtext::ui;

constexpr int kWidth = 820, kHeight = 620;
constexpr int kKeys = 500;
// What is typed: words and blanks, so that the line breaks as text does.
constexpr const char kTyped[] = "ecco una frase scritta a mano, parola per parola. ";

QChar TypedChar(int k) { return QChar::fromLatin1(kTyped[k % (sizeof kTyped - 1)]); }
int TypedKey(int k) {
    const char c = kTyped[k % (sizeof kTyped - 1)];
    return c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : c == ' ' ? Qt::Key_Space : c == ',' ? Qt::Key_Comma : Qt::Key_Period;
}
constexpr std::int32_t kPara = 1001;

class Quiet : public TMarkupProblemSink {
    void Report(const TMarkupDiagnostics&) override {}
};

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void Percentiles(benchmark::State& state, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) return;
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters["max_ms"] = ms.back();
}

// The box widget over the sample page's objects.
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
        undo.SetDepth(20);
        w.SetUndoList(&undo);
        w.show();
        Settle();
        w.LoadText(LongSamplePageText());
        w.Editing().SetCaret({kPara, 40});
        w.setFocus();
        w.ScrollToCaret();
        Settle();
    }
};

void BM_Ours_KeystrokeToRepaint(benchmark::State& state) {
    std::vector<double> ms;
    double paintedRows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<OurEditor>();
        state.ResumeTiming();
        for (int k = 0; k < kKeys; ++k) {
            const QString text(TypedChar(k));
            const auto t0 = std::chrono::steady_clock::now();
            QKeyEvent key(QEvent::KeyPress, TypedKey(k), Qt::NoModifier, text);
            QApplication::sendEvent(&e->w, &key);
            Settle();
            const auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            paintedRows += e->w.LastPaintedRect().height();
        }
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
    Percentiles(state, ms);
    state.counters["painted_rows"] = ms.empty() ? 0 : paintedRows / static_cast<double>(ms.size());
}
BENCHMARK(BM_Ours_KeystrokeToRepaint)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Qt_QTextEditKeystrokeToRepaint(benchmark::State& state) {
    TSamplePage sample;
    Quiet q;
    LoadBox(sample.box, 0, LongSamplePageText(), {}, {}, &q);
    const QString html = bench::Html(sample.box);
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = std::make_unique<QTextEdit>();
        edit->resize(kWidth, kHeight);
        edit->setHtml(html);
        edit->show();
        QTextCursor c(edit->document()->findBlockByNumber(kPara));
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 40);
        edit->setTextCursor(c);
        edit->setFocus();
        edit->ensureCursorVisible();
        Settle();
        state.ResumeTiming();
        for (int k = 0; k < kKeys; ++k) {
            const QString text(TypedChar(k));
            const auto t0 = std::chrono::steady_clock::now();
            QKeyEvent key(QEvent::KeyPress, TypedKey(k), Qt::NoModifier, text);
            QApplication::sendEvent(edit.get(), &key);
            Settle();
            const auto t1 = std::chrono::steady_clock::now();
            ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        }
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
    Percentiles(state, ms);
}
BENCHMARK(BM_Qt_QTextEditKeystrokeToRepaint)->Unit(benchmark::kMillisecond)->Iterations(3);

// Select all, bold, then one undo through the box (restore, relayout, repaint).
void BM_Ours_UndoSelectAllBold(benchmark::State& state) {
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        auto e = std::make_unique<OurEditor>();
        e->w.SelectAll();
        e->w.Attributes().AddRemoveStyle(kBold, 0);
        Settle();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        e->w.Undo(1);
        Settle();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        state.PauseTiming();
        e.reset();
        state.ResumeTiming();
    }
    Percentiles(state, ms);
}
BENCHMARK(BM_Ours_UndoSelectAllBold)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
