#include "cli/BatchAnalysis.h"

#include "analysis/FrequencyAnalysis.h"
#include "analysis/TransientAnalysis.h"
#include "cli/CliSupport.h"
#include "cli/CsvTable.h"
#include "cli/TerminalProgress.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "graph/DataTable.h"
#include "graph/GraphSet.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace korvanix::cli {

namespace {

constexpr const char* kTransientTitle = "График переходного процесса";
constexpr const char* kFrequencyTitle = "График АЧХ/ФЧХ";

// The panes of the window, reserving no more than kMaxReservedPoints per series:
// a document may announce any number of points, but only the computed ones take
// memory.
class BatchGraphs : public graph::GraphSet {
public:
    using graph::GraphSet::GraphSet;

    void SetExpectedPoints(int pane, int n) override {
        graph::GraphSet::SetExpectedPoints(pane, std::min(n, kMaxReservedPoints));
    }

    std::vector<const graph::GraphData*> Panes() const {
        std::vector<const graph::GraphData*> panes;
        for (int i = 0; i < PaneCount(); ++i)
            panes.push_back(&Pane(i));
        return panes;
    }
};

void ClampSweep(document::SweepSettings& sweep) {
    sweep.graphCount = std::clamp<int32_t>(sweep.graphCount, 2, kMaxSweepRuns);
}

// Voltages keep their count; currents get what is left of the five.
void ClampOutputs(int32_t& voltages, int32_t& currents) {
    voltages = std::clamp<int32_t>(voltages, 0, document::kMaxOutputs);
    currents = std::clamp<int32_t>(currents, 0, document::kMaxOutputs - voltages);
}

// Where the result goes. The file is opened only once there is something to
// write, so a run that computed nothing leaves an existing file alone.
int WriteResult(const AnalysisRequest& request, const std::string& text) {
    if (request.output.empty()) {
        Print(stdout, text);
        return FlushStandardOutput() ? Success : Unreadable;
    }
    const std::string name = document::FileNameOf(request.output);
    std::FILE* file = std::fopen(request.output.c_str(), "wb");
    if (!file) {
        Print(stderr, document::CannotOpenForWritingMessage(name) + "\n");
        return Unreadable;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        Print(stderr, document::WriteErrorMessage(name) + "\n");
        return Unreadable;
    }
    return Success;
}

std::string ResultText(const AnalysisRequest& request, const std::string& title,
                       BatchGraphs& graphs, bool sweep) {
    if (request.csv)
        return CsvTable(graphs.Panes(), sweep);
    std::vector<graph::GraphData*> panes;
    for (int i = 0; i < graphs.PaneCount(); ++i)
        panes.push_back(&graphs.Pane(i));
    return graph::DataTable(title, panes).Text();
}

int RunAnalysis(const AnalysisRequest& request, bool frequency) {
    document::Document doc;
    if (!OpenDocument(doc, request.path))
        return Unreadable;
    // The analysis reads a copy: the batch tool never writes the document back,
    // not even the check depth the transient analysis learns.
    document::DocumentSettings settings = doc.settings;
    ClampCounts(settings);

    engine::Engine engine(doc.scheme);
    engine.UseSparseFrequency(true);
    StderrNotifier notifier;
    const model::SchemeError formulated =
        frequency ? engine.FormulateFrequency(notifier) : engine.FormulateTransient(notifier);
    if (formulated.Code() != 0) {
        PrintSchemeError(formulated);
        return NotAnalysable;
    }

    const std::string title = frequency ? kFrequencyTitle : kTransientTitle;
    BatchGraphs graphs(title);
    TerminalProgress progress(!request.quiet && ::isatty(STDERR_FILENO));
    bool started = false; // the graphs hold what was computed, even after a failure
    bool sweep = false;
    int code = Success;
    try {
        if (frequency) {
            const analysis::FrequencyPlan plan =
                analysis::PlanFrequency(engine, settings.frequency);
            if (!plan.Ready()) {
                Print(stderr, plan.message + "\n");
                return AnalysisFailed;
            }
            sweep = plan.sweep;
            started = true;
            analysis::RunFrequency(engine, plan, settings.frequency, graphs, progress);
        } else {
            const analysis::TransientPlan plan =
                analysis::PlanTransient(engine, settings.transient);
            if (!plan.Ready()) {
                Print(stderr, plan.message + "\n");
                return AnalysisFailed;
            }
            sweep = plan.sweep;
            started = true;
            analysis::RunTransient(engine, plan, settings.transient, settings.options, doc.Name(),
                                   graphs, progress);
        }
        progress.Finish(graphs.StatusText());
    } catch (const engine::AnalysisError& e) {
        progress.Finish({});
        Print(stderr, engine::AnalysisErrorMessage(e) + "\n");
        code = AnalysisFailed;
    } catch (const engine::MatrixError& e) {
        progress.Finish({});
        Print(stderr, std::string(e.what()) + "\n");
        code = AnalysisFailed;
    }
    if (!started)
        return code;

    const int written = WriteResult(request, ResultText(request, title, graphs, sweep));
    return written != Success ? written : code;
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

int RunTransientCommand(const AnalysisRequest& request) {
    return RunAnalysis(request, false);
}

int RunFrequencyCommand(const AnalysisRequest& request) {
    return RunAnalysis(request, true);
}

} // namespace korvanix::cli
