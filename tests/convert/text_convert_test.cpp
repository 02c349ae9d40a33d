#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "convert/text/NYXtoTxt.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Clipboard.h"
#include "richtext/StyleSheet.h"
#include "support/LinkTag.h"

using namespace model;
using convert::text::TNYXtoTxt;
namespace fs = std::filesystem;

namespace {

using testsupport::Tag;

std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class TextConvert : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    TNYXtoTxt txt{&set};
    void SetUp() override { set.NewHypertext(); }
    TNYXtesto* Page(const std::string& text) {
        auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        p->SetText(text);
        return p;
    }
};

TEST_F(TextConvert, MarkupToText) {
    TNYXoggetto* t = set.NewObject(tabellaHtml);
    t->SetByte(93, 2);
    t->SetByte(94, 2);
    TNYXoggetto* marker = set.NewObject(shortObj);
    marker->SetSubtype(21);
    marker->SetInt(5, 0x0500000A);
    TNYXoggetto* params = set.NewObject(shortObj);
    params->SetSubtype(27);
    params->SetFirstStream("colore");
    struct Case {
        std::string markup, text;
    };
    const Case cases[] = {
        {"<Z S0 >uno<Z S0 ><Y y1 >due &lt;&amp;&gt; &egrave;<Z S0 >", "uno\r\ndue <&> \xE8\r\n"},
        {"<Z S0 >prima<Z S0 >" + Tag(t->Reference()) + "<Z S1 >a<Z S1 >a2<T><Z S1 >b<T><Z S1 >c<T><Z S1 >d<T><Z S0 >dopo",
         "prima\r\na a2\tb\r\nc\td\r\ndopo"},
        {"<Z S0 >x" + Tag(marker->Reference()) + "y" + Tag(params->Reference()) + "<D q>nascosto<d>z", "x!RefI:0500000ay!ReCP:colore!z"},
    };
    for (const Case& c : cases) EXPECT_EQ(txt.MarkupToText(c.markup), c.text) << c.markup;
}

TEST_F(TextConvert, PagesExportTogetherInEitherEncoding) {
    const TNYXtesto* a = Page("<Z S0 >citt\xE0");
    const TNYXtesto* b = Page("<Z S0 >\x80");
    txt.ExportFileName = tmp / "out.txt";
    ASSERT_TRUE(txt.ExportPages({static_cast<std::int32_t>(a->Index()), static_cast<std::int32_t>(b->Index())}));
    EXPECT_EQ(Read(tmp / "out.txt"), "citt\xC3\xA0\r\n\xE2\x82\xAC");
    txt.encoding = convert::text::TTextEncoding::Cp1252;
    ASSERT_TRUE(txt.ExportPages({static_cast<std::int32_t>(a->Index())}));
    EXPECT_EQ(Read(tmp / "out.txt"), "citt\xE0");
}

TEST_F(TextConvert, ImportedTextsAreParagraphs) {
    std::ofstream(tmp / "a.txt", std::ios::binary) << "x < y & z\r\n\tsegue\x01\x02 qui\n\ncitt\xC3\xA0\n";
    std::ofstream(tmp / "bin.dat", std::ios::binary) << std::string("\x7F" "ELF\0\0\0\x01\x02\x03", 10);
    EXPECT_GT(txt.ImportFiles({tmp / "a.txt", tmp / "bin.dat", tmp / "none.txt"}), -1);
    ASSERT_EQ(txt.Report().pages.size(), 1u) << txt.Report().Lines()[1] << txt.Report().Lines()[2];
    auto* page = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, txt.Report().pages[0]));
    EXPECT_EQ(page->Text(), "<Z S0 >x &lt; y &amp; z<Z S0 >        segue qui<Z S0 ><Z S0 >citt\xE0");
    EXPECT_EQ(page->GetName(), "a.txt");
    ASSERT_EQ(txt.Report().skipped.size(), 2u);
    EXPECT_NE(txt.Report().skipped[0].find("bin.dat"), std::string::npos);
    // And back: what was imported exports as it was (control bytes and tabs aside).
    EXPECT_EQ(txt.MarkupToText(page->Text()), "x < y & z\r\n        segue qui\r\n\r\ncitt\xE0");
}

TEST_F(TextConvert, CodeModePasteMakesMarkers) {
    const std::string bytes = txt.ImportFragment({"a!RefI:0500000Ab ! !ReCP:nome!"}, 1, 0);
    richtext::TClipContainer c;
    ASSERT_EQ(richtext::ParseContainer(bytes, c), richtext::ClipParse::Ok);
    const TNYXoggetto* code = richtext::StyleByName(set, "Codice");
    ASSERT_TRUE(code);
    const std::string s = "<Z S" + std::to_string(code->Index()) + " >";
    EXPECT_EQ(c.markup, s + "a<$FF000000>b ! <$FF000001>");
    ASSERT_EQ(c.objects.size(), 2u);
    auto marker = MakeObject(shortObj);
    std::size_t pos = 0;
    ASSERT_TRUE(marker->LoadFromStream(c.objects[0].record, pos));
    EXPECT_EQ(marker->Subtype(), 21);
    EXPECT_EQ(marker->Int(5), 0x0500000A);
    richtext::TClipContainer plain;
    ASSERT_EQ(richtext::ParseContainer(txt.ImportFragment({"a\tb", "c"}, 0, 2), plain), richtext::ClipParse::Ok);
    EXPECT_EQ(plain.markup, "<Z S2 >a        b<Z S2 >c");
    EXPECT_EQ(plain.paragraphs, 2);
}

}  // namespace
