#pragma once

#include "model/ParamTable.h"
#include "model/TwoTerminalElement.h"

namespace korvanix::model {

// A two-terminal element with a fixed parameter list: the element-list line is the
// name, both nodes and every parameter; the record is the header and every
// parameter, in the list's order.
class PassiveElement : public TwoTerminalElement {
public:
    std::string NetlistLine() override;
    bool ParseLine(const std::string& text) override;
    void Save(ArchiveWriter& ar) const override;
    void Load(ArchiveReader& ar) override;
    int ParamCount() const override { return params_.Count(); }
    std::string ParamCaption(int i) const override { return params_.Caption(i); }
    std::string ParamUnit(int i) const override { return params_.Unit(i); }
    double GetParam(int i) const override { return params_.Get(i); }
    void SetParam(int i, double value) override { params_.Set(i, value); }
    // The check the parameter dialog applies to parameter i (ParamCheck codes).
    int ParamCheckCode(int i) const { return params_.Check(i); }
    // The table page with every parameter and its check.
    int EditParameters(ParameterEditor& editor) override;

protected:
    PassiveElement(ElementKind kind, int32_t id, int width, int height, const ParamDef* defs,
                   std::size_t count);

    ParamTable params_;
};

class Resistor : public PassiveElement {
public:
    explicit Resistor(int32_t id);
    std::string ValueLabel(PrefixStyle style) const override;
};

class Capacitor : public PassiveElement {
public:
    explicit Capacitor(int32_t id);
    // The initial voltage is shown only when it is not 0.
    std::string ValueLabel(PrefixStyle style) const override;
};

class Inductance : public PassiveElement {
public:
    explicit Inductance(int32_t id);
    // The initial current is shown only when it is not 0.
    std::string ValueLabel(PrefixStyle style) const override;
};

class Unistor : public PassiveElement {
public:
    explicit Unistor(int32_t id);
    std::string ValueLabel(PrefixStyle style) const override;

    // Orientation in its analysis branch: +1 when pin 1 is on the branch's start
    // node, else -1. Set by the analysis when it builds its graph; never stored.
    int Direction() const { return direction_; }
    void SetDirection(int sign) { direction_ = sign < 0 ? -1 : 1; }

private:
    int direction_ = 1;
};

} // namespace korvanix::model
