#include "cli/BatchAnalysis.h"

#include "analysis/DocumentAnalysis.h"
#include "cli/CliSupport.h"
#include "cli/TerminalProgress.h"
#include "document/AtomicFile.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "graph/CsvTable.h"
#include "graph/DataTable.h"
#include "graph/GraphSet.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
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

// A device or a pipe (/dev/null, /dev/stdout, a FIFO) cannot be replaced by
// renaming; it is written in place.
int WriteInPlace(const std::string& path, const std::string& name, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
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

// Where the result goes. The file is opened only once there is something to
// write, so a run that computed nothing leaves an existing file alone; a file is
// replaced only once the whole result is on the disk, so a failed write leaves it
// alone too.
int WriteResult(const AnalysisRequest& request, const std::string& text) {
    if (request.output.empty()) {
        Print(stdout, text);
        return FlushStandardOutput() ? Success : Unreadable;
    }
    const std::string name = document::FileNameOf(request.output);
    struct stat st {};
    const bool exists = ::stat(request.output.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return WriteInPlace(request.output, name, text);
    // Renaming over a file needs no permission on the file itself; a file the user
    // may not write stays refused, as opening it for writing would be.
    document::AtomicFile file(request.output);
    if ((exists && ::access(request.output.c_str(), W_OK) != 0) ||
        file.Open() != document::WriteOutcome::Written) {
        Print(stderr, document::CannotOpenForWritingMessage(name) + "\n");
        return Unreadable;
    }
    file.Write(text.data(), text.size());
    if (file.Commit() != document::WriteOutcome::Written) {
        Print(stderr, document::WriteErrorMessage(name) + "\n");
        return Unreadable;
    }
    return Success;
}

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
    const analysis::DocumentAnalysisResult result =
        analysis::RunDocumentAnalysis(doc, frequency, graphs, progress, notifier);
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

    const int written = WriteResult(request, ResultText(request, title, graphs, result.sweep));
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
