#include "gui/SchemeTools.h"

#include "gui/QtPainter.h"

#include <QCursor>
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
    const QPoint confined = view_.Confined(pixel);
    view_.lastPixel_ = confined;
    view_.current_ = view_.ToSheet(confined);
    // Pushing past the confinement border counts as resting on it, as a confined
    // cursor would (a held button keeps the events coming; placing follows the
    // pointer out of the window in the scrolling timer).
    view_.UpdateAutoScroll(confined);
    view_.viewport()->update();
}

void SchemeTool::EndGesture() {
    view_.StopAutoScroll();
    view_.confine_ = QRect();
    view_.viewport()->unsetCursor();
    view_.SetTool(std::make_unique<IdleTool>(view_));
}

// ---------------------------------------------------------------------------

void IdleTool::Press(QPoint pixel, Qt::MouseButton button, bool ctrl) {
    model::Scheme& scheme = view_.doc_.scheme;
    const model::Point p = view_.ToSheet(pixel);
    view_.lastPixel_ = pixel;
    view_.current_ = p;
    model::Element* element = scheme.ElementAt(p.x, p.y);
    if (button == Qt::RightButton) {
        if (element) {
            scheme.SelectAt(p.x, p.y, false);
            view_.RefreshCommandStates();
            view_.Redraw();
            return;
        }
        if (OnAnyPin(scheme, p))
            return;
        view_.SetConfinement(CSchemeWnd::kConfineShrink);
        view_.SetTool(std::make_unique<RectTool>(view_, p, true));
        view_.viewport()->update();
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
        view_.RefreshCommandStates();
        view_.Redraw();
        return;
    }
    if (element) {
        if (!element->selected)
            scheme.SelectAt(p.x, p.y, false);
        view_.SetDragConfinement(pixel);
        view_.SetTool(std::make_unique<MoveTool>(view_, p));
        view_.RefreshCommandStates();
        view_.Redraw();
        return;
    }
    if (OnAnyPin(scheme, p)) {
        view_.SetConfinement(CSchemeWnd::kConfineShrink);
        view_.SetTool(std::make_unique<WireTool>(view_, p));
        view_.Redraw();
        return;
    }
    view_.SetConfinement(CSchemeWnd::kConfineShrink);
    view_.SetTool(std::make_unique<RectTool>(view_, p, false));
    view_.viewport()->update();
}

void IdleTool::Move(QPoint pixel) {
    model::Scheme& scheme = view_.doc_.scheme;
    const model::Point p = view_.ToSheet(pixel);
    view_.lastPixel_ = pixel;
    const model::Element* before = scheme.TrackedElement();
    const int beforePin = scheme.TrackedPin();
    scheme.TrackPin(p.x, p.y, false);
    if (scheme.TrackedElement() != before || scheme.TrackedPin() != beforePin)
        view_.viewport()->update();
    const QString caption = Utf8(scheme.ObjectCaption(p.x, p.y));
    if (caption != view_.lastCaption_) {
        view_.lastCaption_ = caption;
        emit view_.hoverCaption(caption);
    }
}

void IdleTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button != Qt::RightButton)
        return;
    const model::Point p = view_.ToSheet(pixel);
    const model::Element* element = view_.doc_.scheme.ElementAt(p.x, p.y);
    if (element && element->selected)
        view_.ShowContextMenu(view_.elementMenu_, pixel);
}

// ---------------------------------------------------------------------------

PlaceTool::PlaceTool(CSchemeWnd& view, std::unique_ptr<model::Element> element)
    : SchemeTool(view), element_(std::move(element)) {}

std::unique_ptr<PlaceTool> PlaceTool::Start(CSchemeWnd& view, model::ElementKind kind) {
    auto element = model::ElementFactory(kind, view.doc_.scheme.nextElementId);
    if (!element)
        return nullptr;
    std::unique_ptr<PlaceTool> tool(new PlaceTool(view, std::move(element)));
    view.SetConfinement(CSchemeWnd::kConfineShrink);
    const QPoint pointer = view.Confined(view.viewport()->mapFromGlobal(QCursor::pos()));
    view.lastPixel_ = pointer;
    view.current_ = view.ToSheet(pointer);
    tool->FollowPointer();
    return tool;
}

void PlaceTool::FollowPointer() {
    if (!element_)
        return;
    element_->x = view_.current_.x;
    element_->y = view_.current_.y;
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
        element_->id = view_.doc_.scheme.nextElementId;
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
    const QPoint confined = view_.Confined(pixel);
    view_.lastPixel_ = confined;
    view_.current_ = view_.ToSheet(confined);
    Place();
}

void PlaceTool::Place() {
    document::Transaction step(view_.session_, "Поместить элемент");
    model::Scheme& scheme = view_.doc_.scheme;
    const model::ElementKind kind = element_->kind;
    element_->x = model::Snap(view_.current_.x);
    element_->y = model::Snap(view_.current_.y);
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

EditingTool::EditingTool(CSchemeWnd& view, const char* stepName) : SchemeTool(view) {
    step_.emplace(view.session_, stepName);
    for (const model::Element* e : view.doc_.scheme.selection)
        selected_.push_back(e->id);
}

void EditingTool::Complete() {
    EndGesture();
    if (step_)
        step_->Commit();
    view_.RefreshCommandStates();
    view_.Redraw();
}

void EditingTool::Cancel() {
    EndGesture();
    // Putting back rebuilds the circuit's objects: the selection is taken again
    // by the ids it had.
    if (step_)
        step_->Rollback();
    step_.reset();
    view_.doc_.scheme.SelectIds(selected_);
    view_.RefreshCommandStates();
    view_.Redraw();
}

MoveTool::MoveTool(CSchemeWnd& view, model::Point start)
    : EditingTool(view, "Переместить"), start_(start) {
    view.doc_.scheme.BeginDrag();
}

void MoveTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        Finish(pixel);
}

void MoveTool::Finish(QPoint pixel) {
    const model::Point end = view_.ToSheet(view_.Confined(pixel));
    view_.doc_.scheme.FinishMove(end.x - start_.x, end.y - start_.y);
    view_.GrowSheet();
    Complete();
}

void MoveTool::PaintSheet(QtPainter& sheet, const model::Rect& visible) const {
    view_.doc_.scheme.DrawDragOutline(sheet, view_.current_.x - start_.x,
                                      view_.current_.y - start_.y, visible);
}

// ---------------------------------------------------------------------------

WireTool::WireTool(CSchemeWnd& view, model::Point pin) : EditingTool(view, "Соединить") {
    start_ = view.doc_.scheme.StartWire(pin.x, pin.y);
}

void WireTool::Move(QPoint pixel) {
    SchemeTool::Move(pixel);
    model::Scheme& scheme = view_.doc_.scheme;
    const model::Point at = view_.current_;
    const bool onPin = scheme.TrackPin(at.x, at.y, true);
    const bool onWire = scheme.WireAt(at.x, at.y) != nullptr;
    if (onPin || onWire)
        view_.viewport()->setCursor(Qt::PointingHandCursor);
    else
        view_.viewport()->unsetCursor();
}

void WireTool::Release(QPoint pixel, Qt::MouseButton button) {
    if (button == Qt::LeftButton)
        Finish(pixel);
}

void WireTool::Finish(QPoint pixel) {
    const model::Point end = view_.ToSheet(view_.Confined(pixel));
    // A wire picked up at its pin and dropped nowhere is gone: commit either way.
    view_.doc_.scheme.FinishWire(end.x, end.y);
    Complete();
}

void WireTool::PaintSheet(QtPainter& sheet, const model::Rect& /*visible*/) const {
    sheet.SetOutlineMode(true);
    sheet.Line(start_, view_.current_);
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
    CSchemeWnd& view = view_;
    EndGesture();
    view.doc_.scheme.ClearSelection();
    view.RefreshCommandStates();
    view.Redraw();
    view.ShowContextMenu(view.sheetMenu_, pixel);
}

void RectTool::Cancel() {
    EndGesture();
    view_.viewport()->update();
}

void RectTool::Finish(QPoint pixel) {
    CSchemeWnd& view = view_;
    const model::Point end = view.ToSheet(view.Confined(pixel));
    const model::Point start = start_;
    EndGesture();
    view.doc_.scheme.SelectInRect(start.x, start.y, end.x, end.y);
    view.RefreshCommandStates();
    view.Redraw();
}

void RectTool::PaintPixels(QPainter& painter) const {
    const QRect focus = QRect(view_.ToPixel(start_), view_.ToPixel(view_.current_)).normalized();
    QPen pen(Qt::black);
    pen.setStyle(Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(focus);
}

// ---------------------------------------------------------------------------

PanTool::PanTool(CSchemeWnd& view, QPoint pixel)
    : SchemeTool(view), start_(pixel), centreX_(view.doc_.view.centerX),
      centreY_(view.doc_.view.centerY) {
    view.viewport()->setCursor(Qt::ClosedHandCursor);
}

void PanTool::Move(QPoint pixel) {
    document::ViewState& v = view_.doc_.view;
    const int scale = v.scale;
    v.centerX =
        model::SaturateToInt(int64_t{centreX_} - int64_t{pixel.x() - start_.x()} * scale / 100);
    v.centerY =
        model::SaturateToInt(int64_t{centreY_} - int64_t{pixel.y() - start_.y()} * scale / 100);
    view_.ClampView();
    view_.ViewScrolled();
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
