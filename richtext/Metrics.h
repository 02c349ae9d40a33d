// How the markup reader measures characters. The reader asks for the advance
// width, height and ascent of one character in a font; the desktop answers
// with the toolkit's font metrics, tests and headless tools with fixed ones.
#pragma once

#include <cstdint>

#include "richtext/Attributes.h"

namespace richtext {

struct TCharMetrics {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t ascent = 0;
};

class TTextMetrics {
public:
    virtual ~TTextMetrics() = default;
    virtual TCharMetrics Measure(const TMyFont& font, unsigned char ch) = 0;
    // Advance of ch after prev in the same font: the extent of both together
    // minus the extent of prev alone (kerning pairs); by default ch's own width.
    virtual std::int32_t PairWidth(const TMyFont& font, unsigned char /*prev*/, unsigned char ch) {
        return Measure(font, ch).width;
    }
    // Height of a line of the font (the paragraph's default line height).
    virtual std::int32_t LineHeight(const TMyFont& font) = 0;
};

// Every character `width` pixels wide, every font `height` high with `ascent`
// above the base line, whatever its name or size.
class TFixedMetrics : public TTextMetrics {
public:
    TFixedMetrics(std::int32_t width = 8, std::int32_t height = 16, std::int32_t ascent = 12)
        : w_(width), h_(height), a_(ascent) {}
    TCharMetrics Measure(const TMyFont&, unsigned char) override { return {w_, h_, a_}; }
    std::int32_t LineHeight(const TMyFont&) override { return h_; }

private:
    std::int32_t w_, h_, a_;
};

// A character as text measures it: its width after the previous character
// of the same font run (prev -1: none), and its height and ascent with the
// vertical position applied (subscript: 1.5 times as high; superscript: the
// ascent grows by half the height). No smaller font is used for either.
inline TCharMetrics MeasureChar(TTextMetrics& m, const TMyFont& font, int prev, unsigned char ch) {
    TCharMetrics r = m.Measure(font, ch);
    if (prev >= 0) r.width = m.PairWidth(font, static_cast<unsigned char>(prev), ch);
    if (font.position == 1) r.height += r.height / 2;
    else if (font.position == 2) r.ascent += r.height / 2;
    return r;
}

// The metrics used when a box was given none.
TTextMetrics& DefaultMetrics();

}  // namespace richtext
