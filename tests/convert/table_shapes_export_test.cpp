// Tables whose record stores more than 50 columns: the page shows 50, the
// cells past the 50th running on in the last cell of their row; the HTML,
// RTF and text exports write the same rows instead of starting each row 10
// cells early.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "convert/html/NYXtoHtml.h"
#include "convert/rtf/NYXtortf.h"
#include "convert/text/NYXtoTxt.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"

using namespace model;

namespace {

std::size_t Count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + what.size())) ++n;
    return n;
}

// A page holding a 2 x 60 table, cell k holding "c<k>", then "dopo".
struct SixtyColumns {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    TNYXtesto* page = nullptr;
    std::string text;
    SixtyColumns() {
        set.NewHypertext();
        TNYXoggetto* t = set.NewObject(tabellaHtml);
        t->SetByte(93, 2);
        t->SetByte(94, 60);
        char tag[16];
        std::snprintf(tag, sizeof tag, "<$%08X>", static_cast<unsigned>(t->Reference()));
        text = std::string("<Z S0 >prima<Z S0 >") + tag;
        for (int k = 0; k < 120; ++k) text += "<Z S1 >c" + std::to_string(k) + "<T>";
        text += "<Z S0 >dopo";
        page = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        page->SetText(text);
    }
};

TEST(HtmlTableShapes, SixtyStoredColumnsWereExportedAsMisalignedRows) {
    SixtyColumns f;
    convert::html::TNYXtoHtml x(&f.set);
    const std::string html = x.TextToHtml(f.text);
    EXPECT_EQ(Count(html, "<TR>"), 2u) << html;
    EXPECT_EQ(Count(html, "<TD"), 100u);
    const std::size_t row1 = html.find("<TR>", html.find("<TR>") + 4), end = html.find("</TABLE>");
    ASSERT_NE(row1, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    // Row 1 starts with the second row's own first cell; cells 49 to 59 share
    // the last cell of row 0; nothing of the table is left after it.
    EXPECT_NE(html.find("c60", row1), std::string::npos);
    EXPECT_GT(html.find("c59"), html.find("c49"));
    EXPECT_LT(html.find("c59"), row1);
    EXPECT_EQ(html.rfind("<TD", html.find("c59")), html.rfind("<TD", html.find("c49")));
    EXPECT_LT(html.find("c119"), end);
    EXPECT_GT(html.find("dopo"), end);
}

TEST(TextTableShapes, SixtyStoredColumnsWereExportedAsMisalignedRows) {
    SixtyColumns f;
    convert::text::TNYXtoTxt x(&f.set);
    const std::string out = x.MarkupToText(f.text);
    // Two lines of 50 cells: 49 tabs each; cells 49 to 59 share the last.
    const std::size_t row0 = out.find("c0\t"), row1 = out.find("\r\nc60\t");
    ASSERT_NE(row0, std::string::npos) << out;
    ASSERT_NE(row1, std::string::npos) << out;
    const std::string first = out.substr(row0, row1 - row0);
    EXPECT_EQ(Count(first, "\t"), 49u) << first;
    EXPECT_NE(first.find("c49 c50"), std::string::npos) << first;
    EXPECT_NE(first.find("c58 c59"), std::string::npos) << first;
    const std::size_t end = out.find("\r\n", row1 + 2);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(Count(out.substr(row1, end - row1), "\t"), 49u);
    EXPECT_NE(out.find("c119", row1), std::string::npos);
    EXPECT_GT(out.find("dopo"), out.find("c119"));
}

TEST(RtfTableShapes, SixtyStoredColumnsWereExportedAsMisalignedRows) {
    SixtyColumns f;
    platform::testing::TempDir tmp;
    convert::rtf::TNYXtortf x(&f.set);
    x.exportTime = 1700000000;
    x.ExportPath = tmp.path();
    x.ExportFileName = tmp.path() / "out.rtf";
    ASSERT_TRUE(x.ExportOnePage(static_cast<std::int32_t>(f.page->Index())));
    std::ifstream in(x.ExportFileName, std::ios::binary);
    const std::string rtf{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(Count(rtf, "\\row "), 2u);
    EXPECT_EQ(Count(rtf, "\\cell "), 100u);
    // Row 1 begins with the second row's own first cell.
    const std::size_t row0End = rtf.find("\\row ");
    ASSERT_NE(row0End, std::string::npos);
    EXPECT_LT(rtf.find("c59"), row0End);
    EXPECT_GT(rtf.find("c60"), row0End);
    EXPECT_EQ(rtf.rfind("\\cell ", rtf.find("c59")), rtf.rfind("\\cell ", rtf.find("c49")));
    EXPECT_GT(rtf.find("dopo"), rtf.rfind("\\row "));
}

}  // namespace
