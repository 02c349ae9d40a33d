// The real program under a virtual X server: start quor with the sample
// hypertext, take a picture of the main window and check it shows something.
// Skipped when xvfb-run is not installed. The picture stays in the build
// folder (its path is printed) so that CI can keep it.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "support/Needs.h"

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

TEST(Screenshot, MainWindowWithTheSampleIsNotBlank) {
    QUOR_NEEDS(std::system("command -v xvfb-run >/dev/null 2>&1") == 0, "xvfb-run not installed");
    // The build folder is where this test runs from, unless told otherwise.
    std::error_code ec;
    const char* binEnv = std::getenv("QUOR_BINARY_DIR");
    const std::string bin = binEnv && *binEnv ? std::string(binEnv) : fs::read_symlink("/proc/self/exe", ec).parent_path().string();
    const char* srcEnv = std::getenv("QUOR_SOURCE_DIR");
    const std::string src = srcEnv && *srcEnv ? std::string(srcEnv) : std::string(QUOR_SOURCE_DIR);
    const fs::path quor = fs::path(bin) / "quor";
    QUOR_NEEDS(fs::exists(quor), "quor not built");
    const fs::path out = fs::path(bin) / "artifacts";
    fs::create_directories(out);
    const fs::path image = out / "quor-main-window.png";
    const fs::path home = out / "screenshot-home";
    fs::remove_all(home);
    fs::remove(image);
    fs::create_directories(home);

    // A private options store and data folder; the real X platform plugin.
    const fs::path supp = fs::path(src) / "tests" / "shell" / "ui" / "xcb-leaks.supp";
    const std::string cmd = "env -u QT_QPA_PLATFORM LSAN_OPTIONS=suppressions=" + Quoted(supp.string()) +
                            " XDG_CONFIG_HOME=" + Quoted((home / "config").string()) +
                            " XDG_DATA_HOME=" + Quoted((home / "data").string()) +
                            " QUOR_SCREENSHOT=" + Quoted(image.string()) +
                            " timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24' " + Quoted(quor.string()) + " " +
                            Quoted((fs::path(src) / "examples" / "sample.nyx").string()) + " 2>&1";
    const int rc = std::system(cmd.c_str());
    ASSERT_EQ(rc, 0) << cmd;
    ASSERT_TRUE(fs::exists(image));
    std::printf("main window screenshot: %s\n", image.c_str());

    QImage shot(QString::fromStdString(image.string()));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 400);
    EXPECT_GE(shot.height(), 300);
    // Menus, the page list and the page text give many colours; a blank or
    // black window gives one or two.
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8u);
}

}  // namespace
