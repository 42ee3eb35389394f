// The sheet makes room for its elements after an edit, never past its limit,
// and a size the user asks for never cuts an element off.
#include "document/SheetExtent.h"
#include "model/Element.h"
#include "model/ElementKind.h"

#include <gtest/gtest.h>

namespace {

using namespace korvanix;

struct GrowCase {
    const char* name;
    int x, y;           // where a resistor is placed
    int width, height;  // the sheet before
    bool limited;       // the limit was reached
    bool shifted;       // the elements moved off the left or top edge
    bool wider, taller; // the sheet grew that way
};

TEST(SheetExtentTest, GrowSheetMakesRoomWithinTheLimit) {
    const GrowCase cases[] = {
        {"inside", 1000, 1000, 3000, 3000, false, false, false, false},
        {"near the left edge", 8, 1000, 3000, 3000, false, true, false, false},
        {"near the top edge", 1000, 8, 3000, 3000, false, true, false, false},
        {"past the right edge", 2992, 1000, 3000, 3000, false, false, true, false},
        {"past the bottom edge", 1000, 2992, 3000, 3000, false, false, false, true},
        {"beyond the limit", 40000, 40000, 30000, 30000, true, true, true, true},
    };
    for (const GrowCase& c : cases) {
        SCOPED_TRACE(c.name);
        model::Scheme scheme;
        model::Element* r = scheme.PlaceNew(model::kind::Resistor, c.x, c.y);
        ASSERT_NE(r, nullptr);
        document::ViewState view;
        view.sheetWidth = c.width;
        view.sheetHeight = c.height;
        const model::Rect before = document::ElementsExtent(scheme).Normalized();

        EXPECT_EQ(document::GrowSheet(scheme, view), c.limited);
        const model::Rect after = document::ElementsExtent(scheme).Normalized();
        EXPECT_EQ(after.left != before.left || after.top != before.top, c.shifted);
        EXPECT_EQ(view.sheetWidth > c.width, c.wider && !c.limited);
        EXPECT_EQ(view.sheetHeight > c.height, c.taller && !c.limited);
        // Every element lies on the sheet, with room beyond it unless clipped.
        EXPECT_GE(after.left, 0);
        EXPECT_GE(after.top, 0);
        EXPECT_LE(view.sheetWidth, document::kMaxSheet);
        EXPECT_LE(view.sheetHeight, document::kMaxSheet);
        EXPECT_LE(r->x, view.sheetWidth);
        EXPECT_LE(r->y, view.sheetHeight);
        if (!c.limited) {
            EXPECT_GE(view.sheetWidth - after.right, 20);
            EXPECT_GE(view.sheetHeight - after.bottom, 20);
            EXPECT_GE(after.left, 20);
            EXPECT_GE(after.top, 20);
        }
        EXPECT_LE(view.centerX, view.sheetWidth);
        EXPECT_LE(view.centerY, view.sheetHeight);
    }
}

TEST(SheetExtentTest, AnEmptySheetDoesNotGrow) {
    model::Scheme scheme;
    document::ViewState view;
    EXPECT_FALSE(document::GrowSheet(scheme, view));
    EXPECT_EQ(view, document::ViewState{});
}

TEST(SheetExtentTest, FitSheetSizeKeepsEveryElementOnTheSheet) {
    struct Case {
        int width, height;
        int wantWidth, wantHeight;
        bool enlarged;
    };
    model::Scheme scheme;
    scheme.PlaceNew(model::kind::Resistor, 1600, 1800);
    const model::Rect box = document::ElementsExtent(scheme).Normalized();
    const Case cases[] = {
        {4000, 5000, 4000, 5000, false},
        {box.right, box.bottom, box.right, box.bottom, false},
        {1000, 5000, box.right + 10, 5000, true},
        {5000, 1000, 5000, box.bottom + 10, true},
        {0, -7, box.right + 10, box.bottom + 10, true},
        {99999, 99999, document::kMaxSheet, document::kMaxSheet, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const document::SheetSize size = document::FitSheetSize(scheme, c.width, c.height);
        EXPECT_EQ(size.width, c.wantWidth);
        EXPECT_EQ(size.height, c.wantHeight);
        EXPECT_EQ(size.enlarged, c.enlarged);
    }
    // Without elements any size in range goes.
    const document::SheetSize empty = document::FitSheetSize(model::Scheme(), 0, 50);
    EXPECT_EQ(empty.width, 1);
    EXPECT_EQ(empty.height, 50);
    EXPECT_FALSE(empty.enlarged);
}

} // namespace
