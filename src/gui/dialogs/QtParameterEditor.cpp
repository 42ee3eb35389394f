#include "gui/dialogs/QtParameterEditor.h"

namespace korvanix::gui {} // namespace korvanix::gui
