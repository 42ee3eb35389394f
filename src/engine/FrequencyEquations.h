#pragma once

#include "engine/Matrix.h"
#include "engine/SparseMatrix.h"

#include <tuple>
#include <vector>

namespace korvanix::engine {

class AnalysisGraph;
struct Branch;
class StateEquations;

// The frequency analysis' complex nodal equations. The graph is the frequency
// variant: every resistor, capacitor and inductance has a branch of its own and
// only voltage-source branches form the forest, so A22 is the incidence of the
// voltage-source branches and the independent-node potentials are the unknowns:
//   phi1 = Z(w) (D JO - DC(w) EC),   Z(w) = Yn(w)^-1,   Yn(w) = D M1(w).
// The frequency-independent products are formed once per analysis (and after a
// sweep value change); each frequency point refreshes the admittances and the
// per-frequency matrices in place.
//
// Sizes as in the transient form: NI independent and NF forest nodes, BO ordinary
// and BC voltage-source branches.
class FrequencyEquations {
public:
    // Unistors and unit-frequency admittances, harmonic sources, frequency-
    // independent products. The harmonic sources go to the three source lists of
    // `sources` (the one source workspace of the engine). Raises model::SchemeError
    // 3500 (no harmonic source), 3510 (more than one) and 3001 (Yn(1) singular).
    void Formulate(AnalysisGraph& graph, StateEquations& sources);

    // GuO, GuC and the admittances at w = 1. A sweep refresh repeats this.
    void UnistorsAndAdmittances(const AnalysisGraph& graph);
    // The phasors JO, JC, EC of the AC sources and the source lists (positions are
    // branch positions). Raises 3500 / 3510.
    void HarmonicSources(const AnalysisGraph& graph, StateEquations& sources);
    // inv22, D, D', E', the transposes with their indexes, PuO and QuO, the sparse
    // pattern of Yn, then the Yn(1) test (SchemeError 3001). A sweep refresh
    // repeats this.
    void IndependentProducts(AnalysisGraph& graph);

    // The pattern of Yn = D diag(YO) DT + D PuO and, for every entry, the terms
    // that make it up, so that a point assembles Yn from YO in the time its nonzeros
    // take. Part of IndependentProducts; call it again after D or PuO change.
    void SparseNodalPattern();

    // What a step leaves for the potentials: the inverse Z, or only the dense
    // factors of Yn for SolveNodal, or (Sparse, the analysis' form) the sparse Yn
    // and its sparse factors, without M1 or the dense Yn: the analysis needs Z only
    // applied to one vector and M1 only applied to one vector per frequency.
    enum class NodalForm { Inverse, Factors, Sparse };

    // YO(w), YC(w), N1, C1, DC and: M1, Yn and Z (Inverse); M1, Yn and the dense
    // factors (Factors); YnSparse and its factors (Sparse), at the angular frequency
    // w (rad/s). MatrixError when Yn(w) is singular or the workspace does not fit the
    // graph.
    void Step(const AnalysisGraph& graph, double omega, NodalForm form = NodalForm::Inverse);
    // out = Yn(w)^-1 rhs after a step with NodalForm::Factors or NodalForm::Sparse.
    void SolveNodal(const ComplexVector& rhs, ComplexVector& out) const;
    // out = M1(w) v = YO (DT v) + PuO v after any step, without forming M1.
    void M1Times(const ComplexVector& v, ComplexVector& out) const;
    // out = D v and out = DT v over the nonzeros of D, in either form of the products.
    void DTimes(const ComplexVector& v, ComplexVector& out) const;
    void DTTimes(const ComplexVector& v, ComplexVector& out) const;
    // Whether the last formulation kept D, DT and PuO as sparse rows only (the graph
    // was built with sparseFrequency): then the dense D, D', DT, D'T and PuO are
    // empty and only the Sparse step is available.
    bool SparseProducts() const { return sparseProducts_; }
    // YO and YC alone.
    void BranchAdmittances(const AnalysisGraph& graph, double omega);

    int NI = 0, NF = 0, BO = 0, BC = 0;

    ComplexVector GuO, GuC; // unistor conductances g + 0j by branch
    ComplexVector YO, YC;   // branch admittances at the last w
    ComplexVector JO, JC;   // current-source phasors by ordinary / voltage-source branch
    ComplexVector EC;       // voltage-source phasors by voltage-source branch

    // Frequency independent.
    ComplexMatrix inv22, A12T, inv22T;
    ComplexMatrix D, DPrime, EPrime;
    ComplexMatrix DT, DPrimeT, EPrimeT, A21T, A21PrimeT, A22PrimeT;
    ComplexMatrix PuO, QuO; // diag(GuO) D'T, diag(GuO) A21'T

    // Per frequency.
    ComplexMatrix M1, Yn, N1, C1, DC, Z;
    LuSolver<Complex> nodal;
    ComplexSparseMatrix YnSparse;
    SparseLuSolver<Complex> sparseNodal;

private:
    // One term D(i,k) (YO(k) DT(k,j) + PuO(k,j)) of an entry of Yn; an entry's
    // terms are summed in increasing k, as the dense product D M1 sums them.
    struct NodalTerm {
        int branch;
        // +1 or -1 when d and dt are real units and pu is zero: the term is then
        // +-YO(branch), the product's value up to the sign of its zero parts, which
        // no sum starting at +0 can see. 0 for the general product.
        int unit;
        Complex d, dt, pu;
    };
    // What BranchAdmittance reads from a branch's elements, read once per
    // formulation (and sweep refresh) instead of once per branch and point: the
    // resistor's term does not depend on w and is kept as computed.
    struct BranchValues {
        Complex resistive;
        double c = 0, l = 0;
        bool hasC = false, hasL = false;
    };
    void CacheBranchValues(const AnalysisGraph& graph);
    static NodalTerm MakeTerm(int branch, const Complex& d, const Complex& dt, const Complex& pu);
    // (column j, branch k, term) of one row of Yn.
    using TermRow = std::vector<std::tuple<int, int, NodalTerm>>;
    void AppendTermRow(TermRow& row, std::vector<int>& patternRow);
    // IndependentProducts for a graph whose A11 and A11' are sparse: D, DT and PuO
    // come out as sparse rows holding exactly the nonzero entries the dense
    // products would hold, computed with the same operations in the same order.
    void SparseIndependentProducts(AnalysisGraph& graph, const ComplexMatrix& a12inv22);
    // SparseNodalPattern from the sparse D, DT and PuO.
    void SparseNodalTerms();
    // Yn(1) through the sparse factors: SchemeError 3001 when it is singular.
    void CheckNodalAtUnitFrequency();
    bool CachedAdmittances(const AnalysisGraph& graph, double omega);
    void AssembleSparseNodal();
    void FormN1();
    void SparseDC();

    ComplexSparseMatrix dSparse_;             // the nonzeros of D
    ComplexSparseMatrix dtSparse_, puSparse_; // of DT and PuO
    // The entries D(i, k) whose branch k the voltage sources can drive: the other
    // rows of N1, and so of C1, are zero at every frequency and add nothing to DC.
    struct DcTerm {
        int row, branch;
        Complex d;
    };
    std::vector<DcTerm> dcTerms_;
    std::vector<int> drivenBranches_; // increasing
    // Whether N1 and C1 still have to be cleared whole before only the driven rows
    // are refreshed (the rows of the other branches stay +0 at every point).
    bool drivenRowsOnly_ = false;
    void CollectDcTerms();
    void DrivenN1AndC1();
    bool sparseProducts_ = false;
    std::vector<BranchValues> ordinaryValues_, sourceValues_;
    const AnalysisGraph* valuesGraph_ = nullptr;

    std::vector<int> termStart_; // terms of YnSparse entry e: termStart_[e]..[e+1]
    std::vector<NodalTerm> terms_;
    NodalForm lastForm_ = NodalForm::Inverse;
};

// The admittance of a branch at w: the sum of 1/Z over the resistor, capacitor and
// inductance it holds, through the engine's complex quotient (a zero impedance
// contributes 1e30 + j1e30). Sources and unistors contribute nothing.
Complex BranchAdmittance(const Branch& branch, double omega);

} // namespace korvanix::engine
