#include "analysis/DocumentAnalysis.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransientAnalysis.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace korvanix::analysis {

namespace {

void ClampSweep(document::SweepSettings& sweep) {
    sweep.graphCount = std::clamp<int32_t>(sweep.graphCount, 2, kMaxSweepRuns);
}

// Voltages keep their count; currents get what is left of the five.
void ClampOutputs(int32_t& voltages, int32_t& currents) {
    voltages = std::clamp<int32_t>(voltages, 0, document::kMaxOutputs);
    currents = std::clamp<int32_t>(currents, 0, document::kMaxOutputs - voltages);
}

DocumentAnalysisResult Failed(std::string message) {
    DocumentAnalysisResult result;
    result.outcome = DocumentAnalysisOutcome::AnalysisFailed;
    result.message = std::move(message);
    return result;
}

} // namespace

void ClampCounts(document::DocumentSettings& settings) {
    document::TransientSettings& t = settings.transient;
    t.partCount = std::clamp<int32_t>(t.partCount, 1, document::kMaxIntervalParts);
    for (document::IntervalPart& part : t.parts)
        part.pointCount = std::max<int32_t>(part.pointCount, 1);
    ClampOutputs(t.voltageOutputCount, t.currentOutputCount);
    ClampSweep(t.sweep);

    document::FrequencySettings& f = settings.frequency;
    f.pointCount = std::clamp<int32_t>(f.pointCount, 2, kMaxFrequencyPoints);
    ClampOutputs(f.voltageOutputCount, f.currentOutputCount);
    ClampSweep(f.sweep);

    document::AnalysisOptions& o = settings.options;
    o.maxIter = std::clamp<int32_t>(o.maxIter, 10, 120);
    o.checkDepth = std::clamp<int32_t>(o.checkDepth, 1, 10);
}

struct DocumentAnalysis::Plans {
    TransientPlan transient;
    FrequencyPlan frequency;
    std::unique_ptr<TransientAnalysis> transientAnalysis;
    std::unique_ptr<FrequencyAnalysis> frequencyAnalysis;
};

DocumentAnalysis::DocumentAnalysis(document::Document& doc, bool frequency, DocumentObjects objects)
    : doc_(doc), frequency_(frequency), settings_(doc.settings),
      engine_(std::make_unique<engine::Engine>(doc.scheme)), plans_(std::make_unique<Plans>()) {
    engine_->UseSparseFrequency(true);
    engine_->UseSparseTransient(true);
    engine_->AnalyseDocumentInPlace(objects == DocumentObjects::Disposable);
}

DocumentAnalysis::~DocumentAnalysis() = default;

model::SchemeError DocumentAnalysis::Formulate(engine::EngineNotifier& notifier) {
    return frequency_ ? engine_->FormulateFrequency(notifier)
                      : engine_->FormulateTransient(notifier);
}

std::vector<OfferedOutput> DocumentAnalysis::Offered() {
    return OfferedOutputs(*engine_, frequency_);
}

std::string DocumentAnalysis::Plan() {
    settings_ = doc_.settings;
    ClampCounts(settings_);
    try {
        if (frequency_) {
            plans_->frequency = PlanFrequency(*engine_, settings_.frequency);
            return plans_->frequency.message;
        }
        plans_->transient = PlanTransient(*engine_, settings_.transient);
        return plans_->transient.message;
    } catch (const engine::AnalysisError& e) {
        return engine::AnalysisErrorMessage(e);
    } catch (const engine::MatrixError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return document::OutOfMemoryMessage();
    }
}

bool DocumentAnalysis::Sweep() const {
    return frequency_ ? plans_->frequency.sweep : plans_->transient.sweep;
}

std::string DocumentAnalysis::Configure(graph::ResultsSink& sink) {
    try {
        if (frequency_) {
            plans_->frequencyAnalysis =
                std::make_unique<FrequencyAnalysis>(*engine_, settings_.frequency);
            plans_->frequencyAnalysis->ConfigureGraphs(plans_->frequency, sink);
        } else {
            plans_->transientAnalysis = std::make_unique<TransientAnalysis>(
                *engine_, settings_.transient, settings_.options);
            plans_->transientAnalysis->ConfigureGraphs(plans_->transient, doc_.Name(), sink);
        }
    } catch (const std::bad_alloc&) {
        plans_->frequencyAnalysis.reset();
        plans_->transientAnalysis.reset();
        return document::OutOfMemoryMessage();
    }
    return {};
}

DocumentAnalysisResult DocumentAnalysis::Compute(graph::ResultsSink& sink,
                                                 ProgressReporter& progress) {
    DocumentAnalysisResult result;
    result.sweep = Sweep();
    if (frequency_ ? !plans_->frequencyAnalysis : !plans_->transientAnalysis)
        return Failed("");
    result.started = true;
    try {
        if (frequency_)
            plans_->frequencyAnalysis->Compute(plans_->frequency, sink, progress);
        else
            plans_->transientAnalysis->Compute(plans_->transient, sink, progress);
    } catch (const engine::AnalysisError& e) {
        result.outcome = DocumentAnalysisOutcome::AnalysisFailed;
        result.message = engine::AnalysisErrorMessage(e);
    } catch (const engine::MatrixError& e) {
        result.outcome = DocumentAnalysisOutcome::AnalysisFailed;
        result.message = e.what();
    } catch (const std::bad_alloc&) {
        result.outcome = DocumentAnalysisOutcome::AnalysisFailed;
        result.message = document::OutOfMemoryMessage();
    }
    return result;
}

DocumentAnalysisResult RunDocumentAnalysis(document::Document& doc, bool frequency,
                                           graph::ResultsSink& sink, ProgressReporter& progress,
                                           engine::EngineNotifier& notifier,
                                           DocumentObjects objects) {
    DocumentAnalysis analysis(doc, frequency, objects);
    const model::SchemeError formulated = analysis.Formulate(notifier);
    if (formulated.Code() != 0) {
        DocumentAnalysisResult result;
        result.outcome = DocumentAnalysisOutcome::NotAnalysable;
        result.schemeError = formulated;
        result.message = engine::SchemeErrorMessage(formulated);
        return result;
    }
    std::string message = analysis.Plan();
    if (message.empty())
        message = analysis.Configure(sink);
    if (!message.empty())
        return Failed(std::move(message));
    return analysis.Compute(sink, progress);
}

} // namespace korvanix::analysis
