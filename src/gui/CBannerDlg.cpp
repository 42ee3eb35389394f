#include "gui/CBannerDlg.h"
