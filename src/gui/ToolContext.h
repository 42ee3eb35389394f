#pragma once

#include "document/EditSession.h"
#include "model/Geometry.h"

#include <QPoint>
#include <QString>

#include <memory>

namespace korvanix::gui {

class SchemeTool;

// What the sheet is doing with the mouse.
enum class SheetMode { Idle = 0, Placing = 1, Moving = 2, Wiring = 3, Selecting = 4, Panning = 5 };

// The sheet as its mouse tools see it: the document they edit, the view's
// transform and the pointer, confinement and scrolling during a gesture, and
// the few things a tool asks the window to do. Tools reach nothing else of the
// window.
class ToolContext {
public:
    enum class Menu { Element, Sheet };

    virtual ~ToolContext() = default;

    virtual model::Scheme& Scheme() = 0;
    virtual document::ViewState& View() = 0;
    virtual document::EditSession& Session() = 0;

    // Window pixels and sheet units under the current view.
    virtual model::Point ToSheet(QPoint pixel) const = 0;
    virtual QPoint ToPixel(model::Point point) const = 0;

    // The pointer as the tools last saw it, in sheet units.
    virtual model::Point Pointer() const = 0;
    // Takes `pixel` (confined to the gesture's rectangle with `confine`) as
    // the pointer; returns the pixel taken.
    virtual QPoint SetPointer(QPoint pixel, bool confine) = 0;
    // `pixel` kept inside the gesture's rectangle, if there is one.
    virtual QPoint Confined(QPoint pixel) const = 0;
    // Where the mouse cursor is now, in window pixels.
    virtual QPoint CursorPixel() const = 0;

    // A gesture keeps the pointer inside the window less a margin, or (a
    // drag) where the selection stays in view; the border scrolls the view.
    virtual void ConfineToClient() = 0;
    virtual void ConfineDrag(QPoint pixel) = 0;
    virtual void UpdateAutoScroll(QPoint pixel) = 0;
    // Confinement, scrolling and cursor back to normal.
    virtual void EndConfinement() = 0;
    virtual void SetCursor(Qt::CursorShape shape) = 0;
    virtual void UnsetCursor() = 0;

    // Paints again: the feedback only, or the circuit as well.
    virtual void Repaint() = 0;
    virtual void Redraw() = 0;
    // The commands' states follow the selection and the history.
    virtual void RefreshCommands() = 0;
    // The view's centre or scale was changed: brought within the sheet and shown.
    virtual void ViewChanged() = 0;

    // The tool for the next events; the old one lives until the event is done.
    virtual void SetTool(std::unique_ptr<SchemeTool> tool) = 0;
    virtual void CancelPlacing(bool byRightClick) = 0;
    // After an edit: room on the sheet for every element.
    virtual void GrowSheet() = 0;
    // Records an edit step and shows its result.
    virtual void Committed(document::Transaction& step) = 0;

    // The description of the object under the pointer (status bar).
    virtual void ShowCaption(const QString& text) = 0;
    virtual void ShowMenu(Menu menu, QPoint pixel) = 0;
};

} // namespace korvanix::gui
