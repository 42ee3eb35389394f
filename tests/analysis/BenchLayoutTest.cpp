// The window clips a sheet to kLargestSheet units a side: a generated ladder
// must lie on a sheet that size, however long, or be refused.
#include "BenchCircuits.h"
#include "RcLadder.h"

#include "document/Document.h"
#include "model/Element.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace korvanix;

TEST(BenchLayoutTest, LongLaddersFitTheSheet) {
    for (int sections : {20, 2960, 5000, 20000}) {
        SCOPED_TRACE(sections);
        document::Document doc;
        tools::LadderShape shape;
        shape.sections = sections;
        tools::BuildRcLadder(doc, shape);
        EXPECT_LE(doc.view.sheetWidth, tools::kLargestSheet);
        EXPECT_LE(doc.view.sheetHeight, tools::kLargestSheet);
        int resistors = 0;
        for (const auto& e : doc.scheme.elements) {
            const model::Rect r = e->Bounds();
            ASSERT_GE(r.left, 0);
            ASSERT_GE(r.top, 0);
            ASSERT_LE(r.right, doc.view.sheetWidth) << e->Name();
            ASSERT_LE(r.bottom, doc.view.sheetHeight) << e->Name();
            resistors += e->kind == model::kind::Resistor ? 1 : 0;
        }
        EXPECT_EQ(resistors, sections);
    }
}

TEST(BenchLayoutTest, ALadderTooLongForTheSheetIsRefused) {
    document::Document doc;
    tools::LadderShape shape;
    shape.sections = 40000;
    EXPECT_THROW(tools::BuildRcLadder(doc, shape), std::invalid_argument);
    EXPECT_TRUE(doc.scheme.elements.empty());
}

} // namespace
