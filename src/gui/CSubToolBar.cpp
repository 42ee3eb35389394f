#include "gui/CSubToolBar.h"
