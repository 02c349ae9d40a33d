// nyx import and nyx export text, run as a script would.
#include <gtest/gtest.h>


#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/testing/FixedEnv.h"
#include "support/NyxBuilder.h"
#include "support/RunNyx.h"

namespace fs = std::filesystem;

namespace {

using NyxResult = testsupport::NyxRun;

NyxResult Nyx(const std::string& args) { return testsupport::RunNyx(args, testsupport::NyxErrors::kDropped); }

TEST(ImportCli, ImportsFollowsReportsAndExportsText) {
    platform::testing::TempDir dir;
    std::ofstream(dir / "a.html") << "<title>A</title><p>Prima &egrave; <a href='b.html'>seconda</a> \xE2\x98\xBA";
    std::ofstream(dir / "b.html") << "<p>Pagina B";
    std::ofstream(dir / "c.txt") << "riga\tuno\n";
    const std::string nyx = (dir / "t.nyx").string();
    NyxResult r = Nyx("import html " + nyx + " " + (dir / "a.html").string() + " --follow 1 --report");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Pagine importate: 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sostituiti da \"?\": 1"), std::string::npos) << r.out;
    r = Nyx("import text " + nyx + " " + (dir / "c.txt").string());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Nyx("export text " + nyx + " " + (dir / "out.txt").string()).status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir / "out.txt"), "Prima \xC3\xA8 seconda ?\r\nPagina B\r\nriga        uno");
    EXPECT_EQ(Nyx("export text " + nyx + " " + (dir / "w.txt").string() + " --cp1252").status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir / "w.txt").substr(0, 8), "Prima \xE8 ");
    EXPECT_EQ(Nyx("import html " + nyx).status, 2);
    EXPECT_EQ(Nyx("import html " + nyx + " " + (dir / "none.html").string()).status, 1);
}

}  // namespace
