#include "shell/FormatChoices.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Attributes.h"
#include "richtext/Box.h"
#include "richtext/StyleSheet.h"
#include "richtext/TextAttributes.h"

namespace shell {
namespace {

using richtext::ParaField;

constexpr ParaField kMeasureField[TParagraphChoices::kCount] = {
    richtext::pfLineHeight, richtext::pfIndent, richtext::pfLeft,
    richtext::pfRight,      richtext::pfAbove,  richtext::pfBelow,
};

std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

// Up to two decimals, no trailing zeros, a comma as the decimal sign.
std::string ShowMeasure(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", v);
    std::string s(b);
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

// A pixel value as the dialog shows it; an automatic line height shows 0.
double Shown(std::int32_t pixels, int m, int unit) {
    if (m == TParagraphChoices::kLineHeight && pixels <= 0) return 0;
    return std::round(richtext::FromPixels(pixels, unit) * 100) / 100;
}

}  // namespace

const std::vector<int>& FontSizes() {
    static const std::vector<int> sizes = {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 28, 32, 36, 48, 72};
    return sizes;
}

const std::vector<std::uint32_t>& BasicColours() {
    static const std::vector<std::uint32_t> colours = {
        0x000000, 0x000080, 0x0000FF, 0x008000, 0x008080, 0x00FF00, 0x00FFFF, 0x800000,
        0x800080, 0x808000, 0x808080, 0xC0C0C0, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    return colours;
}

const std::vector<std::string>& PositionNames() {
    static const std::vector<std::string> names = {"Normale", "Pedice", "Apice"};
    return names;
}

std::optional<int> ParseFontSize(std::string_view text, std::string* error) {
    const std::string t = Trim(text);
    char* end = nullptr;
    const long v = t.empty() ? 0 : std::strtol(t.c_str(), &end, 10);
    if (t.empty() || *end != '\0' || v < 1 || v > 999) {
        if (error) *error = "La dimensione del carattere deve essere un numero intero da 1 a 999";
        return std::nullopt;
    }
    return static_cast<int>(v);
}

bool CheckFontName(std::string_view name, std::string* error) {
    if (Trim(name).empty()) {
        if (error) *error = "Scrivere il nome del carattere";
        return false;
    }
    if (name.size() > static_cast<std::size_t>(richtext::style::kFontCap)) {
        if (error) *error = "Il nome del carattere può avere al massimo 32 caratteri";
        return false;
    }
    return true;
}

std::optional<double> ParseMeasure(std::string_view text, int unit, std::string_view field, std::string* error) {
    std::string t = Trim(text);
    for (char& c : t)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double v = t.empty() ? 0 : std::strtod(t.c_str(), &end);
    bool ok = !t.empty() && *end == '\0' && std::isfinite(v);
    if (ok) {
        const double px = std::round(richtext::ConvertLength(v, unit, richtext::kPixel));
        ok = px >= -32000 && px <= 32000;
        if (!ok && error)
            *error = std::string(field) + ": il valore " + std::string(Trim(text)) + " è fuori dai limiti (da " +
                     ShowMeasure(richtext::FromPixels(-32000, unit)) + " a " +
                     ShowMeasure(richtext::FromPixels(32000, unit)) + " " + std::string(richtext::UnitName(unit)) + ")";
        return ok ? std::optional<double>(v) : std::nullopt;
    }
    if (error) *error = std::string(field) + ": \"" + std::string(Trim(text)) + "\" non è un numero";
    return std::nullopt;
}

// --- paragraph dialog ----------------------------------------------------------------

const char* TParagraphChoices::Label(int m) {
    static const char* const labels[kCount] = {"Altezza linea", "Rientro prima riga", "Margine sinistro",
                                               "Margine destro", "Spazio sopra",      "Spazio sotto"};
    return m >= 0 && m < kCount ? labels[m] : "";
}

void TParagraphChoices::Load(const richtext::TNYXParaAttributes& para) {
    unit = para.Value(richtext::pfUnit);
    for (int m = 0; m < kCount; ++m) {
        shown[m] = Shown(para.Value(kMeasureField[m]), m, unit);
        text[m] = ShowMeasure(shown[m]);
    }
}

std::optional<std::vector<std::pair<int, double>>> TParagraphChoices::Changes(std::string* error) const {
    std::vector<std::pair<int, double>> out;
    for (int m = 0; m < kCount; ++m) {
        auto v = ParseMeasure(text[m], unit, Label(m), error);
        if (!v) return std::nullopt;
        if (std::fabs(*v - shown[m]) > 1e-9) out.emplace_back(m, *v);
    }
    return out;
}

bool TParagraphChoices::Apply(richtext::TNYXParaAttributes& para, std::string* error) const {
    auto changes = Changes(error);
    if (!changes) return false;
    for (const auto& [m, v] : *changes) {
        switch (m) {
            case kLineHeight: para.SetLineHeight(v); break;
            case kIndent: para.SetIndent(v); break;
            case kLeft: para.SetLeftMargin(v); break;
            case kRight: para.SetRightMargin(v); break;
            case kAbove: para.SetSpaceAbove(v); break;
            case kBelow: para.SetSpaceBelow(v); break;
        }
    }
    return true;
}

// --- style editor --------------------------------------------------------------------

void TStyleChoices::Load(const model::TNYXoggetto* s) {
    using namespace richtext;
    if (s) name = s->GetName();
    font = StyleFontName(s);
    size = std::to_string(StyleValue(s, pfSize));
    colour = static_cast<std::uint32_t>(StyleValue(s, pfColour));
    style = static_cast<std::uint8_t>(StyleValue(s, pfStyle));
    position = static_cast<std::uint8_t>(StyleValue(s, pfPosition));
    align = StyleValue(s, pfAlign);
    list = StyleValue(s, pfList);
    unit = StyleValue(s, pfUnit);
    for (int m = 0; m < TParagraphChoices::kCount; ++m)
        measure[m] = ShowMeasure(Shown(StyleValue(s, kMeasureField[m]), m, unit));
}

bool TStyleChoices::Store(model::TNYXoggetto& out, std::string* error) const {
    using namespace richtext;
    if (Trim(name).empty()) {
        if (error) *error = "Scrivere il nome dello stile";
        return false;
    }
    if (name.size() > static_cast<std::size_t>(style::kNameCap)) {
        if (error) *error = "Il nome dello stile può avere al massimo 32 caratteri";
        return false;
    }
    if (!CheckFontName(font, error)) return false;
    auto sz = ParseFontSize(size, error);
    if (!sz) return false;
    std::int32_t px[TParagraphChoices::kCount] = {};
    for (int m = 0; m < TParagraphChoices::kCount; ++m) {
        auto v = ParseMeasure(measure[m], unit, TParagraphChoices::Label(m), error);
        if (!v) return false;
        px[m] = ToPixels(*v, unit);
        // An automatic line height is stored as the new style's -32000.
        if (m == TParagraphChoices::kLineHeight && px[m] <= 0) px[m] = -32000;
    }
    out.SetName(name);
    out.SetStr(style::kFont, style::kFontCap, font);
    SetStyleValue(out, pfSize, *sz);
    SetStyleValue(out, pfColour, static_cast<std::int32_t>(colour));
    SetStyleValue(out, pfStyle, style);
    SetStyleValue(out, pfPosition, position);
    SetStyleValue(out, pfAlign, align);
    SetStyleValue(out, pfList, list);
    SetStyleValue(out, pfUnit, unit);
    for (int m = 0; m < TParagraphChoices::kCount; ++m) SetStyleValue(out, kMeasureField[m], px[m]);
    return true;
}

TStyleChoice ChooseStyle(const model::TNYXoggetto* chosen, const model::TNYXoggetto* current, bool deviates) {
    if (!chosen) return TStyleChoice::Nothing;
    if (chosen != current) return TStyleChoice::Apply;
    return deviates ? TStyleChoice::Ask : TStyleChoice::Nothing;
}

std::string StyleQuestion(std::string_view name) { return "Stile \"" + std::string(name) + "\""; }

std::string DeleteStyleQuestion(model::TNYXset& set, const model::TNYXoggetto& style, std::string* refusal) {
    const std::int32_t n = richtext::TNYXbox::StyleNumber(&style);
    if (n < 2) {
        if (refusal) *refusal = "Lo stile \"" + style.GetName() + "\" è predefinito e non può essere eliminato";
        return {};
    }
    const auto usage = richtext::StyleUsage(set);
    const auto it = usage.find(n);
    const std::int64_t used = it == usage.end() ? 0 : it->second;
    std::string q = "Eliminare lo stile \"" + style.GetName() + "\"?";
    if (used == 1) q += " Lo usa 1 paragrafo, che passerà allo stile \"[nessuno stile]\".";
    if (used > 1)
        q += " Lo usano " + std::to_string(used) + " paragrafi, che passeranno allo stile \"[nessuno stile]\".";
    return q;
}

const std::vector<unsigned char>& SymbolCodes() {
    static const std::vector<unsigned char> codes = [] {
        std::vector<unsigned char> v;
        for (int c = 32; c < 256; ++c)
            if (c != 0x7F && c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D)
                v.push_back(static_cast<unsigned char>(c));
        return v;
    }();
    return codes;
}

}  // namespace shell
