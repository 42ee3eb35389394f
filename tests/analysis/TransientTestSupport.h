#pragma once

// A progress reporter that records what the analysis shows and can stop it, a sink
// that drops everything, and a drawn circuit with an engine and the settings of a
// transient analysis around it.

#include "../engine/EngineTestSupport.h"

#include "analysis/ProgressReporter.h"
#include "analysis/TransientAnalysis.h"
#include "document/SettingsRecords.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "graph/GraphSet.h"
#include "graph/ResultsSink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace analysis_test {

using namespace korvanix;
using engine_test::Circuit;
using engine_test::RecordingNotifier;

class RecordingReporter : public analysis::ProgressReporter {
public:
    void ShowPercent(const std::string& text) override { percents.push_back(text); }
    void ShowRun(const std::string& text) override { runs.push_back(text); }
    bool Continue() override {
        ++pumps;
        return stopAfter < 0 || pumps < stopAfter;
    }
    void Warning(const std::string& text) override {
        warnings.push_back(text);
        if (onWarning)
            onWarning();
    }

    std::vector<std::string> percents;
    std::vector<std::string> runs;
    std::vector<std::string> warnings;
    int pumps = 0;
    int stopAfter = -1; // Continue answers false on this call (1-based); -1 never
    std::function<void()> onWarning;
};

// The bits of a double: equal bits are the same number, -0 and NaN included.
inline uint64_t Bits(double d) {
    uint64_t u = 0;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

// `got` holds `want`'s panes, runs and points, every x and every curve equal to
// the last bit; a difference is reported once, with the first point that has it.
inline void ExpectSameCurvesBitForBit(const graph::GraphSet& got, const graph::GraphSet& want) {
    ASSERT_EQ(got.PaneCount(), want.PaneCount());
    for (int pane = 0; pane < want.PaneCount(); ++pane) {
        const graph::GraphData& a = got.Pane(pane);
        const graph::GraphData& b = want.Pane(pane);
        ASSERT_EQ(a.CurveCount(), b.CurveCount()) << "pane " << pane;
        ASSERT_EQ(a.RunCount(), b.RunCount()) << "pane " << pane;
        for (int run = 0; run < b.RunCount(); ++run) {
            ASSERT_EQ(a.X(run).Count(), b.X(run).Count()) << "pane " << pane << ", run " << run;
            for (std::size_t i = 0; i < b.X(run).Count(); ++i) {
                ASSERT_EQ(Bits(a.X(run).ValueAt(i)), Bits(b.X(run).ValueAt(i)))
                    << "pane " << pane << ", run " << run << ", x of point " << i;
                for (int curve = 0; curve < b.CurveCount(); ++curve)
                    ASSERT_EQ(Bits(a.Y(curve, run).ValueAt(i)), Bits(b.Y(curve, run).ValueAt(i)))
                        << "pane " << pane << ", curve " << curve << ", run " << run << ", point "
                        << i;
            }
        }
    }
}

class NullSink : public graph::ResultsSink {
public:
    void SetPaneCount(int n) override { panes = n; }
    int PaneCount() const override { return panes; }
    void Reset(int) override {}
    void SetPaired(int, bool) override {}
    void SetCounts(int, int, int) override {}
    void SetExpectedPoints(int, int) override {}
    void SetTitle(int, const std::string&) override {}
    std::string PaneTitle(int) const override { return "title"; }
    void SetCurveName(int, int, const std::string&) override {}
    void SetCurveLabel(int, int, const std::string&) override {}
    void SetCurveGroup(int, int, int) override {}
    void SetGroupCaption(int, int, const std::string&) override {}
    void SetXCaption(int, const std::string&) override {}
    void SetPairXCaption(int, const std::string&) override {}
    void SetIntegerCaption(int, const std::string&) override {}
    void SetRunLabel(int, const std::string&) override {}
    void SetXRange(int, double, double) override {}
    void SetScales(int, int, int, int, int) override {}
    void SetLiveDrawing(int, bool) override {}
    void SetPositiveQuantity(int, bool) override {}
    void AppendRunValue(int, double) override {}
    void BeginSegment(int, int, int) override {}
    void AppendX(int, int, double) override { ++points; }
    void AppendY(int, int, int, double) override {}
    void AppendPair(int, int, int, double, double) override {}
    void AppendInteger(int, int, int32_t) override {}
    void EndSegment(int, int) override {}
    void Finish(int) override {}
    void SetStatusText(const std::string&) override {}

    int panes = 0;
    long points = 0;
};

// The output names of either analysis' settings, voltages then currents.
template <class Settings>
void SetOutputNames(Settings& settings, const std::vector<std::string>& voltages,
                    const std::vector<std::string>& currents) {
    settings.voltageOutputCount = static_cast<int32_t>(voltages.size());
    for (std::size_t i = 0; i < voltages.size(); ++i)
        settings.SetVoltageOutput(static_cast<int>(i), voltages[i]);
    settings.currentOutputCount = static_cast<int32_t>(currents.size());
    for (std::size_t i = 0; i < currents.size(); ++i)
        settings.SetCurrentOutput(static_cast<int>(i), currents[i]);
}

// A circuit, its engine, the transient settings and options, a headless graph set.
class TransientFixture : public ::testing::Test {
protected:
    TransientFixture() {
        options.autoCheckDepth = 0;
        options.checkDepth = 3;
        options.maxIter = 100;
    }

    void SetUp() override { c.Ground(0); }

    void Formulate() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        const model::SchemeError result = engine->FormulateTransient(notifier);
        ASSERT_EQ(result.Code(), 0) << engine::SchemeErrorMessage(result);
    }

    // Part p from start to end in `points` equal steps.
    void SetPart(int p, double start, double end, int points, double eps = 1e-12,
                 int graphType = 1) {
        document::IntervalPart& part = settings.parts[p];
        part.startTime = start;
        part.endTime = end;
        part.pointCount = points;
        part.mode = document::IntervalPart::ByPoints;
        part.step = (end - start) / points;
        part.eps = eps;
        part.graphType = graphType;
        settings.partCount = p + 1;
    }
    void SetOutputs(const std::vector<std::string>& voltages,
                    const std::vector<std::string>& currents) {
        SetOutputNames(settings, voltages, currents);
    }

    analysis::TransientOutcome Run() {
        plan = analysis::PlanTransient(*engine, settings);
        EXPECT_TRUE(plan.Ready()) << plan.message;
        return analysis::RunTransient(*engine, plan, settings, options, "doc.scm", graphs,
                                      reporter);
    }

    const graph::GraphData& Pane(int i = 0) const { return graphs.Pane(i); }
    std::vector<double> X(int run = 0, int pane = 0) const {
        std::vector<double> out;
        const graph::Curve& x = Pane(pane).X(run);
        for (std::size_t i = 0; i < x.Count(); ++i)
            out.push_back(x.ValueAt(i));
        return out;
    }
    std::vector<double> Y(int curve, int run = 0, int pane = 0) const {
        std::vector<double> out;
        const graph::Curve& y = Pane(pane).Y(curve, run);
        for (std::size_t i = 0; i < y.Count(); ++i)
            out.push_back(y.ValueAt(i));
        return out;
    }
    std::vector<int> Terms(int run = 0) const {
        std::vector<int> out;
        const graph::IntCurve& n = Pane(0).Integers(run);
        for (std::size_t i = 0; i < n.Count(); ++i)
            out.push_back(n.ValueAt(i));
        return out;
    }

    Circuit c;
    RecordingNotifier notifier;
    std::unique_ptr<engine::Engine> engine;
    document::TransientSettings settings;
    document::AnalysisOptions options;
    analysis::TransientPlan plan;
    graph::GraphSet graphs{"График переходного процесса"};
    RecordingReporter reporter;
};

} // namespace analysis_test
