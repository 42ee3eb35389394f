#include "document/SettingsRecords.h"

#include "model/Text1251.h"

namespace korvanix::document {

namespace {

// Output name slots outside 0..4 are ignored rather than written past the table.
bool ValidSlot(int i) {
    return i >= 0 && i < kMaxOutputs;
}

std::string ReadSlot(const char (&table)[kMaxOutputs][kOutputNameSize], int i) {
    return ValidSlot(i) ? model::ReadFixedCp1251(table[i], kOutputNameSize) : std::string();
}

void WriteSlot(char (&table)[kMaxOutputs][kOutputNameSize], int i, const std::string& utf8) {
    if (ValidSlot(i))
        model::WriteFixedCp1251(utf8, table[i], kOutputNameSize);
}

model::LogFont MakeFont(int32_t height, uint8_t charSet, const char* face) {
    model::LogFont f;
    f.height = height;
    f.weight = 400;
    f.charSet = charSet;
    model::WriteFixedCp1251(face, f.faceName, sizeof f.faceName);
    return f;
}

// A new document holds only the first interval; the other eight slots are blank.
IntervalPart BlankPart() {
    IntervalPart p;
    p.endTime = 0.0;
    p.step = 0.0;
    p.pointCount = 0;
    p.mode = 0;
    p.eps = 0.0;
    p.graphType = 0;
    return p;
}

} // namespace

std::string SweepSettings::ElementName() const {
    return model::ReadFixedCp1251(elementName, kNameSize);
}

void SweepSettings::SetElementName(const std::string& utf8) {
    model::WriteFixedCp1251(utf8, elementName, kNameSize);
}

TransientSettings::TransientSettings() {
    for (int i = 1; i < kMaxIntervalParts; ++i)
        parts[i] = BlankPart();
}

std::string TransientSettings::VoltageOutput(int i) const {
    return ReadSlot(voltageOutputs, i);
}
std::string TransientSettings::CurrentOutput(int i) const {
    return ReadSlot(currentOutputs, i);
}
void TransientSettings::SetVoltageOutput(int i, const std::string& utf8) {
    WriteSlot(voltageOutputs, i, utf8);
}
void TransientSettings::SetCurrentOutput(int i, const std::string& utf8) {
    WriteSlot(currentOutputs, i, utf8);
}

std::string FrequencySettings::VoltageOutput(int i) const {
    return ReadSlot(voltageOutputs, i);
}
std::string FrequencySettings::CurrentOutput(int i) const {
    return ReadSlot(currentOutputs, i);
}
void FrequencySettings::SetVoltageOutput(int i, const std::string& utf8) {
    WriteSlot(voltageOutputs, i, utf8);
}
void FrequencySettings::SetCurrentOutput(int i, const std::string& utf8) {
    WriteSlot(currentOutputs, i, utf8);
}

std::string FrequencySettings::InputElement() const {
    return model::ReadFixedCp1251(inputElement, kInputNameSize);
}

void FrequencySettings::SetInputElement(const std::string& utf8) {
    model::WriteFixedCp1251(utf8, inputElement, kInputNameSize);
}

model::LogFont SchemeOptions::DefaultNameFont() {
    return MakeFont(100, 1, "Times New Roman");
}
model::LogFont SchemeOptions::DefaultValueFont() {
    return MakeFont(100, model::kRussianCharset, "Arial");
}
model::LogFont SchemeOptions::DefaultNodeFont() {
    return MakeFont(120, 1, "Arial");
}

void SchemeOptions::ResetFontsAndColors() {
    const SchemeOptions defaults;
    nameFont = defaults.nameFont;
    valueFont = defaults.valueFont;
    nodeFont = defaults.nodeFont;
    nameColor = defaults.nameColor;
    valueColor = defaults.valueColor;
    nodeColor = defaults.nodeColor;
}

} // namespace korvanix::document
