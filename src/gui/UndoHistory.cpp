#include "gui/UndoHistory.h"
