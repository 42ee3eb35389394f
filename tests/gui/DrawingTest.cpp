#include "gui/CSchemeWnd.h"
#include "gui/CommandIds.h"
#include "gui/QtPainter.h"
#include "gui/SchemeFonts.h"
#include "gui/SymbolIcons.h"
#include "model/Scheme.h"
#include "model/SheetElements.h"
#include "model/Sources.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace korvanix;
using model::Element;
using model::ElementKind;
namespace kind = model::kind;

const ElementKind kEveryKind[] = {
    kind::Ground,     kind::Connector,  kind::Text,          kind::Resistor,      kind::Capacitor,
    kind::Inductance, kind::Unistor,    kind::VoltageSource, kind::CurrentSource, kind::Vccs,
    kind::Vcvs,       kind::Cccs,       kind::Ccvs,          kind::Gyrator,       kind::Transformer,
    kind::Tube,       kind::Transistor, kind::OpAmp};

bool IsInk(QRgb c) {
    return qRed(c) < 250 || qGreen(c) < 250 || qBlue(c) < 250;
}

bool IsRed(QRgb c) {
    return qRed(c) > 180 && qGreen(c) < 100 && qBlue(c) < 100;
}

// Renders into a white image at `zoom` pixels per sheet unit, the sheet point
// `origin` at the image's top-left corner.
class Canvas {
public:
    Canvas(int width, int height, double zoom, model::Point origin)
        : image_(width, height, QImage::Format_RGB32), zoom_(zoom), origin_(origin) {
        image_.fill(Qt::white);
    }

    template <class Paint> void Draw(Paint paint, const gui::SchemeFonts& fonts = Fonts()) {
        QPainter qp(&image_);
        qp.scale(zoom_, zoom_);
        qp.translate(-origin_.x, -origin_.y);
        gui::QtPainter painter(qp, fonts);
        paint(painter);
    }

    // Ink outside the sheet rectangle `allowed`.
    int InkOutside(const model::Rect& allowed) const {
        int count = 0;
        for (int py = 0; py < image_.height(); ++py) {
            const auto* row = reinterpret_cast<const QRgb*>(image_.constScanLine(py));
            const double sy = py / zoom_ + origin_.y;
            const bool rowInside = sy >= allowed.top && sy <= allowed.bottom;
            for (int px = 0; px < image_.width(); ++px) {
                const double sx = px / zoom_ + origin_.x;
                const bool inside = rowInside && sx >= allowed.left && sx <= allowed.right;
                if (!inside && IsInk(row[px]))
                    ++count;
            }
        }
        return count;
    }

    template <class Pred> int Count(Pred pred) const {
        int count = 0;
        for (int py = 0; py < image_.height(); ++py) {
            const auto* row = reinterpret_cast<const QRgb*>(image_.constScanLine(py));
            for (int px = 0; px < image_.width(); ++px)
                if (pred(row[px]))
                    ++count;
        }
        return count;
    }

    QImage& Image() { return image_; }

    static const gui::SchemeFonts& Fonts() {
        static const gui::SchemeFonts fonts;
        return fonts;
    }

private:
    QImage image_;
    double zoom_;
    model::Point origin_;
};

// Every symbol stays inside what the sheet repaints for it (its bounds), in every
// turn and mirror, so moving it never leaves a trace behind.
TEST(SymbolRenderingTest, EveryKindStaysWithinItsBoundsInEveryOrientation) {
    const gui::SchemeFonts& fonts = Canvas::Fonts();
    const gui::QtTextMetrics metrics(fonts);
    for (ElementKind k : kEveryKind) {
        for (int rotation = 0; rotation < 4; ++rotation) {
            for (int mirror = 0; mirror < 3; ++mirror) {
                std::unique_ptr<Element> e = model::ElementFactory(k, 1);
                ASSERT_TRUE(e);
                e->x = 100;
                e->y = 100;
                e->rotation = rotation;
                e->mirrorX = mirror == 1;
                e->mirrorY = mirror == 2;
                if (auto* label = dynamic_cast<model::TextLabel*>(e.get()))
                    label->UpdateSize(metrics);
                Canvas canvas(200 * 2, 200 * 2, 2.0, {0, 0});
                canvas.Draw([&](gui::QtPainter& p) { e->Draw(p); });
                const std::string where = "kind " + std::to_string(k) + " rotation " +
                                          std::to_string(rotation) + " mirror " +
                                          std::to_string(mirror);
                EXPECT_GT(canvas.Count(IsInk), 20) << where;
                // One unit of slack for antialiasing at the edges.
                EXPECT_EQ(canvas.InkOutside(e->Bounds().Inflated(1)), 0) << where;
            }
        }
    }
}

TEST(SymbolRenderingTest, SelectedElementHasRedPixelsAndAnUnselectedOneNone) {
    for (ElementKind k : kEveryKind) {
        std::unique_ptr<Element> e = model::ElementFactory(k, 1);
        e->x = 60;
        e->y = 60;
        for (bool selected : {false, true}) {
            e->selected = selected;
            Canvas canvas(120 * 2, 120 * 2, 2.0, {0, 0});
            canvas.Draw([&](gui::QtPainter& p) { e->Draw(p); });
            EXPECT_EQ(canvas.Count(IsRed) > 10, selected) << "kind " << k;
        }
    }
}

TEST(SymbolRenderingTest, TagsAreDrawnInTheirDisplayColours) {
    document::SchemeOptions options;
    options.nameColor = model::RgbColour(200, 0, 200);  // magenta names
    options.valueColor = model::RgbColour(0, 160, 160); // teal values
    const gui::SchemeFonts fonts(options);
    const gui::QtTextMetrics metrics(fonts);
    model::Scheme s;
    s.SetTextMetrics(&metrics);
    s.PlaceNew(kind::Resistor, 100, 100);
    s.RenumberNames();
    s.UpdateAllTags();

    const auto near = [](QRgb c, int r, int g, int b) {
        return std::abs(qRed(c) - r) < 40 && std::abs(qGreen(c) - g) < 40 &&
               std::abs(qBlue(c) - b) < 40;
    };
    Canvas canvas(200 * 2, 200 * 2, 2.0, {0, 0});
    canvas.Draw([&](gui::QtPainter& p) { s.Draw(p, false, model::Rect{}); }, fonts);
    EXPECT_GT(canvas.Count([&](QRgb c) { return near(c, 200, 0, 200); }), 10);
    EXPECT_GT(canvas.Count([&](QRgb c) { return near(c, 0, 160, 160); }), 10);

    s.showNames = false;
    s.UpdateAllTags();
    Canvas without(200 * 2, 200 * 2, 2.0, {0, 0});
    without.Draw([&](gui::QtPainter& p) { s.Draw(p, false, model::Rect{}); }, fonts);
    EXPECT_EQ(without.Count([&](QRgb c) { return near(c, 200, 0, 200); }), 0);
}

// Drag feedback is drawn inverted: the same outline drawn twice leaves the picture
// as it was, whatever lies under it.
TEST(SymbolRenderingTest, OutlineDrawnTwiceRestoresThePicture) {
    model::Scheme s;
    model::Element* r = s.PlaceNew(kind::Resistor, 96, 96);
    s.PlaceNew(kind::Capacitor, 128, 96); // under the outline
    s.SelectAt(r->x, r->y, false);
    Canvas canvas(200 * 2, 200 * 2, 2.0, {0, 0});
    canvas.Draw([&](gui::QtPainter& p) { s.Draw(p, false, model::Rect{}); });
    const QImage before = canvas.Image().copy();

    canvas.Draw([&](gui::QtPainter& p) { s.DrawDragOutline(p, 24, 8, model::Rect{}); });
    EXPECT_NE(canvas.Image(), before) << "the outline shows";
    canvas.Draw([&](gui::QtPainter& p) { s.DrawDragOutline(p, 24, 8, model::Rect{}); });
    EXPECT_EQ(canvas.Image(), before) << "drawn again it is gone";
}

// Arc angles run in the sheet's axes: from +x towards +y, which is down the screen.
TEST(QtPainterTest, ArcsTurnTheSheetsWay) {
    struct Case {
        int start, sweep;
        bool above, below, left, right;
    } cases[] = {
        {180, 180, true, false, true, true}, // through 270: the upper half
        {0, 180, false, true, true, true},   // through 90: the lower half
        {90, 180, true, true, true, false},  // through 180: the left half
        {90, -180, true, true, false, true}, // backwards through 0: the right half
    };
    for (const Case& c : cases) {
        Canvas canvas(100, 100, 1.0, {0, 0});
        canvas.Draw([&](gui::QtPainter& p) { p.Arc({50, 50}, 30, c.start, c.sweep); });
        QImage& image = canvas.Image();
        const auto inkIn = [&](int x0, int y0, int x1, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    if (IsInk(image.pixel(x, y)))
                        return true;
            return false;
        };
        const std::string where = std::to_string(c.start) + "/" + std::to_string(c.sweep);
        EXPECT_EQ(inkIn(40, 0, 60, 40), c.above) << where;
        EXPECT_EQ(inkIn(40, 61, 60, 100), c.below) << where;
        EXPECT_EQ(inkIn(0, 40, 40, 60), c.left) << where;
        EXPECT_EQ(inkIn(61, 40, 100, 60), c.right) << where;
    }
}

// The sheet as a window shows it: a view of `view` logical pixels at `scale` sheet
// units per 100 pixels around `centre`, on a device of `ratio` device pixels per
// logical pixel.
template <class Paint>
QImage RenderView(double ratio, QSize view, int scale, model::Point centre, Paint paint) {
    QImage image(static_cast<int>(std::ceil(view.width() * ratio)),
                 static_cast<int>(std::ceil(view.height() * ratio)), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter qp(&image);
    gui::ApplySheetView(qp, view.width(), view.height(), scale, centre.x, centre.y);
    gui::QtPainter painter(qp, Canvas::Fonts());
    paint(painter);
    return image;
}

// What a line of device pixels crosses: the lengths of its runs of full ink, and
// how many pixels are neither ink nor paper (half-tones, the smear of a stroke
// that straddles two pixel rows).
struct PixelScan {
    std::vector<int> runs;
    int halfTones = 0;
};

// Along column (or row) `at`, from pixel `from` up to `to` (-1: the image's end).
PixelScan Scan(const QImage& image, bool column, int at, int from = 0, int to = -1) {
    PixelScan scan;
    const int length = column ? image.height() : image.width();
    int run = 0;
    for (int i = std::max(0, from); i < (to < 0 ? length : std::min(to, length)); ++i) {
        const int grey = qGray(column ? image.pixel(at, i) : image.pixel(i, at));
        if (grey <= 16) {
            ++run;
            continue;
        }
        if (grey < 239)
            ++scan.halfTones;
        if (run > 0)
            scan.runs.push_back(run);
        run = 0;
    }
    if (run > 0)
        scan.runs.push_back(run);
    return scan;
}

// A sheet point's device pixel in a view made by RenderView.
QPoint DevicePixel(double ratio, QSize view, int scale, model::Point centre, model::Point p) {
    const double x = view.width() / 2.0 + (p.x - centre.x) * 100.0 / scale;
    const double y = view.height() / 2.0 + (p.y - centre.y) * 100.0 / scale;
    return {static_cast<int>(std::floor(x * ratio)), static_cast<int>(std::floor(y * ratio))};
}

// A resistor's body edges are each one solid band of whole device pixels, never
// two half-tone rows, whatever the zoom, the device pixel ratio or where the view
// centre puts the sheet's units (odd view sizes put them on half pixels).
TEST(CrispDrawingTest, BodyEdgesFillWholeDevicePixelsAtEveryZoomAndRatio) {
    const model::Point at{1000, 1000};
    for (double ratio : {1.0, 1.5, 2.0})
        for (int scale : {40, 63, 100, 137, 250, 500})
            for (QSize view : {QSize(400, 300), QSize(401, 301)})
                for (model::Point centre : {model::Point{1000, 1000}, model::Point{1003, 995}}) {
                    for (int rotation : {0, 1}) {
                        std::unique_ptr<Element> r = model::ElementFactory(kind::Resistor, 1);
                        r->x = at.x;
                        r->y = at.y;
                        r->rotation = rotation;
                        int stroke = 0;
                        const QImage image =
                            RenderView(ratio, view, scale, centre, [&](gui::QtPainter& p) {
                                r->Draw(p);
                                stroke = p.StrokePixels();
                            });
                        // Across the body through its middle: the two long edges and
                        // nothing else (the leads run along the other axis).
                        const QPoint middle = DevicePixel(ratio, view, scale, centre, at);
                        const bool horizontal = rotation == 0;
                        const PixelScan scan =
                            Scan(image, horizontal, horizontal ? middle.x() : middle.y());
                        const std::string where =
                            "ratio " + std::to_string(ratio) + " scale " + std::to_string(scale) +
                            " view " + std::to_string(view.width()) + " centre " +
                            std::to_string(centre.x) + " rotation " + std::to_string(rotation);
                        EXPECT_EQ(scan.halfTones, 0) << where;
                        EXPECT_EQ(scan.runs, std::vector<int>(2, stroke)) << where;
                    }
                }
}

// Lines weigh more as the view zooms in, the way the labels' letters do: a wire
// at the largest magnification is clearly heavier than at the smallest, never
// lighter at a larger one; a wide pen (capacitor plates) stays heavier than a
// thin one even zoomed right out; a dense screen gets proportionally more pixels.
TEST(CrispDrawingTest, StrokesGrowWithTheMagnification) {
    const QSize view(300, 200);
    const model::Point centre{1000, 1000};
    const auto weigh = [&](double ratio, int scale, int penWidth) {
        const QImage image = RenderView(ratio, view, scale, centre, [&](gui::QtPainter& p) {
            p.SetPen(model::kWireColour, penWidth);
            p.Polyline({{900, 1000}, {1100, 1000}});
        });
        const PixelScan scan =
            Scan(image, true, DevicePixel(ratio, view, scale, centre, centre).x());
        EXPECT_EQ(scan.halfTones, 0) << ratio << " " << scale << " " << penWidth;
        return scan.runs.size() == 1 ? scan.runs.front() : -1;
    };
    for (double ratio : {1.0, 1.5, 2.0}) {
        int previous = 1 << 20;
        for (int scale : {40, 50, 70, 100, 150, 250, 500}) {
            const int thin = weigh(ratio, scale, 0);
            const int wide = weigh(ratio, scale, 2);
            const std::string where = std::to_string(ratio) + " " + std::to_string(scale);
            EXPECT_GE(thin, 1) << where;
            EXPECT_LE(thin, previous) << where;
            EXPECT_GT(wide, thin) << where;
            previous = thin;
        }
        EXPECT_GE(weigh(ratio, 40, 0), 2 * weigh(ratio, 500, 0)) << ratio;
    }
    EXPECT_EQ(weigh(2.0, 100, 0), 2 * weigh(1.0, 100, 0));
}

// The sheet window paints through the same painter: on a plain and on a dense
// screen, with a view height that puts the sheet's units on half pixels, its
// resistor's edges are whole rows of device pixels, heavier when zoomed in.
TEST(CrispDrawingTest, TheSchemeWindowPaintsWholePixelEdges) {
    gui::CSchemeWnd wnd;
    wnd.setFrameStyle(0);
    wnd.resize(500, 400);
    wnd.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
    const QSize want(401, 301);
    wnd.resize(wnd.size() + (want - wnd.viewport()->size()));
    QCoreApplication::processEvents();
    ASSERT_EQ(wnd.viewport()->size(), want);
    const model::Point at{1000, 1000};
    wnd.Doc().scheme.PlaceNew(kind::Resistor, at.x, at.y);

    std::map<int, int> heaviest; // by ratio, at scale 40
    for (double ratio : {1.0, 1.5, 2.0})
        for (int scale : {40, 100, 170}) {
            wnd.Doc().view.scale = scale;
            wnd.Doc().view.centerX = at.x + 3;
            wnd.Doc().view.centerY = at.y - 5;
            wnd.DocumentReloaded();
            QImage image(static_cast<int>(std::ceil(want.width() * ratio)),
                         static_cast<int>(std::ceil(want.height() * ratio)), QImage::Format_RGB32);
            image.setDevicePixelRatio(ratio);
            wnd.viewport()->render(&image);
            // Only across the body (its tags stand just above it), and halfway
            // between the columns of the 8-unit raster, which the window may mark.
            const auto device = [&](model::Point p) {
                const QPoint pixel = wnd.ToPixel(p);
                return QPoint(static_cast<int>(pixel.x() * ratio),
                              static_cast<int>(pixel.y() * ratio));
            };
            const int margin = static_cast<int>(4 * ratio);
            const PixelScan scan =
                Scan(image, true, device({at.x + 4, at.y}).x(),
                     device({at.x, at.y - 7}).y() - margin, device({at.x, at.y + 7}).y() + margin);
            const std::string where = std::to_string(ratio) + " " + std::to_string(scale);
            EXPECT_EQ(scan.halfTones, 0) << where;
            ASSERT_EQ(scan.runs.size(), 2u) << where;
            EXPECT_EQ(scan.runs[0], scan.runs[1]) << where;
            EXPECT_GE(scan.runs[0], static_cast<int>(ratio)) << where;
            if (scale == 40)
                heaviest[static_cast<int>(ratio * 2)] = scan.runs[0];
            else
                EXPECT_LT(scan.runs[0], heaviest[static_cast<int>(ratio * 2)]) << where;
        }
}

// Crisp rows and columns are for the horizontal and vertical strokes only: slanted
// lines and circles keep their antialiased edges.
TEST(CrispDrawingTest, SlantedLinesAndCirclesStaySmooth) {
    for (double ratio : {1.0, 2.0}) {
        const QImage slanted =
            RenderView(ratio, QSize(100, 100), 100, {50, 50}, [](gui::QtPainter& p) {
                p.Line({10, 20}, {90, 60});
            });
        const QImage circle =
            RenderView(ratio, QSize(100, 100), 100, {50, 50}, [](gui::QtPainter& p) {
                p.Ellipse(model::Rect{20, 20, 80, 80});
            });
        for (const QImage* image : {&slanted, &circle}) {
            int halfTones = 0;
            for (int y = 0; y < image->height(); ++y)
                for (int x = 0; x < image->width(); ++x) {
                    const int grey = qGray(image->pixel(x, y));
                    halfTones += grey > 16 && grey < 239;
                }
            EXPECT_GT(halfTones, 40 * ratio) << ratio;
        }
    }
}

TEST(SchemeFontsTest, LogFontHeightInTenthsOfAPointBecomesPixelsAt96Dpi) {
    struct Case {
        int32_t tenths;
        int pixels;
    } cases[] = {{100, 13}, {120, 16}, {80, 11}, {240, 32}, {-120, 16}, {0, 13}, {1, 1}};
    for (const Case& c : cases) {
        model::LogFont f;
        f.height = c.tenths;
        f.SetFace("Arial");
        EXPECT_EQ(gui::FontFromLogFont(f).pixelSize(), c.pixels) << c.tenths;
    }
}

TEST(SchemeFontsTest, StyleFieldsAndUnknownFaceFallBack) {
    model::LogFont f;
    f.height = 100;
    f.weight = 700;
    f.italic = 1;
    f.underline = 1;
    f.strikeOut = 1;
    f.SetFace("Нет такого шрифта");
    const QFont q = gui::FontFromLogFont(f);
    EXPECT_EQ(q.weight(), QFont::Bold);
    EXPECT_TRUE(q.italic());
    EXPECT_TRUE(q.underline());
    EXPECT_TRUE(q.strikeOut());
    // A missing face is not asked for: the font names one the system has.
    EXPECT_TRUE(QFontDatabase::hasFamily(q.family())) << q.family().toStdString();
    EXPECT_EQ(QFontInfo(q).family(), q.family());

    f.weight = 400;
    f.italic = f.underline = f.strikeOut = 0;
    const QFont plain = gui::FontFromLogFont(f);
    EXPECT_EQ(plain.weight(), QFont::Normal);
    EXPECT_FALSE(plain.italic() || plain.underline() || plain.strikeOut());
}

TEST(SchemeFontsTest, FontsAndColoursComeFromTheDisplaySettings) {
    document::SchemeOptions options;
    options.nodeFont.height = 240;
    options.nodeColor = model::RgbColour(1, 2, 3);
    const gui::SchemeFonts fonts(options);
    EXPECT_EQ(fonts.Font(1).pixelSize(), 13);
    EXPECT_EQ(fonts.Font(3).pixelSize(), 32);
    EXPECT_EQ(fonts.Colour(3), model::RgbColour(1, 2, 3));
    EXPECT_EQ(fonts.Colour(1), model::RgbColour(0, 0, 255));
    EXPECT_EQ(gui::ColourFromRef(model::RgbColour(10, 20, 30)), QColor(10, 20, 30));
}

TEST(QtTextMetricsTest, ExtentsGrowWithTextAndFont) {
    const gui::SchemeFonts fonts;
    const gui::QtTextMetrics metrics(fonts);
    for (int font = 1; font <= 3; ++font) {
        const model::Size one = metrics.TextExtent("R1", font);
        const model::Size longer = metrics.TextExtent("R1 100 кОм", font);
        EXPECT_GT(one.width, 0) << font;
        EXPECT_GT(one.height, 0) << font;
        EXPECT_GT(longer.width, one.width) << font;
    }
    EXPECT_GT(metrics.TextExtent("1", 3).height, metrics.TextExtent("1", 1).height)
        << "node numbers are 12 points, names 10";

    model::LogFont small;
    small.height = 80;
    small.SetFace("Arial");
    model::LogFont big = small;
    big.height = 240;
    EXPECT_GT(metrics.LabelExtent("Текст", big).width, metrics.LabelExtent("Текст", small).width);

    // A label measures itself in its own font.
    model::TextLabel label(1);
    label.font = big;
    label.UpdateSize(metrics);
    EXPECT_EQ(label.width, metrics.LabelExtent("Текст", big).width + 6);
    EXPECT_EQ(label.height, metrics.LabelExtent("Текст", big).height);
}

// A label typed over several lines is measured and drawn line by line: the lines
// stack instead of running into one (CR LF from older files counts as one break).
TEST(QtTextMetricsTest, MultiLineLabelsStackTheirLines) {
    const gui::SchemeFonts fonts;
    const gui::QtTextMetrics metrics(fonts);
    model::LogFont font;
    font.height = 120;
    font.SetFace("DejaVu Sans");
    const model::Size one = metrics.LabelExtent("Метка A", font);
    const model::Size two = metrics.LabelExtent("Метка A\nстрока 2", font);
    const model::Size crlf = metrics.LabelExtent("Метка A\r\nстрока 2", font);
    EXPECT_EQ(two.width, std::max(one.width, metrics.LabelExtent("строка 2", font).width));
    EXPECT_GT(two.height, one.height * 3 / 2);
    EXPECT_EQ(crlf.width, two.width);
    EXPECT_EQ(crlf.height, two.height);

    // Drawn: ink on two separate bands of rows, none between the lines' middles.
    QImage image(300, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        gui::QtPainter painter(p, fonts);
        painter.TextCentred("Метка A\nстрока 2", {150, 60}, font, 0);
    }
    std::vector<bool> inked(120, false);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 300; ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                inked[static_cast<std::size_t>(y)] = true;
    int bands = 0;
    for (int y = 1; y < 120; ++y)
        if (inked[static_cast<std::size_t>(y)] && !inked[static_cast<std::size_t>(y) - 1])
            ++bands;
    EXPECT_EQ(bands, 2);
}

TEST(SheetViewTest, CentreOfTheViewLandsInTheMiddleAtTheScale) {
    struct Case {
        int width, height, scale, cx, cy;
        model::Point sheet;
        QPointF pixel;
    } cases[] = {
        {800, 600, 100, 1500, 1500, {1500, 1500}, {400, 300}},
        {800, 600, 100, 1500, 1500, {1600, 1450}, {500, 250}},
        {800, 600, 50, 1500, 1500, {1600, 1450}, {600, 200}}, // 2 pixels per unit
        {800, 600, 200, 1000, 500, {1200, 500}, {500, 300}},  // half a pixel per unit
        {801, 601, 40, 0, 0, {10, -4}, {425.5, 290.5}},
    };
    for (const Case& c : cases) {
        QImage image(c.width, c.height, QImage::Format_RGB32);
        QPainter p(&image);
        gui::ApplySheetView(p, c.width, c.height, c.scale, c.cx, c.cy);
        const QPointF mapped = p.transform().map(QPointF(c.sheet.x, c.sheet.y));
        EXPECT_NEAR(mapped.x(), c.pixel.x(), 1e-9) << c.scale;
        EXPECT_NEAR(mapped.y(), c.pixel.y(), 1e-9) << c.scale;
    }
}

const int kIconCommands[] = {gui::cmd::PlaceConnector,
                             gui::cmd::PlaceGround,
                             gui::cmd::PlaceResistor,
                             gui::cmd::PlaceCapacitor,
                             gui::cmd::PlaceInductance,
                             gui::cmd::PlaceUnistor,
                             gui::cmd::PlaceVoltageSource,
                             gui::cmd::PlaceCurrentSource,
                             gui::cmd::PlaceVccs,
                             gui::cmd::PlaceGyrator,
                             gui::cmd::PlaceVcvs,
                             gui::cmd::PlaceCccs,
                             gui::cmd::PlaceCcvs,
                             gui::cmd::PlaceLamp,
                             gui::cmd::PlaceTransistor,
                             gui::cmd::PlaceTransformer,
                             gui::cmd::PlaceOpAmp,
                             gui::cmd::PlaceText,
                             gui::cmd::New,
                             gui::cmd::Open,
                             gui::cmd::Save,
                             gui::cmd::Cut,
                             gui::cmd::Copy,
                             gui::cmd::Paste,
                             gui::cmd::PaletteBasic,
                             gui::cmd::PaletteSources,
                             gui::cmd::PaletteActive,
                             gui::cmd::NodeNumbers,
                             gui::cmd::Transient,
                             gui::cmd::Frequency,
                             gui::cmd::Rotate,
                             gui::cmd::MirrorX,
                             gui::cmd::MirrorY,
                             gui::cmd::ZoomIn,
                             gui::cmd::ZoomOut,
                             gui::cmd::HelpContents,
                             gui::cmd::Undo,
                             gui::cmd::Redo};

int InkPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                ++count;
    return count;
}

TEST(CommandIconTest, EveryPlacingAndToolbarCommandHasADrawnIconAtAnyDensity) {
    for (int id : kIconCommands) {
        const QIcon icon = gui::CommandIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        const QPixmap one = icon.pixmap(QSize(24, 24), 1.0);
        const QPixmap two = icon.pixmap(QSize(24, 24), 2.0);
        EXPECT_EQ(one.size(), QSize(24, 24)) << id;
        EXPECT_EQ(two.size(), QSize(48, 48)) << id;
        EXPECT_DOUBLE_EQ(two.devicePixelRatio(), 2.0) << id;
        const QImage a = one.toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage b = two.toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_GT(InkPixels(a), 8) << id;
        // Drawn for the density, not blown up: the 2x picture has about four times
        // the ink, never a copy of the 1x one.
        EXPECT_GT(InkPixels(b), 2 * InkPixels(a)) << id;
    }
    // For a person to look at: every icon at 16, 24 and 48 pixels, normal and
    // disabled, when KORVANIX_ICONS_PNG names a file.
    const QByteArray path = qgetenv("KORVANIX_ICONS_PNG");
    if (!path.isEmpty()) {
        const int count = static_cast<int>(std::size(kIconCommands));
        const int rows = (count + 9) / 10;
        QImage sheet(10 * 130, rows * 60, QImage::Format_ARGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        for (int i = 0; i < count; ++i) {
            const QIcon icon = gui::CommandIcon(kIconCommands[i]);
            const int x = (i % 10) * 130 + 4;
            const int y = (i / 10) * 60 + 4;
            p.drawPixmap(x, y, icon.pixmap(QSize(48, 48), 1.0));
            p.drawPixmap(x + 52, y, icon.pixmap(QSize(16, 16), 1.0));
            p.drawPixmap(x + 52, y + 20, icon.pixmap(QSize(24, 24), 1.0));
            p.drawPixmap(x + 80, y, icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled));
        }
        p.end();
        EXPECT_TRUE(sheet.save(QString::fromLocal8Bit(path)));
    }
    EXPECT_TRUE(gui::CommandIcon(gui::cmd::Exit).isNull());
    EXPECT_TRUE(gui::CommandIcon(12345).isNull());
}

TEST(CommandIconTest, EachCommandShowsItsOwnPicture) {
    // The palettes show their emblem element, which repeats one placing command.
    const std::map<int, int> sameAs = {{gui::cmd::PaletteBasic, gui::cmd::PlaceResistor},
                                       {gui::cmd::PaletteSources, gui::cmd::PlaceVoltageSource},
                                       {gui::cmd::PaletteActive, gui::cmd::PlaceTransistor}};
    std::map<int, QImage> images;
    for (int id : kIconCommands)
        images[id] = gui::CommandIcon(id).pixmap(QSize(32, 32), 1.0).toImage();
    for (const auto& [a, imageA] : images)
        for (const auto& [b, imageB] : images) {
            if (a >= b)
                continue;
            const auto found = sameAs.find(a);
            const bool twins = (found != sameAs.end() && found->second == b) ||
                               (sameAs.count(b) && sameAs.at(b) == a);
            EXPECT_EQ(imageA == imageB, twins) << a << " and " << b;
        }
}

TEST(CommandIconTest, DisabledIconsAreGrey) {
    for (int id : {gui::cmd::PlaceResistor, gui::cmd::Save, gui::cmd::Transient}) {
        const QImage image = gui::CommandIcon(id)
                                 .pixmap(QSize(32, 32), 1.0, QIcon::Disabled)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        int coloured = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) > 128 && std::max({qRed(c), qGreen(c), qBlue(c)}) -
                                               std::min({qRed(c), qGreen(c), qBlue(c)}) >
                                           30)
                    ++coloured;
            }
        EXPECT_EQ(coloured, 0) << id;
        EXPECT_GT(InkPixels(image), 8) << id;
    }
}

// Icons whose symbols differ only in small marks (the sources' arrows, the
// controlled sources' marks and controlling quantity, the two round three-pin
// symbols) must still look different at palette size: a good share of their ink
// lies in different places, on a plain and on a dense screen.
TEST(CommandIconTest, ConfusableIconsDifferInManyPixels) {
    using namespace gui::cmd;
    const std::pair<int, int> pairs[] = {
        {PlaceVoltageSource, PlaceCurrentSource},
        {PlaceVccs, PlaceVcvs},
        {PlaceCccs, PlaceCcvs},
        {PlaceVccs, PlaceCccs},
        {PlaceVcvs, PlaceCcvs},
        {PlaceVccs, PlaceCcvs},
        {PlaceVcvs, PlaceCccs},
        {PlaceTransistor, PlaceLamp},
        {PlaceResistor, PlaceUnistor},
    };
    const auto image = [](int id, int size, double ratio) {
        return gui::CommandIcon(id)
            .pixmap(QSize(size, size), ratio)
            .toImage()
            .convertToFormat(QImage::Format_ARGB32);
    };
    for (const auto& [a, b] : pairs)
        for (int size : {16, 24})
            for (double ratio : {1.0, 2.0}) {
                const QImage one = image(a, size, ratio);
                const QImage other = image(b, size, ratio);
                ASSERT_EQ(one.size(), other.size());
                int differing = 0;
                for (int y = 0; y < one.height(); ++y)
                    for (int x = 0; x < one.width(); ++x)
                        differing +=
                            std::abs(qAlpha(one.pixel(x, y)) - qAlpha(other.pixel(x, y))) > 128;
                const int ink = std::min(InkPixels(one), InkPixels(other));
                EXPECT_GE(differing * 5, ink) << a << " and " << b << " at " << size << "x" << ratio
                                              << ": " << differing << " of " << ink;
            }
}

// A sheet with every symbol, some turned, for a person to look at. Written only
// when KORVANIX_SYMBOLS_PNG names a file.
TEST(SymbolSheetTest, EveryKindOnOneSheet) {
    document::SchemeOptions options;
    options.showNodes = 1;
    const gui::SchemeFonts fonts(options);
    const gui::QtTextMetrics metrics(fonts);
    model::Scheme s;
    s.SetTextMetrics(&metrics);
    s.showNodes = true;
    int column = 0;
    for (ElementKind k : kEveryKind) {
        for (int rotation = 0; rotation < 2; ++rotation) {
            model::Element* e =
                s.PlaceNew(k, 80 + 120 * (column % 9), 80 + 200 * (column / 9) + 100 * rotation);
            if (rotation == 1) {
                e->rotation = (e->rotation + 1) % 4;
                e->mirrorX = k == kind::Transistor;
            }
            if (k == kind::VoltageSource && rotation == 1)
                static_cast<model::SourceElement*>(e)->SetMode(model::SourceMode::Ac);
            if (k == kind::Resistor && rotation == 1)
                e->selected = true;
        }
        ++column;
    }
    // A small circuit with wires, a connector and node numbers.
    model::Element* u = s.PlaceNew(kind::VoltageSource, 120, 560);
    model::Element* r = s.PlaceNew(kind::Resistor, 224, 488, 0);
    model::Element* c = s.PlaceNew(kind::Capacitor, 344, 560, 1);
    model::Element* g = s.PlaceNew(kind::Ground, 232, 656);
    model::Element* con = s.PlaceNew(kind::Connector, 232, 624);
    s.Join(u, 2, r, 1);
    s.Join(r, 2, c, 1);
    s.Join(u, 1, con, 1);
    s.Join(c, 2, con, 3);
    s.Join(con, 4, g, 1);
    for (auto& w : s.wires)
        w->Route();
    s.RenumberNodes();
    s.RenumberNames();
    s.UpdateAllTags();
    s.RebuildNodeTags();

    // KORVANIX_SYMBOLS_SCALE zooms in (sheet units per 100 pixels) around the sheet
    // point KORVANIX_SYMBOLS_X, KORVANIX_SYMBOLS_Y.
    const bool zoom = qEnvironmentVariableIsSet("KORVANIX_SYMBOLS_SCALE");
    const int scale =
        zoom ? std::max(20, qEnvironmentVariableIntValue("KORVANIX_SYMBOLS_SCALE")) : 100;
    const int cx = zoom ? qEnvironmentVariableIntValue("KORVANIX_SYMBOLS_X") : 600;
    const int cy = zoom ? qEnvironmentVariableIntValue("KORVANIX_SYMBOLS_Y") : 360;
    // KORVANIX_SYMBOLS_RATIO draws it for a denser screen (device pixels per pixel).
    const double ratio = qEnvironmentVariableIsSet("KORVANIX_SYMBOLS_RATIO")
                             ? std::clamp(qgetenv("KORVANIX_SYMBOLS_RATIO").toDouble(), 1.0, 4.0)
                             : 1.0;
    QImage image(static_cast<int>(1200 * ratio), static_cast<int>(720 * ratio),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter qp(&image);
        gui::ApplySheetView(qp, 1200, 720, scale, cx, cy);
        gui::QtPainter painter(qp, fonts);
        s.Draw(painter, false, model::Rect{});
    }
    EXPECT_GT(InkPixels(image), 1000);
    const QByteArray path = qgetenv("KORVANIX_SYMBOLS_PNG");
    if (!path.isEmpty()) {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(path)));
    }
}

} // namespace
