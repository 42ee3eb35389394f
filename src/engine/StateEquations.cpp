#include "engine/StateEquations.h"

#include "engine/AnalysisGraph.h"
#include "engine/ErrorMessages.h"
#include "engine/SparseAlgebra.h"
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
    kO = graph.sparseS1.Rows();
    kC = graph.sparseS2.Rows();

    // The diagonals first; each formulation makes its matrices of them.
    Vector g1(BO), gamma1(BO), gu1(BO), g2(BC), gamma2(BC), gu2(BC), cinv(BC);
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
            g1[i] = 1 / b.r->GetParam(0);
        if (b.l) {
            const double l = b.l->GetParam(0);
            gamma1[i] = 1 / l;
            L1[i] = l;
            iL1[i] = b.l->GetParam(1);
            dynamic = ordinaryInductance = true;
        }
        if (b.unistor)
            gu1[i] = b.unistor->GetParam(0);
    }
    for (int i = 0; i < BC; ++i) {
        const Branch& b = *graph.capacitorSourceBranches[static_cast<std::size_t>(i)];
        if (b.r)
            g2[i] = 1 / b.r->GetParam(0);
        if (b.l) {
            const double l = b.l->GetParam(0);
            gamma2[i] = 1 / l;
            L2[i] = l;
            iL2[i] = b.l->GetParam(1);
            dynamic = capSourceInductance = true;
        }
        if (b.unistor)
            gu2[i] = b.unistor->GetParam(0);
        if (b.c) {
            const double c = b.c->GetParam(0);
            cinv[i] = 1 / c;
            Cval[i] = c;
            uCinit[i] = b.c->GetParam(1);
            dynamic = capacitor = true;
        }
    }

    if (graph.sparseTransient) {
        const std::pair<SparseMatrix*, const Vector*> diagonals[] = {
            {&sparse_.G1, &g1},    {&sparse_.Gamma1, &gamma1}, {&sparse_.Gu1, &gu1},
            {&sparse_.G2, &g2},    {&sparse_.Gamma2, &gamma2}, {&sparse_.Gu2, &gu2},
            {&sparse_.Cinv, &cinv}};
        for (const auto& [m, v] : diagonals)
            *m = SparseDiagonal(*v);
        step.S2Gamma2 = SparseProduct(graph.sparseS2, sparse_.Gamma2);
        step.G1 = sparse_.G1;
        step.G2 = sparse_.G2;
    } else {
        const std::pair<Matrix*, const Vector*> diagonals[] = {
            {&G1, &g1},         {&Gamma1, &gamma1}, {&Gu1, &gu1},  {&G2, &g2},
            {&Gamma2, &gamma2}, {&Gu2, &gu2},       {&Cinv, &cinv}};
        for (const auto& [m, v] : diagonals) {
            const int n = v->Size();
            m->ResizeZeroed(n, n);
            for (int i = 0; i < n; ++i)
                (*m)(i, i) = (*v)[i];
        }
        Matrix s2(graph.S2);
        RowProduct(S2Gamma2, s2, Gamma2);
        step.S2Gamma2.FromDense(S2Gamma2);
    }

    // The selections hold ones only: the sparse product is the dense one's sum.
    const auto select = [](const SparseMatrix& s, Vector& v) {
        Vector selected;
        s.Multiply(v, selected);
        v = std::move(selected);
    };
    select(graph.sparseS1, iL1);
    select(graph.sparseS2, iL2);
    select(graph.sparseS1, L1);
    select(graph.sparseS2, L2);
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
    if (graph.sparseTransient) {
        SparseTopologyProducts(graph);
        return;
    }
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
    if (graph.sparseTransient) {
        SparseStateMatrices(graph);
        return;
    }
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
    StepFromDense(graph);
}

void StateEquations::StepFromDense(const AnalysisGraph& graph) {
    const std::pair<SparseMatrix*, const Matrix*> pairs[] = {
        {&step.F1, &F1},     {&step.F2, &F2},   {&step.Pphi, &Pphi}, {&step.Pphix, &Pphix},
        {&step.KLJ1, &KLJ1}, {&step.Kv1, &Kv1}, {&step.KLJ2, &KLJ2}, {&step.Y22, &Y22},
        {&step.G1, &G1},     {&step.G2, &G2},   {&step.A12T, &A12T}, {&step.inv22T, &inv22T},
        {&step.DS, &DS},     {&step.DC, &DC},   {&step.Z, &Z}};
    for (const auto& [to, from] : pairs)
        to->FromDense(*from);
    step.S2T = graph.sparseS2T;
}

void StateEquations::SparseTopologyProducts(const AnalysisGraph& graph) {
    const IncidenceMatrices<SparseMatrix>& a = graph.sparseReal;
    SparseWork& w = sparse_;

    w.inv22 = SparseInverse(a.A22);
    step.A12T = a.A12.Transposed();
    step.inv22T = w.inv22.Transposed();

    // A12·inv22 is common to D, D' and E'.
    const SparseMatrix a12inv22 = SparseProduct(a.A12, w.inv22);
    w.D = SparseDifference(a.A11, SparseProduct(a12inv22, a.A21));
    const SparseMatrix dPrime = SparseDifference(a.A11Prime, SparseProduct(a12inv22, a.A21Prime));
    const SparseMatrix ePrime = SparseDifference(a.A12Prime, SparseProduct(a12inv22, a.A22Prime));

    step.DS = SparseProduct(w.D, graph.sparseS1T);
    w.DT = w.D.Transposed();
    w.DPrimeT = dPrime.Transposed();
    w.EPrimeT = ePrime.Transposed();
    w.A21T = a.A21.Transposed();
    w.A21PrimeT = a.A21Prime.Transposed();
    w.A22PrimeT = a.A22Prime.Transposed();
    step.S2T = graph.sparseS2T;

    SparseStateMatrices(graph);
}

void StateEquations::SparseStateMatrices(const AnalysisGraph& graph) {
    const SparseWork& w = sparse_;
    if (w.G1.Cols() != w.DT.Rows())
        throw MatrixError();

    // 2. Nodal conductance matrix of the independent nodes.
    const SparseMatrix m1 = SparseSum(SparseProduct(w.G1, w.DT), SparseProduct(w.Gu1, w.DPrimeT));
    const SparseMatrix yn = SparseProduct(w.D, m1);

    // 3. How the forest voltages drive the ordinary branches and the nodes.
    const SparseMatrix n1 =
        SparseSum(SparseProduct(w.G1, w.A21T), SparseProduct(w.Gu1, w.A21PrimeT));
    const SparseMatrix c1 = SparseProduct(n1, step.inv22T);
    step.DC = SparseProduct(w.D, c1);

    // 4. Z = Yn^-1, tested first so that a floating node is named as such.
    if (NI > 0 && SparseIsSingular(yn))
        throw model::SchemeError(scheme_error::PhysicallyIncorrect);
    step.Z = SparseInverse(yn);

    // 5. Ordinary-branch voltages.
    const SparseMatrix p1 = SparseProduct(w.DT, step.Z);
    step.KLJ1 = SparseProduct(SparseProduct(p1, w.D), graph.sparseS1T);
    step.Kv1 = SparseDifference(SparseProduct(w.A21T, step.inv22T), SparseProduct(p1, step.DC));

    // 6. H2 = Gu2·E'T·Z·D + inv22·A21·(M1·Z·D − I).
    const SparseMatrix m1z = SparseProduct(m1, step.Z); // used again in 7
    const SparseMatrix inv22A21 = SparseProduct(w.inv22, graph.sparseReal.A21);
    const SparseMatrix h2 =
        SparseSum(SparseProduct(SparseProduct(SparseProduct(w.Gu2, w.EPrimeT), step.Z), w.D),
                  SparseProduct(inv22A21, SparseAddToDiagonal(SparseProduct(m1z, w.D), -1.0)));
    step.KLJ2 = SparseProduct(h2, graph.sparseS1T);

    // 7. Y22 = G2 + Gu2·(A22'T·inv22T − E'T·Z·DC) − inv22·A21·(M1·Z·DC − C1).
    const SparseMatrix inner =
        SparseDifference(SparseProduct(w.A22PrimeT, step.inv22T),
                         SparseProduct(SparseProduct(w.EPrimeT, step.Z), step.DC));
    step.Y22 = SparseDifference(
        SparseSum(SparseProduct(w.Gu2, inner), w.G2),
        SparseProduct(inv22A21, SparseDifference(SparseProduct(m1z, step.DC), c1)));

    // 9. F1 = S1·Gamma1·(−[KLJ1 | Kv1]).
    step.F1 = SparseProduct(
        graph.sparseS1,
        SparseProduct(w.Gamma1, SparseNegated(SparseConcatColumns(step.KLJ1, step.Kv1))));

    // 10. F2 = Cinv·(−[KLJ2 | Y22 | −S2T]).
    step.F2 = SparseProduct(
        w.Cinv, SparseNegated(SparseConcatColumns(SparseConcatColumns(step.KLJ2, step.Y22),
                                                  SparseNegated(graph.sparseS2T))));

    // 11. Node potentials.
    step.Pphi = SparseNegated(SparseProduct(step.Z, step.DC));
    step.Pphix = SparseProduct(step.Z, step.DS);
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
