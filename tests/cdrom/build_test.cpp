// Building the CD folder into a temporary folder: what lands where, the list
// file's bytes with the group sizes, and what never gets written.
#include <gtest/gtest.h>

#include <unistd.h>

#include "cdrom/CdBuilder.h"
#include "tests/cdrom/Fixtures.h"

namespace fs = std::filesystem;
using namespace cdrom;
using namespace cdromtest;

namespace {

std::string Crlf(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) s.replace(at, from.size(), to);
    return s;
}

const char* kListFile = R"([disks]
n=1
[options]
welcome=welcome.txt
goodbye=goodbye.txt
license=
readme=readme.txt
setupImg=
splashScreen=
imgSetupCB=0
imgLettCB=0
licenzaCB=0
leggimiCB=1
defdir=C:\Programmi\ZR\quor3rd\
title=Lavoro custom Quor3
uninst=Lavoro_custom_Quor3
uninstDN=Lavoro custom Quor3
lancia=
[wizoptions]
welcome=@U@welcome.txt
goodbye=@U@goodbye.txt
license=
readme=@U@readme.txt
setupImg=
splashScreen=
destPath=@D@
groupNames=2
groupName0=Programma lettore
groupName1=Ipertesti Quor
[groups]
group=Quor3 customs
fil0=
com0=Lavoro custom Quor3
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
com0=0.00
com1=1.50
[disco1_0]
f0=welcome.txt
f1=goodbye.txt
f2=
f3=readme.txt
f4=
f5=
f6=deinst.exe
f7=quor3rd.exe
num=8
[disco1_1]
s0=@S@storia.nyx
wd0=<APPDIR>\storia.nyx
r0=..\..\Ipertesti\
s1=@S@IMG/Logo.gif
wd1=<APPDIR>\img\Logo.gif
r1=..\..\Ipertesti\
s2=@S@grande.bin
wd2=<APPDIR>\dati\grande.bin
r2=..\..\Ipertesti\
num=3
)";

}  // namespace

// The installer's files at the root and in f/, the entries at their install
// paths, the personalisation texts whose boxes are ticked (the licence is
// not), and the list file with the sizes of the two components.
TEST(CdBuild, WritesTheCdFolderAndItsListFile) {
    TCdFixture fx;
    TCdSettings s = fx.Settings();
    s.leggimiCB = true;
    const TBuildReport r = BuildCd(s, {fx.utils, {}});
    EXPECT_TRUE(r.Done()) << ::testing::PrintToString(r.ReportLines());
    EXPECT_EQ(r.installer, fx.dest / "INSTALL.exe");
    EXPECT_EQ(Tree(fx.dest), (std::vector<std::string>{"INSTALL.exe", "autorun.ico", "autorun.inf", "f/dati/grande.bin",
                                                        "f/deinst.exe", "f/goodbye.txt", "f/img/Logo.gif", "f/install.lst",
                                                        "f/quor3rd.exe", "f/readme.txt", "f/storia.nyx", "f/welcome.txt"}));
    EXPECT_EQ(ReadFile(fx.dest / "f" / "img" / "Logo.gif"), "GIF89a");
    EXPECT_EQ(ReadFile(fx.dest / "INSTALL.exe"), "contenuto di install.exe");
    std::string expected = Crlf(kListFile);
    expected = Replace(expected, "@U@", fx.utils.string() + "/");
    expected = Replace(expected, "@D@", fx.dest.string() + "/");
    expected = Replace(expected, "@S@", fx.src.string() + "/");
    EXPECT_EQ(ReadFile(fx.dest / "f" / "install.lst"), expected);
    EXPECT_EQ(r.groupBytes[1], 1572864u + 11u + 6u);
}

// Entries whose install paths would leave the folder (they cannot come from
// a settings file or the window, but the builder checks again), a link that
// someone left in the destination, a target that is a folder: each is a
// failure in the report, and nothing is written outside the destination.
TEST(CdBuild, NothingIsWrittenOutsideTheDestination) {
    TCdFixture fx;
    const fs::path outside = fx.dir / "fuori";
    fs::create_directories(outside);
    fs::create_directories(fx.dest / "f");
    fs::create_directory_symlink(outside, fx.dest / "f" / "sub");
    fs::create_directories(fx.dest / "f" / "storia.nyx");  // a folder where a file goes
    TCdSettings s = fx.Settings();
    const std::string logo = (fx.src / "IMG" / "Logo.gif").string();
    s.entries.push_back({"<APPDIR>\\..\\..\\fuori\\a.gif", logo, 1});
    s.entries.push_back({"<APPDIR>\\sub\\b.gif", logo, 1});
    s.entries.push_back({"<APPDIR>\\sub\\piu\\c.gif", logo, 1});
    const TBuildReport r = BuildCd(s, {fx.utils, {}});
    EXPECT_FALSE(r.Done());
    EXPECT_TRUE(r.missing.empty());
    EXPECT_EQ(r.failures.size(), 4u) << ::testing::PrintToString(r.failures);
    EXPECT_TRUE(Tree(outside).empty());
    EXPECT_TRUE(fs::is_regular_file(fx.dest / "f" / "img" / "Logo.gif"));
    EXPECT_EQ(r.ReportLines().front(), "Alcuni file non si sono potuti scrivere:");
}

TEST(CdBuild, MissingSourcesAreListedAndTheRestIsBuilt) {
    TCdFixture fx;
    fs::remove(fx.utils / "deinst.exe");
    TCdSettings s = fx.Settings();
    s.entries.push_back({"<APPDIR>\\manca.nyx", (fx.src / "manca.nyx").string(), 1});
    s.entries.push_back({"<APPDIR>\\vecchio.nyx", "c:\\ipertesti\\vecchio.nyx", 1});  // from an older file
    const TBuildReport r = BuildCd(s, {fx.utils, {}});
    EXPECT_FALSE(r.Done());
    EXPECT_EQ(r.ReportLines(), (std::vector<std::string>{"Mancano alcuni dei files necessari alla creazione del CD.",
                                                          (fx.utils / "deinst.exe").string(),
                                                          (fx.src / "manca.nyx").string(), "c:\\ipertesti\\vecchio.nyx"}));
    EXPECT_TRUE(fs::is_regular_file(fx.dest / "f" / "storia.nyx"));
    EXPECT_TRUE(fs::is_regular_file(fx.dest / "f" / "install.lst"));
}

TEST(CdBuild, RefusedBeforeAnythingIsWritten) {
    TCdFixture fx;
    const fs::path cwd = fs::current_path();
    fs::current_path(fx.dir.path());
    struct Case {
        std::string dest;
        bool noEntries;
    } cases[] = {{"", false}, {"relativa/cd", false}, {"/", false}, {"//", false}, {"/../", false}, {"@", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dest);
        TCdSettings s = fx.Settings();
        s.destPath = c.dest == "@" ? fx.dest.string() : c.dest;
        if (c.noEntries) s.entries.clear();
        const TBuildReport r = BuildCd(s, {fx.utils, {}});
        EXPECT_FALSE(r.refused.empty());
        EXPECT_EQ(r.noEntries, c.noEntries);
        if (c.noEntries) {
            EXPECT_EQ(r.refused, "Inserisci almeno un ipertesto!");
        }
    }
    // A link to the root is the root (asked without building: a builder that
    // failed here must not write into "/").
    fs::create_directory_symlink("/", fx.dir / "radice");
    EXPECT_FALSE(DestinationProblem((fx.dir / "radice").string()).empty());
    TCdSettings s = fx.Settings();
    s.title = "a[b]";
    EXPECT_FALSE(BuildCd(s, {fx.utils, {}}).refused.empty());
    fs::current_path(cwd);
    EXPECT_FALSE(fs::exists(fx.dir / "relativa"));
    EXPECT_FALSE(fs::exists(fx.dest));
}

TEST(CdBuild, StopEndsTheBuildWithoutAListFile) {
    TCdFixture fx;
    std::size_t calls = 0;
    TBuildOptions o{fx.utils, [&](const TBuildProgress& p) {
                        EXPECT_EQ(p.total, 5u + 2u + 3u);  // the licence and the read-me are not ticked
                        return ++calls < 3;
                    }};
    const TBuildReport r = BuildCd(fx.Settings(), o);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.Done());
    EXPECT_FALSE(fs::exists(fx.dest / "f" / "install.lst"));
    EXPECT_TRUE(r.installer.empty());
}
