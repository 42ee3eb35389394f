#include "gui/CAboutDlg.h"
