#include "gui/CTextWnd.h"
