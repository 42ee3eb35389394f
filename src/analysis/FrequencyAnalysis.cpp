#include "analysis/FrequencyAnalysis.h"

#include "engine/Engine.h"
#include "engine/FrequencyEquations.h"
#include "engine/MatrixError.h"
#include "graph/GraphData.h"
#include "graph/ResultsSink.h"
#include "graph/ScaleKind.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace korvanix::analysis {

namespace {

using engine::Complex;
using engine::ComplexMatrix;
using engine::ComplexVector;
namespace slot = engine::frequency_slot;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kZeroInputRatio = 1e30;

const char* const kChooseOutput = "Пожалуйста, выберите переменную для расчета";
const char* const kFrequencyCaption = "f, Гц";
const std::string kNodePrefix = "Узел ";

constexpr int kMagnitudePane = 0;
constexpr int kPhasePane = 1;

void Require(bool condition) {
    if (!condition)
        throw engine::MatrixError();
}

// out = A·v with every column of A.
void DenseProduct(const ComplexMatrix& a, const ComplexVector& v, ComplexVector& out) {
    Require(a.Cols() == v.Size());
    if (out.Size() != a.Rows())
        out.Resize(a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        const Complex* row = a.Row(i);
        Complex sum;
        for (int k = 0; k < a.Cols(); ++k)
            sum += row[k] * v[k];
        out[i] = sum;
    }
}

void Copy(const ComplexVector& v, ComplexVector& out) {
    if (out.Size() != v.Size())
        out.Resize(v.Size());
    for (int i = 0; i < v.Size(); ++i)
        out[i] = v[i];
}

void AddInPlace(ComplexVector& target, const ComplexVector& v) {
    Require(target.Size() == v.Size());
    for (int i = 0; i < v.Size(); ++i)
        target[i] += v[i];
}

void SubtractInPlace(ComplexVector& target, const ComplexVector& v) {
    Require(target.Size() == v.Size());
    for (int i = 0; i < v.Size(); ++i)
        target[i] -= v[i];
}

// out = a ⊙ b, element by element.
void ElementwiseProduct(const ComplexVector& a, const ComplexVector& b, ComplexVector& out) {
    Require(a.Size() == b.Size());
    if (out.Size() != a.Size())
        out.Resize(a.Size());
    for (int i = 0; i < a.Size(); ++i)
        out[i] = a[i] * b[i];
}

double Argument(const Complex& z) {
    return z.re == 0 && z.im == 0 ? 0.0 : std::atan2(z.im, z.re);
}

// Node names are shown by their number alone.
std::string ShownName(const std::string& name) {
    if (name.compare(0, kNodePrefix.size(), kNodePrefix) == 0)
        return name.substr(kNodePrefix.size());
    return name;
}

bool CurrentInput(const document::FrequencySettings& s) {
    return s.inputQuantity == document::FrequencySettings::InputCurrent;
}

// "/U(E1)" or "/I(J1)".
std::string InputText(const document::FrequencySettings& s) {
    return std::string("/") + (CurrentInput(s) ? "I(" : "U(") + ShownName(s.InputElement()) + ")";
}

// "U(3)/U(E1)", "I(R1)/U(E1)".
std::string RatioText(const FrequencyOutput& out, const std::string& input) {
    return std::string(out.current ? "I(" : "U(") + ShownName(out.name) + ")" + input;
}

// A ratio of unlike quantities is an admittance or an impedance.
std::string UnitSuffix(const FrequencyOutput& out, bool currentInput) {
    if (currentInput)
        return out.current ? "" : ", Ом";
    return out.current ? ", См" : "";
}

int RunCount(const FrequencyPlan& plan, const document::FrequencySettings& s) {
    return plan.sweep ? s.sweep.graphCount : 1;
}

// A corrupted record may claim more names than it has room for.
int OutputCount(int32_t stored) {
    return std::clamp(static_cast<int>(stored), 0, document::kMaxOutputs);
}

} // namespace

std::string FrequencyRatioText(const FrequencyOutput& out,
                               const document::FrequencySettings& settings) {
    return RatioText(out, InputText(settings));
}

std::string FrequencyCurveName(const FrequencyOutput& out,
                               const document::FrequencySettings& settings) {
    const std::string ratio = FrequencyRatioText(out, settings);
    const std::string unit = UnitSuffix(out, CurrentInput(settings));
    return settings.hodograph != 0 ? "[" + ratio + "]" + unit : "|" + ratio + "|" + unit;
}

FrequencyRequests DeriveFrequencyRequests(const std::vector<engine::OutputLocator>& outputs,
                                          const engine::OutputLocator& input) {
    FrequencyRequests r;
    const auto request = [&r](const engine::OutputLocator& l) {
        if (l.code >= slot::IndependentNode && l.code <= slot::VoltageSourceCurrent)
            r.slot[static_cast<std::size_t>(l.code)] = true;
    };
    for (const engine::OutputLocator& l : outputs)
        request(l);
    request(input);
    return r;
}

engine::FrequencyLocators LocateFrequencyOutput(engine::Engine& engine, const std::string& name,
                                                bool current) {
    const std::vector<std::string> one{name};
    const std::vector<std::string> none;
    return engine::BuildFrequencyLocators(engine, current ? none : one, current ? one : none,
                                          std::string(), 0);
}

FrequencyPlan PlanFrequency(engine::Engine& engine, const document::FrequencySettings& settings) {
    FrequencyPlan plan;
    const auto add = [&](const std::string& name, bool current) {
        const engine::FrequencyLocators found = LocateFrequencyOutput(engine, name, current);
        for (const engine::OutputLocator& l : found.outputs)
            plan.outputs.push_back({l, name, current});
    };
    for (int i = 0; i < OutputCount(settings.voltageOutputCount); ++i)
        add(settings.VoltageOutput(i), false);
    for (int i = 0; i < OutputCount(settings.currentOutputCount); ++i)
        add(settings.CurrentOutput(i), true);
    plan.input = engine::BuildFrequencyLocators(engine, {}, {}, settings.InputElement(),
                                                settings.inputQuantity)
                     .input;

    plan.sweep = settings.sweepEnabled != 0;
    if (plan.sweep)
        PrepareSweep(engine, settings.sweep);

    std::vector<engine::OutputLocator> locators;
    for (const FrequencyOutput& o : plan.outputs)
        locators.push_back(o.locator);
    plan.requests = DeriveFrequencyRequests(locators, plan.input);

    if (plan.outputs.empty())
        plan.message = kChooseOutput;
    return plan;
}

FrequencyGrid::FrequencyGrid(const document::FrequencySettings& settings)
    : count_(std::max(settings.pointCount, 0)),
      logarithmic_(settings.frequencyScale == static_cast<int32_t>(graph::ScaleKind::Logarithmic)),
      start_(settings.startFrequency), value_(settings.startFrequency) {
    // A single point needs no step; the dialog never lets fewer than two through.
    if (count_ > 1) {
        const double intervals = static_cast<double>(count_ - 1);
        if (logarithmic_)
            ratio_ = std::pow(settings.endFrequency / settings.startFrequency, 1.0 / intervals);
        else
            delta_ = (settings.endFrequency - settings.startFrequency) / intervals;
    }
}

void FrequencyGrid::Advance() {
    if (logarithmic_)
        value_ *= ratio_;
    else
        value_ += delta_;
}

std::vector<double> FrequencyGridValues(const document::FrequencySettings& settings) {
    FrequencyGrid grid(settings);
    std::vector<double> out;
    for (int j = 0; j < grid.Count(); ++j) {
        out.push_back(grid.Value());
        grid.Advance();
    }
    return out;
}

double PhaseWrapCorrection(double previous, double phase) {
    const double d = previous - phase;
    if (std::fabs(d - 180) < 30)
        return 360;
    if (std::fabs(std::fabs(d) - 360) < 150)
        return d > 0 ? 360 : -360;
    return 0;
}

Complex TransferRatio(const Complex& output, const Complex& input) {
    if (input.re == 0 && input.im == 0)
        return {kZeroInputRatio, 0};
    return output / input;
}

FrequencyAnalysis::FrequencyAnalysis(engine::Engine& engine,
                                     const document::FrequencySettings& settings)
    : engine_(engine), eq_(engine.Frequency()), settings_(settings),
      hodograph_(settings.hodograph != 0), phase_(settings.phase != 0 && !hodograph_) {}

void FrequencyAnalysis::ConfigureGraphs(const FrequencyPlan& plan, graph::ResultsSink& sink) {
    const int curves = static_cast<int>(plan.outputs.size());
    const int runs = RunCount(plan, settings_);
    const bool currentInput = CurrentInput(settings_);
    const std::string input = InputText(settings_);
    const int linear = static_cast<int>(graph::ScaleKind::Linear);
    const int linearOnly = graph::ScaleBit(graph::ScaleKind::Linear);

    sink.SetPaneCount(hodograph_ || !phase_ ? 1 : 2);
    const int panes = sink.PaneCount();
    for (int p = 0; p < panes; ++p) {
        sink.SetPaired(p, hodograph_);
        sink.SetCounts(p, curves, runs);
        sink.SetExpectedPoints(p, settings_.pointCount);
        sink.SetLiveDrawing(p, false);
        sink.SetXCaption(p, kFrequencyCaption);
        sink.SetIntegerCaption(p, "");
    }

    if (hodograph_) {
        sink.SetScales(kMagnitudePane, linear, linearOnly, linear, linearOnly);
        sink.SetXRange(kMagnitudePane, -50, 50);
        sink.SetPairXCaption(kMagnitudePane, "Re");
        sink.SetGroupCaption(kMagnitudePane, 0, "Im");
        for (int i = 0; i < curves; ++i) {
            const FrequencyOutput& out = plan.outputs[static_cast<std::size_t>(i)];
            sink.SetCurveName(kMagnitudePane, i, FrequencyCurveName(out, settings_));
            sink.SetCurveGroup(kMagnitudePane, i, 0);
        }
        sink.SetTitle(kMagnitudePane, "Годограф");
    } else {
        bool anyVoltage = false;
        bool anyCurrent = false;
        for (const FrequencyOutput& out : plan.outputs)
            (out.current ? anyCurrent : anyVoltage) = true;
        const int currentGroup = anyVoltage ? 1 : 0;

        sink.SetXRange(kMagnitudePane, settings_.startFrequency, settings_.endFrequency);
        sink.SetScales(kMagnitudePane, settings_.frequencyScale, settings_.frequencyScalesAllowed,
                       settings_.yScale, settings_.yScalesAllowed);
        sink.SetPositiveQuantity(kMagnitudePane, true);
        for (int i = 0; i < curves; ++i) {
            const FrequencyOutput& out = plan.outputs[static_cast<std::size_t>(i)];
            sink.SetCurveName(kMagnitudePane, i, FrequencyCurveName(out, settings_));
            sink.SetCurveGroup(kMagnitudePane, i, out.current ? currentGroup : 0);
        }
        sink.SetGroupCaption(kMagnitudePane, 0, currentInput ? "R, Ом" : "АЧХ");
        if (anyCurrent)
            sink.SetGroupCaption(kMagnitudePane, currentGroup, currentInput ? "АЧХ" : "G, См");
        sink.SetTitle(kMagnitudePane, "АЧХ");

        if (phase_) {
            sink.SetXRange(kPhasePane, settings_.startFrequency, settings_.endFrequency);
            sink.SetScales(kPhasePane, settings_.frequencyScale, settings_.frequencyScalesAllowed,
                           linear, linearOnly);
            for (int i = 0; i < curves; ++i) {
                const FrequencyOutput& out = plan.outputs[static_cast<std::size_t>(i)];
                sink.SetCurveName(kPhasePane, i, "arg[" + RatioText(out, input) + "], град");
                sink.SetCurveGroup(kPhasePane, i, 0);
            }
            sink.SetGroupCaption(kPhasePane, 0, "град");
            sink.SetTitle(kPhasePane, "ФЧХ");
        }
    }

    // A reused window must not keep the label of an earlier sweep.
    sink.SetRunLabel(graph::kAllPanes, plan.sweep ? SweepRunLabel(engine_) : std::string());
}

void FrequencyAnalysis::FormConstantProducts() {
    // The engine builds these indexes with its products; building the missing ones
    // here keeps the per-point products independent of that detail. An index the
    // engine built with the matrix is current (a copy or a reshape drops it), and
    // rescanning D and DT would cost as much as forming them.
    for (ComplexMatrix* m : {&eq_.A12T, &eq_.inv22T, &eq_.EPrimeT})
        if (!m->RowIndex().valid)
            m->BuildRowIndex();
    if (!eq_.SparseProducts())
        for (ComplexMatrix* m : {&eq_.DT, &eq_.D})
            if (!m->RowIndex().valid)
                m->BuildRowIndex();

    u_ = engine::Product(eq_.A21T, eq_.inv22T);
    u_.BuildRowIndex();
    w_ = engine::Product(eq_.inv22, engine_.Graph().complex.A21);
    w_.BuildRowIndex();
    FormUnistorProducts();
}

// V and X carry the unistor conductances of the voltage-source branches, which a
// sweep of a unistor (or of a composite element made of unistors) changes with
// every run; U and W depend on the topology alone.
void FrequencyAnalysis::FormUnistorProducts() {
    v_ = engine::ScaleRows(engine::Product(eq_.A22PrimeT, eq_.inv22T), eq_.GuC);
    v_.BuildRowIndex();
    x_ = engine::ScaleRows(eq_.EPrimeT, eq_.GuC);
    x_.BuildRowIndex();
}

const ComplexVector& FrequencyAnalysis::Slot(int code) const {
    switch (code) {
    case slot::OrdinaryCurrentSource:
        return eq_.JO;
    case slot::SourceBranchCurrentSource:
        return eq_.JC;
    case slot::VoltageSource:
        return eq_.EC;
    default:
        Require(code > slot::VoltageSource && code <= slot::Placeholder);
        return slots_[static_cast<std::size_t>(code)];
    }
}

void FrequencyAnalysis::ComputePoint(double f, const FrequencyPlan& plan) {
    // Only Z and M1 applied to one vector each are needed: the sparse nodal matrix
    // and its sparse factors cost what the circuit's nonzeros cost, where the dense
    // matrices are quadratic and their inverse cubic.
    engine_.FrequencyStep(f * kTwoPi, engine::FrequencyEquations::NodalForm::Sparse);
    const FrequencyRequests& r = plan.requests;
    ComplexVector& phi1 = slots_[slot::IndependentNode];
    ComplexVector& uO = slots_[slot::OrdinaryVoltage];

    if (r.FormIndependentPotentials()) {
        // phi1 = Z (D JO - DC EC)
        Copy(dJO_, t1_);
        DenseProduct(eq_.DC, eq_.EC, t2_);
        SubtractInPlace(t1_, t2_);
        eq_.SolveNodal(t1_, phi1);
    }
    if (r.FormForestPotentials()) {
        // phi2 = inv22T (EC - A12T phi1)
        engine::RowIndexedTimes(eq_.A12T, phi1, t2_);
        Copy(eq_.EC, t1_);
        SubtractInPlace(t1_, t2_);
        engine::RowIndexedTimes(eq_.inv22T, t1_, slots_[slot::ForestNode]);
    }
    if (r.FormOrdinaryVoltages()) {
        // uO = DT phi1 + U EC
        eq_.DTTimes(phi1, uO);
        engine::RowIndexedTimes(u_, eq_.EC, t1_);
        AddInPlace(uO, t1_);
    }
    if (r.FormSourceBranchVoltages())
        Copy(eq_.EC, slots_[slot::SourceBranchVoltage]);
    if (r.FormOrdinaryCurrents())
        ElementwiseProduct(eq_.YO, uO, slots_[slot::OrdinaryCurrent]);
    if (r.FormSourceBranchElementCurrents())
        ElementwiseProduct(eq_.YC, eq_.EC, slots_[slot::SourceBranchElementCurrent]);
    if (r.FormVoltageSourceCurrents()) {
        // YC EC + X phi1 + V EC + W (M1 phi1 + C1 EC - JO) - JC
        ComplexVector& out = slots_[slot::VoltageSourceCurrent];
        ElementwiseProduct(eq_.YC, eq_.EC, out);
        engine::RowIndexedTimes(x_, phi1, t1_);
        AddInPlace(out, t1_);
        engine::RowIndexedTimes(v_, eq_.EC, t1_);
        AddInPlace(out, t1_);
        eq_.M1Times(phi1, t1_);
        DenseProduct(eq_.C1, eq_.EC, t2_);
        AddInPlace(t1_, t2_);
        SubtractInPlace(t1_, eq_.JO);
        engine::RowIndexedTimes(w_, t1_, t3_);
        AddInPlace(out, t3_);
        SubtractInPlace(out, eq_.JC);
    }
}

void FrequencyAnalysis::AppendPoint(int run, double f, bool firstPoint, const FrequencyPlan& plan,
                                    graph::ResultsSink& sink) {
    sink.AppendX(graph::kAllPanes, run, f);
    const Complex input = Slot(plan.input.code).At(plan.input.index);
    for (std::size_t i = 0; i < plan.outputs.size(); ++i) {
        const engine::OutputLocator& l = plan.outputs[i].locator;
        const Complex k = TransferRatio(Slot(l.code).At(l.index), input);
        const int curve = static_cast<int>(i);
        if (hodograph_) {
            sink.AppendPair(kMagnitudePane, curve, run, k.re, k.im);
        } else {
            sink.AppendY(kMagnitudePane, curve, run, k.Magnitude());
        }
        if (!phase_)
            continue;
        double phi = Argument(k) * kDegreesPerRadian + phaseOffset_[i];
        if (!firstPoint) {
            const double correction = PhaseWrapCorrection(previousPhase_[i], phi);
            phi += correction;
            phaseOffset_[i] += correction;
        }
        sink.AppendY(kPhasePane, curve, run, phi);
        previousPhase_[i] = phi;
    }
}

bool FrequencyAnalysis::RunOnce(int run, int runCount, const FrequencyPlan& plan,
                                graph::ResultsSink& sink, ProgressReporter& reporter) {
    reporter.ShowPercent(PercentText(0));
    reporter.ShowRun(RunText(run + 1, runCount));
    std::fill(phaseOffset_.begin(), phaseOffset_.end(), 0.0);
    sink.BeginSegment(graph::kAllPanes, run, graph::kSegmentLines);
    segmentOpen_ = true;
    segmentRun_ = run;

    if (plan.requests.FormIndependentPotentials())
        eq_.DTimes(eq_.JO, dJO_);

    FrequencyGrid grid(settings_);
    const int points = grid.Count();
    const int every = std::max(1, points / 20);
    bool stopped = false;
    for (int j = 0; j < points && !stopped; ++j) {
        ComputePoint(grid.Value(), plan);
        AppendPoint(run, grid.Value(), j == 0, plan, sink);
        if (j % every == 0) {
            reporter.ShowPercent(PercentText(5 * j / every));
            reporter.ShowRun(RunText(run + 1, runCount));
        }
        stopped = !reporter.Continue();
        grid.Advance();
    }
    sink.EndSegment(graph::kAllPanes, run);
    segmentOpen_ = false;
    return !stopped;
}

FrequencyOutcome FrequencyAnalysis::Compute(const FrequencyPlan& plan, graph::ResultsSink& sink,
                                            ProgressReporter& reporter) {
    ComputationClock clock;
    const int runCount = RunCount(plan, settings_);
    previousPhase_.assign(plan.outputs.size(), 0.0);
    phaseOffset_.assign(plan.outputs.size(), 0.0);
    slots_[slot::Placeholder] = ComplexVector(1);
    segmentOpen_ = false;

    FrequencyOutcome outcome = FrequencyOutcome::Completed;
    try {
        FormConstantProducts();
        SweepValues values(settings_.sweep);
        const SweepRefresh refresh = [this](double v) {
            engine::FrequencyRefresh(engine_, v);
            FormUnistorProducts();
        };
        const std::string caption = plan.sweep ? engine::SweptParameterCaption(engine_) : "";
        for (int run = 0; run < runCount; ++run) {
            if (plan.sweep &&
                !ApplySweepValue(refresh, values.Value(), caption, sink, reporter, clock)) {
                reporter.ShowPercent(PercentText(100));
                outcome = FrequencyOutcome::ParameterRejected;
                break;
            }
            if (!RunOnce(run, runCount, plan, sink, reporter)) {
                outcome = FrequencyOutcome::Stopped;
                break;
            }
            if (plan.sweep)
                values.Advance();
        }
        if (outcome == FrequencyOutcome::Completed)
            reporter.ShowPercent(PercentText(100));
    } catch (...) {
        if (segmentOpen_)
            sink.EndSegment(graph::kAllPanes, segmentRun_);
        segmentOpen_ = false;
        sink.Finish(graph::kAllPanes);
        throw;
    }
    sink.Finish(graph::kAllPanes);
    sink.SetStatusText(ElapsedTimeText(clock.ElapsedMilliseconds()));
    return outcome;
}

FrequencyOutcome RunFrequency(engine::Engine& engine, const FrequencyPlan& plan,
                              const document::FrequencySettings& settings, graph::ResultsSink& sink,
                              ProgressReporter& reporter) {
    FrequencyAnalysis analysis(engine, settings);
    analysis.ConfigureGraphs(plan, sink);
    return analysis.Compute(plan, sink, reporter);
}

} // namespace korvanix::analysis
