#include "model/PassiveElements.h"

#include <iterator>

namespace korvanix::model {
namespace {

constexpr ParamDef kResistorParams[] = {
    {"Сопротивление (R)", "Ом", 1000, kNotZero},
};
constexpr ParamDef kCapacitorParams[] = {
    {"Емкость (C)", "Ф", 1e-5, kNotZero},
    {"Начальные условия (НУ)", "В", 0, kNoCheck},
};
constexpr ParamDef kInductanceParams[] = {
    {"Индуктивность (L)", "Гн", 0.01, kNotZero},
    {"Начальные условия (НУ)", "А", 0, kNoCheck},
};
constexpr ParamDef kUnistorParams[] = {
    {"Крутизна (S)", "См", 1e-4, kNoCheck},
};

std::string Spaced(double v, PrefixStyle style) {
    return FormatValue(v, 4, style, true);
}

// "<value>Ф", or "<value>Ф / НУ:<initial>В" when there is an initial condition.
std::string WithInitial(const ParamTable& params, PrefixStyle style) {
    std::string label = Spaced(params.Get(0), style) + params.Unit(0);
    if (params.Get(1) != 0)
        label += " / НУ:" + Spaced(params.Get(1), style) + params.Unit(1);
    return label;
}

} // namespace

PassiveElement::PassiveElement(ElementKind k, int32_t i, int w, int h, const ParamDef* defs,
                               std::size_t count)
    : TwoTerminalElement(k, i, w, h), params_(defs, count) {}

std::string PassiveElement::NetlistLine() {
    lineBuffer = Name() + " " + std::to_string(PinNode(1)) + " " + std::to_string(PinNode(2)) +
                 params_.LineFields();
    return lineBuffer;
}

bool PassiveElement::ParseLine(const std::string& text) {
    std::vector<double> values;
    if (!params_.ReadFields(text, 4, values) || !ParseNodes(text, 2, 2))
        return false;
    params_.StoreAll(values);
    return true;
}

void PassiveElement::Save(ArchiveWriter& ar) const {
    SaveHeader(ar);
    for (int i = 0; i < params_.Count(); ++i)
        ar.WriteDouble(params_.Get(i));
}

void PassiveElement::Load(ArchiveReader& ar) {
    LoadHeader(ar);
    for (int i = 0; i < params_.Count(); ++i)
        params_.Store(i, ar.ReadDouble());
}

Resistor::Resistor(int32_t i)
    : PassiveElement(kind::Resistor, i, 40, 16, kResistorParams, std::size(kResistorParams)) {}

std::string Resistor::ValueLabel(PrefixStyle style) const {
    return Spaced(params_.Get(0), style) + params_.Unit(0);
}

Capacitor::Capacitor(int32_t i)
    : PassiveElement(kind::Capacitor, i, 10, 30, kCapacitorParams, std::size(kCapacitorParams)) {}

std::string Capacitor::ValueLabel(PrefixStyle style) const {
    return WithInitial(params_, style);
}

Inductance::Inductance(int32_t i)
    : PassiveElement(kind::Inductance, i, 40, 16, kInductanceParams, std::size(kInductanceParams)) {
}

std::string Inductance::ValueLabel(PrefixStyle style) const {
    return WithInitial(params_, style);
}

Unistor::Unistor(int32_t i)
    : PassiveElement(kind::Unistor, i, 26, 52, kUnistorParams, std::size(kUnistorParams)) {
    canMirrorX = true;
    canMirrorY = true;
}

std::string Unistor::ValueLabel(PrefixStyle style) const {
    return Spaced(params_.Get(0), style) + params_.Unit(0);
}

} // namespace korvanix::model
