#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"

namespace fs = std::filesystem;
using platform::testing::Message;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
using shell::TOptionsStore;

namespace {

// No test of this program may reach the user's real options: whatever asks
// for the default file lands in a folder of its own.
const struct ConfigHomeGuard {
    ConfigHomeGuard() {
        static TempDir home;
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    }
} configHomeGuard;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Put(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string Writer(int w) {
    std::string s = "w";
    s += std::to_string(w);
    return s;
}

struct Store : ::testing::Test {
    TempDir dir;
    fs::path file = dir / "quor" / "options.ini";
    ScriptedUiScope ui;
};

}  // namespace

TEST_F(Store, DefaultFileFollowsXdgConfigHome) {
    EXPECT_EQ(TOptionsStore::DefaultFile(), fs::path(std::getenv("XDG_CONFIG_HOME")) / "quor" / "options.ini");
    const std::string saved = std::getenv("XDG_CONFIG_HOME");
    setenv("XDG_CONFIG_HOME", "relative/not/allowed", 1);
    EXPECT_EQ(TOptionsStore::DefaultFile(), fs::path(std::getenv("HOME")) / ".config" / "quor" / "options.ini");
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST_F(Store, ValuesPersistAcrossInstancesWithoutCaseMattering) {
    {
        TOptionsStore a(file);
        EXPECT_EQ(a.ReadOption("TipOfTheDay"), "");  // missing reads as empty
        ASSERT_TRUE(a.WriteOption("TipOfTheDay", "0"));
        ASSERT_TRUE(a.WriteFlag("Bak", true));
        ASSERT_TRUE(a.WriteSectionOption("ftpnet\\0", "server", "ftp.esempio.it"));
        ASSERT_TRUE(a.WriteKey("\\Software\\ZR\\printerProfiles\\PrnSettings_PrinterSettings1", "device", "Laser"));
    }
    TOptionsStore b(file);
    EXPECT_EQ(b.ReadOption("tipOfTheDay"), "0");
    EXPECT_EQ(b.ReadOption("BAK"), "1");
    EXPECT_EQ(b.ReadSectionOption("FTPNET\\0\\", "Server"), "ftp.esempio.it");
    EXPECT_EQ(b.ReadSectionOption("options", "TipOfTheDay"), "0");
    EXPECT_EQ(b.ReadKey("software\\zr\\printerprofiles\\prnsettings_printersettings1", "DEVICE").value_or("?"), "Laser");
    // Rewriting with another spelling keeps one value.
    ASSERT_TRUE(b.WriteOption("TIPOFTHEDAY", "1"));
    EXPECT_EQ((shell::TNameValueList{{"TipOfTheDay", "1"}, {"Bak", "1"}}), b.ReadSection("options"));
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // passwords are kept here
    EXPECT_TRUE(ui.ui.messages.empty());
}

TEST_F(Store, TwoInstancesDoNotLoseEachOthersWrites) {
    TOptionsStore a(file), b(file);
    a.SetRefreshInterval(std::chrono::hours(1));  // a never looks at the file by itself
    b.SetRefreshInterval(std::chrono::hours(1));
    ASSERT_TRUE(a.WriteOption("LastFile", "uno.nyx"));
    ASSERT_TRUE(b.WriteSectionOption("RecentFile", "0", "due.nyx"));  // b had not seen a's write
    ASSERT_TRUE(a.DeleteSection("RecentFile"));                       // nor a b's
    ASSERT_TRUE(b.WriteOption("undoDeep", "30"));
    TOptionsStore c(file);
    EXPECT_EQ(c.ReadOption("LastFile"), "uno.nyx");
    EXPECT_EQ(c.ReadOption("undoDeep"), "30");
    EXPECT_FALSE(c.SectionExists("RecentFile"));
    // A reader picks the other instance's values up on refresh.
    EXPECT_EQ(a.ReadOption("undoDeep"), "");  // not looked at yet
    a.Refresh();
    EXPECT_EQ(a.ReadOption("undoDeep"), "30");
    ASSERT_TRUE(b.WriteOption("undoDeep", "40"));
    a.Refresh();
    EXPECT_EQ(a.ReadOption("undoDeep"), "40");
}

TEST_F(Store, ProcessesWritingAtOnceLoseNothing) {
    constexpr int kWriters = 3, kValues = 25;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            TOptionsStore mine(file);
            bool ok = true;
            for (int i = 0; i < kValues; ++i)
                ok &= mine.WriteSectionOption(Writer(w), std::to_string(i), std::to_string(w * 1000 + i));
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TOptionsStore all(file);
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(all.ReadSectionOption(Writer(w), std::to_string(i)), std::to_string(w * 1000 + i));
}

TEST_F(Store, AwkwardNamesAndValuesSurviveTheFile) {
    const shell::TNameValueList values = {
        {"path", "c:\\temp\\"},                 // kept readable, backslashes and all
        {"finds", "prima\r\nseconda"},          // line breaks
        {"spazi", "  davanti e dietro "},
        {"virgolette", "\"citato\""},
        {"a=b", "uguale nel nome"},
        {"[quadra", "x"},
        {"", "valore senza nome"},
        {"accenti", "perch\xE9 \x80 5 \x93ok\x94"},  // Windows-1252: é, euro, quotes
        {"controlli", std::string("\x01\x81\x7F\t", 4)},
        {"vuoto", ""},
    };
    {
        TOptionsStore a(file);
        a.BeginUpdate();
        for (const auto& [n, v] : values) a.WriteSectionOption("strani\\]chiave", n, v);
        ASSERT_TRUE(a.EndUpdate());
    }
    const std::string disk = Slurp(file);
    EXPECT_NE(disk.find("path=c:\\temp\\\n"), std::string::npos) << disk;
    EXPECT_NE(disk.find("accenti=perch\xC3\xA9 \xE2\x82\xAC 5"), std::string::npos) << "UTF-8 on disk";
    TOptionsStore b(file);
    EXPECT_EQ(b.ReadSection("strani\\]chiave"), values);
    EXPECT_EQ(b.BadLines(), 0u);
}

TEST_F(Store, BatchedWritesReachTheDiskTogether) {
    TOptionsStore a(file);
    ASSERT_TRUE(a.WriteOption("Alt", "0"));
    a.BeginUpdate();
    a.WriteOption("Alt", "1");
    a.BeginUpdate();
    a.WriteOption("Virgolette", "1");
    EXPECT_TRUE(a.EndUpdate());
    EXPECT_EQ(a.ReadOption("Alt"), "1");            // reads see the pending values
    EXPECT_EQ(TOptionsStore(file).ReadOption("Alt"), "0");  // the disk does not yet
    EXPECT_TRUE(a.EndUpdate());
    TOptionsStore b(file);
    EXPECT_EQ(b.ReadOption("Alt"), "1");
    EXPECT_EQ(b.ReadOption("Virgolette"), "1");
}

TEST_F(Store, DeleteSectionTakesSubkeysAndRefusesTheProgramKey) {
    TOptionsStore a(file);
    a.BeginUpdate();
    a.WriteOption("Bak", "0");
    a.WriteSectionOption("forms\\TFexp", "Left", "10");
    a.WriteSectionOption("forms\\TFcd", "Left", "20");
    a.WriteSectionOption("formsX", "keep", "1");
    ASSERT_TRUE(a.EndUpdate());
    EXPECT_TRUE(a.SectionExists("forms"));  // a key whose subkeys hold the values
    for (const char* refused : {"", "\\", "\\\\"}) EXPECT_FALSE(a.DeleteSection(refused)) << refused;
    EXPECT_FALSE(a.DeleteKey("\\"));
    ASSERT_TRUE(a.DeleteSection("forms\\"));
    TOptionsStore b(file);
    EXPECT_FALSE(b.SectionExists("forms"));
    EXPECT_EQ(b.ReadSectionOption("formsX", "keep"), "1");
    EXPECT_EQ(b.ReadOption("Bak"), "0");
}

TEST_F(Store, ReadPathSplitsAtTheLastSeparator) {
    TOptionsStore a(file);
    ASSERT_TRUE(a.WriteOption("LastFile", "x.nyx"));
    EXPECT_EQ(a.ReadPath("\\SOFTWARE\\ZR\\Quor3.0pro\\options\\LastFile"), "x.nyx");
    EXPECT_EQ(a.ReadPath("\\SOFTWARE\\ZR\\Quor3.0pro\\options\\Nothing"), "");
    EXPECT_TRUE(ui.ui.messages.empty());
    EXPECT_EQ(a.ReadPath("\\SOFTWARE\\ZR\\Manca\\valore"), "");
    EXPECT_EQ(ui.ui.Texts(Message::Error),
              std::vector<std::string>{"Tmp err msg. Key non trovata nel registry:\\SOFTWARE\\ZR\\Manca : valore"});
}

TEST_F(Store, AnInterruptedWriteKeepsTheOldFile) {
    {
        TOptionsStore a(file);
        ASSERT_TRUE(a.WriteOption("undoDeep", "30"));
    }
    const std::string before = Slurp(file);
    // The writer dies after its temporary file is complete but before it
    // replaces the old one.
    EXPECT_EXIT(
        {
            TOptionsStore a(file);
            a.SetBeforeRenameHook([](const fs::path&) { _exit(7); });
            a.WriteOption("undoDeep", "99");
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(Slurp(file), before);
    TOptionsStore b(file);
    EXPECT_EQ(b.ReadOption("undoDeep"), "30");
    ASSERT_TRUE(b.WriteOption("Bak", "1"));
    // The dead writer's temporary file is cleared away by the next writer.
    for (const auto& e : fs::directory_iterator(file.parent_path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(Store, AFailedWriteReportsOnceKeepsTheValuesAndRetries) {
    TOptionsStore a(file);
    ASSERT_TRUE(a.WriteOption("undoDeep", "30"));
    // A folder in the file's place: no user, root included, can rename over it.
    fs::remove(file);
    fs::create_directories(file / "x");
    EXPECT_FALSE(a.WriteOption("undoDeep", "40"));
    EXPECT_FALSE(a.WriteOption("maxCacheImg", "50"));
    const auto errors = ui.ui.Texts(Message::Error);
    ASSERT_EQ(errors.size(), 1u);  // one box, not one per value
    EXPECT_EQ(errors[0].rfind("Impossibile salvare le opzioni del programma", 0), 0u) << errors[0];
    EXPECT_EQ(a.ReadOption("undoDeep"), "40");  // the session goes on with them
    for (const auto& e : fs::directory_iterator(file.parent_path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    fs::remove_all(file);
    EXPECT_TRUE(a.Flush());
    TOptionsStore b(file);
    EXPECT_EQ(b.ReadOption("undoDeep"), "40");
    EXPECT_EQ(b.ReadOption("maxCacheImg"), "50");
}

TEST_F(Store, MangledFilesAreReadAsFarAsTheyGoAndKeptAside) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string undoDeep;  // what survives
        std::size_t bad;
    } cases[] = {
        {"binary garbage", std::string("\x00\xFF\xFE[\x01\x02=\n\x89PNG\r\n", 13), "", 2},
        {"value before any section", "undoDeep=30\n[\\SOFTWARE\\ZR\\Quor3.0pro\\options]\nBak=0\n", "", 1},
        {"unterminated quote", "[\\SOFTWARE\\ZR\\Quor3.0pro\\options]\nundoDeep=\"30\nBak=0\n", "", 1},
        {"bad section drops its values", "[\\SOFTWARE\\ZR\\Quor3.0pro\\options\nundoDeep=30\n", "", 2},
        {"good lines around bad ones", "[\\SOFTWARE\\ZR\\Quor3.0pro\\options]\nrubbish\nundoDeep = 30 \r\n", "30", 1},
        {"not UTF-8", "[\\SOFTWARE\\ZR\\Quor3.0pro\\options]\nLastFile=perch\xE9\nundoDeep=30\n", "30", 1},
        {"byte order mark and comments", "\xEF\xBB\xBF; commento\n# altro\n[\\SOFTWARE\\ZR\\Quor3.0pro\\options]\nundoDeep=30\n",
         "30", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put(file, c.bytes);
        fs::remove(file.string() + ".corrupt");
        TOptionsStore a(file);
        EXPECT_EQ(a.ReadOption("undoDeep"), c.undoDeep);
        EXPECT_EQ(a.BadLines(), c.bad);
        ASSERT_TRUE(a.WriteOption("Bak", "1"));
        EXPECT_EQ(fs::exists(file.string() + ".corrupt"), c.bad > 0);
        if (c.bad > 0) {
            EXPECT_EQ(Slurp(file.string() + ".corrupt"), c.bytes);
        }
        TOptionsStore b(file);
        EXPECT_EQ(b.BadLines(), 0u);
        EXPECT_EQ(b.ReadOption("undoDeep"), c.undoDeep);
    }
    // A folder or a FIFO where the file should be reads as no options,
    // without a crash or a hang.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(TOptionsStore(file).ReadOption("undoDeep"), "");
    fs::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(TOptionsStore(file).ReadOption("undoDeep"), "");
}

TEST_F(Store, AFileThatCannotBeReadIsNeverOverwritten) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    {
        TOptionsStore a(file);
        ASSERT_TRUE(a.WriteOption("undoDeep", "30"));
    }
    const std::string before = Slurp(file);
    fs::permissions(file, fs::perms::owner_write);
    TOptionsStore b(file);
    EXPECT_FALSE(b.WriteOption("Bak", "0"));
    EXPECT_EQ(ui.ui.Texts(Message::Error).size(), 1u);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Slurp(file), before);
}
