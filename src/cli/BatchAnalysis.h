#pragma once

#include "document/SettingsRecords.h"

#include <string>

namespace korvanix::cli {

// What the commands `transient` and `frequency` were asked for.
struct AnalysisRequest {
    std::string path;   // the .scm document
    bool csv = false;   // every run as CSV instead of the window's data table
    std::string output; // a file to write instead of standard output; empty: stdout
    bool quiet = false; // no progress bar even on a terminal
};

// Limits the batch tool puts on counts read from a document. The dialogs never
// store anything outside them, but a document may come from anywhere, and each
// of these counts sizes memory before the first point is computed.
constexpr int kMaxSweepRuns = 1000;
constexpr int kMaxFrequencyPoints = 1000000;
// Points reserved per series in advance; longer series simply grow.
constexpr int kMaxReservedPoints = 1 << 16;

// Brings every count of the analysis settings into its range: parts 1..9, at most
// five outputs in all (voltages first), points of a part at least 1, frequency
// points 2..kMaxFrequencyPoints, sweep runs 2..kMaxSweepRuns, MAXITER 10..120,
// CHECKDEPTH 1..10. Values already in range are left as they are.
void ClampCounts(document::DocumentSettings& settings);

// Runs the analysis of a document with its stored settings and writes the result.
// The exit code: 0, 1 (document unreadable, result not written), 3 (the circuit
// check failed), 4 (the analysis failed; what it computed is still written).
int RunTransientCommand(const AnalysisRequest& request);
int RunFrequencyCommand(const AnalysisRequest& request);

} // namespace korvanix::cli
