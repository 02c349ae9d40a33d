#include "convert/html/Placeholders.h"

#include "markup/Lexer.h"

namespace convert::html {

namespace {

constexpr std::size_t kRefLength = 14;  // "!RefI:" and eight characters

// The placeholder at text[at] (which starts with "!Re") and its length, or 0.
std::size_t Match(std::string_view text, std::size_t at, TPlaceholder& p) {
    const std::string_view rest = text.substr(at);
    if (rest.size() >= kRefLength && rest[3] == 'f' && rest[5] == ':') {
        switch (rest[4]) {
            case 'I': p.kind = TPlaceholder::kRefI; break;
            case 'L': p.kind = TPlaceholder::kRefL; break;
            case 'F': p.kind = TPlaceholder::kRefF; break;
            case 'P': p.kind = TPlaceholder::kRefP; break;
            case 'X': p.kind = TPlaceholder::kRefX; break;
            case 'Y': p.kind = TPlaceholder::kRefY; break;
            default: return 0;
        }
        p.hex = markup::ParseHex(text, at + 6, 8, p.value);
        return kRefLength;
    }
    if (rest.substr(0, 6) == "!ReCF:") {
        p.kind = TPlaceholder::kReCF;
        p.hex = markup::ParseHex(text, at + 6, 8, p.value);
        return rest.size() >= kRefLength ? kRefLength : 0;
    }
    if (rest.substr(0, 6) == "!ReCP:") {
        const std::size_t end = rest.find('!', 6);
        if (end == std::string_view::npos) return 0;
        p.kind = TPlaceholder::kReCP;
        p.name = rest.substr(6, end - 6);
        return end + 1;
    }
    return 0;
}

}  // namespace

std::string FillPlaceholders(std::string_view text, const TPlaceholderFill& fill) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = text.find("!Re", i);
        if (at == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, at - i));
        TPlaceholder p;
        const std::size_t n = Match(text, at, p);
        if (n > 0 && fill(p, out)) {
            i = at + n;
        } else {
            out += "!Re";
            i = at + 3;
        }
    }
    return out;
}

}  // namespace convert::html
