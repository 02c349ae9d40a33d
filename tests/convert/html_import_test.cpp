#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ImportCanon.h"
#include "convert/html/Encoding.h"
#include "convert/html/Entities.h"
#include "convert/html/HtmlImport.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/text.h"
#include "present/FormData.h"
#include "richtext/Attributes.h"
#include "richtext/StyleSheet.h"
#include "support/LinkTag.h"

using namespace model;
using convert::html::THtmlImport;
using convert::html::TNYXtoHtml;
namespace fs = std::filesystem;

namespace {

using testsupport::Tag;

const char kGif[] = "GIF89a\x02\x00\x03\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";

void Write(const fs::path& p, std::string_view bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class HtmlImport : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset src, dst;
    void SetUp() override {
        src.NewHypertext();
        src.SetExpPrefix("");
        dst.NewHypertext();
    }
    TNYXtesto* Page(TNYXset& set, const std::string& title, const std::string& text) {
        auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        p->SetName(title);
        p->SetText(text);
        return p;
    }
    // The stored text of the one page made from an HTML document.
    std::string Import(std::string_view html, const std::string& name = "in.html") {
        THtmlImport imp(&dst);
        TNYXtesto* p = imp.ImportDocument(html, tmp / name);
        report = imp.Report();
        return p ? p->Text() : std::string("(none)");
    }
    // Exports the pages of `src` and imports their files into `dst`, in order.
    std::vector<TNYXtesto*> RoundTrip(const std::vector<TNYXtesto*>& pages) {
        TNYXtoHtml x(&src);
        x.ExportPath = tmp / "site";
        std::vector<std::int32_t> numbers;
        for (auto* p : pages) numbers.push_back(static_cast<std::int32_t>(p->Index()));
        EXPECT_TRUE(x.Export(numbers, false)) << (x.Report().problems.empty() ? "" : x.Report().problems[0]);
        std::vector<fs::path> files;
        for (auto* p : pages) files.push_back(tmp / "site" / platform::text::Cp1252ToUtf8(x.PageFileName(p, 0)));
        THtmlImport imp(&dst);
        imp.ImportFiles(files);
        report = imp.Report();
        std::vector<TNYXtesto*> out;
        for (std::int32_t n : imp.Report().pages) out.push_back(static_cast<TNYXtesto*>(dst.ObjectAt(testoHtml, n)));
        return out;
    }
    convert::html::TImportReport report;
};

// --- round trip --------------------------------------------------------------------------

TEST_F(HtmlImport, TheSampleComesBackAsItWasExported) {
    ASSERT_TRUE(src.LoadFromFile(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx"));
    std::vector<TNYXtesto*> pages;
    for (std::int32_t n : convert::AllPages(src)) pages.push_back(static_cast<TNYXtesto*>(src.ObjectAt(testoHtml, n)));
    const auto back = RoundTrip(pages);
    ASSERT_EQ(back.size(), pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        std::vector<std::string> problems;
        EXPECT_EQ(importtest::Canon(dst, back[i]->Text(), back[i], &problems),
                  importtest::Canon(src, pages[i]->Text(), pages[i]))
            << pages[i]->GetName();
        EXPECT_TRUE(problems.empty()) << problems[0];
        EXPECT_EQ(back[i]->GetName(), pages[i]->GetName());
    }
}

// Each original text, exported and imported again, gives the same text, or
// the text in `expected` where the exported HTML cannot tell them apart.
TEST_F(HtmlImport, TextsComeBackOrDifferAsDocumented) {
    TNYXoggetto* titolo = richtext::AddStyle(src, "Titolo");
    richtext::SetStyleValue(*titolo, richtext::pfSize, 19);
    richtext::SetStyleValue(*titolo, richtext::pfStyle, richtext::kBold);
    titolo->SetStr(richtext::style::kFont, richtext::style::kFontCap, "Arial");
    TNYXoggetto* url = src.NewObject(internetLink);
    url->SetName("https://esempio.it/a?b=1&c=2");
    TNYXoggetto* t22 = src.NewObject(tabellaHtml);
    t22->SetByte(93, 2);
    t22->SetByte(94, 2);
    TNYXoggetto* t11 = src.NewObject(tabellaHtml);
    const std::string cells22 = "<Z S1 >a<T><Z S1 >b<T><Z S1 >c<T><Z S1 >d<T>";
    struct Case {
        const char* what;
        std::string original;
        std::string expected;  // "" : the same
    };
    const Case cases[] = {
        {"runs", "<Z S0 >uno <Y y1 >due<Y > tre <Y y2 >i<Y y4 >u<Y y8 >s<Y p1 >b<Y p2 >p", ""},
        {"blanks", "<Z S0 >a   b c", ""},
        {"escapes and accents", "<Z S0 >&lt;x&amp;y&gt; \xE8 \x80 \xFF \"q\"", ""},
        {"font run", "<Z S0 >x<Y cFF0000 F\"Arial\" s10 >y<Y >z", ""},
        {"alignment and numbers", "<Z S0 A2 >centro<Z S0 N6 >uno<Z S0 N6 >due<Z S0 N10 >punto", ""},
        {"empty paragraphs", "<Z S0 >a<Z S0 ><Z S0 >b", ""},
        {"named style", "<Z S2 >Titolo<Z S0 >testo", ""},
        {"link", "<Z S0 >vai " + Tag(url->Reference()) + "qui<%> ora", ""},
        {"tables", "<Z S0 >prima<Z S0 >" + Tag(t22->Reference()) + cells22 + "<Z S0 >" + Tag(t11->Reference()) +
                       "<Z S1 >x<T><Z S0 >dopo", ""},
        {"a paragraph's own font is a run at its start", "<Z S0 cFF0000 >rosso", "<Z S0 ><Y cFF0000 >rosso"},
        {"trailing blanks go", "<Z S0 >fine  ", "<Z S0 >fine"},
        {"leading blanks go", "<Z S0 > inizio", "<Z S0 >inizio"},
        {"a non-breaking space after a blank is a blank", "<Z S0 >a \xA0" "b", "<Z S0 >a  b"},
        {"lengths are whole units", "<Z S0 M0 l96 >rientro", "<Z S0 M0 l113 >rientro"},
    };
    std::vector<TNYXtesto*> pages;
    for (const Case& c : cases) pages.push_back(Page(src, c.what, c.original));
    const auto back = RoundTrip(pages);
    ASSERT_EQ(back.size(), pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Case& c = cases[i];
        const std::string want = importtest::Canon(src, c.expected.empty() ? c.original : c.expected, pages[i]);
        EXPECT_EQ(importtest::Canon(dst, back[i]->Text(), back[i]), want) << c.what << "\n" << back[i]->Text();
    }
    // The style came back by its class with its name and font.
    TNYXoggetto* style = richtext::StyleByName(dst, "Titolo");
    ASSERT_TRUE(style);
    EXPECT_EQ(richtext::StyleFontName(style), "Arial");
    EXPECT_EQ(richtext::StyleValue(style, richtext::pfSize), 19);
    EXPECT_EQ(richtext::StyleByName(dst, "[nessuno stile] 1"), nullptr) << "the default style is the same style";
}

TEST_F(HtmlImport, ObjectsComeBackWithTheirData) {
    const fs::path gif = tmp / "logo.gif";
    Write(gif, std::string(kGif, sizeof kGif - 1));
    TNYXoggetto* pic = src.AddPicture(gif);
    ASSERT_TRUE(pic);
    TNYXoggetto* placed = src.NewPlacedPicture(pic);
    if (!placed->Registered()) src.RegisterObject(immagineNew, -1, placed);
    TNYXoggetto* url = src.NewObject(internetLink);
    url->SetName("http://esempio.it/");
    placed->SetInt(73, url->Reference());
    placed->SetInt(77, 0);
    for (int k = 0; k < 4; ++k) placed->SetWord(81 + 2 * k, static_cast<std::uint16_t>(5 + k * 10));
    TNYXoggetto* anchor = src.NewObject(shortObj);
    anchor->SetSubtype(14);
    anchor->SetInt(5, 3);
    TNYXtesto* page = Page(src, "Oggetti", "<Z S0 >logo " + Tag(placed->Reference()) + " e " + Tag(anchor->Reference()) + "fine");
    const auto back = RoundTrip({page});
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(importtest::Canon(dst, back[0]->Text(), back[0]), importtest::Canon(src, page->Text(), page));
}

// --- cases of the scan ------------------------------------------------------------------

TEST_F(HtmlImport, ScanCases) {
    struct Case {
        const char* what;
        std::string html;
        std::string markup;
    };
    const Case cases[] = {
        {"bold word", "<p>a <b>word</b> here", "<Z S0 >a <Y y1 >word<Y > here"},
        {"decoded markup characters stay text", "&lt;$01000000&gt;&lt;Z S0 &gt;&amp;amp;", "<Z S0 >&lt;$01000000&gt;&lt;Z S0 &gt;&amp;amp;"},
        {"full entity decoder", "&#8364;&#233;&#1234;&euro;&eacute;&copy &#x41;&#65;&#0;x", "<Z S0 >\x80\xE9?\x80\xE9\xA9 AA\x3Fx"},
        {"unknown name stays as written", "a&bogus;b &", "<Z S0 >a&amp;bogus;b &amp;"},
        {"raw > and < are text", "a > b < c", "<Z S0 >a &gt; b &lt; c"},
        {"a NUL does not end the text", std::string("uno\0due", 7), "<Z S0 >unodue"},
        {"face loses quotes and >", "<font face='Ar\"ial>x'>t</font>", "<Z S0 ><Y F\"Arialx\" >t"},
        {"font size", "<font size=+1>a</font><font size=2 color=red>b</font>", "<Z S0 ><Y s14 >a<Y cFF0000 s10 >b"},
        {"unmatched end tags", "<b>a</i>b</b>c</b>d", "<Z S0 ><Y y1 >ab<Y >cd"},
        {"misnested", "<b><i>x</b>y</i>z", "<Z S0 ><Y y3 >x<Y y2 >y<Y >z"},
        {"span is inline", "foo<span style='font-weight:bold'>bar</span>baz", "<Z S0 >foo<Y y1 >bar<Y >baz"},
        {"blocks", "<div align=center>c</div>t<br><br>u<h1>H</h1>", "<Z S0 A2 >c<Z S0 >t<Z S0 ><Z S0 >u<Z S0 ><Y s27 >H"},
        {"pre", "<pre>\n a\tb\n\nc</pre>", "<Z S0 ><Y F\"Courier New\" s10 > a      b<Z S0 ><Z S0 ><Y F\"Courier New\" s10 >c"},
        {"lists", "<ul><li>a<li>b</ul><ol><li>c</ol>", "<Z S0 N10 >a<Z S0 N10 >b<Z S0 N6 >c"},
        {"xml declaration and head style", "<?xml version='1.0' encoding='utf-8'?><html><head><style>p{}</style></head><body>x",
         "<Z S0 >x"},
        {"unclosed comment keeps the text before", "before<!-- never closed", "<Z S0 >before<$0B000000>"},
        {"unclosed tag", "text<b", "<Z S0 >text"},
        {"empty document", "", "<Z S0 >"},
    };
    for (const Case& c : cases) {
        dst.NewHypertext();
        EXPECT_EQ(Import(c.html), c.markup) << c.what;
    }
}

TEST_F(HtmlImport, LinksAndReferences) {
    Write(tmp / "sub/Pic.GIF", std::string(kGif, sizeof kGif - 1));
    Write(tmp / "other page.html", "<p>x");
    const std::string text = Import(
        "<a href='https://h.it/x'>a</a><a href='news:q'>b</a><a href='C:\\dir\\other%20page.html#top'>c</a>"
        "<a href='other%20page.html?x=1'>d</a><img src='SUB/pic.gif' usemap='#M'><map name=m><area href='mailto:a@b.it' "
        "coords='1,2,30,40'></map><img src='/no/such.gif'>");
    const std::vector<std::int32_t> refs = markup::ObjectRefs(text);
    ASSERT_EQ(refs.size(), 4u) << text;
    EXPECT_EQ(dst.ObjectByRef(refs[0])->GetName(), "https://h.it/x");
    EXPECT_EQ(dst.ObjectByRef(refs[1])->GetName(), "news:q");
    // A drive letter is a file name, and the query and fragment are not part
    // of it: both links are one link, covering "cd".
    EXPECT_EQ(RefType(refs[2]), speclink);
    EXPECT_NE(text.find(Tag(refs[2]) + "cd<%>"), std::string::npos) << text;
    EXPECT_EQ(dst.Count(speclink), 1u);
    // Found in another letter case; the zones of a MAP after its IMG.
    const TNYXoggetto* placed = dst.ObjectByRef(refs[3]);
    ASSERT_EQ(placed->Type(), immagineNew);
    const present::TZoneData z = present::TPictureData(*placed).Zone(0);
    EXPECT_EQ(dst.ObjectByRef(z.link)->GetName(), "mailto:a@b.it");
    EXPECT_EQ(z.left + z.top + z.width + z.height, 1 + 2 + 29 + 38);
    EXPECT_NE(text.find("[i]"), std::string::npos);
    // Outside the folder: listed, asked once, not loaded (the script says No).
    ASSERT_EQ(report.outside.size(), 1u);
    EXPECT_NE(report.outside[0].find("/no/such.gif"), std::string::npos);
}

TEST_F(HtmlImport, LocalLinksLeadToThePagesImportedFromTheirFiles) {
    Write(tmp / "a.html", "<a href='b.html#x'>to b</a>");
    Write(tmp / "b.html", "<title>B</title><a href='a.html'>to a</a><a href='c.html'>to c</a>");
    THtmlImport imp(&dst);
    EXPECT_EQ(imp.CollectLinkedFiles(tmp / "a.html", 3), (std::vector<fs::path>{tmp / "b.html", tmp / "c.html"}));
    imp.ImportFiles({tmp / "a.html", tmp / "b.html"});
    ASSERT_EQ(imp.Report().pages.size(), 2u);
    auto* a = static_cast<TNYXtesto*>(dst.ObjectAt(testoHtml, imp.Report().pages[0]));
    auto* b = static_cast<TNYXtesto*>(dst.ObjectAt(testoHtml, imp.Report().pages[1]));
    EXPECT_EQ(importtest::Canon(dst, a->Text(), a), "<Z S0 ><link page \"B\">to b<%>");
    EXPECT_EQ(importtest::Canon(dst, b->Text(), b),
              "<Z S0 ><link page \"" + a->GetName() + "\">to a<link link 6>to c<%>");
}

TEST_F(HtmlImport, TablesAreSplitAndCellsKeepTheirText) {
    std::string big = "<table>";
    for (int r = 0; r < 300; ++r) big += "<tr><td>r" + std::to_string(r);
    big += "</table><table><tr>";
    for (int c = 0; c < 55; ++c) big += "<td>c" + std::to_string(c);
    big += "<tr><td>x</table><table><tr><td>1<tr><td>2<td>3</table>";
    const std::string text = Import(big);
    const std::vector<std::int32_t> refs = markup::ObjectRefs(text);
    ASSERT_EQ(refs.size(), 4u);
    const present::TTableData a(*dst.ObjectByRef(refs[0])), b(*dst.ObjectByRef(refs[1])), c(*dst.ObjectByRef(refs[2])),
        d(*dst.ObjectByRef(refs[3]));
    EXPECT_EQ(a.Rows(), 255);
    EXPECT_EQ(b.Rows(), 45);
    EXPECT_EQ(c.Columns(), 50);
    EXPECT_NE(text.find("c49<Z S1 >c50<Z S1 >c51"), std::string::npos);
    // The first row is shorter than the second: padded, not shifted.
    EXPECT_EQ(d.Rows() * 10 + d.Columns(), 22);
    EXPECT_NE(text.find("1<T><Z S0 ><patchtr><T><Z S1 >2<T><Z S1 >3<T>"), std::string::npos) << text;
    std::vector<std::string> problems;
    TNYXtesto* page = static_cast<TNYXtesto*>(dst.ObjectAt(testoHtml, report.pages[0]));
    importtest::Canon(dst, page->Text(), page, &problems);
    EXPECT_TRUE(problems.empty()) << problems[0];
}

TEST_F(HtmlImport, ClosedCellsPastTheFiftiethColumnRunIntoTheLastInsteadOfBeingDropped) {
    struct Case {
        const char* what;
        std::string row;
        std::vector<std::string> kept;  // in the last cell, in this order
    };
    std::string closed;
    for (int c = 0; c < 55; ++c) closed += "<td>c" + std::to_string(c) + "</td>";
    const std::vector<Case> cases = {
        {"every cell closed", closed, {"c49", "c50", "c54"}},
        {"a span over the last columns", "<td>a</td><td colspan=60>b</td><td>c</td><td>d</td>", {"c", "d"}},
    };
    for (const Case& k : cases) {
        const std::string text = Import("<table><tr>" + k.row + "</tr><tr><td>z</td></tr></table>after");
        const std::vector<std::int32_t> refs = markup::ObjectRefs(text);
        ASSERT_EQ(refs.size(), 1u) << k.what;
        const present::TTableData t(*dst.ObjectByRef(refs[0]));
        EXPECT_EQ(t.Columns(), 50) << k.what;
        EXPECT_EQ(t.Rows(), 2) << k.what;
        // Exactly rows x columns cells: the page text after the table is its own.
        std::size_t cells = 0;
        for (std::size_t at = text.find("<T>"); at != std::string::npos; at = text.find("<T>", at + 3)) ++cells;
        EXPECT_EQ(cells, 100u) << k.what;
        std::size_t last = text.find("z");
        for (const std::string& w : k.kept) {
            const std::size_t at = text.find(w + "<");
            ASSERT_NE(at, std::string::npos) << k.what << ": " << w;
            EXPECT_LT(at, last) << k.what << ": " << w;
        }
        // The kept texts share the 50th cell: no cell end between the first and the last.
        const std::size_t first = text.find(k.kept.front() + "<"), end = text.find(k.kept.back() + "<");
        EXPECT_EQ(text.substr(first, end - first).find("<T>"), std::string::npos) << k.what;
        EXPECT_NE(text.find("after"), std::string::npos) << k.what;
    }
}

TEST_F(HtmlImport, HeadTitleKeywordsAndBody) {
    Import("<html><head><title> Il  titolo </title><meta name=keywords content=' uno, due ,,tre,'>"
           "<meta http-equiv=Content-Type content='text/html; charset=utf-8'><script>var x=1;</script>"
           "<style>p{color:red}</style><meta name=description content=d></head>"
           "<body bgcolor=#102030 text=red><script>document.write(1)</script>x");
    auto* page = static_cast<TNYXtesto*>(dst.ObjectAt(testoHtml, report.pages[0]));
    EXPECT_EQ(page->GetName(), "Il titolo");
    std::vector<std::string> words;
    for (int i = 0; i < 20; ++i)
        if (const TNYXoggetto* k = dst.ObjectAt(keyword, page->Int(105 + 4 * i)); k && !k->IsEmpty()) words.push_back(k->GetName());
    EXPECT_EQ(words, (std::vector<std::string>{"uno", "due", "tre"}));
    EXPECT_EQ(page->SecondStreamText(), "<script>var x=1;</script><style>p{color:red}</style><meta name=description content=d>");
    EXPECT_EQ(page->Int(101), 0x302010);
    EXPECT_EQ(page->Int(89), 0x0000FF);
    const std::vector<std::int32_t> refs = markup::ObjectRefs(page->Text());
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(dst.ObjectByRef(refs[0])->SecondStreamText(), "<script>document.write(1)</script>");
}

TEST_F(HtmlImport, FormElements) {
    const std::string text = Import(
        "<form method=get action='mailto:a@b.it' enctype=text/plain><input name=n value=v size=5><input type=checkbox name=c checked>"
        "<input type=submit><select name=s><option value=1>Uno<option selected>Due</select><textarea name=t rows=3>\nriga</textarea>"
        "<select name=open><option>x<p>dopo");
    const std::vector<std::int32_t> refs = markup::ObjectRefs(text);
    ASSERT_EQ(refs.size(), 7u) << text;
    const TNYXoggetto& form = *dst.ObjectByRef(refs[0]);
    EXPECT_EQ(present::TFormStartData(form).Method(), 4);
    EXPECT_EQ(present::TFormStartData(form).Address(), "a@b.it");
    EXPECT_EQ(present::TFormStartData(form).Encoding(), "text/plain");
    const present::TFormFieldData edit(*dst.ObjectByRef(refs[1])), check(*dst.ObjectByRef(refs[2]));
    EXPECT_EQ(edit.Identifier() + edit.Value() + std::to_string(edit.WidthChars()), "nv5");
    EXPECT_TRUE(check.Checked());
    EXPECT_EQ(present::TButtonData(*dst.ObjectByRef(refs[3])).Caption(), "Submit");
    std::string items;
    dst.ObjectByRef(refs[4])->ReadFirstStream(items);
    EXPECT_EQ(items, "Uno\n1\nN\nDue\nDue\nX\n");
    std::string lines;
    dst.ObjectByRef(refs[5])->ReadFirstStream(lines);
    EXPECT_EQ(lines, "riga");
    // A SELECT without its end tag ends where a list cannot go on: the text after it stays.
    EXPECT_NE(text.find("dopo"), std::string::npos);
}

TEST_F(HtmlImport, EncodingsAndRobustness) {
    const std::string utf16le("\xFF\xFE<\0p\0>\0\xE8\0 \0\xAC\x20", 14);
    std::string utf16noBom;
    for (char c : std::string("<p>ciao a tutti quanti")) utf16noBom += std::string{c, '\0'};
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<div><b><table><tr><td>";
    deep += "fondo";
    struct Case {
        const char* what;
        std::string bytes;
        std::string contains;
    };
    const Case cases[] = {
        {"utf-8 undeclared", "<p>citt\xC3\xA0 \xE2\x82\xAC \xF0\x9F\x98\x80", "citt\xE0 \x80 ?"},
        {"windows-1252 undeclared", "<p>citt\xE0 \x80", "citt\xE0 \x80"},
        {"declared latin-1 over utf-8 bytes", "<meta charset=iso-8859-1><p>\xC3\xA0", "\xC3\xA0"},
        {"declared koi8-r", "<meta http-equiv=Content-Type content='text/html; charset=koi8-r'><p>\xC1", "?"},
        {"utf-16 with bom", utf16le, "\xE8 \x80"},
        {"utf-16 without bom", utf16noBom, "ciao a tutti"},
        {"bom beats the declaration", "\xEF\xBB\xBF<meta charset=windows-1252><p>\xC3\xA8", "\xE8"},
        {"one line of a megabyte", std::string(1 << 20, 'x') + " fine", " fine"},
        {"deep nesting", deep, "fondo"},
        {"unclosed everything", "<table><tr><td><b><i><a href=x.html><select><option>o", "<T>"},
        {"stray cell tags", "</td><td>a</tr></table>b", "ab"},
    };
    for (const Case& c : cases) {
        dst.NewHypertext();
        const std::string text = Import(c.bytes);
        EXPECT_NE(text.find(c.contains), std::string::npos) << c.what << ": " << text.substr(0, 200);
        TNYXtesto* page = static_cast<TNYXtesto*>(dst.ObjectAt(testoHtml, report.pages.at(0)));
        std::vector<std::string> problems;
        importtest::Canon(dst, page->Text(), page, &problems);
        EXPECT_TRUE(problems.empty()) << c.what << ": " << problems[0];
        if (std::string_view(c.what) == "one line of a megabyte") {
            // Split into paragraphs the editor holds.
            std::size_t longest = 0, last = 0;
            for (std::size_t p = text.find("<Z"); p != std::string::npos; p = text.find("<Z", p + 1)) {
                longest = std::max(longest, p - last);
                last = p;
            }
            EXPECT_LE(longest, 1820u);
        }
    }
    dst.NewHypertext();
    Import("<p>\xE2\x82\xAC \xE2\x98\xBA &#9786; \xF0\x9F\x98\x80");
    EXPECT_EQ(report.unmapped, 3u);
}

TEST_F(HtmlImport, PageMarker) {
    const auto m = THtmlImport::ReadPageMarker(std::string_view("<HTML><HEAD>\r\n<!--pageQuor=\"12;guida &amp; co.nyx\"-->"));
    EXPECT_TRUE(m.found);
    EXPECT_EQ(m.page, 12);
    EXPECT_EQ(m.nyxName, "guida & co.nyx");
    EXPECT_EQ(THtmlImport::ReadPageMarker(std::string_view("<!--pageQuor=\"3;x.htm\"-->")).nyxName, "");
    std::string late(200, '\n');
    late += "<!--pageQuor=\"1;a.nyx\"-->";
    EXPECT_FALSE(THtmlImport::ReadPageMarker(std::string_view(late)).found);
}

TEST_F(HtmlImport, PreviewStopsAtFiveThousandCharacters) {
    THtmlImport imp(&dst);
    imp.ImpPreview = true;
    std::string html;
    for (int i = 0; i < 2000; ++i) html += "<p>paragrafo " + std::to_string(i);
    TNYXtesto* page = imp.ImportDocument(html, tmp / "p.html");
    EXPECT_GE(page->Text().size(), 5000u);
    EXPECT_LT(page->Text().size(), 5100u);
}

TEST_F(HtmlImport, EntityTableIsTheWholeHtml5Table) {
    EXPECT_EQ(convert::html::NamedReferenceCount(), 2231u);
    char32_t cps[2];
    std::size_t next = 0;
    const std::string s = "&NotEqualTilde;";
    EXPECT_EQ(convert::html::DecodeCharRef(s, 0, false, cps, next), 2);
    EXPECT_EQ(next, s.size());
    EXPECT_EQ(cps[0], 0x2242u);
    const std::string attr = "&copy=1";
    EXPECT_EQ(convert::html::DecodeCharRef(attr, 0, true, cps, next), 0);
    EXPECT_EQ(convert::html::DecodeCharRef(attr, 0, false, cps, next), 1);
}

}  // namespace
