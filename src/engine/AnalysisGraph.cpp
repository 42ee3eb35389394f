#include "engine/AnalysisGraph.h"

#include "engine/EngineNotifier.h"
#include "engine/ErrorMessages.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/PassiveElements.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Value.h"
#include "netlist/MacroExpansion.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <type_traits>
#include <unordered_set>

namespace korvanix::engine {

namespace {

using model::Element;
using model::SchemeError;

uint64_t PairKey(int a, int b) {
    const auto lo = static_cast<uint32_t>(std::min(a, b));
    const auto hi = static_cast<uint32_t>(std::max(a, b));
    return (uint64_t{hi} << 32) | lo;
}

std::size_t At(int i) {
    return static_cast<std::size_t>(i);
}

bool IsTwoTerminalCircuitElement(const Element& e) {
    return model::IsTwoTerminal(e.kind) && e.PinCount() >= 2;
}

// The slot a primitive kind occupies in a branch; null for a kind that has none.
Element** SlotOf(Branch& b, model::ElementKind kind) {
    switch (kind) {
    case model::kind::Resistor:
        return &b.r;
    case model::kind::Capacitor:
        return &b.c;
    case model::kind::Inductance:
        return &b.l;
    default:
        return nullptr;
    }
}

// Fills the four blocks of a matrix whose rows are nodes 1..N and whose columns are
// branches, taking rows and columns in the order of the class lists.
template <class M>
void ExtractBlocks(const M& full, const std::vector<int>& independentRows,
                   const std::vector<int>& forestRows, const std::vector<int>& ordinaryCols,
                   const std::vector<int>& sourceCols, M& b11, M& b21, M& b12, M& b22) {
    const auto extract = [&full](const std::vector<int>& rows, const std::vector<int>& cols,
                                 M& out) {
        // Every entry is written below; zeroing first would be a second pass over
        // blocks as large as the graph.
        out.Resize(static_cast<int>(rows.size()), static_cast<int>(cols.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto* row = full.Row(rows[i]);
            auto* target = out.Row(static_cast<int>(i));
            for (std::size_t j = 0; j < cols.size(); ++j)
                target[j] = row[cols[j]];
        }
    };
    extract(independentRows, ordinaryCols, b11);
    extract(forestRows, ordinaryCols, b21);
    extract(independentRows, sourceCols, b12);
    extract(forestRows, sourceCols, b22);
}

} // namespace

AnalysisGraph::AnalysisGraph() = default;
AnalysisGraph::~AnalysisGraph() = default;

void AnalysisGraph::Clear() {
    nodes.clear();
    branches.clear();
    circuitElements.clear();
    independentNodes.clear();
    forestNodes.clear();
    ordinaryBranches.clear();
    capacitorSourceBranches.clear();
    joining_.clear();
    forestAdjacency_.clear();
    adjacencyBuilt_ = false;
    real = IncidenceMatrices<Matrix>();
    complex = IncidenceMatrices<ComplexMatrix>();
    sparseA11 = ComplexSparseMatrix();
    sparseA11Prime = ComplexSparseMatrix();
    S1 = Matrix();
    S2 = Matrix();
    S1T = Matrix();
    S2T = Matrix();
    sparseReal = IncidenceMatrices<SparseMatrix>();
    sparseS1 = SparseMatrix();
    sparseS2 = SparseMatrix();
    sparseS1T = SparseMatrix();
    sparseS2T = SparseMatrix();
    s1Row_.clear();
    s2Row_.clear();
}

void AnalysisGraph::BuildTransient(model::Scheme& scheme, EngineNotifier& notifier) {
    Build(scheme, false, &notifier);
}

void AnalysisGraph::BuildFrequency(model::Scheme& scheme) {
    Build(scheme, true, nullptr);
}

void AnalysisGraph::Build(model::Scheme& scheme, bool frequencyVariant, EngineNotifier* notifier) {
    Clear();
    frequency = frequencyVariant;

    CheckIsolatedShorts(scheme);
    netlist::PruneShortedElements(scheme);

    int highest = model::NumberNodes(scheme.workingWires);
    for (const auto& e : scheme.workingElements) {
        if (!model::IsTwoTerminal(e->kind))
            continue;
        circuitElements.push_back(e);
        for (int pin = 1; pin <= e->PinCount(); ++pin)
            highest = std::max(highest, e->PinNode(pin));
    }
    CreateNodes(highest);

    AttachAll();
    bool groundTouched = false;
    for (const Element* e : circuitElements)
        if (e->PinNode(1) == 0 || e->PinNode(2) == 0)
            groundTouched = true;
    CheckGround(scheme, groundTouched);
    CheckLoops(notifier);
    Classify();

    if (frequency) {
        if (sparseFrequency)
            BuildSparseIncidence();
        else
            BuildIncidence(complex);
    } else {
        BuildSelections();
        if (sparseTransient)
            BuildSparseTransientIncidence();
        else
            BuildIncidence(real);
    }
}

// A drawn element shorted on a node that nothing else uses is a mistake worth
// naming; one shorted beside other elements is merely dropped from the analysis.
void AnalysisGraph::CheckIsolatedShorts(const model::Scheme& scheme) const {
    // Generated ids start past the copy's largest id, which a text label left out
    // of the copy may still use: a drawn element is on the sheet and not generated.
    std::unordered_set<int32_t> sheetIds;
    for (const auto& e : scheme.elements)
        sheetIds.insert(e->id);
    for (int32_t id : scheme.generatedIds)
        sheetIds.erase(id);

    // Per node, how many circuit elements have exactly one pin on it.
    std::unordered_map<int, int> singlePins;
    for (const auto& e : scheme.workingElements) {
        if (!IsTwoTerminalCircuitElement(*e))
            continue;
        const int p1 = e->PinNode(1);
        const int p2 = e->PinNode(2);
        if (p1 == p2)
            continue;
        ++singlePins[p1];
        ++singlePins[p2];
    }
    for (const auto& e : scheme.workingElements) {
        if (!IsTwoTerminalCircuitElement(*e))
            continue;
        const int n = e->PinNode(1);
        if (n < 0 || e->PinNode(2) != n || !sheetIds.count(e->id))
            continue;
        if (singlePins.find(n) == singlePins.end())
            throw SchemeError(scheme_error::Shorted, e);
    }
}

void AnalysisGraph::CreateNodes(int highestNode) {
    nodes.assign(At(std::max(highestNode, 0) + 1), GraphNode());
    for (std::size_t i = 0; i < nodes.size(); ++i)
        nodes[i].number = static_cast<int32_t>(i);
}

void AnalysisGraph::AttachAll() {
    for (Element* e : circuitElements) {
        const int p1 = e->PinNode(1);
        const int p2 = e->PinNode(2);
        if (p1 < 0 || p2 < 0)
            throw SchemeError(scheme_error::NotConnected, e);
        Attach(e, p1, p2);
    }
    // Only attaching looks branches up by their ends: its lists (one per branch)
    // go before the formulation needs the memory.
    joining_ = {};
}

Branch* AnalysisGraph::NewBranch(int p1, int p2) {
    auto branch = std::make_unique<Branch>();
    int start = std::min(p1, p2);
    int end = std::max(p1, p2);
    if (start == 0)
        std::swap(start, end);
    branch->start = &nodes[At(start)];
    branch->end = &nodes[At(end)];
    branch->frequency = frequency;
    Branch* raw = branch.get();
    branches.push_back(std::move(branch));
    joining_[PairKey(p1, p2)].push_back(raw);
    adjacencyBuilt_ = false;
    return raw;
}

void AnalysisGraph::Attach(Element* element, int p1, int p2) {
    const model::ElementKind kind = element->kind;
    const bool voltage = model::IsVoltageSource(kind);
    const bool current = model::IsCurrentSource(kind);
    auto* source = dynamic_cast<model::SourceElement*>(element);
    auto* unistor = dynamic_cast<model::Unistor*>(element);
    if ((voltage || current) && !source)
        return;
    if (kind == model::kind::Unistor && !unistor)
        return;
    if (!voltage && !current && kind != model::kind::Unistor && kind != model::kind::Resistor &&
        kind != model::kind::Capacitor && kind != model::kind::Inductance)
        return; // no such primitive in the catalogue: nothing to stamp

    const auto slotTaken = [&](const Branch& b) {
        if (voltage)
            return b.e != nullptr;
        if (current)
            return b.j != nullptr;
        if (kind == model::kind::Unistor)
            return b.unistor != nullptr;
        if (kind == model::kind::Resistor)
            return b.r != nullptr;
        if (kind == model::kind::Capacitor)
            return b.c != nullptr;
        return b.l != nullptr;
    };
    // Capacitors and voltage sources take the first joining branch even when their
    // slot is taken, so that parallel ones are reported; in the frequency variant
    // every resistor, capacitor and inductance is a branch of its own.
    const bool ownBranch =
        frequency && (kind == model::kind::Resistor || kind == model::kind::Capacitor ||
                      kind == model::kind::Inductance);
    const bool anySlot = voltage || (!frequency && kind == model::kind::Capacitor);

    Branch* branch = nullptr;
    if (!ownBranch && p1 != p2) {
        const auto found = joining_.find(PairKey(p1, p2));
        if (found != joining_.end()) {
            for (Branch* b : found->second) {
                if (anySlot || !slotTaken(*b)) {
                    branch = b;
                    break;
                }
            }
        }
    }
    if (!branch) {
        if (p1 == p2)
            throw SchemeError(scheme_error::Shorted, element);
        branch = NewBranch(p1, p2);
    }

    const int start = branch->start->number;
    const int end = branch->end->number;
    if (voltage) {
        if (branch->c && !branch->frequency)
            throw SchemeError(scheme_error::CapacitorParallelToSource, element);
        if (branch->e)
            throw SchemeError(scheme_error::ParallelSources, element);
        branch->e = source;
        source->SetDirection(p2 == start && p1 == end ? 1 : -1);
        branch->branchClass = BranchClass::CapacitorSource;
        adjacencyBuilt_ = false;
    } else if (current) {
        branch->j = source;
        source->SetDirection(p2 == start && p1 == end ? 1 : -1);
    } else if (kind == model::kind::Unistor) {
        branch->unistor = unistor;
        unistor->SetDirection(p1 == start && p2 == end ? 1 : -1);
    } else if (kind == model::kind::Capacitor) {
        if (branch->e && !branch->frequency)
            throw SchemeError(scheme_error::CapacitorParallelToSource, branch->e);
        if (branch->c && !branch->frequency)
            throw SchemeError(scheme_error::ParallelCapacitors, element);
        branch->c = element;
        if (!branch->frequency) {
            branch->branchClass = BranchClass::CapacitorSource;
            adjacencyBuilt_ = false;
        }
    } else {
        *SlotOf(*branch, kind) = element;
    }
}

void AnalysisGraph::CheckGround(const model::Scheme& scheme, bool groundTouched) const {
    const auto ground = std::find_if(scheme.elements.begin(), scheme.elements.end(),
                                     [](const auto& e) { return e->kind == model::kind::Ground; });
    if (ground == scheme.elements.end())
        throw SchemeError(scheme_error::NoGround);
    if (!groundTouched)
        throw SchemeError(scheme_error::GroundUnused, ground->get());
}

void AnalysisGraph::FindLoops(int node, std::vector<int>& nodePath,
                              std::vector<Branch*>& branchPath,
                              std::vector<model::Element*>& loops) {
    if (node < 0 || node > NodeCount())
        return;
    if (!adjacencyBuilt_) {
        forestAdjacency_.assign(nodes.size(), {});
        for (const auto& b : branches) {
            if (!b->IsCapacitorSource())
                continue;
            forestAdjacency_[At(b->start->number)].push_back(b.get());
            forestAdjacency_[At(b->end->number)].push_back(b.get());
        }
        adjacencyBuilt_ = true;
    }

    // Position of each node on the node path and the branches on the branch path,
    // so that both tests take constant time.
    std::vector<int> pathPosition(nodes.size(), -1);
    std::unordered_set<const Branch*> onPath(branchPath.begin(), branchPath.end());
    for (std::size_t i = 0; i < nodePath.size(); ++i)
        if (nodePath[i] >= 0 && nodePath[i] <= NodeCount() && pathPosition[At(nodePath[i])] < 0)
            pathPosition[At(nodePath[i])] = static_cast<int>(i);

    // The search runs on its own stack of frames rather than the call stack: a long
    // chain of capacitors is a legitimate circuit.
    struct Frame {
        int node;
        std::size_t next;
        bool enteredByBranch;
    };
    std::vector<Frame> frames;

    const auto enter = [&](int n, bool byBranch) {
        const int position = pathPosition[At(n)];
        if (position >= 0) {
            for (std::size_t k = At(position); k < branchPath.size(); ++k) {
                if (Element* c = branchPath[k]->c)
                    loops.push_back(c);
                if (Element* e = branchPath[k]->e)
                    loops.push_back(e);
            }
            loops.push_back(nullptr);
        }
        GraphNode& g = nodes[At(n)];
        if (g.visited)
            return false;
        g.visited = true;
        if (n != 0)
            g.nodeClass = NodeClass::Forest;
        pathPosition[At(n)] = static_cast<int>(nodePath.size());
        nodePath.push_back(n);
        frames.push_back({n, 0, byBranch});
        return true;
    };

    enter(node, false);
    while (!frames.empty()) {
        Frame& f = frames.back();
        const std::vector<Branch*>& adjacent = forestAdjacency_[At(f.node)];
        if (f.next < adjacent.size()) {
            Branch* b = adjacent[f.next++];
            if (onPath.count(b))
                continue;
            const int other = b->start->number == f.node ? b->end->number : b->start->number;
            branchPath.push_back(b);
            onPath.insert(b);
            if (!enter(other, true)) {
                onPath.erase(b);
                branchPath.pop_back();
            }
            continue;
        }
        nodePath.pop_back();
        pathPosition[At(f.node)] = -1;
        const bool byBranch = f.enteredByBranch;
        frames.pop_back();
        if (byBranch) {
            onPath.erase(branchPath.back());
            branchPath.pop_back();
        }
    }
}

void AnalysisGraph::CheckLoops(EngineNotifier* notifier) {
    std::vector<bool> onForestBranch(nodes.size(), false);
    for (const auto& b : branches) {
        if (b->IsCapacitorSource()) {
            onForestBranch[At(b->start->number)] = true;
            onForestBranch[At(b->end->number)] = true;
        }
    }
    std::vector<Element*> loops;
    std::vector<int> nodePath;
    std::vector<Branch*> branchPath;
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        if (nodes[k].visited || !onForestBranch[k])
            continue;
        FindLoops(static_cast<int>(k), nodePath, branchPath, loops);
        // The root of every tree stays independent: its potential is the reference
        // the tree's branch voltages are added to.
        nodes[k].nodeClass = NodeClass::Independent;
        nodes[k].visited = true;
    }
    if (loops.empty())
        return;
    if (frequency)
        throw SchemeError(scheme_error::SourceLoop);

    bool sourcesOnly = false;
    bool withSource = false;
    int number = 0;
    std::string text;
    bool loopAllSources = true;
    for (const Element* e : loops) {
        if (e) {
            if (!text.empty())
                text += ",";
            text += e->Name();
            if (model::IsVoltageSource(e->kind))
                withSource = true;
            else
                loopAllSources = false;
            continue;
        }
        ++number;
        if (loopAllSources)
            sourcesOnly = true;
        if (notifier)
            notifier->LoopWarning("Контур " + model::FormatValue(number, 12, 0, false), text);
        text.clear();
        loopAllSources = true;
    }
    if (sourcesOnly)
        throw SchemeError(scheme_error::SourceLoop);
    if (withSource)
        throw SchemeError(scheme_error::SourceCapacitorLoop);
    throw SchemeError(scheme_error::CapacitorLoop);
}

void AnalysisGraph::Classify() {
    for (std::size_t n = 1; n < nodes.size(); ++n) {
        if (nodes[n].nodeClass == NodeClass::Independent)
            independentNodes.push_back(&nodes[n]);
        else
            forestNodes.push_back(&nodes[n]);
    }
    for (const auto& b : branches) {
        if (b->IsCapacitorSource())
            capacitorSourceBranches.push_back(b.get());
        else
            ordinaryBranches.push_back(b.get());
    }
}

void AnalysisGraph::BuildSelections() {
    const auto select = [this](const std::vector<Branch*>& list, Matrix& s, Matrix& st,
                               SparseMatrix& sparse, SparseMatrix& sparseT,
                               std::vector<int>& rowOf) {
        const int cols = static_cast<int>(list.size());
        rowOf.assign(list.size(), 0);
        std::vector<int> start(1, 0);
        std::vector<int> columns;
        for (int i = 0; i < cols; ++i)
            if (list[At(i)]->l || list[At(i)]->j) {
                rowOf[At(i)] = static_cast<int>(columns.size());
                columns.push_back(i);
                start.push_back(static_cast<int>(columns.size()));
            }
        const int rows = static_cast<int>(columns.size());
        std::vector<double> ones(columns.size(), 1.0);
        sparse.Assign(rows, cols, std::move(start), std::move(columns), std::move(ones));
        sparseT = sparse.Transposed();
        if (sparseTransient) {
            s = Matrix();
            st = Matrix();
        } else {
            s = sparse.ToDense();
            st = Transpose(s);
        }
    };
    select(ordinaryBranches, S1, S1T, sparseS1, sparseS1T, s1Row_);
    select(capacitorSourceBranches, S2, S2T, sparseS2, sparseS2T, s2Row_);
}

template <class M> void AnalysisGraph::BuildIncidence(IncidenceMatrices<M>& m) {
    using T = std::remove_reference_t<decltype(m.A(0, 0))>;
    const int n = NodeCount();
    const int b = static_cast<int>(branches.size());

    std::vector<int> independentRows;
    std::vector<int> forestRows;
    for (const GraphNode* g : independentNodes)
        independentRows.push_back(g->number - 1);
    for (const GraphNode* g : forestNodes)
        forestRows.push_back(g->number - 1);
    std::vector<int> ordinaryCols;
    std::vector<int> sourceCols;
    for (int j = 0; j < b; ++j)
        (branches[At(j)]->IsCapacitorSource() ? sourceCols : ordinaryCols).push_back(j);

    m.A = M(n, b); // new entries are zero: no second pass to clear them
    for (int j = 0; j < b; ++j) {
        const Branch& br = *branches[At(j)];
        if (br.start->number > 0)
            m.A.At(br.start->number - 1, j) = T(1);
        if (br.end->number > 0)
            m.A.At(br.end->number - 1, j) = T(-1);
    }
    ExtractBlocks(m.A, independentRows, forestRows, ordinaryCols, sourceCols, m.A11, m.A21, m.A12,
                  m.A22);
    if (m.A22.Rows() != m.A22.Cols())
        throw SchemeError(scheme_error::Adu0NotSquare);

    m.APrime = m.A;
    for (int j = 0; j < b; ++j) {
        const Branch& br = *branches[At(j)];
        if (!br.unistor)
            continue;
        // Only the pin-1 node's entry stays: a unistor's current is driven by that
        // node alone.
        const GraphNode* dropped = br.unistor->Direction() > 0 ? br.end : br.start;
        if (dropped->number > 0) {
            T& entry = m.APrime.At(dropped->number - 1, j);
            entry = entry * T(0);
        }
    }
    ExtractBlocks(m.APrime, independentRows, forestRows, ordinaryCols, sourceCols, m.A11Prime,
                  m.A21Prime, m.A12Prime, m.A22Prime);
}

// The blocks BuildIncidence extracts from A and A', entry for entry (a branch on
// one node twice keeps its end's -1, a dropped unistor entry is the entry times
// zero), with A11 and A11' written as sparse rows.
void AnalysisGraph::BlockRows(std::vector<int>& rowOf, std::vector<char>& independent) const {
    rowOf.assign(static_cast<std::size_t>(NodeCount()), -1);
    independent.assign(static_cast<std::size_t>(NodeCount()), 0);
    for (std::size_t i = 0; i < independentNodes.size(); ++i) {
        const auto at = static_cast<std::size_t>(independentNodes[i]->number - 1);
        rowOf[at] = static_cast<int>(i);
        independent[at] = 1;
    }
    for (std::size_t i = 0; i < forestNodes.size(); ++i)
        rowOf[static_cast<std::size_t>(forestNodes[i]->number - 1)] = static_cast<int>(i);
}

template <class Place> void AnalysisGraph::ForEachBranchEnd(Place&& place) const {
    int ordinary = 0;
    int source = 0;
    for (const auto& b : branches) {
        const Branch& br = *b;
        const bool isSource = br.IsCapacitorSource();
        const int column = isSource ? source++ : ordinary++;
        const GraphNode* dropped =
            br.unistor ? (br.unistor->Direction() > 0 ? br.end : br.start) : nullptr;
        if (br.start->number > 0)
            place(br.start, 1, column, isSource, br.start == dropped);
        if (br.end->number > 0)
            place(br.end, -1, column, isSource, br.end == dropped);
    }
}

void AnalysisGraph::BuildSparseIncidence() {
    IncidenceMatrices<ComplexMatrix>& m = complex;
    const int ni = static_cast<int>(independentNodes.size());
    const int nf = static_cast<int>(forestNodes.size());
    const int bo = static_cast<int>(ordinaryBranches.size());
    const int bc = static_cast<int>(capacitorSourceBranches.size());

    std::vector<int> rowOf;
    std::vector<char> independent;
    BlockRows(rowOf, independent);

    m = IncidenceMatrices<ComplexMatrix>();
    m.A21 = ComplexMatrix(nf, bo);
    m.A12 = ComplexMatrix(ni, bc);
    m.A22 = ComplexMatrix(nf, bc);
    m.A21Prime = ComplexMatrix(nf, bo);
    m.A12Prime = ComplexMatrix(ni, bc);
    m.A22Prime = ComplexMatrix(nf, bc);
    if (m.A22.Rows() != m.A22.Cols())
        throw SchemeError(scheme_error::Adu0NotSquare);

    struct Entry {
        int column;
        Complex value, prime;
    };
    std::vector<std::vector<Entry>> rows(static_cast<std::size_t>(ni));
    ForEachBranchEnd([&](const GraphNode* node, int sign, int column, bool isSource, bool dropped) {
        const Complex value(sign, 0);
        const Complex prime = dropped ? value * Complex(0, 0) : value;
        const auto at = static_cast<std::size_t>(node->number - 1);
        const int row = rowOf[at];
        if (!independent[at]) {
            (isSource ? m.A22 : m.A21).At(row, column) = value;
            (isSource ? m.A22Prime : m.A21Prime).At(row, column) = prime;
        } else if (isSource) {
            m.A12.At(row, column) = value;
            m.A12Prime.At(row, column) = prime;
        } else {
            std::vector<Entry>& list = rows[static_cast<std::size_t>(row)];
            if (!list.empty() && list.back().column == column)
                list.back() = {column, value, prime}; // the end overwrites the start
            else
                list.push_back({column, value, prime});
        }
    });

    std::vector<int> start(1, 0);
    std::vector<int> columns;
    std::vector<Complex> values, primes;
    for (const std::vector<Entry>& list : rows) {
        for (const Entry& e : list) {
            columns.push_back(e.column);
            values.push_back(e.value);
            primes.push_back(e.prime);
        }
        start.push_back(static_cast<int>(columns.size()));
    }
    sparseA11Prime.Assign(ni, bo, start, columns, std::move(primes));
    sparseA11.Assign(ni, bo, std::move(start), std::move(columns), std::move(values));
}

void AnalysisGraph::BuildSparseTransientIncidence() {
    IncidenceMatrices<SparseMatrix>& m = sparseReal;
    const int ni = static_cast<int>(independentNodes.size());
    const int nf = static_cast<int>(forestNodes.size());
    const int bo = static_cast<int>(ordinaryBranches.size());
    const int bc = static_cast<int>(capacitorSourceBranches.size());
    if (nf != bc)
        throw SchemeError(scheme_error::Adu0NotSquare);

    std::vector<int> rowOf;
    std::vector<char> independent;
    BlockRows(rowOf, independent);

    // One list of (column, value) per row of each block, columns increasing as
    // the branches come; the A' lists leave out the entry a unistor drops (the
    // dense A' holds a zero there).
    using Rows = std::vector<std::vector<std::pair<int, double>>>;
    Rows b11(At(ni)), b21(At(nf)), b12(At(ni)), b22(At(nf));
    Rows p11(At(ni)), p21(At(nf)), p12(At(ni)), p22(At(nf));
    const auto put = [](std::vector<std::pair<int, double>>& list, int column, double value) {
        if (!list.empty() && list.back().first == column)
            list.back().second = value; // the end overwrites the start
        else
            list.emplace_back(column, value);
    };
    ForEachBranchEnd([&](const GraphNode* node, int sign, int column, bool isSource, bool dropped) {
        const double value = sign;
        const auto at = static_cast<std::size_t>(node->number - 1);
        if (rowOf[at] < 0)
            return; // a node of neither block: the dense blocks leave its row out
        const auto row = static_cast<std::size_t>(rowOf[at]);
        Rows& plain = independent[at] ? (isSource ? b12 : b11) : (isSource ? b22 : b21);
        Rows& prime = independent[at] ? (isSource ? p12 : p11) : (isSource ? p22 : p21);
        put(plain[row], column, value);
        if (dropped) {
            if (!prime[row].empty() && prime[row].back().first == column)
                prime[row].pop_back();
        } else {
            put(prime[row], column, value);
        }
    });

    m.A11.AssignRows(bo, b11);
    m.A21.AssignRows(bo, b21);
    m.A12.AssignRows(bc, b12);
    m.A22.AssignRows(bc, b22);
    m.A11Prime.AssignRows(bo, p11);
    m.A21Prime.AssignRows(bo, p21);
    m.A12Prime.AssignRows(bc, p12);
    m.A22Prime.AssignRows(bc, p22);
}

namespace {

int SelectionRow(const std::vector<int>& rowOf, int position) {
    if (position < 0 || position >= static_cast<int>(rowOf.size()))
        throw MatrixError();
    return rowOf[static_cast<std::size_t>(position)];
}

} // namespace

int AnalysisGraph::S1Row(int position) const {
    return SelectionRow(s1Row_, position);
}

int AnalysisGraph::S2Row(int position) const {
    return SelectionRow(s2Row_, position);
}

} // namespace korvanix::engine
