#include "TransientTestSupport.h"

#include "analysis/Sweep.h"
#include "engine/Outputs.h"
#include "graph/GraphSet.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace analysis_test {
namespace {

using analysis::SweepField;
using analysis::TransientOutcome;

document::SweepSettings Sweep(double start, double end, int count, int method) {
    document::SweepSettings s;
    s.startValue = start;
    s.endValue = end;
    s.graphCount = count;
    s.method = method;
    return s;
}

constexpr int kLinear = document::SweepSettings::Linear;
constexpr int kLog = document::SweepSettings::Logarithmic;

// ---- run values and label ----------------------------------------------------------

TEST(SweepValues, LinearAndLogarithmicRuns) {
    struct Case {
        document::SweepSettings sweep;
        std::vector<double> values;
    };
    const Case cases[] = {
        {Sweep(1, 100, 3, kLog), {1, 10, 100}},
        {Sweep(-1, 1, 5, kLinear), {-1, -0.5, 0, 0.5, 1}},
        {Sweep(10, 20, 2, kLinear), {10, 20}},
        {Sweep(2, 0.5, 3, kLog), {2, 1, 0.5}},
    };
    for (const Case& k : cases) {
        const std::vector<double> values = analysis::SweepRunValues(k.sweep);
        ASSERT_EQ(values.size(), k.values.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_NEAR(values[i], k.values[i], 1e-12 * (1 + std::fabs(k.values[i])));
    }
}

// Each value is the one before plus Δ (or times ρ): ten additions of 0.1 end just
// below 1, where recomputing from the run number would give exactly 1.
TEST(SweepValues, AreAccumulatedRunByRun) {
    const std::vector<double> linear = analysis::SweepRunValues(Sweep(0, 1, 11, kLinear));
    double sum = 0;
    for (int r = 0; r < 10; ++r)
        sum += 0.1;
    EXPECT_EQ(linear.back(), sum);
    EXPECT_NE(linear.back(), 1.0);

    const std::vector<double> log = analysis::SweepRunValues(Sweep(1, 1000, 4, kLog));
    const double ratio = std::pow(1000.0, 1.0 / 3);
    EXPECT_EQ(log[3], 1 * ratio * ratio * ratio);
}

TEST(SweepLabel, SymbolElementAndUnit) {
    struct Case {
        const char* caption;
        const char* element;
        const char* unit;
        const char* label;
    };
    const Case cases[] = {
        {"Сопротивление (R)", "R3", "Ом", "R(R3), Ом"},
        {"Начальные условия (НУ)", "C1", "В", "НУ(C1), В"},
        {"Коэффициент", "ОУ1", "", "Коэффициент(ОУ1)"},
        {"Амплитуда (Um", "U2", "В", "Um(U2), В"},
        {"Сдвиг (a) (b)", "U1", "", "a(U1)"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(analysis::SweepRunLabel(k.caption, k.element, k.unit), k.label);
}

// ---- dialog validation ---------------------------------------------------------------

TEST(SweepDialog, StopsAtTheFirstBadField) {
    struct Case {
        const char* start;
        const char* end;
        const char* count;
        int method;
        SweepField field;
        const char* message;
    };
    const Case cases[] = {
        {"abc", "x", "1", kLinear, SweepField::Start, "Введите число, пожалуйста."},
        {"", "1", "5", kLinear, SweepField::Start, "Введите число, пожалуйста."},
        {"1", "x", "1", kLinear, SweepField::End, "Введите число, пожалуйста."},
        {"2", "1", "1", kLinear, SweepField::End,
         "Конечное значение должно быть больше начального.  "},
        {"1", "1", "5", kLinear, SweepField::End,
         "Конечное значение должно быть больше начального.  "},
        {"1", "2", "1", kLinear, SweepField::Count, "Число графиков должно быть больше 1.  "},
        {"1", "2", "-3", kLinear, SweepField::Count, "Число графиков должно быть больше 1.  "},
        {"1", "2", "x", kLinear, SweepField::Count, "Число графиков должно быть больше 1.  "},
        {"1", "2", "-99999999999", kLinear, SweepField::Count,
         "Число графиков должно быть больше 1.  "},
        {"1", "2", "1000", kLinear, SweepField::None, ""},
        {"1", "2", "1001", kLinear, SweepField::Count,
         "Число графиков не может быть больше 1000.  "},
        {"1", "2", "99999999999", kLinear, SweepField::Count,
         "Число графиков не может быть больше 1000.  "},
        {"-1", "1", "5", kLog, SweepField::Method,
         "Способ изменения должен быть линейным,\nесли начальное значение отрицательно."},
        {"0", "1", "5", kLog, SweepField::Method,
         "Способ изменения должен быть линейным,\nесли начальное значение отрицательно."},
        {"-1", "1", "5", kLinear, SweepField::None, ""},
        {"1k", "10k", " 12", kLog, SweepField::None, ""},
        // Typed as into any value field: a decimal comma, a blank before the
        // prefix, the parameter's unit; anything else is refused, not dropped.
        {"1,5", "2 k", "3", kLinear, SweepField::None, ""},
        {"1 кОм", "2kОм", "3", kLinear, SweepField::None, ""},
        {"1 x", "2", "3", kLinear, SweepField::Start, "Введите число, пожалуйста."},
        {"1", "1,5,2", "3", kLinear, SweepField::End, "Введите число, пожалуйста."},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.start) + " " + k.end + " " + k.count);
        document::SweepSettings record;
        const analysis::SweepCheck check = analysis::ValidateSweepDialog(
            {"R3", 0, k.start, k.end, k.count, k.method, "Ом"}, record);
        EXPECT_EQ(check.field, k.field);
        EXPECT_EQ(check.message, k.message);
        EXPECT_EQ(check.Ok(), k.field == SweepField::None);
    }
}

TEST(SweepDialog, StoresWhatPassed) {
    document::SweepSettings record;
    analysis::SweepCheck check =
        analysis::ValidateSweepDialog({"C2", 1, "1m", "5m", "4", kLinear, ""}, record);
    ASSERT_TRUE(check.Ok());
    EXPECT_EQ(record.ElementName(), "C2");
    EXPECT_EQ(record.paramIndex, 1);
    EXPECT_EQ(record.startValue, 1e-3);
    EXPECT_EQ(record.endValue, 5e-3);
    EXPECT_EQ(record.graphCount, 4);
    EXPECT_EQ(record.method, kLinear);

    // A rejected method has already stored name, index and method, not the numbers.
    document::SweepSettings other;
    check = analysis::ValidateSweepDialog({"R1", 0, "-2", "2", "3", kLog, ""}, other);
    EXPECT_EQ(check.field, SweepField::Method);
    EXPECT_EQ(other.ElementName(), "R1");
    EXPECT_EQ(other.method, kLog);
    EXPECT_EQ(other.startValue, 0);
    EXPECT_EQ(other.graphCount, 10);

    // An earlier failure stores nothing.
    document::SweepSettings untouched;
    analysis::ValidateSweepDialog({"R1", 0, "2", "1", "3", kLog, ""}, untouched);
    EXPECT_EQ(untouched.ElementName(), "");
    EXPECT_EQ(untouched.method, kLinear);
}

// ---- the engine's side -----------------------------------------------------------------

// U1 = 10 V drives R1 = 500 Ω, R2 = 1 kΩ and R3 = 1 kΩ in series, and a 1 µF
// capacitor hangs at node 2: settled within the 8 ms computed.
class SweepRuns : public TransientFixture {
protected:
    void SetUp() override {
        TransientFixture::SetUp();
        c.E(0, 1, 10);
        c.R(1, 2, 500);
        c.R(2, 3, 1000);
        r3 = c.R(3, 0, 1000);
        c.C(2, 0, 1e-6);
        Formulate();
        SetPart(0, 0, 8e-3, 80, 1e-9);
        SetOutputs({"Узел 3"}, {});
        settings.sweepEnabled = 1;
        settings.sweep.SetElementName("R3");
        settings.sweep.paramIndex = 0;
    }

    model::Element* r3 = nullptr;
};

TEST_F(SweepRuns, ChoiceNeedsAnElementWithParameters) {
    const model::ElementList& elements = c.scheme.elements;
    document::SweepSettings sweep;
    const std::string message = "Пожалуйста, выберите параметр.  ";
    EXPECT_EQ(analysis::CheckSweepChoice(sweep, elements), message);
    sweep.SetElementName("R9");
    EXPECT_EQ(analysis::CheckSweepChoice(sweep, elements), message);
    sweep.SetElementName("R3");
    EXPECT_EQ(analysis::CheckSweepChoice(sweep, elements), "");
    sweep.SetElementName("U1");
    EXPECT_EQ(analysis::CheckSweepChoice(sweep, elements), "");
}

TEST_F(SweepRuns, EveryRunComputesWithItsValueAndTheDocumentKeepsItsOwn) {
    settings.sweep.startValue = 1000;
    settings.sweep.endValue = 3000;
    settings.sweep.graphCount = 3;
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    EXPECT_EQ(Pane().RunLabel(), "R(R3), Ом");
    EXPECT_EQ(Pane().RunValues(), (std::vector<double>{1000, 2000, 3000}));
    EXPECT_EQ(reporter.runs.front(), "1 из 3");
    EXPECT_EQ(reporter.runs.back(), "3 из 3");
    for (int run = 0; run < 3; ++run) {
        const double r = 1000 + 1000 * run;
        const std::vector<double> u = Y(0, run);
        ASSERT_EQ(u.size(), 81u) << run;
        // At the end the capacitor has long been charged: no current through it.
        EXPECT_NEAR(u.back(), 10 * r / (1500 + r), 1e-6) << run;
    }
    EXPECT_EQ(r3->GetParam(0), 1000);
}

TEST_F(SweepRuns, AResistanceOfZeroEndsTheComputationQuietly) {
    settings.sweep.startValue = -500;
    settings.sweep.endValue = 500;
    settings.sweep.graphCount = 3;
    ASSERT_EQ(Run(), TransientOutcome::ParameterRejected);

    EXPECT_EQ(reporter.warnings,
              (std::vector<std::string>{"Неверный параметр: Сопротивление (R)=0"}));
    EXPECT_EQ(Pane().RunValues(), (std::vector<double>{-500}));
    EXPECT_EQ(X(0).size(), 81u);
    EXPECT_NEAR(Y(0, 0).back(), 10 * -500 / 1000.0, 1e-8);
    EXPECT_TRUE(X(1).empty());
    EXPECT_TRUE(X(2).empty());
    EXPECT_FALSE(graphs.StatusText().empty());
    EXPECT_EQ(r3->GetParam(0), 1000);
}

TEST_F(SweepRuns, PreparingAnElementOutsideTheCircuitFails) {
    settings.sweep.SetElementName("R7");
    try {
        analysis::PlanTransient(*engine, settings);
        FAIL() << "no error";
    } catch (const engine::AnalysisError& error) {
        EXPECT_EQ(error.Code(), engine::AnalysisError::SweepElementNotFound);
    }
}

// The per-run step on its own: a refused value is reported with the caption and
// the value in 12 digits, the time the box stays open is not computation time, and
// any other scheme error ends the runs without a word.
TEST(ApplySweepValue, RefusedValuesEndTheRunsQuietly) {
    graph::GraphSet sink;
    sink.SetPaneCount(2);
    sink.SetCounts(graph::kAllPanes, 1, 3);
    RecordingReporter reporter;
    analysis::ComputationClock clock;
    std::vector<double> refreshed;
    const analysis::SweepRefresh refresh = [&](double v) {
        if (v == 0)
            throw model::SchemeError(3200);
        if (v < 0)
            throw model::SchemeError(3001);
        refreshed.push_back(v);
    };

    EXPECT_TRUE(
        analysis::ApplySweepValue(refresh, 4.7e3, "Сопротивление (R)", sink, reporter, clock));
    EXPECT_EQ(refreshed, (std::vector<double>{4.7e3}));
    EXPECT_EQ(sink.Pane(0).RunValues(), (std::vector<double>{4.7e3}));
    EXPECT_EQ(sink.Pane(1).RunValues(), (std::vector<double>{4.7e3}));

    EXPECT_FALSE(
        analysis::ApplySweepValue(refresh, -1, "Сопротивление (R)", sink, reporter, clock));
    EXPECT_TRUE(reporter.warnings.empty());

    reporter.onWarning = [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); };
    EXPECT_FALSE(analysis::ApplySweepValue(refresh, 0, "Сопротивление (R)", sink, reporter, clock));
    EXPECT_EQ(reporter.warnings,
              (std::vector<std::string>{"Неверный параметр: Сопротивление (R)=0"}));
    EXPECT_LT(clock.ElapsedMilliseconds(), 250);
    EXPECT_EQ(sink.Pane(0).RunValues().size(), 1u);
}

TEST(ProgressTexts, Formats) {
    EXPECT_EQ(analysis::PercentText(35), "35 %");
    EXPECT_EQ(analysis::RunText(2, 10), "2 из 10");
    EXPECT_EQ(analysis::ElapsedTimeText(0), "Время расчета: 0min 0s 0ms");
    EXPECT_EQ(analysis::ElapsedTimeText(2 * 60000 + 5 * 1000 + 42), "Время расчета: 2min 5s 42ms");
}

} // namespace
} // namespace analysis_test
