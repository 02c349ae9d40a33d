// Files for the CD-ROM builder's tests: a Utils folder with stand-ins for
// the installer's programs and a few source files.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cdrom/CdSettings.h"
#include "platform/testing/FixedEnv.h"

namespace cdromtest {

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below `folder`, as paths relative to it, sorted.
inline std::vector<std::string> Tree(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (!it->is_directory()) out.push_back(it->path().lexically_relative(folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

struct TCdFixture {
    platform::testing::TempDir dir;
    std::filesystem::path utils = dir / "Utils";
    std::filesystem::path src = dir / "Ipertesti";
    std::filesystem::path dest = dir / "cd";

    TCdFixture() {
        for (const char* f : {"autorun.inf", "autorun.ico", "install.exe", "deinst.exe", "quor3rd.exe", "welcome.txt",
                              "goodbye.txt", "license.txt", "readme.txt"})
            WriteFile(utils / f, std::string("contenuto di ") + f);
        WriteFile(src / "storia.nyx", "KYTE storia");
        WriteFile(src / "IMG" / "Logo.gif", "GIF89a");
        WriteFile(src / "grande.bin", std::string(1572864, 'x'));  // 1.5 MB
    }

    cdrom::TCdSettings Settings() const {
        cdrom::TCdSettings s = cdrom::DefaultSettings(utils);
        s.destPath = dest.string() + "/";
        s.entries = {
            {"<APPDIR>\\storia.nyx", (src / "storia.nyx").string(), 1},
            {"<APPDIR>\\img\\Logo.gif", (src / "IMG" / "Logo.gif").string(), 1},
            {"<APPDIR>\\dati\\grande.bin", (src / "grande.bin").string(), 1},
        };
        return s;
    }
};

}  // namespace cdromtest
