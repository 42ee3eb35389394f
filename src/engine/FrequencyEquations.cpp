#include "engine/FrequencyEquations.h"

#include "engine/AnalysisGraph.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/StateEquations.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/PassiveElements.h"
#include "model/Sources.h"

#include <cmath>
#include <cstddef>

namespace korvanix::engine {

namespace {

int Count(std::size_t n) {
    return static_cast<int>(n);
}

const Branch& At(const std::vector<Branch*>& list, int i) {
    return *list[static_cast<std::size_t>(i)];
}

bool IsHarmonic(const model::SourceElement* s) {
    return s && s->Mode() == model::SourceMode::Ac;
}

// s a (cos phi + j sin phi). The stored phase is taken as radians here although the
// time-domain waveform reads it in degrees: with exactly one harmonic source every
// result is a ratio to a quantity it drives, so its phase cancels anyway.
Complex Phasor(const model::SourceElement& s) {
    const double amplitude = s.Direction() * s.AcAmplitude();
    const double phase = s.AcPhase();
    return {amplitude * std::cos(phase), amplitude * std::sin(phase)};
}

} // namespace

Complex BranchAdmittance(const Branch& branch, double omega) {
    const Complex one(1, 0);
    Complex y;
    if (branch.r)
        y += one / Complex(branch.r->GetParam(0), 0);
    if (branch.c)
        y += one / Complex(0, -1 / (omega * branch.c->GetParam(0)));
    if (branch.l)
        y += one / Complex(0, omega * branch.l->GetParam(0));
    return y;
}

void FrequencyEquations::Formulate(AnalysisGraph& graph, StateEquations& sources) {
    UnistorsAndAdmittances(graph);
    HarmonicSources(graph, sources);
    IndependentProducts(graph);
}

void FrequencyEquations::BranchAdmittances(const AnalysisGraph& graph, double omega) {
    const int bo = Count(graph.ordinaryBranches.size());
    const int bc = Count(graph.capacitorSourceBranches.size());
    if (YO.Size() != bo)
        YO.Resize(bo);
    if (YC.Size() != bc)
        YC.Resize(bc);
    for (int i = 0; i < bo; ++i)
        YO[i] = BranchAdmittance(At(graph.ordinaryBranches, i), omega);
    for (int i = 0; i < bc; ++i)
        YC[i] = BranchAdmittance(At(graph.capacitorSourceBranches, i), omega);
}

void FrequencyEquations::UnistorsAndAdmittances(const AnalysisGraph& graph) {
    NI = Count(graph.independentNodes.size());
    NF = Count(graph.forestNodes.size());
    BO = Count(graph.ordinaryBranches.size());
    BC = Count(graph.capacitorSourceBranches.size());

    GuO = ComplexVector(BO);
    GuC = ComplexVector(BC);
    for (int i = 0; i < BO; ++i)
        if (const model::Unistor* u = At(graph.ordinaryBranches, i).unistor)
            GuO[i] = Complex(u->GetParam(0), 0);
    for (int i = 0; i < BC; ++i)
        if (const model::Unistor* u = At(graph.capacitorSourceBranches, i).unistor)
            GuC[i] = Complex(u->GetParam(0), 0);
    BranchAdmittances(graph, 1.0);
}

void FrequencyEquations::HarmonicSources(const AnalysisGraph& graph, StateEquations& sources) {
    sources.ordinaryCurrentSources.clear();
    sources.capSourceCurrentSources.clear();
    sources.voltageSources.clear();
    JO = ComplexVector(BO);
    JC = ComplexVector(BC);
    EC = ComplexVector(BC);

    for (int i = 0; i < BO; ++i) {
        model::SourceElement* j = At(graph.ordinaryBranches, i).j;
        if (!IsHarmonic(j))
            continue;
        sources.ordinaryCurrentSources.push_back({j, i});
        JO.At(i) = Phasor(*j);
    }
    for (int i = 0; i < BC; ++i) {
        const Branch& b = At(graph.capacitorSourceBranches, i);
        if (IsHarmonic(b.j)) {
            sources.capSourceCurrentSources.push_back({b.j, i});
            JC.At(i) = Phasor(*b.j);
        }
        if (IsHarmonic(b.e)) {
            sources.voltageSources.push_back({b.e, i});
            EC.At(i) = Phasor(*b.e);
        }
    }

    const std::size_t found = sources.ordinaryCurrentSources.size() +
                              sources.capSourceCurrentSources.size() +
                              sources.voltageSources.size();
    if (found == 0)
        throw model::SchemeError(scheme_error::NoHarmonicSource);
    if (found > 1)
        throw model::SchemeError(scheme_error::SeveralHarmonicSources);
}

void FrequencyEquations::IndependentProducts(AnalysisGraph& graph) {
    IncidenceMatrices<ComplexMatrix>& a = graph.complex;

    // a. The forest of voltage-source branches.
    inv22 = Inverse(a.A22);
    A12T = Transpose(a.A12);
    inv22T = Transpose(inv22);

    // b. Forest-node potentials eliminated through A22.
    const ComplexMatrix a12inv22 = Product(a.A12, inv22);
    D = a.A11;
    D.SubtractInPlace(Product(a12inv22, a.A21));
    DPrime = a.A11Prime;
    DPrime.SubtractInPlace(Product(a12inv22, a.A21Prime));
    EPrime = a.A12Prime;
    EPrime.SubtractInPlace(Product(a12inv22, a.A22Prime));
    DT = Transpose(D);
    DPrimeT = Transpose(DPrime);

    // c. A node that no admittance reaches makes the nodal matrix singular at every
    // frequency; it is reported as a circuit error before any point is computed.
    ComplexMatrix m = ScaleRows(DT, YO);
    m.AddInPlace(ScaleRows(DPrimeT, GuO));
    const ComplexMatrix yn1 = Product(D, m);
    if (yn1.Rows() > 0 && yn1.IsSingular())
        throw model::SchemeError(scheme_error::PhysicallyIncorrect);

    // d.
    EPrimeT = Transpose(EPrime);
    A21T = Transpose(a.A21);
    A22PrimeT = Transpose(a.A22Prime);
    A21PrimeT = Transpose(a.A21Prime);
    for (ComplexMatrix* x : {&D, &DT, &A21T, &inv22T}) {
        x->BuildRowIndex();
        x->BuildColumnIndex();
    }
    A22PrimeT.BuildRowIndex();
    EPrimeT.BuildRowIndex();
    A12T.BuildRowIndex();

    // e. The unistor parts of M1 and N1 do not depend on the frequency.
    PuO = ScaleRows(DPrimeT, GuO);
    QuO = ScaleRows(A21PrimeT, GuO);
}

void FrequencyEquations::Step(const AnalysisGraph& graph, double omega, NodalForm form) {
    // a.
    BranchAdmittances(graph, omega);

    // b. The step needs the products of a frequency formulation of this graph.
    if (!graph.frequency || DT.Rows() != YO.Size() ||
        (!DT.RowIndex().valid && !DT.ColumnIndex().valid))
        throw MatrixError();

    // c, d. Nodal admittance matrix of the independent nodes.
    M1.ScaleRowsIndexed(YO, DT);
    M1.AddInPlace(PuO);
    Yn.MultiplyRowIndexed(D, M1);

    // e. How the voltage-source branches drive the ordinary branches and the nodes.
    N1.ScaleRowsIndexed(YO, A21T);
    N1.AddInPlace(QuO);
    C1.MultiplyColumnIndexed(N1, inv22T);
    DC.MultiplyRowIndexed(D, C1);

    // f.
    if (form == NodalForm::Inverse)
        Z = Inverse(Yn);
    else
        nodal.Factor(Yn);
}

model::SchemeError Engine::FormulateFrequency(EngineNotifier& notifier) {
    return Guarded(notifier, [&] {
        PrepareWorkingCopy();
        graph_.BuildFrequency(scheme_);
        frequency_.Formulate(graph_, state_);
    });
}

} // namespace korvanix::engine
