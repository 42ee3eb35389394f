#include "SheetTestSupport.h"

#include "model/Archive.h"
#include "model/CircuitArchive.h"
#include "model/Scheme.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

using namespace korvanix::model;
using namespace sheet_test;

namespace {

constexpr Point kDefaultPoint{40, 40};

// What a fragment covers, measured the way paste places it: elements, shown tags
// and wires, grown by the 5-unit margin.
Rect Covered(const Scheme& s, std::size_t firstElement, std::size_t firstWire) {
    Rect r;
    for (std::size_t i = firstElement; i < s.elements.size(); ++i) {
        const Element& e = *s.elements[i];
        r = r.United(e.Bounds());
        if (s.showNames && e.showNameTag)
            r = r.United(e.nameTag.Area());
        if (s.showValues && e.showValueTag)
            r = r.United(e.valueTag.Area());
    }
    for (std::size_t i = firstWire; i < s.wires.size(); ++i)
        r = r.United(s.wires[i]->Area());
    return r;
}

void WriteInt32At(std::vector<uint8_t>& bytes, std::size_t at, int32_t v) {
    ASSERT_LE(at + 4, bytes.size());
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
}

// R1 and R2 joined by a wire, R2 also wired to C1, which stays unselected.
class ClipboardSheet : public ::testing::Test {
protected:
    void SetUp() override {
        r1 = Place(s, kind::Resistor, 96, 96);
        r2 = Place(s, kind::Resistor, 296, 96);
        c1 = Place(s, kind::Capacitor, 496, 96);
        Join(s, r1, 2, r2, 1);
        Join(s, r2, 2, c1, 1);
        s.RenumberNodes();
        s.RenumberNames();
        s.SelectAt(96, 96, false);
        s.SelectAt(296, 96, true);
        ASSERT_EQ(s.selection.size(), 2u);
    }

    Scheme s;
    Element* r1 = nullptr;
    Element* r2 = nullptr;
    Element* c1 = nullptr;
};

TEST_F(ClipboardSheet, CopiesTheSelectionAndOnlyTheWiresBetweenIt) {
    const ClipboardFragment f = s.CopySelection(false, {64, 64});
    ASSERT_FALSE(f.Empty());
    ASSERT_TRUE(f.copy);

    // The bytes are the object lists as the document stores them.
    ElementList elements;
    WireList wires;
    ArchiveReader reader(f.bytes);
    ReadObjects(reader, elements, wires);
    EXPECT_TRUE(reader.AtEnd());
    ASSERT_EQ(elements.size(), 2u);
    ASSERT_EQ(wires.size(), 1u);
    EXPECT_TRUE(Joins(wires[0].get(), elements[0].get(), 2, elements[1].get(), 1));
    EXPECT_EQ(elements[0]->kind, kind::Resistor);
    EXPECT_EQ(elements[1]->kind, kind::Resistor);
    // R2's pin towards the capacitor is free in the copy.
    EXPECT_EQ(elements[1]->pins[1].wire, nullptr);
    ExpectConsistent(elements, wires);

    // The laid-out copy starts 5 units inside (0, 0) and keeps the spacing.
    ASSERT_EQ(f.copy->elements.size(), 2u);
    const Rect covered = Covered(*f.copy, 0, 0);
    EXPECT_EQ(covered.left, 5);
    EXPECT_EQ(covered.top, 5);
    EXPECT_EQ(f.size.width, covered.right + 5);
    EXPECT_EQ(f.size.height, covered.bottom + 5);
    EXPECT_EQ(f.copy->elements[1]->x - f.copy->elements[0]->x, 200);
    EXPECT_EQ(f.copy->elements[0]->x, elements[0]->x);

    // The sheet itself is untouched apart from the paste point.
    EXPECT_EQ(s.elements.size(), 3u);
    EXPECT_EQ(s.wires.size(), 2u);
    EXPECT_EQ(s.selection.size(), 2u);
    EXPECT_EQ(s.pastePoint, (Point{64, 64}));
    ExpectConsistent(s);
}

TEST_F(ClipboardSheet, DeselectClearsTheSelection) {
    const ClipboardFragment f = s.CopySelection(true, {64, 64});
    EXPECT_FALSE(f.Empty());
    EXPECT_TRUE(s.selection.empty());
    for (const auto& e : s.elements)
        EXPECT_FALSE(e->selected);
}

TEST_F(ClipboardSheet, CopyNamesItsElementsAmongThemselvesAndShowsNodesWhenAsked) {
    // Select R2 and C1: in the copy R2 becomes R1.
    s.ClearSelection();
    s.SelectAt(296, 96, false);
    s.SelectAt(496, 96, true);
    for (const bool showNodes : {false, true}) {
        s.showNodes = showNodes;
        const ClipboardFragment f = s.CopySelection(false, {0, 0});
        ASSERT_EQ(f.copy->elements.size(), 2u);
        EXPECT_EQ(f.copy->elements[0]->Name(), "R1");
        EXPECT_EQ(f.copy->elements[1]->Name(), "C1");
        EXPECT_EQ(f.copy->nodeTags.size(), showNodes ? 1u : 0u);
        EXPECT_EQ(f.copy->nodeCount, 1);
    }
}

TEST(SchemeClipboard, EmptySelectionCopiesNothing) {
    Scheme s;
    Place(s, kind::Resistor, 96, 96);
    const ClipboardFragment f = s.CopySelection(true, {64, 64});
    EXPECT_TRUE(f.Empty());
    EXPECT_EQ(s.pastePoint, Scheme::kNoPastePoint);
}

TEST_F(ClipboardSheet, SuccessivePastesStepDiagonallyByTheFragmentSize) {
    const ClipboardFragment f = s.CopySelection(true, kDefaultPoint);
    const Rect a1 = s.Paste(f.bytes, -100, -100, {999, 999});
    const Rect a2 = s.Paste(f.bytes, -100, -100, {999, 999});
    ASSERT_FALSE(a1.IsEmpty());
    ASSERT_FALSE(a2.IsEmpty());
    // The copy set the paste point, so the default is not used.
    EXPECT_NEAR(a1.left, kDefaultPoint.x + 5, 4);
    EXPECT_NEAR(a1.top, kDefaultPoint.y + 5, 4);
    EXPECT_NEAR(a2.left, a1.left + a1.Width(), 8);
    EXPECT_NEAR(a2.top, a1.top + a1.Height(), 8);
    EXPECT_EQ(a1.Width(), a2.Width());
    EXPECT_EQ(s.pastePoint, (Point{kDefaultPoint.x + a1.Width() + a2.Width(),
                                   kDefaultPoint.y + a1.Height() + a2.Height()}));
    EXPECT_EQ(Covered(s, 3, 2), a1.United(a2));
    EXPECT_EQ(Covered(s, 5, 3), a2);
}

TEST_F(ClipboardSheet, PasteWithoutAnyPointUsesTheDefault) {
    const ClipboardFragment f = s.CopySelection(false, kDefaultPoint);
    Scheme t;
    ASSERT_EQ(t.pastePoint, Scheme::kNoPastePoint);
    const Rect a = t.Paste(f.bytes, -100, -100, {160, 320});
    EXPECT_NEAR(a.left, 165, 4);
    EXPECT_NEAR(a.top, 325, 4);
}

TEST_F(ClipboardSheet, PastingTwiceGivesFreshIdsAndNamesInListOrder) {
    const ClipboardFragment f = s.CopySelection(true, kDefaultPoint);
    const int32_t nextElement = s.nextElementId;
    const int32_t nextWire = s.nextWireId;
    s.Paste(f.bytes, -100, -100, kDefaultPoint);
    s.Paste(f.bytes, -100, -100, kDefaultPoint);

    ASSERT_EQ(s.elements.size(), 7u);
    ASSERT_EQ(s.wires.size(), 4u);
    std::set<int32_t> elementIds;
    for (const auto& e : s.elements)
        elementIds.insert(e->id);
    EXPECT_EQ(elementIds.size(), 7u);
    std::set<int32_t> wireIds;
    for (const auto& w : s.wires)
        wireIds.insert(w->id);
    EXPECT_EQ(wireIds.size(), 4u);
    EXPECT_EQ(s.nextElementId, nextElement + 4);
    EXPECT_EQ(s.nextWireId, nextWire + 2);
    EXPECT_EQ(s.elements[3]->id, nextElement);
    EXPECT_EQ(s.wires[3]->id, nextWire + 1);

    const std::vector<std::string> names = {"R1", "R2", "C1", "R3", "R4", "R5", "R6"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(s.elements[i]->Name(), names[i]) << i;
        EXPECT_EQ(s.elements[i]->nameTag.text, names[i]) << i;
    }

    // Each pasted wire joins the two elements of its own paste and is routed.
    EXPECT_TRUE(Joins(s.wires[2].get(), s.elements[3].get(), 2, s.elements[4].get(), 1));
    EXPECT_TRUE(Joins(s.wires[3].get(), s.elements[5].get(), 2, s.elements[6].get(), 1));
    EXPECT_GT(s.wires[3]->shape.count, 0);
    ExpectConsistent(s);

    // Only the last paste is selected; the pasted nodes are numbered with the rest.
    EXPECT_EQ(s.selection, (std::vector<Element*>{s.elements[5].get(), s.elements[6].get()}));
    EXPECT_EQ(s.nodeCount, 4);
    EXPECT_TRUE(s.modified);
}

TEST_F(ClipboardSheet, PasteAtAPointPutsTheFragmentsTopLeftThere) {
    const ClipboardFragment f = s.CopySelection(true, kDefaultPoint);
    // Snapping truncates toward zero, so below zero it may land up to 11 units on.
    struct Case {
        Point at;
        int low;
        int high;
    };
    const Case cases[] = {
        {{200, 304}, -4, 4}, {{203, 299}, -4, 4}, {{1000, 16}, -4, 4}, {{-600, -800}, -4, 11}};
    for (const Case& c : cases) {
        const Point p = c.at;
        Scheme t;
        const Rect a = t.Paste(f.bytes, p.x, p.y, kDefaultPoint);
        ASSERT_EQ(t.elements.size(), 2u);
        const Rect covered = Covered(t, 0, 0);
        EXPECT_EQ(covered, a);
        for (const int offset : {covered.left - 5 - p.x, covered.top - 5 - p.y}) {
            EXPECT_GE(offset, c.low) << p.x << "," << p.y;
            EXPECT_LE(offset, c.high) << p.x << "," << p.y;
        }
        for (const auto& e : t.elements) {
            EXPECT_EQ(e->x % 8, 0);
            EXPECT_EQ(e->y % 8, 0);
        }
        EXPECT_EQ(t.elements[1]->x - t.elements[0]->x, 200);
        EXPECT_EQ(t.pastePoint, (Point{p.x + a.Width(), p.y + a.Height()}));
    }
}

// A damaged block is refused whole: nothing of it reaches the sheet.
TEST_F(ClipboardSheet, DamagedBlocksChangeNothing) {
    const ClipboardFragment f = s.CopySelection(true, kDefaultPoint);
    const std::vector<uint8_t> good = f.bytes;
    // Layout: N, N kind codes, M, element records, M wire records of 5 integers.
    const std::size_t lastWire = good.size() - 20;
    using Mutation = std::function<void(std::vector<uint8_t>&)>;
    const std::vector<std::pair<std::string, Mutation>> cases = {
        {"empty", [](auto& b) { b.clear(); }},
        {"one byte short", [](auto& b) { b.pop_back(); }},
        {"cut in half", [](auto& b) { b.resize(b.size() / 2); }},
        {"trailing byte", [](auto& b) { b.push_back(0); }},
        {"unknown kind", [](auto& b) { WriteInt32At(b, 4, 12345); }},
        {"huge element count", [](auto& b) { WriteInt32At(b, 0, 0x7fffffff); }},
        {"negative element count", [](auto& b) { WriteInt32At(b, 0, -1); }},
        {"huge wire count", [](auto& b) { WriteInt32At(b, 12, 0x7fffffff); }},
        {"wire to an element not in the block",
         [lastWire](auto& b) { WriteInt32At(b, lastWire + 12, 9999); }},
        {"wire end on a pin beyond the element",
         [lastWire](auto& b) { WriteInt32At(b, lastWire + 16, 7); }},
        {"wire end on a pin that does not name it",
         [lastWire](auto& b) { WriteInt32At(b, lastWire + 16, 2); }},
    };
    Scheme t;
    Element* existing = Place(t, kind::Resistor, 96, 96);
    t.SelectAt(96, 96, false);
    t.RenumberNames();
    t.modified = false;
    t.pastePoint = {24, 24};
    for (const auto& [name, mutate] : cases) {
        std::vector<uint8_t> bytes = good;
        mutate(bytes);
        const Rect a = t.Paste(bytes, 400, 400, kDefaultPoint);
        EXPECT_TRUE(a.IsEmpty()) << name;
        EXPECT_EQ(t.elements.size(), 1u) << name;
        EXPECT_TRUE(t.wires.empty()) << name;
        EXPECT_EQ(t.nextElementId, 2) << name;
        EXPECT_EQ(t.nextWireId, 1) << name;
        EXPECT_EQ(t.selection, std::vector<Element*>{existing}) << name;
        EXPECT_EQ(t.pastePoint, (Point{24, 24})) << name;
        EXPECT_FALSE(t.modified) << name;
    }
    // The same block undamaged goes in.
    EXPECT_FALSE(t.Paste(good, 400, 400, kDefaultPoint).IsEmpty());
    EXPECT_EQ(t.elements.size(), 3u);
}

// Positions at the ends of the int range saturate instead of wrapping around.
TEST_F(ClipboardSheet, FarOffPositionsInABlockStayWithinRange) {
    const ClipboardFragment f = s.CopySelection(true, kDefaultPoint);
    // The first element record follows N, two kind codes and M: id, kind, x, y.
    const std::size_t firstRecord = 4 + 2 * 4 + 4;
    for (const int32_t far :
         {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        std::vector<uint8_t> bytes = f.bytes;
        WriteInt32At(bytes, firstRecord + 8, far);
        WriteInt32At(bytes, firstRecord + 12, far);
        Scheme t;
        for (const Point at : {Scheme::kNoPastePoint, Point{200, 200}}) {
            const Rect a = t.Paste(bytes, at.x, at.y, kDefaultPoint);
            EXPECT_LE(a.left, a.right);
            EXPECT_LE(a.top, a.bottom);
        }
        ExpectConsistent(t);
        for (const auto& e : t.elements) {
            EXPECT_EQ(e->x % 8, 0);
            EXPECT_EQ(e->y % 8, 0);
        }
    }
}

} // namespace
