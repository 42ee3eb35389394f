#include "netlist/SubcircuitBuilder.h"

#include "../model/SheetTestSupport.h"

#include "model/Scheme.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using korvanix::netlist::SubcircuitBuilder;
using namespace korvanix::model;
using sheet_test::ExpectConsistent;

namespace {

std::vector<ElementKind> KindsOf(const ElementList& elements) {
    std::vector<ElementKind> kinds;
    for (const auto& e : elements)
        kinds.push_back(e->kind);
    return kinds;
}

// The element on the other end of the wire on pin `pin` of `e`, with its pin.
std::pair<const Element*, int> FarEnd(const Element* e, int pin) {
    const Wire* w = e->pins[static_cast<std::size_t>(pin - 1)].wire;
    if (!w)
        return {nullptr, 0};
    return {w->FarElement(e, pin), w->FarPin(e, pin)};
}

TEST(SubcircuitBuilder, SkipsCommentsAndBlankLinesAndReadsBlankSeparatedFields) {
    SubcircuitBuilder b;
    ASSERT_TRUE(
        b.Parse("* a comment|   |  R \t 1   2\t\t4.7k  |\t* indented comment|S 2 1 -1e-05|"))
        << b.ErrorMessage();
    EXPECT_EQ(b.ErrorCode(), 0);
    EXPECT_EQ(b.ErrorMessage(), "Подсхема: без ошибок");

    const ElementList& el = b.Elements();
    // Two line elements, connectors of nodes 1 and 2.
    ASSERT_EQ(KindsOf(el), (std::vector<ElementKind>{kind::Resistor, kind::Unistor, kind::Connector,
                                                     kind::Connector}));
    EXPECT_DOUBLE_EQ(el[0]->GetParam(0), 4700);
    EXPECT_EQ(el[0]->pins[0].node, 1);
    EXPECT_EQ(el[0]->pins[1].node, 2);
    EXPECT_DOUBLE_EQ(el[1]->GetParam(0), -1e-5);
    EXPECT_EQ(el[1]->pins[0].node, 2);
    EXPECT_EQ(el[1]->pins[1].node, 1);
    EXPECT_EQ(b.Nodes(), (std::vector<int>{1, 2}));
    // The builder's own ids from 1, in creation order.
    for (std::size_t i = 0; i < el.size(); ++i)
        EXPECT_EQ(el[i]->id, static_cast<int32_t>(i + 1));
}

TEST(SubcircuitBuilder, TextEndsAtTheFirstEmptyLineAndZeroCharactersEndLines) {
    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse("R 1 2 5||X this is never read|"));
    EXPECT_EQ(b.Elements().front()->kind, kind::Resistor);
    EXPECT_EQ(b.Nodes().size(), 2u);

    const std::string terminated("R 1 2 5\0S 2 3 1\0\0R x", 20);
    ASSERT_TRUE(b.Parse(terminated)) << b.ErrorMessage();
    EXPECT_EQ(b.Nodes(), (std::vector<int>{1, 2, 3}));

    // A last line without a separator is read as well.
    ASSERT_TRUE(b.Parse("R 1 2 5|S 2 3 1"));
    EXPECT_EQ(b.Nodes(), (std::vector<int>{1, 2, 3}));

    ASSERT_TRUE(b.Parse(""));
    EXPECT_TRUE(b.Elements().empty());
    EXPECT_TRUE(b.Wires().empty());
}

struct BadText {
    const char* text;
    int code;
    int line;
    const char* message;
};

void PrintTo(const BadText& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class SubcircuitBuilderErrors : public ::testing::TestWithParam<BadText> {};

TEST_P(SubcircuitBuilderErrors, StopWithCodeLineAndMessage) {
    const BadText& c = GetParam();
    SubcircuitBuilder b;
    EXPECT_FALSE(b.Parse(std::string(c.text)));
    EXPECT_EQ(b.ErrorCode(), c.code);
    EXPECT_EQ(b.ErrorLine(), c.line);
    EXPECT_EQ(b.ErrorMessage(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SubcircuitBuilderErrors,
    ::testing::Values(BadText{"R 1 2 5|Q 1 2 3|", 200, 2,
                              "Подсхема: неизвестный тип объекта в строке 2"},
                      // The prefix must be followed by a digit or a separator.
                      BadText{"Rx 1 2 5|", 200, 1, "Подсхема: неизвестный тип объекта в строке 1"},
                      BadText{"S|", 200, 1, "Подсхема: неизвестный тип объекта в строке 1"},
                      // Comments and blank lines count.
                      BadText{"* c|  |R 1 2 abc|", 100, 3, "Подсхема: ошибка в строке 3"},
                      BadText{"R 1 2 5|S 1 2|", 100, 2, "Подсхема: ошибка в строке 2"},
                      BadText{"G 1 2 x 1|", 100, 1, "Подсхема: ошибка в строке 1"},
                      BadText{"S 1 2 inf|", 100, 1, "Подсхема: ошибка в строке 1"},
                      // The first bad line stops the parse.
                      BadText{"R 1 2 q|Q|", 100, 1, "Подсхема: ошибка в строке 1"}));

TEST(SubcircuitBuilder, NoTextIsABadArgument) {
    SubcircuitBuilder b;
    EXPECT_FALSE(b.Parse(std::nullopt));
    EXPECT_EQ(b.ErrorCode(), 110);
    EXPECT_EQ(b.ErrorMessage(), "Подсхема: неверный параметр при вызове функции");
}

TEST(SubcircuitBuilder, MessageForEveryCode) {
    const std::pair<int, const char*> table[] = {
        {0, "Подсхема: без ошибок"},
        {100, "Подсхема: ошибка в строке 7"},
        {110, "Подсхема: неверный параметр при вызове функции"},
        {200, "Подсхема: неизвестный тип объекта в строке 7"},
        {300, "Подсхема: ошибка открытия файла"},
        {4100, "Подсхема: неизвестная ошибка"},
        {-1, "Подсхема: неизвестная ошибка"},
    };
    for (const auto& [code, text] : table)
        EXPECT_EQ(SubcircuitBuilder::MessageFor(code, 7), text) << code;
}

// Lines are cut at 250 characters, not bytes: the Cyrillic name takes two bytes a
// letter, so a byte count would cut off the value of the first line.
TEST(SubcircuitBuilder, LongLinesAreCutAtTwoHundredFiftyCharacters) {
    const std::string head = "ИТУН 1 2 3"; // 10 characters
    const std::string fits = head + std::string(239, ' ') + "7";
    const std::string tooLong = head + std::string(240, ' ') + "7";
    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse(fits)) << b.ErrorMessage();
    EXPECT_DOUBLE_EQ(b.Elements().front()->GetParam(0), 7);
    EXPECT_FALSE(b.Parse(tooLong));
    EXPECT_EQ(b.ErrorCode(), 100);
    // Leading white space is trimmed before the cut.
    EXPECT_TRUE(b.Parse(std::string(40, ' ') + fits)) << b.ErrorMessage();
}

TEST(SubcircuitBuilder, EveryPinIsWiredToItsNodeConnectorInNodeOrder) {
    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse("R 2 1 10|R 1 2 20|"));
    const ElementList& el = b.Elements();
    const Element* r1 = el[0].get();
    const Element* r2 = el[1].get();
    const Element* n1 = b.ConnectorOf(1);
    const Element* n2 = b.ConnectorOf(2);
    ASSERT_TRUE(n1 && n2);
    EXPECT_EQ(n1, el[2].get());
    EXPECT_EQ(n2, el[3].get());
    // Node 1 first: R1 pin 2, R2 pin 1; then node 2: R1 pin 1, R2 pin 2.
    const WireList& w = b.Wires();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_TRUE(sheet_test::Joins(w[0].get(), r1, 2, n1, 1));
    EXPECT_TRUE(sheet_test::Joins(w[1].get(), r2, 1, n1, 2));
    EXPECT_TRUE(sheet_test::Joins(w[2].get(), r1, 1, n2, 1));
    EXPECT_TRUE(sheet_test::Joins(w[3].get(), r2, 2, n2, 2));
    for (const auto& wire : w)
        EXPECT_EQ(wire->EndElement(1)->kind, kind::Resistor) << "element pins are end 1";
    ExpectConsistent(b.Elements(), b.Wires());
    EXPECT_FALSE(b.ConnectorOf(0));
}

// The third connection of a connector goes to its pin 3 while pin 4 chains the next
// connector, which goes on from its pin 2.
TEST(SubcircuitBuilder, ANodeOfFivePinsIsServedByChainedConnectors) {
    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse("R 1 2 1|R 1 3 1|R 1 4 1|R 1 5 1|R 1 6 1|"));
    const ElementList& el = b.Elements();
    const Element* first = el[5].get(); // connector of node 1, after the five resistors
    ASSERT_EQ(first->kind, kind::Connector);

    for (int pin = 1; pin <= 3; ++pin)
        EXPECT_EQ(FarEnd(first, pin),
                  std::make_pair(static_cast<const Element*>(el[pin - 1].get()), 1))
            << "pin " << pin;
    const auto [second, secondPin] = FarEnd(first, 4);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->kind, kind::Connector);
    EXPECT_EQ(secondPin, 1);
    EXPECT_EQ(FarEnd(second, 2), std::make_pair(static_cast<const Element*>(el[3].get()), 1));
    EXPECT_EQ(FarEnd(second, 3), std::make_pair(static_cast<const Element*>(el[4].get()), 1));
    // The chain is ready for further connections of the node.
    const auto [third, thirdPin] = FarEnd(second, 4);
    ASSERT_TRUE(third);
    EXPECT_EQ(thirdPin, 1);
    EXPECT_EQ(b.ConnectorOf(1), third);
    for (int pin = 2; pin <= 4; ++pin)
        EXPECT_FALSE(third->pins[static_cast<std::size_t>(pin - 1)].wire);

    // All five pins end up on one node.
    NumberNodes(b.Wires());
    const int node = el[0]->PinNode(1);
    EXPECT_GE(node, 1);
    for (int k = 1; k < 5; ++k)
        EXPECT_EQ(el[static_cast<std::size_t>(k)]->PinNode(1), node);
    ExpectConsistent(b.Elements(), b.Wires());
}

TEST(SubcircuitBuilder, NodeZeroGetsAGroundJoinedToItsConnector) {
    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse("S 1 0 2|"));
    const ElementList& el = b.Elements();
    ASSERT_EQ(KindsOf(el), (std::vector<ElementKind>{kind::Unistor, kind::Connector,
                                                     kind::Connector, kind::Ground}));
    const Element* ground = el.back().get();
    EXPECT_EQ(FarEnd(ground, 1), std::make_pair(static_cast<const Element*>(b.ConnectorOf(0)), 2));
    EXPECT_EQ(b.Wires().back()->EndElement(1), ground);
    NumberNodes(b.Wires());
    EXPECT_EQ(el[0]->PinNode(2), 0);
    EXPECT_EQ(el[0]->PinNode(1), 1);

    ASSERT_TRUE(b.Parse("S 1 2 2|"));
    for (const auto& e : b.Elements())
        EXPECT_NE(e->kind, kind::Ground);
}

TEST(SubcircuitBuilder, ConnectExternalJoinsAWireEndToTheNodeConnector) {
    Scheme s;
    Element* r = sheet_test::Place(s, kind::Resistor, 0, 0);
    Wire* outside = sheet_test::Join(s, r, 1, nullptr, 0);

    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse("R 1 2 5|"));
    EXPECT_FALSE(b.ConnectExternal(3, outside, 2));
    EXPECT_FALSE(b.ConnectExternal(1, outside, 3));
    EXPECT_FALSE(b.ConnectExternal(1, nullptr, 2));
    ASSERT_TRUE(b.ConnectExternal(2, outside, 2));
    EXPECT_EQ(outside->end2, b.ConnectorOf(2));
    EXPECT_EQ(outside->pin2, 2);
    EXPECT_EQ(outside->end1, r);

    // Not merged: the wire must not keep the destroyed connector.
    b.Reset();
    EXPECT_EQ(outside->end2, nullptr);
    EXPECT_EQ(outside->pin2, 0);
    EXPECT_EQ(b.ErrorCode(), 0);
    EXPECT_TRUE(b.Elements().empty());
}

TEST(SubcircuitBuilder, MergeIntoShiftsIdsAndAdvancesTheCounters) {
    Scheme s;
    Element* r = sheet_test::Place(s, kind::Resistor, 0, 0);
    Wire* outside = sheet_test::Join(s, r, 1, nullptr, 0);

    SubcircuitBuilder b;
    ASSERT_TRUE(b.Parse("R 1 2 5|"));
    ASSERT_TRUE(b.ConnectExternal(1, outside, 2));
    const std::size_t elementCount = b.Elements().size(); // R and two connectors
    const std::size_t wireCount = b.Wires().size();       // two
    ASSERT_EQ(elementCount, 3u);
    ASSERT_EQ(wireCount, 2u);

    int32_t nextElement = 10;
    int32_t nextWire = 20;
    b.MergeInto(s.elements, s.wires, nextElement, nextWire);
    EXPECT_EQ(nextElement, 13);
    EXPECT_EQ(nextWire, 22);
    ASSERT_EQ(s.elements.size(), 4u);
    ASSERT_EQ(s.wires.size(), 3u);
    EXPECT_EQ(s.elements[1]->id, 11);
    EXPECT_EQ(s.elements[2]->id, 12);
    EXPECT_EQ(s.elements[3]->id, 13);
    EXPECT_EQ(s.wires[1]->id, 21);
    EXPECT_EQ(s.wires[2]->id, 22);
    // Stored references follow the new ids, the outside wire's included.
    EXPECT_EQ(outside->end2Id, 12);
    ExpectConsistent(s);

    EXPECT_TRUE(b.Elements().empty());
    EXPECT_TRUE(b.Wires().empty());
    b.Reset();
    EXPECT_EQ(outside->end2Id, 12) << "merged objects are no longer the builder's";
}

} // namespace
