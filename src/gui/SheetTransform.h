#pragma once

#include "document/ScmFile.h"
#include "model/Geometry.h"

#include <QPoint>
#include <QSize>

namespace korvanix::gui {

// The sheet seen through a window of a given size: the view's centre sits in
// the middle of the window and `scale` sheet units make 100 pixels. Pure
// arithmetic on the view record, so every rule of the view is in one place.
class SheetTransform {
public:
    static constexpr int kLowerScale = 40;
    static constexpr int kUpperScaleLimit = 500;

    SheetTransform(document::ViewState& view, QSize client) : view_(view), client_(client) {}

    model::Point ToSheet(QPoint pixel) const;
    QPoint ToPixel(model::Point point) const;
    // The sheet units the window shows.
    model::Rect VisibleArea() const;

    // The largest scale at which the sheet still fills the window (at most 500).
    int UpperScale() const;
    // Scale and centre brought within their limits; a sheet narrower than the
    // window keeps its centre in the middle.
    void Clamp();
    // The scale (within its limits) with the sheet point under `pixel` kept there.
    void ZoomAt(QPoint pixel, int scale);
    // The closest scale and the centre at which `box` shows whole, `margin`
    // pixels kept around it.
    void Fit(const model::Rect& box, int margin);

private:
    document::ViewState& view_;
    QSize client_;
};

} // namespace korvanix::gui
