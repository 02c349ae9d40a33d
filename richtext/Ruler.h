// The horizontal ruler over the current box, without any widget: its window
// (where the box's text area lies, in pixels), its unit, and the four
// markers through which the author sets the caret paragraph's first-line
// indent, left margin and right margin. The indent is relative to the left
// margin; the right margin is measured from the window's right end. A marker
// is dragged between its bounds; releasing it says which values changed so
// the caller applies them to the paragraph.
#pragma once

#include <cstdint>
#include <string>

#include "richtext/Attributes.h"

namespace richtext {

enum class TRulerMarker {
    kNone,
    kIndent,  // first-line indent: a downward triangle at the top
    kLeft,    // left margin: an upward triangle at the bottom, the first line stays put
    kSquare,  // below the left margin: moves the indent and the left margin together
    kRight,   // right margin: an upward triangle at the bottom
};

enum class TRulerChange {
    kNone,
    kIndent,         // the indent changed
    kIndentAndLeft,  // the left margin moved, the indent with it the other way
    kLeft,           // the left margin moved, the indent value kept
    kRight,          // the right margin changed
};

class TKyRuler {
public:
    static constexpr int kMarkerWidth = 11, kMarkerHeight = 8, kSquareHeight = 6;
    static constexpr int kDefaultWidth = 200, kDefaultHeight = 20;

    // The window: where the box's text starts (in the ruler's pixels) and how wide it is.
    void SetWindow(std::int32_t start, std::int32_t size);
    std::int32_t WindowStart() const { return windowStart_; }
    std::int32_t WindowSize() const { return windowSize_; }

    // Converts the values to the new unit: the markers stay over the same
    // pixels. Divisions become 10 for centimetres, millimetres and pixels,
    // 12 for inches, points and pica.
    void SetUnit(int unit);
    int Unit() const { return unit_; }
    int Divisions() const { return divisions_; }

    // Values in the ruler's unit (no marker may be moving).
    void SetValues(double indent, double left, double right);
    double Indent() const { return indent_; }
    double MargLeft() const { return left_; }
    double MargRight() const { return right_; }

    // Marker positions in pixels from the window's start; a marker pushed
    // past the window shows at its edge.
    std::int32_t IndentPos() const;
    std::int32_t LeftPos() const;
    std::int32_t RightPos() const;

    // The marker under a point of a ruler `height` pixels high (x in the
    // ruler's pixels, counting the window's start).
    TRulerMarker MarkerAt(std::int32_t x, std::int32_t y, std::int32_t height) const;

    // Dragging: begin at x, follow the pointer, end. End says what changed
    // (kNone when the marker came back where it was).
    void BeginMove(TRulerMarker m, std::int32_t x);
    void MoveTo(std::int32_t x);
    TRulerChange EndMove();
    // Gives the values they had before the move (Escape).
    void CancelMove();
    TRulerMarker Moving() const { return moving_; }
    // Where the guide line stands while moving (ruler pixels), and the hint
    // with the moving marker's value: fixed notation, no decimals.
    std::int32_t GuideX() const;
    std::string Hint() const;

private:
    std::int32_t Px(double v) const { return ToPixels(v, unit_); }
    double Val(std::int32_t px) const { return FromPixels(px, unit_); }

    std::int32_t windowStart_ = 0, windowSize_ = kDefaultWidth;
    int unit_ = kMm;
    int divisions_ = 10;
    double indent_ = 0, left_ = 0, right_ = 0;

    TRulerMarker moving_ = TRulerMarker::kNone;
    std::int32_t pressX_ = 0, startPos_ = 0;
    double startIndent_ = 0, startLeft_ = 0, startRight_ = 0;
};

}  // namespace richtext
