#pragma once

#include "model/TwoTerminalElement.h"

#include <memory>

namespace korvanix::model {

// Creates a voltage or current source for 2010/3010 and for the legacy codes
// 2000/2001 (voltage, DC/AC) and 3001/3002 (current, DC/AC); null for other codes.
std::unique_ptr<Element> MakeSource(ElementKind kind, int32_t id);

} // namespace korvanix::model
