// The paragraph ruler's markers without a widget: what each drag changes,
// the bounds that hold them, the unit change, and the paragraph operation
// the left marker ends in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "richtext/Markup.h"
#include "richtext/Ruler.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"

using namespace richtext;

namespace {

TKyRuler MmRuler() {
    TKyRuler r;
    r.SetWindow(40, 600);
    r.SetUnit(kMm);
    r.SetValues(5, 20, 10);  // indent 5 mm past a 20 mm left margin, 10 mm on the right
    return r;
}

TEST(Ruler, TheLeftMarkerKeepsTheFirstLineWhereItWas) {
    TKyRuler r = MmRuler();
    const std::int32_t firstLine = r.IndentPos();
    const std::int32_t x = r.WindowStart() + r.LeftPos();
    ASSERT_EQ(r.MarkerAt(x, 8, 20), TRulerMarker::kLeft);
    r.BeginMove(TRulerMarker::kLeft, x);
    r.MoveTo(x + ToPixels(10, kMm));
    EXPECT_EQ(r.GuideX(), r.WindowStart() + r.LeftPos());
    EXPECT_EQ(r.Hint(), "30");
    EXPECT_EQ(r.EndMove(), TRulerChange::kIndentAndLeft);
    EXPECT_NEAR(r.MargLeft(), 30, 0.1);
    EXPECT_NEAR(r.Indent(), -5, 0.1);
    EXPECT_DOUBLE_EQ(r.MargLeft() + r.Indent(), 25);  // the indent dropped by what the margin took
    EXPECT_EQ(r.IndentPos(), firstLine);
    EXPECT_DOUBLE_EQ(r.MargRight(), 10);
}

TEST(Ruler, EachMarkerChangesItsOwnValuesWithinItsBounds) {
    struct Case {
        const char* what;
        TRulerMarker marker;
        std::int32_t dx;
        TRulerChange change;
        double indent, left, right;  // expected, mm (to within a pixel)
    } const cases[] = {
        {"indent right", TRulerMarker::kIndent, ToPixels(10, kMm), TRulerChange::kIndent, 15, 20, 10},
        {"indent past the window's start", TRulerMarker::kIndent, -1000, TRulerChange::kIndent, -20, 20, 10},
        {"square: both move, indent kept", TRulerMarker::kSquare, ToPixels(10, kMm), TRulerChange::kLeft, 5, 30, 10},
        {"square stops where the indent meets the window", TRulerMarker::kSquare, -1000, TRulerChange::kLeft, 5, 0, 10},
        {"right margin in", TRulerMarker::kRight, -ToPixels(20, kMm), TRulerChange::kRight, 5, 20, 30},
        {"right margin past the window's end", TRulerMarker::kRight, 1000, TRulerChange::kRight, 5, 20, 0},
        {"back where it was", TRulerMarker::kIndent, 0, TRulerChange::kNone, 5, 20, 10},
    };
    const double px = FromPixels(1, kMm);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TKyRuler r = MmRuler();
        r.BeginMove(c.marker, 100);
        r.MoveTo(100 + c.dx);
        EXPECT_EQ(r.EndMove(), c.change);
        EXPECT_NEAR(r.Indent(), c.indent, px);
        EXPECT_NEAR(r.MargLeft(), c.left, px);
        EXPECT_NEAR(r.MargRight(), c.right, px);
    }
    // The right margin cannot pass the larger of the left and indent markers.
    TKyRuler r = MmRuler();
    r.BeginMove(TRulerMarker::kRight, 0);
    r.MoveTo(-10000);
    EXPECT_EQ(r.RightPos(), std::max(r.LeftPos(), r.IndentPos()));
    // Nor the left marker the right one.
    r.EndMove();
    r.BeginMove(TRulerMarker::kLeft, 0);
    r.MoveTo(10000);
    EXPECT_EQ(r.LeftPos(), r.RightPos());
    r.CancelMove();
    EXPECT_EQ(r.LeftPos(), ToPixels(20, kMm));
    EXPECT_EQ(r.RightPos(), ToPixels(25, kMm));
}

TEST(Ruler, MarkersAreFoundByTheirBand) {
    TKyRuler r = MmRuler();
    const std::int32_t left = r.WindowStart() + r.LeftPos(), indent = r.WindowStart() + r.IndentPos();
    const std::int32_t right = r.WindowStart() + r.RightPos();
    EXPECT_EQ(r.MarkerAt(indent, 2, 20), TRulerMarker::kIndent);
    EXPECT_EQ(r.MarkerAt(left, 10, 20), TRulerMarker::kLeft);
    EXPECT_EQ(r.MarkerAt(left, 17, 20), TRulerMarker::kSquare);
    EXPECT_EQ(r.MarkerAt(right - 3, 15, 20), TRulerMarker::kRight);
    EXPECT_EQ(r.MarkerAt((left + right) / 2, 15, 20), TRulerMarker::kNone);
    EXPECT_EQ(r.MarkerAt(left, 2, 20), TRulerMarker::kNone);  // the indent stands elsewhere
}

TEST(Ruler, SwitchingToInchesMakesTwelveDivisionsOverTheSamePixels) {
    TKyRuler r = MmRuler();
    const std::int32_t indent = r.IndentPos(), left = r.LeftPos(), right = r.RightPos();
    EXPECT_EQ(r.Divisions(), 10);
    r.SetUnit(kInch);
    EXPECT_EQ(r.Divisions(), 12);
    EXPECT_NEAR(r.MargLeft(), 20 / 25.4, 1e-9);
    EXPECT_EQ(r.IndentPos(), indent);
    EXPECT_EQ(r.LeftPos(), left);
    EXPECT_EQ(r.RightPos(), right);
    for (int u : {kCm, kPixel}) {
        r.SetUnit(u);
        EXPECT_EQ(r.Divisions(), 10);
    }
    for (int u : {kPoint, kPica}) {
        r.SetUnit(u);
        EXPECT_EQ(r.Divisions(), 12);
    }
    r.SetUnit(99);  // no such unit: nothing changes
    EXPECT_EQ(r.Unit(), kPica);
}

struct Labels : TUndoRecorder {
    void Snapshot(const std::string& label, TNYXbox&, std::int32_t, std::int32_t) override { labels.push_back(label); }
    std::vector<std::string> labels;
};

TEST(Ruler, TheLeftMarkersChangeIsOneParagraphStep) {
    TSamplePage page;
    Labels undo;
    page.box.undo = &undo;
    page.Read(std::string("<Z S0 >x") + '\0');
    page.box.caret = {0, 0};
    TNYXParaAttributes para(page.box);
    para.SetUnit(kPixel);
    para.SetLeftMarginAndIndent(30, -10);
    EXPECT_EQ(undo.labels, std::vector<std::string>{"Margine sx 30"});
    EXPECT_EQ(para.Value(pfLeft), 30);
    EXPECT_EQ(para.Value(pfIndent), -10);
}

}  // namespace
