// The exact responses the large-circuit comparison measures both programs
// against, checked against closed forms and against themselves; then the
// transient analysis of the same circuits, at small sizes, against them.
#include "ExactResponse.h"
#include "BenchCircuits.h"
#include "RcLadder.h"

#include "TransientTestSupport.h"
#include "analysis/DocumentAnalysis.h"
#include "document/Document.h"
#include "graph/GraphSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace korvanix;
using tools::ExactRequest;
using tools::ExactResponse;

// One section: v' = (u − v)/RC, so over a step with the wave held at u,
// v ← u + (v − u)·exp(−h/RC) exactly.
TEST(ExactResponseTest, OneSectionFollowsItsClosedForm) {
    ExactRequest request;
    request.circuit = "ladder";
    request.size = 1;
    const auto rows = ExactResponse(request);
    ASSERT_EQ(rows.size(), 2001u);
    const double h = 5e-3 / 2000;
    const double decay =
        std::exp(-h / (tools::LadderShape::kResistance * tools::LadderShape::kCapacitance));
    double v = 0;
    for (int step = 0; step < 2000; ++step) {
        const double u = (step / 200) % 2 == 0 ? 1.0 : 0.0;
        v = u + (v - u) * decay;
        const auto& row = rows[static_cast<std::size_t>(step) + 1];
        ASSERT_DOUBLE_EQ(row[0], (step + 1) * h);
        ASSERT_NEAR(row[1], v, 1e-14) << "at step " << step + 1;
        ASSERT_EQ(row[2], row[1]); // the only node is also the last
    }
}

// The rows asked for at given times, between and on the grid, agree with the
// grid's own rows: the two ways of reaching a time share nothing but the system.
TEST(ExactResponseTest, TimesOnAndBetweenTheGridAgreeWithTheGrid) {
    for (const char* circuit : {"ladder", "mesh", "line"}) {
        SCOPED_TRACE(circuit);
        ExactRequest grid;
        grid.circuit = circuit;
        grid.size = 5;
        grid.rowsPerStep = 4;
        const auto rows = ExactResponse(grid);
        ASSERT_EQ(rows.size(), 8001u);

        ExactRequest at = grid;
        // Every 7th quarter step, and the last row just past the end by rounding.
        for (std::size_t i = 0; i < rows.size(); i += 7)
            at.times.push_back(rows[i][0]);
        at.times.push_back(5e-3 * (1 + 1e-15));
        const auto picked = ExactResponse(at);
        ASSERT_EQ(picked.size(), at.times.size());
        for (std::size_t k = 0; k + 1 < picked.size(); ++k) {
            ASSERT_EQ(picked[k][0], rows[7 * k][0]);
            for (int curve : {1, 2})
                ASSERT_NEAR(picked[k][static_cast<std::size_t>(curve)],
                            rows[7 * k][static_cast<std::size_t>(curve)], 1e-13)
                    << "row " << 7 * k << " curve " << curve;
        }
        EXPECT_NEAR(picked.back()[1], rows.back()[1], 1e-13);
    }
}

TEST(ExactResponseTest, RequestsItCannotAnswerAreRefused) {
    const auto request = [](const char* circuit, int size) {
        ExactRequest r;
        r.circuit = circuit;
        r.size = size;
        return r;
    };
    ExactRequest offGrid = request("ladder", 3);
    offGrid.points = 2001; // the wave's edges fall between the points
    ExactRequest descending = request("ladder", 3);
    descending.times = {1e-3, 0.5e-3};
    ExactRequest noPoints = request("line", 3);
    noPoints.points = 0;
    const ExactRequest cases[] = {
        request("bridge", 3),
        request("ladder", 0),
        request("mesh", 1),
        request("line", -2),
        offGrid,
        descending,
        noPoints,
    };
    for (const ExactRequest& r : cases)
        EXPECT_THROW(ExactResponse(r), std::invalid_argument) << r.circuit << " " << r.size;
}

// Our transient analysis of the documents make_ladder writes, with EPS 1e-9 as in
// the comparison, against the exact response at every point it writes (the
// points just before each edge among them): within the EPS.
TEST(ExactResponseTest, TheAnalysisOfTheBenchCircuitsIsExact) {
    struct Case {
        const char* circuit;
        int size;
    };
    const Case cases[] = {{"ladder", 20}, {"mesh", 6}, {"line", 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.circuit) + " " + std::to_string(c.size));
        document::Document doc;
        const std::string circuit = c.circuit;
        if (circuit == "ladder") {
            tools::LadderShape shape;
            shape.sections = c.size;
            shape.eps = 1e-9;
            tools::BuildRcLadder(doc, shape);
        } else if (circuit == "mesh") {
            tools::MeshShape shape;
            shape.side = c.size;
            shape.transient.eps = 1e-9;
            tools::BuildRcMesh(doc, shape);
        } else {
            tools::LineShape shape;
            shape.sections = c.size;
            shape.transient.eps = 1e-9;
            tools::BuildLcLine(doc, shape);
        }

        graph::GraphSet graphs;
        analysis_test::RecordingReporter progress;
        engine_test::RecordingNotifier notifier;
        const analysis::DocumentAnalysisResult result =
            analysis::RunDocumentAnalysis(doc, false, graphs, progress, notifier);
        ASSERT_EQ(result.outcome, analysis::DocumentAnalysisOutcome::Success) << result.message;
        const graph::GraphData& pane = graphs.Pane(0);
        ASSERT_EQ(pane.CurveCount(), 2);

        ExactRequest request;
        request.circuit = c.circuit;
        request.size = c.size;
        for (std::size_t i = 0; i < pane.X(0).Count(); ++i)
            request.times.push_back(pane.X(0).ValueAt(i));
        const auto exact = ExactResponse(request);
        ASSERT_EQ(exact.size(), request.times.size());
        ASSERT_GT(exact.size(), 2000u);
        for (int curve = 0; curve < 2; ++curve) {
            double worst = 0;
            for (std::size_t i = 0; i < exact.size(); ++i)
                worst = std::max(worst, std::fabs(pane.Y(curve, 0).ValueAt(i) -
                                                  exact[i][static_cast<std::size_t>(curve) + 1]));
            EXPECT_LE(worst, 1e-9) << "curve " << curve;
        }
    }
}

} // namespace
