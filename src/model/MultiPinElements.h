#pragma once

#include "model/Element.h"
#include "model/ParamTable.h"

namespace korvanix::model {

// A three- or four-pin macro element with a fixed parameter list. The element-list
// line is the name, three nodes and every parameter; the record is the header and
// every parameter in the list's order (unless a kind says otherwise).
class MultiPinElement : public Element {
public:
    void PlaceTags(bool showNames, bool showValues) override;
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
    MultiPinElement(ElementKind kind, int32_t id, int width, int height, const ParamDef* defs,
                    std::size_t count);
    // The node written as the line's second node.
    virtual int SecondNode() const { return PinNode(2); }

    ParamTable params_;
    // The unrotated side the tags are stacked on.
    int tagSideX_ = 0;
    int tagSideY_ = -1;
};

// Controlled sources, gyrator and ideal transformer: pins 1, 2 on the left, 3, 4 on
// the right, at the corners; pins 2 and 4 are one common terminal drawn twice.
class FourPinElement : public MultiPinElement {
public:
    void InitPins() override;
    bool ParseLine(const std::string& text) override;

protected:
    FourPinElement(ElementKind kind, int32_t id, int width, int height, const ParamDef* defs,
                   std::size_t count);
    // Pin 2's node, or pin 4's when only pin 4 is wired.
    int SecondNode() const override;
};

// ИТУН, ИНУН, ИТУТ and ИНУТ (kinds 6000 to 6003), one gain each.
class ControlledSource : public FourPinElement {
public:
    // `kind` must be one of the four controlled-source kinds.
    ControlledSource(ElementKind kind, int32_t id);
    std::string ValueLabel(PrefixStyle style) const override;
};

class Gyrator : public FourPinElement {
public:
    explicit Gyrator(int32_t id);
    std::string ValueLabel(PrefixStyle style) const override;
};

class IdealTransformer : public FourPinElement {
public:
    explicit IdealTransformer(int32_t id);
    // The turns ratio as "n : 1".
    std::string ValueLabel(PrefixStyle style) const override;
};

// Vacuum triode: grid (pin 1), anode (pin 2), cathode (pin 3). No value label.
class Lamp : public MultiPinElement {
public:
    explicit Lamp(int32_t id);
    void InitPins() override;
};

// n-p-n transistor: emitter (pin 1), base (pin 2), collector (pin 3). No value label.
// Its record stores alpha, Rc, Re, Rb: Rc before Re, unlike the parameter order.
class BipolarTransistor : public MultiPinElement {
public:
    explicit BipolarTransistor(int32_t id);
    void InitPins() override;
    void Save(ArchiveWriter& ar) const override;
    void Load(ArchiveReader& ar) override;
};

// Inputs pins 1 and 2, output pin 3.
class OpAmp : public MultiPinElement {
public:
    explicit OpAmp(int32_t id);
    void InitPins() override;
    std::string ValueLabel(PrefixStyle style) const override;
};

} // namespace korvanix::model
