#include "SheetTestSupport.h"

#include "model/Scheme.h"
#include "model/SheetElements.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvanix::model;
using namespace sheet_test;

namespace {

// Resistors are 40 wide: at (96, 96) the pins are at (67, 96) and (125, 96).
constexpr int kPinOffset = 29;

std::vector<Element*> Selected(const Scheme& s) {
    return s.selection;
}

void ExpectSelectionAgrees(const Scheme& s) {
    for (const auto& e : s.elements) {
        const bool listed =
            std::find(s.selection.begin(), s.selection.end(), e.get()) != s.selection.end();
        EXPECT_EQ(e->selected, listed) << e->Name();
    }
}

bool AnyInvalidContains(const Scheme& s, Point p) {
    for (const Rect& r : s.invalid)
        if (r.Contains(p))
            return true;
    return false;
}

// Two resistors on one line, joined by a straight wire from R1's pin 2 to R2's pin 1.
class TwoResistors : public ::testing::Test {
protected:
    void SetUp() override {
        r1 = Place(s, kind::Resistor, 96, 96);
        r2 = Place(s, kind::Resistor, 296, 96);
        w = Join(s, r1, 2, r2, 1);
        s.RenumberNodes();
        s.RenumberNames();
    }

    Scheme s;
    Element* r1 = nullptr;
    Element* r2 = nullptr;
    Wire* w = nullptr;
};

TEST(SchemeMove, SnapsToTheGridAndMarksModified) {
    Scheme s;
    Element* r = Place(s, kind::Resistor, 100, 100);
    ASSERT_TRUE(s.SelectAt(100, 100, false));
    EXPECT_EQ(s.FinishMove(3, -3), 0);
    EXPECT_EQ(r->x, 104);
    EXPECT_EQ(r->y, 96);
    EXPECT_TRUE(s.modified);
    EXPECT_TRUE(r->visible);
}

TEST_F(TwoResistors, MovedElementTakesItsWiresAndMarksBothAreas) {
    s.invalid.clear();
    ASSERT_TRUE(s.SelectAt(296, 96, false));
    s.BeginDrag();
    EXPECT_FALSE(r2->visible);
    EXPECT_FALSE(w->visible);
    s.FinishMove(0, 40);
    EXPECT_TRUE(r2->visible);
    EXPECT_TRUE(w->visible);
    ASSERT_GE(w->shape.count, 2);
    EXPECT_EQ(w->shape.points[w->shape.count - 1], (Point{296 - kPinOffset, 136}));
    EXPECT_TRUE(AnyInvalidContains(s, {296, 96}));
    EXPECT_TRUE(AnyInvalidContains(s, {296, 136}));
}

TEST_F(TwoResistors, MoveAllShiftsEverythingAndReroutes) {
    s.MoveAll(16, 8);
    EXPECT_EQ(r1->x, 112);
    EXPECT_EQ(r2->y, 104);
    ASSERT_EQ(w->shape.count, 2);
    EXPECT_EQ(w->shape.points[0], r1->ConnectionPoint(2));
    EXPECT_EQ(w->shape.points[1], r2->ConnectionPoint(1));
}

// --- Deleting ---------------------------------------------------------------------

TEST(SchemeDelete, ElementWiredOnBothSidesIsBridged) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Element* r3 = Place(s, kind::Resistor, 496, 96);
    Join(s, r1, 2, r2, 1);
    Join(s, r2, 2, r3, 1);
    s.DeleteElement(r2);
    ASSERT_EQ(s.elements.size(), 2u);
    ASSERT_EQ(s.wires.size(), 1u);
    const Wire* bridge = s.wires.front().get();
    EXPECT_EQ(bridge->id, 3); // a new wire, from the next id
    EXPECT_EQ(bridge->end1, r1);
    EXPECT_EQ(bridge->pin1, 2);
    EXPECT_EQ(bridge->end2, r3);
    EXPECT_EQ(bridge->pin2, 1);
    EXPECT_EQ(bridge->shape.count, 2);
    ExpectConsistent(s);
}

TEST(SchemeDelete, ConnectorWithTwoWiresIsBridged) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* c = Place(s, kind::Connector, 296, 96);
    Element* r2 = Place(s, kind::Resistor, 496, 96);
    Join(s, r1, 2, c, 1);
    Join(s, c, 3, r2, 1);
    s.DeleteElement(c);
    ASSERT_EQ(s.wires.size(), 1u);
    EXPECT_TRUE(Joins(s.wires.front().get(), r1, 2, r2, 1));
    ExpectConsistent(s);
}

TEST_F(TwoResistors, ElementWiredOnOneSideLosesThatWire) {
    s.DeleteElement(r2);
    EXPECT_TRUE(s.wires.empty());
    EXPECT_EQ(r1->pins[1].wire, nullptr);
    ExpectConsistent(s);
}

TEST(SchemeDelete, ConnectorWithThreeWiresLosesAllOfThem) {
    Scheme s;
    Element* c = Place(s, kind::Connector, 296, 96);
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 496, 96);
    Element* r3 = Place(s, kind::Resistor, 296, 296);
    Join(s, r1, 2, c, 1);
    Join(s, c, 3, r2, 1);
    Join(s, c, 4, r3, 1);
    s.DeleteElement(c);
    EXPECT_TRUE(s.wires.empty());
    for (Element* r : {r1, r2, r3})
        for (const Pin& p : r->pins)
            EXPECT_EQ(p.wire, nullptr);
    ExpectConsistent(s);
}

TEST(SchemeDelete, NoWireJoinsAnElementToItself) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Join(s, r1, 2, r2, 1);
    Join(s, r2, 2, r1, 1);
    s.DeleteElement(r2);
    EXPECT_TRUE(s.wires.empty());
    EXPECT_EQ(r1->pins[0].wire, nullptr);
    EXPECT_EQ(r1->pins[1].wire, nullptr);
    ExpectConsistent(s);
}

TEST(SchemeDelete, OneWireOnBothOwnPinsIsDeletedOnce) {
    Scheme s;
    Element* r = Place(s, kind::Resistor, 96, 96);
    Place(s, kind::Resistor, 296, 96);
    Join(s, r, 1, r, 2);
    s.DeleteElement(r);
    EXPECT_TRUE(s.wires.empty());
    ExpectConsistent(s);
}

TEST(SchemeDelete, NoBridgeToAMissingEnd) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Join(s, r1, 2, r2, 1);
    Join(s, r2, 2, nullptr, 0);
    s.DeleteElement(r2);
    EXPECT_TRUE(s.wires.empty());
    EXPECT_EQ(r1->pins[1].wire, nullptr);
    ExpectConsistent(s);
}

TEST(SchemeDelete, SelectionRenumbersNamesAndNodes) {
    Scheme s;
    Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Element* r3 = Place(s, kind::Resistor, 496, 96);
    Element* c = Place(s, kind::Capacitor, 96, 296);
    Join(s, r2, 2, r3, 1);
    s.RenumberNames();
    ASSERT_EQ(r3->Name(), "R3");
    ASSERT_TRUE(s.SelectAt(296, 96, false));
    s.DeleteSelection();
    EXPECT_TRUE(s.selection.empty());
    EXPECT_EQ(s.elements.size(), 3u);
    EXPECT_EQ(r3->Name(), "R2");
    EXPECT_EQ(r3->nameTag.text, "R2");
    EXPECT_EQ(c->Name(), "C1");
    EXPECT_TRUE(s.wires.empty());
    EXPECT_EQ(s.nodeCount, 0);
}

// --- Dropping an element onto a wire ------------------------------------------------

class InsertResistor : public ::testing::TestWithParam<bool> {};

// The wire's ends are given either way round: each old end must go to the pin of
// the dropped resistor that faces it, whichever end the wire starts at.
TEST_P(InsertResistor, SplitsTheWireAtItsPins) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    if (GetParam())
        Join(s, r2, 1, r1, 2);
    else
        Join(s, r1, 2, r2, 1);
    Element* r3 = Place(s, kind::Resistor, 200, 296);
    s.RenumberNodes();
    ASSERT_TRUE(s.SelectAt(200, 296, false));
    EXPECT_EQ(s.FinishMove(0, -200), 1);
    EXPECT_EQ(r3->y, 96);
    ASSERT_EQ(s.wires.size(), 2u);
    EXPECT_TRUE(WireBetween(s.wires, r1, 2, r3, 1));
    EXPECT_TRUE(WireBetween(s.wires, r3, 2, r2, 1));
    EXPECT_EQ(s.wires[0]->id, 2);
    EXPECT_EQ(s.wires[1]->id, 3);
    EXPECT_NE(r3->PinNode(1), r3->PinNode(2)); // nodes were renumbered
    ExpectConsistent(s);
}

INSTANTIATE_TEST_SUITE_P(EitherWireDirection, InsertResistor, ::testing::Bool());

TEST_F(TwoResistors, ResistorAwayFromTheWireIsNotInserted) {
    Element* r3 = Place(s, kind::Resistor, 200, 296);
    ASSERT_TRUE(s.SelectAt(200, 296, false));
    EXPECT_EQ(s.FinishMove(0, -96), 0);
    EXPECT_EQ(r3->y, 200);
    ASSERT_EQ(s.wires.size(), 1u);
    EXPECT_EQ(s.wires.front().get(), w);
}

TEST_F(TwoResistors, ResistorAcrossTheWireIsNotInserted) {
    Element* r3 = Place(s, kind::Resistor, 200, 296);
    r3->rotation = 1; // its pins lie across the wire, not along it
    ASSERT_TRUE(s.SelectAt(200, 296, false));
    EXPECT_EQ(s.FinishMove(0, -200), 0);
    EXPECT_EQ(s.wires.size(), 1u);
}

TEST_F(TwoResistors, WiredResistorIsNotInserted) {
    Element* r3 = Place(s, kind::Resistor, 200, 96);
    Element* r4 = Place(s, kind::Resistor, 200, 296);
    Join(s, r3, 1, r4, 1);
    EXPECT_EQ(s.InsertIntoWire(r3), 0);
    EXPECT_EQ(s.wires.size(), 2u);
}

TEST_F(TwoResistors, ConnectorOnTheWireSplitsItLeftAndRight) {
    Element* c = Place(s, kind::Connector, 200, 296);
    ASSERT_TRUE(s.SelectAt(200, 296, false));
    EXPECT_EQ(s.FinishMove(0, -200), 1);
    ASSERT_EQ(s.wires.size(), 2u);
    EXPECT_TRUE(WireBetween(s.wires, r1, 2, c, 1));
    EXPECT_TRUE(WireBetween(s.wires, r2, 1, c, 3));
    EXPECT_EQ(c->PinNode(1), r1->PinNode(2));
    EXPECT_EQ(r2->PinNode(1), r1->PinNode(2));
    ExpectConsistent(s);
}

TEST(SchemeInsert, ConnectorOnACornerTakesBothLegs) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 200);
    const Wire* w = Join(s, r1, 2, r2, 1);
    // (125, 96) -> (200, 96) -> (200, 200) -> (267, 200)
    ASSERT_EQ(w->shape.count, 4);
    ASSERT_EQ(w->shape.points[1], (Point{200, 96}));
    Element* c = Place(s, kind::Connector, 200, 96);
    EXPECT_EQ(s.InsertIntoWire(c), 1);
    EXPECT_TRUE(WireBetween(s.wires, r1, 2, c, 1));
    EXPECT_TRUE(WireBetween(s.wires, r2, 1, c, 4));
    ExpectConsistent(s);
}

// --- Rotating and mirroring ----------------------------------------------------------

TEST(SchemeRotate, MirroredElementSwapsItsMirrorFlags) {
    Scheme s;
    Element* u = Place(s, kind::VoltageSource, 96, 96);
    u->rotation = 0;
    u->mirrorX = 1;
    u->mirrorY = 0;
    ASSERT_TRUE(s.SelectAt(96, 96, false));
    ASSERT_TRUE(s.CanRotateSelection());
    s.RotateSelection();
    EXPECT_EQ(u->rotation, 1);
    EXPECT_EQ(u->mirrorY, 1);
    EXPECT_EQ(u->mirrorX, 0);
    s.RotateSelection();
    EXPECT_EQ(u->rotation, 2);
    EXPECT_EQ(u->mirrorX, 1);
    EXPECT_EQ(u->mirrorY, 0);
}

TEST_F(TwoResistors, RotatedElementsWiresFollowThePins) {
    ASSERT_TRUE(s.SelectAt(296, 96, false));
    s.RotateSelection();
    EXPECT_EQ(r2->rotation, 1);
    ASSERT_GE(w->shape.count, 2);
    EXPECT_EQ(w->shape.points[w->shape.count - 1], r2->ConnectionPoint(1));
    EXPECT_EQ(r2->ConnectionPoint(1), (Point{296, 96 - kPinOffset}));
}

TEST(SchemeRotate, OnlyElementsThatAllowItAreTurnedOrMirrored) {
    Scheme s;
    Element* c = Place(s, kind::Connector, 96, 96);
    Element* r = Place(s, kind::Resistor, 296, 96);
    ASSERT_TRUE(s.SelectAt(96, 96, false));
    EXPECT_FALSE(s.CanRotateSelection());
    EXPECT_FALSE(s.CanMirrorSelectionX());
    ASSERT_TRUE(s.SelectAt(296, 96, true));
    EXPECT_TRUE(s.CanRotateSelection());
    EXPECT_FALSE(s.CanMirrorSelectionY());
    s.RotateSelection();
    s.MirrorSelectionX();
    EXPECT_EQ(c->rotation, 0);
    EXPECT_EQ(r->rotation, 1);
    EXPECT_EQ(r->mirrorX, 0);
}

TEST(SchemeMirror, TogglesTheFlagAndReroutes) {
    Scheme s;
    Element* g = Place(s, kind::Ground, 96, 96);
    Element* r = Place(s, kind::Resistor, 296, 200);
    Wire* w = Join(s, r, 1, g, 1);
    ASSERT_TRUE(s.SelectAt(96, 96, false));
    s.MirrorSelectionY();
    EXPECT_EQ(g->mirrorY, 1);
    EXPECT_EQ(g->PinDirection(1), (Point{0, 100}));
    ASSERT_GE(w->shape.count, 2);
    EXPECT_EQ(w->shape.points[0], (Point{96, 104}));
    s.MirrorSelectionY();
    EXPECT_EQ(g->mirrorY, 0);
}

// Mirroring moves the pins: every wire must still end on its pin, and the tags
// must stand where a freshly placed element mirrored so would have them (turning
// only the flag, without rerouting or moving the tags, fails here).
TEST(SchemeMirror, WiresAndTagsFollowTheMirroredPins) {
    for (const bool leftRight : {true, false}) {
        SCOPED_TRACE(leftRight ? "left to right" : "top to bottom");
        Scheme s;
        Element* q = Place(s, kind::Unistor, 400, 400);
        Element* a = Place(s, kind::Resistor, 96, 96);
        Element* b = Place(s, kind::Resistor, 696, 696);
        Join(s, a, 2, q, 1);
        Join(s, q, 2, b, 1);
        s.RenumberNames();
        s.UpdateAllTags();
        const Point nameBefore = q->nameTag.anchor;
        ASSERT_TRUE(s.SelectAt(400, 400, false));
        leftRight ? s.MirrorSelectionX() : s.MirrorSelectionY();

        for (const auto& w : s.wires) {
            ASSERT_GE(w->shape.count, 2);
            const Point first = w->shape.points[0];
            const Point last = w->shape.points[w->shape.count - 1];
            const Point end1 = w->end1->ConnectionPoint(w->pin1);
            const Point end2 = w->end2->ConnectionPoint(w->pin2);
            EXPECT_TRUE((first == end1 && last == end2) || (first == end2 && last == end1));
        }
        Scheme reference;
        Element* fresh = Place(reference, kind::Unistor, q->x, q->y);
        fresh->mirrorX = q->mirrorX;
        fresh->mirrorY = q->mirrorY;
        fresh->rotation = q->rotation;
        reference.RenumberNames();
        reference.UpdateAllTags();
        EXPECT_EQ(q->nameTag.anchor, fresh->nameTag.anchor);
        EXPECT_EQ(q->valueTag.anchor, fresh->valueTag.anchor);
        EXPECT_EQ(q->nameTag.text, fresh->nameTag.text);
        if (!leftRight) {
            // The case that shows a tag left behind: these tags move below.
            EXPECT_NE(q->nameTag.anchor, nameBefore);
        }
        ExpectConsistent(s);
    }
}

// --- Selecting -------------------------------------------------------------------------

struct SelectStep {
    int x;
    int y;
    bool toggle;
    bool hit;
    std::vector<int> selected; // indexes into the element list, in selection order
};

TEST(SchemeSelect, SelectAtFollowsTheClickRules) {
    Scheme s;
    Place(s, kind::Resistor, 96, 96);
    Place(s, kind::Resistor, 296, 96);
    const SelectStep steps[] = {
        {96, 96, false, true, {0}},    // select
        {296, 96, true, true, {0, 1}}, // toggle adds
        {96, 96, false, true, {0, 1}}, // a selected element keeps the selection
        {96, 96, true, true, {1}},     // toggle removes
        {296, 96, false, true, {1}},   // already selected
        {96, 96, false, true, {0}},    // another element replaces the selection
        {600, 600, false, false, {}},  // empty spot clears
        {600, 600, true, false, {}},   // also with toggle
    };
    int n = 0;
    for (const SelectStep& step : steps) {
        SCOPED_TRACE(n++);
        EXPECT_EQ(s.SelectAt(step.x, step.y, step.toggle), step.hit);
        std::vector<Element*> expected;
        for (int i : step.selected)
            expected.push_back(s.elements[static_cast<std::size_t>(i)].get());
        EXPECT_EQ(Selected(s), expected);
        ExpectSelectionAgrees(s);
    }
}

TEST(SchemeSelect, RectangleTakesElementsWithTheCentreInside) {
    Scheme s;
    Element* a = Place(s, kind::Resistor, 96, 96);
    Place(s, kind::Resistor, 296, 96);
    Element* c = Place(s, kind::Connector, 150, 150);
    s.SelectAll();
    EXPECT_EQ(s.selection.size(), 3u);
    s.SelectInRect(200, 200, 90, 90); // corners in any order
    EXPECT_EQ(Selected(s), (std::vector<Element*>{a, c}));
    ExpectSelectionAgrees(s);
    s.ClearSelection();
    EXPECT_TRUE(s.selection.empty());
    ExpectSelectionAgrees(s);
}

// --- Hit tests and captions ------------------------------------------------------------

struct WireHitCase {
    int x;
    int y;
    int kind; // 0: no hit
};

TEST(SchemeWireAt, HitsSegmentsAndCornersButNotNextToPins) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 200);
    const Wire* w = Join(s, r1, 2, r2, 1);
    // (125, 96) -> (200, 96) -> (200, 200) -> (267, 200)
    ASSERT_EQ(w->shape.count, 4);
    const WireHitCase cases[] = {
        {150, 98, 1},  {150, 102, 1}, {150, 103, 0}, {202, 150, 2}, {200, 103, 2},
        {203, 99, 3},  {200, 200, 3}, {130, 96, 0},  {135, 96, 0},  {136, 96, 1},
        {250, 200, 1}, {257, 200, 0}, {260, 200, 0}, {400, 400, 0},
    };
    for (const WireHitCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        Scheme::WireHitKind kind = Scheme::WireHitKind::None;
        const Wire* hit = s.WireAt(c.x, c.y, &kind);
        EXPECT_EQ(hit, c.kind ? w : nullptr);
        EXPECT_EQ(static_cast<int>(kind), c.kind);
    }
}

TEST(SchemeCaption, NamesWhatIsUnderThePoint) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* c = Place(s, kind::Connector, 296, 96);
    Place(s, kind::Connector, 400, 300);
    Place(s, kind::Ground, 496, 200);
    Place(s, kind::Text, 96, 296);
    Place(s, kind::Vccs, 600, 400);
    Join(s, r1, 2, c, 1);
    s.RenumberNodes();
    s.RenumberNames();
    const struct {
        int x;
        int y;
        const char* caption;
    } cases[] = {
        {96, 96, "<R1> Резистор"},    {296, 96, "<Узел 1> Соединитель"},
        {400, 300, "Соединитель"},    {496, 200, "<Узел 0> Земля"},
        {96, 296, "Текст"},           {600, 400, "<ИТУН1> ИТУН"},
        {200, 96, "<Узел 1> Провод"}, {800, 800, ""},
    };
    for (const auto& k : cases)
        EXPECT_EQ(s.ObjectCaption(k.x, k.y), k.caption) << k.x << "," << k.y;
}

TEST(SchemeCaption, WireNotYetNumberedHasNoCaption) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Join(s, r1, 2, r2, 1);
    EXPECT_EQ(s.ObjectCaption(200, 96), "");
}

// --- Drawing wires with the mouse --------------------------------------------------------

TEST_F(TwoResistors, StartWireOnAWiredPinPicksTheWireUp) {
    const Point start = s.StartWire(296 - kPinOffset, 96);
    EXPECT_EQ(start, (Point{96 + kPinOffset, 96}));
    EXPECT_TRUE(s.wires.empty());
    EXPECT_TRUE(s.HasPendingWire());
    ExpectConsistent(s);

    Element* r3 = Place(s, kind::Resistor, 296, 296);
    const Point end = s.FinishWire(296 - kPinOffset, 296);
    EXPECT_EQ(end, (Point{296 - kPinOffset, 296}));
    EXPECT_FALSE(s.HasPendingWire());
    ASSERT_EQ(s.wires.size(), 1u);
    EXPECT_EQ(s.wires.front()->end1, r1);
    EXPECT_EQ(s.wires.front()->pin1, 2);
    EXPECT_EQ(s.wires.front()->end2, r3);
    EXPECT_EQ(s.wires.front()->pin2, 1);
    EXPECT_EQ(s.nodeCount, 1);
    ExpectConsistent(s);
}

TEST_F(TwoResistors, StartWireOnAFreePinAndFinishOnNothing) {
    EXPECT_EQ(s.StartWire(96 - kPinOffset, 96), (Point{96 - kPinOffset, 96}));
    EXPECT_TRUE(s.HasPendingWire());
    EXPECT_EQ(s.FinishWire(700, 700), (Point{0, 0}));
    EXPECT_FALSE(s.HasPendingWire());
    EXPECT_EQ(s.wires.size(), 1u);
}

TEST_F(TwoResistors, StartWireAwayFromPinsDoesNothing) {
    EXPECT_EQ(s.StartWire(600, 600), (Point{0, 0}));
    EXPECT_FALSE(s.HasPendingWire());
    EXPECT_EQ(s.wires.size(), 1u);
}

TEST(SchemeWire, FinishOnTheStartElementMakesNoWire) {
    Scheme s;
    Element* r = Place(s, kind::Resistor, 96, 96);
    s.StartWire(96 + kPinOffset, 96);
    EXPECT_EQ(s.FinishWire(96 - kPinOffset, 96), (Point{0, 0}));
    EXPECT_TRUE(s.wires.empty());
    EXPECT_EQ(r->pins[0].wire, nullptr);
}

TEST_F(TwoResistors, FinishOnAWireMakesAJunction) {
    Element* r3 = Place(s, kind::Resistor, 200, 296);
    s.StartWire(200 - kPinOffset, 296);
    const Point end = s.FinishWire(203, 98);
    EXPECT_EQ(end, (Point{200, 96}));
    ASSERT_EQ(s.elements.size(), 4u);
    Element* c = s.elements.back().get();
    EXPECT_EQ(c->kind, kind::Connector);
    EXPECT_EQ(c->x, 200);
    EXPECT_EQ(c->y, 96);
    EXPECT_EQ(c->id, 4);
    ASSERT_EQ(s.wires.size(), 3u);
    EXPECT_TRUE(WireBetween(s.wires, r1, 2, c, 1));
    EXPECT_TRUE(WireBetween(s.wires, r2, 1, c, 3));
    EXPECT_TRUE(WireBetween(s.wires, r3, 1, c, 4)); // the start lies below the run
    EXPECT_EQ(s.nodeCount, 1);
    EXPECT_EQ(r3->PinNode(1), r1->PinNode(2));
    ExpectConsistent(s);
}

TEST_F(TwoResistors, TrackPinSkipsTheStartElementWhileDrawing) {
    EXPECT_TRUE(s.TrackPin(96 - kPinOffset, 96, false));
    EXPECT_EQ(s.TrackedElement(), r1);
    EXPECT_EQ(s.TrackedPin(), 1);
    EXPECT_FALSE(s.TrackPin(600, 600, false));
    EXPECT_EQ(s.TrackedElement(), nullptr);

    s.StartWire(96 - kPinOffset, 96);
    EXPECT_FALSE(s.TrackPin(96 - kPinOffset, 96, true));
    EXPECT_TRUE(s.TrackPin(296 + kPinOffset, 96, true));
    EXPECT_EQ(s.TrackedElement(), r2);
    EXPECT_EQ(s.TrackedPin(), 2);
}

// --- Tags, text sizes, copies -------------------------------------------------------------

TEST(SchemeTags, FixedMetricsCountCharactersNotBytes) {
    const FixedTextMetrics m;
    EXPECT_EQ(m.TextExtent("ИТУН1", 1).width, 35);
    EXPECT_EQ(m.TextExtent("ИТУН1", 2).height, 14);
    EXPECT_EQ(m.TextExtent("12", 3).width, 16);
    EXPECT_EQ(m.TextExtent("12", 3).height, 16);
}

TEST(SchemeTags, UpdateMeasuresTagsAndSizesTextLabels) {
    Scheme s;
    Element* r = Place(s, kind::Resistor, 96, 96);
    auto* label = static_cast<TextLabel*>(Place(s, kind::Text, 296, 96));
    label->SetText("Вход");
    s.UpdateAllTags();
    EXPECT_EQ(r->nameTag.text, "R1");
    EXPECT_EQ(r->nameTag.size.width, 14);
    EXPECT_EQ(r->valueTag.size.width, FixedTextMetrics().TextExtent(r->valueTag.text, 2).width);
    EXPECT_FALSE(r->valueTag.text.empty());
    EXPECT_EQ(label->width, 4 * 7 + 6);
    EXPECT_EQ(label->height, 14);
}

TEST(SchemeCopy, CopiesKeepIdsAndJoinTheCopies) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* t = Place(s, kind::Text, 96, 296);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Wire* w = Join(s, r1, 2, r2, 1);

    ElementList elements;
    WireList wires;
    Scheme::CopyObjects({r1, t, r2}, {w}, elements, wires, false);
    ASSERT_EQ(elements.size(), 3u);
    ASSERT_EQ(wires.size(), 1u);
    EXPECT_EQ(elements[1]->kind, kind::Text);
    EXPECT_EQ(elements[2]->id, r2->id);
    EXPECT_EQ(elements[2]->x, 296);
    EXPECT_TRUE(Joins(wires[0].get(), elements[0].get(), 2, elements[2].get(), 1));
    EXPECT_EQ(wires[0]->shape.count, 2);
    ExpectConsistent(elements, wires);

    Scheme::CopyObjects({r1, t, r2}, {w}, elements, wires, true);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0]->kind, kind::Resistor);
    EXPECT_EQ(elements[1]->kind, kind::Resistor);
    ASSERT_EQ(wires.size(), 1u);
    EXPECT_TRUE(Joins(wires[0].get(), elements[0].get(), 2, elements[1].get(), 1));
    ExpectConsistent(elements, wires);
}

TEST(SchemeCopy, WireToAnElementLeftOutKeepsOnlyItsOtherEnd) {
    Scheme s;
    Element* r1 = Place(s, kind::Resistor, 96, 96);
    Element* r2 = Place(s, kind::Resistor, 296, 96);
    Wire* w = Join(s, r1, 2, r2, 1);
    ElementList elements;
    WireList wires;
    Scheme::CopyObjects({r1}, {}, elements, wires, false);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0]->pins[1].wire, nullptr);
    Scheme::CopyObjects({r1}, {w}, elements, wires, false);
    ASSERT_EQ(wires.size(), 1u);
    EXPECT_EQ(wires[0]->end1, elements[0].get());
    EXPECT_EQ(wires[0]->end2, nullptr);
    ExpectConsistent(elements, wires);
}

TEST(SchemeLoad, AdoptedObjectsSetTheIdCountersAndAreNumbered) {
    Scheme source;
    Element* r1 = Place(source, kind::Resistor, 96, 96);
    Element* r2 = Place(source, kind::Resistor, 296, 96);
    r2->id = 40;
    Wire* w = Join(source, r1, 2, r2, 1);
    w->id = 17;
    ElementList elements;
    WireList wires;
    Scheme::CopyObjects({r1, r2}, {w}, elements, wires, false);

    Scheme s;
    s.showNodes = true;
    s.AdoptLoaded(std::move(elements), std::move(wires));
    EXPECT_EQ(s.nextElementId, 41);
    EXPECT_EQ(s.nextWireId, 18);
    EXPECT_EQ(s.nodeCount, 1);
    ASSERT_EQ(s.nodeTags.size(), 1u);
    EXPECT_EQ(s.nodeTags[0].size.height, 16);
    EXPECT_EQ(s.elements[1]->nameTag.text, "R2");
    ExpectConsistent(s);

    s.Clear();
    EXPECT_TRUE(s.elements.empty());
    EXPECT_TRUE(s.wires.empty());
    EXPECT_EQ(s.nextElementId, 1);
    EXPECT_EQ(s.nextWireId, 1);
}

} // namespace

namespace {

TEST(SchemeBuilding, PlaceNewSnapsTakesIdsAndJoinRoutesAWire) {
    korvanix::model::Scheme s;
    using namespace korvanix::model;
    Element* r = s.PlaceNew(kind::Resistor, 103, 97, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->x, 104);
    EXPECT_EQ(r->y, 96);
    EXPECT_EQ(r->rotation, 1);
    EXPECT_EQ(r->id, 1);
    EXPECT_EQ(s.PlaceNew(12345), nullptr);
    Element* g = s.PlaceNew(kind::Ground, 200, 200);
    EXPECT_EQ(g->id, 2); // a refused kind takes no id
    Wire* w = s.Join(r, 2, g, 1);
    ASSERT_EQ(s.wires.size(), 1u);
    EXPECT_EQ(s.wires.front().get(), w);
    EXPECT_EQ(r->pins[1].wire, w);
    EXPECT_EQ(g->pins[0].wire, w);
    EXPECT_GE(w->shape.count, 2);
}

} // namespace
