#include "analysis/StateSpace.h"

#include "engine/AnalysisGraph.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/PassiveElements.h"
#include "model/Sources.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace korvanix::analysis {

const char* const kNonFiniteParameter =
    "Параметры элементов цепи должны быть конечными числами: полюсы не вычисляются.";
const char* const kZeroResistance =
    "Сопротивление резистора равно нулю: замените его проводником. Полюсы не вычисляются.";
const char* const kHigherIndex =
    "Уравнения цепи не приводятся к форме состояний: в ней есть контур или сечение из "
    "реактивных элементов и управляемых источников, которые не удается исключить. "
    "Полюсы не вычисляются.";

namespace {

// The equilibrated block's reciprocal condition below which it counts as
// singular: the circuit then needs more than one elimination step.
constexpr double kWellPosed = 1e-13;

using engine::Branch;
using engine::dense::Lu;
using engine::dense::Mat;
using engine::dense::Vec;
namespace slot = engine::frequency_slot;

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

// A potential or a branch voltage as a combination of the unknown potentials
// plus a multiple of the input.
struct Linear {
    std::vector<std::pair<int, double>> terms;
    double w = 0;

    void Add(const Linear& other, double factor) {
        for (const auto& [i, v] : other.terms)
            terms.emplace_back(i, v * factor);
        w += other.w * factor;
    }
};

// A quantity in the unknowns x of the descriptor form: y = x0 x + x1 s x + w0 w + w1 s w.
struct Quantity {
    Vec x0, x1;
    double w0 = 0, w1 = 0;

    explicit Quantity(int n) : x0(Index(n), 0.0), x1(Index(n), 0.0) {}
    void AddLinear(const Linear& l, double factor, bool derivative) {
        Vec& x = derivative ? x1 : x0;
        for (const auto& [i, v] : l.terms)
            x[Index(i)] += v * factor;
        (derivative ? w1 : w0) += l.w * factor;
    }
};

bool IsHarmonic(const model::SourceElement* s) {
    return s && s->Mode() == model::SourceMode::Ac;
}

double Dot(const Vec& a, const Vec& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += a[i] * b[i];
    return sum;
}

// The sum of the magnitudes of Dot's terms: the scale its rounding is measured on.
double MagnitudeDot(const Vec& a, const Vec& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::fabs(a[i] * b[i]);
    return sum;
}

} // namespace

std::size_t StateFormBytes(std::size_t unknowns) {
    // E, A, the algebraic block's solution and the state matrix, with room for
    // the eigensolver's own copy and workspace.
    return unknowns * unknowns * sizeof(double) * 6;
}

std::size_t StateFormMemoryLimit() {
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    std::size_t available = pages > 0 && size > 0
                                ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(size)
                                : std::size_t{1} << 30;
    // A limit on the address space (ulimit -v) bounds what may be taken too.
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        available = std::min<std::size_t>(available, static_cast<std::size_t>(limit.rlim_cur));
    // Half of it: the window, its curves and other programs keep theirs.
    return available / 2;
}

struct StateSpaceBuilder::Impl {
    engine::Engine& engine;
    const engine::AnalysisGraph& graph;

    int ni = 0, nl = 0, n = 0;
    std::vector<int> independentOf, forestOf; // by node number, -1 when neither
    std::vector<Linear> forestPotential;      // by forest position
    std::vector<int> inductorOf;              // by ordinary branch: unknown or -1
    // The harmonic source, when there is exactly one.
    int sourceOrdinaryJ = -1, sourceBranchJ = -1, sourceBranchE = -1;
    bool hasInput = false;

    Mat e, a;
    Vec b0, b1;

    // The reduction, kept to carry outputs through it.
    // Floating capacitor groups: each member's group reference (-1 outside any).
    std::vector<int> groupReference;
    Vec shift; // x = x' + shift w
    std::vector<int> dyn, alg;
    // Inductor cut sets taken out (ProjectCutSets): the currents' subspace, the
    // algebraic unknowns kept, the potentials eliminated and what gives them back.
    bool projected = false;
    struct CutSet {
        Mat n, pseudoInverse, eN, aN, aW;
        std::vector<int> kept, potentials;
        Vec bd;
        // x_d = N xi + onInput w, and E and A applied to onInput.
        Vec onInput, eOnInput, aOnInput;
    } cutSet;
    Mat solved; // A22^-1 [A21 | b_a] of the last stage
    Mat stateA;
    Vec stateB;

    explicit Impl(engine::Engine& eng) : engine(eng), graph(eng.Graph()) {}

    // The potential in the original unknowns (independent-node potentials).
    Linear RawPotential(const engine::GraphNode* node) const {
        Linear l;
        if (!node || node->number <= 0)
            return l;
        const int i = independentOf[Index(node->number)];
        if (i >= 0) {
            l.terms.emplace_back(i, 1.0);
            return l;
        }
        const int f = forestOf[Index(node->number)];
        if (f >= 0)
            return forestPotential[Index(f)];
        return l;
    }
    // The same in the unknowns the equations use: in a floating capacitor group
    // a member's potential is its difference from the group's reference plus the
    // reference's own (phi_j = y_j + sigma), so that a branch inside the group
    // sees the differences only, exactly.
    Linear Potential(const engine::GraphNode* node) const {
        Linear raw = RawPotential(node);
        if (groupReference.empty())
            return raw;
        std::vector<std::pair<int, double>> terms;
        for (const auto& [i, v] : raw.terms) {
            terms.emplace_back(i, v);
            const int r = groupReference[Index(i)];
            if (r >= 0 && r != i)
                terms.emplace_back(r, v);
        }
        raw.terms = Merged(std::move(terms));
        return raw;
    }
    // Terms on the same unknown summed (a branch inside a group: +sigma - sigma
    // is exactly nothing), zeros dropped.
    static std::vector<std::pair<int, double>> Merged(std::vector<std::pair<int, double>> terms) {
        std::sort(terms.begin(), terms.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        std::vector<std::pair<int, double>> out;
        for (const auto& t : terms) {
            if (!out.empty() && out.back().first == t.first)
                out.back().second += t.second;
            else
                out.push_back(t);
        }
        out.erase(
            std::remove_if(out.begin(), out.end(), [](const auto& t) { return t.second == 0; }),
            out.end());
        return out;
    }
    Linear Voltage(const Branch& b) const {
        Linear u = Potential(b.start);
        u.Add(Potential(b.end), -1.0);
        u.terms = Merged(std::move(u.terms));
        return u;
    }
    // The unistor's controlling potential as its branch sees it: the pin-1 end
    // only, with the sign of that end in the incidence.
    Linear UnistorControl(const Branch& b) const {
        Linear u;
        if (b.unistor->Direction() > 0)
            u.Add(Potential(b.start), 1.0);
        else
            u.Add(Potential(b.end), -1.0);
        return u;
    }

    void NumberNodes();
    void SolveForest();
    void FindSource();
    void CheckValues() const;
    void Stamp();
    void StampCurrent(const Linear& kcl, const Linear& current, double factor, bool derivative);
    // One elimination step's blocks: dynamic and algebraic unknowns and rows.
    struct Stage {
        Mat edd, add, ada, aad, aaa;
        Vec bd, ba;
    };
    void Reduce();
    void FloatingGroups();
    void ProjectCutSets(Stage& stage);
    void IndexOne(Stage stage);

    Quantity ElementCurrent(int branch) const;
    Quantity BranchCurrent(int branch) const;
    Quantity Raw(const engine::OutputLocator& l) const;
    StateOutput ToState(Quantity q) const;
};

void StateSpaceBuilder::Impl::NumberNodes() {
    const std::size_t count = graph.nodes.size();
    independentOf.assign(count, -1);
    forestOf.assign(count, -1);
    for (std::size_t i = 0; i < graph.independentNodes.size(); ++i)
        independentOf[Index(graph.independentNodes[i]->number)] = static_cast<int>(i);
    for (std::size_t f = 0; f < graph.forestNodes.size(); ++f)
        forestOf[Index(graph.forestNodes[f]->number)] = static_cast<int>(f);
    ni = static_cast<int>(graph.independentNodes.size());
}

// The forest's potentials from A12^T phi1 + A22^T phi2 = EC, with EC the input
// on the harmonic voltage source's branch and zero on the others (they are
// shorts for the variations the transfer function describes).
void StateSpaceBuilder::Impl::SolveForest() {
    const int nf = static_cast<int>(graph.forestNodes.size());
    forestPotential.assign(Index(nf), Linear());
    if (nf == 0)
        return;
    const auto& a12 = graph.complex.A12;
    const auto& a22 = graph.complex.A22;
    const int bc = a22.Cols();
    if (a22.Rows() != nf || bc != nf || a12.Cols() != bc || a12.Rows() != ni)
        throw engine::MatrixError();
    Mat a22t(bc, nf);
    for (int f = 0; f < nf; ++f)
        for (int k = 0; k < bc; ++k)
            a22t(k, f) = a22(f, k).re;
    Mat rhs(bc, ni + 1);
    for (int k = 0; k < bc; ++k) {
        for (int i = 0; i < ni; ++i)
            rhs(k, i) = -a12(i, k).re;
        rhs(k, ni) = k == sourceBranchE ? 1.0 : 0.0;
    }
    const Lu lu(a22t);
    if (lu.Singular())
        throw engine::MatrixError();
    lu.Solve(rhs);
    for (int f = 0; f < nf; ++f) {
        Linear& l = forestPotential[Index(f)];
        for (int i = 0; i < ni; ++i)
            if (rhs(f, i) != 0)
                l.terms.emplace_back(i, rhs(f, i));
        l.w = rhs(f, ni);
    }
}

void StateSpaceBuilder::Impl::FindSource() {
    int found = 0;
    for (std::size_t k = 0; k < graph.ordinaryBranches.size(); ++k)
        if (IsHarmonic(graph.ordinaryBranches[k]->j)) {
            sourceOrdinaryJ = static_cast<int>(k);
            ++found;
        }
    for (std::size_t k = 0; k < graph.capacitorSourceBranches.size(); ++k) {
        const Branch& b = *graph.capacitorSourceBranches[k];
        if (IsHarmonic(b.j)) {
            sourceBranchJ = static_cast<int>(k);
            ++found;
        }
        if (IsHarmonic(b.e)) {
            sourceBranchE = static_cast<int>(k);
            ++found;
        }
    }
    hasInput = found == 1;
    if (!hasInput)
        sourceOrdinaryJ = sourceBranchJ = sourceBranchE = -1;
}

void StateSpaceBuilder::Impl::CheckValues() const {
    const auto finite = [](const model::Element* element) {
        return !element || std::isfinite(element->GetParam(0));
    };
    for (const auto& b : graph.branches) {
        if (!finite(b->r) || !finite(b->c) || !finite(b->l) || !finite(b->unistor))
            throw StateFormError(kNonFiniteParameter);
        // The parameter dialog never stores it; a file written elsewhere may.
        if (b->r && b->r->GetParam(0) == 0)
            throw StateFormError(kZeroResistance);
    }
}

// Adds factor * (kcl's coefficients) * current to the cut-set rows: the rows of
// the independent nodes take the branch current with the sign of their end.
void StateSpaceBuilder::Impl::StampCurrent(const Linear& kcl, const Linear& current, double factor,
                                           bool derivative) {
    for (const auto& [row, d] : kcl.terms) {
        const double f = factor * d;
        for (const auto& [col, v] : current.terms) {
            if (derivative)
                e(row, col) += f * v;
            else
                a(row, col) -= f * v;
        }
        (derivative ? b1 : b0)[Index(row)] -= f * current.w;
    }
}

void StateSpaceBuilder::Impl::Stamp() {
    e = Mat(n, n);
    a = Mat(n, n);
    b0.assign(Index(n), 0.0);
    b1.assign(Index(n), 0.0);
    for (std::size_t k = 0; k < graph.ordinaryBranches.size(); ++k) {
        const Branch& br = *graph.ordinaryBranches[k];
        const Linear u = Voltage(br);
        if (br.r)
            StampCurrent(u, u, 1.0 / br.r->GetParam(0), false);
        if (br.c && br.c->GetParam(0) != 0)
            StampCurrent(u, u, br.c->GetParam(0), true);
        if (br.unistor)
            StampCurrent(u, UnistorControl(br), br.unistor->GetParam(0), false);
        if (br.l) {
            // s L iL = u: the current is an unknown of its own.
            const int col = inductorOf[k];
            for (const auto& [row, d] : u.terms)
                a(row, col) -= d;
            e(col, col) += br.l->GetParam(0);
            for (const auto& [i, v] : u.terms)
                a(col, i) += v;
            b0[Index(col)] += u.w;
        }
        if (static_cast<int>(k) == sourceOrdinaryJ)
            for (const auto& [row, d] : u.terms)
                b0[Index(row)] += d;
    }
}

// Groups of independent nodes joined by capacitors that no capacitor ties to a
// node of fixed potential: their common potential has no capacitance, so E is
// singular along it. Each group becomes its reference node's potential (now
// algebraic) and the others' differences from it.
void StateSpaceBuilder::Impl::FloatingGroups() {
    groupReference.clear();
    std::vector<int> parent(Index(ni));
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&parent](int x) {
        while (parent[Index(x)] != x)
            x = parent[Index(x)] = parent[Index(parent[Index(x)])];
        return x;
    };
    // A group is tied to a fixed potential when one of its capacitors reaches
    // ground or a node the sources fix; one reaching the far side of a floating
    // source only joins that side's node to the group (the input is then the
    // derivative term of that capacitor).
    std::vector<char> touched(Index(ni), 0), tied(Index(ni), 0);
    std::vector<int> tiedNodes;
    for (const Branch* br : graph.ordinaryBranches) {
        if (!br->c || br->c->GetParam(0) == 0)
            continue;
        Linear u = RawPotential(br->start);
        u.Add(RawPotential(br->end), -1.0);
        u.terms = Merged(std::move(u.terms));
        double sum = 0;
        for (const auto& [i, v] : u.terms) {
            touched[Index(i)] = 1;
            sum += v;
            parent[Index(find(i))] = find(u.terms.front().first);
        }
        if (sum != 0)
            for (const auto& t : u.terms)
                tiedNodes.push_back(t.first);
    }
    for (int i : tiedNodes)
        tied[Index(find(i))] = 1;
    std::vector<int> reference(Index(ni), -1);
    for (int i = 0; i < ni; ++i) {
        if (!touched[Index(i)])
            continue;
        const int root = find(i);
        if (tied[Index(root)])
            continue;
        if (reference[Index(root)] < 0)
            reference[Index(root)] = i; // the group's lowest member
    }
    bool any = false;
    std::vector<int> of(Index(ni), -1);
    for (int i = 0; i < ni; ++i)
        if (touched[Index(i)] && reference[Index(find(i))] >= 0) {
            of[Index(i)] = reference[Index(find(i))];
            any = any || of[Index(i)] != i;
        }
    if (any)
        groupReference = std::move(of);
}

namespace {

Mat Pick(const Mat& m, const std::vector<int>& rows, const std::vector<int>& cols) {
    Mat out(static_cast<int>(rows.size()), static_cast<int>(cols.size()));
    for (std::size_t j = 0; j < cols.size(); ++j)
        for (std::size_t i = 0; i < rows.size(); ++i)
            out(static_cast<int>(i), static_cast<int>(j)) = m(rows[i], cols[j]);
    return out;
}

Vec PickVec(const Vec& v, const std::vector<int>& at) {
    Vec out(at.size());
    for (std::size_t i = 0; i < at.size(); ++i)
        out[i] = v[Index(at[i])];
    return out;
}

std::vector<int> Range(int count) {
    std::vector<int> out(Index(count));
    std::iota(out.begin(), out.end(), 0);
    return out;
}

bool IsDiagonal(const Mat& m) {
    for (int j = 0; j < m.Cols(); ++j)
        for (int i = 0; i < m.Rows(); ++i)
            if (i != j && m(i, j) != 0)
                return false;
    return true;
}

// E11's solves: divisions when it is diagonal (capacitors to ground and
// inductances alone make it so), else an equilibrated factorisation.
class DynamicSolver {
public:
    explicit DynamicSolver(Mat e) : e_(std::move(e)) {
        if (IsDiagonal(e_)) {
            for (int i = 0; i < e_.Rows(); ++i)
                if (e_(i, i) == 0)
                    throw StateFormError(kHigherIndex);
            return;
        }
        lu_.emplace(e_);
        if (lu_->Singular() || lu_->ReciprocalCondition() < kWellPosed)
            throw StateFormError(kHigherIndex);
    }
    void Solve(Mat& m) const {
        if (lu_) {
            lu_->Solve(m);
            return;
        }
        // Times the reciprocal: decimal values then come out as they are written
        // (-1/(1 kOhm * 1 uF) as -1000), where a quotient lands one unit of the
        // last place beside them; either is within that unit.
        for (int i = 0; i < e_.Rows(); ++i) {
            const double reciprocal = 1.0 / e_(i, i);
            for (int j = 0; j < m.Cols(); ++j)
                m(i, j) *= reciprocal;
        }
    }
    void Solve(Vec& v) const {
        Mat column(static_cast<int>(v.size()), 1);
        std::copy(v.begin(), v.end(), column.Data());
        Solve(column);
        std::copy(column.Data(), column.Data() + v.size(), v.begin());
    }

private:
    Mat e_;
    std::optional<Lu> lu_;
};

} // namespace

void StateSpaceBuilder::Impl::Reduce() {
    dyn.clear();
    alg.clear();
    for (int i = 0; i < n; ++i) {
        bool any = false;
        for (int j = 0; j < n && !any; ++j)
            any = e(i, j) != 0 || e(j, i) != 0;
        (any ? dyn : alg).push_back(i);
    }
    const int nd = static_cast<int>(dyn.size());

    // An input whose derivative drives capacitors (one straight from the
    // source): x = x' + shift w moves it out, E shift = b1.
    shift.assign(Index(n), 0.0);
    for (int i : alg)
        if (b1[Index(i)] != 0)
            throw StateFormError(kHigherIndex);
    Vec b1d = PickVec(b1, dyn);
    if (std::any_of(b1d.begin(), b1d.end(), [](double v) { return v != 0; })) {
        DynamicSolver(Pick(e, dyn, dyn)).Solve(b1d);
        for (int i = 0; i < nd; ++i)
            shift[Index(dyn[Index(i)])] = b1d[Index(i)];
        const Vec as = engine::dense::Product(a, shift);
        for (int i = 0; i < n; ++i)
            b0[Index(i)] += as[Index(i)];
    }

    Stage stage;
    stage.edd = Pick(e, dyn, dyn);
    stage.add = Pick(a, dyn, dyn);
    stage.ada = Pick(a, dyn, alg);
    stage.aad = Pick(a, alg, dyn);
    stage.aaa = Pick(a, alg, alg);
    stage.bd = PickVec(b0, dyn);
    stage.ba = PickVec(b0, alg);
    // The whole descriptor is in the stage now: its memory goes back before the
    // cubic steps take theirs.
    e = Mat();
    a = Mat();
    ProjectCutSets(stage);
    IndexOne(std::move(stage));
}

// A node that only inductances (and current sources) reach has a current law
// on inductor currents alone and a potential that only the inductances' own
// equations see: a cut set of inductances, which makes E and the algebraic block
// singular together. Its law confines the currents to a subspace (N), offset by
// what a current source in the cut set forces; its potential is eliminated by
// the combinations of the inductances' equations that do not hold it (M), and
// is recovered afterwards from the others.
void StateSpaceBuilder::Impl::ProjectCutSets(Stage& stage) {
    projected = false;
    const int nd = stage.edd.Rows();
    const int na = stage.aaa.Rows();
    std::vector<int> laws, potentials, keptRows, keptCols;
    for (int i = 0; i < na; ++i) {
        bool zeroRow = true, zeroCol = true;
        for (int j = 0; j < na; ++j) {
            zeroRow = zeroRow && stage.aaa(i, j) == 0;
            zeroCol = zeroCol && stage.aaa(j, i) == 0;
        }
        (zeroRow ? laws : keptRows).push_back(i);
        (zeroCol ? potentials : keptCols).push_back(i);
    }
    if (laws.empty() && potentials.empty())
        return;
    const int p = static_cast<int>(laws.size());
    if (static_cast<int>(potentials.size()) != p || p > nd)
        throw StateFormError(kHigherIndex);

    const Mat lawRows = Pick(stage.aad, laws, Range(nd));             // p x nd
    const Mat potentialCols = Pick(stage.ada, Range(nd), potentials); // nd x p
    engine::dense::Orthogonal currents = engine::dense::Orthogonalise(lawRows.Transposed());
    engine::dense::Orthogonal equations = engine::dense::Orthogonalise(potentialCols);
    if (!currents.fullRank || !equations.fullRank)
        throw StateFormError(kHigherIndex);
    const Mat& nBasis = currents.complement; // nd x k
    const Mat mt = equations.complement.Transposed();
    const int k = nBasis.Cols();

    // A current source in the cut set forces the currents: x_d = N xi + F w with
    // C F = -b_a on the laws' rows (C^+ is the transpose of (C^T)^+).
    Vec forced(Index(nd), 0.0);
    for (int r = 0; r < p; ++r) {
        const double h = -stage.ba[Index(laws[Index(r)])];
        if (h == 0)
            continue;
        for (int i = 0; i < nd; ++i)
            forced[Index(i)] += currents.pseudoInverse(r, i) * h;
    }

    cutSet.n = nBasis;
    cutSet.kept = keptCols;
    cutSet.potentials = potentials;
    cutSet.pseudoInverse = equations.pseudoInverse; // p x nd
    cutSet.eN = engine::dense::Product(stage.edd, nBasis);
    cutSet.aN = engine::dense::Product(stage.add, nBasis);
    cutSet.aW = Pick(stage.ada, Range(nd), keptCols);
    cutSet.bd = stage.bd;

    const Vec aF = engine::dense::Product(stage.add, forced);
    Stage next;
    next.edd = engine::dense::Product(mt, cutSet.eN);
    next.add = engine::dense::Product(mt, cutSet.aN);
    next.ada = engine::dense::Product(mt, cutSet.aW);
    const Mat keptLaws = Pick(stage.aad, keptRows, Range(nd));
    next.aad = engine::dense::Product(keptLaws, nBasis);
    next.aaa = Pick(stage.aaa, keptRows, keptCols);
    Vec bd = stage.bd;
    for (int i = 0; i < nd; ++i)
        bd[Index(i)] += aF[Index(i)];
    next.bd = engine::dense::Product(mt, bd);
    next.ba = PickVec(stage.ba, keptRows);
    const Vec aFKept = engine::dense::Product(keptLaws, forced);
    for (std::size_t i = 0; i < next.ba.size(); ++i)
        next.ba[i] += aFKept[i];

    // The forced currents' derivative drives the inductances: xi = xi' + shift w
    // with E' shift = M^T E F takes it out, as the first step did for capacitors.
    Vec derivative = engine::dense::Product(mt, engine::dense::Product(stage.edd, forced));
    Vec xiShift(Index(k), 0.0);
    if (std::any_of(derivative.begin(), derivative.end(), [](double v) { return v != 0; })) {
        const Lu e2(next.edd);
        if (e2.Singular() || e2.ReciprocalCondition() < kWellPosed)
            throw StateFormError(kHigherIndex);
        // s E' xi = ... - s M^T E F w: the shift solves E' shift = -M^T E F.
        for (double& v : derivative)
            v = -v;
        e2.Solve(derivative);
        xiShift = derivative;
        const Vec a2s = engine::dense::Product(next.add, xiShift);
        const Vec k2s = engine::dense::Product(next.aad, xiShift);
        for (int i = 0; i < k; ++i)
            next.bd[Index(i)] += a2s[Index(i)];
        for (std::size_t i = 0; i < next.ba.size(); ++i)
            next.ba[i] += k2s[i];
    }
    // x_d = N xi' + (N shift + F) w.
    cutSet.onInput = engine::dense::Product(nBasis, xiShift);
    for (int i = 0; i < nd; ++i)
        cutSet.onInput[Index(i)] += forced[Index(i)];
    cutSet.eOnInput = engine::dense::Product(stage.edd, cutSet.onInput);
    cutSet.aOnInput = engine::dense::Product(stage.add, cutSet.onInput);
    stage = std::move(next);
    projected = true;
}

void StateSpaceBuilder::Impl::IndexOne(Stage stage) {
    const int nd = stage.edd.Rows();
    const int na = stage.aaa.Rows();
    const DynamicSolver e11(std::move(stage.edd));
    // The algebraic unknowns in terms of the dynamic ones and the input.
    solved = Mat(na, nd + 1);
    if (na > 0) {
        // Singular here, the nodal equations of the resistive part have no unique
        // solution: a group of nodes that nothing ties to ground but current sources.
        const Lu a22(stage.aaa);
        if (a22.Singular() || a22.ReciprocalCondition() < kWellPosed)
            throw StateFormError(engine::SchemeErrorMessage(
                model::SchemeError(model::scheme_error::PhysicallyIncorrect)));
        for (int j = 0; j < nd; ++j)
            for (int i = 0; i < na; ++i)
                solved(i, j) = stage.aad(i, j);
        for (int i = 0; i < na; ++i)
            solved(i, nd) = stage.ba[Index(i)];
        a22.Solve(solved);
    }
    Mat rhs(nd, nd + 1);
    for (int j = 0; j < nd; ++j)
        for (int i = 0; i < nd; ++i)
            rhs(i, j) = stage.add(i, j);
    for (int i = 0; i < nd; ++i)
        rhs(i, nd) = stage.bd[Index(i)];
    stage.add = Mat();
    if (na > 0) {
        const Mat correction = engine::dense::Product(stage.ada, solved);
        for (int j = 0; j <= nd; ++j)
            for (int i = 0; i < nd; ++i)
                rhs(i, j) -= correction(i, j);
    }
    e11.Solve(rhs);
    stateA = rhs.Block(0, 0, nd, nd);
    stateB.assign(Index(nd), 0.0);
    for (int i = 0; i < nd; ++i)
        stateB[Index(i)] = hasInput ? rhs(i, nd) : 0.0;
    if (!stateA.AllFinite())
        throw StateFormError(kNonFiniteParameter);
}

// The current of an ordinary branch's resistor, capacitor and inductance.
Quantity StateSpaceBuilder::Impl::ElementCurrent(int k) const {
    Quantity q(n);
    const Branch& br = *graph.ordinaryBranches[Index(k)];
    const Linear u = Voltage(br);
    if (br.r)
        q.AddLinear(u, 1.0 / br.r->GetParam(0), false);
    if (br.c)
        q.AddLinear(u, br.c->GetParam(0), true);
    if (br.l)
        q.x0[Index(inductorOf[Index(k)])] += 1.0;
    return q;
}

// The current of an ordinary branch as the cut sets count it: its elements'
// currents and its unistor's, less its current source.
Quantity StateSpaceBuilder::Impl::BranchCurrent(int k) const {
    Quantity q = ElementCurrent(k);
    const Branch& br = *graph.ordinaryBranches[Index(k)];
    if (br.unistor)
        q.AddLinear(UnistorControl(br), br.unistor->GetParam(0), false);
    if (k == sourceOrdinaryJ)
        q.w0 -= 1.0;
    return q;
}

Quantity StateSpaceBuilder::Impl::Raw(const engine::OutputLocator& l) const {
    Quantity q(n);
    const int bo = static_cast<int>(graph.ordinaryBranches.size());
    const int bc = static_cast<int>(graph.capacitorSourceBranches.size());
    const auto inRange = [&](int count) { return l.index >= 0 && l.index < count; };
    switch (l.code) {
    case slot::OrdinaryCurrentSource:
        q.w0 = l.index == sourceOrdinaryJ ? 1.0 : 0.0;
        break;
    case slot::SourceBranchCurrentSource:
        q.w0 = l.index == sourceBranchJ ? 1.0 : 0.0;
        break;
    case slot::VoltageSource:
    case slot::SourceBranchVoltage:
        q.w0 = l.index == sourceBranchE ? 1.0 : 0.0;
        break;
    case slot::IndependentNode:
        if (inRange(ni))
            q.AddLinear(Potential(graph.independentNodes[Index(l.index)]), 1.0, false);
        break;
    case slot::ForestNode:
        if (inRange(static_cast<int>(graph.forestNodes.size())))
            q.AddLinear(Potential(graph.forestNodes[Index(l.index)]), 1.0, false);
        break;
    case slot::OrdinaryVoltage:
        if (inRange(bo))
            q.AddLinear(Voltage(*graph.ordinaryBranches[Index(l.index)]), 1.0, false);
        break;
    case slot::OrdinaryCurrent:
        if (inRange(bo))
            q = ElementCurrent(l.index); // without unistor or source
        break;
    case slot::SourceBranchElementCurrent:
        if (inRange(bc) && l.index == sourceBranchE) {
            const Branch& br = *graph.capacitorSourceBranches[Index(l.index)];
            if (br.r)
                q.w0 += 1.0 / br.r->GetParam(0);
            if (br.c)
                q.w1 += br.c->GetParam(0);
        }
        break;
    case slot::VoltageSourceCurrent:
        if (inRange(bc)) {
            const Branch& br = *graph.capacitorSourceBranches[Index(l.index)];
            if (l.index == sourceBranchE) {
                if (br.r)
                    q.w0 += 1.0 / br.r->GetParam(0);
                if (br.c)
                    q.w1 += br.c->GetParam(0);
            }
            if (br.unistor)
                q.AddLinear(UnistorControl(br), br.unistor->GetParam(0), false);
            if (l.index == sourceBranchJ)
                q.w0 -= 1.0;
            // W = inv22 A21: the row of inv22 solves A22^T y = e_index.
            const auto& a22 = graph.complex.A22;
            const auto& a21 = graph.complex.A21;
            const int nf = a22.Rows();
            Mat a22t(nf, nf);
            for (int f = 0; f < nf; ++f)
                for (int k = 0; k < nf; ++k)
                    a22t(k, f) = a22(f, k).re;
            Vec y(Index(nf), 0.0);
            y[Index(l.index)] = 1.0;
            const Lu lu(a22t);
            if (lu.Singular())
                throw engine::MatrixError();
            lu.Solve(y);
            for (int k = 0; k < bo; ++k) {
                double w = 0;
                for (int f = 0; f < nf; ++f)
                    w += y[Index(f)] * a21(f, k).re;
                if (w == 0)
                    continue;
                const Quantity ik = BranchCurrent(k);
                for (int i = 0; i < n; ++i) {
                    q.x0[Index(i)] += w * ik.x0[Index(i)];
                    q.x1[Index(i)] += w * ik.x1[Index(i)];
                }
                q.w0 += w * ik.w0;
                q.w1 += w * ik.w1;
            }
        }
        break;
    default:
        break;
    }
    return q;
}

StateOutput StateSpaceBuilder::Impl::ToState(Quantity q) const {
    // The magnitudes of the terms that make up w0 and w1, for their rounding.
    double m0 = std::fabs(q.w0) + MagnitudeDot(q.x0, shift);
    double m1 = std::fabs(q.w1) + MagnitudeDot(q.x1, shift);
    q.w0 += Dot(q.x0, shift);
    q.w1 += Dot(q.x1, shift);

    // On the dynamic and the algebraic unknowns of the last stage.
    Vec f0d = PickVec(q.x0, dyn), f0a = PickVec(q.x0, alg);
    Vec f1d = PickVec(q.x1, dyn), f1a = PickVec(q.x1, alg);
    if (projected) {
        for (int i : cutSet.potentials)
            if (f1a[Index(i)] != 0)
                throw StateFormError(kHigherIndex);
        // The cut set's potentials from the inductances' equations:
        // zeta = P (E N s xi - A N xi - A W eta - b w).
        const Vec g =
            engine::dense::RowTimes(PickVec(f0a, cutSet.potentials), cutSet.pseudoInverse);
        Vec x0xi = engine::dense::RowTimes(f0d, cutSet.n);
        const Vec gaN = engine::dense::RowTimes(g, cutSet.aN);
        for (std::size_t j = 0; j < x0xi.size(); ++j)
            x0xi[j] -= gaN[j];
        Vec x0eta = PickVec(f0a, cutSet.kept);
        const Vec gaW = engine::dense::RowTimes(g, cutSet.aW);
        for (std::size_t j = 0; j < x0eta.size(); ++j)
            x0eta[j] -= gaW[j];
        Vec x1xi = engine::dense::RowTimes(f1d, cutSet.n);
        const Vec geN = engine::dense::RowTimes(g, cutSet.eN);
        for (std::size_t j = 0; j < x1xi.size(); ++j)
            x1xi[j] += geN[j];
        q.w0 -= Dot(g, cutSet.bd);
        // What the forced currents carry of the input, in x_d and in zeta.
        q.w0 += Dot(f0d, cutSet.onInput) - Dot(g, cutSet.aOnInput);
        q.w1 += Dot(f1d, cutSet.onInput) + Dot(g, cutSet.eOnInput);
        m0 += MagnitudeDot(g, cutSet.bd) + MagnitudeDot(f0d, cutSet.onInput) +
              MagnitudeDot(g, cutSet.aOnInput);
        m1 += MagnitudeDot(f1d, cutSet.onInput) + MagnitudeDot(g, cutSet.eOnInput);
        f0d = std::move(x0xi);
        f0a = std::move(x0eta);
        f1d = std::move(x1xi);
        f1a = PickVec(f1a, cutSet.kept);
    }

    const int nd = static_cast<int>(f0d.size());
    const int na = static_cast<int>(f0a.size());
    // f M (the row on the dynamic unknowns) and f m (on the input).
    const auto reduce = [&](const Vec& fd, const Vec& fa, Vec& onState, double& onInput,
                            double& magnitude) {
        onState = fd;
        onInput = 0;
        for (int i = 0; i < na; ++i) {
            const double v = fa[Index(i)];
            if (v == 0)
                continue;
            for (int j = 0; j < nd; ++j)
                onState[Index(j)] -= v * solved(i, j);
            onInput -= v * solved(i, nd);
            magnitude += std::fabs(v * solved(i, nd));
        }
    };
    Vec c0, c1;
    double d0 = 0, d1 = 0;
    reduce(f0d, f0a, c0, d0, m0);
    reduce(f1d, f1a, c1, d1, m1);
    StateOutput out;
    out.c = c0;
    const Vec c1a = engine::dense::RowTimes(c1, stateA);
    for (int j = 0; j < nd; ++j)
        out.c[Index(j)] += c1a[Index(j)];
    out.d = d0 + q.w0 + Dot(c1, stateB);
    out.e = d1 + q.w1;
    constexpr double kUnits = 256 * std::numeric_limits<double>::epsilon();
    out.dRounding = kUnits * (m0 + MagnitudeDot(c1, stateB));
    out.eRounding = kUnits * m1;
    if (!hasInput) {
        out.d = 0;
        out.e = 0;
    }
    return out;
}

StateSpaceBuilder::StateSpaceBuilder(engine::Engine& engine)
    : impl_(std::make_unique<Impl>(engine)) {}

StateSpaceBuilder::~StateSpaceBuilder() = default;

StateForm StateSpaceBuilder::Build() {
    Impl& m = *impl_;
    m.NumberNodes();
    m.FindSource();
    m.CheckValues();
    m.inductorOf.assign(m.graph.ordinaryBranches.size(), -1);
    m.nl = 0;
    for (std::size_t k = 0; k < m.graph.ordinaryBranches.size(); ++k)
        if (m.graph.ordinaryBranches[k]->l)
            m.inductorOf[k] = m.ni + m.nl++;
    m.n = m.ni + m.nl;
    if (StateFormBytes(static_cast<std::size_t>(m.n)) > StateFormMemoryLimit())
        throw StateFormError(TooLargeText(static_cast<std::size_t>(m.n)));
    m.SolveForest();
    m.FloatingGroups();
    m.Stamp();
    if (!m.e.AllFinite() || !m.a.AllFinite())
        throw StateFormError(kNonFiniteParameter);
    m.Reduce();
    StateForm form;
    form.a = m.stateA;
    form.b = m.stateB;
    form.hasInput = m.hasInput;
    return form;
}

StateOutput StateSpaceBuilder::Output(const engine::OutputLocator& locator) const {
    return impl_->ToState(impl_->Raw(locator));
}

int StateSpaceBuilder::Unknowns() const {
    return impl_->n;
}

std::string TooLargeText(std::size_t unknowns) {
    const std::size_t mb = StateFormBytes(unknowns) >> 20;
    const std::size_t limit = StateFormMemoryLimit() >> 20;
    return "Схема слишком велика для расчета полюсов: " + std::to_string(unknowns) +
           " неизвестных требуют около " + std::to_string(mb) + " МБ памяти, а доступно " +
           std::to_string(limit) + " МБ.";
}

} // namespace korvanix::analysis
