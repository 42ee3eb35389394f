#include "engine/FrequencyEquations.h"

#include "engine/AnalysisGraph.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/StateEquations.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/PassiveElements.h"
#include "model/Sources.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <tuple>
#include <vector>

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

// An entry a transpose must copy: anything but +0 (a negative zero keeps its sign
// as the plain transpose would keep it).
bool MustCopy(const Complex& z) {
    return z.re != 0 || z.im != 0 || std::signbit(z.re) || std::signbit(z.im);
}

// out = a transposed, reusing out's storage: a's rows are read in order and only
// the entries that are not +0 are written, so the mostly-zero incidence products
// cost one sequential pass instead of a strided write of every entry.
void TransposeInto(const ComplexMatrix& a, ComplexMatrix& out) {
    detail::Require(&a != &out);
    out.Resize(a.Cols(), a.Rows());
    out.SetZero();
    for (int i = 0; i < a.Rows(); ++i) {
        const Complex* row = a.Row(i);
        for (int j = 0; j < a.Cols(); ++j)
            if (MustCopy(row[j]))
                out(j, i) = row[j];
    }
}

// target = base - left right, with the product summed per row exactly as
// Product sums it (increasing k, exactly zero left factors skipped), but without
// the full-size product: a row of target whose row of left is all zero is base's
// row minus zero, which is base's row.
void DifferenceOfProduct(const ComplexMatrix& base, const ComplexMatrix& left,
                         const ComplexMatrix& right, ComplexMatrix& target) {
    detail::Require(left.Cols() == right.Rows() && base.Rows() == left.Rows() &&
                    base.Cols() == right.Cols() && &target != &left && &target != &right);
    if (&target != &base) {
        target.Resize(base.Rows(), base.Cols());
        for (int i = 0; i < base.Rows(); ++i)
            std::copy(base.Row(i), base.Row(i) + base.Cols(), target.Row(i));
    }
    std::vector<Complex> sum(static_cast<std::size_t>(right.Cols()));
    for (int i = 0; i < left.Rows(); ++i) {
        const Complex* l = left.Row(i);
        bool any = false;
        for (int k = 0; k < left.Cols(); ++k) {
            if (!detail::IsNonzero(l[k]))
                continue;
            if (!any)
                std::fill(sum.begin(), sum.end(), Complex());
            any = true;
            const Complex* r = right.Row(k);
            for (int j = 0; j < right.Cols(); ++j)
                sum[static_cast<std::size_t>(j)] += l[k] * r[j];
        }
        if (!any)
            continue;
        Complex* out = target.Row(i);
        for (int j = 0; j < right.Cols(); ++j)
            out[j] -= sum[static_cast<std::size_t>(j)];
    }
}

// out = diag(v) m, every entry computed as ScaleRows computes it, in out's storage.
void ScaleRowsInto(const ComplexMatrix& m, const ComplexVector& v, ComplexMatrix& out) {
    detail::Require(v.Size() == m.Rows() && &m != &out);
    out.Resize(m.Rows(), m.Cols());
    for (int i = 0; i < m.Rows(); ++i) {
        const Complex* row = m.Row(i);
        Complex* target = out.Row(i);
        for (int j = 0; j < m.Cols(); ++j)
            target[j] = row[j] * v[i];
    }
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

namespace {

// The terms of BranchAdmittance, in its order and with its operations.
Complex CachedAdmittance(const Complex& resistive, double c, bool hasC, double l, bool hasL,
                         double omega) {
    const Complex one(1, 0);
    Complex y = resistive;
    if (hasC)
        y += one / Complex(0, -1 / (omega * c));
    if (hasL)
        y += one / Complex(0, omega * l);
    return y;
}

} // namespace

void FrequencyEquations::CacheBranchValues(const AnalysisGraph& graph) {
    const auto fill = [](const std::vector<Branch*>& list, std::vector<BranchValues>& out) {
        out.assign(list.size(), BranchValues());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Branch& b = *list[i];
            BranchValues& v = out[i];
            if (b.r)
                v.resistive += Complex(1, 0) / Complex(b.r->GetParam(0), 0);
            if (b.c) {
                v.hasC = true;
                v.c = b.c->GetParam(0);
            }
            if (b.l) {
                v.hasL = true;
                v.l = b.l->GetParam(0);
            }
        }
    };
    fill(graph.ordinaryBranches, ordinaryValues_);
    fill(graph.capacitorSourceBranches, sourceValues_);
    valuesGraph_ = &graph;
}

// YO and YC from the cached values; false (nothing written) when the cache was
// not filled from this graph's current branch lists.
bool FrequencyEquations::CachedAdmittances(const AnalysisGraph& graph, double omega) {
    if (valuesGraph_ != &graph || !graph.frequency ||
        ordinaryValues_.size() != graph.ordinaryBranches.size() ||
        sourceValues_.size() != graph.capacitorSourceBranches.size())
        return false;
    const int bo = Count(ordinaryValues_.size());
    const int bc = Count(sourceValues_.size());
    if (YO.Size() != bo)
        YO.Resize(bo);
    if (YC.Size() != bc)
        YC.Resize(bc);
    for (int i = 0; i < bo; ++i) {
        const BranchValues& v = ordinaryValues_[static_cast<std::size_t>(i)];
        YO[i] = CachedAdmittance(v.resistive, v.c, v.hasC, v.l, v.hasL, omega);
    }
    for (int i = 0; i < bc; ++i) {
        const BranchValues& v = sourceValues_[static_cast<std::size_t>(i)];
        YC[i] = CachedAdmittance(v.resistive, v.c, v.hasC, v.l, v.hasL, omega);
    }
    return true;
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
    CacheBranchValues(graph);
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
    TransposeInto(a.A12, A12T);
    TransposeInto(inv22, inv22T);

    // b. Forest-node potentials eliminated through A22. The correction
    // A12 inv22 A2x has as many nonzero rows as the forest reaches independent
    // nodes, so it is subtracted row by row instead of formed in full.
    const ComplexMatrix a12inv22 = Product(a.A12, inv22);
    if (graph.sparseFrequency) {
        SparseIndependentProducts(graph, a12inv22);
        return;
    }
    sparseProducts_ = false;
    DifferenceOfProduct(a.A11, a12inv22, a.A21, D);
    DifferenceOfProduct(a.A11Prime, a12inv22, a.A21Prime, DPrime);
    DifferenceOfProduct(a.A12Prime, a12inv22, a.A22Prime, EPrime);
    TransposeInto(D, DT);
    TransposeInto(DPrime, DPrimeT);

    // d.
    TransposeInto(EPrime, EPrimeT);
    TransposeInto(a.A21, A21T);
    TransposeInto(a.A22Prime, A22PrimeT);
    TransposeInto(a.A21Prime, A21PrimeT);
    for (ComplexMatrix* x : {&D, &DT, &A21T, &inv22T}) {
        x->BuildRowIndex();
        x->BuildColumnIndex();
    }
    A22PrimeT.BuildRowIndex();
    EPrimeT.BuildRowIndex();
    A12T.BuildRowIndex();

    // e. The unistor parts of M1 and N1 do not depend on the frequency.
    ScaleRowsInto(DPrimeT, GuO, PuO);
    ScaleRowsInto(A21PrimeT, GuO, QuO);
    PuO.BuildRowIndex();
    SparseNodalPattern();

    CheckNodalAtUnitFrequency();
}

// c. A node that no admittance reaches makes the nodal matrix singular at every
// frequency; it is reported as a circuit error before any point is computed.
// Yn(1) is D (diag(YO) DT + PuO) at the admittances of w = 1, assembled term for
// term as the dense product would sum it, and the sparse elimination meets an
// exactly zero pivot column where the dense one would.
void FrequencyEquations::CheckNodalAtUnitFrequency() {
    if (YnSparse.Rows() > 0) {
        AssembleSparseNodal();
        try {
            sparseNodal.Factor(YnSparse);
        } catch (const MatrixError&) {
            throw model::SchemeError(scheme_error::PhysicallyIncorrect);
        }
    }
}

namespace {

int RealUnit(const Complex& z) {
    if (z.im != 0)
        return 0;
    return z.re == 1 ? 1 : z.re == -1 ? -1 : 0;
}

} // namespace

FrequencyEquations::NodalTerm FrequencyEquations::MakeTerm(int branch, const Complex& d,
                                                           const Complex& dt, const Complex& pu) {
    const int unit = detail::IsNonzero(pu) ? 0 : RealUnit(d) * RealUnit(dt);
    return NodalTerm{branch, unit, d, dt, pu};
}

void FrequencyEquations::SparseIndependentProducts(AnalysisGraph& graph,
                                                   const ComplexMatrix& a12inv22) {
    IncidenceMatrices<ComplexMatrix>& a = graph.complex;
    const ComplexSparseMatrix& a11 = graph.sparseA11;
    const int ni = a11.Rows();
    const int bo = a11.Cols();
    const int nf = a.A21.Rows();
    detail::Require(a12inv22.Rows() == ni && a12inv22.Cols() == nf && a.A21.Cols() == bo &&
                    a.A21Prime.Cols() == bo && GuO.Size() == bo &&
                    graph.sparseA11Prime.Rows() == ni && graph.sparseA11Prime.Cols() == bo);
    sparseProducts_ = true;
    for (ComplexMatrix* m : {&D, &DPrime, &DT, &DPrimeT, &PuO, &M1, &Yn, &Z})
        *m = ComplexMatrix();

    // b. D = A11 - A12 inv22 A21 row by row: a row that the forest does not reach
    // is A11's row; a reached row is A11's row minus its correction, summed as
    // DifferenceOfProduct sums it. Only nonzero entries are kept: D holds no
    // negative zero (A11's entries are +-1 or +0, and +0 - x is never -0).
    std::vector<char> reached(static_cast<std::size_t>(ni), 0);
    std::vector<Complex> sum(static_cast<std::size_t>(bo));
    std::vector<int> start(1, 0);
    std::vector<int> columns;
    std::vector<Complex> values;
    for (int i = 0; i < ni; ++i) {
        const Complex* l = a12inv22.Row(i);
        for (int k = 0; k < nf; ++k) {
            if (!detail::IsNonzero(l[k]))
                continue;
            if (!reached[static_cast<std::size_t>(i)])
                std::fill(sum.begin(), sum.end(), Complex());
            reached[static_cast<std::size_t>(i)] = 1;
            const Complex* r = a.A21.Row(k);
            for (int j = 0; j < bo; ++j)
                sum[static_cast<std::size_t>(j)] += l[k] * r[j];
        }
        int p = a11.RowBegin(i);
        if (!reached[static_cast<std::size_t>(i)]) {
            for (; p < a11.RowEnd(i); ++p)
                if (detail::IsNonzero(a11.ValueAt(p))) {
                    columns.push_back(a11.ColumnAt(p));
                    values.push_back(a11.ValueAt(p));
                }
        } else {
            for (int j = 0; j < bo; ++j) {
                Complex v;
                if (p < a11.RowEnd(i) && a11.ColumnAt(p) == j)
                    v = a11.ValueAt(p++);
                v -= sum[static_cast<std::size_t>(j)];
                if (detail::IsNonzero(v)) {
                    columns.push_back(j);
                    values.push_back(v);
                }
            }
        }
        start.push_back(Count(columns.size()));
    }
    dSparse_.Assign(ni, bo, std::move(start), std::move(columns), std::move(values));
    dtSparse_ = dSparse_.Transposed();

    DifferenceOfProduct(a.A12Prime, a12inv22, a.A22Prime, EPrime);

    // d.
    TransposeInto(EPrime, EPrimeT);
    TransposeInto(a.A21, A21T);
    TransposeInto(a.A22Prime, A22PrimeT);
    TransposeInto(a.A21Prime, A21PrimeT);
    for (ComplexMatrix* x : {&A21T, &inv22T}) {
        x->BuildRowIndex();
        x->BuildColumnIndex();
    }
    A22PrimeT.BuildRowIndex();
    EPrimeT.BuildRowIndex();
    A12T.BuildRowIndex();

    // e. PuO = diag(GuO) D'T has rows only for unistor branches. Column k of
    // D' = A11' - A12 inv22 A21' is A11's column k on the rows the forest does not
    // reach and that column minus its correction on the others; each entry is
    // scaled as ScaleRowsInto scales it and kept when nonzero.
    const ComplexSparseMatrix a11PrimeT = graph.sparseA11Prime.Transposed();
    std::vector<int> reachedRows;
    for (int i = 0; i < ni; ++i)
        if (reached[static_cast<std::size_t>(i)])
            reachedRows.push_back(i);
    std::vector<int> puStart(1, 0);
    std::vector<int> puColumns;
    std::vector<Complex> puValues;
    for (int k = 0; k < bo; ++k) {
        const Complex g = GuO[k];
        if (detail::IsNonzero(g)) {
            int p = a11PrimeT.RowBegin(k);
            std::size_t q = 0;
            while (p < a11PrimeT.RowEnd(k) || q < reachedRows.size()) {
                const int fromBase = p < a11PrimeT.RowEnd(k) ? a11PrimeT.ColumnAt(p) : ni;
                const int fromReach = q < reachedRows.size() ? reachedRows[q] : ni;
                const int i = std::min(fromBase, fromReach);
                Complex v;
                if (fromBase == i)
                    v = a11PrimeT.ValueAt(p++);
                if (fromReach == i) {
                    ++q;
                    const Complex* l = a12inv22.Row(i);
                    Complex correction;
                    for (int m = 0; m < nf; ++m)
                        if (detail::IsNonzero(l[m]))
                            correction += l[m] * a.A21Prime(m, k);
                    v -= correction;
                }
                const Complex scaled = v * g;
                if (detail::IsNonzero(scaled)) {
                    puColumns.push_back(i);
                    puValues.push_back(scaled);
                }
            }
        }
        puStart.push_back(Count(puColumns.size()));
    }
    puSparse_.Assign(bo, ni, std::move(puStart), std::move(puColumns), std::move(puValues));
    ScaleRowsInto(A21PrimeT, GuO, QuO);

    SparseNodalTerms();
    CollectDcTerms();
    CheckNodalAtUnitFrequency();
}

// Sorts one row's terms by (column j, branch k), so that each entry's terms follow
// one another in increasing k, and appends them with the row's pattern.
void FrequencyEquations::AppendTermRow(TermRow& row, std::vector<int>& patternRow) {
    std::sort(row.begin(), row.end(), [](const auto& x, const auto& y) {
        return std::tie(std::get<0>(x), std::get<1>(x)) < std::tie(std::get<0>(y), std::get<1>(y));
    });
    for (std::size_t t = 0; t < row.size(); ++t) {
        const int j = std::get<0>(row[t]);
        if (t > 0 && std::get<0>(row[t - 1]) != j)
            termStart_.push_back(Count(terms_.size()));
        if (t == 0 || std::get<0>(row[t - 1]) != j)
            patternRow.push_back(j);
        terms_.push_back(std::get<2>(row[t]));
    }
    if (!row.empty())
        termStart_.push_back(Count(terms_.size()));
}

// The terms of SparseNodalPattern from the sparse D, DT and PuO. An entry missing
// from a sparse row is +0 where the dense matrix may hold a signed zero; such a
// term adds a zero to a sum that starts at +0, which leaves the sum as it is.
void FrequencyEquations::SparseNodalTerms() {
    const int ni = dSparse_.Rows();
    std::vector<std::vector<int>> pattern(static_cast<std::size_t>(ni));
    TermRow row;
    termStart_.assign(1, 0);
    terms_.clear();
    for (int i = 0; i < ni; ++i) {
        row.clear();
        for (int p = dSparse_.RowBegin(i); p < dSparse_.RowEnd(i); ++p) {
            const int k = dSparse_.ColumnAt(p);
            const Complex d = dSparse_.ValueAt(p);
            int a = dtSparse_.RowBegin(k);
            int b = puSparse_.RowBegin(k);
            while (a < dtSparse_.RowEnd(k) || b < puSparse_.RowEnd(k)) {
                const int ja = a < dtSparse_.RowEnd(k) ? dtSparse_.ColumnAt(a) : ni;
                const int jb = b < puSparse_.RowEnd(k) ? puSparse_.ColumnAt(b) : ni;
                const int j = std::min(ja, jb);
                const Complex dt = ja == j ? dtSparse_.ValueAt(a++) : Complex();
                const Complex pu = jb == j ? puSparse_.ValueAt(b++) : Complex();
                row.emplace_back(j, k, MakeTerm(k, d, dt, pu));
            }
        }
        AppendTermRow(row, pattern[static_cast<std::size_t>(i)]);
    }
    YnSparse.SetPattern(ni, ni, pattern);
    detail::Require(termStart_.size() == static_cast<std::size_t>(YnSparse.NonzeroCount()) + 1);
}

void FrequencyEquations::SparseNodalPattern() {
    detail::Require(D.RowIndex().valid && DT.RowIndex().valid && PuO.RowIndex().valid &&
                    D.Cols() == DT.Rows() && PuO.Rows() == DT.Rows() && PuO.Cols() == D.Rows());
    const int ni = D.Rows();
    const auto& dRows = D.RowIndex().positions;
    const auto& dtRows = DT.RowIndex().positions;
    const auto& puRows = PuO.RowIndex().positions;

    // (column j, branch k) of every term of row i, sorted so that each entry's
    // terms follow one another in increasing k.
    std::vector<std::vector<int>> pattern(static_cast<std::size_t>(ni));
    TermRow row;
    termStart_.assign(1, 0);
    terms_.clear();
    for (int i = 0; i < ni; ++i) {
        row.clear();
        for (int k : dRows[static_cast<std::size_t>(i)]) {
            const Complex d = D(i, k);
            std::vector<int> columns = dtRows[static_cast<std::size_t>(k)];
            const auto& pu = puRows[static_cast<std::size_t>(k)];
            columns.insert(columns.end(), pu.begin(), pu.end());
            std::sort(columns.begin(), columns.end());
            columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
            for (int j : columns)
                row.emplace_back(j, k, MakeTerm(k, d, DT(k, j), PuO(k, j)));
        }
        AppendTermRow(row, pattern[static_cast<std::size_t>(i)]);
    }
    YnSparse.SetPattern(ni, ni, pattern);
    dSparse_.FromDense(D);
    CollectDcTerms();
    detail::Require(termStart_.size() == static_cast<std::size_t>(YnSparse.NonzeroCount()) + 1);
}

void FrequencyEquations::AssembleSparseNodal() {
    const int count = YnSparse.NonzeroCount();
    // The unit shortcut equals the product only for finite admittances.
    bool finite = true;
    for (int k = 0; k < YO.Size(); ++k)
        finite = finite && std::isfinite(YO[k].re) && std::isfinite(YO[k].im);
    for (int e = 0; e < count; ++e) {
        Complex sum;
        const int end = termStart_[static_cast<std::size_t>(e) + 1];
        for (int t = termStart_[static_cast<std::size_t>(e)]; t < end; ++t) {
            const NodalTerm& term = terms_[static_cast<std::size_t>(t)];
            const Complex& y = YO[term.branch];
            if (finite && term.unit > 0)
                sum += y;
            else if (finite && term.unit < 0)
                sum -= y;
            else
                sum += term.d * (term.dt * y + term.pu);
        }
        YnSparse.ValueAt(e) = sum;
    }
}

// N1 = diag(YO) A21T + QuO, written into the matrix it already is.
void FrequencyEquations::FormN1() {
    if (N1.Rows() != A21T.Rows() || N1.Cols() != A21T.Cols())
        N1.Resize(A21T.Rows(), A21T.Cols());
    for (int k = 0; k < A21T.Rows(); ++k) {
        const Complex* a = A21T.Row(k);
        const Complex* q = QuO.Row(k);
        Complex* out = N1.Row(k);
        for (int j = 0; j < A21T.Cols(); ++j) {
            out[j] = detail::IsNonzero(a[j]) ? a[j] * YO[k] : Complex();
            out[j] += q[j];
        }
    }
}

// A row k of N1 = diag(YO) A21T + QuO is all +0 when neither A21T nor QuO has a
// nonzero in it; C1's row k is then zero too.
void FrequencyEquations::CollectDcTerms() {
    dcTerms_.clear();
    std::vector<char> driven(static_cast<std::size_t>(A21T.Rows()), 0);
    // A QuO of another shape (Step refuses to run with it) drives every branch.
    const bool withQuO = QuO.Rows() == A21T.Rows() && QuO.Cols() == A21T.Cols();
    for (int k = 0; k < A21T.Rows(); ++k) {
        const Complex* a = A21T.Row(k);
        for (int j = 0; j < A21T.Cols(); ++j)
            if (detail::IsNonzero(a[j]) || !withQuO || detail::IsNonzero(QuO(k, j)))
                driven[static_cast<std::size_t>(k)] = 1;
    }
    for (int i = 0; i < dSparse_.Rows(); ++i)
        for (int p = dSparse_.RowBegin(i); p < dSparse_.RowEnd(i); ++p) {
            const int k = dSparse_.ColumnAt(p);
            if (k < A21T.Rows() && driven[static_cast<std::size_t>(k)])
                dcTerms_.push_back({i, k, dSparse_.ValueAt(p)});
        }
    drivenBranches_.clear();
    for (int k = 0; k < A21T.Rows(); ++k)
        if (driven[static_cast<std::size_t>(k)])
            drivenBranches_.push_back(k);
    drivenRowsOnly_ = false;
}

// N1 and C1 = N1 inv22T as FormN1 and the column-indexed product compute them,
// for the driven rows only; the other rows hold the +0 both would write there.
void FrequencyEquations::DrivenN1AndC1() {
    const int rows = A21T.Rows();
    const int nf = A21T.Cols();
    const int bc = inv22T.Cols();
    detail::Require(inv22T.Rows() == nf && inv22T.ColumnIndex().valid && QuO.Rows() == rows &&
                    QuO.Cols() == nf);
    if (!drivenRowsOnly_ || N1.Rows() != rows || N1.Cols() != nf || C1.Rows() != rows ||
        C1.Cols() != bc) {
        N1.ResizeZeroed(rows, nf);
        C1.ResizeZeroed(rows, bc);
        drivenRowsOnly_ = true;
    }
    const auto& positions = inv22T.ColumnIndex().positions;
    for (int k : drivenBranches_) {
        const Complex* a = A21T.Row(k);
        const Complex* q = QuO.Row(k);
        Complex* n1 = N1.Row(k);
        for (int j = 0; j < nf; ++j) {
            n1[j] = detail::IsNonzero(a[j]) ? a[j] * YO[k] : Complex();
            n1[j] += q[j];
        }
        Complex* c1 = C1.Row(k);
        for (int j = 0; j < bc; ++j) {
            Complex sum;
            for (int m : positions[static_cast<std::size_t>(j)])
                sum += n1[m] * inv22T.Row(m)[j];
            c1[j] = sum;
        }
    }
}

// DC = D C1 over the nonzeros of D, summed in increasing column order like the
// row-indexed dense product. The terms of undriven branches are left out: they
// would add zeros to sums that start at +0, which changes no sum.
void FrequencyEquations::SparseDC() {
    detail::Require(dSparse_.Cols() == C1.Rows());
    DC.ResizeZeroed(dSparse_.Rows(), C1.Cols());
    const int cols = C1.Cols();
    for (const DcTerm& t : dcTerms_) {
        Complex* out = DC.Row(t.row);
        const Complex* c1 = C1.Row(t.branch);
        for (int j = 0; j < cols; ++j)
            out[j] += t.d * c1[j];
    }
}

void FrequencyEquations::SolveNodal(const ComplexVector& rhs, ComplexVector& out) const {
    if (lastForm_ == NodalForm::Sparse)
        sparseNodal.Solve(rhs, out);
    else
        nodal.Solve(rhs, out);
}

void FrequencyEquations::M1Times(const ComplexVector& v, ComplexVector& out) const {
    if (sparseProducts_) {
        detail::Require(v.Size() == dtSparse_.Cols() && &v != &out &&
                        YO.Size() == dtSparse_.Rows() && puSparse_.Rows() == dtSparse_.Rows());
        if (out.Size() != dtSparse_.Rows())
            out.Resize(dtSparse_.Rows());
        for (int k = 0; k < dtSparse_.Rows(); ++k) {
            Complex across;
            for (int p = dtSparse_.RowBegin(k); p < dtSparse_.RowEnd(k); ++p)
                across += dtSparse_.ValueAt(p) * v[dtSparse_.ColumnAt(p)];
            Complex unistors;
            for (int p = puSparse_.RowBegin(k); p < puSparse_.RowEnd(k); ++p)
                unistors += puSparse_.ValueAt(p) * v[puSparse_.ColumnAt(p)];
            out[k] = YO[k] * across + unistors;
        }
        return;
    }
    detail::Require(v.Size() == DT.Cols() && &v != &out && DT.RowIndex().valid &&
                    PuO.RowIndex().valid && YO.Size() == DT.Rows());
    if (out.Size() != DT.Rows())
        out.Resize(DT.Rows());
    const auto& dtRows = DT.RowIndex().positions;
    const auto& puRows = PuO.RowIndex().positions;
    for (int k = 0; k < DT.Rows(); ++k) {
        const Complex* dt = DT.Row(k);
        const Complex* pu = PuO.Row(k);
        Complex across;
        for (int j : dtRows[static_cast<std::size_t>(k)])
            across += dt[j] * v[j];
        Complex unistors;
        for (int j : puRows[static_cast<std::size_t>(k)])
            unistors += pu[j] * v[j];
        out[k] = YO[k] * across + unistors;
    }
}

void FrequencyEquations::DTimes(const ComplexVector& v, ComplexVector& out) const {
    if (sparseProducts_)
        dSparse_.Multiply(v, out);
    else
        RowIndexedTimes(D, v, out);
}

void FrequencyEquations::DTTimes(const ComplexVector& v, ComplexVector& out) const {
    if (sparseProducts_)
        dtSparse_.Multiply(v, out);
    else
        RowIndexedTimes(DT, v, out);
}

void FrequencyEquations::Step(const AnalysisGraph& graph, double omega, NodalForm form) {
    // a. The element values are those of the last formulation or sweep refresh,
    // the only places where they change.
    if (!CachedAdmittances(graph, omega))
        BranchAdmittances(graph, omega);

    // b. The step needs the products of a frequency formulation of this graph.
    const bool fits =
        sparseProducts_ ? form == NodalForm::Sparse && dtSparse_.Rows() == YO.Size()
                        : DT.Rows() == YO.Size() && (DT.RowIndex().valid || DT.ColumnIndex().valid);
    if (!graph.frequency || !fits || A21T.Rows() != YO.Size() || QuO.Rows() != A21T.Rows() ||
        QuO.Cols() != A21T.Cols())
        throw MatrixError();

    // c, d. Nodal admittance matrix of the independent nodes.
    if (form == NodalForm::Sparse) {
        if (YnSparse.Rows() != dSparse_.Rows())
            throw MatrixError();
        AssembleSparseNodal();
    } else {
        M1.ScaleRowsIndexed(YO, DT);
        M1.AddInPlace(PuO);
        Yn.MultiplyRowIndexed(D, M1);
    }

    // e. How the voltage-source branches drive the ordinary branches and the nodes.
    if (form == NodalForm::Sparse) {
        DrivenN1AndC1();
        SparseDC();
    } else {
        drivenRowsOnly_ = false;
        FormN1();
        C1.MultiplyColumnIndexed(N1, inv22T);
        DC.MultiplyRowIndexed(D, C1);
    }

    // f. A failed factorisation leaves no factors that SolveNodal could take.
    lastForm_ = NodalForm::Inverse;
    if (form == NodalForm::Inverse)
        Z = Inverse(Yn);
    else if (form == NodalForm::Factors)
        nodal.Factor(Yn);
    else
        sparseNodal.Factor(YnSparse);
    lastForm_ = form;
}

model::SchemeError Engine::FormulateFrequency(EngineNotifier& notifier) {
    return Guarded(notifier, [&] {
        PrepareWorkingCopy();
        graph_.BuildFrequency(scheme_);
        frequency_.Formulate(graph_, state_);
    });
}

} // namespace korvanix::engine
