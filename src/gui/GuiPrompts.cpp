#include "gui/GuiPrompts.h"
