#include "model/Painter.h"
#include "model/Scheme.h"

namespace korvanix::model {
namespace {

void DrawTag(Painter& painter, const NameTag& tag) {
    if (tag.text.empty())
        return;
    const Rect area = tag.Area();
    painter.Text(tag.text, {area.left, area.top}, tag.kind, painter.SchemeColour(tag.kind));
}

// An empty rectangle stands for the whole sheet.
bool InArea(const Rect& area, Point p) {
    return area.IsEmpty() || area.Contains(p);
}

} // namespace

void Scheme::Draw(Painter& painter, bool printing, const Rect& area) const {
    const Rect shown = area.IsEmpty() ? area : area.Inflated(100);
    for (const auto& e : elements) {
        // A dragged element is shown by its outline only.
        if (!e->visible || !InArea(shown, {e->x, e->y}))
            continue;
        DrawElementSymbol(*e, painter, e->selected && !printing);
        if (showNames && e->showNameTag)
            DrawTag(painter, e->nameTag);
        if (showValues && e->showValueTag)
            DrawTag(painter, e->valueTag);
    }

    painter.SetPen(kWireColour, 0);
    painter.NoBrush();
    for (const auto& w : wires) {
        if (!w->visible || w->shape.count < 2)
            continue;
        painter.Polyline(std::vector<Point>(w->shape.points, w->shape.points + w->shape.count));
    }

    if (!showNodes)
        return;
    for (const NameTag& tag : nodeTags) {
        // A dragged element's node numbers go with its outline.
        if (MovesWithDrag(tag))
            continue;
        const uint32_t colour = painter.SchemeColour(3);
        painter.SetPen(colour, 0);
        painter.NoBrush();
        painter.Rectangle(tag.Area().Inflated(1));
        DrawTag(painter, tag);
    }
}

void Scheme::DrawDragOutline(Painter& painter, int dx, int dy, const Rect& visible) const {
    const Rect shown = visible.IsEmpty() ? visible : visible.Inflated(100);
    painter.SetOutlineMode(true);
    for (const Element* e : selection) {
        const Point moved{SaturateToInt(int64_t{e->x} + dx), SaturateToInt(int64_t{e->y} + dy)};
        if (!InArea(shown, moved))
            continue;
        if (IsTextKind(e->kind)) {
            // The text itself would smear when drawn inverted; its box follows instead.
            const Size size = e->RotatedSize();
            const Rect box{moved.x - size.width / 2, moved.y - size.height / 2,
                           moved.x - size.width / 2 + size.width,
                           moved.y - size.height / 2 + size.height};
            painter.SetPen(kSymbolColour, 0);
            painter.NoBrush();
            painter.Rectangle(box);
            continue;
        }
        DrawElementSymbol(*e, painter, false, dx, dy);
    }
    if (showNodes)
        for (const NameTag& tag : nodeTags) {
            if (!MovesWithDrag(tag))
                continue;
            NameTag moved = tag;
            moved.anchor = {SaturateToInt(int64_t{tag.anchor.x} + dx),
                            SaturateToInt(int64_t{tag.anchor.y} + dy)};
            painter.SetPen(painter.SchemeColour(3), 0);
            painter.NoBrush();
            painter.Rectangle(moved.Area().Inflated(1));
            DrawTag(painter, moved);
        }
    painter.SetOutlineMode(false);
}

bool Scheme::MovesWithDrag(const NameTag& tag) const {
    // While a drag is on, the wires of the dragged elements are hidden: a number
    // placed on one of them, or on a dragged connector, belongs to the drag.
    for (const auto& w : wires)
        if (!w->visible && w->shape.count >= 2 && w->TagPoint() == tag.origin)
            return true;
    for (const Element* e : selection)
        if (!e->visible && e->kind == kind::Connector) {
            const Point p = e->PinPosition(3);
            if (Point{p.x, p.y - 5} == tag.origin)
                return true;
        }
    return false;
}

void Scheme::DrawPinMark(Painter& painter) const {
    if (trackedElement_ == nullptr || trackedPin_ < 1 || trackedPin_ > trackedElement_->PinCount())
        return;
    const Point p = trackedElement_->PinPosition(trackedPin_);
    painter.SetOutlineMode(true);
    painter.SetPen(kSymbolColour, 0);
    painter.NoBrush();
    painter.Ellipse(Rect{p.x, p.y, p.x, p.y}.Inflated(6));
    painter.SetOutlineMode(false);
}

} // namespace korvanix::model
