// The options file and the interface-text files are edited by hand: whatever
// they hold must read without a crash, and what was read must write back
// and read again to the very same values.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/KeyTree.h"
#include "shell/Languager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const shell::TKeyFileParse first = shell::ParseKeyFile(bytes);
    const shell::TKeyFileParse again = shell::ParseKeyFile(shell::SerializeKeyFile(first.tree));
    if (again.badLines != 0 || !(again.tree == first.tree)) std::abort();

    const shell::TLocalizationText text(bytes);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        (void)text.Value(bytes.substr(start, end - start));
        start = end + 1;
    }
    const std::string decoded = shell::DecodeLocalizedValue(bytes);
    if (bytes.find_first_of("\r\n") == std::string_view::npos &&
        shell::DecodeLocalizedValue(shell::EncodeLocalizedValue(decoded)) != decoded)
        std::abort();
    return 0;
}
