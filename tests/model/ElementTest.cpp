#include "model/Element.h"
#include "model/ElementKind.h"
#include "model/Errors.h"
#include "model/LogFont.h"
#include "model/MultiPinElements.h"
#include "model/NameTag.h"
#include "model/PassiveElements.h"
#include "model/SheetElements.h"
#include "model/Wire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace korvanix::model {
namespace {

std::unique_ptr<Element> Make(ElementKind k, int32_t id = 1) {
    auto e = ElementFactory(k, id);
    EXPECT_NE(e, nullptr) << k;
    return e;
}

std::vector<uint8_t> Record(const Element& e) {
    ArchiveWriter ar;
    e.Save(ar);
    return ar.Bytes();
}

int SchemeErrorCode(Element& e, int i, double v) {
    try {
        e.SetParam(i, v);
    } catch (const SchemeError& err) {
        return err.Code();
    }
    return 0;
}

int FileErrorCode(Element& e, const std::vector<uint8_t>& bytes) {
    ArchiveReader ar(bytes);
    try {
        e.Load(ar);
    } catch (const FileError& err) {
        return err.Code();
    }
    return 0;
}

// A numbered wire standing in for the sheet's, attached by hand so that the tests
// need nothing but the element's own pin table.
struct NumberedWire {
    explicit NumberedWire(int node, int32_t id = 1) : wire(id) {
        wire.numbered = true;
        wire.node = node;
    }
    Wire wire;
};

void Connect(Element& e, int pin, Wire& w, int end = 1) {
    e.pins[static_cast<std::size_t>(pin - 1)].wire = &w;
    e.pins[static_cast<std::size_t>(pin - 1)].wireEnd = end;
    e.pins[static_cast<std::size_t>(pin - 1)].wireId = w.id;
}

// ---------------------------------------------------------------- kind table

struct KindRow {
    ElementKind kind;
    const char* display;
    const char* prefix;
    int rank;
};

TEST(ElementKindTest, DisplayNamePrefixAndRank) {
    const KindRow rows[] = {
        {200, "Земля", "GND", 50},
        {300, "Соединитель", "CON", 60},
        {900, "Неизвестный", "Неизвестный", 0},
        {1000, "Резистор", "R", 10},
        {1001, "Конденсатор", "C", 20},
        {1002, "Индуктивность", "L", 30},
        {1003, "Унистор", "S", 40},
        {2000, "Источник напряжения", "U", 100},
        {2001, "Источник напряжения", "U", 100},
        {2010, "Источник напряжения", "U", 100},
        {3001, "Источник тока", "I", 200},
        {3002, "Источник тока", "I", 200},
        {3010, "Источник тока", "I", 200},
        {6000, "ИТУН", "ИТУН", 210},
        {6001, "ИНУН", "ИНУН", 220},
        {6002, "ИТУТ", "ИТУТ", 210},
        {6003, "ИНУТ", "ИНУТ", 220},
        {6100, "Гиратор", "G", 300},
        {6101, "Идеальный трансформатор", "TR", 310},
        {6200, "Лампа", "VT", 400},
        {6300, "Биполярный транзистор n-p-n типа", "V", 410},
        {6400, "Идеальный ОУ", "ОУ", 420},
        {1234, "Неизвестный", "Неизвестный", 0},
        {-1, "Неизвестный", "Неизвестный", 0},
    };
    for (const KindRow& r : rows) {
        SCOPED_TRACE(r.kind);
        EXPECT_EQ(KindDisplayName(r.kind), r.display);
        EXPECT_EQ(KindPrefix(r.kind), r.prefix);
        EXPECT_EQ(KindSortRank(r.kind), r.rank);
    }
}

TEST(ElementKindTest, KindFromNameNeedsDigitOrCommaAfterPrefix) {
    const struct {
        const char* text;
        ElementKind kind;
    } cases[] = {
        {"R1", 1000},      {"R,", 1000},    {"Rx", -1},        {"R", -1},       {"", -1},
        {"C12,1,0", 1001}, {"L1", 1002},    {"S,1,2,3", 1003}, {"U1", 2010},    {"I1", 3010},
        {"ИТУН2", 6000},   {"ИНУН1", 6001}, {"ИТУТ1", 6002},   {"ИНУТ,", 6003}, {"ИТУ1", -1},
        {"G1", 6100},      {"GND1", -1},    {"TR1", 6101},     {"T1", -1},      {"V1", 6300},
        {"VТ1", 6200},     {"VТ,", 6200},   {"VT1", -1},       {"ОУ1", 6400},   {"OУ1", -1},
        {"r1", -1},        {" R1", -1},     {"X1", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KindFromName(c.text), c.kind) << c.text;
}

// ---------------------------------------------------------------- factory

struct ShapeRow {
    ElementKind kind;
    int pins;
    int width;
    int height;
    bool rotate, mirrorX, mirrorY, editable;
    bool showName, showValue;
};

TEST(ElementFactoryTest, EveryKindHasItsShapeAndFlags) {
    const ShapeRow rows[] = {
        {200, 1, 21, 6, true, true, true, false, false, false},
        {300, 4, 10, 10, false, false, false, false, false, false},
        {900, 0, 0, 0, false, false, false, true, false, false},
        {1000, 2, 40, 16, true, false, false, true, true, true},
        {1001, 2, 10, 30, true, false, false, true, true, true},
        {1002, 2, 40, 16, true, false, false, true, true, true},
        {1003, 2, 26, 52, true, true, true, true, true, true},
        {6000, 4, 64, 80, true, true, true, true, true, true},
        {6001, 4, 64, 80, true, true, true, true, true, true},
        {6002, 4, 64, 80, true, true, true, true, true, true},
        {6003, 4, 64, 80, true, true, true, true, true, true},
        {6100, 4, 64, 80, true, true, true, true, true, true},
        {6101, 4, 40, 80, true, true, true, true, true, true},
        {6200, 3, 40, 40, true, true, true, true, true, false},
        {6300, 3, 40, 28, true, true, true, true, true, false},
        {6400, 3, 36, 48, true, true, true, true, true, true},
    };
    for (const ShapeRow& r : rows) {
        SCOPED_TRACE(r.kind);
        auto e = Make(r.kind, 42);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->kind, r.kind);
        EXPECT_EQ(e->id, 42);
        EXPECT_EQ(e->PinCount(), r.pins);
        EXPECT_EQ(e->width, r.width);
        EXPECT_EQ(e->height, r.height);
        EXPECT_EQ(e->canRotate, r.rotate);
        EXPECT_EQ(e->canMirrorX, r.mirrorX);
        EXPECT_EQ(e->canMirrorY, r.mirrorY);
        EXPECT_EQ(e->editable, r.editable);
        EXPECT_EQ(e->showNameTag, r.showName);
        EXPECT_EQ(e->showValueTag, r.showValue);
        EXPECT_EQ(e->nameTag.kind, 1);
        EXPECT_EQ(e->valueTag.kind, 2);
    }
}

TEST(ElementFactoryTest, SourcesComeFromTheSourceFactoryAndUnknownCodesGiveNothing) {
    for (ElementKind k : {2000, 2001, 2010, 3001, 3002, 3010})
        EXPECT_NE(ElementFactory(k, 1), nullptr) << k;
    for (ElementKind k : {0, 100, 901, 999, 1004, 2002, 3000, 5000, 6004, 6102, 6500, -200})
        EXPECT_EQ(ElementFactory(k, 1), nullptr) << k;
}

TEST(ElementFactoryTest, PinTablesOfTheKinds) {
    struct PinRow {
        ElementKind kind;
        std::vector<Pin> pins; // offset x, offset y, direction x, direction y
    };
    auto P = [](int ox, int oy, int dx, int dy) {
        Pin p;
        p.offsetX = ox;
        p.offsetY = oy;
        p.dirX = dx;
        p.dirY = dy;
        return p;
    };
    const PinRow rows[] = {
        {200, {P(0, -8, 0, -100)}},
        {300, {P(-9, 0, -100, 0), P(0, -9, 0, -100), P(9, 0, 100, 0), P(0, 9, 0, 100)}},
        {1000, {P(-29, 0, -100, 0), P(29, 0, 100, 0)}},
        {1001, {P(-14, 0, -100, 0), P(14, 0, 100, 0)}},
        {1003, {P(-22, 0, -100, 0), P(22, 0, 100, 0)}},
        {6000, {P(-40, -48, -100, 0), P(-40, 48, -100, 0), P(40, -48, 100, 0), P(40, 48, 100, 0)}},
        {6101, {P(-28, -48, -100, 0), P(-28, 48, -100, 0), P(28, -48, 100, 0), P(28, 48, 100, 0)}},
        {6200, {P(-28, 0, -100, 0), P(0, -28, 0, -100), P(-8, 28, 0, 100)}},
        {6300, {P(-28, -8, -100, 0), P(0, 18, 0, 100), P(28, -8, 100, 0)}},
        {6400, {P(-26, -8, -100, 0), P(-26, 8, -100, 0), P(26, 0, 100, 0)}},
    };
    for (const PinRow& r : rows) {
        SCOPED_TRACE(r.kind);
        auto e = Make(r.kind);
        ASSERT_EQ(e->pins.size(), r.pins.size());
        for (std::size_t i = 0; i < r.pins.size(); ++i) {
            EXPECT_EQ(e->pins[i].offsetX, r.pins[i].offsetX) << i;
            EXPECT_EQ(e->pins[i].offsetY, r.pins[i].offsetY) << i;
            EXPECT_EQ(e->pins[i].dirX, r.pins[i].dirX) << i;
            EXPECT_EQ(e->pins[i].dirY, r.pins[i].dirY) << i;
            EXPECT_EQ(e->pins[i].wire, nullptr);
        }
    }
}

// ---------------------------------------------------------------- geometry

TEST(ElementGeometryTest, TransistorPinsUnderRotationAndMirrors) {
    struct Case {
        int rotation, mirrorX, mirrorY;
        Point pins[3];
        Point dirs[3];
    };
    // Transistor at (100, 200): offsets (-28,-8), (0,18), (28,-8).
    const Case cases[] = {
        {0, 0, 0, {{72, 192}, {100, 218}, {128, 192}}, {{-100, 0}, {0, 100}, {100, 0}}},
        {1, 0, 0, {{108, 172}, {82, 200}, {108, 228}}, {{0, -100}, {-100, 0}, {0, 100}}},
        {2, 0, 0, {{128, 208}, {100, 182}, {72, 208}}, {{100, 0}, {0, -100}, {-100, 0}}},
        {3, 0, 0, {{92, 228}, {118, 200}, {92, 172}}, {{0, 100}, {100, 0}, {0, -100}}},
        {0, 1, 0, {{128, 192}, {100, 218}, {72, 192}}, {{100, 0}, {0, 100}, {-100, 0}}},
        {0, 0, 1, {{72, 208}, {100, 182}, {128, 208}}, {{-100, 0}, {0, -100}, {100, 0}}},
        {1, 1, 0, {{92, 172}, {118, 200}, {92, 228}}, {{0, -100}, {100, 0}, {0, 100}}},
        {1, 0, 1, {{108, 228}, {82, 200}, {108, 172}}, {{0, 100}, {-100, 0}, {0, -100}}},
        {5, 0, 0, {{108, 172}, {82, 200}, {108, 228}}, {{0, -100}, {-100, 0}, {0, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "rotation " << c.rotation << " mirrorX " << c.mirrorX
                                        << " mirrorY " << c.mirrorY);
        BipolarTransistor t(1);
        t.x = 100;
        t.y = 200;
        t.rotation = c.rotation;
        t.mirrorX = c.mirrorX;
        t.mirrorY = c.mirrorY;
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(t.PinPosition(i), c.pins[i - 1]) << "pin " << i;
            EXPECT_EQ(t.ConnectionPoint(i), c.pins[i - 1]) << "pin " << i;
            EXPECT_EQ(t.PinDirection(i), c.dirs[i - 1]) << "pin " << i;
        }
    }
}

TEST(ElementGeometryTest, MirrorsAndRotationApplyOnlyWhereTheKindAllowsThem) {
    Resistor r(1); // rotates, never mirrors
    r.x = 50;
    r.y = 60;
    r.mirrorX = 1;
    r.mirrorY = 1;
    EXPECT_EQ(r.PinPosition(1), (Point{21, 60}));
    EXPECT_EQ(r.PinDirection(1), (Point{-100, 0}));
    r.rotation = 1;
    EXPECT_EQ(r.PinPosition(1), (Point{50, 31}));
    EXPECT_EQ(r.RotatedSize().width, 16);
    EXPECT_EQ(r.RotatedSize().height, 40);

    Connector c(1); // neither rotates nor mirrors
    c.rotation = 1;
    c.mirrorX = 1;
    c.x = 50;
    c.y = 50;
    EXPECT_EQ(c.PinPosition(1), (Point{41, 50}));
    EXPECT_EQ(c.RotatedSize().width, 10);
}

TEST(ElementGeometryTest, InvalidPinIndicesGiveTheOrigin) {
    Resistor r(1);
    r.x = 50;
    r.y = 60;
    for (int i : {0, 3, -1}) {
        EXPECT_EQ(r.PinPosition(i), (Point{0, 0}));
        EXPECT_EQ(r.ConnectionPoint(i), (Point{0, 0}));
        EXPECT_EQ(r.PinDirection(i), (Point{0, 0}));
        EXPECT_EQ(r.PinNode(i), -1);
    }
}

TEST(ElementGeometryTest, ConnectorWiresAttachFourUnitsNearerTheCentre) {
    Connector c(1);
    c.x = 50;
    c.y = 50;
    const Point pins[] = {{41, 50}, {50, 41}, {59, 50}, {50, 59}};
    const Point attach[] = {{45, 50}, {50, 45}, {55, 50}, {50, 55}};
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(c.PinPosition(i), pins[i - 1]);
        EXPECT_EQ(c.ConnectionPoint(i), attach[i - 1]);
    }
}

TEST(ElementGeometryTest, HitTestUsesTheRotatedBody) {
    Resistor r(1); // 40 x 16
    const struct {
        int rotation;
        int x, y;
        bool inside;
    } cases[] = {
        {0, 0, 0, true},  {0, 19, 7, true},   {0, -19, -7, true}, {0, 20, 0, false},
        {0, 0, 8, false}, {0, 0, -8, false},  {1, 7, 19, true},   {1, 19, 7, false},
        {1, 8, 0, false}, {3, -7, -19, true},
    };
    for (const auto& c : cases) {
        r.rotation = c.rotation;
        EXPECT_EQ(r.Contains(c.x, c.y), c.inside) << c.rotation << ": " << c.x << "," << c.y;
    }
    // An odd size keeps its half unit: 21 wide reaches 10.5 each side.
    Ground g(1);
    EXPECT_TRUE(g.Contains(10, 0));
    EXPECT_FALSE(g.Contains(11, 0));
}

TEST(ElementGeometryTest, BoundsCoverBodyMarginAndPins) {
    Resistor r(1);
    EXPECT_EQ(r.Bounds(), (Rect{-35, -15, 35, 15}));
    r.x = 100;
    r.y = 100;
    r.rotation = 1;
    EXPECT_EQ(r.Bounds(), (Rect{85, 65, 115, 135}));
}

TEST(ElementGeometryTest, PinAtIsSixUnitsAroundAPinAndNeverInsideTheBody) {
    Resistor r(1); // pins at (-29, 0) and (29, 0)
    const struct {
        int x, y, pin;
    } cases[] = {
        {-29, 0, 1}, {-24, 3, 1}, {-23, 0, 0}, {-35, 0, 0}, {29, 5, 2}, {29, 6, 0}, {0, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(r.PinAt(c.x, c.y), c.pin) << c.x << "," << c.y;

    // Pins that lie inside the body are never picked.
    Capacitor cap(1); // 10 x 30, pins at (-14, 0) and (14, 0)
    EXPECT_EQ(cap.PinAt(-10, 0), 1);
    EXPECT_EQ(cap.PinAt(-4, 0), 0);
}

TEST(ElementGeometryTest, NearestFreePinSkipsWiredPinsAndPrefersTheLowerOnATie) {
    Resistor r(1);
    EXPECT_EQ(r.NearestFreePin(-10, 0), 1);
    EXPECT_EQ(r.NearestFreePin(10, 0), 2);
    EXPECT_EQ(r.NearestFreePin(0, 0), 1);  // equal distances
    EXPECT_EQ(r.NearestFreePin(0, 20), 0); // outside the bounds
    EXPECT_EQ(r.NearestFreePin(-35, 0), 1);
    EXPECT_EQ(r.NearestFreePin(35, 0), 0); // right edge of the bounds is outside
    NumberedWire w(1);
    Connect(r, 1, w.wire);
    EXPECT_EQ(r.NearestFreePin(-10, 0), 2);
    Connect(r, 2, w.wire, 2);
    EXPECT_EQ(r.NearestFreePin(-10, 0), 0);
}

TEST(ElementGeometryTest, HostileCoordinatesDoNotOverflow) {
    Resistor r(1);
    r.x = 2147483647;
    r.y = -2147483647 - 1;
    EXPECT_EQ(r.PinPosition(2).x, 2147483647);
    EXPECT_EQ(r.PinPosition(1).x, 2147483647 - 29);
    EXPECT_FALSE(r.Contains(0, 0));
    EXPECT_EQ(r.PinAt(0, 0), 0);
    (void)r.Bounds();
    r.nameTag.size = {30, 14};
    r.valueTag.size = {30, 14};
    r.rotation = 0;
    r.PlaceTags(true, true);
    EXPECT_EQ(r.nameTag.anchor.y, -2147483647 - 1);
    EXPECT_EQ(r.valueTag.Area().right, 2147483647);
}

// ---------------------------------------------------------------- nodes

TEST(ElementNodeTest, PinNodeIsTheNumberedWiresNode) {
    Resistor r(1);
    NumberedWire a(4);
    Connect(r, 1, a.wire);
    EXPECT_EQ(r.PinNode(1), 4);
    EXPECT_EQ(r.PinNode(2), -1);
    a.wire.numbered = false;
    EXPECT_EQ(r.PinNode(1), -1);
}

TEST(ElementNodeTest, ConnectorReportsItsLowestWiredPinWhateverTheIndex) {
    Connector c(1);
    EXPECT_EQ(c.PinNode(1), -1);
    NumberedWire a(5, 1), b(6, 2);
    Connect(c, 3, b.wire);
    EXPECT_EQ(c.PinNode(1), 6);
    Connect(c, 2, a.wire);
    for (int i : {0, 1, 2, 3, 4, 99})
        EXPECT_EQ(c.PinNode(i), 5) << i;
    // The lowest wired pin decides even when its wire is not numbered.
    a.wire.numbered = false;
    EXPECT_EQ(c.PinNode(3), -1);
}

// ---------------------------------------------------------------- parameters

struct ParamRow {
    ElementKind kind;
    std::vector<std::tuple<std::string, std::string, double>> params;
};

TEST(ElementParamTest, CaptionsUnitsAndDefaults) {
    const ParamRow rows[] = {
        {1000, {{"Сопротивление (R)", "Ом", 1000}}},
        {1001, {{"Емкость (C)", "Ф", 1e-5}, {"Начальные условия (НУ)", "В", 0}}},
        {1002, {{"Индуктивность (L)", "Гн", 0.01}, {"Начальные условия (НУ)", "А", 0}}},
        {1003, {{"Крутизна (S)", "См", 1e-4}}},
        {6000, {{"Проводимость (g)", "См", 1}}},
        {6001, {{"Коэффициент управления (k)", "В/В", 1}}},
        {6002, {{"Коэффициент управления (h)", "А/А", 1}}},
        {6003, {{"Сопротивление (r)", "Ом", 1}}},
        {6100, {{"Крутизна (Sg)", "См", 1}}},
        {6101, {{"Коэффициент трансформации (n)", "", 10}}},
        {6200, {{"Крутизна (S)", "См", 0.001}, {"Внутреннее сопротивление (Ri)", "Ом", 100000}}},
        {6300,
         {{"Коэффициент передачи тока (alpha)", "", 0.99},
          {"Сопротивление эмиттера (Re)", "Ом", 1},
          {"Сопротивление коллектора (Rc)", "Ом", 100000},
          {"Сопротивление базы (Rb)", "Ом", 10}}},
        {6400, {{"Коэффициент усиления (k)", "В/В", 1e9}}},
        {200, {}},
        {300, {}},
        {900, {}},
    };
    for (const ParamRow& r : rows) {
        SCOPED_TRACE(r.kind);
        auto e = Make(r.kind);
        const int n = static_cast<int>(r.params.size());
        ASSERT_EQ(e->ParamCount(), n);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(e->ParamCaption(i), std::get<0>(r.params[static_cast<std::size_t>(i)]));
            EXPECT_EQ(e->ParamUnit(i), std::get<1>(r.params[static_cast<std::size_t>(i)]));
            EXPECT_EQ(e->GetParam(i), std::get<2>(r.params[static_cast<std::size_t>(i)]));
        }
        for (int i : {-1, n}) {
            EXPECT_EQ(e->ParamCaption(i), "");
            EXPECT_EQ(e->ParamUnit(i), "");
            EXPECT_EQ(e->GetParam(i), 0);
            EXPECT_NO_THROW(e->SetParam(i, 0));
        }
    }
}

TEST(ElementParamTest, SetParamChecksAndKeepsTheOldValueOnRefusal) {
    const struct {
        ElementKind kind;
        int index;
        double value;
        bool accepted;
    } cases[] = {
        {1000, 0, -5, true},    {1000, 0, 0, false},   {1000, 0, 1e-30, true}, {1001, 0, 0, false},
        {1001, 0, -1e-6, true}, {1001, 1, 0, true},    {1001, 1, -3, true},    {1002, 0, 0, false},
        {1002, 1, -2, true},    {1003, 0, 0, true},    {1003, 0, -1, true},    {6000, 0, 0, true},
        {6001, 0, 0, true},     {6002, 0, -1, true},   {6003, 0, 0, true},     {6100, 0, 0, true},
        {6101, 0, 0, false},    {6101, 0, -1, false},  {6101, 0, 0.5, true},   {6200, 0, 0, true},
        {6200, 1, 0, false},    {6200, 1, -1e3, true}, {6300, 0, 0, true},     {6300, 1, 0, false},
        {6300, 2, 0, false},    {6300, 3, 0, false},   {6300, 3, -5, true},    {6400, 0, 0, true},
        {6400, 0, -1e6, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " [" << c.index << "] = " << c.value);
        auto e = Make(c.kind);
        const double before = e->GetParam(c.index);
        const int code = SchemeErrorCode(*e, c.index, c.value);
        if (c.accepted) {
            EXPECT_EQ(code, 0);
            EXPECT_EQ(e->GetParam(c.index), c.value);
        } else {
            EXPECT_EQ(code, 3200);
            EXPECT_EQ(e->GetParam(c.index), before);
        }
    }
}

TEST(ElementParamTest, ByCaptionFallsBackToTheFirstParameter) {
    BipolarTransistor t(1);
    EXPECT_EQ(t.GetParamByCaption("Сопротивление базы (Rb)"), 10);
    EXPECT_EQ(t.GetParamByCaption("Сопротивление коллектора (Rc)"), 100000);
    EXPECT_EQ(t.GetParamByCaption("no such caption"), 0.99);
    t.SetParamByCaption("Сопротивление эмиттера (Re)", 2);
    EXPECT_EQ(t.GetParam(1), 2);
    t.SetParamByCaption("no such caption", 0.5);
    EXPECT_EQ(t.GetParam(0), 0.5);
    EXPECT_THROW(t.SetParamByCaption("Сопротивление базы (Rb)", 0), SchemeError);
    EXPECT_EQ(t.GetParam(3), 10);

    Ground g(1);
    EXPECT_EQ(g.GetParamByCaption("x"), 0);
    EXPECT_NO_THROW(g.SetParamByCaption("x", 1));
}

// ---------------------------------------------------------------- labels

TEST(ElementLabelTest, ValueLabelsInBothStyles) {
    const struct {
        ElementKind kind;
        std::vector<double> params;
        const char* cyrillic;
        const char* latin;
    } cases[] = {
        {1000, {}, "1 кОм", "1 kОм"},
        {1000, {4700}, "4.7 кОм", "4.7 kОм"},
        {1000, {150}, "150 Ом", "150 Ом"},
        {1000, {-2.2e6}, "-2.2 МОм", "-2.2 MОм"},
        {1001, {}, "10 мкФ", "10 uФ"},
        {1001, {1e-5, 1}, "10 мкФ / НУ:1 В", "10 uФ / НУ:1 В"},
        {1002, {}, "10 мГн", "10 mГн"},
        {1002, {0.01, 0.05}, "10 мГн / НУ:50 мА", "10 mГн / НУ:50 mА"},
        {1003, {}, "0.1 мСм", "0.1 mСм"}, // 1e-4 opens the milli band
        {6000, {}, "1 См", "1 См"},
        {6001, {}, "1 В/В", "1 В/В"},
        {6002, {2e-3}, "2 мА/А", "2 mА/А"},
        {6003, {4.7e3}, "4.7 кОм", "4.7 kОм"},
        {6100, {}, "1 См", "1 См"},
        {6101, {}, "10 : 1", "10 : 1"},
        {6101, {0.05}, "50м : 1", "50m : 1"},
        {6200, {}, "", ""},
        {6300, {}, "", ""},
        {6400, {}, "1Г", "1G"},
        {200, {}, "", ""},
        {300, {}, "", ""},
        {900, {}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        auto e = Make(c.kind);
        for (std::size_t i = 0; i < c.params.size(); ++i)
            e->SetParam(static_cast<int>(i), c.params[i]);
        EXPECT_EQ(e->ValueLabel(kCyrillic), c.cyrillic);
        EXPECT_EQ(e->ValueLabel(kLatin), c.latin);
    }
}

TEST(ElementLabelTest, TagTextsAreTheNameAndTheCyrillicLabel) {
    Resistor r(1);
    r.number = 2;
    r.SetParam(0, 4700);
    r.RefreshTagTexts();
    EXPECT_EQ(r.nameTag.text, "R2");
    EXPECT_EQ(r.valueTag.text, "4.7 кОм");
    ControlledSource s(kind::Ccvs, 1);
    s.number = 3;
    EXPECT_EQ(s.Name(), "ИНУТ3");
}

// ---------------------------------------------------------------- tags

TEST(ElementTagTest, TwoTerminalTagsStackBeyondTheBodyAndFollowRotation) {
    Resistor r(1); // 40 x 16
    r.x = 100;
    r.y = 100;
    r.nameTag.size = {14, 14};
    r.valueTag.size = {35, 14};
    const struct {
        int rotation;
        Point name, value;
        int hAlign;
    } cases[] = {
        {0, {100, 55}, {100, 73}, 0},  // above: the stack ends 5 units over the body
        {1, {113, 84}, {113, 102}, 1}, // right of the body, centred on its height
        {2, {100, 113}, {100, 131}, 0},
        {3, {87, 84}, {87, 102}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rotation);
        r.rotation = c.rotation;
        r.PlaceTags(true, true);
        EXPECT_EQ(r.nameTag.anchor, c.name);
        EXPECT_EQ(r.valueTag.anchor, c.value);
        EXPECT_EQ(r.nameTag.hAlign, c.hAlign);
        EXPECT_EQ(r.valueTag.hAlign, c.hAlign);
        EXPECT_EQ(r.nameTag.vAlign, 3);
    }
    // Tags off on the sheet do not take part: the name alone sits on the body edge.
    r.rotation = 0;
    r.valueTag.anchor = {-1, -1};
    r.PlaceTags(true, false);
    EXPECT_EQ(r.nameTag.anchor, (Point{100, 73}));
    EXPECT_EQ(r.valueTag.anchor, (Point{-1, -1}));
    EXPECT_EQ(r.nameTag.Area().bottom, 87);
}

TEST(ElementTagTest, MultiPinTagsStayClearOfThePins) {
    const ElementKind kinds[] = {6000, 6100, 6101, 6200, 6300, 6400};
    for (ElementKind k : kinds) {
        auto e = Make(k);
        e->x = 200;
        e->y = 200;
        e->nameTag.size = {35, 14};
        e->valueTag.size = {42, 14};
        for (int rotation = 0; rotation < 4; ++rotation) {
            SCOPED_TRACE(testing::Message() << k << " rotation " << rotation);
            e->rotation = rotation;
            e->PlaceTags(true, true);
            const Rect body =
                Rect{e->x - e->RotatedSize().width / 2, e->y - e->RotatedSize().height / 2,
                     e->x + e->RotatedSize().width / 2, e->y + e->RotatedSize().height / 2};
            std::vector<Rect> areas{e->nameTag.Area()};
            if (e->showValueTag)
                areas.push_back(e->valueTag.Area());
            for (const Rect& a : areas) {
                EXPECT_TRUE(a.right <= body.left || a.left >= body.right || a.bottom <= body.top ||
                            a.top >= body.bottom);
                for (int i = 1; i <= e->PinCount(); ++i) {
                    const Point p = e->PinPosition(i);
                    EXPECT_FALSE(a.Inflated(3).Contains(p)) << "pin " << i;
                }
            }
        }
    }
}

TEST(NameTagTest, AreaFollowsTheAlignments) {
    const struct {
        int hAlign, vAlign;
        Rect area;
    } cases[] = {
        {1, 3, {10, 20, 40, 34}}, {0, 3, {-5, 20, 25, 34}}, {2, 3, {-20, 20, 10, 34}},
        {1, 0, {10, 13, 40, 27}}, {1, 4, {10, 6, 40, 20}},  {0, 0, {-5, 13, 25, 27}},
    };
    for (const auto& c : cases) {
        NameTag t;
        t.anchor = {10, 20};
        t.size = {30, 14};
        t.hAlign = c.hAlign;
        t.vAlign = c.vAlign;
        EXPECT_EQ(t.Area(), c.area) << c.hAlign << "/" << c.vAlign;
    }
}

// ---------------------------------------------------------------- element-list lines

TEST(ElementLineTest, LinesCarryNamesNodesAndTwelveDigitValues) {
    NumberedWire n1(1, 1), n2(2, 2), n3(3, 3), n0(0, 4);
    const struct {
        ElementKind kind;
        std::vector<double> params;
        std::vector<int> wired; // node of each pin's wire, -1 for none
        const char* line;
    } cases[] = {
        {1000, {4700}, {1, 0}, "R1 1 0 4.7k"},
        {1000, {1234.56789012}, {-1, -1}, "R1 -1 -1 1.23456789012k"},
        {1001, {}, {2, 0}, "C1 2 0 10u 0"},
        {1001, {1e-5, 1.5}, {2, 0}, "C1 2 0 10u 1.5"},
        {1002, {0.01, 0.05}, {1, 2}, "L1 1 2 10m 50m"},
        {1003, {}, {1, 2}, "S1 1 2 0.1m"},
        {6000, {5e-3}, {1, 2, 3, -1}, "ИТУН1 1 2 3 5m"},
        {6001, {}, {1, -1, 3, 2}, "ИНУН1 1 2 3 1"}, // pin 4 stands in for pin 2
        {6002, {}, {1, 0, 3, 2}, "ИТУТ1 1 0 3 1"},  // pin 2 wins when wired
        {6003, {}, {1, -1, 3, -1}, "ИНУТ1 1 -1 3 1"},
        {6100, {2}, {1, 2, 3, -1}, "G1 1 2 3 2"},
        {6101, {}, {1, 2, 3, -1}, "TR1 1 2 3 10"},
        {6200, {}, {1, 2, 3}, "VT1 1 2 3 1m 100k"},
        {6300, {}, {1, 2, 3}, "V1 1 2 3 0.99 1 100k 10"},
        {6400, {}, {1, 2, 3}, "ОУ1 1 2 3 1G"},
    };
    auto wireFor = [&](int node) -> Wire* {
        switch (node) {
        case 0:
            return &n0.wire;
        case 1:
            return &n1.wire;
        case 2:
            return &n2.wire;
        case 3:
            return &n3.wire;
        default:
            return nullptr;
        }
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        auto e = Make(c.kind);
        for (std::size_t i = 0; i < c.params.size(); ++i)
            e->SetParam(static_cast<int>(i), c.params[i]);
        for (std::size_t i = 0; i < c.wired.size(); ++i)
            if (Wire* w = wireFor(c.wired[i]))
                Connect(*e, static_cast<int>(i) + 1, *w);
        EXPECT_EQ(e->NetlistLine(), c.line);
        EXPECT_EQ(e->lineBuffer, c.line);
    }
    for (ElementKind k : {200, 300, 900})
        EXPECT_EQ(Make(k)->NetlistLine(), "");
}

// ---------------------------------------------------------------- description lines

TEST(ElementParseTest, LinesThatRead) {
    const struct {
        ElementKind kind;
        const char* line;
        std::vector<int> nodes;
        std::vector<double> params;
    } cases[] = {
        {1000, "R1,1,0,4.7k", {1, 0}, {4700}},
        {1000, "R, 2 ,\t3 , 1k ", {2, 3}, {1000}},
        {1000, "R1,-1,+4,0", {-1, 4}, {0}}, // no range check while parsing
        {1000, "R1,1,0,1k,extra,fields", {1, 0}, {1000}},
        {1001, "C1,1,0,10u,1", {1, 0}, {1e-5, 1}},
        {1002, "L1,1,0,10мк,-2m", {1, 0}, {1e-5, -2e-3}},
        {1003, "S,1,4,-0.5", {1, 4}, {-0.5}},
        {6000, "ИТУН1,1,2,3,5m", {1, 2, 3, 2}, {5e-3}},
        {6100, "G,4,2,3,1", {4, 2, 3, 2}, {1}},
        {6101, "TR1,1,0,3,0", {1, 0, 3, 0}, {0}},
        {6200, "VТ1,1,2,3,1m,10k", {1, 2, 3}, {1e-3, 1e4}},
        {6300, "V,1,2,3,0.98,2,50k,20", {1, 2, 3}, {0.98, 2, 5e4, 20}},
        {6400, "ОУ,1,2,0,1e6", {1, 2, 0}, {1e6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto e = Make(c.kind);
        ASSERT_TRUE(e->ParseLine(c.line));
        ASSERT_EQ(c.nodes.size(), e->pins.size());
        for (std::size_t i = 0; i < c.nodes.size(); ++i)
            EXPECT_EQ(e->pins[i].node, c.nodes[i]) << "pin " << i + 1;
        for (std::size_t i = 0; i < c.params.size(); ++i)
            EXPECT_DOUBLE_EQ(e->GetParam(static_cast<int>(i)), c.params[i]) << i;
    }
}

TEST(ElementParseTest, BadLinesFailAndChangeNothing) {
    const struct {
        ElementKind kind;
        const char* line;
    } cases[] = {
        {1000, "R1,1,0"},
        {1000, "R1,1,0,"},
        {1000, "R1"},
        {1000, "R1,1,x,1k"},
        {1000, "R1,1.5,0,1k"},
        {1000, "R1,,0,1k"},
        {1000, "R1,1 2,0,1k"},
        {1000, "R1,1,0,abc"},
        {1000, "R1,1,0,1K"},
        {1000, "R1,1,99999999999,1k"},
        {1000, "R1,1,-,1k"},
        {1001, "C1,1,0,10u"},
        {1002, "L1,1,0,,1"},
        {6000, "ИТУН1,1,2,5m"},
        {6000, "ИТУН1,1,2,3"},
        {6200, "VТ1,1,2,3,1m"},
        {6300, "V1,1,2,3,1,2,3"},
        {6400, "ОУ1,1,2"},
        {200, "GND1,0"},
        {300, "CON1,1,2,3,4"},
        {900, "Текст"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        auto e = Make(c.kind);
        std::vector<double> before;
        for (int i = 0; i < e->ParamCount(); ++i)
            before.push_back(e->GetParam(i));
        EXPECT_FALSE(e->ParseLine(c.line));
        for (int i = 0; i < e->ParamCount(); ++i)
            EXPECT_EQ(e->GetParam(i), before[static_cast<std::size_t>(i)]);
        for (const Pin& p : e->pins)
            EXPECT_EQ(p.node, -1);
    }
}

// ---------------------------------------------------------------- records

// Every non-source kind with non-default state, so that nothing is silently dropped.
std::unique_ptr<Element> Configured(ElementKind k) {
    auto e = Make(k, 17);
    e->x = 96;
    e->y = -40;
    e->rotation = 3;
    e->mirrorX = 1;
    e->mirrorY = 0;
    for (int i = 0; i < e->ParamCount(); ++i)
        e->SetParam(i, 1.25 + i);
    for (std::size_t i = 0; i < e->pins.size(); ++i) {
        e->pins[i].wireId = static_cast<int32_t>(30 + i);
        e->pins[i].wireEnd = 1 + static_cast<int>(i % 2);
    }
    if (auto* t = dynamic_cast<TextLabel*>(e.get())) {
        t->SetText("Усилитель ±5 В");
        t->color = 0x0000FF;
        t->font.italic = 1;
        t->font.SetFace("Courier New");
    }
    return e;
}

TEST(ElementRecordTest, EveryKindSurvivesARoundTrip) {
    for (ElementKind k : {200, 300, 900, 1000, 1001, 1002, 1003, 6000, 6001, 6002, 6003, 6100, 6101,
                          6200, 6300, 6400}) {
        SCOPED_TRACE(k);
        auto original = Configured(k);
        const auto bytes = Record(*original);
        auto copy = Make(k, 0);
        ArchiveReader ar(bytes);
        copy->Load(ar);
        EXPECT_TRUE(ar.AtEnd());
        EXPECT_EQ(Record(*copy), bytes);
        EXPECT_EQ(copy->id, 17);
        EXPECT_EQ(copy->x, 96);
        EXPECT_EQ(copy->y, -40);
        EXPECT_EQ(copy->rotation, 3);
        EXPECT_EQ(copy->mirrorX, 1);
        for (int i = 0; i < copy->ParamCount(); ++i)
            EXPECT_EQ(copy->GetParam(i), 1.25 + i);
        for (std::size_t i = 0; i < copy->pins.size(); ++i) {
            EXPECT_EQ(copy->pins[i].wireId, static_cast<int32_t>(30 + i));
            EXPECT_EQ(copy->pins[i].wire, nullptr);
        }
    }
}

TEST(ElementRecordTest, ResistorRecordLayout) {
    Resistor r(5);
    r.x = 120;
    r.y = 64;
    r.rotation = 1;
    r.SetParam(0, 4700);
    NumberedWire w(1, 9);
    Connect(r, 2, w.wire, 2);
    ArchiveWriter expected;
    for (int32_t v : {5, 1000, 120, 64, 1, 0, 0, 0, 0, 9, 2})
        expected.WriteInt32(v);
    expected.WriteDouble(4700);
    EXPECT_EQ(Record(r), expected.Bytes());
}

TEST(ElementRecordTest, TransistorStoresRcBeforeRe) {
    BipolarTransistor t(2);
    t.SetParam(0, 0.95); // alpha
    t.SetParam(1, 3);    // Re
    t.SetParam(2, 7e4);  // Rc
    t.SetParam(3, 20);   // Rb
    ArchiveWriter expected;
    for (int32_t v : {2, 6300, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        expected.WriteInt32(v);
    for (double v : {0.95, 7e4, 3.0, 20.0})
        expected.WriteDouble(v);
    EXPECT_EQ(Record(t), expected.Bytes());

    BipolarTransistor back(0);
    ArchiveReader ar(expected.Bytes());
    back.Load(ar);
    EXPECT_EQ(back.GetParam(1), 3);
    EXPECT_EQ(back.GetParam(2), 7e4);
}

TEST(ElementRecordTest, TextLabelRecordLayout) {
    TextLabel t(3);
    const auto bytes = Record(t);
    ArchiveWriter expected;
    for (int32_t v : {3, 900, 0, 0, 0, 0, 0, 5})
        expected.WriteInt32(v);
    expected.WriteBytes("\xD2\xE5\xEA\xF1\xF2", 5); // "Текст" in code page 1251
    expected.WriteInt32(0x808000);
    LogFont f;
    f.height = 120;
    f.weight = 400;
    f.charSet = 204;
    std::memcpy(f.faceName, "Arial", 5);
    expected.WriteBytes(&f, sizeof f);
    EXPECT_EQ(bytes, expected.Bytes());
    ASSERT_EQ(bytes.size(), 4u * 8 + 5 + 4 + 60);
    EXPECT_EQ(bytes[4 * 8 + 5 + 4 + 16], 144); // weight 400, low byte
    EXPECT_EQ(bytes[4 * 8 + 5 + 4 + 23], 204); // charset
}

TEST(ElementRecordTest, LoadingAnotherKindIsACorruptFile) {
    const auto bytes = Record(Resistor(1));
    Capacitor c(1);
    EXPECT_EQ(FileErrorCode(c, bytes), FileError::Corrupt);
    ControlledSource s(kind::Cccs, 1);
    EXPECT_EQ(FileErrorCode(s, Record(ControlledSource(kind::Vccs, 1))), FileError::Corrupt);
}

TEST(ElementRecordTest, TruncatedRecordsAreCorrupt) {
    for (ElementKind k : {200, 900, 1001, 6101, 6300}) {
        SCOPED_TRACE(k);
        auto bytes = Record(*Configured(k));
        for (std::size_t cut :
             {std::size_t{0}, std::size_t{6}, bytes.size() / 2, bytes.size() - 1}) {
            auto e = Make(k);
            const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
            EXPECT_EQ(FileErrorCode(*e, part), FileError::Corrupt) << cut;
        }
    }
}

TEST(ElementRecordTest, HostileTextLengthIsCorruptBeforeAnyAllocation) {
    const std::size_t lengthAt = 7 * 4;
    for (int32_t length : {-1, -2147483647 - 1, 2147483647, 64 + 5 + 1, 1000000}) {
        SCOPED_TRACE(length);
        auto bytes = Record(TextLabel(1));
        for (int i = 0; i < 4; ++i)
            bytes[lengthAt + static_cast<std::size_t>(i)] =
                static_cast<uint8_t>((static_cast<uint32_t>(length) >> (8 * i)) & 0xFF);
        TextLabel t(1);
        EXPECT_EQ(FileErrorCode(t, bytes), FileError::Corrupt);
        EXPECT_EQ(t.Text(), "Текст");
    }
}

// ---------------------------------------------------------------- text label

TEST(TextLabelTest, DefaultsSetterAndSize) {
    TextLabel t(1);
    EXPECT_EQ(t.Text(), "Текст");
    EXPECT_EQ(t.color, 0x808000);
    EXPECT_EQ(t.font.Face(), "Arial");
    EXPECT_EQ(t.font.height, 120);
    EXPECT_EQ(t.font.weight, 400);
    EXPECT_EQ(t.font.charSet, kRussianCharset);
    t.SetText("");
    EXPECT_EQ(t.Text(), "Текст");
    t.SetText("Вход");
    EXPECT_EQ(t.Text(), "Вход");

    struct Metrics : TextMetrics {
        Size TextExtent(const std::string& utf8, int font) const override {
            lastFont = font;
            return {static_cast<int>(utf8.size()) * 3, 17};
        }
        mutable int lastFont = -1;
    } metrics;
    t.UpdateSize(metrics);
    EXPECT_EQ(metrics.lastFont, 0);
    EXPECT_EQ(t.width, 8 * 3 + 6); // "Вход" is 8 bytes of UTF-8
    EXPECT_EQ(t.height, 17);
}

TEST(TextLabelTest, AnEmptyStoredTextStaysEmpty) {
    ArchiveWriter ar;
    for (int32_t v : {1, 900, 0, 0, 0, 0, 0, 0, 0x123456})
        ar.WriteInt32(v);
    LogFont f;
    ar.WriteBytes(&f, sizeof f);
    TextLabel t(1);
    ArchiveReader in(ar.Bytes());
    t.Load(in);
    EXPECT_EQ(t.Text(), "");
    EXPECT_EQ(t.color, 0x123456);
    EXPECT_EQ(t.font.Face(), "");
}

TEST(LogFontTest, FaceIsCodePage1251CutToThirtyOneBytes) {
    LogFont f;
    f.SetFace("Тест");
    EXPECT_EQ(static_cast<unsigned char>(f.faceName[0]), 0xD2);
    EXPECT_EQ(f.Face(), "Тест");
    f.SetFace(std::string(40, 'x'));
    EXPECT_EQ(f.Face(), std::string(31, 'x'));
    EXPECT_EQ(f.faceName[31], '\0');
}

// ---------------------------------------------------------------- names

TEST(ElementNameTest, KindsSharingARankShareOneCounter) {
    const struct {
        std::vector<ElementKind> kinds;
        std::vector<const char*> names;
    } cases[] = {
        {{6000, 6002, 6000}, {"ИТУН1", "ИТУТ2", "ИТУН3"}},
        {{6001, 6003}, {"ИНУН1", "ИНУТ2"}},
        {{1000, 1001, 1000, 200, 1000}, {"R1", "C1", "R2", "GND1", "R3"}},
        {{6200, 6300, 6200, 6400}, {"VT1", "V1", "VT2", "ОУ1"}},
    };
    for (const auto& c : cases) {
        ElementList list;
        for (ElementKind k : c.kinds)
            list.push_back(Make(k));
        RenumberNames(list);
        for (std::size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(list[i]->Name(), c.names[i]);
    }
}

} // namespace
} // namespace korvanix::model
