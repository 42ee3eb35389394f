#include "gui/dialogs/CTextDlg.h"
