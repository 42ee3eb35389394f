#pragma once

// The pole-zero analysis of a document: the circuit's natural frequencies and,
// for each output of the frequency settings, the transfer function from the
// frequency analysis' input quantity, once per swept value when a sweep is on.

#include "analysis/DocumentAnalysis.h"
#include "analysis/TransferFunction.h"
#include "model/Errors.h"

#include <string>
#include <vector>

namespace korvanix::document {
class Document;
} // namespace korvanix::document

namespace korvanix::engine {
class Engine;
class EngineNotifier;
} // namespace korvanix::engine

namespace korvanix::analysis {

struct TransferResult {
    // The output's curve name in the frequency analysis ("|U(3)/U(E1)|"), and its
    // ratio alone ("U(3)/U(E1)").
    std::string name;
    std::string ratio;
    Zpk h;
    // Not empty when there is no function: the input quantity is identically zero.
    std::string message;
};

struct PoleZeroRun {
    double sweptValue = 0;
    std::vector<Root> natural; // every mode, sorted
    std::vector<TransferResult> functions;
};

enum class PoleZeroOutcome {
    Success,
    NotAnalysable, // the formulation refused the circuit: schemeError and message
    Failed,        // the equations could not be solved: message
};

struct PoleZeroReport {
    PoleZeroOutcome outcome = PoleZeroOutcome::Success;
    model::SchemeError schemeError;
    std::string message;
    // Why there are no transfer functions (the frequency analysis' own message:
    // no harmonic source, no output chosen, a sweep element not in the circuit).
    std::string note;
    bool sweep = false;
    std::string runLabel; // "R(R3), Ом" with a sweep
    std::vector<PoleZeroRun> runs;
    // Some swept value was refused; the runs before it stay.
    std::string sweepMessage;
};

// The analysis of an engine's circuit with these frequency settings (counts
// already clamped); the engine's frequency formulation is run first.
PoleZeroReport RunPoleZero(engine::Engine& engine, const document::FrequencySettings& settings,
                           engine::EngineNotifier& notifier);
// The same with the document's own settings.
PoleZeroReport RunPoleZero(document::Document& doc, engine::EngineNotifier& notifier,
                           DocumentObjects objects = DocumentObjects::Kept);

} // namespace korvanix::analysis
