#pragma once

#include <string>

namespace korvanix::cli {

// What the commands `transient` and `frequency` were asked for.
struct AnalysisRequest {
    std::string path;   // the .scm document
    bool csv = false;   // every run as CSV instead of the window's data table
    std::string output; // a file to write instead of standard output; empty: stdout
    bool quiet = false; // no progress bar even on a terminal
};

// Points reserved per series in advance: a document may announce any number of
// points (analysis::ClampCounts bounds them only loosely), but only the computed
// ones take memory; longer series simply grow.
constexpr int kMaxReservedPoints = 1 << 16;

// Runs the analysis of a document with its stored settings and writes the result.
// The exit code: 0, 1 (document unreadable, result not written), 3 (the circuit
// check failed), 4 (the analysis failed; what it computed is still written).
int RunTransientCommand(const AnalysisRequest& request);
int RunFrequencyCommand(const AnalysisRequest& request);

} // namespace korvanix::cli
