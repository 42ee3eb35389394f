// The SPICE lines of every element kind, the names, the measured currents and the
// expressions of our quantities in the simulator's vectors, and what cannot be
// written. Whether the simulator computes what we compute from these lines is
// the business of tests/cli/NgspiceComparisonTest.cpp.

#include "../engine/EngineTestSupport.h"

#include "model/Sources.h"
#include "netlist/SpiceDeck.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace korvanix;
using engine_test::Circuit;
namespace kind = model::kind;

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

model::Element* Block(Circuit& c, model::ElementKind k, std::vector<int> pins,
                      std::initializer_list<double> values) {
    model::Element* e = c.Add(k, std::move(pins));
    int i = 0;
    for (double v : values)
        e->SetParam(i++, v);
    return e;
}

model::SourceElement* Harmonic(Circuit& c, model::ElementKind k, int n1, int n2) {
    auto* s = dynamic_cast<model::SourceElement*>(c.Add(k, {n1, n2}));
    s->SetMode(model::SourceMode::Ac);
    s->SetAcAmplitude(2);
    s->SetAcFrequency(50);
    s->SetAcPhase(30);
    return s;
}

struct KindCase {
    const char* what;
    std::function<void(Circuit&)> draw;
    std::vector<std::string> lines; // every line, in order
};

// Nodes are the labels (Circuit numbers them so); the deck's own nodes follow the
// highest label. Edges take 0.125 s.
const std::vector<KindCase>& KindCases() {
    static const std::vector<KindCase> cases = {
        {"resistor", [](Circuit& c) { c.R(2, 1, 1000); }, {"R1 1 2 1000"}},
        {"capacitor from its branch's start, the ground last",
         [](Circuit& c) {
             c.C(0, 1, 0.5, 0.25);
             c.C(2, 1, 2, -1);
         },
         {"C1 1 0 0.5 IC=0.25", "C2 1 2 2 IC=-1"}},
        {"inductance from its branch's end",
         [](Circuit& c) {
             c.L(1, 2, 0.5, 0.125);
             c.L(1, 0, 2, 0);
         },
         {"L1 2 1 0.5 IC=0.125", "L2 0 1 2 IC=0"}},
        {"unistor: g·u(pin 1) from pin 1 to pin 2",
         [](Circuit& c) { c.S(2, 1, 0.5); },
         {"GS1 2 1 2 0 0.5"}},
        {"direct voltage and current, pin 2 minus pin 1 and pin 1 to pin 2",
         [](Circuit& c) {
             c.E(0, 1, 5);
             c.J(1, 0, -0.5);
         },
         {"VU1 1 0 DC 5", "II1 1 0 DC -0.5"}},
        {"harmonic sources: the phasor for .ac, a sine 90° ahead for .tran",
         [](Circuit& c) {
             Harmonic(c, kind::VoltageSource, 0, 1);
             Harmonic(c, kind::CurrentSource, 1, 0);
         },
         {"VU1 1 0 DC 0 AC 2 30 SIN(0 2 50 0 0 120)", "II1 1 0 DC 0 AC 2 30 SIN(0 2 50 0 0 120)"}},
        {"a pulse train, high for its duration from each period's start",
         [](Circuit& c) {
             auto* u = dynamic_cast<model::VoltageSource*>(c.Add(kind::VoltageSource, {0, 1}));
             u->SetMode(model::SourceMode::Pulse);
             u->SetPulseFrequency(0.5);
             u->SetPulseDuration(25);
             u->SetPulseAmplitude(3);
             u->SetPulseOffset(-1);
         },
         {"VU1 1 0 DC -1 PULSE(-1 2 0 0.125 0.125 0.375 2)"}},
        {"a harmonic source with an end moment: gate, behaviour, phasor",
         [](Circuit& c) {
             model::SourceElement* u = Harmonic(c, kind::VoltageSource, 0, 1);
             u->SetAcPhase(0);
             u->SetEndTime(true);
             u->SetEndMoment(4);
         },
         {"VU1 1 2 DC 0 AC 2 0", "VGU1 3 0 PWL(0 1 3.9375 1 4.0625 0)",
          "BU1 2 0 V=V(3)*2*cos(314.15926535897933*time+(0))"}},
        {"ИТУН and ИНУН, the common terminal at pin 4",
         [](Circuit& c) {
             Block(c, kind::Vccs, {1, 0, 2, -1}, {0.5});
             Block(c, kind::Vcvs, {2, -1, 3, 0}, {-4});
         },
         {"* ИТУН1", "GITUN1 0 2 1 0 0.5", "* ИНУН1", "EINUN1 3 0 2 0 -4"}},
        {"ИТУТ and ИНУТ: a zero-volt source across pins 1 and 2 controls them",
         [](Circuit& c) {
             Block(c, kind::Cccs, {1, 0, 2, -1}, {5});
             Block(c, kind::Ccvs, {2, -1, 3, 0}, {200});
         },
         {"* ИТУТ1", "VSITUT1 1 0 0", "FITUT1 0 2 VSITUT1 5", "* ИНУТ1", "VSINUT1 2 0 0",
          "HINUT1 3 0 VSINUT1 200"}},
        {"gyrator and ideal transformer",
         [](Circuit& c) {
             Block(c, kind::Gyrator, {1, 0, 2, 0}, {0.25});
             Block(c, kind::Transformer, {1, 0, 3, -1}, {10});
         },
         {"GG1_1 1 0 2 0 0.25", "GG1_2 2 0 1 0 -0.25", "ETR1 1 4 3 0 10", "VSTR1 4 0 0",
          "FTR1 0 3 VSTR1 10"}},
        {"ideal op-amp: its own gain against the ground",
         [](Circuit& c) {
             Block(c, kind::OpAmp, {1, 2, 3}, {1e9});
         },
         {"* ОУ1: ideal op-amp, u3 = k·(u1 − u2)", "EOU1 3 0 1 2 1000000000"}},
        {"lamp: the primitives of its macro model",
         [](Circuit& c) {
             Block(c, kind::Tube, {1, 2, 0}, {0.5, 1e4});
         },
         {"* VT1: triode (grid, anode, cathode), small-signal model, pin 1 on 1, pin 2 on 2, pin 3 "
          "on 0",
          "GVT1_1 1 0 1 0 0.5", "GVT1_2 1 2 1 0 -0.5", "GVT1_3 0 2 0 0 0.5", "RVT1_4 2 0 10000"}},
        {"transistor: its inner node is the deck's own",
         [](Circuit& c) {
             Block(c, kind::Transistor, {1, 2, 3}, {0.5, 2, 1e5, 10});
         },
         {"* V1: n-p-n transistor (emitter, base, collector), small-signal model, pin 1 on 1, pin "
          "2 on 2, pin 3 on 3",
          "GV1_1 1 4 1 0 -0.25", "GV1_2 1 3 1 0 0.25", "GV1_3 4 3 4 0 -0.25", "RV1_4 1 4 2",
          "RV1_5 4 3 100000", "RV1_6 2 4 10"}},
    };
    return cases;
}

TEST(SpiceDeck, EveryKindHasItsLines) {
    for (const KindCase& k : KindCases()) {
        SCOPED_TRACE(k.what);
        Circuit c;
        c.Ground(0);
        k.draw(c);
        c.Wire();
        netlist::SpiceCircuitRequest request;
        request.edgeTime = 0.125;
        EXPECT_EQ(LinesOf(netlist::SpiceCircuit(c.scheme, request).Lines()), k.lines);
    }
}

// A measured current runs through a zero-volt source after the element; the sign
// of each expression turns the simulator's direction into ours.
TEST(SpiceDeck, MeasuredCurrentsAndTheirSigns) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(2, 1, 100);
    c.C(0, 2, 1e-6);
    c.L(2, 3, 1e-3);
    c.J(3, 0, 1e-3);
    c.Wire();
    netlist::SpiceCircuitRequest request;
    request.measuredCurrents = {"R1", "C1", "I1"};
    const netlist::SpiceCircuit circuit(c.scheme, request);
    EXPECT_EQ(LinesOf(circuit.Lines()),
              (std::vector<std::string>{"VU1 1 0 DC 1", "R1 1 4 100", "VSR1 4 2 0",
                                        "C1 2 5 9.9999999999999995e-07 IC=0", "VSC1 5 0 0",
                                        "L1 3 2 0.001 IC=0", "II1 3 6 DC 0.001", "VSI1 6 0 0"}));

    struct Quantity {
        std::string name;
        std::string voltage;
        std::string transientCurrent;
        std::string frequencyCurrent;
    };
    const Quantity quantities[] = {
        // Voltages from the branch's start (the lower node, the ground last) to its end.
        {"U1", "v(1)", "-i(vu1)", "-i(vu1)"},
        {"R1", "v(1,2)", "i(vsr1)", "i(vsr1)"},
        // The transient analysis counts a capacitor's current from end to start.
        {"C1", "v(2)", "-i(vsc1)", "i(vsc1)"},
        {"L1", "v(2,3)", "i(l1)", "-i(l1)"},
        {"I1", "v(3)", "-i(vsi1)", "-i(vsi1)"},
    };
    for (const Quantity& q : quantities) {
        SCOPED_TRACE(q.name);
        EXPECT_EQ(circuit.ElementVoltage(q.name), q.voltage);
        EXPECT_EQ(circuit.ElementCurrent(q.name, false), q.transientCurrent);
        EXPECT_EQ(circuit.ElementCurrent(q.name, true), q.frequencyCurrent);
    }
    EXPECT_EQ(circuit.NodeVoltage(3), "v(3)");
    EXPECT_FALSE(circuit.NodeVoltage(4)) << "a node of the deck's own";
    EXPECT_FALSE(circuit.ElementVoltage("R9"));
}

// Not measured: a resistor's current has no vector; a voltage source's and an
// inductance's are their own.
TEST(SpiceDeck, UnmeasuredCurrents) {
    Circuit c;
    c.Ground(0);
    c.E(1, 0, 1);
    c.R(1, 2, 100);
    c.L(2, 0, 1e-3);
    c.Wire();
    const netlist::SpiceCircuit circuit(c.scheme, {});
    EXPECT_FALSE(circuit.ElementCurrent("R1", false));
    // U1 drawn with pin 2 on the ground: the simulator's current already runs from
    // the end node to the start node.
    EXPECT_EQ(circuit.ElementCurrent("U1", false), "i(vu1)");
    EXPECT_EQ(circuit.ElementCurrent("L1", false), "i(l1)");
}

// An element the analysis drops stays out of the deck, and its quantities are zero.
TEST(SpiceDeck, ShortedElementsAreLeftOut) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 0, 100);
    c.R(1, 1, 100);
    c.S(0, 1, 1e-3);
    c.Wire();
    const netlist::SpiceCircuit circuit(c.scheme, {});
    EXPECT_EQ(LinesOf(circuit.Lines()),
              (std::vector<std::string>{
                  "VU1 1 0 DC 1", "R1 1 0 100",
                  "* R2 is shorted (both pins on node 1), the analysis leaves it out",
                  "* S1 carries no current: its pin 1 is on the ground, the analysis leaves it "
                  "out"}));
    EXPECT_EQ(circuit.ElementVoltage("R2"), "0");
    EXPECT_EQ(circuit.ElementCurrent("R2", false), "0");
}

// The analysis starting at 3 s: the waveforms are shifted so that the deck's 0 is
// our 3 s. The train is then in its high part and is written upside down.
TEST(SpiceDeck, WaveformsShiftedToTheAnalysisStart) {
    Circuit c;
    c.Ground(0);
    auto* u = dynamic_cast<model::VoltageSource*>(c.Add(kind::VoltageSource, {0, 1}));
    u->SetMode(model::SourceMode::Pulse);
    u->SetPulseFrequency(0.25); // period 4 s
    u->SetPulseDuration(87.5);  // high 3.5 s
    u->SetPulseAmplitude(1);
    model::SourceElement* i = Harmonic(c, kind::CurrentSource, 0, 1);
    i->SetAcFrequency(0.125);
    i->SetEndTime(true);
    i->SetEndMoment(5);
    c.Wire();
    netlist::SpiceCircuitRequest request;
    request.edgeTime = 0.25;
    request.timeOrigin = 3;
    EXPECT_EQ(LinesOf(netlist::SpiceCircuit(c.scheme, request).Lines()),
              (std::vector<std::string>{
                  "VU1 1 0 DC 1 PULSE(1 0 0.5 0.25 0.25 0.25 4)", "II1 0 1 DC 0 AC 2 30",
                  // 3 s of 1/8 Hz are 135°: the phase 30° becomes 165°.
                  "VGI1 2 0 PWL(0 1 1.875 1 2.125 0)",
                  "BI1 0 1 I=V(2)*2*cos(0.78539816339744828*time+(2.8797932657906435))"}));
}

TEST(SpiceDeck, NamesInAscii) {
    EXPECT_EQ(netlist::AsciiName("ИТУН1"), "ITUN1");
    EXPECT_EQ(netlist::AsciiName("ОУ12"), "OU12");
    EXPECT_EQ(netlist::AsciiName("VТ3"), "VT3"); // the lamp's Т is Cyrillic
    EXPECT_EQ(netlist::AsciiName("Схема №1.scm"), "Skhema__1_scm");
    EXPECT_EQ(netlist::AsciiName("щука ёж"), "shchuka_ezh");
}

// What cannot be written is refused with the element's name and the reason.
TEST(SpiceDeck, Refusals) {
    struct Case {
        const char* what;
        std::function<void(Circuit&)> draw;
        std::string message;
    };
    const Case cases[] = {
        {"a pin not connected",
         [](Circuit& c) {
             c.Add(kind::Resistor, {1, -1});
         },
         "R1: pin 2 is not connected"},
        {"a value that is no number",
         [](Circuit& c) { c.R(1, 0, std::numeric_limits<double>::infinity()); },
         "R1: its value \"Сопротивление (R)\" is not a finite number"},
        {"an amplitude that is no number",
         [](Circuit& c) {
             Harmonic(c, kind::VoltageSource, 0, 1)
                 ->SetAcAmplitude(std::numeric_limits<double>::quiet_NaN());
         },
         "U1: its value \"Амплитуда (U0)\" is not a finite number"},
        {"a four-pin element without its common terminal",
         [](Circuit& c) {
             Block(c, kind::Vcvs, {1, -1, 2, -1}, {2});
         },
         "ИНУН1: its common terminal (pin 2 or 4) is not connected"},
        {"an op-amp's output free",
         [](Circuit& c) {
             Block(c, kind::OpAmp, {1, 0, -1}, {1e6});
         },
         "ОУ1: pin 3 is not connected"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Circuit c;
        c.Ground(0);
        k.draw(c);
        c.Wire();
        try {
            netlist::SpiceElementLines(c.scheme);
            ADD_FAILURE() << "written";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), k.message);
        }
    }
}

} // namespace
