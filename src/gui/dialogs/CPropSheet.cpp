#include "gui/dialogs/CPropSheet.h"
