#include "convert/html/HtmlCss.h"

#include <cmath>
#include <cstdlib>

namespace convert::html {

namespace {

char Low(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
    std::string o(s);
    for (char& c : o) c = Low(c);
    return o;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
    return s;
}

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Low(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

struct TNamedColour {
    const char* name;
    std::uint32_t rgb;  // 0xRRGGBB
};
constexpr TNamedColour kColours[] = {
    {"black", 0x000000},  {"silver", 0xC0C0C0}, {"gray", 0x808080},   {"grey", 0x808080},   {"white", 0xFFFFFF},
    {"maroon", 0x800000}, {"red", 0xFF0000},    {"purple", 0x800080}, {"fuchsia", 0xFF00FF}, {"magenta", 0xFF00FF},
    {"green", 0x008000},  {"lime", 0x00FF00},   {"olive", 0x808000},  {"yellow", 0xFFFF00}, {"navy", 0x000080},
    {"blue", 0x0000FF},   {"teal", 0x008080},   {"aqua", 0x00FFFF},   {"cyan", 0x00FFFF},   {"orange", 0xFFA500},
    {"brown", 0xA52A2A},  {"pink", 0xFFC0CB},   {"darkred", 0x8B0000}, {"darkblue", 0x00008B},
    {"darkgreen", 0x006400}, {"lightgrey", 0xD3D3D3}, {"lightgray", 0xD3D3D3}, {"darkgray", 0xA9A9A9},
    {"darkgrey", 0xA9A9A9},
};

std::uint32_t FromRgb(std::uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

}  // namespace

void ForEachDeclaration(std::string_view decls, const std::function<void(std::string_view, std::string_view)>& fn) {
    std::size_t p = 0;
    while (p < decls.size()) {
        std::size_t e = decls.find(';', p);
        if (e == std::string_view::npos) e = decls.size();
        const std::string_view d = decls.substr(p, e - p);
        const std::size_t colon = d.find(':');
        if (colon != std::string_view::npos) {
            const std::string name = Lower(Trim(d.substr(0, colon)));
            std::string_view value = Trim(d.substr(colon + 1));
            // "!important" changes nothing here.
            if (const std::size_t bang = value.find('!'); bang != std::string_view::npos) value = Trim(value.substr(0, bang));
            if (!name.empty()) fn(name, value);
        }
        p = e + 1;
    }
}

std::int64_t ParseColour(std::string_view v) {
    v = Trim(v);
    if (v.empty()) return -1;
    if (v.front() == '#') v.remove_prefix(1);
    else if (v.size() > 4 && Lower(v.substr(0, 4)) == "rgb(") {
        const std::string_view inner = v.substr(4, v.find(')') == std::string_view::npos ? std::string_view::npos : v.find(')') - 4);
        int parts[3] = {0, 0, 0};
        std::size_t p = 0;
        for (int i = 0; i < 3; ++i) {
            std::size_t e = inner.find(',', p);
            if (e == std::string_view::npos) e = inner.size();
            const std::string t(Trim(inner.substr(p, e - p)));
            if (t.empty()) return -1;
            double d = std::strtod(t.c_str(), nullptr);
            if (t.back() == '%') d = d * 255.0 / 100.0;
            parts[i] = d < 0 ? 0 : d > 255 ? 255 : static_cast<int>(std::lround(d));
            if (e >= inner.size() && i < 2) return -1;
            p = e + 1;
        }
        return parts[0] | (parts[1] << 8) | (parts[2] << 16);
    } else {
        const std::string low = Lower(v);
        for (const auto& c : kColours)
            if (low == c.name) return FromRgb(c.rgb);
    }
    if (v.size() == 3) {
        int d[3];
        for (int i = 0; i < 3; ++i)
            if ((d[i] = Hex(v[i])) < 0) return -1;
        return FromRgb(static_cast<std::uint32_t>((d[0] * 17) << 16 | (d[1] * 17) << 8 | d[2] * 17));
    }
    if (v.size() != 6) return -1;
    std::uint32_t rgb = 0;
    for (char c : v) {
        const int h = Hex(c);
        if (h < 0) return -1;
        rgb = rgb << 4 | static_cast<std::uint32_t>(h);
    }
    return FromRgb(rgb);
}

bool ParseLength(std::string_view v, double& value, int& unit) {
    v = Trim(v);
    if (v.empty()) return false;
    const std::string s(v);
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || !std::isfinite(value)) return false;
    const std::string u = Lower(Trim(std::string_view(end)));
    if (u.empty() || u == "px") unit = 5;
    else if (u == "cm") unit = 0;
    else if (u == "mm") unit = 1;
    else if (u == "in") unit = 2;
    else if (u == "pt") unit = 3;
    else if (u == "pc") unit = 4;
    else return false;
    return true;
}

int ParseFontSize(std::string_view v, int current) {
    v = Trim(v);
    const std::string low = Lower(v);
    struct K {
        const char* name;
        int pt;
    };
    static constexpr K kWords[] = {{"xx-small", 8}, {"x-small", 8}, {"small", 10}, {"medium", 12},
                                   {"large", 14},   {"x-large", 19}, {"xx-large", 27}};
    for (const auto& k : kWords)
        if (low == k.name) return k.pt;
    if (low == "smaller") return current > 8 ? current * 5 / 6 : current;
    if (low == "larger") return current * 6 / 5;
    char* end = nullptr;
    const double d = std::strtod(low.c_str(), &end);
    if (end == low.c_str() || !std::isfinite(d) || d <= 0 || d > 1000) return -1;
    const std::string u(Trim(std::string_view(end)));
    double pt;
    if (u == "pt") pt = d;
    else if (u == "px" || u.empty()) pt = d * 72.0 / 96.0;
    else if (u == "em" || u == "rem") pt = d * current;
    else if (u == "%") pt = d * current / 100.0;
    else if (u == "pc") pt = d * 12;
    else if (u == "in") pt = d * 72;
    else if (u == "cm") pt = d * 72 / 2.54;
    else if (u == "mm") pt = d * 72 / 25.4;
    else return -1;
    const long r = std::lround(pt);
    return r < 1 ? 1 : r > 999 ? 999 : static_cast<int>(r);
}

std::string CleanFace(std::string_view v) {
    v = Trim(v);
    // The first family of the list.
    std::string face;
    char quote = 0;
    for (char c : v) {
        if (quote) {
            if (c == quote) quote = 0;
            else face += c;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        if (c == ',') break;
        face += c;
    }
    std::string clean;
    for (char c : Trim(face))
        if (c != '"' && c != '>' && c != '<' && static_cast<unsigned char>(c) >= 0x20) clean += c;
    if (clean.size() > 32) clean.resize(32);
    return clean;
}

std::vector<TCssRule> ParseClassRules(std::string_view s) {
    std::vector<TCssRule> rules;
    std::string comment;
    std::size_t p = 0;
    const std::size_t n = s.size();
    std::string selector;
    while (p < n) {
        if (s.compare(p, 2, "/*") == 0) {
            std::size_t e = s.find("*/", p + 2);
            if (e == std::string_view::npos) e = n;
            comment = std::string(Trim(s.substr(p + 2, e - p - 2)));
            p = e + 2;
            selector.clear();
            continue;
        }
        const char c = s[p];
        if (c == '{') {
            std::size_t e = s.find('}', p + 1);
            if (e == std::string_view::npos) e = n;
            const std::string sel = Lower(Trim(selector));
            TCssRule r;
            bool ok = false;
            if (sel.compare(0, 4, "div.") == 0) {
                r.cls = sel.substr(4);
                ok = true;
            } else if (sel.compare(0, 2, "a.") == 0) {
                r.cls = sel.substr(2);
                r.link = true;
                ok = true;
            }
            // One class, nothing else: "div.body p" or "div.a, div.b" are not paragraph styles.
            if (ok && !r.cls.empty() && r.cls.find_first_of(" .,:>+~[#*") == std::string::npos) {
                r.comment = comment;
                r.declarations = std::string(s.substr(p + 1, e - p - 1));
                rules.push_back(std::move(r));
            }
            comment.clear();
            selector.clear();
            p = e + 1;
            continue;
        }
        selector += c;
        ++p;
    }
    return rules;
}

}  // namespace convert::html
