#pragma once

#include "model/LogFont.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace korvanix::document {

// The settings a document carries beside its circuit. Each record's bytes in
// memory are exactly the bytes stored in the document file: the fields are laid
// out so that natural alignment leaves no gaps (checked below with sizeof and
// offsetof), which keeps every member addressable for the dialogs while the raw
// image stays the stored one. Texts are zero-terminated code page 1251 in fixed
// fields; use the accessors to get or set them as UTF-8.

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "Settings records are stored as raw little-endian images"
#endif

constexpr std::size_t kOutputNameSize = 10; // at most 9 characters
constexpr int kMaxOutputs = 5;
constexpr int kMaxIntervalParts = 9;

// One time interval of the transient analysis.
struct IntervalPart {
    static constexpr int32_t ByPoints = 1;
    static constexpr int32_t ByStep = 2;
    static constexpr int32_t GraphLine = 1;
    static constexpr int32_t GraphPoints = 2;

    double startTime = 0.0;
    double endTime = 0.001;
    double step = 1e-05;
    int32_t pointCount = 100;
    int32_t mode = ByPoints;
    double eps = 1e-05;
    int32_t graphType = GraphLine;
    int32_t reserved = 0;
};

// A parameter sweep: one element parameter stepped over a range.
struct SweepSettings {
    static constexpr std::size_t kNameSize = 12; // at most 11 characters
    static constexpr int32_t Linear = 1;
    static constexpr int32_t Logarithmic = 2;

    char elementName[kNameSize] = {};
    int32_t paramIndex = 0;
    double startValue = 0.0;
    double endValue = 0.0;
    int32_t graphCount = 10;
    int32_t method = Linear;

    std::string ElementName() const;
    void SetElementName(const std::string& utf8);
};

struct TransientSettings {
    // A document of version 1.0 stores only this many leading bytes: everything
    // before the sweep record.
    static constexpr std::size_t kVersion10Size = 560;

    IntervalPart parts[kMaxIntervalParts] = {};
    int32_t partCount = 1;
    char voltageOutputs[kMaxOutputs][kOutputNameSize] = {};
    char currentOutputs[kMaxOutputs][kOutputNameSize] = {};
    int32_t voltageOutputCount = 0;
    int32_t currentOutputCount = 0;
    int32_t energyGraph = 0;
    uint8_t reserved[8] = {};
    int32_t sweepEnabled = 0;
    SweepSettings sweep;

    TransientSettings();

    std::string VoltageOutput(int i) const;
    std::string CurrentOutput(int i) const;
    void SetVoltageOutput(int i, const std::string& utf8);
    void SetCurrentOutput(int i, const std::string& utf8);
};

struct FrequencySettings {
    static constexpr std::size_t kInputNameSize = 12; // at most 11 characters
    static constexpr int32_t InputVoltage = 1;
    static constexpr int32_t InputCurrent = 2;

    double startFrequency = 1.0;
    double endFrequency = 1000000.0;
    int32_t pointCount = 100;
    int32_t frequencyScale = 1; // 1 linear, 2 logarithmic, 4 decibels
    int32_t yScale = 1;
    int32_t frequencyScalesAllowed = 3; // bit mask of the scale codes
    int32_t yScalesAllowed = 7;
    char voltageOutputs[kMaxOutputs][kOutputNameSize] = {};
    char currentOutputs[kMaxOutputs][kOutputNameSize] = {};
    int32_t voltageOutputCount = 0;
    int32_t currentOutputCount = 0;
    char inputElement[kInputNameSize] = {};
    int32_t inputQuantity = InputVoltage;
    int32_t phase = 0;
    int32_t hodograph = 0;
    uint8_t reserved[8] = {};
    int32_t sweepEnabled = 0;
    int32_t reserved2 = 0;
    SweepSettings sweep;

    std::string VoltageOutput(int i) const;
    std::string CurrentOutput(int i) const;
    void SetVoltageOutput(int i, const std::string& utf8);
    void SetCurrentOutput(int i, const std::string& utf8);
    std::string InputElement() const;
    void SetInputElement(const std::string& utf8);
};

struct AnalysisOptions {
    int32_t maxIter = 100;      // highest series order of one transient step
    int32_t checkDepth = 3;     // consecutive small terms that end a step
    int32_t autoCheckDepth = 1; // the analysis learns checkDepth by itself
    int32_t plotWhileRunning = 1;
};

// A Windows colour value: red in the low byte, then green, then blue.
constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16);
}

// Display flags, fonts and colours of the sheet.
struct SchemeOptions {
    int32_t showNames = 1;
    int32_t showValues = 1;
    int32_t showNodes = 0;
    model::LogFont nameFont = DefaultNameFont();
    model::LogFont valueFont = DefaultValueFont();
    model::LogFont nodeFont = DefaultNodeFont();
    uint32_t nameColor = Rgb(0, 0, 255);
    uint32_t valueColor = Rgb(0, 0, 255);
    uint32_t nodeColor = Rgb(0, 128, 0);

    static model::LogFont DefaultNameFont();
    static model::LogFont DefaultValueFont();
    static model::LogFont DefaultNodeFont();

    // The font page's reset: fonts and colours only, the display flags stay.
    void ResetFontsAndColors();
};

// Compile-time proof that the records are their stored images.
#define KORVANIX_RECORD_FIELD(type, field, offset)                                                 \
    static_assert(offsetof(type, field) == (offset), #type "::" #field " is misplaced")

static_assert(std::is_trivially_copyable_v<IntervalPart> &&
              std::is_standard_layout_v<IntervalPart> && sizeof(IntervalPart) == 48);
KORVANIX_RECORD_FIELD(IntervalPart, startTime, 0);
KORVANIX_RECORD_FIELD(IntervalPart, endTime, 8);
KORVANIX_RECORD_FIELD(IntervalPart, step, 16);
KORVANIX_RECORD_FIELD(IntervalPart, pointCount, 24);
KORVANIX_RECORD_FIELD(IntervalPart, mode, 28);
KORVANIX_RECORD_FIELD(IntervalPart, eps, 32);
KORVANIX_RECORD_FIELD(IntervalPart, graphType, 40);
KORVANIX_RECORD_FIELD(IntervalPart, reserved, 44);

static_assert(std::is_trivially_copyable_v<SweepSettings> &&
              std::is_standard_layout_v<SweepSettings> && sizeof(SweepSettings) == 40);
KORVANIX_RECORD_FIELD(SweepSettings, elementName, 0);
KORVANIX_RECORD_FIELD(SweepSettings, paramIndex, 12);
KORVANIX_RECORD_FIELD(SweepSettings, startValue, 16);
KORVANIX_RECORD_FIELD(SweepSettings, endValue, 24);
KORVANIX_RECORD_FIELD(SweepSettings, graphCount, 32);
KORVANIX_RECORD_FIELD(SweepSettings, method, 36);

static_assert(std::is_trivially_copyable_v<TransientSettings> &&
              std::is_standard_layout_v<TransientSettings> && sizeof(TransientSettings) == 600);
KORVANIX_RECORD_FIELD(TransientSettings, parts, 0);
KORVANIX_RECORD_FIELD(TransientSettings, partCount, 432);
KORVANIX_RECORD_FIELD(TransientSettings, voltageOutputs, 436);
KORVANIX_RECORD_FIELD(TransientSettings, currentOutputs, 486);
KORVANIX_RECORD_FIELD(TransientSettings, voltageOutputCount, 536);
KORVANIX_RECORD_FIELD(TransientSettings, currentOutputCount, 540);
KORVANIX_RECORD_FIELD(TransientSettings, energyGraph, 544);
KORVANIX_RECORD_FIELD(TransientSettings, reserved, 548);
KORVANIX_RECORD_FIELD(TransientSettings, sweepEnabled, 556);
KORVANIX_RECORD_FIELD(TransientSettings, sweep, 560);
static_assert(offsetof(TransientSettings, sweep) == TransientSettings::kVersion10Size);

static_assert(std::is_trivially_copyable_v<FrequencySettings> &&
              std::is_standard_layout_v<FrequencySettings> && sizeof(FrequencySettings) == 224);
KORVANIX_RECORD_FIELD(FrequencySettings, startFrequency, 0);
KORVANIX_RECORD_FIELD(FrequencySettings, endFrequency, 8);
KORVANIX_RECORD_FIELD(FrequencySettings, pointCount, 16);
KORVANIX_RECORD_FIELD(FrequencySettings, frequencyScale, 20);
KORVANIX_RECORD_FIELD(FrequencySettings, yScale, 24);
KORVANIX_RECORD_FIELD(FrequencySettings, frequencyScalesAllowed, 28);
KORVANIX_RECORD_FIELD(FrequencySettings, yScalesAllowed, 32);
KORVANIX_RECORD_FIELD(FrequencySettings, voltageOutputs, 36);
KORVANIX_RECORD_FIELD(FrequencySettings, currentOutputs, 86);
KORVANIX_RECORD_FIELD(FrequencySettings, voltageOutputCount, 136);
KORVANIX_RECORD_FIELD(FrequencySettings, currentOutputCount, 140);
KORVANIX_RECORD_FIELD(FrequencySettings, inputElement, 144);
KORVANIX_RECORD_FIELD(FrequencySettings, inputQuantity, 156);
KORVANIX_RECORD_FIELD(FrequencySettings, phase, 160);
KORVANIX_RECORD_FIELD(FrequencySettings, hodograph, 164);
KORVANIX_RECORD_FIELD(FrequencySettings, reserved, 168);
KORVANIX_RECORD_FIELD(FrequencySettings, sweepEnabled, 176);
KORVANIX_RECORD_FIELD(FrequencySettings, reserved2, 180);
KORVANIX_RECORD_FIELD(FrequencySettings, sweep, 184);

static_assert(std::is_trivially_copyable_v<AnalysisOptions> &&
              std::is_standard_layout_v<AnalysisOptions> && sizeof(AnalysisOptions) == 16);
KORVANIX_RECORD_FIELD(AnalysisOptions, maxIter, 0);
KORVANIX_RECORD_FIELD(AnalysisOptions, checkDepth, 4);
KORVANIX_RECORD_FIELD(AnalysisOptions, autoCheckDepth, 8);
KORVANIX_RECORD_FIELD(AnalysisOptions, plotWhileRunning, 12);

static_assert(std::is_trivially_copyable_v<SchemeOptions> &&
              std::is_standard_layout_v<SchemeOptions> && sizeof(SchemeOptions) == 204);
KORVANIX_RECORD_FIELD(SchemeOptions, showNames, 0);
KORVANIX_RECORD_FIELD(SchemeOptions, showValues, 4);
KORVANIX_RECORD_FIELD(SchemeOptions, showNodes, 8);
KORVANIX_RECORD_FIELD(SchemeOptions, nameFont, 12);
KORVANIX_RECORD_FIELD(SchemeOptions, valueFont, 72);
KORVANIX_RECORD_FIELD(SchemeOptions, nodeFont, 132);
KORVANIX_RECORD_FIELD(SchemeOptions, nameColor, 192);
KORVANIX_RECORD_FIELD(SchemeOptions, valueColor, 196);
KORVANIX_RECORD_FIELD(SchemeOptions, nodeColor, 200);

#undef KORVANIX_RECORD_FIELD

// Raw image access. Dialogs compare images to decide whether a record changed.
template <class Record> const uint8_t* RecordBytes(const Record& r) {
    static_assert(std::is_trivially_copyable_v<Record>);
    return reinterpret_cast<const uint8_t*>(&r);
}

template <class Record> bool SameBytes(const Record& a, const Record& b) {
    static_assert(std::is_trivially_copyable_v<Record>);
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

// Overwrites the first `size` bytes of a record's image (a shorter stored record
// leaves the rest as it was); `size` must not exceed the record.
template <class Record> void LoadRecordBytes(Record& r, const void* data, std::size_t size) {
    static_assert(std::is_trivially_copyable_v<Record>);
    std::memcpy(&r, data, size < sizeof(Record) ? size : sizeof(Record));
}

// The five records of an open document (the two sweeps live inside the analyses).
struct DocumentSettings {
    TransientSettings transient;
    FrequencySettings frequency;
    AnalysisOptions options;
    SchemeOptions scheme;

    void Reset() { *this = DocumentSettings{}; }
};

} // namespace korvanix::document
