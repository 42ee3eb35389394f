#pragma once

#include "document/SettingsRecords.h"
#include "model/Geometry.h"
#include "model/Scheme.h"

class QImage;
class QMimeData;
class QWidget;

namespace korvanix::gui {

// The private clipboard format "KorvanixClipboardFormat1_1" as a MIME type: the
// record stream of the copied elements and wires.
inline constexpr const char* kCircuitMimeType = "application/x-KorvanixClipboardFormat1_1";

// The fragment drawn on white as the sheet shows it (tags, node tags when shown),
// one pixel per sheet unit; null for an empty fragment.
QImage FragmentPicture(const model::ClipboardFragment& fragment,
                       const document::SchemeOptions& options);
// Both clipboard formats of a fragment: the records and the picture. The caller
// owns the result (the clipboard takes it over).
QMimeData* FragmentMimeData(const model::ClipboardFragment& fragment,
                            const document::SchemeOptions& options);

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
