// A batch analysis may work on the document's own objects instead of a copy; it
// must give the copy's results to the last bit, and fall back to the copy
// whenever the copy would differ from the document (macro elements to expand,
// sources of a legacy kind that the copy promotes, shorted elements the analysis
// prunes).
#include "RcLadder.h"

#include "TransientTestSupport.h"
#include "analysis/DocumentAnalysis.h"
#include "document/Document.h"
#include "graph/GraphSet.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"
#include "model/Wire.h"
#include "netlist/MacroExpansion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

using namespace korvanix;
using analysis::DocumentObjects;

struct Outcome {
    analysis::DocumentAnalysisResult result;
    graph::GraphSet graphs;
    bool inPlace = false;
};

void Analyse(document::Document& doc, bool frequency, DocumentObjects objects, Outcome& out) {
    analysis_test::RecordingReporter progress;
    engine_test::RecordingNotifier notifier;
    out.result =
        analysis::RunDocumentAnalysis(doc, frequency, out.graphs, progress, notifier, objects);
    out.inPlace = !doc.scheme.workingElements.empty() && doc.scheme.workingElementStore.empty();
}

// Both ways on two equal documents: the same outcome and every curve bit for bit.
// Returns whether the disposable one was analysed in place.
bool ExpectSameBothWays(document::Document& kept, document::Document& disposable, bool frequency) {
    Outcome copy, inPlace;
    Analyse(kept, frequency, DocumentObjects::Kept, copy);
    Analyse(disposable, frequency, DocumentObjects::Disposable, inPlace);
    EXPECT_FALSE(copy.inPlace);
    EXPECT_EQ(inPlace.result.outcome, copy.result.outcome);
    EXPECT_EQ(inPlace.result.message, copy.result.message);
    analysis_test::ExpectSameCurvesBitForBit(inPlace.graphs, copy.graphs);
    return inPlace.inPlace;
}

TEST(InPlaceAnalysisTest, EveryExampleGivesTheCopysResults) {
    int examples = 0;
    int inPlace = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(KORVANIX_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".scm")
            continue;
        for (bool frequency : {false, true}) {
            SCOPED_TRACE(entry.path().filename().string() + (frequency ? " frequency" : ""));
            document::Document kept, disposable;
            ASSERT_TRUE(kept.Open(entry.path().string()).read);
            ASSERT_TRUE(disposable.Open(entry.path().string()).read);
            bool macros = false;
            for (const auto& e : kept.scheme.elements)
                macros = macros || netlist::IsMacroKind(e->kind);
            const bool analysedInPlace = ExpectSameBothWays(kept, disposable, frequency);
            EXPECT_EQ(analysedInPlace, !macros);
            inPlace += analysedInPlace ? 1 : 0;
        }
        ++examples;
    }
    EXPECT_GE(examples, 12);
    EXPECT_GE(inPlace, 6);
}

TEST(InPlaceAnalysisTest, FallsBackToTheCopyWhereTheCopyWouldDiffer) {
    struct Case {
        const char* name;
        std::function<void(document::Document&)> change;
        bool inPlace;
    };
    // The last element of a kind.
    const auto last = [](document::Document& doc, model::ElementKind k) {
        model::Element* found = nullptr;
        for (const auto& e : doc.scheme.elements)
            if (e->kind == k)
                found = e.get();
        return found;
    };
    const Case cases[] = {
        {"as drawn", [](document::Document&) {}, true},
        {"a text label, which the copy leaves out",
         [](document::Document& doc) {
             doc.scheme.AddElement(
                 model::ElementFactory(model::kind::Text, doc.scheme.TakeElementId()));
         },
         true},
        {"a resistor with both pins on the last node, which the analysis removes",
         [&](document::Document& doc) {
             // The last section's connector has pins 2 and 3 free.
             model::Element* end = last(doc, model::kind::Connector);
             model::Element* shorted = tools::Place(doc, model::kind::Resistor, 5000, 5000);
             tools::Join(doc, end, 2, shorted, 1);
             tools::Join(doc, end, 3, shorted, 2);
         },
         false},
        {"a source of a legacy kind, which the copy promotes",
         [&](document::Document& doc) {
             last(doc, model::kind::VoltageSource)->kind = model::kind::VoltageSourceDcOld;
         },
         false},
    };
    for (const Case& c : cases) {
        for (bool frequency : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (frequency ? ", frequency" : ""));
            document::Document kept, disposable;
            for (document::Document* doc : {&kept, &disposable}) {
                tools::LadderShape shape;
                shape.sections = 10;
                shape.harmonic = frequency;
                tools::BuildRcLadder(*doc, shape);
                c.change(*doc);
            }
            EXPECT_EQ(ExpectSameBothWays(kept, disposable, frequency), c.inPlace);
        }
    }
}

} // namespace
