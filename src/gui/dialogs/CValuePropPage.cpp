#include "gui/dialogs/CValuePropPage.h"
