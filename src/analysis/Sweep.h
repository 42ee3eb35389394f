#pragma once

#include "analysis/ProgressReporter.h"
#include "document/SettingsRecords.h"
#include "model/Element.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvanix::engine {
class Engine;
} // namespace korvanix::engine

namespace korvanix::graph {
class ResultsSink;
} // namespace korvanix::graph

namespace korvanix::analysis {

// The parameter values of a sweep's runs. Each value is derived from the one
// before (start, start + Δ, ... or start, start·ρ, ...), never recomputed from the
// run number, so the last one carries the rounding of count − 1 steps.
class SweepValues {
public:
    explicit SweepValues(const document::SweepSettings& settings);

    // The number of runs: the record's number of graphs.
    int Count() const { return count_; }
    // The value of the current run (the start before any Advance).
    double Value() const { return value_; }
    void Advance();

private:
    int count_;
    bool logarithmic_;
    double value_;
    double delta_ = 0; // linear step
    double ratio_ = 1; // logarithmic factor
};

// Every run's value, in run order, as SweepValues yields them.
std::vector<double> SweepRunValues(const document::SweepSettings& settings);

// The label of the runs: the symbol of the parameter caption (the text between
// its first "(" and the next ")", else the whole caption), the element's name in
// brackets, and ", " + unit when there is a unit: "R(R3), Ом".
std::string SweepRunLabel(const std::string& caption, const std::string& elementName,
                          const std::string& unit);
// The same for the target the engine holds.
std::string SweepRunLabel(const engine::Engine& engine);

// Fields of the sweep dialog that validation can reject.
enum class SweepField {
    None,
    Start,
    End,
    Count,
    Method,
};

// The outcome of a validation: the field that gets the focus and the text of the
// warning box; field None and an empty message when everything is in order.
struct SweepCheck {
    SweepField field = SweepField::None;
    std::string message;

    bool Ok() const { return field == SweepField::None; }
};

// What the sweep dialog holds when OK is pressed.
struct SweepDialogInput {
    std::string elementName;
    int32_t paramIndex = 0;
    std::string startText;
    std::string endText;
    std::string countText; // read as a signed integer; anything else counts as 0
    int32_t method = document::SweepSettings::Linear;
    // The parameter's unit, which the user may type after a value ("1 кОм").
    std::string unit;
};

// The sweep dialog's OK, field by field, stopping at the first failure. Values
// are read as typed into a field: a decimal comma, a blank before the prefix and
// the parameter's unit are taken, anything else left over is refused. Once the
// numbers pass, the element name, parameter index and method are stored in
// `record` (even when the method is then rejected); start, end and count only when
// every test passes.
SweepCheck ValidateSweepDialog(const SweepDialogInput& input, document::SweepSettings& record);

// The analysis dialog's test of an enabled sweep: the stored name must be that of
// an element with parameters. Empty when it is, else "Пожалуйста, выберите параметр.  ".
std::string CheckSweepChoice(const document::SweepSettings& sweep,
                             const model::ElementList& elements);

// Chooses the engine's sweep target from the record. AnalysisError 201 when the
// element is not part of the analysed circuit.
void PrepareSweep(engine::Engine& engine, const document::SweepSettings& sweep);

// Writes one value into the analysed circuit and rebuilds what depends on it:
// engine::TransientRefresh or engine::FrequencyRefresh bound to the engine.
using SweepRefresh = std::function<void(double)>;

// One run's value: refreshes the engine with it, then appends it to the run values
// of every pane. Returns false when the computation has to end quietly: a rejected
// value (SchemeError 3200) after the warning "Неверный параметр: <caption>=<value>"
// (the time the box stays open is taken off `clock`), any other SchemeError
// without a message. Nothing is appended then.
bool ApplySweepValue(const SweepRefresh& refresh, double value, const std::string& caption,
                     graph::ResultsSink& sink, ProgressReporter& reporter, ComputationClock& clock);

} // namespace korvanix::analysis
