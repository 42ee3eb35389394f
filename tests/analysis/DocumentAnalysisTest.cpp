#include "analysis/DocumentAnalysis.h"

#include "TransientTestSupport.h"
#include "document/Document.h"
#include "graph/GraphSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace korvanix;
using analysis::DocumentAnalysisOutcome;
using analysis::DocumentAnalysisResult;
using analysis_test::RecordingReporter;
using engine_test::RecordingNotifier;

const std::string kExamples = std::string(KORVANIX_SOURCE_DIR) + "/examples/";

TEST(DocumentAnalysisTest, ExamplesFillTheSinkAndLeaveTheDocumentAlone) {
    struct Case {
        const char* file;
        bool frequency;
        bool sweep;
        int runs;
        std::size_t points; // per run
    };
    const Case cases[] = {
        // R1 swept over four values, 401 points each.
        {"rlc_series.scm", false, true, 4, 401},
        {"transistor_amplifier.scm", true, false, 1, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        document::Document doc;
        ASSERT_TRUE(doc.Open(kExamples + c.file).read);
        const std::vector<uint8_t> before = doc.Serialize();

        graph::GraphSet graphs;
        RecordingReporter progress;
        RecordingNotifier notifier;
        const DocumentAnalysisResult r =
            analysis::RunDocumentAnalysis(doc, c.frequency, graphs, progress, notifier);
        EXPECT_EQ(r.outcome, DocumentAnalysisOutcome::Success) << r.message;
        EXPECT_EQ(r.message, "");
        EXPECT_TRUE(r.started);
        EXPECT_EQ(r.sweep, c.sweep);

        ASSERT_GE(graphs.PaneCount(), 1);
        const graph::GraphData& pane = graphs.Pane(0);
        EXPECT_GT(pane.CurveCount(), 0);
        ASSERT_EQ(pane.RunCount(), c.runs);
        for (int run = 0; run < c.runs; ++run)
            EXPECT_EQ(pane.X(run).Count(), c.points) << "run " << run;
        EXPECT_NE(graphs.StatusText().find("Время расчета"), std::string::npos);
        EXPECT_FALSE(progress.percents.empty());
        // The settings the analysis learns from (the check depth among them) are
        // not written back.
        EXPECT_EQ(doc.Serialize(), before);
    }
}

TEST(DocumentAnalysisTest, RefusalsComputeNothing) {
    struct Case {
        const char* what;
        bool frequency;
        bool clearOutputs;
        DocumentAnalysisOutcome outcome;
        std::string message;
    };
    const Case cases[] = {
        // The square wave is not a harmonic source.
        {"frequency without an input", true, false, DocumentAnalysisOutcome::NotAnalysable,
         "Присоедините 1 гармонический источник\nко входу, чтобы рассчитать АЧХ/ФЧХ."},
        {"transient without outputs", false, true, DocumentAnalysisOutcome::AnalysisFailed,
         "Пожалуйста, выберите переменную для расчета"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        document::Document doc;
        ASSERT_TRUE(doc.Open(kExamples + "square_wave_rc.scm").read);
        if (c.clearOutputs) {
            doc.settings.transient.voltageOutputCount = 0;
            doc.settings.transient.currentOutputCount = 0;
            doc.settings.transient.energyGraph = 0;
        }
        graph::GraphSet graphs;
        RecordingReporter progress;
        RecordingNotifier notifier;
        const DocumentAnalysisResult r =
            analysis::RunDocumentAnalysis(doc, c.frequency, graphs, progress, notifier);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.schemeError.Code() != 0, c.outcome == DocumentAnalysisOutcome::NotAnalysable);
        EXPECT_FALSE(r.started);
        EXPECT_EQ(graphs.PaneCount(), 0);
        EXPECT_TRUE(progress.percents.empty());
    }
}

} // namespace
