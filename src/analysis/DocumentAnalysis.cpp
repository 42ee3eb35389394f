#include "analysis/DocumentAnalysis.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransientAnalysis.h"
#include "document/Document.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"

#include <algorithm>
#include <cstdint>
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

DocumentAnalysisResult RunDocumentAnalysis(document::Document& doc, bool frequency,
                                           graph::ResultsSink& sink, ProgressReporter& progress,
                                           engine::EngineNotifier& notifier) {
    document::DocumentSettings settings = doc.settings;
    ClampCounts(settings);

    engine::Engine engine(doc.scheme);
    engine.UseSparseFrequency(true);
    const model::SchemeError formulated =
        frequency ? engine.FormulateFrequency(notifier) : engine.FormulateTransient(notifier);
    if (formulated.Code() != 0) {
        DocumentAnalysisResult result;
        result.outcome = DocumentAnalysisOutcome::NotAnalysable;
        result.schemeError = formulated;
        result.message = engine::SchemeErrorMessage(formulated);
        return result;
    }

    DocumentAnalysisResult result;
    try {
        if (frequency) {
            const FrequencyPlan plan = PlanFrequency(engine, settings.frequency);
            if (!plan.Ready())
                return Failed(plan.message);
            result.sweep = plan.sweep;
            result.started = true;
            RunFrequency(engine, plan, settings.frequency, sink, progress);
        } else {
            const TransientPlan plan = PlanTransient(engine, settings.transient);
            if (!plan.Ready())
                return Failed(plan.message);
            result.sweep = plan.sweep;
            result.started = true;
            RunTransient(engine, plan, settings.transient, settings.options, doc.Name(), sink,
                         progress);
        }
    } catch (const engine::AnalysisError& e) {
        result.outcome = DocumentAnalysisOutcome::AnalysisFailed;
        result.message = engine::AnalysisErrorMessage(e);
    } catch (const engine::MatrixError& e) {
        result.outcome = DocumentAnalysisOutcome::AnalysisFailed;
        result.message = e.what();
    }
    return result;
}

} // namespace korvanix::analysis
