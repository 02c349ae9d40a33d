#include "publish/FtpList.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace publish {

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view s, std::size_t minLen, std::size_t maxLen) {
    if (s.size() < minLen || s.size() > maxLen) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

int ToInt(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

// Sizes are bounded to 18 digits so that they cannot overflow.
std::optional<long long> ToSize(std::string_view s) {
    if (!AllDigits(s, 1, 18)) return std::nullopt;
    long long v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

int MonthOf(std::string_view s) {
    if (s.size() != 3) return 0;
    for (int i = 0; i < 12; ++i)
        if (s == kMonths[i]) return i + 1;
    return 0;
}

struct Field {
    std::string_view text;
    std::size_t end;  // offset just past the field in the line
};

std::vector<Field> Fields(std::string_view line, std::size_t maxFields) {
    std::vector<Field> out;
    std::size_t i = 0;
    while (i < line.size() && out.size() < maxFields) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size()) break;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        out.push_back({line.substr(start, i - start), i});
    }
    return out;
}

bool ParseHourMinute(std::string_view s, int& hour, int& minute) {
    std::size_t colon = s.find(':');
    if (colon == std::string_view::npos) return false;
    std::string_view h = s.substr(0, colon), m = s.substr(colon + 1);
    if (!AllDigits(h, 1, 2) || !AllDigits(m, 2, 2)) return false;
    hour = ToInt(h);
    minute = ToInt(m);
    return hour < 24 && minute < 60;
}

// drwxr-xr-x   2 user  group   512 Mar  3 12:05 my folder
// The date is found as "month day time-or-year" right after a numeric size;
// the name is everything after the single blank that follows it, so names
// may hold blanks. Link entries keep their "name -> target" text.
T_Filedata ParseUnix(std::string_view line, const TFtpToday& today) {
    T_Filedata e;
    std::vector<Field> f = Fields(line, 64);
    for (std::size_t i = 2; i + 2 < f.size(); ++i) {
        int month = MonthOf(f[i].text);
        if (!month || !AllDigits(f[i + 1].text, 1, 2)) continue;
        auto size = ToSize(f[i - 1].text);
        if (!size) continue;
        std::string_view stamp = f[i + 2].text;
        int year = 0, hour = 0, minute = 0;
        if (AllDigits(stamp, 4, 4)) {
            year = ToInt(stamp);
        } else if (ParseHourMinute(stamp, hour, minute)) {
            // A time stands for a date within the last months: a month
            // after the current one belongs to the previous year.
            year = month > today.month ? today.year - 1 : today.year;
        } else {
            continue;
        }
        int day = ToInt(f[i + 1].text);
        if (day < 1 || day > 31) return {};
        std::size_t nameStart = f[i + 2].end + 1;
        if (nameStart >= line.size()) return {};
        e.name = std::string(line.substr(nameStart));
        e.size = *size;
        e.year = year;
        e.month = month;
        e.day = day;
        e.hour = hour;
        e.minute = minute;
        switch (line[0]) {
            case '-': e.kind = kFtpFile; break;
            case 'd': e.kind = kFtpDirectory; break;
            case 'l': e.kind = kFtpLink; break;
            default: e.kind = kFtpNone; break;
        }
        return e;
    }
    return {};
}

// 03-15-99  10:12AM       <DIR>          images
// 03-15-1999  10:12PM             1234 index.htm
T_Filedata ParseDos(std::string_view line) {
    std::vector<Field> f = Fields(line, 3);
    if (f.size() < 3) return {};
    std::string_view date = f[0].text, time = f[1].text;
    if (date.size() != 8 && date.size() != 10) return {};
    if (date[2] != '-' || date[5] != '-') return {};
    std::string_view mm = date.substr(0, 2), dd = date.substr(3, 2), yy = date.substr(6);
    if (!AllDigits(mm, 2, 2) || !AllDigits(dd, 2, 2) || !AllDigits(yy, 2, 4)) return {};
    if (time.size() < 6) return {};
    std::string_view ampm = time.substr(time.size() - 2);
    int hour = 0, minute = 0;
    if (!ParseHourMinute(time.substr(0, time.size() - 2), hour, minute) || hour < 1 || hour > 12) return {};
    if (ampm == "PM")
        hour = hour % 12 + 12;
    else if (ampm == "AM")
        hour = hour % 12;
    else
        return {};
    T_Filedata e;
    e.month = ToInt(mm);
    e.day = ToInt(dd);
    e.year = ToInt(yy);
    if (yy.size() == 2) e.year += e.year < 70 ? 2000 : 1900;
    if (e.month < 1 || e.month > 12 || e.day < 1 || e.day > 31) return {};
    e.hour = hour;
    e.minute = minute;
    if (f[2].text == "<DIR>") {
        e.kind = kFtpDirectory;
    } else {
        auto size = ToSize(f[2].text);
        if (!size) return {};
        e.kind = kFtpFile;
        e.size = *size;
    }
    std::size_t nameStart = f[2].end;
    while (nameStart < line.size() && line[nameStart] == ' ') ++nameStart;
    if (nameStart >= line.size()) return {};
    e.name = std::string(line.substr(nameStart));
    return e;
}

}  // namespace

std::string T_Filedata::DateText() const {
    if (Empty()) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    return buf;
}

TFtpToday TFtpToday::Now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1};
}

T_Filedata ParseListLine(std::string_view line, const TFtpToday& today) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.empty() || line.substr(0, 5) == "total") return {};
    char c = line[0];
    if (c == '-' || c == 'd' || c == 'l' || c == 's') return ParseUnix(line, today);
    if (IsDigit(c)) return ParseDos(line);
    return {};
}

int FtpReplyCode(std::string_view line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return 999;
    return ToInt(line.substr(0, 3));
}

std::optional<std::uint16_t> ParsePasvPort(std::string_view text) {
    std::size_t open = text.find('(');
    if (open == std::string_view::npos) return std::nullopt;
    std::size_t close = text.find(')', open);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view inner = text.substr(open + 1, close - open - 1);
    int numbers[6];
    int count = 0;
    std::size_t pos = 0;
    bool more = true;
    while (more) {
        if (count == 6) return std::nullopt;  // a seventh number
        std::size_t comma = inner.find(',', pos);
        std::string_view part = inner.substr(pos, comma == std::string_view::npos ? inner.size() - pos : comma - pos);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        if (!AllDigits(part, 1, 3)) return std::nullopt;
        numbers[count] = ToInt(part);
        if (numbers[count] > 255) return std::nullopt;
        ++count;
        more = comma != std::string_view::npos;
        pos = comma + 1;
    }
    if (count != 6) return std::nullopt;
    int port = numbers[4] * 256 + numbers[5];
    if (port == 0) return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

long long ParseAnnouncedSize(std::string_view text) {
    std::size_t marker = text.find("bytes)");
    if (marker == std::string_view::npos) return -1;
    std::size_t open = text.rfind('(', marker);
    if (open == std::string_view::npos) return -1;
    std::string_view number = text.substr(open + 1, marker - open - 1);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    auto size = ToSize(number);
    return size ? *size : -1;
}

std::optional<std::string> ParsePwdFolder(std::string_view text) {
    std::size_t open = text.find('"');
    if (open == std::string_view::npos) return std::nullopt;
    std::string folder;
    std::size_t i = open + 1;
    for (;; ++i) {
        if (i >= text.size()) return std::nullopt;
        if (text[i] == '"') {
            // A doubled quote stands for a quote in the name.
            if (i + 1 < text.size() && text[i + 1] == '"') {
                folder += '"';
                ++i;
                continue;
            }
            break;
        }
        folder += text[i];
    }
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace publish
