#pragma once

#include "graph/GraphData.h"
#include "model/Geometry.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <string>

class QPainter;
class QPainterPath;

namespace korvanix::gui {

// The two fonts and colours a graph pane draws its texts in.
struct PaneFonts {
    QFont title;
    QFont numbers;
    QColor titleColour;
    QColor numberColour;
};

// Text extents of a pane's number font, for the choice of ticks.
class GraphMetrics : public model::TextMetrics {
public:
    explicit GraphMetrics(const QFont& numbers) : numbers_(numbers) {}
    model::Size TextExtent(const std::string& utf8, int font) const override;

private:
    QFont numbers_;
};

// Where a pane's plot lies in its client area. The plot's pixels run from `left`
// to `right` across and from `top + 1` to `bottom + 1` down, the frame on their
// edges; a fraction f of an axis lies at left + f (right - left) across and at
// top + 1 + (1 - f) (bottom - top) down, and the ruler's offset counts from
// `left`.
struct PlotArea {
    int left = 0;
    int top = 0;
    int right = 1;
    int bottom = 1;

    // The pixel spans used for every conversion: width and height minus one.
    int SpanX() const { return right - left - 1; }
    int SpanY() const { return bottom - top - 1; }
    double XPixel(double fraction) const { return left + fraction * (right - left); }
    double YPixel(double fraction) const { return top + 1 + (1 - fraction) * (bottom - top); }
    // The fraction of the x axis at a pixel column, and of the y axis at a pixel
    // row (measured from the top: the top is 1).
    double XFraction(double pixel) const { return (pixel - left) / (SpanX() + 1); }
    double YFraction(double pixel) const { return 1 - (pixel - top - 1) / (SpanY() + 1); }
    QRect Rect() const { return QRect(QPoint(left, top + 1), QPoint(right, bottom + 1)); }
    friend bool operator==(const PlotArea& a, const PlotArea& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// How a picture of a pane is drawn.
struct PaintOptions {
    bool showPoints = false;
    // Long curves drawn as the first, lowest, highest and last point of every
    // pixel column: the same picture for a fraction of the work. Exports keep
    // every point.
    bool decimate = true;
};

// Lays out and paints one graph pane; the window, the picture copy and the
// exports all draw through here, so that they show the same thing.
class GraphPainter {
public:
    // Ticks of every axis for the plot as it is now, then the plot area that
    // those ticks' labels leave in a client area of `client` pixels.
    static PlotArea Layout(graph::GraphData& data, const PaneFonts& fonts, QSize client,
                           const PlotArea& current);

    // Paints the pane without the ruler; returns the number of points that fell
    // inside the plot.
    static long Paint(QPainter& painter, const graph::GraphData& data, const PaneFonts& fonts,
                      const PlotArea& plot, const PaintOptions& options);

    // The ruler at `offset` pixels from the plot's left edge; handles are the
    // triangles above and below the plot that show where to take it.
    static void PaintRuler(QPainter& painter, const PlotArea& plot, int offset, bool handles);

    // The pixel position of a point on the plot, in doubles (far points are far).
    static QPointF Map(const graph::GraphData& data, const PlotArea& plot, int curve, double x,
                       double y);

    // Draws one point of a part of points (a 5 by 5 square) in a curve's colour,
    // when it lies in the plot: a point appended while the analysis runs.
    static void PaintLivePoint(QPainter& painter, const PlotArea& plot, QPointF at, QColor colour);
    // Draws one segment in a curve's colour clipped to the plot: a point appended
    // while the analysis runs.
    static void PaintLiveSegment(QPainter& painter, const PlotArea& plot, QPointF from, QPointF to,
                                 QColor colour);

    // The curve colour of a stored colour value.
    // The caption of the horizontal axis: a hodograph's paired values (Re), not
    // the frequencies its points were computed at.
    static std::string HorizontalCaption(const graph::GraphData& data);
    static QColor CurveColour(const graph::GraphData& data, int curve);
};

} // namespace korvanix::gui
