#include "model/NameTag.h"

#include <cstdint>
#include <limits>

namespace korvanix::model {
namespace {

// Anchors follow element positions, which come from files: keep the sums in range.
int Saturate(int64_t v) {
    if (v > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

} // namespace

Rect NameTag::Area() const {
    int64_t left = anchor.x;
    if (hAlign == 0)
        left -= size.width / 2;
    else if (hAlign == 2)
        left -= size.width;
    int64_t top = anchor.y;
    if (vAlign == 0)
        top -= size.height / 2;
    else if (vAlign == 4)
        top -= size.height;
    return {Saturate(left), Saturate(top), Saturate(left + size.width),
            Saturate(top + size.height)};
}

} // namespace korvanix::model
