#include "gui/SymbolIcons.h"

namespace korvanix::gui {

QIcon CommandIcon(int /*commandId*/) {
    return QIcon();
}

} // namespace korvanix::gui
