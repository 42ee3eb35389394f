#include "EngineTestSupport.h"

#include "engine/AnalysisGraph.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/FrequencyEquations.h"
#include "engine/MatrixError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine_test {
namespace {

using Cx = std::complex<double>;
using engine::Complex;

constexpr double kTwoPi = 6.283185307179586;

// An AC network drawn twice: on a sheet for the engine, and as a list of stamps for
// an independent nodal solve with plain complex arithmetic. Node labels are the
// engine's node numbers (see Circuit).
class AcCircuit {
public:
    AcCircuit() { c.Ground(0); }

    model::Element* R(int a, int b, double ohms) {
        items_.push_back({'R', a, b, 0, ohms, 0, true});
        return c.R(a, b, ohms);
    }
    model::Element* C(int a, int b, double farads) {
        items_.push_back({'C', a, b, 0, farads, 0, true});
        return c.C(a, b, farads);
    }
    model::Element* L(int a, int b, double henries) {
        items_.push_back({'L', a, b, 0, henries, 0, true});
        return c.L(a, b, henries);
    }
    // A unistor: the current g * v(pin 1) flows through it from pin 1 to pin 2.
    model::Element* S(int pin1, int pin2, double g) {
        items_.push_back({'S', pin1, pin2, 0, g, 0, true});
        return c.S(pin1, pin2, g);
    }
    // A voltage-controlled current source: g * (v(pin 1) - v(pin 2)) flows out of
    // the common pin 2's node through the element into pin 3's node.
    model::Element* Vccs(int pin1, int pin2, int pin3, double g) {
        items_.push_back({'G', pin1, pin2, pin3, g, 0, true});
        model::Element* e = c.Add(model::kind::Vccs, std::vector<int>{pin1, pin2, pin3, -1});
        e->SetParam(0, g);
        return e;
    }
    // v(pin 2) - v(pin 1) = the source's phasor; its phase value is read as radians.
    model::SourceElement* E(int pin1, int pin2, double amplitude, double phase = 0,
                            bool ac = true) {
        items_.push_back({'E', pin1, pin2, 0, amplitude, phase, ac});
        return Harmonic(c.E(pin1, pin2, amplitude), amplitude, phase, ac);
    }
    // The phasor flows through the source from pin 1 to pin 2.
    model::SourceElement* J(int pin1, int pin2, double amplitude, double phase = 0,
                            bool ac = true) {
        items_.push_back({'J', pin1, pin2, 0, amplitude, phase, ac});
        return Harmonic(c.J(pin1, pin2, amplitude), amplitude, phase, ac);
    }

    // Node potentials 0..N at w by modified nodal analysis: one unknown per node and
    // one per voltage source, Gaussian elimination with partial pivoting. DC sources
    // carry no phasor (a DC voltage source is a short, a DC current source open).
    std::vector<Cx> Solve(double omega) const {
        int nodes = 0;
        int sources = 0;
        for (const Item& it : items_) {
            nodes = std::max({nodes, it.a, it.b, it.o});
            if (it.type == 'E')
                ++sources;
        }
        const int n = nodes + sources;
        std::vector<std::vector<Cx>> m(static_cast<std::size_t>(n),
                                       std::vector<Cx>(static_cast<std::size_t>(n + 1)));
        const auto add = [&](int row, int col, Cx v) {
            if (row > 0 && col > 0)
                m[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(col - 1)] += v;
        };
        const auto inject = [&](int row, Cx v) {
            if (row > 0)
                m[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(n)] += v;
        };
        int extra = nodes;
        for (const Item& it : items_) {
            const Cx phasor = it.ac ? std::polar(it.value, it.phase) : Cx(0);
            Cx y;
            switch (it.type) {
            case 'R':
                y = 1.0 / it.value;
                break;
            case 'C':
                y = Cx(0, omega * it.value);
                break;
            case 'L':
                y = 1.0 / Cx(0, omega * it.value);
                break;
            case 'S':
                add(it.a, it.a, it.value);
                add(it.b, it.a, -it.value);
                continue;
            case 'G':
                add(it.b, it.a, it.value);
                add(it.b, it.b, -it.value);
                add(it.o, it.a, -it.value);
                add(it.o, it.b, it.value);
                continue;
            case 'J':
                inject(it.b, phasor);
                inject(it.a, -phasor);
                continue;
            case 'E': {
                ++extra;
                // The source current leaves pin 2's node through the source.
                add(it.b, extra, 1);
                add(it.a, extra, -1);
                add(extra, it.b, 1);
                add(extra, it.a, -1);
                m[static_cast<std::size_t>(extra - 1)][static_cast<std::size_t>(n)] += phasor;
                continue;
            }
            default:
                continue;
            }
            add(it.a, it.a, y);
            add(it.b, it.b, y);
            add(it.a, it.b, -y);
            add(it.b, it.a, -y);
        }
        for (int col = 0; col < n; ++col) {
            int pivot = col;
            for (int r = col + 1; r < n; ++r)
                if (std::abs(m[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)]) >
                    std::abs(m[static_cast<std::size_t>(pivot)][static_cast<std::size_t>(col)]))
                    pivot = r;
            std::swap(m[static_cast<std::size_t>(col)], m[static_cast<std::size_t>(pivot)]);
            const auto& p = m[static_cast<std::size_t>(col)];
            for (int r = 0; r < n; ++r) {
                if (r == col)
                    continue;
                auto& row = m[static_cast<std::size_t>(r)];
                const Cx f = row[static_cast<std::size_t>(col)] / p[static_cast<std::size_t>(col)];
                for (int k = col; k <= n; ++k)
                    row[static_cast<std::size_t>(k)] -= f * p[static_cast<std::size_t>(k)];
            }
        }
        std::vector<Cx> potentials(static_cast<std::size_t>(nodes + 1));
        for (int i = 1; i <= nodes; ++i) {
            const auto& row = m[static_cast<std::size_t>(i - 1)];
            potentials[static_cast<std::size_t>(i)] =
                row[static_cast<std::size_t>(n)] / row[static_cast<std::size_t>(i - 1)];
        }
        return potentials;
    }

    Circuit c;

private:
    struct Item {
        char type;
        int a, b, o;
        double value, phase;
        bool ac;
    };

    static model::SourceElement* Harmonic(model::SourceElement* s, double amplitude, double phase,
                                          bool ac) {
        if (ac) {
            s->SetMode(model::SourceMode::Ac);
            s->SetAcAmplitude(amplitude);
            s->SetAcPhase(phase);
        }
        return s;
    }

    std::vector<Item> items_;
};

Cx ToStd(const Complex& z) {
    return {z.re, z.im};
}

// Node potentials 0..N from the frequency form at w, the way the frequency analysis
// forms them: phi1 = Z (D JO - DC EC), phi2 = inv22T (EC - A12T phi1).
std::vector<Cx> EnginePotentials(engine::Engine& e, double omega) {
    e.FrequencyStep(omega);
    const engine::FrequencyEquations& f = e.Frequency();
    const engine::AnalysisGraph& g = e.Graph();
    engine::ComplexVector rhs = engine::TimesVector(f.D, f.JO);
    const engine::ComplexVector dcec = engine::TimesVector(f.DC, f.EC);
    for (int i = 0; i < rhs.Size(); ++i)
        rhs[i] -= dcec[i];
    const engine::ComplexVector phi1 = engine::TimesVector(f.Z, rhs);
    engine::ComplexVector forest = engine::TimesVector(f.A12T, phi1);
    for (int i = 0; i < forest.Size(); ++i)
        forest[i] = f.EC[i] - forest[i];
    const engine::ComplexVector phi2 = engine::TimesVector(f.inv22T, forest);

    std::vector<Cx> potentials(static_cast<std::size_t>(g.NodeCount() + 1));
    for (std::size_t i = 0; i < g.independentNodes.size(); ++i)
        potentials[static_cast<std::size_t>(g.independentNodes[i]->number)] =
            ToStd(phi1[static_cast<int>(i)]);
    for (std::size_t i = 0; i < g.forestNodes.size(); ++i)
        potentials[static_cast<std::size_t>(g.forestNodes[i]->number)] =
            ToStd(phi2[static_cast<int>(i)]);
    return potentials;
}

// Agreement to 1e-9 of the largest potential: both sides eliminate in double
// precision on well-scaled circuits of a few nodes.
void ExpectSamePotentials(const std::vector<Cx>& engine, const std::vector<Cx>& reference) {
    ASSERT_EQ(engine.size(), reference.size());
    double scale = 0;
    for (const Cx& v : reference)
        scale = std::max(scale, std::abs(v));
    ASSERT_GT(scale, 0);
    for (std::size_t n = 1; n < reference.size(); ++n)
        EXPECT_LE(std::abs(engine[n] - reference[n]), 1e-9 * scale)
            << "node " << n << ": engine " << engine[n] << ", nodal solve " << reference[n];
}

struct Formulated {
    explicit Formulated(AcCircuit& circuit) {
        circuit.c.Wire();
        engine = std::make_unique<engine::Engine>(circuit.c.scheme);
        result = engine->FormulateFrequency(notifier);
    }
    RecordingNotifier notifier;
    std::unique_ptr<engine::Engine> engine;
    model::SchemeError result;
};

struct NetworkCase {
    const char* name;
    std::function<void(AcCircuit&)> draw;
};

const NetworkCase kNetworks[] = {
    {"RC low-pass",
     [](AcCircuit& n) {
         n.E(0, 1, 1);
         n.R(1, 2, 1e3);
         n.C(2, 0, 1e-6);
     }},
    {"RLC with an LC tank, source drawn reversed",
     [](AcCircuit& n) {
         n.E(1, 0, 2);
         n.R(1, 2, 10);
         n.L(2, 3, 0.01);
         n.C(3, 0, 1e-5);
         n.L(3, 0, 0.05);
         n.C(3, 4, 2e-6);
         n.R(4, 0, 100);
     }},
    {"unistors both ways, driven by a current source",
     [](AcCircuit& n) {
         n.J(0, 1, 0.002);
         n.R(1, 0, 1e3);
         n.S(1, 2, 0.01);
         n.S(2, 1, 0.001);
         n.R(2, 0, 500);
         n.C(2, 0, 1e-7);
     }},
    {"voltage-controlled current source",
     [](AcCircuit& n) {
         n.E(0, 1, 1);
         n.R(1, 0, 1e3);
         n.Vccs(1, 0, 2, 0.02);
         n.R(2, 0, 500);
         n.L(2, 0, 0.1);
         n.C(2, 3, 1e-6);
         n.R(3, 0, 50);
     }},
    {"floating sources: an AC one and a DC one (a short)",
     [](AcCircuit& n) {
         n.R(1, 0, 100);
         n.E(1, 2, 1);
         n.R(2, 0, 200);
         n.C(2, 3, 1e-6);
         n.R(3, 0, 300);
         n.E(3, 4, 5, 0, false);
         n.R(4, 0, 1e3);
     }},
};

TEST(FrequencyForm, AgreesWithADirectNodalSolve) {
    for (const NetworkCase& network : kNetworks) {
        for (double f : {10.0, 1e3, 1e5}) {
            SCOPED_TRACE(std::string(network.name) + " at " + std::to_string(f) + " Hz");
            AcCircuit circuit;
            network.draw(circuit);
            Formulated run(circuit);
            ASSERT_EQ(run.result.Code(), 0);
            ExpectSamePotentials(EnginePotentials(*run.engine, kTwoPi * f),
                                 circuit.Solve(kTwoPi * f));
        }
    }
}

TEST(FrequencyForm, RcLowPassFollowsItsTransferFunction) {
    AcCircuit circuit;
    circuit.E(0, 1, 1);
    circuit.R(1, 2, 1e3);
    circuit.C(2, 0, 1e-6);
    Formulated run(circuit);
    ASSERT_EQ(run.result.Code(), 0);
    // The source's node is a forest node, the output the one independent node.
    EXPECT_EQ(run.engine->Frequency().NI, 1);
    EXPECT_EQ(run.engine->Frequency().NF, 1);
    for (double omega : {1.0, 1e3, 1e6}) {
        const Cx expected = 1.0 / Cx(1, omega * 1e-3);
        const Cx got = EnginePotentials(*run.engine, omega)[2];
        EXPECT_NEAR(got.real(), expected.real(), 1e-12) << omega;
        EXPECT_NEAR(got.imag(), expected.imag(), 1e-12) << omega;
    }
}

TEST(FrequencyForm, CapacitorBesideAnInductanceKeepsItsOwnBranch) {
    AcCircuit circuit;
    circuit.E(0, 1, 1);
    circuit.R(1, 2, 10);
    model::Element* c = circuit.C(2, 0, 1e-6);
    model::Element* l = circuit.L(2, 0, 1e-3);
    Formulated run(circuit);
    ASSERT_EQ(run.result.Code(), 0);
    const engine::AnalysisGraph& g = run.engine->Graph();
    int cBranch = -1;
    int lBranch = -1;
    for (std::size_t i = 0; i < g.ordinaryBranches.size(); ++i) {
        const engine::Branch& b = *g.ordinaryBranches[i];
        if (b.c && b.c->id == c->id)
            cBranch = static_cast<int>(i);
        if (b.l && b.l->id == l->id)
            lBranch = static_cast<int>(i);
    }
    ASSERT_GE(cBranch, 0);
    ASSERT_GE(lBranch, 0);
    EXPECT_NE(cBranch, lBranch);
    EXPECT_EQ(g.ordinaryBranches[static_cast<std::size_t>(cBranch)]->l, nullptr);

    const double omega = 2e3;
    run.engine->FrequencyStep(omega);
    const Complex yc = run.engine->Frequency().YO[cBranch];
    const Complex yl = run.engine->Frequency().YO[lBranch];
    EXPECT_EQ(yc.re, 0);
    EXPECT_NEAR(yc.im, omega * 1e-6, 1e-18);
    EXPECT_EQ(yl.re, 0);
    EXPECT_NEAR(yl.im, -1 / (omega * 1e-3), 1e-15);
}

TEST(FrequencyForm, ZeroResistorAdmitsTheQuotientsHugeValue) {
    AcCircuit circuit;
    circuit.E(0, 1, 1);
    model::Element* zero = circuit.R(1, 2, 100);
    circuit.R(2, 0, 50);
    // Documents and element lists may carry a value the parameter dialog refuses.
    ASSERT_TRUE(zero->ParseLine("R,1,2,0"));
    ASSERT_EQ(zero->GetParam(0), 0);
    Formulated run(circuit);
    ASSERT_EQ(run.result.Code(), 0);
    const engine::AnalysisGraph& g = run.engine->Graph();
    int branch = -1;
    for (std::size_t i = 0; i < g.ordinaryBranches.size(); ++i)
        if (g.ordinaryBranches[i]->r && g.ordinaryBranches[i]->r->id == zero->id)
            branch = static_cast<int>(i);
    ASSERT_GE(branch, 0);
    EXPECT_EQ(run.engine->Frequency().YO[branch], Complex(1e30, 1e30));
    run.engine->FrequencyStep(1e4);
    EXPECT_EQ(run.engine->Frequency().YO[branch], Complex(1e30, 1e30));
}

TEST(FrequencyForm, PhasorsCarryTheDirectionAndTheRawPhaseValue) {
    {
        SCOPED_TRACE("current source drawn against its branch");
        AcCircuit circuit;
        model::SourceElement* j = circuit.J(1, 0, 0.5);
        circuit.R(1, 0, 10);
        Formulated run(circuit);
        ASSERT_EQ(run.result.Code(), 0);
        (void)j;
        const engine::StateEquations& lists = run.engine->State();
        ASSERT_EQ(lists.ordinaryCurrentSources.size(), 1u);
        EXPECT_EQ(lists.ordinaryCurrentSources[0].source->Direction(), -1);
        const int position = lists.ordinaryCurrentSources[0].position;
        EXPECT_EQ(run.engine->Frequency().JO[position], Complex(-0.5, 0));
    }
    {
        SCOPED_TRACE("phase value 1 is one radian");
        AcCircuit circuit;
        circuit.E(0, 1, 2, 1.0);
        circuit.R(1, 0, 10);
        Formulated run(circuit);
        ASSERT_EQ(run.result.Code(), 0);
        const Complex e = run.engine->Frequency().EC[0];
        EXPECT_DOUBLE_EQ(e.re, 2 * std::cos(1.0));
        EXPECT_DOUBLE_EQ(e.im, 2 * std::sin(1.0));
    }
}

TEST(FrequencyForm, ExactlyOneHarmonicSourceDrives) {
    struct Case {
        const char* name;
        std::function<void(AcCircuit&)> draw;
        int code;
    };
    const Case cases[] = {
        {"DC only",
         [](AcCircuit& n) {
             n.E(0, 1, 1, 0, false);
             n.R(1, 0, 10);
             n.J(0, 1, 1, 0, false);
         },
         engine::scheme_error::NoHarmonicSource},
        {"an AC voltage and an AC current source",
         [](AcCircuit& n) {
             n.E(0, 1, 1);
             n.R(1, 2, 10);
             n.J(0, 2, 1);
             n.R(2, 0, 10);
         },
         engine::scheme_error::SeveralHarmonicSources},
        {"two AC voltage sources",
         [](AcCircuit& n) {
             n.E(0, 1, 1);
             n.R(1, 2, 10);
             n.E(0, 2, 1);
         },
         engine::scheme_error::SeveralHarmonicSources},
        {"DC sources beside one AC source",
         [](AcCircuit& n) {
             n.E(0, 1, 1, 0, false);
             n.R(1, 2, 10);
             n.J(0, 2, 3, 0, false);
             n.J(0, 2, 1);
             n.R(2, 0, 10);
         },
         0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        AcCircuit circuit;
        k.draw(circuit);
        Formulated run(circuit);
        EXPECT_EQ(run.result.Code(), k.code);
        EXPECT_EQ(run.result.GetElement(), nullptr);
    }
}

TEST(FrequencyForm, DcSourcesAreLeftOutOfTheListsAndPhasors) {
    AcCircuit circuit;
    circuit.E(0, 1, 4, 0, false);
    circuit.R(1, 2, 10);
    model::SourceElement* ac = circuit.J(0, 2, 1);
    circuit.J(2, 0, 3, 0, false);
    circuit.R(2, 0, 10);
    Formulated run(circuit);
    ASSERT_EQ(run.result.Code(), 0);
    const engine::StateEquations& lists = run.engine->State();
    EXPECT_TRUE(lists.voltageSources.empty());
    EXPECT_TRUE(lists.capSourceCurrentSources.empty());
    ASSERT_EQ(lists.ordinaryCurrentSources.size(), 1u);
    EXPECT_EQ(lists.ordinaryCurrentSources[0].source->id, ac->id);
    const engine::FrequencyEquations& f = run.engine->Frequency();
    ASSERT_EQ(f.EC.Size(), 1);
    EXPECT_EQ(f.EC[0], Complex(0, 0));
    int nonzero = 0;
    for (int i = 0; i < f.JO.Size(); ++i)
        nonzero += f.JO[i] != Complex(0, 0);
    EXPECT_EQ(nonzero, 1);
}

TEST(FrequencyForm, NodeReachedOnlyThroughACurrentSourceIsReported) {
    AcCircuit circuit;
    circuit.E(0, 1, 1);
    circuit.R(1, 0, 10);
    circuit.J(1, 2, 1, 0, false);
    Formulated run(circuit);
    EXPECT_EQ(run.result.Code(), engine::scheme_error::PhysicallyIncorrect);
    EXPECT_EQ(run.result.GetElement(), nullptr);
}

TEST(FrequencyForm, LongLadderIsNotTakenForSingular) {
    // 150 sections of 1 kOhm and 1 uF: the determinant of Yn(1), a product of 150
    // pivots near 1e-3, underflows to exactly zero, yet no pivot is zero.
    AcCircuit circuit;
    circuit.E(0, 1, 1);
    for (int k = 1; k <= 150; ++k) {
        circuit.R(k, k + 1, 1e3);
        circuit.C(k + 1, 0, 1e-6);
    }
    Formulated run(circuit);
    ASSERT_EQ(run.result.Code(), 0);
    run.engine->FrequencyStep(1);
    EXPECT_EQ(run.engine->Frequency().Yn.Determinant(), Complex(0, 0));
    ExpectSamePotentials(EnginePotentials(*run.engine, 1e3), circuit.Solve(1e3));
}

TEST(FrequencyForm, SingularPointRaisesMatrixError) {
    // A tank alone on a current source: at w = 2, jwC and 1/(jwL) cancel exactly.
    AcCircuit circuit;
    circuit.J(0, 1, 1);
    circuit.C(1, 0, 0.25);
    circuit.L(1, 0, 1);
    Formulated run(circuit);
    ASSERT_EQ(run.result.Code(), 0);
    EXPECT_THROW(run.engine->FrequencyStep(2), engine::MatrixError);
    EXPECT_NO_THROW(run.engine->FrequencyStep(3));
}

TEST(FrequencyForm, StepNeedsAFrequencyFormulation) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 0, 10);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    ASSERT_EQ(engine.FormulateTransient(notifier).Code(), 0);
    EXPECT_THROW(engine.FrequencyStep(1), engine::MatrixError);
}

TEST(FrequencyForm, FailureSelectsTheDrawnElement) {
    AcCircuit circuit;
    circuit.E(0, 1, 1);
    circuit.R(1, 0, 10);
    model::Element* loose = circuit.c.Add(model::kind::Resistor, std::vector<int>{1, -1});
    Formulated run(circuit);
    EXPECT_EQ(run.result.Code(), engine::scheme_error::NotConnected);
    EXPECT_EQ(run.result.GetElement(), loose);
    ASSERT_EQ(circuit.c.scheme.selection.size(), 1u);
    EXPECT_EQ(circuit.c.scheme.selection[0], loose);
    EXPECT_EQ(engine::SchemeErrorMessage(run.result), "Резистор : элемент не соединен.");
}

} // namespace
} // namespace engine_test
