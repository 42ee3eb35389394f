#pragma once

#include <QIcon>

namespace korvanix::gui {

// Palette and toolbar icons drawn by the same code as the sheet's symbols, so they
// stay crisp at any screen density. Null icon for an unknown command.
QIcon CommandIcon(int commandId);

// Icons of the graph window's toolbar (the gcmd ids); null for another id.
QIcon GraphCommandIcon(int commandId);

} // namespace korvanix::gui
