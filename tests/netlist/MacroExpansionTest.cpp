#include "netlist/MacroExpansion.h"

#include "../model/SheetTestSupport.h"

#include "model/Errors.h"
#include "model/Scheme.h"
#include "model/SheetElements.h"
#include "model/Value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace korvanix::model;
using korvanix::netlist::ExpandMacroModels;
using korvanix::netlist::MacroModelText;
using korvanix::netlist::PruneShortedElements;
using sheet_test::ExpectConsistent;
using sheet_test::Join;
using sheet_test::Place;

namespace {

// A macro element whose every terminal is wired to pin 1 of a resistor of its own;
// the resistors' pins 2 go to one ground. After expansion, the node of resistor k's
// pin 1 is the node terminal k landed on.
struct Fixture {
    Scheme s;
    Element* macro = nullptr;
    std::vector<Element*> probes; // one per terminal, by pin

    Fixture(ElementKind k, std::vector<double> params, bool wirePin4 = false) {
        macro = Place(s, k, 400, 400);
        for (std::size_t i = 0; i < params.size(); ++i)
            macro->SetParam(static_cast<int>(i), params[i]);
        Element* ground = Place(s, kind::Ground, 0, 0);
        const int terminals = macro->PinCount() == 4 && !wirePin4 ? 3 : macro->PinCount();
        for (int p = 1; p <= terminals; ++p) {
            Element* r = Place(s, kind::Resistor, 100 * p, 100);
            Join(s, macro, p, r, 1);
            Element* con = Place(s, kind::Connector, 100 * p, 200);
            Join(s, r, 2, con, 1);
            Join(s, con, 2, ground, 1);
            probes.push_back(r);
        }
    }

    Element* Working(const Element* sheetElement) const {
        for (const auto& e : s.workingElements)
            if (e->id == sheetElement->id)
                return e;
        return nullptr;
    }

    // The generated circuit elements as "S a b v" / "R a b v" lines, nodes named by
    // the terminal they belong to ("0" for ground) and other nodes "a", "b" in order
    // of first appearance.
    std::vector<std::string> Describe() const {
        NumberNodes(s.workingWires);
        std::map<int, std::string> names{{0, "0"}};
        for (std::size_t k = 0; k < probes.size(); ++k) {
            const Element* probe = Working(probes[k]);
            EXPECT_TRUE(probe);
            if (!probe)
                return {};
            const int node = probe->PinNode(1);
            const std::string name = k == 3 ? "2" : std::to_string(k + 1);
            if (names.count(node) && names[node] != name)
                ADD_FAILURE() << "terminals " << names[node] << " and " << name << " share a node";
            names[node] = name;
        }
        std::set<int32_t> sheetIds;
        for (const auto& e : s.elements)
            sheetIds.insert(e->id);
        char internal = 'a';
        std::vector<std::string> lines;
        for (const auto& e : s.workingElements) {
            if (!e->IsCircuitElement() || sheetIds.count(e->id))
                continue;
            std::string line = KindPrefix(e->kind);
            for (int p = 1; p <= 2; ++p) {
                const int node = e->PinNode(p);
                if (!names.count(node))
                    names[node] = std::string(1, internal++);
                line += " " + names[node];
            }
            line += " " + FormatNumber(e->GetParam(0), 12);
            lines.push_back(line);
        }
        return lines;
    }
};

std::vector<std::string> Gyrator(const std::string& a, const std::string& b, const std::string& c,
                                 const std::string& v, const std::string& minusV) {
    return {"S " + b + " " + a + " " + v, "S " + a + " " + b + " " + minusV,
            "S " + a + " " + c + " " + v, "S " + c + " " + a + " " + minusV,
            "S " + c + " " + b + " " + v, "S " + b + " " + c + " " + minusV};
}

std::vector<std::string> Vccs(const std::string& a, const std::string& b, const std::string& c,
                              const std::string& v, const std::string& minusV) {
    return {"S " + a + " " + b + " " + minusV, "S " + a + " " + c + " " + v,
            "S " + b + " " + c + " " + minusV};
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct TemplateCase {
    const char* name;
    ElementKind kind;
    std::vector<double> params;
    std::vector<std::string> expected;
};

void PrintTo(const TemplateCase& c, std::ostream* os) {
    *os << c.name;
}

class Templates : public ::testing::TestWithParam<TemplateCase> {};

// Each macro element becomes the primitives of its template, recursively, with the
// terminals on the described local nodes and the values in the described signs.
TEST_P(Templates, ExpandIntoPrimitivesOnTheRightNodes) {
    const TemplateCase& c = GetParam();
    Fixture f(c.kind, c.params, true);
    ExpandMacroModels(f.s);
    EXPECT_EQ(f.Describe(), c.expected);
    for (const auto& e : f.s.workingElements)
        EXPECT_TRUE(!e->IsCircuitElement() || IsTwoTerminal(e->kind))
            << "left over: " << KindDisplayName(e->kind);
    ExpectConsistent(f.s.workingElements, f.s.workingWires);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, Templates,
    ::testing::Values(
        TemplateCase{"Vccs", kind::Vccs, {2}, Vccs("1", "2", "3", "2", "-2")},
        TemplateCase{"Vcvs",
                     kind::Vcvs,
                     {3},
                     Concat({Vccs("1", "2", "a", "3", "-3"), Gyrator("a", "2", "3", "1", "-1")})},
        TemplateCase{"Cccs",
                     kind::Cccs,
                     {4},
                     Concat({Gyrator("1", "2", "a", "1", "-1"), Vccs("a", "2", "3", "4", "-4")})},
        TemplateCase{"Ccvs",
                     kind::Ccvs,
                     {5},
                     Concat({Gyrator("1", "2", "a", "1", "-1"), Vccs("a", "2", "b", "5", "-5"),
                             Gyrator("b", "2", "3", "1", "-1")})},
        TemplateCase{"Gyrator", kind::Gyrator, {0.25}, Gyrator("1", "2", "3", "0.25", "-0.25")},
        TemplateCase{
            "Transformer",
            kind::Transformer,
            {10},
            Concat({Gyrator("a", "2", "3", "10", "-10"), Gyrator("1", "2", "a", "1", "-1")})},
        TemplateCase{"Lamp",
                     kind::Tube,
                     {0.002, 50000},
                     {"S 1 3 0.002", "S 1 2 -0.002", "S 3 2 0.002", "R 2 3 50000"}},
        TemplateCase{
            "Transistor",
            kind::Transistor,
            {0.99, 2, 100000, 10},
            {"S 1 a -0.495", "S 1 3 0.495", "S a 3 -0.495", "R 1 a 2", "R a 3 100000", "R 2 a 10"}},
        TemplateCase{"OpAmp",
                     kind::OpAmp,
                     {1e9},
                     Concat({{"S 1 a 1000000000", "S 1 0 -1000000000", "S 2 a -1000000000",
                              "S 2 0 1000000000"},
                             Gyrator("a", "0", "3", "1", "-1")})}),
    [](const ::testing::TestParamInfo<TemplateCase>& param) { return param.param.name; });

TEST(MacroModelText, PrintsValuesWithTwelveDigits) {
    Scheme s;
    Element* t = Place(s, kind::Transistor, 0, 0);
    t->SetParam(0, 0.98);
    t->SetParam(1, 3);
    EXPECT_EQ(MacroModelText(*t), "S 1 4 -0.326666666667|S 1 3 0.326666666667|"
                                  "S 4 3 -0.326666666667|R 1 4 3|R 4 3 100000|R 2 4 10|");
    Element* v = Place(s, kind::Vcvs, 0, 0);
    v->SetParam(0, 1e-20);
    EXPECT_EQ(MacroModelText(*v), "ИТУН 1 2 4 1e-20|G 4 2 3 1|");
    EXPECT_EQ(MacroModelText(*Place(s, kind::Resistor, 0, 0)), "");
}

TEST(ExpandMacroModels, VcvsBecomesNineUnistorsAllMappedToIt) {
    Fixture f(kind::Vcvs, {3});
    std::vector<int32_t> generated{99}, origin{98}; // stale content goes
    ExpandMacroModels(f.s, &generated, &origin);

    std::vector<int32_t> unistors;
    int connectors = 0;
    for (const auto& e : f.s.workingElements) {
        EXPECT_TRUE(e->kind < kind::Vccs) << KindDisplayName(e->kind);
        if (e->kind == kind::Unistor)
            unistors.push_back(e->id);
        if (e->kind == kind::Connector)
            ++connectors;
    }
    ASSERT_EQ(unistors.size(), 9u);
    // Three connectors of the sheet; the subcircuits' node connectors (4 + 3 + 3)
    // and the connectors their chains brought in.
    EXPECT_GE(connectors, 3 + 10);

    // The ИТУН and the gyrator the first subcircuit brought in are listed too, then
    // their primitives in working-list order; everything stands for the ИНУН.
    ASSERT_EQ(generated.size(), 11u);
    ASSERT_EQ(origin.size(), 11u);
    for (int32_t id : origin)
        EXPECT_EQ(id, f.macro->id);
    std::vector<int32_t> present;
    for (int32_t id : generated)
        if (std::find(unistors.begin(), unistors.end(), id) != unistors.end())
            present.push_back(id);
    EXPECT_EQ(present, unistors);

    // Display names of generated primitives are defined.
    for (std::size_t k = 0; k < 9; ++k) {
        const auto it = std::find_if(f.s.workingElements.begin(), f.s.workingElements.end(),
                                     [&](const auto& e) { return e->id == unistors[k]; });
        EXPECT_EQ((*it)->Name(), "S" + std::to_string(k + 1));
    }
}

TEST(ExpandMacroModels, GeneratedIdsFollowTheLargestSheetIds) {
    Fixture f(kind::Vccs, {1});
    int32_t largest = 0;
    for (const auto& e : f.s.elements)
        largest = std::max(largest, e->id);
    std::vector<int32_t> generated, origin;
    ExpandMacroModels(f.s, &generated, &origin);
    // The builder's ids start at 1 and are shifted by the next free id.
    EXPECT_EQ(generated, (std::vector<int32_t>{largest + 2, largest + 3, largest + 4}));

    std::set<int32_t> elementIds, wireIds;
    for (const auto& e : f.s.workingElements)
        EXPECT_TRUE(elementIds.insert(e->id).second) << "element id " << e->id << " twice";
    for (const auto& w : f.s.workingWires)
        EXPECT_TRUE(wireIds.insert(w->id).second) << "wire id " << w->id << " twice";
}

TEST(ExpandMacroModels, LeavesTheSheetAloneAndRebuildsTheCopyEachTime) {
    Fixture f(kind::Tube, {0.001, 1e5});
    Element* label = Place(f.s, kind::Text, 500, 500);
    const std::size_t sheetElements = f.s.elements.size();
    const std::size_t sheetWires = f.s.wires.size();

    std::vector<int32_t> generated, origin;
    ExpandMacroModels(f.s, &generated, &origin);
    const std::vector<std::string> first = f.Describe();
    const std::size_t workingElements = f.s.workingElements.size();
    ExpandMacroModels(f.s, &generated, &origin);
    EXPECT_EQ(f.Describe(), first);
    EXPECT_EQ(f.s.workingElements.size(), workingElements);
    EXPECT_EQ(generated.size(), 4u);

    EXPECT_EQ(f.s.elements.size(), sheetElements);
    EXPECT_EQ(f.s.wires.size(), sheetWires);
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(f.macro->pins[static_cast<std::size_t>(p - 1)].wire->EndElement(1), f.macro);
    ExpectConsistent(f.s);
    for (const auto& e : f.s.workingElements)
        EXPECT_NE(e->kind, kind::Text);
    EXPECT_EQ(label->kind, kind::Text);
}

TEST(ExpandMacroModels, LampIsThreeUnistorsAndTheInternalResistance) {
    Fixture f(kind::Tube, {0.001, 1e5});
    ExpandMacroModels(f.s);
    int unistors = 0;
    std::vector<const Element*> resistors;
    for (const auto& e : f.s.workingElements) {
        if (e->kind == kind::Unistor)
            ++unistors;
        if (e->kind == kind::Resistor && !f.s.FindElement(e->id))
            resistors.push_back(e);
    }
    EXPECT_EQ(unistors, 3);
    ASSERT_EQ(resistors.size(), 1u);
    NumberNodes(f.s.workingWires);
    const int anode = f.Working(f.probes[1])->PinNode(1);
    const int cathode = f.Working(f.probes[2])->PinNode(1);
    EXPECT_EQ(resistors[0]->PinNode(1), anode);
    EXPECT_EQ(resistors[0]->PinNode(2), cathode);
    EXPECT_DOUBLE_EQ(resistors[0]->GetParam(0), 1e5);
}

// The op-amp's output stage refers to ground even on a sheet that has none.
TEST(ExpandMacroModels, OpAmpBringsItsOwnGround) {
    Scheme s;
    Element* amp = Place(s, kind::OpAmp, 0, 0);
    std::vector<Element*> loads;
    for (int p = 1; p <= 3; ++p) {
        loads.push_back(Place(s, kind::Resistor, 100 * p, 100));
        Join(s, amp, p, loads.back(), 1);
    }
    ExpandMacroModels(s);
    const Element* ground = nullptr;
    for (const auto& e : s.workingElements)
        if (e->kind == kind::Ground)
            ground = e;
    ASSERT_TRUE(ground);
    ASSERT_TRUE(ground->pins[0].wire);
    EXPECT_EQ(ground->pins[0].wire->FarElement(ground, 1)->kind, kind::Connector);

    NumberNodes(s.workingWires);
    int onGround = 0;
    for (const auto& e : s.workingElements)
        if (e->kind == kind::Unistor && e->PinNode(2) == 0)
            ++onGround;
    // "S 1 0", "S 2 0" and two of the gyrator's "G 4 0 3" unistors.
    EXPECT_EQ(onGround, 4);
    for (const Element* load : loads) {
        const Element* w = nullptr;
        for (const auto& e : s.workingElements)
            if (e->id == load->id)
                w = e;
        ASSERT_TRUE(w);
        EXPECT_GT(w->PinNode(1), 0);
    }
}

TEST(ExpandMacroModels, CommonTerminalWiresBothLandOnNodeTwo) {
    Fixture f(kind::Gyrator, {1}, true);
    ExpandMacroModels(f.s);
    NumberNodes(f.s.workingWires);
    const int pin2 = f.Working(f.probes[1])->PinNode(1);
    EXPECT_GT(pin2, 0);
    EXPECT_EQ(f.Working(f.probes[3])->PinNode(1), pin2);
    EXPECT_NE(f.Working(f.probes[0])->PinNode(1), pin2);
}

TEST(ExpandMacroModels, UnwiredTerminalsAndDirectlyJoinedMacrosExpand) {
    Scheme s;
    Element* a = Place(s, kind::Gyrator, 0, 0);
    Element* b = Place(s, kind::Cccs, 200, 0);
    Join(s, a, 3, b, 1); // macro to macro, no connector between
    std::vector<int32_t> generated, origin;
    ExpandMacroModels(s, &generated, &origin);
    int unistors = 0;
    for (const auto& e : s.workingElements) {
        EXPECT_FALSE(korvanix::netlist::IsMacroKind(e->kind));
        unistors += e->kind == kind::Unistor;
    }
    EXPECT_EQ(unistors, 6 + 9);
    ExpectConsistent(s.workingElements, s.workingWires);
    EXPECT_EQ(std::count(origin.begin(), origin.end(), a->id), 6);
    EXPECT_EQ(std::count(origin.begin(), origin.end(), b->id), 2 + 9);
}

TEST(ExpandMacroModels, ValueThatDoesNotReadBackStopsWith4100) {
    Fixture f(kind::Gyrator, {1});
    f.macro->SetParam(0, std::numeric_limits<double>::infinity());
    try {
        ExpandMacroModels(f.s);
        FAIL() << "no error";
    } catch (const SchemeError& e) {
        EXPECT_EQ(e.Code(), 4100);
        EXPECT_TRUE(e.HasMessage());
        EXPECT_EQ(e.Message(), "Подсхема: ошибка в строке 1");
        EXPECT_EQ(e.GetElement(), nullptr);
    }
}

// ---- pruning

TEST(PruneShortedElements, RemovesAShortedResistorButKeepsAShortedSource) {
    Scheme s;
    Element* con = Place(s, kind::Connector, 0, 0);
    Element* r = Place(s, kind::Resistor, 100, 0);
    Element* u = Place(s, kind::VoltageSource, 200, 0);
    Element* i = Place(s, kind::CurrentSource, 300, 0);
    Element* g = Place(s, kind::Ground, 0, 100);
    Element* selfLooped = Place(s, kind::Capacitor, 400, 0);
    Element* open = Place(s, kind::Resistor, 500, 0);
    Join(s, r, 1, con, 1);
    Join(s, r, 2, con, 3);
    Join(s, u, 1, g, 1);
    Join(s, u, 2, con, 2);
    Join(s, i, 1, i, 2);
    Join(s, selfLooped, 1, selfLooped, 2); // one wire on both pins, removed once
    Join(s, open, 1, con, 4);
    ExpandMacroModels(s);
    PruneShortedElements(s);

    std::set<int32_t> kept;
    for (const auto& e : s.workingElements)
        kept.insert(e->id);
    EXPECT_FALSE(kept.count(r->id));
    EXPECT_FALSE(kept.count(selfLooped->id));
    EXPECT_TRUE(kept.count(u->id));
    EXPECT_TRUE(kept.count(i->id));
    EXPECT_TRUE(kept.count(open->id)) << "a pin without a wire is not a short";
    // The resistor's wires are gone and the connector's pins 1 and 3 free again.
    EXPECT_EQ(s.workingWires.size(), s.wires.size() - 3);
    const Element* workingCon = nullptr;
    for (const auto& e : s.workingElements)
        if (e->id == con->id)
            workingCon = e;
    ASSERT_TRUE(workingCon);
    EXPECT_FALSE(workingCon->pins[0].wire);
    EXPECT_FALSE(workingCon->pins[2].wire);
    EXPECT_TRUE(workingCon->pins[1].wire);
    ExpectConsistent(s.workingElements, s.workingWires);
}

// A unistor driven from ground does nothing; its pin-2 node must survive it even
// when only a wire straight to another element held it.
TEST(PruneShortedElements, GroundedUnistorLeavesAConnectorForItsSecondNode) {
    Scheme s;
    Element* g = Place(s, kind::Ground, 0, 0);
    Element* su = Place(s, kind::Unistor, 100, 0);
    Element* c = Place(s, kind::Capacitor, 200, 0);
    Element* g2 = Place(s, kind::Ground, 300, 0);
    Element* shorted = Place(s, kind::Unistor, 400, 0);
    Element* con = Place(s, kind::Connector, 500, 0);
    Join(s, su, 1, g, 1);
    Wire* toC = Join(s, su, 2, c, 1);
    Join(s, c, 2, g2, 1);
    Join(s, shorted, 2, con, 3);
    Join(s, shorted, 1, con, 1); // both pins on one node, not ground
    ExpandMacroModels(s);
    const std::size_t before = s.workingElements.size();
    PruneShortedElements(s);

    const Element* keeper = nullptr;
    const Element* workingC = nullptr;
    for (const auto& e : s.workingElements) {
        EXPECT_NE(e->id, su->id);
        EXPECT_NE(e->id, shorted->id);
        if (e->id == c->id)
            workingC = e;
        if (e->kind == kind::Connector && !s.FindElement(e->id))
            keeper = e;
    }
    // Two removed, one connector added.
    EXPECT_EQ(s.workingElements.size(), before - 1);
    ASSERT_TRUE(keeper);
    ASSERT_TRUE(workingC);
    const Wire* w = workingC->pins[0].wire;
    ASSERT_TRUE(w);
    EXPECT_EQ(w->id, toC->id);
    EXPECT_EQ(w->FarElement(workingC, 1), keeper);
    EXPECT_GT(keeper->id, con->id);
    for (const auto& e : s.workingElements) {
        if (e != keeper) {
            EXPECT_NE(e->id, keeper->id);
        }
    }

    NumberNodes(s.workingWires);
    EXPECT_GT(workingC->PinNode(1), 0);
    EXPECT_EQ(workingC->PinNode(2), 0);
    ExpectConsistent(s.workingElements, s.workingWires);
}

TEST(PruneShortedElements, ExpandedOpAmpLosesTheUnistorsDrivenFromGround) {
    Fixture f(kind::OpAmp, {1e6});
    ExpandMacroModels(f.s);
    PruneShortedElements(f.s);
    NumberNodes(f.s.workingWires);
    int unistors = 0;
    for (const auto& e : f.s.workingElements) {
        if (e->kind != kind::Unistor)
            continue;
        ++unistors;
        EXPECT_NE(e->PinNode(1), 0);
        EXPECT_NE(e->PinNode(1), e->PinNode(2));
    }
    // Of the gyrator "G 4 0 3": "S 0 4" and "S 0 3" go.
    EXPECT_EQ(unistors, 4 + 6 - 2);
    for (const Element* probe : f.probes)
        EXPECT_GT(f.Working(probe)->PinNode(1), 0);
    ExpectConsistent(f.s.workingElements, f.s.workingWires);
}

} // namespace
