#include "graph/GraphData.h"
#include "graph/GraphSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace korvanix::graph;

namespace {

// Two curves in two runs, ten points expected; curve 1 in group 1.
GraphData TwoCurves() {
    GraphData d;
    d.SetCounts(2, 2);
    d.SetExpectedPoints(10);
    d.SetCurveGroup(1, 1);
    return d;
}

TEST(GraphDataTest, AppendsGoToTheirRunAndCurve) {
    GraphData d = TwoCurves();
    d.AppendX(0, 0.5);
    d.AppendX(1, 1.5);
    d.AppendX(1, 2.5);
    d.AppendY(0, 1, 7);
    d.AppendY(1, 0, -7);
    d.AppendInteger(1, 12);
    EXPECT_EQ(d.X(0).Count(), 1u);
    EXPECT_EQ(d.X(1).ValueAt(1), 2.5);
    EXPECT_EQ(d.Y(0, 1).ValueAt(0), 7);
    EXPECT_EQ(d.Y(0, 0).Count(), 0u);
    EXPECT_EQ(d.Y(1, 0).ValueAt(0), -7);
    EXPECT_EQ(d.Integers(1).ValueAt(0), 12);
    EXPECT_EQ(d.X(0).Capacity(), 10u);
    EXPECT_EQ(d.Y(1, 1).Capacity(), 10u);

    // Indexes outside the counts change nothing and read as empty series.
    d.AppendX(2, 1);
    d.AppendX(-1, 1);
    d.AppendY(2, 0, 1);
    d.AppendY(5, 0, 1);
    d.AppendPair(0, 9, 1, 1);
    d.AppendInteger(-3, 1);
    EXPECT_EQ(d.X(0).Count(), 1u);
    EXPECT_EQ(d.X(2).Count(), 0u);
    EXPECT_EQ(d.Y(2, 0).Count(), 0u);
    EXPECT_EQ(d.Y(0, -1).Count(), 0u);
}

TEST(GraphDataTest, AppendOperationsClampHugeValues) {
    GraphData d;
    d.SetPaired(true);
    d.SetCounts(1, 1);
    d.SetExpectedPoints(4);
    d.AppendX(0, 1e305);
    d.AppendY(0, 0, -1e305);
    d.AppendPair(0, 0, -std::numeric_limits<double>::infinity(), 2e301);
    EXPECT_EQ(d.X(0).ValueAt(0), 1e300);
    EXPECT_EQ(d.Y(0, 0).ValueAt(0), -1e300);
    EXPECT_EQ(d.PairX(0, 0).ValueAt(0), -1e300);
    EXPECT_EQ(d.Y(0, 0).ValueAt(1), 1e300);
}

TEST(GraphDataTest, CurvesAreCappedAtFive) {
    GraphData d;
    d.SetCounts(9, 1);
    EXPECT_EQ(d.CurveCount(), 5);
    d.SetCounts(-2, -1);
    EXPECT_EQ(d.CurveCount(), 0);
    EXPECT_EQ(d.RunCount(), 0);
}

TEST(GraphDataTest, ResetKeepsTextsAndScalesOnly) {
    GraphData d = TwoCurves();
    d.SetTitle("АЧХ");
    d.SetXCaption("f, Гц");
    d.SetScales(2, 3, 4, 7);
    d.SetPaired(true);
    d.SetPositiveQuantity(true);
    d.SelectRun(1);
    d.SetRunLabel("R(R1), Ом");
    d.AppendRunValue(3);
    d.AppendX(0, 1);
    d.Group(2).low = 7;

    d.Reset();
    // The run label goes with the runs it named.
    EXPECT_EQ(d.RunLabel(), "");
    EXPECT_EQ(d.CurveCount(), 0);
    EXPECT_EQ(d.RunCount(), 0);
    EXPECT_EQ(d.SelectedRun(), 0);
    EXPECT_FALSE(d.Paired());
    EXPECT_FALSE(d.PositiveQuantity());
    EXPECT_TRUE(d.RunValues().empty());
    EXPECT_EQ(d.X(0).Count(), 0u);
    for (int g = 0; g < kMaxGroups; ++g) {
        EXPECT_EQ(d.Group(g).low, -50) << g;
        EXPECT_EQ(d.Group(g).high, 50) << g;
    }
    EXPECT_EQ(d.Title(), "АЧХ");
    EXPECT_EQ(d.XCaption(), "f, Гц");
    EXPECT_EQ(d.XScale(), ScaleKind::Logarithmic);
    EXPECT_EQ(d.YScaleMask(), 7);
}

TEST(GraphDataTest, ScalesOfZeroOrLessStayUnchanged) {
    GraphData d;
    EXPECT_EQ(d.XScale(), ScaleKind::Linear);
    EXPECT_EQ(d.XScaleMask(), 1);
    EXPECT_EQ(d.YScaleMask(), 1);
    d.SetScales(2, 3, 4, 7);
    d.SetScales(0, -1, 0, 0);
    EXPECT_EQ(d.XScale(), ScaleKind::Logarithmic);
    EXPECT_EQ(d.XScaleMask(), 3);
    EXPECT_EQ(d.YScale(), ScaleKind::Decibel);
    EXPECT_EQ(d.YScaleMask(), 7);
    d.SetScales(-5, 0, 1, 0);
    EXPECT_EQ(d.XScale(), ScaleKind::Logarithmic);
    EXPECT_EQ(d.YScale(), ScaleKind::Linear);
}

struct PresetCase {
    int yKind;
    double low;
    double high;
};

class PositivePresetTest : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PositivePresetTest, EveryGroup) {
    const PresetCase& pc = GetParam();
    GraphData d;
    d.SetScales(0, 0, pc.yKind, 0);
    d.SetPositiveQuantity(true);
    EXPECT_TRUE(d.PositiveQuantity());
    for (int g = 0; g < kMaxGroups; ++g) {
        EXPECT_EQ(d.Group(g).low, pc.low) << g;
        EXPECT_EQ(d.Group(g).high, pc.high) << g;
        EXPECT_EQ(d.Group(g).initialLow, pc.low) << g;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PositivePresetTest,
                         ::testing::Values(PresetCase{2, 0.001, 10}, PresetCase{4, 0.001, 1000},
                                           PresetCase{1, 1e-15, 50})); // linear: low only

TEST(GraphDataTest, SegmentsRecordTypesAndCumulativeEnds) {
    GraphData d;
    d.SetCounts(1, 2);
    d.SetExpectedPoints(4);
    d.BeginSegment(1, kSegmentLines);
    for (int i = 0; i < 3; ++i)
        d.AppendX(1, i);
    d.EndSegment(1);
    d.BeginSegment(1, kSegmentPoints);
    d.AppendX(1, 3);
    d.AppendX(1, 4);
    d.EndSegment(1);
    d.BeginSegment(1, kSegmentLines);
    d.AppendX(1, 5);
    EXPECT_EQ(d.SegmentTypes(1), (std::vector<int>{1, 2, 1}));
    EXPECT_EQ(d.SegmentEnds(1), (std::vector<int>{3, 5}));
    const std::vector<Segment> s = d.Segments(1);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].graphType, 1);
    EXPECT_EQ(s[0].end, 3);
    EXPECT_EQ(s[1].graphType, 2);
    EXPECT_EQ(s[1].begin, 3);
    EXPECT_EQ(s[1].end, 5);
    EXPECT_EQ(s[2].begin, 5); // still open
    EXPECT_EQ(s[2].end, 6);
    EXPECT_TRUE(d.Segments(0).empty());

    // An end without a begin closes a line segment: types and ends stay in step.
    d.EndSegment(0);
    EXPECT_EQ(d.SegmentTypes(0), (std::vector<int>{1}));
    EXPECT_EQ(d.SegmentEnds(0), (std::vector<int>{0}));
}

TEST(GraphDataTest, CurveTextsAndColours) {
    GraphData d;
    EXPECT_EQ(d.CurveColour(0), 0x0000FFu); // red in the low byte
    EXPECT_EQ(d.CurveColour(1), 0xFF0000u);
    EXPECT_EQ(d.CurveColour(2), 0x00DC00u);
    EXPECT_EQ(d.CurveColour(3), 0xFF00FFu);
    EXPECT_EQ(d.CurveColour(4), 0x1E8FFFu);
    d.SetCurveName(0, "u(1), В");
    EXPECT_EQ(d.CurveLabel(0), "u(1), В"); // no label of its own: the name
    d.SetCurveLabel(0, "U1");
    EXPECT_EQ(d.CurveLabel(0), "U1");
    EXPECT_EQ(d.CurveName(0), "u(1), В");
    d.SetCurveGroup(0, 5); // no such group
    EXPECT_EQ(d.CurveGroup(0), 0);
    EXPECT_EQ(d.CurveLabel(7), "");
}

TEST(GraphDataTest, FinishRangesPerGroup) {
    GraphData d;
    d.SetCounts(3, 2);
    d.SetExpectedPoints(2);
    d.SetCurveGroup(1, 1);
    d.SetCurveGroup(2, 1);
    d.SetXRange(0, 0.01);
    for (int r = 0; r < 2; ++r) {
        d.AppendY(0, r, 5);
        d.AppendY(0, r, 5);
    }
    d.AppendY(1, 0, -2);
    d.AppendY(1, 1, 3);
    d.AppendY(2, 1, 2e7); // beyond the empty-series start
    d.Finish();
    // Constant 5: one unit either side.
    EXPECT_EQ(d.Group(0).low, 4);
    EXPECT_EQ(d.Group(0).high, 6);
    EXPECT_EQ(d.Group(0).initialHigh, 6);
    // Group 1 over both of its curves and all runs (run 0 of curve 2 is empty).
    EXPECT_EQ(d.Group(1).low, -2);
    EXPECT_EQ(d.Group(1).high, 2e7);
    EXPECT_EQ(d.CurveMinimum(2), 2e7);
    // No curves.
    EXPECT_EQ(d.Group(3).low, -9999999);
    EXPECT_EQ(d.Group(3).high, 9999999);
    // The analysis' x range stays.
    EXPECT_EQ(d.XAxis().low, 0);
    EXPECT_EQ(d.XAxis().high, 0.01);
    EXPECT_EQ(d.GroupCount(), 2);
}

struct PositiveRangeCase {
    double a;
    double b;
    double low;
    double high;
};

class PositiveRangeTest : public ::testing::TestWithParam<PositiveRangeCase> {};

TEST_P(PositiveRangeTest, NoLowEndAtOrBelowZero) {
    const PositiveRangeCase& pc = GetParam();
    GraphData d;
    d.SetCounts(1, 1);
    d.SetExpectedPoints(2);
    d.SetPositiveQuantity(true);
    d.AppendY(0, 0, pc.a);
    d.AppendY(0, 0, pc.b);
    d.Finish();
    EXPECT_DOUBLE_EQ(d.Group(0).low, pc.low);
    EXPECT_DOUBLE_EQ(d.Group(0).high, pc.high);
}

INSTANTIATE_TEST_SUITE_P(Table, PositiveRangeTest,
                         ::testing::Values(PositiveRangeCase{0, 5, 1e-15, 5},
                                           PositiveRangeCase{2, 5, 2, 5},
                                           PositiveRangeCase{-3, -1, 1e-15, 1 + 1e-15},
                                           // Constant 0: -1..1 first, then the low end.
                                           PositiveRangeCase{0, 0, 1e-15, 1}));

TEST(GraphDataTest, PairedModeRangesXFromTheTrajectories) {
    GraphData d;
    d.SetPaired(true);
    d.SetCounts(2, 1);
    d.SetExpectedPoints(3);
    d.SetXRange(-50, 50);
    d.AppendX(0, 10); // frequencies: not the horizontal values
    d.AppendPair(0, 0, 1, -4);
    d.AppendPair(0, 0, 3, 2);
    d.AppendPair(1, 0, -0.5, 0.25);
    EXPECT_EQ(d.PairX(0, 0).ValueAt(1), 3);
    EXPECT_EQ(d.Y(0, 0).ValueAt(1), 2);
    d.Finish();
    EXPECT_EQ(d.XAxis().low, -0.5);
    EXPECT_EQ(d.XAxis().high, 3);
    EXPECT_EQ(d.XAxis().initialLow, -0.5);
    EXPECT_EQ(d.Group(0).low, -4);
    EXPECT_EQ(d.Group(0).high, 2);
    EXPECT_EQ(d.CurveXMinimum(1), -0.5);
}

TEST(GraphDataTest, EmptyCurvesGiveTheWidestRangeNotAnInvertedOne) {
    GraphData d;
    d.SetCounts(1, 1);
    d.SetExpectedPoints(2);
    d.Finish();
    EXPECT_EQ(d.Group(0).low, -9999999);
    EXPECT_EQ(d.Group(0).high, 9999999);
}

TEST(GraphDataTest, AxisChangedUntilRestored) {
    AxisRange a;
    a.SetBoth(1, 2);
    EXPECT_FALSE(a.Changed());
    a.shownLow = 0; // the layout's rounding is no change
    EXPECT_FALSE(a.Changed());
    a.high = 1.5;
    EXPECT_TRUE(a.Changed());
    a.Restore();
    EXPECT_FALSE(a.Changed());
    EXPECT_EQ(a.high, 2);
}

TEST(GraphDataTest, SelectRunStaysInsideTheRuns) {
    GraphData d = TwoCurves();
    d.SelectRun(1);
    EXPECT_EQ(d.SelectedRun(), 1);
    d.SelectRun(2);
    EXPECT_EQ(d.SelectedRun(), 1);
    d.SetCounts(1, 1);
    EXPECT_EQ(d.SelectedRun(), 0);
}

TEST(GraphSetTest, ForwardsToOnePaneOrToEvery) {
    GraphSet set("График переходного процесса");
    set.SetPaneCount(2);
    ASSERT_EQ(set.PaneCount(), 2);
    set.SetCounts(kAllPanes, 1, 1);
    set.SetExpectedPoints(kAllPanes, 4);
    set.SetTitle(1, "График энергии");
    set.AppendRunValue(kAllPanes, 2.5);
    set.AppendX(kAllPanes, 0, 1);
    set.AppendY(0, 0, 0, 3);
    set.AppendY(1, 0, 0, 4);
    set.AppendY(2, 0, 0, 99); // no such pane
    set.AppendY(-2, 0, 0, 99);
    set.Finish(kAllPanes);
    EXPECT_EQ(set.PaneTitle(0), "");
    EXPECT_EQ(set.PaneTitle(1), "График энергии");
    EXPECT_EQ(set.PaneTitle(5), "");
    EXPECT_EQ(set.Pane(1).RunValues(), std::vector<double>{2.5});
    EXPECT_EQ(set.Pane(0).X(0).ValueAt(0), 1);
    EXPECT_EQ(set.Pane(1).Y(0, 0).Count(), 1u);
    EXPECT_EQ(set.Pane(0).Group(0).low, 2);
    EXPECT_EQ(set.Pane(1).Group(0).high, 5);
    set.SetStatusText("Время расчета: 0min 0s 5ms");
    EXPECT_EQ(set.StatusText(), "Время расчета: 0min 0s 5ms");

    // A new pane count resets the data of every pane, old ones included.
    set.SetPaneCount(3);
    EXPECT_EQ(set.PaneCount(), 3);
    EXPECT_EQ(set.Pane(0).RunCount(), 0);
    EXPECT_EQ(set.PaneTitle(1), "График энергии");
    set.SetPaneCount(1);
    EXPECT_EQ(set.PaneCount(), 1);
}

struct ScaleCase {
    int kind;
    double v;
    double coord;
};

class ScaleCoordTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleCoordTest, ValueAndCoordinate) {
    const ScaleCase& sc = GetParam();
    const auto kind = static_cast<ScaleKind>(sc.kind);
    EXPECT_DOUBLE_EQ(ValueToCoord(kind, sc.v), sc.coord);
    const bool known = sc.kind == 1 || sc.kind == 2 || sc.kind == 4;
    if (known && sc.v > 0) {
        EXPECT_NEAR(CoordToValue(kind, sc.coord), sc.v, 1e-12 * sc.v);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScaleCoordTest,
                         ::testing::Values(ScaleCase{1, -3.5, -3.5}, ScaleCase{1, 2, 2},
                                           ScaleCase{2, 1000, 3}, ScaleCase{2, 0.01, -2},
                                           ScaleCase{2, 0, 0}, ScaleCase{2, -10, 0},
                                           ScaleCase{4, 10, 20}, ScaleCase{4, 0.001, -60},
                                           ScaleCase{4, 0, 0}, ScaleCase{4, -1, 0},
                                           ScaleCase{3, 5, 0}, ScaleCase{8, 5, 0}));

struct FractionCase {
    int kind;
    double v;
    double lo;
    double hi;
    double fraction;
};

class ScaleFractionTest : public ::testing::TestWithParam<FractionCase> {};

TEST_P(ScaleFractionTest, FractionAndBack) {
    const FractionCase& fc = GetParam();
    const auto kind = static_cast<ScaleKind>(fc.kind);
    EXPECT_NEAR(AxisFraction(kind, fc.v, fc.lo, fc.hi), fc.fraction, 1e-12);
    if (fc.kind != 3 && (fc.kind == 1 || fc.v > 0)) {
        EXPECT_NEAR(FractionToValue(kind, fc.fraction, fc.lo, fc.hi), fc.v,
                    1e-12 * std::fabs(fc.v) + 1e-15);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScaleFractionTest,
    ::testing::Values(FractionCase{1, 5, 0, 10, 0.5}, FractionCase{1, -5, 0, 10, -0.5},
                      FractionCase{2, 100, 10, 10000, 1.0 / 3}, FractionCase{2, 10, 1, 100, 0.5},
                      FractionCase{4, 10, 1, 100, 0.5}, FractionCase{2, 0, 1, 100, 0},
                      FractionCase{4, -2, 1, 100, 0}, FractionCase{2, 1.5, 3, 12, -0.5},
                      FractionCase{3, 5, 0, 10, 0}));

TEST(ScaleKindTest, InverseFractionOfUnknownKindIsZero) {
    EXPECT_EQ(FractionToValue(static_cast<ScaleKind>(3), 0.5, 0, 10), 0);
    EXPECT_EQ(CoordToValue(static_cast<ScaleKind>(0), 2), 0);
}

} // namespace
