#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"
#include "richtext/SamplePage.h"
#include "model/Upgrade.h"

using namespace richtext;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

struct Quiet : TMarkupProblemSink {
    void Report(const TMarkupDiagnostics& d) override { problems += d.Total(); }
    std::size_t problems = 0;
};

TEST(BoxTest, HeaderBodyAndFooterParagraphs) {
    TSamplePage page;
    Quiet q;
    LoadBox(page.box, 0, Z("<Z S0 >corpo<Z S0 >due"), Z("<Z S0 >testa"), Z("<Z S0 >piede<Z S0 >fine"), &q);
    EXPECT_EQ(q.problems, 0u);
    ASSERT_EQ(page.box.paragraphs.size(), 5u);
    EXPECT_EQ(page.box.headerCount, 1);
    EXPECT_EQ(page.box.footerCount, 2);
    EXPECT_EQ(page.box.paragraphs[0]->kind, pkHeader);
    EXPECT_EQ(page.box.paragraphs[1]->kind, pkBody);
    EXPECT_EQ(page.box.paragraphs[4]->kind, pkFooter);
    EXPECT_EQ(BoxText(page.box), Z("<Z S0 >corpo<Z S0 >due"));
    RelayoutParagraphs(page.box, 0, 4);
    EXPECT_EQ(page.box.paragraphs[0]->kind, pkHeader);
    EXPECT_EQ(page.box.paragraphs[3]->kind, pkFooter);
    EXPECT_TRUE(JoinParagraphs(page.box, 3));
    EXPECT_EQ(page.box.footerCount, 1);
    EXPECT_EQ(page.box.paragraphs.back()->text, "piedefine");
    EXPECT_FALSE(JoinParagraphs(page.box, 0));  // header with body
}

TEST(BoxTest, BoxWithoutParagraphTagStillHasOne) {
    TSamplePage page;
    for (std::string_view t : {std::string_view(""), std::string_view("\r\n", 2), std::string_view("\0", 1)}) {
        Quiet q;
        LoadBox(page.box, 0, t, {}, {}, &q);
        ASSERT_EQ(page.box.paragraphs.size(), 1u);
        EXPECT_EQ(page.box.paragraphs[0]->recs.size(), 1u);
        EXPECT_EQ(BoxText(page.box), Z("<Z S0 >"));
    }
}

TEST(BoxTest, StoreAndLoadThroughThePage) {
    TSamplePage page;
    auto* text = dynamic_cast<model::TNYXtesto*>(page.set.NewObject(model::testoHtml));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text(), "<Z S0 >");  // a new page's text
    text->SetByte(model::kTextVersionOffset, 2);
    text->SetText("<Z S0 >uno<Z S2 >due");
    LoadBoxFromPage(page.box, *text);
    StoreBoxText(page.box, *text);
    EXPECT_EQ(text->Text(), "<Z S0 >uno<Z S2 >due");
    std::string raw;
    ASSERT_TRUE(text->ReadFirstStream(raw));
    EXPECT_EQ(raw, Z("<Z S0 >uno<Z S2 >due"));
    EXPECT_EQ(text->Byte(model::kTextVersionOffset), 2);
}

TEST(UpgradeTest, VersionOneTextIsConvertedNotLost) {
    TSamplePage page;
    auto* text = dynamic_cast<model::TNYXtesto*>(page.set.NewObject(model::testoHtml));
    text->SetInt(89, 0x000080);    // text colour
    text->SetInt(93, 0xFF0000);    // link colour (blue)
    text->SetByte(model::kTextVersionOffset, 1);
    text->SetText("Ciao <B>mondo</B><BR>riga <FONT COLOR=#00FF00>verde<C>centro");
    LoadBoxFromPage(page.box, *text);
    EXPECT_EQ(text->Byte(model::kTextVersionOffset), 2);
    ASSERT_EQ(page.box.paragraphs.size(), 3u);
    EXPECT_EQ(page.box.paragraphs[0]->text, "Ciao mondo");
    EXPECT_EQ(page.box.paragraphs[1]->text, "riga verde");
    EXPECT_EQ(page.box.paragraphs[2]->text, "centro");
    EXPECT_EQ(page.box.paragraphs[0]->FontAt(6).style, kBold);
    EXPECT_EQ(page.box.paragraphs[1]->FontAt(6).colour, 0x00FF00u);
    EXPECT_EQ(page.box.paragraphs[2]->style.Get(pfAlign), 2);
    StoreBoxText(page.box, *text);
    EXPECT_EQ(text->Text(),
              "<Z S0 >Ciao <Y c800000 y1 >mondo<Z S0 ><Y c800000 >riga <Y c00FF00 >verde<Z S0 A2 ><Y c00FF00 >centro");
}

TEST(UpgradeTest, ConverterOutput) {
    EXPECT_EQ(model::UpgradeVersion1("a<I>b</I>\r\n<U>c</U>d<P>e", 0, 0xFF0000),
              "<Z S0 C0000FF >a<Y c000000 F\"Times New Roman\" s12 y2 p0 >b"
              "<Z S0 A0 l40 C0000FF ><Y c000000 F\"Times New Roman\" s12 y0 p0 >c"
              "<Z S0 A0 C0000FF ><Y c000000 F\"Times New Roman\" s12 y0 p0 >d"
              "<Y c000000 F\"Courier New\" s12 y0 p0 >e");
    EXPECT_EQ(model::UpgradeVersion1("<FONT SIZE=5>x<DIV ALIGN=RIGHT>y<%>", 0, 0),
              "<Z S0 C000000 ><Y c000000 F\"Times New Roman\" s19 y0 p0 >x"
              "<Z S0 A1 C000000 ><Y c000000 F\"Times New Roman\" s19 y0 p0 >y<%>");
}

TEST(UpgradeTest, TablesBecomeCellLists) {
    TSamplePage page;
    model::TNYXoggetto* table = page.set.NewObject(model::tabellaHtml);
    table->SetByte(93, 1);
    table->SetByte(94, 2);
    char v1[64];
    std::snprintf(v1, sizeof v1, "prima<$%08X>x<TF>y<TE>dopo", static_cast<unsigned>(table->Reference()));
    std::string v2 = model::UpgradeVersion1(v1, 0, 0xFF0000, &page.set);
    TStoredTextBox r(page.set);
    Quiet q;
    r.Load(v2, &q);
    EXPECT_EQ(q.problems, 0u) << v2;
    ASSERT_EQ(r.box.paragraphs.size(), 3u);
    EXPECT_EQ(r.box.paragraphs[0]->text, "prima");
    ASSERT_TRUE(r.box.paragraphs[1]->IsTableParagraph());
    EXPECT_EQ(r.box.paragraphs[1]->text, " ");
    EXPECT_EQ(r.box.paragraphs[2]->text, "dopo");
    TNYXembedded* e = r.box.paragraphs[1]->ObjectAt(0);
    ASSERT_EQ(e->Cells().size(), 2u);
    EXPECT_EQ(e->CellAt(0, 0)->paragraphs[0]->text, "x");
    EXPECT_EQ(e->CellAt(0, 1)->paragraphs[0]->text, "y");
    EXPECT_EQ(e->CellAt(0, 1)->paragraphs[0]->style.Named(), page.set.ObjectAt(model::stileParagrafo, 1));
}

}  // namespace
