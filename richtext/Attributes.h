// Character and paragraph attributes: the named style record (object type 17),
// the paragraph layer (TNYXParaStyle) and the run layer (TNYXFontStyle), kept
// as differences from the named style; units of measure; colour names.
//
// Lengths are stored in pixels at a fixed 96 per inch, so a file lays out the
// same on every screen.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace model {
class TNYXoggetto;
}

namespace richtext {

constexpr int kPixelsPerInch = 96;

enum StyleBits : std::uint8_t { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };
enum Unit : int { kCm = 0, kMm = 1, kInch = 2, kPoint = 3, kPica = 4, kPixel = 5 };

// Name shown for a unit ("Centimetri", ...).
std::string_view UnitName(int unit);
// Length in pixels of `value` units, rounded to the nearest pixel.
std::int32_t ToPixels(double value, int unit);
double FromPixels(std::int32_t pixels, int unit);
// A length from one unit to another (unrounded).
double ConvertLength(double value, int fromUnit, int toUnit);

// "Nero", "Rosso", ... for the sixteen basic colours, "Custom" otherwise.
std::string_view ColourName(std::uint32_t colour);

// Offsets of the style record fields in the object's data block.
namespace style {
constexpr int kName = 5, kFont = 39, kSize = 72, kColour = 74, kStyle = 78, kLinkSize = 79, kLinkColour = 81,
              kLinkStyle = 85, kLeft = 86, kRight = 88, kAbove = 90, kBelow = 92, kLineHeight = 94, kIndent = 96,
              kUnit = 98, kAlign = 99, kList = 100, kSpare = 101, kPosition = 102;
constexpr int kNameCap = 32, kFontCap = 32;
}  // namespace style

// The paragraph fields, in the order of the override flags.
enum ParaField : int {
    pfColour, pfName, pfSize, pfStyle, pfPosition, pfSpare, pfAlign, pfList, pfUnit, pfLineHeight, pfIndent,
    pfLeft, pfRight, pfAbove, pfBelow, pfLinkStyle, pfLinkColour, pfLinkSize, kParaFieldCount
};

// Value of a field in a style record (nullptr: the defaults of a new style).
std::int32_t StyleValue(const model::TNYXoggetto* s, ParaField f);
std::string StyleFontName(const model::TNYXoggetto* s);
// Writes a field into a style record.
void SetStyleValue(model::TNYXoggetto& s, ParaField f, std::int32_t v);

// A plain font record.
struct TMyFont {
    std::string name = "Times New Roman";
    std::uint8_t style = 0;
    std::uint32_t colour = 0;
    std::int32_t size = 10;
    std::uint8_t position = 0;
    bool operator==(const TMyFont&) const = default;
};

class TNYXParaStyle;

// One attribute change inside a paragraph: five character values kept as
// differences from a named style.
class TNYXFontStyle {
public:
    enum Field : int { fColour, fName, fSize, fStyle, fPosition };

    const model::TNYXoggetto* Base() const { return base_; }
    void SetBase(const model::TNYXoggetto* s) { base_ = s; }

    std::uint32_t Colour() const { return over_[fColour] ? colour_ : static_cast<std::uint32_t>(StyleValue(base_, pfColour)); }
    std::string Name() const { return over_[fName] ? name_ : StyleFontName(base_); }
    std::int32_t Size() const { return over_[fSize] ? size_ : StyleValue(base_, pfSize); }
    std::uint8_t Style() const { return over_[fStyle] ? style_ : static_cast<std::uint8_t>(StyleValue(base_, pfStyle)); }
    std::uint8_t Position() const {
        return over_[fPosition] ? position_ : static_cast<std::uint8_t>(StyleValue(base_, pfPosition));
    }
    void SetColour(std::uint32_t v);
    void SetName(std::string_view v);
    void SetSize(std::int32_t v);
    void SetStyle(std::uint8_t v);
    void SetPosition(std::uint8_t v);
    bool Overridden(Field f) const { return over_[f]; }
    bool AnyOverride() const;
    void ClearOverrides() { over_ = {}; }

    TMyFont Font() const { return {Name(), Style(), Colour(), Size(), Position()}; }
    // Sets the five values against the current base.
    void AssignFont(const TMyFont& f);
    // Takes the source's base, then its five values.
    void Assign(const TNYXFontStyle& src);
    void Assign(const TNYXParaStyle& src);

private:
    std::uint32_t colour_ = 0;
    std::string name_;
    std::int32_t size_ = 0;
    std::uint8_t style_ = 0;
    std::uint8_t position_ = 0;
    const model::TNYXoggetto* base_ = nullptr;
    std::array<bool, 5> over_{};
};

// A paragraph's named style and its overrides, plus the running character
// attributes at the paragraph start.
class TNYXParaStyle {
public:
    TNYXParaStyle() = default;
    TNYXParaStyle(const TNYXParaStyle& o) { *this = o; }
    TNYXParaStyle& operator=(const TNYXParaStyle& o);

    const model::TNYXoggetto* Named() const { return named_; }
    void SetNamed(const model::TNYXoggetto* s) {
        named_ = s;
        running_.SetBase(s);
    }

    // Effective value (override, else the named style's).
    std::int32_t Get(ParaField f) const { return over_[f] ? val_[f] : StyleValue(named_, f); }
    std::string FontName() const { return over_[pfName] ? name_ : StyleFontName(named_); }
    // Stores the value as an override unless it equals the named style's.
    void Set(ParaField f, std::int32_t v);
    void SetFontName(std::string_view name);
    bool Overridden(ParaField f) const { return over_[f]; }
    bool AnyOverride() const;
    void ClearOverrides() { over_ = {}; }

    // The six measures in the paragraph's unit.
    double GetMeasure(ParaField f) const { return FromPixels(Get(f), Get(pfUnit)); }
    void SetMeasure(ParaField f, double v) { Set(f, ToPixels(v, Get(pfUnit))); }

    // Effective character values of the paragraph.
    TMyFont Font() const;
    void AssignFont(const TMyFont& f);

    TNYXFontStyle& Running() { return running_; }
    const TNYXFontStyle& Running() const { return running_; }

private:
    std::array<std::int32_t, kParaFieldCount> val_{};
    std::string name_;
    std::array<bool, kParaFieldCount> over_{};
    const model::TNYXoggetto* named_ = nullptr;
    TNYXFontStyle running_;
};

}  // namespace richtext
