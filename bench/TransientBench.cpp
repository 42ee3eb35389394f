#include "BenchLadder.h"
#include "analysis/ProgressReporter.h"
#include "analysis/TransientAnalysis.h"
#include "document/SettingsRecords.h"
#include "engine/Engine.h"
#include "engine/EngineNotifier.h"
#include "graph/GraphSet.h"
#include "model/Element.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Wire.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>

namespace {

using namespace korvanix;

using bench::SilentNotifier;

class SilentProgress : public analysis::ProgressReporter {
public:
    void ShowPercent(const std::string&) override {}
    void ShowRun(const std::string&) override {}
    bool Continue() override { return true; }
    void Warning(const std::string&) override {}
};

// A 1 kHz square-wave source driving the ladder.
void BuildPulsedLadder(model::Scheme& s, int sections) {
    model::VoltageSource* source = bench::BuildLadder(s, sections);
    source->SetMode(model::SourceMode::Pulse);
    source->SetPulseFrequency(1000);
    source->SetPulseAmplitude(1);
}

// One run over 5 ms (five periods, ten edges) in 2000 points, plotting the first and
// the last capacitor's voltage and the source's current.
void TransientPulsedLadder(benchmark::State& state, bool sparse) {
    const int sections = static_cast<int>(state.range(0));
    model::Scheme scheme;
    BuildPulsedLadder(scheme, sections);
    engine::Engine engine(scheme);
    engine.UseSparseTransient(sparse);
    SilentNotifier notifier;
    if (engine.FormulateTransient(notifier).Code() != 0) {
        state.SkipWithError("the ladder did not formulate");
        return;
    }
    document::TransientSettings settings;
    document::IntervalPart& part = settings.parts[0];
    part.startTime = 0;
    part.endTime = 5e-3;
    part.pointCount = 2000;
    part.step = part.endTime / part.pointCount;
    part.eps = 1e-9;
    settings.SetVoltageOutput(0, "C1");
    settings.SetVoltageOutput(1, "C" + std::to_string(sections));
    settings.voltageOutputCount = 2;
    settings.SetCurrentOutput(0, "U1");
    settings.currentOutputCount = 1;
    document::AnalysisOptions options;
    SilentProgress progress;
    const analysis::TransientPlan plan = analysis::PlanTransient(engine, settings);
    graph::GraphSet graphs;
    for (auto _ : state) {
        analysis::RunTransient(engine, plan, settings, options, "ladder.scm", graphs, progress);
        benchmark::DoNotOptimize(graphs.Pane(0).X(0).Count());
    }
    state.counters["points"] = static_cast<double>(graphs.Pane(0).X(0).Count());
    // The Taylor step and the outputs of one point, on average.
    state.counters["per_point"] = benchmark::Counter(
        static_cast<double>(graphs.Pane(0).X(0).Count()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetComplexityN(sections);
}

// The dense products cost the square of the circuit in memory and in every step's
// row scans; the sparse ones their nonzero entries.
BENCHMARK_CAPTURE(TransientPulsedLadder, Dense, false)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK_CAPTURE(TransientPulsedLadder, Sparse, true)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Arg(1000)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
