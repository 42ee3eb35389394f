#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::engine {

class Engine;

// What the analysis dialogs may offer after a successful formulation: node names
// ("Узел N", kind 1) and element names (kind 3), in that order.
struct OutputNameList {
    static constexpr int NodeName = 1;
    static constexpr int ElementName = 3;

    std::vector<std::string> names;
    std::vector<int> kinds; // parallel to names

    int Count() const { return static_cast<int>(names.size()); }
};

// Where a computed quantity sits: a result slot (code) and an index into it.
struct OutputLocator {
    int code = 0;
    int index = 0;
};

inline bool operator==(const OutputLocator& a, const OutputLocator& b) {
    return a.code == b.code && a.index == b.index;
}
inline bool operator!=(const OutputLocator& a, const OutputLocator& b) {
    return !(a == b);
}

// Result slots of the transient analysis.
namespace transient_slot {
constexpr int OrdinaryInductorCurrent = 0;     // x1, by S1 row
constexpr int SourceBranchInductorCurrent = 1; // x3, by S2 row
constexpr int CapacitorVoltage = 2;            // uC, by capacitor/source branch
constexpr int OrdinaryCurrentSource = 3;       // jO, by S1 row
constexpr int SourceBranchCurrentSource = 4;   // jC, by S2 row
constexpr int VoltageSource = 5;               // eC, by capacitor/source branch
constexpr int IndependentNode = 6;             // phi1
constexpr int ForestNode = 7;                  // phi2
constexpr int SourceBranchCurrent = 8;         // capacitor or voltage-source current
constexpr int OrdinaryVoltage = 9;             // uO
constexpr int SourceBranchVoltage = 10;        // uC + eC
constexpr int OrdinaryResistorCurrent = 11;
constexpr int SourceBranchResistorCurrent = 12;
constexpr int Placeholder = 13; // the element is not part of the analysed circuit
} // namespace transient_slot

// Result slots of the frequency analysis.
namespace frequency_slot {
constexpr int OrdinaryCurrentSource = 0;      // JO
constexpr int SourceBranchCurrentSource = 1;  // JC
constexpr int VoltageSource = 2;              // EC
constexpr int IndependentNode = 3;            // phi1
constexpr int ForestNode = 4;                 // phi2
constexpr int OrdinaryVoltage = 5;            // uO
constexpr int SourceBranchVoltage = 6;        // a copy of EC
constexpr int OrdinaryCurrent = 7;            // YO * uO
constexpr int SourceBranchElementCurrent = 8; // YC * EC
constexpr int VoltageSourceCurrent = 9;
constexpr int Placeholder = 10; // a one-element zero vector
} // namespace frequency_slot

// The input quantity of the frequency analysis.
constexpr int kInputVoltage = 1;
constexpr int kInputCurrent = 2;

struct FrequencyLocators {
    std::vector<OutputLocator> outputs; // voltages first, then currents
    OutputLocator input{frequency_slot::Placeholder, 0};
};

// The element a parameter sweep varies, held by the engine until the next
// selection. Elements are kept by id and looked up at every write, so a target
// outlives the working copy it was chosen in (each formulation rebuilds that copy
// with the same ids).
struct SweepTarget {
    bool selected = false;
    int32_t sheetElementId = 0; // the chosen element of the sheet
    int parameter = 0;
    // The target is the sheet element itself (a composite element), else its
    // working copy (same id).
    bool sheetElementIsTarget = false;
    // g[0], g[1], ...: the ids of the generated primitives standing for the chosen
    // element, in the order of the expansion's id lists.
    std::vector<int32_t> generated;
};

// After a successful transient or frequency formulation: refreshes the element
// ordinals and numbers the sheet's nodes, then lists "Узел 1" ... "Узел M" and
// the resistors, capacitors and inductances of the sheet, and its sources that the
// last formulation took into its source lists.
OutputNameList BuildOutputNames(Engine& engine);

// The locators of the chosen transient outputs, voltages first, then currents. A
// name may give several locators, or none; an element outside the analysed circuit
// gives the placeholder once.
std::vector<OutputLocator> BuildTransientLocators(Engine& engine,
                                                  const std::vector<std::string>& voltages,
                                                  const std::vector<std::string>& currents);

// The same for the frequency analysis, plus the locator of the input quantity
// (inputKind kInputVoltage or kInputCurrent; the last locator the input name gives;
// the placeholder when it gives none).
FrequencyLocators BuildFrequencyLocators(Engine& engine, const std::vector<std::string>& voltages,
                                         const std::vector<std::string>& currents,
                                         const std::string& inputName, int inputKind);

// Chooses the first sheet element named `name` and one of its parameters for the
// sweep. Raises AnalysisError 201 when that element is not part of the analysed
// circuit (and the target stays cleared).
void SelectSweepTarget(Engine& engine, const std::string& name, int parameter);
// Writes a swept value into the working copy (for a composite element into the
// primitives that stand for it); nothing without a target. SetParam's SchemeError
// 3200 passes through.
void SetSweptValue(Engine& engine, double value);
// The value, then the value-dependent steps of the transient formulation.
void TransientRefresh(Engine& engine, double value);
// The value, then the admittances and the frequency-independent products (the
// source phasors stay).
void FrequencyRefresh(Engine& engine, double value);
// Caption and unit of the swept parameter; empty without a target.
std::string SweptParameterCaption(const Engine& engine);
std::string SweptParameterUnit(const Engine& engine);

} // namespace korvanix::engine
