#include "netlist/NetlistText.h"

#include "model/Element.h"
#include "model/Scheme.h"
#include "model/Wire.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvanix;
using namespace korvanix::model;

namespace {

const std::string kHeader = std::string(75, '*') +
                            "\r\n* Список элементов\r\n* Создан в KORVANIX 1.1\r\n" +
                            std::string(75, '*');

Element* Add(Scheme& s, ElementKind k) {
    return s.PlaceNew(k);
}

void Connect(Scheme& s, Element* a, int pinA, Element* b, int pinB) {
    s.Join(a, pinA, b, pinB);
}

TEST(NetlistText, EmptySheetIsTheHeaderAlone) {
    Scheme s;
    EXPECT_EQ(netlist::BuildNetlistText(s), kHeader);
}

TEST(NetlistText, GroundsConnectorsAndTextsWriteNoLines) {
    Scheme s;
    Element* g = Add(s, kind::Ground);
    Element* c = Add(s, kind::Connector);
    Add(s, kind::Text);
    Connect(s, g, 1, c, 1);
    EXPECT_EQ(netlist::BuildNetlistText(s), kHeader);
}

TEST(NetlistText, LinesFollowTheElementListWithNodesAndNames) {
    Scheme s;
    Element* r = Add(s, kind::Resistor);
    r->SetParam(0, 4700);
    Element* g = Add(s, kind::Ground);
    Element* u = Add(s, kind::VoltageSource);
    Connect(s, r, 2, g, 1);
    Connect(s, u, 2, r, 1);
    // The source's first pin is free: node -1.
    EXPECT_EQ(netlist::BuildNetlistText(s), kHeader + "\r\nR1 1 0 4.7k\r\nU1 -1 1 DC 0");

    // A resistor put before the first one takes the name R1.
    auto first = ElementFactory(kind::Resistor, s.TakeElementId());
    first->SetParam(0, 1e-3);
    s.elements.insert(s.elements.begin(), std::move(first));
    EXPECT_EQ(netlist::BuildNetlistText(s),
              kHeader + "\r\nR1 -1 -1 1m\r\nR2 1 0 4.7k\r\nU1 -1 1 DC 0");
}

} // namespace
