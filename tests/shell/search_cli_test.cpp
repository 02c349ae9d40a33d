// nyx find lists and replaces text in the pages, nyx refs tells which pages
// use an object, nyx spell lists each page's unknown words: run as a script
// would run them, on a file made here.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "shell/Spell.h"
#include "support/LinkTag.h"
#include "support/Needs.h"

namespace fs = std::filesystem;

namespace {

struct NyxRun {
    int status = -1;
    std::string out;
};

// Runs nyx with `args` (already quoted for the shell); its standard output.
NyxRun Nyx(const std::string& args, const fs::path& dir) {
    const char* env = std::getenv("QUOR_BINARY_DIR");
    const std::string bin = env ? env : fs::read_symlink("/proc/self/exe").parent_path().string();
    const fs::path out = dir / "nyx-out.txt";
    const int st = std::system((bin + "/nyx " + args + " >" + out.string() + " 2>/dev/null").c_str());
    NyxRun r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream in(out);
    std::ostringstream text;
    text << in.rdbuf();
    r.out = text.str();
    return r;
}

int Lines(const std::string& s) {
    int n = 0;
    for (char c : s) n += c == '\n';
    return n;
}

using testsupport::LinkTo;

std::string StoredText(const fs::path& file, std::int64_t slot) {
    model::TNYXset s;
    if (!s.LoadFromFile(file)) return "?";
    std::string t;
    s.ObjectAt(model::testoHtml, slot)->ReadFirstStream(t);
    return t.substr(0, t.find('\0'));
}

class SearchCli : public ::testing::Test {
protected:
    // Pages "Prima", "Seconda" (which links to "Prima"), "Sola" (used nowhere).
    void SetUp() override {
        model::TNYXset s;
        s.NewHypertext();
        auto page = [&](const char* title, const std::string& text) {
            auto* p = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
            p->SetName(title);
            p->SetText(text);
            return p;
        };
        first = page("Prima", "<Z S0 >La casa e il casale<Z S0 >Tom &amp; Jerry")->Index();
        model::TNYXtesto* target = static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, first));
        second = page("Seconda", "<Z S0 >Una CASA grande, " + LinkTo(target->Reference(), "vedi"))->Index();
        alone = page("Sola", "<Z S0 >Niente qui")->Index();
        ASSERT_TRUE(s.SaveToFile(file));
    }
    platform::testing::FixedEnv env;
    platform::testing::TempDir dir;
    fs::path file = dir / "prova.nyx";
    std::int64_t first = -1, second = -1, alone = -1;
};

TEST_F(SearchCli, FindListsEveryFindAndReplaceSavesTheFile) {
    const std::string f = file.string();
    const struct {
        std::string args;
        int finds;
    } cases[] = {
        {"casa", 3},                 // casa, casale, CASA
        {"casa --word", 2},          // casa, CASA
        {"casa --word --case", 1},   // casa
        {"'&'", 1},                  // the entity reads as the character
        {"amp", 0},                  // and its name is not text
        {"'Jerry'", 1},
    };
    for (const auto& c : cases) {
        const NyxRun r = Nyx("find " + f + " " + c.args, dir.path());
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(Lines(r.out), c.finds) << c.args << "\n" << r.out;
    }
    const NyxRun listed = Nyx("find " + f + " casale", dir.path());
    EXPECT_EQ(listed.out, "pagina " + std::to_string(first) + " \"Prima\", paragrafo 1:  La casa e il casale Tom & Jerry\n");
    EXPECT_NE(Nyx("find " + f + " Jerry", dir.path()).out.find("paragrafo 2"), std::string::npos);

    // Whole words replaced in both pages and saved; the longer word stays.
    const NyxRun replaced = Nyx("find " + f + " casa --word --replace villa", dir.path());
    EXPECT_EQ(replaced.status, 0);
    EXPECT_NE(replaced.out.find("2 sostituzioni"), std::string::npos) << replaced.out;
    EXPECT_EQ(StoredText(file, first), "<Z S0 >La villa e il casale<Z S0 >Tom &amp; Jerry");
    EXPECT_NE(StoredText(file, second).find("Una villa grande"), std::string::npos);
    EXPECT_EQ(Lines(Nyx("find " + f + " casa --word", dir.path()).out), 0);
    // A replacement with a markup character is stored as its entity.
    EXPECT_EQ(Nyx("find " + f + " Jerry --replace '<Jerry>'", dir.path()).status, 0);
    EXPECT_NE(StoredText(file, first).find("Tom &amp; &lt;Jerry&gt;"), std::string::npos) << StoredText(file, first);

    // Refusals: a term over 255 characters, no term, an unknown switch, a missing file.
    EXPECT_EQ(Nyx("find " + f + " " + std::string(256, 'a'), dir.path()).status, 1);
    // A character the pages cannot hold would be looked for, or written, as "?".
    const std::string before = StoredText(file, first);
    EXPECT_EQ(Nyx("find " + f + " '\xC5\x82'", dir.path()).status, 1);
    EXPECT_EQ(Nyx("find " + f + " villa --replace 'w\xC5\x82'", dir.path()).status, 1);
    EXPECT_EQ(StoredText(file, first), before);
    EXPECT_EQ(Nyx("find " + f, dir.path()).status, 2);
    EXPECT_EQ(Nyx("find " + f + " casa --tutto", dir.path()).status, 2);
    EXPECT_EQ(Nyx("find " + (dir / "manca.nyx").string() + " casa", dir.path()).status, 1);
}

TEST_F(SearchCli, RefsNamesThePagesThatUseAnObject) {
    const std::string f = file.string();
    const std::string used = "+ \"PRIMA\" \xC3\xA8 presente in/collegato da /utilizzato in:\n"
                             "    - Seconda   {nel testo}\n";
    // The object as TYPE SLOT, as TYPE:SLOT, or a type's code.
    for (const std::string& object : {"page " + std::to_string(first), "testoHtml:" + std::to_string(first),
                                      "0 " + std::to_string(first)}) {
        const NyxRun r = Nyx("refs " + f + " " + object, dir.path());
        EXPECT_EQ(r.status, 0) << object;
        EXPECT_EQ(r.out, used) << object;
    }
    EXPECT_EQ(Nyx("refs " + f + " page " + std::to_string(alone), dir.path()).out,
              "- \"SOLA\" sembra inutilizzato.\n");
    EXPECT_EQ(Nyx("refs " + f + " page 99", dir.path()).status, 1);
    EXPECT_EQ(Nyx("refs " + f + " page", dir.path()).status, 2);
    EXPECT_EQ(Nyx("refs " + f + " nessuno 1", dir.path()).status, 2);
}

TEST_F(SearchCli, SpellListsTheUnknownWordsOfEachPage) {
    QUOR_NEEDS(shell::FindDictionary("it_IT", shell::DictionaryFolders()).has_value(),
               "hunspell-it (it_IT dictionary)");
    {
        model::TNYXset s;
        ASSERT_TRUE(s.LoadFromFile(file));
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, first))
            ->SetText("<Z S0 >Non so perch\xE8 dici qual'\xE8<Z S0 >un'albero. Quorino");
        ASSERT_TRUE(s.SaveToFile(file));
    }
    const fs::path user = dir / "utente.dic";
    const std::string args = "spell " + file.string() + " --user " + user.string();
    const NyxRun r = Nyx(args, dir.path());
    EXPECT_EQ(r.status, 0);
    const std::string page = "pagina " + std::to_string(first) + " \"Prima\": ";
    EXPECT_NE(r.out.find(page + "perch\xC3\xA8 qual'\xC3\xA8 un'albero Quorino\n"), std::string::npos) << r.out;
    // "CASA" in "Seconda" is a known word in capitals; "Sola" is clean.
    EXPECT_EQ(Lines(r.out), 1) << r.out;
    // The user's own words are known.
    std::ofstream(user) << "Quorino\n";
    EXPECT_NE(Nyx(args, dir.path()).out.find(page + "perch\xC3\xA8 qual'\xC3\xA8 un'albero\n"), std::string::npos);
    EXPECT_EQ(Nyx(args + " --lang xx_XX", dir.path()).status, 1) << "a language with no dictionary";
}

}  // namespace
