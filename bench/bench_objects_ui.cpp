// A page of 1,000 embedded objects (comment markers, text boxes, buttons
// and check boxes, 25 to a paragraph) in the frame set. Timed: building the
// page and its first layout (ShowPage), switching to view mode and back,
// and the relayout after one object's property changes (a button's caption,
// through ApplyProperties). The peer, in the same run, is the same number of
// real controls (QPushButton, QLineEdit, QCheckBox, QLabel for the markers)
// made in a QWidget with a flow of rows, shown and laid out. Objects here are
// painted: only an object in use owns a widget. Ratios are printed at the
// end. Run with QT_QPA_PLATFORM=offscreen (set when missing).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/NYXset.h"
#include "present/ObjectInsert.h"
#include "present/ObjectProperties.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/ui/BoxWidget.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1200, kHeight = 900;
constexpr int kObjects = 1000, kPerParagraph = 25;

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
    double oursBuild = 0, qtBuild = 0, oursView = 0, qtView = 0, oursChange = 0, qtChange = 0;
} results;

std::string Tag(const model::TNYXoggetto& o) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(o.Reference()));
    return b;
}

// Page 0: the 1,000 objects; page 1: a short page to leave to.
struct ThousandObjects {
    model::TNYXset set;
    ThousandObjects() {
        set.NewHypertext();
        auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        page->SetName("Mille oggetti");
        std::string text;
        const struct {
            model::TOggettiHel type;
            int sub;
        } kinds[] = {{model::shortObj, 10}, {model::inputStat, 1}, {model::bottoneCGI, 0}, {model::inputStat, 7}};
        for (int i = 0; i < kObjects; ++i) {
            if (i % kPerParagraph == 0) text += "<Z S0 >Riga " + std::to_string(i / kPerParagraph) + " ";
            const auto& k = kinds[i % 4];
            model::TNYXoggetto* o = set.NewObject(k.type);
            present::SetNewObjectDefaults(*o, k.type, k.sub);
            text += Tag(*o) + " ";
        }
        page->SetText(text);
        set.NewObject(model::testoHtml)->SetName("Breve");
    }
};

ThousandObjects& Fixture() {
    static ThousandObjects f;
    return f;
}

void BM_Ours_ThousandObjects(benchmark::State& state) {
    ThousandObjects& page = Fixture();
    present::ui::TInsiemeCornici fs;
    fs.resize(kWidth, kHeight);
    fs.SetLinkedNYXset(&page.set);
    fs.show();
    Settle();
    std::vector<double> build, view, change;
    for (auto _ : state) {
        fs.SetReadOnly(false);
        fs.ShowPage(1);
        Settle();
        auto t0 = Clock::now();
        fs.ShowPage(0);
        Settle();
        auto t1 = Clock::now();
        build.push_back(Ms(t0, t1));
        state.SetIterationTime(Ms(t0, t1) / 1000.0);

        t0 = Clock::now();
        fs.SetReadOnly(true);
        Settle();
        t1 = Clock::now();
        fs.SetReadOnly(false);
        Settle();
        view.push_back(Ms(t0, t1));

        // One button's caption, as the properties dialog's OK applies it.
        richtext::ui::TNYXpageView* v = fs.CurrentView();
        richtext::TNYXembedded* e = v ? v->Box().paragraphs[20]->Objects()[2] : nullptr;
        if (!e) {
            state.SkipWithError("no object");
            return;
        }
        present::TObjectProperties p(*e->Record());
        p.SetValue("etichetta", "Etichetta " + std::to_string(change.size()));
        t0 = Clock::now();
        present::ApplyProperties(v->Box(), *e, p);
        v->EditedOutside(true);
        Settle();
        t1 = Clock::now();
        change.push_back(Ms(t0, t1));
    }
    results.oursBuild = Median(build);
    results.oursView = Median(view);
    results.oursChange = Median(change);
    state.counters["build_ms"] = results.oursBuild;
    state.counters["view_ms"] = results.oursView;
    state.counters["change_ms"] = results.oursChange;
}
BENCHMARK(BM_Ours_ThousandObjects)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_Qt_ThousandWidgets(benchmark::State& state) {
    std::vector<double> build, view, change;
    for (auto _ : state) {
        auto t0 = Clock::now();
        auto page = std::make_unique<QWidget>();
        page->resize(kWidth, kHeight);
        auto* column = new QVBoxLayout(page.get());
        QHBoxLayout* row = nullptr;
        QPushButton* button = nullptr;
        std::vector<QWidget*> controls;
        for (int i = 0; i < kObjects; ++i) {
            if (i % kPerParagraph == 0) {
                row = new QHBoxLayout;
                column->addLayout(row);
                row->addWidget(new QLabel(QStringLiteral("Riga %1").arg(i / kPerParagraph)));
            }
            QWidget* w = nullptr;
            switch (i % 4) {
                case 0: w = new QLabel(QStringLiteral("#")); break;
                case 1: w = new QLineEdit; break;
                case 2: w = new QPushButton(QStringLiteral("Bottone")); break;
                default: w = new QCheckBox; break;
            }
            if (i == 20 * kPerParagraph + 2) button = static_cast<QPushButton*>(w);
            row->addWidget(w);
            controls.push_back(w);
        }
        page->show();
        Settle();
        auto t1 = Clock::now();
        build.push_back(Ms(t0, t1));
        state.SetIterationTime(Ms(t0, t1) / 1000.0);

        // The peer's view mode: every control made read-only or disabled.
        t0 = Clock::now();
        for (QWidget* w : controls) w->setEnabled(false);
        Settle();
        t1 = Clock::now();
        for (QWidget* w : controls) w->setEnabled(true);
        Settle();
        view.push_back(Ms(t0, t1));

        t0 = Clock::now();
        if (button) button->setText(QStringLiteral("Etichetta %1").arg(change.size()));
        Settle();
        t1 = Clock::now();
        change.push_back(Ms(t0, t1));
    }
    results.qtBuild = Median(build);
    results.qtView = Median(view);
    results.qtChange = Median(change);
    state.counters["build_ms"] = results.qtBuild;
    state.counters["view_ms"] = results.qtView;
    state.counters["change_ms"] = results.qtChange;
}
BENCHMARK(BM_Qt_ThousandWidgets)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

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
    const auto line = [](const char* what, double ours, double qt, const char* target) {
        if (ours > 0 && qt > 0)
            std::printf("%s: %.2f ms (target %s); %d Qt controls: %.2f ms; ratio %.2f\n", what, ours, target, kObjects,
                        qt, ours / qt);
    };
    line("1,000 objects, build and first layout", results.oursBuild, results.qtBuild, "< 300");
    line("1,000 objects, to view mode", results.oursView, results.qtView, "< 100");
    line("1,000 objects, one property change", results.oursChange, results.qtChange, "< 5");
    return 0;
}
