#include "gui/dialogs/CSourceValuePropPage.h"
