#include "BenchLadder.h"
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

using bench::SilentNotifier;

void BuildLadder(model::Scheme& s, int sections) {
    bench::BuildLadder(s, sections)->SetDcValue(1);
}

// Ladder sections of every benchmark here (the inverse stops at 500: it is cubic).
void LadderSizesUpTo500(benchmark::internal::Benchmark* b) {
    for (int sections : {10, 50, 200, 500})
        b->Arg(sections);
    b->Unit(benchmark::kMillisecond)->Complexity();
}

void LadderSizes(benchmark::internal::Benchmark* b) {
    LadderSizesUpTo500(b);
    b->Arg(1000);
}

// Dense: every product as a full matrix (the tests' reference); sparse: the
// compressed rows the analyses use.
void FormulateTransientLadder(benchmark::State& state, bool sparse) {
    model::Scheme scheme;
    BuildLadder(scheme, static_cast<int>(state.range(0)));
    engine::Engine engine(scheme);
    engine.UseSparseTransient(sparse);
    SilentNotifier notifier;
    for (auto _ : state) {
        const model::SchemeError result = engine.FormulateTransient(notifier);
        if (result.Code() != 0)
            state.SkipWithError("the ladder did not formulate");
        benchmark::DoNotOptimize(engine.State().step.F2.Rows());
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK_CAPTURE(FormulateTransientLadder, Dense, false)->Apply(LadderSizes);
BENCHMARK_CAPTURE(FormulateTransientLadder, Sparse, true)->Apply(LadderSizes)->Arg(2000)->Arg(5000);

// The frequency analysis needs its one harmonic source: the ladder's source,
// turned AC. Every resistor and capacitor is a branch of its own there and only the
// source node is a forest node, so the nodal matrix has one row per section.
void BuildAcLadder(model::Scheme& s, int sections) {
    bench::BuildLadder(s, sections)->SetMode(model::SourceMode::Ac);
}

// Dense: every product as a matrix (what the dense step forms read); sparse: the
// products that grow with the square of the circuit as sparse rows, as the
// frequency analysis formulates.
void FormulateFrequencyLadder(benchmark::State& state, bool sparse) {
    model::Scheme scheme;
    BuildAcLadder(scheme, static_cast<int>(state.range(0)));
    engine::Engine engine(scheme);
    engine.UseSparseFrequency(sparse);
    SilentNotifier notifier;
    for (auto _ : state) {
        const model::SchemeError result = engine.FormulateFrequency(notifier);
        if (result.Code() != 0)
            state.SkipWithError("the ladder did not formulate");
        benchmark::DoNotOptimize(engine.Frequency().YnSparse.Rows());
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
    engine.UseSparseFrequency(form == engine::FrequencyEquations::NodalForm::Sparse);
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

BENCHMARK_CAPTURE(FormulateFrequencyLadder, Dense, false)->Apply(LadderSizes);

BENCHMARK_CAPTURE(FormulateFrequencyLadder, Sparse, true)->Apply(LadderSizes);

BENCHMARK_CAPTURE(FrequencyStepLadder, Inverse, engine::FrequencyEquations::NodalForm::Inverse)
    ->Apply(LadderSizesUpTo500);

BENCHMARK_CAPTURE(FrequencyStepLadder, Factors, engine::FrequencyEquations::NodalForm::Factors)
    ->Apply(LadderSizes);

BENCHMARK_CAPTURE(FrequencyStepLadder, Sparse, engine::FrequencyEquations::NodalForm::Sparse)
    ->Apply(LadderSizes);

} // namespace

BENCHMARK_MAIN();
