#pragma once

#include "analysis/ProgressReporter.h"
#include "document/SettingsRecords.h"
#include "engine/Matrix.h"
#include "engine/Outputs.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::engine {
class Engine;
class StateEquations;
} // namespace korvanix::engine

namespace korvanix::graph {
class ResultsSink;
} // namespace korvanix::graph

namespace korvanix::analysis {

// The result slots the outputs need beyond the states, which are always there.
struct TransientRequests {
    bool sources = false;                      // slots 3-5, and everything formed from them
    bool independentPotentials = false;        // 6
    bool forestPotentials = false;             // 7
    bool sourceBranchCurrents = false;         // 8
    bool ordinaryVoltages = false;             // 9
    bool sourceBranchVoltages = false;         // 10
    bool ordinaryResistorCurrents = false;     // 11
    bool sourceBranchResistorCurrents = false; // 12

    // Slots 6 to 12 all start from the states plus their sources.
    bool AnyDerived() const {
        return independentPotentials || forestPotentials || sourceBranchCurrents ||
               ordinaryVoltages || sourceBranchVoltages || ordinaryResistorCurrents ||
               sourceBranchResistorCurrents;
    }
};

// The flags an output list needs. A slot that is formed from another one brings
// that one along (7 needs 6, 11 needs 9, 12 needs 10), and every slot beyond the
// states needs the source values at the point's time.
TransientRequests DeriveTransientRequests(const std::vector<engine::OutputLocator>& outputs);

// One curve of the output graph.
struct TransientOutput {
    engine::OutputLocator locator;
    std::string curveName; // "u(2), В", "i(R1), А"
    bool current = false;
};

// What the command decides before any window is opened: the curves, the slots
// they need, and the sweep target chosen in the engine. `message` is not empty
// when there is nothing to compute ("Пожалуйста, выберите переменную для расчета").
struct TransientPlan {
    std::vector<TransientOutput> outputs;
    TransientRequests requests;
    bool energy = false;
    bool sweep = false;
    std::string message;

    bool Ready() const { return message.empty(); }
};

// The command's steps between the dialog and the graph window, on an engine whose
// transient formulation succeeded: the chosen names mapped to result slots, the
// sweep prepared when it is on (AnalysisError 201 passes through), the request
// flags, and the test for an empty output list. MatrixError passes through.
TransientPlan PlanTransient(engine::Engine& engine, const document::TransientSettings& settings);

// How a computation that raised nothing ended.
enum class TransientOutcome {
    Completed,
    Stopped,           // the user stopped it; the curves end at the last point
    ParameterRejected, // a sweep value was refused; the runs before it stay
};

// The transient computation: Taylor steps of an order chosen per step, over the
// interval parts, once per sweep run, streamed into a results sink.
//
// The three series tables grow to the highest order a step has reached and are reused
// for every later step: on a large circuit most steps need a few dozen terms, and
// sizing every table for the largest order allowed would make them the biggest
// thing the computation holds. With the working vectors sized on the first step,
// a step allocates only when it reaches an order no step of the computation
// reached before, and every matrix product of a step goes through the matrix's
// row index.
class TransientAnalysis {
public:
    // Largest number of entries a series table can grow to: more than the largest
    // order a step can reach.
    static constexpr int kSeriesLength = 150;

    // `options` is written back: with the automatic check depth on, CHECKDEPTH
    // receives the depth learnt while computing, however the computation ends.
    TransientAnalysis(engine::Engine& engine, const document::TransientSettings& settings,
                      document::AnalysisOptions& options);

    // The graph window's set-up: panes, counts, names, groups, captions, x range,
    // scales, the energy graph, titles (an untitled graph 0 gets `documentName`).
    void ConfigureGraphs(const TransientPlan& plan, const std::string& documentName,
                         graph::ResultsSink& sink);

    // Runs, parts and steps; on return (stopped or not) the sink is finished and
    // its status text holds the computation time. A missed accuracy or a NaN state
    // raises AnalysisError 200 and a failed matrix operation MatrixError, each
    // after the open segment is ended and the sink finished, so the curves
    // computed so far stay.
    TransientOutcome Compute(const TransientPlan& plan, graph::ResultsSink& sink,
                             ProgressReporter& reporter);

private:
    struct Part {
        double start = 0;
        double end = 0;
        double step = 0;
        int points = 0;
        double eps = 0;
        int graphType = 1;
    };
    using Table = std::vector<engine::Vector>;

    void ReadSettings(const TransientPlan& plan);
    void SizeTables();
    // Sizes the entries up to `order` of the tables whose vectors evolve.
    void ReachOrder(int order);
    // One run from its initial state; false when the user stopped it.
    bool RunOnce(int run, int runCount, graph::ResultsSink& sink, ProgressReporter& reporter);
    bool RunPart(int run, int runCount, const Part& part, graph::ResultsSink& sink,
                 ProgressReporter& reporter);
    void ChooseStep(const Part& part, double t, double& h);
    void FillSchedule();
    double TakeInstant();
    void AdvanceInstant();
    void SourceTerms(double t, int order, double scale);
    // Advances the state from t by h; the number of series terms used.
    int TaylorStep(double t, double h, const Part& part, int stepIndex);
    void AppendPoint(int run, double t, int terms, bool firstPoint, graph::ResultsSink& sink);
    void FormOutputs(bool firstPoint);
    double OutputValue(const engine::OutputLocator& locator) const;
    double Energy() const;
    void ShowProgress(double t, int run, int runCount, ProgressReporter& reporter);

    engine::Engine& engine_;
    engine::StateEquations& state_;
    const document::TransientSettings& settings_;
    document::AnalysisOptions& options_;

    // Settings read once per computation.
    std::vector<Part> parts_;
    std::vector<TransientOutput> outputs_;
    TransientRequests requests_;
    bool energy_ = false;
    bool sweep_ = false;
    int energyPane_ = 0;
    int maxOrder_ = 0;
    double firstStart_ = 0;
    double lastEnd_ = 0;

    // Series tables of x1, x3 and uC. A vector that does not evolve keeps only
    // entry 0.
    Table x1_, x3_, uC_;
    int orders_ = 0; // entries 0 .. orders_ − 1 are sized
    int depth_ = 0;

    // Per part: the step that learns the depth, false-run bookkeeping, split marks,
    // the switching-instant schedule's reference time and next instant.
    int learnAt_ = 0;
    int longestFalseRun_ = 0;
    bool splitMark_ = false;
    bool restoreMark_ = false;
    double remainder_ = 0;
    double partStart_ = 0;
    double nextInstant_ = -1;
    bool hasInstants_ = false;

    // Working vectors of a step and of the outputs.
    engine::Vector sum12_, sum123_, sumC_, product1_, product3_, productC_, term_;
    engine::Vector x1s_, x3s_, uCs_, phi1_, phi2_, scratchC_, scratchC2_, branchCurrent_;
    engine::Vector drive_, scratchI_; // the nodal solution of the first point
    engine::Vector uO_, ordinaryResistor_, sourceBranchResistor_;
    std::vector<double> values_;

    // Progress: the multiple of 5 per cent shown last in this run.
    int shownFifth_ = 0;
    bool segmentOpen_ = false;
    int segmentRun_ = 0;
};

// The part of the command that follows the window's creation: graph set-up, the
// computation and its status text. What Compute raises passes through.
TransientOutcome RunTransient(engine::Engine& engine, const TransientPlan& plan,
                              const document::TransientSettings& settings,
                              document::AnalysisOptions& options, const std::string& documentName,
                              graph::ResultsSink& sink, ProgressReporter& reporter);

} // namespace korvanix::analysis
