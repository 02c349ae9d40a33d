// Printing without a printer: geometry and length arithmetic, clamps, the
// printer profile, the page list, and the band walk over printed layouts.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/PrintBox.h"
#include "present/PrintSetup.h"
#include "richtext/Layout.h"
#include "richtext/Metrics.h"

using namespace present;
using namespace model;

namespace {

// 10 printer pixels per millimetre across, `down` per millimetre down.
TPaper Paper(double down = 10) { return {2100, static_cast<std::int32_t>(297 * down), 210, 297}; }

TEST(PrintGeometry, PrintableAreaMarginsAndConversions) {
    struct Case {
        const char* what;
        TPaper paper;
        TMargins margins;
        std::int32_t width, height, left, top;
        std::int64_t lengthX, lengthY;  // screen pixels
        std::int32_t printedX, printedY;
    };
    const Case cases[] = {
        {"default margins", Paper(), {}, 2100 - 500, 2970 - 500, 250, 250, 96, 96, 254, 254},
        {"20 mm across, 30 mm down", Paper(), {2000, 3000, 2000, 3000}, 1700, 2370, 200, 300, 30, 30, 79, 79},
        // Each direction with its own resolution.
        {"twice the resolution down", Paper(20), {2000, 3000, 2000, 3000}, 1700, 5940 - 1200, 200, 600, 30, 30, 79, 159},
        {"no margins", Paper(), {0, 0, 0, 0}, 2100, 2970, 0, 0, -48, 0, -127, 0},
        {"negative margins count as none", Paper(), {-500, -1, 0, 0}, 2100, 2970, 0, 0, 1, 1, 3, 3},
    };
    for (const Case& c : cases) {
        TPrintGeometry g;
        ASSERT_TRUE(ComputeGeometry(c.paper, c.margins, 2500, g)) << c.what;
        EXPECT_EQ(g.printableWidth, c.width) << c.what;
        EXPECT_EQ(g.printableHeight, c.height) << c.what;
        EXPECT_EQ(g.marginLeftPx, c.left) << c.what;
        EXPECT_EQ(g.marginTopPx, c.top) << c.what;
        EXPECT_EQ(g.ConvertX(c.lengthX), c.printedX) << c.what;
        EXPECT_EQ(g.ConvertY(c.lengthY), c.printedY) << c.what;
    }
}

TEST(PrintGeometry, PictureFactorsFollowTheScale) {
    // 100 picture pixels print `scale` hundredths of a millimetre.
    const std::pair<std::int64_t, std::int32_t> cases[] = {{2500, 250}, {5000, 500}, {20, 2}, {5, 2}, {99999, 2000}};
    for (auto [scale, factor] : cases) {
        TPrintGeometry g;
        ASSERT_TRUE(ComputeGeometry(Paper(), {}, static_cast<std::int32_t>(scale), g));
        EXPECT_EQ(g.pictureFactorX, factor) << scale;
        EXPECT_EQ(g.pictureFactorY, factor) << scale;
    }
}

TEST(PrintGeometry, MarginsAsLargeAsThePaperAreRefusedBeforeTheJob) {
    const TMargins cases[] = {
        {10500, 2500, 10500, 2500},   // the whole width
        {2500, 20000, 2500, 9700},    // the whole height
        {2500, 90000, 2500, 90000},   // more than the paper
    };
    for (const TMargins& m : cases) {
        TPrintGeometry g;
        std::string why;
        EXPECT_FALSE(ComputeGeometry(Paper(), m, 2500, g, &why));
        EXPECT_EQ(why, kNoPrintableArea);
    }
    TPrintGeometry g;
    std::string why;
    EXPECT_FALSE(ComputeGeometry(TPaper{}, {}, 2500, g, &why)) << "a paper of size 0 divides by 0";
    EXPECT_FALSE(why.empty());
}

TEST(PrintClamps, ScaleAndCopies) {
    const std::pair<std::int64_t, std::int32_t> scales[] = {
        {-5, 20}, {0, 20}, {19, 20}, {20, 20}, {2500, 2500}, {20000, 20000}, {20001, 20000}, {1LL << 40, 20000}};
    for (auto [in, out] : scales) EXPECT_EQ(ClampPictureScale(in), out) << in;
    const std::pair<std::int64_t, std::int32_t> copies[] = {{-3, 1}, {0, 1}, {1, 1}, {5, 5}};
    for (auto [in, out] : copies) EXPECT_EQ(ClampCopies(in), out) << in;
}

TEST(PrintArguments, PageListsAndMargins) {
    std::vector<std::int32_t> pages;
    EXPECT_TRUE(ParsePageList("0,3,5-7", pages));
    EXPECT_EQ(pages, (std::vector<std::int32_t>{0, 3, 5, 6, 7}));
    for (const char* bad : {"", ",", "1,", "a", "7-5", "-1", "1-", "16777216"}) {
        std::vector<std::int32_t> none;
        EXPECT_FALSE(ParsePageList(bad, none)) << bad;
    }
    TMargins m;
    ASSERT_TRUE(ParseMarginsMm("10,20,30.5,40", m));
    EXPECT_EQ(m, (TMargins{4000, 1000, 2000, 3050}));
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,,3,4", "x,2,3,4", "-1,2,3,4", "1,2,3,4mm"}) {
        TMargins keep;
        EXPECT_FALSE(ParseMarginsMm(bad, keep)) << bad;
        EXPECT_EQ(keep, TMargins{}) << bad;
    }
}

// --- printer profile ------------------------------------------------------------------------

struct MapStore {
    std::map<std::pair<std::string, std::string>, std::string> values;
    TProfileStore Store() {
        TProfileStore s;
        s.read = [this](const std::string& k, const std::string& n) -> std::optional<std::string> {
            auto it = values.find({k, n});
            if (it == values.end()) return std::nullopt;
            return it->second;
        };
        s.write = [this](const std::string& k, const std::string& n, const std::string& v) {
            values[{k, n}] = v;
            return true;
        };
        return s;
    }
};

TEST(PrinterProfile, RoundTripAndAMissingValueEndsTheLoading) {
    MapStore m;
    TPrinterProfile p;
    p.device = std::string(100, 'd');
    p.paperSize = 8;
    p.orientation = 2;
    p.copies = 3;
    p.duplex = 2;
    p.margins = {1000, 2000, 3000, 4000};
    ASSERT_TRUE(SavePrinterProfile(m.Store(), kDefaultProfile, p));
    const std::string key = "\\Software\\ZR\\printerProfiles\\PrnSettings_PrinterSettings1";
    EXPECT_EQ(m.values.at({key, "PrnParsSaved"}), "1");
    EXPECT_EQ(m.values.at({key, "Left"}), "1000");
    EXPECT_EQ(m.values.at({key, "device"}).size(), 80u);

    TPrinterProfile back;
    ASSERT_TRUE(LoadPrinterProfile(m.Store(), kDefaultProfile, back));
    EXPECT_EQ(back.device, std::string(80, 'd'));
    EXPECT_EQ(back.paperSize, 8);
    EXPECT_EQ(back.orientation, 2);
    EXPECT_EQ(back.copies, 3);
    EXPECT_EQ(back.duplex, 2);
    EXPECT_EQ(back.margins, p.margins);
    EXPECT_TRUE(back.saved);

    // What was read before the missing value stays; the rest keeps its value.
    m.values.erase({key, "dmCopies"});
    TPrinterProfile partial;
    ASSERT_TRUE(LoadPrinterProfile(m.Store(), kDefaultProfile, partial));
    EXPECT_EQ(partial.orientation, 2);
    EXPECT_EQ(partial.copies, 1);
    EXPECT_EQ(partial.duplex, 1);
    EXPECT_EQ(partial.margins, TMargins{});
    // A value that is not a number counts as missing.
    m.values[{key, "dmCopies"}] = "tre";
    ASSERT_TRUE(LoadPrinterProfile(m.Store(), kDefaultProfile, partial));
    EXPECT_EQ(partial.copies, 1);

    TPrinterProfile untouched;
    untouched.copies = 7;
    EXPECT_FALSE(LoadPrinterProfile(m.Store(), "Altro", untouched));
    EXPECT_EQ(untouched.copies, 7);
}

// --- page list --------------------------------------------------------------------------------

class PrintListTest : public ::testing::Test {
protected:
    void SetUp() override {
        set.NewHypertext();
        while (set.Count(testoHtml) < 4) set.NewObject(testoHtml);
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
};

TEST_F(PrintListTest, EachPageOnceMovesRemovalsAndThePreviewPage) {
    TPrintList l;
    EXPECT_EQ(l.ToPrint(set, 2), (std::vector<std::int32_t>{2})) << "an empty list prints the preview page";
    EXPECT_TRUE(l.ToPrint(set, 99).empty());
    EXPECT_TRUE(l.Add(1));
    EXPECT_TRUE(l.Add(3));
    EXPECT_FALSE(l.Add(1)) << "each page at most once";
    EXPECT_TRUE(l.Add(0));
    EXPECT_EQ(l.MoveUp(0), 0u);
    EXPECT_EQ(l.MoveDown(0), 1u);
    EXPECT_EQ(l.Pages(), (std::vector<std::int32_t>{3, 1, 0}));
    EXPECT_EQ(l.MoveDown(2), 2u);
    EXPECT_EQ(l.MoveUp(2), 1u);
    EXPECT_EQ(l.Pages(), (std::vector<std::int32_t>{3, 0, 1}));
    l.Remove({2, 0, 7, 0});
    EXPECT_EQ(l.Pages(), (std::vector<std::int32_t>{0}));
    l.Add(3);
    set.ObjectAt(testoHtml, 3)->Reset();
    EXPECT_EQ(l.ToPrint(set, 1), (std::vector<std::int32_t>{0})) << "entries that are no longer pages are skipped";
    l.SetAllInOrder(set);
    EXPECT_EQ(l.Pages(), PagesInDefaultOrder(set));
    EXPECT_EQ(l.Pages().size(), 3u);
}

// --- band walk ----------------------------------------------------------------------------------

// Screen lengths print unchanged (factor 96/2540), 8 x 16 characters.
TPrintGeometry Identity(std::int32_t width, std::int32_t height) {
    TPrintGeometry g;
    g.factorX = g.factorY = 96.0 / 2540.0;
    g.printableWidth = width;
    g.printableHeight = height;
    g.pictureFactorX = g.pictureFactorY = 100;
    g.pageWidthPx = width;
    g.pageHeightPx = height;
    return g;
}

struct Printed {
    std::vector<TSheet> sheets;
    // (paragraph, line) -> the sheets it appears on.
    std::map<std::pair<int, int>, std::vector<int>> lines;
    explicit Printed(std::vector<TSheet> s) : sheets(std::move(s)) {
        for (std::size_t k = 0; k < sheets.size(); ++k)
            for (const TSheetItem& it : sheets[k].items)
                if (it.kind == TSheetItem::kLine) lines[{it.para, it.line}].push_back(static_cast<int>(k));
    }
};

class BandWalk : public ::testing::Test {
protected:
    void SetUp() override { set.NewHypertext(); }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    richtext::TFixedMetrics metrics{8, 16, 12};
};

TEST_F(BandWalk, EveryLineOnceOnTheSheetItsTopFallsIn) {
    struct Case {
        const char* what;
        std::string text;
        std::int32_t height;
        std::size_t sheets;
    };
    std::string longParagraph = "<Z S0 >";
    for (int i = 0; i < 40; ++i) longParagraph += "parola" + std::to_string(i % 10) + " ";
    std::string lines;
    for (int i = 0; i < 20; ++i) lines += "<Z S0 >riga " + std::to_string(i);
    const Case cases[] = {
        {"fits one sheet", "<Z S0 >uno<Z S0 >due", 100, 1},
        {"20 lines of 16 at 100 per band", lines, 100, 4},
        {"one paragraph across bands", longParagraph, 50, 0},
        {"a line just above the boundary", lines, 97, 4},
    };
    for (const Case& c : cases) {
        TPrintedPage page(set, Identity(200, c.height), {}, metrics);
        page.BuildFromText(c.text);
        const Printed p(page.Sheets());
        if (c.sheets) {
            EXPECT_EQ(p.sheets.size(), c.sheets) << c.what;
        }
        std::size_t total = 0;
        for (const auto& para : page.Box().paragraphs) total += para->lines.size();
        EXPECT_EQ(p.lines.size(), total) << c.what << ": no line lost";
        for (const auto& [key, on] : p.lines) {
            ASSERT_EQ(on.size(), 1u) << c.what << ": line " << key.first << "/" << key.second << " repeated";
            const auto& para = *page.Box().paragraphs[static_cast<std::size_t>(key.first)];
            const std::int32_t top = richtext::TextTop(para) + para.lines[static_cast<std::size_t>(key.second)].top;
            EXPECT_EQ(top / c.height, p.sheets[static_cast<std::size_t>(on[0])].bandTop / c.height) << c.what;
        }
        for (const TSheet& s : p.sheets) EXPECT_FALSE(s.items.empty()) << c.what << ": a blank sheet";
    }
}

TEST_F(BandWalk, TheFirstParagraphStartsAtTheTopMarginAndListsRestart) {
    TPrintedPage page(set, Identity(200, 1000), {}, metrics);
    page.BuildFromText("<Z S0 N6 >a<Z S0 N6 >b<Z S0 >c<Z S0 N6 >d");
    const auto& ps = page.Box().paragraphs;
    ASSERT_EQ(ps.size(), 4u);
    EXPECT_EQ(ps[0]->top, 0) << "no default gap above the first paragraph";
    EXPECT_EQ(ps[0]->listNumber, 1);
    EXPECT_EQ(ps[1]->listNumber, 2);
    EXPECT_EQ(ps[3]->listNumber, 1);
    const Printed p(page.Sheets());
    int marks = 0;
    for (const TSheetItem& it : p.sheets[0].items) marks += it.kind == TSheetItem::kMark;
    EXPECT_EQ(marks, 3);
}

TEST_F(BandWalk, ALineTallerThanThePrintableHeightLeavesNoBlankSheet) {
    TNYXoggetto* pic = set.NewObject(immagineNew);
    pic->SetInt(0, -1);
    for (std::size_t off : {15u, 17u, 19u, 21u}) pic->SetWord(off, 1000);
    TPrintedPage page(set, Identity(200, 100), {}, metrics);
    page.BuildFromText("<Z S0 >prima<Z S0 ><$FF000000><Z S0 >dopo", {pic});
    const Printed p(page.Sheets());
    ASSERT_EQ(page.Box().paragraphs.size(), 3u);
    for (const auto& para : page.Box().paragraphs)
        for (const auto& l : para->lines) EXPECT_LE(l.height, 100);
    // "prima" and the picture on the first sheet, "dopo" on the second.
    EXPECT_EQ(p.sheets.size(), 2u);
    for (const TSheet& s : p.sheets) EXPECT_FALSE(s.items.empty());
    // The picture keeps its proportions inside the printable area.
    const auto size = page.PictureSize(*pic);
    EXPECT_EQ(size.height, 100);
    EXPECT_EQ(size.width, 100);
}

TEST_F(BandWalk, PictureSizesAtThePictureScaleAndANaturalSizeOfZero) {
    struct Case {
        const char* what;
        int nw, nh, dw, dh;
        std::int32_t w, h;
    };
    // 250 printer pixels per 100 picture pixels (scale 2500 at 10 px/mm).
    const Case cases[] = {
        {"100 x 100 prints 25 mm", 100, 100, 100, 100, 250, 250},
        {"half its natural size", 200, 100, 100, 50, 250, 125},
        {"natural size 0 falls back", 0, 0, 40, 20, 100, 50},
        {"no displayed size: natural", 80, 40, 0, 0, 200, 100},
    };
    TPrintGeometry g;
    ASSERT_TRUE(ComputeGeometry(Paper(), {0, 0, 0, 0}, 2500, g));
    TPrintedPage page(set, g, {}, metrics);
    for (const Case& c : cases) {
        TNYXoggetto* pic = set.NewObject(immagineNew);
        pic->SetInt(0, -1);
        pic->SetWord(15, static_cast<std::uint16_t>(c.nw));
        pic->SetWord(17, static_cast<std::uint16_t>(c.nh));
        pic->SetWord(19, static_cast<std::uint16_t>(c.dw));
        pic->SetWord(21, static_cast<std::uint16_t>(c.dh));
        const auto s = page.PictureSize(*pic);
        EXPECT_EQ(s.width, c.w) << c.what;
        EXPECT_EQ(s.height, c.h) << c.what;
    }
}

TNYXoggetto* Table(TNYXset& set, bool percentColumns) {
    TNYXoggetto* t = set.NewObject(tabellaHtml);
    t->SetByte(93, 2);
    t->SetByte(94, 2);
    t->SetByte(55, 0);     // width in pixels, not a percentage
    t->SetWord(56, 200);
    t->SetByte(91, 2);     // spacing
    t->SetByte(90, 3);     // padding
    for (int c = 0; c < 2; ++c) {
        t->SetByte(static_cast<std::size_t>(5 + c), percentColumns ? 0 : 1);
        t->SetWord(static_cast<std::size_t>(97 + 2 * c), percentColumns ? 50 : 80);
    }
    // -1, a colour, a value outside both ranges, a picture.
    std::string bgs;
    for (std::uint32_t v : {0xFFFFFFFFu, 0x0000FFu, 0x2000005u, 0x3000001u})
        for (int k = 0; k < 4; ++k) bgs += static_cast<char>((v >> (8 * k)) & 0xFF);
    t->SetFirstStream(bgs);
    return t;
}

const char kTableText[] = "<Z S0 >sopra<Z S0 ><$FF000000><Z S1 >a<T><Z S1 >b<T><Z S1 >c<T><Z S1 >d<T><Z S0 >sotto";

TEST_F(BandWalk, TableWithoutPercentFlagUsesItsStoredPixelWidth) {
    // Spacing, padding and the stored width are screen pixels, converted
    // like paragraph lengths: k printer pixels per screen pixel.
    for (int k : {1, 2}) {
        TNYXoggetto* t = Table(set, true);
        TPrintGeometry g = Identity(800, 1000);
        g.factorX = g.factorY = k * 96.0 / 2540.0;
        TPrintedPage page(set, g, {}, metrics);
        page.BuildFromText(kTableText, {t});
        const richtext::TNYXembedded* e = page.Box().Registry()->Find(0);
        ASSERT_NE(e, nullptr);
        const TPrintedTable* pt = page.TableOf(*e);
        ASSERT_NE(pt, nullptr);
        // 200 wide: 2 + 97 + 2 + 97 + 2 (inner width 200 - 3 x 2, half each).
        EXPECT_EQ(pt->width, 200 * k) << k;
        EXPECT_EQ(pt->cells[0].width, 97 * k) << k;
        EXPECT_EQ(pt->cells[1].x, 101 * k) << k;
        // Cells laid out with their padding: one 16-pixel line plus 3 above and below.
        EXPECT_EQ(pt->cells[0].height, 16 + 6 * k) << k;
        EXPECT_EQ(pt->height, 6 * k + 2 * (16 + 6 * k)) << k;
    }
}

TEST_F(BandWalk, CellBackgroundOfMinusOneOrOutOfRangeIsTransparent) {
    TNYXoggetto* t = Table(set, false);
    TPrintedPage page(set, Identity(400, 1000), {}, metrics);
    page.BuildFromText(kTableText, {t});
    const TPrintedTable* pt = page.TableOf(*page.Box().Registry()->Find(0));
    ASSERT_NE(pt, nullptr);
    ASSERT_EQ(pt->cells.size(), 4u);
    EXPECT_EQ(pt->cells[0].background, -1);
    EXPECT_EQ(pt->cells[1].background, 0x0000FF);
    EXPECT_EQ(pt->cells[2].background, -1);
    EXPECT_EQ(pt->cells[3].background, 0x3000001);
    EXPECT_EQ(pt->width, 2 + 80 + 2 + 80 + 2);
}

TEST_F(BandWalk, ATableAcrossBandsPrintsEachCellLineOnce) {
    TNYXoggetto* t = set.NewObject(tabellaHtml);
    t->SetByte(93, 20);
    t->SetByte(94, 1);
    t->SetByte(55, 1);
    t->SetByte(89, 100);
    t->SetByte(5, 2);  // a free column
    std::string text = "<Z S0 ><$FF000000>";
    for (int r = 0; r < 20; ++r) text += "<Z S1 >cella " + std::to_string(r) + "<T>";
    TPrintedPage page(set, Identity(300, 100), {}, metrics);
    page.BuildFromText(text, {t});
    const Printed p(page.Sheets());
    EXPECT_GE(p.sheets.size(), 3u);
    std::map<const richtext::TNYXbox*, int> printedLines;
    std::set<const richtext::TNYXbox*> cells;
    for (const TSheet& s : p.sheets)
        for (const TSheetItem& it : s.items) {
            if (it.kind == TSheetItem::kLine) ++printedLines[it.box];
            if (it.kind == TSheetItem::kCell) cells.insert(it.box);
        }
    EXPECT_EQ(cells.size(), 20u);
    EXPECT_EQ(printedLines.size(), 20u);
    for (const auto& [box, n] : printedLines) EXPECT_EQ(n, 1);
}

}  // namespace
