#include "RtfFixture.h"

#include "model/PageOrder.h"
#include "present/TableData.h"
#include "richtext/Attributes.h"
#include "richtext/Clipboard.h"
#include "richtext/StyleSheet.h"

using namespace model;
using namespace rtftest;

namespace {

const std::string kHead = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;}";

class RtfImport : public RtfTest {
protected:
    // Imports one RTF text as a file and gives the pages made.
    std::vector<std::int32_t> Import(const std::string& rtf, int flag = 1, const std::string& name = "doc.rtf") {
        Write(tmp / name, rtf);
        x.ImportFiles({tmp / name}, flag);
        return x.Report().pages;
    }
    std::string TextOf(std::int32_t page) {
        std::string t = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, page))->Text();
        if (!t.empty() && t.back() == '\0') t.pop_back();
        return t;
    }
    std::string Body(const std::string& body) {
        const auto pages = Import(kHead + body + "}");
        return pages.empty() ? std::string("(nessuna pagina)") : TextOf(pages.front());
    }
};

TEST_F(RtfImport, CharactersAndFormatsBecomeMarkup) {
    struct Case {
        std::string body, markup;
    };
    const Case cases[] = {
        {"a < b & c > d\\par", "<Z S0 >a &lt; b &amp; c &gt; d"},
        // escapes never leave control bytes or raw tag characters in the markup
        {"x\\'00\\'01\\'1fy\\'3c\\'26\\'e8\\par", "<Z S0 >xy&lt;&amp;\xE8"},
        {"\\emdash\\endash\\bullet\\ldblquote\\rdblquote\\lquote\\rquote\\~\\{\\}\\\\\\par", "<Z S0 >\x97\x96\x95\x93\x94\x91\x92 {}\\"},
        {"a\\tab b  c\\par", "<Z S0 >a      b  c"},
        // \\u takes the character, then skips \\uc characters of its stand-in
        {"\\uc1\\u8364?\\u-4064 x\\uc0\\u233 y\\u1488 z\\par", "<Z S0 >\x80?\xE9y?z"},
        {"n {\\b g} {\\i\\cf2 r}\\par", "<Z S0 >n <Y y1 >g<Y > <Y cFF0000 y2 >r"},
        {"\\pard\\qj j\\par\\pard\\qc c\\par\\pard\\qr r\\par", "<Z S0 >j<Z S0 A2 >c<Z S0 A1 >r"},
        // twips to pixels; a value equal to the style's is not written
        {"\\pard\\li300\\ri150\\fi-150\\sb60\\sa30 m\\par", "<Z S0 I-10 l20 t4 b2 >m"},
        {"{\\*\\unknown nascosto}{\\field{\\*\\fldinst X}{\\fldrslt visibile}}\\par", "<Z S0 >visibile"},
        {"{\\info{\\title T}{\\author A}}{\\footnote nota}uno\\line due\\par", "<Z S0 >uno<Z S0 >due"},
    };
    for (const Case& c : cases) {
        set.NewHypertext();
        EXPECT_EQ(Body(c.body), c.markup) << c.body;
    }
}

TEST_F(RtfImport, CodePagesAreTranscoded) {
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fcharset238 Arial;}{\\f1\\fcharset0 Times;}}"
                            "{\\colortbl;}\\f0 \\'e9\\'c8 {\\f1 \\'e9\\'c8}\\par}";
    const auto pages = Import(rtf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(TextOf(pages[0]).find("\xE9?"), std::string::npos) << TextOf(pages[0]);
    EXPECT_NE(TextOf(pages[0]).find("\xE9\xC8"), std::string::npos);
    EXPECT_EQ(x.Report().unmapped, 1u);
}

TEST_F(RtfImport, PageBreaksAndParagraphCounts) {
    const std::string three = kHead + "uno\\par\\page due\\par\\page tre\\par\\sect quattro\\par}";
    EXPECT_EQ(Import(three, 1).size(), 4u);
    EXPECT_EQ(Import(three, 0).size(), 1u);
    std::string many = kHead;
    for (int i = 0; i < 250; ++i) many += "p" + std::to_string(i) + "\\par ";
    many += "}";
    x.importOptions.parsPerPage = 100;
    const auto pages = Import(many, 1);
    ASSERT_EQ(pages.size(), 3u);
    const std::string first = TextOf(pages[0]), second = TextOf(pages[1]);
    EXPECT_NE(first.find(Tag(pages[1]) + "...continua<%>"), std::string::npos) << first;
    EXPECT_EQ(second.rfind("<Z S0 >" + Tag(pages[0]) + "continua...<%>", 0), 0u) << second;
    EXPECT_NE(TextOf(pages[2]).find("p249"), std::string::npos);
}

TEST_F(RtfImport, HeadingsSplitPagesAndFillTheIndex) {
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\colortbl;}{\\stylesheet{\\s0 Normal;}{\\s1 heading 1;}{\\s2 heading 2;}"
                            "{\\s5 heading 5;}}intro\\par\\pard\\s1 Capitolo\\par\\pard testo\\par\\pard\\s2 Sezione\\par\\pard altro\\par"
                            "\\pard\\s5 Troppo fondo\\par\\pard fine\\par}";
    x.importOptions.summary = true;
    const auto pages = Import(rtf);
    ASSERT_EQ(pages.size(), 4u) << "the index, the introduction and one page per heading up to level 4";
    const std::int32_t index = pages[0];
    EXPECT_EQ(set.ObjectAt(testoHtml, index)->GetName(), "Indice");
    const std::string idx = TextOf(index);
    EXPECT_EQ(idx.rfind("<Z S0 >INDICE<Z S0 >", 0), 0u) << idx;
    EXPECT_NE(idx.find("<Z S0 >" + Tag(pages[2]) + std::to_string(pages[2]) + "<%>"), std::string::npos) << idx;
    EXPECT_NE(idx.find("<Z S0 >. " + Tag(pages[3]) + std::to_string(pages[3]) + "<%>"), std::string::npos) << idx;
    const std::string intro = TextOf(pages[1]);
    EXPECT_NE(intro.find(Tag(index) + "Indice<%>"), std::string::npos) << intro;
    EXPECT_NE(intro.find(Tag(pages[2]) + "...continua<%>"), std::string::npos) << intro;
    EXPECT_EQ(set.ObjectAt(testoHtml, pages[2])->GetName(), "Capitolo");
    EXPECT_NE(TextOf(pages[3]).find("Troppo fondo"), std::string::npos) << "level 5 is no title";
}

TEST_F(RtfImport, TablesKeepTheirRowsAndCells) {
    // Rows each with its own definition, as every word processor writes them.
    const std::string row = "\\trowd\\cellx1500\\clcfpat2\\cellx3000\\cellx4500 ";
    const std::string rtf = kHead + "prima\\par" + row + "\\pard\\intbl a\\cell b\\cell c\\cell\\row" + row +
                            "\\pard\\intbl d\\cell e\\cell\\row" + row + "\\pard\\intbl f\\cell g\\cell h\\cell i\\cell\\row\\pard dopo\\par}";
    const auto pages = Import(rtf);
    ASSERT_EQ(pages.size(), 1u);
    const std::string t = TextOf(pages[0]);
    TNYXoggetto* table = nullptr;
    for (std::size_t i = 0; i < set.Count(tabellaHtml); ++i)
        if (auto* o = set.ObjectAt(tabellaHtml, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) table = o;
    ASSERT_TRUE(table);
    const present::TTableData td(*table);
    EXPECT_EQ(td.Rows(), 3);
    EXPECT_EQ(td.Columns(), 3);
    EXPECT_EQ(td.ColumnWidth(1), 100);
    EXPECT_EQ(td.CellBackgrounds().at(1), 0x0000FF);
    EXPECT_EQ(td.CellBackgrounds().at(0), -1);
    EXPECT_EQ(t, "<Z S0 >prima<Z S0 >" + Tag(table->Reference()) +
                     "<Z S0 >a<T><Z S0 >b<T><Z S0 >c<T>"
                     "<Z S0 >d<T><Z S0 >e<T><Z S1 ><T>"          // two cells in a three-cell row: one empty cell
                     "<Z S0 >f<T><Z S0 >g<T><Z S0 >h<Z S0 >i<T>"  // a fourth cell runs on in the last
                     "<Z S0 >dopo");
}

TEST_F(RtfImport, StylesTakeWhatTheirBaseStyleGives) {
    // As LibreOffice writes style sheets: each style carries only what it
    // changes and names the style it is based on.
    const std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}{\\f1\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
        "{\\stylesheet{\\s0\\fs24 Normal;}{\\s15\\f1\\fs28\\cf1\\qc\\sb240 \\sbasedon0 Heading;}{\\s1\\b\\fs36\\sbasedon15 heading 1;}"
        "{\\s2\\sbasedon1\\i\\ql heading 2;}{\\s7\\li300\\sbasedon8 giro a;}{\\s8\\sbasedon7 giro b;}{\\s9\\sbasedon9 se stesso;}"
        "{\\s10\\b\\sbasedon99 base assente;}}"
        "\\pard\\s1 Uno\\par\\pard\\s2 Due\\par\\pard\\s8 Tre\\par\\pard\\s9 Quattro\\par\\pard\\s10 Cinque\\par}";
    ASSERT_EQ(Import(rtf).size(), 1u);
    using namespace richtext;
    struct Want {
        const char* name;
        const char* font;
        int size, bits, align, above;
        std::uint32_t colour;
    };
    const Want wants[] = {
        {"heading 1", "Arial", 18, 1, 2, 16, 0x0000FF},  // the size its own, the rest from "Heading"
        {"heading 2", "Arial", 18, 3, 0, 16, 0x0000FF},  // two steps down, alignment its own
        {"base assente", "Times New Roman", 12, 1, 0, 0, 0},
        {"se stesso", "Times New Roman", 12, 0, 0, 0, 0},
    };
    for (const Want& w : wants) {
        const TNYXoggetto* st = StyleByName(set, w.name);
        ASSERT_TRUE(st) << w.name;
        EXPECT_EQ(StyleFontName(st), w.font) << w.name;
        EXPECT_EQ(StyleValue(st, pfSize), w.size) << w.name;
        EXPECT_EQ(StyleValue(st, pfStyle) & 15, w.bits) << w.name;
        EXPECT_EQ(StyleValue(st, pfAlign), w.align) << w.name;
        EXPECT_EQ(StyleValue(st, pfAbove), w.above) << w.name;
        EXPECT_EQ(static_cast<std::uint32_t>(StyleValue(st, pfColour)) & 0xFFFFFF, w.colour) << w.name;
    }
    // Two styles based on each other end the chain; each keeps its own words.
    const TNYXoggetto* b = StyleByName(set, "giro b");
    ASSERT_TRUE(b);
    EXPECT_EQ(StyleValue(b, pfLeft), 20);
}

TEST_F(RtfImport, TableBordersBecomeTheTablesBorder) {
    struct Case {
        const char* definition;
        int border;  // pixels
    };
    const Case cases[] = {
        {"\\trowd\\cellx1500\\cellx3000 ", 0},
        {"\\trowd\\trbrdrt\\brdrs\\brdrw15 \\trbrdrl\\brdrs\\brdrw15 \\cellx1500\\cellx3000 ", 1},
        {"\\trowd\\clbrdrt\\brdrs\\brdrw10\\brdrcf1 \\cellx1500\\clbrdrb\\brdrs\\brdrw45 \\cellx3000 ", 3},
        {"\\trowd\\trbrdrt\\brdrth\\brdrw60 \\cellx1500\\cellx3000 ", 8},  // a thick line is twice its width
        {"\\trowd\\trbrdrt\\brdrs \\cellx1500\\cellx3000 ", 1},             // no width: the thinnest line
        {"\\trowd\\trbrdrt\\brdrnone\\brdrw30 \\clbrdrl\\brdrtbl \\cellx1500\\cellx3000 ", 0},
        // paragraph borders and diagonals are no table border
        {"\\trowd\\cldglu\\brdrs\\brdrw90 \\cellx1500\\cellx3000 \\pard\\intbl\\brdrb\\brdrs\\brdrw90 ", 0},
    };
    for (const Case& c : cases) {
        set.NewHypertext();
        Body(std::string("prima\\par") + c.definition + "\\pard\\intbl a\\cell b\\cell\\row\\pard dopo\\par");
        const TNYXoggetto* table = nullptr;
        for (std::size_t i = 0; i < set.Count(tabellaHtml); ++i)
            if (auto* o = set.ObjectAt(tabellaHtml, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) table = o;
        ASSERT_TRUE(table) << c.definition;
        EXPECT_EQ(present::TTableData(*table).Border(), c.border) << c.definition;
    }
}

TEST_F(RtfImport, BorderedTablesSurviveTheRoundTrip) {
    for (const int border : {1, 3, 6, 10}) {
        set.NewHypertext();
        TNYXoggetto* t = Table(2, 2);
        t->SetByte(92, static_cast<std::uint8_t>(border));
        const TNYXtesto* p = Page("bordo", "<Z S0 >" + Tag(t->Reference()) + Cells(2, 2) + "<Z S0 >fine");
        ASSERT_TRUE(x.ExportOnePage(static_cast<std::int32_t>(p->Index())));
        model::TNYXset again;
        again.NewHypertext();
        convert::rtf::TNYXtortf y(&again);
        y.ImportFiles({x.ExportFileName}, 0);
        int got = -1, tables = 0;
        for (std::size_t i = 0; i < again.Count(tabellaHtml); ++i)
            if (auto* o = again.ObjectAt(tabellaHtml, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) {
                got = present::TTableData(*o).Border();
                ++tables;
            }
        EXPECT_EQ(tables, 1) << border;
        EXPECT_EQ(got, border);
    }
}

// Faults other RTF readers are known for, each with its own case.
TEST_F(RtfImport, OtherReadersKnownFaultsDoNotHappenHere) {
    struct Case {
        const char* name;
        std::string body, markup;  // "#T" stands for the tag of the table made
    };
    const std::string row = "\\trowd\\cellx1500\\cellx3000 ";
    const Case cases[] = {
        {"TextBeforeATableStaysBeforeIt", "prima " + row + "\\pard\\intbl a\\cell b\\cell\\row\\pard dopo\\par",
         "<Z S0 >prima <Z S0 >#T<Z S0 >a<T><Z S0 >b<T><Z S0 >dopo"},
        {"ListBeforeATableStaysOutOfIt",
         "{\\*\\pn\\pnlvlbody\\pndec}{\\pntext 1.\\tab}voce\\par\\pard " + row + "\\pard\\intbl a\\cell b\\cell\\row\\pard dopo\\par",
         "<Z S0 N6 >voce<Z S0 >#T<Z S0 >a<T><Z S0 >b<T><Z S0 >dopo"},
        {"NestedTableCellsFlattenIntoTheOuterCell",
         row + "\\pard\\intbl\\itap1 fuori\\cell\\pard\\intbl\\itap2 x\\nestcell y\\nestcell{\\*\\nesttableprops\\trowd\\cellx500\\cellx1000\\nestrow}"
               "{\\nonesttables\\par}\\pard\\intbl\\itap1\\cell{\\trowd\\cellx1500\\cellx3000\\row}\\pard dopo\\par",
         "<Z S0 >#T<Z S0 >fuori<T><Z S0 >x y <T><Z S0 >dopo"},
        {"TabsAndRunsOfSpacesAreKept", "a\\tab b   c\\par", "<Z S0 >a      b   c"},
    };
    for (const Case& c : cases) {
        set.NewHypertext();
        const std::string got = Body(c.body);
        std::string want = c.markup;
        if (const std::size_t at = want.find("#T"); at != std::string::npos) {
            const TNYXoggetto* table = nullptr;
            for (std::size_t i = 0; i < set.Count(tabellaHtml); ++i)
                if (auto* o = set.ObjectAt(tabellaHtml, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) table = o;
            ASSERT_TRUE(table) << c.name;
            want.replace(at, 2, Tag(table->Reference()));
        }
        EXPECT_EQ(got, want) << c.name;
    }
}

TEST_F(RtfImport, TableLimits) {
    std::string wide = kHead + "\\trowd";
    for (int c = 1; c <= 60; ++c) wide += "\\cellx" + std::to_string(c * 100);
    wide += "\\pard\\intbl x\\cell\\row\\pard\\par}";
    Import(wide);
    std::string tall = kHead;
    for (int r = 0; r < 300; ++r) tall += "\\trowd\\cellx1000\\pard\\intbl r\\cell\\row";
    tall += "\\pard\\par}";
    Import(tall);
    std::vector<std::pair<int, int>> shapes;
    for (std::size_t i = 0; i < set.Count(tabellaHtml); ++i)
        if (auto* o = set.ObjectAt(tabellaHtml, static_cast<std::int64_t>(i)); o && !o->IsEmpty())
            shapes.emplace_back(present::TTableData(*o).Rows(), present::TTableData(*o).Columns());
    EXPECT_EQ(shapes, (std::vector<std::pair<int, int>>{{1, 50}, {255, 1}, {45, 1}}));
}

TEST_F(RtfImport, FaultsInTheInputAreHandled) {
    struct Case {
        const char* name;
        std::string body;
        std::string want;
    };
    const Case cases[] = {
        {"FaceNamesLoseQuotesAndAngles", "{\\rtf1{\\fonttbl{\\f0 Ti\"m>es;}{\\f1 Arial;}}{\\colortbl;}\\f1 a{\\f0 b}\\par}", "<Y F\"Times\" >b"},
        {"BinSkipsItsBytesWithinTheData", kHead + "a{\\*\\x \\bin6 }}}{{ }b\\par}", "<Z S0 >ab"},
        {"MissingColourTableIsFine", "{\\rtf1{\\fonttbl{\\f0 Arial;}}ciao\\par}", ">ciao"},
        {"TruncatedFileFinishesItsPage", kHead + "{\\b tronc", "<Z S0 y1 >tronc"},
        {"InvalidPictureHexSkipsThePicture", kHead + "a{\\pict\\pngblip 89504zz}b\\par}", "<Z S0 >ab"},
        {"BinBeyondTheEndStops", kHead + "a{\\pict\\pngblip\\bin999999 xyz", "<Z S0 >a"},
    };
    for (const Case& c : cases) {
        set.NewHypertext();
        const auto pages = Import(c.body);
        ASSERT_EQ(pages.size(), 1u) << c.name;
        EXPECT_NE(TextOf(pages[0]).find(c.want), std::string::npos) << c.name << ": " << TextOf(pages[0]);
    }
}

TEST_F(RtfImport, GroupDepthIsCappedAndReported) {
    std::string deep = kHead + "a";
    for (int i = 0; i < 5000; ++i) deep += "{";
    deep += "x";
    for (int i = 0; i < 5000; ++i) deep += "}";
    deep += "b\\par}";
    const auto pages = Import(deep);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(TextOf(pages[0]).find("b"), std::string::npos);
    ASSERT_FALSE(x.Report().problems.empty());
    EXPECT_NE(x.Report().problems[0].text.find("annidati"), std::string::npos);
}

TEST_F(RtfImport, FailingFileIsReportedAndTheRunGoesOn) {
    Write(tmp / "bad.rtf", "non sono rtf");
    Write(tmp / "good.rtf", kHead + "buono\\par}");
    x.ImportFiles({tmp / "bad.rtf", tmp / "good.rtf"}, 1);
    ASSERT_EQ(x.Report().pages.size(), 1u);
    const auto warnings = ui.ui.Texts(platform::testing::Message::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("Problemi con alcuni dei files da importare.", 0), 0u);
    EXPECT_NE(warnings[0].find("bad.rtf"), std::string::npos);
}

TEST_F(RtfImport, HugeFileIsRefusedWithItsMessage) {
    x.maxFileSize = 10;
    Write(tmp / "big.rtf", kHead + "tanto testo\\par}");
    EXPECT_EQ(x.ImportFiles({tmp / "big.rtf"}, 1), 0);
    const auto errors = ui.ui.Texts(platform::testing::Message::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], convert::rtf::TNYXtortf::kTooBig);
}

TEST_F(RtfImport, PicturesHexAndBinaryBecomePictureUses) {
    const std::string gif = Gif("z");
    std::string hex;
    for (const char c : gif) {
        char b[3];
        std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(c));
        hex += b;
    }
    const std::string rtf = kHead + "a{\\pict\\picw1\\pich1\\picwgoal300\\pichgoal150 " + hex + "}" +
                            "{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\bin" + std::to_string(gif.size()) + " " + gif + "}}}}}b\\par}";
    const auto pages = Import(rtf);
    ASSERT_EQ(pages.size(), 1u);
    const std::string t = TextOf(pages[0]);
    std::vector<TNYXoggetto*> placed;
    for (std::size_t i = 0; i < set.Count(immagineNew); ++i)
        if (auto* o = set.ObjectAt(immagineNew, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) placed.push_back(o);
    ASSERT_EQ(placed.size(), 2u) << t;
    EXPECT_EQ(t, "<Z S0 >a" + Tag(placed[0]->Reference()) + Tag(placed[1]->Reference()) + "b");
    EXPECT_EQ(placed[0]->Word(19), 20);
    EXPECT_EQ(placed[0]->Word(21), 10);
}

TEST_F(RtfImport, AnnotationsBecomeComments) {
    const auto pages = Import(kHead + "testo{\\*\\atnid A}{\\*\\atnauthor Anna}\\chatn {\\*\\annotation {\\chatn } nota <1>}.\\par}");
    ASSERT_EQ(pages.size(), 1u);
    TNYXoggetto* c = nullptr;
    for (std::size_t i = 0; i < set.Count(shortObj); ++i)
        if (auto* o = set.ObjectAt(shortObj, static_cast<std::int64_t>(i)); o && !o->IsEmpty() && o->Subtype() == 10) c = o;
    ASSERT_TRUE(c);
    std::string s;
    c->ReadFirstStream(s);
    EXPECT_EQ(s, "Anna\r\n nota &lt;1&gt;");
    EXPECT_EQ(TextOf(pages[0]), "<Z S0 >testo" + Tag(c->Reference()) + ".");
}

TEST_F(RtfImport, WinHelpTopicsLinksAndReport) {
    const std::string foot = "{\\super #{\\footnote {\\super #} ";
    const std::string rtf = kHead + "#{\\footnote # primo}${\\footnote $ Il primo}K{\\footnote K uno;due}Vai \\uldb al secondo\\ul0{\\v secondo}"
                                    " e {\\uldb mai}{\\v mancante} e {\\uldb esegui}{\\v !ExecProgram(x)}.\\par\\page "
                                    "${\\footnote $ Senza id}niente\\par\\page "
                                    "#{\\footnote # SECONDO}Eccomi {\\uldb \\{bmc ..\\\\..\\\\logo.gif\\}}\\par}";
    Write(tmp / "logo.gif", Gif("w"));
    x.importOptions.winHelp = true;
    const auto pages = Import(rtf);
    ASSERT_EQ(pages.size(), 4u) << "three topics and the page made for the missing one";
    std::int32_t first = -1;
    for (std::int32_t p : pages)
        if (set.ObjectAt(testoHtml, p)->GetName() == "Il primo") first = p;
    ASSERT_GE(first, 0);
    const std::string a = TextOf(first);
    // the second topic's page was made at the hot spot and filled later
    std::int32_t second = -1, missing = -1, bad = -1;
    for (std::int32_t p : pages) {
        const std::string name = set.ObjectAt(testoHtml, p)->GetName();
        if (TextOf(p).find("Eccomi") != std::string::npos) second = p;
        if (name == "mancante") missing = p;
        if (name == "SECONDO") {
            EXPECT_EQ(second, p) << "a topic without a title is named by its id";
        }
        if (name == "Senza id") bad = p;
    }
    ASSERT_GE(second, 0);
    ASSERT_GE(missing, 0);
    ASSERT_GE(bad, 0);
    EXPECT_NE(a.find("Vai " + Tag(second) + "al secondo<%>"), std::string::npos) << a;
    EXPECT_NE(a.find("esegui."), std::string::npos) << "a macro is not a link: " << a;
    EXPECT_EQ(a.find('#'), std::string::npos) << "the footnote mark leaves the text";
    EXPECT_EQ(set.ObjectAt(testoHtml, first)->GetName(), "Il primo");
    EXPECT_NE(TextOf(second).find("<$1"), std::string::npos) << "the bitmap, by its base name beside the topic file: " << TextOf(second);
    const std::vector<std::string> lines = x.WinHelpReportLines();
    auto has = [&](const std::string& s) {
        for (const std::string& l : lines)
            if (l.find(s) != std::string::npos) return true;
        return false;
    };
    EXPECT_EQ(lines.front(), "Report importazione Win Help:");
    EXPECT_TRUE(has("(primo:" + std::to_string(first) + ").....Il primo"));
    EXPECT_TRUE(has("(BadPageId" + std::to_string(bad) + ":"));
    EXPECT_TRUE(has("    uno"));
    EXPECT_TRUE(has("!ExecProgram(x)"));
    EXPECT_TRUE(has("argomento mai trovato: mancante")) << "hot-spot targets never filled are listed";
    (void)foot;
}

TEST_F(RtfImport, FragmentBecomesAClipboardContainer) {
    const std::string c = x.ImportFragment(kHead + "uno\\par due{\\pict\\pngblip 00}\\par}", 3);
    richtext::TClipContainer out;
    ASSERT_EQ(richtext::ParseContainer(c, out), richtext::ClipParse::Ok);
    EXPECT_EQ(out.paragraphs, 2);
    EXPECT_EQ(out.markup, "<Z S3 >uno<Z S3 >due");
    EXPECT_EQ(x.ImportFragment("non rtf", 0), std::string("\x01\0\0\0\0\0\0\0\0\0\0\0", 12)) << "only the counts 1, 0, 0";
}

TEST_F(RtfImport, ExportImportExportGivesTheSameRtf) {
    TNYXoggetto* t = Table(2, 2);
    const TNYXtesto* p = Page("giro", "<Z S0 >Titolo <Y y1 >forte<Y > e <Y c0000FF y2 >rosso<Y ><Z S0 A2 >centro<Z S0 >" + Tag(t->Reference()) +
                                          Cells(2, 2) + "<Z S0 >fine");
    ASSERT_TRUE(x.ExportOnePage(static_cast<std::int32_t>(p->Index())));
    const std::string first = Read(x.ExportFileName);
    model::TNYXset again;
    again.NewHypertext();
    convert::rtf::TNYXtortf y(&again);
    y.exportTime = x.exportTime;
    y.ImportFiles({x.ExportFileName}, 0);
    ASSERT_EQ(y.Report().pages.size(), 1u);
    y.ExportFileName = tmp / "again.rtf";
    ASSERT_TRUE(y.ExportOnePage(y.Report().pages[0]));
    std::string second = Read(y.ExportFileName);
    // The info group names the other hypertext; the rest is the same.
    auto body = [](const std::string& s) { return s.substr(s.find("\\widowctrl")); };
    EXPECT_EQ(body(second), body(first));
}

}  // namespace

// An import adds its pages in a run that remembers the end of the number
// order: they still follow the last page the order has, after the order was
// stored in another sequence and its last page deleted, and the pages that
// were there keep their numbers.
TEST_F(RtfImport, ImportedPagesJoinTheEndOfTheNumberOrder) {
    for (int i = 0; i < 5; ++i) Page("P" + std::to_string(i), "<Z S0 >testo");
    {
        TNYXorderedTree tree(&set, testoHtml);
        ASSERT_TRUE(tree.Reload());
        TNYXtreeNode* first = tree.RootNode()->Children().front().get();
        while (tree.MoveDown(first)) {
        }
        ASSERT_TRUE(tree.Store());
    }
    PagesInNumberOrder(set).back()->Reset();  // P0, moved last
    auto numbers = [&](const TNYXoggetto* p) { return std::to_string(p->SWord(77)) + "," + std::to_string(p->SWord(79)); };
    std::string before;
    for (const TNYXoggetto* p : PagesInNumberOrder(set)) before += numbers(p) + " ";
    EXPECT_EQ(before, "0,0 0,1 0,2 0,3 ");

    const auto pages = Import(kHead + "uno\\par\\page due\\par\\page tre\\par\\page quattro\\par}");
    ASSERT_EQ(pages.size(), 4u);
    std::string got;
    for (const std::int32_t n : pages) got += numbers(set.ObjectAt(testoHtml, n)) + " ";
    EXPECT_EQ(got, "0,4 0,5 0,6 0,7 ");
    std::string after;
    for (const TNYXoggetto* p : PagesInNumberOrder(set)) after += numbers(p) + " ";
    EXPECT_EQ(after, before + got);
    // Outside the run a page added alone follows them.
    EXPECT_EQ(numbers(set.NewObject(testoHtml)), "0,8");
}
