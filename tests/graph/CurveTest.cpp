#include "graph/Curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace korvanix::graph;

namespace {

TEST(CurveTest, GrowsByDoublingWithoutMovingStoredValues) {
    Curve c;
    c.Reset(10);
    std::vector<const double*> where;
    for (int i = 0; i < 25; ++i) {
        c.Append(100 + i);
        where.push_back(c.Find(static_cast<std::size_t>(i)));
    }
    ASSERT_EQ(c.BlockCount(), 3u);
    EXPECT_EQ(c.BlockSize(0), 10u);
    EXPECT_EQ(c.BlockSize(1), 10u);
    EXPECT_EQ(c.BlockSize(2), 20u);
    EXPECT_EQ(c.Capacity(), 40u);
    EXPECT_EQ(c.Count(), 25u);
    EXPECT_EQ(c.ValueAt(24), 124);

    // Thousands of further values: every earlier value stays where it was stored.
    for (int i = 25; i < 5000; ++i)
        c.Append(100 + i);
    for (std::size_t i = 0; i < where.size(); ++i) {
        EXPECT_EQ(c.Find(i), where[i]) << i;
        EXPECT_EQ(*where[i], 100.0 + static_cast<double>(i));
    }
    for (std::size_t i = 0; i < 5000; i += 97)
        EXPECT_EQ(c.ValueAt(i), 100.0 + static_cast<double>(i)) << i;
    // 10, 10, 20, 40, ... : each new block as large as everything before it.
    for (std::size_t b = 2; b < c.BlockCount(); ++b)
        EXPECT_EQ(c.BlockSize(b), 10u << (b - 1)) << b;
}

// A copy (what an export on another thread reads) holds every value of every
// block, and each side grows on its own afterwards.
TEST(CurveTest, ACopyHoldsEveryValueAndGrowsApart) {
    for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{10}, std::size_t{37}}) {
        SCOPED_TRACE(n);
        Curve c;
        c.Reset(4);
        c.SetGrowthRule(3);
        for (std::size_t i = 0; i < n; ++i)
            c.Append(static_cast<double>(i) * 0.5);
        Curve copy(c);
        ASSERT_EQ(copy.Count(), n);
        EXPECT_EQ(copy.GrowthRule(), 3);
        for (std::size_t i = 0; i < n; ++i)
            EXPECT_EQ(copy.ValueAt(i), static_cast<double>(i) * 0.5) << i;
        EXPECT_EQ(copy.Minimum(), c.Minimum());
        EXPECT_EQ(copy.Maximum(), c.Maximum());
        copy.Append(-1);
        c.Append(-2);
        EXPECT_EQ(copy.ValueAt(n), -1);
        EXPECT_EQ(c.ValueAt(n), -2);
        Curve assigned;
        assigned.Append(7);
        assigned = c;
        EXPECT_EQ(assigned.Count(), n + 1);
        EXPECT_EQ(assigned.ValueAt(n), -2);
    }
}

TEST(CurveTest, ResetFreesEverythingAndRestoresDoubling) {
    Curve c;
    c.SetGrowthRule(3);
    c.Reset(4);
    EXPECT_EQ(c.GrowthRule(), -2);
    for (int i = 0; i < 5; ++i)
        c.Append(i);
    c.Reset(2);
    EXPECT_EQ(c.Count(), 0u);
    EXPECT_EQ(c.BlockCount(), 1u);
    EXPECT_EQ(c.Capacity(), 2u);
    EXPECT_EQ(c.ValueAt(0), 0);
}

struct RuleCase {
    int rule;
    std::size_t first;
    std::vector<std::size_t> sizes; // after appending 20 values
};

class CurveRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(CurveRuleTest, BlockSizes) {
    const RuleCase& rc = GetParam();
    Curve c;
    c.Reset(rc.first);
    c.SetGrowthRule(rc.rule);
    for (int i = 0; i < 20; ++i)
        c.Append(i);
    std::vector<std::size_t> sizes;
    for (std::size_t b = 0; b < c.BlockCount(); ++b)
        sizes.push_back(c.BlockSize(b));
    EXPECT_EQ(sizes, rc.sizes);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(c.ValueAt(static_cast<std::size_t>(i)), i);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CurveRuleTest,
    ::testing::Values(RuleCase{7, 4, {4, 7, 7, 7}}, // positive: fixed block size
                      RuleCase{-3, 4, {4, 8, 24}},  // ~(-3) = 2: triples the capacity
                      RuleCase{-2, 5, {5, 5, 10}},
                      // Nothing expected, or a rule that multiplies by zero: blocks of at
                      // least one value instead of blocks that hold nothing.
                      RuleCase{-2, 0, {1, 1, 2, 4, 8, 16}},
                      RuleCase{-1, 3, {3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}));

TEST(CurveTest, IndexesOutsideTheValuesReadZero) {
    Curve c;
    c.Reset(10);
    c.Append(5);
    c.Append(6);
    EXPECT_EQ(c.ValueAt(1), 6);
    EXPECT_EQ(c.ValueAt(2), 0);  // allocated but never written
    EXPECT_EQ(c.ValueAt(10), 0); // beyond the capacity
    EXPECT_EQ(c.ValueAt(std::numeric_limits<std::size_t>::max()), 0);
    EXPECT_EQ(c.Find(2), nullptr);
    const Curve never;
    EXPECT_EQ(never.ValueAt(0), 0);
}

TEST(CurveTest, MinimumAndMaximum) {
    Curve c;
    EXPECT_EQ(c.Minimum(), 9999999);
    EXPECT_EQ(c.Maximum(), -9999999);
    c.Reset(2);
    for (double v : {3.0, -1.5, 2.0, 7.25, 0.0})
        c.Append(v);
    EXPECT_EQ(c.Minimum(), -1.5);
    EXPECT_EQ(c.Maximum(), 7.25);

    // Values beyond the empty-series start are their own extremes.
    Curve big;
    big.Reset(4);
    big.Append(2e7);
    big.Append(5e7);
    EXPECT_EQ(big.Minimum(), 2e7);
    EXPECT_EQ(big.Maximum(), 5e7);
    Curve low;
    low.Reset(4);
    low.Append(-3e7);
    low.Append(-2e7);
    EXPECT_EQ(low.Maximum(), -2e7);
    EXPECT_EQ(low.Minimum(), -3e7);
}

TEST(CurveTest, NotANumberIsNoExtreme) {
    Curve c;
    c.Reset(4);
    c.Append(std::nan(""));
    c.Append(2);
    c.Append(std::nan(""));
    EXPECT_EQ(c.Minimum(), 2);
    EXPECT_EQ(c.Maximum(), 2);
}

TEST(CurveTest, IntegerVariantHasTheSameLayout) {
    IntCurve c;
    c.Reset(3);
    for (int32_t i = 1; i <= 7; ++i)
        c.Append(i * 11);
    EXPECT_EQ(c.BlockCount(), 3u);
    EXPECT_EQ(c.BlockSize(2), 6u);
    EXPECT_EQ(c.ValueAt(6), 77);
    EXPECT_EQ(c.ValueAt(7), 0);
    EXPECT_EQ(c.Minimum(), 11);
    EXPECT_EQ(c.Maximum(), 77);
    const IntCurve empty;
    EXPECT_EQ(empty.Minimum(), 9999999);
    EXPECT_EQ(empty.Maximum(), -9999999);
}

TEST(CurveTest, ClampKeepsMagnitudesWithin1e300) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(ClampValue(1e305), 1e300);
    EXPECT_EQ(ClampValue(-1e305), -1e300);
    EXPECT_EQ(ClampValue(inf), 1e300);
    EXPECT_EQ(ClampValue(-inf), -1e300);
    EXPECT_EQ(ClampValue(1e300), 1e300);
    EXPECT_EQ(ClampValue(-2.5e299), -2.5e299);
    EXPECT_EQ(ClampValue(0), 0);
    EXPECT_TRUE(std::isnan(ClampValue(std::nan(""))));
}

} // namespace
