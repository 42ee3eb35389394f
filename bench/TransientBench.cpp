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

class SilentNotifier : public engine::EngineNotifier {
public:
    void LoopWarning(const std::string&, const std::string&) override {}
    void PlainMessage(const std::string&) override {}
};

class SilentProgress : public analysis::ProgressReporter {
public:
    void ShowPercent(const std::string&) override {}
    void ShowRun(const std::string&) override {}
    bool Continue() override { return true; }
    void Warning(const std::string&) override {}
};

model::Element* Place(model::Scheme& s, model::ElementKind kind) {
    return s.PlaceNew(kind);
}

void Join(model::Scheme& s, model::Element* a, int pa, model::Element* b, int pb) {
    s.Join(a, pa, b, pb);
}

// A 1 kHz square-wave source, then `sections` sections of a series 1 kΩ resistor
// and a 1 µF capacitor to ground.
void BuildPulsedLadder(model::Scheme& s, int sections) {
    auto* source = static_cast<model::VoltageSource*>(Place(s, model::kind::VoltageSource));
    source->SetMode(model::SourceMode::Pulse);
    source->SetPulseFrequency(1000);
    source->SetPulseAmplitude(1);
    Join(s, source, 1, Place(s, model::kind::Ground), 1);
    model::Element* previous = source;
    int previousPin = 2;
    for (int k = 0; k < sections; ++k) {
        model::Element* r = Place(s, model::kind::Resistor);
        model::Element* c = Place(s, model::kind::Capacitor);
        model::Element* node = Place(s, model::kind::Connector);
        r->SetParam(0, 1000);
        c->SetParam(0, 1e-6);
        Join(s, previous, previousPin, r, 1);
        Join(s, r, 2, node, 1);
        Join(s, node, 2, c, 1);
        Join(s, c, 2, Place(s, model::kind::Ground), 1);
        previous = node;
        previousPin = 3;
    }
    s.RenumberNodes();
    s.RenumberNames();
}

// One run over 5 ms (five periods, ten edges) in 2000 points, plotting the first and
// the last capacitor's voltage and the source's current.
void TransientPulsedLadder(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    model::Scheme scheme;
    BuildPulsedLadder(scheme, sections);
    engine::Engine engine(scheme);
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
    state.SetComplexityN(sections);
}

BENCHMARK(TransientPulsedLadder)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
