#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "convert/OutputFile.h"
#include "platform/testing/FixedEnv.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

TEST(OutputFile, OverwritingKeepsNothingOfTheOldContents) {
    platform::testing::TempDir tmp;
    const fs::path target = tmp.path() / "pagina.html";
    const fs::path source = tmp.path() / "foto.gif";
    std::ofstream(source, std::ios::binary) << std::string(100000, 'g');  // more than one read
    // New, longer, shorter and empty contents over the same file.
    for (const std::string& text : {std::string("prima versione, lunga"), std::string("corta"), std::string(70000, 'x'), std::string()}) {
        ASSERT_TRUE(convert::WriteWholeFile(target, text));
        EXPECT_EQ(Read(target), text);
    }
    std::ofstream(target, std::ios::binary) << std::string(200000, 'o');
    ASSERT_TRUE(convert::CopyWholeFile(source, target));
    EXPECT_EQ(Read(target), Read(source));
    // A source that cannot be read leaves the target alone and says why.
    std::string why;
    EXPECT_FALSE(convert::CopyWholeFile(tmp.path() / "manca.gif", target, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(Read(target), Read(source));
    EXPECT_FALSE(convert::WriteWholeFile(tmp.path() / "manca" / "x.html", "x", &why));
}

}  // namespace
