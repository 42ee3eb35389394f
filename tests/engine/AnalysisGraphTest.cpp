#include "EngineTestSupport.h"

#include "engine/AnalysisGraph.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "model/PassiveElements.h"

#include <gtest/gtest.h>

#include <cstring>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine_test {
namespace {

using engine::Branch;
using model::Element;
using model::kind::Resistor;

// A drawn circuit, formulated by a fresh engine.
class Formulation : public ::testing::Test {
protected:
    model::SchemeError Transient() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        return engine->FormulateTransient(notifier);
    }
    // The frequency variant of the graph on its own; what it raises escapes.
    engine::AnalysisGraph& Frequency() {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        engine->PrepareWorkingCopy();
        engine->Graph().BuildFrequency(c.scheme);
        return engine->Graph();
    }
    engine::AnalysisGraph& Graph() { return engine->Graph(); }

    Circuit c;
    RecordingNotifier notifier;
    std::unique_ptr<engine::Engine> engine;
};

// The graph holds the working copies, which keep the drawn elements' ids.
bool Same(const Element* working, const Element* drawn) {
    return working && drawn && working->id == drawn->id;
}

template <class T> T* Working(const model::Scheme& s, const Element* drawn) {
    for (const auto& w : s.workingElements)
        if (w->id == drawn->id)
            return dynamic_cast<T*>(w);
    return nullptr;
}

std::vector<double> Entries(const engine::Matrix& m) {
    std::vector<double> out;
    for (int i = 0; i < m.Rows(); ++i)
        for (int j = 0; j < m.Cols(); ++j)
            out.push_back(m(i, j));
    return out;
}

// Each case draws a faulty circuit and returns the element that must end up as the
// only selected one (null: the error names none and the selection stays as it was).
struct CheckCase {
    const char* name;
    std::function<Element*(Circuit&)> draw;
    int code;
    const char* message;
};

const std::vector<CheckCase>& CheckCases() {
    static const std::vector<CheckCase> cases = {
        {"empty sheet", [](Circuit&) -> Element* { return nullptr; }, 2002,
         "Добавьте землю к Вашей схеме."},
        {"no ground",
         [](Circuit& c) -> Element* {
             c.E(1, 2, 1);
             c.R(2, 1, 10);
             return nullptr;
         },
         2002, "Добавьте землю к Вашей схеме."},
        {"only a ground", [](Circuit& c) { return c.Ground(0); }, 2003,
         "Земля : элемент не соединен."},
        {"ground beside a floating circuit",
         [](Circuit& c) {
             Element* g = c.Ground(0);
             c.E(1, 2, 1);
             c.R(1, 2, 10);
             return g;
         },
         2003, "Земля : элемент не соединен."},
        {"unconnected resistor",
         [](Circuit& c) {
             c.Ground(0);
             c.E(0, 1, 1);
             return c.Add(Resistor, {1, -1});
         },
         2000, "Резистор : элемент не соединен."},
        // The checks run in a fixed order: pins before the ground.
        {"unconnected resistor, no ground",
         [](Circuit& c) {
             return c.Add(Resistor, {1, -1});
         },
         2000, "Резистор : элемент не соединен."},
        {"isolated shorted resistor",
         [](Circuit& c) {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 0, 10);
             return c.R(2, 2, 10);
         },
         2001, "Резистор : элемент закорочен."},
        // ... and shorts before unconnected pins.
        {"isolated short before an unconnected pin",
         [](Circuit& c) {
             c.Add(Resistor, {1, -1});
             return c.R(2, 2, 10);
         },
         2001, "Резистор : элемент закорочен."},
        {"shorted voltage source beside other elements",
         [](Circuit& c) {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 0, 10);
             return c.E(1, 1, 2);
         },
         2001, "Источник напряжения : элемент закорочен."},
        {"capacitor, then a voltage source across it",
         [](Circuit& c) {
             c.Ground(0);
             c.C(1, 0, 1e-6);
             return c.E(0, 1, 1);
         },
         1000, "Ошибка: Источник напряжения соединен параллельно с конденсатором."},
        {"voltage source, then a capacitor across it",
         [](Circuit& c) {
             c.Ground(0);
             Element* e = c.E(0, 1, 1);
             c.C(0, 1, 1e-6);
             return e;
         },
         1000, "Ошибка: Источник напряжения соединен параллельно с конденсатором."},
        {"two voltage sources in parallel",
         [](Circuit& c) {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 0, 10);
             return c.E(1, 0, 2);
         },
         1001, "Ошибка: 2 источника напряжения соединены параллельно."},
        {"two capacitors in parallel",
         [](Circuit& c) {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 2, 10);
             c.C(2, 0, 1e-6);
             return c.C(0, 2, 2e-6);
         },
         1002, "Ошибка: 2 конденсатора соединены параллельно."},
        {"node fed only by a current source",
         [](Circuit& c) -> Element* {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 0, 10);
             c.J(1, 2, 1e-3);
             return nullptr;
         },
         3001, "Схема физически некорректна."},
        // A composite whose subcircuit cannot be read: the builder's own text.
        {"transistor whose model overflows",
         [](Circuit& c) -> Element* {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 2, 1000);
             Element* t = c.Add(model::kind::Transistor, {2, 1, 0});
             t->SetParam(1, 1e-320); // alpha / Re is no number a line can hold
             return nullptr;
         },
         4100, "Подсхема: ошибка в строке 1"},
    };
    return cases;
}

TEST(FormulationChecks, EachFaultHasItsCodeMessageAndElement) {
    for (const CheckCase& k : CheckCases()) {
        SCOPED_TRACE(k.name);
        Circuit c;
        Element* expected = k.draw(c);
        // Something else is selected before; an error naming an element takes over.
        Element* bystander = c.R(7, 8, 1);
        c.Wire();
        bystander->selected = true;
        c.scheme.selection = {bystander};

        engine::Engine engine(c.scheme);
        RecordingNotifier notifier;
        const model::SchemeError result = engine.FormulateTransient(notifier);

        EXPECT_EQ(result.Code(), k.code);
        EXPECT_EQ(result.GetElement(), expected);
        EXPECT_EQ(result.HasMessage(), k.code == 4100);
        EXPECT_EQ(engine::SchemeErrorMessage(result), k.message);
        if (expected) {
            EXPECT_EQ(c.scheme.selection, std::vector<Element*>{expected});
            EXPECT_TRUE(expected->selected);
            EXPECT_FALSE(bystander->selected);
        } else {
            EXPECT_EQ(c.scheme.selection, std::vector<Element*>{bystander});
        }
        EXPECT_TRUE(notifier.loops.empty());
        EXPECT_TRUE(notifier.plain.empty());
    }
}

TEST(FormulationChecks, ComposedPrimitivesMapBackToTheDrawnElement) {
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    Element* vcvs = c.Add(model::kind::Vcvs, {1, 0, 2, 0});
    c.R(2, 0, 100);
    Element* resistor = c.R(1, 2, 100);
    c.Wire();
    engine::Engine engine(c.scheme);
    engine.PrepareWorkingCopy();

    int unistors = 0;
    for (const auto& w : c.scheme.workingElements) {
        if (w->kind == model::kind::Unistor) {
            ++unistors;
            EXPECT_EQ(engine::DrawnElementOf(c.scheme, *w), vcvs);
        }
        if (w->id == resistor->id) {
            EXPECT_EQ(engine::DrawnElementOf(c.scheme, *w), resistor);
        }
    }
    EXPECT_EQ(unistors, 9); // through an ИТУН and a gyrator of its own
}

TEST_F(Formulation, SucceedsWithCodeZeroAndKeepsTheSelection) {
    c.Ground(0);
    c.E(0, 1, 1);
    Element* r = c.R(1, 0, 10);
    c.Wire();
    r->selected = true;
    c.scheme.selection = {r};
    engine::Engine e(c.scheme);
    const model::SchemeError result = e.FormulateTransient(notifier);
    EXPECT_EQ(result.Code(), 0);
    EXPECT_EQ(result.GetElement(), nullptr);
    EXPECT_EQ(c.scheme.selection, std::vector<Element*>{r});
}

TEST_F(Formulation, ShortedResistorBesideOtherElementsIsLeftOut) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 0, 10);
    c.R(1, 1, 10);
    ASSERT_EQ(Transient().Code(), 0);
    EXPECT_EQ(Graph().circuitElements.size(), 2u);
    EXPECT_EQ(Graph().branches.size(), 1u);
}

TEST_F(Formulation, BranchesBundleOneElementPerSlot) {
    c.Ground(0);
    Element* e = c.E(0, 1, 1);
    Element* r1 = c.R(1, 2, 10);
    Element* cap = c.C(2, 0, 1e-6);
    Element* r2 = c.R(0, 2, 20);
    Element* l1 = c.L(2, 0, 1e-3);
    Element* r3 = c.R(2, 0, 30);
    Element* l2 = c.L(0, 2, 2e-3);
    model::SourceElement* j = c.J(1, 2, 1e-3);
    ASSERT_EQ(Transient().Code(), 0);

    const auto& b = Graph().branches;
    ASSERT_EQ(b.size(), 4u);
    // Ground is always the end node; otherwise the lower number starts.
    EXPECT_EQ(b[0]->start->number, 1);
    EXPECT_EQ(b[0]->end->number, 0);
    EXPECT_TRUE(Same(b[0]->e, e));
    EXPECT_TRUE(b[0]->IsCapacitorSource());
    EXPECT_EQ(b[1]->start->number, 1);
    EXPECT_EQ(b[1]->end->number, 2);
    EXPECT_TRUE(Same(b[1]->r, r1));
    EXPECT_TRUE(Same(b[1]->j, j));
    EXPECT_FALSE(b[1]->IsCapacitorSource());
    EXPECT_EQ(b[2]->start->number, 2);
    EXPECT_EQ(b[2]->end->number, 0);
    EXPECT_TRUE(Same(b[2]->c, cap));
    EXPECT_TRUE(Same(b[2]->r, r2));
    EXPECT_TRUE(Same(b[2]->l, l1));
    EXPECT_TRUE(b[2]->IsCapacitorSource());
    // Parallel resistors and inductances need a branch each.
    EXPECT_TRUE(Same(b[3]->r, r3));
    EXPECT_TRUE(Same(b[3]->l, l2));
    EXPECT_EQ(b[3]->c, nullptr);
    EXPECT_FALSE(b[3]->IsCapacitorSource());
    EXPECT_FALSE(b[3]->frequency);

    ASSERT_EQ(Graph().ordinaryBranches.size(), 2u);
    EXPECT_EQ(Graph().ordinaryBranches[0], b[1].get());
    EXPECT_EQ(Graph().ordinaryBranches[1], b[3].get());
    ASSERT_EQ(Graph().capacitorSourceBranches.size(), 2u);
    EXPECT_EQ(Graph().capacitorSourceBranches[1], b[2].get());
    EXPECT_EQ(Graph().circuitElements.size(), 8u);
}

TEST_F(Formulation, SignsFollowThePinsOnTheBranch) {
    c.Ground(0);
    Element* forward = c.E(0, 1, 1); // pin 2 on the start node 1
    c.R(1, 2, 10);
    Element* backward = c.J(2, 0, 1); // pin 1 on the start node 2
    Element* unistor = c.S(3, 2, 1e-3);
    c.R(3, 0, 10);
    Element* across = c.J(0, 3, 1); // pin 2 on node 3, the start of branch 3-0
    ASSERT_EQ(Transient().Code(), 0);
    EXPECT_EQ(Working<model::SourceElement>(c.scheme, forward)->Direction(), 1);
    EXPECT_EQ(Working<model::SourceElement>(c.scheme, backward)->Direction(), -1);
    EXPECT_EQ(Working<model::SourceElement>(c.scheme, across)->Direction(), 1);
    // Pin 1 on node 3, the end of branch 2-3.
    EXPECT_EQ(Working<model::Unistor>(c.scheme, unistor)->Direction(), -1);
}

TEST_F(Formulation, IncidenceKeepsOnlyAUnistorsPinOneNode) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.S(2, 1, 1e-3); // branch 1 -> 2, pin 1 on its end
    c.R(2, 0, 10);
    c.S(1, 3, 1e-3); // branch 1 -> 3, pin 1 on its start
    c.R(3, 0, 10);
    ASSERT_EQ(Transient().Code(), 0);
    const auto& m = Graph().real;
    // Rows nodes 1..3; columns E, S(2,1), R(2,0), S(1,3), R(3,0).
    EXPECT_EQ(Entries(m.A), (std::vector<double>{1, 1, 0, 1, 0, 0, -1, 1, 0, 0, 0, 0, 0, -1, 1}));
    EXPECT_EQ(Entries(m.APrime),
              (std::vector<double>{1, 0, 0, 1, 0, 0, -1, 1, 0, 0, 0, 0, 0, 0, 1}));
    // Node 1 is the forest node of the source; nodes 2 and 3 are independent.
    EXPECT_EQ(Entries(m.A11), (std::vector<double>{-1, 1, 0, 0, 0, 0, -1, 1}));
    EXPECT_EQ(Entries(m.A11Prime), (std::vector<double>{-1, 1, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Entries(m.A21), (std::vector<double>{1, 0, 1, 0}));
    EXPECT_EQ(Entries(m.A21Prime), (std::vector<double>{0, 0, 1, 0}));
    EXPECT_EQ(Entries(m.A12), (std::vector<double>{0, 0}));
    EXPECT_EQ(Entries(m.A22), (std::vector<double>{1}));
}

TEST_F(Formulation, UnistorWithPinOneOnGroundIsLeftOut) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 10);
    c.S(0, 2, 1e-3);
    ASSERT_EQ(Transient().Code(), 0);
    EXPECT_EQ(Graph().NodeCount(), 2);
    for (const Element* e : Graph().circuitElements)
        EXPECT_NE(e->kind, model::kind::Unistor);
}

TEST_F(Formulation, TheLowestNodeOfEachCapacitorTreeStaysIndependent) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 10);
    c.C(2, 3, 1e-6);
    c.C(3, 4, 1e-6);
    c.R(4, 0, 10);
    c.R(5, 0, 10);
    c.R(5, 1, 10);
    ASSERT_EQ(Transient().Code(), 0);
    std::vector<int> independent;
    for (const auto* n : Graph().independentNodes)
        independent.push_back(n->number);
    std::vector<int> forest;
    for (const auto* n : Graph().forestNodes)
        forest.push_back(n->number);
    EXPECT_EQ(independent, (std::vector<int>{2, 5}));
    EXPECT_EQ(forest, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(Graph().real.A22.Rows(), 3);
    EXPECT_EQ(Graph().real.A22.Cols(), 3);
}

TEST_F(Formulation, SelectionRowsOfInductancesAndCurrentSources) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 10);   // ordinary 0
    c.L(2, 0, 1e-3); // ordinary 1
    c.R(2, 3, 10);   // ordinary 2
    c.J(3, 0, 1);    // ordinary 3
    c.C(3, 4, 1e-6); // capacitor/source 1
    c.L(3, 4, 1e-3); // ... with an inductance
    c.R(4, 0, 10);   // ordinary 4
    ASSERT_EQ(Transient().Code(), 0);
    EXPECT_EQ(Entries(Graph().S1), (std::vector<double>{0, 1, 0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(Entries(Graph().S1T), (std::vector<double>{0, 0, 1, 0, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(Entries(Graph().S2), (std::vector<double>{0, 1}));
    EXPECT_EQ(Graph().S1Row(1), 0);
    EXPECT_EQ(Graph().S1Row(3), 1);
    EXPECT_EQ(Graph().S1Row(2), 0); // selected by no row
    EXPECT_EQ(Graph().S2Row(1), 0);
    EXPECT_THROW(Graph().S1Row(5), engine::MatrixError);
    EXPECT_THROW(Graph().S1Row(-1), engine::MatrixError);
    EXPECT_THROW(Graph().S2Row(2), engine::MatrixError);
}

TEST_F(Formulation, CapacitorTriangleWarnsOnceThenReportsTheCapacitiveLoop) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 10);
    c.C(2, 3, 1e-6);
    c.C(3, 4, 1e-6);
    c.C(4, 2, 1e-6);
    c.R(4, 0, 10);
    const model::SchemeError result = Transient();
    EXPECT_EQ(result.Code(), 3004);
    EXPECT_EQ(result.GetElement(), nullptr);
    ASSERT_EQ(notifier.loops.size(), 1u);
    EXPECT_EQ(notifier.loops[0].first, "Контур 1");
    EXPECT_EQ(notifier.loops[0].second, "C1,C2,C3");
}

TEST_F(Formulation, LoopsAreTheFundamentalLoopsOfTheSearch) {
    // Four nodes, every pair joined by a capacitor: 6 - 4 + 1 = 3 loops.
    c.Ground(0);
    c.R(1, 0, 10);
    c.C(1, 2, 1e-6);
    c.C(1, 3, 1e-6);
    c.C(1, 4, 1e-6);
    c.C(2, 3, 1e-6);
    c.C(2, 4, 1e-6);
    c.C(3, 4, 1e-6);
    EXPECT_EQ(Transient().Code(), 3004);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Контур 1", "C1,C4,C2"}, {"Контур 2", "C1,C4,C6,C3"}, {"Контур 3", "C4,C6,C5"}};
    EXPECT_EQ(notifier.loops, expected);
}

TEST_F(Formulation, APureSourceLoopOutranksAnEarlierMixedOne) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.E(1, 2, 1);
    c.C(2, 0, 1e-6);
    c.E(3, 4, 1);
    c.E(4, 5, 1);
    c.E(5, 3, 1);
    c.R(3, 0, 10);
    EXPECT_EQ(Transient().Code(), 3002);
    const std::vector<std::pair<std::string, std::string>> expected = {{"Контур 1", "U1,U2,C1"},
                                                                       {"Контур 2", "U3,U4,U5"}};
    EXPECT_EQ(notifier.loops, expected);
}

TEST_F(Formulation, SourcesWithCapacitorsInALoop) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.C(1, 2, 1e-6);
    c.C(2, 0, 1e-6);
    EXPECT_EQ(Transient().Code(), 3003);
    ASSERT_EQ(notifier.loops.size(), 1u);
    EXPECT_EQ(notifier.loops[0].second, "U1,C1,C2");
}

TEST_F(Formulation, LoopSearchNeedsNoDeepRecursion) {
    // A chain of 200000 capacitor branches closed into one ring.
    c.Ground(0);
    c.R(1, 0, 10);
    c.Wire();
    engine = std::make_unique<engine::Engine>(c.scheme);
    engine::AnalysisGraph& g = Graph();
    constexpr int kNodes = 200000;
    g.nodes.assign(kNodes, engine::GraphNode());
    for (int i = 0; i < kNodes; ++i)
        g.nodes[static_cast<std::size_t>(i)].number = i;
    for (int i = 0; i < kNodes; ++i) {
        auto b = std::make_unique<Branch>();
        b->start = &g.nodes[static_cast<std::size_t>(i)];
        b->end = &g.nodes[static_cast<std::size_t>((i + 1) % kNodes)];
        b->branchClass = engine::BranchClass::CapacitorSource;
        g.branches.push_back(std::move(b));
    }
    std::vector<int> nodePath;
    std::vector<Branch*> branchPath;
    std::vector<Element*> loops;
    g.FindLoops(0, nodePath, branchPath, loops);
    EXPECT_EQ(loops, std::vector<Element*>{nullptr}); // one loop, no elements in it
    EXPECT_TRUE(nodePath.empty());
    EXPECT_TRUE(branchPath.empty());
    EXPECT_EQ(g.nodes[0].nodeClass, engine::NodeClass::Independent);
    EXPECT_EQ(g.nodes[kNodes - 1].nodeClass, engine::NodeClass::Forest);
    EXPECT_TRUE(g.nodes[kNodes / 2].visited);
}

TEST_F(Formulation, FrequencyVariantGivesEachPassiveItsOwnBranch) {
    c.Ground(0);
    Element* e = c.E(0, 1, 1);
    Element* cap = c.C(1, 0, 1e-6); // across the source: accepted here
    Element* r = c.R(1, 2, 10);
    c.C(2, 0, 1e-6);
    c.L(2, 0, 1e-3);
    c.R(0, 2, 10);
    c.C(2, 3, 1e-6);
    c.C(3, 4, 1e-6);
    c.C(4, 2, 1e-6); // a capacitor loop is no loop here
    c.R(4, 0, 10);
    engine::AnalysisGraph& g = Frequency();
    ASSERT_EQ(g.branches.size(), 10u);
    EXPECT_TRUE(Same(g.branches[0]->e, e));
    EXPECT_TRUE(Same(g.branches[1]->c, cap));
    EXPECT_EQ(g.branches[1]->e, nullptr);
    EXPECT_TRUE(Same(g.branches[2]->r, r));
    for (const auto& b : g.branches) {
        EXPECT_TRUE(b->frequency);
        EXPECT_EQ(b->IsCapacitorSource(), b->e != nullptr);
    }
    EXPECT_TRUE(notifier.loops.empty());
    // Only the source forms the forest; S1 and S2 are not built.
    EXPECT_EQ(g.forestNodes.size(), 1u);
    EXPECT_EQ(g.S1.Rows(), 0);
    EXPECT_EQ(g.real.A.Rows(), 0);
    ASSERT_EQ(g.complex.A.Rows(), 4);
    ASSERT_EQ(g.complex.A.Cols(), 10);
    EXPECT_EQ(g.complex.A(0, 0), engine::Complex(1, 0));
    EXPECT_EQ(g.complex.A(0, 2), engine::Complex(1, 0));
    EXPECT_EQ(g.complex.A(1, 2), engine::Complex(-1, 0));
    EXPECT_EQ(g.complex.A22.Rows(), 1);
    EXPECT_EQ(g.complex.A22(0, 0), engine::Complex(1, 0));
    EXPECT_EQ(g.complex.A11Prime.Rows(), 3);
}

// The sparse build gives every block the dense build extracts, bit for bit (the
// dropped unistor entries are signed zeros), A11 and A11' as sparse rows.
TEST_F(Formulation, SparseFrequencyBlocksEqualTheDenseOnes) {
    c.Ground(0);
    c.E(1, 2, 1); // floating: a forest node beside independent ones
    c.R(1, 0, 10);
    c.S(2, 3, 0.1);
    c.S(3, 2, 0.2);
    c.C(3, 0, 1e-6);
    c.L(3, 4, 1e-3);
    c.S(4, 0, 0.3);
    c.E(4, 5, 2);
    c.R(5, 0, 100);
    c.Add(model::kind::Transistor, std::vector<int>{3, 5, 0});
    engine::AnalysisGraph& dense = Frequency();
    const engine::IncidenceMatrices<engine::ComplexMatrix> want = dense.complex;
    dense.sparseFrequency = true;
    dense.BuildFrequency(engine->GetScheme());
    const engine::IncidenceMatrices<engine::ComplexMatrix>& got = dense.complex;
    ASSERT_GT(got.A11.Rows() + dense.sparseA11.Rows(), 0);
    EXPECT_EQ(got.A.Rows(), 0);
    EXPECT_EQ(got.A11.Rows(), 0);
    const auto same = [](const engine::ComplexMatrix& a, const engine::ComplexMatrix& b) {
        if (a.Rows() != b.Rows() || a.Cols() != b.Cols())
            return false;
        for (int i = 0; i < a.Rows(); ++i)
            for (int j = 0; j < a.Cols(); ++j)
                if (std::memcmp(&a(i, j), &b(i, j), sizeof(engine::Complex)) != 0)
                    return false;
        return true;
    };
    EXPECT_TRUE(same(dense.sparseA11.ToDense(), want.A11));
    EXPECT_TRUE(same(dense.sparseA11Prime.ToDense(), want.A11Prime));
    EXPECT_TRUE(same(got.A21, want.A21));
    EXPECT_TRUE(same(got.A12, want.A12));
    EXPECT_TRUE(same(got.A22, want.A22));
    EXPECT_TRUE(same(got.A21Prime, want.A21Prime));
    EXPECT_TRUE(same(got.A12Prime, want.A12Prime));
    EXPECT_TRUE(same(got.A22Prime, want.A22Prime));
}

// The sparse transient blocks hold exactly the nonzero entries of the dense ones
// (the dense A' keeps a signed zero where a unistor drops its entry).
TEST_F(Formulation, SparseTransientBlocksEqualTheDenseOnes) {
    c.Ground(0);
    c.E(1, 2, 1); // floating: a forest node beside independent ones
    c.R(1, 0, 10);
    c.S(2, 3, 0.1);
    c.S(3, 2, 0.2);
    c.C(3, 0, 1e-6);
    c.L(3, 4, 1e-3);
    c.S(4, 0, 0.3);
    c.S(0, 4, 0.4); // pin 1 on ground: left out
    c.E(4, 5, 2);
    c.R(5, 0, 100);
    c.J(5, 6, 1e-3);
    c.L(6, 0, 1e-3);
    c.R(6, 0, 50);
    c.L(3, 0, 2e-3); // beside the capacitor: selected by S2
    c.Add(model::kind::Transistor, std::vector<int>{3, 5, 0});
    ASSERT_EQ(Transient().Code(), 0);
    const engine::AnalysisGraph& dense = Graph();
    const engine::IncidenceMatrices<engine::Matrix> want = dense.real;
    const engine::Matrix s1 = dense.S1, s2 = dense.S2, s1t = dense.S1T, s2t = dense.S2T;
    std::vector<int> rows;
    for (int i = 0; i < s1.Cols(); ++i)
        rows.push_back(dense.S1Row(i));
    for (int i = 0; i < s2.Cols(); ++i)
        rows.push_back(dense.S2Row(i));

    engine->Graph().sparseTransient = true;
    engine->Graph().BuildTransient(engine->GetScheme(), notifier);
    const engine::AnalysisGraph& sparse = Graph();
    EXPECT_EQ(sparse.real.A.Rows() + sparse.real.A11.Rows() + sparse.real.A22.Rows(), 0);
    EXPECT_EQ(sparse.S1.Rows() + sparse.S2T.Rows(), 0);
    const auto same = [](const engine::SparseMatrix& got, const engine::Matrix& expected) {
        if (got.Rows() != expected.Rows() || got.Cols() != expected.Cols())
            return false;
        for (int k = 0; k < got.NonzeroCount(); ++k)
            if (got.ValueAt(k) == 0)
                return false; // only nonzero entries are stored
        const engine::Matrix d = got.ToDense();
        for (int i = 0; i < d.Rows(); ++i)
            for (int j = 0; j < d.Cols(); ++j)
                if (d(i, j) != expected(i, j))
                    return false;
        return true;
    };
    ASSERT_GT(want.A11.Rows() * want.A22.Rows() * s1.Rows() * s2.Rows(), 0);
    EXPECT_TRUE(same(sparse.sparseReal.A11, want.A11));
    EXPECT_TRUE(same(sparse.sparseReal.A21, want.A21));
    EXPECT_TRUE(same(sparse.sparseReal.A12, want.A12));
    EXPECT_TRUE(same(sparse.sparseReal.A22, want.A22));
    EXPECT_TRUE(same(sparse.sparseReal.A11Prime, want.A11Prime));
    EXPECT_TRUE(same(sparse.sparseReal.A21Prime, want.A21Prime));
    EXPECT_TRUE(same(sparse.sparseReal.A12Prime, want.A12Prime));
    EXPECT_TRUE(same(sparse.sparseReal.A22Prime, want.A22Prime));
    EXPECT_TRUE(same(sparse.sparseS1, s1));
    EXPECT_TRUE(same(sparse.sparseS2, s2));
    EXPECT_TRUE(same(sparse.sparseS1T, s1t));
    EXPECT_TRUE(same(sparse.sparseS2T, s2t));
    std::vector<int> sparseRows;
    for (int i = 0; i < s1.Cols(); ++i)
        sparseRows.push_back(sparse.S1Row(i));
    for (int i = 0; i < s2.Cols(); ++i)
        sparseRows.push_back(sparse.S2Row(i));
    EXPECT_EQ(sparseRows, rows);
}

TEST_F(Formulation, FrequencyVariantSourceJoinsThePassivesBranch) {
    c.Ground(0);
    Element* r = c.R(1, 0, 10);
    Element* e = c.E(0, 1, 1);
    engine::AnalysisGraph& g = Frequency();
    ASSERT_EQ(g.branches.size(), 1u);
    EXPECT_TRUE(Same(g.branches[0]->r, r));
    EXPECT_TRUE(Same(g.branches[0]->e, e));
    EXPECT_TRUE(g.branches[0]->IsCapacitorSource());
}

TEST(FrequencyVariant, Faults) {
    struct FrequencyCase {
        const char* name;
        std::function<void(Circuit&)> draw;
        int code;
    };
    const FrequencyCase cases[] = {
        {"source loop",
         [](Circuit& k) {
             k.Ground(0);
             k.E(0, 1, 1);
             k.E(1, 2, 1);
             k.E(2, 0, 1);
         },
         3002},
        {"parallel sources",
         [](Circuit& k) {
             k.Ground(0);
             k.E(0, 1, 1);
             k.E(0, 1, 1);
         },
         1001},
        {"shorted source",
         [](Circuit& k) {
             k.Ground(0);
             k.E(0, 1, 1);
             k.R(1, 0, 1);
             k.E(1, 1, 1);
         },
         2001},
        {"no ground", [](Circuit& k) { k.R(1, 2, 1); }, 2002},
    };
    for (const FrequencyCase& k : cases) {
        SCOPED_TRACE(k.name);
        Circuit c;
        k.draw(c);
        c.Wire();
        engine::Engine engine(c.scheme);
        engine.PrepareWorkingCopy();
        int code = 0;
        try {
            engine.Graph().BuildFrequency(c.scheme);
        } catch (const model::SchemeError& e) {
            code = e.Code();
        }
        EXPECT_EQ(code, k.code);
    }
}

TEST_F(Formulation, EveryFormulationStartsFromAFreshGraph) {
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 2, 10);
    c.C(2, 0, 1e-6);
    ASSERT_EQ(Transient().Code(), 0);
    ASSERT_EQ(engine->FormulateTransient(notifier).Code(), 0);
    EXPECT_EQ(Graph().branches.size(), 3u);
    EXPECT_EQ(Graph().nodes.size(), 3u);
    EXPECT_EQ(Graph().capacitorSourceBranches.size(), 2u);
}

} // namespace
} // namespace engine_test
