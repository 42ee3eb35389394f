#include "model/Painter.h"
#include "model/Scheme.h"
#include "model/SheetElements.h"

#include "SheetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace korvanix::model;
using sheet_test::Join;
using sheet_test::Place;

// Remembers every primitive with the pen colour and mode it was drawn in.
class RecordingPainter : public Painter {
public:
    struct Shape {
        std::string what; // line, polyline, polygon, rect, ellipse, arc
        std::vector<Point> points;
        uint32_t colour = 0;
        bool outline = false;
    };
    struct TextCall {
        std::string text;
        Point at;
        int font = 0;
        uint32_t colour = 0;
        bool outline = false;
    };

    void SetPen(uint32_t colour, int /*width*/) override { pen_ = colour; }
    void SetBrush(uint32_t /*colour*/) override {}
    void NoBrush() override {}
    void Line(Point a, Point b) override { Add("line", {a, b}); }
    void Polyline(const std::vector<Point>& points) override { Add("polyline", points); }
    void Polygon(const std::vector<Point>& points) override { Add("polygon", points); }
    void Rectangle(const Rect& r) override { Add("rect", {{r.left, r.top}, {r.right, r.bottom}}); }
    void Ellipse(const Rect& r) override { Add("ellipse", {{r.left, r.top}, {r.right, r.bottom}}); }
    // An arc keeps its centre, then (start, sweep) in degrees, then (radius, 0).
    void Arc(Point centre, int radius, int start, int sweep) override {
        Add("arc", {centre, {start, sweep}, {radius, 0}});
    }
    void Text(const std::string& utf8, Point at, int font, uint32_t colour) override {
        texts.push_back({utf8, at, font, colour, outline_});
    }
    void TextCentred(const std::string& utf8, Point centre, const LogFont& /*font*/,
                     uint32_t colour) override {
        texts.push_back({utf8, centre, 0, colour, outline_});
    }
    void SetOutlineMode(bool on) override { outline_ = on; }
    uint32_t SchemeColour(int font) const override { return 0x100 + static_cast<uint32_t>(font); }

    bool HasText(const std::string& t) const {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const TextCall& c) { return c.text == t; });
    }
    const TextCall* FindText(const std::string& t) const {
        for (const TextCall& c : texts)
            if (c.text == t)
                return &c;
        return nullptr;
    }
    // Every point that ends a line or a polyline.
    std::vector<Point> LineEnds() const {
        std::vector<Point> ends;
        for (const Shape& s : shapes)
            if ((s.what == "line" || s.what == "polyline") && !s.points.empty()) {
                ends.push_back(s.points.front());
                ends.push_back(s.points.back());
            }
        return ends;
    }

    std::vector<Shape> shapes;
    std::vector<TextCall> texts;
    bool outlineAtEnd() const { return outline_; }

private:
    void Add(const char* what, std::vector<Point> points) {
        shapes.push_back({what, std::move(points), pen_, outline_});
    }
    uint32_t pen_ = 0xFFFFFFFF;
    bool outline_ = false;
};

const ElementKind kEveryKind[] = {
    kind::Ground,     kind::Connector,     kind::Resistor,      kind::Capacitor,   kind::Inductance,
    kind::Unistor,    kind::VoltageSource, kind::CurrentSource, kind::Vccs,        kind::Vcvs,
    kind::Cccs,       kind::Ccvs,          kind::Gyrator,       kind::Transformer, kind::Tube,
    kind::Transistor, kind::OpAmp};

bool Contains(const std::vector<Point>& points, Point p) {
    return std::find(points.begin(), points.end(), p) != points.end();
}

// A wire must meet the symbol: every pin's connection point ends one of its lines,
// in every turn and mirror the kind allows.
TEST(ElementSymbolTest, LeadsEndAtEveryConnectionPointInEveryOrientation) {
    for (ElementKind k : kEveryKind) {
        if (k == kind::Connector)
            continue; // its stubs follow its wires, see below
        for (int rotation = 0; rotation < 4; ++rotation) {
            for (int mirror = 0; mirror < 3; ++mirror) {
                auto e = ElementFactory(k, 1);
                ASSERT_TRUE(e);
                e->x = 200;
                e->y = 320;
                e->rotation = rotation;
                e->mirrorX = mirror == 1;
                e->mirrorY = mirror == 2;
                RecordingPainter p;
                e->Draw(p);
                const std::vector<Point> ends = p.LineEnds();
                for (int i = 1; i <= e->PinCount(); ++i) {
                    const Point c = e->ConnectionPoint(i);
                    EXPECT_TRUE(Contains(ends, c))
                        << "kind " << k << " rotation " << rotation << " mirror " << mirror
                        << " pin " << i << " at " << c.x << "," << c.y;
                }
            }
        }
    }
}

TEST(ElementSymbolTest, ConnectorShowsStubsOnlyTowardsItsWires) {
    Scheme s;
    Element* con = Place(s, kind::Connector, 400, 400);
    Element* r = Place(s, kind::Resistor, 200, 400);
    Join(s, r, 2, con, 1);

    RecordingPainter p;
    con->Draw(p);
    const std::vector<Point> ends = p.LineEnds();
    EXPECT_TRUE(Contains(ends, con->ConnectionPoint(1)));
    for (int i = 2; i <= 4; ++i)
        EXPECT_FALSE(Contains(ends, con->ConnectionPoint(i))) << "pin " << i;
    const auto disc = std::count_if(p.shapes.begin(), p.shapes.end(),
                                    [](const auto& sh) { return sh.what == "ellipse"; });
    EXPECT_EQ(disc, 1);
}

TEST(ElementSymbolTest, MirroringAnAsymmetricSymbolMirrorsWhatIsDrawn) {
    // A transistor's emitter arrow lies left of its centre; mirrored left to right
    // every drawn point must be the reflection of an unmirrored one.
    auto plain = ElementFactory(kind::Transistor, 1);
    auto mirrored = ElementFactory(kind::Transistor, 2);
    mirrored->mirrorX = 1;
    RecordingPainter a;
    RecordingPainter b;
    plain->Draw(a);
    mirrored->Draw(b);
    ASSERT_EQ(a.shapes.size(), b.shapes.size());
    for (std::size_t i = 0; i < a.shapes.size(); ++i) {
        if (a.shapes[i].what == "rect" || a.shapes[i].what == "ellipse")
            continue; // boxes are normalised, compare the others
        ASSERT_EQ(a.shapes[i].points.size(), b.shapes[i].points.size());
        for (std::size_t j = 0; j < a.shapes[i].points.size(); ++j) {
            if (a.shapes[i].what == "arc" && j >= 1)
                continue; // angles are checked on their own below
            EXPECT_EQ(a.shapes[i].points[j].x, -b.shapes[i].points[j].x) << "shape " << i;
            EXPECT_EQ(a.shapes[i].points[j].y, b.shapes[i].points[j].y) << "shape " << i;
        }
    }
}

// The humps of an inductance bulge to one side of its axis; turned or mirrored,
// they must bulge to where that side went.
TEST(ElementSymbolTest, ArcsTurnAndMirrorWithTheElement) {
    for (int rotation = 0; rotation < 4; ++rotation) {
        for (int mirror = 0; mirror < 3; ++mirror) {
            auto e = ElementFactory(kind::Unistor, 1); // rotates and mirrors both ways
            auto l = ElementFactory(kind::Inductance, 2);
            l->rotation = rotation;
            // The inductance cannot mirror; use the unistor's mapping to know
            // where "up" goes, and check the inductance only for turns.
            e->rotation = rotation;
            e->mirrorX = mirror == 1;
            e->mirrorY = mirror == 2;
            const auto side = [](const Element& el) {
                const Point o = el.MapPoint(0, 0);
                const Point up = el.MapPoint(0, -10);
                return Point{(up.x - o.x) / 10, (up.y - o.y) / 10};
            };
            RecordingPainter p;
            l->Draw(p);
            int arcs = 0;
            for (const auto& sh : p.shapes) {
                if (sh.what != "arc")
                    continue;
                ++arcs;
                const double mid = (sh.points[1].x + sh.points[1].y / 2.0) * 3.14159265 / 180;
                const Point bulge{static_cast<int>(std::lround(std::cos(mid))),
                                  static_cast<int>(std::lround(std::sin(mid)))};
                EXPECT_EQ(bulge, side(*l)) << "rotation " << rotation;
            }
            EXPECT_EQ(arcs, 4);

            // A transformer's windings bulge outwards, left and right of the core,
            // after any turn and mirror.
            auto t = ElementFactory(kind::Transformer, 3);
            t->rotation = rotation;
            t->mirrorX = mirror == 1;
            t->mirrorY = mirror == 2;
            RecordingPainter tp;
            t->Draw(tp);
            const Point centre = t->MapPoint(0, 0);
            const Point across{(t->MapPoint(10, 0).x - centre.x) / 10,
                               (t->MapPoint(10, 0).y - centre.y) / 10};
            int arcsOfT = 0;
            for (const auto& sh : tp.shapes) {
                if (sh.what != "arc")
                    continue;
                ++arcsOfT;
                const double mid = (sh.points[1].x + sh.points[1].y / 2.0) * 3.14159265 / 180;
                const Point bulge{static_cast<int>(std::lround(std::cos(mid))),
                                  static_cast<int>(std::lround(std::sin(mid)))};
                // Which winding: the side of the core the hump's centre lies on.
                const int dot =
                    (sh.points[0].x - centre.x) * across.x + (sh.points[0].y - centre.y) * across.y;
                const int s = (dot > 0) - (dot < 0);
                EXPECT_EQ(bulge, (Point{s * across.x, s * across.y}))
                    << "rotation " << rotation << " mirror " << mirror;
            }
            EXPECT_EQ(arcsOfT, 8);
        }
    }
}

TEST(SchemeDrawingTest, DrawsOnlyElementsWhoseCentreLiesInTheAreaGrownBy100) {
    Scheme s;
    // The area (0, 0)-(200, 200) grown by 100 reaches from -100 up to, not
    // including, 300.
    struct Case {
        int x, y;
        bool drawn;
    } cases[] = {{100, 100, true},  {-100, 0, true},   {299, 299, true},
                 {300, 100, false}, {100, 300, false}, {-101, 0, false}};
    std::vector<Element*> placed;
    for (const Case& c : cases)
        placed.push_back(Place(s, kind::Resistor, c.x, c.y));
    s.RenumberNames();
    s.UpdateAllTags();

    RecordingPainter p;
    s.Draw(p, false, Rect{0, 0, 200, 200});
    for (std::size_t i = 0; i < placed.size(); ++i)
        EXPECT_EQ(p.HasText(placed[i]->Name()), cases[i].drawn)
            << placed[i]->Name() << " at " << cases[i].x << "," << cases[i].y;

    RecordingPainter all;
    s.Draw(all, false, Rect{});
    for (Element* e : placed)
        EXPECT_TRUE(all.HasText(e->Name())) << "an empty area means the whole sheet";
}

TEST(SchemeDrawingTest, SelectedElementsAreRedUnlessPrinting) {
    Scheme s;
    Element* a = Place(s, kind::Resistor, 100, 100);
    Element* b = Place(s, kind::Capacitor, 300, 100);
    Join(s, a, 2, b, 1);
    ASSERT_TRUE(s.SelectAt(a->x, a->y, false));
    RecordingPainter symbolOfA;
    a->Draw(symbolOfA);

    const auto redCount = [&](bool printing) {
        RecordingPainter p;
        s.Draw(p, printing, Rect{});
        return std::count_if(p.shapes.begin(), p.shapes.end(),
                             [](const auto& sh) { return sh.colour == kSelectedColour; });
    };
    // Exactly the selected resistor: not its neighbour, not the wire.
    EXPECT_EQ(static_cast<std::size_t>(redCount(false)), symbolOfA.shapes.size());
    EXPECT_EQ(redCount(true), 0);
}

TEST(SchemeDrawingTest, SelectedTextLabelIsRedOtherwiseItsOwnColour) {
    Scheme s;
    Element* e = Place(s, kind::Text, 100, 100);
    auto* label = static_cast<TextLabel*>(e);
    label->SetText("Вход");
    label->color = RgbColour(10, 20, 30);

    RecordingPainter plain;
    s.Draw(plain, false, Rect{});
    ASSERT_NE(plain.FindText("Вход"), nullptr);
    EXPECT_EQ(plain.FindText("Вход")->colour, RgbColour(10, 20, 30));
    EXPECT_EQ(plain.FindText("Вход")->at, (Point{100, 100})) << "centred on the position";

    s.SelectAt(100, 100, false);
    RecordingPainter selected;
    s.Draw(selected, false, Rect{});
    EXPECT_EQ(selected.FindText("Вход")->colour, kSelectedColour);
    RecordingPainter printed;
    s.Draw(printed, true, Rect{});
    EXPECT_EQ(printed.FindText("Вход")->colour, RgbColour(10, 20, 30));
}

TEST(SchemeDrawingTest, TagsFollowTheDisplayOptionsInTheirSchemeColours) {
    Scheme s;
    Element* r = Place(s, kind::Resistor, 100, 100);
    Element* q = Place(s, kind::Transistor, 300, 100); // has no value label
    s.RenumberNames();
    s.UpdateAllTags();
    const std::string value = r->ValueLabel(kCyrillic);
    ASSERT_FALSE(value.empty());

    struct Case {
        bool names, values;
    } cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    for (const Case& c : cases) {
        s.showNames = c.names;
        s.showValues = c.values;
        s.UpdateAllTags();
        RecordingPainter p;
        s.Draw(p, false, Rect{});
        EXPECT_EQ(p.HasText("R1"), c.names);
        EXPECT_EQ(p.HasText(value), c.values);
        EXPECT_EQ(p.HasText(q->Name()), c.names);
        if (c.names) {
            EXPECT_EQ(p.FindText("R1")->font, 1);
            EXPECT_EQ(p.FindText("R1")->colour, 0x101u);
            const Rect area = r->nameTag.Area();
            EXPECT_EQ(p.FindText("R1")->at, (Point{area.left, area.top}));
        }
        if (c.values) {
            EXPECT_EQ(p.FindText(value)->font, 2);
            EXPECT_EQ(p.FindText(value)->colour, 0x102u);
        }
    }
}

TEST(SchemeDrawingTest, NodeTagsOnlyWhenShownWithAFrameInTheirColour) {
    Scheme s;
    Element* a = Place(s, kind::Resistor, 100, 100);
    Element* b = Place(s, kind::Resistor, 300, 100);
    Wire* w = Join(s, a, 2, b, 1);
    s.RenumberNodes();
    s.showNodes = false;
    s.RebuildNodeTags();

    RecordingPainter hidden;
    s.Draw(hidden, false, Rect{});
    EXPECT_FALSE(hidden.HasText("1"));

    s.showNodes = true;
    s.RebuildNodeTags();
    ASSERT_EQ(s.nodeTags.size(), 1u);
    RecordingPainter shown;
    s.Draw(shown, false, Rect{});
    ASSERT_TRUE(shown.HasText("1"));
    EXPECT_EQ(shown.FindText("1")->font, 3);
    EXPECT_EQ(shown.FindText("1")->colour, 0x103u);
    const Rect frame = s.nodeTags[0].Area().Inflated(1);
    const bool framed = std::any_of(shown.shapes.begin(), shown.shapes.end(), [&](const auto& sh) {
        return sh.what == "rect" && sh.colour == 0x103u &&
               sh.points[0] == Point{frame.left, frame.top} &&
               sh.points[1] == Point{frame.right, frame.bottom};
    });
    EXPECT_TRUE(framed);
    // The wire itself is drawn as its routed shape.
    const std::vector<Point> route(w->shape.points, w->shape.points + w->shape.count);
    const bool wireDrawn =
        std::any_of(shown.shapes.begin(), shown.shapes.end(),
                    [&](const auto& sh) { return sh.what == "polyline" && sh.points == route; });
    EXPECT_TRUE(wireDrawn);
}

TEST(SchemeDrawingTest, HiddenElementsAndWiresOfADragAreNotDrawn) {
    Scheme s;
    Element* a = Place(s, kind::Resistor, 100, 100);
    Element* b = Place(s, kind::Resistor, 300, 100);
    Join(s, a, 2, b, 1);
    s.RenumberNames();
    s.UpdateAllTags();
    s.SelectAt(a->x, a->y, false);
    s.BeginDrag();

    RecordingPainter p;
    s.Draw(p, false, Rect{});
    EXPECT_FALSE(p.HasText(a->Name()));
    EXPECT_TRUE(p.HasText(b->Name()));
    EXPECT_EQ(std::count_if(p.shapes.begin(), p.shapes.end(),
                            [](const auto& sh) { return sh.colour == kSelectedColour; }),
              0);
}

// The node number on a dragged element's wire goes with the drag's outline, not
// left behind where the wire was.
TEST(SchemeDrawingTest, ANodeNumberOnADraggedWireMovesWithTheOutline) {
    Scheme s;
    Element* a = Place(s, kind::Resistor, 100, 100);
    Element* b = Place(s, kind::Resistor, 300, 100);
    Join(s, a, 2, b, 1);
    s.RenumberNodes();
    s.showNodes = true;
    s.RebuildNodeTags();
    ASSERT_EQ(s.nodeTags.size(), 1u);
    RecordingPainter before;
    s.Draw(before, false, Rect{});
    ASSERT_TRUE(before.HasText("1"));
    const Point at = before.FindText("1")->at;
    s.SelectAt(a->x, a->y, false);
    s.BeginDrag();
    ASSERT_EQ(s.nodeTags.size(), 1u);

    RecordingPainter still;
    s.Draw(still, false, Rect{});
    EXPECT_FALSE(still.HasText("1")) << "not left behind";

    const int dx = 40, dy = 24;
    RecordingPainter drag;
    s.DrawDragOutline(drag, dx, dy, Rect{});
    ASSERT_TRUE(drag.HasText("1"));
    EXPECT_TRUE(drag.FindText("1")->outline);
    EXPECT_EQ(drag.FindText("1")->at, (Point{at.x + dx, at.y + dy}));

    // Dropped, the number is drawn where the rebuilt wire puts it.
    s.FinishMove(dx, dy);
    RecordingPainter after;
    s.Draw(after, false, Rect{});
    EXPECT_TRUE(after.HasText("1"));
}

TEST(SchemeDrawingTest, DragOutlineIsTheSelectedSymbolsMovedInOutlineMode) {
    Scheme s;
    Element* a = Place(s, kind::Inductance, 100, 100);
    Element* far = Place(s, kind::Resistor, 2000, 100);
    Place(s, kind::Capacitor, 300, 100); // not selected
    s.SelectAll();
    s.ClearSelection();
    s.SelectAt(a->x, a->y, false);
    s.SelectAt(far->x, far->y, true);
    ASSERT_EQ(s.selection.size(), 2u);

    RecordingPainter still;
    DrawElementSymbol(*a, still, false);

    const int dx = 24, dy = -16;
    RecordingPainter p;
    s.DrawDragOutline(p, dx, dy, Rect{0, 0, 400, 400});
    EXPECT_FALSE(p.outlineAtEnd()) << "outline mode is left when done";
    ASSERT_EQ(p.shapes.size(), still.shapes.size()) << "only the inductance, the resistor "
                                                       "lies beyond the visible area";
    for (std::size_t i = 0; i < p.shapes.size(); ++i) {
        EXPECT_TRUE(p.shapes[i].outline);
        ASSERT_EQ(p.shapes[i].points.size(), still.shapes[i].points.size());
        for (std::size_t j = 0; j < p.shapes[i].points.size(); ++j) {
            if (p.shapes[i].what == "arc" && j >= 1)
                continue; // angles and radius do not move
            EXPECT_EQ(p.shapes[i].points[j].x, still.shapes[i].points[j].x + dx);
            EXPECT_EQ(p.shapes[i].points[j].y, still.shapes[i].points[j].y + dy);
        }
    }

    // Moved into view, the far element is drawn too.
    RecordingPainter moved;
    s.DrawDragOutline(moved, -1800, 0, Rect{0, 0, 400, 400});
    RecordingPainter farStill;
    DrawElementSymbol(*far, farStill, false);
    EXPECT_EQ(moved.shapes.size(), farStill.shapes.size());
}

TEST(SchemeDrawingTest, PinMarkIsACircleOfRadiusSixAroundTheTrackedPin) {
    Scheme s;
    Element* r = Place(s, kind::Resistor, 200, 200);
    RecordingPainter none;
    s.DrawPinMark(none);
    EXPECT_TRUE(none.shapes.empty());

    const Point pin = r->PinPosition(2);
    ASSERT_TRUE(s.TrackPin(pin.x + 2, pin.y - 1, false));
    RecordingPainter p;
    s.DrawPinMark(p);
    ASSERT_EQ(p.shapes.size(), 1u);
    EXPECT_EQ(p.shapes[0].what, "ellipse");
    EXPECT_TRUE(p.shapes[0].outline);
    EXPECT_EQ(p.shapes[0].points[0], (Point{pin.x - 6, pin.y - 6}));
    EXPECT_EQ(p.shapes[0].points[1], (Point{pin.x + 6, pin.y + 6}));
    EXPECT_FALSE(p.outlineAtEnd());

    s.TrackPin(1000, 1000, false);
    RecordingPainter gone;
    s.DrawPinMark(gone);
    EXPECT_TRUE(gone.shapes.empty());
}

} // namespace
