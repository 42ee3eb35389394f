#include "model/Element.h"
#include "model/Painter.h"

namespace korvanix::model {

void Element::Draw(Painter& /*painter*/) const {}

} // namespace korvanix::model
