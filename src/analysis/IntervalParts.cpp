#include "analysis/IntervalParts.h"
