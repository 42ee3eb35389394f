#include "engine/Engine.h"
#include "engine/EngineNotifier.h"
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

model::Element* Place(model::Scheme& s, model::ElementKind kind) {
    return s.PlaceNew(kind);
}

void Join(model::Scheme& s, model::Element* a, int pa, model::Element* b, int pb) {
    s.Join(a, pa, b, pb);
}

// A voltage source, then `sections` sections of a series resistor and a shunt
// capacitor to ground. Every inner node is a connector joining the resistor before,
// the capacitor and the resistor after; the grounds are one per capacitor.
void BuildLadder(model::Scheme& s, int sections) {
    model::Element* source = Place(s, model::kind::VoltageSource);
    static_cast<model::SourceElement*>(source)->SetDcValue(1);
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

void FormulateTransientLadder(benchmark::State& state) {
    model::Scheme scheme;
    BuildLadder(scheme, static_cast<int>(state.range(0)));
    engine::Engine engine(scheme);
    SilentNotifier notifier;
    for (auto _ : state) {
        const model::SchemeError result = engine.FormulateTransient(notifier);
        if (result.Code() != 0)
            state.SkipWithError("the ladder did not formulate");
        benchmark::DoNotOptimize(engine.State().F2.Rows());
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(FormulateTransientLadder)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// The frequency analysis needs its one harmonic source: the ladder's source,
// turned AC. Every resistor and capacitor is a branch of its own there and only the
// source node is a forest node, so the nodal matrix has one row per section.
void BuildAcLadder(model::Scheme& s, int sections) {
    BuildLadder(s, sections);
    for (const auto& e : s.elements)
        if (auto* source = dynamic_cast<model::SourceElement*>(e.get()))
            source->SetMode(model::SourceMode::Ac);
}

void FormulateFrequencyLadder(benchmark::State& state) {
    model::Scheme scheme;
    BuildAcLadder(scheme, static_cast<int>(state.range(0)));
    engine::Engine engine(scheme);
    SilentNotifier notifier;
    for (auto _ : state) {
        const model::SchemeError result = engine.FormulateFrequency(notifier);
        if (result.Code() != 0)
            state.SkipWithError("the ladder did not formulate");
        benchmark::DoNotOptimize(engine.Frequency().D.Rows());
    }
    state.SetComplexityN(state.range(0));
}

// One frequency point: admittances, nodal matrix and its inverse (or only its
// dense factors, or the sparse nodal matrix and its sparse factors, as the
// frequency analysis uses it) at the ladder's corner frequency 1 / (R C).
void FrequencyStepLadder(benchmark::State& state, engine::FrequencyEquations::NodalForm form) {
    model::Scheme scheme;
    BuildAcLadder(scheme, static_cast<int>(state.range(0)));
    engine::Engine engine(scheme);
    SilentNotifier notifier;
    if (engine.FormulateFrequency(notifier).Code() != 0) {
        state.SkipWithError("the ladder did not formulate");
        return;
    }
    for (auto _ : state) {
        engine.FrequencyStep(1000.0, form);
        benchmark::DoNotOptimize(engine.Frequency().Yn.Rows());
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(FormulateFrequencyLadder)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_CAPTURE(FrequencyStepLadder, Inverse, engine::FrequencyEquations::NodalForm::Inverse)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Arg(500)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_CAPTURE(FrequencyStepLadder, Factors, engine::FrequencyEquations::NodalForm::Factors)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_CAPTURE(FrequencyStepLadder, Sparse, engine::FrequencyEquations::NodalForm::Sparse)
    ->Arg(10)
    ->Arg(50)
    ->Arg(200)
    ->Arg(500)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
