// The selection frame of an embedded object, without any widget: the eight
// sizing handles around it, which handle lies under a point, the rectangle a
// handle drag gives, and when a press on an object turns into a drag of it.
// Coordinates are the box's.
#pragma once

#include <cstdint>

namespace richtext {

struct TFrameRect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TFrameRect&) const = default;
};

// Handles are numbered 1 top-left, 2 top-right, 3 bottom-left, 4
// bottom-right, 5 top middle, 6 bottom middle, 7 left middle, 8 right middle.
constexpr int kHandleCount = 8;
constexpr std::int32_t kHandleSize = 8;

// How the frame's handles behave: shown but inert, or resizing.
enum class THandleMode { kFixed = 1, kResizable = 2 };

// The square of a handle (1..8), lying just outside the frame's edges.
TFrameRect HandleRect(const TFrameRect& frame, int handle);
// The handle under a point, 0 when none.
int HandleAt(const TFrameRect& frame, std::int32_t x, std::int32_t y);
// The frame after dragging a handle by (dx, dy) from `start`. With
// `keepRatio` (Shift) on a corner both deltas become the smaller of the two.
// Width and height never fall below 1: a handle dragged past the opposite
// edge leaves a one-pixel frame there instead of a negative one.
TFrameRect ResizedFrame(const TFrameRect& start, int handle, std::int32_t dx, std::int32_t dy, bool keepRatio);
// A press on an object that was not selected becomes a drag of it once the
// pointer moved at least 5 pixels along one axis and at least 2 along the other.
bool ObjectDragStarts(std::int32_t dx, std::int32_t dy);

}  // namespace richtext
