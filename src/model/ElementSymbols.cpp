#include "model/Element.h"
#include "model/Painter.h"
#include "model/SheetElements.h"
#include "model/Sources.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace korvanix::model {
namespace {

struct Local {
    int x;
    int y;
};

// Draws in the element's unrotated frame (x towards pin 2 of a two-terminal
// element, y down): every point goes through the element's own mapping, so
// rotation and mirroring need nothing from the symbols. Quarter turns and mirrors
// map integer points onto integer points, so the symbols keep their exact shape.
class Symbol {
public:
    Symbol(const Element& e, Painter& p, int dx, int dy) : e_(e), p_(p), dx_(dx), dy_(dy) {}

    Point Map(int lx, int ly) const {
        const Point q = e_.MapPoint(lx, ly);
        return {SaturateToInt(int64_t{q.x} + dx_), SaturateToInt(int64_t{q.y} + dy_)};
    }

    void Line(int x1, int y1, int x2, int y2) const { p_.Line(Map(x1, y1), Map(x2, y2)); }

    void Polyline(std::initializer_list<Local> points) const { p_.Polyline(MapAll(points)); }

    void Polygon(std::initializer_list<Local> points) const { p_.Polygon(MapAll(points)); }

    void FilledPolygon(std::initializer_list<Local> points, uint32_t colour) const {
        p_.SetBrush(colour);
        p_.Polygon(MapAll(points));
        p_.NoBrush();
    }

    void Box(int left, int top, int right, int bottom) const {
        const Point a = Map(left, top);
        const Point b = Map(right, bottom);
        p_.Rectangle(Rect{a.x, a.y, b.x, b.y}.Normalized());
    }

    void Circle(int cx, int cy, int r) const {
        const Point c = Map(cx, cy);
        p_.Ellipse(Rect{c.x, c.y, c.x, c.y}.Inflated(r));
    }

    void Disc(int cx, int cy, int r, uint32_t colour) const {
        p_.SetBrush(colour);
        Circle(cx, cy, r);
        p_.NoBrush();
    }

    // An arc given in the local frame; its angles follow the element's turn and
    // mirrors like every other point.
    void Arc(int cx, int cy, int r, int startDegrees, int sweepDegrees) const {
        const Point o = Map(0, 0);
        const Point ex = Map(100, 0);
        const Point ey = Map(0, 100);
        const double exX = ex.x - o.x, exY = ex.y - o.y;
        const double eyX = ey.x - o.x, eyY = ey.y - o.y;
        constexpr double kPi = 3.14159265358979323846;
        const double a = startDegrees * kPi / 180.0;
        const double vx = std::cos(a) * exX + std::sin(a) * eyX;
        const double vy = std::cos(a) * exY + std::sin(a) * eyY;
        const int start = static_cast<int>(std::lround(std::atan2(vy, vx) * 180.0 / kPi));
        const bool flipped = exX * eyY - exY * eyX < 0;
        p_.Arc(Map(cx, cy), r, start, flipped ? -sweepDegrees : sweepDegrees);
    }

    // A line from (x1, y1) to (x2, y2) with a filled head at the second point. The
    // shaft stops halfway into the head: run to the tip, a heavy line (a zoomed-in
    // view) would blunt it.
    void Arrow(int x1, int y1, int x2, int y2, uint32_t colour, int head = 6) const {
        const double len = std::hypot(x2 - x1, y2 - y1);
        const double back = len > 0 ? std::min(len, head / 2.0) / len : 0.0;
        Line(x1, y1, static_cast<int>(std::lround(x2 - (x2 - x1) * back)),
             static_cast<int>(std::lround(y2 - (y2 - y1) * back)));
        Head(x1, y1, x2, y2, colour, head);
    }

    // A filled arrow head with its tip at (x2, y2), pointing away from (x1, y1).
    void Head(int x1, int y1, int x2, int y2, uint32_t colour, int head = 6) const {
        const double len = std::hypot(x2 - x1, y2 - y1);
        if (len <= 0)
            return;
        const double ux = (x2 - x1) / len;
        const double uy = (y2 - y1) / len;
        const double bx = x2 - ux * head;
        const double by = y2 - uy * head;
        const double half = head * 0.4;
        const Local left{static_cast<int>(std::lround(bx - uy * half)),
                         static_cast<int>(std::lround(by + ux * half))};
        const Local right{static_cast<int>(std::lround(bx + uy * half)),
                          static_cast<int>(std::lround(by - ux * half))};
        FilledPolygon({{x2, y2}, left, right}, colour);
    }

    // Polarity signs stay upright whatever the turn: only their place follows it.
    void Minus(int lx, int ly, int half = 3) const {
        const Point c = Map(lx, ly);
        p_.Line({c.x - half, c.y}, {c.x + half, c.y});
    }
    void Plus(int lx, int ly, int half = 3) const {
        Minus(lx, ly, half);
        const Point c = Map(lx, ly);
        p_.Line({c.x, c.y - half}, {c.x, c.y + half});
    }

    // Leads from the body to every pin's connection point.
    void Lead(int x1, int y1, int x2, int y2) const { Line(x1, y1, x2, y2); }

    Painter& P() const { return p_; }

private:
    std::vector<Point> MapAll(std::initializer_list<Local> points) const {
        std::vector<Point> result;
        result.reserve(points.size());
        for (const Local& l : points)
            result.push_back(Map(l.x, l.y));
        return result;
    }

    const Element& e_;
    Painter& p_;
    int dx_;
    int dy_;
};

void DrawGround(const Symbol& s) {
    s.Lead(0, -8, 0, -3);
    s.Line(-10, -3, 10, -3);
    s.Line(-6, 0, 6, 0);
    s.Line(-2, 3, 2, 3);
}

void DrawConnector(const Symbol& s, const Element& e, uint32_t colour) {
    s.Disc(0, 0, 4, colour);
    // Stubs only towards the wires, so that an unused side shows nothing.
    for (int i = 1; i <= e.PinCount(); ++i) {
        const Pin& pin = e.pins[static_cast<std::size_t>(i - 1)];
        if (pin.wire == nullptr)
            continue;
        s.Line(0, 0, pin.dirX / 20, pin.dirY / 20);
    }
}

// The two leads of a two-terminal element from the body's half length to the pins.
void TwoLeads(const Symbol& s, const Element& e, int half) {
    const int pin = e.width / 2 + 9;
    s.Lead(-pin, 0, -half, 0);
    s.Lead(half, 0, pin, 0);
}

void DrawResistor(const Symbol& s, const Element& e) {
    TwoLeads(s, e, 20);
    s.Box(-20, -7, 20, 7);
}

void DrawCapacitor(const Symbol& s, const Element& e, uint32_t colour) {
    TwoLeads(s, e, 3);
    s.P().SetPen(colour, 2);
    s.Line(-3, -14, -3, 14);
    s.Line(3, -14, 3, 14);
    s.P().SetPen(colour, 0);
}

void DrawInductance(const Symbol& s, const Element& e) {
    TwoLeads(s, e, 20);
    for (int cx = -15; cx <= 15; cx += 10)
        s.Arc(cx, 0, 5, 180, 180);
}

void DrawUnistor(const Symbol& s, const Element& e, uint32_t colour) {
    TwoLeads(s, e, 11);
    s.Box(-11, -22, 11, 22);
    s.Arrow(-7, 0, 7, 0, colour);
}

void DrawSource(const Symbol& s, const Element& e, uint32_t colour) {
    TwoLeads(s, e, 16);
    s.Circle(0, 0, 16);
    if (IsCurrentSource(e.kind)) {
        // A current source: a double-headed arrow towards pin 2.
        s.Line(-11, 0, 5, 0);
        s.Head(-11, 0, 5, 0, colour, 7);
        s.Head(-11, 0, 11, 0, colour, 7);
    } else {
        s.Arrow(-11, 0, 11, 0, colour, 7);
    }
    // The waveform of a harmonic or pulse source, small beside the arrow.
    const auto* source = dynamic_cast<const SourceElement*>(&e);
    if (source == nullptr)
        return;
    if (source->Mode() == SourceMode::Ac) {
        s.Arc(-3, 8, 3, 180, 180);
        s.Arc(3, 8, 3, 0, 180);
    } else if (source->Mode() == SourceMode::Pulse) {
        s.Polyline({{-6, 10}, {-6, 6}, {0, 6}, {0, 10}, {6, 10}, {6, 6}});
    }
}

// Pins 1 and 2 are the control port on the left, 3 and 4 the output on the right;
// 2 and 4 are one terminal, joined along the bottom.
void DrawControlledSource(const Symbol& s, const Element& e, uint32_t colour) {
    const bool currentOutput = e.kind == kind::Vccs || e.kind == kind::Cccs;
    const bool currentControl = e.kind == kind::Cccs || e.kind == kind::Ccvs;
    s.Polyline({{-40, -48}, {-24, -48}, {-24, -14}});
    s.Polyline({{40, -48}, {24, -48}, {24, -14}});
    s.Line(-40, 48, 40, 48);
    s.Line(-24, 48, -24, 14);
    s.Line(24, 48, 24, 14);
    if (currentControl) {
        // The controlling current flows through a closed branch.
        s.Line(-24, -14, -24, 14);
        s.Head(-24, -14, -24, 4, colour, 7);
    } else {
        // The controlling voltage is taken across an open port.
        s.Circle(-24, -12, 2);
        s.Circle(-24, 12, 2);
        s.Plus(-14, -10);
        s.Minus(-14, 10);
    }
    s.Polygon({{24, -14}, {38, 0}, {24, 14}, {10, 0}});
    if (currentOutput) {
        s.Arrow(24, 8, 24, -8, colour, 6);
    } else {
        s.Plus(24, -6);
        s.Minus(24, 6);
    }
}

// The leads of the two-port kinds run down from the top pins first, so that the
// tags stacked above the body stay clear of them.
void DrawGyrator(const Symbol& s, uint32_t colour) {
    s.Polyline({{-40, -48}, {-40, -14}, {-22, -14}});
    s.Polyline({{40, -48}, {40, -14}, {22, -14}});
    s.Polyline({{-22, 14}, {-40, 14}, {-40, 48}});
    s.Polyline({{22, 14}, {40, 14}, {40, 48}});
    s.Line(-40, 48, 40, 48);
    s.Box(-22, -26, 22, 26);
    // The non-reciprocal transfer: an arrow one way and a half turn over it.
    s.Arrow(-13, 6, 13, 6, colour, 7);
    s.Arc(0, -2, 8, 180, 180);
}

void DrawTransformer(const Symbol& s, uint32_t colour) {
    s.Polyline({{-28, -48}, {-28, -20}, {-10, -20}});
    s.Polyline({{28, -48}, {28, -20}, {10, -20}});
    s.Polyline({{-10, 20}, {-28, 20}, {-28, 48}});
    s.Polyline({{10, 20}, {28, 20}, {28, 48}});
    s.Line(-28, 48, 28, 48);
    for (int cy = -15; cy <= 15; cy += 10) {
        s.Arc(-10, cy, 5, 90, 180);
        s.Arc(10, cy, 5, 270, 180);
    }
    s.Line(-2, -22, -2, 22);
    s.Line(2, -22, 2, 22);
    // The winding starts.
    s.Disc(-20, -26, 2, colour);
    s.Disc(20, -26, 2, colour);
}

void DrawOpAmp(const Symbol& s) {
    s.Lead(-26, -8, -18, -8);
    s.Lead(-26, 8, -18, 8);
    s.Lead(18, 0, 26, 0);
    s.Polygon({{-18, -22}, {-18, 22}, {18, 0}});
    // Inverting input on pin 1, non-inverting on pin 2; for the ideal amplifier the
    // marks only help reading the circuit.
    s.Minus(-11, -8);
    s.Plus(-11, 8);
}

// Triode: grid (pin 1) on the left, anode (pin 2) up, cathode (pin 3) down.
void DrawLamp(const Symbol& s, uint32_t colour) {
    s.Circle(0, 0, 18);
    s.Lead(0, -28, 0, -10);
    s.P().SetPen(colour, 2);
    s.Line(-8, -10, 8, -10);
    s.P().SetPen(colour, 0);
    s.Lead(-28, 0, -11, 0);
    for (int gx = -11; gx < 11; gx += 7)
        s.Line(gx, 0, gx + 4, 0);
    s.Polyline({{-8, 28}, {-8, 10}, {8, 10}, {8, 7}});
}

// n-p-n: emitter (pin 1) left with the arrow leaving the base, base (pin 2) down,
// collector (pin 3) right.
void DrawTransistor(const Symbol& s, uint32_t colour) {
    s.Circle(0, 0, 14);
    s.Lead(0, 18, 0, 5);
    s.P().SetPen(colour, 2);
    s.Line(-8, 5, 8, 5);
    s.P().SetPen(colour, 0);
    s.Polyline({{-4, 5}, {-12, -8}, {-28, -8}});
    s.Polyline({{4, 5}, {12, -8}, {28, -8}});
    s.Head(-4, 5, -10, -5, colour, 6);
}

} // namespace

void DrawElementSymbol(const Element& e, Painter& painter, bool highlighted, int dx, int dy) {
    const uint32_t colour = highlighted ? kSelectedColour : kSymbolColour;
    const Symbol s(e, painter, dx, dy);
    painter.SetPen(colour, 0);
    painter.NoBrush();
    switch (e.kind) {
    case kind::Ground:
        DrawGround(s);
        break;
    case kind::Connector:
        DrawConnector(s, e, colour);
        break;
    case kind::Text:
        if (const auto* label = dynamic_cast<const TextLabel*>(&e))
            painter.TextCentred(label->Text(), s.Map(0, 0), label->font,
                                highlighted ? kSelectedColour : label->color);
        break;
    case kind::Resistor:
        DrawResistor(s, e);
        break;
    case kind::Capacitor:
        DrawCapacitor(s, e, colour);
        break;
    case kind::Inductance:
        DrawInductance(s, e);
        break;
    case kind::Unistor:
        DrawUnistor(s, e, colour);
        break;
    case kind::VoltageSourceDcOld:
    case kind::VoltageSourceAcOld:
    case kind::VoltageSource:
    case kind::CurrentSourceDcOld:
    case kind::CurrentSourceAcOld:
    case kind::CurrentSource:
        DrawSource(s, e, colour);
        break;
    case kind::Vccs:
    case kind::Vcvs:
    case kind::Cccs:
    case kind::Ccvs:
        DrawControlledSource(s, e, colour);
        break;
    case kind::Gyrator:
        DrawGyrator(s, colour);
        break;
    case kind::Transformer:
        DrawTransformer(s, colour);
        break;
    case kind::OpAmp:
        DrawOpAmp(s);
        break;
    case kind::Tube:
        DrawLamp(s, colour);
        break;
    case kind::Transistor:
        DrawTransistor(s, colour);
        break;
    default:
        break;
    }
}

void Element::Draw(Painter& painter) const {
    DrawElementSymbol(*this, painter, selected);
}

} // namespace korvanix::model
