#include "cli/SpiceCommand.h"

#include "analysis/SpiceExport.h"
#include "cli/CliSupport.h"
#include "document/Document.h"

namespace korvanix::cli {

int RunSpiceCommand(const std::string& path, const std::string& output,
                    const analysis::SpiceExportOptions& options) {
    document::Document doc;
    if (!OpenDocument(doc, path))
        return Unreadable;

    StderrNotifier notifier;
    const analysis::SpiceExportResult result = analysis::ExportSpiceDeck(doc, notifier, options);
    switch (result.outcome) {
    case analysis::SpiceExportOutcome::Written:
        break;
    case analysis::SpiceExportOutcome::NotAnalysable:
        PrintSchemeError(result.schemeError);
        return NotAnalysable;
    case analysis::SpiceExportOutcome::Refused:
        Print(stderr, std::string(kProgram) + ": no SPICE deck: " + result.message + "\n");
        return NotAnalysable;
    }
    return WriteResult(output, result.deck);
}

} // namespace korvanix::cli
