#pragma once

#include "document/SettingsRecords.h"
#include "model/Geometry.h"
#include "model/Scheme.h"

class QWidget;

namespace korvanix::gui {

// The private clipboard format: the record stream of the copied elements and wires.
inline constexpr const char* kCircuitMimeType = "application/x-korvanix-circuit";

// Puts the selected elements and the wires between them on the system clipboard,
// as records and as a picture; nothing happens for an empty selection.
// `pastePointReset` (sheet units) becomes the scheme's next paste point.
void CopySelection(model::Scheme& scheme, const document::SchemeOptions& options, bool deselect,
                   model::Point pastePointReset);

// Whether the clipboard holds a circuit fragment.
bool ClipboardHasCircuit();

// Inserts the clipboard's fragment at (x, y), or at the scheme's paste point when
// (x, y) is (-100, -100); the area it covers, empty when nothing was pasted.
model::Rect PasteFromClipboard(model::Scheme& scheme, int x, int y, model::Point pastePointReset,
                               QWidget* parent);

} // namespace korvanix::gui
