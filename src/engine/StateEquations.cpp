#include "engine/StateEquations.h"

#include "engine/AnalysisGraph.h"
#include "engine/ErrorMessages.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/PassiveElements.h"
#include "model/Sources.h"

#include <cstddef>
#include <initializer_list>

namespace korvanix::engine {

namespace {

int Count(std::size_t n) {
    return static_cast<int>(n);
}

// out = A·B over the nonzero entries of A, whose row index is built here first (A
// is a product of this step, so no index exists for it yet).
void RowProduct(Matrix& out, Matrix& a, const Matrix& b) {
    a.BuildRowIndex();
    out.MultiplyRowIndexed(a, b);
}

// [A | B | C]
void Concat3(Matrix& out, const Matrix& a, const Matrix& b, const Matrix& c) {
    out.ConcatColumns(a, b);
    out.ConcatColumns(out, c);
}

// Stacks the parts into `out`, in place: the transient step calls this at every
// order, and once `out` has its size nothing is allocated.
void StackInto(Vector& out, std::initializer_list<const Vector*> parts) {
    int size = 0;
    for (const Vector* v : parts)
        size += v->Size();
    if (out.Size() != size)
        out.Resize(size);
    int k = 0;
    for (const Vector* v : parts)
        for (int i = 0; i < v->Size(); ++i)
            out[k++] = (*v)[i];
}

bool IsPulseLike(const model::SourceElement& s) {
    return s.Mode() == model::SourceMode::Pulse ||
           (s.Mode() == model::SourceMode::Ac && s.HasEndTime());
}

} // namespace

void StateEquations::Formulate(AnalysisGraph& graph) {
    FillElementValues(graph);
    CollectSources(graph);
    TopologyProducts(graph);
}

void StateEquations::FillElementValues(const AnalysisGraph& graph) {
    NI = Count(graph.independentNodes.size());
    NF = Count(graph.forestNodes.size());
    BO = Count(graph.ordinaryBranches.size());
    BC = Count(graph.capacitorSourceBranches.size());
    kO = graph.S1.Rows();
    kC = graph.S2.Rows();

    for (Matrix* m : {&G1, &Gamma1, &Gu1})
        m->ResizeZeroed(BO, BO);
    for (Matrix* m : {&G2, &Gamma2, &Gu2, &Cinv})
        m->ResizeZeroed(BC, BC);
    L1 = Vector(BO);
    iL1 = Vector(BO);
    L2 = Vector(BC);
    iL2 = Vector(BC);
    Cval = Vector(BC);
    uCinit = Vector(BC);
    dynamic = ordinaryInductance = capSourceInductance = capacitor = false;

    for (int i = 0; i < BO; ++i) {
        const Branch& b = *graph.ordinaryBranches[static_cast<std::size_t>(i)];
        if (b.r)
            G1(i, i) = 1 / b.r->GetParam(0);
        if (b.l) {
            const double l = b.l->GetParam(0);
            Gamma1(i, i) = 1 / l;
            L1[i] = l;
            iL1[i] = b.l->GetParam(1);
            dynamic = ordinaryInductance = true;
        }
        if (b.unistor)
            Gu1(i, i) = b.unistor->GetParam(0);
    }
    for (int i = 0; i < BC; ++i) {
        const Branch& b = *graph.capacitorSourceBranches[static_cast<std::size_t>(i)];
        if (b.r)
            G2(i, i) = 1 / b.r->GetParam(0);
        if (b.l) {
            const double l = b.l->GetParam(0);
            Gamma2(i, i) = 1 / l;
            L2[i] = l;
            iL2[i] = b.l->GetParam(1);
            dynamic = capSourceInductance = true;
        }
        if (b.unistor)
            Gu2(i, i) = b.unistor->GetParam(0);
        if (b.c) {
            const double c = b.c->GetParam(0);
            Cinv(i, i) = 1 / c;
            Cval[i] = c;
            uCinit[i] = b.c->GetParam(1);
            dynamic = capacitor = true;
        }
    }

    Matrix s2(graph.S2);
    RowProduct(S2Gamma2, s2, Gamma2);
    iL1 = TimesVector(graph.S1, iL1);
    iL2 = TimesVector(graph.S2, iL2);
    L1 = TimesVector(graph.S1, L1);
    L2 = TimesVector(graph.S2, L2);
}

void StateEquations::CollectSources(const AnalysisGraph& graph) {
    jO = Vector(kO);
    jC = Vector(kC);
    eC = Vector(BC);
    w12 = Vector(kO + BC);
    w123 = Vector(kO + BC + kC);
    ForgetSources();

    for (int i = 0; i < BO; ++i) {
        const Branch& b = *graph.ordinaryBranches[static_cast<std::size_t>(i)];
        if (b.j)
            ordinaryCurrentSources.push_back({b.j, graph.S1Row(i)});
    }
    for (int i = 0; i < BC; ++i) {
        const Branch& b = *graph.capacitorSourceBranches[static_cast<std::size_t>(i)];
        if (b.j)
            capSourceCurrentSources.push_back({b.j, graph.S2Row(i)});
        if (b.e) {
            voltageSources.push_back({b.e, i});
            if (IsPulseLike(*b.e))
                pulseSources.push_back({b.e, i});
        }
    }
    pulseSourceCount = Count(pulseSources.size() + switchingSchedule.size());
}

void StateEquations::ForgetSources() {
    ordinaryCurrentSources.clear();
    capSourceCurrentSources.clear();
    voltageSources.clear();
    pulseSources.clear();
    switchingSchedule.clear();
    pulseSourceCount = 0;
}

void StateEquations::TopologyProducts(AnalysisGraph& graph) {
    IncidenceMatrices<Matrix>& a = graph.real;

    inv22 = Inverse(a.A22);
    A12T = Transpose(a.A12);
    inv22T = Transpose(inv22);

    // A12·inv22 is common to D, D' and E'; the incidence factors carry indexes so
    // that the products cost their nonzero entries only.
    a.A12.BuildRowIndex();
    a.A21.BuildColumnIndex();
    a.A21Prime.BuildColumnIndex();
    a.A22Prime.BuildColumnIndex();
    Matrix a12inv22;
    a12inv22.MultiplyRowIndexed(a.A12, inv22);

    D = a.A11;
    t1_.MultiplyColumnIndexed(a12inv22, a.A21);
    D.SubtractInPlace(t1_);
    DPrime = a.A11Prime;
    t1_.MultiplyColumnIndexed(a12inv22, a.A21Prime);
    DPrime.SubtractInPlace(t1_);
    EPrime = a.A12Prime;
    t1_.MultiplyColumnIndexed(a12inv22, a.A22Prime);
    EPrime.SubtractInPlace(t1_);

    Matrix& s1 = graph.S1;
    Matrix& s1t = graph.S1T;
    Matrix& s2t = graph.S2T;
    s1t.BuildColumnIndex();
    DS.MultiplyColumnIndexed(D, s1t);
    DT = Transpose(D);
    DPrimeT = Transpose(DPrime);
    EPrimeT = Transpose(EPrime);
    A21T = Transpose(a.A21);
    A21PrimeT = Transpose(a.A21Prime);
    A22PrimeT = Transpose(a.A22Prime);

    D.BuildRowIndex();
    DS.BuildRowIndex();
    A12T.BuildRowIndex();
    inv22.BuildRowIndex();
    inv22T.BuildRowIndex();
    s2t.BuildRowIndex();
    s1.BuildRowIndex();
    D.BuildColumnIndex();
    inv22T.BuildColumnIndex();
    // Not needed by the integration, but they keep the state-matrix products sparse.
    DT.BuildRowIndex();
    EPrimeT.BuildRowIndex();
    A21T.BuildRowIndex();
    A22PrimeT.BuildRowIndex();

    StateMatrices(graph);
}

void StateEquations::StateMatrices(const AnalysisGraph& graph) {
    for (Matrix* m : {&G1, &G2, &Gu1, &Gu2, &Gamma1, &S2Gamma2, &Cinv})
        m->BuildRowIndex();

    // 1. The nodal step needs the conductances and the topology of one formulation.
    if (G1.Cols() != DT.Rows() || !G1.RowIndex().valid)
        throw MatrixError();

    // 2. Nodal conductance matrix of the independent nodes.
    M1.MultiplyRowIndexed(G1, DT);
    t1_.MultiplyRowIndexed(Gu1, DPrimeT);
    M1.AddInPlace(t1_);
    Yn.MultiplyRowIndexed(D, M1);

    // 3. How the forest voltages drive the ordinary branches and the nodes.
    N1.MultiplyRowIndexed(G1, A21T);
    t1_.MultiplyRowIndexed(Gu1, A21PrimeT);
    N1.AddInPlace(t1_);
    C1.MultiplyColumnIndexed(N1, inv22T);
    DC.MultiplyRowIndexed(D, C1);

    // 4. Z = Yn^-1, tested first so that a floating node is named as such.
    // The determinant's product of pivots underflows to zero for large sound
    // circuits; what matters is whether a pivot column is exactly zero.
    if (NI > 0 && Yn.IsSingular())
        throw model::SchemeError(scheme_error::PhysicallyIncorrect);
    Z = Inverse(Yn);
    DC.BuildRowIndex();
    DC.BuildColumnIndex();
    Z.BuildRowIndex();
    Z.BuildColumnIndex();

    // 5. Ordinary-branch voltages.
    P1.MultiplyRowIndexed(DT, Z);
    Q1.MultiplyColumnIndexed(P1, D);
    KLJ1.MultiplyColumnIndexed(Q1, graph.S1T);
    Kv1.MultiplyRowIndexed(A21T, inv22T);
    t1_.MultiplyColumnIndexed(P1, DC);
    Kv1.SubtractInPlace(t1_);

    // 6. H2 = Gu2·E'T·Z·D + inv22·A21·(M1·Z·D − I).
    t1_.MultiplyRowIndexed(Gu2, EPrimeT);
    RowProduct(t2_, t1_, Z);
    H2.MultiplyColumnIndexed(t2_, D);
    t3_.MultiplyColumnIndexed(M1, Z); // M1·Z, used again in 7
    t4_.MultiplyColumnIndexed(t3_, D);
    t4_.AddToDiagonal(-1.0);
    inv22A21_.MultiplyInto(inv22, graph.real.A21);
    t2_.MultiplyInto(inv22A21_, t4_);
    H2.AddInPlace(t2_);
    KLJ2.MultiplyColumnIndexed(H2, graph.S1T);

    // 7. Y22 = G2 + Gu2·(A22'T·inv22T − E'T·Z·DC) − inv22·A21·(M1·Z·DC − C1).
    t1_.MultiplyRowIndexed(A22PrimeT, inv22T);
    t2_.MultiplyRowIndexed(EPrimeT, Z);
    t4_.MultiplyColumnIndexed(t2_, DC);
    t1_.SubtractInPlace(t4_);
    Y22.MultiplyRowIndexed(Gu2, t1_);
    Y22.AddInPlace(G2);
    t4_.MultiplyColumnIndexed(t3_, DC);
    t4_.SubtractInPlace(C1);
    t2_.MultiplyInto(inv22A21_, t4_);
    Y22.SubtractInPlace(t2_);

    // 8.
    KLJ1.BuildRowIndex();
    Kv1.BuildRowIndex();
    KLJ2.BuildRowIndex();
    Y22.BuildRowIndex();

    // 9. F1 = S1·Gamma1·(−[KLJ1 | Kv1]).
    t1_.ConcatColumns(KLJ1, Kv1);
    t1_.Negated(t2_);
    t3_.MultiplyRowIndexed(Gamma1, t2_);
    F1.MultiplyRowIndexed(graph.S1, t3_);

    // 10. F2 = Cinv·(−[KLJ2 | Y22 | −S2T]).
    graph.S2T.Negated(t4_);
    Concat3(t1_, KLJ2, Y22, t4_);
    t1_.Negated(t2_);
    F2.MultiplyRowIndexed(Cinv, t2_);

    // 11. Node potentials.
    t1_.MultiplyRowIndexed(Z, DC);
    t1_.Negated(Pphi);
    Pphix.MultiplyRowIndexed(Z, DS);
    F1.BuildRowIndex();
    F2.BuildRowIndex();
    Pphi.BuildRowIndex();
    Pphix.BuildRowIndex();
}

void StateEquations::SourceDerivatives(double t, int n, double scale) {
    for (const SourceEntry& s : ordinaryCurrentSources)
        jO.At(s.position) = scale * s.source->SourceValue(t, n);
    for (const SourceEntry& s : capSourceCurrentSources)
        jC.At(s.position) = scale * s.source->SourceValue(t, n);
    for (const SourceEntry& s : voltageSources)
        eC.At(s.position) = scale * s.source->SourceValue(t, n);
    StackInto(w12, {&jO, &eC});
    StackInto(w123, {&jO, &eC, &jC});
}

void StateEquations::SourceValues(double t) {
    for (const SourceEntry& s : ordinaryCurrentSources)
        jO.At(s.position) = s.source->SourceValue(t, 0);
    for (const SourceEntry& s : capSourceCurrentSources)
        jC.At(s.position) = s.source->SourceValue(t, 0);
    for (const SourceEntry& s : voltageSources)
        eC.At(s.position) = s.source->SourceValue(t, 0);
}

} // namespace korvanix::engine
