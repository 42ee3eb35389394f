#pragma once

#include "gui/CSchemeWnd.h"
#include "model/Element.h"
#include "model/Geometry.h"

#include <QPoint>

#include <memory>

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
    explicit SchemeTool(CSchemeWnd& view) : view_(view) {}
    virtual ~SchemeTool() = default;
    SchemeTool(const SchemeTool&) = delete;
    SchemeTool& operator=(const SchemeTool&) = delete;

    virtual CSchemeWnd::Mode Mode() const = 0;

    virtual void Press(QPoint /*pixel*/, Qt::MouseButton /*button*/, bool /*ctrl*/) {}
    // Follows the pointer (confined to the gesture's rectangle), scrolling at the
    // border.
    virtual void Move(QPoint pixel);
    virtual void Release(QPoint /*pixel*/, Qt::MouseButton /*button*/) {}
    // Ends the gesture as releasing the button there would (the window lost
    // activation, a command came in the middle of a drag).
    virtual void Finish(QPoint /*pixel*/) {}
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

    CSchemeWnd& view_;
};

// No gesture: the pointer is tracked (pin highlight, status caption); a press
// starts moving, wiring or a selection rectangle.
class IdleTool : public SchemeTool {
public:
    using SchemeTool::SchemeTool;
    CSchemeWnd::Mode Mode() const override { return CSchemeWnd::Mode::Idle; }
    void Press(QPoint pixel, Qt::MouseButton button, bool ctrl) override;
    void Move(QPoint pixel) override;
    void Release(QPoint pixel, Qt::MouseButton button) override;
};

// An element of a kind follows the pointer; a left click places it (and the next
// one of the same kind follows), a right click ends placing.
class PlaceTool : public SchemeTool {
public:
    // Null when the kind makes no element.
    static std::unique_ptr<PlaceTool> Start(CSchemeWnd& view, model::ElementKind kind);
    CSchemeWnd::Mode Mode() const override { return CSchemeWnd::Mode::Placing; }
    void Move(QPoint pixel) override;
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void ViewMoved() override;
    void DocumentRestored() override;
    void PaintSheet(QtPainter& sheet, const model::Rect& visible) const override;
    const model::Element* Placing() const override { return element_.get(); }

private:
    PlaceTool(CSchemeWnd& view, std::unique_ptr<model::Element> element);
    void FollowPointer();
    void Place();

    std::unique_ptr<model::Element> element_;
};

// The selection follows the pointer as outlines; the release moves it.
class MoveTool : public SchemeTool {
public:
    MoveTool(CSchemeWnd& view, model::Point start) : SchemeTool(view), start_(start) {}
    CSchemeWnd::Mode Mode() const override { return CSchemeWnd::Mode::Moving; }
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Finish(QPoint pixel) override;
    void PaintSheet(QtPainter& sheet, const model::Rect& visible) const override;

private:
    model::Point start_;
};

// A wire from a pin follows the pointer; the release joins it to what lies there.
class WireTool : public SchemeTool {
public:
    WireTool(CSchemeWnd& view, model::Point start) : SchemeTool(view), start_(start) {}
    CSchemeWnd::Mode Mode() const override { return CSchemeWnd::Mode::Wiring; }
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
    RectTool(CSchemeWnd& view, model::Point start, bool rightButton)
        : SchemeTool(view), start_(start), rightButton_(rightButton) {}
    CSchemeWnd::Mode Mode() const override { return CSchemeWnd::Mode::Selecting; }
    void Release(QPoint pixel, Qt::MouseButton button) override;
    void Finish(QPoint pixel) override;
    void PaintPixels(QPainter& painter) const override;

private:
    model::Point start_;
    bool rightButton_;
};

} // namespace korvanix::gui
