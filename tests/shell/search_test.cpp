// Finding and replacing text across the pages of a hypertext.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ManualTimers.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Undo.h"
#include "shell/Search.h"

using namespace model;
using namespace shell;

namespace {

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override { set.NewHypertext(); }
    TNYXtesto* NewPage(const std::string& text, const std::string& title = "P") {
        auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        p->SetText(text);
        p->SetName(title);
        return p;
    }
    std::string Stored(std::int64_t slot) {
        return PlainText(static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, slot))->Text(), false, false);
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::ManualTimers clock;
    TNYXset set;
};

TEST(SearchText, PlainTextDecodesEntitiesAndLeavesTagsAndBlocksOut) {
    struct Case {
        std::string markup;
        std::string plain;
    } cases[] = {
        {"<Z S0 >a &amp; b &lt;c&gt;", "\na & b <c>"},
        {"<Z S0 >uno<Z S0 >due", "\nuno\ndue"},
        {"<Z S0 >vis<D nascosto>dentro<d>ibile", "\nvisibile"},
        {"<Z S0 >a<F x>f<f>b<R y>r<r>c", "\nabc"},
        {"<Z S0 >prima<D senza fine", "\nprima"},           // an unclosed block ends at the text's end
        {std::string("<Z S0 >fino\0<Z S0 >oltre", 24), "\nfino"},  // nothing after the NUL byte
        {"<Z S0 ><Y B1 >gr<$00000001>as<%>so", "\ngrasso"},
        {"<Z S0 >a\r\nb\x01" "c", "\nabc"},                   // control bytes carry no text
    };
    for (const Case& c : cases) EXPECT_EQ(PlainText(c.markup, false, false), c.plain) << c.markup;
    EXPECT_EQ(PlainText("<P>Vecchio<B>testo", true, true), "vecchiotesto") << "old markup skips every tag";
}

TEST(SearchText, TermsCombineAsAAndBOrCAndD) {
    const std::string text = "\nla casa bianca\nil cane nero";
    struct Case {
        TSearchTerms terms;
        std::string matched;
    } cases[] = {
        {{"casa", "", "", ""}, "casa"},
        {{"", "casa", "", ""}, "casa"},            // B alone acts as A
        {{"casa", "nero", "", ""}, "casa"},
        {{"casa", "verde", "", ""}, ""},
        {{"casa", "verde", "cane", ""}, "cane"},   // (A and B) fails, C holds
        {{"", "", "cane", "nero"}, "cane"},        // C and D only
        {{"", "", "cane", "rosso"}, ""},
        {{"", "", "", "bianca"}, "bianca"},        // D alone
        {{"", "", "", ""}, ""},
        {{"CASA", "", "", ""}, "casa"},            // lower-cased when ignoring case
    };
    for (const Case& c : cases) {
        const TSearchTerms n = NormaliseTerms(c.terms, true);
        EXPECT_EQ(TextMatch(text, n, false), c.matched) << c.terms.a << "|" << c.terms.b << "|" << c.terms.c << "|" << c.terms.d;
    }
    EXPECT_EQ(TextMatch(text, NormaliseTerms({"CASA", "", "", ""}, false), false), "") << "case-sensitive";
}

TEST(SearchText, WholeWordsAtParagraphAndPageEnds) {
    const std::string text = PlainText("<Z S0 >fine<Z S0 >cas&agrave; casale<Z S0 >l'ultima casa", false, true);
    struct Case {
        std::string term;
        bool whole;
        bool found;
    } cases[] = {
        {"fine", true, true},     // ends a paragraph
        {"casa", true, true},     // ends the page
        {"cas", true, false},
        {"cas", false, true},
        {"cas\xE0", true, true},  // an accented letter is part of the word
        {"casal", true, false},
        {"ultima", true, true},   // after an apostrophe
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindTerm(text, c.term, 0, c.whole) != std::string::npos, c.found) << c.term << " " << c.whole;
}

TEST_F(SearchTest, PageTextMatchReadsDecodedTextOnly) {
    TNYXtesto* page = NewPage("<Z S0 ><Y C12CAFE >Pane &amp; vino<Z S0 >ciao");
    TSearchOptions o;
    struct Case {
        std::string term;
        bool match;
    } cases[] = {
        {"&", true}, {"pane & vino", true}, {"amp", false}, {"ci", true}, {"cafe", false}, {"<y", false},
    };
    for (const Case& c : cases) EXPECT_EQ(!PageTextMatch(*page, {c.term, "", "", ""}, o).empty(), c.match) << c.term;
    TNYXtesto* tagOnly = NewPage("<Z S0 ><Y Fca >testo");
    EXPECT_EQ(PageTextMatch(*tagOnly, {"ca", "", "", ""}, o), "") << "\"ca\" stands only inside a tag";
}

TEST_F(SearchTest, TermsOverTheLimitAreRefused) {
    const std::string longTerm(kMaxTermLength + 1, 'a');
    EXPECT_EQ(TermsProblem({longTerm, "", "", ""}), kTermTooLong);
    EXPECT_EQ(TermsProblem({"", "", "", longTerm}), kTermTooLong);
    EXPECT_EQ(TermsProblem({std::string(kMaxTermLength, 'a'), "", "", ""}), "");
    TNYXtesto* page = NewPage("<Z S0 >" + longTerm);
    EXPECT_EQ(FindNextInHypertext(set, -1, {longTerm, "", "", ""}, {}), -1);
    EXPECT_EQ(PageTextMatch(*page, {longTerm, "", "", ""}, {}), "");
}

TEST_F(SearchTest, FindNextStartsAfterTheCurrentPageInSlotOrder) {
    const std::int64_t a = NewPage("<Z S0 >mela")->Index();
    const std::int64_t b = NewPage("<Z S0 >pera")->Index();
    const std::int64_t c = NewPage("<Z S0 >mela e pera")->Index();
    std::string matched;
    EXPECT_EQ(FindNextInHypertext(set, -1, {"mela", "", "", ""}, {}, &matched), a);
    EXPECT_EQ(matched, "mela");
    EXPECT_EQ(FindNextInHypertext(set, a, {"mela", "", "", ""}, {}), c);
    EXPECT_EQ(FindNextInHypertext(set, c, {"mela", "", "", ""}, {}), -1) << "no page after the last";
    EXPECT_EQ(FindNextInHypertext(set, -1, {"", "", "pera", ""}, {}), b);
}

TEST_F(SearchTest, AJobInSlicesFindsWhatTheWholeRunFinds) {
    for (int i = 0; i < 50; ++i) NewPage("<Z S0 >pagina " + std::to_string(i));
    const std::int64_t target = NewPage("<Z S0 >ago nel pagliaio")->Index();
    THypertextFindJob job(set, -1, {"ago", "", "", ""}, {});
    int slices = 0;
    while (!job.Run(std::chrono::microseconds(0))) ++slices;  // one page a slice
    EXPECT_GT(slices, 10);
    EXPECT_EQ(job.FoundSlot(), target);
    THypertextFindJob stopped(set, -1, {"ago", "", "", ""}, {});
    stopped.Stop();
    EXPECT_TRUE(stopped.Run(std::chrono::milliseconds(10)));
    EXPECT_EQ(stopped.FoundSlot(), -1);
}

TEST_F(SearchTest, RegressionTheHypertextMayChangeBetweenSlices) {
    std::vector<TNYXtesto*> pages;
    for (int i = 0; i < 20; ++i) pages.push_back(NewPage("<Z S0 >pagina " + std::to_string(i)));
    pages[19]->SetText("<Z S0 >ago");
    THypertextFindJob job(set, -1, {"ago", "", "", ""}, {});
    ASSERT_FALSE(job.Run(std::chrono::microseconds(0)));
    // Nothing is held between slices: pages emptied or changed meanwhile are
    // read as they are when the job reaches them.
    pages[5]->Reset();
    pages[6]->SetText("<Z S0 >un ago");
    while (!job.Run(std::chrono::microseconds(0))) {
    }
    EXPECT_EQ(job.FoundSlot(), pages[6]->Index());
}

TEST_F(SearchTest, FindInBoxAndReplaceInOnePage) {
    const std::int64_t slot = NewPage("<Z S0 >il gatto e il Gatto<Z S0 >gattone gatto")->Index();
    TSearchOptions o;
    o.wholeWord = true;
    EXPECT_EQ(ReplaceInStoredPage(set, slot, "gatto", "cane", o, nullptr, nullptr), 3);
    EXPECT_EQ(Stored(slot), "\nil cane e il cane\ngattone cane");
    EXPECT_TRUE(set.Modified());
}

TEST_F(SearchTest, ReplaceAcrossPagesIsOneUndoStepPerPage) {
    richtext::TNYXundoList undo(&set);
    const std::int64_t a = NewPage("<Z S0 >rosso e rosso")->Index();
    const std::int64_t b = NewPage("<Z S0 >verde")->Index();
    const std::int64_t c = NewPage("<Z S0 >&amp;rosso&lt;")->Index();
    TSearchOptions o;
    EXPECT_EQ(ReplaceAllInHypertext(set, "rosso", "blu & oro", o, nullptr, &undo), 3);
    EXPECT_EQ(Stored(a), "\nblu & oro e blu & oro");
    EXPECT_EQ(Stored(b), "\nverde");
    EXPECT_EQ(Stored(c), "\n&blu & oro<");
    EXPECT_NE(static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, c))->Text().find("&amp;blu &amp; oro&lt;"), std::string::npos)
        << "the replacement is stored escaped";
    ASSERT_EQ(undo.Count(), 2u);
    undo.UndoOnce();
    EXPECT_EQ(Stored(c), "\n&rosso<");
    EXPECT_EQ(Stored(a), "\nblu & oro e blu & oro");
    undo.UndoOnce();
    EXPECT_EQ(Stored(a), "\nrosso e rosso");
}

TEST_F(SearchTest, ConfirmationsSkipAndStop) {
    const std::int64_t a = NewPage("<Z S0 >x x x")->Index();
    const std::int64_t b = NewPage("<Z S0 >x")->Index();
    std::vector<TReplaceAnswer> answers = {TReplaceAnswer::kReplace, TReplaceAnswer::kSkip, TReplaceAnswer::kReplace,
                                           TReplaceAnswer::kStop};
    std::size_t asked = 0;
    bool stopped = false;
    TSearchOptions o;
    const int n = ReplaceAllInHypertext(
        set, "x", "y", o, [&](const TBoxHit&) { return answers[asked++]; }, nullptr, &stopped);
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(asked, 4u);
    EXPECT_EQ(Stored(a), "\ny x y");
    EXPECT_EQ(Stored(b), "\nx") << "stopped before this page changed";
}

TEST_F(SearchTest, FindAllReportsPageParagraphAndContext) {
    NewPage("<Z S0 >niente");
    const std::int64_t s = NewPage("<Z S0 >primo<Z S0 >un bel cavallo bianco", "Stalla")->Index();
    const std::vector<TFindReport> r = FindAll(set, "cavallo", {});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].slot, s);
    EXPECT_EQ(r[0].title, "Stalla");
    EXPECT_EQ(r[0].paragraph, 2);
    EXPECT_EQ(r[0].context, " primo un bel cavallo bianco");
}

TEST_F(SearchTest, RegressionParagraphNumbersOfATextWithoutALeadingParagraphTag) {
    // The first paragraph of a text may have no tag of its own: the finds
    // after the first tag were counted as the first paragraph too.
    const struct {
        const char* text;
        std::vector<int> paragraphs;
    } cases[] = {
        {"<Z S0 >cavallo<Z S0 >cavallo", {1, 2}},
        {"cavallo<Z S0 >il cavallo<Z S0 ><Z S0 >cavallo", {1, 2, 4}},
        {"<Y B1 >cavallo<y>", {1}},
    };
    for (const auto& c : cases) {
        TNYXset fresh;
        fresh.NewHypertext();
        static_cast<TNYXtesto*>(fresh.NewObject(testoHtml))->SetText(c.text);
        std::vector<int> got;
        for (const TFindReport& r : FindAll(fresh, "cavallo", {})) got.push_back(r.paragraph);
        EXPECT_EQ(got, c.paragraphs) << c.text;
    }
}

TEST_F(SearchTest, RegressionReplaceLeftTheTableCellsAlone) {
    // A 1 x 2 table on the page: its cells' text is found and listed, and
    // was left unreplaced while the count said otherwise.
    TNYXoggetto* table = set.NewObject(tabellaHtml);
    table->SetByte(93, 1);
    table->SetByte(94, 2);
    char tag[16];
    std::snprintf(tag, sizeof tag, "<$%08X>", static_cast<unsigned>(table->Reference()));
    const std::int64_t slot =
        NewPage(std::string("<Z S0 >un cavallo<Z S0 >") + tag + "<Z S1 >il cavallo<T><Z S1 >niente<T><Z S0 >fine")->Index();
    EXPECT_EQ(FindAll(set, "cavallo", {}).size(), 2u);
    TSearchOptions o;
    o.confirmOne = o.confirmAll = false;
    EXPECT_EQ(ReplaceAllInHypertext(set, "cavallo", "pony", o, nullptr, nullptr), 2);
    const std::string stored = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, slot))->Text();
    EXPECT_NE(stored.find("<Z S0 >un pony<Z S0 >"), std::string::npos) << stored;
    EXPECT_NE(stored.find("<Z S1 >il pony<T>"), std::string::npos) << stored;
    EXPECT_EQ(FindAll(set, "cavallo", {}).size(), 0u);
    // Stop in a cell's question keeps the rest as it was.
    int asked = 0;
    EXPECT_EQ(ReplaceAllInHypertext(set, "pony", "mulo", o,
                                    [&](const TBoxHit&) { return ++asked == 1 ? TReplaceAnswer::kReplace : TReplaceAnswer::kStop; },
                                    nullptr),
              1);
    EXPECT_EQ(FindAll(set, "pony", {}).size(), 1u);
}

TEST_F(SearchTest, KeywordsAndThePagesCarryingThem) {
    TNYXoggetto* k0 = set.NewObject(keyword);
    k0->SetName("zebra");
    TNYXoggetto* k1 = set.NewObject(keyword);
    k1->SetName("Asino");
    TNYXtesto* p = NewPage("<Z S0 >x");
    TNYXtesto* q = NewPage("<Z S0 >y");
    for (TNYXtesto* page : {p, q})
        for (std::size_t k = 0; k < pagerec::kKeywordCount; ++k) page->SetInt(pagerec::kKeywords + 4 * k, -1);
    p->SetInt(pagerec::kKeywords + 4 * 3, static_cast<std::int32_t>(k1->Index()));
    const std::vector<TKeywordEntry> list = Keywords(set);
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Asino");
    EXPECT_EQ(PagesWithKeyword(set, k1->Index()), std::vector<std::int64_t>{p->Index()});
    EXPECT_TRUE(PagesWithKeyword(set, k0->Index()).empty());
    EXPECT_EQ(KeywordHeading("Asino"), "Pagine che contengono \"Asino\"");
}

}  // namespace
