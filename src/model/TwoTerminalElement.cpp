#include "model/TwoTerminalElement.h"

namespace korvanix::model {

TwoTerminalElement::TwoTerminalElement(ElementKind k, int32_t i, int w, int h) : Element(k, i) {
    width = w;
    height = h;
    canRotate = true;
    editable = true;
    showNameTag = true;
    showValueTag = true;
    TwoTerminalElement::InitPins();
}

void TwoTerminalElement::InitPins() {
    pins.assign(2, Pin{});
    pins[0].offsetX = -(width / 2 + 9);
    pins[0].dirX = -100;
    pins[1].offsetX = width / 2 + 9;
    pins[1].dirX = 100;
}

// Across the pin axis: above the body as drawn unrotated.
void TwoTerminalElement::PlaceTags(bool showNames, bool showValues) {
    PlaceTagsBeside(0, -1, showNames, showValues);
}

} // namespace korvanix::model
