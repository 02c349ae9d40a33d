// The start-up logic without a window: the command line, the start window,
// page text as plain text, the desktop entry of the installation set-up.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/testing/FixedEnv.h"
#include "shell/StartLogic.h"
#include "support/NyxBuilder.h"

namespace fs = std::filesystem;
using namespace shell;

namespace {

TEST(CommandLine, SwitchesAndFileNames) {
    struct Case {
        std::vector<std::string> args;
        TNextAction action;
        bool init;
        std::string file;
    } cases[] = {
        {{}, TNextAction::Normal, false, ""},
        {{"/home/a/my", "hyper", "text.nyx"}, TNextAction::Normal, false, "/home/a/my hyper text.nyx"},
        {{"/PRINT", "x.nyx"}, TNextAction::Print, false, "x.nyx"},
        {{"/print", "my", "file.nyx"}, TNextAction::Print, false, "my file.nyx"},
        {{"/PQuor", "s.nyx"}, TNextAction::PublishServer, false, "s.nyx"},
        {{"/pftp"}, TNextAction::PublishFtp, false, ""},
        {{"/INIT"}, TNextAction::Normal, true, ""},
        {{"/tmp/other", "f.nyx"}, TNextAction::Normal, false, "/tmp/other f.nyx"},
        {{"/init.nyx"}, TNextAction::Normal, false, "/init.nyx"},
    };
    for (const auto& c : cases) {
        const TStartCommand s = ParseCommandLine(c.args);
        EXPECT_EQ(s.action, c.action) << c.file;
        EXPECT_EQ(s.init, c.init) << c.file;
        EXPECT_EQ(s.file, c.file);
    }
}

TEST(StartWindow, TipsUnlessAStartActionFollows) {
    const TStartCommand plain = ParseCommandLine({"a.nyx"});
    const TStartCommand print = ParseCommandLine({"/PRINT", "a.nyx"});
    const TStartCommand ftp = ParseCommandLine({"/PFTP", "a.nyx"});
    EXPECT_EQ(ChooseStartWindow(true, plain), TStartWindow::Tips);
    EXPECT_EQ(ChooseStartWindow(false, plain), TStartWindow::Splash);
    EXPECT_EQ(ChooseStartWindow(true, print), TStartWindow::Splash);
    EXPECT_EQ(ChooseStartWindow(true, ftp), TStartWindow::Splash);
    EXPECT_FALSE(CloseTipsAfterStart(false, plain));
    EXPECT_TRUE(CloseTipsAfterStart(true, plain));
    EXPECT_TRUE(CloseTipsAfterStart(false, print));
}

TEST(PlainText, TagsEntitiesAndParagraphs) {
    EXPECT_EQ(MarkupToPlainText("<Z S0 >Uno<Y y1 >due<Z S0 >a &lt;b&gt; &amp; &#233;"),
              "Unodue\na <b> & \xE9");
    EXPECT_EQ(MarkupToPlainText("<Z S0 >x<$00000001>link<%>"
                                "\r\n<$FF000000>y"), "xlinky");
    EXPECT_EQ(MarkupToPlainText(std::string("<Z S0 >fine\0dopo", 17)), "fine");
    EXPECT_EQ(MarkupToPlainText("<Z S0 >senza chiusura<Y"), "senza chiusura");
}

TEST(DesktopEntry, QuotesTheProgramPath) {
    platform::testing::TempDir dir;
    const fs::path e = WriteDesktopEntry("/opt/my $dir/quor", dir.path());
    ASSERT_FALSE(e.empty());
    EXPECT_NE(testsupport::ReadFile(e).find("Exec=\"/opt/my \\$dir/quor\" %f"), std::string::npos);
}

}  // namespace
