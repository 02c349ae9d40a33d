// Tables whose record stores more than 50 columns: the page shows 50, the
// cells past the 50th running on in the last cell of their row; the HTML
// export writes the same rows instead of starting each row 10 cells early.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/html/NYXtoHtml.h"
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

TEST(HtmlTableShapes, SixtyStoredColumnsWereExportedAsMisalignedRows) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    set.NewHypertext();
    TNYXoggetto* t = set.NewObject(tabellaHtml);
    t->SetByte(93, 2);
    t->SetByte(94, 60);
    char tag[16];
    std::snprintf(tag, sizeof tag, "<$%08X>", static_cast<unsigned>(t->Reference()));
    std::string text = std::string("<Z S0 >prima<Z S0 >") + tag;
    for (int k = 0; k < 120; ++k) text += "<Z S1 >c" + std::to_string(k) + "<T>";
    text += "<Z S0 >dopo";
    convert::html::TNYXtoHtml x(&set);
    const std::string html = x.TextToHtml(text);
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

}  // namespace
