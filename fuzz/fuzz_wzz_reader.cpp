// CD-ROM settings files come from anywhere: whatever they hold must read
// without a crash, the INI text must write back and read again to the same
// bytes, and settings read from it must write a file that reads back to the
// same entries without refusals.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cdrom/CdSettings.h"
#include "cdrom/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const cdrom::TIniFile ini = cdrom::TIniFile::Parse(bytes);
    const std::string once = ini.Serialize();
    if (cdrom::TIniFile::Parse(once).Serialize() != once) std::abort();

    const cdrom::TReadResult r = cdrom::ReadSettings(ini, "/u/Utils", "/cd/");
    std::vector<std::string> problems;
    const cdrom::TIniFile written = cdrom::WriteSettings(r.settings, &problems);
    if (!problems.empty()) return 0;  // refused values: such a file is never written
    const cdrom::TReadResult back = cdrom::ReadSettings(cdrom::TIniFile::Parse(written.Serialize()), "/u/Utils", "/cd/");
    if (!back.refused.empty() || back.settings.entries.size() != r.settings.entries.size()) std::abort();
    for (std::size_t i = 0; i < r.settings.entries.size(); ++i)
        if (back.settings.entries[i].installPath != r.settings.entries[i].installPath ||
            back.settings.entries[i].group != r.settings.entries[i].group)
            std::abort();
    return 0;
}
