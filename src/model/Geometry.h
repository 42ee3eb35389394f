#pragma once

#include "model/LogFont.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace korvanix::model {

// Positions come from files too, so sums of coordinates and offsets are formed in
// 64 bits and brought back into the int range by saturation.
inline int SaturateToInt(int64_t v) {
    return static_cast<int>(
        std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Sheet coordinates: integer units, y grows downwards.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(Point a, Point b) { return !(a == b); }
};

struct Size {
    int width = 0;
    int height = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    Rect Normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    // Saturates at the int range: positions read from a file may lie anywhere.
    Rect Inflated(int d) const {
        return {SaturateToInt(int64_t{left} - d), SaturateToInt(int64_t{top} - d),
                SaturateToInt(int64_t{right} + d), SaturateToInt(int64_t{bottom} + d)};
    }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    // Union that treats an empty rectangle as nothing.
    Rect United(const Rect& o) const {
        if (IsEmpty())
            return o;
        if (o.IsEmpty())
            return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    friend bool operator==(const Rect& a, const Rect& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// Grid of the sheet: element positions and inner wire corners are multiples of it.
constexpr int kGridStep = 8;

// The grid line a coordinate snaps to (halfway rounds up, the division truncates
// toward zero), in 64 bits for sums of coordinates that may come from files.
inline int64_t SnapWide(int64_t c) {
    return ((c + kGridStep / 2) / kGridStep) * kGridStep;
}

// The same within the int range: far-off values stop at the last grid lines
// inside it. The one snapping rule of the sheet, whatever adds up to `c`.
inline int Snap(int64_t c) {
    constexpr int64_t kLowest = std::numeric_limits<int32_t>::min(); // on the grid
    constexpr int64_t kHighest = std::numeric_limits<int32_t>::max() / kGridStep * kGridStep;
    return static_cast<int>(std::clamp(SnapWide(c), kLowest, kHighest));
}

// Everything a pick on the sheet finds lies within this many units of the point.
constexpr int kPickTolerance = 6;

// Text extents for tags and labels come from the window layer (fonts live there);
// the batch tool and the tests use a fixed-pitch stand-in.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    // font: 1 names, 2 values, 3 node numbers, 0 a text label's own font.
    virtual Size TextExtent(const std::string& utf8, int font) const = 0;
    // A text label's extent in its own font. Metrics without real fonts measure it
    // as font 0.
    virtual Size LabelExtent(const std::string& utf8, const LogFont& /*font*/) const {
        return TextExtent(utf8, 0);
    }
};

} // namespace korvanix::model
