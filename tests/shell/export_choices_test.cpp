// The export dialog without its window: which pages are exported and in
// what order, the format's settings and the HTML options kept in the
// options store, the format picked from a file name, the registry of
// formats, and Stop in the middle of a run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "convert/Converter.h"
#include "convert/ExportFormats.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/ExportChoices.h"
#include "shell/OptionsStore.h"

using namespace shell;
namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class ExportChoices : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TOptionsStore store{tmp.path() / "options.ini"};
    model::TNYXset set;
    std::int32_t gamma = 0, alfa = 0, beta = 0;

    void SetUp() override {
        set.NewHypertext();
        set.SetExpPrefix("");
        // Made in this order so that the list (by title) differs from slot order.
        gamma = Page("Gamma", "<Z S0 >terza");
        alfa = Page("Alfa", "<Z S0 >prima");
        beta = Page("Beta", "<Z S0 >seconda");
    }
    std::int32_t Page(const std::string& title, const std::string& text) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetName(title);
        p->SetText(text);
        return static_cast<std::int32_t>(p->Index());
    }
    static std::int32_t Ref(std::int32_t page) { return model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(page)); }
    // The page's file as the list names it.
    static std::string FileOf(TExportChoices& c, std::int32_t page) {
        for (const auto& r : c.Rows())
            if (r.ref == Ref(page)) return r.file;
        return {};
    }
    fs::path Out() {
        fs::path p = tmp.path() / "out";
        fs::create_directories(p);
        return p;
    }
};

TEST_F(ExportChoices, CheckedPagesComeInListOrderAndTheStyleSheetIsNoPage) {
    TExportChoices c(set, store);
    ASSERT_EQ(c.Format(), convert::efHtml);
    const auto rows = c.Rows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().type, "CSS");
    c.Check(Ref(gamma), true);
    c.Check(Ref(alfa), true);
    c.Check(rows.front().ref, true);  // the style sheet row holds no page
    EXPECT_EQ(c.CheckedPages(), (std::vector<std::int32_t>{alfa, gamma}));
    c.Check(Ref(gamma), false);
    EXPECT_EQ(c.CheckedPages(), (std::vector<std::int32_t>{alfa}));
    ASSERT_TRUE(c.CheckAll());
    EXPECT_EQ(c.CheckedPages().size(), convert::AllPages(set).size());
}

TEST_F(ExportChoices, SettingsAndHtmlOptionsRoundTripThroughTheStore) {
    const fs::path html = Out(), text = tmp.path();
    {
        TExportChoices c(set, store);
        c.SetFolder(html);
        convert::html::THtmlOptions o;
        o.expAlt = false;
        o.expOrigName = true;
        o.expSepImage = true;
        o.expTipoExt = 0;
        ASSERT_TRUE(c.SetHtmlOptions(o));
        ASSERT_TRUE(c.SetFormat(convert::efText));  // stores HTML's settings
        c.SetFolder(text);
        c.Settings().runHcp = true;
        c.Settings().runDefaultHcp = false;
        c.Settings().width = 148;
        ASSERT_TRUE(c.Store());
    }
    TOptionsStore again{tmp.path() / "options.ini"};
    TExportChoices c(set, again);
    EXPECT_EQ(c.Folder(), html);
    EXPECT_FALSE(c.HtmlOptions().expAlt);
    EXPECT_TRUE(c.HtmlOptions().expOrigName);
    EXPECT_TRUE(c.HtmlOptions().expSepImage);
    EXPECT_EQ(c.HtmlOptions().expTipoExt, 0);
    EXPECT_EQ(again.ReadSectionOption("htmlexp", "expAlt"), "0");
    ASSERT_TRUE(c.SetFormat(convert::efText));
    EXPECT_EQ(c.Folder(), text);
    EXPECT_TRUE(c.Settings().runHcp);
    EXPECT_FALSE(c.Settings().runDefaultHcp);
    EXPECT_EQ(c.Settings().width, 148);
    EXPECT_EQ(c.Settings().length, 297);
    EXPECT_EQ(again.ReadSectionOption("exp\\4", "largh"), "148");
    // A stored folder that is gone gives the default one.
    fs::remove_all(html);
    TExportChoices gone(set, again);
    EXPECT_NE(gone.Folder(), html);
    EXPECT_TRUE(fs::is_directory(gone.Folder()));
}

TEST_F(ExportChoices, FileNamesPickTheFormatByExtension) {
    struct Case {
        const char* file;
        int format;  // -1: refused
        const char* mainFile;
    };
    const Case cases[] = {
        {"/srv/sito/pagina.HTML", convert::efHtml, ""},
        {"/srv/testi/note.txt", convert::efText, "note.txt"},
        {"/srv/testi/prog.cpp", convert::efText, "prog.cpp"},
        {"/srv/x/disegno.xyz", -1, ""},
        {"/srv/x/senza", -1, ""},
    };
    for (const Case& k : cases) {
        TExportChoices c(set, store);
        EXPECT_EQ(c.SetFile(k.file), k.format >= 0) << k.file;
        if (k.format < 0) continue;
        EXPECT_EQ(c.Format(), k.format) << k.file;
        EXPECT_EQ(c.Folder(), fs::path(k.file).parent_path()) << k.file;
        EXPECT_EQ(c.MainFile(), k.mainFile) << k.file;
    }
}

TEST_F(ExportChoices, HtmlRunWritesOnlyTheCheckedPages) {
    TExportChoices c(set, store);
    c.SetFolder(Out());
    c.Check(Ref(alfa), true);
    c.Check(Ref(beta), true);
    std::vector<std::string> progress;
    const TExportOutcome out = c.Run([&](const std::string& t) { progress.push_back(t); });
    ASSERT_TRUE(out.ran);
    EXPECT_TRUE(out.result.ok()) << out.Lines().back();
    for (std::int32_t p : {alfa, beta}) EXPECT_TRUE(fs::exists(Out() / FileOf(c, p))) << FileOf(c, p);
    EXPECT_FALSE(fs::exists(Out() / FileOf(c, gamma)));
    EXPECT_TRUE(fs::exists(Out() / "_style.css"));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "Export in corso, fase 1: 0%");
    // The list shows the sizes of the files now in the folder.
    for (const auto& r : c.Rows()) {
        if (r.ref == Ref(alfa)) {
            EXPECT_GT(r.size, 0);
        }
    }
}

TEST_F(ExportChoices, NothingCheckedDoesNotRun) {
    TExportChoices c(set, store);
    const TExportOutcome out = c.Run();
    EXPECT_FALSE(out.ran);
    EXPECT_EQ(out.message, "Nessuna pagina da esportare.");
}

TEST_F(ExportChoices, StopMidwayLeavesTheFinishedFilesAndReportsTheRest) {
    TExportChoices c(set, store);
    c.SetFolder(Out());
    ASSERT_TRUE(c.CheckAll());
    const auto pages = c.CheckedPages();
    ASSERT_GE(pages.size(), 3u);
    int asked = 0;
    const TExportOutcome out = c.Run({}, [&] { return ++asked > 1; });  // Stop after the first page
    ASSERT_TRUE(out.ran);
    EXPECT_TRUE(out.result.stopped);
    EXPECT_FALSE(out.result.ok());
    const std::string first = FileOf(c, pages[0]);
    EXPECT_NE(Read(Out() / first).find("</HTML>"), std::string::npos);  // whole
    for (std::size_t i = 1; i < pages.size(); ++i)
        EXPECT_FALSE(fs::exists(Out() / FileOf(c, pages[i]))) << FileOf(c, pages[i]);
    EXPECT_EQ(out.result.left.size(), pages.size() - 1);
    const auto lines = out.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "non esportata: \"Beta\""), lines.end());
}

TEST_F(ExportChoices, TextRunWritesOneFileInTheFolderAndAStoppedOneWritesNothing) {
    TExportChoices c(set, store);
    ASSERT_TRUE(c.SetFormat(convert::efText));
    EXPECT_TRUE(c.UsesMainFile());
    EXPECT_EQ(c.MainFile(), "Senza titolo.txt");
    c.SetFolder(Out());
    c.SetMainFile("../fuori.txt");  // only the name counts
    c.Check(Ref(alfa), true);
    c.Check(Ref(beta), true);
    TExportOutcome out = c.Run();
    ASSERT_TRUE(out.ran);
    EXPECT_TRUE(out.result.ok());
    EXPECT_FALSE(fs::exists(tmp.path() / "fuori.txt"));
    EXPECT_EQ(Read(Out() / "fuori.txt"), "prima\r\nseconda");
    c.Check(Ref(gamma), true);
    out = c.Run({}, [] { return true; });
    EXPECT_TRUE(out.result.stopped);
    EXPECT_EQ(Read(Out() / "fuori.txt"), "prima\r\nseconda");  // the earlier file stays whole
    c.SetMainFile("");
    out = c.Run();
    EXPECT_FALSE(out.ran);
}

TEST_F(ExportChoices, AnotherExporterRegistersItselfAndIsListedInCodeOrder) {
    // A format of its own, after the built-in ones.
    constexpr int kProva = convert::efDoc + 10;
    convert::TExportFormat f;
    f.code = kProva;
    f.name = "Prova: un file per ogni pagina";
    f.extensions = "*.prv;";
    f.listType = convert::ltManyFiles;
    f.checkAll = false;
    std::vector<std::int32_t> got;
    f.run = [&](const convert::TExportJob& job) {
        got = job.pages;
        convert::TExportResult r;
        r.written.push_back("x.prv");
        return r;
    };
    convert::RegisterExportFormat(f);
    std::vector<int> codes;
    for (const auto& g : convert::ExportFormats()) codes.push_back(g.code);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(codes.back(), kProva);
    TExportChoices c(set, store);
    ASSERT_TRUE(c.SetFile("/tmp/a.prv"));
    EXPECT_EQ(c.Format(), kProva);
    EXPECT_FALSE(c.CheckAll());  // one file a page: "Tutte" does nothing
    c.Check(Ref(beta), true);
    EXPECT_TRUE(c.Run().result.ok());
    EXPECT_EQ(got, (std::vector<std::int32_t>{beta}));
}

}  // namespace
