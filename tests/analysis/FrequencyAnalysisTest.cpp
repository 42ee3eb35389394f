#include "../engine/EngineTestSupport.h"

#include "analysis/FrequencyAnalysis.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "graph/GraphSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace korvanix;
using analysis::FrequencyOutcome;
using Cx = std::complex<double>;
using document::FrequencySettings;

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegrees = 57.29577951308232;

class RecordingReporter : public analysis::ProgressReporter {
public:
    void ShowPercent(const std::string& text) override { percents.push_back(text); }
    void ShowRun(const std::string& text) override { runs.push_back(text); }
    bool Continue() override { return ++continues != stopAt; }
    void Warning(const std::string& text) override { warnings.push_back(text); }

    std::vector<std::string> percents;
    std::vector<std::string> runs;
    std::vector<std::string> warnings;
    int continues = 0;
    int stopAt = -1; // the Continue call that answers "stop"
};

// A circuit on a sheet, the frequency settings that name its outputs by element,
// and everything a run needs. Node labels are the engine's node numbers.
class Bench {
public:
    Bench() {
        c.Ground(0);
        s.startFrequency = 10;
        s.endFrequency = 10000;
        s.pointCount = 3;
        s.frequencyScale = 2;
    }

    model::SourceElement* AcE(int n1, int n2, double amplitude, double phase = 0) {
        return Harmonic(c.E(n1, n2, amplitude), amplitude, phase);
    }
    model::SourceElement* AcJ(int n1, int n2, double amplitude, double phase = 0) {
        return Harmonic(c.J(n1, n2, amplitude), amplitude, phase);
    }

    void Voltage(const model::Element* e) { outputs_.push_back({e, 0, false}); }
    void NodeVoltage(int node) { outputs_.push_back({nullptr, node, false}); }
    void Current(const model::Element* e) { outputs_.push_back({e, 0, true}); }
    void Input(const model::Element* e, int quantity) { input_ = {e, 0, quantity == 2}; }
    void InputNode(int node) { input_ = {nullptr, node, false}; }
    void Sweep(const model::Element* e, double start, double end, int count) {
        sweepElement_ = e;
        s.sweepEnabled = 1;
        s.sweep.startValue = start;
        s.sweep.endValue = end;
        s.sweep.graphCount = count;
    }

    // Wires, formulates, names the outputs, plans and runs; false when a step
    // before the computation failed.
    bool Prepare() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        engine->UseSparseFrequency(sparse);
        const model::SchemeError formulated = engine->FormulateFrequency(notifier);
        EXPECT_EQ(formulated.Code(), 0);
        if (formulated.Code() != 0)
            return false;
        int voltages = 0;
        int currents = 0;
        for (const Pick& p : outputs_) {
            if (p.current)
                s.SetCurrentOutput(currents++, p.Name());
            else
                s.SetVoltageOutput(voltages++, p.Name());
        }
        s.voltageOutputCount = voltages;
        s.currentOutputCount = currents;
        s.SetInputElement(input_.Name());
        s.inputQuantity = input_.current ? 2 : 1;
        if (sweepElement_)
            s.sweep.SetElementName(sweepElement_->Name());
        plan = analysis::PlanFrequency(*engine, s);
        return true;
    }
    FrequencyOutcome Run() {
        if (!engine && !Prepare())
            return FrequencyOutcome::Completed;
        return analysis::RunFrequency(*engine, plan, s, sink, reporter);
    }

    const graph::GraphData& Pane(int p) const { return sink.Pane(p); }
    std::vector<double> Ys(int pane, int curve, int run = 0) const {
        return Values(Pane(pane).Y(curve, run));
    }
    std::vector<double> Xs(int run = 0) const { return Values(Pane(0).X(run)); }
    // The hodograph's points of a curve as complex numbers.
    std::vector<Cx> Pairs(int curve, int run = 0) const {
        std::vector<Cx> out;
        const graph::Curve& re = Pane(0).PairX(curve, run);
        const graph::Curve& im = Pane(0).Y(curve, run);
        for (std::size_t i = 0; i < re.Count() && i < im.Count(); ++i)
            out.emplace_back(re.ValueAt(i), im.ValueAt(i));
        return out;
    }

    engine_test::Circuit c;
    FrequencySettings s;
    bool sparse = false; // the products the batch tool and the windows use
    engine_test::RecordingNotifier notifier;
    std::unique_ptr<engine::Engine> engine;
    analysis::FrequencyPlan plan;
    graph::GraphSet sink{"График АЧХ/ФЧХ"};
    RecordingReporter reporter;

private:
    struct Pick {
        const model::Element* element = nullptr;
        int node = 0;
        bool current = false;
        std::string Name() const {
            return element ? element->Name() : "Узел " + std::to_string(node);
        }
    };

    static std::vector<double> Values(const graph::Curve& curve) {
        std::vector<double> out;
        for (std::size_t i = 0; i < curve.Count(); ++i)
            out.push_back(curve.ValueAt(i));
        return out;
    }
    static model::SourceElement* Harmonic(model::SourceElement* source, double amplitude,
                                          double phase) {
        source->SetMode(model::SourceMode::Ac);
        source->SetAcAmplitude(amplitude);
        source->SetAcPhase(phase);
        return source;
    }

    std::vector<Pick> outputs_;
    Pick input_;
    const model::Element* sweepElement_ = nullptr;
};

void ExpectNear(Cx got, Cx expected, const std::string& where) {
    EXPECT_LE(std::abs(got - expected), 1e-12 * std::abs(expected) + 1e-15)
        << where << ": got " << got << ", expected " << expected;
}

// The phase in degrees, continued from `previous` instead of jumping at ±180°.
double Continued(double previous, Cx z) {
    double d = std::arg(z) * kDegrees - previous;
    d -= 360 * std::round(d / 360);
    return previous + d;
}

// ---------------------------------------------------------------------------
// Every result slot against values derived by hand.

// v(1) = phasor of U1; Rp shares the source's branch (drawn first, so the source
// joins it), R1 and L1 divide the rest: v(2) = jwL / (100 + jwL).
struct VoltageDriven {
    model::Element *rp, *e, *r1, *l, *shorted;
    explicit VoltageDriven(Bench& b) {
        rp = b.c.R(1, 0, 50);
        e = b.AcE(0, 1, 2, 0.5); // the ratio divides amplitude and phase out
        r1 = b.c.R(1, 2, 100);
        l = b.c.L(2, 0, 0.01);
        shorted = b.c.Add(model::kind::Resistor, std::vector<int>{2, 2}); // pruned
    }
};

Cx Zl(double w) {
    return Cx(0, w * 0.01);
}

TEST(FrequencySlots, EachSlotGivesItsHandDerivedRatio) {
    struct Case {
        const char* name;
        std::function<void(Bench&)> draw; // draws, picks one output and the input
        std::function<Cx(double)> expected;
    };
    const Case cases[] = {
        {"slot 2: voltage of the voltage source",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Voltage(v.e);
             b.Input(v.e, 1);
         },
         [](double) { return Cx(1); }},
        {"slot 3: independent node",
         [](Bench& b) {
             VoltageDriven v(b);
             b.NodeVoltage(2);
             b.Input(v.e, 1);
         },
         [](double w) { return Zl(w) / (100.0 + Zl(w)); }},
        {"slot 4: forest node",
         [](Bench& b) {
             VoltageDriven v(b);
             b.NodeVoltage(1);
             b.Input(v.e, 1);
         },
         [](double) { return Cx(1); }},
        {"slot 5: ordinary branch voltage (branch 1 -> 2)",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Voltage(v.r1);
             b.Input(v.e, 1);
         },
         [](double w) { return 100.0 / (100.0 + Zl(w)); }},
        {"slot 6: resistor in the source's branch",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Voltage(v.rp);
             b.Input(v.e, 1);
         },
         [](double) { return Cx(1); }},
        {"slot 7: ordinary branch current",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Current(v.l);
             b.Input(v.e, 1);
         },
         [](double w) { return 1.0 / (100.0 + Zl(w)); }},
        {"slot 8: current of the resistor in the source's branch",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Current(v.rp);
             b.Input(v.e, 1);
         },
         [](double) { return Cx(1.0 / 50); }},
        {"slot 9: the source feeds both Rp and R1",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Current(v.e);
             b.Input(v.e, 1);
         },
         [](double w) { return 1.0 / 50 + 1.0 / (100.0 + Zl(w)); }},
        {"slot 9: a unistor in the source's branch draws g v(1)",
         [](Bench& b) {
             model::Element* e = b.AcE(0, 1, 1);
             b.c.S(1, 0, 0.03);
             b.c.R(1, 0, 100);
             b.Current(e);
             b.Input(e, 1);
         },
         [](double) { return Cx(0.03 + 0.01); }},
        {"slot 10: an element the analysis dropped reads zero",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Voltage(v.shorted);
             b.Input(v.e, 1);
         },
         [](double) { return Cx(0); }},
        {"slot 3 asked for by the input alone",
         [](Bench& b) {
             VoltageDriven v(b);
             b.Voltage(v.e);
             b.InputNode(2);
         },
         [](double w) { return (100.0 + Zl(w)) / Zl(w); }},
        {"slot 0: the current source's own current (into node 1)",
         [](Bench& b) {
             model::Element* j = b.AcJ(0, 1, 1);
             b.c.R(1, 0, 100);
             b.c.C(1, 0, 1e-6);
             b.Current(j);
             b.Input(j, 2);
         },
         [](double) { return Cx(1); }},
        {"slot 5: voltage of the current source is its load's impedance",
         [](Bench& b) {
             model::Element* j = b.AcJ(0, 1, 3, 1.0);
             b.c.R(1, 0, 100);
             b.c.C(1, 0, 1e-6);
             b.Voltage(j);
             b.Input(j, 2);
         },
         [](double w) { return 1.0 / (0.01 + Cx(0, w * 1e-6)); }},
        {"slot 1: current source in a voltage source's branch",
         [](Bench& b) {
             b.c.E(0, 1, 5); // DC: a short for the phasors
             model::Element* j = b.AcJ(0, 1, 2);
             b.c.R(1, 2, 100);
             b.c.R(2, 0, 100);
             b.Current(j);
             b.Input(j, 2);
         },
         [](double) { return Cx(1); }},
        {"slot 9: the shorting source takes the current source's current back",
         [](Bench& b) {
             model::Element* e = b.c.E(0, 1, 5);
             model::Element* j = b.AcJ(0, 1, 2);
             b.c.R(1, 2, 100);
             b.c.R(2, 0, 100);
             b.Current(e);
             b.Input(j, 2);
         },
         [](double) { return Cx(-1); }},
    };
    for (const Case& k : cases)
        for (bool sparse : {false, true}) {
            SCOPED_TRACE(std::string(k.name) + (sparse ? ", sparse products" : ", dense"));
            Bench b;
            b.sparse = sparse;
            b.s.hodograph = 1;
            k.draw(b);
            ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
            ASSERT_EQ(b.plan.outputs.size(), 1u);
            const std::vector<double> f = b.Xs();
            const std::vector<Cx> k0 = b.Pairs(0);
            ASSERT_EQ(f.size(), 3u);
            ASSERT_EQ(k0.size(), 3u);
            for (std::size_t j = 0; j < f.size(); ++j)
                ExpectNear(k0[j], k.expected(kTwoPi * f[j]), "f = " + std::to_string(f[j]));
        }
}

// The sparse products must give the dense ones' results to the last bit: the same
// operations in the same order, only without the entries that are zero. Circuits
// with unistors in ordinary and source branches, floating sources (forest nodes
// that reach several independent nodes), every composite element and a sweep.
TEST(FrequencySparseProducts, GiveTheDenseResultsBitForBit) {
    struct Case {
        const char* name;
        std::function<void(Bench&)> draw;
    };
    const Case cases[] = {
        {"ladder with unistors and a floating source",
         [](Bench& b) {
             model::Element* e = b.AcE(1, 2, 1, 0.3);
             b.c.R(1, 0, 50);
             b.c.R(2, 3, 100);
             model::Element* s = b.c.S(3, 0, 0.02);
             b.c.C(3, 4, 1e-6);
             b.c.S(4, 2, 0.01);
             b.c.S(2, 3, 0.03); // driven by a forest node: D' has a correction there
             model::Element* l = b.c.L(4, 0, 0.01);
             b.c.R(4, 5, 220);
             b.c.C(5, 0, 2e-7);
             b.Voltage(s);
             b.Voltage(l);
             b.NodeVoltage(5);
             b.Current(e);
             b.Current(s);
             b.Input(e, 1);
         }},
        {"current-driven with a unistor beside the source",
         [](Bench& b) {
             model::Element* j = b.AcJ(0, 1, 2);
             b.c.S(1, 0, 0.05);
             b.c.R(1, 2, 100);
             model::Element* c = b.c.C(2, 0, 1e-6);
             b.c.E(2, 3, 1); // DC: a short for the phasors, a second forest branch
             model::Element* r = b.c.R(3, 0, 330);
             b.Voltage(c);
             b.Current(r);
             b.Input(j, 2);
         }},
        {"transistor stage",
         [](Bench& b) {
             model::Element* e = b.AcE(1, 0, 0.01);
             b.c.R(1, 2, 1000);
             b.c.Add(model::kind::Transistor, std::vector<int>{2, 3, 0});
             model::Element* rc = b.c.R(3, 4, 4700);
             b.c.E(4, 0, 12);
             b.c.C(3, 5, 1e-5);
             model::Element* rl = b.c.R(5, 0, 10000);
             b.Voltage(rl);
             b.Current(rc);
             b.Input(e, 1);
         }},
        {"op-amp integrator and controlled sources",
         [](Bench& b) {
             model::Element* e = b.AcE(1, 0, 1);
             b.c.R(1, 2, 10000);
             b.c.C(2, 3, 1e-8);
             b.c.Add(model::kind::OpAmp, std::vector<int>{0, 2, 3});
             b.c.Add(model::kind::Vcvs, std::vector<int>{3, 0, 4, 0});
             model::Element* r = b.c.R(4, 5, 1000);
             b.c.Add(model::kind::Gyrator, std::vector<int>{5, 0, 6, 0});
             model::Element* c = b.c.C(6, 0, 1e-7);
             b.NodeVoltage(3);
             b.Voltage(c);
             b.Current(r);
             b.Input(e, 1);
         }},
        {"swept unistor in a source branch",
         [](Bench& b) {
             model::Element* e = b.AcE(0, 1, 1);
             model::Element* s = b.c.S(1, 0, 0.05);
             b.c.R(1, 2, 100);
             model::Element* c = b.c.C(2, 0, 1e-6);
             b.Current(e);
             b.Voltage(c);
             b.Input(e, 1);
             b.Sweep(s, 0.01, 0.03, 3);
         }},
    };
    const auto bits = [](const std::vector<double>& v) {
        std::vector<uint64_t> out;
        for (double d : v) {
            uint64_t u = 0;
            std::memcpy(&u, &d, sizeof u);
            out.push_back(u);
        }
        return out;
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Bench dense;
        Bench sparse;
        sparse.sparse = true;
        for (Bench* b : {&dense, &sparse}) {
            b->s.pointCount = 25;
            b->s.phase = 1;
            k.draw(*b);
            ASSERT_EQ(b->Run(), FrequencyOutcome::Completed);
        }
        ASSERT_TRUE(sparse.engine->Frequency().SparseProducts());
        ASSERT_FALSE(dense.engine->Frequency().SparseProducts());
        const int runs = dense.s.sweepEnabled ? dense.s.sweep.graphCount : 1;
        ASSERT_GT(dense.plan.outputs.size(), 0u);
        ASSERT_EQ(sparse.sink.PaneCount(), dense.sink.PaneCount());
        for (int pane = 0; pane < dense.sink.PaneCount(); ++pane)
            for (int curve = 0; curve < static_cast<int>(dense.plan.outputs.size()); ++curve)
                for (int run = 0; run < runs; ++run) {
                    const std::vector<double> want = dense.Ys(pane, curve, run);
                    ASSERT_EQ(want.size(), 25u);
                    EXPECT_EQ(bits(sparse.Ys(pane, curve, run)), bits(want))
                        << "pane " << pane << ", curve " << curve << ", run " << run;
                }
    }
}

// ---------------------------------------------------------------------------
// A series RLC driven by its source: |H| and the phase of the capacitor voltage
// and of the loop current against the closed forms, at every grid point. Both sides
// work in double precision on a 3-node circuit: magnitudes agree to 1e-9
// relative, phases to 1e-7 degrees.

TEST(FrequencyAnalysisRun, SeriesRlcFollowsItsClosedForm) {
    const double r = 100;
    const double l = 0.01;
    const double cap = 1e-6;
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    model::Element* r1 = b.c.R(1, 2, r);
    b.c.L(2, 3, l);
    b.c.C(3, 0, cap);
    b.NodeVoltage(3);
    b.Current(r1);
    b.Input(e, 1);
    b.s.startFrequency = 10;
    b.s.endFrequency = 1e5;
    b.s.pointCount = 41;
    b.s.phase = 1;
    ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);

    const std::vector<double> f = b.Xs();
    EXPECT_EQ(f, analysis::FrequencyGridValues(b.s));
    ASSERT_EQ(f.size(), 41u);
    const std::vector<double> magC = b.Ys(0, 0);
    const std::vector<double> magI = b.Ys(0, 1);
    const std::vector<double> phC = b.Ys(1, 0);
    const std::vector<double> phI = b.Ys(1, 1);
    ASSERT_EQ(magC.size(), f.size());
    ASSERT_EQ(phI.size(), f.size());
    for (std::size_t j = 0; j < f.size(); ++j) {
        SCOPED_TRACE("f = " + std::to_string(f[j]));
        const double w = kTwoPi * f[j];
        const Cx hc = 1.0 / Cx(1 - w * w * l * cap, w * r * cap);
        const Cx hi = 1.0 / Cx(r, w * l - 1 / (w * cap));
        EXPECT_NEAR(magC[j], std::abs(hc), 1e-9 * std::abs(hc));
        EXPECT_NEAR(magI[j], std::abs(hi), 1e-9 * std::abs(hi));
        // 0 to -180 and +90 to -90: neither crosses the cut of atan2.
        EXPECT_NEAR(phC[j], -std::atan2(w * r * cap, 1 - w * w * l * cap) * kDegrees, 1e-7);
        EXPECT_NEAR(phI[j], -std::atan2(w * l - 1 / (w * cap), r) * kDegrees, 1e-7);
    }
}

TEST(FrequencyAnalysisRun, LadderPhaseContinuesThroughTheWrapsInEveryRun) {
    // n RC sections: the phase of v(n + 1)/U runs from 0 towards -90n degrees and
    // would jump back up wherever it passes -180 - 360k. Seven sections pass two
    // such places, which takes the accumulated offset; four end near -360, where
    // the first point of the next run (near 0) must not be unwrapped against the
    // last point of the run before. Two runs (the first resistor swept) show that
    // every run starts unwrapping afresh.
    struct Case {
        int sections;
        double lastBelow;
    };
    for (const Case& k : {Case{4, -300}, Case{7, -560}}) {
        SCOPED_TRACE(std::to_string(k.sections) + " sections");
        Bench b;
        model::Element* e = b.AcE(0, 1, 1);
        model::Element* first = nullptr;
        for (int n = 1; n <= k.sections; ++n) {
            model::Element* r = b.c.R(n, n + 1, 1e3);
            first = first ? first : r;
            b.c.C(n + 1, 0, 1e-6);
        }
        b.NodeVoltage(k.sections + 1);
        b.Input(e, 1);
        b.Sweep(first, 1e3, 2e3, 2);
        b.s.startFrequency = 1;
        b.s.endFrequency = 1e5;
        b.s.pointCount = 121;
        b.s.phase = 1;
        ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);

        for (int run = 0; run < 2; ++run) {
            SCOPED_TRACE("run " + std::to_string(run));
            const std::vector<double> f = b.Xs(run);
            const std::vector<double> mag = b.Ys(0, 0, run);
            const std::vector<double> phase = b.Ys(1, 0, run);
            ASSERT_EQ(phase.size(), 121u);
            double reference = 0;
            int raisedAbove = 0; // points whose raw phase is positive
            for (std::size_t j = 0; j < f.size(); ++j) {
                // Output to input through the chain from the far end: shunt C, series R.
                const Cx y(0, kTwoPi * f[j] * 1e-6);
                Cx v = 1;
                Cx i = 0;
                for (int n = k.sections; n >= 1; --n) {
                    i += y * v;
                    v += (n == 1 ? 1e3 * (run + 1) : 1e3) * i;
                }
                const Cx h = 1.0 / v;
                reference = j == 0 ? std::arg(h) * kDegrees : Continued(reference, h);
                raisedAbove += std::arg(h) > 0;
                EXPECT_NEAR(mag[j], std::abs(h), 1e-9 * std::abs(h)) << f[j];
                EXPECT_NEAR(phase[j], reference, 1e-7) << f[j];
            }
            EXPECT_GT(raisedAbove, 0);
            EXPECT_LT(phase.back(), k.lastBelow);
        }
    }
}

TEST(FrequencyAnalysisRun, SignChangeBetweenTwoPointsIsDrawnUpwards) {
    // A sharp resonance between the only two points: the phase of v(C)/U falls from
    // about -1.5 to about -178.5 degrees, a fall within 30 degrees of 180, which
    // counts as a sign change of the ratio and is drawn 360 degrees higher.
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    b.c.R(1, 2, 10);
    b.c.L(2, 3, 0.01);
    b.c.C(3, 0, 1e-6);
    b.NodeVoltage(3);
    b.Input(e, 1);
    const double f0 = 1e4 / kTwoPi;
    b.s.startFrequency = f0 / 4;
    b.s.endFrequency = f0 * 4;
    b.s.pointCount = 2;
    b.s.phase = 1;
    ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
    const std::vector<double> f = b.Xs();
    const std::vector<double> phase = b.Ys(1, 0);
    ASSERT_EQ(phase.size(), 2u);
    const auto raw = [](double freq) {
        const double w = kTwoPi * freq;
        return -std::atan2(w * 10 * 1e-6, 1 - w * w * 0.01 * 1e-6) * kDegrees;
    };
    EXPECT_NEAR(phase[0], raw(f[0]), 1e-7);
    EXPECT_NEAR(phase[1], raw(f[1]) + 360, 1e-7);
}

TEST(FrequencyAnalysisRun, ZeroInputGivesTheHugeRatioEverywhere) {
    // The input is a DC current source: no phasor, so exactly zero at every point.
    Bench b;
    b.AcE(0, 1, 1);
    b.c.R(1, 2, 100);
    b.c.R(2, 0, 100);
    model::Element* jdc = b.c.J(2, 0, 1);
    b.NodeVoltage(2);
    b.Input(jdc, 2);
    b.s.pointCount = 5;
    b.s.phase = 1;
    ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
    EXPECT_EQ(b.Ys(0, 0), std::vector<double>(5, 1e30));
    EXPECT_EQ(b.Ys(1, 0), std::vector<double>(5, 0.0));
}

TEST(FrequencyAnalysisRun, RatioToZeroIsHugeAndRealElseTheQuotient) {
    using engine::Complex;
    EXPECT_EQ(analysis::TransferRatio(Complex(3, 4), Complex(0, 0)), Complex(1e30, 0));
    EXPECT_EQ(analysis::TransferRatio(Complex(0, 0), Complex(0, 0)), Complex(1e30, 0));
    EXPECT_EQ(analysis::TransferRatio(Complex(3, 4), Complex(0, 2)), Complex(2, -1.5));
    // A denormal input is not zero.
    const Complex tiny(4.9e-324, 0);
    EXPECT_NE(analysis::TransferRatio(Complex(0, 0), tiny), Complex(1e30, 0));
}

// ---------------------------------------------------------------------------
// Phase unwrapping rule.

TEST(PhaseUnwrapping, CorrectionTable) {
    struct Case {
        double previous, phase, correction;
    };
    const Case cases[] = {
        {-170, 175, -360},                 // through -180 downwards: drawn at -185
        {170, -175, 360},                  // through +180 upwards
        {100, -70, 360},                   // a fall of 170: sign change
        {0, -151, 360},                    // falls just inside 150..210
        {0, -209, 360},    {0, -150, 0},   // the bounds are strict
        {0, -210, 0},      {0, 150, 0},    // rises of the same size are left alone
        {0, 180, 0},       {0, 211, -360}, // a rise beyond 210: through the cut
        {0, -509, 360},    {0, -510, 0},   {10, 20, 0}, {-185, -190, 0},
    };
    for (const Case& k : cases)
        EXPECT_EQ(analysis::PhaseWrapCorrection(k.previous, k.phase), k.correction)
            << k.previous << " then " << k.phase;
}

// ---------------------------------------------------------------------------
// Grid.

TEST(FrequencyGrid, LogarithmicWithTwoPointsEndsOnStartTimesRatio) {
    FrequencySettings s;
    s.frequencyScale = 2;
    s.pointCount = 2;
    for (const auto& [start, end] :
         {std::pair{3.0, 7.0}, std::pair{0.1, 3e5}, std::pair{1.0, 1e6}}) {
        s.startFrequency = start;
        s.endFrequency = end;
        EXPECT_EQ(analysis::FrequencyGridValues(s),
                  (std::vector<double>{start, start * (end / start)}));
    }
}

TEST(FrequencyGrid, StepsAreAccumulated) {
    FrequencySettings s;
    s.startFrequency = 1;
    s.endFrequency = 1000;
    s.pointCount = 4;
    s.frequencyScale = 1;
    EXPECT_EQ(analysis::FrequencyGridValues(s), (std::vector<double>{1, 334, 667, 1000}));

    s.frequencyScale = 2;
    const std::vector<double> log = analysis::FrequencyGridValues(s);
    const double rho = std::pow(1000.0, 1.0 / 3);
    EXPECT_EQ(log, (std::vector<double>{1, rho, rho * rho, rho * rho * rho}));
    EXPECT_NEAR(log.back(), 1000, 1e-9);

    s.frequencyScale = 1;
    s.startFrequency = 0.1;
    s.endFrequency = 1;
    s.pointCount = 11;
    double f = 0.1;
    const std::vector<double> linear = analysis::FrequencyGridValues(s);
    ASSERT_EQ(linear.size(), 11u);
    for (double x : linear) {
        EXPECT_EQ(x, f);
        f += (1 - 0.1) / 10;
    }
}

// ---------------------------------------------------------------------------
// Graph set-up.

TEST(FrequencyGraphs, CaptionsAndNamesFollowTheInputQuantity) {
    {
        SCOPED_TRACE("voltage input");
        Bench b;
        VoltageDriven v(b);
        b.NodeVoltage(2);
        b.Voltage(v.r1);
        b.Current(v.l);
        b.Input(v.e, 1);
        b.s.phase = 1;
        b.s.frequencyScale = 2;
        b.s.frequencyScalesAllowed = 3;
        b.s.yScale = 4;
        b.s.yScalesAllowed = 7;
        ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
        ASSERT_EQ(b.sink.PaneCount(), 2);
        const graph::GraphData& mag = b.Pane(0);
        const graph::GraphData& ph = b.Pane(1);
        EXPECT_EQ(mag.Title(), "АЧХ");
        EXPECT_EQ(ph.Title(), "ФЧХ");
        ASSERT_EQ(mag.CurveCount(), 3);
        EXPECT_EQ(mag.CurveName(0), "|U(2)/U(U1)|");
        EXPECT_EQ(mag.CurveName(1), "|U(R2)/U(U1)|");
        EXPECT_EQ(mag.CurveName(2), "|I(L1)/U(U1)|, См");
        EXPECT_EQ(mag.CurveGroup(0), 0);
        EXPECT_EQ(mag.CurveGroup(1), 0);
        EXPECT_EQ(mag.CurveGroup(2), 1);
        EXPECT_EQ(mag.GroupCaption(0), "АЧХ");
        EXPECT_EQ(mag.GroupCaption(1), "G, См");
        EXPECT_EQ(ph.CurveName(0), "arg[U(2)/U(U1)], град");
        EXPECT_EQ(ph.CurveName(2), "arg[I(L1)/U(U1)], град");
        EXPECT_EQ(ph.CurveGroup(2), 0);
        EXPECT_EQ(ph.GroupCaption(0), "град");
        for (const graph::GraphData* p : {&mag, &ph}) {
            EXPECT_EQ(p->XCaption(), "f, Гц");
            EXPECT_EQ(p->IntegerCaption(), "");
            EXPECT_EQ(p->XScale(), graph::ScaleKind::Logarithmic);
            EXPECT_EQ(p->XScaleMask(), 3);
            EXPECT_EQ(p->XAxis().low, 10);
            EXPECT_EQ(p->XAxis().high, 10000);
            EXPECT_FALSE(p->LiveDrawing());
            EXPECT_FALSE(p->Paired());
            EXPECT_EQ(p->RunLabel(), "");
        }
        EXPECT_EQ(mag.YScale(), graph::ScaleKind::Decibel);
        EXPECT_EQ(mag.YScaleMask(), 7);
        EXPECT_TRUE(mag.PositiveQuantity());
        EXPECT_EQ(ph.YScale(), graph::ScaleKind::Linear);
        EXPECT_EQ(ph.YScaleMask(), 1);
        EXPECT_FALSE(ph.PositiveQuantity());
    }
    {
        SCOPED_TRACE("current input");
        Bench b;
        model::Element* j = b.AcJ(0, 1, 1);
        model::Element* r = b.c.R(1, 0, 100);
        b.c.C(1, 0, 1e-6);
        b.NodeVoltage(1);
        b.Current(r);
        b.Input(j, 2);
        ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
        ASSERT_EQ(b.sink.PaneCount(), 1);
        const graph::GraphData& mag = b.Pane(0);
        EXPECT_EQ(mag.CurveName(0), "|U(1)/I(I1)|, Ом");
        EXPECT_EQ(mag.CurveName(1), "|I(R1)/I(I1)|");
        EXPECT_EQ(mag.CurveGroup(1), 1);
        EXPECT_EQ(mag.GroupCaption(0), "R, Ом");
        EXPECT_EQ(mag.GroupCaption(1), "АЧХ");
    }
}

TEST(FrequencyGraphs, CurrentsAloneShareGroupZeroWithTheCurrentCaption) {
    struct Case {
        bool currentInput;
        const char* caption;
        const char* firstName;
    };
    for (const Case& k :
         {Case{false, "G, См", "|I(R2)/U(U1)|, См"}, Case{true, "АЧХ", "|I(R2)/I(I1)|"}}) {
        SCOPED_TRACE(k.caption);
        Bench b;
        model::Element* source = k.currentInput ? b.AcJ(0, 1, 1) : b.AcE(0, 1, 1);
        b.c.R(1, 0, 50);
        model::Element* r2 = b.c.R(1, 2, 100);
        model::Element* l = b.c.L(2, 0, 0.01);
        b.Current(r2);
        b.Current(l);
        b.Input(source, k.currentInput ? 2 : 1);
        ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
        const graph::GraphData& mag = b.Pane(0);
        EXPECT_EQ(mag.CurveName(0), k.firstName);
        EXPECT_EQ(mag.CurveGroup(0), 0);
        EXPECT_EQ(mag.CurveGroup(1), 0);
        EXPECT_EQ(mag.GroupCaption(0), k.caption);
        EXPECT_EQ(mag.GroupCount(), 1);
    }
}

// ---------------------------------------------------------------------------
// Sweep, progress, stop and failures.

TEST(FrequencySweep, HodographHasOneCurvePerOutputAndPairsPerRun) {
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    model::Element* r = b.c.R(1, 2, 1000);
    model::Element* c = b.c.C(2, 0, 1e-6);
    b.NodeVoltage(2);
    b.Current(c);
    b.Input(e, 1);
    b.Sweep(r, 100, 300, 3);
    b.s.hodograph = 1;
    b.s.phase = 1; // the hodograph replaces both graphs
    b.s.pointCount = 6;
    ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);

    ASSERT_EQ(b.sink.PaneCount(), 1);
    const graph::GraphData& p = b.Pane(0);
    EXPECT_TRUE(p.Paired());
    EXPECT_EQ(p.Title(), "Годограф");
    EXPECT_EQ(p.CurveCount(), 2);
    EXPECT_EQ(p.RunCount(), 3);
    EXPECT_EQ(p.CurveName(0), "[U(2)/U(U1)]");
    EXPECT_EQ(p.CurveName(1), "[I(C1)/U(U1)], См");
    EXPECT_EQ(p.CurveGroup(1), 0);
    EXPECT_EQ(p.GroupCaption(0), "Im");
    EXPECT_EQ(p.PairXCaption(), "Re");
    EXPECT_EQ(p.XCaption(), "f, Гц");
    EXPECT_EQ(p.XScale(), graph::ScaleKind::Linear);
    EXPECT_EQ(p.YScale(), graph::ScaleKind::Linear);
    EXPECT_EQ(p.XScaleMask(), 1);
    EXPECT_EQ(p.YScaleMask(), 1);
    EXPECT_FALSE(p.PositiveQuantity());
    EXPECT_EQ(p.RunLabel(), "R(R1), Ом");
    EXPECT_EQ(p.RunValues(), (std::vector<double>{100, 200, 300}));
    // The paired x range comes from the data: Re of the low-pass runs over 0..1.
    EXPECT_LE(p.XAxis().low, 0.01);
    EXPECT_GE(p.XAxis().high, 0.99);

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const double rValue = 100.0 * (run + 1);
        const std::vector<double> f = b.Xs(run);
        ASSERT_EQ(f.size(), 6u);
        const std::vector<Cx> v = b.Pairs(0, run);
        const std::vector<Cx> i = b.Pairs(1, run);
        ASSERT_EQ(v.size(), 6u);
        ASSERT_EQ(i.size(), 6u);
        for (std::size_t j = 0; j < f.size(); ++j) {
            const Cx y(0, kTwoPi * f[j] * 1e-6);
            const Cx h = 1.0 / (1.0 + rValue * y);
            ExpectNear(v[j], h, "U");
            ExpectNear(i[j], y * h, "I");
        }
        EXPECT_EQ(p.SegmentEnds(run), std::vector<int>{6});
    }
}

TEST(FrequencySweep, SweptUnistorInTheSourceBranchTakesEachRunsValue) {
    // The products that carry the source branches' unistor conductances follow the
    // swept value; formed once, every run would show the document's 0.05.
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    model::Element* s = b.c.S(1, 0, 0.05);
    b.c.R(1, 0, 100);
    b.Current(e);
    b.Input(e, 1);
    b.Sweep(s, 0.01, 0.03, 3);
    b.s.pointCount = 2;
    ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
    const double expected[] = {0.02, 0.03, 0.04};
    for (int run = 0; run < 3; ++run)
        for (double m : b.Ys(0, 0, run))
            EXPECT_NEAR(m, expected[run], 1e-14) << "run " << run;
}

TEST(FrequencySweep, RejectedValueEndsQuietlyAfterTheWarning) {
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    model::Element* r = b.c.R(1, 2, 1000);
    b.c.C(2, 0, 1e-6);
    b.NodeVoltage(2);
    b.Input(e, 1);
    b.Sweep(r, 100, -100, 3); // 100, 0, -100: a resistance may not be 0
    ASSERT_EQ(b.Run(), FrequencyOutcome::ParameterRejected);
    ASSERT_EQ(b.reporter.warnings.size(), 1u);
    EXPECT_EQ(b.reporter.warnings[0], "Неверный параметр: Сопротивление (R)=0");
    EXPECT_EQ(b.Pane(0).RunValues(), std::vector<double>{100});
    EXPECT_EQ(b.Xs(0).size(), 3u);
    EXPECT_TRUE(b.Xs(1).empty());
    EXPECT_EQ(b.reporter.percents.back(), "100 %");
    EXPECT_EQ(b.sink.StatusText().rfind("Время расчета: ", 0), 0u);
}

TEST(FrequencyProgress, EveryTwentiethPointShowsFivePerCentMore) {
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    b.c.R(1, 2, 1000);
    b.c.C(2, 0, 1e-6);
    b.NodeVoltage(2);
    b.Input(e, 1);
    b.s.pointCount = 41; // s = 2: points 0, 2, ..., 40
    ASSERT_EQ(b.Run(), FrequencyOutcome::Completed);
    std::vector<std::string> expected{"0 %"};
    for (int j = 0; j <= 40; j += 2)
        expected.push_back(std::to_string(5 * j / 2) + " %");
    expected.push_back("100 %");
    EXPECT_EQ(b.reporter.percents, expected);
    EXPECT_EQ(b.reporter.runs, std::vector<std::string>(22, "1 из 1"));
    EXPECT_EQ(b.reporter.continues, 41);
    EXPECT_EQ(b.sink.StatusText().rfind("Время расчета: ", 0), 0u);
}

TEST(FrequencyProgress, StopDuringTheSecondOfThreeRuns) {
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    model::Element* r = b.c.R(1, 2, 1000);
    b.c.C(2, 0, 1e-6);
    b.NodeVoltage(2);
    b.Input(e, 1);
    b.Sweep(r, 100, 300, 3);
    b.s.pointCount = 10;
    b.s.phase = 1;
    b.reporter.stopAt = 14; // the fourth point of run 2
    ASSERT_EQ(b.Run(), FrequencyOutcome::Stopped);
    EXPECT_TRUE(b.reporter.warnings.empty());
    EXPECT_NE(b.reporter.percents.back(), "100 %");
    EXPECT_EQ(b.reporter.runs.back(), "2 из 3");
    for (int pane = 0; pane < 2; ++pane) {
        const graph::GraphData& p = b.Pane(pane);
        EXPECT_EQ(p.RunValues(), (std::vector<double>{100, 200}));
        EXPECT_EQ(p.X(0).Count(), 10u);
        EXPECT_EQ(p.X(1).Count(), 4u);
        EXPECT_EQ(p.Y(0, 1).Count(), 4u);
        EXPECT_EQ(p.X(2).Count(), 0u);
        EXPECT_EQ(p.SegmentEnds(1), std::vector<int>{4});
        EXPECT_TRUE(p.SegmentEnds(2).empty());
    }
    EXPECT_EQ(b.sink.StatusText().rfind("Время расчета: ", 0), 0u);
}

TEST(FrequencyFailures, SingularPointRaisesMatrixErrorAndKeepsEarlierPoints) {
    // A tank alone on a current source: at w = 2 the admittances j0.5 and -j0.5
    // cancel exactly and the nodal matrix is singular.
    double fs = 2 / kTwoPi;
    while (fs * kTwoPi < 2)
        fs = std::nextafter(fs, 1.0);
    while (fs * kTwoPi > 2)
        fs = std::nextafter(fs, 0.0);
    ASSERT_EQ(fs * kTwoPi, 2.0);

    Bench b;
    model::Element* j = b.AcJ(0, 1, 1);
    b.c.C(1, 0, 0.25);
    b.c.L(1, 0, 1);
    b.NodeVoltage(1);
    b.Input(j, 2);
    b.s.frequencyScale = 1;
    b.s.startFrequency = fs / 2; // w = 1, then exactly w = 2
    b.s.endFrequency = fs;
    b.s.pointCount = 2;
    EXPECT_THROW(b.Run(), engine::MatrixError);
    const graph::GraphData& p = b.Pane(0);
    EXPECT_EQ(p.X(0).Count(), 1u);
    EXPECT_EQ(p.Y(0, 0).Count(), 1u);
    EXPECT_EQ(p.SegmentEnds(0), std::vector<int>{1});
    // Finished: the range comes from the point computed (|1 / (j0.25 - j)| = 4/3).
    EXPECT_NEAR(p.CurveMaximum(0), 4.0 / 3, 1e-12);
    EXPECT_EQ(b.sink.StatusText(), "");
}

TEST(FrequencyPlan, NothingToComputeWithoutOutputs) {
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    b.c.R(1, 0, 100);
    b.Input(e, 1);
    ASSERT_TRUE(b.Prepare());
    EXPECT_FALSE(b.plan.Ready());
    EXPECT_EQ(b.plan.message, "Пожалуйста, выберите переменную для расчета");

    Bench unknown; // a name that matches nothing gives no curve either
    model::Element* e2 = unknown.AcE(0, 1, 1);
    unknown.c.R(1, 0, 100);
    unknown.NodeVoltage(9);
    unknown.Input(e2, 1);
    ASSERT_TRUE(unknown.Prepare());
    EXPECT_EQ(unknown.plan.message, "Пожалуйста, выберите переменную для расчета");
}

TEST(FrequencyPlan, SweepOfAnUnknownElementIsAnAnalysisError) {
    Bench b;
    model::Element* e = b.AcE(0, 1, 1);
    b.c.R(1, 0, 100);
    b.NodeVoltage(1);
    b.Input(e, 1);
    b.c.Wire();
    b.engine = std::make_unique<engine::Engine>(b.c.scheme);
    ASSERT_EQ(b.engine->FormulateFrequency(b.notifier).Code(), 0);
    b.s.SetVoltageOutput(0, "Узел 1");
    b.s.voltageOutputCount = 1;
    b.s.sweepEnabled = 1;
    b.s.sweep.SetElementName("R7");
    try {
        analysis::PlanFrequency(*b.engine, b.s);
        FAIL() << "no AnalysisError";
    } catch (const engine::AnalysisError& error) {
        EXPECT_EQ(error.Code(), engine::AnalysisError::SweepElementNotFound);
    }
}

} // namespace
