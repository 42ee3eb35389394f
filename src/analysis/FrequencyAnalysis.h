#pragma once

#include "analysis/ProgressReporter.h"
#include "analysis/Sweep.h"
#include "document/SettingsRecords.h"
#include "engine/Matrix.h"
#include "engine/Outputs.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace korvanix::engine {
class Engine;
class FrequencyEquations;
} // namespace korvanix::engine

namespace korvanix::graph {
class ResultsSink;
} // namespace korvanix::graph

namespace korvanix::analysis {

// The result slots 3 to 9 that the outputs and the input ask for; slots 0-2 (the
// source phasors) and 10 (zero) are always there. The flags are the raw requests:
// what a slot needs besides itself (slot 3 for 4, 5, 7 and 9; slot 5 for 7) is
// answered by the Form... tests.
struct FrequencyRequests {
    std::array<bool, 11> slot{}; // indexed by slot code

    bool Requested(int code) const {
        return code >= 0 && code < static_cast<int>(slot.size()) &&
               slot[static_cast<std::size_t>(code)];
    }
    bool FormIndependentPotentials() const {
        return Requested(3) || Requested(4) || Requested(5) || Requested(7) || Requested(9);
    }
    bool FormForestPotentials() const { return Requested(4); }
    bool FormOrdinaryVoltages() const { return Requested(5) || Requested(7); }
    bool FormSourceBranchVoltages() const { return Requested(6) || Requested(8); }
    bool FormOrdinaryCurrents() const { return Requested(7); }
    bool FormSourceBranchElementCurrents() const { return Requested(8); }
    bool FormVoltageSourceCurrents() const { return Requested(9); }
};

// The request flags of the outputs and the input: the flag of each one's slot
// when that slot is one of 3 to 9.
FrequencyRequests DeriveFrequencyRequests(const std::vector<engine::OutputLocator>& outputs,
                                          const engine::OutputLocator& input);

// One curve of the frequency graphs.
struct FrequencyOutput {
    engine::OutputLocator locator;
    std::string name;     // the name chosen in the dialog ("Узел 3", "R1")
    bool current = false; // from the current list
};

// "U(3)/U(E1)": the ratio an output's curve shows.
std::string FrequencyRatioText(const FrequencyOutput& out,
                               const document::FrequencySettings& settings);
// The curve's name: "|U(3)/U(E1)|" with the unit of an admittance or impedance
// appended, or "[U(3)/U(E1)]" for a hodograph.
std::string FrequencyCurveName(const FrequencyOutput& out,
                               const document::FrequencySettings& settings);

// What the command decides before any window is opened: the curves, the input
// quantity's locator, the slots they need and the sweep target chosen in the
// engine. `message` is not empty when there is nothing to compute ("Пожалуйста,
// выберите переменную для расчета").
struct FrequencyPlan {
    std::vector<FrequencyOutput> outputs;
    engine::OutputLocator input{engine::frequency_slot::Placeholder, 0};
    FrequencyRequests requests;
    bool sweep = false;
    std::string message;

    bool Ready() const { return message.empty(); }
};

// The command's steps between the dialog and the graph window, on an engine whose
// frequency formulation succeeded: the chosen names and the input mapped to result
// slots, the sweep prepared when it is on (AnalysisError 201 passes through), the
// request flags, and the test for an empty output list.
FrequencyPlan PlanFrequency(engine::Engine& engine, const document::FrequencySettings& settings);

// The outputs one name gives as a voltage, or as a current: located alone, so that
// each curve knows the name and the list it came from.
engine::FrequencyLocators LocateFrequencyOutput(engine::Engine& engine, const std::string& name,
                                                bool current);

// The frequencies of one run: f0 = start, then f + Δ on a linear axis or f · ρ on
// a logarithmic one, each derived from the one before, so the last carries the
// rounding of N − 1 steps.
class FrequencyGrid {
public:
    explicit FrequencyGrid(const document::FrequencySettings& settings);

    int Count() const { return count_; }
    double Value() const { return value_; }
    void Advance();
    void Restart() { value_ = start_; }

private:
    int count_;
    bool logarithmic_;
    double start_;
    double value_;
    double delta_ = 0;
    double ratio_ = 1;
};

// Every frequency of a run, in order, as FrequencyGrid yields them.
std::vector<double> FrequencyGridValues(const document::FrequencySettings& settings);

// The unwrapping correction (0, +360 or −360) for a phase in degrees, offset
// included, that follows `previous`, with d = previous − phase: +360 when d lies
// strictly within 30° of 180° (the ratio changed sign); otherwise 360 · sign(d)
// when |d| lies strictly within 150° of 360° (the phase went through ±180°).
double PhaseWrapCorrection(double previous, double phase);

// The transfer ratio of an output quantity to the input quantity: (1e30, 0) when
// the input is exactly zero, else the complex quotient.
engine::Complex TransferRatio(const engine::Complex& output, const engine::Complex& input);

// How a computation that raised nothing ended.
enum class FrequencyOutcome {
    Completed,
    Stopped,           // the user stopped it; the run's curves end at the last point
    ParameterRejected, // a sweep value was refused; the runs before it stay
};

// The frequency analysis: the complex ratios of the outputs to the input over the
// frequency grid, once per sweep run, streamed into a results sink as magnitude
// (and unwrapped phase) graphs or as a hodograph.
//
// The frequency-independent products U, V, W and X are formed before the first
// run (V and X, which carry the unistor conductances of the voltage-source
// branches, again after every sweep value); a frequency point then costs the
// engine's step plus row-indexed and element-wise products into vectors that keep
// their size from point to point.
class FrequencyAnalysis {
public:
    FrequencyAnalysis(engine::Engine& engine, const document::FrequencySettings& settings);

    // The graph window's set-up: panes, paired mode, counts, names, groups,
    // captions, x range, scales, titles and, when sweeping, the run label.
    void ConfigureGraphs(const FrequencyPlan& plan, graph::ResultsSink& sink);

    // Runs and points; on return (stopped or not) the sink is finished and its
    // status text holds the computation time. A failed matrix operation (a shape
    // mismatch, an index out of range, a singular nodal matrix at some frequency)
    // raises MatrixError after the open segment is ended and the sink finished, so
    // the points computed so far stay.
    FrequencyOutcome Compute(const FrequencyPlan& plan, graph::ResultsSink& sink,
                             ProgressReporter& reporter);

private:
    void FormConstantProducts();
    void FormUnistorProducts();
    bool RunOnce(int run, int runCount, const FrequencyPlan& plan, graph::ResultsSink& sink,
                 ProgressReporter& reporter);
    void ComputePoint(double f, const FrequencyPlan& plan);
    void AppendPoint(int run, double f, bool firstPoint, const FrequencyPlan& plan,
                     graph::ResultsSink& sink);
    const engine::ComplexVector& Slot(int code) const;

    engine::Engine& engine_;
    engine::FrequencyEquations& eq_;
    const document::FrequencySettings& settings_;
    bool hodograph_ = false;
    bool phase_ = false;

    // Frequency-independent products, each with its row index.
    engine::ComplexMatrix u_; // A21ᵀ·inv22ᵀ       (BO × BC)
    engine::ComplexMatrix w_; // inv22·A21         (BC × BO)
    engine::ComplexMatrix v_; // diag(GuC)·A22′ᵀ·inv22ᵀ (BC × BC)
    engine::ComplexMatrix x_; // diag(GuC)·E′ᵀ     (BC × NI)

    // Slots 3 to 9 and the zero of slot 10; working vectors of a point.
    std::array<engine::ComplexVector, 11> slots_;
    engine::ComplexVector t1_, t2_, t3_;
    engine::ComplexVector dJO_; // D·JO: both are fixed for a run

    // Per output: the previous phase of the run and the unwrapping offset (degrees).
    std::vector<double> previousPhase_;
    std::vector<double> phaseOffset_;

    bool segmentOpen_ = false;
    int segmentRun_ = 0;
};

// The part of the command that follows the window's creation: graph set-up, the
// computation and its status text. What Compute raises passes through.
FrequencyOutcome RunFrequency(engine::Engine& engine, const FrequencyPlan& plan,
                              const document::FrequencySettings& settings, graph::ResultsSink& sink,
                              ProgressReporter& reporter);

} // namespace korvanix::analysis
