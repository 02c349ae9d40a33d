#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectInsert.h"
#include "present/TableChoices.h"
#include "present/TableData.h"
#include "present/TableLayout.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TableBox.h"

using namespace present;

namespace {

// Cells that need a given width (a wide word, a picture) and are 20 high.
struct FakeCells : TCellSizer {
    std::map<std::pair<int, int>, std::int32_t> needs;
    std::map<std::pair<int, int>, std::int32_t> laidAt;
    std::int32_t Lay(int r, int c, std::int32_t w) override {
        laidAt[{r, c}] = w;
        auto it = needs.find({r, c});
        return it == needs.end() ? w : std::max(w, it->second);
    }
    std::int32_t Height(int, int) override { return 20; }
};

TGridInput Grid(int spacing, std::vector<int> rules, std::vector<std::int32_t> widths, int rows = 1) {
    TGridInput in;
    in.rows = rows;
    in.columns = static_cast<int>(rules.size());
    in.spacing = spacing;
    in.rules = std::move(rules);
    in.widths = std::move(widths);
    return in;
}

TEST(TableLayout, ColumnWidths) {
    struct Case {
        const char* name;
        TGridInput in;
        std::int32_t width;
        std::map<std::pair<int, int>, std::int32_t> needs;
        std::vector<std::int32_t> expect;
        std::int32_t tableWidth;
    };
    const Case cases[] = {
        {"300 wide at 50/50", Grid(2, {0, 0}, {50, 50}), 300, {}, {147, 147}, 300},
        {"33/33/34 carries the remainders", Grid(0, {0, 0, 0}, {33, 33, 33}), 100, {}, {33, 33, 34}, 100},
        {"a fixed column holding a wider picture", Grid(0, {1, 0}, {50, 100}), 300, {{{0, 0}, 120}}, {120, 180}, 300},
        {"an empty free column takes what is left", Grid(2, {1, 2}, {40, 0}), 200, {}, {40, 154}, 200},
        {"a free column is at least 30", Grid(0, {1, 2, 0}, {100, 0, 100}), 100, {}, {100, 30, 0}, 130},
        {"all percentages 0 share evenly", Grid(0, {0, 0}, {0, 0}), 100, {}, {50, 50}, 100},
        {"a table too narrow for its spacing", Grid(10, {0, 0}, {50, 50}), 5, {}, {5, 5}, 40},
        {"a percentage column widened by its content", Grid(0, {0, 0}, {50, 50}), 100, {{{0, 1}, 80}}, {50, 80}, 130},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        FakeCells cells;
        cells.needs = k.needs;
        const TGridResult g = LayoutGrid(k.in, k.width, cells);
        EXPECT_EQ(g.width, k.expect);
        EXPECT_EQ(g.tableWidth, k.tableWidth);
        // Every cell ends up laid out at its column's width.
        for (int c = 0; c < k.in.columns; ++c) EXPECT_EQ((cells.laidAt[{0, c}]), g.width[static_cast<std::size_t>(c)]);
    }
}

TEST(TableLayout, RowsStackFromTheSpacing) {
    FakeCells cells;
    const TGridResult g = LayoutGrid(Grid(3, {0}, {100}, 3), 50, cells);
    EXPECT_EQ(g.top, (std::vector<std::int32_t>{3, 26, 49}));
    EXPECT_EQ(g.tableHeight, 72);
}

TEST(TableLayout, PercentagesAlwaysFillTheRemainder) {
    for (std::int32_t R : {0, 1, 7, 99, 100, 294, 1001})
        for (const std::vector<std::int32_t>& w : {std::vector<std::int32_t>{33, 33, 33}, {1, 2, 3, 4}, {0, 0, 0}, {100}, {7, 0, 13}}) {
            std::int32_t sum = 0;
            for (std::int32_t s : SharePercentages(R, w)) sum += s;
            EXPECT_EQ(sum, R);
        }
}

TEST(TableLayout, NextCellAtTheCorners) {
    // 3 x 4 grid; the four corners in the eight directions.
    struct Case {
        TCell from;
        int dir;
        TCell to;
    };
    const Case cases[] = {
        {{0, 0}, 1, {0, 0}}, {{0, 0}, 2, {0, 1}}, {{0, 0}, 3, {0, 0}}, {{0, 0}, 4, {1, 0}},
        {{0, 3}, 2, {1, 0}}, {{0, 3}, 3, {0, 3}}, {{1, 0}, 1, {0, 3}}, {{2, 3}, 2, {2, 3}},
        {{2, 3}, 4, {2, 3}}, {{2, 0}, 4, {2, 0}}, {{2, 0}, 1, {1, 3}}, {{1, 1}, 5, {2, 3}},
        {{1, 1}, 6, {0, 0}}, {{1, 1}, 7, {2, 0}}, {{2, 3}, 8, {0, 0}}, {{0, 0}, 9, {0, 0}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.from.row << "," << k.from.column << " dir " << k.dir);
        EXPECT_EQ(NextCell(3, 4, k.from, k.dir), k.to);
    }
}

TEST(TableLayout, WidthsForTheAvailableWidthAndAfterAResize) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    t->SetByte(89, 50);
    EXPECT_EQ(TableWidthFor(*t, 600, 0), 300);
    EXPECT_EQ(TableWidthFor(*t, -5, 0), 0);
    // A resize in a paragraph of width 0 leaves the percentage alone.
    EXPECT_EQ(EndResizeWidth(*t, 200, 0), 200);
    EXPECT_EQ(t->Byte(89), 50);
    EXPECT_EQ(EndResizeWidth(*t, 450, 600), 450);
    EXPECT_EQ(t->Byte(89), 75);
    t->SetByte(55, 0);
    EXPECT_EQ(EndResizeWidth(*t, 321, 600), 321);
    EXPECT_EQ(TableWidthFor(*t, 600, 0), 321);  // the new width survives a reload
}

TEST(TableLayout, RulerDrag) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    TNewTableChoices ch;
    ch.rows = 1;
    ch.columns = 2;
    ch.Apply(*t);  // 50 % + 50 %, table at 100 %
    EXPECT_EQ(RulerLabel(*t, 0, 147), "50%");
    // The same width, or a table narrower than 10 pixels: nothing.
    EXPECT_EQ(ApplyColumnDrag(*t, 0, 300, 149, 149, {147, 147}), -1);
    EXPECT_EQ(ApplyColumnDrag(*t, 0, 20, 149, 130, {147, 147}), -1);
    // A table width of 0 (never laid out) divides by nothing.
    EXPECT_EQ(ApplyColumnDrag(*t, 0, 0, 0, 30, {0, 0}), 30);
    t->SetByte(89, 100);
    t->SetByte(5, TTableData::kFree);
    EXPECT_EQ(RulerLabel(*t, 0, -1), "*");
    EXPECT_EQ(ApplyColumnDrag(*t, 0, 300, 149, 99, {147, 147}), 250);
    EXPECT_EQ(t->Byte(5), TTableData::kFixed);
    EXPECT_EQ(t->Word(97), 97);
    EXPECT_EQ(t->Byte(89), 83);
    EXPECT_EQ(RulerLabel(*t, 0, 97), "97");
    // A fixed column shrunk below 0 stays at 0.
    EXPECT_EQ(ApplyColumnDrag(*t, 0, 300, 149, 10, {5, 147}), 161);
    EXPECT_EQ(t->Word(97), 0);
}

TEST(TableChoices, TwelveStylesOnThreeByThree) {
    const std::int32_t F = 0x0000FF, S = 0x00FF00, _ = -1;
    const std::vector<std::int32_t> expect[kTableStyles] = {
        {_, _, _, _, _, _, _, _, _}, {S, S, S, _, _, _, S, S, S}, {S, S, S, F, F, F, S, S, S},
        {S, _, S, S, _, S, S, _, S}, {S, F, S, S, F, S, S, F, S}, {S, _, _, S, _, _, S, _, _},
        {_, _, S, _, _, S, _, _, S}, {S, S, S, S, _, _, S, _, _}, {S, S, S, _, _, S, _, _, S},
        {_, _, S, _, _, S, S, S, S}, {S, _, _, S, _, _, S, S, S}, {S, S, F, _, _, F, S, S, F},
    };
    for (int s = 0; s < kTableStyles; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(StyleBackgrounds(s, 3, 3, F, S), expect[s]);
    }
    int coloured = 0;
    for (std::int32_t v : expect[7]) coloured += v != -1;
    EXPECT_EQ(coloured, 5);
}

TEST(TableChoices, NewTableRecord) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    TNewTableChoices ch;
    ch.columns = 7;
    ch.style = 4;
    ch.border = true;
    ch.usePicture = true;
    ch.picture = PictureBackground(3);
    EXPECT_EQ(ch.Check(), "");
    ch.Apply(*t);
    const TTableData td(*t);
    EXPECT_EQ(t->Byte(66), 4);
    EXPECT_EQ(td.Rows(), 3);
    EXPECT_EQ(td.Columns(), 7);
    EXPECT_EQ(td.Border(), 1);
    EXPECT_EQ(td.Spacing(), 0);
    EXPECT_EQ(td.ColumnRule(6), TTableData::kPercent);
    EXPECT_EQ(td.ColumnWidth(6), 14);
    EXPECT_EQ(td.PercentWidth(), 98);
    EXPECT_TRUE(td.WidthIsPercent());
    const auto bgs = ReadBackgrounds(*t);
    ASSERT_EQ(bgs.size(), 21u);
    EXPECT_EQ(bgs[0], 0x3000003);
    EXPECT_EQ(bgs[1], 0xFFFFFF);
    for (auto [rows, cols] : {std::pair{0, 3}, {201, 3}, {3, 0}, {3, 51}}) {
        ch.rows = rows;
        ch.columns = cols;
        EXPECT_NE(ch.Check(), "");
    }
}

// A table made by "Nuova tabella" once carried subtype 0, the mark of an
// empty slot: the save dropped its cell backgrounds and the next new table
// took its slot.
TEST(TableChoices, NewTableWasAnEmptySlotAndLostItsBackgroundsOnSave) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    // As the insertion does: the new object's defaults, then the dialog's choices.
    SetNewObjectDefaults(*t, model::tabellaHtml, 0);
    TNewTableChoices ch;
    ch.style = 7;
    ch.second = 0x0000FF;
    ch.Apply(*t);
    EXPECT_FALSE(t->IsEmpty());
    const std::uint32_t slot = t->Index();
    model::TNYXoggetto* other = set.NewObject(model::tabellaHtml);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other->Index(), slot);
    const auto file = tmp.path() / "tabella.nyx";
    ASSERT_TRUE(set.SaveToFile(file));
    model::TNYXset back;
    ASSERT_TRUE(back.LoadFromFile(file));
    const model::TNYXoggetto* read = back.ObjectAt(model::tabellaHtml, static_cast<int>(slot));
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(read->IsEmpty());
    EXPECT_EQ(read->Byte(66), 7);
    EXPECT_EQ(ReadBackgrounds(*read), StyleBackgrounds(7, 3, 3, ch.first, ch.second));
}

TEST(TableChoices, ApplyToTargets) {
    auto cells = [](int target) {
        std::string s;
        for (TCell c : ApplyTargets(target, 4, 5, {1, 2})) s += std::to_string(c.row) + std::to_string(c.column) + " ";
        return s;
    };
    EXPECT_EQ(cells(0), "");
    EXPECT_EQ(cells(1), "12 ");
    EXPECT_EQ(cells(2), "10 11 12 13 14 ");
    EXPECT_EQ(cells(3), "02 12 22 32 ");
    EXPECT_EQ(cells(4), "10 12 14 ");
    EXPECT_EQ(cells(5), "02 22 ");
    EXPECT_EQ(cells(6), "11 13 ");
    EXPECT_EQ(cells(7), "12 32 ");
    EXPECT_TRUE(ApplyTargets(1, 4, 5, {4, 0}).empty());  // no such cell
}

TEST(TableChoices, ShortBackgroundStreamLeavesTheRestTransparent) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* t = set.NewObject(model::tabellaHtml);
    t->SetByte(93, 2);
    t->SetByte(94, 2);
    t->SetFirstStream(std::string("\x01\x02\x03\x00\x04\x05", 6));  // one value and a half
    EXPECT_EQ(ReadBackgrounds(*t), (std::vector<std::int32_t>{0x030201, -1, -1, -1}));
    TTableProperties p = TTableProperties::Of(*t, 1);
    p.backgroundKind = 1;  // a picture without a picture gives the colour
    p.colour = 0x123456;
    p.applyTo = 3;
    p.Apply(*t, {0, 1});
    EXPECT_EQ(ReadBackgrounds(*t), (std::vector<std::int32_t>{0x030201, 0x123456, -1, 0x123456}));
}

// --- a table shown in a box -----------------------------------------------------------

class TableBoxTest : public ::testing::Test {
protected:
    richtext::TSamplePage page;
    richtext::TNYXembedded* e = nullptr;

    // A page holding one table of rows x cols, cell k holding "ck".
    std::string TableText(int rows, int cols, model::TNYXoggetto** rec = nullptr) {
        model::TNYXoggetto* t = page.set.NewObject(model::tabellaHtml);
        t->SetByte(93, static_cast<std::uint8_t>(rows));
        t->SetByte(94, static_cast<std::uint8_t>(cols));
        if (rec) *rec = t;
        e = page.registry.Add(std::make_unique<richtext::TNYXembedded>(t));
        char b[16];
        std::snprintf(b, sizeof b, "<$FF%06X>", static_cast<unsigned>(e->Id()));
        std::string s = std::string("<Z S0 >prima<Z S0 >") + b;
        for (int k = 0; k < rows * cols; ++k) s += "<Z S1 >c" + std::to_string(k) + "<T>";
        return s + "<Z S0 >dopo" + '\0';
    }
    TTableGrid Grid() { return TTableGrid(*e, page.box); }
    std::string CellText(int r, int c) { return e->CellAt(r, c) ? e->CellAt(r, c)->paragraphs[0]->text : "-"; }
};

TEST_F(TableBoxTest, LaysOutCellsInsideTheTable) {
    model::TNYXoggetto* t = nullptr;
    page.Read(TableText(2, 2, &t));
    t->SetByte(89, 100);
    for (int c = 0; c < 2; ++c) {
        t->SetByte(5 + static_cast<std::size_t>(c), 0);
        t->SetWord(97 + 2 * static_cast<std::size_t>(c), 50);
    }
    LayoutTableObject(*e, 300);
    EXPECT_EQ(e->width, 300);
    richtext::TNYXbox* c01 = e->CellAt(0, 1);
    ASSERT_NE(c01, nullptr);
    EXPECT_EQ(c01->cellLeft, 151);
    EXPECT_EQ(c01->layoutWidth, 147);
    EXPECT_EQ(c01->cellPadding, 2);
    EXPECT_GT(e->CellAt(1, 0)->cellTop, c01->cellTop);
    EXPECT_EQ(e->height, 2 + 2 * (c01->cellHeight + 2));
}

TEST_F(TableBoxTest, AddAndDeleteKeepCellsAndRecordInStep) {
    model::TNYXoggetto* t = nullptr;
    page.Read(TableText(2, 3, &t));
    WriteBackgrounds(*t, {1, 2, 3, 4, 5, 6});
    std::string msg;
    ASSERT_TRUE(Grid().AddColumns(1, 2, msg));
    EXPECT_EQ(t->Byte(94), 5);
    EXPECT_EQ(CellText(0, 0), "c0");
    EXPECT_EQ(CellText(0, 1), "");
    EXPECT_EQ(CellText(1, 3), "c4");
    EXPECT_EQ(t->Byte(5 + 1), TTableData::kPercent);
    EXPECT_EQ(t->Word(97 + 2), 10);
    EXPECT_EQ(ReadBackgrounds(*t), (std::vector<std::int32_t>{1, -1, -1, 2, 3, 4, -1, -1, 5, 6}));
    ASSERT_TRUE(Grid().DeleteColumns(1, 2));
    ASSERT_TRUE(Grid().AddRows(0, 1, msg));
    EXPECT_EQ(CellText(1, 0), "c0");
    ASSERT_TRUE(Grid().DeleteRows(0, 0));
    EXPECT_EQ(ReadBackgrounds(*t), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
    // Deleting the whole table's rows or columns, or outside it, is refused.
    EXPECT_FALSE(Grid().DeleteRows(0, 1));
    EXPECT_FALSE(Grid().DeleteColumns(0, 2));
    EXPECT_FALSE(Grid().DeleteColumns(2, 3));
    EXPECT_FALSE(Grid().DeleteRows(-1, 0));
    // What the box writes reads back as the same table.
    const std::string out = richtext::BoxText(page.box);
    EXPECT_EQ(page.Read(out), out);
    EXPECT_EQ(CellText(1, 2), "c5");
}

TEST_F(TableBoxTest, ColumnLimitShowsTheMessage) {
    model::TNYXoggetto* t = nullptr;
    page.Read(TableText(1, 50, &t));
    std::string msg;
    EXPECT_FALSE(Grid().AddColumns(0, 1, msg));
    EXPECT_EQ(msg, "Il numero massimo di colonne è limitato.");
    EXPECT_EQ(t->Byte(94), 50);
}

TEST_F(TableBoxTest, RowCountWrapRefusedAt255) {
    model::TNYXoggetto* t = nullptr;
    page.Read(TableText(254, 1, &t));
    std::string msg;
    ASSERT_TRUE(Grid().AddRows(254, 1, msg));
    EXPECT_EQ(t->Byte(93), 255);
    EXPECT_FALSE(Grid().AddRows(0, 1, msg));
    EXPECT_EQ(msg, "Il numero massimo di righe è limitato.");
    EXPECT_EQ(t->Byte(93), 255);
    // The text after the table is still its own paragraph.
    page.Read(richtext::BoxText(page.box));
    EXPECT_EQ(page.box.paragraphs.back()->text, "dopo");
}

TEST_F(TableBoxTest, StoredShapeOutsideTheLimitsKeepsItsCellTexts) {
    // 2 rows of 60 stored columns, and a table of 0 columns: the stored cell
    // texts are read and written back exactly; the grid shows 1 to 50.
    struct Case {
        int rows, cols;
        int shownCols;
    };
    for (const Case k : {Case{2, 60, 50}, Case{3, 0, 1}, Case{0, 4, 4}}) {
        SCOPED_TRACE(testing::Message() << k.rows << "x" << k.cols);
        const std::string in = TableText(k.rows, k.cols);
        EXPECT_EQ(page.Read(in), in);
        EXPECT_EQ(page.box.paragraphs.back()->text, "dopo");
        EXPECT_EQ(e->Columns(), k.shownCols);
        EXPECT_GE(e->Rows(), 1);
        LayoutTableObject(*e, 400);
        EXPECT_GT(e->width, 0);
    }
    // Row 1 of the 60-column table starts with its own first cell.
    page.Read(TableText(2, 60));
    EXPECT_EQ(CellText(1, 0), "c60");
    // The first edit gives the table the shape it shows.
    std::string msg;
    ASSERT_TRUE(Grid().AddRows(0, 1, msg));
    EXPECT_EQ(e->Record()->Byte(94), 50);
    EXPECT_EQ(CellText(2, 0), "c60");
    const std::string out = richtext::BoxText(page.box);
    EXPECT_EQ(page.Read(out), out);
}

TEST_F(TableBoxTest, NestedTableMarkupRoundTrip) {
    model::TNYXoggetto* outer = page.set.NewObject(model::tabellaHtml);
    outer->SetByte(94, 2);
    model::TNYXoggetto* inner = page.set.NewObject(model::tabellaHtml);
    inner->SetByte(93, 2);
    richtext::TNYXembedded* eo = page.registry.Add(std::make_unique<richtext::TNYXembedded>(outer));
    richtext::TNYXembedded* ei = page.registry.Add(std::make_unique<richtext::TNYXembedded>(inner));
    char b[64];
    std::snprintf(b, sizeof b, "<Z S0 ><$FF%06X><Z S1 >a<T><Z S1 ><$FF%06X>", static_cast<unsigned>(eo->Id()),
                  static_cast<unsigned>(ei->Id()));
    const std::string text = std::string(b) + "<Z S1 >x<T><Z S1 >y<T><Z S1 >b<T><Z S0 >dopo" + '\0';
    EXPECT_EQ(page.Read(text), text);
    ASSERT_NE(eo->CellAt(0, 1), nullptr);
    EXPECT_EQ(ei->CellAt(1, 0)->paragraphs[0]->text, "y");
    EXPECT_EQ(ei->CellAt(0, 0)->depth, 2);
    LayoutTableObject(*eo, 400);
    EXPECT_GE(eo->CellAt(0, 1)->layoutWidth, ei->width);
}

}  // namespace
