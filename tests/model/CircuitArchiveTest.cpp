#include "SheetTestSupport.h"

#include "model/CircuitArchive.h"
#include "model/Errors.h"
#include "model/Scheme.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace korvanix::model;
using namespace sheet_test;

namespace {

struct ElementEntry {
    ElementKind kind;
    int32_t id;
    // Stored (wire id, wire end) per pin, from pin 1; missing pins store none.
    std::vector<std::pair<int32_t, int32_t>> pinRefs;
};

using WireEntry = std::array<int32_t, 5>; // id, end 1 element, pin, end 2 element, pin

std::vector<uint8_t> Build(const std::vector<ElementEntry>& elements,
                           const std::vector<WireEntry>& wires) {
    ArchiveWriter ar;
    ar.WriteInt32(static_cast<int32_t>(elements.size()));
    for (const ElementEntry& e : elements)
        ar.WriteInt32(e.kind);
    ar.WriteInt32(static_cast<int32_t>(wires.size()));
    for (const ElementEntry& entry : elements) {
        auto e = ElementFactory(entry.kind, entry.id);
        for (std::size_t i = 0; i < entry.pinRefs.size() && i < e->pins.size(); ++i) {
            e->pins[i].wireId = entry.pinRefs[i].first;
            e->pins[i].wireEnd = entry.pinRefs[i].second;
        }
        e->Save(ar);
    }
    for (const WireEntry& w : wires)
        for (int32_t v : w)
            ar.WriteInt32(v);
    return ar.TakeBytes();
}

std::vector<uint8_t> Ints(std::initializer_list<int32_t> values) {
    ArchiveWriter ar;
    for (int32_t v : values)
        ar.WriteInt32(v);
    return ar.TakeBytes();
}

// Two resistors joined by wire 5 from R(1) pin 2 to R(2) pin 1.
std::vector<ElementEntry> TwoJoinedResistors() {
    return {{kind::Resistor, 1, {{0, 0}, {5, 1}}}, {kind::Resistor, 2, {{5, 2}, {0, 0}}}};
}

// A small sheet: resistor, connector, ground and text label, two wires.
class SmallSheet : public ::testing::Test {
protected:
    void SetUp() override {
        r = Place(s, kind::Resistor, 96, 96);
        c = Place(s, kind::Connector, 296, 96);
        g = Place(s, kind::Ground, 496, 200);
        t = Place(s, kind::Text, 96, 296);
        Join(s, r, 2, c, 1);
        Join(s, c, 3, g, 1);
    }

    std::vector<uint8_t> Write() const {
        std::vector<Element*> elements;
        for (const auto& e : s.elements)
            elements.push_back(e.get());
        std::vector<Wire*> wires;
        for (const auto& w : s.wires)
            wires.push_back(w.get());
        ArchiveWriter ar;
        WriteObjects(ar, elements, wires);
        return ar.TakeBytes();
    }

    Scheme s;
    Element* r = nullptr;
    Element* c = nullptr;
    Element* g = nullptr;
    Element* t = nullptr;
};

TEST_F(SmallSheet, WritesCountsAndKindsFirst) {
    const std::vector<uint8_t> bytes = Write();
    ArchiveReader in(bytes);
    EXPECT_EQ(in.ReadInt32(), 4);
    for (int32_t k : {1000, 300, 200, 900})
        EXPECT_EQ(in.ReadInt32(), k);
    EXPECT_EQ(in.ReadInt32(), 2);
    // The wire records close the stream: id, element and pin at each end.
    ArchiveReader tail(bytes.data() + bytes.size() - 40, 40);
    for (int32_t v : {1, 1, 2, 2, 1, 2, 2, 3, 3, 1})
        EXPECT_EQ(tail.ReadInt32(), v);
}

TEST_F(SmallSheet, ReadsBackTheSameObjectsAndConnections) {
    const std::vector<uint8_t> bytes = Write();
    ArchiveReader in(bytes);
    ElementList elements;
    WireList wires;
    ReadObjects(in, elements, wires);
    EXPECT_TRUE(in.AtEnd());
    ASSERT_EQ(elements.size(), 4u);
    ASSERT_EQ(wires.size(), 2u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(elements[i]->kind, s.elements[i]->kind);
        EXPECT_EQ(elements[i]->id, s.elements[i]->id);
        EXPECT_EQ(elements[i]->x, s.elements[i]->x);
        EXPECT_EQ(elements[i]->y, s.elements[i]->y);
    }
    EXPECT_TRUE(Joins(wires[0].get(), elements[0].get(), 2, elements[1].get(), 1));
    EXPECT_TRUE(Joins(wires[1].get(), elements[1].get(), 3, elements[2].get(), 1));
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(wires[i]->shape.count, s.wires[i]->shape.count);
        for (int k = 0; k < wires[i]->shape.count; ++k)
            EXPECT_EQ(wires[i]->shape.points[k], s.wires[i]->shape.points[k]);
    }
    ExpectConsistent(elements, wires);
}

TEST(CircuitArchive, EmptyListsAreTwoZeros) {
    ArchiveWriter ar;
    WriteObjects(ar, {}, {});
    EXPECT_EQ(ar.Bytes(), Ints({0, 0}));
    ArchiveReader in(ar.Bytes());
    ElementList elements;
    WireList wires;
    ReadObjects(in, elements, wires);
    EXPECT_TRUE(elements.empty());
    EXPECT_TRUE(wires.empty());
}

// --- Corrupt streams ---------------------------------------------------------------------

struct CorruptCase {
    const char* name;
    std::function<std::vector<uint8_t>()> bytes;
};

std::ostream& operator<<(std::ostream& os, const CorruptCase& c) {
    return os << c.name;
}

std::vector<uint8_t> Truncated(std::vector<uint8_t> bytes, std::size_t cut) {
    bytes.resize(bytes.size() - cut);
    return bytes;
}

const CorruptCase kCorrupt[] = {
    {"Empty", [] { return std::vector<uint8_t>{}; }},
    {"NegativeElementCount",
     [] {
         return Ints({-1, 0});
     }},
    {"HugeElementCount",
     [] {
         return Ints({0x7fffffff, 1000, 1000, 0});
     }},
    {"ElementCountBeyondTheKinds",
     [] {
         return Ints({3, 1000, 0});
     }},
    {"NegativeWireCount",
     [] {
         return Ints({0, -1});
     }},
    {"HugeWireCount",
     [] {
         return Ints({0, 0x7fffffff, 1, 2, 3, 4, 5});
     }},
    {"UnknownKind",
     [] {
         std::vector<uint8_t> b = Build({{kind::Resistor, 1, {}}}, {});
         b[4] = 0xEC; // 1004: no such element
         return b;
     }},
    {"RecordOfAnotherKind",
     [] {
         std::vector<uint8_t> b = Build({{kind::Resistor, 1, {}}}, {});
         b[4] = 0xE9; // the list says capacitor, the record says resistor
         return b;
     }},
    {"TruncatedElementRecord",
     [] {
         return Truncated(Build({{kind::Resistor, 1, {}}}, {}), 3);
     }},
    {"TruncatedWireRecord",
     [] {
         return Truncated(Build(TwoJoinedResistors(), {{5, 1, 2, 2, 1}}), 4);
     }},
    {"WirePinBeyondTheElement",
     [] {
         return Build(TwoJoinedResistors(), {{5, 1, 3, 2, 1}});
     }},
    {"WirePinZeroOnAnElement",
     [] {
         return Build(TwoJoinedResistors(), {{5, 1, 2, 2, 0}});
     }},
    {"NegativeWirePin",
     [] {
         return Build(TwoJoinedResistors(), {{5, 1, -2, 2, 1}});
     }},
};

class ReadCorrupt : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(ReadCorrupt, ThrowsCode100WithoutANameAndLeavesNothing) {
    const std::vector<uint8_t> bytes = GetParam().bytes();
    ArchiveReader in(bytes);
    ElementList elements;
    elements.push_back(ElementFactory(kind::Resistor, 9));
    WireList wires;
    wires.push_back(std::make_unique<Wire>(9));
    try {
        ReadObjects(in, elements, wires);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), FileError::Corrupt);
        EXPECT_EQ(e.FileName(), "");
    }
    EXPECT_TRUE(elements.empty());
    EXPECT_TRUE(wires.empty());
}

std::string CorruptName(const ::testing::TestParamInfo<CorruptCase>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Streams, ReadCorrupt, ::testing::ValuesIn(kCorrupt), CorruptName);

// --- Inconsistent references -----------------------------------------------------------

struct ReferenceCase {
    const char* name;
    std::vector<ElementEntry> elements;
    std::vector<WireEntry> wires;
    int linkedPins; // pins left holding a wire after resolution
};

std::ostream& operator<<(std::ostream& os, const ReferenceCase& c) {
    return os << c.name;
}

const ReferenceCase kReferences[] = {
    {"Consistent", TwoJoinedResistors(), {{5, 1, 2, 2, 1}}, 2},
    {"PinNamesAMissingWire", TwoJoinedResistors(), {{6, 1, 2, 2, 1}}, 0},
    {"WireEndNamesAMissingElement", TwoJoinedResistors(), {{5, 1, 2, 99, 77}}, 1},
    {"WireEndPointsElsewhere", TwoJoinedResistors(), {{5, 1, 1, 2, 1}}, 1},
    {"PinStoresTheWrongEnd",
     {{kind::Resistor, 1, {{0, 0}, {5, 2}}}, {kind::Resistor, 2, {{5, 2}, {0, 0}}}},
     {{5, 1, 2, 2, 1}},
     2},
    {"BothEndsOnOnePin", {{kind::Resistor, 1, {{0, 0}, {5, 1}}}}, {{5, 1, 2, 1, 2}}, 1},
    {"DuplicateWireIds",
     {{kind::Resistor, 1, {{5, 2}, {5, 1}}}, {kind::Resistor, 2, {{5, 2}, {5, 1}}}},
     {{5, 1, 2, 2, 1}, {5, 2, 2, 1, 1}},
     2},
    {"DuplicateElementIds",
     {{kind::Resistor, 1, {{0, 0}, {5, 1}}}, {kind::Resistor, 1, {{5, 2}, {0, 0}}}},
     {{5, 1, 2, 1, 1}},
     1},
};

class ReadReferences : public ::testing::TestWithParam<ReferenceCase> {};

// Only links that both sides name survive, so no pin can outlive its wire: the
// sheet operations afterwards must neither crash nor leave stale references.
TEST_P(ReadReferences, KeepOnlyLinksBothSidesAgreeOn) {
    const ReferenceCase& c = GetParam();
    const std::vector<uint8_t> bytes = Build(c.elements, c.wires);
    ArchiveReader in(bytes);
    ElementList elements;
    WireList wires;
    ReadObjects(in, elements, wires);
    ASSERT_EQ(elements.size(), c.elements.size());
    ASSERT_EQ(wires.size(), c.wires.size());
    ExpectConsistent(elements, wires);
    int linked = 0;
    for (const auto& e : elements)
        for (const Pin& p : e->pins)
            linked += p.wire != nullptr;
    EXPECT_EQ(linked, c.linkedPins);

    Scheme s;
    s.AdoptLoaded(std::move(elements), std::move(wires));
    ExpectConsistent(s);
    // Repeated ids are replaced, so every id names one object and new ones are free.
    std::set<int32_t> elementIds;
    for (const auto& e : s.elements) {
        EXPECT_TRUE(elementIds.insert(e->id).second) << e->id;
        EXPECT_LT(e->id, s.nextElementId);
    }
    std::set<int32_t> wireIds;
    for (const auto& w : s.wires) {
        EXPECT_TRUE(wireIds.insert(w->id).second) << w->id;
        EXPECT_LT(w->id, s.nextWireId);
    }
    while (!s.elements.empty()) {
        s.DeleteElement(s.elements.front().get());
        s.RenumberNodes();
        ExpectConsistent(s);
    }
}

std::string ReferenceName(const ::testing::TestParamInfo<ReferenceCase>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Streams, ReadReferences, ::testing::ValuesIn(kReferences), ReferenceName);

TEST(CircuitArchive, IdsWithNoRoomLeftAreReplacedOnAdoption) {
    const std::vector<uint8_t> bytes =
        Build({{kind::Resistor, 0x7fffffff, {{0, 0}, {0x7fffffff, 1}}},
               {kind::Resistor, 7, {{0x7fffffff, 2}, {0, 0}}}},
              {{0x7fffffff, 0x7fffffff, 2, 7, 1}});
    ArchiveReader in(bytes);
    ElementList elements;
    WireList wires;
    ReadObjects(in, elements, wires);
    Scheme s;
    s.AdoptLoaded(std::move(elements), std::move(wires));
    EXPECT_EQ(s.elements[0]->id, 1);
    EXPECT_EQ(s.elements[1]->id, 2);
    EXPECT_EQ(s.wires[0]->id, 1);
    EXPECT_EQ(s.nextElementId, 3);
    EXPECT_EQ(s.nextWireId, 2);
    EXPECT_EQ(s.elements[0]->pins[1].wireId, 1);
    EXPECT_EQ(s.wires[0]->end1Id, 1);
    EXPECT_EQ(s.wires[0]->end2Id, 2);
    ExpectConsistent(s);
}

} // namespace
