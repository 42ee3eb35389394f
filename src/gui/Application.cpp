#include "gui/Application.h"
