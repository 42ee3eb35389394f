#include "model/Wire.h"

#include "model/Element.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

namespace korvanix::model {

namespace {

// Routing works in 64 bits: positions come from files, and a coordinate near the
// int range plus a 10-unit stub must not overflow. Results are saturated back.
struct P {
    int64_t x = 0;
    int64_t y = 0;
    friend bool operator==(P a, P b) { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(P a, P b) { return !(a == b); }
};

struct RouteEnd {
    P p;
    P dir;
};

struct Route {
    std::vector<P> points;
    bool reversed = false;
};

P Widen(Point p) {
    return {p.x, p.y};
}
P Transposed(P p) {
    return {p.y, p.x};
}

// Both pins leave horizontally. `s` is the end with the smaller x on entry.
Route RouteSameAxis(RouteEnd s, RouteEnd e, bool reversed) {
    // Facing pins too close together would fold the middle run back over the pins:
    // going round from the other side gives a readable wire.
    if (s.dir.x > 0 && e.dir.x < 0 && e.p.x - s.p.x < 12) {
        std::swap(s, e);
        reversed = !reversed;
    }
    const int64_t xs = s.p.x, ys = s.p.y, xe = e.p.x, ye = e.p.y;
    const bool startRight = s.dir.x > 0;
    const bool endRight = e.dir.x > 0;
    if (startRight && !endRight) {
        const int64_t m = xs + (xe - xs) / 2;
        return {{{xs, ys}, {m, ys}, {m, ye}, {xe, ye}}, reversed};
    }
    if (startRight && endRight)
        return {{{xs, ys}, {xe + 10, ys}, {xe + 10, ye}, {xe, ye}}, reversed};
    if (!startRight && !endRight)
        return {{{xs, ys}, {xs - 10, ys}, {xs - 10, ye}, {xe, ye}}, reversed};
    const int64_t yc = ys + (ye - ys) / 14 + (ye - ys) / 2;
    return {{{xs, ys}, {xs - 10, ys}, {xs - 10, yc}, {xe + 10, yc}, {xe + 10, ye}, {xe, ye}},
            reversed};
}

// One pin leaves horizontally, the other vertically. `s` has the smaller x on entry.
Route RouteMixed(RouteEnd s, RouteEnd e, bool reversed) {
    const bool startHorizontal = s.dir.x != 0;
    const bool endHorizontal = e.dir.x != 0;
    const int64_t apart = e.p.x - s.p.x;
    if ((apart < 0 ? -apart : apart) < 12 && ((startHorizontal && s.dir.x > 0 && !endHorizontal) ||
                                              (!startHorizontal && endHorizontal && e.dir.x < 0))) {
        std::swap(s, e);
        reversed = !reversed;
    }
    const int64_t xs = s.p.x, ys = s.p.y, xe = e.p.x, ye = e.p.y;
    const int64_t m = xs + (xe - xs - 10) / 2;
    if (s.dir.x == 0) {
        const bool up = s.dir.y < 0;
        const int64_t stub = up ? ys - 10 : ys + 10;
        if (e.dir.x < 0) {
            const bool cornerAhead = up ? ye < ys : ys < ye;
            if (cornerAhead)
                return {{{xs, ys}, {xs, ye}, {xe, ye}}, reversed};
            return {{{xs, ys}, {xs, stub}, {m, stub}, {m, ye}, {xe, ye}}, reversed};
        }
        return {{{xs, ys}, {xs, stub}, {xe + 10, stub}, {xe + 10, ye}, {xe, ye}}, reversed};
    }
    const bool endUp = e.dir.y < 0;
    const int64_t stub = endUp ? ye - 10 : ye + 10;
    if (s.dir.x > 0) {
        const bool cornerAhead = endUp ? ys < ye : ye < ys;
        if (cornerAhead)
            return {{{xs, ys}, {xe, ys}, {xe, ye}}, reversed};
        return {{{xs, ys}, {m, ys}, {m, stub}, {xe, stub}, {xe, ye}}, reversed};
    }
    return {{{xs, ys}, {xs - 10, ys}, {xs - 10, stub}, {xe, stub}, {xe, ye}}, reversed};
}

void CleanUp(std::vector<P>& points) {
    std::vector<P> q;
    for (P p : points)
        if (q.empty() || p != q.back())
            q.push_back(p);

    std::size_t i = 1;
    while (i + 1 < q.size()) {
        const bool sameX = q[i].x == q[i - 1].x && q[i].x == q[i + 1].x;
        const bool sameY = q[i].y == q[i - 1].y && q[i].y == q[i + 1].y;
        if (sameX || sameY)
            q.erase(q.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }

    // Inner corners go on the grid; next to a pin only the coordinate along the
    // pin's segment moves, so the end segments stay straight.
    const std::size_t n = q.size();
    if (n >= 3) {
        for (std::size_t k = 2; k + 2 < n; ++k) {
            q[k].x = SnapWide(q[k].x);
            q[k].y = SnapWide(q[k].y);
        }
        if (q[1].x == q[0].x)
            q[1].y = SnapWide(q[1].y);
        else
            q[1].x = SnapWide(q[1].x);
        if (q[n - 2].x != q[n - 1].x)
            q[n - 2].x = SnapWide(q[n - 2].x);
        else
            q[n - 2].y = SnapWide(q[n - 2].y);
    }
    points = std::move(q);
}

bool ValidPin(const Element* e, int pin) {
    return e && pin >= 1 && pin <= e->PinCount();
}

void ClearPin(Pin& p) {
    p.wire = nullptr;
    p.wireEnd = 0;
    p.wireId = 0;
}

} // namespace

void Wire::ForgetEnd(int end) {
    if (end == 1) {
        end1 = nullptr;
        pin1 = 0;
        end1Id = 0;
    } else {
        end2 = nullptr;
        pin2 = 0;
        end2Id = 0;
    }
}

WireShape RouteBetween(Point a, Point dirA, Point b, Point dirB) {
    const bool horizontalA = dirA.x != 0;
    const bool horizontalB = dirB.x != 0;
    RouteEnd s{Widen(a), Widen(dirA)};
    RouteEnd e{Widen(b), Widen(dirB)};
    // Both vertical is the horizontal case mirrored on the diagonal.
    const bool transpose = !horizontalA && !horizontalB;
    if (transpose) {
        s = {Transposed(s.p), Transposed(s.dir)};
        e = {Transposed(e.p), Transposed(e.dir)};
    }
    bool reversed = false;
    if (e.p.x < s.p.x) {
        std::swap(s, e);
        reversed = true;
    }
    Route route =
        horizontalA == horizontalB ? RouteSameAxis(s, e, reversed) : RouteMixed(s, e, reversed);
    if (transpose)
        for (P& p : route.points)
            p = Transposed(p);
    CleanUp(route.points);

    WireShape shape;
    shape.reversed = route.reversed;
    for (P p : route.points)
        shape.points[shape.count++] = {SaturateToInt(p.x), SaturateToInt(p.y)};
    return shape;
}

void Wire::Route() {
    shape = WireShape{};
    if (!ValidPin(end1, pin1) || !ValidPin(end2, pin2))
        return;
    shape = RouteBetween(end1->ConnectionPoint(pin1), end1->PinDirection(pin1),
                         end2->ConnectionPoint(pin2), end2->PinDirection(pin2));
}

Element* Wire::FarElement(const Element* e, int pinOfE) const {
    if (end1 == e && end2 == e)
        return e ? (pin1 == pinOfE ? end2 : end1) : nullptr;
    if (end1 == e)
        return end2;
    if (end2 == e)
        return end1;
    return nullptr;
}

int Wire::FarPin(const Element* e, int pinOfE) const {
    if (end1 == e && end2 == e)
        return e ? (pin1 == pinOfE ? pin2 : pin1) : 0;
    if (end1 == e)
        return end2 ? pin2 : 0;
    if (end2 == e)
        return end1 ? pin1 : 0;
    return 0;
}

Point Wire::TagPoint() const {
    if (shape.count == 0) {
        if (ValidPin(end1, pin1))
            return end1->ConnectionPoint(pin1);
        if (ValidPin(end2, pin2))
            return end2->ConnectionPoint(pin2);
        return {};
    }
    if (shape.count == 1)
        return shape.points[0];
    // The middle of the longest segment stays clear of the pins and the corners.
    int best = 0;
    int64_t bestLength = -1;
    for (int i = 0; i + 1 < shape.count; ++i) {
        const P p = Widen(shape.points[i]);
        const P q = Widen(shape.points[i + 1]);
        const int64_t length = std::abs(q.x - p.x) + std::abs(q.y - p.y);
        if (length > bestLength) {
            bestLength = length;
            best = i;
        }
    }
    const P p = Widen(shape.points[best]);
    const P q = Widen(shape.points[best + 1]);
    return {SaturateToInt(p.x + (q.x - p.x) / 2), SaturateToInt(p.y + (q.y - p.y) / 2)};
}

Rect Wire::Area() const {
    if (shape.count == 0)
        return {};
    P lo = Widen(shape.points[0]);
    P hi = lo;
    for (int i = 1; i < shape.count; ++i) {
        lo.x = std::min<int64_t>(lo.x, shape.points[i].x);
        lo.y = std::min<int64_t>(lo.y, shape.points[i].y);
        hi.x = std::max<int64_t>(hi.x, shape.points[i].x);
        hi.y = std::max<int64_t>(hi.y, shape.points[i].y);
    }
    return {SaturateToInt(lo.x - 3), SaturateToInt(lo.y - 3), SaturateToInt(hi.x + 3),
            SaturateToInt(hi.y + 3)};
}

void Wire::Save(ArchiveWriter& ar) const {
    ar.WriteInt32(id);
    ar.WriteInt32(end1 ? end1->id : 0);
    ar.WriteInt32(end1 ? pin1 : 0);
    ar.WriteInt32(end2 ? end2->id : 0);
    ar.WriteInt32(end2 ? pin2 : 0);
}

void Wire::Load(ArchiveReader& ar) {
    id = ar.ReadInt32();
    end1Id = ar.ReadInt32();
    pin1 = ar.ReadInt32();
    end2Id = ar.ReadInt32();
    pin2 = ar.ReadInt32();
    end1 = nullptr;
    end2 = nullptr;
    shape = WireShape{};
}

void Attach(Element* e, int pin, Wire* w, int end) {
    if (!ValidPin(e, pin))
        e = nullptr;
    if (end != 1 && end != 2)
        w = nullptr;

    // A pin holds one wire end and a wire end one pin: whatever either side was
    // joined to before is let go first, so the two sides never disagree.
    if (w) {
        Element* old = w->EndElement(end);
        const int oldPin = w->EndPin(end);
        if (ValidPin(old, oldPin)) {
            Pin& p = old->pins[static_cast<std::size_t>(oldPin - 1)];
            if (p.wire == w && p.wireEnd == end)
                ClearPin(p);
        }
        w->ForgetEnd(end);
    }
    if (e) {
        Pin& p = e->pins[static_cast<std::size_t>(pin - 1)];
        Wire* other = p.wire;
        const int otherEnd = p.wireEnd;
        if (other && (otherEnd == 1 || otherEnd == 2) && other->EndElement(otherEnd) == e &&
            other->EndPin(otherEnd) == pin) {
            other->ForgetEnd(otherEnd);
            if (other != w)
                other->Route();
        }
        ClearPin(p);
    }

    if (e && w) {
        Pin& p = e->pins[static_cast<std::size_t>(pin - 1)];
        p.wire = w;
        p.wireEnd = end;
        p.wireId = w->id;
        if (end == 1) {
            w->end1 = e;
            w->pin1 = pin;
            w->end1Id = e->id;
        } else {
            w->end2 = e;
            w->pin2 = pin;
            w->end2Id = e->id;
        }
    }
    if (w)
        w->Route();
}

void DetachWire(Wire* w) {
    if (!w)
        return;
    Attach(nullptr, 0, w, 1);
    Attach(nullptr, 0, w, 2);
}

} // namespace korvanix::model
