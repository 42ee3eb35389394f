#include "graph/RulerReadings.h"

#include "graph/AxisScale.h"

#include <cmath>

namespace korvanix::graph {
namespace {

// Points around x along a series that need not be ordered (a hodograph's real
// parts): the first pair of consecutive points that x lies between; the nearest
// end when x lies beyond every pair.
long CrossingNeighbour(const Curve& xs, double x) {
    const std::size_t n = xs.Count();
    if (n == 0)
        return -1;
    double previous = xs.ValueAt(0);
    for (std::size_t i = 1; i < n; ++i) {
        const double next = xs.ValueAt(i);
        if ((previous <= x && x <= next) || (next <= x && x <= previous))
            return static_cast<long>(i - 1);
        previous = next;
    }
    return std::fabs(x - xs.ValueAt(0)) <= std::fabs(x - xs.ValueAt(n - 1))
               ? 0
               : static_cast<long>(n - 1);
}

double Interpolated(ScaleKind xKind, ScaleKind yKind, double x, double x0, double x1, double y0,
                    double y1) {
    const double c = ValueToCoord(xKind, x);
    const double c0 = ValueToCoord(xKind, x0);
    const double c1 = ValueToCoord(xKind, x1);
    if (!(c1 != c0) || !std::isfinite(c1 - c0))
        return y0;
    const double t = (c - c0) / (c1 - c0);
    const double d0 = ValueToCoord(yKind, y0);
    const double d1 = ValueToCoord(yKind, y1);
    return CoordToValue(yKind, d0 + t * (d1 - d0));
}

} // namespace

std::string DecibelCaption(const std::string& caption) {
    return caption.substr(0, caption.find(',')) + ", дБ";
}

long LowerNeighbour(const Curve& xs, double x) {
    const std::size_t n = xs.Count();
    if (n == 0)
        return -1;
    // A descending series (a frequency grid run downwards) is searched mirrored.
    const bool descending = xs.ValueAt(0) > xs.ValueAt(n - 1);
    auto before = [&](std::size_t i) {
        const double v = xs.ValueAt(i);
        return descending ? v >= x : v <= x;
    };
    if (!before(0))
        return 0;
    std::size_t lo = 0; // before(lo) holds
    std::size_t hi = n; // before(hi) does not, or hi is past the end
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (before(mid))
            lo = mid;
        else
            hi = mid;
    }
    return static_cast<long>(lo);
}

RulerReading ReadRuler(const GraphData& data, double xFraction, bool interpolate) {
    RulerReading out;
    const AxisRange& xa = data.XAxis();
    out.x = FractionToValue(data.XScale(), xFraction, xa.shownLow, xa.shownHigh);
    const int run = data.SelectedRun();
    const Curve& runX = data.X(run);
    const bool decibel = data.YScale() == ScaleKind::Decibel;

    const long runIndex = LowerNeighbour(runX, out.x);
    for (int c = 0; c < data.CurveCount(); ++c) {
        CurveReading r;
        r.curve = c;
        r.label = decibel ? DecibelCaption(data.CurveLabel(c)) : data.CurveLabel(c);
        const Curve& ys = data.Y(c, run);
        const Curve& xs = data.Paired() ? data.PairX(c, run) : runX;
        const long i = data.Paired() ? CrossingNeighbour(xs, out.x) : runIndex;
        const std::size_t count = std::min(xs.Count(), ys.Count());
        if (i >= 0 && static_cast<std::size_t>(i) < count) {
            const auto k = static_cast<std::size_t>(i);
            double v = ys.ValueAt(k);
            if (interpolate && k + 1 < count) {
                v = Interpolated(data.XScale(), data.YScale(), out.x, xs.ValueAt(k),
                                 xs.ValueAt(k + 1), v, ys.ValueAt(k + 1));
                // Past either end of the series the nearest point is what there is.
                const double x0 = xs.ValueAt(k);
                const double x1 = xs.ValueAt(k + 1);
                if ((out.x - x0) * (x1 - x0) < 0)
                    v = ys.ValueAt(k);
            }
            r.value = decibel ? ValueToCoord(ScaleKind::Decibel, v) : v;
            r.valid = true;
        }
        out.curves.push_back(r);
    }

    const IntCurve& integers = data.Integers(run);
    if (integers.Count() > 0 && runIndex >= 0)
        out.integer = integers.ValueAt(static_cast<std::size_t>(
            std::min<long>(runIndex, static_cast<long>(integers.Count()) - 1)));
    return out;
}

} // namespace korvanix::graph
