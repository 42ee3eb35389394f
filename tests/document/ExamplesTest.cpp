#include "ExampleCircuits.h"
#include "TempFolder.h"
#include "analysis/DocumentAnalysis.h"
#include "analysis/ProgressReporter.h"
#include "document/Document.h"
#include "document/ScmFile.h"
#include "engine/EngineNotifier.h"
#include "graph/GraphSet.h"
#include "model/Element.h"
#include "model/Errors.h"
#include "model/Sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace korvanix;
using namespace korvanix::document::testing;

namespace {

const std::string kExamples = std::string(KORVANIX_SOURCE_DIR) + "/examples/";
constexpr double kPi = 3.14159265358979323846;

// Runs an analysis as the batch tool does, never stopping and keeping the
// warnings it would have shown.
class QuietRun : public analysis::ProgressReporter, public engine::EngineNotifier {
public:
    void ShowPercent(const std::string&) override {}
    void ShowRun(const std::string&) override {}
    bool Continue() override { return true; }
    void Warning(const std::string& text) override { warnings.push_back(text); }
    void LoopWarning(const std::string& caption, const std::string& text) override {
        warnings.push_back(caption + ": " + text);
    }
    void PlainMessage(const std::string& text) override { warnings.push_back(text); }
    std::vector<std::string> warnings;
};

struct Analysed {
    document::Document doc;
    graph::GraphSet graphs;
    analysis::DocumentAnalysisResult result;
    std::vector<std::string> warnings;
};

std::unique_ptr<Analysed> Analyse(const std::string& file, bool frequency,
                                  const std::function<void(document::Document&)>& edit = {}) {
    auto a = std::make_unique<Analysed>();
    const document::OpenResult opened = a->doc.Open(kExamples + file);
    if (!opened.read)
        throw std::runtime_error(file + ": " + opened.message);
    if (edit)
        edit(a->doc);
    QuietRun quiet;
    a->result = analysis::RunDocumentAnalysis(a->doc, frequency, a->graphs, quiet, quiet);
    a->warnings = quiet.warnings;
    return a;
}

const model::Element& Named(const document::Document& doc, const std::string& name) {
    for (const auto& e : doc.scheme.elements)
        if (e->IsCircuitElement() && e->Name() == name)
            return *e;
    throw std::runtime_error("no element " + name);
}

double Param(const document::Document& doc, const std::string& name, int index = 0) {
    return Named(doc, name).GetParam(index);
}

int CurveOf(const graph::GraphData& g, const std::string& label) {
    for (int c = 0; c < g.CurveCount(); ++c)
        if (g.CurveLabel(c) == label)
            return c;
    throw std::runtime_error("no curve " + label);
}

std::vector<double> Values(const graph::Curve& c) {
    std::vector<double> v(c.Count());
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = c.ValueAt(i);
    return v;
}

// y at x, linear in y between the neighbouring points and logarithmic in x, as a
// frequency axis spaces them.
double AtLogX(const std::vector<double>& xs, const std::vector<double>& ys, double x) {
    for (std::size_t i = 1; i < xs.size(); ++i)
        if (xs[i] >= x) {
            const double t = std::log(x / xs[i - 1]) / std::log(xs[i] / xs[i - 1]);
            return ys[i - 1] + t * (ys[i] - ys[i - 1]);
        }
    throw std::runtime_error("x beyond the grid");
}

// The first x from `from` on at which ys passes `level`, interpolated as AtLogX
// does; NaN when it never does.
double LogCrossing(const std::vector<double>& xs, const std::vector<double>& ys, double level,
                   std::size_t from = 0) {
    for (std::size_t i = std::max<std::size_t>(from, 1); i < xs.size(); ++i)
        if ((ys[i - 1] - level) * (ys[i] - level) <= 0 && ys[i] != ys[i - 1]) {
            const double t = (level - ys[i - 1]) / (ys[i] - ys[i - 1]);
            return xs[i - 1] * std::pow(xs[i] / xs[i - 1], t);
        }
    return std::nan("");
}

std::size_t IndexOfMax(const std::vector<double>& v) {
    return static_cast<std::size_t>(std::max_element(v.begin(), v.end()) - v.begin());
}

} // namespace

// The committed examples are exactly what the code writes today, and nothing
// else lies in the folder; regenerate them with `make_examples examples` after a
// deliberate change of an example or of the record layout.
TEST(ExamplesTest, CommittedExamplesMatchTheGenerator) {
    TempFolder folder;
    ASSERT_EQ(tools::WriteExamples(folder.Path().string()), "");
    const auto names = tools::ExampleFileNames();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(folder / name), ReadBytes(kExamples + name));
    }
    std::set<std::string> committed;
    for (const auto& entry : std::filesystem::directory_iterator(kExamples))
        committed.insert(entry.path().filename().string());
    EXPECT_EQ(committed, std::set<std::string>(names.begin(), names.end()));
    // Other suites and the README open these by name.
    for (const char* kept :
         {"rc_lowpass.scm", "rlc_series.scm", "transistor_amplifier.scm", "opamp_inverting.scm"})
        EXPECT_EQ(committed.count(kept), 1u) << kept;
}

TEST(ExamplesTest, ExamplesOpenWithTheirSettings) {
    for (const std::string& name : tools::ExampleFileNames()) {
        SCOPED_TRACE(name);
        document::Document doc;
        const document::OpenResult r = doc.Open(kExamples + name);
        ASSERT_TRUE(r.read) << r.message;
        EXPECT_EQ(r.message, "");
        EXPECT_GT(doc.scheme.elements.size(), 4u);
        EXPECT_FALSE(doc.scheme.wires.empty());
        // Every pin of every circuit element is wired.
        for (const auto& e : doc.scheme.elements)
            for (int p = 1; p <= e->PinCount(); ++p)
                EXPECT_GE(e->PinNode(p), 0) << e->Name() << " pin " << p;

        // What the dialogs would show is all there: the input element and every
        // output name are elements of the circuit (no example plots a bare node,
        // whose number would follow the wiring order).
        const document::TransientSettings& t = doc.settings.transient;
        const document::FrequencySettings& f = doc.settings.frequency;
        EXPECT_NO_THROW(Named(doc, f.InputElement())) << f.InputElement();
        EXPECT_GE(t.voltageOutputCount + t.currentOutputCount, 1);
        EXPECT_GE(f.voltageOutputCount + f.currentOutputCount, 1);
        for (int i = 0; i < t.voltageOutputCount; ++i)
            EXPECT_NO_THROW(Named(doc, t.VoltageOutput(i))) << t.VoltageOutput(i);
        for (int i = 0; i < t.currentOutputCount; ++i)
            EXPECT_NO_THROW(Named(doc, t.CurrentOutput(i))) << t.CurrentOutput(i);
        for (int i = 0; i < f.voltageOutputCount; ++i)
            EXPECT_NO_THROW(Named(doc, f.VoltageOutput(i))) << f.VoltageOutput(i);
        for (int i = 0; i < f.currentOutputCount; ++i)
            EXPECT_NO_THROW(Named(doc, f.CurrentOutput(i))) << f.CurrentOutput(i);
        // Interval parts follow each other without gaps.
        for (int p = 1; p < t.partCount; ++p)
            EXPECT_EQ(t.parts[p].startTime, t.parts[p - 1].endTime) << "part " << p + 1;
    }
}

// Every example, both analyses, with the settings stored in it: what opens, how
// many graphs and runs, and that every computed value is a number.
TEST(ExamplesTest, EveryExampleAnalysesWithItsStoredSettings) {
    struct Expected {
        int panes; // 0: the analysis refuses the circuit
        int runs;
    };
    struct Case {
        const char* file;
        Expected transient;
        Expected frequency;
    };
    const Case cases[] = {
        {"rc_lowpass.scm", {1, 1}, {2, 1}},
        {"rlc_series.scm", {1, 4}, {2, 4}},
        {"rlc_bandpass.scm", {1, 1}, {2, 3}},
        {"wien_bridge_hodograph.scm", {1, 1}, {1, 1}},
        // A square-wave source is no input for the frequency analysis.
        {"square_wave_rc.scm", {1, 1}, {0, 0}},
        {"parallel_rlc_energy.scm", {2, 1}, {2, 1}},
        {"transistor_amplifier.scm", {1, 1}, {2, 1}},
        {"opamp_inverting.scm", {1, 1}, {2, 1}},
        {"controlled_sources.scm", {1, 1}, {2, 1}},
        {"gyrator_inductor.scm", {1, 1}, {2, 1}},
        {"ideal_transformer.scm", {1, 1}, {2, 1}},
        {"tube_amplifier.scm", {1, 1}, {2, 1}},
        {"sallen_key_locus.scm", {1, 1}, {2, 10}},
        {"rc_ladder_poles.scm", {1, 1}, {2, 1}},
        {"twin_t_notch.scm", {1, 1}, {2, 1}},
    };
    std::set<std::string> covered;
    for (const Case& c : cases)
        covered.insert(c.file);
    const auto names = tools::ExampleFileNames();
    EXPECT_EQ(covered, std::set<std::string>(names.begin(), names.end()));

    for (const Case& c : cases) {
        for (const bool frequency : {false, true}) {
            SCOPED_TRACE(std::string(c.file) + (frequency ? " frequency" : " transient"));
            const Expected& want = frequency ? c.frequency : c.transient;
            const auto a = Analyse(c.file, frequency);
            EXPECT_EQ(a->warnings, std::vector<std::string>{});
            if (want.panes == 0) {
                EXPECT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::NotAnalysable);
                EXPECT_EQ(a->result.message, "Присоедините 1 гармонический источник\nко входу, "
                                             "чтобы рассчитать АЧХ/ФЧХ.");
                EXPECT_EQ(a->graphs.PaneCount(), 0);
                continue;
            }
            ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success)
                << a->result.message;
            ASSERT_EQ(a->graphs.PaneCount(), want.panes);
            const document::TransientSettings& t = a->doc.settings.transient;
            const document::FrequencySettings& f = a->doc.settings.frequency;
            for (int p = 0; p < want.panes; ++p) {
                const graph::GraphData& g = a->graphs.Pane(p);
                ASSERT_EQ(g.RunCount(), want.runs) << "pane " << p;
                for (int run = 0; run < want.runs; ++run) {
                    const std::vector<double> x = Values(g.X(run));
                    ASSERT_GT(x.size(), 100u) << "run " << run;
                    if (frequency) {
                        EXPECT_EQ(x.size(), static_cast<std::size_t>(f.pointCount));
                        EXPECT_EQ(x.front(), f.startFrequency);
                        EXPECT_NEAR(x.back() / f.endFrequency, 1.0, 1e-9);
                    } else {
                        EXPECT_EQ(x.front(), t.parts[0].startTime);
                        EXPECT_NEAR(x.back(), t.parts[t.partCount - 1].endTime, 1e-12);
                        EXPECT_EQ(g.Segments(run).size(), static_cast<std::size_t>(t.partCount));
                    }
                    for (int curve = 0; curve < g.CurveCount(); ++curve) {
                        const std::vector<double> y = Values(g.Y(curve, run));
                        EXPECT_EQ(y.size(), x.size()) << g.CurveLabel(curve);
                        const bool finite = std::all_of(y.begin(), y.end(), [](double v) {
                            return std::isfinite(v) && std::abs(v) < 1e12;
                        });
                        EXPECT_TRUE(finite) << g.CurveLabel(curve) << ", run " << run;
                        // Something happens on every curve.
                        EXPECT_LT(*std::min_element(y.begin(), y.end()),
                                  *std::max_element(y.begin(), y.end()))
                            << g.CurveLabel(curve);
                    }
                }
            }
        }
    }
}

// The square-wave example keeps frequency settings that work as soon as its
// source is made harmonic (the source keeps harmonic values for that too).
TEST(ExamplesTest, SquareWaveExampleIsReadyForAHarmonicSource) {
    const auto a = Analyse("square_wave_rc.scm", true, [](document::Document& doc) {
        for (const auto& e : doc.scheme.elements)
            if (auto* u = dynamic_cast<model::VoltageSource*>(e.get()))
                u->SetMode(model::SourceMode::Ac);
    });
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success) << a->result.message;
    // It is the RC low-pass: -3 dB at 1/(2 pi R C).
    const graph::GraphData& g = a->graphs.Pane(0);
    const double fc = 1 / (2 * kPi * Param(a->doc, "R1") * Param(a->doc, "C1"));
    EXPECT_NEAR(LogCrossing(Values(g.X(0)), Values(g.Y(CurveOf(g, "|U(C1)/U(U1)|"), 0)),
                            1 / std::sqrt(2.0)) /
                    fc,
                1.0, 0.005);
}

// Ratios the circuit theory gives from the element values, read off the
// magnitude (pane 0) or phase (pane 1) curves of the stored frequency analyses.
TEST(ExamplesTest, FrequencyResponsesAgreeWithTheElementValues) {
    using Doc = const document::Document&;
    const auto rcCorner = [](Doc d) { return 1 / (2 * kPi * Param(d, "R1") * Param(d, "C1")); };
    const auto lcCentre = [](Doc d) {
        return 1 / (2 * kPi * std::sqrt(Param(d, "L1") * Param(d, "C1")));
    };
    const auto at = [](double hz) { return [hz](Doc) { return hz; }; };
    const auto parallel = [](double a, double b) { return a * b / (a + b); };
    struct Case {
        const char* what;
        const char* file;
        int pane;
        const char* curve;
        std::function<double(Doc)> frequency;
        std::function<double(Doc)> expected;
        double tolerance; // relative, or absolute for the phase
    };
    const Case cases[] = {
        {"low-pass -3 dB at its corner", "rc_lowpass.scm", 0, "|U(C1)/U(U1)|", rcCorner,
         [](Doc) { return 1 / std::sqrt(2.0); }, 0.002},
        {"low-pass -45 degrees at its corner", "rc_lowpass.scm", 1, "arg[U(C1)/U(U1)], град",
         rcCorner, [](Doc) { return -45.0; }, 0.1},
        {"the complementary high-pass crosses there too", "rc_lowpass.scm", 0, "|U(R1)/U(U1)|",
         rcCorner, [](Doc) { return 1 / std::sqrt(2.0); }, 0.002},
        {"op-amp stage gain", "opamp_inverting.scm", 0, "|U(R3)/U(U1)|", at(10),
         [](Doc d) { return Param(d, "R2") / Param(d, "R1"); }, 0.001},
        {"op-amp stage inverts", "opamp_inverting.scm", 1, "arg[U(R3)/U(U1)], град", at(10),
         [](Doc) { return 180.0; }, 0.5},
        {"op-amp stage band edge", "opamp_inverting.scm", 0, "|U(R3)/U(U1)|",
         [](Doc d) { return 1 / (2 * kPi * Param(d, "R2") * Param(d, "C1")); },
         [](Doc d) { return Param(d, "R2") / Param(d, "R1") / std::sqrt(2.0); }, 0.003},
        {"controlled sources, first stage", "controlled_sources.scm", 0, "|U(C1)/U(U1)|", rcCorner,
         [](Doc d) { return Param(d, "ИНУН1") / std::sqrt(2.0); }, 0.003},
        {"controlled sources, whole chain", "controlled_sources.scm", 0, "|U(R2)/U(U1)|", at(10),
         [](Doc d) {
             return Param(d, "ИНУН1") * Param(d, "ИТУН1") * Param(d, "ИТУТ2") * Param(d, "ИНУТ2");
         },
         0.001},
        {"gyrator turns C2 into C2/Sg^2", "gyrator_inductor.scm", 0, "|U(C1)/U(U1)|",
         [](Doc d) {
             const double sg = Param(d, "G1");
             return 1 / (2 * kPi * std::sqrt(Param(d, "C2") / (sg * sg) * Param(d, "C1")));
         },
         [](Doc) { return 1.0; }, 0.001},
        {"transformer reflects the load", "ideal_transformer.scm", 0, "|U(R2)/U(U1)|", at(10),
         [](Doc d) {
             const double n = Param(d, "TR1"), r2 = Param(d, "R2");
             return n * r2 / (Param(d, "R1") + n * n * r2);
         },
         0.002},
        {"triode mid-band gain", "tube_amplifier.scm", 0, "|U(R2)/U(U1)|", at(1000),
         [&](Doc d) { return Param(d, "VT1", 0) * parallel(Param(d, "VT1", 1), Param(d, "R2")); },
         0.003},
        {"tank impedance at resonance", "parallel_rlc_energy.scm", 0, "|U(C1)/I(I1)|, Ом", lcCentre,
         [](Doc d) { return Param(d, "R1"); }, 0.001},
        {"inductor current is Q times the source's", "parallel_rlc_energy.scm", 0, "|I(L1)/I(I1)|",
         lcCentre,
         [](Doc d) { return Param(d, "R1") * std::sqrt(Param(d, "C1") / Param(d, "L1")); }, 0.002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto a = Analyse(c.file, true);
        ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
        const graph::GraphData& g = a->graphs.Pane(c.pane);
        const double f = c.frequency(a->doc);
        const double got = AtLogX(Values(g.X(0)), Values(g.Y(CurveOf(g, c.curve), 0)), f);
        const double want = c.expected(a->doc);
        if (c.pane == 1)
            EXPECT_NEAR(got, want, c.tolerance) << "at " << f << " Hz";
        else
            EXPECT_NEAR(got / want, 1.0, c.tolerance) << got << " for " << want << " at " << f;
    }
}

// The band-pass is swept over R1 by factors of four: three curves, each peaking
// at 0 dB and zero phase on the tank's resonance, each as wide as f0/Q.
TEST(ExamplesTest, BandPassPeaksAtItsCentreForEverySweptResistance) {
    const auto a = Analyse("rlc_bandpass.scm", true);
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    ASSERT_TRUE(a->result.sweep);
    const graph::GraphData& magnitude = a->graphs.Pane(0);
    const graph::GraphData& phase = a->graphs.Pane(1);
    ASSERT_EQ(magnitude.RunCount(), 3);
    EXPECT_EQ(magnitude.RunLabel(), "R(R1), Ом");
    const std::vector<double> swept = magnitude.RunValues();
    ASSERT_EQ(swept.size(), 3u);
    EXPECT_DOUBLE_EQ(swept[0], 250);
    EXPECT_NEAR(swept[1], 1000, 1e-9);
    EXPECT_NEAR(swept[2], 4000, 1e-9);

    const double l = Param(a->doc, "L1"), c = Param(a->doc, "C1");
    const double f0 = 1 / (2 * kPi * std::sqrt(l * c));
    EXPECT_NEAR(f0, 1000, 0.5); // as the help describes the example
    const int curve = CurveOf(magnitude, "|U(L1)/U(U1)|");
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE("R1 = " + std::to_string(swept[static_cast<std::size_t>(run)]));
        const std::vector<double> x = Values(magnitude.X(run));
        const std::vector<double> k = Values(magnitude.Y(curve, run));
        const std::size_t peak = IndexOfMax(k);
        // The grid steps by 0.6 %; the peak is the grid point nearest f0.
        EXPECT_NEAR(x[peak] / f0, 1.0, 0.003);
        EXPECT_NEAR(k[peak], 1.0, 1e-4);
        EXPECT_NEAR(Values(phase.Y(0, run))[peak], 0.0, 1.0);
        const double q = swept[static_cast<std::size_t>(run)] * std::sqrt(c / l);
        const double lower = LogCrossing(x, k, 1 / std::sqrt(2.0));
        const double upper = LogCrossing(x, k, 1 / std::sqrt(2.0), peak);
        EXPECT_NEAR((upper - lower) / (f0 / q), 1.0, 0.03) << lower << " .. " << upper;
        EXPECT_NEAR(std::sqrt(lower * upper) / f0, 1.0, 0.003);
    }
}

// The series circuit's sweep: one step response per resistance, each with the
// overshoot of a second-order system of damping R/2 sqrt(C/L); and the same
// sweep in the frequency analysis, whose resonance peaks fall as R grows.
TEST(ExamplesTest, SeriesRlcSweepGivesOneResponsePerResistance) {
    const auto t = Analyse("rlc_series.scm", false);
    ASSERT_EQ(t->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    const graph::GraphData& g = t->graphs.Pane(0);
    ASSERT_EQ(g.RunCount(), 4);
    EXPECT_EQ(g.RunValues(), (std::vector<double>{5, 20, 35, 50}));
    const double l = Param(t->doc, "L1"), c = Param(t->doc, "C1");
    const int uc = CurveOf(g, "u(C1), В");
    for (int run = 0; run < 4; ++run) {
        const double r = g.RunValues()[static_cast<std::size_t>(run)];
        SCOPED_TRACE("R1 = " + std::to_string(r));
        EXPECT_EQ(g.X(run).Count(), 401u);
        const double zeta = r / 2 * std::sqrt(c / l);
        const double overshoot = std::exp(-kPi * zeta / std::sqrt(1 - zeta * zeta));
        const std::vector<double> u = Values(g.Y(uc, run));
        EXPECT_NEAR(*std::max_element(u.begin(), u.end()), 1 + overshoot, 0.01);
        EXPECT_NEAR(u.back(), 1.0, 0.01);
    }

    const auto f = Analyse("rlc_series.scm", true);
    ASSERT_EQ(f->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    const graph::GraphData& m = f->graphs.Pane(0);
    ASSERT_EQ(m.RunCount(), 4);
    double previous = INFINITY;
    for (int run = 0; run < 4; ++run) {
        const std::vector<double> k = Values(m.Y(0, run));
        const double top = k[IndexOfMax(k)];
        EXPECT_LT(top, previous) << "run " << run;
        previous = top;
    }
    // Lightly damped, the peak is Q = sqrt(L/C)/R high.
    const std::vector<double> first = Values(m.Y(0, 0));
    EXPECT_NEAR(first[IndexOfMax(first)] / (std::sqrt(l / c) / 5), 1.0, 0.02);
}

// The Wien network's ratio runs on the circle of diameter 1/3 through the
// origin and reaches 1/3 at 1/(2 pi R C).
TEST(ExamplesTest, WienHodographIsACircle) {
    const auto a = Analyse("wien_bridge_hodograph.scm", true);
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    const graph::GraphData& g = a->graphs.Pane(0);
    ASSERT_TRUE(g.Paired());
    const std::vector<double> re = Values(g.PairX(0, 0));
    const std::vector<double> im = Values(g.Y(0, 0));
    const std::vector<double> f = Values(g.X(0));
    ASSERT_EQ(re.size(), im.size());
    for (std::size_t i = 0; i < re.size(); ++i)
        ASSERT_NEAR(std::hypot(re[i] - 1.0 / 6, im[i]), 1.0 / 6, 1e-6) << "at " << f[i] << " Hz";
    const std::size_t top = IndexOfMax(re);
    EXPECT_NEAR(re[top], 1.0 / 3, 1e-5);
    EXPECT_NEAR(f[top] * 2 * kPi * Param(a->doc, "R1") * Param(a->doc, "C1"), 1.0, 0.02);
    EXPECT_NEAR(f[top], 1000, 20);
    // Low frequencies lead (positive imaginary part), high ones lag.
    EXPECT_GT(im.front(), 0);
    EXPECT_LT(im.back(), 0);
}

// Switched on at its peak, the 1 Hz source is a 1 V step over the 5 ms shown:
// C1 charges with the time constant R1 C1.
TEST(ExamplesTest, LowPassChargesWithItsTimeConstant) {
    const auto a = Analyse("rc_lowpass.scm", false);
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    const graph::GraphData& g = a->graphs.Pane(0);
    const double r = Param(a->doc, "R1"), tau = r * Param(a->doc, "C1");
    EXPECT_DOUBLE_EQ(tau, 1e-3); // the help's worked example reads it off at 1 ms
    const std::vector<double> x = Values(g.X(0));
    const std::vector<double> u = Values(g.Y(CurveOf(g, "u(C1), В"), 0));
    const std::vector<double> i = Values(g.Y(CurveOf(g, "i(R1), А"), 0));
    EXPECT_NEAR(i.front(), 1 / r, 1e-9);
    for (const double k : {1.0, 2.0, 3.0}) {
        const auto at = std::lower_bound(x.begin(), x.end(), k * tau - 1e-12) - x.begin();
        EXPECT_NEAR(u[static_cast<std::size_t>(at)], 1 - std::exp(-k), 0.002) << k << " tau";
    }
}

// The harmonic current drives the tank at resonance until it stops: the stored
// energy rises towards 1/2 C (I R)^2 and afterwards falls by e every R C.
TEST(ExamplesTest, EnergyGraphOfTheDrivenTank) {
    const auto a = Analyse("parallel_rlc_energy.scm", false);
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    ASSERT_EQ(a->graphs.PaneCount(), 2);
    const graph::GraphData& energy = a->graphs.Pane(1);
    EXPECT_EQ(energy.Title(), "График энергии");
    const std::vector<double> t = Values(energy.X(0));
    const std::vector<double> e = Values(energy.Y(0, 0));

    const auto& source = dynamic_cast<const model::CurrentSource&>(Named(a->doc, "I1"));
    ASSERT_TRUE(source.HasEndTime());
    const double r = Param(a->doc, "R1"), c = Param(a->doc, "C1");
    const double stop = source.EndMoment();
    const double full = c * std::pow(source.AcAmplitude() * r, 2) / 2;
    EXPECT_NEAR(full, 2e-6, 1e-12);
    // The swing grows with 2 R C, so by the stop it is within 1 - exp(-stop/(2RC)).
    const double reached = full * std::pow(1 - std::exp(-stop / (2 * r * c)), 2);
    const auto index = [&](double time) {
        return static_cast<std::size_t>(std::lower_bound(t.begin(), t.end(), time - 1e-12) -
                                        t.begin());
    };
    EXPECT_NEAR(e[index(stop)] / reached, 1.0, 0.02);
    EXPECT_LE(*std::max_element(e.begin(), e.end()), full);
    // Two periods of the resonance after the stop, and two more: e^-1 each time.
    const double tau = r * c;
    EXPECT_NEAR(e[index(stop + tau)] / e[index(stop)], std::exp(-1.0), 0.02);
    EXPECT_NEAR(e[index(stop + 2 * tau)] / e[index(stop + tau)], std::exp(-1.0), 0.02);
}

// Three interval parts over a square wave: C1 settles into a ripple between the
// levels a periodic exponential charge gives.
TEST(ExamplesTest, SquareWaveSettlesIntoItsRipple) {
    const auto a = Analyse("square_wave_rc.scm", false);
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    const graph::GraphData& g = a->graphs.Pane(0);
    const document::TransientSettings& s = a->doc.settings.transient;
    ASSERT_EQ(s.partCount, 3);
    ASSERT_EQ(g.Segments(0).size(), 3u);

    const auto& u1 = dynamic_cast<const model::VoltageSource&>(Named(a->doc, "U1"));
    const double half = 0.5 / u1.PulseFrequency();
    const double tau = Param(a->doc, "R1") * Param(a->doc, "C1");
    const double high = u1.PulseAmplitude() / (1 + std::exp(-half / tau));
    const double low = high * std::exp(-half / tau);
    // The levels the help quotes.
    EXPECT_NEAR(high, 2.81, 0.005);
    EXPECT_NEAR(low, 2.19, 0.005);

    // The last part is the settled state.
    const graph::Segment last = g.Segments(0).back();
    const std::vector<double> u = Values(g.Y(CurveOf(g, "u(C1), В"), 0));
    const auto from = u.begin() + last.begin, to = u.begin() + last.end;
    EXPECT_NEAR(*std::max_element(from, to), high, 0.01);
    EXPECT_NEAR(*std::min_element(from, to), low, 0.01);
    // The long middle part is computed far more coarsely than the detailed ones.
    const auto density = [&](int part) {
        const graph::Segment seg = g.Segments(0)[static_cast<std::size_t>(part)];
        return (seg.end - seg.begin) / (s.parts[part].endTime - s.parts[part].startTime);
    };
    EXPECT_LT(5 * density(1), density(0));
    EXPECT_LT(5 * density(1), density(2));
}

// The ideal transformer steps the voltage down and the current up by its ratio:
// the load current is n times the source's once the switching-on has passed.
TEST(ExamplesTest, TransformerTradesVoltageForCurrent) {
    const auto a = Analyse("ideal_transformer.scm", false);
    ASSERT_EQ(a->result.outcome, analysis::DocumentAnalysisOutcome::Success);
    const graph::GraphData& g = a->graphs.Pane(0);
    const double n = Param(a->doc, "TR1"), r1 = Param(a->doc, "R1"), r2 = Param(a->doc, "R2");
    const auto settled = [&](const char* label) {
        const std::vector<double> y = Values(g.Y(CurveOf(g, label), 0));
        double peak = 0;
        for (std::size_t i = y.size() / 2; i < y.size(); ++i)
            peak = std::max(peak, std::abs(y[i]));
        return peak;
    };
    const double primary = settled("i(R1), А"), secondary = settled("i(R2), А");
    EXPECT_NEAR(secondary / primary, n, 0.01 * n);
    // 1 V behind R1 into the load seen as n^2 R2.
    EXPECT_NEAR(primary, 1 / (r1 + n * n * r2), 0.01 * primary);
    EXPECT_NEAR(settled("u(R2), В"), secondary * r2, 1e-3 * secondary * r2);
}

TEST(ExamplesTest, EveryTruncationOfAnExampleIsCorrupt) {
    const auto full = ReadBytes(kExamples + "transistor_amplifier.scm");
    for (std::size_t size = 0; size < full.size(); ++size) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        if (cut.size() >= 3)
            cut[2] = document::CheckSum(cut, 3);
        try {
            document::ReadScmFile(cut, "cut.scm");
            ADD_FAILURE() << "a file cut to " << size << " bytes was read";
        } catch (const model::FileError& e) {
            ASSERT_EQ(e.Code(), model::FileError::Corrupt) << "cut to " << size;
        }
    }
}
