#include "EngineTestSupport.h"

#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/Outputs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace engine_test {
namespace {

using engine::OutputLocator;

model::SourceElement* Ac(model::SourceElement* s) {
    s->SetMode(model::SourceMode::Ac);
    return s;
}

// The drawn circuit and an engine on it.
class Outputs : public ::testing::Test {
protected:
    void SetUp() override { c.Ground(0); }

    int Transient() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        return engine->FormulateTransient(notifier).Code();
    }
    int Frequency() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        return engine->FormulateFrequency(notifier).Code();
    }
    std::vector<OutputLocator> TransientVoltage(const std::string& name) {
        return engine::BuildTransientLocators(*engine, {name}, {});
    }
    std::vector<OutputLocator> TransientCurrent(const std::string& name) {
        return engine::BuildTransientLocators(*engine, {}, {name});
    }
    std::vector<OutputLocator> FrequencyVoltage(const std::string& name) {
        return engine::BuildFrequencyLocators(*engine, {name}, {}, "", 0).outputs;
    }
    std::vector<OutputLocator> FrequencyCurrent(const std::string& name) {
        return engine::BuildFrequencyLocators(*engine, {}, {name}, "", 0).outputs;
    }

    Circuit c;
    RecordingNotifier notifier;
    std::unique_ptr<engine::Engine> engine;
};

std::string Show(const std::vector<OutputLocator>& list) {
    std::string out;
    for (const OutputLocator& l : list)
        out += "(" + std::to_string(l.code) + "," + std::to_string(l.index) + ")";
    return out;
}

// ---- output names ----------------------------------------------------------------

// Nodes 1..4 on the sheet; a unistor and a composite element, which offer nothing.
void DrawNamedCircuit(Circuit& c, bool acVoltage, bool acCurrent) {
    model::SourceElement* e = c.E(0, 1, 1);
    c.R(1, 2, 100);
    c.C(2, 0, 1e-6);
    c.L(2, 3, 1e-3);
    model::SourceElement* j = c.J(3, 0, 1);
    c.S(3, 4, 1e-3);
    c.R(4, 0, 100);
    c.Add(model::kind::Vccs, std::vector<int>{2, 0, 4, -1});
    if (acVoltage)
        Ac(e);
    if (acCurrent)
        Ac(j);
}

TEST_F(Outputs, NameListOfATransientFormulation) {
    DrawNamedCircuit(c, false, false);
    ASSERT_EQ(Transient(), 0);
    const engine::OutputNameList list = engine::BuildOutputNames(*engine);
    EXPECT_EQ(list.names, (std::vector<std::string>{"Узел 1", "Узел 2", "Узел 3", "Узел 4", "U1",
                                                    "R1", "C1", "L1", "I1", "R2"}));
    EXPECT_EQ(list.kinds, (std::vector<int>{1, 1, 1, 1, 3, 3, 3, 3, 3, 3}));
}

TEST_F(Outputs, FrequencyNameListOffersTheHarmonicSourceOnly) {
    DrawNamedCircuit(c, false, true);
    ASSERT_EQ(Frequency(), 0);
    EXPECT_EQ(engine::BuildOutputNames(*engine).names,
              (std::vector<std::string>{"Узел 1", "Узел 2", "Узел 3", "Узел 4", "R1", "C1", "L1",
                                        "I1", "R2"}));
}

TEST_F(Outputs, NameListFollowsTheCurrentOrdinals) {
    c.E(0, 1, 1);
    c.R(1, 2, 100);
    model::Element* second = c.R(2, 0, 100);
    ASSERT_EQ(Transient(), 0);
    second->number = 9; // stale
    const engine::OutputNameList list = engine::BuildOutputNames(*engine);
    EXPECT_NE(std::find(list.names.begin(), list.names.end(), "R2"), list.names.end());
    EXPECT_EQ(std::find(list.names.begin(), list.names.end(), "R9"), list.names.end());
}

// ---- transient locators ----------------------------------------------------------

// Ordinary branches: R1, L1, J1, R4, R5 (positions 0..4; S1 rows: L1 0, J1 1).
// Capacitor/source branches: E1 (0) and C1 (1), which R2, L2 and J2 join (S2 row 0).
// Forest nodes 1, 2; independent nodes 3, 4. R3 is shorted on node 3 and dropped.
void DrawTransientCircuit(Circuit& c) {
    c.E(0, 1, 1);
    c.R(1, 2, 100);
    c.C(2, 0, 1e-6);
    c.R(2, 0, 200);
    c.L(2, 3, 1e-3);
    c.J(3, 0, 1);
    c.L(2, 0, 2e-3);
    c.J(2, 0, 1);
    c.R(3, 3, 50);
    c.R(3, 4, 300);
    c.R(4, 0, 400);
}

TEST_F(Outputs, TransientLocatorsOfEveryCode) {
    DrawTransientCircuit(c);
    ASSERT_EQ(Transient(), 0);
    struct Case {
        std::string name;
        std::vector<OutputLocator> voltage;
        std::vector<OutputLocator> current;
    };
    const Case cases[] = {
        {"R1", {{9, 0}}, {{11, 0}}},
        {"R2", {{10, 1}}, {{12, 1}}},
        {"L1", {{9, 1}}, {{0, 0}}},
        {"I1", {{9, 2}}, {{3, 1}}},
        {"L2", {{10, 1}}, {{1, 0}}},
        {"I2", {{10, 1}}, {{4, 0}}},
        {"C1", {{2, 1}}, {{8, 1}}},
        {"U1", {{5, 0}}, {{8, 0}}},
        {"R3", {{13, 0}}, {{13, 0}}}, // dropped as shorted
        {"R5", {{9, 4}}, {{11, 4}}},
        {"Узел 1", {{7, 0}}, {}},
        {"Узел 2", {{7, 1}}, {}},
        {"Узел 3", {{6, 0}}, {}},
        {"Узел 4", {{6, 1}}, {}},
        {"Узел", {}, {}},
        {"Узел ", {}, {}},
        {"Узел 9", {}, {}},
        {"R9", {}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(Show(TransientVoltage(k.name)), Show(k.voltage));
        EXPECT_EQ(Show(TransientCurrent(k.name)), Show(k.current));
    }
    // Voltages first, in the order asked, then currents.
    EXPECT_EQ(Show(engine::BuildTransientLocators(*engine, {"C1", "Узел 3"}, {"R1", "R3"})),
              "(2,1)(6,0)(11,0)(13,0)");
}

TEST_F(Outputs, NodeNamesFollowTheSheetNumbering) {
    c.E(0, 1, 1);
    c.R(1, 2, 100);
    c.R(2, 0, 100);
    model::Element* shorted = c.R(2, 2, 50);
    c.Wire();
    // With the shorted resistor's wires first, the sheet calls node 2 "Узел 1"; the
    // analysed circuit, without those wires, numbers it 2 again.
    for (int pin : {1, 0}) {
        const model::Wire* w = shorted->pins[static_cast<std::size_t>(pin)].wire;
        auto it = std::find_if(c.scheme.wires.begin(), c.scheme.wires.end(),
                               [w](const auto& p) { return p.get() == w; });
        std::rotate(c.scheme.wires.begin(), it, it + 1);
    }
    c.scheme.RenumberNodes();
    engine = std::make_unique<engine::Engine>(c.scheme);
    ASSERT_EQ(engine->FormulateTransient(notifier).Code(), 0);
    ASSERT_EQ(shorted->PinNode(1), 1);
    EXPECT_EQ(Show(TransientVoltage("Узел 1")), "(6,0)"); // independent node 2
    EXPECT_EQ(Show(TransientVoltage("Узел 2")), "(7,0)"); // forest node 1
}

// ---- frequency locators ----------------------------------------------------------

// Ordinary branches: R1 (0), C1 (1, with J1), L1 (2), R3 (3), L2 (4).
// Voltage-source branches: E1 (0) and R2 with E2 and J2 (1).
// Forest nodes 1, 3; independent nodes 2, 4. R4 is shorted on node 4 and dropped.
void DrawFrequencyCircuit(Circuit& c) {
    Ac(c.E(0, 1, 1));
    c.R(1, 2, 100);
    c.C(2, 0, 1e-6);
    c.L(2, 0, 1e-3);
    c.R(3, 0, 200);
    c.E(3, 0, 5);
    c.J(2, 0, 1);
    c.J(3, 0, 1);
    c.R(2, 4, 300);
    c.L(4, 0, 2e-3);
    c.R(4, 4, 50);
    c.S(2, 4, 1e-3);
}

TEST_F(Outputs, FrequencyLocatorsOfEveryCode) {
    DrawFrequencyCircuit(c);
    ASSERT_EQ(Frequency(), 0);
    struct Case {
        std::string name;
        std::vector<OutputLocator> voltage;
        std::vector<OutputLocator> current;
    };
    const Case cases[] = {
        {"R1", {{5, 0}}, {{7, 0}}},
        {"C1", {{5, 1}}, {{7, 1}}},
        {"L1", {{5, 2}}, {{7, 2}}},
        {"I1", {{5, 1}}, {{0, 1}}},
        {"R2", {{6, 1}}, {{8, 1}}},
        {"U2", {{2, 1}}, {{9, 1}}},
        {"I2", {{6, 1}}, {{1, 1}}},
        {"U1", {{2, 0}}, {{9, 0}}},
        {"R4", {{10, 0}}, {{10, 0}}}, // dropped as shorted
        {"S1", {}, {}},               // unistors have no output
        {"Узел 1", {{4, 0}}, {}},
        {"Узел 3", {{4, 1}}, {}},
        {"Узел 2", {{3, 0}}, {}},
        {"Узел 4", {{3, 1}}, {}},
        {"Узел", {}, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(Show(FrequencyVoltage(k.name)), Show(k.voltage));
        EXPECT_EQ(Show(FrequencyCurrent(k.name)), Show(k.current));
    }
}

TEST_F(Outputs, FrequencyInputIsOneMoreNameKeptApart) {
    DrawFrequencyCircuit(c);
    ASSERT_EQ(Frequency(), 0);
    struct Case {
        std::string input;
        int kind;
        OutputLocator expected;
    };
    const Case cases[] = {
        {"U1", engine::kInputVoltage, {2, 0}},
        {"U1", engine::kInputCurrent, {9, 0}},
        {"I2", engine::kInputCurrent, {1, 1}},
        {"Узел 2", engine::kInputVoltage, {3, 0}},
        {"R4", engine::kInputVoltage, {10, 0}},
        {"Узел 2", engine::kInputCurrent, {10, 0}}, // nothing matched
        {"R9", engine::kInputVoltage, {10, 0}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.input + " " + std::to_string(k.kind));
        const engine::FrequencyLocators l =
            engine::BuildFrequencyLocators(*engine, {"C1", "Узел 1"}, {"R1"}, k.input, k.kind);
        EXPECT_EQ(Show(l.outputs), "(5,1)(4,0)(7,0)");
        EXPECT_EQ(Show({l.input}), Show({k.expected}));
    }
}

// ---- parameter sweep -------------------------------------------------------------

// The values of the unistors and resistors of the working copy in list order, which
// is the order the expansion generated them in.
std::vector<double> PrimitiveValues(const model::Scheme& s) {
    std::vector<double> values;
    for (const auto& e : s.workingElements)
        if (e->kind == model::kind::Unistor || e->kind == model::kind::Resistor)
            values.push_back(e->GetParam(0));
    return values;
}

TEST(Sweep, WritesThePrimitivesOfEveryCompositeKind) {
    namespace k = model::kind;
    struct Case {
        const char* name;
        model::ElementKind kind;
        std::vector<double> params;
        int parameter;
        double value;
        std::vector<double> expected;
    };
    const std::vector<double> gyrator1 = {1, -1, 1, -1, 1, -1};
    const auto join = [](std::vector<double> a, const std::vector<double>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"ИТУН", k::Vccs, {7}, 0, 3, {-3, 3, -3}},
        {"ИНУН", k::Vcvs, {7}, 0, 3, join({-3, 3, -3}, gyrator1)},
        {"ИТУТ", k::Cccs, {7}, 0, 3, join(gyrator1, {-3, 3, -3})},
        {"ИНУТ", k::Ccvs, {7}, 0, 3, join(join(gyrator1, {-3, 3, -3}), gyrator1)},
        {"gyrator", k::Gyrator, {7}, 0, 3, {3, -3, 3, -3, 3, -3}},
        {"transformer", k::Transformer, {7}, 0, 3, join({3, -3, 3, -3, 3, -3}, gyrator1)},
        {"tube S", k::Tube, {7, 5000}, 0, 3, {3, -3, 3, 5000}},
        {"tube Ri", k::Tube, {7, 5000}, 1, 3, {7, -7, 7, 3}},
        {"transistor alpha",
         k::Transistor,
         {0.98, 10, 1e4, 100},
         0,
         0.5,
         {-0.05, 0.05, -0.05, 10, 1e4, 100}},
        {"transistor Re",
         k::Transistor,
         {0.98, 10, 1e4, 100},
         1,
         20,
         {-0.049, 0.049, -0.049, 20, 1e4, 100}},
        {"transistor Rc",
         k::Transistor,
         {0.98, 10, 1e4, 100},
         2,
         2e4,
         {-0.098, 0.098, -0.098, 10, 2e4, 100}},
        {"transistor Rb",
         k::Transistor,
         {0.98, 10, 1e4, 100},
         3,
         300,
         {-0.098, 0.098, -0.098, 10, 1e4, 300}},
        {"op-amp", k::OpAmp, {1e5}, 0, 3, join({3, -3, -3, 3}, gyrator1)},
        {"tube, no such parameter", k::Tube, {7, 5000}, 2, 3, {7, -7, 7, 5000}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.name);
        Circuit c;
        model::Element* e = c.Add(t.kind, std::vector<int>{-1, -1, -1, -1});
        for (std::size_t i = 0; i < t.params.size(); ++i)
            e->SetParam(static_cast<int>(i), t.params[i]);
        c.Wire();
        engine::Engine engine(c.scheme);
        engine.PrepareWorkingCopy();
        engine::SelectSweepTarget(engine, e->Name(), t.parameter);
        engine::SetSweptValue(engine, t.value);
        const std::vector<double> got = PrimitiveValues(c.scheme);
        ASSERT_EQ(got.size(), t.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_DOUBLE_EQ(got[i], t.expected[i]) << "primitive " << i;
        // The drawn element keeps its own values.
        for (std::size_t i = 0; i < t.params.size(); ++i)
            EXPECT_EQ(e->GetParam(static_cast<int>(i)), t.params[i]);
    }
}

TEST(Sweep, PrimitiveDroppedFromTheCircuitKeepsItsPosition) {
    // The op-amp's input pin 1 on ground: its first two unistors (pin 1 on ground)
    // leave the analysed circuit, the two of input pin 2 stay as g[2] and g[3].
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 1e4);
    model::Element* amp = c.Add(model::kind::OpAmp, std::vector<int>{0, 2, 3});
    c.R(2, 3, 1e5);
    c.R(3, 0, 1e4);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    engine.FormulateTransient(notifier);
    engine::SelectSweepTarget(engine, amp->Name(), 0);
    engine::SetSweptValue(engine, 3);
    std::vector<std::pair<int, double>> inputTwo; // (node of pin 2, value)
    for (const auto& e : c.scheme.workingElements)
        if (e->kind == model::kind::Unistor && e->PinNode(1) == 2)
            inputTwo.emplace_back(e->PinNode(2), e->GetParam(0));
    ASSERT_EQ(inputTwo.size(), 2u);
    for (const auto& [node, value] : inputTwo)
        EXPECT_EQ(value, node == 0 ? 3 : -3) << "unistor to node " << node;
}

TEST(Sweep, PrimitiveAndLegacySources) {
    Circuit c;
    c.Ground(0);
    model::Element* legacy = c.Add(model::kind::VoltageSourceDcOld, std::vector<int>{0, 1});
    model::SourceElement* current = c.J(0, 1, 1);
    model::Element* r = c.R(1, 0, 100);
    c.Wire();
    ASSERT_EQ(legacy->kind, model::kind::VoltageSourceDcOld);
    engine::Engine engine(c.scheme);
    engine.PrepareWorkingCopy();
    const auto working = [&](const model::Element* drawn) -> model::Element* {
        for (const auto& e : c.scheme.workingElements)
            if (e->id == drawn->id)
                return e;
        return nullptr;
    };

    engine::SelectSweepTarget(engine, r->Name(), 0);
    engine::SetSweptValue(engine, 250);
    EXPECT_EQ(working(r)->GetParam(0), 250);
    EXPECT_EQ(r->GetParam(0), 100);

    engine::SelectSweepTarget(engine, current->Name(), 0);
    engine::SetSweptValue(engine, 2);
    EXPECT_EQ(working(current)->GetParam(0), 2);

    // An older kind has no swept parameter.
    engine::SelectSweepTarget(engine, legacy->Name(), 0);
    EXPECT_TRUE(engine.Sweep().selected);
    engine::SetSweptValue(engine, 5);
    EXPECT_EQ(working(legacy)->GetParam(0), 0);

    // A refused value leaves the element as it was.
    engine::SelectSweepTarget(engine, r->Name(), 0);
    EXPECT_THROW(engine::SetSweptValue(engine, 0), model::SchemeError);
    EXPECT_EQ(working(r)->GetParam(0), 250);
}

TEST(Sweep, ElementOutsideTheAnalysedCircuitIsError201) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    model::Element* r = c.R(1, 0, 100);
    model::Element* shorted = c.R(1, 1, 100);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    ASSERT_EQ(engine.FormulateTransient(notifier).Code(), 0);
    EXPECT_EQ(engine::SweptParameterCaption(engine), "");

    engine::SelectSweepTarget(engine, r->Name(), 0);
    EXPECT_EQ(engine::SweptParameterCaption(engine), r->ParamCaption(0));
    EXPECT_EQ(engine::SweptParameterUnit(engine), r->ParamUnit(0));
    EXPECT_NE(engine::SweptParameterUnit(engine), "");

    for (const std::string& name : {shorted->Name(), std::string("R9")}) {
        SCOPED_TRACE(name);
        try {
            engine::SelectSweepTarget(engine, name, 0);
            ADD_FAILURE() << "no error";
        } catch (const engine::AnalysisError& error) {
            EXPECT_EQ(error.Code(), 201);
        }
        EXPECT_FALSE(engine.Sweep().selected);
        EXPECT_EQ(engine::SweptParameterCaption(engine), "");
        EXPECT_NO_THROW(engine::SetSweptValue(engine, 1)); // no target: nothing
    }
}

// U1 -> R1 -> C1: with the source branch first and the capacitor second,
// F2 = [[0, 0], [1/(R C), -1/(R C)]].
TEST(Sweep, TransientRefreshRebuildsTheStateMatrices) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    model::Element* r = c.R(1, 2, 1000);
    c.C(2, 0, 1e-6);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    ASSERT_EQ(engine.FormulateTransient(notifier).Code(), 0);
    engine::SelectSweepTarget(engine, r->Name(), 0);
    // The target outlives the working copy it was chosen in.
    ASSERT_EQ(engine.FormulateTransient(notifier).Code(), 0);

    for (double ohms : {2000.0, 500.0}) {
        SCOPED_TRACE(ohms);
        engine::TransientRefresh(engine, ohms);
        const engine::Matrix& f2 = engine.State().F2;
        ASSERT_EQ(f2.Rows(), 2);
        ASSERT_EQ(f2.Cols(), 2);
        EXPECT_EQ(f2(0, 0), 0);
        EXPECT_EQ(f2(0, 1), 0);
        EXPECT_NEAR(f2(1, 0), 1 / (ohms * 1e-6), 1e-9);
        EXPECT_NEAR(f2(1, 1), -1 / (ohms * 1e-6), 1e-9);
    }
    EXPECT_EQ(r->GetParam(0), 1000);
}

TEST(Sweep, FrequencyRefreshRebuildsTheProducts) {
    Circuit c;
    c.Ground(0);
    Ac(c.E(0, 1, 1));
    model::Element* r = c.R(1, 2, 1000);
    c.C(2, 0, 1e-6);
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    ASSERT_EQ(engine.FormulateFrequency(notifier).Code(), 0);
    engine::SelectSweepTarget(engine, r->Name(), 0);
    EXPECT_THROW(engine::TransientRefresh(engine, 1), engine::MatrixError);

    // phi(2) = Z (-DC EC) with one independent node: EC / (1 + j w R C).
    const double omega = 1000;
    for (double ohms : {2000.0, 10.0}) {
        SCOPED_TRACE(ohms);
        engine::FrequencyRefresh(engine, ohms);
        engine.FrequencyStep(omega);
        const engine::FrequencyEquations& f = engine.Frequency();
        const engine::Complex phi = f.Z(0, 0) * (engine::Complex(0, 0) - f.DC(0, 0) * f.EC[0]);
        const double x = omega * ohms * 1e-6;
        EXPECT_NEAR(phi.re, 1 / (1 + x * x), 1e-12);
        EXPECT_NEAR(phi.im, -x / (1 + x * x), 1e-12);
    }
}

} // namespace
} // namespace engine_test
