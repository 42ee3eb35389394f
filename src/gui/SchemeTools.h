#pragma once

#include "document/EditSession.h"
#include "gui/ToolContext.h"
#include "model/Element.h"
#include "model/Geometry.h"

#include <QPoint>
#include <Qt>

#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace korvanix::gui {

class QtPainter;

// What the sheet does with the mouse: one tool at a time, each answering the
// events of its gesture and drawing its own feedback. The idle tool starts the
// others; a gesture's end hands back to the idle tool. A tool may replace itself
// while it handles an event: the window keeps the old one alive until the event
// is done.
class SchemeTool {
public:
    explicit SchemeTool(ToolContext& view) : view_(view) {}
    virtual ~SchemeTool() = default;
    SchemeTool(const SchemeTool&) = delete;
    SchemeTool& operator=(const SchemeTool&) = delete;

    virtual SheetMode Mode() const = 0;

    virtual void Press(QPoint /*pixel*/, Qt::MouseButton /*button*/, bool /*ctrl*/) {}
    // Follows the pointer (confined to the gesture's rectangle), scrolling at the
    // border.
    virtual void Move(QPoint pixel);
    virtual void Release(QPoint /*pixel*/, Qt::MouseButton /*button*/) {}
    // Ends the gesture as releasing the button there would (the window lost
    // activation, a command came in the middle of a drag).
    virtual void Finish(QPoint /*pixel*/) {}
    // Escape: the gesture ends as a right click would end it, and whatever it
    // changed so far is put back.
    virtual void Cancel() {}
    // The view moved under a resting pointer.
    virtual void ViewMoved() {}
    // The history replaced the document's objects.
    virtual void DocumentRestored() {}

    // Feedback drawn over the sheet in sheet units, then in window pixels.
    virtual void PaintSheet(QtPainter& /*sheet*/, const model::Rect& /*visible*/) const {}
    virtual void PaintPixels(QPainter& /*painter*/) const {}

    // The element that follows the pointer while placing.
    virtual const model::Element* Placing() const { return nullptr; }

protected:
    // A drag is over: confinement, scrolling and cursor go back, idle tool on.
    void EndGesture();

    ToolContext& view_;
};

// No gesture: the pointer is tracked (pin highlight, status caption); a press
// starts moving, wiring or a selection rectangle.
class IdleTool : public SchemeTool {
public:
    using SchemeTool::SchemeTool;
    SheetMode Mode() const override { return SheetMode::Idle; }
    void Press(QPoint pixel, Qt::MouseButton button, bool ctrl) override;
    void Move(QPoint pixel) override;
    void Release(QPoint pixel, Qt::MouseButton button) override;
};

// An element of a kind follows the pointer; a left click places it (and the next
// one of the same kind follows), a right click ends placing.
class PlaceTool : public SchemeTool {
public:
    // Null when the kind makes no element.
    static std::unique_ptr<PlaceTool> Start(ToolContext& view, model::ElementKind kind);
    SheetMode Mode() const override { return SheetMode::Placing; }
    void Move(QPoint pixel) override;
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Cancel() override;
    void ViewMoved() override;
    void DocumentRestored() override;
    void PaintSheet(QtPainter& sheet, const model::Rect& visible) const override;
    const model::Element* Placing() const override { return element_.get(); }

private:
    PlaceTool(ToolContext& view, std::unique_ptr<model::Element> element);
    void FollowPointer();
    void Place();

    std::unique_ptr<model::Element> element_;
};

// A gesture that changes the circuit from its press to its release: one
// transaction spans it, so Escape puts back all it did (a wire picked up, the
// selection's hidden wires) and the release records it as one step.
class EditingTool : public SchemeTool {
public:
    EditingTool(ToolContext& view, const char* stepName);
    void Cancel() override;

protected:
    // Records the gesture's step and hands back to the idle tool.
    void Complete();

private:
    std::optional<document::Transaction> step_;
    std::vector<int32_t> selected_; // ids, to select again after putting back
};

// The selection follows the pointer as outlines; the release moves it. Begins
// the drag in the model.
class MoveTool : public EditingTool {
public:
    MoveTool(ToolContext& view, model::Point start);
    SheetMode Mode() const override { return SheetMode::Moving; }
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Finish(QPoint pixel) override;
    void PaintSheet(QtPainter& sheet, const model::Rect& visible) const override;

private:
    model::Point start_;
};

// A wire from a pin follows the pointer; the release joins it to what lies there.
// Begins the wire in the model (which may pick up a wire at its pin).
class WireTool : public EditingTool {
public:
    WireTool(ToolContext& view, model::Point pin);
    SheetMode Mode() const override { return SheetMode::Wiring; }
    void Move(QPoint pixel) override;
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Finish(QPoint pixel) override;
    void PaintSheet(QtPainter& sheet, const model::Rect& visible) const override;

private:
    model::Point start_;
};

// A rectangle that selects what it encloses, drawn with the left button or the
// right one (a right click without a drag opens the sheet's menu instead).
class RectTool : public SchemeTool {
public:
    RectTool(ToolContext& view, model::Point start, bool rightButton)
        : SchemeTool(view), start_(start), rightButton_(rightButton) {}
    SheetMode Mode() const override { return SheetMode::Selecting; }
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Finish(QPoint pixel) override;
    void Cancel() override;
    void PaintPixels(QPainter& painter) const override;

private:
    model::Point start_;
    bool rightButton_;
};

// The middle button drags the view: the sheet point under the pointer stays
// under it.
class PanTool : public SchemeTool {
public:
    PanTool(ToolContext& view, QPoint pixel);
    SheetMode Mode() const override { return SheetMode::Panning; }
    void Move(QPoint pixel) override;
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Finish(QPoint pixel) override;
    void Cancel() override;

private:
    QPoint start_;
    int centreX_;
    int centreY_;
};

} // namespace korvanix::gui
