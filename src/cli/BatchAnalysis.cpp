#include "cli/BatchAnalysis.h"

#include "analysis/DocumentAnalysis.h"
#include "cli/CliSupport.h"
#include "cli/TerminalProgress.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "graph/CsvTable.h"
#include "graph/DataTable.h"
#include "graph/GraphSet.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace korvanix::cli {

namespace {

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

std::string ResultText(const AnalysisRequest& request, const std::string& title,
                       BatchGraphs& graphs, bool sweep) {
    if (request.csv)
        return graph::CsvTable(graphs.Panes(), sweep);
    std::vector<graph::GraphData*> panes;
    for (int i = 0; i < graphs.PaneCount(); ++i)
        panes.push_back(&graphs.Pane(i));
    return graph::DataTable(title, panes).Text();
}

int RunAnalysis(const AnalysisRequest& request, bool frequency) {
    document::Document doc;
    if (!OpenDocument(doc, request.path))
        return Unreadable;

    const std::string title = frequency ? analysis::kFrequencyTitle : analysis::kTransientTitle;
    BatchGraphs graphs(title);
    TerminalProgress progress(!request.quiet && ::isatty(STDERR_FILENO));
    StderrNotifier notifier;
    const analysis::DocumentAnalysisResult result = analysis::RunDocumentAnalysis(
        doc, frequency, graphs, progress, notifier, analysis::DocumentObjects::Disposable);
    int code = Success;
    switch (result.outcome) {
    case analysis::DocumentAnalysisOutcome::Success:
        progress.Finish(graphs.StatusText());
        break;
    case analysis::DocumentAnalysisOutcome::NotAnalysable:
        PrintSchemeError(result.schemeError);
        return NotAnalysable;
    case analysis::DocumentAnalysisOutcome::AnalysisFailed:
        progress.Finish({});
        Print(stderr, result.message + "\n");
        code = AnalysisFailed;
        break;
    }
    // After a failure the graphs still hold what was computed.
    if (!result.started)
        return code;

    const int written =
        WriteResult(request.output, ResultText(request, title, graphs, result.sweep));
    return written != Success ? written : code;
}

} // namespace

int RunTransientCommand(const AnalysisRequest& request) {
    return RunAnalysis(request, false);
}

int RunFrequencyCommand(const AnalysisRequest& request) {
    return RunAnalysis(request, true);
}

} // namespace korvanix::cli
