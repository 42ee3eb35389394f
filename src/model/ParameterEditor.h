#pragma once

#include "model/ElementKind.h"
#include "model/LogFont.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvanix::model {

// One row of the parameter table page: what the element hands over and, after
// OK, the value it takes back.
struct ParamRow {
    double value = 0;
    int check = 0; // ParamCheck: 0 none, 1 greater than 0, 2 not 0
    std::string caption;
    std::string unit;
};

// Everything the source page edits. All modes' values travel together so that a
// mode switch in the dialog keeps what was entered for the other modes.
struct SourcePageData {
    ElementKind kind = kind::VoltageSource; // voltage 2000-2100, current 3000-3100
    int mode = 1;                           // SourceMode: 1 DC, 2 AC, 3 PULSE
    double dcValue = 0;
    double acAmplitude = 1;
    double acFrequency = 50;
    double acPhase = 0; // degrees
    double pulseFrequency = 1000;
    double pulseDuration = 50; // percent of the period
    double pulseAmplitude = 1;
    double pulseOffset = 0;
    bool endTime = false;
    double endMoment = 1;

    bool Voltage() const { return IsVoltageSource(kind); }
};

// The parameter dialogs of the window layer, through which an element's
// EditParameters lets the user change its values. Every request answers false
// (cancelled) unless an implementation overrides it, so a test double needs only
// the requests it cares about. A request that answers true has written the
// confirmed values into its arguments; one that answers false may have left
// anything there, the element does not look.
class ParameterEditor {
public:
    virtual ~ParameterEditor() = default;

    // The table page titled with `kindName`, showing `identifier` (the element's name).
    virtual bool EditValues(const std::string& /*kindName*/, const std::string& /*identifier*/,
                            std::vector<ParamRow>& /*rows*/) {
        return false;
    }
    // The source page.
    virtual bool EditSource(const std::string& /*kindName*/, const std::string& /*identifier*/,
                            SourcePageData& /*data*/) {
        return false;
    }
    // The text label dialog; `colour` is a Windows colour value.
    virtual bool EditText(std::string& /*text*/, LogFont& /*font*/, uint32_t& /*colour*/) {
        return false;
    }
};

} // namespace korvanix::model
