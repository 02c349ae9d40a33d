// The builder's window logic with scripted answers: adding folders, groups,
// the settings files and the program options, "Crea" with its report, its
// save question and "Test".
#include <gtest/gtest.h>

#include <memory>

#include "cdrom/CdWizard.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"
#include "tests/cdrom/Fixtures.h"

namespace fs = std::filesystem;
using namespace cdrom;
using namespace cdromtest;
using platform::Answer;
using platform::testing::Message;

namespace {

struct THostLog : TCdHost {
    std::optional<fs::path> chosen;
    int progress = 0;
    int work = 0;
    std::vector<std::string> captions;
    std::optional<fs::path> ChooseSettingsFile(bool, const fs::path&) override { return chosen; }
    bool Progress(const std::string&, std::size_t, std::size_t) override { return ++progress > 0; }
    void WorkChanged(bool on) override { work += on ? 1 : -1; }
    void CaptionChanged(const std::string& c) override { captions.push_back(c); }
};

class CdWizardTest : public ::testing::Test {
protected:
    void SetUp() override { previous = shell::SetOptions(&store); }
    void TearDown() override { shell::SetOptions(previous); }

    std::vector<std::string> Installs(const TCdWizard& w) const {
        std::vector<std::string> out;
        for (const TDatoDir& e : w.Settings().entries) out.push_back(e.installPath);
        return out;
    }

    TCdFixture fx;
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope scripted;
    shell::TOptionsStore store{fx.dir / "options.ini"};
    shell::TOptionsStore* previous = nullptr;
    THostLog host;
};

// Subfolders first, links to folders never followed (a loop back up the
// tree ends nowhere), a link to a file taken as a file, a name no install
// path can hold left out and listed; the folder question comes once.
TEST_F(CdWizardTest, AddingFoldersRecursively) {
    const fs::path docs = fx.dir / "docs";
    WriteFile(docs / "a.txt", "a");
    WriteFile(docs / "sub" / "b.txt", "b");
    WriteFile(docs / "sub" / "deeper" / "c.txt", "c");
    WriteFile(docs / "non?valido.txt", "x");
    fs::create_directory_symlink(docs, docs / "sub" / "giro");
    fs::create_symlink(docs / "a.txt", docs / "collegamento.txt");
    WriteFile(fx.dir / "altri" / "d.txt", "d");

    TCdWizard w(fx.utils, host);
    scripted.ui.answers = {Answer::Yes};
    const TAddResult r = w.AddPaths({docs, fx.dir / "altri", fx.src / "storia.nyx"});
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(Installs(w), (std::vector<std::string>{"<APPDIR>\\sub\\deeper\\c.txt", "<APPDIR>\\sub\\b.txt", "<APPDIR>\\a.txt",
                                                     "<APPDIR>\\collegamento.txt", "<APPDIR>\\d.txt", "<APPDIR>\\storia.nyx"}));
    EXPECT_EQ(w.Settings().entries[0].sourcePath, (docs / "sub" / "deeper" / "c.txt").string());
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo), (std::vector<std::string>{"Vuoi includere anche intere directory?"}));
    EXPECT_EQ(r.refused, (std::vector<std::string>{(docs / "non?valido.txt").string()}));
    EXPECT_EQ(scripted.ui.Texts(Message::ErrorList).size(), 1u);
    EXPECT_EQ(host.work, 0);
    EXPECT_GT(host.progress, 0);

    // The same again adds nothing, and does not ask again.
    EXPECT_EQ(w.AddPaths({docs}).duplicates, 4u);
    EXPECT_EQ(w.Settings().entries.size(), 6u);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo).size(), 1u);

    scripted.ui.answers = {Answer::No};
    EXPECT_FALSE(w.RemoveAllShown());
    EXPECT_EQ(w.Settings().entries.size(), 6u);
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(w.RemoveAllShown());
    EXPECT_TRUE(w.Settings().entries.empty());
}

TEST_F(CdWizardTest, GroupsUpToTwentyAndWhereEntriesGo) {
    TCdWizard w(fx.utils, host);
    for (int g = 2; g <= kMaxGroup; ++g) ASSERT_TRUE(w.AddGroup("Gruppo " + std::to_string(g)));
    EXPECT_FALSE(w.AddGroup("Uno di troppo"));
    EXPECT_EQ(w.Settings().groups.size(), kMaxGroups);
    EXPECT_EQ(scripted.ui.Texts(Message::Warning).size(), 1u);
    EXPECT_FALSE(w.AddGroup("con [parentesi]"));

    w.SetCurrentGroup(5);
    w.AddPaths({fx.src / "storia.nyx"});
    w.SetCurrentGroup(6);
    w.AddPaths({fx.src / "grande.bin"});
    EXPECT_EQ(w.ShownEntries(), (std::vector<std::size_t>{1}));
    EXPECT_FALSE(w.DeleteGroup(1));
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(w.DeleteGroup(5));  // its file goes, the groups after it move down
    ASSERT_EQ(w.Settings().entries.size(), 1u);
    EXPECT_EQ(w.Settings().entries[0].group, 5);
    EXPECT_EQ(w.Settings().groups[5], "Gruppo 6");
    EXPECT_EQ(w.CurrentGroup(), 4);
}

// A missing source: the report, no save question, no "Test". Once it is
// there: the save question, and "Test" opens the installer as written.
TEST_F(CdWizardTest, CreaReportsMissingFilesThenOffersToSaveAndTest) {
    TCdWizard w(fx.utils, host);
    w.Open();
    EXPECT_EQ(w.Caption(), "Creazione CdRom - Senza titolo");
    w.Settings().destPath = fx.dest.string();
    EXPECT_TRUE(w.Crea().noEntries);
    EXPECT_EQ(scripted.ui.Texts(Message::Information), (std::vector<std::string>{"Inserisci almeno un ipertesto!"}));

    const fs::path later = fx.src / "poi.nyx";
    WriteFile(later, "x");
    w.AddPaths({later, fx.src / "storia.nyx"});
    fs::remove(later);
    scripted.ui.ClearMessages();
    EXPECT_FALSE(w.Crea().Done());
    ASSERT_EQ(scripted.ui.messages.size(), 1u);
    EXPECT_EQ(scripted.ui.messages[0].kind, Message::ErrorList);
    EXPECT_EQ(scripted.ui.messages[0].text.substr(0, 14), "Report errori:");
    EXPECT_NE(scripted.ui.messages[0].text.find("Mancano alcuni dei files necessari alla creazione del CD."), std::string::npos);
    EXPECT_NE(scripted.ui.messages[0].text.find(later.string()), std::string::npos);
    EXPECT_FALSE(w.TestVisible());

    WriteFile(later, "x");
    scripted.ui.ClearMessages();
    host.chosen = fx.dir / "mio cd";
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(w.Crea().Done());
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo), (std::vector<std::string>{"Salvo correnti impostazioni?"}));
    EXPECT_TRUE(w.TestVisible());
    EXPECT_EQ(w.TestTarget(), fx.dest / "INSTALL.exe");
    EXPECT_TRUE(fs::is_regular_file(w.TestTarget()));
    EXPECT_EQ(w.SettingsFile(), fx.dir / "mio cd.wzz");
    EXPECT_EQ(w.Caption(), "Creazione CdRom - mio cd.wzz");

    // The next window starts where this one was: destination and settings.
    TCdWizard again(fx.utils, host);
    again.Open();
    EXPECT_EQ(again.SettingsFile(), fx.dir / "mio cd.wzz");
    EXPECT_EQ(again.Settings().destPath, fx.dest.string() + "/");
    EXPECT_EQ(again.Settings().entries, w.Settings().entries);
    scripted.ui.ClearMessages();
    scripted.ui.answers = {Answer::No};
    EXPECT_TRUE(again.Crea().Done());
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo),
              (std::vector<std::string>{"Salvo correnti impostazioni nel file: " + (fx.dir / "mio cd.wzz").string() + " ?"}));
}

TEST_F(CdWizardTest, CurrentHypertextAndNew) {
    TCdWizard w(fx.utils, host);
    EXPECT_FALSE(w.AddCurrentHypertext({}));
    EXPECT_EQ(scripted.ui.Texts(Message::Information).size(), 1u);
    EXPECT_TRUE(w.AddCurrentHypertext(fx.src / "storia.nyx"));
    EXPECT_EQ(w.Settings().lancia, "storia.nyx");
    EXPECT_EQ(Installs(w), (std::vector<std::string>{"<APPDIR>\\storia.nyx"}));
    w.Settings().destPath = "/scelta/";
    w.New();
    EXPECT_TRUE(w.Settings().entries.empty());
    EXPECT_EQ(w.Settings().lancia, "");
    EXPECT_EQ(w.Settings().destPath, "/scelta/");
    EXPECT_FALSE(w.Load(fx.dir / "non-esiste.wzz"));
    EXPECT_EQ(scripted.ui.Texts(Message::Error).size(), 1u);
}

}  // namespace
