// The window for an HTML file being opened, without the window: the
// hypertext its page marker names is found as written, beside the page, in
// any case, or by the last part of a Windows path; the choices follow; a
// native choice while it is missing asks first.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/HtmlOpenChoices.h"

using namespace shell;
namespace fs = std::filesystem;

namespace {

struct HtmlOpenChoices : ::testing::Test {
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    fs::path Page(const std::string& name, const std::string& marker) {
        const fs::path p = tmp.path() / name;
        std::ofstream(p) << "<html><head>" << marker << "</head><body>x</body></html>";
        return p;
    }
};

TEST_F(HtmlOpenChoices, TheNamedHypertextIsFoundBesideThePage) {
    std::ofstream(tmp.path() / "Guida.NYX") << "x";
    struct Case {
        const char* marker;
        bool marked, found;
    };
    const Case cases[] = {
        {"<!--pageQuor=\"3;Guida.NYX\"-->", true, true},
        {"<!--pageQuor=\"3;guida.nyx\"-->", true, true},          // written in another case
        {"<!--pageQuor=\"3;C:\\siti\\GUIDA.nyx\"-->", true, true},  // a Windows path
        {"<!--pageQuor=\"3;../../etc/guida.nyx\"-->", true, true},  // only the name counts
        {"<!--pageQuor=\"3;altra.nyx\"-->", true, false},
        {"<!--pageQuor=\"3;guida.htm\"-->", false, false},  // not a hypertext
        {"", false, false},
    };
    for (const Case& c : cases) {
        const THtmlOpenChoices h(Page("p.html", c.marker));
        EXPECT_EQ(h.Marked(), c.marked) << c.marker;
        EXPECT_EQ(h.Found(), c.found) << c.marker;
        if (c.found) {
            EXPECT_EQ(h.NativeFile().parent_path(), tmp.path()) << c.marker;
        }
        EXPECT_EQ(h.Texts().size(), c.marked ? 4u : 3u) << c.marker;
        EXPECT_EQ(h.Texts().size(), h.Actions().size());
        if (c.marked) {
            EXPECT_EQ(h.Page(), 3);
        }
    }
}

TEST_F(HtmlOpenChoices, ANativeChoiceWhileTheHypertextIsMissingAsksFirst) {
    THtmlOpenChoices h(Page("p.html", "<!--pageQuor=\"2;manca.nyx\"-->"));
    ASSERT_FALSE(h.Found());
    ui.ui.answers = {platform::Answer::No, platform::Answer::Yes};
    EXPECT_EQ(h.Confirm(0), std::nullopt);  // No: the window stays for "Cerca..."
    EXPECT_EQ(h.Confirm(1), THtmlOpenAction::ImportIndex);
    EXPECT_EQ(h.Confirm(3), THtmlOpenAction::InsertPage);  // asks nothing
    EXPECT_EQ(h.Confirm(4), std::nullopt);
    EXPECT_EQ(ui.ui.Texts(platform::testing::Message::YesNo).size(), 2u);
    h.SetNativeFile(tmp.path() / "nessuno.nyx");  // not a file: ignored
    EXPECT_FALSE(h.Found());
    std::ofstream(tmp.path() / "trovato.nyx") << "x";
    h.SetNativeFile(tmp.path() / "trovato.nyx");
    EXPECT_TRUE(h.Found());
    EXPECT_EQ(h.Confirm(0), THtmlOpenAction::EditNative);
    EXPECT_NE(h.Message().find(": Quor utilizzer"), std::string::npos);
}

}  // namespace
