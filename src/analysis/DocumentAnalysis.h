#pragma once

#include "model/Errors.h"

#include <string>

namespace korvanix::document {
class Document;
struct DocumentSettings;
} // namespace korvanix::document

namespace korvanix::engine {
class EngineNotifier;
} // namespace korvanix::engine

namespace korvanix::graph {
class ResultsSink;
} // namespace korvanix::graph

namespace korvanix::analysis {

class ProgressReporter;

// The captions of the two graph windows.
constexpr const char* kTransientTitle = "График переходного процесса";
constexpr const char* kFrequencyTitle = "График АЧХ/ФЧХ";

// Limits on counts read from a document. The dialogs never store anything outside
// them, but a document may come from anywhere, and each of these counts sizes
// memory before the first point is computed.
constexpr int kMaxSweepRuns = 1000;
constexpr int kMaxFrequencyPoints = 1000000;

// Brings every count of the analysis settings into its range: parts 1..9, at most
// five outputs in all (voltages first), points of a part at least 1, frequency
// points 2..kMaxFrequencyPoints, sweep runs 2..kMaxSweepRuns, MAXITER 10..120,
// CHECKDEPTH 1..10. Values already in range are left as they are.
void ClampCounts(document::DocumentSettings& settings);

enum class DocumentAnalysisOutcome {
    Success,
    NotAnalysable,  // the formulation refused the circuit
    AnalysisFailed, // nothing to compute, or the computation itself failed
};

struct DocumentAnalysisResult {
    DocumentAnalysisOutcome outcome = DocumentAnalysisOutcome::Success;
    // NotAnalysable: what the formulation returned; its element is the faulty
    // drawn element of the document's sheet (selected there), or null.
    model::SchemeError schemeError;
    // The text to show when the outcome is not Success (without the element's
    // name, which the sheet's selection shows).
    std::string message;
    // The computation began: the sink holds what it computed, even after a failure.
    bool started = false;
    // The analysis sweeps a parameter: one run per swept value.
    bool sweep = false;
};

// Runs the transient or the frequency analysis of a document with its stored
// settings into a results sink. The analysis reads a clamped copy of the
// settings, so the document's records stay as they were (not even the check
// depth the transient analysis learns is written back); the sheet's selection
// may change to show a faulty element.
DocumentAnalysisResult RunDocumentAnalysis(document::Document& doc, bool frequency,
                                           graph::ResultsSink& sink, ProgressReporter& progress,
                                           engine::EngineNotifier& notifier);

} // namespace korvanix::analysis
