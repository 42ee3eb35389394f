#include "gui/CMainWnd.h"
