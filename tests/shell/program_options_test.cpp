#include <gtest/gtest.h>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/ProgramOptions.h"

namespace fs = std::filesystem;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
using namespace shell;

namespace {

struct Options : ::testing::Test {
    TempDir dir;
    TOptionsStore store{dir / "options.ini"};
    ScriptedUiScope ui;
};

struct Recorder : TOptionsTarget {
    int cache = -1, undo = -1, minutes = -1;
    bool reminder = false, backups = false, alt = true;
    TSpellOptions spell;
    std::vector<TBrowser> browsers;
    void SetPictureCacheSize(int n) override { cache = n; }
    void SetUndoDepth(int n) override { undo = n; }
    void SetSaveReminder(bool on, int m) override { reminder = on, minutes = m; }
    void SetSpellOptions(const TSpellOptions& s) override { spell = s; }
    void SetAltFromPictureNames(bool on) override { alt = on; }
    void SetBackups(bool on) override { backups = on; }
    void SetBrowsers(const std::vector<TBrowser>& b) override { browsers = b; }
};

}  // namespace

TEST_F(Options, DefaultsOfAnEmptyStore) {
    const TProgramOptions o = ReadProgramOptions(store);
    EXPECT_TRUE(o.tipOfTheDay);
    EXPECT_FALSE(o.autoHideTip || o.atStartBlank || o.promemSave || o.virgolette || o.alt || o.elStili || o.clipStili ||
                 o.elForm || o.clipForm || o.bordoSx || o.restoreToolbars || o.cercaTop || o.saveTxtHtml || o.dbDebug ||
                 o.dbDebugMap);
    EXPECT_TRUE(o.bak);
    EXPECT_EQ(o.maxCacheImg, 20);
    EXPECT_EQ(o.undoDeep, 20);
    EXPECT_EQ(o.formLim, 5);
    EXPECT_EQ(o.timeSave, 5);
    EXPECT_EQ(o.cursors, 0);
    const TSpellOptions s = ReadSpellOptions(store);
    EXPECT_EQ(s.lang, 1040);
    EXPECT_TRUE(s.autoCheck);
    EXPECT_FALSE(s.progress || s.userDic || s.caps);
    const THtmlExportOptions h = ReadHtmlExportOptions(store);
    EXPECT_TRUE(h.expAlt);
    EXPECT_FALSE(h.expOrigName || h.expSepImage);
    EXPECT_EQ(h.expTipoExt, 0);
    // Every catalogued number reads its default when missing, inside its range.
    for (const TOptionInfo& info : OptionCatalogue()) {
        if (info.kind != TOptionKind::Number) continue;
        EXPECT_EQ(std::to_string(NumberValue(info, "")), info.defaultValue) << info.section << " " << info.name;
        EXPECT_LE(info.min, NumberValue(info, ""));
        EXPECT_GE(info.max, NumberValue(info, ""));
    }
    EXPECT_EQ(FindOptionInfo("ftpnet\\7", "PORT"), FindOptionInfo("ftpnet\\N", "port"));
    EXPECT_EQ(FindOptionInfo("", "undodeep"), FindOptionInfo("options", "undoDeep"));
}

TEST_F(Options, StoredTextsReadAsValues) {
    struct Case {
        const char* name;
        const char* stored;
        int expected;  // numbers, or 1/0 for flags
    } cases[] = {
        {"undoDeep", "0", 5},        {"undoDeep", "1000", 100}, {"undoDeep", "abc", 20},
        {"undoDeep", "", 20},        {"undoDeep", " 30 ", 30},  {"undoDeep", "-4", 5},
        {"undoDeep", "12x", 20},     {"undoDeep", "99999999999999999999", 100},
        {"maxCacheImg", "0", 10},    {"maxCacheImg", "250", 200}, {"maxCacheImg", "15", 15},
        {"TimeSave", "0", 1},        {"TimeSave", "10", 10},    {"TimeSave", "dieci", 5},
        {"formLim", "1", 3},         {"formLim", "11", 10},
        {"Bak", "", 1},              {"Bak", "0", 0},           {"Bak", "si", 1},
        {"TipOfTheDay", "", 1},      {"TipOfTheDay", "1", 1},   {"TipOfTheDay", "0", 0},
        {"TipOfTheDay", "2", 0},     {"Alt", "", 0},            {"Alt", "1", 1},
        {"Alt", "true", 0},
    };
    for (const Case& c : cases) {
        const TOptionInfo* info = FindOptionInfo("options", c.name);
        ASSERT_NE(info, nullptr) << c.name;
        const int got = info->kind == TOptionKind::Number ? NumberValue(*info, c.stored) : FlagValue(*info, c.stored);
        EXPECT_EQ(got, c.expected) << c.name << "=\"" << c.stored << "\"";
    }
}

TEST_F(Options, AnyCataloguedOptionReadsByItsRules) {
    store.WriteSectionOption("ftpnet\\3", "port", "99999");
    store.WriteSectionOption("quornet\\1", "timeout", "0");
    EXPECT_EQ(ReadNumberOption(store, "ftpnet\\3", "port"), 65535);
    EXPECT_EQ(ReadNumberOption(store, "ftpnet\\4", "port"), 21);
    EXPECT_EQ(ReadNumberOption(store, "quornet\\1", "timeout"), 1);
    EXPECT_EQ(ReadNumberOption(store, "quornet\\1", "port"), 80);
    EXPECT_TRUE(ReadFlagOption(store, "htmlexp", "expAlt"));
    EXPECT_FALSE(ReadFlagOption(store, "ftpnet\\0", "savePass"));
    EXPECT_EQ(ReadNumberOption(store, "nessuna", "cosa"), 0);
}

TEST_F(Options, ApplyOptionsHandsTheValuesToTheWindow) {
    store.BeginUpdate();
    store.WriteOption("PromemSave", "1");
    store.WriteOption("TimeSave", "10");
    store.WriteOption("undoDeep", "0");     // a hand-edited zero
    store.WriteOption("maxCacheImg", "x");  // not a number
    store.WriteOption("Alt", "1");
    store.WriteSectionOption("orto", "auto", "0");
    store.WriteSectionOption("orto", "lang", "1033");
    store.WriteSectionOption("orto", "progr", "1");
    store.WriteSectionOption("Browser", "num", "2");
    store.WriteSectionOption("Browser\\0", "Name", "Firefox");
    store.WriteSectionOption("Browser\\0", "appPath", "/usr/bin/firefox");
    store.WriteSectionOption("Browser\\1", "Name", "Chromium");
    ASSERT_TRUE(store.EndUpdate());
    Recorder r;
    ApplyOptions(store, r);
    EXPECT_TRUE(r.reminder);
    EXPECT_EQ(r.minutes, 10);
    EXPECT_EQ(r.undo, 5);
    EXPECT_EQ(r.cache, 20);
    EXPECT_TRUE(r.alt);
    EXPECT_TRUE(r.backups);  // missing Bak keeps backups on
    EXPECT_FALSE(r.spell.autoCheck);
    EXPECT_TRUE(r.spell.progress);
    EXPECT_EQ(r.spell.lang, 1033);
    ASSERT_EQ(r.browsers.size(), 2u);
    EXPECT_EQ(r.browsers[0].name, "Firefox");
    EXPECT_EQ(r.browsers[0].appPath, "/usr/bin/firefox");
    EXPECT_EQ(r.browsers[1].appPath, "");
    // A hand-edited browser count does not make a million menu commands.
    store.WriteSectionOption("Browser", "num", "1000000");
    EXPECT_EQ(ReadBrowsers(store).size(), static_cast<std::size_t>(kMaxBrowsers));
    store.WriteOption("Bak", "0");
    store.WriteOption("PromemSave", "0");
    ApplyOptions(store, r);
    EXPECT_FALSE(r.backups);
    EXPECT_FALSE(r.reminder);
}

TEST_F(Options, DialogValuesRoundTripThroughTheStore) {
    TProgramOptions o;
    o.tipOfTheDay = false;
    o.undoDeep = 0;  // a spin box never gives this; the store never keeps it
    o.timeSave = 15;
    o.restoreToolbars = true;
    o.lastFile = "c:\\doc\\citt\xE0.nyx";
    ASSERT_TRUE(WriteProgramOptions(store, o));
    EXPECT_EQ(store.ReadOption("TipOfTheDay"), "0");
    EXPECT_EQ(store.ReadOption("NotSaveTool"), "0");
    EXPECT_EQ(store.ReadOption("undoDeep"), "5");
    const TProgramOptions back = ReadProgramOptions(TOptionsStore(store.FileName()));
    EXPECT_FALSE(back.tipOfTheDay);
    EXPECT_TRUE(back.restoreToolbars);
    EXPECT_EQ(back.timeSave, 15);
    EXPECT_EQ(back.lastFile, o.lastFile);
}

TEST_F(Options, DefaultNetConfigurationsAreCreatedOnce) {
    EXPECT_TRUE(EnsureDefaultNetConfigurations(store));
    const TOptionsStore disk(store.FileName());
    const shell::TNameValueList ftp0 = {{"BaseDir", "/"},       {"nomeConf", "Default"},      {"port", "21"},
                                        {"savePass", "0"},      {"server", kDefaultFtpServer}, {"timeout", "30"},
                                        {"user", "anonymous"}, {"useScript", "0"}};
    EXPECT_EQ(disk.ReadSection("ftpnet\\0"), ftp0);
    EXPECT_EQ(disk.ReadSectionOption("ftpnet", "numConfTot"), "1");
    EXPECT_EQ(disk.ReadSectionOption("ftpnet", "NumSelectedConf2"), "0");
    EXPECT_EQ(disk.ReadSectionOption("quornet", "numConfTot"), "1");
    EXPECT_EQ(disk.ReadSectionOption("quornet", "directoryGet"), "c:\\temp");
    EXPECT_EQ(disk.ReadSectionOption("quornet\\0", "nomeConf"), "DefaultNT");
    EXPECT_EQ(disk.ReadSectionOption("quornet\\0", "quorBaseDir2"), "/scripts/cgi-quor/");
    EXPECT_EQ(disk.ReadSectionOption("quornet\\0", "user"), "default");
    // The user's own configurations are never replaced.
    store.WriteSectionOption("ftpnet\\0", "server", "ftp.mio.it");
    EXPECT_FALSE(EnsureDefaultNetConfigurations(store));
    EXPECT_EQ(store.ReadSectionOption("ftpnet\\0", "server"), "ftp.mio.it");
    ASSERT_TRUE(WriteInstallationDefaults(store));
    EXPECT_EQ(store.ReadSectionOption("ftpnet", "numMax"), "222");
}

TEST_F(Options, ExtensionsRecentFilesAndLibrary) {
    EXPECT_EQ(ReadExtension(store, ".gif").comp, 2);  // no section
    store.WriteSectionOption("ext\\gif", "nam", "Immagine");
    EXPECT_EQ(ReadExtension(store, ".gif").comp, 0);  // section, empty comp
    store.WriteSectionOption("ext\\gif", "comp", "3");
    store.WriteSectionOption("ext\\gif", "appPath", "/usr/bin/gimp");
    const TExtensionHandling h = ReadExtension(store, "GIF");
    EXPECT_EQ(h.comp, 3);
    EXPECT_EQ(h.appPath, "/usr/bin/gimp");
    EXPECT_EQ(h.nam, "Immagine");

    ASSERT_TRUE(WriteRecentFiles(store, {"a.nyx", "b.nyx", "c.nyx", "d.nyx", "e.nyx", "f.nyx"}));
    EXPECT_EQ(ReadRecentFiles(store), (std::vector<std::string>{"b.nyx", "c.nyx", "d.nyx", "e.nyx", "f.nyx"}));
    ASSERT_TRUE(WriteRecentFiles(store, {"x.nyx"}));
    EXPECT_EQ(ReadRecentFiles(store), std::vector<std::string>{"x.nyx"});

    EXPECT_EQ(DefaultLibraryFile("", "/opt/quor"), fs::path("/opt/quor/Custom/default.cus"));
    EXPECT_EQ(DefaultLibraryFile("/home/u/mia.CUS", "/opt/quor"), fs::path("/home/u/mia.CUS"));
    EXPECT_EQ(DefaultLibraryFile("/home/u/mia.nyx", "/opt/quor"), fs::path("/opt/quor/Custom/default.cus"));
}
