#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Attributes.h"
#include "support/HtmlExportFixture.h"
#include "support/LinkTag.h"

using namespace model;
using convert::html::TNYXtoHtml;
namespace fs = std::filesystem;

namespace {

using testsupport::Tag;

class HtmlExport : public testsupport::HtmlExportFixture {
protected:
    void SetUp() override {
        HtmlExportFixture::SetUp();
        x.options.expTipoExt = 1;
    }
    static std::string Read(const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
};

TEST_F(HtmlExport, TextWalkGolden) {
    TNYXoggetto* style0 = set.ObjectAt(stileParagrafo, 0);
    ASSERT_TRUE(style0);
    richtext::SetStyleValue(*style0, richtext::pfSize, 12);
    richtext::SetStyleValue(*style0, richtext::pfColour, 0);
    style0->SetStr(richtext::style::kFont, richtext::style::kFontCap, "Times New Roman");
    struct Case {
        const char* name;
        std::string markup;
        std::string html;
        bool emulate = false;
    };
    const Case cases[] = {
        {"one word", "<Z S0 >Parola", "<DIV class=s0 >\r\nParola&nbsp;</DIV>\r\n"},
        {"three spaces", "<Z S0 >a   b", "<DIV class=s0 >\r\na &nbsp;&nbsp;b&nbsp;</DIV>\r\n"},
        {"red arial run", "<Z S0 >x<Y cFF0000 F\"Arial\" s10 >y",
         "<DIV class=s0 >\r\nx<FONT style='color:#FF0000;font-family:&quot;Arial&quot;;font-size:10pt;' SIZE=-1 COLOR=#FF0000 "
         "FACE=\"Arial\">y&nbsp;</FONT></DIV>\r\n"},
        {"bold in paragraph font", "<Z S0 >a<Y y1 >b", "<DIV class=s0 >\r\na<B>b&nbsp;</B></DIV>\r\n"},
        {"bold inside font run", "<Z S0 >a<Y cFF0000 >b<Y cFF0000 y1 >c",
         "<DIV class=s0 >\r\na<FONT style='color:#FF0000;' COLOR=#FF0000>b</FONT><FONT style='color:#FF0000;' "
         "COLOR=#FF0000><B>c&nbsp;</B></FONT></DIV>\r\n"},
        {"escapes", "<Z S0 >&lt;a&amp;b&gt; \xE8", "<DIV class=s0 >\r\n&lt;a&amp;b&gt; &egrave;&nbsp;</DIV>\r\n"},
        {"inline css", "<Z S0 A2 M0 l96 >t", "<DIV ALIGN=center class=s0  style='text-align: center;margin-left: 3cm;'>\r\nt&nbsp;</DIV>\r\n"},
        {"emulate ff", "<Z S0 A2 >t", "<DIV ALIGN=center class=s0 >\r\nt&nbsp;</DIV>\r\n", true},
        {"numbered", "<Z S0 N6 >a<Z S0 N6 >b",
         "<DIV class=s0  style='list-style-type:decimal;'>\r\n<!--lisnum-->1. <!--/lisnum-->a&nbsp;</DIV>\r\n"
         "<DIV class=s0  style='list-style-type:decimal;'>\r\n<!--lisnum-->2. <!--/lisnum-->b&nbsp;</DIV>\r\n"},
        {"skipped block", "<Z S0 >a<D x>hidden<d>b", "<DIV class=s0 >\r\nab&nbsp;</DIV>\r\n"},
    };
    for (const Case& c : cases) {
        x.options.expCSS = c.emulate ? convert::html::ecEmulateFF : convert::html::ecUseCSS;
        EXPECT_EQ(x.TextToHtml(c.markup), c.html) << c.name;
    }
}

TEST_F(HtmlExport, LinksAreClosedAtParagraphEndAndStayNested) {
    TNYXtesto* target = Page("Bersaglio", "<Z S0 >t");
    TNYXoggetto* url = set.NewObject(internetLink);
    url->SetName("http://esempio.it/a b?x=1&y=\"2\"");
    const std::string html = x.TextToHtml("<Z S0 >" + Tag(url->Reference()) + "uno<Z S0 >due<%>" + Tag(target->Reference()) +
                                          "<Y y1 >tre<%>quattro");
    EXPECT_NE(html.find("HREF=\"http://esempio.it/a%20b?x=1&amp;y=%222%22\""), std::string::npos) << html;
    EXPECT_NE(html.find(">uno&nbsp;</A></DIV>"), std::string::npos) << html;
    EXPECT_NE(html.find("<B>tre</B></A><B>quattro"), std::string::npos) << html;
}

TEST_F(HtmlExport, TablesCloseAtTheLastCellAndEmptyTablesAreEmpty) {
    TNYXoggetto* t = set.NewObject(tabellaHtml);
    t->SetByte(93, 2);
    t->SetByte(94, 2);
    const std::string html = x.TextToHtml("<Z S0 >" + Tag(t->Reference()) + "<Z S1 >a<T><Z S1 >b<T><Z S1 >c<T><Z S1 >d<T><Z S0 >after");
    EXPECT_NE(html.find("d\r\n&nbsp;</DIV></TD></TR></TABLE></DIV>\r\n<DIV class=s0 >"), std::string::npos) << html;
    EXPECT_EQ(html.find("</TR>\r\n<TR>\r\n"), html.find("</TR>\r\n<TR>"));
    EXPECT_NE(html.find("after"), std::string::npos);
    t->SetByte(93, 0);
    const std::string empty = x.TextToHtml("<Z S0 >" + Tag(t->Reference()) + "<Z S0 >x");
    EXPECT_NE(empty.find(">\r\n</TABLE></DIV>\r\n"), std::string::npos) << empty;
    EXPECT_EQ(empty.find("<TD"), std::string::npos);
}

TEST_F(HtmlExport, FileNames) {
    x.options.expTipoExt = 0;
    for (int i = 0; i < 256; ++i) set.NewObject(testoHtml);
    TNYXoggetto* p255 = set.ObjectAt(testoHtml, 255);
    EXPECT_EQ(x.PageFileName(p255, 0), "_0000ff.htm");
    EXPECT_EQ(x.PageFileName(p255, 1), "-0000ff.htm");
    EXPECT_EQ(x.PageFileName(set.ObjectAt(testoHtml, 0), 0), "_index.htm");
    set.SetExpPrefix("../a/b");
    EXPECT_EQ(x.PageFileName(p255, 0), ".._a_b_0000ff.htm");
    set.SetExpPrefix("");
    TNYXoggetto* movie = set.AddFile(GifFile("film.MOV"));
    ASSERT_TRUE(movie);
    EXPECT_EQ(x.PageFileName(movie, 2), movie->GetFileName());
    TNYXoggetto* pic = set.AddPicture(GifFile("foto.gif"));
    ASSERT_TRUE(pic);
    EXPECT_EQ(x.PageFileName(pic, 2), "_i" + convert::Hex6(pic->Index()) + ".gif");
    EXPECT_EQ(x.PageFileName(Placed(pic), 2), x.PageFileName(pic, 2));
}

TEST_F(HtmlExport, OriginalNamesNeverOverwriteOrLeaveTheFolder) {
    x.options.expOrigName = true;
    TNYXoggetto* a = set.AddPicture(GifFile("uno.gif"));
    TNYXoggetto* b = set.AddPicture(GifFile("due.gif"));
    ASSERT_TRUE(a && b);
    a->SetStr(94, 75, "same.gif");
    b->SetStr(94, 75, "../same.gif");
    const std::string na = x.PageFileName(a, 2), nb = x.PageFileName(b, 2);
    EXPECT_EQ(na, "same.gif");
    EXPECT_NE(nb, na);
    EXPECT_EQ(nb.find('/'), std::string::npos) << nb;
    EXPECT_EQ(x.PageFileName(b, 2), nb);  // stable within a run
}

TEST_F(HtmlExport, PageDocument) {
    TNYXoggetto* k1 = set.NewObject(keyword);
    k1->SetName("alfa");
    TNYXoggetto* k2 = set.NewObject(keyword);
    k2->SetName("be\"ta");
    TNYXtesto* header = Page("Testata", "<Z S0 >TESTATA");
    TNYXtesto* p = Page(std::string(80, 'T'), "<Z S0 >corpo");
    std::string title(80, 'x');
    title[0] = '<';
    p->SetName(title);
    p->SetInt(105, static_cast<std::int32_t>(k1->Index()));
    p->SetInt(109, static_cast<std::int32_t>(k2->Index()));
    p->SetInt(231, static_cast<std::int32_t>(header->Index()));
    set.SetNYXFileName(fs::path());
    const std::string html = x.WritePage(*p, 0);
    EXPECT_NE(html.find("<TITLE>&lt;" + std::string(70, 'x') + "\r\n</TITLE>"), std::string::npos) << html;
    EXPECT_NE(html.find("<META NAME=\"keywords\" CONTENT=\"alfa,be&quot;ta,\">"), std::string::npos) << html;
    EXPECT_NE(html.find(" >\r\n<BASE TARGET=\"_top\">\r\n<DIV class=s0 >\r\nTESTATA"), std::string::npos) << html;
    EXPECT_LT(html.find("TESTATA"), html.find("corpo"));
    EXPECT_NE(html.find("<!--pageQuor=\"" + std::to_string(p->Index()) + ";"), std::string::npos);
}

TEST_F(HtmlExport, PageMarkerCarriesTheFileNameOnly) {
    TNYXtesto* p = Page("P", "<Z S0 >x");
    const fs::path file = tmp.path() / "segreto" / "guida.nyx";
    fs::create_directories(file.parent_path());
    const auto index = p->Index();
    ASSERT_TRUE(set.SaveToFile(file));
    p = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, index));
    const std::string html = x.WritePage(*p, 0);
    EXPECT_NE(html.find("<!--pageQuor=\"" + std::to_string(p->Index()) + ";guida.nyx\"-->"), std::string::npos) << html;
    EXPECT_EQ(html.find("segreto"), std::string::npos);
}

TEST_F(HtmlExport, FormsEscapeValuesAndMailUsesPost) {
    TNYXoggetto* form = set.NewObject(inizioForm);
    form->SetSubtype(4);
    form->SetStr(17, 255, "a@b.it");
    TNYXoggetto* field = set.NewObject(inputStat);
    field->SetSubtype(1);
    field->SetStr(17, 79, "nome");
    field->SetStr(97, 79, "\"><script>");
    field->SetByte(180, 1);
    field->SetByte(179, 10);
    TNYXoggetto* list = set.NewObject(inputStat);
    list->SetSubtype(9);
    list->SetStr(17, 79, "l");
    list->SetFirstStream("<uno>\r\nv1\r\nX\r\ndue\r\nv\"2\r\n\r\n");
    TNYXoggetto* area = set.NewObject(inputStat);
    area->SetSubtype(4);
    area->SetByte(180, 1);
    area->SetFirstStream("</TEXTAREA><b>");
    const std::string html = x.TextToHtml("<Z S0 >prima" + Tag(form->Reference()) + Tag(field->Reference()) + Tag(list->Reference()) +
                                          Tag(area->Reference()));
    EXPECT_NE(html.find("<FORM METHOD=POST ACTION=\"mailto:a@b.it\" ENCTYPE=\"text/plain\" "), std::string::npos) << html;
    EXPECT_LT(html.find("<FORM"), html.find("<DIV"));
    EXPECT_NE(html.find("VALUE=\"&quot;&gt;&lt;script&gt;\""), std::string::npos) << html;
    EXPECT_NE(html.find("<OPTION VALUE=\"v1\" SELECTED >&lt;uno&gt;"), std::string::npos) << html;
    EXPECT_NE(html.find("<OPTION VALUE=\"v&quot;2\" >due"), std::string::npos) << html;
    EXPECT_NE(html.find("&lt;/TEXTAREA&gt;&lt;b&gt;\r\n</TEXTAREA>"), std::string::npos) << html;
    EXPECT_NE(html.find("</FORM>"), std::string::npos);
}

TEST_F(HtmlExport, RolloverWithoutLinkPointsToThePageAndPreloadsOnce) {
    TNYXoggetto* a = set.AddPicture(GifFile("a.gif"));
    TNYXoggetto* b = set.AddPicture(GifFile("b.gif"));
    TNYXoggetto* placed = Placed(a);
    placed->SetInt(9, b->Reference());
    TNYXtesto* p = Page("R", "<Z S0 >" + Tag(placed->Reference()) + Tag(placed->Reference()));
    const std::string html = x.WritePage(*p, 0);
    const std::string self = x.PageFileName(p, 0);
    EXPECT_NE(html.find("<A HREF=\"" + self + "\"  onMouseOver=\"QuorF_over('i"), std::string::npos) << html;
    EXPECT_NE(html.find("function QuorF_over"), std::string::npos);
    EXPECT_NE(html.find("QuorP_0.src="), std::string::npos);
    EXPECT_EQ(html.find("QuorP_1"), std::string::npos);
}

TEST_F(HtmlExport, RunReportsMissingFilesAndRefusedAliases) {
    TNYXoggetto* pic = set.AddPicture(GifFile("c.gif"));
    TNYXoggetto* placed = Placed(pic);
    TNYXtesto* p = Page("Pagina", "<Z S0 >" + Tag(placed->Reference()));
    std::string second;
    auto put = [&](std::int32_t v) { second.append(reinterpret_cast<const char*>(&v), 4); };
    put(8);
    put(6);
    second += "../esc";
    p->SetSecondStream(second);
    pic->DropFirstStream();
    pic->SetExternalPath(tmp.path() / "gone.gif");
    x.ExportPath = tmp.path() / "out";
    EXPECT_FALSE(x.Export(convert::AllPages(set)));
    bool missing = false, alias = false;
    for (auto& s : x.Report().problems) {
        missing |= s.find("non copiato") != std::string::npos;
        alias |= s.find("Alias") != std::string::npos;
    }
    EXPECT_TRUE(missing);
    EXPECT_EQ(TNYXset::PageAlias(*p), "../esc");
    EXPECT_TRUE(alias);
    EXPECT_FALSE(fs::exists(tmp.path() / "esc"));
    EXPECT_TRUE(fs::exists(x.ExportPath / x.PageFileName(p, 0)));
    EXPECT_TRUE(fs::exists(x.ExportPath / "_style.css"));
}

TEST_F(HtmlExport, StyleSheetCommentCannotBeClosedByAName) {
    TNYXoggetto* s = set.ObjectAt(stileParagrafo, 0);
    s->SetName("a*/b");
    const std::string css = x.StyleSheetText();
    EXPECT_NE(css.find("/* a* /b */\r\nDIV.s0 {"), std::string::npos) << css;
}

}  // namespace

TEST_F(HtmlExport, PreviousAndNextFollowChapterAndPosition) {
    // Number order: C (chapter 0), B (chapter 1, position 1), A (chapter 1, position 2); D is out of it.
    TNYXtesto* a = Page("A", "<Z S0 >a");
    TNYXtesto* b = Page("B", "<Z S0 >b");
    TNYXtesto* c = Page("C", "<Z S0 >c");
    TNYXtesto* d = Page("D", "<Z S0 >d");
    auto number = [](TNYXtesto* p, int chapter, int position) {
        p->SetWord(77, static_cast<std::uint16_t>(chapter));
        p->SetWord(79, static_cast<std::uint16_t>(position));
    };
    number(a, 1, 2);
    number(b, 1, 1);
    number(c, 0, 5);
    number(d, 0, -1);
    TNYXoggetto* previous = set.NewObject(speclink);
    previous->SetSubtype(4);
    TNYXoggetto* next = set.NewObject(speclink);
    next->SetSubtype(5);
    const std::string links = Tag(previous->Reference()) + "indietro<%> " + Tag(next->Reference()) + "avanti<%>";
    b->SetText("<Z S0 >" + links);
    x.pageOrder = {static_cast<std::int32_t>(a->Index()), static_cast<std::int32_t>(b->Index()),
                   static_cast<std::int32_t>(c->Index()), static_cast<std::int32_t>(d->Index())};
    const std::string html = x.WritePage(*b, 0);
    EXPECT_NE(html.find("HREF=\"" + x.PageFileName(c, 0) + "\""), std::string::npos) << html;
    EXPECT_NE(html.find("HREF=\"" + x.PageFileName(a, 0) + "\""), std::string::npos) << html;
    // The last page has no next one; a page out of the order has neither.
    a->SetText("<Z S0 >" + links);
    EXPECT_NE(x.WritePage(*a, 0).find("HREF=\"#\""), std::string::npos);
    // A neighbour that is not exported is not linked.
    x.pageOrder = {static_cast<std::int32_t>(b->Index())};
    EXPECT_EQ(x.WritePage(*b, 0).find(x.PageFileName(c, 0)), std::string::npos);
}
