#pragma once

#include "model/Errors.h"

#include <string>

namespace korvanix::document {
class Document;
} // namespace korvanix::document

namespace korvanix::engine {
class EngineNotifier;
} // namespace korvanix::engine

namespace korvanix::analysis {

enum class SpiceExportOutcome {
    Written,
    NotAnalysable, // neither analysis takes the circuit: the transient's error
    Refused,       // an element or a value has no SPICE form: the message names it
};

struct SpiceExportOptions {
    // The simulator's largest internal step is the finest output step divided by
    // this. Ten keep its transient curves within about 1e-4 of ours; its error falls
    // with the square of the step.
    int substeps = 10;
};

struct SpiceExportResult {
    SpiceExportOutcome outcome = SpiceExportOutcome::Written;
    std::string deck;
    model::SchemeError schemeError;
    std::string message;
};

// An ngspice deck of a document, so that its analyses can be repeated in that
// simulator: the circuit (netlist::SpiceCircuit), the transient settings as
// .tran (the finest step of the interval parts, initial conditions with uic),
// the frequency settings as .ac, and a .control block that runs both and writes
// the document's chosen curves, in the order and signs of `korvanix-cli
// transient|frequency --csv`, to "NAME-tran.txt" and "NAME-ac.txt" (NAME the
// document's name in ASCII) in the simulator's working folder. Each analysis is
// formulated as the analysis commands formulate it (the loop warnings go to the
// notifier); one the circuit does not allow is left out with a comment saying
// why. A sweep is described in a comment: the deck holds the drawn values.
SpiceExportResult ExportSpiceDeck(document::Document& doc, engine::EngineNotifier& notifier,
                                  const SpiceExportOptions& options = {});

} // namespace korvanix::analysis
