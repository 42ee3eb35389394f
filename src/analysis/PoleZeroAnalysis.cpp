#include "analysis/PoleZeroAnalysis.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/StateSpace.h"
#include "analysis/Sweep.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "engine/Outputs.h"
#include "model/Value.h"

#include <algorithm>
#include <new>
#include <utility>

namespace korvanix::analysis {

namespace {

constexpr const char* kZeroInput =
    "Входная величина тождественно равна нулю: передаточная функция не существует.";

bool SourceError(int code) {
    return code == model::scheme_error::NoHarmonicSource ||
           code == model::scheme_error::SeveralHarmonicSources;
}

struct Plan {
    FrequencyPlan frequency;
    bool functions = false; // transfer functions can be formed
};

// One run: the state form with the element values as they now are.
PoleZeroRun Analyse(engine::Engine& engine, const Plan& plan,
                    const document::FrequencySettings& settings) {
    StateSpaceBuilder builder(engine);
    const StateForm form = builder.Build();
    PoleZeroRun run;
    run.natural = Spectrum(form.a);
    SortRoots(run.natural);
    if (!plan.functions || !form.hasInput)
        return run;

    const engine::OutputLocator& inputAt = plan.frequency.input;
    const StateOutput input = builder.Output(inputAt);
    // The input is the source itself in the usual case: H is then the output's
    // own response to it.
    const bool plainInput =
        input.d == 1 && input.e == 0 &&
        std::all_of(input.c.begin(), input.c.end(), [](double v) { return v == 0; });
    Zpk inputH;
    if (!plainInput)
        inputH = TransferOf(form, input, run.natural);

    for (const FrequencyOutput& out : plan.frequency.outputs) {
        TransferResult t;
        t.name = FrequencyCurveName(out, settings);
        t.ratio = FrequencyRatioText(out, settings);
        if (!plainInput && inputH.identicallyZero) {
            t.message = kZeroInput;
            t.h.identicallyZero = true;
        } else {
            t.h = TransferOf(form, builder.Output(out.locator), run.natural);
            if (!plainInput)
                t.h = Quotient(t.h, inputH);
        }
        SortRoots(t.h.zeros);
        SortRoots(t.h.poles);
        SortRoots(t.h.cancelled);
        run.functions.push_back(std::move(t));
    }
    return run;
}

PoleZeroReport Refused(const model::SchemeError& error) {
    PoleZeroReport report;
    report.outcome = PoleZeroOutcome::NotAnalysable;
    report.schemeError = error;
    report.message = engine::SchemeErrorMessage(error);
    return report;
}

PoleZeroReport Failed(std::string message) {
    PoleZeroReport report;
    report.outcome = PoleZeroOutcome::Failed;
    report.message = std::move(message);
    return report;
}

} // namespace

PoleZeroReport RunPoleZero(engine::Engine& engine, const document::FrequencySettings& fs,
                           engine::EngineNotifier& notifier) {
    engine.UseSparseFrequency(true);
    const model::SchemeError formulated = engine.FormulateFrequency(notifier);
    PoleZeroReport report;
    Plan plan;
    if (formulated.Code() != 0) {
        // The natural frequencies do not depend on the sources: a circuit without
        // exactly one harmonic source still has them.
        if (!SourceError(formulated.Code()))
            return Refused(formulated);
        report.note = engine::SchemeErrorMessage(formulated);
    }

    try {
        if (report.note.empty()) {
            try {
                plan.frequency = PlanFrequency(engine, fs);
                report.note = plan.frequency.message;
                plan.functions = plan.frequency.Ready();
            } catch (const engine::AnalysisError& e) {
                report.note = engine::AnalysisErrorMessage(e);
            }
        }
        report.sweep = plan.functions && plan.frequency.sweep;
        if (!report.sweep) {
            report.runs.push_back(Analyse(engine, plan, fs));
            return report;
        }
        report.runLabel = SweepRunLabel(engine);
        for (double value : SweepRunValues(fs.sweep)) {
            try {
                engine::SetSweptValue(engine, value);
            } catch (const model::SchemeError&) {
                report.sweepMessage =
                    "Неверный параметр: " + engine::SweptParameterCaption(engine) + "=" +
                    model::FormatNumber(value, 6);
                break;
            }
            PoleZeroRun run = Analyse(engine, plan, fs);
            run.sweptValue = value;
            report.runs.push_back(std::move(run));
        }
        return report;
    } catch (const StateFormError& e) {
        return Failed(e.what());
    } catch (const engine::MatrixError& e) {
        return Failed(e.what());
    } catch (const std::bad_alloc&) {
        return Failed(document::OutOfMemoryMessage());
    }
}

PoleZeroReport RunPoleZero(document::Document& doc, engine::EngineNotifier& notifier,
                           DocumentObjects objects) {
    document::DocumentSettings settings = doc.settings;
    ClampCounts(settings);
    engine::Engine engine(doc.scheme);
    engine.AnalyseDocumentInPlace(objects == DocumentObjects::Disposable);
    return RunPoleZero(engine, settings.frequency, notifier);
}

} // namespace korvanix::analysis
