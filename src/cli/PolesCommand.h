#pragma once

#include "cli/BatchAnalysis.h"

namespace korvanix::cli {

// korvanix-cli poles FILE.scm [--csv] [-o FILE]: the natural frequencies and the
// transfer functions of the document's frequency outputs. Exit code 0 (with a
// note on standard error when there are no transfer functions), 1, 3 (the
// circuit cannot be analysed) or 4 (its equations could not be solved).
int RunPolesCommand(const AnalysisRequest& request);

} // namespace korvanix::cli
