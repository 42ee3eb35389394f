#include "gui/GraphPainter.h"

#include "graph/AxisScale.h"
#include "graph/RulerReadings.h"
#include "gui/QtPainter.h"
#include "model/Value.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace korvanix::gui {

using graph::AxisRange;
using graph::GraphData;
using graph::ScaleKind;

namespace {

const QColor kGridColour(192, 192, 192);
const QColor kRulerColour(255, 159, 127);
// Zero lines of groups 0 to 4.
const Qt::PenStyle kGroupStyles[graph::kMaxGroups] = {
    Qt::DashLine, Qt::DashDotLine, Qt::DashDotDotLine, Qt::SolidLine, Qt::SolidLine};

QString Label(double v, int precision) {
    return QString::fromStdString(model::FormatValue(v, precision, model::kCyrillic, false));
}

QString GroupCaption(const GraphData& data, int group) {
    const std::string& caption = data.GroupCaption(group);
    return QString::fromStdString(
        data.YScale() == ScaleKind::Decibel ? graph::DecibelCaption(caption) : caption);
}

// Width of the column of a group's labels left of the plot.
int GroupColumnWidth(const GraphData& data, int group, const QFontMetrics& numbers) {
    const int sample =
        numbers.horizontalAdvance(Label(0.0055555555555, data.Group(group).precision));
    const int caption = numbers.horizontalAdvance(GroupCaption(data, group));
    return std::max(sample, caption) + 15;
}

// One grid position of an axis: the fraction of the axis, whether a label goes
// there, and the value it shows.
struct Tick {
    double fraction = 0;
    bool labelled = false;
    double shown = 0;
};

// Grid lines of an axis: every division (and halfway between them with the halves
// flag) on linear and decibel axes, 1 to 9 times every power of ten on
// logarithmic ones, labels at the divisions and at the powers of ten.
std::vector<Tick> AxisTicks(ScaleKind kind, const AxisRange& a) {
    std::vector<Tick> ticks;
    const double lo = a.shownLow;
    const double hi = a.shownHigh;
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return ticks;
    if (kind == ScaleKind::Logarithmic) {
        if (!(lo > 0) || !(hi > 0) || lo == hi)
            return ticks;
        const double first = std::floor(std::log10(std::min(lo, hi)));
        const double last = std::ceil(std::log10(std::max(lo, hi)));
        // A range over hundreds of decades would give more lines than pixels.
        const int step = std::max(1, static_cast<int>((last - first) / 60) + 1);
        for (double e = first; e <= last; e += step) {
            for (int k = 1; k <= 9; ++k) {
                if (step > 1 && k > 1)
                    break;
                const double v = k * std::pow(10.0, e);
                const double f = graph::AxisFraction(kind, v, lo, hi);
                if (f < -1e-9 || f > 1 + 1e-9)
                    continue;
                ticks.push_back({f, k == 1, v});
            }
        }
        return ticks;
    }
    const double cLow = graph::ValueToCoord(kind, lo);
    const double cHigh = graph::ValueToCoord(kind, hi);
    const int n = std::clamp(a.divisions, 1, 1000);
    const double step = (cHigh - cLow) / n;
    const double range = std::fabs(cHigh - cLow);
    for (int i = 0; i <= n; ++i) {
        double c = cLow + i * step;
        // Rounding leaves 1e-17 where the grid crosses zero.
        if (std::fabs(c) < 1e10 && std::fabs(c) < 0.01 * range)
            c = 0;
        ticks.push_back({n > 0 ? static_cast<double>(i) / n : 0, true, c});
        if (a.halves && i < n)
            ticks.push_back({(i + 0.5) / n, false, 0});
    }
    return ticks;
}

// Precision of an axis's labels: on a logarithmic axis the powers of ten need few.
int LabelPrecision(const AxisRange& a) {
    return std::clamp(a.precision, 1, 15);
}

// Clips the segment a-b to r (Liang-Barsky); false when nothing of it is inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& r) {
    double t0 = 0;
    double t1 = 1;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const QPointF start(a.x() + t0 * dx, a.y() + t0 * dy);
    const QPointF end(a.x() + t1 * dx, a.y() + t1 * dy);
    a = start;
    b = end;
    return true;
}

bool Finite(QPointF p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Builds the path of a curve from its points: segments clipped to the plot (so
// that far points give exact lines with small coordinates), gaps at points that
// are not numbers.
class PathBuilder {
public:
    PathBuilder(QPainterPath& path, const QRectF& clip) : path_(path), clip_(clip) {}

    void Break() { havePrevious_ = false; }

    void Add(QPointF p) {
        if (!Finite(p)) {
            Break();
            return;
        }
        if (havePrevious_) {
            QPointF a = previous_;
            QPointF b = p;
            if (ClipSegment(a, b, clip_)) {
                if (!penValid_ || a != pen_)
                    path_.moveTo(a);
                path_.lineTo(b);
                pen_ = b;
                penValid_ = true;
            }
        }
        previous_ = p;
        havePrevious_ = true;
    }

private:
    QPainterPath& path_;
    QRectF clip_;
    QPointF previous_;
    bool havePrevious_ = false;
    QPointF pen_;
    bool penValid_ = false;
};

// Collapses the points of each pixel column into its first, lowest, highest and
// last point (lowest and highest in the order they came), which a one-pixel pen
// draws the same as every point. Columns beyond the plot's sides collapse into
// one each side: nothing of them shows.
class ColumnDecimator {
public:
    ColumnDecimator(PathBuilder& out, int left, int right)
        : out_(out), left_(left), right_(right) {}

    void Add(QPointF p) {
        if (!Finite(p)) {
            Flush();
            out_.Add(p);
            return;
        }
        const double x = std::clamp(p.x(), left_ - 2.0, right_ + 2.0);
        const auto column = static_cast<int64_t>(std::floor(x));
        if (count_ > 0 && column != column_)
            Flush();
        if (count_ == 0) {
            column_ = column;
            first_ = low_ = high_ = last_ = p;
            lowIndex_ = highIndex_ = 0;
        } else {
            if (p.y() < low_.y()) {
                low_ = p;
                lowIndex_ = count_;
            }
            if (p.y() > high_.y()) {
                high_ = p;
                highIndex_ = count_;
            }
            last_ = p;
        }
        ++count_;
    }

    void Flush() {
        if (count_ == 0)
            return;
        out_.Add(first_);
        if (count_ > 1) {
            // The extremes in the order they came, each once.
            const bool lowFirst = lowIndex_ <= highIndex_;
            // The extremes stand on the column's centre line, so that the column
            // gets its whole vertical span as drawing every segment gives it.
            const double centre = static_cast<double>(column_);
            const QPointF a(centre, (lowFirst ? low_ : high_).y());
            const QPointF b(centre, (lowFirst ? high_ : low_).y());
            const long ai = lowFirst ? lowIndex_ : highIndex_;
            const long bi = lowFirst ? highIndex_ : lowIndex_;
            if (ai != 0)
                out_.Add(a);
            if (bi != 0 && bi != ai)
                out_.Add(b);
            if (count_ - 1 != ai && count_ - 1 != bi)
                out_.Add(last_);
        }
        count_ = 0;
    }

private:
    PathBuilder& out_;
    int left_;
    int right_;
    long count_ = 0;
    int64_t column_ = 0;
    QPointF first_, low_, high_, last_;
    long lowIndex_ = 0;
    long highIndex_ = 0;
};

// Walks a series block by block: reading by index walks the blocks every time.
template <typename F>
void ForEachPoint(const graph::Curve& xs, const graph::Curve& ys, std::size_t begin,
                  std::size_t end, F f) {
    for (std::size_t i = begin; i < end; ++i) {
        const double* x = xs.Find(i);
        const double* y = ys.Find(i);
        if (!x || !y)
            return;
        f(i, *x, *y);
    }
}

} // namespace

model::Size GraphMetrics::TextExtent(const std::string& utf8, int /*font*/) const {
    const QFontMetrics m(numbers_);
    return {m.horizontalAdvance(QString::fromStdString(utf8)), m.height()};
}

std::string GraphPainter::HorizontalCaption(const graph::GraphData& data) {
    return data.Paired() && !data.PairXCaption().empty() ? data.PairXCaption() : data.XCaption();
}

QColor GraphPainter::CurveColour(const GraphData& data, int curve) {
    return ColourFromRef(data.CurveColour(curve));
}

PlotArea GraphPainter::Layout(GraphData& data, const PaneFonts& fonts, QSize client,
                              const PlotArea& current) {
    const GraphMetrics metrics(fonts.numbers);
    graph::LayoutTicks(data, metrics, std::max(current.SpanX(), 1), std::max(current.SpanY(), 1));

    const QFontMetrics numbers(fonts.numbers);
    const QFontMetrics title(fonts.title);
    PlotArea plot;
    int left = 0;
    for (int g = 0; g < data.GroupCount(); ++g)
        left += GroupColumnWidth(data, g, numbers);
    plot.left = left;
    plot.top = std::max(title.height(), numbers.height()) + 7;
    plot.right = std::max(client.width() - 10, plot.left + 5);
    plot.bottom = std::max(client.height() - 2 * numbers.height() - 5, plot.top + 5);
    return plot;
}

QPointF GraphPainter::Map(const GraphData& data, const PlotArea& plot, int curve, double x,
                          double y) {
    const AxisRange& xa = data.XAxis();
    const AxisRange& ya = data.Group(data.CurveGroup(curve));
    const double fx = graph::AxisFraction(data.XScale(), x, xa.shownLow, xa.shownHigh);
    const double fy = graph::AxisFraction(data.YScale(), y, ya.shownLow, ya.shownHigh);
    if (std::isnan(x) || std::isnan(y))
        return QPointF(std::nan(""), std::nan(""));
    return QPointF(plot.XPixel(fx), plot.YPixel(fy));
}

long GraphPainter::Paint(QPainter& p, const GraphData& data, const PaneFonts& fonts,
                         const PlotArea& plot, const PaintOptions& options) {
    p.save();
    const QFontMetrics numbers(fonts.numbers);
    const QFontMetrics titleMetrics(fonts.title);
    const QRect area = plot.Rect();

    // Title, over the plot and never wider than it.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(fonts.title);
    p.setPen(fonts.titleColour);
    const QString title = titleMetrics.elidedText(QString::fromStdString(data.Title()),
                                                  Qt::ElideRight, std::max(area.width(), 1));
    const int titleWidth = titleMetrics.horizontalAdvance(title);
    p.drawText(QPointF(plot.left + (plot.right - plot.left - titleWidth) / 2.0, plot.top + 1 - 3),
               title);

    // Pens are one pixel of the window wide, so two device pixels on a dense
    // screen: a hairline there would be too faint to read.
    QPen grid(kGridColour, 1);
    grid.setStyle(Qt::DotLine);
    p.setFont(fonts.numbers);

    // x grid and labels.
    const AxisRange& xa = data.XAxis();
    const std::vector<Tick> xTicks = AxisTicks(data.XScale(), xa);
    const int labelTop = plot.bottom + 1 + 5;
    int previousEnd = INT32_MIN / 2;
    for (const Tick& t : xTicks) {
        const double px = std::round(plot.XPixel(t.fraction));
        p.setPen(grid);
        p.drawLine(QPointF(px + 0.5, area.top() + 0.5), QPointF(px + 0.5, area.bottom() + 0.5));
        if (!t.labelled)
            continue;
        const QString text = Label(t.shown, LabelPrecision(xa));
        const int w = numbers.horizontalAdvance(text);
        int x = static_cast<int>(px) - w / 2;
        x = std::clamp(x, plot.left, std::max(plot.left, plot.right - w));
        if (x < previousEnd + 5)
            continue;
        p.setPen(fonts.numberColour);
        p.drawText(QPoint(x, labelTop + numbers.ascent()), text);
        previousEnd = x + w;
    }
    // The x caption under the labels, at the plot's right edge.
    {
        const QString caption = QString::fromStdString(HorizontalCaption(data));
        const int w = numbers.horizontalAdvance(caption);
        p.setPen(fonts.numberColour);
        p.drawText(QPoint(plot.right - w, labelTop + numbers.height() + numbers.ascent()), caption);
    }

    // y grids and label columns, from the plot outwards.
    int columnRight = plot.left;
    for (int g = 0; g < data.GroupCount(); ++g) {
        const AxisRange& ya = data.Group(g);
        const int width = GroupColumnWidth(data, g, numbers);
        const std::vector<Tick> yTicks = AxisTicks(data.YScale(), ya);
        // The caption heads its column from the column's left edge; a label
        // that would run into it is left out.
        const QString caption = GroupCaption(data, g);
        const int captionBaseline = plot.top + 1 - 3;
        const QRect captionRect(columnRight - width + 2, captionBaseline - numbers.ascent(),
                                numbers.horizontalAdvance(caption), numbers.height());
        p.setPen(fonts.numberColour);
        p.drawText(QPoint(captionRect.left(), captionBaseline), caption);
        int previousTop = INT32_MAX / 2;
        for (const Tick& t : yTicks) {
            const double py = std::round(plot.YPixel(t.fraction));
            if (g == 0 || data.YScale() == ScaleKind::Logarithmic) {
                p.setPen(grid);
                p.drawLine(QPointF(area.left() + 0.5, py + 0.5),
                           QPointF(area.right() + 0.5, py + 0.5));
            }
            if (!t.labelled)
                continue;
            const QString text = Label(t.shown, LabelPrecision(ya));
            const int w = numbers.horizontalAdvance(text);
            const int top = static_cast<int>(py) - numbers.height() / 2;
            const QRect labelRect(columnRight - 5 - w, top, w, numbers.height());
            if (top + numbers.height() > previousTop ||
                (!caption.isEmpty() && labelRect.intersects(captionRect)))
                continue;
            p.setPen(fonts.numberColour);
            p.drawText(QPoint(labelRect.left(), top + numbers.ascent()), text);
            previousTop = top;
        }
        columnRight -= width;
    }

    // The frame, then everything else stays inside the plot.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(area).adjusted(0.5, 0.5, 0.5, 0.5));
    p.setClipRect(area.adjusted(0, 0, 1, 1));

    if (data.YScale() == ScaleKind::Linear) {
        for (int g = 0; g < data.GroupCount(); ++g) {
            const AxisRange& ya = data.Group(g);
            QPen zero(Qt::black, 1);
            zero.setStyle(kGroupStyles[g]);
            p.setPen(zero);
            const double fy = graph::AxisFraction(ScaleKind::Linear, 0, ya.shownLow, ya.shownHigh);
            if (fy > 0 && fy < 1) {
                const double py = std::round(plot.YPixel(fy)) + 0.5;
                p.drawLine(QPointF(area.left(), py), QPointF(area.right() + 1, py));
            }
            if (data.XScale() == ScaleKind::Linear) {
                const double fx =
                    graph::AxisFraction(ScaleKind::Linear, 0, xa.shownLow, xa.shownHigh);
                if (fx > 0 && fx < 1) {
                    const double px = std::round(plot.XPixel(fx)) + 0.5;
                    p.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom() + 1));
                }
            }
        }
    }

    // The curves, antialiased; lines sit on pixel centres.
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF clip = QRectF(area).adjusted(-2, -2, 3, 3);
    long inside = 0;
    for (int c = 0; c < data.CurveCount(); ++c) {
        const QColor colour = CurveColour(data, c);
        QPen pen(colour, 1);
        pen.setJoinStyle(Qt::RoundJoin);
        pen.setCapStyle(Qt::RoundCap);
        const int group = data.CurveGroup(c);
        const AxisRange& ya = data.Group(group);
        const double fxScale = plot.right - plot.left;
        const double fyScale = plot.bottom - plot.top;
        for (int run = 0; run < data.RunCount(); ++run) {
            const graph::Curve& xs = data.Paired() ? data.PairX(c, run) : data.X(run);
            const graph::Curve& ys = data.Y(c, run);
            const std::size_t count = std::min(xs.Count(), ys.Count());
            QPainterPath path;
            std::vector<QPointF> squares;
            QPoint lastSquare(INT32_MIN, INT32_MIN);
            bool dense = false;
            for (const graph::Segment& s : data.Segments(run)) {
                const auto begin = static_cast<std::size_t>(s.begin);
                const auto end = std::min(static_cast<std::size_t>(s.end), count);
                if (begin >= end)
                    continue;
                PathBuilder builder(path, clip);
                ColumnDecimator decimator(builder, plot.left, plot.right);
                const bool lines = s.graphType != graph::kSegmentPoints;
                const bool crowded =
                    lines && end - begin > 4 * static_cast<std::size_t>(std::max(fxScale, 1.0));
                dense = dense || crowded;
                const bool decimate = options.decimate && crowded;
                const bool marks = !lines || options.showPoints;
                // A line goes on from the last point of the part before it: an
                // interval part starts where the previous one ended.
                const std::size_t from = lines && begin > 0 ? begin - 1 : begin;
                ForEachPoint(xs, ys, from, end, [&](std::size_t i, double x, double y) {
                    const double fx =
                        graph::AxisFraction(data.XScale(), x, xa.shownLow, xa.shownHigh);
                    const double fy =
                        graph::AxisFraction(data.YScale(), y, ya.shownLow, ya.shownHigh);
                    QPointF pt(plot.left + fx * fxScale, plot.top + 1 + (1 - fy) * fyScale);
                    if (std::isnan(x) || std::isnan(y))
                        pt = QPointF(std::nan(""), std::nan(""));
                    const bool in = fx >= 0 && fx <= 1 && fy >= 0 && fy <= 1 && i >= begin;
                    if (in)
                        ++inside;
                    if (marks && in) {
                        const QPoint cell(static_cast<int>(std::lround(pt.x())),
                                          static_cast<int>(std::lround(pt.y())));
                        if (cell != lastSquare)
                            squares.push_back(pt + QPointF(0.5, 0.5));
                        lastSquare = cell;
                    }
                    if (!lines)
                        return;
                    if (decimate)
                        decimator.Add(pt);
                    else
                        builder.Add(pt);
                });
                decimator.Flush();
            }
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            if (!path.isEmpty()) {
                // Pixel centres: a one-pixel line on whole coordinates would smear
                // over two pixel rows.
                path.translate(0.5, 0.5);
                // Many segments to a pixel column would pile their antialiased
                // edges up into a darker band than the curve is: such a curve is
                // drawn with whole pixels, the same whether every segment is
                // drawn or only each column's extremes.
                p.setRenderHint(QPainter::Antialiasing, !dense);
                p.drawPath(path);
                p.setRenderHint(QPainter::Antialiasing, true);
            }
            if (!squares.empty()) {
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
                for (const QPointF& q : squares)
                    p.drawRect(QRectF(q.x() - 2.5, q.y() - 2.5, 5, 5));
                p.setRenderHint(QPainter::Antialiasing, true);
            }
        }
    }
    p.restore();
    return inside;
}

void GraphPainter::PaintRuler(QPainter& p, const PlotArea& plot, int offset, bool handles) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int x = plot.left + offset;
    QPen pen(kRulerColour, 1);
    p.setPen(pen);
    p.drawLine(QPointF(x + 0.5, plot.top + 0.5), QPointF(x + 0.5, plot.bottom + 2.5));
    if (handles) {
        p.setBrush(kRulerColour);
        p.setRenderHint(QPainter::Antialiasing, true);
        const double cx = x + 0.5;
        p.drawPolygon(QPolygonF({QPointF(cx - 4, plot.top - 6.0), QPointF(cx + 4, plot.top - 6.0),
                                 QPointF(cx, plot.top + 0.0)}));
        p.drawPolygon(
            QPolygonF({QPointF(cx - 4, plot.bottom + 8.0), QPointF(cx + 4, plot.bottom + 8.0),
                       QPointF(cx, plot.bottom + 2.0)}));
    }
    p.restore();
}

void GraphPainter::PaintLiveSegment(QPainter& p, const PlotArea& plot, QPointF from, QPointF to,
                                    QColor colour) {
    if (!Finite(from) || !Finite(to))
        return;
    if (!ClipSegment(from, to, QRectF(plot.Rect()).adjusted(0, 0, 1, 1)))
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(colour, 1);
    p.setPen(pen);
    p.drawLine(from + QPointF(0.5, 0.5), to + QPointF(0.5, 0.5));
    p.restore();
}

void GraphPainter::PaintLivePoint(QPainter& p, const PlotArea& plot, QPointF at, QColor colour) {
    if (!Finite(at) || !QRectF(plot.Rect()).adjusted(0, 0, 1, 1).contains(at))
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF c = at + QPointF(0.5, 0.5);
    p.drawRect(QRectF(c.x() - 2.5, c.y() - 2.5, 5, 5));
    p.restore();
}

} // namespace korvanix::gui
