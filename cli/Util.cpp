#include "cli/Util.h"

#include <charconv>
#include <cstdio>

#include "markup/Lexer.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "platform/text.h"

namespace nyx {

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char b[8];
                    std::snprintf(b, sizeof b, "\\u%04x", c);
                    out += b;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Out(std::string_view cp1252) { return platform::text::Cp1252ToUtf8(cp1252); }

std::optional<std::int64_t> ParseInt(std::string_view s) {
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

int ParseType(std::string_view s) {
    if (s == "page" || s == "pagina") return model::testoHtml;
    int t = model::TypeFromName(s);
    if (t >= 0) return t;
    auto n = ParseInt(s);
    if (n && *n >= 0 && *n < model::kTypeCount) return static_cast<int>(*n);
    return -1;
}

bool ParseObject(const std::string& s, std::int32_t& ref, int (*typeOf)(std::string_view)) {
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos) {
        std::uint32_t v = 0;
        if (s.size() != 8 || !markup::ParseHex(s, 0, 8, v)) return false;
        ref = static_cast<std::int32_t>(v);
        return true;
    }
    const int type = typeOf(std::string_view(s).substr(0, colon));
    const std::optional<std::int64_t> slot = ParseInt(std::string_view(s).substr(colon + 1));
    if (type < 0 || !slot || *slot < 0 || *slot > static_cast<std::int64_t>(model::kMaxIndex)) return false;
    ref = model::MakeRef(type, static_cast<std::uint32_t>(*slot));
    return true;
}

bool SaveReporting(model::TNYXset& set, const std::string& file, bool allowLoss) {
    set.confirmLossySave = [allowLoss] { return allowLoss; };
    const bool ok = set.SaveToFile(file);
    set.confirmLossySave = nullptr;
    for (const auto& m : set.SaveErrors()) std::fprintf(stderr, "Errore!: %s\n", m.c_str());
    for (const auto& m : set.SaveWarnings()) std::fprintf(stderr, "Attenzione!: %s\n", m.c_str());
    if (!ok && !allowLoss && !set.SaveWarnings().empty())
        std::fprintf(stderr, "(il contenuto illeggibile andrebbe perso: --force salva comunque)\n");
    return ok && (allowLoss || set.SaveWarnings().empty());
}

void ApplyProgramOptions(model::TNYXset& set) {
    const shell::TProgramOptions o = shell::ReadProgramOptions(shell::options());
    set.backups = o.bak;
    set.maxCacheImg = static_cast<std::size_t>(o.maxCacheImg);
    set.undoDeep = o.undoDeep;
}

}  // namespace nyx
