#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "richtext/StyleSheet.h"
#include "support/RunNyx.h"

namespace {

using NyxResult = testsupport::NyxRun;

NyxResult Nyx(const std::string& args) { return testsupport::RunNyx(args, testsupport::NyxErrors::kDropped); }

TEST(MarkupCliTest, PrintsAndChecksPageMarkup) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "t.nyx").string();
    {
        model::TNYXset set;
        set.NewHypertext();
        auto* good = dynamic_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        good->SetText("<Z S0 >citt\xE0 &amp; co.");
        ASSERT_TRUE(set.SaveToFile(file));
    }
    NyxResult r = Nyx("markup " + file + " 0");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "<Z S0 >città &amp; co.\n");
    r = Nyx("markup-check " + file);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Nyx("markup " + file + " 7").status, 1);
    EXPECT_EQ(Nyx("markup " + file).status, 2);

    {
        model::TNYXset set;
        ASSERT_TRUE(set.LoadFromFile(file));
        auto* bad = dynamic_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        bad->SetText("testo<Z S0 s123456789012345 >x<T>");
        ASSERT_TRUE(set.SaveToFile(file));
    }
    r = Nyx("markup-check " + file);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("pagina 1: parametro troncato"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pagina 1: testo prima del primo paragrafo"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("pagina 0"), std::string::npos) << r.out;
}

TEST(StylesCliTest, ListsTheStylesWithTheParagraphsUsingThem) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "t.nyx").string();
    {
        model::TNYXset set;
        set.NewHypertext();
        ASSERT_TRUE(richtext::AddStyle(set, "Titolo"));
        auto* page = dynamic_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        // The unknown style 9 is shown, and counted, as the body style.
        page->SetText("<Z S2 >a<Z S2 >b<Z S0 >c<Z S9 >d");
        ASSERT_TRUE(set.SaveToFile(file));
    }
    NyxResult r = Nyx("styles " + file);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0\t[nessuno stile]\t2\n1\t[nessuno stile tabella]\t0\n2\tTitolo\t2\n");
    EXPECT_EQ(Nyx("styles").status, 2);
    EXPECT_EQ(Nyx("styles " + (dir / "missing.nyx").string()).status, 1);
}

TEST(LayoutCliTest, PrintsTheLinesOfAPage) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "t.nyx").string();
    {
        model::TNYXset set;
        set.NewHypertext();
        auto* page = dynamic_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        page->SetText("<Z S0 l0 r0 >aaaaaa bbbb cc<Z S0 N6 l0 r0 >uno");
        ASSERT_TRUE(set.SaveToFile(file));
    }
    NyxResult r = Nyx("layout " + file + " 0 --width 100");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "larghezza 100, contenuto 96, altezza 56\n"
              "paragrafo 0: 8-39\n"
              "  y 0 h 16 base 12 x 0 w 96: aaaaaa bbbb \n"
              "  y 16 h 16 base 12 x 0 w 16: cc\n"
              "paragrafo 1: 40-55 numero 1\n"
              "  y 0 h 16 base 12 x 0 w 24: uno\n");
    EXPECT_EQ(Nyx("layout " + file + " 3").status, 1);
    EXPECT_EQ(Nyx("layout " + file + " 0 --width x").status, 2);
}

}  // namespace
