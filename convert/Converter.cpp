#include "convert/Converter.h"

#include <fstream>

#include "model/NYXset.h"

namespace convert {

std::string ProgressText(int pag, int tot, int phase) {
    const long pct = tot > 0 ? static_cast<long>(pag) * 100 / tot : 100;
    return "Export in corso, fase " + std::to_string(phase) + ": " + std::to_string(pct) + "%";
}

std::string Hex6(std::uint32_t n) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s(6, '0');
    for (int i = 5; i >= 0; --i, n >>= 4) s[static_cast<std::size_t>(i)] = kHex[n & 0xF];
    return s;
}

std::string TNYXconv::ExportPrefix() const {
    std::string p = !prefixOverride.empty() ? prefixOverride : (LinkedNYXset ? LinkedNYXset->ExpPrefix() : "");
    for (char& c : p)
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    return p;
}

std::vector<std::int32_t> AllPages(const model::TNYXset& set) {
    std::vector<std::int32_t> v;
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const auto* o = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (o && !o->IsEmpty()) v.push_back(static_cast<std::int32_t>(i));
    }
    return v;
}

std::string SafeLeafName(std::string_view name) {
    const std::size_t cut = name.find_last_of("/\\");
    std::string leaf(cut == std::string_view::npos ? name : name.substr(cut + 1));
    if (leaf.find('\0') != std::string::npos) return {};
    if (leaf.empty() || leaf == "." || leaf == "..") return {};
    return leaf;
}

std::optional<std::string> ReadImportFile(const std::filesystem::path& file, std::uintmax_t maxSize,
                                          std::vector<std::string>& skipped) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        skipped.push_back(file.string() + ": file inesistente");
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size > maxSize) {
        skipped.push_back(file.string() + ": file troppo grande");
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
        skipped.push_back(file.string() + ": impossibile leggere il file");
        return std::nullopt;
    }
    return bytes;
}

}  // namespace convert
