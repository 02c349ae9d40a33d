#include "richtext/Ruler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace richtext {

void TKyRuler::SetWindow(std::int32_t start, std::int32_t size) {
    windowStart_ = start;
    windowSize_ = std::max<std::int32_t>(size, 0);
}

void TKyRuler::SetUnit(int unit) {
    if (unit < kCm || unit > kPixel) return;
    indent_ = ConvertLength(indent_, unit_, unit);
    left_ = ConvertLength(left_, unit_, unit);
    right_ = ConvertLength(right_, unit_, unit);
    startIndent_ = ConvertLength(startIndent_, unit_, unit);
    startLeft_ = ConvertLength(startLeft_, unit_, unit);
    startRight_ = ConvertLength(startRight_, unit_, unit);
    unit_ = unit;
    divisions_ = unit == kCm || unit == kMm || unit == kPixel ? 10 : 12;
}

void TKyRuler::SetValues(double indent, double left, double right) {
    if (moving_ != TRulerMarker::kNone) return;
    // Values that are not numbers are taken as 0, so the markers stay drawable.
    indent_ = std::isfinite(indent) ? indent : 0;
    left_ = std::isfinite(left) ? left : 0;
    right_ = std::isfinite(right) ? right : 0;
}

std::int32_t TKyRuler::LeftPos() const { return std::clamp(Px(left_), 0, windowSize_); }
std::int32_t TKyRuler::IndentPos() const { return std::clamp(Px(left_ + indent_), 0, windowSize_); }
std::int32_t TKyRuler::RightPos() const { return std::clamp(windowSize_ - Px(right_), 0, windowSize_); }

TRulerMarker TKyRuler::MarkerAt(std::int32_t x, std::int32_t y, std::int32_t height) const {
    const std::int32_t at = x - windowStart_;
    const auto over = [at](std::int32_t pos) { return std::abs(at - pos) <= kMarkerWidth / 2; };
    const std::int32_t square = height - kSquareHeight;
    const std::int32_t bottom = square - kMarkerHeight;
    if (y >= 0 && y < kMarkerHeight && over(IndentPos())) return TRulerMarker::kIndent;
    if (y >= bottom && y < height) {
        // Where the right marker and the left one meet, the nearer wins.
        const bool right = over(RightPos());
        const bool left = over(LeftPos());
        if (right && (!left || std::abs(at - RightPos()) < std::abs(at - LeftPos()))) return TRulerMarker::kRight;
        if (left) return y >= square ? TRulerMarker::kSquare : TRulerMarker::kLeft;
    }
    return TRulerMarker::kNone;
}

void TKyRuler::BeginMove(TRulerMarker m, std::int32_t x) {
    moving_ = m;
    pressX_ = x;
    startIndent_ = indent_;
    startLeft_ = left_;
    startRight_ = right_;
    switch (m) {
        case TRulerMarker::kIndent: startPos_ = IndentPos(); break;
        case TRulerMarker::kLeft:
        case TRulerMarker::kSquare: startPos_ = LeftPos(); break;
        case TRulerMarker::kRight: startPos_ = RightPos(); break;
        case TRulerMarker::kNone: break;
    }
}

void TKyRuler::MoveTo(std::int32_t x) {
    if (moving_ == TRulerMarker::kNone) return;
    // The other markers stand where they stood when the move began.
    indent_ = startIndent_;
    left_ = startLeft_;
    right_ = startRight_;
    const std::int32_t right = RightPos();
    std::int32_t pos = startPos_ + (x - pressX_);
    switch (moving_) {
        case TRulerMarker::kIndent:
            pos = std::clamp(pos, 0, right);
            indent_ = startIndent_ + Val(pos - startPos_);
            break;
        case TRulerMarker::kLeft:
            // The first line stays where it was: the indent gives back what the margin takes.
            pos = std::clamp(pos, 0, right);
            left_ = startLeft_ + Val(pos - startPos_);
            indent_ = startIndent_ - Val(pos - startPos_);
            break;
        case TRulerMarker::kSquare: {
            // The indent marker moves along and must stay in the window too.
            const std::int32_t firstLine = Px(startLeft_ + startIndent_) - Px(startLeft_);
            const std::int32_t lo = std::max(0, -firstLine), hi = std::min(right, right - firstLine);
            pos = lo <= hi ? std::clamp(pos, lo, hi) : startPos_;
            left_ = startLeft_ + Val(pos - startPos_);
            break;
        }
        case TRulerMarker::kRight:
            pos = std::clamp(pos, std::max(LeftPos(), IndentPos()), windowSize_);
            right_ = startRight_ - Val(pos - startPos_);
            break;
        case TRulerMarker::kNone: break;
    }
}

TRulerChange TKyRuler::EndMove() {
    const TRulerMarker m = moving_;
    moving_ = TRulerMarker::kNone;
    const bool moved = indent_ != startIndent_ || left_ != startLeft_ || right_ != startRight_;
    if (!moved) return TRulerChange::kNone;
    switch (m) {
        case TRulerMarker::kIndent: return TRulerChange::kIndent;
        case TRulerMarker::kLeft: return TRulerChange::kIndentAndLeft;
        case TRulerMarker::kSquare: return TRulerChange::kLeft;
        case TRulerMarker::kRight: return TRulerChange::kRight;
        case TRulerMarker::kNone: break;
    }
    return TRulerChange::kNone;
}

void TKyRuler::CancelMove() {
    if (moving_ == TRulerMarker::kNone) return;
    indent_ = startIndent_;
    left_ = startLeft_;
    right_ = startRight_;
    moving_ = TRulerMarker::kNone;
}

std::int32_t TKyRuler::GuideX() const {
    switch (moving_) {
        case TRulerMarker::kIndent: return windowStart_ + IndentPos();
        case TRulerMarker::kLeft:
        case TRulerMarker::kSquare: return windowStart_ + LeftPos();
        case TRulerMarker::kRight: return windowStart_ + RightPos();
        case TRulerMarker::kNone: break;
    }
    return windowStart_;
}

std::string TKyRuler::Hint() const {
    double v = 0;
    switch (moving_) {
        case TRulerMarker::kIndent: v = indent_; break;
        case TRulerMarker::kLeft:
        case TRulerMarker::kSquare: v = left_; break;
        case TRulerMarker::kRight: v = right_; break;
        case TRulerMarker::kNone: return {};
    }
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", v);
    return std::string(b) == "-0" ? "0" : b;
}

}  // namespace richtext
