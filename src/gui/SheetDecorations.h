#pragma once

#include "gui/SheetTransform.h"
#include "model/Scheme.h"

#include <QRect>

class QPainter;

namespace korvanix::gui {

// What the window draws over the circuit and never puts into its pictures.

// The dot grid on the placing raster and the sheet's edge.
void PaintGrid(QPainter& painter, const SheetTransform& transform, const document::ViewState& view);
// A small open circle on every pin no wire reaches (connectors left out:
// their spare pins are no fault), within `client`.
void PaintFreePins(QPainter& painter, const SheetTransform& transform, const model::Scheme& scheme,
                   const QRect& client);

} // namespace korvanix::gui
