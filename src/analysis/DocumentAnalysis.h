#pragma once

#include "analysis/OutputChoices.h"
#include "document/SettingsRecords.h"
#include "model/Errors.h"

#include <memory>
#include <string>
#include <vector>

namespace korvanix::document {
class Document;
struct DocumentSettings;
} // namespace korvanix::document

namespace korvanix::engine {
class Engine;
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

// One analysis of a document taken step by step, as the analysis commands take
// it with their dialog in between: the formulation, the names to offer, the plan
// from the settings as the dialog left them, the graph set-up and the
// computation. The analysis reads a clamped copy of the settings, taken by Plan,
// so the document's records stay as they were (the check depth the transient
// analysis learns is in Options() afterwards, for the caller to keep); the
// sheet's selection may change to show a faulty element.
//
// DocumentObjects::Disposable lets the analysis work on the document's own
// objects instead of a copy where the copy would be the same (half the memory of
// the circuit): for a caller that reads only the results and discards the
// document, since names, node numbers and swept values are written into it.
enum class DocumentObjects { Kept, Disposable };

class DocumentAnalysis {
public:
    DocumentAnalysis(document::Document& doc, bool frequency,
                     DocumentObjects objects = DocumentObjects::Kept);
    ~DocumentAnalysis();
    DocumentAnalysis(const DocumentAnalysis&) = delete;
    DocumentAnalysis& operator=(const DocumentAnalysis&) = delete;

    bool Frequency() const { return frequency_; }

    // Forms the equations; code 0 on success. After a failure the faulty drawn
    // element (if any) is the only selected one of the sheet, and the loop
    // warnings have gone to the notifier.
    model::SchemeError Formulate(engine::EngineNotifier& notifier);
    // After a successful formulation: the names the dialog offers, in natural order.
    std::vector<OfferedOutput> Offered();
    // Takes the settings and decides what to compute: the outputs mapped to their
    // results, the sweep prepared. Empty when there is something to compute,
    // else the text to show ("Пожалуйста, выберите переменную для расчета", a
    // sweep element that is not in the circuit, a failed matrix operation).
    std::string Plan();
    bool Sweep() const;
    // The graph set-up (panes, names, captions, scales, titles). Empty on
    // success, else the text to show.
    std::string Configure(graph::ResultsSink& sink);
    // Runs, parts or frequencies into the configured sink, which is finished
    // however the computation ends; the curves computed before a failure stay.
    DocumentAnalysisResult Compute(graph::ResultsSink& sink, ProgressReporter& progress);
    // The options the computation ended with: with the automatic check depth on,
    // CHECKDEPTH holds the depth the transient analysis learnt.
    const document::AnalysisOptions& Options() const { return settings_.options; }

private:
    struct Plans;

    document::Document& doc_;
    bool frequency_;
    document::DocumentSettings settings_;
    std::unique_ptr<engine::Engine> engine_;
    std::unique_ptr<Plans> plans_;
};

// Runs the transient or the frequency analysis of a document with its stored
// settings into a results sink: every step of DocumentAnalysis without a dialog.
DocumentAnalysisResult RunDocumentAnalysis(document::Document& doc, bool frequency,
                                           graph::ResultsSink& sink, ProgressReporter& progress,
                                           engine::EngineNotifier& notifier,
                                           DocumentObjects objects = DocumentObjects::Kept);

} // namespace korvanix::analysis
