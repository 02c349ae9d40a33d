// The page properties: choices read from a page record, checked and written back.
#include <gtest/gtest.h>

#include <functional>

#include "model/Bytes.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Undo.h"
#include "shell/PageProperties.h"
#include "support/NyxBuilder.h"

using namespace model;
using namespace shell;
using platform::testing::FixedEnv;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
using testsupport::AddPage;
using testsupport::NyxBuilder;

namespace {

class PageProperties : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TempDir dir;
    TNYXset set;

    // Pages P0..P2 (P1 published as "uno"), keyword "alfa" in slot 0 and a
    // picture in slot 0.
    void SetUp() override {
        NyxBuilder b;
        testsupport::AddDefaultStyles(b);
        for (int i = 0; i < 3; ++i) {
            std::string second;
            if (i == 1) {
                bytes::PutI32(second, 7);
                bytes::PutI32(second, 3);
                second += "uno";
            }
            AddPage(b, "P" + std::to_string(i), "<Z S0 >testo", second);
        }
        b.Add(keyword).rec.Str(0, "alfa");
        testsupport::AddPicture(b, "fondo.gif", "GIF89a");
        b.Write(dir / "guida.nyx");
        ASSERT_TRUE(set.LoadFromFile(dir / "guida.nyx"));
    }
    TNYXoggetto& Page(int i) { return *set.ObjectAt(testoHtml, i); }
};

TEST_F(PageProperties, ChoicesReachTheRecordAndReadBackAfterSaving) {
    TNYXoggetto& p = Page(0);
    TPageChoices c = ReadPageChoices(set, p);
    EXPECT_EQ(c.title, "P0");
    EXPECT_EQ(c.keywords, std::vector<std::string>{"alfa"}) << "twenty slots holding 0 name keyword 0 once";
    c.title = "Benvenuti";
    c.textColour = 0x112233;
    c.backColour = 0x00FF00;
    c.backPicture = 0;
    c.fixedBackground = true;
    c.keywords = {"alfa", "beta"};
    c.headerPage = 2;
    c.nextSlide = Page(2).Reference();
    c.chapter = 1;
    c.position = 4;
    c.alias = "inizio";
    c.headHtml = "<META NAME=\"x\">";
    ASSERT_TRUE(ApplyPageChoices(set, p, c));
    EXPECT_TRUE(set.Modified());

    EXPECT_EQ(p.Str(pagerec::kTitle, pagerec::kTitleCap), "Benvenuti");
    EXPECT_EQ(p.Int(pagerec::kTextColour), 0x112233);
    EXPECT_EQ(p.Int(pagerec::kBackColour), 0x00FF00);
    EXPECT_EQ(p.Int(pagerec::kBackPicture), 0);
    EXPECT_EQ(p.Byte(pagerec::kFixedBackground), 1);
    EXPECT_EQ(p.Int(pagerec::kKeywords), 0);  // the existing "alfa" is reused
    const TNYXoggetto* beta = set.ObjectAt(keyword, p.Int(pagerec::kKeywords + 4));
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(beta->Str(0, 79), "beta");
    for (std::size_t k = 2; k < pagerec::kKeywordCount; ++k) EXPECT_EQ(p.Int(pagerec::kKeywords + 4 * k), -1);
    EXPECT_EQ(p.Int(pagerec::kHeaderPage), 2);
    EXPECT_EQ(p.Int(pagerec::kFooterPage), -1);
    EXPECT_EQ(p.Int(pagerec::kNextSlide), Page(2).Reference());
    EXPECT_EQ(p.SWord(pagerec::kChapter), 1);
    EXPECT_EQ(p.SWord(pagerec::kPosition), 4);
    std::string second;
    bytes::PutI32(second, 10);
    bytes::PutI32(second, 6);
    EXPECT_EQ(*p.SecondStream(), second + "inizio<META NAME=\"x\">");
    EXPECT_EQ(ReadPageChoices(set, p), c);
    EXPECT_FALSE(ApplyPageChoices(set, p, c)) << "nothing changed";

    ASSERT_TRUE(set.SaveToFile(dir / "salvata.nyx"));
    TNYXset again;
    ASSERT_TRUE(again.LoadFromFile(dir / "salvata.nyx"));
    EXPECT_EQ(ReadPageChoices(again, *again.ObjectAt(testoHtml, 0)), c);
}

TEST_F(PageProperties, AutomaticTitleAndKeywordsListedTwice) {
    TNYXoggetto& p = Page(0);
    for (std::size_t k = 0; k < pagerec::kKeywordCount; ++k) p.SetInt(pagerec::kKeywords + 4 * k, 0);
    TPageChoices c = ReadPageChoices(set, p);
    EXPECT_EQ(c.keywords, std::vector<std::string>{"alfa"});
    c.autoTitle = true;
    c.title = std::string(200, 'x');  // not checked: the page names itself
    ASSERT_TRUE(ApplyPageChoices(set, p, c));
    EXPECT_EQ(p.Str(pagerec::kTitle, pagerec::kTitleCap), "Senza titolo");
    EXPECT_EQ(p.Int(pagerec::kKeywords + 4), -1);
    EXPECT_EQ(SplitKeywords(" a, b ,,c "), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(PageProperties, RefusalsLeaveThePageAlone) {
    const struct {
        std::function<void(TPageChoices&)> change;
        const char* message;
    } cases[] = {
        {[](TPageChoices& c) { c.title = std::string(72, 'a'); }, "al massimo 71 caratteri"},
        {[](TPageChoices& c) { c.title = "  "; }, "non può essere vuoto"},
        {[](TPageChoices& c) { c.keywords = {std::string(80, 'k')}; }, "al massimo 79 caratteri"},
        {[](TPageChoices& c) { c.keywords = {"-"}; }, "non valida"},
        {[](TPageChoices& c) { c.keywords.assign(21, "k"); }, "al massimo 20 parole chiave"},
        {[](TPageChoices& c) { c.backPicture = 5; }, "immagine di sfondo"},
        {[](TPageChoices& c) { c.headerPage = 0; }, "intestazione"},
        {[](TPageChoices& c) { c.footerPage = 9; }, "piè di pagina"},
        {[](TPageChoices& c) { c.nextSlide = MakeRef(keyword, 0); }, "diapositiva"},
        {[](TPageChoices& c) { c.alias = "UNO"; }, "già usato"},
        {[](TPageChoices& c) { c.alias = std::string(256, 'a'); }, "al massimo 255"},
    };
    TNYXoggetto& p = Page(0);
    std::string before;
    p.SaveToStream(before);
    for (const auto& k : cases) {
        TPageChoices c = ReadPageChoices(set, p);
        k.change(c);
        EXPECT_NE(CheckPageChoices(set, p, c).find(k.message), std::string::npos) << k.message;
        EXPECT_FALSE(ApplyPageChoices(set, p, c));
    }
    std::string after;
    p.SaveToStream(after);
    EXPECT_EQ(after, before);
    EXPECT_FALSE(set.Modified());
    EXPECT_EQ(set.Count(keyword), 1u);
}

TEST_F(PageProperties, ChangeIsUndone) {
    richtext::TNYXundoList undo(&set);
    TNYXoggetto& p = Page(1);
    TPageChoices c = ReadPageChoices(set, p);
    c.title = "Nuovo";
    c.backColour = 0x0000FF;
    ASSERT_TRUE(ApplyPageChoices(set, p, c));
    ASSERT_TRUE(undo.CanUndo());
    undo.UndoOnce();
    EXPECT_EQ(p.Str(pagerec::kTitle, pagerec::kTitleCap), "P1");
    EXPECT_EQ(TNYXset::PageAlias(p), "uno");
    undo.RedoOnce();
    EXPECT_EQ(ReadPageChoices(set, p), c);
}

}  // namespace
