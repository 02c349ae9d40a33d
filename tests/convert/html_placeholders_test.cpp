#include <gtest/gtest.h>

#include <cstdio>

#include "convert/html/Placeholders.h"

using convert::html::FillPlaceholders;
using convert::html::TPlaceholder;

namespace {

TEST(Placeholders, OneScannerForFreeHtmlAndPrototypes) {
    // Every placeholder but the width, and only with hexadecimal digits, is
    // taken and written as [kind:value].
    auto fill = [](const TPlaceholder& p, std::string& out) {
        if (p.kind == TPlaceholder::kRefX || !(p.hex || p.kind == TPlaceholder::kReCP)) return false;
        static const char kKinds[] = "ILFPXYCp";
        char value[16];
        std::snprintf(value, sizeof value, "%x", p.value);
        out += std::string("[") + kKinds[p.kind] + ":" + (p.kind == TPlaceholder::kReCP ? std::string(p.name) : value) + "]";
        return true;
    };
    const struct {
        const char* text;
        const char* filled;
    } cases[] = {
        {"a !RefI:0000002A b", "a [I:2a] b"},
        {"!RefP:00000001!RefL:00000002", "[P:1][L:2]"},
        {"!Re!RefF:0000000F", "!Re[F:f]"},
        {"fine !RefI:0000", "fine !RefI:0000"},  // cut short
        {"!RefQ:00000001 !Refuso", "!RefQ:00000001 !Refuso"},  // no such placeholder
        {"!RefI:zzzzzzzz.", "!RefI:zzzzzzzz."},  // refused: not hexadecimal
        {"!RefX:xxxxxxxx", "!RefX:xxxxxxxx"},  // left by the caller
        {"!ReCF:00000003 !ReCF:zzzzzzzz", "[C:3] !ReCF:zzzzzzzz"},
        {"v=!ReCP:Colore! w=!ReCP:senza fine", "v=[p:Colore] w=!ReCP:senza fine"},
    };
    for (const auto& c : cases) EXPECT_EQ(FillPlaceholders(c.text, fill), c.filled) << c.text;
}

}  // namespace
