// Entries of an FTP directory listing (LIST), in the Unix "ls -l" style and in
// the DOS style of Windows servers, and the small parsers of reply texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace publish {

enum TFtpKind { kFtpNone = 0, kFtpDirectory = 1, kFtpFile = 2, kFtpLink = 3 };

// One listing entry. The name is the server's bytes as they came.
struct T_Filedata {
    int kind = kFtpNone;
    long long size = 0;
    std::string name;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;

    bool Empty() const { return name.empty(); }
    // "YYYY-MM-DD hh:mm", or "" for an empty entry.
    std::string DateText() const;
};

// Today's date, for Unix lines that carry a time instead of a year.
struct TFtpToday {
    int year = 1970;
    int month = 1;
    static TFtpToday Now();
};

// Parses one listing line; an empty entry for a "total" line, an unknown
// style or any malformed line.
T_Filedata ParseListLine(std::string_view line, const TFtpToday& today);

// Reply code of a reply line: the number in its first three characters, 999
// when they are not one.
int FtpReplyCode(std::string_view line);

// The port of a PASV reply text "... (h1,h2,h3,h4,p1,p2)"; nothing when the
// six numbers are missing or out of range. The address numbers are checked
// but not used: data connections go to the control connection's peer.
std::optional<std::uint16_t> ParsePasvPort(std::string_view text);

// Size announced in a RETR reply "... (1234 bytes)"; -1 when none.
long long ParseAnnouncedSize(std::string_view text);

// Folder of a PWD reply text: between its first two double quotes, with a
// "/" appended when missing; nothing when there are no two quotes.
std::optional<std::string> ParsePwdFolder(std::string_view text);

}  // namespace publish
