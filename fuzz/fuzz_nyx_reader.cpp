// Feeds arbitrary bytes to the native file reader. Whatever loads must also
// save and load again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/NYXset.h"
#include "platform/testing/SilentUi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::testing::SilentUi silent;
    static platform::ScopedUi scope(silent);
    static const std::filesystem::path folder = [] {
        std::string t = (std::filesystem::temp_directory_path() / "quor-fuzz-XXXXXX").string();
        if (!mkdtemp(t.data())) std::abort();
        return std::filesystem::path(t);
    }();
    const auto in = folder / "in.nyx";
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    model::TNYXset set;
    set.backups = false;
    if (set.LoadFromFile(in)) {
        const auto out = folder / "out.nyx";
        if (!set.SaveToFile(out)) std::abort();
        model::TNYXset again;
        if (!again.LoadFromFile(out)) std::abort();
        for (int t = 0; t <= model::kLastStoredType; ++t)
            if (again.Count(t) != set.Count(t)) std::abort();
    }
    return 0;
}
