#pragma once

// Small builders and checks shared by the sheet, node numbering and record tests.

#include "model/Scheme.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

namespace sheet_test {

using namespace korvanix::model;

inline Element* Place(Scheme& s, ElementKind k, int x, int y) {
    std::unique_ptr<Element> e = ElementFactory(k, s.TakeElementId());
    EXPECT_TRUE(e) << "kind " << k;
    if (!e)
        return nullptr;
    e->x = x;
    e->y = y;
    Element* raw = e.get();
    s.AddElement(std::move(e));
    return raw;
}

// Appends a wire from pin pa of a (end 1) to pin pb of b (end 2); either element
// may be null for a wire with a missing end.
inline Wire* Join(Scheme& s, Element* a, int pa, Element* b, int pb) {
    std::unique_ptr<Wire> w = s.NewWire();
    Attach(a, pa, w.get(), 1);
    Attach(b, pb, w.get(), 2);
    Wire* raw = w.get();
    s.wires.push_back(std::move(w));
    return raw;
}

inline bool Joins(const Wire* w, const Element* a, int pa, const Element* b, int pb) {
    return (w->end1 == a && w->pin1 == pa && w->end2 == b && w->pin2 == pb) ||
           (w->end1 == b && w->pin1 == pb && w->end2 == a && w->pin2 == pa);
}

inline const Wire* WireBetween(const WireList& wires, const Element* a, int pa, const Element* b,
                               int pb) {
    for (const auto& w : wires)
        if (Joins(w.get(), a, pa, b, pb))
            return w.get();
    return nullptr;
}

// Every pin-to-wire reference is answered by the wire and the other way round, and
// no reference leaves the given lists.
inline void ExpectConsistent(const std::vector<Element*>& elements,
                             const std::vector<Wire*>& wires) {
    std::set<const Element*> elementSet;
    for (const auto& e : elements)
        elementSet.insert(e);
    std::set<const Wire*> wireSet;
    for (const auto& w : wires)
        wireSet.insert(w);

    for (const auto& e : elements) {
        for (int i = 1; i <= e->PinCount(); ++i) {
            const Pin& pin = e->pins[static_cast<std::size_t>(i - 1)];
            if (!pin.wire)
                continue;
            ASSERT_TRUE(wireSet.count(pin.wire)) << e->Name() << " pin " << i;
            ASSERT_TRUE(pin.wireEnd == 1 || pin.wireEnd == 2);
            EXPECT_EQ(pin.wire->EndElement(pin.wireEnd), e);
            EXPECT_EQ(pin.wire->EndPin(pin.wireEnd), i);
            EXPECT_EQ(pin.wireId, pin.wire->id);
        }
    }
    for (const auto& w : wires) {
        for (int end = 1; end <= 2; ++end) {
            const Element* e = w->EndElement(end);
            if (!e)
                continue;
            ASSERT_TRUE(elementSet.count(e)) << "wire " << w->id;
            const int pin = w->EndPin(end);
            ASSERT_GE(pin, 1);
            ASSERT_LE(pin, e->PinCount());
            const Pin& p = e->pins[static_cast<std::size_t>(pin - 1)];
            EXPECT_EQ(p.wire, w) << "wire " << w->id << " end " << end;
            EXPECT_EQ(p.wireEnd, end);
            EXPECT_EQ(end == 1 ? w->end1Id : w->end2Id, e->id);
        }
    }
}

inline void ExpectConsistent(const ElementList& elements, const WireList& wires) {
    ExpectConsistent(Pointers(elements), Pointers(wires));
}

inline void ExpectConsistent(const Scheme& s) {
    ExpectConsistent(s.elements, s.wires);
}

} // namespace sheet_test
