#include "RtfFixture.h"

#include "convert/ExportFormats.h"
#include "convert/rtf/RtfExportJob.h"

#include "richtext/Attributes.h"
#include "richtext/StyleSheet.h"

using namespace model;
using namespace rtftest;

namespace {

bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

TEST_F(RtfTest, TextRunsAndParagraphFormats) {
    struct Case {
        std::string markup;
        std::vector<std::string> want, never;
    };
    const Case cases[] = {
        // characters: escapes, 126..255 as hex, control codes dropped
        {"<Z S0 >a{b}\\c ~\xE8\x01z", {"a\\{b\\}\\\\c \\'7e\\'e8z\\par"}, {"\x01"}},
        // a run writes only what changed; the paragraph after it starts whole again
        {"<Z S0 >x<Y y1 >b<Y >x<Z S0 >y", {"x\\f0\\fs24\\cf1\\i0\\b\\ul0\\strike0\\up0 b\\i0\\b0\\ul0\\strike0 x\\par \r\n\\pard\\plain \\s1"}, {}},
        // a colour used in the body is in the table once, and black is \cf1
        {"<Z S0 c0000FF >r<Y c0000FF >s", {"{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}", "\\cf2"}, {"\\blue255;\\red0\\green0\\blue255"}},
        // a numbered paragraph after a bulleted one starts again at 1
        {"<Z S0 N6 >a<Z S0 N6 >b<Z S0 N10 >c<Z S0 N6 >d",
         {"{\\pntext 1.\\tab}\\fi0\\li150\\ri150\\sb0\\sa0 a", "{\\pntext 2.\\tab}\\fi0\\li150\\ri150\\sb0\\sa0 b",
          "{\\pntext\\f1\\'b7\\tab}\\fi0\\li150\\ri150\\sb0\\sa0 c", "{\\pntext 1.\\tab}\\fi0\\li150\\ri150\\sb0\\sa0 d"},
         {"{\\pntext 3."}},
        // lengths in twips, alignment words
        {"<Z S0 A2 I-10 l20 r4 t2 b3 >z", {"\\qc", "\\fi-150\\li300\\ri60\\sb30\\sa45 z"}, {}},
    };
    for (const Case& c : cases) {
        const std::string r = Selection(c.markup);
        EXPECT_EQ(r.rfind("{\\rtf1\\ansi", 0), 0u) << c.markup;
        EXPECT_FALSE(Has(r, "{\\info")) << "the clipboard fragment has no info group";
        for (const std::string& w : c.want) EXPECT_TRUE(Has(r, w)) << c.markup << "\nwants " << w << "\nin " << r;
        for (const std::string& w : c.never) EXPECT_FALSE(Has(r, w)) << c.markup << "\nhas " << w;
    }
}

TEST_F(RtfTest, EveryTextInTheHeaderIsEscaped) {
    set.SetTitle("T{i}t\\olo");
    set.SetHStr(hdr::kAuthors, hdr::kNameCap, "An}na");
    TNYXoggetto* st = richtext::AddStyle(set, "Stile{x}");
    ASSERT_TRUE(st);
    TNYXoggetto* note = set.NewObject(shortObj);
    note->SetSubtype(10);
    note->SetFirstStream("Ug{o\\}\r\nnota {1}");
    const TNYXtesto* p = Page("p", "<Z S" + std::to_string(st->Index()) + " >a<Y F\"Fa{ce\" >b" + Tag(note->Reference()));
    ASSERT_TRUE(x.ExportPages({static_cast<std::int32_t>(p->Index())}));
    const std::string r = Read(x.ExportFileName);
    for (const char* w : {"{\\title T\\{i\\}t\\\\olo}", "{\\author An\\}na}", "Stile\\{x\\};}", " Fa\\{ce;}", "{\\*\\atnauthor Ug\\{o\\\\\\}}",
                          "{\\chatn }nota \\{1\\}}"})
        EXPECT_TRUE(Has(r, w)) << w << "\n" << r;
    // Braces stay balanced, so every reader finds the document's end.
    int depth = 0;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (r[i] == '\\') ++i;
        else if (r[i] == '{') ++depth;
        else if (r[i] == '}') --depth;
        ASSERT_GE(depth, 0) << i;
    }
    EXPECT_EQ(depth, 0);
}

TEST_F(RtfTest, SectionsRepeatHeadersOnlyWhenTheyChange) {
    const TNYXtesto* head = Page("testa", "<Z S0 >TESTA");
    TNYXtesto* a = Page("a", "<Z S0 >uno");
    TNYXtesto* b = Page("b", "<Z S0 >due");
    TNYXtesto* c = Page("c", "<Z S0 >tre");
    a->SetInt(pagerec::kHeaderPage, -1);
    b->SetInt(pagerec::kHeaderPage, -1);
    c->SetInt(pagerec::kHeaderPage, static_cast<std::int32_t>(head->Index()));
    ASSERT_TRUE(x.ExportPages({static_cast<std::int32_t>(a->Index()), static_cast<std::int32_t>(b->Index()),
                               static_cast<std::int32_t>(c->Index())}));
    const std::string r = Read(x.ExportFileName);
    const std::size_t first = r.find("{\\header }{\\footer }");
    ASSERT_NE(first, std::string::npos) << "the first page always writes both";
    EXPECT_EQ(r.find("{\\header }", first + 1), std::string::npos) << "the second page has the same ones";
    EXPECT_TRUE(Has(r, "\\sect\\sectd {\\header \\pard\\plain \\s1")) << r;
    EXPECT_TRUE(Has(r, "TESTA\\par \r\n}{\\footer }"));
}

TEST_F(RtfTest, TopicIds) {
    struct Case {
        std::string title;
        std::int32_t page;
        std::string id;
    };
    const Case cases[] = {
        {"Introduzione alla guida", 12, "Introduzioneallag_12"},
        {"Introduzione alla guida", 7, "Introduzioneallagu_7"},
        {"?!;,", 3, "_3"},
        {"v1.2_x y", 1000, "v1.2_xy_1000"}, {"Una pagina dal titolo lungo", 123456, "Unapaginadalt_123456"},
    };
    for (const Case& c : cases) {
        const std::string id = convert::rtf::TNYXtortf::TopicId(c.title, c.page);
        EXPECT_EQ(id, c.id);
        EXPECT_LE(id.size(), 20u);
    }
}

TEST_F(RtfTest, WinHelpTopicsHotSpotsAndProject) {
    TNYXtesto* a = Page("Prima pagina", "<Z S0 >testo");
    TNYXtesto* b = Page("Seconda", "<Z S0 >altro");
    TNYXoggetto* k = set.NewObject(keyword);
    k->SetName("chiave;uno");
    a->SetInt(pagerec::kKeywords, static_cast<std::int32_t>(k->Index()));
    a->SetWord(pagerec::kChapter, 2);
    a->SetWord(pagerec::kPosition, 5);
    auto link = [&](int subtype, int mode, const std::string& window) {
        TNYXoggetto* l = set.NewObject(speclink);
        l->SetSubtype(static_cast<std::uint8_t>(subtype));
        l->SetInt(linkrec::kTarget, b->Reference());
        l->SetByte(linkrec::kOpenMode, static_cast<std::uint8_t>(mode));
        l->SetStr(linkrec::kWindowName, linkrec::kWindowNameCap, window);
        return Tag(l->Reference());
    };
    a->SetText("<Z S0 >vai " + Tag(b->Reference()) + "qui<%> " + link(1, 2, "finestra1") + "f1<%>" + link(1, 2, "finestra2") + "f2<%>" +
               link(1, 4, "") + "pop<%>" + link(5, 0, "") + "avanti<%>");
    set.SetHInt(hdr::kCoverPage, static_cast<std::int32_t>(a->Index()));
    x.winHelp = true;
    const std::vector<std::int32_t> pages{static_cast<std::int32_t>(a->Index()), static_cast<std::int32_t>(b->Index())};
    ASSERT_TRUE(x.ExportPages(pages));
    ASSERT_TRUE(x.WriteProject(pages));
    const std::string r = Read(x.ExportFileName);
    const std::string ida = x.TopicIdOf(pages[0]), idb = x.TopicIdOf(pages[1]);
    for (const std::string& w : {"#{\\footnote {\\super #}{\\field{\\fldrslt " + ida + "}}}}", std::string("${\\footnote {\\super $}{\\field{\\fldrslt Prima pagina}}}}"),
                                 std::string("K{\\footnote {\\super K}{\\field{\\fldrslt chiave,uno}}}}"), std::string("{\\fldrslt seq2:5}"),
                                 "\\uldb qui\\ul0{\\field{\\fldrslt {\\v " + idb + "}}}", "{\\v " + idb + ">finestra}", "{\\v " + idb + ">finestr2}",
                                 "\\ul pop\\ul0{\\field{\\fldrslt {\\v " + idb + "}}}", std::string("{\\v !Next()}"), std::string("\\page ")})
        EXPECT_TRUE(Has(r, w)) << w << "\n" << r;
    EXPECT_FALSE(Has(r, "\\sect")) << "topics are separated by pages";
    const std::string hpj = Read(x.ProjectFileName());
    for (const std::string& w : {std::string("[OPTIONS]\r\nTITLE="), "CONTENTS=" + ida + "\r\n", std::string("[WINDOWS]\r\nfinestra=\"\",,,,,f2\r\nfinestr2=\"\",,,,,f2\r\n"),
                                 "[MAP]\r\n" + ida + " " + std::to_string(pages[0]) + "\r\n", std::string("[FILES]\r\nout.rtf\r\n"),
                                 std::string("[CONFIG]\r\nBROWSEBUTTONS()\r\n")})
        EXPECT_TRUE(Has(hpj, w)) << w << "\n" << hpj;
}

TEST_F(RtfTest, ColourTableAndWindowNamesStartEmptyForEachDocument) {
    TNYXtesto* a = Page("a", "<Z S0 c00FF00 >verde");
    TNYXtesto* b = Page("b", "<Z S0 >nero");
    ASSERT_TRUE(x.ExportPages({static_cast<std::int32_t>(a->Index())}));
    ASSERT_TRUE(x.ExportPages({static_cast<std::int32_t>(b->Index())}));
    EXPECT_TRUE(Has(Read(x.ExportFileName), "{\\colortbl;\\red0\\green0\\blue0;}"));
}

TEST_F(RtfTest, EmfIsNeverWrittenAsAWindowsMetafile) {
    TNYXoggetto* emf = Picture("disegno.emf", Emf());
    TNYXoggetto* gif = Picture("punto.gif", Gif("a"));
    ASSERT_TRUE(emf && gif);
    TNYXoggetto* pe = Placed(emf);
    TNYXoggetto* pg = Placed(gif);
    pg->SetWord(19, 40);
    pg->SetWord(21, 20);
    const std::string r = Selection("<Z S0 >" + Tag(pe->Reference()) + Tag(pg->Reference()));
    EXPECT_TRUE(Has(r, "{\\pict\\emfblip")) << r;
    EXPECT_FALSE(Has(r, "\\wmetafile"));
    // the GIF comes as a PNG at its displayed size in twips
    EXPECT_TRUE(Has(r, "{\\pict\\pngblip\\picw1\\pich1\\picwgoal600\\pichgoal300 \r\n89504e47")) << r;
}

TEST_F(RtfTest, WinHelpBitmapNamesAreUniqueAndStayInTheFolder) {
    TNYXoggetto* one = Picture("logo.gif", Gif("1"));
    TNYXoggetto* two = Picture("logo.png", Gif("2"));  // a GIF under another extension: both would be logo.bmp
    ASSERT_TRUE(one && two && one != two);
    const TNYXtesto* p = Page("p", "<Z S0 >" + Tag(Placed(one)->Reference()) + Tag(Placed(two)->Reference()) + Tag(Placed(one)->Reference()));
    x.winHelp = true;
    x.ExportPath = tmp / "out";
    x.ExportFileName = tmp / "out" / "guida.rtf";
    ASSERT_TRUE(x.ExportPages({static_cast<std::int32_t>(p->Index())}));
    ASSERT_TRUE(x.WriteProject({static_cast<std::int32_t>(p->Index())}));
    EXPECT_EQ(x.Bitmaps(), (std::vector<std::string>{"logo.bmp", "logo_2.bmp"}));
    EXPECT_TRUE(fs::exists(tmp / "out" / "logo.bmp"));
    EXPECT_TRUE(fs::exists(tmp / "out" / "logo_2.bmp"));
    EXPECT_FALSE(fs::exists(tmp / "logo.bmp"));
    const std::string r = Read(x.ExportFileName);
    EXPECT_TRUE(Has(r, "\\{bmc logo.bmp\\}\\{bmc logo_2.bmp\\}\\{bmc logo.bmp\\}")) << r;
    EXPECT_TRUE(Has(Read(x.ProjectFileName()), "[BITMAPS]\r\nlogo.bmp\r\nlogo_2.bmp\r\n"));
}

TEST_F(RtfTest, OldHelpFileIsDeletedOnlyOnceTheCompilerHasStarted) {
    Write(tmp / "out.hlp", "vecchio");
    x.compilerCommand = (tmp / "nessun-compilatore").string();
    std::string why;
    EXPECT_FALSE(x.RunCompiler(&why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(fs::exists(tmp / "out.hlp"));
    x.compilerCommand = "true";
    EXPECT_TRUE(x.RunCompiler(&why));
    EXPECT_FALSE(fs::exists(tmp / "out.hlp"));
}

TEST_F(RtfTest, TablesRowsAndNestedCells) {
    TNYXoggetto* t = Table(2, 2);
    TNYXoggetto* inner = Table(1, 2);
    t->SetByte(92, 1);
    std::string bg;
    for (std::int32_t v : {0x0000FF, -1, -1, 0x00FF00})
        for (int k = 0; k < 4; ++k) bg += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
    t->SetFirstStream(bg);
    const std::string r = Selection("<Z S0 >prima" + Tag(t->Reference()) + "<Z S1 >a<T><Z S1 >" + Tag(inner->Reference()) +
                                    "<Z S1 >i1<T><Z S1 >i2<T><T><Z S1 >c<T><Z S1 >d<T><Z S0 >dopo");
    // the text before the table ends its own paragraph
    EXPECT_TRUE(Has(r, "prima\\par \r\n\\trowd\\trleft0\\trgaph")) << r;
    EXPECT_TRUE(Has(r, "\\clcfpat2\\clshdng10000")) << r;
    EXPECT_TRUE(Has(r, "\\cellx1500\\clbrdrb"));
    EXPECT_TRUE(Has(r, "\\cellx3000 "));
    // the inner table's cells are paragraphs of the outer cell
    EXPECT_TRUE(Has(r, "i1\\par \r\n\\pard\\intbl")) << r;
    std::size_t rows = 0, cells = 0;
    for (std::size_t at = 0; (at = r.find("\\row ", at)) != std::string::npos; ++at) ++rows;
    for (std::size_t at = 0; (at = r.find("\\cell ", at)) != std::string::npos; ++at) ++cells;
    EXPECT_EQ(rows, 2u);
    EXPECT_EQ(cells, 4u);
    EXPECT_TRUE(Has(r, "\\row \\pard\\plain \\s1")) << "the paragraph after the table is outside it";
}

TEST_F(RtfTest, BigDocumentAsksAndNoStopsAddingPages) {
    std::vector<std::int32_t> pages;
    for (int i = 0; i < 5; ++i) pages.push_back(static_cast<std::int32_t>(Page("p", "<Z S0 >pagina numero " + std::to_string(i))->Index()));
    x.bigBodySize = 150;
    ui.ui.answers = {platform::Answer::No};
    ASSERT_TRUE(x.ExportPages(pages));
    const std::string r = Read(x.ExportFileName);
    ASSERT_EQ(ui.ui.messages.size(), 1u);
    EXPECT_NE(ui.ui.messages[0].text.find("Il file ha superato i 5Mb"), std::string::npos);
    EXPECT_TRUE(Has(r, "pagina numero 1"));
    EXPECT_FALSE(Has(r, "pagina numero 4"));
    EXPECT_EQ(r.back(), '}');
}

TEST_F(RtfTest, OnePagePerDocumentNamesItsFiles) {
    const TNYXtesto* a = Page("a", "<Z S0 >uno");
    const TNYXtesto* b = Page("b", "<Z S0 >due");
    set.SetHInt(hdr::kCoverPage, static_cast<std::int32_t>(a->Index()));
    set.SetExpPrefix("g");
    ASSERT_TRUE(x.ExportEachPage({static_cast<std::int32_t>(a->Index()), static_cast<std::int32_t>(b->Index())}));
    EXPECT_TRUE(Has(Read(tmp / "gindex.rtf"), "uno"));
    EXPECT_TRUE(Has(Read(tmp / ("g" + convert::Hex6(b->Index()) + ".rtf")), "due"));
}

TEST_F(RtfTest, StopInTheExportDialogEndsTheRunBeforeTheNextPage) {
    std::vector<std::int32_t> pages;
    for (const char* name : {"uno", "due", "tre"})
        pages.push_back(static_cast<std::int32_t>(Page(name, std::string("<Z S0 >pagina ") + name)->Index()));
    struct Case {
        int format;
        const char* file;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        // One document: nothing written, the earlier file stays whole.
        {convert::rtf::efRtfOneFile, "out.rtf", {}},
        {convert::rtf::efWinHelp, "out.rtf", {}},
        // One document per page: the first one written stays.
        {convert::rtf::efRtfPerPage, "", {x.PageFileName(pages[0])}},
    };
    for (const Case& c : cases) {
        const fs::path folder = tmp / ("f" + std::to_string(c.format));
        fs::create_directories(folder);
        if (*c.file) Write(folder / c.file, "vecchio");
        const convert::TExportFormat* f = convert::FindExportFormat(c.format);
        ASSERT_TRUE(f && f->run) << c.format;
        convert::TExportJob job;
        job.set = &set;
        job.pages = pages;
        job.folder = folder;
        job.mainFile = c.file;
        int asked = 0;
        job.stop = [&] { return ++asked > 1; };  // Stop pressed during the first page
        const convert::TExportResult r = f->run(job);
        EXPECT_TRUE(r.stopped) << c.format;
        EXPECT_FALSE(r.ok()) << c.format;
        EXPECT_EQ(r.left, (std::vector<std::string>{"non esportata: \"due\"", "non esportata: \"tre\""})) << c.format;
        EXPECT_EQ(r.written, c.written) << c.format;
        if (*c.file) {
            EXPECT_EQ(Read(folder / c.file), "vecchio") << c.format;
            EXPECT_FALSE(fs::exists(fs::path(folder / c.file).replace_extension(".HPJ"))) << c.format;
        } else {
            EXPECT_TRUE(Has(Read(folder / c.written[0]), "pagina uno"));
            EXPECT_FALSE(fs::exists(folder / x.PageFileName(pages[1])));
        }
    }
}

TEST_F(RtfTest, UnwritableOutputIsReported) {
    const TNYXtesto* a = Page("a", "<Z S0 >uno");
    Write(tmp / "file", "x");
    x.ExportFileName = tmp / "file" / "out.rtf";
    EXPECT_FALSE(x.ExportPages({static_cast<std::int32_t>(a->Index())}));
    ASSERT_FALSE(x.Problems().empty());
    EXPECT_EQ(x.Problems()[0].rfind("Errore nella scrittura file ", 0), 0u);
}

}  // namespace
