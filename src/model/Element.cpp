#include "model/Element.h"

#include "model/Errors.h"
#include "model/MultiPinElements.h"
#include "model/PassiveElements.h"
#include "model/SheetElements.h"
#include "model/Sources.h"
#include "model/Wire.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>

namespace korvanix::model {
namespace {

struct Offset {
    int64_t x;
    int64_t y;
};

int64_t Abs64(int64_t v) {
    return v < 0 ? -v : v;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A node number field: a decimal integer, blanks allowed around it, nothing else.
bool ParseNodeNumber(const std::string& field, int& node) {
    std::size_t b = 0;
    std::size_t e = field.size();
    while (b < e && IsBlank(field[b]))
        ++b;
    while (e > b && IsBlank(field[e - 1]))
        --e;
    bool negative = false;
    if (b < e && (field[b] == '-' || field[b] == '+')) {
        negative = field[b] == '-';
        ++b;
    }
    if (b == e)
        return false;
    int64_t v = 0;
    for (std::size_t i = b; i < e; ++i) {
        if (field[i] < '0' || field[i] > '9')
            return false;
        v = v * 10 + (field[i] - '0');
        if (v > int64_t{std::numeric_limits<int>::max()} + 1)
            return false;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return false;
    node = static_cast<int>(v);
    return true;
}

} // namespace

Element::Element(ElementKind k, int32_t i) : id(i), kind(k) {
    nameTag.kind = 1;
    valueTag.kind = 2;
}

Element::~Element() = default;

void Element::PlaceTags(bool /*showNames*/, bool /*showValues*/) {}

void Element::InitPins() {
    pins.clear();
}

Point Element::PinPosition(int i) const {
    if (i < 1 || i > PinCount())
        return {};
    const Pin& pin = pins[static_cast<std::size_t>(i - 1)];
    return MapPoint(pin.offsetX, pin.offsetY);
}

int Element::PinNode(int i) const {
    if (i < 1 || i > PinCount())
        return -1;
    const Wire* wire = pins[static_cast<std::size_t>(i - 1)].wire;
    return wire != nullptr && wire->numbered ? wire->node : -1;
}

void Element::Save(ArchiveWriter& ar) const {
    SaveHeader(ar);
}

void Element::Load(ArchiveReader& ar) {
    LoadHeader(ar);
}

std::string Element::NetlistLine() {
    lineBuffer.clear();
    return lineBuffer;
}

bool Element::ParseLine(const std::string& /*text*/) {
    return false;
}

std::string Element::ValueLabel(PrefixStyle /*style*/) const {
    return {};
}

int Element::ParamCount() const {
    return 0;
}

std::string Element::ParamCaption(int /*i*/) const {
    return {};
}

std::string Element::ParamUnit(int /*i*/) const {
    return {};
}

double Element::GetParamByCaption(const std::string& caption) const {
    const int count = ParamCount();
    for (int i = 0; i < count; ++i)
        if (ParamCaption(i) == caption)
            return GetParam(i);
    return GetParam(0);
}

double Element::GetParam(int /*i*/) const {
    return 0;
}

void Element::SetParamByCaption(const std::string& caption, double value) {
    const int count = ParamCount();
    for (int i = 0; i < count; ++i) {
        if (ParamCaption(i) == caption) {
            SetParam(i, value);
            return;
        }
    }
    SetParam(0, value);
}

void Element::SetParam(int /*i*/, double /*value*/) {}

std::string Element::Name() const {
    return KindPrefix(kind) + std::to_string(number);
}

namespace {

// Rotation by quarter turns (exact, so no rounding is needed), then the mirrors.
Offset MapOffset(const Element& e, int dx, int dy) {
    static constexpr int kCos[4] = {1, 0, -1, 0};
    static constexpr int kSin[4] = {0, 1, 0, -1};
    Offset o{dx, dy};
    if (e.canRotate) {
        const int r = ((e.rotation % 4) + 4) % 4;
        o = {int64_t{dx} * kCos[r] - int64_t{dy} * kSin[r],
             int64_t{dx} * kSin[r] + int64_t{dy} * kCos[r]};
    }
    if (e.mirrorX != 0 && e.canMirrorX)
        o.x = -o.x;
    if (e.mirrorY != 0 && e.canMirrorY)
        o.y = -o.y;
    return o;
}

} // namespace

Point Element::MapPoint(int dx, int dy) const {
    const Offset o = MapOffset(*this, dx, dy);
    return {SaturateToInt(o.x + x), SaturateToInt(o.y + y)};
}

Point Element::ConnectionPoint(int i) const {
    if (i < 1 || i > PinCount())
        return {};
    const Pin& pin = pins[static_cast<std::size_t>(i - 1)];
    if (kind == kind::Connector)
        return MapPoint(pin.offsetX - 4 * Sign(pin.offsetX), pin.offsetY - 4 * Sign(pin.offsetY));
    return MapPoint(pin.offsetX, pin.offsetY);
}

Point Element::PinDirection(int i) const {
    if (i < 1 || i > PinCount())
        return {};
    const Pin& pin = pins[static_cast<std::size_t>(i - 1)];
    const Offset o = MapOffset(*this, pin.dirX, pin.dirY);
    return {static_cast<int>(o.x), static_cast<int>(o.y)};
}

Size Element::RotatedSize() const {
    if (canRotate && ((rotation % 4) + 4) % 2 == 1)
        return {height, width};
    return {width, height};
}

bool Element::Contains(int px, int py) const {
    const Size s = RotatedSize();
    // Compared doubled, so that an odd size keeps its half unit.
    return 2 * Abs64(int64_t{px} - x) < s.width && 2 * Abs64(int64_t{py} - y) < s.height;
}

Rect Element::Bounds() const {
    const Point a = MapPoint(-(width / 2) - 2, -(height / 2) - 2);
    const Point b = MapPoint(width / 2 + 2, height / 2 + 2);
    int64_t left = std::min(a.x, b.x) - int64_t{5};
    int64_t top = std::min(a.y, b.y) - int64_t{5};
    int64_t right = std::max(a.x, b.x) + int64_t{5};
    int64_t bottom = std::max(a.y, b.y) + int64_t{5};
    for (int i = 1; i <= PinCount(); ++i) {
        const Point p = PinPosition(i);
        left = std::min(left, p.x - int64_t{6});
        top = std::min(top, p.y - int64_t{6});
        right = std::max(right, p.x + int64_t{6});
        bottom = std::max(bottom, p.y + int64_t{6});
    }
    return {SaturateToInt(left), SaturateToInt(top), SaturateToInt(right), SaturateToInt(bottom)};
}

int Element::PinAt(int px, int py) const {
    if (Contains(px, py))
        return 0;
    for (int i = 1; i <= PinCount(); ++i) {
        const Point p = PinPosition(i);
        const int64_t dx = int64_t{px} - p.x;
        const int64_t dy = int64_t{py} - p.y;
        // Far-off points are rejected before squaring, which could overflow.
        if (dx > -6 && dx < 6 && dy > -6 && dy < 6 && dx * dx + dy * dy < 36)
            return i;
    }
    return 0;
}

int Element::NearestFreePin(int px, int py) const {
    if (!Bounds().Contains({px, py}))
        return 0;
    int best = 0;
    int64_t bestDistance = 0;
    for (int i = 1; i <= PinCount(); ++i) {
        if (pins[static_cast<std::size_t>(i - 1)].wire != nullptr)
            continue;
        const Point p = PinPosition(i);
        const double dx = static_cast<double>(px) - p.x;
        const double dy = static_cast<double>(py) - p.y;
        const auto distance = static_cast<int64_t>(std::sqrt(dx * dx + dy * dy));
        if (best == 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void Element::RefreshTagTexts() {
    nameTag.text = Name();
    valueTag.text = ValueLabel(kCyrillic);
}

void Element::SaveHeader(ArchiveWriter& ar) const {
    ar.WriteInt32(id);
    ar.WriteInt32(kind);
    ar.WriteInt32(x);
    ar.WriteInt32(y);
    ar.WriteInt32(rotation);
    ar.WriteInt32(mirrorY);
    ar.WriteInt32(mirrorX);
    for (const Pin& pin : pins) {
        // A pin not yet resolved after loading still carries the stored reference.
        const int32_t wireId = pin.wire != nullptr ? pin.wire->id : pin.wireId;
        ar.WriteInt32(wireId);
        ar.WriteInt32(wireId != 0 ? pin.wireEnd : 0);
    }
}

void Element::LoadHeader(ArchiveReader& ar) {
    const int32_t storedId = ar.ReadInt32();
    if (ar.ReadInt32() != kind)
        throw FileError(FileError::Corrupt);
    const int32_t storedX = ar.ReadInt32();
    const int32_t storedY = ar.ReadInt32();
    const int32_t storedRotation = ar.ReadInt32();
    const int32_t storedMirrorY = ar.ReadInt32();
    const int32_t storedMirrorX = ar.ReadInt32();
    std::vector<std::pair<int32_t, int32_t>> refs;
    ar.Require(PinCount(), 8);
    for (int i = 0; i < PinCount(); ++i) {
        const int32_t wireId = ar.ReadInt32();
        const int32_t wireEnd = ar.ReadInt32();
        refs.emplace_back(wireId, wireEnd);
    }
    id = storedId;
    x = storedX;
    y = storedY;
    rotation = storedRotation;
    mirrorY = storedMirrorY;
    mirrorX = storedMirrorX;
    for (std::size_t i = 0; i < pins.size(); ++i) {
        pins[i].wire = nullptr;
        pins[i].wireId = refs[i].first;
        pins[i].wireEnd = refs[i].second;
    }
}

bool Element::ParseNodes(const std::string& text, int first, int count) {
    if (count < 0 || count > PinCount())
        return false;
    std::vector<int> nodes(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        std::string field;
        if (!GetField(text, first + k, field, 50) ||
            !ParseNodeNumber(field, nodes[static_cast<std::size_t>(k)]))
            return false;
    }
    for (int k = 0; k < count; ++k)
        pins[static_cast<std::size_t>(k)].node = nodes[static_cast<std::size_t>(k)];
    return true;
}

void Element::PlaceTagsBeside(int sideX, int sideY, bool showNames, bool showValues) {
    std::vector<NameTag*> stack;
    if (showNames && showNameTag)
        stack.push_back(&nameTag);
    if (showValues && showValueTag)
        stack.push_back(&valueTag);
    if (stack.empty())
        return;

    // The side after rotation and mirroring, and the body's extent towards it.
    const Offset side = MapOffset(*this, sideX, sideY);
    const Size body = RotatedSize();
    const int sx = Sign(static_cast<int>(side.x));
    const int sy = Sign(static_cast<int>(side.y));
    const Point anchor{SaturateToInt(int64_t{x} + sx * (body.width / 2 + 5)),
                       SaturateToInt(int64_t{y} + sy * (body.height / 2 + 5))};

    int64_t stackHeight = 4 * static_cast<int64_t>(stack.size() - 1);
    for (const NameTag* tag : stack)
        stackHeight += tag->size.height;

    // Above or below the body the stack grows away from it, centred across; beside
    // it the stack is centred on the anchor's height and starts at the anchor.
    int64_t top = anchor.y;
    int hAlign = 0;
    if (sy < 0) {
        top = int64_t{anchor.y} - stackHeight;
    } else if (sy == 0) {
        top = int64_t{anchor.y} - stackHeight / 2;
        hAlign = sx < 0 ? 2 : 1;
    }
    for (NameTag* tag : stack) {
        tag->anchor = {anchor.x, SaturateToInt(top)};
        tag->hAlign = hAlign;
        tag->vAlign = 3;
        top += int64_t{tag->size.height} + 4;
    }
}

std::unique_ptr<Element> ElementFactory(ElementKind k, int32_t id) {
    switch (k) {
    case kind::Ground:
        return std::make_unique<Ground>(id);
    case kind::Connector:
        return std::make_unique<Connector>(id);
    case kind::Text:
        return std::make_unique<TextLabel>(id);
    case kind::Resistor:
        return std::make_unique<Resistor>(id);
    case kind::Capacitor:
        return std::make_unique<Capacitor>(id);
    case kind::Inductance:
        return std::make_unique<Inductance>(id);
    case kind::Unistor:
        return std::make_unique<Unistor>(id);
    case kind::Vccs:
    case kind::Vcvs:
    case kind::Cccs:
    case kind::Ccvs:
        return std::make_unique<ControlledSource>(k, id);
    case kind::Gyrator:
        return std::make_unique<Gyrator>(id);
    case kind::Transformer:
        return std::make_unique<IdealTransformer>(id);
    case kind::Tube:
        return std::make_unique<Lamp>(id);
    case kind::Transistor:
        return std::make_unique<BipolarTransistor>(id);
    case kind::OpAmp:
        return std::make_unique<OpAmp>(id);
    case kind::VoltageSourceDcOld:
    case kind::VoltageSourceAcOld:
    case kind::VoltageSource:
    case kind::CurrentSourceDcOld:
    case kind::CurrentSourceAcOld:
    case kind::CurrentSource:
        return MakeSource(k, id);
    default:
        return nullptr;
    }
}

void RenumberNames(const ElementList& elements) {
    RenumberNames(Pointers(elements));
}

void RenumberNames(const std::vector<Element*>& elements) {
    std::map<int, int32_t> counts;
    for (const auto& e : elements) {
        if (!e)
            continue;
        e->number = ++counts[KindSortRank(e->kind)];
    }
}

} // namespace korvanix::model
