#include "model/NameTag.h"

#include <cstdint>
#include <limits>

namespace korvanix::model {
namespace {} // namespace

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
    return {SaturateToInt(left), SaturateToInt(top), SaturateToInt(left + size.width),
            SaturateToInt(top + size.height)};
}

} // namespace korvanix::model
