#include "model/MultiPinElements.h"

#include <iterator>

namespace korvanix::model {
namespace {

constexpr ParamDef kVccsParams[] = {{"Проводимость (g)", "См", 1, kNoCheck}};
constexpr ParamDef kVcvsParams[] = {{"Коэффициент управления (k)", "В/В", 1, kNoCheck}};
constexpr ParamDef kCccsParams[] = {{"Коэффициент управления (h)", "А/А", 1, kNoCheck}};
constexpr ParamDef kCcvsParams[] = {{"Сопротивление (r)", "Ом", 1, kNoCheck}};
constexpr ParamDef kGyratorParams[] = {{"Крутизна (Sg)", "См", 1, kNoCheck}};
constexpr ParamDef kTransformerParams[] = {
    {"Коэффициент трансформации (n)", "", 10, kGreaterThanZero}};
constexpr ParamDef kLampParams[] = {
    {"Крутизна (S)", "См", 0.001, kNoCheck},
    {"Внутреннее сопротивление (Ri)", "Ом", 100000, kNotZero},
};
constexpr ParamDef kTransistorParams[] = {
    {"Коэффициент передачи тока (alpha)", "", 0.99, kNoCheck},
    {"Сопротивление эмиттера (Re)", "Ом", 1, kNotZero},
    {"Сопротивление коллектора (Rc)", "Ом", 100000, kNotZero},
    {"Сопротивление базы (Rb)", "Ом", 10, kNotZero},
};
constexpr ParamDef kOpAmpParams[] = {{"Коэффициент усиления (k)", "В/В", 1e9, kNoCheck}};

// Indices of the transistor's parameters.
constexpr int kAlpha = 0;
constexpr int kRe = 1;
constexpr int kRc = 2;
constexpr int kRb = 3;

const ParamDef* ControlledDefs(ElementKind k) {
    switch (k) {
    case kind::Vcvs:
        return kVcvsParams;
    case kind::Cccs:
        return kCccsParams;
    case kind::Ccvs:
        return kCcvsParams;
    default:
        return kVccsParams;
    }
}

std::string SpacedWithUnit(const ParamTable& params, PrefixStyle style) {
    return FormatValue(params.Get(0), 4, style, true) + params.Unit(0);
}

} // namespace

MultiPinElement::MultiPinElement(ElementKind k, int32_t i, int w, int h, const ParamDef* defs,
                                 std::size_t count)
    : Element(k, i), params_(defs, count) {
    width = w;
    height = h;
    canRotate = true;
    canMirrorX = true;
    canMirrorY = true;
    editable = true;
    showNameTag = true;
    showValueTag = true;
}

void MultiPinElement::PlaceTags(bool showNames, bool showValues) {
    PlaceTagsBeside(tagSideX_, tagSideY_, showNames, showValues);
}

std::string MultiPinElement::NetlistLine() {
    lineBuffer = Name() + " " + std::to_string(PinNode(1)) + " " + std::to_string(SecondNode()) +
                 " " + std::to_string(PinNode(3)) + params_.LineFields();
    return lineBuffer;
}

bool MultiPinElement::ParseLine(const std::string& text) {
    std::vector<double> values;
    if (!params_.ReadFields(text, 5, values) || !ParseNodes(text, 2, 3))
        return false;
    params_.StoreAll(values);
    return true;
}

void MultiPinElement::Save(ArchiveWriter& ar) const {
    SaveHeader(ar);
    for (int i = 0; i < params_.Count(); ++i)
        ar.WriteDouble(params_.Get(i));
}

void MultiPinElement::Load(ArchiveReader& ar) {
    LoadHeader(ar);
    for (int i = 0; i < params_.Count(); ++i)
        params_.Store(i, ar.ReadDouble());
}

FourPinElement::FourPinElement(ElementKind k, int32_t i, int w, int h, const ParamDef* defs,
                               std::size_t count)
    : MultiPinElement(k, i, w, h, defs, count) {
    FourPinElement::InitPins();
}

void FourPinElement::InitPins() {
    const int dx = width / 2 + 8;
    const int dy = height / 2 + 8;
    pins = {MakePin(-dx, -dy, -100, 0), MakePin(-dx, dy, -100, 0), MakePin(dx, -dy, 100, 0),
            MakePin(dx, dy, 100, 0)};
}

bool FourPinElement::ParseLine(const std::string& text) {
    if (!MultiPinElement::ParseLine(text))
        return false;
    pins[3].node = pins[1].node;
    return true;
}

int FourPinElement::SecondNode() const {
    return pins[1].wire != nullptr ? PinNode(2) : PinNode(4);
}

ControlledSource::ControlledSource(ElementKind k, int32_t i)
    : FourPinElement(k, i, 64, 80, ControlledDefs(k), 1) {}

std::string ControlledSource::ValueLabel(PrefixStyle style) const {
    return SpacedWithUnit(params_, style);
}

Gyrator::Gyrator(int32_t i)
    : FourPinElement(kind::Gyrator, i, 64, 80, kGyratorParams, std::size(kGyratorParams)) {}

std::string Gyrator::ValueLabel(PrefixStyle style) const {
    return SpacedWithUnit(params_, style);
}

IdealTransformer::IdealTransformer(int32_t i)
    : FourPinElement(kind::Transformer, i, 40, 80, kTransformerParams,
                     std::size(kTransformerParams)) {}

std::string IdealTransformer::ValueLabel(PrefixStyle style) const {
    return FormatValue(params_.Get(0), 4, style, false) + " : 1";
}

Lamp::Lamp(int32_t i)
    : MultiPinElement(kind::Tube, i, 40, 40, kLampParams, std::size(kLampParams)) {
    showValueTag = false;
    // Pins leave left, up and down: the right side is free for the tags.
    tagSideX_ = 1;
    tagSideY_ = 0;
    Lamp::InitPins();
}

void Lamp::InitPins() {
    pins = {MakePin(-28, 0, -100, 0), MakePin(0, -28, 0, -100), MakePin(-8, 28, 0, 100)};
}

BipolarTransistor::BipolarTransistor(int32_t i)
    : MultiPinElement(kind::Transistor, i, 40, 28, kTransistorParams,
                      std::size(kTransistorParams)) {
    showValueTag = false;
    BipolarTransistor::InitPins();
}

void BipolarTransistor::InitPins() {
    pins = {MakePin(-28, -8, -100, 0), MakePin(0, 18, 0, 100), MakePin(28, -8, 100, 0)};
}

void BipolarTransistor::Save(ArchiveWriter& ar) const {
    SaveHeader(ar);
    for (int i : {kAlpha, kRc, kRe, kRb})
        ar.WriteDouble(params_.Get(i));
}

void BipolarTransistor::Load(ArchiveReader& ar) {
    LoadHeader(ar);
    for (int i : {kAlpha, kRc, kRe, kRb})
        params_.Store(i, ar.ReadDouble());
}

OpAmp::OpAmp(int32_t i)
    : MultiPinElement(kind::OpAmp, i, 36, 48, kOpAmpParams, std::size(kOpAmpParams)) {
    OpAmp::InitPins();
}

void OpAmp::InitPins() {
    pins = {MakePin(-26, -8, -100, 0), MakePin(-26, 8, -100, 0), MakePin(26, 0, 100, 0)};
}

std::string OpAmp::ValueLabel(PrefixStyle style) const {
    return FormatValue(params_.Get(0), 4, style, false);
}

} // namespace korvanix::model
