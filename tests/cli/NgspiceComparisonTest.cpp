// Our analyses against an independent simulator: each circuit is drawn through the
// model, saved as a document, analysed by korvanix-cli (--csv, so every number
// carries 17 digits) and written as an equivalent SPICE deck that ngspice runs in
// batch mode. The curves are then compared point by point on our grid.
//
// Tolerances. Our transient runs with EPS = 1e-12 on every series term, so its own
// error is far below 1e-9 of the signal; what remains is the simulator's:
// - its truncation error, held down with reltol 1e-7, vntol 1e-10, abstol 1e-13
//   and a largest internal step of a tenth of ours;
// - the linear interpolation of its points at our times: with steps of at most
//   h/10 the error is below (h/10)²/8·|u''|, under 1e-7 of the signal here;
// - its pulse edges, which take 1 ns where ours switch at once: its ramps are
//   centred 0.5 ns after our edges, so its curves are read 0.5 ns later, which
//   leaves an error of the order of the edge time squared. Points within 0.2 µs
//   of an edge are skipped for the quantities that jump there.
// The differences measured stay between 1e-7 and 6e-7 of each signal's amplitude;
// the bound 2e-6 of the amplitude leaves a margin of three and more, while an
// error in a sign, a node, a phase or a time constant is larger by orders of
// magnitude. The simulator's .ac analysis is exact up to rounding, as is ours:
// there the bound is 1e-9 relative on magnitudes and 1e-7 degrees on phases (the
// differences measured are below 1e-12 and 1e-10).

#include "../document/TempFolder.h"
#include "../engine/EngineTestSupport.h"
#include "CliRunner.h"
#include "SpiceDeck.h"

#include "document/Document.h"
#include "model/Sources.h"
#include "model/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace korvanix;
using document::testing::TempFolder;
using engine_test::Circuit;

constexpr double kPi = 3.14159265358979323846;
// How long the simulator's pulse edges take (ours take no time).
constexpr double kEdgeTime = 1e-9;

bool NgspiceInstalled() {
    return std::system("command -v ngspice >/dev/null 2>&1") == 0;
}

#define REQUIRE_NGSPICE()                                                                          \
    if (!NgspiceInstalled())                                                                       \
    GTEST_SKIP() << "ngspice is not installed; scripts/setup.sh installs it (Debian package "      \
                    "ngspice)"

std::string Num(double v) {
    return model::FormatNumber(v, 17);
}

// One CSV record, with quoted fields.
std::vector<std::string> SplitCsv(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// Columns by title.
using Table = std::map<std::string, std::vector<double>>;

Table ReadCsv(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    const std::vector<std::string> titles = SplitCsv(line);
    Table table;
    while (std::getline(in, line)) {
        const std::vector<std::string> fields = SplitCsv(line);
        for (std::size_t i = 0; i < titles.size() && i < fields.size(); ++i)
            table[titles[i]].push_back(std::strtod(fields[i].c_str(), nullptr));
    }
    return table;
}

// What wrdata writes with a single scale and vector names: a header, then rows.
Table ReadWrdata(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    std::istringstream head(line);
    std::vector<std::string> titles;
    for (std::string t; head >> t;)
        titles.push_back(t);
    Table table;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        double v = 0;
        for (std::size_t i = 0; i < titles.size() && fields >> v; ++i)
            table[titles[i]].push_back(v);
    }
    return table;
}

// The simulator's curve at time t, linearly between its points.
double Interpolate(const std::vector<double>& xs, const std::vector<double>& ys, double t) {
    std::size_t hi = 1;
    while (hi + 1 < xs.size() && xs[hi] < t)
        ++hi;
    const double w = (t - xs[hi - 1]) / (xs[hi] - xs[hi - 1]);
    return ys[hi - 1] + w * (ys[hi] - ys[hi - 1]);
}

struct Curves {
    Table ours;
    Table theirs;
};

// A circuit on its way through both programs.
class Comparison : public ::testing::Test {
protected:
    void SetUp() override { c.Ground(0); }

    // Draws the wires, checks that the sheet's node numbers are the labels the
    // circuit was drawn with (the deck and the output names rely on them), writes
    // the deck's element lines and hands the circuit to the document.
    void Finish() {
        c.Wire();
        for (const auto& e : c.scheme.elements) {
            if (e->kind <= 999)
                continue;
            for (int pin = 1; pin <= static_cast<int>(e->pins.size()); ++pin) {
                if (e->PinNode(pin) < 0)
                    continue;
                ASSERT_EQ(e->PinNode(pin), labels_[e.get()][static_cast<std::size_t>(pin - 1)])
                    << e->Name() << " pin " << pin;
            }
        }
        elementLines_ = tools::SpiceElementLines(c.scheme, kEdgeTime);
        doc_.scheme.AdoptLoaded(std::move(c.scheme.elements), std::move(c.scheme.wires));
    }

    model::Element* Add(model::ElementKind kind, std::vector<int> nodes, double value) {
        model::Element* e = c.Add(kind, nodes);
        e->SetParam(0, value);
        labels_[e] = nodes;
        return e;
    }
    model::Element* R(int a, int b, double v) { return Add(model::kind::Resistor, {a, b}, v); }
    model::Element* C(int a, int b, double v) { return Add(model::kind::Capacitor, {a, b}, v); }
    model::Element* L(int a, int b, double v) { return Add(model::kind::Inductance, {a, b}, v); }
    model::VoltageSource* U(int a, int b) {
        auto* u = dynamic_cast<model::VoltageSource*>(c.Add(model::kind::VoltageSource, {a, b}));
        labels_[u] = {a, b};
        return u;
    }

    std::string Save() {
        doc_.settings = settings;
        const std::string path = folder / "circuit.scm";
        document::testing::WriteBytes(path, doc_.Serialize());
        return path;
    }

    void Transient(double end, int points, const std::vector<std::string>& voltages,
                   const std::vector<std::string>& currents) {
        document::IntervalPart& part = settings.transient.parts[0];
        part.startTime = 0;
        part.endTime = end;
        part.pointCount = points;
        part.step = end / points;
        part.eps = 1e-12;
        settings.transient.partCount = 1;
        SetOutputs(settings.transient, voltages, currents);
    }

    void Frequency(double from, double to, int points, const std::vector<std::string>& voltages,
                   const std::vector<std::string>& currents) {
        document::FrequencySettings& f = settings.frequency;
        f.startFrequency = from;
        f.endFrequency = to;
        f.pointCount = points;
        f.frequencyScale = 2;
        f.SetInputElement("U1");
        f.inputQuantity = document::FrequencySettings::InputVoltage;
        f.phase = 1;
        SetOutputs(f, voltages, currents);
    }

    template <class Settings>
    static void SetOutputs(Settings& s, const std::vector<std::string>& voltages,
                           const std::vector<std::string>& currents) {
        s.voltageOutputCount = static_cast<int32_t>(voltages.size());
        for (std::size_t i = 0; i < voltages.size(); ++i)
            s.SetVoltageOutput(static_cast<int>(i), voltages[i]);
        s.currentOutputCount = static_cast<int32_t>(currents.size());
        for (std::size_t i = 0; i < currents.size(); ++i)
            s.SetCurrentOutput(static_cast<int>(i), currents[i]);
    }

    // Runs both programs: ours on the saved document, the simulator on the deck
    // with `analysis` (its .tran or .ac line) writing `vectors`.
    Curves Run(const std::string& command, const std::string& analysis,
               const std::string& vectors) {
        Curves curves;
        const cli_test::Outcome o = cli_test::RunCli({command, Save(), "--csv"});
        EXPECT_EQ(o.exitCode, 0) << o.err;
        EXPECT_EQ(o.err, "");
        curves.ours = ReadCsv(o.out);

        const std::string out = folder / "spice.out";
        const std::string deck = "comparison\n" + elementLines_ +
                                 ".options reltol=1e-7 vntol=1e-10 abstol=1e-13\n" + analysis +
                                 "\n.control\nset wr_singlescale\nset wr_vecnames\n"
                                 "option numdgt=15\nrun\nwrdata " +
                                 out + " " + vectors + "\n.endc\n.end\n";
        const std::string deckPath = folder / "deck.cir";
        std::ofstream(deckPath) << deck;
        const std::string log = folder / "spice.log";
        // Batch mode with a .control block ends with status 1 (no .print lines were
        // run); what counts is the file the block wrote.
        const int status =
            std::system(("ngspice -b '" + deckPath + "' >'" + log + "' 2>&1").c_str());
        EXPECT_TRUE(WIFEXITED(status)) << cli_test::Slurp(log);
        curves.theirs = ReadWrdata(out);
        EXPECT_FALSE(curves.theirs.empty()) << deck << cli_test::Slurp(log);
        return curves;
    }

    // The transient deck's analysis line: our step, a tenth of it as the largest
    // internal step, the initial conditions of the elements.
    static std::string Tran(double end, int points) {
        const double step = end / points;
        return ".tran " + Num(step) + " " + Num(end) + " 0 " + Num(step / 10) + " uic";
    }

    // Largest |ours − theirs| over our points, skipping those within `guard` of
    // any time in `edges`; `sign` turns the simulator's current direction into ours.
    static double WorstDifference(const Curves& k, const std::string& ourColumn,
                                  const std::string& theirVector, double sign = 1,
                                  const std::vector<double>& edges = {}, double guard = 0,
                                  double shift = 0) {
        const std::vector<double>& t = k.ours.at("x");
        const std::vector<double>& y = k.ours.at(ourColumn);
        const std::vector<double>& xs = k.theirs.at("time");
        const std::vector<double>& ys = k.theirs.at(theirVector);
        double worst = 0;
        int compared = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] + shift < xs.front() || t[i] + shift > xs.back())
                continue;
            bool nearEdge = false;
            for (double e : edges)
                nearEdge = nearEdge || std::fabs(t[i] - e) <= guard;
            if (nearEdge)
                continue;
            worst = std::max(worst, std::fabs(y[i] - sign * Interpolate(xs, ys, t[i] + shift)));
            ++compared;
        }
        EXPECT_GT(compared, static_cast<int>(t.size()) / 2) << ourColumn;
        return worst;
    }

    // Magnitudes (relative) and phases (degrees, modulo 360) on the common grid.
    static void ExpectSameResponse(const Curves& k, const std::string& ourName,
                                   const std::string& theirMagnitude, const std::string& theirPhase,
                                   double scale = 1, const std::string& unit = "") {
        const std::vector<double>& f = k.ours.at("x");
        const std::vector<double>& fs = k.theirs.at("frequency");
        ASSERT_EQ(f.size(), fs.size());
        const std::vector<double>& m = k.ours.at("|" + ourName + "|" + unit);
        const std::vector<double>& p = k.ours.at("arg[" + ourName + "], град");
        const std::vector<double>& ms = k.theirs.at(theirMagnitude);
        const std::vector<double>& ps = k.theirs.at(theirPhase);
        double worstMagnitude = 0;
        double worstPhase = 0;
        for (std::size_t i = 0; i < f.size(); ++i) {
            ASSERT_NEAR(f[i], fs[i], 1e-9 * f[i]) << "the grids differ at point " << i;
            const double expected = ms[i] * scale;
            worstMagnitude = std::max(worstMagnitude, std::fabs(m[i] - expected) / expected);
            const double phase = std::remainder(p[i] - ps[i] * 180 / kPi, 360.0);
            worstPhase = std::max(worstPhase, std::fabs(phase));
        }
        EXPECT_LT(worstMagnitude, 1e-9) << ourName;
        EXPECT_LT(worstPhase, 1e-7) << ourName;
    }

    TempFolder folder;
    Circuit c;
    document::DocumentSettings settings;
    std::map<model::Element*, std::vector<int>> labels_;
    std::string elementLines_;
    document::Document doc_;
};

// U1 steps to 1 V at t = 0 and charges C1 through R1: τ = 1 ms.
TEST_F(Comparison, RcStep) {
    REQUIRE_NGSPICE();
    U(0, 1)->SetDcValue(1.0);
    R(1, 2, 1000);
    C(2, 0, 1e-6);
    ASSERT_NO_FATAL_FAILURE(Finish());
    Transient(5e-3, 500, {"Узел 2"}, {"U1"});
    const Curves k = Run("transient", Tran(5e-3, 500), "v(2) i(vu1)");
    EXPECT_LT(WorstDifference(k, "u(2), В", "v(2)"), 2e-6);
    // Our source current runs through its branch from the end node (ground) to the
    // start node, the simulator's from its + node (node 1) to its − node.
    EXPECT_LT(WorstDifference(k, "i(U1), А", "i(vu1)", -1), 2e-9);
}

// A series RLC circuit near its resonance (503 Hz) driven by 1 V at 500 Hz with a
// phase of 30°: the response grows from rest while the natural ringing decays.
TEST_F(Comparison, SeriesRlcHarmonicTransient) {
    REQUIRE_NGSPICE();
    model::VoltageSource* u1 = U(0, 1);
    u1->SetMode(model::SourceMode::Ac);
    u1->SetAcAmplitude(1.0);
    u1->SetAcFrequency(500.0);
    u1->SetAcPhase(30.0);
    R(1, 2, 10);
    L(2, 3, 0.01);
    C(3, 0, 1e-5);
    ASSERT_NO_FATAL_FAILURE(Finish());
    Transient(0.02, 2000, {"Узел 3"}, {"L1"});
    const Curves k = Run("transient", Tran(0.02, 2000), "v(3) i(l1)");
    // The capacitor voltage rises to about 30 V at resonance: bound relative to it.
    EXPECT_LT(WorstDifference(k, "u(3), В", "v(3)"), 2e-6 * 30);
    EXPECT_LT(WorstDifference(k, "i(L1), А", "i(l1)"), 2e-6);
}

TEST_F(Comparison, SeriesRlcFrequency) {
    REQUIRE_NGSPICE();
    model::VoltageSource* u1 = U(0, 1);
    u1->SetMode(model::SourceMode::Ac);
    u1->SetAcAmplitude(2.0);
    u1->SetAcFrequency(500.0);
    u1->SetAcPhase(30.0);
    R(1, 2, 10);
    L(2, 3, 0.01);
    C(3, 0, 1e-5);
    ASSERT_NO_FATAL_FAILURE(Finish());
    // Four decades, 100 points each: the simulator's "dec 100" grid.
    Frequency(10, 1e5, 401, {"Узел 3"}, {"R1"});
    const Curves k = Run("frequency", ".ac dec 100 10 100k", "vm(3) vp(3) vm(1,2) vp(1,2)");
    // The ratios to the source's own phasor (2 V at 30°).
    Table theirs = k.theirs;
    for (double& p : theirs["vp(3)"])
        p -= 30 * kPi / 180;
    for (double& p : theirs["vp(1,2)"])
        p -= 30 * kPi / 180;
    const Curves relative{k.ours, theirs};
    ExpectSameResponse(relative, "U(3)/U(U1)", "vm(3)", "vp(3)", 0.5);
    // The resistor's current over the source voltage, start node 1 to end node 2.
    ExpectSameResponse(relative, "I(R1)/U(U1)", "vm(1,2)", "vp(1,2)", 0.5 / 10, ", См");
}

// U1 (1 V at 1 kHz) -> R1 C1 -> ИТУН (g = 2 mS, controlled by node 2) feeding
// R2 ∥ C2 at node 3 -> ИНУН (k = −3, controlled by node 3) at node 4 -> R3 to
// C3 at node 5.
class ControlledSources : public Comparison {
protected:
    void Draw() {
        model::VoltageSource* u1 = U(0, 1);
        u1->SetMode(model::SourceMode::Ac);
        u1->SetAcAmplitude(1.0);
        u1->SetAcFrequency(1000.0);
        R(1, 2, 1000);
        C(2, 0, 1e-7);
        Add(model::kind::Vccs, {2, 0, 3, -1}, 2e-3);
        R(3, 0, 2000);
        C(3, 0, 2e-7);
        Add(model::kind::Vcvs, {3, 0, 4, -1}, -3);
        R(4, 5, 500);
        C(5, 0, 1e-6);
        ASSERT_NO_FATAL_FAILURE(Finish());
    }
};

TEST_F(ControlledSources, Transient) {
    REQUIRE_NGSPICE();
    ASSERT_NO_FATAL_FAILURE(Draw());
    Transient(5e-3, 1000, {"Узел 3", "Узел 4", "Узел 5"}, {});
    const Curves k = Run("transient", Tran(5e-3, 1000), "v(3) v(4) v(5)");
    EXPECT_LT(WorstDifference(k, "u(3), В", "v(3)"), 2e-6 * 4);
    EXPECT_LT(WorstDifference(k, "u(4), В", "v(4)"), 2e-6 * 12);
    EXPECT_LT(WorstDifference(k, "u(5), В", "v(5)"), 2e-6 * 12);
}

TEST_F(ControlledSources, Frequency) {
    REQUIRE_NGSPICE();
    ASSERT_NO_FATAL_FAILURE(Draw());
    Frequency(10, 1e5, 401, {"Узел 3", "Узел 5"}, {});
    const Curves k = Run("frequency", ".ac dec 100 10 100k", "vm(3) vp(3) vm(5) vp(5)");
    ExpectSameResponse(k, "U(3)/U(U1)", "vm(3)", "vp(3)");
    ExpectSameResponse(k, "U(5)/U(U1)", "vm(5)", "vp(5)");
}

// A 1 kHz square wave of 1 V (duty 30 %) into R1 = 100 Ω and L1 = 10 mH: τ = 0.1 ms.
TEST_F(Comparison, PulseDrivenRl) {
    REQUIRE_NGSPICE();
    model::VoltageSource* u1 = U(0, 1);
    u1->SetMode(model::SourceMode::Pulse);
    u1->SetPulseAmplitude(1.0);
    u1->SetPulseFrequency(1000.0);
    u1->SetPulseDuration(30.0);
    R(1, 2, 100);
    L(2, 0, 0.01);
    ASSERT_NO_FATAL_FAILURE(Finish());
    Transient(3e-3, 1500, {"Узел 2"}, {"L1"});
    const Curves k = Run("transient", Tran(3e-3, 1500), "v(2) i(l1)");
    // Our points include the switching instants themselves (and one just before
    // each); the inductance's voltage jumps there.
    std::vector<double> edges;
    for (int period = 0; period <= 3; ++period) {
        edges.push_back(period * 1e-3);
        edges.push_back(period * 1e-3 + 0.3e-3);
    }
    // The simulator's edges are ramps centred half an edge time after ours: its
    // curves are read that much later.
    const double lag = kEdgeTime / 2;
    EXPECT_LT(WorstDifference(k, "u(2), В", "v(2)", 1, edges, 0.2e-6, lag), 2e-6);
    // The current is continuous: compared everywhere. 10 mA at most.
    EXPECT_LT(WorstDifference(k, "i(L1), А", "i(l1)", 1, {}, 0, lag), 2e-6 * 0.01);
}

} // namespace
