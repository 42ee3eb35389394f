#include "model/Element.h"
#include "model/Wire.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace korvanix::model;

namespace {

const Point L{-100, 0};
const Point R{100, 0};
const Point U{0, -100};
const Point D{0, 100};

struct RouteCase {
    const char* name;
    Point a;
    Point dirA;
    Point b;
    Point dirB;
    std::vector<Point> expected;
    bool reversed;
};

std::ostream& operator<<(std::ostream& os, const RouteCase& c) {
    return os << c.name;
}

std::vector<Point> PointsOf(const WireShape& s) {
    return std::vector<Point>(s.points, s.points + s.count);
}

class RouteBetweenTest : public ::testing::TestWithParam<RouteCase> {};

TEST_P(RouteBetweenTest, BuildsTheRouteAndCleansItUp) {
    const RouteCase& c = GetParam();
    const WireShape s = RouteBetween(c.a, c.dirA, c.b, c.dirB);
    EXPECT_EQ(PointsOf(s), c.expected);
    EXPECT_EQ(s.reversed, c.reversed);
}

// Expected shapes worked out by hand from the routing rules: the raw route, then
// dropping repeated and collinear points, then snapping the inner points.
// clang-format off
const RouteCase kCases[] = {
    // Same axis, horizontal.
    {"FacingPinsOnOneLineGiveAStraightWire",
     {0, 100}, R, {100, 100}, L, {{0, 100}, {100, 100}}, false},
    {"FacingPinsOffsetMeetInTheMiddle",
     {0, 100}, R, {100, 140}, L, {{0, 100}, {48, 100}, {48, 140}, {100, 140}}, false},
    {"EndsGivenRightToLeftAreSwapped",
     {100, 140}, L, {0, 100}, R, {{0, 100}, {48, 100}, {48, 140}, {100, 140}}, true},
    {"FacingPinsTwelveApartStayFacing",
     {0, 100}, R, {12, 120}, L, {{0, 100}, {8, 100}, {8, 120}, {12, 120}}, false},
    {"FacingPinsElevenApartGoRound",
     {0, 100}, R, {11, 120}, L,
     {{11, 120}, {0, 120}, {0, 112}, {8, 112}, {8, 100}, {0, 100}}, true},
    {"BothRightPassBeyondTheEnd",
     {0, 100}, R, {50, 140}, R, {{0, 100}, {64, 100}, {64, 140}, {50, 140}}, false},
    {"BothLeftPassBeforeTheStart",
     {100, 100}, L, {150, 140}, L, {{100, 100}, {88, 100}, {88, 140}, {150, 140}}, false},
    // snap(-10) is 0: the division truncates toward zero, so the stub collapses.
    {"BothLeftStubSnapsTowardZero",
     {0, 0}, L, {50, 40}, L, {{0, 0}, {0, 0}, {0, 40}, {50, 40}}, false},
    {"BackToBackGoRoundBothEnds",
     {100, 100}, L, {200, 150}, R,
     {{100, 100}, {88, 100}, {88, 128}, {208, 128}, {208, 150}, {200, 150}}, false},
    // Same axis, vertical: the horizontal rules with x and y exchanged.
    {"VerticalFacingPinsMeetInTheMiddle",
     {100, 0}, D, {140, 100}, U, {{100, 0}, {100, 48}, {140, 48}, {140, 100}}, false},
    {"VerticalFacingPinsOnOneLine",
     {100, 100}, U, {100, 0}, D, {{100, 0}, {100, 100}}, true},
    {"VerticalBothDown",
     {100, 0}, D, {140, 50}, D, {{100, 0}, {100, 64}, {140, 64}, {140, 50}}, false},
    // Mixed axes, start vertical. A single inner point gets both snap rules.
    {"UpThenLeftCornerAhead",
     {3, 100}, U, {50, 43}, L, {{3, 100}, {0, 40}, {50, 43}}, false},
    {"UpThenLeftCornerBehind",
     {0, 100}, U, {60, 140}, L, {{0, 100}, {0, 88}, {24, 88}, {24, 140}, {60, 140}}, false},
    {"DownThenLeftCornerAhead",
     {0, 100}, D, {60, 140}, L, {{0, 100}, {0, 144}, {60, 140}}, false},
    {"DownThenLeftCornerBehind",
     {0, 100}, D, {60, 80}, L, {{0, 100}, {0, 112}, {24, 112}, {24, 80}, {60, 80}}, false},
    {"UpThenRight",
     {0, 100}, U, {60, 140}, R, {{0, 100}, {0, 88}, {72, 88}, {72, 140}, {60, 140}}, false},
    {"DownThenRight",
     {0, 100}, D, {60, 40}, R, {{0, 100}, {0, 112}, {72, 112}, {72, 40}, {60, 40}}, false},
    // Mixed axes, start horizontal.
    {"RightThenUpCornerAhead",
     {0, 100}, R, {60, 140}, U, {{0, 100}, {64, 100}, {60, 140}}, false},
    {"RightThenUpCornerBehind",
     {0, 100}, R, {60, 80}, U, {{0, 100}, {24, 100}, {24, 72}, {60, 72}, {60, 80}}, false},
    {"RightThenDownCornerAhead",
     {0, 100}, R, {60, 40}, D, {{0, 100}, {64, 100}, {60, 40}}, false},
    {"RightThenDownCornerBehind",
     {0, 100}, R, {60, 140}, D, {{0, 100}, {24, 100}, {24, 152}, {60, 152}, {60, 140}}, false},
    {"LeftThenUp",
     {100, 100}, L, {160, 140}, U,
     {{100, 100}, {88, 100}, {88, 128}, {160, 128}, {160, 140}}, false},
    {"LeftThenDown",
     {100, 100}, L, {160, 40}, D, {{100, 100}, {88, 100}, {88, 48}, {160, 48}, {160, 40}}, false},
    {"MixedEndsGivenRightToLeftAreSwapped",
     {60, 140}, L, {0, 100}, U, {{0, 100}, {0, 88}, {24, 88}, {24, 140}, {60, 140}}, true},
    // Mixed axes closer than 12 in x: swapped once more.
    {"RightThenVerticalCloseIsSwapped",
     {0, 100}, R, {8, 140}, U, {{8, 140}, {8, 128}, {8, 128}, {8, 100}, {0, 100}}, true},
    {"VerticalThenLeftCloseIsSwapped",
     {100, 100}, D, {105, 140}, L,
     {{105, 140}, {96, 140}, {96, 112}, {100, 112}, {100, 100}}, true},
};
// clang-format on

std::string CaseName(const ::testing::TestParamInfo<RouteCase>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Routes, RouteBetweenTest, ::testing::ValuesIn(kCases), CaseName);

TEST(RouteBetween, CoordinatesAtTheEdgeOfTheRangeDoNotOverflow) {
    const int big = 2147483640;
    const WireShape s = RouteBetween({big, 0}, R, {big - 100, 40}, R);
    ASSERT_GE(s.count, 2);
    EXPECT_EQ(s.points[0], (Point{big - 100, 40}));
    for (int i = 0; i < s.count; ++i)
        EXPECT_GE(s.points[i].x, big - 100);
}

// Attaching keeps both sides in step and re-routes; re-attaching a pin lets go of
// whatever it held before.
TEST(WireAttach, BothSidesAgreeAndRouteFollows) {
    auto r1 = ElementFactory(kind::Resistor, 1);
    auto r2 = ElementFactory(kind::Resistor, 2);
    ASSERT_TRUE(r1 && r2);
    r1->x = 96;
    r1->y = 96;
    r2->x = 200;
    r2->y = 96;
    Wire w(7);
    Attach(r1.get(), 2, &w, 1);
    EXPECT_EQ(w.shape.count, 0); // one end is still missing
    Attach(r2.get(), 1, &w, 2);
    EXPECT_EQ(r1->pins[1].wire, &w);
    EXPECT_EQ(r1->pins[1].wireEnd, 1);
    EXPECT_EQ(r1->pins[1].wireId, 7);
    EXPECT_EQ(w.end2, r2.get());
    EXPECT_EQ(w.pin2, 1);
    EXPECT_EQ(w.end2Id, 2);
    ASSERT_EQ(w.shape.count, 2);
    EXPECT_EQ(w.shape.points[0], r1->PinPosition(2));
    EXPECT_EQ(w.shape.points[1], r2->PinPosition(1));
    EXPECT_EQ(w.FarElement(r1.get(), 2), r2.get());
    EXPECT_EQ(w.FarPin(r1.get(), 2), 1);
    EXPECT_EQ(w.FarElement(r2.get(), 1), r1.get());

    Wire other(8);
    Attach(r2.get(), 1, &other, 1); // takes r2's pin 1 away from w
    EXPECT_EQ(w.end2, nullptr);
    EXPECT_EQ(w.pin2, 0);
    EXPECT_EQ(w.shape.count, 0);
    EXPECT_EQ(r2->pins[0].wire, &other);

    DetachWire(&other);
    EXPECT_EQ(r2->pins[0].wire, nullptr);
    EXPECT_EQ(r2->pins[0].wireEnd, 0);
    EXPECT_EQ(other.end1, nullptr);
}

TEST(WireAttach, ConnectorWiresStartFourUnitsInside) {
    auto c = ElementFactory(kind::Connector, 1);
    auto r = ElementFactory(kind::Resistor, 2);
    c->x = 200;
    c->y = 96;
    r->x = 96;
    r->y = 96;
    Wire w(1);
    Attach(r.get(), 2, &w, 1);
    Attach(c.get(), 1, &w, 2);
    ASSERT_EQ(w.shape.count, 2);
    EXPECT_EQ(w.shape.points[1], (Point{195, 96}));
}

TEST(WireRecord, SavesFiveIntegersAndLoadsUnresolved) {
    auto r1 = ElementFactory(kind::Resistor, 11);
    auto r2 = ElementFactory(kind::Resistor, 12);
    Wire w(5);
    Attach(r1.get(), 2, &w, 1);
    Attach(r2.get(), 1, &w, 2);
    ArchiveWriter out;
    w.Save(out);
    ASSERT_EQ(out.Size(), 20u);
    ArchiveReader in(out.Bytes());
    Wire back(0);
    back.Load(in);
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.id, 5);
    EXPECT_EQ(back.end1Id, 11);
    EXPECT_EQ(back.pin1, 2);
    EXPECT_EQ(back.end2Id, 12);
    EXPECT_EQ(back.pin2, 1);
    EXPECT_EQ(back.end1, nullptr);

    Wire free(6);
    ArchiveWriter out2;
    free.Save(out2);
    ArchiveReader in2(out2.Bytes());
    for (int v : {6, 0, 0, 0, 0})
        EXPECT_EQ(in2.ReadInt32(), v);
}

} // namespace
