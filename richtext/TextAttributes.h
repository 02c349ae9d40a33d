// The two attribute fronts of a box: character operations on the selection
// (TNYXTextAttributes) and paragraph operations on the paragraphs it touches
// (TNYXParaAttributes). Every operation that changes text first takes an
// undo snapshot with its Italian label through the box's recorder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "richtext/Attributes.h"
#include "richtext/Box.h"

namespace model {
class TNYXoggetto;
}

namespace richtext {

class TNYXTextAttributes {
public:
    explicit TNYXTextAttributes(TNYXbox& box) : box_(box) {}

    enum PosKind { BeforeCaret, Caret, AfterCaret, BeforeSelStart, SelStart, SelEnd, BeforeSelEnd };
    struct At {
        TNYXparag* para = nullptr;
        std::int32_t ch = 0;
        TMyFont font;
        std::int32_t link = -1;
    };
    At AttributesAt(PosKind kind) const;

    // Queries: the pending value when set, else the value at the reference
    // character (selection start, or the character before the caret).
    std::uint32_t Colour() const;
    std::int32_t Size() const;
    std::string FontName() const;
    std::uint8_t Style() const;
    std::uint8_t Position() const;
    std::int32_t LinkKey() const;
    std::string SelectedText() const;
    // The attributes at the reference character with the pending values applied.
    TMyFont Effective() const;

    // Character operations (pending values when there is no selection).
    void SetColour(std::uint32_t c);
    void SetFontName(std::string_view name);
    void SetSize(std::int32_t size);
    void SetStyle(std::uint8_t bits);
    void AddRemoveStyle(std::uint8_t add, std::uint8_t remove);
    void SetPosition(std::uint8_t pos);
    void SetLink(std::int32_t key);

    // Pending attributes for the next typed characters; reading them clears them.
    struct Pending {
        bool colour = false, size = false, name = false, style = false, position = false;
        std::uint32_t colourValue = 0;
        std::int32_t sizeValue = 0;
        std::string nameValue;
        std::uint8_t styleValue = 0;
        std::uint8_t positionValue = 0;
        bool Any() const { return colour || size || name || style || position; }
    };
    const Pending& PeekPending() const { return pending_; }
    Pending TakePending() {
        Pending p = pending_;
        pending_ = {};
        return p;
    }

    // Does the text at the caret match a style (values and no paragraph override)?
    bool MatchesStyle(const model::TNYXoggetto& style) const;

private:
    enum Field { kColour, kName, kSize, kStyle, kPosition };
    struct Val {
        std::int64_t n = 0;
        std::string s;
        bool operator==(const Val&) const = default;
    };
    template <class F>
    void Apply(const std::string& label, Field field, F compute);
    TTextPos RefPos() const;

    TNYXbox& box_;
    Pending pending_;
};

class TNYXParaAttributes {
public:
    explicit TNYXParaAttributes(TNYXbox& box) : box_(box) {}

    void SetAlignment(int a);
    void SetListMark(int mark);
    // False when the hypertext has no style of that name (the snapshot is taken anyway).
    bool ApplyStyle(std::string_view name);
    void SetLineHeight(double v);
    void SetSpaceAbove(double v);
    void SetSpaceBelow(double v);
    void SetIndent(double v);
    void SetLeftMargin(double v);
    void SetRightMargin(double v);
    // The left margin and the indent in one step (the ruler's left marker
    // moves the margin and keeps the first line where it was).
    void SetLeftMarginAndIndent(double left, double indent);
    void SetLinkColour(std::uint32_t c);
    void SetLinkSize(std::int32_t size);
    void SetLinkStyle(std::uint8_t bits);
    void SetUnit(int unit);

    // The caret paragraph's effective values (measures in its unit).
    std::int32_t Value(ParaField f) const;
    double Measure(ParaField f) const;

    // A style record made from the caret paragraph: its named style with the
    // paragraph's effective values and the character attributes at the
    // reference character (pending values included).
    void MakeTemplate(const TNYXTextAttributes& text, model::TNYXoggetto& out) const;

private:
    void ForEach(const std::string& label, ParaField f, std::int32_t v);
    void ForEachMeasure(const std::string& label, ParaField f, double v);
    std::int32_t First() const;
    std::int32_t Last() const;
    TNYXparag* CaretParagraph() const;

    TNYXbox& box_;
};

// Shortest decimal form of a measure for labels ("2.5", "10").
std::string MeasureText(double v);

}  // namespace richtext
