#include "model/Scheme.h"

namespace korvanix::model {} // namespace korvanix::model
