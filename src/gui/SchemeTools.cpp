#include "gui/SchemeTools.h"

#include "gui/QtPainter.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace korvanix::gui {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

bool OnAnyPin(const model::Scheme& scheme, model::Point p) {
    return std::any_of(scheme.elements.begin(), scheme.elements.end(),
                       [&](const auto& e) { return e->PinAt(p.x, p.y) != 0; });
}

} // namespace

void SchemeTool::Move(QPoint pixel) {
    const QPoint confined = view_.SetPointer(pixel, true);
    // Pushing past the confinement border counts as resting on it, as a confined
    // cursor would (a held button keeps the events coming; placing follows the
    // pointer out of the window in the scrolling timer).
    view_.UpdateAutoScroll(confined);
    view_.Repaint();
}

void SchemeTool::EndGesture() {
    view_.EndConfinement();
    view_.SetTool(std::make_unique<IdleTool>(view_));
}

// ---------------------------------------------------------------------------

void IdleTool::Press(QPoint pixel, Qt::MouseButton button, bool ctrl) {
    model::Scheme& scheme = view_.Scheme();
    const model::Point p = view_.ToSheet(pixel);
    view_.SetPointer(pixel, false);
    model::Element* element = scheme.ElementAt(p.x, p.y);
    if (button == Qt::RightButton) {
        if (element) {
            scheme.SelectAt(p.x, p.y, false);
            view_.RefreshCommands();
            view_.Redraw();
            return;
        }
        if (OnAnyPin(scheme, p))
            return;
        view_.ConfineToClient();
        view_.SetTool(std::make_unique<RectTool>(view_, p, true));
        view_.Repaint();
        return;
    }
    if (button == Qt::MiddleButton) {
        view_.SetTool(std::make_unique<PanTool>(view_, pixel));
        return;
    }
    if (button != Qt::LeftButton)
        return;
    if (ctrl && element) {
        scheme.SelectAt(p.x, p.y, true);
        view_.RefreshCommands();
        view_.Redraw();
        return;
    }
    if (element) {
        if (!element->selected)
            scheme.SelectAt(p.x, p.y, false);
        view_.ConfineDrag(pixel);
        view_.SetTool(std::make_unique<MoveTool>(view_, p));
        view_.RefreshCommands();
        view_.Redraw();
        return;
    }
    if (OnAnyPin(scheme, p)) {
        view_.ConfineToClient();
        view_.SetTool(std::make_unique<WireTool>(view_, p));
        view_.Redraw();
        return;
    }
    view_.ConfineToClient();
    view_.SetTool(std::make_unique<RectTool>(view_, p, false));
    view_.Repaint();
}

void IdleTool::Move(QPoint pixel) {
    model::Scheme& scheme = view_.Scheme();
    const model::Point p = view_.ToSheet(pixel);
    view_.SetPointer(pixel, false);
    const model::Element* before = scheme.TrackedElement();
    const int beforePin = scheme.TrackedPin();
    scheme.TrackPin(p.x, p.y, false);
    if (scheme.TrackedElement() != before || scheme.TrackedPin() != beforePin)
        view_.Repaint();
    const QString caption = Utf8(scheme.ObjectCaption(p.x, p.y));
    view_.ShowCaption(caption);
}

void IdleTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button != Qt::RightButton)
        return;
    const model::Point p = view_.ToSheet(pixel);
    const model::Element* element = view_.Scheme().ElementAt(p.x, p.y);
    if (element && element->selected)
        view_.ShowMenu(ToolContext::Menu::Element, pixel);
}

// ---------------------------------------------------------------------------

PlaceTool::PlaceTool(ToolContext& view, std::unique_ptr<model::Element> element)
    : SchemeTool(view), element_(std::move(element)) {}

std::unique_ptr<PlaceTool> PlaceTool::Start(ToolContext& view, model::ElementKind kind) {
    auto element = model::ElementFactory(kind, view.Scheme().nextElementId);
    if (!element)
        return nullptr;
    std::unique_ptr<PlaceTool> tool(new PlaceTool(view, std::move(element)));
    view.ConfineToClient();
    view.SetPointer(view.CursorPixel(), true);
    tool->FollowPointer();
    return tool;
}

void PlaceTool::FollowPointer() {
    if (!element_)
        return;
    element_->x = view_.Pointer().x;
    element_->y = view_.Pointer().y;
}

void PlaceTool::Move(QPoint pixel) {
    SchemeTool::Move(pixel);
    FollowPointer();
}

void PlaceTool::ViewMoved() {
    FollowPointer();
}

void PlaceTool::DocumentRestored() {
    if (element_)
        element_->id = view_.Scheme().nextElementId;
}

void PlaceTool::Cancel() {
    view_.CancelPlacing(true);
}

void PlaceTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        view_.CancelPlacing(true);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    view_.SetPointer(pixel, true);
    Place();
}

void PlaceTool::Place() {
    document::Transaction step(view_.Session(), "Поместить элемент");
    model::Scheme& scheme = view_.Scheme();
    const model::ElementKind kind = element_->kind;
    element_->x = model::Snap(view_.Pointer().x);
    element_->y = model::Snap(view_.Pointer().y);
    element_->id = scheme.TakeElementId();
    scheme.AddElement(std::move(element_));
    scheme.RenumberNames();
    element_ = model::ElementFactory(kind, scheme.nextElementId);
    FollowPointer();
    view_.GrowSheet();
    view_.Committed(step);
    if (!element_)
        view_.CancelPlacing(false);
}

void PlaceTool::PaintSheet(QtPainter& sheet, const model::Rect& /*visible*/) const {
    if (!element_)
        return;
    sheet.SetOutlineMode(true);
    element_->Draw(sheet);
    sheet.SetOutlineMode(false);
}

// ---------------------------------------------------------------------------

EditingTool::EditingTool(ToolContext& view, const char* stepName) : SchemeTool(view) {
    step_.emplace(view.Session(), stepName);
    for (const model::Element* e : view.Scheme().selection)
        selected_.push_back(e->id);
}

void EditingTool::Complete() {
    EndGesture();
    if (step_)
        step_->Commit();
    view_.RefreshCommands();
    view_.Redraw();
}

void EditingTool::Cancel() {
    EndGesture();
    // Putting back rebuilds the circuit's objects: the selection is taken again
    // by the ids it had.
    if (step_)
        step_->Rollback();
    step_.reset();
    view_.Scheme().SelectIds(selected_);
    view_.RefreshCommands();
    view_.Redraw();
}

MoveTool::MoveTool(ToolContext& view, model::Point start)
    : EditingTool(view, "Переместить"), start_(start) {
    view.Scheme().BeginDrag();
}

void MoveTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        Finish(pixel);
}

void MoveTool::Finish(QPoint pixel) {
    const model::Point end = view_.ToSheet(view_.Confined(pixel));
    view_.Scheme().FinishMove(end.x - start_.x, end.y - start_.y);
    view_.GrowSheet();
    Complete();
}

void MoveTool::PaintSheet(QtPainter& sheet, const model::Rect& visible) const {
    view_.Scheme().DrawDragOutline(sheet, view_.Pointer().x - start_.x,
                                   view_.Pointer().y - start_.y, visible);
}

// ---------------------------------------------------------------------------

WireTool::WireTool(ToolContext& view, model::Point pin) : EditingTool(view, "Соединить") {
    start_ = view.Scheme().StartWire(pin.x, pin.y);
}

void WireTool::Move(QPoint pixel) {
    SchemeTool::Move(pixel);
    model::Scheme& scheme = view_.Scheme();
    const model::Point at = view_.Pointer();
    const bool onPin = scheme.TrackPin(at.x, at.y, true);
    const bool onWire = scheme.WireAt(at.x, at.y) != nullptr;
    if (onPin || onWire)
        view_.SetCursor(Qt::PointingHandCursor);
    else
        view_.UnsetCursor();
}

void WireTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        Finish(pixel);
}

void WireTool::Finish(QPoint pixel) {
    const model::Point end = view_.ToSheet(view_.Confined(pixel));
    // A wire picked up at its pin and dropped nowhere is gone: commit either way.
    view_.Scheme().FinishWire(end.x, end.y);
    Complete();
}

void WireTool::PaintSheet(QtPainter& sheet, const model::Rect& /*visible*/) const {
    sheet.SetOutlineMode(true);
    sheet.Line(start_, view_.Pointer());
    sheet.SetOutlineMode(false);
}

// ---------------------------------------------------------------------------

void RectTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (!rightButton_) {
        if (button == Qt::LeftButton)
            Finish(pixel);
        return;
    }
    if (button != Qt::RightButton)
        return;
    if (view_.ToSheet(view_.Confined(pixel)) != start_) {
        Finish(pixel);
        return;
    }
    // A click without a drag: the sheet's own menu.
    ToolContext& view = view_;
    EndGesture();
    view.Scheme().ClearSelection();
    view.RefreshCommands();
    view.Redraw();
    view.ShowMenu(ToolContext::Menu::Sheet, pixel);
}

void RectTool::Cancel() {
    EndGesture();
    view_.Repaint();
}

void RectTool::Finish(QPoint pixel) {
    ToolContext& view = view_;
    const model::Point end = view.ToSheet(view.Confined(pixel));
    const model::Point start = start_;
    EndGesture();
    view.Scheme().SelectInRect(start.x, start.y, end.x, end.y);
    view.RefreshCommands();
    view.Redraw();
}

void RectTool::PaintPixels(QPainter& painter) const {
    const QRect focus = QRect(view_.ToPixel(start_), view_.ToPixel(view_.Pointer())).normalized();
    QPen pen(Qt::black);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(focus);
}

// ---------------------------------------------------------------------------

PanTool::PanTool(ToolContext& view, QPoint pixel)
    : SchemeTool(view), start_(pixel), centreX_(view.View().centerX),
      centreY_(view.View().centerY) {
    view.SetCursor(Qt::ClosedHandCursor);
}

void PanTool::Move(QPoint pixel) {
    document::ViewState& v = view_.View();
    const int scale = v.scale;
    v.centerX =
        model::SaturateToInt(int64_t{centreX_} - int64_t{pixel.x() - start_.x()} * scale / 100);
    v.centerY =
        model::SaturateToInt(int64_t{centreY_} - int64_t{pixel.y() - start_.y()} * scale / 100);
    view_.ViewChanged();
}

void PanTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button == Qt::MiddleButton)
        Finish(pixel);
}

void PanTool::Finish(QPoint /*pixel*/) {
    EndGesture();
}

void PanTool::Cancel() {
    EndGesture();
}

} // namespace korvanix::gui
