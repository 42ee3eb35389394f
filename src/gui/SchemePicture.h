#pragma once

#include "document/SettingsRecords.h"
#include "gui/GraphExport.h"
#include "model/Scheme.h"

#include <QSize>

namespace korvanix::gui {

// The whole circuit as a picture, not the window's view of it: the box of its
// elements, tags and wires with a margin, one sheet unit to a pixel, drawn by
// the sheet's own code as for printing (nothing red, no grid, no marks).
struct SchemePicture {
    QSize size;
    PictureRenderer render; // valid while the scheme lives unchanged
};

// An empty size for a circuit without elements.
SchemePicture SchemePictureOf(const model::Scheme& scheme, const document::SchemeOptions& options);

} // namespace korvanix::gui
