#pragma once

#include "model/Archive.h"
#include "model/Geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace korvanix::model {

class Element;

// Routed orthogonal polyline from one pin's connection point to the other's.
struct WireShape {
    Point points[6];
    int count = 0;
    bool reversed = false; // the points run from end 2 to end 1
};

// Joins exactly two pins and carries the node number after numbering.
class Wire {
public:
    explicit Wire(int32_t wireId) : id(wireId) {}

    // Recomputes the shape from the two pins (no shape while an end is missing).
    void Route();
    // The far end's element and pin seen from `e` (for a wire with both ends on `e`,
    // the other end by index). Null when missing.
    Element* FarElement(const Element* e, int pinOfE) const;
    int FarPin(const Element* e, int pinOfE) const;
    Element* EndElement(int end) const { return end == 1 ? end1 : end2; }
    int EndPin(int end) const { return end == 1 ? pin1 : pin2; }
    // Forgets end 1 or 2 on the wire's side only (the element is not touched).
    void ForgetEnd(int end);
    // Point where a node-number tag of this wire is anchored.
    Point TagPoint() const;
    // Bounding rectangle of the shape, grown by a few units for repainting.
    Rect Area() const;

    void Save(ArchiveWriter& ar) const;
    void Load(ArchiveReader& ar);

    int32_t id;
    Element* end1 = nullptr;
    Element* end2 = nullptr;
    int32_t pin1 = 0;
    int32_t pin2 = 0;
    bool visible = true;
    int32_t end1Id = 0;
    int32_t end2Id = 0;
    bool numbered = false;
    bool visited = false;
    int32_t node = 0;
    WireShape shape;
};

using WireList = std::vector<std::unique_ptr<Wire>>;

// Connects pin `pin` of `e` with end `end` (1 or 2) of `w`, on both sides, then
// re-routes the wire. Either side may be null (detaching the other).
void Attach(Element* e, int pin, Wire* w, int end);
// Detaches both ends of a wire from their elements (the wire keeps no ends).
void DetachWire(Wire* w);

// Pure routing between two connection points with their leaving directions
// (each a unit-free vector with one non-zero component). Used by Wire::Route.
WireShape RouteBetween(Point a, Point dirA, Point b, Point dirB);

} // namespace korvanix::model
