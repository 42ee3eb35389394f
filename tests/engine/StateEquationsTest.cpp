#include "EngineTestSupport.h"

#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/StateEquations.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace engine_test {
namespace {

using engine::Matrix;
using engine::Vector;

std::vector<double> Entries(const Matrix& m) {
    std::vector<double> out;
    for (int i = 0; i < m.Rows(); ++i)
        for (int j = 0; j < m.Cols(); ++j)
            out.push_back(m(i, j));
    return out;
}

std::vector<double> Entries(const Vector& v) {
    std::vector<double> out;
    for (int i = 0; i < v.Size(); ++i)
        out.push_back(v[i]);
    return out;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-9 * (1 + std::abs(expected[i]))) << "entry " << i;
}

void ExpectShape(const Matrix& m, int rows, int cols) {
    EXPECT_EQ(m.Rows(), rows);
    EXPECT_EQ(m.Cols(), cols);
}

class StateFormulation : public ::testing::Test {
protected:
    engine::StateEquations& Formulate() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        const model::SchemeError result = engine->FormulateTransient(notifier);
        EXPECT_EQ(result.Code(), 0) << engine::SchemeErrorMessage(result);
        return engine->State();
    }

    Circuit c;
    RecordingNotifier notifier;
    std::unique_ptr<engine::Engine> engine;
};

// Source, series R, shunt C: every node lies on the capacitor/source forest.
TEST_F(StateFormulation, RcCircuit) {
    constexpr double R = 1000, C = 1e-6;
    c.Ground(0);
    c.E(0, 1, 5);
    c.R(1, 2, R);
    c.C(2, 0, C, 0.25);
    const engine::StateEquations& s = Formulate();

    EXPECT_EQ(s.NI, 0);
    EXPECT_EQ(s.NF, 2);
    EXPECT_EQ(s.BO, 1);
    EXPECT_EQ(s.BC, 2);
    EXPECT_EQ(s.kO, 0);
    EXPECT_EQ(s.kC, 0);
    EXPECT_TRUE(s.dynamic);
    EXPECT_TRUE(s.capacitor);
    EXPECT_FALSE(s.ordinaryInductance);
    EXPECT_FALSE(s.capSourceInductance);
    EXPECT_EQ(Entries(s.Cval), (std::vector<double>{0, C}));
    EXPECT_EQ(Entries(s.uCinit), (std::vector<double>{0, 0.25}));

    // The nodal part is empty: potentials follow from the branch voltages alone.
    ExpectShape(s.Yn, 0, 0);
    ExpectShape(s.Z, 0, 0);
    ExpectShape(s.Pphi, 0, 2);
    EXPECT_EQ(Entries(s.inv22T), (std::vector<double>{1, 0, 0, 1}));
    // uR = uE - uC.
    ExpectNear(Entries(s.Kv1), {1, -1});
    // duC/dt = (uE - uC) / RC; the source's row is zero.
    ExpectShape(s.F2, 2, 2);
    ExpectNear(Entries(s.F2), {0, 0, 1 / (R * C), -1 / (R * C)});
    ExpectShape(s.F1, 0, 2);
    EXPECT_TRUE(s.F2.RowIndex().valid);
    EXPECT_TRUE(s.F1.RowIndex().valid);
    EXPECT_TRUE(s.Pphi.RowIndex().valid);
    EXPECT_TRUE(s.Pphix.RowIndex().valid);
    EXPECT_TRUE(s.S2Gamma2.RowIndex().valid);

    ASSERT_EQ(s.voltageSources.size(), 1u);
    EXPECT_EQ(s.voltageSources[0].position, 0);
    engine->State().SourceValues(0);
    EXPECT_EQ(Entries(s.eC), (std::vector<double>{5, 0}));
}

// Source, series R, inductance to ground: the inductor current is the state x1.
TEST_F(StateFormulation, RlCircuit) {
    constexpr double R = 50, L = 0.2;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, R);
    c.L(2, 0, L, 0.125);
    const engine::StateEquations& s = Formulate();

    EXPECT_EQ(s.NI, 1);
    EXPECT_EQ(s.BO, 2);
    EXPECT_EQ(s.kO, 1);
    EXPECT_TRUE(s.dynamic);
    EXPECT_TRUE(s.ordinaryInductance);
    EXPECT_FALSE(s.capacitor);
    EXPECT_EQ(Entries(s.L1), (std::vector<double>{L}));
    EXPECT_EQ(Entries(s.iL1), (std::vector<double>{0.125}));
    ExpectNear(Entries(s.Yn), {1 / R});
    // x1 runs from ground up through L into node 2: uR = -R x1, uL = uE + R x1.
    ExpectNear(Entries(s.KLJ1), {-R, R});
    ExpectNear(Entries(s.Kv1), {0, 1});
    // dx1/dt = -(R x1 + uE) / L.
    ExpectNear(Entries(s.F1), {-R / L, -1 / L});
    // phi(2) = uE + R x1.
    ExpectNear(Entries(s.Pphi), {1});
    ExpectNear(Entries(s.Pphix), {R});
    ExpectNear(Entries(s.F2), {0, 0});
}

// Source, series L, shunt C: the inductor current charges the capacitor.
TEST_F(StateFormulation, LcCircuit) {
    constexpr double L = 0.5, C = 2e-3;
    c.Ground(0);
    c.E(0, 1, 1);
    c.L(1, 2, L);
    c.C(2, 0, C);
    const engine::StateEquations& s = Formulate();

    EXPECT_EQ(s.NI, 0);
    EXPECT_EQ(s.kO, 1);
    // x1 runs inside L from node 2 to node 1, so it leaves the capacitor:
    // C duC/dt = -x1 and L dx1/dt = uC - uE.
    ExpectShape(s.F1, 1, 3);
    ExpectNear(Entries(s.F1), {0, -1 / L, 1 / L});
    ExpectShape(s.F2, 2, 3);
    ExpectNear(Entries(s.F2), {0, 0, 0, -1 / C, 0, 0});
    // The same current passes through the source from node 1 to ground.
    ExpectNear(Entries(s.KLJ2), {-1, 1});
}

// A capacitor between two resistive nodes: node 2 is solved through Yn, node 3
// hangs on it through the capacitor.
TEST_F(StateFormulation, CapacitorBetweenTwoResistiveNodes) {
    constexpr double R1 = 100, R2 = 200, R3 = 400, C = 1e-3;
    constexpr double Gs = 1 / R1 + 1 / R2 + 1 / R3;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, R1);
    c.R(2, 0, R2);
    c.C(2, 3, C);
    c.R(3, 0, R3);
    const engine::StateEquations& s = Formulate();

    EXPECT_EQ(s.NI, 1);
    EXPECT_EQ(s.NF, 2);
    ExpectNear(Entries(s.Yn), {Gs});
    // phi(2) = (uE / R1 + uC / R3) / Gs.
    ExpectNear(Entries(s.Pphi), {1 / (R1 * Gs), 1 / (R3 * Gs)});
    // C duC/dt = (phi(2) - uC) / R3.
    ExpectNear(Entries(s.F2), {0, 0, 1 / (R1 * R3 * Gs * C), (1 / (R3 * R3 * Gs) - 1 / R3) / C});
}

TEST_F(StateFormulation, UnistorAcrossACapacitorLoadsIt) {
    constexpr double R = 100, C = 1e-3, g = 0.03;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, R);
    c.C(2, 0, C);
    c.S(2, 0, g); // g·phi(2) from node 2 to ground
    const engine::StateEquations& s = Formulate();
    ExpectNear(Entries(s.F2), {0, 0, 1 / (R * C), -(1 / R + g) / C});
}

TEST_F(StateFormulation, ResistiveDividerHasNoState) {
    constexpr double R1 = 300, R2 = 100;
    c.Ground(0);
    c.E(0, 1, 8);
    c.R(1, 2, R1);
    c.R(2, 0, R2);
    const engine::StateEquations& s = Formulate();

    EXPECT_FALSE(s.dynamic);
    EXPECT_FALSE(s.capacitor);
    EXPECT_FALSE(s.ordinaryInductance);
    EXPECT_FALSE(s.capSourceInductance);
    EXPECT_EQ(s.NI, 1);
    EXPECT_EQ(s.NF, 1);
    ExpectShape(s.F1, 0, 1);
    ExpectShape(s.F2, 1, 1);
    EXPECT_EQ(Entries(s.F2), (std::vector<double>{0}));
    ExpectNear(Entries(s.Yn), {1 / R1 + 1 / R2});
    ExpectNear(Entries(s.Z), {R1 * R2 / (R1 + R2)});
    // phi(2) = uE R2 / (R1 + R2); no inductor currents to add.
    ExpectNear(Entries(s.Pphi), {R2 / (R1 + R2)});
    ExpectShape(s.Pphix, 1, 0);
    ExpectNear(Entries(s.Kv1), {R1 / (R1 + R2), R2 / (R1 + R2)});
}

TEST_F(StateFormulation, UnistorDrivesItsBranchFromPinOne) {
    constexpr double g = 2e-3, R = 500;
    c.Ground(0);
    c.E(0, 1, 1);
    c.S(1, 2, g);
    c.R(2, 0, R);
    const engine::StateEquations& s = Formulate();
    // g·phi(1) flows into node 2 and through R: phi(2) = g R uE.
    ExpectNear(Entries(s.Yn), {1 / R});
    ExpectNear(Entries(s.Pphi), {g * R});
}

TEST_F(StateFormulation, InductanceAcrossACapacitorIsCountedInX3) {
    constexpr double R = 10, C = 1e-3, L = 0.5;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, R);
    c.C(2, 0, C);
    c.L(0, 2, L, -0.5);
    const engine::StateEquations& s = Formulate();

    EXPECT_EQ(s.kO, 0);
    EXPECT_EQ(s.kC, 1);
    EXPECT_TRUE(s.capSourceInductance);
    EXPECT_FALSE(s.ordinaryInductance);
    EXPECT_EQ(Entries(s.L2), (std::vector<double>{L}));
    EXPECT_EQ(Entries(s.iL2), (std::vector<double>{-0.5}));
    ExpectNear(Entries(s.S2Gamma2), {0, 1 / L});
    // C duC/dt = (uE - uC) / R + x3, x3 flowing from ground up into node 2.
    ExpectShape(s.F2, 2, 3);
    ExpectNear(Entries(s.F2), {0, 0, 0, 1 / (R * C), -1 / (R * C), 1 / C});
}

TEST_F(StateFormulation, InductanceAndCurrentSourceShareOneRow) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 10);
    c.L(2, 0, 1e-3);
    c.J(0, 2, 0.75); // pushes into node 2, the branch's start
    c.R(2, 3, 10);
    c.J(3, 0, 0.5); // pulls out of node 3
    c.R(3, 0, 10);
    engine::StateEquations& s = Formulate();

    EXPECT_EQ(s.kO, 2);
    ASSERT_EQ(s.ordinaryCurrentSources.size(), 2u);
    EXPECT_EQ(s.ordinaryCurrentSources[0].position, 0);
    EXPECT_EQ(s.ordinaryCurrentSources[1].position, 1);
    s.SourceValues(0);
    EXPECT_EQ(Entries(s.jO), (std::vector<double>{0.75, -0.5}));
    EXPECT_EQ(Entries(s.w12), (std::vector<double>{0, 0, 0})); // left as it was

    s.SourceDerivatives(0, 0, 2);
    EXPECT_EQ(Entries(s.jO), (std::vector<double>{1.5, -1}));
    EXPECT_EQ(Entries(s.eC), (std::vector<double>{2}));
    EXPECT_EQ(Entries(s.w12), (std::vector<double>{1.5, -1, 2}));
    EXPECT_EQ(Entries(s.w123), (std::vector<double>{1.5, -1, 2}));
    s.SourceDerivatives(0, 1, 2); // constant sources: nothing changes
    EXPECT_EQ(Entries(s.w123), (std::vector<double>{0, 0, 0}));
}

TEST_F(StateFormulation, SourceVectorsFollowTheStateLayout) {
    c.Ground(0);
    c.E(1, 0, 3); // every source here lies against its branch
    c.R(1, 2, 10);
    c.L(2, 0, 1e-3);
    c.J(2, 0, 0.25); // on the inductance's branch: jO
    c.C(1, 3, 1e-6);
    c.L(3, 1, 1e-3);
    c.J(1, 3, 0.5); // on the capacitor's branch: jC
    c.R(3, 0, 10);
    engine::StateEquations& s = Formulate();

    ASSERT_EQ(s.kO, 1);
    ASSERT_EQ(s.kC, 1);
    ASSERT_EQ(s.BC, 2);
    ASSERT_EQ(s.capSourceCurrentSources.size(), 1u);
    EXPECT_EQ(s.capSourceCurrentSources[0].position, 0);
    s.SourceDerivatives(0, 0, 1);
    EXPECT_EQ(Entries(s.w12), (std::vector<double>{-0.25, -3, 0}));
    EXPECT_EQ(Entries(s.w123), (std::vector<double>{-0.25, -3, 0, -0.5}));
    ExpectShape(s.F1, 1, 3);
    ExpectShape(s.F2, 2, 4);
}

TEST_F(StateFormulation, PulseLikeSourcesAreListed) {
    c.Ground(0);
    model::SourceElement* pulse = c.E(0, 1, 1);
    c.R(1, 2, 10);
    model::SourceElement* cutOff = c.E(2, 3, 1);
    c.R(3, 4, 10);
    model::SourceElement* harmonic = c.E(4, 5, 1);
    c.R(5, 0, 10);
    pulse->SetMode(model::SourceMode::Pulse);
    cutOff->SetMode(model::SourceMode::Ac);
    cutOff->SetEndTime(true);
    harmonic->SetMode(model::SourceMode::Ac);
    const engine::StateEquations& s = Formulate();
    ASSERT_EQ(s.voltageSources.size(), 3u);
    ASSERT_EQ(s.pulseSources.size(), 2u);
    EXPECT_EQ(s.pulseSources[0].source->id, pulse->id);
    EXPECT_EQ(s.pulseSources[1].source->id, cutOff->id);
    EXPECT_EQ(s.pulseSourceCount, 2);
    EXPECT_TRUE(s.switchingSchedule.empty());
}

TEST_F(StateFormulation, ValueRefreshReusesTheTopology) {
    constexpr double C = 1e-6;
    c.Ground(0);
    c.E(0, 1, 1);
    model::Element* r = c.R(1, 2, 1000);
    c.C(2, 0, C);
    Formulate();
    for (const auto& w : c.scheme.workingElements)
        if (w->id == r->id)
            w->SetParam(0, 4000);
    engine::StateEquations& s = engine->State();
    s.FillElementValues(engine->Graph());
    s.StateMatrices(engine->Graph());
    ExpectNear(Entries(s.F2), {0, 0, 1 / (4000 * C), -1 / (4000 * C)});
}

TEST(StateFormulationFaults, SingularMatrixInsideTheFormulation) {
    // A floating resistor triangle: its nodal matrix is singular, yet rounding
    // leaves the determinant nonzero while the inversion meets an exact zero pivot.
    Circuit c;
    c.Ground(0);
    c.E(0, 4, 1);
    c.R(4, 0, 1);
    c.R(1, 2, 45);
    c.R(2, 3, 47);
    c.R(3, 1, 91);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    const model::SchemeError result = engine.FormulateTransient(notifier);
    EXPECT_EQ(notifier.plain, std::vector<std::string>{"Matrix/Vector operation error"});
    EXPECT_EQ(result.Code(), 3100);
    EXPECT_EQ(result.GetElement(), nullptr);
    EXPECT_EQ(engine::SchemeErrorMessage(result), "Ошибка работы с матрицами.");
}

TEST(StateFormulationFaults, FloatingTriangleWithRoundValuesIsPhysicallyIncorrect) {
    Circuit c;
    c.Ground(0);
    c.E(0, 4, 1);
    c.R(4, 0, 1);
    c.R(1, 2, 1);
    c.R(2, 3, 1);
    c.R(3, 1, 1);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    EXPECT_EQ(engine.FormulateTransient(notifier).Code(), 3001);
    EXPECT_TRUE(notifier.plain.empty());
}

} // namespace
} // namespace engine_test
