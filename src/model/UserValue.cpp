#include "model/UserValue.h"
