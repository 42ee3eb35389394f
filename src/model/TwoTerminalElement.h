#pragma once

#include "model/Element.h"

namespace korvanix::model {

// Base of R, C, L, unistor and both sources: two pins on the horizontal axis,
// pin 1 at -(width/2 + 9) facing left, pin 2 at width/2 + 9 facing right.
class TwoTerminalElement : public Element {
public:
    TwoTerminalElement(ElementKind kind, int32_t id, int width, int height);

    void InitPins() override;
    void PlaceTags(bool showNames, bool showValues) override;
};

} // namespace korvanix::model
