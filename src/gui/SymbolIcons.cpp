#include "gui/SymbolIcons.h"

#include "gui/CommandIds.h"
#include "gui/GraphCommandIds.h"
#include "gui/QtPainter.h"
#include "gui/SchemeFonts.h"
#include "model/Element.h"
#include "model/Painter.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>

namespace korvanix::gui {
namespace {

// Collects the sheet extent of whatever is drawn, so that a symbol can be fitted
// into an icon whatever its size and turn.
class ExtentPainter : public model::Painter {
public:
    void SetPen(uint32_t, int) override {}
    void SetBrush(uint32_t) override {}
    void NoBrush() override {}
    void Line(model::Point a, model::Point b) override {
        Add(a);
        Add(b);
    }
    void Polyline(const std::vector<model::Point>& points) override {
        for (const model::Point& p : points)
            Add(p);
    }
    void Polygon(const std::vector<model::Point>& points) override { Polyline(points); }
    void Rectangle(const model::Rect& r) override {
        Add({r.left, r.top});
        Add({r.right, r.bottom});
    }
    void Ellipse(const model::Rect& r) override { Rectangle(r); }
    void Arc(model::Point c, int radius, int, int) override {
        Rectangle(model::Rect{c.x, c.y, c.x, c.y}.Inflated(radius));
    }
    void Text(const std::string&, model::Point at, int, uint32_t) override { Add(at); }
    void TextCentred(const std::string&, model::Point centre, const model::LogFont&,
                     uint32_t) override {
        Add(centre);
    }
    void SetOutlineMode(bool) override {}

    bool empty = true;
    int left = 0, top = 0, right = 0, bottom = 0;

private:
    void Add(model::Point p) {
        if (empty) {
            left = right = p.x;
            top = bottom = p.y;
            empty = false;
            return;
        }
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
};

using IconPaint = std::function<void(QPainter&, const QRectF&, const QColor&, bool disabled)>;

// Paints at the size asked for, in device pixels, so icons stay sharp on dense
// screens.
class PaintedIconEngine : public QIconEngine {
public:
    explicit PaintedIconEngine(IconPaint paint) : paint_(std::move(paint)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const bool disabled = mode == QIcon::Disabled;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        paint_(*painter, QRectF(rect), disabled ? QColor(150, 150, 150) : QColor(), disabled);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        // QIcon asks with the size already in device pixels.
        QPixmap pm(size.isEmpty() ? QSize(1, 1) : size);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, QRect(QPoint(0, 0), pm.size()), mode, state);
        }
        pm.setDevicePixelRatio(scale);
        return pm;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(paint_); }
    QString key() const override { return QStringLiteral("korvanix-painted"); }

private:
    IconPaint paint_;
};

QIcon MakeIcon(IconPaint paint) {
    return QIcon(new PaintedIconEngine(std::move(paint)));
}

// Lines of an element icon: one pixel at 16 and 24, two on a dense screen.
int IconLinePixels(const QRectF& rect) {
    return std::max(1, static_cast<int>(std::lround(rect.width() / 20.0)));
}

const SchemeFonts& IconFonts() {
    static const SchemeFonts fonts;
    return fonts;
}

// Element icons are the sheet's symbols drawn anew for a 32-unit grid: fitted
// whole, with their leads, a symbol at 16 pixels is too small to tell a voltage
// source from a current source or one controlled source from another, and the
// plates of a capacitor run together. Here each stands as it is placed, fills the
// icon, and its telling marks (arrows, signs, the controlling quantity) are big
// enough to read at 16 pixels.
class IconSketch {
public:
    explicit IconSketch(model::Painter& p) : p_(p) {}

    void Line(int x1, int y1, int x2, int y2) { p_.Line({x1, y1}, {x2, y2}); }
    void Polyline(std::initializer_list<model::Point> points) { p_.Polyline(points); }
    void Polygon(std::initializer_list<model::Point> points) { p_.Polygon(points); }
    void Box(int left, int top, int right, int bottom) {
        p_.Rectangle(model::Rect{left, top, right, bottom});
    }
    void Circle(int cx, int cy, int r) { p_.Ellipse(model::Rect{cx - r, cy - r, cx + r, cy + r}); }
    void Disc(int cx, int cy, int r) {
        p_.SetBrush(kInk);
        Circle(cx, cy, r);
        p_.NoBrush();
    }
    void Arc(int cx, int cy, int r, int startDegrees, int sweepDegrees) {
        p_.Arc({cx, cy}, r, startDegrees, sweepDegrees);
    }
    void Filled(std::initializer_list<model::Point> points) {
        p_.SetBrush(kInk);
        p_.Polygon(points);
        p_.NoBrush();
    }
    // A filled head with its tip at (x2, y2), pointing away from (x1, y1).
    void Head(int x1, int y1, int x2, int y2, double length, double half) {
        const double len = std::hypot(x2 - x1, y2 - y1);
        const double ux = (x2 - x1) / len;
        const double uy = (y2 - y1) / len;
        const double bx = x2 - ux * length;
        const double by = y2 - uy * length;
        Filled({{x2, y2},
                {static_cast<int>(std::lround(bx - uy * half)),
                 static_cast<int>(std::lround(by + ux * half))},
                {static_cast<int>(std::lround(bx + uy * half)),
                 static_cast<int>(std::lround(by - ux * half))}});
    }
    void Thick(bool on) { p_.SetPen(kInk, on ? 2 : 0); }

    // The quantity that controls a controlled source, as a letter beside it: U for
    // a voltage, I for a current.
    void ControlLetter(bool current) {
        if (current) {
            Line(2, 9, 8, 9);
            Line(5, 9, 5, 23);
            Line(2, 23, 8, 23);
        } else {
            Polyline({{2, 9}, {2, 20}, {4, 23}, {7, 23}, {9, 20}, {9, 9}});
        }
    }

    static constexpr uint32_t kInk = model::kSymbolColour;

private:
    model::Painter& p_;
};

bool PaintOwnPicture(model::ElementKind kind, model::Painter& painter) {
    IconSketch s(painter);
    switch (kind) {
    case model::kind::Connector:
        s.Line(3, 16, 29, 16);
        s.Line(16, 3, 16, 29);
        s.Disc(16, 16, 5);
        return true;
    case model::kind::Ground:
        s.Line(16, 3, 16, 13);
        s.Line(5, 13, 27, 13);
        s.Line(9, 19, 23, 19);
        s.Line(13, 25, 19, 25);
        return true;
    case model::kind::Resistor:
        s.Line(0, 16, 7, 16);
        s.Line(25, 16, 32, 16);
        s.Box(7, 11, 25, 21);
        return true;
    case model::kind::Capacitor:
        s.Line(0, 16, 12, 16);
        s.Line(20, 16, 32, 16);
        s.Thick(true);
        s.Line(12, 6, 12, 26);
        s.Line(20, 6, 20, 26);
        s.Thick(false);
        return true;
    case model::kind::Inductance:
        s.Line(0, 19, 4, 19);
        s.Line(28, 19, 32, 19);
        for (int cx = 8; cx <= 24; cx += 8)
            s.Arc(cx, 19, 4, 180, 180);
        return true;
    case model::kind::Unistor:
        s.Line(0, 16, 9, 16);
        s.Line(23, 16, 32, 16);
        s.Box(9, 4, 23, 28);
        s.Line(12, 16, 17, 16);
        s.Filled({{21, 16}, {15, 12}, {15, 20}});
        return true;
    case model::kind::VoltageSource:
    case model::kind::CurrentSource:
        // Standing as placed: pin 2, where the arrow points, at the top.
        s.Line(16, 0, 16, 5);
        s.Line(16, 27, 16, 32);
        s.Circle(16, 16, 11);
        if (kind == model::kind::VoltageSource) {
            s.Line(16, 24, 16, 12);
            s.Filled({{16, 6}, {12, 15}, {20, 15}});
        } else {
            // The double head of a current source.
            s.Line(16, 25, 16, 18);
            s.Filled({{16, 6}, {11, 13}, {21, 13}});
            s.Filled({{16, 14}, {11, 21}, {21, 21}});
        }
        return true;
    case model::kind::Vccs:
    case model::kind::Vcvs:
    case model::kind::Cccs:
    case model::kind::Ccvs: {
        const bool currentOutput = kind == model::kind::Vccs || kind == model::kind::Cccs;
        const bool currentControl = kind == model::kind::Cccs || kind == model::kind::Ccvs;
        s.ControlLetter(currentControl);
        s.Line(21, 0, 21, 5);
        s.Line(21, 27, 21, 32);
        s.Polygon({{21, 5}, {31, 16}, {21, 27}, {11, 16}});
        // Kept clear of the corners, where the leads come in.
        if (currentOutput) {
            s.Line(21, 23, 21, 15);
            s.Filled({{21, 9}, {17, 16}, {25, 16}});
        } else {
            s.Line(18, 12, 24, 12);
            s.Line(21, 9, 21, 15);
            s.Line(18, 20, 24, 20);
        }
        return true;
    }
    case model::kind::Gyrator:
        // The two ports left and right, the common terminal along the bottom.
        s.Line(0, 11, 7, 11);
        s.Line(25, 11, 32, 11);
        s.Polyline({{7, 21}, {3, 21}, {3, 30}, {29, 30}, {29, 21}, {25, 21}});
        s.Box(7, 4, 25, 26);
        s.Arc(16, 13, 4, 180, 180);
        s.Line(10, 19, 19, 19);
        s.Filled({{23, 19}, {17, 15}, {17, 23}});
        return true;
    case model::kind::Transformer:
        s.Line(0, 7, 10, 7);
        s.Line(0, 25, 10, 25);
        s.Line(22, 7, 32, 7);
        s.Line(22, 25, 32, 25);
        for (int cy = 10; cy <= 22; cy += 6) {
            s.Arc(10, cy, 3, 90, 180);
            s.Arc(22, cy, 3, 270, 180);
        }
        s.Line(14, 4, 14, 28);
        s.Line(18, 4, 18, 28);
        return true;
    case model::kind::Tube:
        // Grid left, anode up, cathode down, as the triode is placed.
        s.Circle(17, 16, 12);
        s.Line(17, 0, 17, 9);
        s.Thick(true);
        s.Line(11, 9, 23, 9);
        s.Thick(false);
        s.Line(0, 16, 9, 16);
        s.Line(14, 16, 17, 16);
        s.Line(21, 16, 24, 16);
        s.Polyline({{12, 32}, {12, 22}, {22, 22}, {22, 19}});
        return true;
    case model::kind::Transistor:
        // Emitter left with the arrow leaving the base, collector right, base down.
        s.Circle(16, 16, 14);
        s.Line(16, 22, 16, 32);
        s.Thick(true);
        s.Line(10, 22, 22, 22);
        s.Thick(false);
        // The legs leave the bar at 45 degrees, across the envelope rather than
        // along it, so that they stay apart from it at 16 pixels.
        s.Polyline({{12, 22}, {3, 13}, {0, 13}});
        s.Polyline({{20, 22}, {29, 13}, {32, 13}});
        s.Head(12, 22, 5, 15, 6.0, 3.0);
        return true;
    case model::kind::OpAmp:
        s.Line(0, 10, 7, 10);
        s.Line(0, 22, 7, 22);
        s.Line(27, 16, 32, 16);
        s.Polygon({{7, 4}, {7, 28}, {27, 16}});
        s.Line(11, 10, 15, 10);
        s.Line(11, 22, 15, 22);
        s.Line(13, 20, 13, 24);
        return true;
    default:
        return false;
    }
}

// The element's own symbol, fitted into the icon with a small margin.
void PaintElement(QPainter& painter, const QRectF& rect, const QColor& override,
                  model::ElementKind kind) {
    std::unique_ptr<model::Element> e = model::ElementFactory(kind, 1);
    if (!e)
        return;
    painter.save();
    const QTransform base = painter.transform();
    QtPainter qp(painter, IconFonts());
    qp.SetThinWidth(IconLinePixels(rect));
    if (override.isValid())
        qp.SetColourOverride(override);
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 32.0, rect.height() / 32.0);
    if (PaintOwnPicture(kind, qp)) {
        painter.restore();
        return;
    }
    painter.setTransform(base);
    const bool connector = kind == model::kind::Connector;
    ExtentPainter extent;
    model::DrawElementSymbol(*e, extent, false);
    if (connector) {
        extent.Line({-9, 0}, {9, 0});
        extent.Line({0, -9}, {0, 9});
    }
    if (extent.empty) {
        painter.restore();
        return;
    }
    const double w = std::max(1, extent.right - extent.left);
    const double h = std::max(1, extent.bottom - extent.top);
    const double margin = rect.width() / 12.0;
    const double factor =
        std::min((rect.width() - 2 * margin) / w, (rect.height() - 2 * margin) / h);
    painter.translate(rect.center());
    painter.scale(factor, factor);
    painter.translate(-(extent.left + extent.right) / 2.0, -(extent.top + extent.bottom) / 2.0);
    model::DrawElementSymbol(*e, qp, false);
    if (connector) {
        qp.SetPen(model::kWireColour, 0);
        qp.Line({-9, 0}, {9, 0});
        qp.Line({0, -9}, {0, 9});
    }
    painter.restore();
}

// Toolbar pictures are drawn on a 32 by 32 grid scaled to the icon.
struct Grid {
    QPainter& p;
    QColor ink;
    double line;
    QColor fill; // light fill of round shapes

    QPen Pen(const QColor& c, double w = 1.0) const {
        QPen pen(c, line * w);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    }
};

QColor Or(const QColor& override, const QColor& c) {
    return override.isValid() ? override : c;
}

void Page(Grid& g, QRectF r, const QColor& fill) {
    const double fold = 6;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    g.p.setPen(g.Pen(g.ink));
    g.p.setBrush(fill);
    g.p.drawPath(path);
    g.p.setBrush(Qt::NoBrush);
    g.p.drawPolyline(
        QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                   QPointF(r.right(), r.top() + fold)}));
}

void Axes(Grid& g) {
    g.p.setPen(g.Pen(g.ink));
    g.p.drawLine(QPointF(5, 4), QPointF(5, 27));
    g.p.drawLine(QPointF(5, 27), QPointF(29, 27));
}

// Three quarters of a turn clockwise, the way a quarter turn of the selection goes.
void TurnArrow(Grid& g, const QColor& c) {
    const QRectF box(7, 7, 18, 18);
    g.p.setPen(g.Pen(c, 1.6));
    g.p.setBrush(Qt::NoBrush);
    g.p.drawArc(box, 180 * 16, -270 * 16);
    g.p.setBrush(c);
    g.p.setPen(g.Pen(c, 0.5));
    g.p.drawPolygon(QPolygonF({QPointF(9, 25), QPointF(17, 20), QPointF(17, 30)}));
}

// A hooked arrow going back (undo) or, mirrored, forward (redo).
void BackArrow(Grid& g, bool forward, const QColor& c) {
    g.p.save();
    if (forward) {
        g.p.translate(32, 0);
        g.p.scale(-1, 1);
    }
    QPainterPath path;
    path.moveTo(10, 12);
    path.lineTo(19, 12);
    path.cubicTo(31, 12, 31, 27, 19, 27);
    path.lineTo(12, 27);
    g.p.setPen(g.Pen(c, 1.6));
    g.p.setBrush(Qt::NoBrush);
    g.p.drawPath(path);
    g.p.setBrush(c);
    g.p.setPen(g.Pen(c, 0.5));
    g.p.drawPolygon(QPolygonF({QPointF(3, 12), QPointF(11, 6), QPointF(11, 18)}));
    g.p.restore();
}

void Magnifier(Grid& g, bool plus) {
    g.p.setPen(g.Pen(g.ink, 1.4));
    g.p.setBrush(g.fill);
    g.p.drawEllipse(QRectF(4, 4, 18, 18));
    g.p.setPen(g.Pen(g.ink, 3));
    g.p.drawLine(QPointF(20, 20), QPointF(28, 28));
    g.p.setPen(g.Pen(g.ink, 1.4));
    g.p.drawLine(QPointF(9, 13), QPointF(17, 13));
    if (plus)
        g.p.drawLine(QPointF(13, 9), QPointF(13, 17));
}

// The whole circuit in view: a small circuit inside a frame whose corners point
// outwards.
void FitFrame(Grid& g) {
    g.p.setPen(g.Pen(g.ink, 1.4));
    g.p.setBrush(Qt::NoBrush);
    for (const QPointF& corner : {QPointF(4, 4), QPointF(28, 4), QPointF(4, 28), QPointF(28, 28)}) {
        const double sx = corner.x() < 16 ? 1 : -1;
        const double sy = corner.y() < 16 ? 1 : -1;
        g.p.drawLine(corner, corner + QPointF(7 * sx, 0));
        g.p.drawLine(corner, corner + QPointF(0, 7 * sy));
    }
    g.p.setBrush(g.fill);
    g.p.drawRect(QRectF(10, 13, 12, 6));
    g.p.drawLine(QPointF(7, 16), QPointF(10, 16));
    g.p.drawLine(QPointF(22, 16), QPointF(25, 16));
}

// The dot grid of the sheet.
void GridDots(Grid& g) {
    g.p.setPen(Qt::NoPen);
    g.p.setBrush(g.ink);
    for (int y = 6; y <= 26; y += 6)
        for (int x = 6; x <= 26; x += 6)
            g.p.drawEllipse(QPointF(x, y), 1.3, 1.3);
}

void Mirror(Grid& g, bool leftRight, const QColor& fill) {
    g.p.setPen(g.Pen(g.ink));
    QPolygonF a({QPointF(14, 8), QPointF(14, 24), QPointF(4, 24)});
    QPolygonF b({QPointF(18, 8), QPointF(18, 24), QPointF(28, 24)});
    QPen axis = g.Pen(g.ink);
    axis.setDashPattern({2, 2});
    QTransform t;
    if (!leftRight) {
        // The same picture turned a quarter, so that it mirrors top to bottom.
        t.translate(16, 16);
        t.rotate(90);
        t.translate(-16, -16);
    }
    g.p.setBrush(fill);
    g.p.drawPolygon(t.map(a));
    g.p.setBrush(Qt::NoBrush);
    g.p.drawPolygon(t.map(b));
    g.p.setPen(axis);
    g.p.drawLine(t.map(QLineF(16, 3, 16, 29)));
}

bool PaintTool(int id, QPainter& painter, const QRectF& rect, const QColor& override) {
    const QColor ink = Or(override, QColor(40, 40, 40));
    const QColor accent = Or(override, QColor(30, 90, 200));
    const QColor paper = override.isValid() ? QColor(235, 235, 235) : QColor(Qt::white);
    const QColor warm = override.isValid() ? QColor(210, 210, 210) : QColor(250, 215, 110);
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 32.0, rect.height() / 32.0);
    const QColor light = override.isValid() ? QColor(235, 235, 235) : QColor(225, 240, 255);
    Grid g{painter, ink, std::max(1.0, 32.0 / rect.width()) * 1.1, light};
    bool known = true;
    switch (id) {
    case cmd::New:
        Page(g, QRectF(7, 3, 18, 26), paper);
        break;
    case cmd::Open: {
        painter.setPen(g.Pen(ink));
        painter.setBrush(warm);
        painter.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(11, 8), QPointF(13, 11),
                                       QPointF(25, 11), QPointF(25, 26), QPointF(3, 26)}));
        painter.setBrush(override.isValid() ? QColor(190, 190, 190) : QColor(240, 190, 70));
        painter.drawPolygon(
            QPolygonF({QPointF(3, 26), QPointF(8, 15), QPointF(30, 15), QPointF(25, 26)}));
        break;
    }
    case cmd::Save:
        painter.setPen(g.Pen(ink));
        painter.setBrush(accent);
        painter.drawPolygon(QPolygonF(
            {QPointF(4, 4), QPointF(25, 4), QPointF(28, 7), QPointF(28, 28), QPointF(4, 28)}));
        painter.setBrush(paper);
        painter.drawRect(QRectF(9, 4, 14, 9));
        painter.drawRect(QRectF(8, 18, 16, 10));
        painter.setBrush(ink);
        painter.drawRect(QRectF(18, 6, 3, 5));
        break;
    case cmd::Cut:
        painter.setPen(g.Pen(ink, 1.3));
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(QPointF(9, 3), QPointF(21, 21));
        painter.drawLine(QPointF(23, 3), QPointF(11, 21));
        painter.drawEllipse(QRectF(4, 20, 8, 8));
        painter.drawEllipse(QRectF(20, 20, 8, 8));
        break;
    case cmd::Copy:
        Page(g, QRectF(4, 3, 15, 20), paper);
        Page(g, QRectF(13, 9, 15, 20), paper);
        break;
    case cmd::Paste:
        painter.setPen(g.Pen(ink));
        painter.setBrush(warm);
        painter.drawRoundedRect(QRectF(4, 5, 19, 24), 2, 2);
        painter.setBrush(ink);
        painter.drawRect(QRectF(9, 3, 9, 4));
        Page(g, QRectF(14, 12, 14, 18), paper);
        break;
    case cmd::PlaceText: {
        painter.setPen(g.Pen(ink, 2.2));
        painter.drawLine(QPointF(8, 6), QPointF(24, 6));
        painter.drawLine(QPointF(16, 6), QPointF(16, 26));
        painter.setPen(g.Pen(ink, 1.2));
        painter.drawLine(QPointF(12, 26), QPointF(20, 26));
        painter.drawLine(QPointF(8, 6), QPointF(8, 9));
        painter.drawLine(QPointF(24, 6), QPointF(24, 9));
        break;
    }
    case cmd::NodeNumbers: {
        const QColor green = Or(override, QColor(0, 128, 0));
        painter.setPen(g.Pen(ink));
        painter.drawLine(QPointF(2, 24), QPointF(30, 24));
        painter.drawLine(QPointF(16, 24), QPointF(16, 31));
        painter.setBrush(ink);
        painter.drawEllipse(QPointF(16, 24), 2.5, 2.5);
        painter.setPen(g.Pen(green));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(9, 3, 14, 16));
        painter.setPen(g.Pen(green, 1.5));
        painter.drawPolyline(QPolygonF({QPointF(13, 8), QPointF(16.5, 5.5), QPointF(16.5, 16.5)}));
        break;
    }
    case cmd::Transient: {
        Axes(g);
        QPainterPath path;
        path.moveTo(5, 27);
        path.cubicTo(9, 6, 14, 8, 28, 8);
        painter.setPen(g.Pen(accent, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        break;
    }
    case cmd::Frequency: {
        Axes(g);
        QPainterPath path;
        path.moveTo(6, 24);
        path.cubicTo(14, 23, 14, 4, 17, 4);
        path.cubicTo(20, 4, 20, 23, 28, 24);
        painter.setPen(g.Pen(accent, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        break;
    }
    case cmd::PoleZero: {
        // The complex plane: a pair of poles to the left, a zero on the axis.
        painter.setPen(g.Pen(ink));
        painter.drawLine(QPointF(2, 16), QPointF(30, 16));
        painter.drawLine(QPointF(22, 3), QPointF(22, 29));
        painter.setPen(g.Pen(accent, 1.6));
        for (const double y : {8.0, 24.0}) {
            painter.drawLine(QPointF(7, y - 3.5), QPointF(14, y + 3.5));
            painter.drawLine(QPointF(7, y + 3.5), QPointF(14, y - 3.5));
        }
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(22, 16), 3.5, 3.5);
        break;
    }
    case cmd::Rotate:
        TurnArrow(g, accent);
        break;
    case cmd::MirrorX:
        Mirror(g, true, accent);
        break;
    case cmd::MirrorY:
        Mirror(g, false, accent);
        break;
    case cmd::ZoomIn:
        Magnifier(g, true);
        break;
    case cmd::ZoomOut:
        Magnifier(g, false);
        break;
    case cmd::FitAll:
        FitFrame(g);
        break;
    case cmd::ShowGrid:
        GridDots(g);
        break;
    case cmd::HelpContents: {
        painter.setPen(g.Pen(accent, 1.2));
        painter.setBrush(light);
        painter.drawEllipse(QRectF(3, 3, 26, 26));
        painter.setPen(g.Pen(accent, 2.4));
        painter.setBrush(Qt::NoBrush);
        QPainterPath q;
        q.moveTo(11.5, 12);
        q.cubicTo(11.5, 6.5, 20.5, 6.5, 20.5, 12);
        q.cubicTo(20.5, 15.5, 16, 15.5, 16, 19);
        painter.drawPath(q);
        painter.setBrush(accent);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(16, 24), 1.8, 1.8);
        break;
    }
    case cmd::Undo:
        BackArrow(g, false, accent);
        break;
    case cmd::Redo:
        BackArrow(g, true, accent);
        break;
    default:
        known = false;
        break;
    }
    painter.restore();
    return known;
}

// The graph toolbar's glyphs on the same 32-unit grid as the main toolbar's.
bool PaintGraphTool(int id, QPainter& painter, const QRectF& rect, const QColor& override) {
    const QColor ink = Or(override, QColor(40, 40, 40));
    const QColor accent = Or(override, QColor(30, 90, 200));
    const QColor curve = Or(override, QColor(220, 40, 40));
    const QColor ruler = Or(override, QColor(255, 159, 127));
    const QColor paper = override.isValid() ? QColor(235, 235, 235) : QColor(Qt::white);
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 32.0, rect.height() / 32.0);
    Grid g{painter, ink, std::max(1.0, 32.0 / rect.width()) * 1.1, paper};
    // A small plot: frame and a wave, the background of several glyphs.
    auto plot = [&](const QRectF& r) {
        painter.setPen(g.Pen(ink));
        painter.setBrush(paper);
        painter.drawRect(r);
        QPainterPath wave;
        wave.moveTo(r.left() + 2, r.bottom() - 3);
        wave.cubicTo(r.left() + r.width() * 0.35, r.top() - 4, r.left() + r.width() * 0.55,
                     r.bottom() + 2, r.right() - 2, r.top() + 4);
        painter.setPen(g.Pen(curve, 1.3));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(wave);
    };
    bool known = true;
    switch (id) {
    case gcmd::SaveAllData:
        PaintTool(cmd::Save, painter, QRectF(0, 0, 32, 32), override);
        break;
    case gcmd::CopyAll:
        PaintTool(cmd::Copy, painter, QRectF(0, 0, 32, 32), override);
        break;
    case gcmd::SaveAllPicture:
        plot(QRectF(3, 4, 24, 18));
        painter.setPen(g.Pen(ink));
        painter.setBrush(accent);
        painter.drawPolygon(
            QPolygonF({QPointF(18, 20), QPointF(30, 20), QPointF(30, 30), QPointF(18, 30)}));
        break;
    case gcmd::RestoreAll: {
        plot(QRectF(3, 5, 26, 22));
        painter.setPen(g.Pen(accent, 1.6));
        painter.drawLine(QPointF(8, 16), QPointF(24, 16));
        painter.drawLine(QPointF(8, 16), QPointF(12, 12));
        painter.drawLine(QPointF(8, 16), QPointF(12, 20));
        painter.drawLine(QPointF(24, 16), QPointF(20, 12));
        painter.drawLine(QPointF(24, 16), QPointF(20, 20));
        break;
    }
    case gcmd::RulerAll:
        plot(QRectF(3, 7, 26, 18));
        painter.setPen(g.Pen(ruler, 1.4));
        painter.drawLine(QPointF(16, 5), QPointF(16, 27));
        painter.setBrush(ruler);
        painter.drawPolygon(QPolygonF({QPointF(12, 2), QPointF(20, 2), QPointF(16, 6)}));
        painter.drawPolygon(QPolygonF({QPointF(12, 30), QPointF(20, 30), QPointF(16, 26)}));
        break;
    case gcmd::PointsAll:
        plot(QRectF(3, 5, 26, 22));
        painter.setPen(Qt::NoPen);
        painter.setBrush(curve);
        for (const QPointF& c : {QPointF(8, 21), QPointF(13, 11), QPointF(19, 16), QPointF(25, 10)})
            painter.drawRect(QRectF(c.x() - 2, c.y() - 2, 4, 4));
        break;
    default:
        known = false;
        break;
    }
    painter.restore();
    return known;
}

bool IsToolCommand(int id) {
    switch (id) {
    case cmd::New:
    case cmd::Open:
    case cmd::Save:
    case cmd::Cut:
    case cmd::Copy:
    case cmd::Paste:
    case cmd::PlaceText:
    case cmd::NodeNumbers:
    case cmd::Transient:
    case cmd::Frequency:
    case cmd::PoleZero:
    case cmd::Rotate:
    case cmd::MirrorX:
    case cmd::MirrorY:
    case cmd::ZoomIn:
    case cmd::ZoomOut:
    case cmd::FitAll:
    case cmd::ShowGrid:
    case cmd::HelpContents:
    case cmd::Undo:
    case cmd::Redo:
        return true;
    default:
        return false;
    }
}

// The element a command's icon shows: the placed kind, or the palette's emblem.
model::ElementKind IconKind(int commandId) {
    switch (commandId) {
    case cmd::PaletteBasic:
        return model::kind::Resistor;
    case cmd::PaletteSources:
        return model::kind::VoltageSource;
    case cmd::PaletteActive:
        return model::kind::Transistor;
    case cmd::PlaceText:
        return 0; // drawn as a letter
    default:
        return cmd::PlacedKind(commandId);
    }
}

} // namespace

QIcon CommandIcon(int commandId) {
    if (IsToolCommand(commandId)) {
        return MakeIcon([commandId](QPainter& p, const QRectF& r, const QColor& override, bool) {
            PaintTool(commandId, p, r, override);
        });
    }
    const model::ElementKind kind = IconKind(commandId);
    if (kind <= 0 || !model::ElementFactory(kind, 1))
        return QIcon();
    return MakeIcon([kind](QPainter& p, const QRectF& r, const QColor& override, bool) {
        PaintElement(p, r, override, kind);
    });
}

QIcon GraphCommandIcon(int commandId) {
    switch (commandId) {
    case gcmd::SaveAllData:
    case gcmd::CopyAll:
    case gcmd::SaveAllPicture:
    case gcmd::RestoreAll:
    case gcmd::RulerAll:
    case gcmd::PointsAll:
        break;
    default:
        return QIcon();
    }
    return MakeIcon([commandId](QPainter& p, const QRectF& r, const QColor& override, bool) {
        PaintGraphTool(commandId, p, r, override);
    });
}

} // namespace korvanix::gui
