#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/testing/FixedEnv.h"
#include "support/RunNyx.h"

namespace {

using testsupport::NyxRun;

// Runs the nyx tool with the options file in a folder of the test's own.
NyxRun Nyx(const std::string& args, const std::string& file) {
    return testsupport::RunNyx("options " + args + " --file '" + file + "'");
}

}  // namespace

TEST(NyxOptions, SetGetAndList) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "options.ini").string();
    struct Step {
        std::string args;
        int status;
        std::string out;  // expected output, or a part of it after "~"
    } steps[] = {
        {"get undoDeep", 0, "20\n"},  // the default of a missing option
        {"get LastFile", 1, "~opzione non presente"},
        {"set undoDeep 30", 0, ""},
        {"get UNDODEEP", 0, "30\n"},
        {"set undoDeep 0", 0, "~letto come 5"},
        {"set --section 'ftpnet\\0' pass segreta", 0, ""},
        {"set --section 'ftpnet\\0' server ftp.esempio.it", 0, ""},
        {"set LastFile 'citt\xC3\xA0.nyx'", 0, ""},
        {"get LastFile", 0, "citt\xC3\xA0.nyx\n"},
        {"list 'ftpnet'", 0, "[\\SOFTWARE\\ZR\\Quor3.0pro\\ftpnet\\0]\npass=********\nserver=ftp.esempio.it\n"},
        {"list --show-passwords 'ftpnet\\0'", 0, "~pass=segreta"},
        {"get --section 'ftpnet\\0' pass", 0, "segreta\n"},
        {"get", 2, "~uso:"},
        {"frulla", 2, "~comando sconosciuto"},
        {"set --bogus x y", 2, "~opzione sconosciuta"},
    };
    for (const Step& s : steps) {
        const NyxRun r = Nyx(s.args, file);
        EXPECT_EQ(r.status, s.status) << s.args << "\n" << r.out;
        if (!s.out.empty() && s.out[0] == '~')
            EXPECT_NE(r.out.find(s.out.substr(1)), std::string::npos) << s.args << "\n" << r.out;
        else
            EXPECT_EQ(r.out, s.out) << s.args;
    }
}
