#include "model/Painter.h"
#include "model/Scheme.h"

namespace korvanix::model {

void Scheme::Draw(Painter& /*painter*/, bool /*printing*/, const Rect& /*area*/) const {}

void Scheme::DrawDragOutline(Painter& /*painter*/, int /*dx*/, int /*dy*/,
                             const Rect& /*visible*/) const {}

void Scheme::DrawPinMark(Painter& /*painter*/) const {}

} // namespace korvanix::model
