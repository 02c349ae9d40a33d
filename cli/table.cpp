// nyx table: the tables of a page laid out at a width, with fixed character
// metrics (every character 8 x 16): each table's grid, size, column widths
// and row heights, nested tables indented under their cell.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "present/TableLayout.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"

namespace nyx {
namespace {

struct TableHost : richtext::TLayoutHost {
    bool MeasureObject(richtext::TNYXembedded& e, std::int32_t w) override {
        if (e.IsTable()) {
            present::LayoutTableObject(e, w, this);
            return true;
        }
        return TLayoutHost::MeasureObject(e, w);
    }
};

void PrintTables(const richtext::TNYXbox& box, int depth, int& count) {
    for (const auto& p : box.paragraphs) {
        if (!p->IsTableParagraph()) continue;
        const richtext::TNYXembedded& e = *p->ObjectAt(0);
        const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
        std::printf("%stabella %d: %d x %d, %d x %d pixel, colonne", indent.c_str(), count++, e.Rows(), e.Columns(), e.width,
                    e.height);
        for (int c = 0; c < e.Columns(); ++c)
            if (const richtext::TNYXbox* cell = e.CellAt(0, c)) std::printf(" %d", cell->layoutWidth);
        std::printf(", righe");
        for (int r = 0; r < e.Rows(); ++r)
            if (const richtext::TNYXbox* cell = e.CellAt(r, 0)) std::printf(" %d", cell->cellHeight);
        std::printf("\n");
        for (const auto& cell : e.Cells())
            if (cell) PrintTables(*cell, depth + 1, count);
    }
}

int CmdTable(const Args& a) {
    if (a.size() != 2 && a.size() != 4) return kUsage;
    auto n = ParseInt(a[1]);
    if (!n) return kUsage;
    std::int64_t width = 600;
    if (a.size() == 4) {
        auto w = a[2] == "--width" ? ParseInt(a[3]) : std::nullopt;
        if (!w || *w < 1 || *w > 100000) return kUsage;
        width = *w;
    }
    model::TNYXset set;
    if (!set.LoadFromFile(a[0])) return kFailed;
    auto* page = dynamic_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, *n));
    if (!page || page->IsEmpty()) {
        std::fprintf(stderr, "nyx table: pagina %lld inesistente\n", static_cast<long long>(*n));
        return kFailed;
    }
    class Quiet : public richtext::TMarkupProblemSink {
        void Report(const richtext::TMarkupDiagnostics&) override {}
    } quiet;
    richtext::TFixedMetrics metrics;
    TableHost host;
    richtext::TStoredTextBox reader(set, &metrics);
    reader.box.host = &host;
    reader.box.layoutWidth = static_cast<std::int32_t>(width < 20 ? 20 : width);
    reader.Load(page->HasFirstStream() ? page->Text() : std::string(), &quiet);
    int count = 0;
    PrintTables(reader.box, 0, count);
    if (count == 0) std::printf("nessuna tabella\n");
    return kOk;
}

Registrar r({"table", "tabelle di una pagina impaginate (metriche fisse 8x16)", "nyx table FILE N [--width PIXEL]", CmdTable});

}  // namespace
}  // namespace nyx
