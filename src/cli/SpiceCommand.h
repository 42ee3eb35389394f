#pragma once

#include "analysis/SpiceExport.h"

#include <string>

namespace korvanix::cli {

// `spice FILE.scm [-o DECK.cir]`: the ngspice deck of a document (see
// analysis::ExportSpiceDeck) on standard output or in a file. The exit code: 0,
// 1 (document unreadable, deck not written), 3 (neither analysis takes the
// circuit, or an element has no SPICE form; the message on standard error).
int RunSpiceCommand(const std::string& path, const std::string& output,
                    const analysis::SpiceExportOptions& options);

} // namespace korvanix::cli
