// The sparse transient formulation must give the dense one's results to the last
// bit: the same products, term for term and in the same order, only without the
// entries that are zero. Each circuit runs through both and every curve of every
// pane and run is compared bit for bit; the matrices the step reads are compared
// entry for entry as well.
#include "TransientTestSupport.h"

#include "analysis/OutputChoices.h"
#include "analysis/TransientAnalysis.h"
#include "document/Document.h"
#include "engine/SparseAlgebra.h"
#include "graph/GraphSet.h"
#include "model/Sources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace analysis_test {
namespace {

// One side of the comparison: the fixture's circuit, engine and settings.
class Side : public TransientFixture {
public:
    void TestBody() override {}
    using TransientFixture::c;
    using TransientFixture::engine;
    using TransientFixture::graphs;
    using TransientFixture::Pane;
    using TransientFixture::SetPart;
    using TransientFixture::settings;

    // Formulates with the chosen products and asks for every output offered.
    void FormulateAll(bool sparse) {
        c.Wire();
        engine = std::make_unique<engine::Engine>(c.scheme);
        engine->UseSparseTransient(sparse);
        const model::SchemeError result = engine->FormulateTransient(notifier);
        ASSERT_EQ(result.Code(), 0) << engine::SchemeErrorMessage(result);
        std::vector<std::string> voltages, currents;
        for (const analysis::OfferedOutput& o : analysis::OfferedOutputs(*engine, false)) {
            if ((o.flags & analysis::OfferedOutput::Voltage) && voltages.size() < 10)
                voltages.push_back(o.name);
            if ((o.flags & analysis::OfferedOutput::Current) && currents.size() < 10)
                currents.push_back(o.name);
        }
        SetOutputs(voltages, currents);
    }
    // An analysis error fails the case by name instead of ending the test.
    analysis::TransientOutcome Compute() {
        try {
            return Run();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "the analysis threw " << e.what();
            return analysis::TransientOutcome::Stopped;
        }
    }
};

// The matrices the step reads, from the sparse formulation and from the dense one.
void ExpectSameStepMatrices(const engine::StateEquations& sparse,
                            const engine::StateEquations& dense) {
    using M = engine::StateEquations::StepMatrices;
    const std::pair<const char*, engine::SparseMatrix M::*> members[] = {
        {"F1", &M::F1},         {"F2", &M::F2},       {"S2Gamma2", &M::S2Gamma2},
        {"Pphi", &M::Pphi},     {"Pphix", &M::Pphix}, {"KLJ1", &M::KLJ1},
        {"Kv1", &M::Kv1},       {"KLJ2", &M::KLJ2},   {"Y22", &M::Y22},
        {"G1", &M::G1},         {"G2", &M::G2},       {"A12T", &M::A12T},
        {"inv22T", &M::inv22T}, {"S2T", &M::S2T},     {"DS", &M::DS},
        {"DC", &M::DC},         {"Z", &M::Z}};
    for (const auto& [name, member] : members) {
        const engine::SparseMatrix& a = sparse.step.*member;
        const engine::SparseMatrix& b = dense.step.*member;
        ASSERT_EQ(a.Rows(), b.Rows()) << name;
        ASSERT_EQ(a.Cols(), b.Cols()) << name;
        ASSERT_EQ(a.NonzeroCount(), b.NonzeroCount()) << name;
        for (int i = 0; i < a.Rows(); ++i)
            for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
                ASSERT_EQ(a.ColumnAt(k), b.ColumnAt(k)) << name << " row " << i;
                ASSERT_EQ(Bits(a.ValueAt(k)), Bits(b.ValueAt(k)))
                    << name << " (" << i << ", " << a.ColumnAt(k) << ")";
            }
    }
}

// Every pane holds `runs` runs of more than one point, and the sparse side's
// curves are the dense side's to the last bit.
void ExpectSameCurves(const Side& sparse, const Side& dense, int panes, int runs) {
    ASSERT_EQ(dense.graphs.PaneCount(), panes);
    for (int pane = 0; pane < panes; ++pane) {
        ASSERT_EQ(dense.Pane(pane).RunCount(), runs);
        for (int run = 0; run < runs; ++run)
            ASSERT_GT(dense.Pane(pane).X(run).Count(), 1u);
    }
    ExpectSameCurvesBitForBit(sparse.graphs, dense.graphs);
}

TEST(TransientSparseFormulation, GivesTheDenseResultsBitForBit) {
    struct Case {
        const char* name;
        std::function<void(Side&)> draw;
    };
    const Case cases[] = {
        {"RC ladder under a pulse train, unistors and a floating source",
         [](Side& s) {
             auto* e = static_cast<model::VoltageSource*>(s.c.E(0, 1, 1));
             e->SetMode(model::SourceMode::Pulse);
             e->SetPulseFrequency(2000);
             s.c.R(1, 2, 100);
             s.c.C(2, 0, 1e-6, 0.5);
             s.c.R(2, 3, 220);
             s.c.C(3, 0, 2e-6);
             s.c.S(3, 4, 0.01);
             s.c.R(4, 0, 1000);
             s.c.E(4, 5, 2); // floating: its far node is a forest node of its own tree
             s.c.R(5, 0, 470);
             s.c.S(5, 2, 0.002);
             s.SetPart(0, 0, 2e-3, 40, 1e-12);
         }},
        {"inductances in ordinary and source branches, current sources in both",
         [](Side& s) {
             s.c.E(0, 1, 5);
             s.c.R(1, 2, 50);
             s.c.L(2, 3, 1e-3, 0.01);
             s.c.C(3, 0, 1e-6, 1);
             s.c.L(3, 0, 2e-3, -0.02); // beside the capacitor
             s.c.J(3, 0, 1e-3);        // beside it too
             s.c.J(2, 0, 2e-3);
             s.c.R(2, 0, 1000);
             s.SetPart(0, 0, 1e-3, 30, 1e-12);
             s.SetPart(1, 1e-3, 3e-3, 20, 1e-11);
         }},
        {"independent nodes between capacitors (the nodal inverse Z)",
         [](Side& s) {
             auto* e = static_cast<model::SourceElement*>(s.c.E(0, 1, 0));
             e->SetMode(model::SourceMode::Ac);
             e->SetAcAmplitude(2);
             e->SetAcFrequency(1000);
             e->SetAcPhase(30);
             e->SetEndTime(true);
             e->SetEndMoment(7e-4);
             s.c.R(1, 2, 100);
             s.c.R(2, 0, 330);
             s.c.R(2, 3, 150);
             s.c.R(3, 4, 680);
             s.c.R(4, 0, 1000);
             s.c.C(3, 0, 1e-7);
             s.c.R(4, 5, 47);
             s.c.L(5, 0, 1e-2);
             s.c.S(4, 2, 0.001);
             s.SetPart(0, 0, 1.5e-3, 60, 1e-12);
         }},
        {"controlled sources, gyrator, transformer and op-amp",
         [](Side& s) {
             s.c.E(0, 1, 1);
             s.c.R(1, 2, 1e4);
             s.c.C(2, 3, 1e-8);
             s.c.Add(model::kind::OpAmp, std::vector<int>{0, 2, 3});
             s.c.Add(model::kind::Vcvs, std::vector<int>{3, 0, 4, 0});
             s.c.R(4, 5, 1000);
             // A gyrator of 1 mS makes the capacitor an inductance of 0.1 H.
             s.c.Add(model::kind::Gyrator, std::vector<int>{5, 0, 6, 0})->SetParam(0, 1e-3);
             s.c.C(6, 0, 1e-7);
             s.c.R(6, 0, 5e3);
             s.c.Add(model::kind::Vccs, std::vector<int>{6, 0, 7, 0});
             s.c.R(7, 0, 100);
             s.c.Add(model::kind::Transformer, std::vector<int>{7, 0, 8, 0});
             s.c.R(8, 0, 50);
             s.c.Add(model::kind::Cccs, std::vector<int>{8, 0, 9, 0});
             s.c.R(9, 0, 75);
             s.c.C(9, 0, 1e-7);
             s.SetPart(0, 0, 1e-4, 25, 1e-12);
         }},
        {"transistor and tube stages",
         [](Side& s) {
             auto* e = static_cast<model::SourceElement*>(s.c.E(0, 1, 0));
             e->SetMode(model::SourceMode::Ac);
             e->SetAcAmplitude(0.01);
             e->SetAcFrequency(1e4);
             s.c.R(1, 2, 1000);
             s.c.C(2, 3, 1e-6);
             s.c.Add(model::kind::Transistor, std::vector<int>{3, 4, 0});
             s.c.R(4, 5, 4700);
             s.c.E(5, 0, 12);
             s.c.C(4, 6, 1e-6);
             s.c.Add(model::kind::Tube, std::vector<int>{6, 7, 0});
             s.c.R(7, 5, 1e5);
             s.c.R(6, 0, 1e6);
             s.SetPart(0, 0, 2e-4, 30, 1e-12);
         }},
        {"swept resistance",
         [](Side& s) {
             s.c.E(0, 1, 1);
             s.c.R(1, 2, 100);
             s.c.C(2, 0, 1e-6);
             s.c.L(2, 3, 1e-3);
             s.c.R(3, 0, 10);
             s.SetPart(0, 0, 5e-4, 25, 1e-12);
             s.settings.sweepEnabled = 1;
             s.settings.sweep.SetElementName("R1");
             s.settings.sweep.startValue = 10;
             s.settings.sweep.endValue = 200;
             s.settings.sweep.graphCount = 3;
         }},
        {"swept initial voltage with the energy graph",
         [](Side& s) {
             s.c.E(0, 1, 1);
             s.c.R(1, 2, 100);
             s.c.C(2, 0, 1e-6);
             s.c.L(2, 0, 1e-3, 1e-3);
             s.SetPart(0, 0, 5e-4, 25, 1e-12);
             s.settings.energyGraph = 1;
             s.settings.sweepEnabled = 1;
             s.settings.sweep.SetElementName("C1");
             s.settings.sweep.paramIndex = 1;
             s.settings.sweep.startValue = 0;
             s.settings.sweep.endValue = 2;
             s.settings.sweep.graphCount = 2;
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Side dense, sparse;
        for (auto [side, on] : {std::pair<Side*, bool>{&dense, false}, {&sparse, true}}) {
            side->c.Ground(0);
            k.draw(*side);
            side->FormulateAll(on);
            if (::testing::Test::HasFatalFailure())
                return;
        }
        ASSERT_TRUE(sparse.engine->Graph().sparseTransient);
        EXPECT_EQ(sparse.engine->State().F2.Rows(), 0) << "no dense matrix is formed";
        ExpectSameStepMatrices(sparse.engine->State(), dense.engine->State());
        ASSERT_EQ(dense.Compute(), analysis::TransientOutcome::Completed);
        ASSERT_EQ(sparse.Compute(), analysis::TransientOutcome::Completed);
        const int runs = dense.settings.sweepEnabled ? dense.settings.sweep.graphCount : 1;
        ExpectSameCurves(sparse, dense, dense.graphs.PaneCount(), runs);
        // After a sweep's refills the sparse matrices still match the dense ones.
        ExpectSameStepMatrices(sparse.engine->State(), dense.engine->State());
    }
}

// Every example document, with its own settings, through both formulations.
TEST(TransientSparseFormulation, GivesTheDenseResultsOnEveryExample) {
    int examples = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KORVANIX_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".scm")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        struct Result {
            document::Document doc;
            std::unique_ptr<engine::Engine> engine;
            graph::GraphSet graphs{"График переходного процесса"};
        };
        Result dense, sparse;
        for (auto [side, on] : {std::pair<Result*, bool>{&dense, false}, {&sparse, true}}) {
            ASSERT_TRUE(side->doc.Open(entry.path().string()).read);
            side->engine = std::make_unique<engine::Engine>(side->doc.scheme);
            side->engine->UseSparseTransient(on);
            RecordingNotifier notifier;
            ASSERT_EQ(side->engine->FormulateTransient(notifier).Code(), 0);
            const analysis::TransientPlan plan =
                analysis::PlanTransient(*side->engine, side->doc.settings.transient);
            ASSERT_TRUE(plan.Ready()) << plan.message;
            RecordingReporter reporter;
            document::AnalysisOptions options = side->doc.settings.options;
            ASSERT_EQ(analysis::RunTransient(*side->engine, plan, side->doc.settings.transient,
                                             options, "doc.scm", side->graphs, reporter),
                      analysis::TransientOutcome::Completed);
        }
        ExpectSameStepMatrices(sparse.engine->State(), dense.engine->State());
        ExpectSameCurvesBitForBit(sparse.graphs, dense.graphs);
        ++examples;
    }
    EXPECT_GE(examples, 12);
}

} // namespace
} // namespace analysis_test
