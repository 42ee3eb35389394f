// An analysis on a worker thread hands its results over through a recorder
// while the owner replays them as they come: what arrives must be what the
// analysis would have put into the sink directly, bit for bit, titles and
// status included.
#include "TransientTestSupport.h"
#include "analysis/DocumentAnalysis.h"
#include "analysis/ProgressReporter.h"
#include "document/Document.h"
#include "graph/CsvTable.h"
#include "graph/GraphSet.h"
#include "graph/ResultsRecorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace {

using namespace korvanix;

// Publishes after every point, as the window's worker does.
class PublishingReporter : public analysis::ProgressReporter {
public:
    explicit PublishingReporter(graph::ResultsRecorder& recorder) : recorder_(recorder) {}
    void ShowPercent(const std::string&) override {}
    void ShowRun(const std::string&) override {}
    bool Continue() override {
        recorder_.Publish();
        return true;
    }
    void Warning(const std::string&) override {}

private:
    graph::ResultsRecorder& recorder_;
};

TEST(RecordedResultsTest, EveryExampleReplayedWhileItRunsEqualsTheDirectRun) {
    int runs = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KORVANIX_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".scm")
            continue;
        for (const bool frequency : {false, true}) {
            SCOPED_TRACE(entry.path().filename().string() + (frequency ? " frequency" : ""));
            document::Document direct, threaded;
            ASSERT_TRUE(direct.Open(entry.path().string()).read);
            ASSERT_TRUE(threaded.Open(entry.path().string()).read);

            graph::GraphSet want(analysis::kTransientTitle);
            analysis_test::RecordingReporter progress;
            engine_test::RecordingNotifier notifier;
            const analysis::DocumentAnalysisResult expected =
                analysis::RunDocumentAnalysis(direct, frequency, want, progress, notifier);

            // The window's order: set-up on the owner's side, the computation on
            // a worker, the replay on the owner's side meanwhile.
            graph::GraphSet got(analysis::kTransientTitle);
            analysis::DocumentAnalysis analysis(threaded, frequency);
            ASSERT_EQ(analysis.Formulate(notifier).Code(), expected.schemeError.Code());
            if (expected.schemeError.Code() != 0)
                continue;
            const std::string planned = analysis.Plan();
            if (!planned.empty()) {
                EXPECT_EQ(planned, expected.message);
                continue;
            }
            ASSERT_EQ(analysis.Configure(got), "");
            graph::ResultsRecorder recorder(got);
            PublishingReporter publishing(recorder);
            std::atomic<bool> done{false};
            analysis::DocumentAnalysisResult result;
            std::thread worker([&] {
                result = analysis.Compute(recorder, publishing);
                recorder.Publish();
                done = true;
            });
            int replays = 0;
            while (!done)
                replays += recorder.ReplayInto(got) ? 1 : 0;
            worker.join();
            recorder.ReplayInto(got);
            EXPECT_EQ(recorder.Pending(), 0u);
            EXPECT_GE(replays, 0);

            EXPECT_EQ(result.outcome, expected.outcome);
            EXPECT_EQ(result.message, expected.message);
            analysis_test::ExpectSameCurvesBitForBit(got, want);
            for (int p = 0; p < want.PaneCount(); ++p)
                EXPECT_EQ(got.PaneTitle(p), want.PaneTitle(p)) << p;
            std::vector<const graph::GraphData*> a, b;
            for (int p = 0; p < want.PaneCount(); ++p) {
                a.push_back(&got.Pane(p));
                b.push_back(&want.Pane(p));
            }
            EXPECT_EQ(graph::CsvTable(a, result.sweep), graph::CsvTable(b, expected.sweep));
            ++runs;
        }
    }
    EXPECT_GE(runs, 20);
}

// Texts published in several batches keep their own words when the owner has
// not replayed in between.
TEST(RecordedResultsTest, TextsOfBatchesPublishedTogetherStayTheirs) {
    graph::GraphSet target;
    target.SetPaneCount(2);
    graph::ResultsRecorder recorder(target);
    recorder.SetTitle(0, "first");
    recorder.SetCurveName(0, 0, "K");
    recorder.Publish();
    recorder.SetTitle(1, "second");
    recorder.SetXCaption(1, "f, Гц");
    recorder.SetStatusText("Время расчета: 0min 0s 1ms");
    recorder.Publish();
    EXPECT_EQ(recorder.PaneTitle(1), "second");
    EXPECT_EQ(recorder.PaneCount(), 2);
    EXPECT_TRUE(recorder.ReplayInto(target));
    EXPECT_FALSE(recorder.ReplayInto(target));
    EXPECT_EQ(target.PaneTitle(0), "first");
    EXPECT_EQ(target.PaneTitle(1), "second");
    EXPECT_EQ(target.Pane(0).CurveName(0), "K");
    EXPECT_EQ(target.Pane(1).XCaption(), "f, Гц");
    EXPECT_EQ(target.StatusText(), "Время расчета: 0min 0s 1ms");
}

} // namespace
