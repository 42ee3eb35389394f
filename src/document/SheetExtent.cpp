#include "document/SheetExtent.h"

#include "model/Element.h"
#include "model/Wire.h"

#include <algorithm>
#include <cstdint>

namespace korvanix::document {

namespace {

constexpr int kSheetMargin = 20; // elements closer to an edge make the sheet grow
constexpr int kGrowthRoom = 50;  // room made beyond the elements
constexpr int kShrinkRoom = 10;  // a sheet set too small keeps this much beyond them

// Brings every element's position inside a sheet of the given size.
void ClipToSheet(model::Scheme& scheme, int width, int height) {
    const int maxX = (width / 8) * 8;
    const int maxY = (height / 8) * 8;
    for (const auto& e : scheme.elements) {
        const int x = std::clamp(e->x, 0, maxX);
        const int y = std::clamp(e->y, 0, maxY);
        if (x == e->x && y == e->y)
            continue;
        e->x = x;
        e->y = y;
        scheme.UpdateTags(e.get());
    }
    for (const auto& w : scheme.wires)
        w->Route();
    scheme.RebuildNodeTags();
}

} // namespace

model::Rect ElementsExtent(const model::Scheme& scheme) {
    model::Rect box;
    for (const auto& e : scheme.elements)
        box = box.United(e->Bounds().Normalized());
    return box;
}

model::Rect SelectionExtent(const model::Scheme& scheme) {
    model::Rect box;
    for (const model::Element* e : scheme.selection)
        box = box.United(e->Bounds().Normalized());
    return box;
}

bool GrowSheet(model::Scheme& scheme, ViewState& view) {
    model::Rect box = ElementsExtent(scheme);
    if (box.IsEmpty())
        return false;
    int dx = 0;
    int dy = 0;
    if (box.left < kSheetMargin)
        dx = kGrowthRoom - box.left;
    if (box.top < kSheetMargin)
        dy = kGrowthRoom - box.top;
    const bool moved = dx != 0 || dy != 0;
    if (moved) {
        scheme.MoveAll(dx, dy);
        box = ElementsExtent(scheme);
    }
    if (box.right > view.sheetWidth - kSheetMargin) {
        view.sheetWidth = model::SaturateToInt(int64_t{box.right} + kGrowthRoom);
        if (!moved)
            view.centerX = view.sheetWidth;
    }
    if (box.bottom > view.sheetHeight - kSheetMargin) {
        view.sheetHeight = model::SaturateToInt(int64_t{box.bottom} + kGrowthRoom);
        if (!moved)
            view.centerY = view.sheetHeight;
    }
    if (view.sheetWidth <= kMaxSheet && view.sheetHeight <= kMaxSheet)
        return false;
    view.sheetWidth = std::min(view.sheetWidth, kMaxSheet);
    view.sheetHeight = std::min(view.sheetHeight, kMaxSheet);
    view.centerX = std::min(view.centerX, view.sheetWidth);
    view.centerY = std::min(view.centerY, view.sheetHeight);
    ClipToSheet(scheme, view.sheetWidth, view.sheetHeight);
    return true;
}

SheetSize FitSheetSize(const model::Scheme& scheme, int width, int height) {
    SheetSize size{std::clamp(width, 1, kMaxSheet), std::clamp(height, 1, kMaxSheet), false};
    const model::Rect box = ElementsExtent(scheme);
    if (box.IsEmpty() || (size.width >= box.right && size.height >= box.bottom))
        return size;
    size.enlarged = true;
    if (size.width < box.right)
        size.width = std::min(box.right + kShrinkRoom, kMaxSheet);
    if (size.height < box.bottom)
        size.height = std::min(box.bottom + kShrinkRoom, kMaxSheet);
    return size;
}

} // namespace korvanix::document
