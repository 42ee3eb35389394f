#include "gui/CircuitClipboard.h"
