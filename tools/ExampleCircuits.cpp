#include "ExampleCircuits.h"

#include "document/Document.h"
#include "model/Element.h"
#include "model/Geometry.h"
#include "model/SheetElements.h"
#include "model/Sources.h"
#include "model/Wire.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <vector>

namespace korvanix::tools {

namespace {

using document::Document;
using document::FrequencySettings;
using document::IntervalPart;
using document::SweepSettings;
using document::TransientSettings;
using model::Element;
namespace kind = model::kind;

// Quarter turns that stand a two-terminal element upright: pin 1 on top.
constexpr int kUpright = 1;
constexpr int kAcross = 0;

// Lays out one circuit on the document's sheet. Positions are element centres in
// sheet units; the sheet snaps them to its 8-unit grid.
class SheetBuilder {
public:
    explicit SheetBuilder(Document& doc) : doc_(doc) {}

    // An element of `kind` centred at (x, y); `rotation` -1 keeps the kind's own
    // starting orientation.
    Element* Place(model::ElementKind k, int x, int y, int rotation = -1) {
        Element* e = doc_.scheme.PlaceNew(k, x, y, rotation);
        if (!e)
            throw std::logic_error("no element of kind " + std::to_string(k));
        return e;
    }

    // An element whose parameters, in the kind's order, start with `values`.
    Element* Place(model::ElementKind k, int x, int y, int rotation,
                   std::initializer_list<double> values) {
        Element* e = Place(k, x, y, rotation);
        int i = 0;
        for (double v : values)
            e->SetParam(i++, v);
        return e;
    }

    // Sources stand upright with pin 2 on top, as the palette places them.
    model::VoltageSource* Voltage(int x, int y) {
        return dynamic_cast<model::VoltageSource*>(Place(kind::VoltageSource, x, y));
    }
    model::CurrentSource* Current(int x, int y) {
        return dynamic_cast<model::CurrentSource*>(Place(kind::CurrentSource, x, y));
    }

    void Label(int x, int y, const std::string& text) {
        dynamic_cast<model::TextLabel&>(*Place(kind::Text, x, y)).SetText(text);
    }

    // A ground whose pin is 8 units above (x, y).
    Element* Ground(int x, int y) { return Place(kind::Ground, x, y); }
    Element* Dot(int x, int y) { return Place(kind::Connector, x, y); }

    void Join(Element* a, int pinA, Element* b, int pinB) { doc_.scheme.Join(a, pinA, b, pinB); }
    // Pin `pin` of `e` to a ground of its own at (x, y).
    void Earth(Element* e, int pin, int x, int y) { Join(e, pin, Ground(x, y), 1); }

    // Numbers nodes and names, and opens the document with the drawing in the middle
    // of the window.
    void Finish() {
        doc_.scheme.RenumberNodes();
        doc_.scheme.RenumberNames();
        int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
        for (const auto& e : doc_.scheme.elements) {
            left = std::min(left, e->x);
            // Tags stand to the right of upright elements.
            right = std::max(right, e->x + 32);
            top = std::min(top, e->y);
            bottom = std::max(bottom, e->y);
        }
        doc_.view.centerX = (left + right) / 2 / 8 * 8;
        doc_.view.centerY = (top + bottom) / 2 / 8 * 8;
    }

private:
    Document& doc_;
};

// A common wire along the bottom of a drawing: every pin dropped onto it meets the
// rail at the given x, the junctions are joined left to right and the leftmost one
// goes to ground. Four-pin elements need it twice (their pins 2 and 4 are one
// terminal drawn twice), and one rail reads better than a ground under every pin.
class GroundRail {
public:
    GroundRail(SheetBuilder& s, int y) : s_(s), y_(y) {}

    void Add(Element* e, int pin, int x) { drops_.push_back({x, e, pin}); }

    void Lay() {
        std::sort(drops_.begin(), drops_.end(),
                  [](const Drop& a, const Drop& b) { return a.x < b.x; });
        Element* previous = nullptr;
        for (std::size_t i = 0; i < drops_.size(); ++i) {
            const Drop& d = drops_[i];
            // The rail ends in a corner, not in a junction.
            if (previous && i + 1 == drops_.size()) {
                s_.Join(previous, 3, d.element, d.pin);
                break;
            }
            Element* dot = s_.Dot(d.x, y_);
            s_.Join(d.element, d.pin, dot, 2);
            if (previous)
                s_.Join(previous, 3, dot, 1);
            else
                s_.Earth(dot, 4, d.x, y_ + 40);
            previous = dot;
        }
    }

private:
    struct Drop {
        int x;
        Element* element;
        int pin;
    };
    SheetBuilder& s_;
    int y_;
    std::vector<Drop> drops_;
};

// A harmonic voltage source: amplitude (V), frequency (Hz), phase 0.
model::VoltageSource* Harmonic(SheetBuilder& s, int x, int y, double amplitude, double frequency) {
    model::VoltageSource* u = s.Voltage(x, y);
    u->SetMode(model::SourceMode::Ac);
    u->SetAcAmplitude(amplitude);
    u->SetAcFrequency(frequency);
    return u;
}

// An interval part given by its number of points, as the dialog stores it.
IntervalPart Part(double start, double end, int32_t points) {
    IntervalPart p;
    p.startTime = start;
    p.endTime = end;
    p.pointCount = points;
    p.step = (end - start) / points;
    p.mode = IntervalPart::ByPoints;
    return p;
}

// An interval part given by its step; the step must divide the part.
IntervalPart PartByStep(double start, double end, double step) {
    IntervalPart p = Part(start, end, static_cast<int32_t>((end - start) / step + 0.5));
    p.step = step;
    p.mode = IntervalPart::ByStep;
    return p;
}

void SetParts(TransientSettings& t, std::initializer_list<IntervalPart> parts) {
    int i = 0;
    for (const IntervalPart& p : parts)
        t.parts[i++] = p;
    t.partCount = i;
}

// Both analyses keep their outputs alike: voltages, then currents, five in all.
template <class Settings>
void SetOutputs(Settings& s, std::initializer_list<const char*> voltages,
                std::initializer_list<const char*> currents) {
    if (voltages.size() + currents.size() > static_cast<std::size_t>(document::kMaxOutputs))
        throw std::logic_error("more than five outputs");
    int i = 0;
    for (const char* name : voltages)
        s.SetVoltageOutput(i++, name);
    s.voltageOutputCount = i;
    i = 0;
    for (const char* name : currents)
        s.SetCurrentOutput(i++, name);
    s.currentOutputCount = i;
}

// The frequency grid and the input; Bode form (logarithmic frequency, decibels,
// phase) unless the caller changes it.
void SetFrequency(FrequencySettings& f, double from, double to, int32_t points,
                  const std::string& input, int32_t quantity = FrequencySettings::InputVoltage) {
    f.startFrequency = from;
    f.endFrequency = to;
    f.pointCount = points;
    f.frequencyScale = 2;
    f.yScale = 4;
    f.phase = 1;
    f.SetInputElement(input);
    f.inputQuantity = quantity;
}

void SetSweep(int32_t& enabled, SweepSettings& sweep, const std::string& element, double from,
              double to, int32_t count, int32_t method) {
    enabled = 1;
    sweep.SetElementName(element);
    sweep.paramIndex = 0;
    sweep.startValue = from;
    sweep.endValue = to;
    sweep.graphCount = count;
    sweep.method = method;
}

// U1 -> R1 1 kOhm -> C1 1 uF to ground: time constant 1 ms, corner 1/(2 pi RC) = 159 Hz.
// U1 is harmonic so that the frequency analysis has its input; at 1 Hz it stays within
// 0.05 % of its peak over the 5 ms shown, so the transient is the charging of C1 after
// 1 V is switched on.
void RcLowPass(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1504, 1352, "RC-фильтр нижних частот");
    Element* u1 = Harmonic(s, 1400, 1504, 1.0, 1.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, kAcross, {1000.0});
    Element* c1 = s.Place(kind::Capacitor, 1608, 1504, kUpright, {1e-6});
    Element* g1 = s.Ground(1400, 1600);
    Element* g2 = s.Ground(1608, 1600);
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, c1, 1);
    s.Join(c1, 2, g2, 1);
    s.Join(u1, 1, g1, 1);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.005, 250)});
    SetOutputs(t, {"C1"}, {"R1"});
    // The voltage on R1 is the complementary high-pass: the two curves cross at
    // -3 dB and +-45 degrees on the corner frequency.
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 100000.0, 201, "U1");
    SetOutputs(f, {"C1", "R1"}, {});
}

// U1 -> R1 -> L1 -> C1: a series circuit resonating at 1/(2 pi sqrt(LC)) = 503 Hz,
// with R1 swept in both analyses to show how the damping shapes the step response
// and the resonance peak (Q from 6.3 down to 0.63). U1 at 0.1 Hz is a 1 V step
// over the 20 ms shown.
void SeriesRlc(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1560, 1352, "Последовательный RLC-контур");
    Element* u1 = Harmonic(s, 1400, 1504, 1.0, 0.1);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, kAcross, {10.0});
    Element* l1 = s.Place(kind::Inductance, 1624, 1440, kAcross, {0.01});
    Element* c1 = s.Place(kind::Capacitor, 1728, 1504, kUpright, {1e-5});
    Element* g1 = s.Ground(1400, 1600);
    Element* g2 = s.Ground(1728, 1600);
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, l1, 1);
    s.Join(l1, 2, c1, 1);
    s.Join(c1, 2, g2, 1);
    s.Join(u1, 1, g1, 1);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.02, 400)});
    SetOutputs(t, {"C1"}, {"L1"});
    SetSweep(t.sweepEnabled, t.sweep, "R1", 5.0, 50.0, 4, SweepSettings::Linear);
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 10000.0, 301, "U1");
    SetOutputs(f, {"C1"}, {});
    SetSweep(f.sweepEnabled, f.sweep, "R1", 5.0, 50.0, 4, SweepSettings::Linear);
}

// U1 -> R1 into the tank L1 || C1: a band-pass centred on 1/(2 pi sqrt(LC)) = 1 kHz,
// 0 dB there, with Q = R sqrt(C/L) = 6.3. The frequency analysis sweeps R1 by
// factors of 4 (Q 1.6, 6.3, 25); the transient switches on 1 V at 1 kHz and shows
// the tank's swing growing to the full input with the time constant 2Q/w0 = 2 RC = 2 ms.
// An odd number of points over two decades puts 1 kHz on the grid.
void RlcBandPass(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1552, 1352, "Полосовой фильтр на LC-контуре");
    Element* u1 = Harmonic(s, 1400, 1504, 1.0, 1000.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, kAcross, {1000.0});
    Element* top = s.Dot(1600, 1440);
    Element* c1 = s.Place(kind::Capacitor, 1600, 1520, kUpright, {1e-6});
    Element* l1 = s.Place(kind::Inductance, 1704, 1520, kUpright, {0.02533});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, top, 1);
    s.Join(top, 4, c1, 1);
    s.Join(top, 3, l1, 1);
    s.Earth(c1, 2, 1600, 1600);
    s.Earth(l1, 2, 1704, 1600);
    s.Earth(u1, 1, 1400, 1600);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.01, 1000)});
    SetOutputs(t, {"L1", "U1"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 100.0, 10000.0, 801, "U1");
    SetOutputs(f, {"L1"}, {});
    SetSweep(f.sweepEnabled, f.sweep, "R1", 250.0, 4000.0, 3, SweepSettings::Logarithmic);
}

// The Wien network: R1 and C1 in series, R2 || C2 to ground, all R = 10 kOhm and
// C = 15.92 nF. Its ratio 1/(3 + j(wRC - 1/(wRC))) runs on a circle of diameter 1/3
// through the origin, touching 1/3 with zero phase at 1/(2 pi RC) = 1 kHz.
void WienHodograph(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1576, 1352, "Мост Вина: годограф");
    Element* u1 = Harmonic(s, 1400, 1504, 1.0, 1000.0);
    Element* r1 = s.Place(kind::Resistor, 1496, 1440, kAcross, {10000.0});
    Element* c1 = s.Place(kind::Capacitor, 1584, 1440, kAcross, {15.92e-9});
    Element* top = s.Dot(1664, 1440);
    Element* r2 = s.Place(kind::Resistor, 1664, 1520, kUpright, {10000.0});
    Element* c2 = s.Place(kind::Capacitor, 1760, 1520, kUpright, {15.92e-9});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, c1, 1);
    s.Join(c1, 2, top, 1);
    s.Join(top, 4, r2, 1);
    s.Join(top, 3, c2, 1);
    s.Earth(r2, 2, 1664, 1600);
    s.Earth(c2, 2, 1760, 1600);
    s.Earth(u1, 1, 1400, 1600);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.005, 500)});
    SetOutputs(t, {"R2", "U1"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 100000.0, 301, "U1");
    f.hodograph = 1;
    f.phase = 0;
    f.yScale = 1;
    SetOutputs(f, {"R2"}, {});
}

// A 1 kHz square wave of 5 V into R1 2 kOhm and C1 1 uF: the time constant of 2 ms
// spans four half-periods, so C1 climbs towards the mean 2.5 V over about 10 ms with
// a ripple on top. Three interval parts: the first two periods in detail, the climb
// with a coarse step, and two periods of the settled ripple in detail again.
// The circuit is for the transient analysis; its frequency settings are ready for
// when U1 is switched to a harmonic source (its harmonic values are set too).
void SquareWaveRc(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1520, 1352, "Меандр на RC-цепи");
    model::VoltageSource* u1 = s.Voltage(1400, 1504);
    u1->SetMode(model::SourceMode::Pulse);
    u1->SetPulseFrequency(1000.0);
    u1->SetPulseDuration(50.0);
    u1->SetPulseAmplitude(5.0);
    u1->SetAcAmplitude(5.0);
    u1->SetAcFrequency(1000.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, kAcross, {2000.0});
    Element* c1 = s.Place(kind::Capacitor, 1608, 1504, kUpright, {1e-6});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, c1, 1);
    s.Earth(c1, 2, 1608, 1600);
    s.Earth(u1, 1, 1400, 1600);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.002, 400), PartByStep(0.002, 0.012, 5e-5), Part(0.012, 0.014, 400)});
    SetOutputs(t, {"U1", "C1"}, {"R1"});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 1.0, 100000.0, 201, "U1");
    SetOutputs(f, {"C1"}, {});
}

// A harmonic current source I1 of 1 mA at 1 kHz feeds R1 || L1 || C1 (tuned to 1 kHz,
// Q = R sqrt(C/L) = 12.6) and stops at 20 ms ("Радиоимпульс"). The energy graph shows
// the stored energy growing towards 1/2 C U^2 = 2 uJ (U = I R = 2 V) as the swing
// builds up with 2 RC = 4 ms, staying there while L1 and C1 trade it, and falling by e
// every RC = 2 ms once the source stops.
// The frequency analysis takes the current of I1 as its input: U(C1)/I(I1) is the
// tank's impedance in ohms (R1 at resonance), I(L1)/I(I1) the current gain (Q there).
void ParallelRlcEnergy(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1552, 1352, "Энергия параллельного контура");
    model::CurrentSource* i1 = s.Current(1400, 1520);
    i1->SetMode(model::SourceMode::Ac);
    i1->SetAcAmplitude(0.001);
    i1->SetAcFrequency(1000.0);
    i1->SetEndTime(true);
    i1->SetEndMoment(0.02);
    Element* a = s.Dot(1504, 1440);
    Element* b = s.Dot(1600, 1440);
    Element* r1 = s.Place(kind::Resistor, 1504, 1520, kUpright, {2000.0});
    Element* l1 = s.Place(kind::Inductance, 1600, 1520, kUpright, {0.02533});
    Element* c1 = s.Place(kind::Capacitor, 1696, 1520, kUpright, {1e-6});
    s.Join(i1, 2, a, 1);
    s.Join(a, 4, r1, 1);
    s.Join(a, 3, b, 1);
    s.Join(b, 4, l1, 1);
    s.Join(b, 3, c1, 1);
    s.Earth(i1, 1, 1400, 1600);
    s.Earth(r1, 2, 1504, 1600);
    s.Earth(l1, 2, 1600, 1600);
    s.Earth(c1, 2, 1696, 1600);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.03, 1500)});
    SetOutputs(t, {"C1"}, {"L1"});
    t.energyGraph = 1;
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 100.0, 10000.0, 401, "I1", FrequencySettings::InputCurrent);
    f.yScale = 2;
    SetOutputs(f, {"C1"}, {"L1"});
}

// A common-emitter stage in small-signal form: 10 mV at 1 kHz through C1 into
// the base, R1 to ground at the base, R3 in the emitter, load R2 at the collector.
void TransistorAmplifier(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1504, 1272, "Усилитель на транзисторе");
    Element* u1 = Harmonic(s, 1296, 1544, 0.01, 1000.0);
    Element* c1 = s.Place(kind::Capacitor, 1400, 1480, kAcross, {1e-5});
    Element* base = s.Dot(1480, 1480);
    Element* r1 = s.Place(kind::Resistor, 1480, 1576, kUpright, {50000.0});
    Element* v1 = s.Place(kind::Transistor, 1568, 1440);
    Element* r2 = s.Place(kind::Resistor, 1672, 1512, kUpright, {5000.0});
    Element* r3 = s.Place(kind::Resistor, 1496, 1368, kUpright, {100.0});
    Element* gu = s.Ground(1296, 1640);
    Element* gb = s.Ground(1480, 1656);
    Element* ge = s.Ground(1432, 1336);
    Element* gc = s.Ground(1672, 1600);
    s.Join(u1, 2, c1, 1);
    s.Join(c1, 2, base, 1);
    s.Join(base, 4, r1, 1);
    s.Join(base, 3, v1, 2);
    s.Join(v1, 1, r3, 2);
    s.Join(r3, 1, ge, 1);
    s.Join(v1, 3, r2, 1);
    s.Join(r2, 2, gc, 1);
    s.Join(r1, 2, gb, 1);
    s.Join(u1, 1, gu, 1);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.005, 500)});
    SetOutputs(t, {"R2", "R1"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 10000000.0, 300, "U1");
    SetOutputs(f, {"R2"}, {});
}

// An inverting stage: R1 10 kOhm in, R2 100 kOhm feedback for a gain of -10, and C1
// 159 pF across R2 closing the band at 1/(2 pi R2 C1) = 10 kHz; R3 is the load.
void OpAmpStage(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1504, 1272, "Инвертирующий усилитель на ОУ");
    Element* u1 = Harmonic(s, 1296, 1544, 0.1, 1000.0);
    Element* r1 = s.Place(kind::Resistor, 1400, 1480, kAcross, {10000.0});
    Element* in = s.Dot(1480, 1480);
    Element* a1 = s.Place(kind::OpAmp, 1568, 1488);
    Element* fbIn = s.Dot(1480, 1400);
    Element* r2 = s.Place(kind::Resistor, 1568, 1400, kAcross, {100000.0});
    Element* c1 = s.Place(kind::Capacitor, 1568, 1336, kAcross, {159e-12});
    Element* fbOut = s.Dot(1648, 1400);
    Element* out = s.Dot(1648, 1488);
    Element* r3 = s.Place(kind::Resistor, 1648, 1576, kUpright, {10000.0});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, in, 1);
    s.Join(in, 3, a1, 1);
    s.Join(in, 2, fbIn, 4);
    s.Join(fbIn, 3, r2, 1);
    s.Join(fbIn, 2, c1, 1);
    s.Join(r2, 2, fbOut, 1);
    s.Join(c1, 2, fbOut, 2);
    s.Join(fbOut, 4, out, 2);
    s.Join(a1, 3, out, 1);
    s.Join(out, 4, r3, 1);
    s.Earth(r3, 2, 1648, 1656);
    s.Earth(a1, 2, 1520, 1560);
    s.Earth(u1, 1, 1296, 1640);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.003, 300)});
    SetOutputs(t, {"R3", "U1"}, {"R2"});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 1000000.0, 201, "U1");
    SetOutputs(f, {"R3"}, {});
}

// The four controlled sources in a chain that turns voltage into voltage (ИНУН,
// k = 10), voltage into current (ИТУН, g = 1 mS), current into current (ИТУТ,
// h = 10) and current into voltage (ИНУТ, r = 200 Ohm). R1 and C1 after the first
// stage make a low-pass at 1/(2 pi R1 C1) = 1.59 kHz; below it C1 carries 10 times
// the input and R2, after the other three stages (g h r = 2), 20 times (26 dB).
void ControlledSources(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1800, 1344, "Цепочка управляемых источников");
    Element* u1 = Harmonic(s, 1352, 1512, 0.1, 1000.0);
    Element* e1 = s.Place(kind::Vcvs, 1560, 1500, -1, {10.0});
    Element* r1 = s.Place(kind::Resistor, 1672, 1452, kAcross, {1000.0});
    Element* mid = s.Dot(1752, 1452);
    Element* c1 = s.Place(kind::Capacitor, 1752, 1512, kUpright, {1e-7});
    Element* g1 = s.Place(kind::Vccs, 1880, 1500, -1, {0.001});
    Element* f1 = s.Place(kind::Cccs, 2016, 1500, -1, {10.0});
    Element* h1 = s.Place(kind::Ccvs, 2152, 1500, -1, {200.0});
    Element* r2 = s.Place(kind::Resistor, 2256, 1512, kUpright, {1000.0});
    s.Join(u1, 2, e1, 1);
    s.Join(e1, 3, r1, 1);
    s.Join(r1, 2, mid, 1);
    s.Join(mid, 4, c1, 1);
    s.Join(mid, 3, g1, 1);
    s.Join(g1, 3, f1, 1);
    s.Join(f1, 3, h1, 1);
    s.Join(h1, 3, r2, 1);
    GroundRail rail(s, 1600);
    rail.Add(u1, 1, 1352);
    for (Element* block : {e1, g1, f1, h1}) {
        rail.Add(block, 2, block->x - 48);
        rail.Add(block, 4, block->x + 48);
    }
    rail.Add(c1, 2, 1752);
    rail.Add(r2, 2, 2256);
    rail.Lay();
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.003, 600)});
    SetOutputs(t, {"U1", "C1", "R2"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 100000.0, 301, "U1");
    SetOutputs(f, {"C1", "R2"}, {});
}

// A gyrator G1 (Sg = 1 mS) loaded by C2 = 25.33 nF looks from its first port like an
// inductance C2 / Sg^2 = 25.33 mH. With C1 1 uF across that port it makes the same
// 1 kHz tank as rlc_bandpass.scm, and the same band-pass curve.
void GyratorInductor(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1640, 1352, "Гиратор вместо катушки");
    Element* u1 = Harmonic(s, 1400, 1504, 1.0, 1000.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, kAcross, {1000.0});
    Element* top = s.Dot(1600, 1440);
    Element* c1 = s.Place(kind::Capacitor, 1600, 1512, kUpright, {1e-6});
    Element* g1 = s.Place(kind::Gyrator, 1744, 1488, -1, {0.001});
    Element* c2 = s.Place(kind::Capacitor, 1880, 1512, kUpright, {25.33e-9});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, top, 1);
    s.Join(top, 4, c1, 1);
    s.Join(top, 3, g1, 1);
    s.Join(g1, 3, c2, 1);
    GroundRail rail(s, 1600);
    rail.Add(u1, 1, 1400);
    rail.Add(c1, 2, 1600);
    rail.Add(g1, 2, 1696);
    rail.Add(g1, 4, 1792);
    rail.Add(c2, 2, 1880);
    rail.Lay();
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.01, 1000)});
    SetOutputs(t, {"C1", "U1"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 100.0, 10000.0, 801, "U1");
    SetOutputs(f, {"C1"}, {});
}

// An ideal transformer TR1 of ratio 10 : 1 between a 1 kOhm source and a 10 Ohm load
// R2: the load is seen from the primary as n^2 R2 = 1 kOhm (a matched load), the
// secondary carries a tenth of the primary voltage and ten times its current. C1
// across the load appears on the primary as C1 / n^2 = 0.1 uF and closes the band at
// 1/(2 pi 500 Ohm 0.1 uF) = 3.18 kHz; at the source's 100 Hz it takes almost nothing,
// so the currents of R1 and R2 show the ratio undisturbed.
void IdealTransformer(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1616, 1352, "Идеальный трансформатор");
    Element* u1 = Harmonic(s, 1400, 1504, 1.0, 100.0);
    Element* r1 = s.Place(kind::Resistor, 1504, 1440, kAcross, {1000.0});
    Element* tr = s.Place(kind::Transformer, 1624, 1488, -1, {10.0});
    Element* top = s.Dot(1744, 1440);
    Element* r2 = s.Place(kind::Resistor, 1744, 1520, kUpright, {10.0});
    Element* c1 = s.Place(kind::Capacitor, 1840, 1520, kUpright, {1e-5});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, tr, 1);
    s.Join(tr, 3, top, 1);
    s.Join(top, 4, r2, 1);
    s.Join(top, 3, c1, 1);
    GroundRail rail(s, 1600);
    rail.Add(u1, 1, 1400);
    rail.Add(tr, 2, 1584);
    rail.Add(tr, 4, 1664);
    rail.Add(r2, 2, 1744);
    rail.Add(c1, 2, 1840);
    rail.Lay();
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.03, 600)});
    SetOutputs(t, {"R2"}, {"R1", "R2"});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 100000.0, 301, "U1");
    SetOutputs(f, {"R2"}, {});
}

// A triode stage in small-signal form (S = 2 mA/V, Ri = 10 kOhm): C1 and the grid
// leak R1 pass the signal from 1/(2 pi R1 C1) = 16 Hz up, the anode load R2 20 kOhm
// gives a gain of S (Ri || R2) = 13.3 (22.5 dB, inverting), and C2 1 nF at the anode
// closes the band at 1/(2 pi (Ri || R2) C2) = 24 kHz.
void TubeAmplifier(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1512, 1288, "Усилитель на триоде");
    Element* u1 = Harmonic(s, 1296, 1544, 0.1, 1000.0);
    Element* c1 = s.Place(kind::Capacitor, 1400, 1480, kAcross, {1e-8});
    Element* grid = s.Dot(1480, 1480);
    Element* r1 = s.Place(kind::Resistor, 1480, 1560, kUpright, {1e6});
    Element* vt = s.Place(kind::Tube, 1568, 1480, -1, {0.002, 10000.0});
    Element* anode = s.Dot(1568, 1392);
    Element* r2 = s.Place(kind::Resistor, 1672, 1480, kUpright, {20000.0});
    Element* c2 = s.Place(kind::Capacitor, 1768, 1480, kUpright, {1e-9});
    Element* load = s.Dot(1672, 1392);
    s.Join(u1, 2, c1, 1);
    s.Join(c1, 2, grid, 1);
    s.Join(grid, 4, r1, 1);
    s.Join(grid, 3, vt, 1);
    s.Join(vt, 2, anode, 4);
    s.Join(anode, 3, load, 1);
    s.Join(load, 4, r2, 1);
    s.Join(load, 3, c2, 1);
    s.Earth(vt, 3, 1560, 1600);
    s.Earth(r1, 2, 1480, 1640);
    s.Earth(r2, 2, 1672, 1600);
    s.Earth(c2, 2, 1768, 1600);
    s.Earth(u1, 1, 1296, 1640);
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.003, 600)});
    SetOutputs(t, {"R2", "U1"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 1.0, 1000000.0, 301, "U1");
    SetOutputs(f, {"R2"}, {});
}

// A unity-resistor Sallen-Key low-pass: R1 = R2 = 10 kOhm, C1 = C2 = 15.92 nF
// (w0 = 1/RC = 6283 rad/s, 1 kHz), the amplifier an ИНУН of gain K with C1 fed
// back from its output. Q = 1/(3 - K): the sweep of K from 1 to 2.8 takes Q from
// 0.5 to 5, and the pole-zero window draws it as a root locus: the two poles
// meet on the real axis at K = 1, then run on the circle |s| = w0 towards the
// imaginary axis, which they would cross at K = 3.
void SallenKeyLowPass(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1640, 1304, "Фильтр Саллена-Ки: корневой годограф по усилению");
    Element* u1 = Harmonic(s, 1352, 1512, 1.0, 1000.0);
    Element* r1 = s.Place(kind::Resistor, 1448, 1440, kAcross, {10000.0});
    Element* a = s.Dot(1528, 1440);
    Element* r2 = s.Place(kind::Resistor, 1600, 1440, kAcross, {10000.0});
    Element* b = s.Dot(1672, 1440);
    Element* c2 = s.Place(kind::Capacitor, 1672, 1520, kUpright, {15.92e-9});
    Element* c1 = s.Place(kind::Capacitor, 1640, 1376, kAcross, {15.92e-9});
    Element* e1 = s.Place(kind::Vcvs, 1784, 1500, -1, {1.6});
    Element* out = s.Dot(1880, 1440);
    Element* r3 = s.Place(kind::Resistor, 1880, 1520, kUpright, {100000.0});
    s.Join(u1, 2, r1, 1);
    s.Join(r1, 2, a, 1);
    s.Join(a, 3, r2, 1);
    s.Join(a, 2, c1, 1);
    s.Join(r2, 2, b, 1);
    s.Join(b, 4, c2, 1);
    s.Join(b, 3, e1, 1);
    s.Join(e1, 3, out, 1);
    s.Join(c1, 2, out, 2);
    s.Join(out, 4, r3, 1);
    GroundRail rail(s, 1600);
    rail.Add(u1, 1, 1352);
    rail.Add(c2, 2, 1672);
    rail.Add(e1, 2, e1->x - 48);
    rail.Add(e1, 4, e1->x + 48);
    rail.Add(r3, 2, 1880);
    rail.Lay();
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.003, 300)});
    SetOutputs(t, {"R3"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 100000.0, 201, "U1");
    SetOutputs(f, {"R3"}, {});
    SetSweep(f.sweepEnabled, f.sweep, e1->Name(), 1.0, 2.8, 10, SweepSettings::Linear);
}

// Five equal RC sections, R = 1 kOhm, C = 100 nF, open at the end: five real
// natural frequencies -(2/RC)(1 - cos((2k-1) pi/11)), spread over almost two
// decades, and no finite zero at the far end (five zeros at infinity).
void RcLadderFive(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1720, 1352, "RC-цепочка из пяти звеньев");
    Element* u1 = Harmonic(s, 1352, 1512, 1.0, 100.0);
    Element* previous = u1;
    int previousPin = 2;
    GroundRail rail(s, 1600);
    rail.Add(u1, 1, 1352);
    for (int k = 0; k < 5; ++k) {
        const int x = 1448 + 136 * k;
        Element* r = s.Place(kind::Resistor, x, 1440, kAcross, {1000.0});
        Element* node = s.Dot(x + 72, 1440);
        Element* c = s.Place(kind::Capacitor, x + 72, 1520, kUpright, {100e-9});
        s.Join(previous, previousPin, r, 1);
        s.Join(r, 2, node, 1);
        s.Join(node, 4, c, 1);
        rail.Add(c, 2, x + 72);
        previous = node;
        previousPin = 3;
    }
    rail.Lay();
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.01, 500)});
    SetOutputs(t, {"C5", "C1"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 1.0, 100000.0, 251, "U1");
    SetOutputs(f, {"C5", "C1"}, {});
}

// The twin-T notch: R1 = R2 = 10 kOhm with C3 = 2C to ground, C1 = C2 = 15.92 nF
// with R3 = R/2 to ground, into a 1 MOhm load. Its zeros sit on the imaginary
// axis at +-j/RC (1 kHz), where the magnitude falls to nothing.
void TwinTNotch(Document& doc) {
    SheetBuilder s(doc);
    s.Label(1640, 1272, "Режекторный фильтр (двойной Т-мост)");
    Element* u1 = Harmonic(s, 1352, 1512, 1.0, 1000.0);
    Element* in = s.Dot(1448, 1440);
    Element* r1 = s.Place(kind::Resistor, 1528, 1440, kAcross, {10000.0});
    Element* m1 = s.Dot(1608, 1440);
    Element* r2 = s.Place(kind::Resistor, 1688, 1440, kAcross, {10000.0});
    Element* out = s.Dot(1768, 1440);
    Element* c3 = s.Place(kind::Capacitor, 1608, 1520, kUpright, {31.84e-9});
    Element* c1 = s.Place(kind::Capacitor, 1528, 1360, kAcross, {15.92e-9});
    Element* m2 = s.Dot(1608, 1360);
    Element* c2 = s.Place(kind::Capacitor, 1688, 1360, kAcross, {15.92e-9});
    Element* r3 = s.Place(kind::Resistor, 1608, 1296, kUpright, {5000.0});
    Element* load = s.Place(kind::Resistor, 1768, 1520, kUpright, {1e6});
    s.Join(u1, 2, in, 1);
    s.Join(in, 3, r1, 1);
    s.Join(in, 2, c1, 1);
    s.Join(r1, 2, m1, 1);
    s.Join(m1, 3, r2, 1);
    s.Join(m1, 4, c3, 1);
    s.Join(r2, 2, out, 1);
    s.Join(c1, 2, m2, 1);
    s.Join(m2, 3, c2, 1);
    s.Join(m2, 2, r3, 2);
    s.Join(c2, 2, out, 2);
    s.Join(out, 4, load, 1);
    s.Earth(r3, 1, 1608, 1232);
    GroundRail rail(s, 1600);
    rail.Add(u1, 1, 1352);
    rail.Add(c3, 2, 1608);
    rail.Add(load, 2, 1768);
    rail.Lay();
    s.Finish();

    TransientSettings& t = doc.settings.transient;
    SetParts(t, {Part(0.0, 0.01, 500)});
    SetOutputs(t, {"R4"}, {});
    FrequencySettings& f = doc.settings.frequency;
    SetFrequency(f, 10.0, 100000.0, 401, "U1");
    SetOutputs(f, {"R4"}, {});
}

struct Example {
    const char* fileName;
    void (*build)(Document&);
};

const Example kExamples[] = {
    {"rc_lowpass.scm", RcLowPass},
    {"rlc_series.scm", SeriesRlc},
    {"rlc_bandpass.scm", RlcBandPass},
    {"wien_bridge_hodograph.scm", WienHodograph},
    {"square_wave_rc.scm", SquareWaveRc},
    {"parallel_rlc_energy.scm", ParallelRlcEnergy},
    {"transistor_amplifier.scm", TransistorAmplifier},
    {"opamp_inverting.scm", OpAmpStage},
    {"controlled_sources.scm", ControlledSources},
    {"gyrator_inductor.scm", GyratorInductor},
    {"ideal_transformer.scm", IdealTransformer},
    {"tube_amplifier.scm", TubeAmplifier},
    {"sallen_key_locus.scm", SallenKeyLowPass},
    {"rc_ladder_poles.scm", RcLadderFive},
    {"twin_t_notch.scm", TwinTNotch},
};

// Writing examples never overwrites a protected file without being told to.
class BatchPrompts : public document::DocumentPrompts {
public:
    document::Answer Ask(const std::string&, bool) override { return document::Answer::No; }
    void Warn(const std::string& message) override { warning = message; }
    bool ChooseSavePath(const std::string&, std::string&) override { return false; }
    std::string warning;
};

} // namespace

std::vector<std::string> ExampleFileNames() {
    std::vector<std::string> names;
    for (const Example& e : kExamples)
        names.push_back(e.fileName);
    return names;
}

std::string WriteExamples(const std::string& folder) {
    for (const Example& e : kExamples) {
        Document doc;
        e.build(doc);
        BatchPrompts prompts;
        const std::string path = folder + "/" + e.fileName;
        const document::SaveResult saved = doc.SaveAs(path, prompts);
        if (!saved.saved)
            return !saved.message.empty()     ? saved.message
                   : !prompts.warning.empty() ? prompts.warning
                                              : path + ": not overwritten (read-only)";
    }
    return {};
}

} // namespace korvanix::tools
