#include "cli/PolesCommand.h"

#include "analysis/PoleZeroAnalysis.h"
#include "analysis/PoleZeroText.h"
#include "cli/CliSupport.h"
#include "document/Document.h"

namespace korvanix::cli {

int RunPolesCommand(const AnalysisRequest& request) {
    document::Document doc;
    if (!OpenDocument(doc, request.path))
        return Unreadable;
    StderrNotifier notifier;
    const analysis::PoleZeroReport report =
        analysis::RunPoleZero(doc, notifier, analysis::DocumentObjects::Disposable);
    switch (report.outcome) {
    case analysis::PoleZeroOutcome::Success:
        break;
    case analysis::PoleZeroOutcome::NotAnalysable:
        PrintSchemeError(report.schemeError);
        return NotAnalysable;
    case analysis::PoleZeroOutcome::Failed:
        Print(stderr, report.message + "\n");
        return AnalysisFailed;
    }
    if (!report.note.empty())
        Print(stderr, report.note + "\n");
    if (!report.sweepMessage.empty())
        Print(stderr, report.sweepMessage + "\n");
    return WriteResult(request.output, request.csv ? analysis::PoleZeroCsv(report)
                                                   : analysis::PoleZeroText(report));
}

} // namespace korvanix::cli
