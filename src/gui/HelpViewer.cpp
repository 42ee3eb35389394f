#include "gui/HelpViewer.h"
