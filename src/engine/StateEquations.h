#pragma once

#include "engine/Matrix.h"
#include "engine/SparseMatrix.h"

#include <vector>

namespace korvanix::model {
class SourceElement;
} // namespace korvanix::model

namespace korvanix::engine {

class AnalysisGraph;

// A source and where its value goes: an S1 or S2 row for a current source, a
// position among the capacitor/source branches for a voltage source.
struct SourceEntry {
    model::SourceElement* source = nullptr;
    int position = 0;
};

// One pulse-like source in the switching-instant schedule of the transient
// analysis: its pending instant and how many instants it has given out.
struct SwitchingEntry {
    model::SourceElement* source = nullptr;
    double pendingInstant = -1;
    int counter = 0;
};

// The transient analysis' state equations in cut-set form over the forest of
// capacitor and voltage-source branches, and every matrix and vector they are made
// of. One workspace serves every formulation; each one resizes and refills it.
//
// Sizes: NI independent and NF forest nodes, BO ordinary and BC capacitor/source
// branches, kO rows of S1 and kC rows of S2. With x1 (kO) and x3 (kC) the inductor
// plus current-source currents of the selected branches and uC (BC) the capacitor
// and source voltages:
//   d x1 / dt = F1 [x1; uC] (+ w12),   d uC / dt = F2 [x1; uC; x3] (+ w123),
//   phi1 = Pphi uC + Pphix x1,          uO = Kv1 uC + KLJ1 x1.
class StateEquations {
public:
    // Fill element values, collect sources, topology products (which end with the
    // state matrices). Raises model::SchemeError 3001 for a singular nodal matrix.
    void Formulate(AnalysisGraph& graph);

    // Diagonal element matrices, value vectors, flags and S2Gamma2.
    void FillElementValues(const AnalysisGraph& graph);
    // Source lists and zeroed source vectors.
    void CollectSources(const AnalysisGraph& graph);
    // The value-independent products, then the state matrices.
    void TopologyProducts(AnalysisGraph& graph);
    // The value-dependent matrices; a parameter sweep repeats this after a refill.
    void StateMatrices(const AnalysisGraph& graph);

    // jO, jC, eC = scale * the n-th time derivative of each source at t, then w12
    // and w123 rebuilt.
    void SourceDerivatives(double t, int n, double scale);
    // jO, jC, eC = the source values at t; w12 and w123 are left as they are.
    void SourceValues(double t);

    // Drops every reference to elements of the working copy.
    void ForgetSources();

    int NI = 0, NF = 0, BO = 0, BC = 0, kO = 0, kC = 0;

    // Element values by branch (diagonal).
    Matrix G1, Gamma1, Gu1;           // BO x BO
    Matrix G2, Gamma2, Gu2, Cinv;     // BC x BC
    Matrix S2Gamma2;                  // kC x BC
    Vector L1, iL1, L2, iL2;          // kO, kO, kC, kC after compression by selection
    Vector Cval, uCinit;              // BC
    bool dynamic = false;             // any inductance or capacitor
    bool ordinaryInductance = false;  // x1 evolves
    bool capSourceInductance = false; // x3 evolves
    bool capacitor = false;           // uC evolves

    // Sources.
    std::vector<SourceEntry> ordinaryCurrentSources;  // position: S1 row
    std::vector<SourceEntry> capSourceCurrentSources; // position: S2 row
    std::vector<SourceEntry> voltageSources;          // position: capacitor/source branch
    std::vector<SourceEntry> pulseSources;            // PULSE, or AC with an end moment
    std::vector<SwitchingEntry> switchingSchedule;    // filled by the transient analysis
    int pulseSourceCount = 0;
    Vector jO, eC, jC; // kO, BC, kC
    Vector w12, w123;  // [jO; eC], [jO; eC; jC]

    // Value-independent products.
    Matrix inv22, A12T, inv22T;
    Matrix D, DPrime, EPrime, DS;
    Matrix DT, DPrimeT, EPrimeT, A21T, A21PrimeT, A22PrimeT;

    // Value-dependent products.
    Matrix M1, Yn, N1, C1, DC, Z, P1, Q1;
    Matrix KLJ1, Kv1, H2, KLJ2, Y22;
    Matrix F1, F2, Pphi, Pphix;

    // What the integration step and the outputs read, as compressed rows holding
    // exactly the nonzero entries of the matrices above. Either formulation fills
    // them; with the graph's sparseTransient the dense matrices above are never
    // formed (they grow with the square of the circuit) and only these are.
    struct StepMatrices {
        SparseMatrix F1, F2, S2Gamma2, Pphi, Pphix, KLJ1, Kv1, KLJ2, Y22, G1, G2;
        SparseMatrix A12T, inv22T, S2T, DS, DC, Z;
    };
    StepMatrices step;

private:
    // The sparse formulation: the same products, term for term and in the same
    // order, on compressed rows (SparseAlgebra.h), so that it gives the dense
    // one's numbers bit for bit.
    void SparseTopologyProducts(const AnalysisGraph& graph);
    void SparseStateMatrices(const AnalysisGraph& graph);
    // The products of the dense formulation the step reads, as compressed rows.
    void StepFromDense(const AnalysisGraph& graph);

    // The element values by branch and the value-independent products of the
    // sparse formulation, kept for a sweep's refills.
    struct SparseWork {
        SparseMatrix G1, Gamma1, Gu1, G2, Gamma2, Gu2, Cinv;
        SparseMatrix inv22, D, DT, DPrimeT, EPrimeT, A21T, A21PrimeT, A22PrimeT;
    };
    SparseWork sparse_;

    // Scratch of the state-matrix step, kept to reuse its storage.
    Matrix t1_, t2_, t3_, t4_;
    Matrix inv22A21_;
};

} // namespace korvanix::engine
