#include "SheetTestSupport.h"

#include "model/Scheme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace korvanix::model;
using namespace sheet_test;

namespace {

std::vector<int> NodesOf(const WireList& wires) {
    std::vector<int> nodes;
    for (const auto& w : wires)
        nodes.push_back(w->numbered ? w->node : -1);
    return nodes;
}

TEST(NumberNodes, GroundThroughAChainOfConnectorsIsNodeZero) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 96, 296);
    Element* c1 = Place(s, kind::Connector, 296, 96);
    Element* c2 = Place(s, kind::Connector, 296, 296);
    Element* c3 = Place(s, kind::Connector, 496, 296);
    Element* g = Place(s, kind::Ground, 696, 296);
    Join(s, r1, 1, r2, 1);
    Join(s, r1, 2, c1, 1);
    Join(s, c1, 4, c2, 2);
    Join(s, c2, 3, c3, 1);
    Join(s, c3, 3, g, 1);
    Join(s, r2, 2, c2, 4); // a second way into the same node
    EXPECT_EQ(NumberNodes(s.wires), 1);
    EXPECT_EQ(NodesOf(s.wires), (std::vector<int>{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r1->PinNode(2), 0);
    EXPECT_EQ(c1->PinNode(3), 0);
}

TEST(NumberNodes, GroundDoesNotLeakThroughOrdinaryElements) {
    Scheme s;
    Element* g = Place(s, kind::Ground, 96, 96);
    Element* r1 = Place(s, kind::Resistor, 296, 96);
    Element* r2 = Place(s, kind::Resistor, 496, 96);
    Join(s, r1, 2, r2, 1);
    Join(s, g, 1, r1, 1);
    EXPECT_EQ(NumberNodes(s.wires), 1);
    EXPECT_EQ(NodesOf(s.wires), (std::vector<int>{1, 0}));
}

class CommonTerminal : public ::testing::TestWithParam<ElementKind> {};

// Pins 2 and 4 are one terminal: wires going to different places still share a
// node, while pins 1 and 3 keep their own.
TEST_P(CommonTerminal, JoinsTheWiresOnPinsTwoAndFour) {
    Scheme s;
    Element* q = Place(s, GetParam(), 296, 296);
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 96, 496);
    Element* r3 = Place(s, kind::Resistor, 496, 96);
    Element* r4 = Place(s, kind::Resistor, 496, 496);
    Join(s, q, 1, r1, 2);
    Join(s, q, 2, r2, 2);
    Join(s, q, 3, r3, 1);
    Join(s, q, 4, r4, 1);
    EXPECT_EQ(NumberNodes(s.wires), 3);
    EXPECT_EQ(NodesOf(s.wires), (std::vector<int>{1, 2, 3, 2}));
    EXPECT_EQ(q->PinNode(2), q->PinNode(4));
}

INSTANTIATE_TEST_SUITE_P(FourPinKinds, CommonTerminal,
                         ::testing::Values(kind::Vccs, kind::Vcvs, kind::Cccs, kind::Ccvs,
                                           kind::Gyrator, kind::Transformer));

TEST(NumberNodes, GroundOnOnePinOfTheCommonTerminalGroundsTheOther) {
    Scheme s;
    Element* q = Place(s, kind::Gyrator, 296, 296);
    Element* g = Place(s, kind::Ground, 96, 496);
    Element* r1 = Place(s, kind::Resistor, 496, 496);
    Element* r2 = Place(s, kind::Resistor, 96, 96);
    Join(s, q, 4, r1, 1);
    Join(s, q, 1, r2, 2);
    Join(s, g, 1, q, 2);
    EXPECT_EQ(NumberNodes(s.wires), 1);
    EXPECT_EQ(NodesOf(s.wires), (std::vector<int>{0, 1, 0}));
}

TEST(NumberNodes, WireWithAMissingEndIsStillNumbered) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Join(s, r1, 1, nullptr, 0);
    Join(s, nullptr, 0, nullptr, 0);
    Join(s, r1, 2, r2, 1);
    // No ground anywhere: numbering starts at 1.
    EXPECT_EQ(NumberNodes(s.wires), 3);
    EXPECT_EQ(NodesOf(s.wires), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(r2->PinNode(2), -1);
    EXPECT_EQ(r2->PinNode(1), 3);
}

TEST(NumberNodes, NumbersFollowTheWireOrder) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Element* r3 = Place(s, kind::Resistor, 496, 96);
    Join(s, r1, 2, r2, 1);
    Join(s, r2, 2, r3, 1);
    EXPECT_EQ(NumberNodes(s.wires), 2);
    EXPECT_EQ(r2->PinNode(1), 1);
    EXPECT_EQ(r2->PinNode(2), 2);

    std::rotate(s.wires.begin(), s.wires.begin() + 1, s.wires.end());
    EXPECT_EQ(NumberNodes(s.wires), 2);
    EXPECT_EQ(r2->PinNode(1), 2);
    EXPECT_EQ(r2->PinNode(2), 1);
}

TEST(NumberNodes, LongConnectorChainsNeedNoDeepRecursion) {
    Scheme s;
    const int n = 20000;
    Element* previous = Place(s, kind::Ground, 0, 0);
    int previousPin = 1;
    for (int i = 0; i < n; ++i) {
        Element* c = Place(s, kind::Connector, 16 * (i + 1), 0);
        Join(s, previous, previousPin, c, 1);
        previous = c;
        previousPin = 3;
    }
    Element* r = Place(s, kind::Resistor, 16 * (n + 4), 0);
    Join(s, previous, previousPin, r, 1);
    EXPECT_EQ(NumberNodes(s.wires), 0);
    EXPECT_EQ(r->PinNode(1), 0);
}

// --- Node tags --------------------------------------------------------------------------

class NodeTags : public ::testing::Test {
protected:
    void SetUp() override {
        r1 = Place(s, kind::Resistor, 96, 96);
        c = Place(s, kind::Connector, 296, 96);
        r2 = Place(s, kind::Resistor, 496, 96);
        r3 = Place(s, kind::Resistor, 96, 296);
        g = Place(s, kind::Ground, 296, 496);
        Join(s, r1, 2, c, 1);
        Join(s, c, 3, r2, 1);
        lone = Join(s, r1, 1, r3, 2);
        Join(s, r3, 1, g, 1);
        count = NumberNodes(s.wires);
    }

    Scheme s;
    Element* r1 = nullptr;
    Element* c = nullptr;
    Element* r2 = nullptr;
    Element* r3 = nullptr;
    Element* g = nullptr;
    Wire* lone = nullptr;
    int count = 0;
};

TEST_F(NodeTags, ConnectorsCarryTheirNodeAboveTheRightPinElseTheWire) {
    ASSERT_EQ(count, 2);
    std::vector<NameTag> tags;
    PlaceNodeTags(count, s.elements, s.wires, tags);
    ASSERT_EQ(tags.size(), 2u); // node 0 gets none
    EXPECT_EQ(tags[0].kind, 3);
    EXPECT_EQ(tags[0].text, "1");
    EXPECT_EQ(tags[0].anchor, (Point{296 + 9, 96 - 5}));
    EXPECT_EQ(tags[1].text, "2");
    EXPECT_EQ(tags[1].anchor, lone->TagPoint());
}

TEST_F(NodeTags, MovedTagStaysWhileItsAnchorDoesNot) {
    std::vector<NameTag> tags;
    PlaceNodeTags(count, s.elements, s.wires, tags);
    const Point moved{tags[1].anchor.x + 10, tags[1].anchor.y + 10};
    tags[1].anchor = moved;
    PlaceNodeTags(count, s.elements, s.wires, tags);
    EXPECT_EQ(tags[1].anchor, moved);
    EXPECT_EQ(tags[0].anchor, (Point{305, 91}));

    r3->y = 400;
    for (const auto& w : s.wires)
        w->Route();
    PlaceNodeTags(count, s.elements, s.wires, tags);
    EXPECT_EQ(tags[1].anchor, lone->TagPoint());
}

TEST_F(NodeTags, ANodeCountBeyondTheWiresIsHarmless) {
    std::vector<NameTag> tags;
    PlaceNodeTags(2000000000, s.elements, s.wires, tags);
    EXPECT_EQ(tags.size(), 2u);
}

TEST_F(NodeTags, SchemeMeasuresTagsOnlyWithTheNodeDisplayOn) {
    s.RenumberNodes();
    EXPECT_TRUE(s.nodeTags.empty());
    s.showNodes = true;
    EXPECT_EQ(s.RenumberNodes(), 2);
    ASSERT_EQ(s.nodeTags.size(), 2u);
    EXPECT_EQ(s.nodeTags[0].size.width, 8);
    EXPECT_EQ(s.nodeTags[0].size.height, 16);
}

} // namespace
