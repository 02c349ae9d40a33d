// The reader's fuzz corpus doubles as a set of hostile inputs: every seed, and
// every seed cut short at many offsets, loads or fails cleanly.
#include <gtest/gtest.h>

#include <fstream>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/SilentUi.h"
#include "support/NyxBuilder.h"

namespace fs = std::filesystem;

TEST(ReaderCorpus, TruncatedAndCorruptedSeedsFailCleanly) {
    platform::testing::FixedEnv env;
    platform::testing::SilentUi silent;
    platform::ScopedUi scope(silent);
    platform::testing::TempDir dir;
    const fs::path corpus = fs::path(QUOR_SOURCE_DIR) / "fuzz/corpus/fuzz_nyx_reader";
    int seeds = 0;
    for (const auto& e : fs::directory_iterator(corpus)) {
        const std::string bytes = testsupport::ReadFile(e.path());
        ++seeds;
        const std::size_t step = bytes.size() / 97 + 1;
        for (std::size_t cut = 0; cut <= bytes.size(); cut += step) {
            for (int corrupt = 0; corrupt < 2; ++corrupt) {
                std::string b = bytes.substr(0, cut);
                if (corrupt && !b.empty()) b[(cut * 7919) % b.size()] ^= 0x5A;
                std::ofstream(dir / "t.nyx", std::ios::binary | std::ios::trunc) << b;
                model::TNYXset set;
                set.backups = false;
                if (set.LoadFromFile(dir / "t.nyx")) {
                    EXPECT_TRUE(set.SaveToFile(dir / "u.nyx")) << e.path() << " cut " << cut;
                } else {
                    EXPECT_EQ(set.Count(model::testoHtml), 0u);
                }
            }
        }
    }
    EXPECT_GE(seeds, 3);
}
