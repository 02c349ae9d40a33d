#include "richtext/DragHandles.h"

#include <algorithm>
#include <cstdlib>

namespace richtext {

TFrameRect HandleRect(const TFrameRect& f, int handle) {
    const std::int32_t s = kHandleSize;
    const std::int32_t left = f.left - s, right = f.left + f.width;
    const std::int32_t top = f.top - s, bottom = f.top + f.height;
    const std::int32_t midX = f.left + (f.width - s) / 2, midY = f.top + (f.height - s) / 2;
    switch (handle) {
        case 1: return {left, top, s, s};
        case 2: return {right, top, s, s};
        case 3: return {left, bottom, s, s};
        case 4: return {right, bottom, s, s};
        case 5: return {midX, top, s, s};
        case 6: return {midX, bottom, s, s};
        case 7: return {left, midY, s, s};
        case 8: return {right, midY, s, s};
        default: return {};
    }
}

int HandleAt(const TFrameRect& frame, std::int32_t x, std::int32_t y) {
    for (int h = 1; h <= kHandleCount; ++h) {
        const TFrameRect r = HandleRect(frame, h);
        if (x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height) return h;
    }
    return 0;
}

TFrameRect ResizedFrame(const TFrameRect& s, int handle, std::int32_t dx, std::int32_t dy, bool keepRatio) {
    if (keepRatio && handle >= 1 && handle <= 4) dx = dy = std::min(dx, dy);
    TFrameRect r = s;
    switch (handle) {
        case 1: r = {s.left + dx, s.top + dy, s.width - dx, s.height - dy}; break;
        case 2: r = {s.left, s.top + dy, s.width + dx, s.height - dy}; break;
        case 3: r = {s.left + dx, s.top, s.width - dx, s.height + dy}; break;
        case 4: r = {s.left, s.top, s.width + dx, s.height + dy}; break;
        case 5: r = {s.left, s.top + dy, s.width, s.height - dy}; break;
        case 6: r = {s.left, s.top, s.width, s.height + dy}; break;
        case 7: r = {s.left + dx, s.top, s.width - dx, s.height}; break;
        case 8: r = {s.left, s.top, s.width + dx, s.height}; break;
        default: break;
    }
    // A frame turned inside out keeps one pixel at the edge that stayed put.
    if (r.width < 1) {
        if (r.left != s.left) r.left = s.left + s.width - 1;
        r.width = 1;
    }
    if (r.height < 1) {
        if (r.top != s.top) r.top = s.top + s.height - 1;
        r.height = 1;
    }
    return r;
}

bool ObjectDragStarts(std::int32_t dx, std::int32_t dy) {
    const std::int32_t ax = std::abs(dx), ay = std::abs(dy);
    return std::max(ax, ay) >= 5 && std::min(ax, ay) >= 2;
}

}  // namespace richtext
