#include "gui/CircuitClipboard.h"

namespace korvanix::gui {

void CopySelection(model::Scheme& /*scheme*/, const document::SchemeOptions& /*options*/,
                   bool /*deselect*/, model::Point /*pastePointReset*/) {}

bool ClipboardHasCircuit() {
    return false;
}

model::Rect PasteFromClipboard(model::Scheme& /*scheme*/, int /*x*/, int /*y*/,
                               model::Point /*pastePointReset*/, QWidget* /*parent*/) {
    return {};
}

} // namespace korvanix::gui
