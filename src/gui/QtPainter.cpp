#include "gui/QtPainter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygon>
#include <QString>

#include <cmath>

namespace korvanix::gui {

QColor ColourFromRef(uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

namespace {

QPoint ToQt(model::Point p) {
    return {p.x, p.y};
}

QPolygon ToQt(const std::vector<model::Point>& points) {
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const model::Point& p : points)
        polygon.append(ToQt(p));
    return polygon;
}

QRectF ToQt(const model::Rect& r) {
    const model::Rect n = r.Normalized();
    return QRectF(n.left, n.top, n.Width(), n.Height());
}

// Thin lines on whole sheet units fall on pixel borders and would be smeared over
// two pixel rows; moved by half a device pixel they stay one pixel sharp.
class HalfPixel {
public:
    HalfPixel(QPainter& p, bool on) : p_(p), on_(on) {
        if (on_) {
            old_ = p_.transform();
            p_.setTransform(old_ * QTransform::fromTranslate(0.5, 0.5));
        }
    }
    ~HalfPixel() {
        if (on_)
            p_.setTransform(old_);
    }
    HalfPixel(const HalfPixel&) = delete;
    HalfPixel& operator=(const HalfPixel&) = delete;

private:
    QPainter& p_;
    bool on_;
    QTransform old_;
};

} // namespace

QtPainter::QtPainter(QPainter& painter, const SchemeFonts& fonts) : p_(painter), fonts_(fonts) {
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setBrush(Qt::NoBrush);
    SetPen(0, 0);
}

bool QtPainter::Thin() const {
    return penWidth_ <= 0 && static_cast<int>(std::lround(cosmeticWidth_)) % 2 == 1;
}

QColor QtPainter::Resolve(uint32_t colour) const {
    return override_ ? *override_ : ColourFromRef(colour);
}

void QtPainter::SetPen(uint32_t colour, int width) {
    penColour_ = colour;
    penWidth_ = width;
    ApplyPen();
}

void QtPainter::ApplyPen() {
    QColor colour = Resolve(penColour_);
    if (outline_)
        colour = Qt::white; // inverts what lies under it
    QPen pen(colour);
    if (penWidth_ <= 0) {
        pen.setWidthF(cosmeticWidth_);
        pen.setCosmetic(true);
    } else {
        pen.setWidth(penWidth_);
    }
    pen.setCapStyle(penWidth_ <= 0 ? Qt::SquareCap : Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p_.setPen(pen);
}

void QtPainter::SetBrush(uint32_t colour) {
    if (outline_) {
        p_.setBrush(Qt::NoBrush);
        return;
    }
    p_.setBrush(Resolve(colour));
}

void QtPainter::NoBrush() {
    p_.setBrush(Qt::NoBrush);
}

void QtPainter::Line(model::Point a, model::Point b) {
    const HalfPixel nudge(p_, Thin());
    p_.drawLine(ToQt(a), ToQt(b));
}

void QtPainter::Polyline(const std::vector<model::Point>& points) {
    const HalfPixel nudge(p_, Thin());
    if (points.size() >= 2)
        p_.drawPolyline(ToQt(points));
}

void QtPainter::Polygon(const std::vector<model::Point>& points) {
    const HalfPixel nudge(p_, Thin());
    if (points.size() >= 2)
        p_.drawPolygon(ToQt(points));
}

void QtPainter::Rectangle(const model::Rect& r) {
    const HalfPixel nudge(p_, Thin());
    p_.drawRect(ToQt(r));
}

void QtPainter::Ellipse(const model::Rect& r) {
    const HalfPixel nudge(p_, Thin());
    p_.drawEllipse(ToQt(r));
}

void QtPainter::Arc(model::Point centre, int radius, int startDegrees, int sweepDegrees) {
    const HalfPixel nudge(p_, Thin());
    const QRectF box(centre.x - radius, centre.y - radius, 2.0 * radius, 2.0 * radius);
    // Qt counts angles anticlockwise on the screen; the sheet's run towards +y (down).
    p_.drawArc(box, -startDegrees * 16, -sweepDegrees * 16);
}

void QtPainter::Text(const std::string& utf8, model::Point at, int font, uint32_t colour) {
    const QFont& f = fonts_.Font(font);
    p_.save();
    p_.setFont(f);
    p_.setPen(outline_ ? QColor(Qt::white) : Resolve(colour));
    const QFontMetrics metrics(f);
    p_.drawText(QPoint(at.x, at.y + metrics.ascent()), QString::fromStdString(utf8));
    p_.restore();
}

void QtPainter::TextCentred(const std::string& utf8, model::Point centre,
                            const model::LogFont& font, uint32_t colour) {
    const QFont f = FontFromLogFont(font);
    p_.save();
    p_.setFont(f);
    p_.setPen(outline_ ? QColor(Qt::white) : Resolve(colour));
    p_.setBrush(Qt::NoBrush); // transparent background
    const QFontMetrics metrics(f);
    const QStringList lines = LabelLines(utf8);
    const int height =
        metrics.height() + (static_cast<int>(lines.size()) - 1) * metrics.lineSpacing();
    int baseline = centre.y - height / 2 + metrics.ascent();
    for (const QString& line : lines) {
        const int width = metrics.horizontalAdvance(line);
        p_.drawText(QPoint(centre.x - width / 2, baseline), line);
        baseline += metrics.lineSpacing();
    }
    p_.restore();
}

void QtPainter::SetOutlineMode(bool on) {
    if (outline_ == on)
        return;
    outline_ = on;
    if (on) {
        p_.save();
        // Inverting works only where the surface allows raster operations (screen
        // images); elsewhere the outline is drawn plainly.
        const QPaintEngine* engine = p_.paintEngine();
        if (engine != nullptr && engine->hasFeature(QPaintEngine::RasterOpModes))
            p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.setRenderHint(QPainter::TextAntialiasing, false);
        p_.setBrush(Qt::NoBrush);
    } else {
        p_.restore();
    }
    ApplyPen();
}

uint32_t QtPainter::SchemeColour(int font) const {
    return fonts_.Colour(font);
}

void QtPainter::SetColourOverride(std::optional<QColor> colour) {
    override_ = colour;
    ApplyPen();
}

void QtPainter::SetCosmeticWidth(double pixels) {
    cosmeticWidth_ = pixels > 0 ? pixels : 1.0;
    ApplyPen();
}

void ApplySheetView(QPainter& painter, int clientWidth, int clientHeight, int scale, int centreX,
                    int centreY) {
    const double factor = 100.0 / (scale > 0 ? scale : 100);
    QTransform t;
    t.translate(clientWidth / 2.0, clientHeight / 2.0);
    t.scale(factor, factor);
    t.translate(-centreX, -centreY);
    painter.setTransform(t);
}

} // namespace korvanix::gui
