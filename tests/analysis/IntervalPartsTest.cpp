#include "analysis/IntervalParts.h"
#include "document/SettingsRecords.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace korvanix::analysis {
namespace {

using document::IntervalPart;
using document::TransientSettings;

// Parts laid end to end from the given boundaries, each with a recognisable point
// count so that moved parts can be told apart.
TransientSettings Parts(const std::vector<double>& bounds) {
    TransientSettings s;
    s.partCount = static_cast<int32_t>(bounds.size() - 1);
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        IntervalPart& p = s.parts[i];
        p.startTime = bounds[i];
        p.endTime = bounds[i + 1];
        p.pointCount = 100 + static_cast<int32_t>(i);
    }
    return s;
}

bool SameBytes(const IntervalPart& a, const IntervalPart& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(IntervalParts, PointsFromStep) {
    struct Case {
        double start, end, step;
        int points;
    };
    const Case cases[] = {
        {0, 1e-3, 3e-5, 34},     // 33.33… intervals, the last one shortened
        {0, 9.9999995, 1, 10},   // just under a whole number: that number
        {0, 10.2, 1, 11},        // a fraction: one more interval
        {0, 10, 1, 10},          // exact
        {0, 10.0000005, 1, 10},  // within 1e-6 above: no sliver interval
        {0, 10.00001, 1, 11},    // beyond the tolerance: a short last interval
        {1e-3, 2e-3, 1e-5, 100}, // (2e-3 − 1e-3) / 1e-5 is 100 only up to rounding
        {0, 1e-3, 2e-3, 1},      // a step longer than the part: one point
        {0, 1, -0.3, -3},        // a negative step: no positive count
        {0, 1, 0, 0},            // zero step: infinitely many intervals, no count
        {0, 1, 1e-12, 0},        // beyond int: no count rather than an overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(PointsFromStep(c.start, c.end, c.step), c.points)
            << c.start << " … " << c.end << " step " << c.step;
}

TEST(IntervalParts, StepFromPoints) {
    EXPECT_DOUBLE_EQ(StepFromPoints(0, 1e-3, 100), 1e-5);
    EXPECT_DOUBLE_EQ(StepFromPoints(1e-3, 4e-3, 3), 1e-3);
}

TEST(IntervalParts, AddAppendsADefaultPartAtTheEnd) {
    TransientSettings s = Parts({0, 1e-3, 5e-3});
    s.parts[1].eps = 1e-9;
    s.parts[1].mode = IntervalPart::ByStep;
    ASSERT_TRUE(AddIntervalPart(s));
    EXPECT_EQ(s.partCount, 3);
    IntervalPart expected;
    expected.startTime = 5e-3;
    expected.endTime = 5e-3 + 1e-3;
    EXPECT_TRUE(SameBytes(s.parts[2], expected)) << "the new part takes nothing from the last";
    EXPECT_EQ(s.parts[1].pointCount, 101);
}

TEST(IntervalParts, AddIsRefusedAtNineParts) {
    TransientSettings s = Parts({0, 1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(AddIntervalPart(s));
    EXPECT_EQ(s.partCount, 9);
    const TransientSettings before = s;
    EXPECT_FALSE(AddIntervalPart(s));
    EXPECT_TRUE(document::SameBytes(s, before));
}

TEST(IntervalParts, DeleteClosesTheGapAndMovesTheLaterPartsDown) {
    struct Case {
        int index;
        std::vector<double> starts;
        std::vector<double> ends;
        std::vector<int> points;
    };
    const Case cases[] = {
        // The middle part: the part before takes its end, the last keeps its times.
        {1, {0, 3e-3}, {3e-3, 6e-3}, {100, 102}},
        // The first part: the next one becomes the first with its own start.
        {0, {1e-3, 3e-3}, {3e-3, 6e-3}, {101, 102}},
        // The last part: nothing moves.
        {2, {0, 1e-3}, {1e-3, 3e-3}, {100, 101}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        TransientSettings s = Parts({0, 1e-3, 3e-3, 6e-3});
        ASSERT_TRUE(DeleteIntervalPart(s, c.index));
        ASSERT_EQ(s.partCount, 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_DOUBLE_EQ(s.parts[i].startTime, c.starts[i]) << i;
            EXPECT_DOUBLE_EQ(s.parts[i].endTime, c.ends[i]) << i;
            EXPECT_EQ(s.parts[i].pointCount, c.points[i]) << i;
        }
    }
}

TEST(IntervalParts, DeleteLeavesTheSlotsBeyondTheCountAsTheyWere) {
    TransientSettings s = Parts({0, 1e-3, 3e-3, 6e-3});
    s.parts[5].eps = 42; // an old part from before, stored with the document
    const TransientSettings before = s;
    ASSERT_TRUE(DeleteIntervalPart(s, 1));
    EXPECT_TRUE(SameBytes(s.parts[2], before.parts[2])) << "the old last slot is not cleared";
    for (int i = 3; i < document::kMaxIntervalParts; ++i)
        EXPECT_TRUE(SameBytes(s.parts[i], before.parts[i])) << i;
}

TEST(IntervalParts, DeleteRefusesTheOnlyPartAndIndexesOutside) {
    TransientSettings one = Parts({0, 1e-3});
    EXPECT_FALSE(DeleteIntervalPart(one, 0));
    EXPECT_EQ(one.partCount, 1);
    TransientSettings two = Parts({0, 1e-3, 2e-3});
    const TransientSettings before = two;
    EXPECT_FALSE(DeleteIntervalPart(two, 2));
    EXPECT_FALSE(DeleteIntervalPart(two, -1));
    EXPECT_TRUE(document::SameBytes(two, before));
}

TEST(IntervalParts, ShiftKeepsEachLaterPartsDuration) {
    TransientSettings s = Parts({0, 1e-3, 3e-3, 6e-3});
    s.parts[0].endTime = 2e-3;
    ShiftLaterParts(s, 0);
    EXPECT_DOUBLE_EQ(s.parts[1].startTime, 2e-3);
    EXPECT_DOUBLE_EQ(s.parts[1].endTime, 4e-3);
    EXPECT_DOUBLE_EQ(s.parts[2].startTime, 4e-3);
    EXPECT_DOUBLE_EQ(s.parts[2].endTime, 7e-3);

    // From a middle part only the parts after it move.
    s.parts[1].endTime = 5e-3;
    ShiftLaterParts(s, 1);
    EXPECT_DOUBLE_EQ(s.parts[0].endTime, 2e-3);
    EXPECT_DOUBLE_EQ(s.parts[2].startTime, 5e-3);
    EXPECT_DOUBLE_EQ(s.parts[2].endTime, 8e-3);
    // The slot past the count is not a part.
    EXPECT_EQ(s.parts[3].startTime, 0.0);
}

// end − start + start is not always the end again: a part that needs no shift must
// keep its bytes, or an untouched dialog would mark the document modified.
TEST(IntervalParts, ShiftLeavesPartsAlreadyInPlace) {
    TransientSettings s = Parts({0, 1.0 / 3000, 0.7, 1.1});
    const TransientSettings before = s;
    ShiftLaterParts(s, 0);
    EXPECT_TRUE(document::SameBytes(s, before));
    // Only from the first part that moves on.
    s.parts[1].endTime = 0.8;
    ShiftLaterParts(s, 1);
    EXPECT_DOUBLE_EQ(s.parts[2].startTime, 0.8);
    EXPECT_DOUBLE_EQ(s.parts[2].endTime, 1.2);
}

// A count from a damaged document still leaves the operations inside the table.
TEST(IntervalParts, ACountOutsideOneToNineIsTakenAsTheNearestEnd) {
    TransientSettings s = Parts({0, 1e-3});
    s.partCount = 0;
    EXPECT_EQ(PartCount(s), 1);
    EXPECT_FALSE(DeleteIntervalPart(s, 0));
    s.partCount = 40;
    EXPECT_EQ(PartCount(s), 9);
    EXPECT_FALSE(AddIntervalPart(s));
    EXPECT_TRUE(DeleteIntervalPart(s, 8));
    EXPECT_EQ(s.partCount, 8);
}

TEST(IntervalParts, ScanPointCountReadsLikePercentD) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"100", 100},
        {"  42", 42},
        {"-5", -5},
        {"+7", 7},
        {"12abc", 12},
        {"3.9", 3},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {" ", 0},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanPointCount(c.text), c.value) << '"' << c.text << '"';
}

} // namespace
} // namespace korvanix::analysis
