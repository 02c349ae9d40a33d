// Fuzz target: FTP listing lines and the reply-text parsers (PASV port,
// announced size, PWD folder). Input: any bytes, split into lines.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "publish/FtpList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view all(reinterpret_cast<const char*>(data), size);
    const publish::TFtpToday today{2026, 6};
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t lf = all.find('\n', start);
        std::string_view line = all.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        publish::T_Filedata e = publish::ParseListLine(line, today);
        if (!e.Empty()) {
            if (e.name.size() > line.size() || e.size < 0 || e.month < 1 || e.month > 12 || e.day < 1 || e.day > 31 ||
                e.hour > 23 || e.minute > 59)
                __builtin_trap();
            (void)e.DateText();
        }
        (void)publish::FtpReplyCode(line);
        (void)publish::ParsePasvPort(line);
        if (publish::ParseAnnouncedSize(line) < -1) __builtin_trap();
        if (auto f = publish::ParsePwdFolder(line); f && (f->empty() || f->back() != '/')) __builtin_trap();
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    return 0;
}
