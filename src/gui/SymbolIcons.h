#pragma once

#include <QIcon>

namespace korvanix::gui {

// Palette and toolbar icons, painted at the size and density asked for (element
// icons through the sheet's own painter, on whole pixels), so they stay crisp on
// any screen. Null icon for an unknown command.
QIcon CommandIcon(int commandId);

// Icons of the graph window's toolbar (the gcmd ids); null for another id.
QIcon GraphCommandIcon(int commandId);

} // namespace korvanix::gui
