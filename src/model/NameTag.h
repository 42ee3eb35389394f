#pragma once

#include "model/Geometry.h"

#include <string>

namespace korvanix::model {

// A small text beside an element (1 name, 2 value) or on a node (3 node number).
struct NameTag {
    int kind = 1;
    std::string text;
    Point anchor;
    Size size;      // measured with the sheet's text metrics
    int hAlign = 1; // 0 centred on the anchor, 1 starting at it, 2 ending at it
    int vAlign = 3; // 0 centred, 3 top at the anchor, 4 bottom at the anchor
    // Where the tag was generated; the anchor leaves it only when the user moves
    // the tag, and a rebuilt tag with the same origin keeps the moved anchor.
    Point origin;

    // Sheet rectangle covered by the text, from anchor, size and alignment.
    Rect Area() const;
};

} // namespace korvanix::model
