#include "graph/AxisScale.h"
#include "graph/GraphData.h"
#include "model/Text1251.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace korvanix::graph;
using korvanix::model::Size;
using korvanix::model::TextMetrics;

namespace {

// 7 pixels a character, 14 high; remembers the font it was asked for.
struct CharMetrics : TextMetrics {
    Size TextExtent(const std::string& utf8, int font) const override {
        lastFont = font;
        return {7 * static_cast<int>(korvanix::model::Utf8Length(utf8)), 14};
    }
    mutable int lastFont = -1;
};

struct TickCase {
    const char* what;
    double low;
    double high;
    Axis axis;
    int kind;
    int length;
    double newLow;
    double newHigh;
    int divisions;
    bool halves;
    int precision;
};

class TickTest : public ::testing::TestWithParam<TickCase> {};

TEST_P(TickTest, Chooses) {
    const TickCase& tc = GetParam();
    CharMetrics metrics;
    const Ticks t =
        ChooseTicks(tc.low, tc.high, tc.axis, static_cast<ScaleKind>(tc.kind), tc.length, metrics);
    EXPECT_NEAR(t.low, tc.newLow, 1e-9 * std::fabs(tc.newLow) + 1e-12) << tc.what;
    EXPECT_NEAR(t.high, tc.newHigh, 1e-9 * std::fabs(tc.newHigh) + 1e-12) << tc.what;
    EXPECT_EQ(t.divisions, tc.divisions) << tc.what;
    EXPECT_EQ(t.halves, tc.halves) << tc.what;
    EXPECT_EQ(t.precision, tc.precision) << tc.what;
}

// Label widths with 7-pixel characters: the sample 0.5555555555555 is 6 characters
// at precision 4, one more per digit, 12 at precision 10. An x axis needs
// 17 * width * n / 10 pixels, a y axis 2 * 14 * n.
INSTANTIATE_TEST_SUITE_P(
    Linear, TickTest,
    ::testing::Values(
        // 0..1: step 0.02 (n 50); the zero end asks for 10 digits: 17*84*50/10 = 7140.
        TickCase{"0..1 wide", 0, 1, Axis::X, 1, 7140, 0, 1, 50, true, 10},
        // Narrower: 0.05 needs 2856, 0.1 needs 1428, 0.2 needs 714.
        TickCase{"0..1 narrow", 0, 1, Axis::X, 1, 7139, 0, 1, 20, false, 10},
        TickCase{"0..1 narrower", 0, 1, Axis::X, 1, 1000, 0, 1, 5, true, 10},
        // 1000..1001: 0.02 at 6 digits (4760), 0.05 (1904), 0.1 at 5 digits (833),
        // 0.2 (416), 0.5 (166), 1 at 4 digits (71), then 2 needs 71 again: give up.
        TickCase{"1000..1001 step 0.02", 1000, 1001, Axis::X, 1, 5000, 1000, 1001, 50, true, 6},
        TickCase{"1000..1001 step 0.1", 1000, 1001, Axis::X, 1, 1000, 1000, 1001, 10, false, 5},
        TickCase{"1000..1001 step 0.2", 1000, 1001, Axis::X, 1, 500, 1000, 1001, 5, true, 5},
        TickCase{"1000..1001 step 0.5", 1000, 1001, Axis::X, 1, 200, 1000, 1001, 2, false, 5},
        TickCase{"1000..1001 step 1", 1000, 1001, Axis::X, 1, 100, 1000, 1001, 1, false, 4},
        TickCase{"1000..1001 gives up", 1000, 1001, Axis::X, 1, 50, 1000, 1001, 1, false, 4},
        // Giving up keeps the ends; digits from the ends against the width 0.2.
        TickCase{"1000.5..1000.7 gives up", 1000.5, 1000.7, Axis::X, 1, 0, 1000.5, 1000.7, 1, false,
                 5},
        // Rounded outwards to the step: 0.13..0.87 with step 0.1 (y: 28 a division).
        TickCase{"outwards", 0.13, 0.87, Axis::Y, 1, 300, 0.1, 0.9, 8, false, 4},
        // y: 0.02 needs exactly 1400.
        TickCase{"y fits exactly", 0, 1, Axis::Y, 1, 1400, 0, 1, 50, true, 10},
        TickCase{"y one short", 0, 1, Axis::Y, 1, 1399, 0, 1, 20, false, 10},
        TickCase{"y 2..3", 2, 3, Axis::Y, 1, 300, 2, 3, 10, false, 4},
        TickCase{"negative range", -3, -1, Axis::Y, 1, 300, -3, -1, 10, true, 4},
        // At the ends of what a graph stores: the steps run past the double range.
        TickCase{"huge range", -1e300, 1e300, Axis::X, 1, 0, -1e300, 1e300, 1, false, 4},
        TickCase{"equal ends", 5, 5, Axis::Y, 1, 300, 5, 5, 1, false, 5}));

INSTANTIATE_TEST_SUITE_P(
    Logarithmic, TickTest,
    ::testing::Values(
        // A decade or more: each end rounded outwards to one significant digit.
        TickCase{"decades", 3.7e-3, 4.2e5, Axis::X, 2, 1000, 3e-3, 5e5, 1, false, 4},
        TickCase{"exactly ten", 2, 20, Axis::Y, 2, 1000, 2, 20, 1, false, 4},
        TickCase{"round up to ten", 0.95, 95, Axis::Y, 2, 1000, 0.9, 100, 1, false, 4},
        // Less than a decade: linear ticks; 0.5..4 with step 0.1 fits 35 divisions
        // (980 pixels) on a tall axis.
        TickCase{"linear inside", 0.5, 4, Axis::Y, 2, 1000, 0.5, 4, 35, false, 4},
        // Steps 0.2 (504), 0.5 (196), 1 (112 from 0 to 4): the zero low end moves
        // to 0.5 and the width 4 stays.
        TickCase{"zero low end", 0.5, 4, Axis::Y, 2, 150, 0.5, 4.5, 4, false, 10},
        TickCase{"non-positive end", -1, 10, Axis::Y, 2, 1000, -1, 10, 1, false, 5},
        TickCase{"zero end", 0, 10, Axis::Y, 2, 1000, 0, 10, 1, false, 5}));

INSTANTIATE_TEST_SUITE_P(Decibel, TickTest,
                         ::testing::Values(
                             // 1..1000 is 0..60 dB: step 2 (840), 5 (336), 10 (168).
                             TickCase{"0..60 dB", 1, 1000, Axis::Y, 4, 1000, 1, 1000, 30, true, 10},
                             TickCase{"0..60 dB narrow", 1, 1000, Axis::Y, 4, 200, 1, 1000, 6,
                                      false, 10},
                             // 2..500 is 6.02..53.98 dB: step 1 gives 6..54 dB.
                             TickCase{"rounded in dB", 2, 500, Axis::Y, 4, 10000,
                                      1.9952623149688795, 501.18723362727224, 48, false, 4}));

INSTANTIATE_TEST_SUITE_P(
    Unknown, TickTest,
    ::testing::Values(TickCase{"kind 3", 0.13, 0.87, Axis::Y, 3, 300, 0.13, 0.87, 1, false, 5},
                      TickCase{"kind 0", 0.13, 0.87, Axis::X, 0, 300, 0.13, 0.87, 1, false, 5}));

TEST(AxisScaleTest, MeasuresInTheGraphNumberFont) {
    CharMetrics metrics;
    ChooseTicks(0, 1, Axis::X, ScaleKind::Linear, 1000, metrics);
    EXPECT_EQ(metrics.lastFont, kGraphNumberFont);
}

TEST(AxisScaleTest, DecimalExponent) {
    EXPECT_EQ(DecimalExponent(0.02), -2);
    EXPECT_EQ(DecimalExponent(-350), 2);
    EXPECT_EQ(DecimalExponent(1), 0);
    EXPECT_EQ(DecimalExponent(0), -HUGE_VAL);
}

// Curve 0 in group 0 spans 0..4, curve 1 in group 1 spans 0..7. On a plot 200
// pixels high (28 pixels a division) group 0 settles on step 1 with 4 divisions
// (step 0.5 would need 224) and group 1 on step 1 with 7 (196).
GraphData TwoGroups(int yKind, double top0, double top1) {
    GraphData d;
    d.SetCounts(2, 1);
    d.SetExpectedPoints(2);
    d.SetScales(1, 1, yKind, 7);
    d.SetCurveGroup(1, 1);
    d.SetXRange(0.13, 0.87);
    d.AppendY(0, 0, yKind == 1 ? 0 : 1);
    d.AppendY(0, 0, top0);
    d.AppendY(1, 0, yKind == 1 ? 0 : 1);
    d.AppendY(1, 0, top1);
    d.Finish();
    return d;
}

TEST(AxisScaleTest, GroupsWithFewerDivisionsGrowByWholeSteps) {
    CharMetrics metrics;
    GraphData d = TwoGroups(1, 4, 7);
    LayoutTicks(d, metrics, 10000, 200);
    // Three steps short: one below, two above.
    EXPECT_DOUBLE_EQ(d.Group(0).shownLow, -1);
    EXPECT_DOUBLE_EQ(d.Group(0).shownHigh, 6);
    EXPECT_EQ(d.Group(0).divisions, 7);
    EXPECT_DOUBLE_EQ(d.Group(1).shownLow, 0);
    EXPECT_DOUBLE_EQ(d.Group(1).shownHigh, 7);
    EXPECT_EQ(d.Group(1).divisions, 7);
    EXPECT_FALSE(d.Group(0).halves);
    // The ranges asked for stay those of the data, so a second layout gives the
    // same axes and nothing counts as changed.
    EXPECT_EQ(d.Group(0).low, 0);
    EXPECT_EQ(d.Group(0).high, 4);
    EXPECT_FALSE(d.Group(0).Changed());
    LayoutTicks(d, metrics, 10000, 200);
    EXPECT_DOUBLE_EQ(d.Group(0).shownLow, -1);
    EXPECT_DOUBLE_EQ(d.Group(0).shownHigh, 6);
    // Then the x axis: 0.13..0.87 on 10000 pixels rounds to 0.12..0.88 with step
    // 0.02 (38 divisions, 17*42*38/10 = 2713 pixels at 4 digits).
    EXPECT_EQ(d.XAxis().divisions, 38);
    EXPECT_EQ(d.XAxis().precision, 4);
    EXPECT_TRUE(d.XAxis().halves);
    EXPECT_DOUBLE_EQ(d.XAxis().shownLow, 0.12);
    EXPECT_DOUBLE_EQ(d.XAxis().shownHigh, 0.88);
    EXPECT_EQ(d.XAxis().low, 0.13);
    EXPECT_FALSE(d.XAxis().Changed());
}

TEST(AxisScaleTest, DecibelGroupsAlignInDecibels) {
    // 1..100 is 0..40 dB (step 10: 4 divisions, step 5 would need 224); 1..1000 is
    // 0..60 dB (step 10: 6 divisions). Group 0 gains 10 dB below and above.
    CharMetrics metrics;
    GraphData d = TwoGroups(4, 100, 1000);
    LayoutTicks(d, metrics, 10000, 200);
    EXPECT_EQ(d.Group(0).divisions, 6);
    EXPECT_NEAR(d.Group(0).shownLow, std::pow(10.0, -0.5), 1e-12);
    EXPECT_NEAR(d.Group(0).shownHigh, std::pow(10.0, 2.5), 1e-9);
    EXPECT_NEAR(d.Group(1).shownLow, 1, 1e-12);
    EXPECT_NEAR(d.Group(1).shownHigh, 1000, 1e-9);
}

TEST(AxisScaleTest, OneGroupKeepsItsHalves) {
    CharMetrics metrics;
    GraphData d;
    d.SetCounts(1, 1);
    d.SetExpectedPoints(2);
    d.AppendY(0, 0, 0);
    d.AppendY(0, 0, 1);
    d.Finish();
    LayoutTicks(d, metrics, 100, 1400);
    EXPECT_EQ(d.Group(0).divisions, 50);
    EXPECT_TRUE(d.Group(0).halves);

    // With a second group the halves go, even on a group that had them.
    d.SetCounts(2, 1);
    d.SetExpectedPoints(2);
    d.SetCurveGroup(1, 1);
    d.AppendY(0, 0, 0);
    d.AppendY(0, 0, 1);
    d.AppendY(1, 0, 0);
    d.AppendY(1, 0, 1);
    d.Finish();
    LayoutTicks(d, metrics, 100, 1400);
    EXPECT_EQ(d.Group(0).divisions, 50);
    EXPECT_FALSE(d.Group(0).halves);
    EXPECT_FALSE(d.Group(1).halves);
}

TEST(AxisScaleTest, LogarithmicGroupsKeepTheirOwnCounts) {
    CharMetrics metrics;
    GraphData d = TwoGroups(2, 100, 4);
    LayoutTicks(d, metrics, 10000, 1000);
    // Group 0 spans two decades (1 division); group 1, 1..4, is ticked linearly.
    EXPECT_EQ(d.Group(0).divisions, 1);
    EXPECT_DOUBLE_EQ(d.Group(0).shownLow, 1);
    EXPECT_DOUBLE_EQ(d.Group(0).shownHigh, 100);
    EXPECT_GT(d.Group(1).divisions, 1);
}

} // namespace
