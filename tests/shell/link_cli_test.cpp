// nyx link puts links on the text of a page (or appends a linked text), and
// nyx check reports links whose page was deleted afterwards.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"

namespace {

int Nyx(const std::string& args) {
    const char* env = std::getenv("QUOR_BINARY_DIR");
    const std::string bin = env ? env : std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    const int st = std::system((bin + "/nyx " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

std::string PageText(const std::filesystem::path& file, int page) {
    model::TNYXset s;
    if (!s.LoadFromFile(file)) return "?";
    std::string t;
    s.ObjectAt(model::testoHtml, page)->ReadFirstStream(t);
    return t.substr(0, t.find('\0'));
}

}  // namespace

TEST(LinkCli, LinksTextOrAppendsAndCheckFindsLinksToDeletedPages) {
    platform::testing::TempDir dir;
    const auto file = dir / "l.nyx";
    {
        model::TNYXset s;
        s.NewHypertext();
        while (s.Count(model::testoHtml) < 3) s.NewObject(model::testoHtml);
        s.ObjectAt(model::testoHtml, 2)->SetName("Due & tre");
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 0))->SetText("<Z S0 >Vedi il <Y i1 >capitolo e altro");
        ASSERT_TRUE(s.SaveToFile(file));
    }
    const std::string f = file.string();
    EXPECT_EQ(Nyx("link " + f + " 0 --to 2 --text capitolo"), 0);
    EXPECT_EQ(PageText(file, 0), "<Z S0 >Vedi il <Y i1 ><$0A000000>capitolo<%> e altro");
    // Without the text, the target's title (escaped) is appended as the link's text.
    EXPECT_EQ(Nyx("link " + f + " 0 --to 2"), 0);
    EXPECT_NE(PageText(file, 0).find("altro<$0A000001>Due &amp; tre<%>"), std::string::npos);
    EXPECT_EQ(Nyx("link " + f + " 0 --to mailto:autore@esempio.it --text scrivimi"), 0);
    EXPECT_NE(PageText(file, 0).find("<$01000000>scrivimi<%>"), std::string::npos);
    // Refusals: a missing page, an address over 127 bytes, no --to.
    EXPECT_EQ(Nyx("link " + f + " 0 --to 7"), 1);
    EXPECT_EQ(Nyx("link " + f + " 0 --to http://" + std::string(121, 'a')), 1);
    EXPECT_EQ(Nyx("link " + f + " 0"), 2);
    EXPECT_EQ(Nyx("check " + f), 0);
    {
        model::TNYXset s;
        ASSERT_TRUE(s.LoadFromFile(file));
        s.ObjectAt(model::testoHtml, 2)->Reset();
        ASSERT_TRUE(s.SaveToFile(file));
    }
    EXPECT_EQ(Nyx("check " + f), 1);
}
