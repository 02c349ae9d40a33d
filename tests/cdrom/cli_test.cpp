// nyx cdrom build, as a script would run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/cdrom/Fixtures.h"
#include "support/RunNyx.h"

namespace fs = std::filesystem;
using namespace cdromtest;

namespace {

using testsupport::NyxRun;

NyxRun Nyx(const std::string& args) { return testsupport::RunNyx("cdrom " + args); }

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

}  // namespace

TEST(NyxCdrom, BuildsFromASettingsFile) {
    TCdFixture fx;
    cdrom::TCdSettings s = fx.Settings();
    s.destPath = "/altrove/";  // the command line's destination wins
    ASSERT_TRUE(cdrom::SaveSettingsFile(s, fx.dir / "cd.wzz", nullptr));
    const NyxRun r = Nyx("build " + Q(fx.dir / "cd.wzz") + " " + Q(fx.dest) + " --utils " + Q(fx.utils));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("gruppo 1 \"Ipertesti Quor\": 1.50 MB"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_regular_file(fx.dest / "f" / "install.lst"));
    EXPECT_TRUE(fs::is_regular_file(fx.dest / "f" / "dati" / "grande.bin"));

    fs::remove(fx.src / "storia.nyx");
    const NyxRun missing = Nyx("build " + Q(fx.dir / "cd.wzz") + " " + Q(fx.dest) + " --utils " + Q(fx.utils));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("Mancano alcuni dei files"), std::string::npos) << missing.out;

    EXPECT_EQ(Nyx("build " + Q(fx.dir / "cd.wzz")).status, 2);
    EXPECT_EQ(Nyx("build " + Q(fx.dir / "cd.wzz") + " /").status, 1);
}

// A settings file whose install path climbs out of the CD folder builds
// nothing at all.
TEST(NyxCdrom, AHostileSettingsFileWritesNothing) {
    TCdFixture fx;
    WriteFile(fx.dir / "ostile.wzz", "[disco1_1]\r\ns0=" + (fx.src / "storia.nyx").string() +
                                         "\r\nwd0=<APPDIR>\\..\\..\\fuori.nyx\r\nnum=1\r\n");
    const NyxRun r = Nyx("build " + Q(fx.dir / "ostile.wzz") + " " + Q(fx.dest) + " --utils " + Q(fx.utils));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("percorso di installazione non ammesso"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(fx.dest));
    EXPECT_FALSE(fs::exists(fx.dir / "fuori.nyx"));
}
