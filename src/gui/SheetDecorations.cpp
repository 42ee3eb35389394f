#include "gui/SheetDecorations.h"

#include "model/Element.h"
#include "model/ElementKind.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <algorithm>

namespace korvanix::gui {

namespace {

constexpr double kFreePinRadius = 3;
const QColor kGridColour(190, 190, 190);
const QColor kSheetEdgeColour(160, 160, 160);
// Muted, and of a hue no symbol, wire or tag uses.
const QColor kFreePinColour(225, 140, 60);

} // namespace

void PaintGrid(QPainter& painter, const SheetTransform& transform,
               const document::ViewState& view) {
    const model::Rect visible = transform.VisibleArea();
    const int left = std::max(0, (visible.left / model::kGridStep) * model::kGridStep);
    const int top = std::max(0, (visible.top / model::kGridStep) * model::kGridStep);
    const int right = std::min(view.sheetWidth, visible.right);
    const int bottom = std::min(view.sheetHeight, visible.bottom);
    QPolygon dots;
    for (int y = top; y <= bottom; y += model::kGridStep)
        for (int x = left; x <= right; x += model::kGridStep)
            dots << transform.ToPixel({x, y});
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kGridColour, 1));
    painter.drawPoints(dots);
    // The sheet's edge: elements cannot go beyond it.
    const QRect sheet(transform.ToPixel({0, 0}),
                      transform.ToPixel({view.sheetWidth, view.sheetHeight}));
    painter.setPen(QPen(kSheetEdgeColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    painter.restore();
}

void PaintFreePins(QPainter& painter, const SheetTransform& transform, const model::Scheme& scheme,
                   const QRect& client) {
    // So that an element that merely touches a wire does not look joined to it.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kFreePinColour, 1));
    painter.setBrush(Qt::NoBrush);
    const QRect near = client.adjusted(-4, -4, 4, 4);
    for (const auto& e : scheme.elements) {
        if (e->kind == model::kind::Connector || !e->visible)
            continue;
        for (std::size_t i = 0; i < e->pins.size(); ++i) {
            if (e->pins[i].wire)
                continue;
            const QPoint at = transform.ToPixel(e->PinPosition(static_cast<int>(i) + 1));
            if (near.contains(at))
                painter.drawEllipse(QPointF(at) + QPointF(0.5, 0.5), kFreePinRadius,
                                    kFreePinRadius);
        }
    }
    painter.restore();
}

} // namespace korvanix::gui
