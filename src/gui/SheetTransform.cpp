#include "gui/SheetTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvanix::gui {

model::Point SheetTransform::ToSheet(QPoint pixel) const {
    const int scale = view_.scale;
    const auto x = std::lround(double(pixel.x() - client_.width() / 2) * scale / 100.0);
    const auto y = std::lround(double(pixel.y() - client_.height() / 2) * scale / 100.0);
    return {model::SaturateToInt(int64_t{view_.centerX} + x),
            model::SaturateToInt(int64_t{view_.centerY} + y)};
}

QPoint SheetTransform::ToPixel(model::Point point) const {
    const int scale = std::max(1, view_.scale);
    const auto x = std::lround(double(int64_t{point.x} - view_.centerX) * 100.0 / scale);
    const auto y = std::lround(double(int64_t{point.y} - view_.centerY) * 100.0 / scale);
    return {client_.width() / 2 + static_cast<int>(x), client_.height() / 2 + static_cast<int>(y)};
}

model::Rect SheetTransform::VisibleArea() const {
    const model::Point topLeft = ToSheet(QPoint(0, 0));
    const model::Point bottomRight = ToSheet(QPoint(client_.width(), client_.height()));
    return model::Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

int SheetTransform::UpperScale() const {
    const int w = std::max(1, client_.width());
    const int h = std::max(1, client_.height());
    const int64_t fitX = int64_t{view_.sheetWidth} * 100 / w + 1;
    const int64_t fitY = int64_t{view_.sheetHeight} * 100 / h + 1;
    return static_cast<int>(std::min<int64_t>({fitX, fitY, kUpperScaleLimit}));
}

void SheetTransform::Clamp() {
    const int w = std::max(1, client_.width());
    const int h = std::max(1, client_.height());
    view_.scale = std::max(kLowerScale, std::min(view_.scale, UpperScale()));
    const int64_t halfX = int64_t{w} * view_.scale / 200;
    const int64_t halfY = int64_t{h} * view_.scale / 200;
    view_.centerX = static_cast<int>(
        std::max(halfX, std::min<int64_t>(view_.centerX, view_.sheetWidth - halfX)));
    view_.centerY = static_cast<int>(
        std::max(halfY, std::min<int64_t>(view_.centerY, view_.sheetHeight - halfY)));
}

void SheetTransform::ZoomAt(QPoint pixel, int scale) {
    const model::Point fixed = ToSheet(pixel);
    view_.scale = std::clamp(scale, kLowerScale, std::max(kLowerScale, UpperScale()));
    view_.centerX = model::SaturateToInt(
        fixed.x - std::llround(double(pixel.x() - client_.width() / 2) * view_.scale / 100.0));
    view_.centerY = model::SaturateToInt(
        fixed.y - std::llround(double(pixel.y() - client_.height() / 2) * view_.scale / 100.0));
}

void SheetTransform::Fit(const model::Rect& box, int margin) {
    const int w = std::max(1, client_.width() - 2 * margin);
    const int h = std::max(1, client_.height() - 2 * margin);
    // The smallest scale (the closest view) at which the box fits both ways.
    const int64_t fitX = (int64_t{box.Width()} * 100 + w - 1) / w;
    const int64_t fitY = (int64_t{box.Height()} * 100 + h - 1) / h;
    view_.scale = static_cast<int>(std::clamp<int64_t>(std::max(fitX, fitY), kLowerScale,
                                                       std::max(kLowerScale, UpperScale())));
    view_.centerX = box.left + box.Width() / 2;
    view_.centerY = box.top + box.Height() / 2;
}

} // namespace korvanix::gui
