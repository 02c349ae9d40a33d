#include "richtext/Attributes.h"

#include <cmath>
#include <limits>

#include "model/NYXoggetto.h"

namespace richtext {
namespace {

// The record of a style that was never given: the defaults of a new style.
const model::TNYXoggetto& DefaultRecord() {
    static const std::unique_ptr<model::TNYXoggetto> rec = [] {
        auto o = model::MakeObject(model::stileParagrafo);
        o->Reset();
        return o;
    }();
    return *rec;
}

const model::TNYXoggetto& Rec(const model::TNYXoggetto* s) { return s ? *s : DefaultRecord(); }

bool IsByteField(ParaField f) {
    switch (f) {
        case pfStyle: case pfPosition: case pfSpare: case pfAlign: case pfList: case pfUnit: case pfLinkStyle:
            return true;
        default:
            return false;
    }
}

double InchesPerUnit(int unit) {
    switch (unit) {
        case kCm: return 10.0 / 25.4;
        case kMm: return 1.0 / 25.4;
        case kInch: return 1.0;
        case kPoint: return 1.0 / 72.0;
        case kPica: return 6.0 / 72.0;
        default: return 1.0 / kPixelsPerInch;
    }
}

}  // namespace

std::string_view UnitName(int unit) {
    switch (unit) {
        case kCm: return "Centimetri";
        case kMm: return "Millimetri";
        case kInch: return "Inches";
        case kPoint: return "Punti";
        case kPica: return "Pica";
        case kPixel: return "Pixel";
        default: return "";
    }
}

std::int32_t ToPixels(double value, int unit) {
    double px = std::round(value * InchesPerUnit(unit) * kPixelsPerInch);
    if (!(px == px)) return 0;
    if (px > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (px < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(px);
}

double FromPixels(std::int32_t pixels, int unit) {
    return static_cast<double>(pixels) / kPixelsPerInch / InchesPerUnit(unit);
}

double ConvertLength(double value, int fromUnit, int toUnit) {
    return value * InchesPerUnit(fromUnit) / InchesPerUnit(toUnit);
}

std::string_view ColourName(std::uint32_t c) {
    switch (c) {
        case 0x000000: return "Nero";
        case 0x000080: return "Marrone";
        case 0x0000FF: return "Rosso";
        case 0x008000: return "Verde";
        case 0x008080: return "Oliva";
        case 0x00FF00: return "Verde chiaro";
        case 0x00FFFF: return "Giallo";
        case 0x800000: return "Blu scuro";
        case 0x800080: return "Violetto";
        case 0x808000: return "Acqua";
        case 0x808080: return "Grigio scuro";
        case 0xC0C0C0: return "Grigio chiaro";
        case 0xFF0000: return "Blu";
        case 0xFF00FF: return "Fucsia";
        case 0xFFFF00: return "Azzurro";
        case 0xFFFFFF: return "Bianco";
        default: return "Custom";
    }
}

std::int32_t StyleValue(const model::TNYXoggetto* sp, ParaField f) {
    const model::TNYXoggetto& s = Rec(sp);
    switch (f) {
        case pfColour: return s.Int(style::kColour);
        case pfName: return 0;
        case pfSize: return s.SWord(style::kSize);
        case pfStyle: return s.Byte(style::kStyle);
        case pfPosition: return s.Byte(style::kPosition);
        case pfSpare: return s.Byte(style::kSpare);
        case pfAlign: return s.Byte(style::kAlign);
        case pfList: return s.Byte(style::kList);
        case pfUnit: return s.Byte(style::kUnit);
        case pfLineHeight: return s.SWord(style::kLineHeight);
        case pfIndent: return s.SWord(style::kIndent);
        case pfLeft: return s.SWord(style::kLeft);
        case pfRight: return s.SWord(style::kRight);
        case pfAbove: return s.SWord(style::kAbove);
        case pfBelow: return s.SWord(style::kBelow);
        case pfLinkStyle: return s.Byte(style::kLinkStyle);
        case pfLinkColour: return s.Int(style::kLinkColour);
        case pfLinkSize: return s.SWord(style::kLinkSize);
        default: return 0;
    }
}

std::string StyleFontName(const model::TNYXoggetto* s) { return Rec(s).Str(style::kFont, style::kFontCap); }

void SetStyleValue(model::TNYXoggetto& s, ParaField f, std::int32_t v) {
    auto w = [&](int off) {
        if (v > 32767) v = 32767;
        if (v < -32768) v = -32768;
        s.SetWord(static_cast<std::size_t>(off), static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    };
    auto b = [&](int off) { s.SetByte(static_cast<std::size_t>(off), static_cast<std::uint8_t>(v)); };
    switch (f) {
        case pfColour: s.SetInt(style::kColour, v); break;
        case pfName: break;
        case pfSize: w(style::kSize); break;
        case pfStyle: b(style::kStyle); break;
        case pfPosition: b(style::kPosition); break;
        case pfSpare: b(style::kSpare); break;
        case pfAlign: b(style::kAlign); break;
        case pfList: b(style::kList); break;
        case pfUnit: b(style::kUnit); break;
        case pfLineHeight: w(style::kLineHeight); break;
        case pfIndent: w(style::kIndent); break;
        case pfLeft: w(style::kLeft); break;
        case pfRight: w(style::kRight); break;
        case pfAbove: w(style::kAbove); break;
        case pfBelow: w(style::kBelow); break;
        case pfLinkStyle: b(style::kLinkStyle); break;
        case pfLinkColour: s.SetInt(style::kLinkColour, v); break;
        case pfLinkSize: w(style::kLinkSize); break;
        default: break;
    }
}

// --- TNYXFontStyle ------------------------------------------------------------

void TNYXFontStyle::SetColour(std::uint32_t v) {
    over_[fColour] = v != static_cast<std::uint32_t>(StyleValue(base_, pfColour));
    colour_ = v;
}
void TNYXFontStyle::SetName(std::string_view v) {
    over_[fName] = v != StyleFontName(base_);
    name_.assign(v);
}
void TNYXFontStyle::SetSize(std::int32_t v) {
    over_[fSize] = v != StyleValue(base_, pfSize);
    size_ = v;
}
void TNYXFontStyle::SetStyle(std::uint8_t v) {
    over_[fStyle] = v != StyleValue(base_, pfStyle);
    style_ = v;
}
void TNYXFontStyle::SetPosition(std::uint8_t v) {
    over_[fPosition] = v != StyleValue(base_, pfPosition);
    position_ = v;
}
bool TNYXFontStyle::AnyOverride() const {
    for (bool b : over_)
        if (b) return true;
    return false;
}

void TNYXFontStyle::AssignFont(const TMyFont& f) {
    SetColour(f.colour);
    SetName(f.name);
    SetSize(f.size);
    SetStyle(f.style);
    SetPosition(f.position);
}

void TNYXFontStyle::Assign(const TNYXFontStyle& src) {
    TMyFont f = src.Font();
    base_ = src.base_;
    AssignFont(f);
}

void TNYXFontStyle::Assign(const TNYXParaStyle& src) {
    TMyFont f = src.Font();
    base_ = src.Named();
    AssignFont(f);
}

// --- TNYXParaStyle ------------------------------------------------------------

TNYXParaStyle& TNYXParaStyle::operator=(const TNYXParaStyle& o) {
    if (this == &o) return *this;
    // Copy the base, then every value through the setters so that the
    // overrides are recomputed against it.
    std::array<std::int32_t, kParaFieldCount> v{};
    for (int f = 0; f < kParaFieldCount; ++f) v[f] = o.Get(static_cast<ParaField>(f));
    std::string name = o.FontName();
    TNYXFontStyle running = o.running_;
    SetNamed(o.named_);
    for (int f = 0; f < kParaFieldCount; ++f)
        if (f != pfName) Set(static_cast<ParaField>(f), v[f]);
    SetFontName(name);
    running_ = running;
    return *this;
}

void TNYXParaStyle::Set(ParaField f, std::int32_t v) {
    if (f == pfName) return;
    if (IsByteField(f)) v &= 0xFF;
    over_[f] = v != StyleValue(named_, f);
    val_[f] = v;
}

void TNYXParaStyle::SetFontName(std::string_view name) {
    over_[pfName] = name != StyleFontName(named_);
    name_.assign(name);
}

bool TNYXParaStyle::AnyOverride() const {
    for (bool b : over_)
        if (b) return true;
    return false;
}

TMyFont TNYXParaStyle::Font() const {
    return {FontName(), static_cast<std::uint8_t>(Get(pfStyle)), static_cast<std::uint32_t>(Get(pfColour)),
            Get(pfSize), static_cast<std::uint8_t>(Get(pfPosition))};
}

void TNYXParaStyle::AssignFont(const TMyFont& f) {
    Set(pfColour, static_cast<std::int32_t>(f.colour));
    SetFontName(f.name);
    Set(pfSize, f.size);
    Set(pfStyle, f.style);
    Set(pfPosition, f.position);
}

}  // namespace richtext
