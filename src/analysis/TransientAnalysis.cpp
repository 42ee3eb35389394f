#include "analysis/TransientAnalysis.h"

#include "analysis/Sweep.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "engine/StateEquations.h"
#include "graph/ResultsSink.h"
#include "model/Sources.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>

namespace korvanix::analysis {

namespace {

using engine::Matrix;
using engine::MatrixError;
using engine::Vector;
namespace slot = engine::transient_slot;

const char* const kNothingToCompute = "Пожалуйста, выберите переменную для расчета";
const std::string kNodePrefix = "Узел ";

// Edges closer than this to a step's end move the end onto them instead of
// leaving a sliver of a step behind.
constexpr double kEdgeTolerance = 1e-12;

void Require(bool condition) {
    if (!condition) {
        throw MatrixError();
    }
}

// Sizes a working vector on its first use; later calls find the size in place
// and leave the storage alone.
void Fit(Vector& v, int n) {
    if (v.Size() != n) {
        v.Resize(n);
    }
}

// out = A·v, each row summed over its stored entries in increasing column order.
void RowProduct(const engine::SparseMatrix& a, const Vector& v, Vector& out) {
    Require(a.Cols() == v.Size());
    Fit(out, a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        double sum = 0;
        for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k)
            sum += a.ValueAt(k) * v[a.ColumnAt(k)];
        out[i] = sum;
    }
}

// out += sign · A·v, summed as RowProduct.
void AddRowProduct(const engine::SparseMatrix& a, const Vector& v, double sign, Vector& out) {
    Require(a.Cols() == v.Size() && out.Size() == a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        double sum = 0;
        for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k)
            sum += a.ValueAt(k) * v[a.ColumnAt(k)];
        out[i] += sign * sum;
    }
}

// out = a + b
void Add(const Vector& a, const Vector& b, Vector& out) {
    Require(a.Size() == b.Size());
    Fit(out, a.Size());
    for (int i = 0; i < a.Size(); ++i) {
        out[i] = a[i] + b[i];
    }
}

// out = a − b + c
void DifferencePlus(const Vector& a, const Vector& b, const Vector& c, Vector& out) {
    Require(a.Size() == b.Size() && a.Size() == c.Size());
    Fit(out, a.Size());
    for (int i = 0; i < a.Size(); ++i) {
        out[i] = a[i] - b[i] + c[i];
    }
}

// out = a − b
void Difference(const Vector& a, const Vector& b, Vector& out) {
    Require(a.Size() == b.Size());
    Fit(out, a.Size());
    for (int i = 0; i < a.Size(); ++i) {
        out[i] = a[i] - b[i];
    }
}

// out = base + f · p
void Advance(const Vector& base, double f, const Vector& p, Vector& out) {
    Require(base.Size() == p.Size() && out.Size() == base.Size());
    for (int i = 0; i < base.Size(); ++i) {
        out[i] = base[i] + f * p[i];
    }
}

void Copy(const Vector& from, Vector& to) {
    Fit(to, from.Size());
    std::copy(from.Data(), from.Data() + from.Size(), to.Data());
}

// The stacked vectors [x1; uC] and [x1; uC; x3] seen through their pieces, so
// that the series tables need not keep a stacked copy of every order. Each entry
// is formed from the same numbers in the same order as from a stacked copy.
struct Stacked {
    std::array<const Vector*, 3> pieces{};
    int count = 0;

    Stacked(const Vector& a, const Vector& b) : pieces{&a, &b, nullptr}, count(2) {}
    Stacked(const Vector& a, const Vector& b, const Vector& c) : pieces{&a, &b, &c}, count(3) {}

    int Size() const {
        int n = 0;
        for (int p = 0; p < count; ++p) {
            n += pieces[static_cast<std::size_t>(p)]->Size();
        }
        return n;
    }
};

// Calls f(i, a_i, b_i) over the stacked entries of two stacks of equal shape.
template <class F> void ForEachStacked(const Stacked& a, const Stacked& b, F f) {
    Require(a.count == b.count);
    int at = 0;
    for (int p = 0; p < a.count; ++p) {
        const Vector& x = *a.pieces[static_cast<std::size_t>(p)];
        const Vector& y = *b.pieces[static_cast<std::size_t>(p)];
        Require(x.Size() == y.Size());
        for (int i = 0; i < x.Size(); ++i, ++at) {
            f(at, x[i], y[i]);
        }
    }
}

// out = a + c
void Add(const Stacked& a, const Vector& c, Vector& out) {
    Require(a.Size() == c.Size());
    Fit(out, c.Size());
    ForEachStacked(a, a, [&](int i, double x, double) { out[i] = x + c[i]; });
}

// out = a − b + c
void DifferencePlus(const Stacked& a, const Stacked& b, const Vector& c, Vector& out) {
    Require(a.Size() == c.Size());
    Fit(out, c.Size());
    ForEachStacked(a, b, [&](int i, double x, double y) { out[i] = x - y + c[i]; });
}

// out = a − b
void Difference(const Stacked& a, const Stacked& b, Vector& out) {
    Fit(out, a.Size());
    ForEachStacked(a, b, [&](int i, double x, double y) { out[i] = x - y; });
}

// Every |element| within eps; a NaN never is.
bool WithinBound(const Vector& v, double eps) {
    for (int i = 0; i < v.Size(); ++i) {
        if (!(std::fabs(v[i]) <= eps)) {
            return false;
        }
    }
    return true;
}

bool HasNaN(const Vector& v) {
    for (int i = 0; i < v.Size(); ++i) {
        if (std::isnan(v[i])) {
            return true;
        }
    }
    return false;
}

// Σ w_i · v_i²
double WeightedSquares(const Vector& w, const Vector& v) {
    Require(w.Size() == v.Size());
    double sum = 0;
    for (int i = 0; i < v.Size(); ++i) {
        sum += w[i] * v[i] * v[i];
    }
    return sum;
}

std::string VoltageCurveName(const std::string& name) {
    const bool node = name.compare(0, kNodePrefix.size(), kNodePrefix) == 0;
    return "u(" + (node ? name.substr(kNodePrefix.size()) : name) + "), В";
}

std::string CurrentCurveName(const std::string& name) {
    return "i(" + name + "), А";
}

int OutputCount(int32_t stored) {
    return std::clamp(static_cast<int>(stored), 0, document::kMaxOutputs);
}

} // namespace

TransientRequests DeriveTransientRequests(const std::vector<engine::OutputLocator>& outputs) {
    TransientRequests r;
    for (const engine::OutputLocator& l : outputs) {
        switch (l.code) {
        case slot::OrdinaryCurrentSource:
        case slot::SourceBranchCurrentSource:
        case slot::VoltageSource:
            r.sources = true;
            break;
        case slot::IndependentNode:
            r.independentPotentials = true;
            break;
        case slot::ForestNode:
            r.forestPotentials = r.independentPotentials = true;
            break;
        case slot::SourceBranchCurrent:
            r.sourceBranchCurrents = true;
            break;
        case slot::OrdinaryVoltage:
            r.ordinaryVoltages = true;
            break;
        case slot::SourceBranchVoltage:
            r.sourceBranchVoltages = true;
            break;
        case slot::OrdinaryResistorCurrent:
            r.ordinaryResistorCurrents = r.ordinaryVoltages = true;
            break;
        case slot::SourceBranchResistorCurrent:
            r.sourceBranchResistorCurrents = r.sourceBranchVoltages = true;
            break;
        default:
            break;
        }
    }
    // The derived slots are formed from the states plus the sources at the point's
    // time; without this the sources would still hold the last series term.
    if (r.AnyDerived()) {
        r.sources = true;
    }
    return r;
}

TransientPlan PlanTransient(engine::Engine& engine, const document::TransientSettings& settings) {
    TransientPlan plan;
    plan.energy = settings.energyGraph != 0;
    plan.sweep = settings.sweepEnabled != 0;

    // One name at a time, so that every locator keeps the name it came from: a
    // name may give several locators or none.
    std::vector<engine::OutputLocator> locators;
    const int voltages = OutputCount(settings.voltageOutputCount);
    for (int i = 0; i < voltages; ++i) {
        const std::string name = settings.VoltageOutput(i);
        for (const engine::OutputLocator& l : engine::BuildTransientLocators(engine, {name}, {})) {
            plan.outputs.push_back({l, VoltageCurveName(name), false});
            locators.push_back(l);
        }
    }
    const int currents = OutputCount(settings.currentOutputCount);
    for (int i = 0; i < currents; ++i) {
        const std::string name = settings.CurrentOutput(i);
        for (const engine::OutputLocator& l : engine::BuildTransientLocators(engine, {}, {name})) {
            plan.outputs.push_back({l, CurrentCurveName(name), true});
            locators.push_back(l);
        }
    }

    if (plan.sweep) {
        PrepareSweep(engine, settings.sweep);
    }
    plan.requests = DeriveTransientRequests(locators);
    if (plan.outputs.empty() && !plan.energy) {
        plan.message = kNothingToCompute;
    }
    return plan;
}

TransientAnalysis::TransientAnalysis(engine::Engine& engine,
                                     const document::TransientSettings& settings,
                                     document::AnalysisOptions& options)
    : engine_(engine), state_(engine.State()), settings_(settings), options_(options) {}

void TransientAnalysis::ReadSettings(const TransientPlan& plan) {
    parts_.clear();
    const int count =
        std::clamp(static_cast<int>(settings_.partCount), 1, document::kMaxIntervalParts);
    for (int p = 0; p < count; ++p) {
        const document::IntervalPart& stored = settings_.parts[p];
        Part part;
        part.start = stored.startTime;
        part.end = stored.endTime;
        part.step = stored.step;
        part.points = stored.pointCount;
        part.eps = stored.eps;
        part.graphType = stored.graphType;
        // A step of zero would never reach the part's end; take the one the
        // dialog derives from the number of points.
        if (!(part.step > 0) || !std::isfinite(part.step)) {
            part.step = (part.end - part.start) / std::max(part.points, 1);
        }
        parts_.push_back(part);
    }
    firstStart_ = parts_.front().start;
    lastEnd_ = parts_.back().end;

    outputs_ = plan.outputs;
    requests_ = plan.requests;
    energy_ = plan.energy;
    sweep_ = plan.sweep;
    energyPane_ = outputs_.empty() ? 0 : 1;
    // The tables hold kSeriesLength entries: orders 0 .. kSeriesLength − 1.
    maxOrder_ = std::min(static_cast<int>(options_.maxIter), kSeriesLength - 2);
    values_.assign(outputs_.size(), 0.0);
}

void TransientAnalysis::ConfigureGraphs(const TransientPlan& plan, const std::string& documentName,
                                        graph::ResultsSink& sink) {
    ReadSettings(plan);
    const int outputs = static_cast<int>(outputs_.size());
    const int panes = outputs > 0 && energy_ ? 2 : 1;
    const int runs = sweep_ ? SweepValues(settings_.sweep).Count() : 1;

    int64_t expected = 0;
    for (const Part& part : parts_) {
        expected += std::max(part.points, 0);
    }
    for (const engine::SourceEntry& e : state_.pulseSources) {
        expected += std::max<int64_t>(e.source->SwitchingInstantCount(firstStart_, lastEnd_), 0);
        expected = std::min<int64_t>(expected, INT_MAX);
    }

    sink.SetPaneCount(panes);
    for (int pane = 0; pane < panes; ++pane) {
        const bool energyPane = energy_ && pane == energyPane_;
        sink.SetCounts(pane, energyPane ? 1 : outputs, runs);
        sink.SetExpectedPoints(pane, static_cast<int>(expected));
        sink.SetXRange(pane, firstStart_, lastEnd_);
        sink.SetXCaption(pane, "t, с");
        sink.SetIntegerCaption(pane, "Итерации");
        sink.SetScales(pane, 1, 1, 1, 1);
        sink.SetLiveDrawing(pane, options_.plotWhileRunning != 0);
    }

    if (outputs > 0) {
        const bool anyVoltage = std::any_of(outputs_.begin(), outputs_.end(),
                                            [](const TransientOutput& o) { return !o.current; });
        const bool anyCurrent = std::any_of(outputs_.begin(), outputs_.end(),
                                            [](const TransientOutput& o) { return o.current; });
        const int currentGroup = anyVoltage ? 1 : 0;
        for (int i = 0; i < outputs; ++i) {
            const TransientOutput& o = outputs_[static_cast<std::size_t>(i)];
            sink.SetCurveName(0, i, o.curveName);
            sink.SetCurveLabel(0, i, o.curveName);
            sink.SetCurveGroup(0, i, o.current ? currentGroup : 0);
        }
        if (anyVoltage) {
            sink.SetGroupCaption(0, 0, "u, В");
        }
        if (anyCurrent) {
            sink.SetGroupCaption(0, currentGroup, "i, А");
        }
    }
    if (energy_) {
        sink.SetCurveName(energyPane_, 0, "Энергия, Дж");
        sink.SetCurveLabel(energyPane_, 0, "Энергия, Дж");
        sink.SetCurveGroup(energyPane_, 0, 0);
        sink.SetGroupCaption(energyPane_, 0, "E, Дж");
        sink.SetPositiveQuantity(energyPane_, true);
        if (energyPane_ == 1 && sink.PaneTitle(1).empty()) {
            sink.SetTitle(1, "График энергии");
        }
    }
    if (sink.PaneTitle(0).empty()) {
        sink.SetTitle(0, documentName);
    }
}

void TransientAnalysis::SizeTables() {
    for (Table* table : {&x1_, &x3_, &uC_}) {
        table->clear();
        table->reserve(kSeriesLength);
    }
    x1_.emplace_back(state_.kO);
    x3_.emplace_back(state_.kC);
    uC_.emplace_back(state_.BC);
    orders_ = 1;
    ReachOrder(1);
}

void TransientAnalysis::ReachOrder(int order) {
    Require(order < kSeriesLength);
    const engine::StateEquations& s = state_;
    for (; orders_ <= order; ++orders_) {
        if (s.ordinaryInductance) {
            x1_.emplace_back(s.kO);
        }
        if (s.capSourceInductance) {
            x3_.emplace_back(s.kC);
        }
        if (s.capacitor) {
            uC_.emplace_back(s.BC);
        }
    }
}

TransientOutcome TransientAnalysis::Compute(const TransientPlan& plan, graph::ResultsSink& sink,
                                            ProgressReporter& reporter) {
    ComputationClock clock;
    ReadSettings(plan);
    SizeTables();
    depth_ = options_.checkDepth;
    segmentOpen_ = false;

    // The learnt depth goes back into the options however the computation ends,
    // so that the options page shows it and the document stores it.
    struct DepthWriteBack {
        TransientAnalysis& self;
        ~DepthWriteBack() {
            if (self.options_.autoCheckDepth != 0) {
                self.options_.checkDepth = self.depth_;
            }
        }
    } writeBack{*this};

    TransientOutcome outcome = TransientOutcome::Completed;
    try {
        SweepValues values(settings_.sweep);
        const int runs = sweep_ ? values.Count() : 1;
        const std::string caption = sweep_ ? engine::SweptParameterCaption(engine_) : std::string();
        if (sweep_) {
            sink.SetRunLabel(graph::kAllPanes, SweepRunLabel(engine_));
        }
        const SweepRefresh refresh = [this](double v) { engine::TransientRefresh(engine_, v); };

        for (int run = 0; run < runs; ++run) {
            if (options_.autoCheckDepth != 0 && state_.dynamic) {
                depth_ = 10;
            }
            if (sweep_ &&
                !ApplySweepValue(refresh, values.Value(), caption, sink, reporter, clock)) {
                outcome = TransientOutcome::ParameterRejected;
                break;
            }
            if (!RunOnce(run, runs, sink, reporter)) {
                outcome = TransientOutcome::Stopped;
                break;
            }
            if (sweep_) {
                values.Advance();
            }
        }
        if (outcome != TransientOutcome::Stopped) {
            reporter.ShowPercent(PercentText(100));
        }
    } catch (...) {
        if (segmentOpen_) {
            sink.EndSegment(graph::kAllPanes, segmentRun_);
            segmentOpen_ = false;
        }
        sink.Finish(graph::kAllPanes);
        throw;
    }
    sink.Finish(graph::kAllPanes);
    sink.SetStatusText(ElapsedTimeText(clock.ElapsedMilliseconds()));
    return outcome;
}

bool TransientAnalysis::RunOnce(int run, int runCount, graph::ResultsSink& sink,
                                ProgressReporter& reporter) {
    Copy(state_.iL1, x1_[0]);
    Copy(state_.iL2, x3_[0]);
    Copy(state_.uCinit, uC_[0]);
    Require(x1_[0].Size() == state_.kO && x3_[0].Size() == state_.kC && uC_[0].Size() == state_.BC);

    reporter.ShowPercent(PercentText(0));
    reporter.ShowRun(RunText(run + 1, runCount));
    shownFifth_ = 0;

    sink.BeginSegment(graph::kAllPanes, run, parts_.front().graphType);
    segmentOpen_ = true;
    segmentRun_ = run;
    AppendPoint(run, firstStart_, 0, true, sink);

    for (std::size_t p = 0; p < parts_.size(); ++p) {
        if (p > 0) {
            sink.BeginSegment(graph::kAllPanes, run, parts_[p].graphType);
            segmentOpen_ = true;
        }
        const bool goOn = RunPart(run, runCount, parts_[p], sink, reporter);
        sink.EndSegment(graph::kAllPanes, run);
        segmentOpen_ = false;
        if (!goOn) {
            return false;
        }
    }
    return true;
}

bool TransientAnalysis::RunPart(int run, int runCount, const Part& part, graph::ResultsSink& sink,
                                ProgressReporter& reporter) {
    double t = part.start;
    double h = part.step;
    int stepIndex = 0;
    longestFalseRun_ = 0;
    splitMark_ = false;
    restoreMark_ = false;
    learnAt_ = std::min(part.points / 20, 10);
    partStart_ = part.start;
    hasInstants_ = !state_.pulseSources.empty();
    if (hasInstants_) {
        FillSchedule();
    }

    bool goOn = true;
    while (t < part.end) {
        ChooseStep(part, t, h);
        const int terms = state_.dynamic ? TaylorStep(t, h, part, stepIndex) : 0;
        const double next = t + h;
        AppendPoint(run, next, terms, false, sink);
        ShowProgress(t, run, runCount, reporter);
        if (!reporter.Continue()) {
            goOn = false;
            break;
        }
        t = next;
        ++stepIndex;
    }
    state_.switchingSchedule.clear();
    return goOn;
}

void TransientAnalysis::ChooseStep(const Part& part, double t, double& h) {
    // The time is accumulated step by step and drifts by rounding: a step that
    // would end a hair before the part's end (less than a billionth of the step)
    // ends on it, or a sliver step would add a near-duplicate last point.
    const auto clampToEnd = [&] {
        if (t + h > part.end || part.end - (t + h) < 1e-9 * part.step) {
            h = part.end - t;
        }
    };
    clampToEnd();
    if (splitMark_) {
        splitMark_ = false;
        restoreMark_ = true;
        h = remainder_;
    } else if (restoreMark_) {
        restoreMark_ = false;
        h = part.step;
    }
    // The full step restored after a split may reach past the part's end when the
    // part is not a whole number of steps long; the last point stays on the end.
    clampToEnd();
    if (!hasInstants_ || nextInstant_ < 0) {
        return;
    }
    if (std::fabs(t + h - nextInstant_) < kEdgeTolerance) {
        h = nextInstant_ - t;
        AdvanceInstant();
    }
    if (nextInstant_ >= 0 && t + h > nextInstant_ && t < nextInstant_) {
        remainder_ = (t + h) - nextInstant_;
        h = nextInstant_ - t;
        splitMark_ = true;
        AdvanceInstant();
    }
}

void TransientAnalysis::FillSchedule() {
    std::vector<engine::SwitchingEntry>& schedule = state_.switchingSchedule;
    schedule.clear();
    for (const engine::SourceEntry& e : state_.pulseSources) {
        schedule.push_back({e.source, e.source->SwitchingInstant(partStart_, 0), 0});
    }
    nextInstant_ = TakeInstant();
    // An instant before the part's start (the end moment of a harmonic source that
    // ended in an earlier part) can never be reached; waiting for it would keep
    // every later edge of the part from being hit.
    while (nextInstant_ >= 0 && nextInstant_ < partStart_) {
        nextInstant_ = TakeInstant();
    }
}

double TransientAnalysis::TakeInstant() {
    std::vector<engine::SwitchingEntry>& schedule = state_.switchingSchedule;
    engine::SwitchingEntry* best = nullptr;
    for (engine::SwitchingEntry& e : schedule) {
        if (e.pendingInstant >= 0 && (best == nullptr || e.pendingInstant < best->pendingInstant)) {
            best = &e;
        }
    }
    if (best == nullptr) {
        return -1;
    }
    const double instant = best->pendingInstant;
    ++best->counter;
    best->pendingInstant = best->source->SwitchingInstant(partStart_, best->counter);
    return instant;
}

void TransientAnalysis::AdvanceInstant() {
    const double current = nextInstant_;
    do {
        nextInstant_ = TakeInstant();
    } while (nextInstant_ == current);
}

void TransientAnalysis::SourceTerms(double t, int order, double scale) {
    state_.SourceDerivatives(t, order, scale);
}

int TransientAnalysis::TaylorStep(double t, double h, const Part& part, int stepIndex) {
    engine::StateEquations& s = state_;
    const bool evolveX1 = s.ordinaryInductance;
    const bool evolveX3 = s.capSourceInductance;
    const bool evolveUC = s.capacitor;
    // A vector that does not evolve keeps its state in entry 0 at every order.
    const auto x1 = [&](int k) -> Vector& {
        return x1_[static_cast<std::size_t>(evolveX1 ? k : 0)];
    };
    const auto x3 = [&](int k) -> Vector& {
        return x3_[static_cast<std::size_t>(evolveX3 ? k : 0)];
    };
    const auto uC = [&](int k) -> Vector& {
        return uC_[static_cast<std::size_t>(evolveUC ? k : 0)];
    };
    const auto s12 = [&](int k) { return Stacked(x1(k), uC(k)); };
    const auto s123 = [&](int k) { return Stacked(x1(k), uC(k), x3(k)); };

    // Order 1.
    SourceTerms(t, 0, 1.0);
    if (evolveX1) {
        Add(s12(0), s.w12, sum12_);
        RowProduct(s.step.F1, sum12_, product1_);
        Advance(x1(0), h, product1_, x1(1));
    }
    if (evolveX3) {
        Add(uC(0), s.eC, sumC_);
        RowProduct(s.step.S2Gamma2, sumC_, product3_);
        Advance(x3(0), -h, product3_, x3(1));
    }
    if (evolveUC) {
        Add(s123(0), s.w123, sum123_);
        RowProduct(s.step.F2, sum123_, productC_);
        Advance(uC(0), h, productC_, uC(1));
    }

    const bool learn = options_.autoCheckDepth != 0 && stepIndex == learnAt_;
    int k = 2;
    double c = h;
    int smallRun = 0;
    bool goOn = true;
    while (goOn) {
        if (k >= orders_) {
            ReachOrder(k);
        }
        SourceTerms(t, k - 1, c);
        const double f = h / k;
        if (evolveX1) {
            DifferencePlus(s12(k - 1), s12(k - 2), s.w12, sum12_);
            RowProduct(s.step.F1, sum12_, product1_);
            Advance(x1(k - 1), f, product1_, x1(k));
        }
        if (evolveX3) {
            DifferencePlus(uC(k - 1), uC(k - 2), s.eC, sumC_);
            RowProduct(s.step.S2Gamma2, sumC_, product3_);
            Advance(x3(k - 1), -f, product3_, x3(k));
        }
        // The term of order k − 1 of the whole state decides whether to go on.
        Difference(s123(k - 1), s123(k - 2), term_);
        if (WithinBound(term_, part.eps)) {
            ++smallRun;
        } else {
            longestFalseRun_ = std::max(longestFalseRun_, smallRun);
            smallRun = 0;
        }
        if (smallRun >= depth_) {
            goOn = false;
        }
        if (learn) {
            depth_ = longestFalseRun_ + 2;
        }
        if (evolveUC) {
            Add(term_, s.w123, sum123_);
            RowProduct(s.step.F2, sum123_, productC_);
            Advance(uC(k - 1), f, productC_, uC(k));
        }
        if (k > maxOrder_) {
            goOn = false;
        }
        c = c * h / k;
        ++k;
    }

    const int last = k - 1;
    if (last > maxOrder_ || (evolveX1 && HasNaN(x1(last))) || (evolveX3 && HasNaN(x3(last))) ||
        (evolveUC && HasNaN(uC(last)))) {
        throw engine::AnalysisError(engine::AnalysisError::AccuracyMissed);
    }
    if (evolveX1) {
        Copy(x1(last), x1_[0]);
    }
    if (evolveX3) {
        Copy(x3(last), x3_[0]);
    }
    if (evolveUC) {
        Copy(uC(last), uC_[0]);
    }
    return last;
}

void TransientAnalysis::FormOutputs(bool firstPoint) {
    const engine::StateEquations::StepMatrices& s = state_.step;
    if (!requests_.AnyDerived()) {
        return;
    }
    Add(x1_[0], state_.jO, x1s_);
    Add(x3_[0], state_.jC, x3s_);
    Add(uC_[0], state_.eC, uCs_);

    if (requests_.independentPotentials) {
        if (firstPoint) {
            // The nodal solution itself, Z·(DS·x1s − DC·uCs); later points take
            // the products Pphi and Pphix formed once.
            RowProduct(s.DS, x1s_, drive_);
            RowProduct(s.DC, uCs_, scratchI_);
            Require(drive_.Size() == scratchI_.Size());
            for (int i = 0; i < drive_.Size(); ++i) {
                drive_[i] -= scratchI_[i];
            }
            RowProduct(s.Z, drive_, phi1_);
        } else {
            RowProduct(s.Pphi, uCs_, phi1_);
            AddRowProduct(s.Pphix, x1s_, 1.0, phi1_);
        }
    }
    if (requests_.forestPotentials) {
        RowProduct(s.A12T, phi1_, scratchC2_);
        Difference(uCs_, scratchC2_, scratchC_);
        RowProduct(s.inv22T, scratchC_, phi2_);
    }
    if (requests_.sourceBranchCurrents) {
        RowProduct(s.KLJ2, x1s_, branchCurrent_);
        AddRowProduct(s.Y22, uCs_, 1.0, branchCurrent_);
        AddRowProduct(s.S2T, x3s_, -1.0, branchCurrent_);
    }
    if (requests_.ordinaryVoltages) {
        RowProduct(s.KLJ1, x1s_, uO_);
        AddRowProduct(s.Kv1, uCs_, 1.0, uO_);
    }
    // Slot 10 is uCs itself.
    if (requests_.ordinaryResistorCurrents) {
        RowProduct(s.G1, uO_, ordinaryResistor_);
    }
    if (requests_.sourceBranchResistorCurrents) {
        RowProduct(s.G2, uCs_, sourceBranchResistor_);
    }
}

double TransientAnalysis::OutputValue(const engine::OutputLocator& locator) const {
    const int i = locator.index;
    switch (locator.code) {
    case slot::OrdinaryInductorCurrent:
        return x1_[0].At(i);
    case slot::SourceBranchInductorCurrent:
        return x3_[0].At(i);
    case slot::CapacitorVoltage:
        return uC_[0].At(i);
    case slot::OrdinaryCurrentSource:
        return state_.jO.At(i);
    case slot::SourceBranchCurrentSource:
        return state_.jC.At(i);
    case slot::VoltageSource:
        return state_.eC.At(i);
    case slot::IndependentNode:
        return phi1_.At(i);
    case slot::ForestNode:
        return phi2_.At(i);
    case slot::SourceBranchCurrent:
        return branchCurrent_.At(i);
    case slot::OrdinaryVoltage:
        return uO_.At(i);
    case slot::SourceBranchVoltage:
        return uCs_.At(i);
    case slot::OrdinaryResistorCurrent:
        return ordinaryResistor_.At(i);
    case slot::SourceBranchResistorCurrent:
        return sourceBranchResistor_.At(i);
    case slot::Placeholder:
        Require(i == 0);
        return 0;
    default:
        throw MatrixError();
    }
}

double TransientAnalysis::Energy() const {
    return 0.5 * (WeightedSquares(state_.L1, x1_[0]) + WeightedSquares(state_.L2, x3_[0]) +
                  WeightedSquares(state_.Cval, uC_[0]));
}

void TransientAnalysis::AppendPoint(int run, double t, int terms, bool firstPoint,
                                    graph::ResultsSink& sink) {
    if (requests_.sources) {
        state_.SourceValues(t);
    }
    FormOutputs(firstPoint);
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        values_[i] = OutputValue(outputs_[i].locator);
    }
    const double energy = energy_ ? Energy() : 0;

    sink.AppendX(graph::kAllPanes, run, t);
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        sink.AppendY(0, static_cast<int>(i), run, values_[i]);
    }
    if (energy_) {
        sink.AppendY(energyPane_, 0, run, energy);
    }
    sink.AppendInteger(graph::kAllPanes, run, terms);
}

void TransientAnalysis::ShowProgress(double t, int run, int runCount, ProgressReporter& reporter) {
    const double span = lastEnd_ - firstStart_;
    if (!(span > 0)) {
        return;
    }
    double share = (t - firstStart_) / span * 100;
    share = share >= 0 ? std::min(share, 100.0) : 0.0;
    const int percent = static_cast<int>(share);
    if (percent / 5 != shownFifth_) {
        shownFifth_ = percent / 5;
        reporter.ShowPercent(PercentText(percent));
        reporter.ShowRun(RunText(run + 1, runCount));
    }
}

TransientOutcome RunTransient(engine::Engine& engine, const TransientPlan& plan,
                              const document::TransientSettings& settings,
                              document::AnalysisOptions& options, const std::string& documentName,
                              graph::ResultsSink& sink, ProgressReporter& reporter) {
    TransientAnalysis analysis(engine, settings, options);
    analysis.ConfigureGraphs(plan, documentName, sink);
    return analysis.Compute(plan, sink, reporter);
}

} // namespace korvanix::analysis
