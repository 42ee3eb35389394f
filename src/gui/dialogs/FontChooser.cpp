#include "gui/dialogs/FontChooser.h"
