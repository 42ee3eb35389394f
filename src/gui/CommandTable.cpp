#include "gui/CommandTable.h"
