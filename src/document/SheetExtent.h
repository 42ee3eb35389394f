#pragma once

#include "document/ScmFile.h"
#include "model/Geometry.h"
#include "model/Scheme.h"

namespace korvanix::document {

// The largest width and height of a sheet.
constexpr int kMaxSheet = 30000;

// The union of the bounding boxes of all elements (of the selected ones);
// empty when there are none.
model::Rect ElementsExtent(const model::Scheme& scheme);
model::Rect SelectionExtent(const model::Scheme& scheme);

// Makes room for the elements after an edit: shifts them all off the left and
// top edges and widens the sheet past the right and bottom ones. A sheet that
// would grow beyond kMaxSheet stops there and the elements are brought inside
// it; true then, for the caller to say so.
bool GrowSheet(model::Scheme& scheme, ViewState& view);

// The size a sheet gets when the user asks for `width` x `height`: within
// 1..kMaxSheet, and large enough for every element with a little room
// (`enlarged` then says it had to be).
struct SheetSize {
    int width = 0;
    int height = 0;
    bool enlarged = false;
};
SheetSize FitSheetSize(const model::Scheme& scheme, int width, int height);

} // namespace korvanix::document
