// The settings file and the list file: their bytes, reading them back, and
// what is refused on the way in and out.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "cdrom/CdSettings.h"
#include "cdrom/IniFile.h"
#include "platform/testing/FixedEnv.h"
#include "support/NyxBuilder.h"

namespace fs = std::filesystem;
using namespace cdrom;

namespace {

std::string Crlf(std::string s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TCdSettings Sample() {
    TCdSettings s = DefaultSettings("/u/Utils");
    s.personal[kGoodbye].clear();
    s.personal[kReadme].clear();
    s.personal[kSetupImg] = "/home/anna/img/setup.bmp";
    s.imgSetupCB = true;
    s.licenzaCB = true;
    s.title = "Il mio CD!";
    s.lancia = "storia.nyx";
    s.destPath = "/cd/out/";
    s.groups.push_back("Immagini");
    s.entries = {
        {"<APPDIR>\\storia.nyx", "/home/anna/Ipertesti/storia.nyx", 1},
        {"<APPDIR>\\Citt\xC3\xA0.nyx", "/home/anna/Ipertesti/Citt\xC3\xA0.nyx", 1},
        {"<APPDIR>\\img\\Logo.gif", "/home/anna/Ipertesti/IMG/Logo.gif", 1},
        {"<APPDIR>\\a.txt", "/cd/out/extra/a.txt", 1},
    };
    return s;
}

const char* kSampleWzz = R"([disks]
n=1
[options]
welcome=welcome.txt
goodbye=
license=license.txt
readme=
setupImg=setup.bmp
splashScreen=
imgSetupCB=1
imgLettCB=0
licenzaCB=1
leggimiCB=0
defdir=C:\Programmi\ZR\quor3rd\
title=Il mio CD!
uninst=Il_mio_CD_
uninstDN=Il mio CD!
lancia=storia.nyx
[wizoptions]
welcome=/u/Utils/welcome.txt
goodbye=
license=/u/Utils/license.txt
readme=
setupImg=/home/anna/img/setup.bmp
splashScreen=
destPath=/cd/out/
groupNames=3
groupName0=Programma lettore
groupName1=Ipertesti Quor
groupName2=Immagini
[groups]
group=Quor3 customs
fil0=storia.nyx
com0=Il mio CD!
num=1
[ext]
f0=.nyx
a0=quor3rd.exe
c0=Ipertesto Quor
i0=quor3rd.exe
sn0=0
num=1
[custom]
customCB=0
fil0=Programma lettore
fil1=Ipertesti Quor
num=2
[disco1_0]
f0=welcome.txt
f1=
f2=license.txt
f3=
f4=setup.bmp
f5=
f6=deinst.exe
f7=quor3rd.exe
num=8
[disco1_1]
s0=/home/anna/Ipertesti/storia.nyx
wd0=<APPDIR>\storia.nyx
r0=..\..\..\home\anna\Ipertesti\
s1=+Citt)"
                         "\xE0"
                         R"(.nyx
r1=..\..\..\home\anna\Ipertesti\
s2=/home/anna/Ipertesti/IMG/Logo.gif
wd2=<APPDIR>\img\Logo.gif
r2=..\..\..\home\anna\Ipertesti\
s3=/cd/out/extra/a.txt
wd3=<APPDIR>\a.txt
num=4
[disco1_2]
)";

}  // namespace

// Key order, CR LF, Windows-1252; a second entry from the same folder is
// "+name" and, with the same install folder, has no "wd" line; the source
// keeps its case while the install folder's "img" matches its "IMG"; an
// entry inside the destination has no "r" line; an empty group is a bare
// heading. Reading the bytes back gives the same settings.
TEST(CdSettings, SettingsFileBytesAndReadingThemBack) {
    const TCdSettings s = Sample();
    std::vector<std::string> problems;
    const std::string bytes = WriteSettings(s, &problems).Serialize();
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(bytes, Crlf(kSampleWzz));

    const TReadResult back = ReadSettings(TIniFile::Parse(bytes), "/u/Utils", "/altrove/");
    EXPECT_TRUE(back.refused.empty());
    EXPECT_EQ(back.settings, s);
}

TEST(CdSettings, UserGroupNamesSurviveASaveAndAReload) {
    platform::testing::TempDir dir;
    TCdSettings s = Sample();
    for (int g = 3; g <= kMaxGroup; ++g) s.groups.push_back("Gruppo dell'utente " + std::to_string(g));
    s.entries.push_back({"<APPDIR>\\ultimo.txt", "/home/anna/ultimo.txt", kMaxGroup});
    std::string error;
    ASSERT_TRUE(SaveSettingsFile(s, dir / "cd.wzz", &error)) << error;
    const auto ini = TIniFile::LoadFromFile(dir / "cd.wzz");
    ASSERT_TRUE(ini);
    EXPECT_EQ(ReadSettings(*ini, "/u/Utils", "").settings, s);
}

// Files of older builders: group names only as the installer's components,
// "wd" left out where it equals "s", counts larger than the file.
TEST(CdSettings, ReadsOlderFiles) {
    const std::string old = Crlf(R"([wizoptions]
destPath=/cd
[custom]
fil0=Uno
num=3
[disco1_3]
s0=/x/a.nyx
wd0=<APPDIR>\a.nyx
s1=+b.nyx
num=1000000
)");
    const TReadResult r = ReadSettings(TIniFile::Parse(old), "/u/Utils", "");
    const TCdSettings& s = r.settings;
    EXPECT_EQ(s.destPath, "/cd/");
    EXPECT_EQ(s.groups, (std::vector<std::string>{"Uno", "unreadable", "unreadable", "Gruppo 3"}));
    ASSERT_EQ(s.entries.size(), 2u);
    EXPECT_EQ(s.entries[1], (TDatoDir{"<APPDIR>\\b.nyx", "/x/b.nyx", 3}));
    EXPECT_EQ(s.title, "Lavoro custom Quor3");
    EXPECT_EQ(s.group, "Quor3 customs");
    EXPECT_EQ(s.defdir, "C:\\Programmi\\ZR\\quor3rd\\");
    EXPECT_EQ(s.personal[kWelcome], "/u/Utils/welcome.txt");
    EXPECT_EQ(s.personal[kSetupImg], "");

    const TCdSettings none = ReadSettings(TIniFile::Parse(""), "/u/Utils", "/d/").settings;
    EXPECT_EQ(none.groups, DefaultGroups());
    EXPECT_EQ(none.destPath, "/d/");
}

TEST(CdSettings, InstallPathsThatLeaveTheInstallationFolderAreRefused) {
    for (const char* wd : {"<APPDIR>\\..\\..\\fuori.txt", "<APPDIR>\\sub\\..\\..\\fuori.txt", "<APPDIR>\\C:\\fuori.txt",
                           "C:\\fuori.txt", "/etc/fuori.txt", "<APPDIR>\\\\fuori.txt", "<APPDIR>\\..", "<APPDIR>",
                           "<APPDIR>\\a/../../fuori.txt", "<APPDIRfuori.txt", "\\\\server\\fuori.txt"}) {
        SCOPED_TRACE(wd);
        const std::string file = "[disco1_1]\r\ns0=/x/a.txt\r\nwd0=" + std::string(wd) + "\r\nnum=1\r\n";
        const TReadResult r = ReadSettings(TIniFile::Parse(file), "/u", "/d/");
        EXPECT_TRUE(r.settings.entries.empty());
        EXPECT_EQ(r.refused.size(), 1u);
    }
    EXPECT_TRUE(ValidInstallPath("<appdir>\\Sotto Cartella\\a b.nyx"));
}

TEST(CdSettings, ValuesThatWouldBreakTheFileAreNeverWritten) {
    platform::testing::TempDir dir;
    const fs::path file = dir / "cd.wzz";
    ASSERT_TRUE(SaveSettingsFile(Sample(), file, nullptr));
    const std::string before = testsupport::ReadFile(file);
    using namespace std::string_literals;
    for (const std::string& title : {"due\r\nrighe"s, "a\n[disks]"s, "[titolo]"s, "nul\0x"s, "\xE6\x97\xA5\xE6\x9C\xAC"s}) {
        SCOPED_TRACE(title);
        TCdSettings s = Sample();
        s.title = title;
        std::string error;
        EXPECT_FALSE(SaveSettingsFile(s, file, &error));
        EXPECT_NE(error.find("options/title"), std::string::npos) << error;
        EXPECT_EQ(testsupport::ReadFile(file), before);
    }
    // Nothing but the file itself is left in its folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    TIniFile ini;
    EXPECT_FALSE(ini.WriteString("s", "k=v", "x"));
    EXPECT_FALSE(ini.WriteString("s]", "k", "x"));
    EXPECT_FALSE(ini.WriteString("s", "k", "a\rb"));
    EXPECT_EQ(ini.Serialize(), "");
    EXPECT_EQ(ini.Rejected().size(), 3u);
}

TEST(CdSettings, NamesAndNumbers) {
    EXPECT_EQ(UninstallName("Il mio CD!"), "Il_mio_CD_");
    EXPECT_EQ(UninstallName("Perch\xC3\xA9_2"), "Perch__2");
    struct Case {
        std::uint64_t bytes;
        const char* mb;
    } cases[] = {{0, "0.00"}, {1, "0.00"}, {1572864, "1.50"}, {5243, "0.01"}, {1048576ull * 700, "700.00"},
                 {~0ull, "17592186044416.00"}};
    for (const Case& c : cases) EXPECT_EQ(Megabytes(c.bytes), c.mb) << c.bytes;
    EXPECT_EQ(RelativeSourceFolder("/cd/", "/cd/f/sub/", "<APPDIR>\\"), "sub\\");
    EXPECT_EQ(RelativeSourceFolder("/cd/", "/img/", "<APPDIR>\\Img\\"), "..\\..\\");
    EXPECT_EQ(RelativeSourceFolder("/a/cd/", "/a/w/img/", "<APPDIR>\\ximg\\"), "..\\..\\w\\img\\");
}
