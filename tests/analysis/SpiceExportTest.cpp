// The deck around the circuit: the analyses' lines from the settings, the curves
// the .control block writes, and the outcomes of circuits that cannot be written.

#include "../engine/EngineTestSupport.h"

#include "analysis/SpiceExport.h"
#include "document/Document.h"
#include "model/Sources.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

namespace {

using namespace korvanix;
using engine_test::Circuit;
using engine_test::RecordingNotifier;

const std::string kExamples = std::string(KORVANIX_SOURCE_DIR) + "/examples/";

struct Exported {
    analysis::SpiceExportResult result;
    RecordingNotifier notifier;
};

Exported ExportExample(const std::string& name,
                       const std::function<void(document::Document&)>& edit = {},
                       const analysis::SpiceExportOptions& options = {}) {
    document::Document doc;
    EXPECT_TRUE(doc.Open(kExamples + name).read);
    if (edit)
        edit(doc);
    Exported e;
    e.result = analysis::ExportSpiceDeck(doc, e.notifier, options);
    EXPECT_EQ(e.result.outcome, analysis::SpiceExportOutcome::Written) << e.result.message;
    return e;
}

bool Has(const std::string& deck, const std::string& line) {
    return deck.find("\n" + line + "\n") != std::string::npos;
}

// The RC low-pass: one part of 250 points over 5 ms, 201 points over four decades
// (50 a decade), u(C1) and i(R1) in the transient analysis, the two voltages over
// U1's in the frequency analysis; R1's current measured through VSR1.
TEST(SpiceExport, AnalysesAndCurvesOfAnExample) {
    const std::string deck = ExportExample("rc_lowpass.scm").result.deck;
    EXPECT_EQ(deck.rfind("KORVANIX: rc_lowpass.scm\n", 0), 0u);
    for (const char* line : {
             "R1 1 3 1000",
             "VSR1 3 2 0",
             ".tran 2.0000000000000002e-05 0.0050000000000000001 0 2.0000000000000003e-06 uic",
             ".options noopac",
             ".ac dec 50 10 100000",
             "setplot tran1",
             "let u_C1 = v(2)",
             "let i_R1 = i(vsr1)",
             "wrdata rc_lowpass-tran.txt u_C1 i_R1",
             "setplot ac1",
             "let input = v(1)",
             "let k_u_R1 = v(1,2)/input",
             "let ph_u_R1 = 180/pi*cph(k_u_R1)",
             "wrdata rc_lowpass-ac.txt mag_u_C1 mag_u_R1 ph_u_C1 ph_u_R1",
         })
        EXPECT_TRUE(Has(deck, line)) << line << "\n" << deck;
    EXPECT_LT(deck.find(".tran "), deck.find(".control\n"));
    EXPECT_EQ(deck.substr(deck.size() - 11), ".endc\n.end\n");
}

// Three parts: the simulator prints by the finest step. Without a harmonic source
// the frequency analysis is left out with our message.
TEST(SpiceExport, PartsAndAMissingFrequencyAnalysis) {
    const std::string deck = ExportExample("square_wave_rc.scm").result.deck;
    EXPECT_TRUE(Has(deck, ".tran 5.0000000000000004e-06 0.014 0 5.0000000000000008e-07 uic"))
        << deck;
    EXPECT_NE(deck.find("* No frequency analysis: Присоедините 1 гармонический источник\n"
                        "* ко входу, чтобы рассчитать АЧХ/ФЧХ.\n"),
              std::string::npos)
        << deck;
    EXPECT_EQ(deck.find(".ac "), std::string::npos);
    EXPECT_EQ(deck.find("setplot ac1"), std::string::npos);
    // The edge is 1e-7 of the half period of 0.5 ms.
    EXPECT_NE(deck.find("PULSE(0 5 0 5.0000000000000002e-11 5.0000000000000002e-11 "),
              std::string::npos);
}

TEST(SpiceExport, SubstepsSetTheLargestInternalStep) {
    analysis::SpiceExportOptions options;
    options.substeps = 300;
    const std::string deck = ExportExample("rc_lowpass.scm", {}, options).result.deck;
    EXPECT_TRUE(Has(deck, ".tran 2.0000000000000002e-05 0.0050000000000000001 0 "
                          "6.6666666666666668e-08 uic"))
        << deck;
}

TEST(SpiceExport, HodographWritesRealAndImaginaryParts) {
    const std::string deck = ExportExample("wien_bridge_hodograph.scm").result.deck;
    EXPECT_TRUE(Has(deck, "let re_u_R2 = real(k_u_R2)"));
    EXPECT_TRUE(Has(deck, "wrdata wien_bridge_hodograph-ac.txt re_u_R2 im_u_R2")) << deck;
}

// A grid of 300 points over six decades has no whole number of points a decade:
// the deck takes the nearest and says so.
TEST(SpiceExport, GridsTheSimulatorCannotHold) {
    const std::string deck = ExportExample("transistor_amplifier.scm").result.deck;
    EXPECT_TRUE(Has(deck, ".ac dec 50 10 10000000")) << deck;
    EXPECT_NE(deck.find("49.8333 a decade, which ngspice's grid cannot hold"), std::string::npos)
        << deck;

    const std::string linear = ExportExample("rc_lowpass.scm", [](document::Document& doc) {
                                   doc.settings.frequency.frequencyScale = 1;
                               }).result.deck;
    EXPECT_TRUE(Has(linear, ".ac lin 201 10 100000")) << linear;
}

TEST(SpiceExport, SweepIsDescribed) {
    const std::string deck = ExportExample("rlc_series.scm").result.deck;
    EXPECT_NE(deck.find("* The document sweeps \"Сопротивление (R)\" of R1 over 5, 20, 35, 50 Ом"),
              std::string::npos)
        << deck;
    EXPECT_TRUE(Has(deck, "R1 1 2 10")) << "the drawn value";
}

// The energy of the capacitors and inductances, and a current source's current as
// the frequency analysis's input, measured.
TEST(SpiceExport, EnergyAndCurrentInput) {
    const std::string deck = ExportExample("parallel_rlc_energy.scm").result.deck;
    for (const char* line : {
             "let energy = 0*time",
             "let energy = energy + 0.012664999999999999*(i(l1))^2",
             "let energy = energy + 4.9999999999999998e-07*(v(1))^2",
             "wrdata parallel_rlc_energy-tran.txt u_C1 i_L1 energy",
             "let input = i(vsi1)",
             "let k_i_L1 = -i(l1)/input",
         })
        EXPECT_TRUE(Has(deck, line)) << line << "\n" << deck;
}

// The analysis starting at 1 ms: the curves are written on our time axis.
TEST(SpiceExport, LateStartIsShiftedBack) {
    const std::string deck = ExportExample("rc_lowpass.scm", [](document::Document& doc) {
                                 doc.settings.transient.parts[0].startTime = 1e-3;
                             }).result.deck;
    EXPECT_TRUE(Has(deck, "let t = time + 0.001")) << deck;
    EXPECT_TRUE(Has(deck, "setscale t"));
    EXPECT_TRUE(Has(deck, ".tran 2.0000000000000002e-05 0.0040000000000000001 0 "
                          "2.0000000000000003e-06 uic"))
        << deck;
}

// An output whose element the analysis leaves out is a zero curve, as ours is.
TEST(SpiceExport, OutputOutsideTheCircuitIsZero) {
    document::Document doc;
    Circuit c;
    c.Ground(0);
    c.E(0, 1, 1);
    c.R(1, 0, 100);
    c.R(1, 1, 100);
    c.Wire();
    doc.scheme.AdoptLoaded(std::move(c.scheme.elements), std::move(c.scheme.wires));
    doc.settings.transient.voltageOutputCount = 1;
    doc.settings.transient.SetVoltageOutput(0, "R2");
    doc.settings.transient.currentOutputCount = 1;
    doc.settings.transient.SetCurrentOutput(0, "R2");
    RecordingNotifier notifier;
    const analysis::SpiceExportResult r = analysis::ExportSpiceDeck(doc, notifier);
    ASSERT_EQ(r.outcome, analysis::SpiceExportOutcome::Written);
    EXPECT_TRUE(Has(r.deck, "let u_R2 = 0*time")) << r.deck;
    EXPECT_TRUE(Has(r.deck, "let i_R2 = 0*time")) << r.deck;
}

TEST(SpiceExport, CircuitsThatCannotBeWritten) {
    struct Case {
        const char* what;
        std::function<void(Circuit&)> draw;
        analysis::SpiceExportOutcome outcome;
        std::string message; // the refusal's
        int code;            // the transient formulation's
    };
    const Case cases[] = {
        {"no ground for either analysis",
         [](Circuit& c) {
             c.E(1, 2, 1);
             c.R(2, 1, 100);
         },
         analysis::SpiceExportOutcome::NotAnalysable, "", 1},
        {"a resistance that is no number",
         [](Circuit& c) {
             c.Ground(0);
             c.E(0, 1, 1);
             c.R(1, 0, std::numeric_limits<double>::infinity());
         },
         analysis::SpiceExportOutcome::Refused,
         "R1: its value \"Сопротивление (R)\" is not a finite number", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Circuit c;
        k.draw(c);
        c.Wire();
        document::Document doc;
        doc.scheme.AdoptLoaded(std::move(c.scheme.elements), std::move(c.scheme.wires));
        RecordingNotifier notifier;
        const analysis::SpiceExportResult r = analysis::ExportSpiceDeck(doc, notifier);
        EXPECT_EQ(r.outcome, k.outcome);
        EXPECT_EQ(r.message, k.message);
        EXPECT_EQ(r.deck, "");
        EXPECT_EQ(r.schemeError.Code() != 0, k.code != 0);
    }
}

} // namespace
