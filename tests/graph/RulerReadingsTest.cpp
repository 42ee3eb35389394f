#include "graph/RulerReadings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace korvanix::graph {
namespace {

// One run of (x, y) points; the shown x range is the first to the last x.
GraphData Pane(const std::vector<double>& xs, const std::vector<double>& ys,
               ScaleKind xScale = ScaleKind::Linear, ScaleKind yScale = ScaleKind::Linear) {
    GraphData data;
    data.SetCounts(1, 1);
    data.SetCurveName(0, "u(C1), В");
    data.SetScales(static_cast<int>(xScale), 7, static_cast<int>(yScale), 7);
    data.BeginSegment(0, kSegmentLines);
    for (std::size_t i = 0; i < xs.size(); ++i) {
        data.AppendX(0, xs[i]);
        data.AppendY(0, 0, ys[i]);
    }
    data.EndSegment(0);
    data.Finish();
    if (!xs.empty()) {
        data.XAxis().shownLow = xs.front();
        data.XAxis().shownHigh = xs.back();
    }
    return data;
}

TEST(LowerNeighbourTest, FindsThePointAtOrBeforeInEitherDirection) {
    struct Case {
        std::vector<double> xs;
        double x;
        long expected;
    };
    const Case cases[] =
        {
            {{}, 1, -1},
            {{0, 1, 2, 3}, -5, 0},
            {{0, 1, 2, 3}, 0, 0},
            {{0, 1, 2, 3}, 1.5, 1},
            {{0, 1, 2, 3}, 2, 2},
            {{0, 1, 2, 3}, 9, 3},
            {{3, 2, 1, 0}, 1.5, 1}, // descending: the point before the ruler in the series
            {{3, 2, 1, 0}, 5, 0},
            {{5}, 7, 0},
        };
    for (const Case& c : cases) {
        Curve curve;
        curve.Reset(c.xs.size());
        for (double v : c.xs)
            curve.Append(v);
        EXPECT_EQ(LowerNeighbour(curve, c.x), c.expected) << c.x;
    }
}

TEST(ReadRulerTest, ReadsBetweenPointsOrAtThePointBefore) {
    const GraphData data = Pane({0, 1, 2, 4}, {0, 10, 20, 0});
    struct Case {
        double fraction; // of the range 0..4
        bool interpolate;
        double x;
        double value;
    };
    const Case cases[] = {
        {0, true, 0, 0},      {0.125, true, 0.5, 5}, {0.125, false, 0.5, 0}, {0.75, true, 3, 10},
        {0.75, false, 3, 20}, {1, true, 4, 0},       {1, false, 4, 0},       {0.5, false, 2, 20},
    };
    for (const Case& c : cases) {
        const RulerReading r = ReadRuler(data, c.fraction, c.interpolate);
        EXPECT_DOUBLE_EQ(r.x, c.x) << c.fraction;
        ASSERT_EQ(r.curves.size(), 1u);
        EXPECT_TRUE(r.curves[0].valid);
        EXPECT_NEAR(r.curves[0].value, c.value, 1e-12) << c.fraction << " " << c.interpolate;
        EXPECT_EQ(r.curves[0].label, "u(C1), В");
        EXPECT_FALSE(r.integer.has_value());
    }
}

TEST(ReadRulerTest, InterpolatesAlongTheAxesAsTheyAreDrawn) {
    // Between 10 and 1000 on logarithmic axes the straight line drawn runs through
    // (100, 100), not through the arithmetic middle.
    const GraphData loglog =
        Pane({10, 1000}, {10, 1000}, ScaleKind::Logarithmic, ScaleKind::Logarithmic);
    EXPECT_NEAR(ReadRuler(loglog, 0.5, true).curves[0].value, 100, 1e-9);

    // Decibels: the reading is in decibels, the caption says so.
    const GraphData db = Pane({1, 2}, {1, 100}, ScaleKind::Linear, ScaleKind::Decibel);
    const RulerReading r = ReadRuler(db, 0.5, true);
    EXPECT_NEAR(r.curves[0].value, 20, 1e-9);
    EXPECT_EQ(r.curves[0].label, "u(C1), дБ");
}

TEST(ReadRulerTest, AHodographIsReadWhereItCrossesTheRuler) {
    GraphData data;
    data.SetPaired(true);
    data.SetCounts(1, 1);
    data.SetExpectedPoints(4);
    data.BeginSegment(0, kSegmentLines);
    // Re goes 4, 2, 0, -2 while Im goes 0, -2, -2, 0; frequencies 1..4 as the run's x.
    const double re[] = {4, 2, 0, -2};
    const double im[] = {0, -2, -2, 0};
    for (int i = 0; i < 4; ++i) {
        data.AppendX(0, i + 1);
        data.AppendPair(0, 0, re[i], im[i]);
    }
    data.EndSegment(0);
    data.Finish();
    data.XAxis().shownLow = -2;
    data.XAxis().shownHigh = 4;
    // x = 3 lies between Re 4 and 2: Im halfway between 0 and -2.
    EXPECT_NEAR(ReadRuler(data, 5.0 / 6, true).curves[0].value, -1, 1e-12);
    EXPECT_NEAR(ReadRuler(data, 5.0 / 6, false).curves[0].value, 0, 1e-12);
    EXPECT_NEAR(ReadRuler(data, 0, true).curves[0].value, 0, 1e-12);
}

TEST(ReadRulerTest, EmptyRunsNotNumbersAndIntegers) {
    const GraphData empty = Pane({}, {});
    const RulerReading none = ReadRuler(empty, 0.5, true);
    ASSERT_EQ(none.curves.size(), 1u);
    EXPECT_FALSE(none.curves[0].valid);
    EXPECT_FALSE(none.integer.has_value());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    GraphData gaps = Pane({0, 1, 2}, {1, nan, 3});
    EXPECT_TRUE(std::isnan(ReadRuler(gaps, 0.25, true).curves[0].value));
    EXPECT_EQ(ReadRuler(gaps, 1, true).curves[0].value, 3);

    for (int32_t terms : {7, 9, 11})
        gaps.AppendInteger(0, terms);
    EXPECT_EQ(ReadRuler(gaps, 0.75, false).integer, 9);
    EXPECT_EQ(ReadRuler(gaps, 1, true).integer, 11);
}

} // namespace
} // namespace korvanix::graph
