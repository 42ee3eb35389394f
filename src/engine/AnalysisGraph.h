#pragma once

#include "engine/Matrix.h"
#include "engine/SparseMatrix.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace korvanix::model {
class Element;
class Scheme;
class SourceElement;
class Unistor;
} // namespace korvanix::model

namespace korvanix::engine {

class EngineNotifier;

enum class NodeClass : int32_t {
    Independent = 1,
    Forest = 2, // reached by the forest of capacitor and voltage-source branches
};

enum class BranchClass : int32_t {
    Ordinary = 1,
    CapacitorSource = 2, // holds a capacitor or a voltage source (transient)
};

struct GraphNode {
    int32_t number = 0;
    NodeClass nodeClass = NodeClass::Independent;
    bool visited = false;
};

// The primitive elements joined in parallel between two nodes, one per kind.
struct Branch {
    GraphNode* start = nullptr;
    GraphNode* end = nullptr; // ground, when the branch touches it
    model::Element* r = nullptr;
    model::Element* c = nullptr;
    model::Element* l = nullptr;
    model::Unistor* unistor = nullptr;
    model::SourceElement* j = nullptr;
    model::SourceElement* e = nullptr;
    BranchClass branchClass = BranchClass::Ordinary;
    bool frequency = false;

    bool IsCapacitorSource() const { return branchClass == BranchClass::CapacitorSource; }
};

// A (reduced incidence, one row per node 1..N, one column per branch), A' (the same
// with the non-pin-1 entry of every unistor branch dropped, so that a unistor's
// current depends on its pin-1 node only) and their blocks: rows independent (1)
// or forest (2) nodes, columns ordinary (1) or capacitor/source (2) branches.
// A22 is the matrix the messages call "Adu0".
template <class M> struct IncidenceMatrices {
    M A, A11, A21, A12, A22;
    M APrime, A11Prime, A21Prime, A12Prime, A22Prime;
};

// The checked graph of the analysed circuit, rebuilt from the working copy by each
// formulation. The transient build fills the real matrices and the selection
// matrices; the frequency build fills the complex incidence matrices only.
class AnalysisGraph {
public:
    AnalysisGraph();
    ~AnalysisGraph();
    AnalysisGraph(const AnalysisGraph&) = delete;
    AnalysisGraph& operator=(const AnalysisGraph&) = delete;

    // Both builds expect the working copy expanded, its nodes numbered and its
    // element ordinals set; they raise model::SchemeError on the first failed check
    // (and MatrixError on an inconsistent shape). The transient build shows one
    // warning per loop of capacitors and voltage sources before the loop error.
    void BuildTransient(model::Scheme& scheme, EngineNotifier& notifier);
    void BuildFrequency(model::Scheme& scheme);

    // Forgets every node, branch, list and matrix (the element references would
    // dangle once the working copy is rebuilt).
    void Clear();

    // Depth-first search from `node` over capacitor/source branches: marks the nodes
    // it reaches as forest nodes (ground excepted) and appends, for every branch that
    // closes a cycle, the capacitor then the voltage source of each branch of the
    // cycle, followed by a null separator. The paths are the search's own stacks and
    // are left as they were given.
    void FindLoops(int node, std::vector<int>& nodePath, std::vector<Branch*>& branchPath,
                   std::vector<model::Element*>& loops);

    // The row of S1 (S2) that selects the ordinary (capacitor/source) branch at a
    // position of its class list; 0 when no row selects it. MatrixError when the
    // position lies outside the matrix.
    int S1Row(int position) const;
    int S2Row(int position) const;

    int NodeCount() const { return static_cast<int>(nodes.size()) - 1; } // without ground

    std::vector<GraphNode> nodes; // index = node number, 0 is ground
    std::vector<std::unique_ptr<Branch>> branches;
    std::vector<model::Element*> circuitElements;
    std::vector<GraphNode*> independentNodes; // ground not included
    std::vector<GraphNode*> forestNodes;      // ground not included
    std::vector<Branch*> ordinaryBranches;
    std::vector<Branch*> capacitorSourceBranches;
    bool frequency = false; // which variant was built last

    IncidenceMatrices<Matrix> real;           // transient
    IncidenceMatrices<ComplexMatrix> complex; // frequency, entries +-1+0j
    // Chosen before a frequency build (and kept by it): the blocks of the
    // independent nodes and ordinary branches, which grow with the square of the
    // circuit, are kept as sparse rows in sparseA11 and sparseA11Prime, and A, A',
    // A11 and A11' are left empty; the other blocks are formed as usual.
    bool sparseFrequency = false;
    ComplexSparseMatrix sparseA11, sparseA11Prime;
    // Selection of the ordinary (S1) and capacitor/source (S2) branches that hold an
    // inductance or a current source: one row per such branch, one 1 per row.
    Matrix S1, S2, S1T, S2T;
    // Chosen before a transient build (and kept by it): the incidence blocks and
    // the selections are formed as sparse rows only, holding exactly the nonzero
    // entries of their dense counterparts, which are left empty (A and A' are not
    // formed at all). The dense ones grow with the square of the circuit.
    bool sparseTransient = false;
    IncidenceMatrices<SparseMatrix> sparseReal;
    SparseMatrix sparseS1, sparseS2, sparseS1T, sparseS2T;

private:
    void Build(model::Scheme& scheme, bool frequencyVariant, EngineNotifier* notifier);
    void CheckIsolatedShorts(const model::Scheme& scheme) const;
    void CreateNodes(int highestNode);
    void AttachAll();
    void Attach(model::Element* element, int p1, int p2);
    Branch* NewBranch(int p1, int p2);
    void CheckGround(const model::Scheme& scheme, bool groundTouched) const;
    void CheckLoops(EngineNotifier* notifier);
    void Classify();
    void BuildSelections();
    template <class M> void BuildIncidence(IncidenceMatrices<M>& m);
    void BuildSparseIncidence();
    void BuildSparseTransientIncidence();
    // Node number − 1 → its row within its block (−1 in neither), and whether
    // that block is the independent one.
    void BlockRows(std::vector<int>& rowOf, std::vector<char>& independent) const;
    // place(node, ±1, column, capacitor/source branch?, dropped from A'?) for the
    // start and then the end of every branch off ground, in branch order; columns
    // count within each class.
    template <class Place> void ForEachBranchEnd(Place&& place) const;

    // Branches by their node pair, in creation order, for the joining-branch search.
    std::unordered_map<uint64_t, std::vector<Branch*>> joining_;
    // Capacitor/source branches at each node, in branch-list order (FindLoops).
    std::vector<std::vector<Branch*>> forestAdjacency_;
    bool adjacencyBuilt_ = false;
    // The selection row of each branch position (0 when no row selects it).
    std::vector<int> s1Row_, s2Row_;
};

} // namespace korvanix::engine
