#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"

using namespace richtext;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

struct Quiet : TMarkupProblemSink {
    void Report(const TMarkupDiagnostics&) override {}
};

// Style 0 without its default margins, so that tables read in plain pixels.
void NoMargins(TSamplePage& page) {
    model::TNYXoggetto* s = page.set.ObjectAt(model::stileParagrafo, 0);
    s->SetWord(86, 0);
    s->SetWord(88, 0);
}

// Every character 8 wide, 16 high, ascent 12 (the sample page's metrics).
struct Laid {
    explicit Laid(std::string_view body, std::int32_t width = 100) {
        NoMargins(page);
        page.box.layoutWidth = width;
        Quiet q;
        LoadBox(page.box, 0, Z(body), {}, {}, &q);
    }
    TNYXparag& P(std::size_t i) { return *page.box.paragraphs[i]; }
    // The characters of each line of paragraph i.
    std::vector<std::string> Lines(std::size_t i) {
        std::vector<std::string> out;
        for (const TNYXline& l : P(i).lines)
            out.push_back(P(i).text.substr(static_cast<std::size_t>(l.first), static_cast<std::size_t>(l.count)));
        return out;
    }
    TSamplePage page;
};

using Strings = std::vector<std::string>;

TEST(LayoutTest, LineBreaking) {
    struct Case {
        const char* name;
        const char* body;
        std::int32_t width;
        Strings lines;
    };
    const Case cases[] = {
        // 100 wide, no margins: 12 characters leave 4 pixels, so 12 fit and a 13th does not.
        {"short text stays on one line", "<Z S0 >abc def", 100, {"abc def"}},
        // "aaaaaa bbbbb" is 96 wide (4 left over); the blank after it does not
        // fit, so the line ends at the last blank that did.
        {"break after the last blank that fits", "<Z S0 >aaaaaa bbbbb cc", 100, {"aaaaaa ", "bbbbb cc"}},
        {"a blank that fits ends its line", "<Z S0 >aaaaaa bbbb cc", 100, {"aaaaaa bbbb ", "cc"}},
        // 12 characters in 96: the last one would leave exactly 0 and does not fit.
        {"exact fit does not fit", "<Z S0 >aaaaaaa bbbb", 96, {"aaaaaaa ", "bbbb"}},
        {"a word longer than the line stays whole", "<Z S0 >ab cdefghijklmnopqrstu vw", 100,
         {"ab ", "cdefghijklmnopqrstu ", "vw"}},
        {"blanks past the last one that fits start the next line", "<Z S0 >aaaaaaaaaaa    b", 100,
         {"aaaaaaaaaaa ", "   b"}},
        {"empty paragraph has one empty line", "<Z S0 >", 100, {""}},
        {"narrow box: one character per line", "<Z S0 >ab", 5, {"a", "b"}},
    };
    for (const Case& c : cases) {
        Laid l(c.body, c.width);
        EXPECT_EQ(l.Lines(0), c.lines) << c.name;
    }
}

TEST(LayoutTest, WordPastTheEdgeWidensTheContent) {
    Laid l("<Z S0 >ab cdefghijklmnopqrstu vw", 100);
    // "cdefghijklmnopqrstu " is 20 characters = 160 pixels.
    EXPECT_EQ(l.page.box.contentWidth, 160);
    EXPECT_EQ(l.P(0).lines[1].usedWidth, 160);
    Laid ok("<Z S0 >short", 100);
    EXPECT_LE(ok.page.box.contentWidth, 100);
}

TEST(LayoutTest, HeightsBaselinesAndParagraphBox) {
    Laid l("<Z S0 >aaaaaa bbbbb cc<Z S0 L30 >aaaaaa bbbbb cc<Z S0 t10 b4 >x", 100);
    TNYXparag& a = l.P(0);
    ASSERT_EQ(a.lines.size(), 2u);
    EXPECT_EQ(a.lines[0].ascent, 12);
    EXPECT_EQ(a.lines[0].height, 16);
    EXPECT_EQ(a.lines[1].top, 16);
    EXPECT_EQ(a.top, 8);  // no space above in a page box: 8 pixels down
    EXPECT_EQ(a.bottom, 8 + 32 - 1);
    TNYXparag& b = l.P(1);
    ASSERT_EQ(b.lines.size(), 2u);
    EXPECT_EQ(b.top, a.bottom + 1);
    EXPECT_EQ(b.lines[0].height, 30);  // a fixed line height, whatever the font
    EXPECT_EQ(b.lines[1].top, 30);
    EXPECT_EQ(b.lines[0].ascent, 12);  // the baseline stays at the ascent
    TNYXparag& c = l.P(2);
    EXPECT_EQ(c.top, b.bottom + 1);
    EXPECT_EQ(TextTop(c), c.top + 10);
    EXPECT_EQ(c.bottom, c.top + 10 + 16 + 4 - 1);
}

TEST(LayoutTest, FirstParagraphTop) {
    EXPECT_EQ(Laid("<Z S0 >x").P(0).top, 8);
    EXPECT_EQ(Laid("<Z S0 t5 >x").P(0).top, 5);
    TSamplePage page;
    page.box.layoutWidth = 50;
    TNYXembedded table(nullptr);
    page.box.ownerTable = &table;
    page.box.cellPadding = 3;
    Quiet q;
    LoadBox(page.box, 0, Z("<Z S1 >x<T>"), {}, {}, &q);
    page.box.ownerTable = nullptr;
    EXPECT_EQ(page.box.paragraphs[0]->top, 3);  // a cell: space above (0) plus the padding
    EXPECT_EQ(page.box.paragraphs[0]->lines[0].startX, 3);
}

TEST(LayoutTest, AlignmentAndIndents) {
    struct Case {
        const char* name;
        const char* body;
        std::vector<std::int32_t> startX, offset, used;
    };
    const Case cases[] = {
        {"left", "<Z S0 >abc", {0}, {0}, {24}},
        {"right", "<Z S0 A1 >abc", {0}, {76}, {24}},
        {"centred rounds down", "<Z S0 A2 >abc", {0}, {38}, {24}},
        // A trailing blank keeps its width at the right edge.
        {"right with a trailing blank", "<Z S0 A1 >aaaaaa bbbb cc", {0, 0}, {4, 84}, {96, 16}},
        {"margins and first-line indent", "<Z S0 I20 l10 r6 >aaaaaa bbbbb", {30, 10}, {0, 0}, {56, 40}},
        {"hanging indent", "<Z S0 I-20 l30 >aaaaaaaaaa bbbbbbbb", {10, 30}, {0, 0}, {88, 64}},
        {"list mark: a negative indent counts as 0", "<Z S0 N6 I-20 l30 >aaaaaa bbbbbbbb", {30, 30},
         {0, 0}, {56, 64}},
    };
    for (const Case& c : cases) {
        Laid l(c.body, 100);
        std::vector<std::int32_t> sx, off, used;
        for (const TNYXline& line : l.P(0).lines) {
            sx.push_back(line.startX);
            off.push_back(line.alignOffset);
            used.push_back(line.usedWidth);
        }
        EXPECT_EQ(sx, c.startX) << c.name;
        EXPECT_EQ(off, c.offset) << c.name;
        EXPECT_EQ(used, c.used) << c.name;
    }
}

TEST(LayoutTest, ListNumbersRestartAfterAPlainParagraph) {
    Laid l("<Z S0 N6 >a<Z S0 N6 >b<Z S0 N6 >c<Z S0 >d<Z S0 N6 >e<Z S0 N6 >f<Z S0 N10 >g<Z S0 N6 >h");
    std::vector<std::int32_t> numbers;
    for (auto& p : l.page.box.paragraphs) numbers.push_back(p->listNumber);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2, 3, 0, 1, 2, 0, 1}));
}

TEST(LayoutTest, ObjectsArePlacedOnTheirLine) {
    TSamplePage page;
    NoMargins(page);
    // Ids 0 and 3 are placed pictures.
    page.registry.Find(0)->Record()->SetWord(19, 150);
    page.registry.Find(0)->Record()->SetWord(21, 40);
    page.registry.Find(0)->Record()->SetByte(13, 5);  // stands on the baseline
    page.registry.Find(3)->Record()->SetWord(19, 20);
    page.registry.Find(3)->Record()->SetWord(21, 20);
    page.registry.Find(3)->Record()->SetByte(13, 3);  // hangs below the baseline
    page.box.layoutWidth = 100;
    Quiet q;
    LoadBox(page.box, 0, Z("<Z S0 ><$FF000000>cd<$FF000003>e"), {}, {}, &q);
    const TNYXparag& p = *page.box.paragraphs[0];
    ASSERT_EQ(p.lines.size(), 2u);
    // A picture wider than the line, on an empty line, stays there alone ...
    EXPECT_EQ(p.lines[0].count, 1);
    EXPECT_EQ(p.lines[0].usedWidth, 100);
    EXPECT_EQ(p.lines[0].height, 40);
    EXPECT_EQ(page.box.contentWidth, 150);  // the scroll range holds it
    // ... and the next character starts a new line.
    EXPECT_EQ(p.lines[1].first, 1);
    EXPECT_EQ(p.lines[1].count, 4);
    const TNYXembedded* wide = page.registry.Find(0);
    EXPECT_EQ(wide->left, 0);
    EXPECT_EQ(wide->top, TextTop(p));
    EXPECT_FALSE(wide->placed);  // for the host to move
    // Hanging below the baseline: ascent 0, the line grows downwards.
    const TNYXembedded* low = page.registry.Find(3);
    EXPECT_EQ(low->left, 16);
    EXPECT_EQ(p.lines[1].ascent, 12);
    EXPECT_EQ(p.lines[1].height, 12 + 20);
    EXPECT_EQ(low->top, TextTop(p) + p.lines[1].top + 12);
}

TEST(LayoutTest, ObjectNotShownTakesNoWidth) {
    struct Hidden : TLayoutHost {
        bool MeasureObject(TNYXembedded&, std::int32_t) override { return false; }
    } hidden;
    TSamplePage page;
    page.box.host = &hidden;
    page.box.layoutWidth = 100;
    Quiet q;
    LoadBox(page.box, 0, Z("<Z S0 >a<$FF000004>b"), {}, {}, &q);  // id 4: a button (kind 22)
    const TNYXparag& p = *page.box.paragraphs[0];
    EXPECT_EQ(p.recs[1].width, 0);
    EXPECT_EQ(p.recs[1].height, 12);  // 10, and 2 more for kinds 20 to 22
    EXPECT_EQ(p.recs[1].ascent, 6);   // centred on the baseline
}

struct Recorder : TLayoutHost {
    std::vector<std::pair<std::int32_t, std::int32_t>> invalid;
    int sizeChanges = 0, ended = 0;
    void Invalidate(std::int32_t t, std::int32_t b) override { invalid.emplace_back(t, b); }
    void ContentSizeChanged() override { ++sizeChanges; }
    void UpdateEnded() override { ++ended; }
};

TEST(LayoutTest, RangeRelayoutMovesLaterParagraphs) {
    Recorder rec;
    Laid l("<Z S0 >uno<Z S0 >due<Z S0 >tre", 100);
    l.page.box.host = &rec;
    TNYXparag& second = l.P(1);
    const std::int32_t thirdTop = l.P(2).top;
    second.style.Set(pfLineHeight, 40);
    l.page.box.Layout(1, 1);
    EXPECT_EQ(second.bottom - second.top + 1, 40);
    EXPECT_EQ(l.P(2).top, thirdTop + 24);
    ASSERT_FALSE(rec.invalid.empty());
    EXPECT_EQ(rec.invalid.back(), (std::pair<std::int32_t, std::int32_t>{second.top, -1}));
    EXPECT_EQ(rec.sizeChanges, 1);
    EXPECT_EQ(rec.ended, 1);  // one repaint for the whole range
    // The same height again: only the paragraph is repainted, nothing moves.
    l.page.box.Layout(1, 1);
    EXPECT_EQ(l.P(2).top, thirdTop + 24);
    EXPECT_EQ(rec.invalid.back(), (std::pair<std::int32_t, std::int32_t>{second.top, second.bottom}));
    EXPECT_EQ(rec.sizeChanges, 1);
}

TEST(LayoutTest, UpdatesNest) {
    Recorder rec;
    Laid l("<Z S0 >uno", 100);
    l.page.box.host = &rec;
    l.page.box.BeginUpdate();
    l.page.box.Layout(0, 0);
    EXPECT_EQ(rec.ended, 0);
    l.page.box.EndUpdate();
    EXPECT_EQ(rec.ended, 1);
    l.page.box.EndUpdate();  // unbalanced: ignored
    EXPECT_EQ(rec.ended, 1);
}

TEST(LayoutTest, ResizeLaysOutAtTheNewWidth) {
    Laid l("<Z S0 >aaaaaa bbbbb cc", 100);
    EXPECT_EQ(l.P(0).lines.size(), 2u);
    EXPECT_TRUE(ResizeBox(l.page.box, 300));
    EXPECT_EQ(l.P(0).lines.size(), 1u);
    EXPECT_FALSE(ResizeBox(l.page.box, 300));
    ResizeBox(l.page.box, 3);
    EXPECT_EQ(l.page.box.layoutWidth, 20);  // never narrower than 20
}

TEST(LayoutTest, ParagraphAtFindsByRow) {
    Laid l("<Z S0 >a<Z S0 >b<Z S0 >c", 100);
    EXPECT_EQ(ParagraphAt(l.page.box, 0), 0u);
    EXPECT_EQ(ParagraphAt(l.page.box, l.P(1).top), 1u);
    EXPECT_EQ(ParagraphAt(l.page.box, l.P(1).bottom), 1u);
    EXPECT_EQ(ParagraphAt(l.page.box, l.P(2).bottom + 1), 3u);
}

// Pair widths and vertical positions reach the character records.
TEST(LayoutTest, MeasuringUsesPairsWithinARun) {
    struct Kerning : TFixedMetrics {
        std::int32_t PairWidth(const TMyFont&, unsigned char prev, unsigned char ch) override {
            return prev == 'A' && ch == 'V' ? 6 : 8;
        }
    } kern;
    TSamplePage page;
    page.box.SetMetrics(&kern);
    Quiet q;
    LoadBox(page.box, 0, Z("<Z S0 >AV<Y y1 >V<Y p1 >x<Y p2 >y"), {}, {}, &q);
    const TNYXparag& p = *page.box.paragraphs[0];
    EXPECT_EQ(p.recs[0].width, 8);
    EXPECT_EQ(p.recs[1].width, 6);  // after "A" in the same run
    EXPECT_EQ(p.recs[2].width, 8);  // a new run forgets the previous character
    EXPECT_EQ(p.recs[3].height, 24);  // subscript: 1.5 times as high
    EXPECT_EQ(p.recs[3].ascent, 12);
    EXPECT_EQ(p.recs[4].height, 16);  // superscript: the ascent grows
    EXPECT_EQ(p.recs[4].ascent, 20);
}

}  // namespace

namespace {

TEST(LayoutTest, PlaceholderSizesFromTheRecords) {
    TSamplePage page;
    struct Case {
        const char* name;
        int type;
        std::function<void(model::TNYXoggetto&)> set;
        std::int32_t w, h;
    };
    const Case cases[] = {
        {"new placed picture (sizes -1)", model::immagineNew, [](model::TNYXoggetto&) {}, 100, 100},
        {"placed picture, displayed size", model::immagineNew,
         [](model::TNYXoggetto& o) {
             o.SetWord(15, 64);
             o.SetWord(17, 48);
             o.SetWord(19, 32);
             o.SetWord(21, 24);
             o.SetByte(23, 0);
         },
         32, 24},
        {"placed picture, percent of natural", model::immagineNew,
         [](model::TNYXoggetto& o) {
             o.SetWord(15, 200);
             o.SetWord(17, 100);
             o.SetWord(19, 50);
             o.SetWord(21, 50);
             o.SetByte(23, 1);
         },
         100, 50},
        {"button without picture: caption + 2 characters", model::bottoneCGI,
         [](model::TNYXoggetto& o) {
             o.SetInt(177, -1);
             o.SetStr(97, 79, "Invio");
         },
         49, 22},
        {"marker 27: wide icon", model::shortObj, [](model::TNYXoggetto& o) { o.SetByte(4, 27); }, 90, 18},
        {"check box", model::inputStat, [](model::TNYXoggetto& o) { o.SetByte(4, 7); }, 13, 13},
    };
    for (const Case& c : cases) {
        model::TNYXoggetto* o = page.set.NewObject(c.type);
        ASSERT_NE(o, nullptr) << c.name;
        c.set(*o);
        TNYXembedded e(o);
        StoredObjectSize(e, 500);
        EXPECT_EQ(e.width, c.w) << c.name;
        EXPECT_EQ(e.height, c.h) << c.name;
    }
}

}  // namespace
