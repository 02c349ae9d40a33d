#include <gtest/gtest.h>

#include "platform/text.h"

using namespace platform::text;

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int i = 1; i < 256; ++i) all += static_cast<char>(i);
    std::size_t bad = 99;
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all), &bad), all);
    EXPECT_EQ(bad, 0u);
}

TEST(Cp1252, ConversionTable) {
    struct Case { std::string utf8; std::string cp; std::size_t unmapped; } cases[] = {
        {"perch\xC3\xA9", "perch\xE9", 0},          // é
        {"\xE2\x82\xAC 5", "\x80 5", 0},              // euro sign
        {"\xE2\x80\x9C" "ciao\xE2\x80\x9D", "\x93" "ciao\x94", 0},  // typographic quotes
        {"\xE4\xB8\xAD", "?", 1},                     // a CJK character
        {"\xF0\x9F\x98\x80!", "?!", 1},               // emoji
        {"\xC3", "?", 1},                             // truncated sequence
        {"\xC0\xAF", "??", 2},                        // overlong form
        {"\xED\xA0\x80", "???", 3},                   // surrogate
    };
    for (const auto& c : cases) {
        std::size_t bad = 0;
        EXPECT_EQ(Utf8ToCp1252(c.utf8, &bad), c.cp) << c.utf8;
        EXPECT_EQ(bad, c.unmapped) << c.utf8;
    }
}

TEST(Cp1252, CaseMapping) {
    EXPECT_EQ(Upper("citt\xE0 \x9A\x9C\x9E\xFF \xF7\xDF"), "CITT\xC0 \x8A\x8C\x8E\x9F \xF7\xDF");
    EXPECT_EQ(Lower("CITT\xC0 \x8A\xD7"), "citt\xE0 \x9A\xD7");
    EXPECT_TRUE(EqualsNoCase("Kyte", "KYTE"));
    EXPECT_FALSE(EqualsNoCase("Kyte", "KYTEs"));
}
