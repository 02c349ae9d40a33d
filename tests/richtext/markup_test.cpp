#include <gtest/gtest.h>

#include <memory>
#include <cstring>
#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "markup/Lexer.h"
#include "richtext/PageText.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "tests/richtext/Fixtures.h"

using namespace richtext;
using namespace markup;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

struct CountingSink : TMarkupProblemSink {
    void Report(const TMarkupDiagnostics& d) override {
        ++calls;
        last = d;
    }
    int calls = 0;
    TMarkupDiagnostics last;
};

// Every paragraph has its end record; the body has at least one paragraph.
void ExpectSound(const TNYXbox& box) {
    ASSERT_GE(box.BodyEnd() - box.BodyBegin(), 1);
    for (const auto& p : box.paragraphs) {
        ASSERT_EQ(p->recs.size(), p->text.size() + 1);
        for (char c : p->text) ASSERT_GE(static_cast<unsigned char>(c), 0x20);
        for (const auto& r : p->recs) {
            if (r.font >= 0) {
                ASSERT_LT(static_cast<std::size_t>(r.font), p->fonts.size());
            }
        }
        for (std::size_t i = 0; i < p->text.size(); ++i)
            if (TNYXembedded* e = p->ObjectAt(i); e && e->IsTable())
                for (const auto& c : e->Cells()) ExpectSound(*c);
    }
}

class MarkupTest : public ::testing::Test {
protected:
    TSamplePage page;
};

TEST_F(MarkupTest, CanonicalTextsRoundTripByteForByte) {
    for (const auto& f : testfix::Canonical()) {
        SCOPED_TRACE(f.name);
        CountingSink sink;
        EXPECT_EQ(page.Read(Z(f.text), &sink), Z(f.text));
        EXPECT_EQ(sink.calls, 0) << (sink.calls ? sink.last.Summary()[0] : "");
        ExpectSound(page.box);
        // Rewriting every paragraph after an edit keeps the text (tables keep
        // their cells).
        RelayoutParagraphs(page.box, 0, static_cast<std::int32_t>(page.box.paragraphs.size()) - 1);
        EXPECT_EQ(BoxText(page.box), Z(f.text));
    }
}

TEST_F(MarkupTest, ReaderBuildsRecordsRunsLinksAndObjects) {
    page.Read(Z("<Z S0 c0000FF >ab<Y y1 >c<$6F000001>d<$FF000000><%>e"));
    ASSERT_EQ(page.box.paragraphs.size(), 1u);
    const TNYXparag& p = *page.box.paragraphs[0];
    EXPECT_EQ(p.text, "abcd e");
    ASSERT_EQ(p.recs.size(), 7u);
    EXPECT_EQ(p.recs[0].width, 8);
    EXPECT_EQ(p.recs[2].font, 0);
    EXPECT_EQ(p.FontAt(3).style, kBold);
    EXPECT_EQ(p.FontAt(1).colour, 0xFF0000u);  // blue from the paragraph
    EXPECT_EQ(p.recs[3].link, 0x6F000001);
    EXPECT_EQ(p.recs[4].object, 0);
    EXPECT_EQ(p.recs[4].link, 0x6F000001);
    EXPECT_EQ(p.recs[5].link, -1);
    EXPECT_EQ(p.recs[6].link, -1);
    EXPECT_TRUE(p.style.Overridden(pfColour));
    EXPECT_FALSE(p.style.Overridden(pfSize));
}

// Cases that are read and written in their canonical form, with the problem
// noted (or none).
struct EdgeCase {
    const char* name;
    std::string in;
    std::string out;
    int problem;  // MarkupProblem, or -1 for none
};

TEST_F(MarkupTest, EdgeCases) {
    const int none = -1;
    auto P = [](MarkupProblem p) { return static_cast<int>(p); };
    const std::vector<EdgeCase> cases = {
        {"entities", Z("<Z S0 >&quot;&AMP;&LT;&GT;&eacute;&hibar;&yuml;&nbsp;&&x"),
         Z("<Z S0 >\"&amp;&lt;&gt;\xE9\xAF\xFF\xA0&amp;x"), none},
        {"numeric entity four digits", Z("<Z S0 >&#2335;"), Z("<Z S0 >\xE9" "5;"), none},
        {"numeric entity without digits", Z("<Z S0 >&#;x"), Z("<Z S0 >Ax"), none},
        {"unknown entity", Z("<Z S0 >&foo;"), Z("<Z S0 > foo;"), none},
        {"entity below blank", Z("<Z S0 >a&#10;b&#0;c"), Z("<Z S0 >abc"), none},
        {"control bytes", Z("<Z S0 >a\r\nb\tc<Z S0 >\x01x"), Z("<Z S0 >abc<Z S0 >x"), none},
        {"parameters out of order", Z("<Z S0 s14 c0000FF >x"), Z("<Z S0 s14 >x"), none},
        {"paragraph font cut to 20", Z("<Z S0 F\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" >x<Y F\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" >y"),
         Z("<Z S0 F\"ABCDEFGHIJKLMNOPQRST\" >x<Y F\"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" >y"), none},
        {"two char tags merge", Z("<Z S0 >a<Y y1 ><Y c0000FF >b"), Z("<Z S0 >a<Y c0000FF y1 >b"), none},
        {"italic and bold keys", Z("<Z S0 >a<Y i1 g1 >b"), Z("<Z S0 >a<Y y3 >b"), none},
        {"link closed at end", Z("<Z S0 ><$00000001>x"), Z("<Z S0 ><$00000001>x<%>"), none},
        {"unknown link kind", Z("<Z S0 ><$05000001>x<%>"), Z("<Z S0 >x"), P(MarkupProblem::UnknownLink)},
        {"unknown object id", Z("<Z S0 >a<$FF0000AA>b"), Z("<Z S0 >ab"), P(MarkupProblem::UnknownObject)},
        {"duplicate object id", Z("<Z S0 ><$FF000000><$FF000000>x"), Z("<Z S0 ><$FF000000>x"),
         P(MarkupProblem::DuplicateObject)},
        {"duplicate table skips its cells", Z("<Z S0 ><$FF000002><Z S1 >a<T><Z S0 ><$FF000002><Z S1 >b<T><Z S0 >c"),
         Z("<Z S0 ><$FF000002><Z S1 >a<T><Z S0 ><Z S0 >c"), P(MarkupProblem::DuplicateObject)},
        {"skipped blocks", Z("<Z S0 >a<D x>zzz<d>b<F>q<f>c<R>w<r>d"), Z("<Z S0 >abcd"), none},
        {"unterminated block", Z("<Z S0 >a<D x>zzz"), Z("<Z S0 >azzz"), P(MarkupProblem::UnterminatedBlock)},
        {"unknown tags skipped", Z("<Z S0 >a<Q whatever>b<!-- x -->c"), Z("<Z S0 >abc"), none},
        {"paragraph without S", Z("<Z c0000FF >x<Z S2 >y"), Z("<Z S0 c0000FF >x<Z S2 >y"),
         P(MarkupProblem::MissingStyle)},
        {"text before first paragraph", Z("hello<Z S2 >y"), Z("<Z S0 >hello<Z S2 >y"),
         P(MarkupProblem::TextBeforeParagraph)},
        {"stray cell end at body level", Z("<Z S0 >a<T>b<Z S0 >c"), Z("<Z S0 >ab<Z S0 >c"),
         P(MarkupProblem::StrayCellEnd)},
        {"truncated tag", Z("<Z S0 >ab<Y c00FF<Z S0 >c"), Z("<Z S0 >ab<Z S0 >c"), P(MarkupProblem::TruncatedParameter)},
        {"truncated number", Z("<Z S0 s123456789012345 >x"), Z("<Z S0 >x"), P(MarkupProblem::TruncatedParameter)},
        {"font name without quote", Z("<Z S0 >a<Y F\"Arial >b"), Z("<Z S0 >a<Y >b"),
         P(MarkupProblem::TruncatedParameter)},
        {"numbers saturate", Z("<Z S0 I-9999999999 l99999999999 >x"), Z("<Z S0 I-2147483648 l2147483647 >x"), none},
        {"unknown style number", Z("<Z S77 >x"), Z("<Z S0 >x"), none},
        {"nothing after NUL", std::string("<Z S0 >a\0<Z S0 >b", 17), Z("<Z S0 >a"), none},
        {"empty text", std::string(), Z("<Z S0 >"), none},
        {"only a NUL", Z(""), Z("<Z S0 >"), none},
        {"text ends inside cell list", Z("<Z S0 ><$FF000001><Z S1 >a<T>"),
         Z("<Z S0 ><$FF000001><Z S1 >a<T><Z S1 ><T><Z S1 ><T><Z S1 ><T>"), P(MarkupProblem::MissingCells)},
        {"empty cell without paragraph", Z("<Z S0 ><$FF000002><T>x"), Z("<Z S0 ><$FF000002><Z S1 ><T>x"), none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CountingSink sink;
        EXPECT_EQ(page.Read(c.in, &sink), c.out);
        ExpectSound(page.box);
        if (c.problem < 0) {
            EXPECT_EQ(sink.calls, 0) << (sink.calls ? sink.last.Summary()[0] : "");
        } else {
            EXPECT_EQ(sink.calls, 1);
            EXPECT_GE(sink.last.Count(static_cast<MarkupProblem>(c.problem)), 1u)
                << (sink.calls ? sink.last.Summary()[0] : "no report");
        }
        // The canonical form is stable.
        EXPECT_EQ(page.Read(c.out), c.out);
    }
}

TEST_F(MarkupTest, EveryTruncationReadsSoundlyAndWritesStableText) {
    for (const auto& f : testfix::Canonical()) {
        const std::string full = Z(f.text);
        for (std::size_t n = 0; n <= full.size(); ++n) {
            SCOPED_TRACE(std::string(f.name) + " cut at " + std::to_string(n));
            // A copy of exactly n bytes, so that the sanitizer sees any read past it.
            auto buf = std::make_unique<char[]>(n ? n : 1);
            std::memcpy(buf.get(), full.data(), n);
            std::string once = page.Read(std::string_view(buf.get(), n));
            ExpectSound(page.box);
            EXPECT_EQ(page.Read(once), once);
        }
    }
}

TEST_F(MarkupTest, ProblemsReportedOncePerLoad) {
    CountingSink sink;
    page.Read(Z("<Z S0 s1234567890123 c12 >a<Y s9999999999999 >b<Y c12 >c<$FF0000AA><$FF0000AB>"), &sink);
    EXPECT_EQ(sink.calls, 1);
    EXPECT_GE(sink.last.Total(), 4u);
}

TEST_F(MarkupTest, TruncatedParameterShowsOneBoxWithoutSink) {
    class Boxes : public platform::Ui {
    public:
        void Information(std::string_view) override { ++n; }
        void Warning(std::string_view) override { ++n; }
        void Error(std::string_view t) override {
            ++n;
            last = t;
        }
        platform::Answer AskYesNo(std::string_view) override { return platform::Answer::No; }
        platform::Answer AskYesNoCancel(std::string_view) override { return platform::Answer::Cancel; }
        void ShowErrorList(std::string_view, const std::vector<std::string>&) override {}
        void BeginBusy() override {}
        void EndBusy() override {}
        void ProcessEvents(int) override {}
        int n = 0;
        std::string last;
    } ui;
    platform::ScopedUi scope(ui);
    LoadBox(page.box, 0, Z("<Z S0 s1234567890123 >a<Y c1 >b<Y s-99999999999999 >c"));
    EXPECT_EQ(ui.n, 1);
    EXPECT_EQ(ui.last, "Truncated line!");
}

TEST_F(MarkupTest, NestedCellsAreBounded) {
    // Forty 1x1 tables, each in the cell of the one before.
    std::string text = "<Z S0 >";
    std::vector<std::int32_t> ids;
    for (int i = 0; i < 40; ++i) {
        model::TNYXoggetto* t = page.set.NewObject(model::tabellaHtml);
        ids.push_back(page.registry.Add(std::make_unique<TNYXembedded>(t))->Id());
        char b[16];
        std::snprintf(b, sizeof b, "<$FF%06X>", static_cast<unsigned>(ids.back()));
        text += b;
        text += "<Z S1 >";
    }
    text += "fondo";
    for (int i = 0; i < 40; ++i) text += "<T>";
    text += "<Z S0 >dopo";
    CountingSink sink;
    std::string out = page.Read(Z(text), &sink);
    ExpectSound(page.box);
    EXPECT_EQ(sink.last.Count(MarkupProblem::NestingTooDeep), 1u);
    // The text after the tables is still there.
    EXPECT_EQ(page.box.paragraphs.back()->text, "dopo");
    EXPECT_EQ(page.Read(out), out);
}

TEST_F(MarkupTest, WriterModes) {
    page.Read(Z("<Z S0 >ab<Y y1 >cd<$6F000000>ef<Z S0 ><$FF000002><Z S1 >cella<T>"));
    const TNYXparag& text = *page.box.paragraphs[0];
    const TNYXparag& table = *page.box.paragraphs[1];

    std::string s;
    WriteParagraph(text, s, wmStore, -1, 3);  // a fragment from the middle
    EXPECT_EQ(s, "<Z S0 ><Y c000000 F\"Times New Roman\" s12 y1 p0 >d<$6F000000>ef<%>");
    s.clear();
    WriteParagraph(text, s, wmStore, 3, 0);
    EXPECT_EQ(s, "<Z S0 >ab<Y y1 >c");

    s.clear();
    WriteParagraph(table, s, wmRelayout);
    EXPECT_EQ(s, "<Z S0 ><$FF000002>");
    s.clear();
    WriteParagraph(table, s, wmUndoRange, 0, 0);  // the table outside the range
    EXPECT_EQ(s, "<Z S0 ><$FF000002><@>");
    s.clear();
    WriteParagraph(table, s, wmUndoRange, 1, 0);
    EXPECT_EQ(s, "<Z S0 ><$FF000002><Z S1 >cella<T>");

    // "<@>" read in mode 0 keeps the table's cells.
    std::string keep = "<Z S0 ><$FF000002><@>";
    keep += '\0';
    LoadBox(page.box, 0, keep);
    EXPECT_EQ(BoxText(page.box), Z("<Z S0 ><$FF000002><Z S1 >cella<T>"));

    // Mode 2: the paragraph continues inside another with its own look.
    page.Read(Z("<Z S2 c0000FF >xy"));
    s.clear();
    WriteParagraph(*page.box.paragraphs[0], s, wmContinue);
    EXPECT_EQ(s, "<Y c0000FF F\"Times New Roman\" s12 y0 p0 >xy");
}

TEST_F(MarkupTest, KeysAndIdsOfPastedMaterialAreRemapped) {
    std::vector<std::int32_t> oldKeys = {0x6F000000, model::MakeRef(model::stileParagrafo, 5)};
    std::vector<std::int32_t> newKeys = {0x6F000007, model::MakeRef(model::stileParagrafo, 2)};
    std::vector<std::int32_t> oldIds = {0x42};
    std::vector<std::int32_t> newIds = {3};
    TKeyMaps maps{&newKeys, &oldKeys, &newIds, &oldIds};
    std::string t = Z("<Z S5 ><$6F000000>a<%><$FF000042><$FF000077>");
    TNYXparag* p = new TNYXparag(&page.box);
    page.box.paragraphs.clear();
    page.box.paragraphs.emplace_back(p);
    std::size_t pos = 0;
    EXPECT_TRUE(ReadParagraph(*p, t, pos, 0, &maps));
    std::string s;
    WriteParagraph(*p, s, wmStore);
    EXPECT_EQ(s, "<Z S2 ><$6F000007>a<%><$FF000003>");
}

TEST_F(MarkupTest, JoinKeepsTheSecondParagraphsLookAndRefusesTables) {
    page.Read(Z("<Z S0 >uno<Z S2 c0000FF s20 >due<Y y1 >tre<Z S0 ><$FF000002><Z S1 >x<T><Z S0 >dopo"));
    ASSERT_EQ(page.box.paragraphs.size(), 4u);
    EXPECT_FALSE(JoinParagraphs(page.box, 1));  // next is a table
    EXPECT_FALSE(JoinParagraphs(page.box, 2));  // a table
    EXPECT_EQ(page.box.paragraphs.size(), 4u);
    ASSERT_TRUE(JoinParagraphs(page.box, 0));
    ASSERT_EQ(page.box.paragraphs.size(), 3u);
    const TNYXparag& j = *page.box.paragraphs[0];
    EXPECT_EQ(j.text, "unoduetre");
    EXPECT_EQ(j.FontAt(1).colour, 0u);
    EXPECT_EQ(j.FontAt(4).colour, 0xFF0000u);
    EXPECT_EQ(j.FontAt(4).size, 20);
    EXPECT_EQ(j.FontAt(7).style, kBold);
    EXPECT_EQ(j.FontAt(7).size, 20);
    EXPECT_EQ(BoxText(page.box),
              Z("<Z S0 >uno<Y c0000FF s20 >due<Y c0000FF s20 y1 >tre<Z S0 ><$FF000002><Z S1 >x<T><Z S0 >dopo"));
}

TEST_F(MarkupTest, FontNamesCannotBreakATag) {
    page.Read(Z("<Z S0 >ab"));
    TNYXparag& p = *page.box.paragraphs[0];
    p.style.SetFontName("Evil\"> <Z S9 >\x01");
    auto fs = std::make_unique<TNYXFontStyle>();
    fs->SetBase(p.style.Named());
    fs->AssignFont({"Bad\"Name>", 0, 0, 12, 0});
    p.fonts.push_back(std::move(fs));
    p.recs[1].font = 0;
    p.text[0] = '\x07';  // a control byte put in by an edit
    std::string once = BoxText(page.box);
    EXPECT_EQ(once, Z("<Z S0 F\"Evil Z S9 \" ><Y F\"BadName\" >b"));
    EXPECT_EQ(page.Read(once), once);
}

TEST_F(MarkupTest, LexerEnumeratesObjectReferences) {
    std::vector<std::int32_t> refs;
    ForEachObjectRef("<Z S0 ><$FF000001>a<$0300000A>b<%><$12>c<$08000003<$0100000F>\0<$FF000009>",
                     [&](std::int32_t r) { refs.push_back(r); });
    EXPECT_EQ(refs, (std::vector<std::int32_t>{static_cast<std::int32_t>(0xFF000001), 0x0300000A, 0x0100000F}));
    EXPECT_EQ(ObjectRefs("<$08000003>x<$0800000>"), std::vector<std::int32_t>{0x08000003});
}

TEST(EntityTest, NamesAndCodes) {
    for (int c = 160; c <= 255; ++c) {
        std::string s = "&" + std::string(EntityName(c)) + ";";
        std::size_t next = 0;
        EXPECT_EQ(DecodeEntity(s, 0, next), c) << s;
        EXPECT_EQ(next, s.size());
    }
    std::size_t next = 0;
    EXPECT_EQ(DecodeEntity("&", 0, next), ' ');
    EXPECT_EQ(next, 1u);
    EXPECT_EQ(DecodeEntity("&#65", 0, next), 'A');
    EXPECT_EQ(DecodeEntity("&#300;", 0, next), 300 % 256);
}

TEST(PageTextTest, StoredReferencesBecomeIdsAndLocalKeys) {
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* pic = set.NewObject(model::immagineNew);
    model::TNYXoggetto* url = set.NewObject(model::internetLink);
    char stored[96];
    std::snprintf(stored, sizeof stored, "<Z S0 ><$%08X>x<%%><$%08X><$00000000>y<%%>",
                  static_cast<unsigned>(url->Reference()), static_cast<unsigned>(pic->Reference()));
    TStoredTextBox r(set);
    CountingSink sink;
    r.Load(stored, &sink);
    EXPECT_EQ(sink.calls, 0);
    EXPECT_EQ(BoxText(r.box), Z("<Z S0 ><$6F000000>x<%><$FF000000><$00000000>y<%>"));
    EXPECT_EQ(r.localObjects, std::vector<std::int32_t>{url->Reference()});
    EXPECT_EQ(r.registry.Find(0)->Record(), pic);
}

}  // namespace
