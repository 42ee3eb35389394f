#include "gui/QtPainter.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QString>

#include <algorithm>
#include <cmath>

namespace korvanix::gui {

QColor ColourFromRef(uint32_t colour) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

namespace {

// A thin line weighs this many sheet units: at the usual scale one pixel, like
// the stroke of the labels' letters, and it grows with them when zooming in.
constexpr double kThinLineUnits = 1.0;

// Nearest pixel centre (odd stroke widths) or pixel border (even ones).
double SnapCoordinate(double v, bool centres) {
    return centres ? std::floor(v) + 0.5 : std::floor(v + 0.5);
}

} // namespace

QtPainter::QtPainter(QPainter& painter, const SchemeFonts& fonts) : p_(painter), fonts_(fonts) {
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setBrush(Qt::NoBrush);
    SetPen(0, 0);
}

QColor QtPainter::Resolve(uint32_t colour) const {
    return override_ ? *override_ : ColourFromRef(colour);
}

const QtPainter::DeviceGrid& QtPainter::Grid() const {
    const QTransform& device = p_.deviceTransform();
    if (gridKnown_ && device == grid_.toDevice)
        return grid_;
    grid_.toDevice = device;
    grid_.toSheet = device.inverted(&grid_.aligned);
    // Quarter turns and shears would need their own grid; sheets and icons are
    // only ever scaled and shifted.
    grid_.aligned = grid_.aligned && device.type() <= QTransform::TxScale;
    grid_.unit = std::sqrt(std::abs(device.determinant()));
    if (!(grid_.unit > 0) || !std::isfinite(grid_.unit))
        grid_.unit = 1.0;
    // What lies between the painter's own transform and the device is the pixel
    // ratio: the device's own, or the scaling of a window rendered into a dense
    // image, which the widget's device does not know about.
    const double logical = std::sqrt(std::abs(p_.worldTransform().determinant()));
    grid_.ratio = logical > 0 && std::isfinite(logical) ? grid_.unit / logical : 1.0;
    gridKnown_ = true;
    return grid_;
}

int QtPainter::ScreenPixel() const {
    return std::max(1, static_cast<int>(std::floor(Grid().ratio)));
}

int QtPainter::ThinPixels(const DeviceGrid& grid) const {
    if (thinWidth_ > 0)
        return thinWidth_;
    // Never thinner than a pixel of the screen, however far the view is zoomed out.
    return std::max(ScreenPixel(), static_cast<int>(std::lround(kThinLineUnits * grid.unit)));
}

int QtPainter::StrokePixels() const {
    const DeviceGrid& grid = Grid();
    const int thin = ThinPixels(grid);
    if (outline_)
        return std::min(thin, ScreenPixel()); // drag feedback stays fine
    if (penWidth_ <= 0)
        return thin;
    // A wide pen marks something (capacitor plates, an anode): it must not melt
    // into the thin lines when zoomed out.
    return std::max(thin + 1, static_cast<int>(std::lround(penWidth_ * grid.unit)));
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
    const int pixels = StrokePixels();
    centres_ = pixels % 2 == 1;
    pen.setWidthF(pixels / Grid().unit);
    // Square ends reach whole pixels past a line's end point and fill the corners
    // where separate lines meet; arrow shafts stop inside their heads.
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p_.setPen(pen);
}

QPointF QtPainter::Snap(QPointF p) const {
    const DeviceGrid& grid = Grid();
    if (!grid.aligned)
        return p;
    const QPointF d = grid.toDevice.map(p);
    return grid.toSheet.map(
        QPointF(SnapCoordinate(d.x(), centres_), SnapCoordinate(d.y(), centres_)));
}

QPointF QtPainter::Snap(model::Point p) const {
    return Snap(QPointF(p.x, p.y));
}

QPointF QtPainter::SnapText(QPointF p) const {
    const DeviceGrid& grid = Grid();
    if (!grid.aligned)
        return p;
    const QPointF d = grid.toDevice.map(p);
    return grid.toSheet.map(QPointF(std::floor(d.x() + 0.5), std::floor(d.y() + 0.5)));
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
    ApplyPen();
    p_.drawLine(Snap(a), Snap(b));
}

QPolygonF QtPainter::Snapped(const std::vector<model::Point>& points) const {
    QPolygonF polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const model::Point& p : points)
        polygon.append(Snap(p));
    return polygon;
}

void QtPainter::Polyline(const std::vector<model::Point>& points) {
    if (points.size() < 2)
        return;
    ApplyPen();
    p_.drawPolyline(Snapped(points));
}

void QtPainter::Polygon(const std::vector<model::Point>& points) {
    if (points.size() < 2)
        return;
    ApplyPen();
    p_.drawPolygon(Snapped(points));
}

void QtPainter::Rectangle(const model::Rect& r) {
    ApplyPen();
    const model::Rect n = r.Normalized();
    p_.drawRect(QRectF(Snap(model::Point{n.left, n.top}), Snap(model::Point{n.right, n.bottom})));
}

void QtPainter::Ellipse(const model::Rect& r) {
    ApplyPen();
    const model::Rect n = r.Normalized();
    const DeviceGrid& grid = Grid();
    const QPointF centre((n.left + n.right) / 2.0, (n.top + n.bottom) / 2.0);
    if (!grid.aligned || n.Width() != n.Height()) {
        p_.drawEllipse(
            QRectF(Snap(model::Point{n.left, n.top}), Snap(model::Point{n.right, n.bottom})));
        return;
    }
    // A circle keeps its centre on the grid and a whole number of pixels as its
    // radius, so it stays round and symmetric about its leads.
    const double radius = std::max(1.0, std::round(n.Width() / 2.0 * grid.unit)) / grid.unit;
    p_.drawEllipse(Snap(centre), radius, radius);
}

void QtPainter::Arc(model::Point centre, int radius, int startDegrees, int sweepDegrees) {
    ApplyPen();
    // The corners of the arc's box go on the grid like line ends, so an arc ends
    // exactly where the lead or the next arc it meets begins.
    const QRectF box(Snap(model::Point{centre.x - radius, centre.y - radius}),
                     Snap(model::Point{centre.x + radius, centre.y + radius}));
    // Qt counts angles anticlockwise on the screen; the sheet's run towards +y (down).
    p_.drawArc(box, -startDegrees * 16, -sweepDegrees * 16);
}

void QtPainter::Text(const std::string& utf8, model::Point at, int font, uint32_t colour) {
    const QFont& f = fonts_.Font(font);
    p_.save();
    p_.setFont(f);
    p_.setPen(outline_ ? QColor(Qt::white) : Resolve(colour));
    const QFontMetrics metrics(f);
    p_.drawText(SnapText(QPointF(at.x, at.y + metrics.ascent())), QString::fromStdString(utf8));
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
        p_.drawText(SnapText(QPointF(centre.x - width / 2, baseline)), line);
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

void QtPainter::SetThinWidth(int devicePixels) {
    thinWidth_ = std::max(0, devicePixels);
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
