// Listing lines and the small reply-text parsers.
#include <gtest/gtest.h>

#include "publish/FtpList.h"

using namespace publish;

namespace {

struct ListCase {
    const char* line;
    int kind;
    long long size;
    const char* name;
    const char* date;  // DateText(); "" for an empty entry
};

const TFtpToday kToday{2026, 12};

TEST(FtpListLine, UnixAndDosStyles) {
    const ListCase cases[] = {
        // fields separated by single blanks; a name with a blank
        {"drwxr-xr-x 2 user group 512 Mar 3 12:05 my folder", kFtpDirectory, 512, "my folder", "2026-03-03 12:05"},
        {"-rw-r--r-- 1 user group 4096 Nov 12 1998 index.htm", kFtpFile, 4096, "index.htm", "1998-11-12 00:00"},
        // ls and pyftpdlib padding
        {"-rw-r--r--   1 owner    group     5242880 Jul 04 09:30 a  b.bin", kFtpFile, 5242880, "a  b.bin",
         "2026-07-04 09:30"},
        {"drwxr-xr-x   2 root     root         4096 Mar  3  2001 old", kFtpDirectory, 4096, "old", "2001-03-03 00:00"},
        {"lrwxrwxrwx 1 u g 7 Jan 1 2001 link -> target", kFtpLink, 7, "link -> target", "2001-01-01 00:00"},
        {"srwxr-xr-x 1 u g 0 Jan 1 2001 sock", kFtpNone, 0, "sock", "2001-01-01 00:00"},
        // a listing without a group column
        {"-rw-r--r-- 1 owner 10 Feb 28 2020 nogroup.txt", kFtpFile, 10, "nogroup.txt", "2020-02-28 00:00"},
        {"03-15-99  10:12AM       <DIR>          images", kFtpDirectory, 0, "images", "1999-03-15 10:12"},
        {"03-15-99  10:12PM                 1234 my file.txt", kFtpFile, 1234, "my file.txt", "1999-03-15 22:12"},
        {"12-01-2001  12:00AM          5 midnight", kFtpFile, 5, "midnight", "2001-12-01 00:00"},
        {"01-02-05  12:30PM          5 noon", kFtpFile, 5, "noon", "2005-01-02 12:30"},
        // nothing to yield
        {"total 12", kFtpNone, 0, "", ""},
        {"", kFtpNone, 0, "", ""},
        {"drwx", kFtpNone, 0, "", ""},
        {"-rw 1 u g 512 Foo 3 12:05 x", kFtpNone, 0, "", ""},
        {"-rw 1 u g 512 Mar 3 12:05", kFtpNone, 0, "", ""},
        {"-rw 1 u g 512 Mar 3 12:75 x", kFtpNone, 0, "", ""},
        {"-rw 1 u g 512 Mar 45 12:05 x", kFtpNone, 0, "", ""},
        {"-rw 1 u g 1234567890123456789012 Mar 3 12:05 huge", kFtpNone, 0, "", ""},
        {"03-15-99  10:12XM       <DIR>          images", kFtpNone, 0, "", ""},
        {"03-15-99  13:12PM       <DIR>          images", kFtpNone, 0, "", ""},
        {"13-15-99  10:12AM            1 x", kFtpNone, 0, "", ""},
        {"03-15-99  10:12AM       <DIR>", kFtpNone, 0, "", ""},
        {"Welcome to the server", kFtpNone, 0, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        T_Filedata e = ParseListLine(c.line, kToday);
        EXPECT_EQ(e.name, c.name);
        EXPECT_EQ(e.DateText(), c.date);
        if (!e.Empty()) {
            EXPECT_EQ(e.kind, c.kind);
            EXPECT_EQ(e.size, c.size);
        }
    }
}

TEST(FtpListLine, TimeOfALaterMonthIsLastYear) {
    // In January a file shown as "Dec 20 10:00" was changed last December.
    T_Filedata e = ParseListLine("-rw-r--r-- 1 u g 1 Dec 20 10:00 x", TFtpToday{2027, 1});
    EXPECT_EQ(e.DateText(), "2026-12-20 10:00");
    e = ParseListLine("-rw-r--r-- 1 u g 1 Jan 02 10:00 x", TFtpToday{2027, 1});
    EXPECT_EQ(e.DateText(), "2027-01-02 10:00");
}

TEST(FtpReplyText, CodePasvSizeAndFolder) {
    EXPECT_EQ(FtpReplyCode("220 Ready"), 220);
    EXPECT_EQ(FtpReplyCode("220-Hello"), 220);
    EXPECT_EQ(FtpReplyCode("2x0 Ready"), 999);
    EXPECT_EQ(FtpReplyCode("22"), 999);

    EXPECT_EQ(ParsePasvPort("Entering Passive Mode (10,0,0,5,19,137)"), 5001);
    EXPECT_EQ(ParsePasvPort("Entering Passive Mode (127,0,0,1, 4, 1)."), 1025);
    for (const char* bad : {"Entering Passive Mode", "(10,0,0,5,19)", "(10,0,0,5,19,137,1)", "(10,0,0,5,256,1)",
                            "(10,0,0,5,0,0)", "(a,b,c,d,e,f)", "(10,0,0,5,19,137", "(1,2,3,4,,5)"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParsePasvPort(bad).has_value());
    }

    EXPECT_EQ(ParseAnnouncedSize("Opening BINARY mode data connection for a.htm (1234 bytes)"), 1234);
    EXPECT_EQ(ParseAnnouncedSize("Opening (x) for a.htm (77 bytes)."), 77);
    EXPECT_EQ(ParseAnnouncedSize("File status okay. About to open data connection."), -1);
    EXPECT_EQ(ParseAnnouncedSize("(lots bytes)"), -1);
    EXPECT_EQ(ParseAnnouncedSize("(99999999999999999999999 bytes)"), -1);

    EXPECT_EQ(ParsePwdFolder("\"/www\" is the current directory"), "/www/");
    EXPECT_EQ(ParsePwdFolder("\"/\" is the current directory"), "/");
    EXPECT_EQ(ParsePwdFolder("\"/a \"\"b\"\"\" is current"), "/a \"b\"/");
    EXPECT_FALSE(ParsePwdFolder("no folder here").has_value());
    EXPECT_FALSE(ParsePwdFolder("\"/unterminated").has_value());
}

}  // namespace
