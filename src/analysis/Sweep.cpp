#include "analysis/Sweep.h"

#include "analysis/DocumentAnalysis.h"

#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/Outputs.h"
#include "graph/ResultsSink.h"
#include "model/Errors.h"
#include "model/Scheme.h"
#include "model/UserValue.h"
#include "model/Value.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace korvanix::analysis {

namespace {

const char* const kEnterNumber = "Введите число, пожалуйста.";
const char* const kEndNotAboveStart = "Конечное значение должно быть больше начального.  ";
const char* const kCountTooSmall = "Число графиков должно быть больше 1.  ";
const char* const kCountTooLarge = "Число графиков не может быть больше 1000.  ";
const char* const kLogNeedsPositiveStart =
    "Способ изменения должен быть линейным,\nесли начальное значение отрицательно.";
const char* const kChooseParameter = "Пожалуйста, выберите параметр.  ";

// A count typed into the dialog, read the way an edit control reads a signed
// number: optional blanks and sign, then digits; anything unreadable is 0. A
// number beyond the 32-bit range keeps its sign at the range's end, so that a
// count far too large is refused as too large.
int32_t ReadSignedCount(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    if (!std::isdigit(static_cast<unsigned char>(*p))) {
        return 0;
    }
    long long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = std::min(value * 10 + (*p - '0'), static_cast<long long>(INT32_MAX) + 1);
        ++p;
    }
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    if (*p != '\0') {
        return 0;
    }
    value = negative ? -value : value;
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

} // namespace

SweepValues::SweepValues(const document::SweepSettings& settings)
    : count_(settings.graphCount),
      logarithmic_(settings.method == document::SweepSettings::Logarithmic),
      value_(settings.startValue) {
    // One run needs no step; the dialog never lets fewer than two through.
    if (count_ > 1) {
        const double intervals = static_cast<double>(count_ - 1);
        if (logarithmic_) {
            ratio_ = std::pow(settings.endValue / settings.startValue, 1.0 / intervals);
        } else {
            delta_ = (settings.endValue - settings.startValue) / intervals;
        }
    }
}

void SweepValues::Advance() {
    if (logarithmic_) {
        value_ *= ratio_;
    } else {
        value_ += delta_;
    }
}

std::vector<double> SweepRunValues(const document::SweepSettings& settings) {
    SweepValues values(settings);
    std::vector<double> out;
    for (int r = 0; r < values.Count(); ++r) {
        out.push_back(values.Value());
        values.Advance();
    }
    return out;
}

std::string SweepRunLabel(const std::string& caption, const std::string& elementName,
                          const std::string& unit) {
    std::string symbol = caption;
    const std::size_t open = caption.find('(');
    if (open != std::string::npos) {
        const std::size_t close = caption.find(')', open + 1);
        symbol = caption.substr(open + 1,
                                close == std::string::npos ? std::string::npos : close - open - 1);
    }
    std::string label = symbol + "(" + elementName + ")";
    if (!unit.empty()) {
        label += ", " + unit;
    }
    return label;
}

std::string SweepRunLabel(const engine::Engine& engine) {
    const engine::SweepTarget& target = engine.Sweep();
    const model::Element* element =
        target.selected ? engine.GetScheme().FindElement(target.sheetElementId) : nullptr;
    return SweepRunLabel(engine::SweptParameterCaption(engine), element ? element->Name() : "",
                         engine::SweptParameterUnit(engine));
}

SweepCheck ValidateSweepDialog(const SweepDialogInput& input, document::SweepSettings& record) {
    double start = 0;
    double end = 0;
    if (!model::ParseUserValue(input.startText, input.unit, start)) {
        return {SweepField::Start, kEnterNumber};
    }
    if (!model::ParseUserValue(input.endText, input.unit, end)) {
        return {SweepField::End, kEnterNumber};
    }
    if (start >= end) {
        return {SweepField::End, kEndNotAboveStart};
    }
    const int32_t count = ReadSignedCount(input.countText);
    if (count <= 1) {
        return {SweepField::Count, kCountTooSmall};
    }
    // The analyses compute no more runs than this: a larger count would be
    // cut down without a word.
    if (count > kMaxSweepRuns) {
        return {SweepField::Count, kCountTooLarge};
    }
    record.SetElementName(input.elementName);
    record.paramIndex = input.paramIndex;
    record.method = input.method;
    if (input.method == document::SweepSettings::Logarithmic && start <= 0) {
        return {SweepField::Method, kLogNeedsPositiveStart};
    }
    record.startValue = start;
    record.endValue = end;
    record.graphCount = count;
    return {};
}

std::string CheckSweepChoice(const document::SweepSettings& sweep,
                             const model::ElementList& elements) {
    const std::string name = sweep.ElementName();
    if (!name.empty()) {
        for (const auto& e : elements) {
            if (e->ParamCount() > 0 && e->Name() == name) {
                return {};
            }
        }
    }
    return kChooseParameter;
}

void PrepareSweep(engine::Engine& engine, const document::SweepSettings& sweep) {
    engine::SelectSweepTarget(engine, sweep.ElementName(), sweep.paramIndex);
}

bool ApplySweepValue(const SweepRefresh& refresh, double value, const std::string& caption,
                     graph::ResultsSink& sink, ProgressReporter& reporter,
                     ComputationClock& clock) {
    try {
        refresh(value);
    } catch (const model::SchemeError& error) {
        if (error.Code() == engine::scheme_error::BadParameter) {
            const auto shown = std::chrono::steady_clock::now();
            reporter.Warning("Неверный параметр: " + caption + "=" +
                             model::FormatValue(value, 12, model::kLatin, false));
            clock.Exclude(std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - shown));
        }
        return false;
    }
    sink.AppendRunValue(graph::kAllPanes, value);
    return true;
}

} // namespace korvanix::analysis
