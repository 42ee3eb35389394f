#include "TransientTestSupport.h"

#include "analysis/TransientAnalysis.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "model/Sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <regex>
#include <string>
#include <vector>

// Every allocation of the test program is counted, so that a test can show that
// the integration steps themselves allocate nothing. Kept out of line, so that the
// compiler never pairs an inlined free with the allocation it came from.
namespace {
std::atomic<long> allocationCount{0};
}

[[gnu::noinline]] void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace analysis_test {
namespace {

using analysis::TransientOutcome;

// Closed forms are compared at a small EPS. A step keeps adding series terms until
// CHECKDEPTH (3) consecutive terms are below EPS, so each step's truncation error
// is of the order of EPS; with EPS = 1e-13 and at most a few thousand steps the
// accumulated error stays below 1e-9, three decades inside the 1e-6 relative
// tolerance of the comparisons.
constexpr double kSmallEps = 1e-13;
constexpr double kRelative = 1e-6;

void ExpectRelative(const std::vector<double>& actual, const std::vector<double>& expected,
                    double scale = 0) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const double reference = scale > 0 ? scale : std::fabs(expected[i]);
        EXPECT_NEAR(actual[i], expected[i], kRelative * reference + 1e-300) << "point " << i;
    }
}

class Transient : public TransientFixture {};

// ---- closed forms ----------------------------------------------------------------

// A DC source charging a capacitor through a resistor: u_C = U (1 − e^(−t/RC)). The
// capacitor's current is counted against the charging current (from ground into
// the capacitor's node).
TEST_F(Transient, RcStepFollowsItsClosedForm) {
    constexpr double U = 5, R = 1000, C = 1e-6, tau = R * C;
    c.E(0, 1, U);
    c.R(1, 2, R);
    c.C(2, 0, C);
    Formulate();
    SetPart(0, 0, 5 * tau, 200, kSmallEps);
    SetOutputs({"C1"}, {"C1"});
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    const std::vector<double> t = X();
    ASSERT_GE(t.size(), 201u);
    EXPECT_EQ(t.back(), 5 * tau);
    std::vector<double> u, i;
    for (double x : t) {
        u.push_back(U * (1 - std::exp(-x / tau)));
        i.push_back(-U / R * std::exp(-x / tau));
    }
    // u_C starts at exactly 0: compare it against its final value there.
    ExpectRelative(Y(0), u, U);
    ExpectRelative(Y(1), i);
}

// A capacitor charged through a resistor from a harmonic source e = A cos(ωt + φ):
// u_C = u_s(t) − u_s(0) e^(−t/RC) with u_s(t) = A cos(ωt + φ − atan ωRC) / √(1 + (ωRC)²).
// The source's derivatives enter every order of the series.
TEST_F(Transient, RcDrivenByAHarmonicSourceFollowsItsClosedForm) {
    constexpr double A = 2, f = 1000, phase = 30, R = 1000, C = 1e-7, tau = R * C;
    model::SourceElement* e = c.E(0, 1, 0);
    e->SetMode(model::SourceMode::Ac);
    e->SetAcAmplitude(A);
    e->SetAcFrequency(f);
    e->SetAcPhase(phase);
    c.R(1, 2, R);
    c.C(2, 0, C);
    Formulate();
    SetPart(0, 0, 2e-3, 200, kSmallEps);
    SetOutputs({"C1"}, {});
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    const double w = 2 * M_PI * f;
    const double phi = phase * M_PI / 180;
    const auto steady = [&](double t) {
        return A * std::cos(w * t + phi - std::atan(w * tau)) / std::sqrt(1 + w * w * tau * tau);
    };
    std::vector<double> u;
    for (double t : X())
        u.push_back(steady(t) - steady(0) * std::exp(-t / tau));
    ExpectRelative(Y(0), u, A);
}

// A series RLC driven by a DC step, underdamped: with α = R/2L, ω0² = 1/LC and
// ωd² = ω0² − α², u_C = U (1 − e^(−αt) (cos ωd t + α/ωd sin ωd t)) and the loop
// current U/(L ωd) e^(−αt) sin ωd t. The current crosses zero, so both curves are
// compared relative to their peak. The inductance lies between nodes 2 and 3 and
// its current is counted from node 3 to node 2, against the loop current.
TEST_F(Transient, SeriesRlcRingsAsItsClosedForm) {
    constexpr double U = 1, R = 10, L = 1e-3, C = 1e-6;
    c.E(0, 1, U);
    c.R(1, 2, R);
    c.L(2, 3, L);
    c.C(3, 0, C);
    Formulate();
    const double alpha = R / (2 * L);
    const double wd = std::sqrt(1 / (L * C) - alpha * alpha);
    SetPart(0, 0, 1e-3, 1000, kSmallEps);
    SetOutputs({"C1"}, {"L1"});
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    std::vector<double> u, i;
    for (double t : X()) {
        const double decay = std::exp(-alpha * t);
        u.push_back(U * (1 - decay * (std::cos(wd * t) + alpha / wd * std::sin(wd * t))));
        i.push_back(-U / (L * wd) * decay * std::sin(wd * t));
    }
    ExpectRelative(Y(0), u, 2 * U);
    ExpectRelative(Y(1), i, U / (L * wd));
}

// ---- step choice ------------------------------------------------------------------

// A resistive circuit driven by a source whose switching instants the steps have to
// hit; the x values show the steps taken.
class StepChoice : public Transient {
protected:
    model::SourceElement* Source() {
        model::SourceElement* e = c.E(0, 1, 1);
        c.R(1, 0, 100);
        return e;
    }
    // A harmonic source cut off at `end`: one switching instant.
    void EndingAt(double end) {
        model::SourceElement* e = Source();
        e->SetMode(model::SourceMode::Ac);
        e->SetEndTime(true);
        e->SetEndMoment(end);
    }
    void Compute(double end, int points) {
        Formulate();
        SetPart(0, 0, end, points);
        SetOutputs({"R1"}, {});
        ASSERT_EQ(Run(), TransientOutcome::Completed);
    }
    std::vector<double> Steps() const {
        const std::vector<double> x = X();
        std::vector<double> h;
        for (std::size_t i = 1; i < x.size(); ++i)
            h.push_back(x[i] - x[i - 1]);
        return h;
    }
};

TEST_F(StepChoice, AnEdgeInsideAStepSplitsItAndTheFullStepReturns) {
    constexpr double h = 1e-4;
    EndingAt(3.4e-4);
    Compute(1e-3, 10);
    const std::vector<double> x = X();
    ASSERT_EQ(x.size(), 12u);
    EXPECT_EQ(x[4], 3.4e-4);
    const std::vector<double> steps = Steps();
    const double expected[] = {h, h, h, 0.4 * h, 0.6 * h, h, h, h, h, h, h};
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_NEAR(steps[i], expected[i], 1e-15) << "step " << i;
    EXPECT_EQ(x.back(), 1e-3);
}

// A pulse train switches twice around each edge (r before it and on it), so the
// step holding an edge 0.4·h after its start becomes 0.4·h − r, r, then 0.6·h.
TEST_F(StepChoice, APulseEdgeSplitsTheStepAtBothOfItsInstants) {
    constexpr double h = 1e-4;
    auto* e = static_cast<model::VoltageSource*>(Source());
    e->SetMode(model::SourceMode::Pulse);
    e->SetPulseFrequency(1 / 6.8e-4); // edges at 3.4e-4 and 6.8e-4
    e->SetPulseDuration(50);
    Compute(1e-3, 10);
    const double before = e->SwitchingInstant(0, 0);
    const double edge = e->SwitchingInstant(0, 1);
    ASSERT_NEAR(edge, 3.4e-4, 1e-15);
    ASSERT_LT(before, edge);
    ASSERT_GT(before, edge - 1e-7);

    const std::vector<double> x = X();
    ASSERT_GE(x.size(), 8u);
    EXPECT_NEAR(x[3], 3 * h, 1e-15);
    EXPECT_EQ(x[4], before);
    EXPECT_EQ(x[5], edge);
    EXPECT_NEAR(x[6], 4 * h, 1e-15);
    EXPECT_NEAR(x[7], 5 * h, 1e-15);
    // The second edge of the period is hit the same way.
    EXPECT_NE(std::find(x.begin(), x.end(), e->SwitchingInstant(0, 3)), x.end());
    EXPECT_EQ(x.back(), 1e-3);
}

TEST_F(StepChoice, AnEdgeWithin1e12OfAStepEndMovesTheEndWithoutASplit) {
    constexpr double h = 1e-4;
    const double edge = 3e-4 + 5e-13;
    EndingAt(edge);
    Compute(1e-3, 10);
    const std::vector<double> x = X();
    ASSERT_EQ(x.size(), 11u);
    EXPECT_EQ(x[3], edge);
    for (double step : Steps())
        EXPECT_NEAR(step, h, 1e-11);
    EXPECT_EQ(x.back(), 1e-3);
}

TEST_F(StepChoice, TheLastStepOfAPartIsShortenedToItsEnd) {
    Source();
    Formulate();
    SetPart(0, 0, 1e-3, 4);
    settings.parts[0].mode = document::IntervalPart::ByStep;
    settings.parts[0].step = 3e-4;
    SetOutputs({"R1"}, {});
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    const std::vector<double> x = X();
    ASSERT_EQ(x.size(), 5u);
    EXPECT_NEAR(x[3], 9e-4, 1e-15);
    EXPECT_EQ(x[4], 1e-3);
}

// 0 … 10 ms in 100 steps: the accumulated time ends a rounding error short of the
// end; no sliver step may follow.
TEST_F(StepChoice, RoundingDriftAddsNoSliverStep) {
    Source();
    Compute(1e-2, 100);
    const std::vector<double> x = X();
    ASSERT_EQ(x.size(), 101u);
    EXPECT_EQ(x.back(), 1e-2);
    EXPECT_NEAR(x[99], 9.9e-3, 1e-15);
}

// After a split the full step comes back; near the end of a part that is not a
// whole number of steps long it must still stop on the part's end.
TEST_F(StepChoice, TheStepRestoredAfterASplitStopsAtThePartsEnd) {
    EndingAt(7e-4);
    Formulate();
    SetPart(0, 0, 1e-3, 4);
    settings.parts[0].step = 3e-4;
    SetOutputs({"R1"}, {});
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    const std::vector<double> x = X();
    ASSERT_EQ(x.size(), 6u);
    const double expected[] = {0, 3e-4, 6e-4, 7e-4, 9e-4, 1e-3};
    for (std::size_t i = 0; i < x.size(); ++i)
        EXPECT_NEAR(x[i], expected[i], 1e-15) << "point " << i;
    EXPECT_EQ(x.back(), 1e-3);
}

// A harmonic source that ended in part 1 must not keep the edges of another source
// in part 2 from being hit.
TEST_F(StepChoice, AnInstantBeforeThePartDoesNotHideTheLaterOnes) {
    model::SourceElement* early = c.E(0, 1, 1);
    c.R(1, 0, 100);
    model::SourceElement* late = c.E(0, 2, 1);
    c.R(2, 0, 100);
    for (auto [source, end] : {std::pair{early, 5.5e-4}, std::pair{late, 1.45e-3}}) {
        source->SetMode(model::SourceMode::Ac);
        source->SetEndTime(true);
        source->SetEndMoment(end);
    }
    Formulate();
    SetPart(0, 0, 1e-3, 10);
    SetPart(1, 1e-3, 2e-3, 10);
    SetOutputs({"R1"}, {});
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    const std::vector<double> x = X();
    EXPECT_NE(std::find(x.begin(), x.end(), 5.5e-4), x.end());
    EXPECT_NE(std::find(x.begin(), x.end(), 1.45e-3), x.end());
    EXPECT_EQ(x.size(), 23u);
}

// ---- order of the series -----------------------------------------------------------

// A capacitor discharging through a resistor: with a = h/RC the term of order j of
// a step from u is u·(−a)^j/j!, so the stopping order is known beforehand.
class SeriesOrder : public Transient {
protected:
    static constexpr double kA = 0.1;

    void Discharge(double eps, int points = 10) {
        c.C(1, 0, 1e-6, 1.0);
        c.R(1, 0, 1000);
        Formulate();
        SetPart(0, 0, points * kA * 1e-3, points, eps);
        SetOutputs({"C1"}, {});
    }
    // The order at which `depth` consecutive terms of the first step lie within eps.
    static int StoppingOrder(double eps, int depth) {
        int run = 0;
        double term = 1;
        for (int j = 1;; ++j) {
            term *= kA / j;
            run = term <= eps ? run + 1 : 0;
            if (run >= depth)
                return j + 1;
        }
    }
    static double PartialSum(int order) {
        double sum = 0, term = 1;
        for (int j = 0; j <= order; ++j) {
            sum += term;
            term *= -kA / (j + 1);
        }
        return sum;
    }
};

TEST_F(SeriesOrder, StopsAfterCheckDepthSmallTermsAndKeepsOneTermMore) {
    Discharge(1e-9);
    for (int depth : {1, 2, 3, 5}) {
        SCOPED_TRACE(depth);
        options.checkDepth = depth;
        ASSERT_EQ(Run(), TransientOutcome::Completed);
        const int order = StoppingOrder(1e-9, depth);
        EXPECT_EQ(Terms()[1], order);
        // The state after the step holds every order up to the stopping one (at depth
        // 1 the last term, 2.5e-13, is far above the tolerance).
        EXPECT_NEAR(Y(0)[1], PartialSum(order), 1e-16);
    }
    EXPECT_EQ(StoppingOrder(1e-9, 3), 10);
}

TEST_F(SeriesOrder, AnOrderAboveMaxIterFailsWithError200) {
    // Orders 10 and 11 are what EPS 1e-9 and 1e-12 need at depth 3.
    ASSERT_EQ(StoppingOrder(1e-9, 3), 10);
    ASSERT_EQ(StoppingOrder(1e-12, 3), 11);
    options.maxIter = 10;
    Discharge(1e-9);
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    EXPECT_EQ(Terms()[1], 10);

    settings.parts[0].eps = 1e-12;
    try {
        Run();
        FAIL() << "no error";
    } catch (const engine::AnalysisError& error) {
        EXPECT_EQ(error.Code(), 200);
        EXPECT_EQ(engine::AnalysisErrorMessage(error),
                  "Требуемая точность не достигнута!\nУменьшите шаг или увеличьте число точек");
    }
    // A term that never gets within EPS fails the same way.
    settings.parts[0].eps = 0;
    EXPECT_THROW(Run(), engine::AnalysisError);
}

// Part 1 computes, part 2 asks for more than MAXITER allows: its first step fails,
// and the graph keeps part 1's curve, its segments ended and its ranges settled.
TEST_F(SeriesOrder, AFailureKeepsTheCurvesComputedSoFar) {
    options.maxIter = 10;
    Discharge(1e-9);
    SetPart(1, 1e-3, 2e-3, 10, 1e-12);
    EXPECT_THROW(Run(), engine::AnalysisError);
    EXPECT_EQ(X().size(), 11u);
    EXPECT_EQ(Pane().SegmentEnds(0), (std::vector<int>{11, 11}));
    const std::vector<double> u = Y(0);
    EXPECT_DOUBLE_EQ(Pane().Group(0).high, *std::max_element(u.begin(), u.end()));
    EXPECT_DOUBLE_EQ(Pane().Group(0).low, *std::min_element(u.begin(), u.end()));
    EXPECT_EQ(graphs.StatusText(), "");
}

// ---- check depth learning --------------------------------------------------------

// A capacitor charged from 0 through a resistor with a = h/RC = 2.5 and EPS 2.8: the
// terms of the first step are 2.5, 3.125, 2.60, 1.63, ... — one small term before
// a large one, a false run of 1 — and every later step has only small terms.
class DepthLearning : public Transient {
protected:
    void SetUp() override {
        Transient::SetUp();
        options.autoCheckDepth = 1;
        options.checkDepth = 3;
        c.E(0, 1, 1);
        c.R(1, 2, 1000);
        c.C(2, 0, 1e-6);
        Formulate();
        SetOutputs({"C1"}, {});
    }
    void Part(int p, int points) {
        const double start = p == 0 ? 0 : settings.parts[p - 1].endTime;
        SetPart(p, start, start + points * 2.5e-3, points, 2.8);
    }
    static std::vector<int> Slice(const std::vector<int>& v, std::size_t from, std::size_t count) {
        return std::vector<int>(v.begin() + static_cast<long>(from),
                                v.begin() + static_cast<long>(from + count));
    }
};

TEST_F(DepthLearning, LearntAtStepFiveWithAHundredPointsAndWrittenBack) {
    Part(0, 100);
    Part(1, 100);
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    const std::vector<int> terms = Terms();
    ASSERT_EQ(terms.size(), 201u);
    // Depth 10 until step 5: 13 terms for the first step (ten small ones after the
    // large ones), 11 for the next; from step 5 on the depth is 1 + 2.
    EXPECT_EQ(Slice(terms, 0, 7), (std::vector<int>{0, 13, 11, 11, 11, 11, 4}));
    EXPECT_EQ(Slice(terms, 7, 94), std::vector<int>(94, 4));
    // Part 2 keeps depth 3 until its own step 5, which sees no false run: 0 + 2.
    EXPECT_EQ(Slice(terms, 101, 5), std::vector<int>(5, 4));
    EXPECT_EQ(Slice(terms, 106, 95), std::vector<int>(95, 3));
    EXPECT_EQ(options.checkDepth, 2);
}

TEST_F(DepthLearning, LearntAtStepZeroWithFifteenPoints) {
    Part(0, 15);
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    // Learning from the first order on: depth 2 after the first small term, 3 once
    // the false run is seen; the step ends after three small terms.
    EXPECT_EQ(Terms(), (std::vector<int>{0, 6, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}));
    EXPECT_EQ(options.checkDepth, 3);
}

TEST_F(DepthLearning, EveryRunStartsAgainFromDepthTen) {
    Part(0, 100);
    settings.sweepEnabled = 1;
    settings.sweep.SetElementName("C1");
    settings.sweep.paramIndex = 1; // initial condition
    settings.sweep.startValue = 0;
    settings.sweep.endValue = 1e-6;
    settings.sweep.graphCount = 2;
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    EXPECT_EQ(Slice(Terms(1), 0, 7), (std::vector<int>{0, 13, 11, 11, 11, 11, 4}));
}

TEST_F(Transient, WithoutStatesTheCheckDepthSettingStays) {
    options.autoCheckDepth = 1;
    options.checkDepth = 7;
    c.E(0, 1, 1);
    c.R(1, 0, 10);
    Formulate();
    SetOutputs({"R1"}, {});
    SetPart(0, 0, 1e-3, 100);
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    EXPECT_EQ(options.checkDepth, 7);
}

// ---- outputs -----------------------------------------------------------------------

// Every result slot at the first point of a run, where the outputs follow from the
// initial conditions and the sources alone, and again a femtosecond later through
// the row-indexed forms. Node 1 (source) and node 2 (capacitor) are forest nodes,
// node 3 an independent one:
//   U1 = 10 V from ground to node 1; R1 = 1 kΩ from 1 to 2; C1 = 1 µF at node 2
//   with 4 V; R2 = 2 kΩ, I1 = 1 mA into node 2 and L1 = 1 mH with 3 mA into node 2
//   beside it; L2 = 1 mH from 2 to 3 with 2 mA counted from 3 to 2; R3 = 500 Ω and
//   I2 = 1 mA into node 3 beside it; R4 shorted.
// Node 3: u3/500 + 2 mA = 1 mA gives u3 = −0.5 V. Node 2: 6 + 2 + 1 + 3 − 2 = 10 mA
// flow from node 2 into the capacitor; a capacitor or source current is counted
// from the branch's end (ground) to its start.
TEST_F(Transient, EveryResultSlotHoldsItsHandDerivedValue) {
    c.E(0, 1, 10);
    c.R(1, 2, 1000);
    c.C(2, 0, 1e-6, 4);
    c.R(2, 0, 2000);
    c.J(0, 2, 1e-3);
    c.L(2, 0, 1e-3, 3e-3);
    c.L(2, 3, 1e-3, 2e-3);
    c.R(3, 0, 500);
    c.J(0, 3, 1e-3);
    c.R(3, 3, 50);
    Formulate();
    SetPart(0, 0, 1e-15, 1, kSmallEps);

    struct Case {
        std::vector<std::string> voltages, currents;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {{"L2", "R3", "R1", "R2", "C1"}, {}, {4.5, -0.5, 6, 4, 4}},
        {{"U1", "Узел 1", "Узел 2", "Узел 3", "R4"}, {}, {10, 10, 4, -0.5, 0}},
        {{}, {"L2", "L1", "I2", "I1", "C1"}, {2e-3, 3e-3, 1e-3, 1e-3, -10e-3}},
        {{}, {"U1", "R3", "R1", "R2", "R4"}, {6e-3, -1e-3, 6e-3, 2e-3, 0}},
    };
    std::vector<int> slots;
    for (const Case& k : cases) {
        SetOutputs(k.voltages, k.currents);
        ASSERT_EQ(Run(), TransientOutcome::Completed);
        for (const analysis::TransientOutput& o : plan.outputs)
            slots.push_back(o.locator.code);
        for (std::size_t i = 0; i < k.expected.size(); ++i) {
            const std::vector<double> y = Y(static_cast<int>(i));
            ASSERT_EQ(y.size(), 2u);
            for (double value : y)
                EXPECT_NEAR(value, k.expected[i], 1e-6 * std::fabs(k.expected[i]) + 1e-15)
                    << plan.outputs[i].curveName;
        }
    }
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
}

// Sources and resistors only: no Taylor step (0 terms everywhere) and the outputs
// follow the source at every point.
TEST_F(Transient, AResistiveCircuitFollowsItsSources) {
    model::SourceElement* e = c.E(0, 1, 1);
    e->SetMode(model::SourceMode::Ac);
    e->SetAcAmplitude(2);
    e->SetAcFrequency(1000);
    e->SetAcPhase(30);
    c.R(1, 2, 1000);
    c.R(2, 0, 3000);
    Formulate();
    SetPart(0, 0, 2e-3, 50);
    SetOutputs({"Узел 2", "U1"}, {"R2"});
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    EXPECT_EQ(Terms(), std::vector<int>(51, 0));
    const std::vector<double> x = X();
    std::vector<double> node, source, current;
    for (double t : x) {
        const double v = e->SourceValue(t, 0);
        node.push_back(0.75 * v);
        source.push_back(v);
        current.push_back(v / 4000);
    }
    ExpectRelative(Y(0), node, 1.5);
    ExpectRelative(Y(1), source, 2);
    ExpectRelative(Y(2), current, 5e-4);
}

// A lossless tank (capacitor with 2 V, inductance beside it with 0.5 A: an x3
// state) keeps ½CU² + ½LI²; an inductance of 10 mH with 0.2 A beside 100 Ω (an x1
// state) loses ½LI² e^(−2tR/L).
TEST_F(Transient, EnergyOfInductancesAndCapacitors) {
    c.C(1, 0, 1e-6, 2);
    c.L(1, 0, 1e-3, 0.5);
    c.L(2, 0, 1e-2, 0.2);
    c.R(2, 0, 100);
    Formulate();
    SetPart(0, 0, 5e-4, 500, kSmallEps);
    settings.energyGraph = 1;
    SetOutputs({}, {});
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    ASSERT_EQ(graphs.PaneCount(), 1);
    EXPECT_EQ(Pane().CurveName(0), "Энергия, Дж");
    std::vector<double> expected;
    for (double t : X())
        expected.push_back(0.5 * 1e-6 * 4 + 0.5 * 1e-3 * 0.25 +
                           0.5 * 1e-2 * 0.04 * std::exp(-2 * t * 100 / 1e-2));
    ExpectRelative(Y(0), expected);
}

TEST_F(Transient, AnIndexOutsideItsSlotRaisesMatrixErrorAndFinishes) {
    c.E(0, 1, 1);
    c.R(1, 2, 10);
    c.C(2, 0, 1e-6);
    Formulate();
    SetPart(0, 0, 1e-3, 10);
    SetOutputs({"C1"}, {});
    plan = analysis::PlanTransient(*engine, settings);
    plan.outputs.push_back({{engine::transient_slot::OrdinaryVoltage, 7}, "u(X), В", false});
    plan.requests =
        analysis::DeriveTransientRequests({plan.outputs[0].locator, plan.outputs[1].locator});
    EXPECT_THROW(
        analysis::RunTransient(*engine, plan, settings, options, "doc.scm", graphs, reporter),
        engine::MatrixError);
    // Nothing half-appended: the point whose output failed was not added at all.
    EXPECT_EQ(X().size(), 0u);
    EXPECT_EQ(Pane().SegmentEnds(0), (std::vector<int>{0}));
}

TEST(TransientRequests, SlotsBringTheSlotsTheyAreFormedFrom) {
    struct Case {
        int code;
        std::vector<bool> flags; // sources, 6, 7, 8, 9, 10, 11, 12
    };
    const Case cases[] = {
        {0, {0, 0, 0, 0, 0, 0, 0, 0}},  {2, {0, 0, 0, 0, 0, 0, 0, 0}},
        {3, {1, 0, 0, 0, 0, 0, 0, 0}},  {5, {1, 0, 0, 0, 0, 0, 0, 0}},
        {6, {1, 1, 0, 0, 0, 0, 0, 0}},  {7, {1, 1, 1, 0, 0, 0, 0, 0}},
        {8, {1, 0, 0, 1, 0, 0, 0, 0}},  {9, {1, 0, 0, 0, 1, 0, 0, 0}},
        {10, {1, 0, 0, 0, 0, 1, 0, 0}}, {11, {1, 0, 0, 0, 1, 0, 1, 0}},
        {12, {1, 0, 0, 0, 0, 1, 0, 1}}, {13, {0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& k : cases) {
        const analysis::TransientRequests r = analysis::DeriveTransientRequests({{k.code, 0}});
        const std::vector<bool> flags = {r.sources,
                                         r.independentPotentials,
                                         r.forestPotentials,
                                         r.sourceBranchCurrents,
                                         r.ordinaryVoltages,
                                         r.sourceBranchVoltages,
                                         r.ordinaryResistorCurrents,
                                         r.sourceBranchResistorCurrents};
        EXPECT_EQ(flags, k.flags) << "slot " << k.code;
    }
}

// ---- graph set-up ------------------------------------------------------------------

class GraphSetUp : public Transient {
protected:
    void SetUp() override {
        Transient::SetUp();
        c.E(0, 1, 1);
        c.R(1, 2, 10);
        c.C(2, 0, 1e-6);
        Formulate();
        SetPart(0, 0, 1e-3, 10);
        SetPart(1, 1e-3, 3e-3, 10, 1e-5, 2);
    }
};

TEST_F(GraphSetUp, OutputsAndEnergyMakeTwoGraphs) {
    SetOutputs({"Узел 2"}, {"R1"});
    settings.energyGraph = 1;
    options.plotWhileRunning = 0;
    ASSERT_EQ(Run(), TransientOutcome::Completed);

    ASSERT_EQ(graphs.PaneCount(), 2);
    const graph::GraphData& outputs = Pane(0);
    EXPECT_EQ(outputs.Title(), "doc.scm");
    EXPECT_EQ(outputs.CurveCount(), 2);
    EXPECT_EQ(outputs.CurveName(0), "u(2), В");
    EXPECT_EQ(outputs.CurveName(1), "i(R1), А");
    EXPECT_EQ(outputs.CurveGroup(0), 0);
    EXPECT_EQ(outputs.CurveGroup(1), 1);
    EXPECT_EQ(outputs.GroupCaption(0), "u, В");
    EXPECT_EQ(outputs.GroupCaption(1), "i, А");
    EXPECT_FALSE(outputs.PositiveQuantity());

    const graph::GraphData& energy = Pane(1);
    EXPECT_EQ(energy.Title(), "График энергии");
    EXPECT_EQ(energy.CurveCount(), 1);
    EXPECT_EQ(energy.CurveName(0), "Энергия, Дж");
    EXPECT_EQ(energy.GroupCaption(0), "E, Дж");
    EXPECT_TRUE(energy.PositiveQuantity());

    for (int p = 0; p < 2; ++p) {
        const graph::GraphData& pane = Pane(p);
        EXPECT_EQ(pane.XCaption(), "t, с");
        EXPECT_EQ(pane.IntegerCaption(), "Итерации");
        EXPECT_EQ(pane.XAxis().initialLow, 0);
        EXPECT_EQ(pane.XAxis().initialHigh, 3e-3);
        EXPECT_EQ(pane.XScaleMask(), 1);
        EXPECT_EQ(pane.YScaleMask(), 1);
        EXPECT_FALSE(pane.LiveDrawing());
        EXPECT_EQ(pane.RunCount(), 1);
        // One segment per part, with the part's graph type.
        EXPECT_EQ(pane.SegmentTypes(0), (std::vector<int>{1, 2}));
        EXPECT_EQ(pane.SegmentEnds(0), (std::vector<int>{11, 21}));
    }
    EXPECT_EQ(X(0, 1), X(0, 0));
}

TEST_F(GraphSetUp, AnEnergyGraphAloneIsGraphZero) {
    settings.energyGraph = 1;
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    ASSERT_EQ(graphs.PaneCount(), 1);
    EXPECT_EQ(Pane().Title(), "doc.scm");
    EXPECT_EQ(Pane().CurveName(0), "Энергия, Дж");
    EXPECT_TRUE(Pane().PositiveQuantity());
    EXPECT_TRUE(Pane().LiveDrawing());
}

TEST_F(GraphSetUp, CurrentsAloneUseGroupZeroAndTitlesStay) {
    graphs.SetPaneCount(2);
    graphs.SetTitle(0, "Мой график");
    graphs.SetTitle(1, "Моя энергия");
    SetOutputs({}, {"R1", "C1"});
    settings.energyGraph = 1;
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    EXPECT_EQ(Pane(0).Title(), "Мой график");
    EXPECT_EQ(Pane(1).Title(), "Моя энергия");
    EXPECT_EQ(Pane(0).CurveGroup(0), 0);
    EXPECT_EQ(Pane(0).CurveGroup(1), 0);
    EXPECT_EQ(Pane(0).GroupCaption(0), "i, А");
}

TEST_F(GraphSetUp, NothingToComputeIsAMessage) {
    SetOutputs({"Узел 9"}, {});
    EXPECT_EQ(analysis::PlanTransient(*engine, settings).message,
              "Пожалуйста, выберите переменную для расчета");
    SetOutputs({}, {});
    EXPECT_FALSE(analysis::PlanTransient(*engine, settings).Ready());
    settings.energyGraph = 1;
    EXPECT_TRUE(analysis::PlanTransient(*engine, settings).Ready());
}

// ---- progress, abort, time -------------------------------------------------------

TEST_F(GraphSetUp, ProgressIsShownAtEveryNewMultipleOfFivePercent) {
    SetPart(0, 0, 1e-3, 100);
    SetOutputs({"C1"}, {});
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    std::vector<std::string> expected;
    for (int p = 0; p <= 100; p += 5)
        expected.push_back(std::to_string(p) + " %");
    EXPECT_EQ(reporter.percents, expected);
    EXPECT_EQ(reporter.runs, std::vector<std::string>(20, "1 из 1"));
    EXPECT_EQ(reporter.pumps, 100);
    EXPECT_TRUE(std::regex_match(graphs.StatusText(),
                                 std::regex("Время расчета: [0-9]+min [0-9]+s [0-9]+ms")))
        << graphs.StatusText();

    // Coarse steps show the percentage they reach, computed at the step's start.
    reporter = RecordingReporter();
    SetPart(0, 0, 3e-5, 3);
    ASSERT_EQ(Run(), TransientOutcome::Completed);
    EXPECT_EQ(reporter.percents, (std::vector<std::string>{"0 %", "33 %", "66 %", "100 %"}));
}

TEST_F(GraphSetUp, StopEndsTheCurvesAtTheLastPointWithoutAnError) {
    options.autoCheckDepth = 1;
    options.checkDepth = 3;
    SetPart(0, 0, 1e-3, 100);
    SetOutputs({"C1"}, {});
    settings.sweepEnabled = 1;
    settings.sweep.SetElementName("R1");
    settings.sweep.startValue = 10;
    settings.sweep.endValue = 20;
    settings.sweep.graphCount = 2;
    reporter.stopAfter = 3;
    ASSERT_EQ(Run(), TransientOutcome::Stopped);
    EXPECT_EQ(X(0).size(), 4u);
    EXPECT_EQ(Pane().SegmentEnds(0), (std::vector<int>{4}));
    EXPECT_TRUE(X(1).empty());
    EXPECT_EQ(reporter.percents, (std::vector<std::string>{"0 %"}));
    EXPECT_TRUE(reporter.warnings.empty());
    EXPECT_FALSE(graphs.StatusText().empty());
    // The depth in force when it stopped is what the options keep.
    EXPECT_EQ(options.checkDepth, 10);
}

// The steps allocate nothing beyond the series tables' growth to the highest order
// reached: a computation with ten times the steps, each ten times shorter and so
// needing fewer terms, makes no more allocations than the coarse one (a single
// allocation per step would add a thousand). The circuit has every kind of state,
// a pulse source to split steps, and outputs from the derived slots.
TEST_F(Transient, StepsAllocateNothing) {
    model::SourceElement* e = c.E(0, 1, 10);
    auto* pulse = static_cast<model::VoltageSource*>(e);
    pulse->SetMode(model::SourceMode::Pulse);
    pulse->SetPulseFrequency(3000);
    c.R(1, 2, 1000);
    c.C(2, 0, 1e-6, 4);
    c.J(0, 2, 1e-3);
    c.L(2, 0, 1e-3, 3e-3);
    c.L(2, 3, 1e-3, 2e-3);
    c.R(3, 0, 500);
    Formulate();
    SetOutputs({"Узел 2", "Узел 3", "R3", "R1"}, {"C1"});
    settings.energyGraph = 1;
    const auto allocations = [&](int points) {
        SetPart(0, 0, 1e-3, points, 1e-9);
        plan = analysis::PlanTransient(*engine, settings);
        NullSink sink;
        RecordingReporter progress;
        analysis::TransientAnalysis analysis(*engine, settings, options);
        analysis.ConfigureGraphs(plan, "doc.scm", sink);
        const long before = allocationCount.load();
        analysis.Compute(plan, sink, progress);
        EXPECT_GT(sink.points, points);
        return allocationCount.load() - before;
    };
    allocations(100); // what the engine keeps from one computation to the next
    const long few = allocations(100);
    EXPECT_LE(allocations(1000), few);
}

} // namespace
} // namespace analysis_test
