#include "model/Scheme.h"

#include "model/Archive.h"
#include "model/CircuitArchive.h"
#include "model/SheetElements.h"
#include "model/Text1251.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <unordered_set>
#include <utility>

namespace korvanix::model {

namespace {

// Ids above this are taken as damage: a sheet never gets near it by editing, and
// it leaves the counters room to grow without overflow.
constexpr int32_t kIdLimit = 1 << 30;

int Sign(int64_t v) {
    return (v > 0) - (v < 0);
}

int64_t Abs(int64_t v) {
    return v < 0 ? -v : v;
}

bool PinIsFree(const Element* e, int pin) {
    return e && pin >= 1 && pin <= e->PinCount() &&
           e->pins[static_cast<std::size_t>(pin - 1)].wire == nullptr;
}

// The distinct wires on an element's pins, in pin order.
std::vector<Wire*> WiresOf(const Element* e) {
    std::vector<Wire*> result;
    for (const Pin& pin : e->pins)
        if (pin.wire && std::find(result.begin(), result.end(), pin.wire) == result.end())
            result.push_back(pin.wire);
    return result;
}

// The pin of `e` whose leaving direction points the way of `dir` (one axis only).
int PinFacing(const Element* e, Point dir) {
    for (int i = 1; i <= e->PinCount(); ++i) {
        const Point d = e->PinDirection(i);
        if (Sign(d.x) == Sign(dir.x) && Sign(d.y) == Sign(dir.y))
            return i;
    }
    return 0;
}

Point Towards(Point from, Point to) {
    return {Sign(int64_t{to.x} - from.x), Sign(int64_t{to.y} - from.y)};
}

// Strictly between two values, in either order.
bool Between(int64_t v, int64_t a, int64_t b) {
    return std::min(a, b) < v && v < std::max(a, b);
}

} // namespace

Size FixedTextMetrics::TextExtent(const std::string& utf8, int font) const {
    // Capped so that a hostile text cannot overflow the width.
    const auto n = static_cast<int>(std::min<std::size_t>(Utf8Length(utf8), 100000));
    if (font == 3)
        return {8 * n, 16};
    return {7 * n, 14};
}

Scheme::Scheme() = default;

Scheme::~Scheme() {
    // Elements go before the wires their pins point at.
    elements.clear();
    wires.clear();
    workingElements.clear();
    workingWires.clear();
    workingElementStore.clear();
    workingWireStore.clear();
}

const TextMetrics& Scheme::Metrics() const {
    return metrics_ ? *metrics_ : fixedMetrics_;
}

void Scheme::SetTextMetrics(const TextMetrics* metrics) {
    metrics_ = metrics;
}

void Scheme::Invalidate(const Rect& r) {
    if (r.IsEmpty())
        return;
    // Past a few dozen rectangles one that covers them all says as much: renaming
    // every element of a large sheet at once leaves one rectangle, not thousands.
    constexpr std::size_t kMostRectangles = 64;
    if (invalid.size() >= kMostRectangles) {
        Rect all = r;
        for (const Rect& each : invalid)
            all = all.United(each);
        invalid.assign(1, all);
        return;
    }
    invalid.push_back(r);
}

void Scheme::InvalidateElement(const Element* e) {
    Invalidate(e->Bounds());
    Invalidate(e->nameTag.Area());
    Invalidate(e->valueTag.Area());
}

void Scheme::InvalidateNodeTags() {
    for (const NameTag& tag : nodeTags)
        Invalidate(tag.Area());
}

void Scheme::Clear() {
    elements.clear();
    wires.clear();
    selection.clear();
    nodeTags.clear();
    workingElements.clear();
    workingWires.clear();
    workingElementStore.clear();
    workingWireStore.clear();
    originIds.clear();
    generatedIds.clear();
    nextElementId = 1;
    nextWireId = 1;
    nodeCount = 0;
    pendingElement_ = nullptr;
    pendingPin_ = 0;
    trackedElement_ = nullptr;
    trackedPin_ = 0;
    previousTrackedElement_ = nullptr;
    previousTrackedPin_ = 0;
}

void Scheme::AdoptLoaded(ElementList loadedElements, WireList loadedWires) {
    Clear();
    elements = std::move(loadedElements);
    wires = std::move(loadedWires);

    // Ids name objects within the sheet only. A stream that repeats an id, uses one
    // that is not positive, or leaves no room for new ones gets fresh ids (the
    // links are object references by now), so the counters below stay sound.
    const auto needFreshIds = [](const auto& list) {
        std::unordered_set<int32_t> seen;
        for (const auto& object : list)
            if (object->id <= 0 || object->id > kIdLimit || !seen.insert(object->id).second)
                return true;
        return false;
    };
    if (needFreshIds(elements)) {
        int32_t id = 1;
        for (const auto& e : elements)
            e->id = id++;
    }
    if (needFreshIds(wires)) {
        int32_t id = 1;
        for (const auto& w : wires)
            w->id = id++;
    }

    int32_t maxElementId = 0;
    for (const auto& e : elements) {
        maxElementId = std::max(maxElementId, e->id);
        e->selected = false;
        e->visible = true;
        for (Pin& pin : e->pins)
            pin.wireId = pin.wire ? pin.wire->id : 0;
    }
    int32_t maxWireId = 0;
    for (const auto& w : wires) {
        maxWireId = std::max(maxWireId, w->id);
        w->end1Id = w->end1 ? w->end1->id : 0;
        w->end2Id = w->end2 ? w->end2->id : 0;
        w->visible = true;
        w->Route();
    }
    nextElementId = maxElementId + 1;
    nextWireId = maxWireId + 1;

    RenumberNodes();
    RenumberNames();
}

Element* Scheme::PlaceNew(ElementKind kind, int x, int y, int rotation) {
    std::unique_ptr<Element> e = ElementFactory(kind, nextElementId);
    if (!e)
        return nullptr;
    ++nextElementId;
    e->x = Snap(x);
    e->y = Snap(y);
    if (rotation >= 0)
        e->rotation = rotation % 4;
    Element* placed = e.get();
    AddElement(std::move(e));
    return placed;
}

Wire* Scheme::Join(Element* a, int pinA, Element* b, int pinB) {
    std::unique_ptr<Wire> w = NewWire();
    Attach(a, pinA, w.get(), 1);
    Attach(b, pinB, w.get(), 2);
    Wire* joined = w.get();
    wires.push_back(std::move(w));
    return joined;
}

void Scheme::AddElement(std::unique_ptr<Element> element) {
    if (!element)
        return;
    Element* e = element.get();
    elements.push_back(std::move(element));
    if (e->selected)
        selection.push_back(e);
    UpdateTags(e);
    InvalidateElement(e);
}

void Scheme::ForgetElement(const Element* e) {
    selection.erase(std::remove(selection.begin(), selection.end(), e), selection.end());
    if (pendingElement_ == e) {
        pendingElement_ = nullptr;
        pendingPin_ = 0;
    }
    if (trackedElement_ == e) {
        trackedElement_ = nullptr;
        trackedPin_ = 0;
    }
    if (previousTrackedElement_ == e) {
        previousTrackedElement_ = nullptr;
        previousTrackedPin_ = 0;
    }
}

Wire* Scheme::AddWire(Element* a, int pinA, Element* b, int pinB) {
    std::unique_ptr<Wire> w = NewWire();
    Wire* raw = w.get();
    Attach(a, pinA, raw, 1);
    Attach(b, pinB, raw, 2);
    wires.push_back(std::move(w));
    Invalidate(raw->Area());
    return raw;
}

void Scheme::RemoveWire(Wire* w) {
    Invalidate(w->Area());
    DetachWire(w);
    const auto it = std::find_if(wires.begin(), wires.end(),
                                 [w](const std::unique_ptr<Wire>& p) { return p.get() == w; });
    if (it != wires.end())
        wires.erase(it);
}

void Scheme::RerouteWiresOf(const Element* e) {
    for (Wire* w : WiresOf(e)) {
        Invalidate(w->Area());
        w->Route();
        Invalidate(w->Area());
    }
}

void Scheme::DeleteElement(Element* e) {
    const auto it = std::find_if(elements.begin(), elements.end(),
                                 [e](const std::unique_ptr<Element>& p) { return p.get() == e; });
    if (it == elements.end())
        return;
    std::unique_ptr<Element> owned = std::move(*it);
    elements.erase(it);
    ForgetElement(e);
    InvalidateElement(e);

    std::vector<int> wiredPins;
    for (int i = 1; i <= e->PinCount(); ++i)
        if (e->pins[static_cast<std::size_t>(i - 1)].wire)
            wiredPins.push_back(i);

    if ((IsTwoTerminal(e->kind) || e->kind == kind::Connector) && wiredPins.size() == 2) {
        const int pinA = wiredPins[0];
        const int pinB = wiredPins[1];
        Wire* wa = e->pins[static_cast<std::size_t>(pinA - 1)].wire;
        Wire* wb = e->pins[static_cast<std::size_t>(pinB - 1)].wire;
        Element* farA = wa->FarElement(e, pinA);
        const int farPinA = wa->FarPin(e, pinA);
        Element* farB = wb->FarElement(e, pinB);
        const int farPinB = wb->FarPin(e, pinB);
        RemoveWire(wa);
        if (wb != wa)
            RemoveWire(wb);
        // No wire may join an element to itself, and a wire with a missing end
        // would hold a pin that nothing visible connects.
        if (farA && farB && farA != farB && farA != e && farB != e)
            AddWire(farA, farPinA, farB, farPinB);
    } else {
        for (Wire* w : WiresOf(e))
            RemoveWire(w);
    }
}

void Scheme::DeleteSelection() {
    if (selection.empty())
        return;
    std::set<int> ranks;
    for (const Element* e : selection)
        ranks.insert(KindSortRank(e->kind));
    for (const auto& e : elements)
        if (ranks.count(KindSortRank(e->kind)))
            Invalidate(e->nameTag.Area());

    const std::vector<Element*> doomed = selection;
    for (Element* e : doomed)
        DeleteElement(e);
    selection.clear();
    RenumberNodes();
    RenumberNames();
}

void Scheme::SetSelected(Element* e, bool on) {
    if (e->selected == on)
        return;
    e->selected = on;
    if (on)
        selection.push_back(e);
    else
        selection.erase(std::remove(selection.begin(), selection.end(), e), selection.end());
    InvalidateElement(e);
}

bool Scheme::SelectAt(int x, int y, bool toggle) {
    Element* e = ElementAt(x, y);
    if (!e) {
        ClearSelection();
        return false;
    }
    if (!e->selected) {
        if (!toggle)
            ClearSelection();
        SetSelected(e, true);
    } else if (toggle) {
        SetSelected(e, false);
    }
    return true;
}

void Scheme::SelectInRect(int x1, int y1, int x2, int y2) {
    ClearSelection();
    const Rect r = Rect{x1, y1, x2, y2}.Normalized();
    for (const auto& e : elements)
        if (e->x >= r.left && e->x <= r.right && e->y >= r.top && e->y <= r.bottom)
            SetSelected(e.get(), true);
}

void Scheme::SelectAll() {
    for (const auto& e : elements)
        SetSelected(e.get(), true);
}

void Scheme::SelectIds(const std::vector<int32_t>& ids) {
    ClearSelection();
    for (const auto& e : elements)
        if (std::find(ids.begin(), ids.end(), e->id) != ids.end())
            SetSelected(e.get(), true);
}

void Scheme::ClearSelection() {
    for (Element* e : selection) {
        e->selected = false;
        InvalidateElement(e);
    }
    selection.clear();
    // Flags set behind the list's back are cleared too, so both always agree.
    for (const auto& e : elements)
        e->selected = false;
}

void Scheme::BeginDrag() {
    std::set<int> nodes;
    for (Element* e : selection) {
        InvalidateElement(e);
        for (Wire* w : WiresOf(e)) {
            Invalidate(w->Area());
            w->visible = false;
            if (w->numbered)
                nodes.insert(w->node);
        }
        e->visible = false;
    }
    if (showNodes) {
        for (const NameTag& tag : nodeTags)
            for (int n : nodes)
                if (tag.text == std::to_string(n))
                    Invalidate(tag.Area());
        RebuildNodeTags();
    }
}

void Scheme::MoveSelection(int dx, int dy) {
    for (Element* e : selection) {
        InvalidateElement(e);
        e->x = Snap(int64_t{e->x} + dx);
        e->y = Snap(int64_t{e->y} + dy);
        UpdateTags(e);
        RerouteWiresOf(e);
        InvalidateElement(e);
    }
}

void Scheme::MoveAll(int dx, int dy) {
    for (const auto& e : elements) {
        InvalidateElement(e.get());
        e->x = Snap(int64_t{e->x} + dx);
        e->y = Snap(int64_t{e->y} + dy);
        UpdateTags(e.get());
        InvalidateElement(e.get());
    }
    for (const auto& w : wires) {
        Invalidate(w->Area());
        w->Route();
        Invalidate(w->Area());
    }
    RebuildNodeTags();
}

int Scheme::FinishMove(int dx, int dy) {
    modified = true;
    MoveSelection(dx, dy);
    for (Element* e : selection) {
        e->visible = true;
        for (Wire* w : WiresOf(e)) {
            w->Route();
            w->visible = true;
            Invalidate(w->Area());
        }
        InvalidateElement(e);
    }
    return InsertSingleSelection();
}

int Scheme::InsertSingleSelection() {
    const int result = selection.size() == 1 ? InsertIntoWire(selection.front()) : 0;
    // A split wire changes the nodes, not only where their tags go.
    if (result)
        RenumberNodes();
    else
        RebuildNodeTags();
    return result;
}

int Scheme::RotateSelection() {
    for (Element* e : selection) {
        if (!e->canRotate)
            continue;
        InvalidateElement(e);
        e->rotation = ((e->rotation % 4 + 4) % 4 + 1) % 4;
        // A quarter turn of a body mirrored on one axis is the turned body mirrored
        // on the other.
        if ((e->mirrorX != 0) != (e->mirrorY != 0)) {
            e->mirrorX = e->mirrorX ? 0 : 1;
            e->mirrorY = e->mirrorY ? 0 : 1;
        }
        UpdateTags(e);
        RerouteWiresOf(e);
        InvalidateElement(e);
    }
    return InsertSingleSelection();
}

void Scheme::MirrorSelectionX() {
    for (Element* e : selection) {
        if (!e->canMirrorX)
            continue;
        InvalidateElement(e);
        e->mirrorX = e->mirrorX ? 0 : 1;
        UpdateTags(e);
        RerouteWiresOf(e);
        InvalidateElement(e);
    }
    RebuildNodeTags();
}

void Scheme::MirrorSelectionY() {
    for (Element* e : selection) {
        if (!e->canMirrorY)
            continue;
        InvalidateElement(e);
        e->mirrorY = e->mirrorY ? 0 : 1;
        UpdateTags(e);
        RerouteWiresOf(e);
        InvalidateElement(e);
    }
    RebuildNodeTags();
}

bool Scheme::CanRotateSelection() const {
    return std::any_of(selection.begin(), selection.end(),
                       [](const Element* e) { return e->canRotate; });
}

bool Scheme::CanMirrorSelectionX() const {
    return std::any_of(selection.begin(), selection.end(),
                       [](const Element* e) { return e->canMirrorX; });
}

bool Scheme::CanMirrorSelectionY() const {
    return std::any_of(selection.begin(), selection.end(),
                       [](const Element* e) { return e->canMirrorY; });
}

Element* Scheme::ElementAt(int x, int y) const {
    for (const auto& e : elements)
        if (e->Contains(x, y))
            return e.get();
    return nullptr;
}

Scheme::WireHit Scheme::HitWire(int x, int y) const {
    for (const auto& w : wires) {
        const WireShape& s = w->shape;
        const int n = s.count;
        if (n < 2)
            continue;
        for (int k = 1; k + 1 < n; ++k)
            if (Abs(int64_t{x} - s.points[k].x) <= kPickTolerance &&
                Abs(int64_t{y} - s.points[k].y) <= kPickTolerance)
                return {w.get(), WireHitKind::Corner, k};
        for (int i = 0; i + 1 < n; ++i) {
            const Point a = s.points[i];
            const Point b = s.points[i + 1];
            const bool vertical = a.x == b.x && a.y != b.y;
            const bool horizontal = a.y == b.y && a.x != b.x;
            if (!vertical && !horizontal)
                continue;
            // Near a pin the click belongs to the pin, not to the wire: the wire's
            // first and last segments lose 10 units at the wire's ends.
            int64_t from = vertical ? a.y : a.x;
            int64_t to = vertical ? b.y : b.x;
            const int dir = Sign(to - from);
            if (i == 0)
                from += 10 * dir;
            if (i + 2 == n)
                to -= 10 * dir;
            if ((to - from) * dir <= 0)
                continue;
            const int64_t across = vertical ? int64_t{x} - a.x : int64_t{y} - a.y;
            const int64_t along = vertical ? y : x;
            if (Abs(across) <= kPickTolerance && Between(along, from, to))
                return {w.get(),
                        vertical ? WireHitKind::VerticalSegment : WireHitKind::HorizontalSegment,
                        i};
        }
    }
    return {};
}

Wire* Scheme::WireAt(int x, int y, WireHitKind* hitKind) const {
    const WireHit hit = HitWire(x, y);
    if (hitKind)
        *hitKind = hit.kind;
    return hit.wire;
}

std::string Scheme::ObjectCaption(int x, int y) const {
    if (const Element* e = ElementAt(x, y)) {
        if (e->kind == kind::Connector) {
            const int node = e->PinNode(1);
            if (node >= 0)
                return "<Узел " + std::to_string(node) + "> Соединитель";
            return "Соединитель";
        }
        if (e->kind == kind::Ground)
            return "<Узел 0> Земля";
        if (IsTextKind(e->kind))
            return "Текст";
        return "<" + e->Name() + "> " + KindDisplayName(e->kind);
    }
    if (const Wire* w = WireAt(x, y)) {
        if (w->numbered && w->node >= 0)
            return "<Узел " + std::to_string(w->node) + "> Провод";
    }
    return {};
}

Point Scheme::StartWire(int x, int y) {
    for (const auto& item : elements) {
        Element* e = item.get();
        const int pin = e->PinAt(x, y);
        if (pin == 0)
            continue;
        Point result = e->PinPosition(pin);
        pendingElement_ = e;
        pendingPin_ = pin;
        if (Wire* w = e->pins[static_cast<std::size_t>(pin - 1)].wire) {
            // The wire is picked up: drawing goes on from its other end.
            Element* far = w->FarElement(e, pin);
            const int farPin = w->FarPin(e, pin);
            RemoveWire(w);
            if (PinIsFree(far, farPin)) {
                pendingElement_ = far;
                pendingPin_ = farPin;
                result = far->PinPosition(farPin);
            }
        }
        RenumberNodes();
        return result;
    }
    return {0, 0};
}

bool Scheme::FacingPins(const WireHit& hit, const Element* e, int& pinToEnd1, int& pinToEnd2) {
    const WireShape& s = hit.wire->shape;
    Point toFirst;
    Point toLast;
    if (hit.kind == WireHitKind::Corner) {
        if (hit.index < 1 || hit.index + 1 >= s.count)
            return false;
        toFirst = Towards(s.points[hit.index], s.points[hit.index - 1]);
        toLast = Towards(s.points[hit.index], s.points[hit.index + 1]);
    } else {
        if (hit.index < 0 || hit.index + 1 >= s.count)
            return false;
        toFirst = Towards(s.points[hit.index + 1], s.points[hit.index]);
        toLast = {-toFirst.x, -toFirst.y};
    }
    const Point toEnd1 = s.reversed ? toLast : toFirst;
    const Point toEnd2 = s.reversed ? toFirst : toLast;
    pinToEnd1 = PinFacing(e, toEnd1);
    pinToEnd2 = PinFacing(e, toEnd2);
    return pinToEnd1 != 0 && pinToEnd2 != 0 && pinToEnd1 != pinToEnd2;
}

void Scheme::SplitWire(Wire* w, Element* e, int pinToEnd1, int pinToEnd2) {
    Element* end1 = w->end1;
    const int pin1 = w->pin1;
    Element* end2 = w->end2;
    const int pin2 = w->pin2;
    RemoveWire(w);
    AddWire(end1, pin1, e, pinToEnd1);
    AddWire(end2, pin2, e, pinToEnd2);
}

Point Scheme::FinishWire(int x, int y) {
    Element* start = pendingElement_;
    const int startPin = pendingPin_;
    pendingElement_ = nullptr;
    pendingPin_ = 0;
    if (!PinIsFree(start, startPin))
        return {0, 0};

    // The start element is passed over, as the pin tracking does while a wire is
    // drawn: the pin shown under the mouse is the one the wire goes to.
    for (const auto& item : elements) {
        Element* e = item.get();
        if (e == start)
            continue;
        const int pin = e->NearestFreePin(x, y);
        if (pin == 0)
            continue;
        AddWire(start, startPin, e, pin);
        RenumberNodes();
        return e->PinPosition(pin);
    }

    const WireHit hit = HitWire(x, y);
    if (!hit.wire || !hit.wire->end1 || !hit.wire->end2)
        return {0, 0};

    std::unique_ptr<Element> made = ElementFactory(kind::Connector, nextElementId);
    if (!made)
        return {0, 0};
    made->x = Snap(x);
    made->y = Snap(y);
    int pinToEnd1 = 0;
    int pinToEnd2 = 0;
    // Both ends on one pin would lose the wire: then no junction is made at all.
    if (!FacingPins(hit, made.get(), pinToEnd1, pinToEnd2))
        return {0, 0};

    // The start goes across the hit run when it can, towards the start pin.
    const Point startAt = start->PinPosition(startPin);
    const int64_t dx = int64_t{startAt.x} - made->x;
    const int64_t dy = int64_t{startAt.y} - made->y;
    const Point horizontal{dx < 0 ? -1 : 1, 0};
    const Point vertical{0, dy < 0 ? -1 : 1};
    const Point flippedH{-horizontal.x, 0};
    const Point flippedV{0, -vertical.y};
    std::vector<Point> order;
    if (hit.kind == WireHitKind::HorizontalSegment)
        order = {vertical, horizontal, flippedV, flippedH};
    else if (hit.kind == WireHitKind::VerticalSegment)
        order = {horizontal, vertical, flippedH, flippedV};
    else if (Abs(dx) >= Abs(dy))
        order = {horizontal, vertical, flippedH, flippedV};
    else
        order = {vertical, horizontal, flippedV, flippedH};
    int startSide = 0;
    for (Point dir : order) {
        const int pin = PinFacing(made.get(), dir);
        if (pin != 0 && pin != pinToEnd1 && pin != pinToEnd2) {
            startSide = pin;
            break;
        }
    }
    if (startSide == 0)
        return {0, 0};

    ++nextElementId;
    Element* connector = made.get();
    AddElement(std::move(made));
    SplitWire(hit.wire, connector, pinToEnd1, pinToEnd2);
    AddWire(start, startPin, connector, startSide);
    RenumberNodes();
    return {connector->x, connector->y};
}

int Scheme::InsertIntoWire(Element* e) {
    if (!e || e->PinCount() == 0)
        return 0;
    for (const Pin& pin : e->pins)
        if (pin.wire)
            return 0;

    if (e->kind == kind::Connector) {
        const Point c{e->x, e->y};
        for (const auto& w : wires) {
            const WireShape& s = w->shape;
            if (!w->end1 || !w->end2 || s.count < 2)
                continue;
            WireHit hit;
            for (int k = 1; k + 1 < s.count && !hit.wire; ++k)
                if (s.points[k] == c)
                    hit = {w.get(), WireHitKind::Corner, k};
            for (int i = 0; i + 1 < s.count && !hit.wire; ++i) {
                const Point a = s.points[i];
                const Point b = s.points[i + 1];
                if (a.y == b.y && c.y == a.y && Between(c.x, a.x, b.x))
                    hit = {w.get(), WireHitKind::HorizontalSegment, i};
                else if (a.x == b.x && c.x == a.x && Between(c.y, a.y, b.y))
                    hit = {w.get(), WireHitKind::VerticalSegment, i};
            }
            if (!hit.wire)
                continue;
            int pinToEnd1 = 0;
            int pinToEnd2 = 0;
            if (!FacingPins(hit, e, pinToEnd1, pinToEnd2))
                return 0;
            SplitWire(hit.wire, e, pinToEnd1, pinToEnd2);
            return 1;
        }
        return 0;
    }

    if (!IsTwoTerminal(e->kind) || e->PinCount() < 2)
        return 0;
    const Point p1 = e->PinPosition(1);
    const Point p2 = e->PinPosition(2);
    for (const auto& w : wires) {
        const WireShape& s = w->shape;
        if (!w->end1 || !w->end2)
            continue;
        for (int i = 0; i + 1 < s.count; ++i) {
            const Point a = s.points[i];
            const Point b = s.points[i + 1];
            const bool vertical = a.x == b.x && a.y != b.y;
            const bool horizontal = a.y == b.y && a.x != b.x;
            if (!vertical && !horizontal)
                continue;
            const int64_t lo =
                std::min(vertical ? a.y : a.x, vertical ? b.y : b.x) + int64_t{kPickTolerance};
            const int64_t hi =
                std::max(vertical ? a.y : a.x, vertical ? b.y : b.x) - int64_t{kPickTolerance};
            const auto onSegment = [&](Point p) {
                const int64_t across = vertical ? int64_t{p.x} - a.x : int64_t{p.y} - a.y;
                const int64_t along = vertical ? p.y : p.x;
                return Abs(across) <= kPickTolerance && lo < along && along < hi;
            };
            if (!onSegment(p1) || !onSegment(p2))
                continue;
            const WireHit hit{
                w.get(), vertical ? WireHitKind::VerticalSegment : WireHitKind::HorizontalSegment,
                i};
            int pinToEnd1 = 0;
            int pinToEnd2 = 0;
            if (!FacingPins(hit, e, pinToEnd1, pinToEnd2))
                return 0;
            SplitWire(hit.wire, e, pinToEnd1, pinToEnd2);
            return 1;
        }
    }
    return 0;
}

int Scheme::EditSelected(ParameterEditor& editor) {
    if (selection.empty())
        return 0;
    RenumberNames();
    Element* e = selection.front();
    InvalidateElement(e);
    const int result = e->EditParameters(editor);
    UpdateTags(e);
    InvalidateElement(e);
    return result;
}

int Scheme::RenumberNodes() {
    nodeCount = NumberNodes(wires);
    RebuildNodeTags();
    return nodeCount;
}

void Scheme::RenumberNames() {
    model::RenumberNames(elements);
    UpdateAllTags();
}

void Scheme::RebuildNodeTags() {
    InvalidateNodeTags();
    if (!showNodes) {
        nodeTags.clear();
        return;
    }
    PlaceNodeTags(nodeCount, elements, wires, nodeTags);
    for (NameTag& tag : nodeTags)
        tag.size = Metrics().TextExtent(tag.text, 3);
    InvalidateNodeTags();
}

void Scheme::UpdateTags(Element* e) {
    const NameTag oldName = e->nameTag;
    const NameTag oldValue = e->valueTag;
    const Rect oldBounds = e->Bounds();
    e->RefreshTagTexts();
    e->nameTag.size = Metrics().TextExtent(e->nameTag.text, 1);
    e->valueTag.size = Metrics().TextExtent(e->valueTag.text, 2);
    if (auto* label = dynamic_cast<TextLabel*>(e)) {
        label->UpdateSize(Metrics());
        if (!(label->Bounds() == oldBounds)) {
            Invalidate(oldBounds);
            Invalidate(label->Bounds());
        }
    }
    e->PlaceTags(showNames, showValues);
    for (const auto& [before, after] :
         {std::pair<const NameTag*, const NameTag*>{&oldName, &e->nameTag},
          {&oldValue, &e->valueTag}}) {
        if (before->text != after->text || !(before->Area() == after->Area())) {
            Invalidate(before->Area());
            Invalidate(after->Area());
        }
    }
}

void Scheme::UpdateAllTags() {
    for (const auto& e : elements)
        UpdateTags(e.get());
}

bool Scheme::TrackPin(int x, int y, bool drawingWire) {
    previousTrackedElement_ = trackedElement_;
    previousTrackedPin_ = trackedPin_;
    trackedElement_ = nullptr;
    trackedPin_ = 0;
    for (const auto& item : elements) {
        Element* e = item.get();
        if (drawingWire && e == pendingElement_)
            continue;
        const int pin = drawingWire ? e->NearestFreePin(x, y) : e->PinAt(x, y);
        if (pin != 0) {
            trackedElement_ = e;
            trackedPin_ = pin;
            break;
        }
    }
    return trackedElement_ != nullptr;
}

void Scheme::CopyObjects(const std::vector<Element*>& fromElements,
                         const std::vector<Wire*>& fromWires, ElementList& toElements,
                         WireList& toWires, bool skipText) {
    std::vector<Element*> keptElements;
    std::unordered_set<const Element*> leftOut;
    for (Element* e : fromElements) {
        if (!e)
            continue;
        if (skipText && IsTextKind(e->kind))
            leftOut.insert(e);
        else
            keptElements.push_back(e);
    }
    std::vector<Wire*> keptWires;
    for (Wire* w : fromWires) {
        if (!w)
            continue;
        if (leftOut.count(w->end1) || leftOut.count(w->end2))
            continue;
        keptWires.push_back(w);
    }

    ArchiveWriter writer;
    WriteObjects(writer, keptElements, keptWires);
    ArchiveReader reader(writer.Bytes());
    ReadObjects(reader, toElements, toWires);
}

Element* Scheme::FindElement(int32_t id) const {
    for (const auto& e : elements)
        if (e->id == id)
            return e.get();
    return nullptr;
}

Wire* Scheme::FindWire(int32_t id) const {
    for (const auto& w : wires)
        if (w->id == id)
            return w.get();
    return nullptr;
}

std::unique_ptr<Wire> Scheme::NewWire() {
    return std::make_unique<Wire>(nextWireId++);
}

} // namespace korvanix::model
