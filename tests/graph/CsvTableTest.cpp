#include "graph/CsvTable.h"
#include "graph/GraphData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvanix::graph;

namespace {

TEST(CsvTableTest, NoPanesGiveTheHeaderOnly) {
    EXPECT_EQ(CsvTable({}, false), "run,x\n");
    EXPECT_EQ(CsvTable({}, true), "run,,x\n");
}

TEST(CsvTableTest, TitlesAreQuotedOnlyWhenTheyMustBe) {
    GraphData d;
    d.SetCounts(3, 2);
    d.SetExpectedPoints(1);
    d.SetRunLabel("R(\"R1\"), Ом");
    d.SetCurveLabel(0, "plain");
    d.SetCurveLabel(1, "a,b");
    d.SetCurveLabel(2, "two\nlines");
    // A second run without its swept value leaves that field empty.
    d.AppendRunValue(0.25);
    for (int run = 0; run < 2; ++run) {
        d.AppendX(run, 1e-3);
        for (int c = 0; c < 3; ++c)
            d.AppendY(c, run, -c);
    }
    EXPECT_EQ(CsvTable({&d}, true), "run,\"R(\"\"R1\"\"), Ом\",x,plain,\"a,b\",\"two\nlines\"\n"
                                    "1,0.25,0.001,0,-1,-2\n"
                                    "2,,0.001,0,-1,-2\n");
}

} // namespace
