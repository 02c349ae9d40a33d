// Opening the default page order window on a hypertext of 10,000 pages in
// ten chapters: reading the stored tree and filling the tree view. Run with
// QT_QPA_PLATFORM=offscreen; the window should open in under 200 ms.
#include <benchmark/benchmark.h>

#include <QTreeWidget>

#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "shell/ui/PageDialogs.h"
#include "QtBenchMain.h"

namespace {

model::TNYXset& Shared() {
    static model::TNYXset* set = [] {
        auto* s = new model::TNYXset;
        s->NewHypertext();
        for (int i = 0; i < 10000; ++i) s->NewObject(model::testoHtml)->SetName("Pagina " + std::to_string(i));
        model::TNYXorderedTree tree(s, model::testoHtml);
        tree.Reload();
        // Ten chapters of a thousand pages each.
        std::vector<model::TNYXtreeNode*> pages;
        for (const auto& n : tree.RootNode()->Children()) pages.push_back(n.get());
        for (int c = 0; c < 10; ++c) {
            tree.Select(tree.RootNode());
            model::TNYXtreeNode* chapter = tree.AddChapter("Capitolo " + std::to_string(c));
            for (int i = 0; i < 1000; ++i) tree.MoveNode(pages[static_cast<std::size_t>(c * 1000 + i)], chapter);
        }
        tree.Store();
        return s;
    }();
    return *set;
}

void BM_OpenOrderWindow(benchmark::State& state) {
    model::TNYXset& set = Shared();
    for (auto _ : state) {
        shell::ui::TFordinePagine dlg(set);
        dlg.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dlg.View()->topLevelItemCount());
    }
}
BENCHMARK(BM_OpenOrderWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunQtBenchmarks(argc, argv); }
