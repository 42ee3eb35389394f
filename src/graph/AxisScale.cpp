#include "graph/AxisScale.h"

#include "model/Value.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace korvanix::graph {
namespace {

// v = mantissa * 10^exponent with the mantissa in [1, 10).
void Split(double v, double& mantissa, double& exponent) {
    exponent = DecimalExponent(v);
    mantissa = std::fabs(v) / std::pow(10.0, exponent);
}

// Label digits that tell apart the ends of a range whose ticks are `step` apart.
// An end at 0 has no exponent at all and so asks for the most digits.
int PrecisionFor(double low, double high, double step) {
    const double es = DecimalExponent(step);
    const double p =
        std::max(std::fabs(DecimalExponent(high) - es), std::fabs(DecimalExponent(low) - es)) + 1;
    return static_cast<int>(std::clamp(p, 4.0, 10.0));
}

Ticks Kept(double low, double high, int precision) {
    return {low, high, 1, false, precision};
}

// The sample label stands for the widest label a precision can produce.
model::Size SampleExtent(int precision, const model::TextMetrics& metrics) {
    const std::string text =
        model::FormatValue(0.5555555555555, precision, model::kCyrillic, false);
    return metrics.TextExtent(text, kGraphNumberFont);
}

// Steps of 1, 2 and 5 times a power of ten, from about a fiftieth of the range
// upwards, until the labels fit the axis.
Ticks LinearTicks(double low, double high, Axis axis, int length,
                  const model::TextMetrics& metrics) {
    const double d = high - low;
    if (d == 0)
        return Kept(low, high, 5);

    double m = 0;
    double e = 0;
    Split(0.02 * std::fabs(d), m, e);
    int mantissa = 1;
    if (m <= 1) {
        mantissa = 1;
    } else if (m <= 2) {
        mantissa = 2;
    } else if (m <= 5) {
        mantissa = 5;
    } else {
        mantissa = 1;
        e += 1;
    }

    int64_t previousNeed = -1;
    for (int pass = 1;; ++pass) {
        const double step = mantissa * std::pow(10.0, e);
        // Ranges near the ends of the double range can run the step out of it.
        if (!std::isfinite(step) || step == 0)
            break;
        const double lo = std::floor(low / step) * step;
        const double hi = std::floor(high / step + 0.999999) * step;
        const double divisions = std::floor(std::fabs(hi - lo) / step + 0.5);
        // Bounded before the conversion to int, whatever the arithmetic produced.
        const int n = divisions >= 1e6 ? 1000000 : divisions >= 1 ? static_cast<int>(divisions) : 1;
        const int precision = PrecisionFor(lo, hi, step);
        const model::Size sample = SampleExtent(precision, metrics);
        const bool halves = mantissa == 2;

        if (mantissa == 1) {
            mantissa = 2;
        } else if (mantissa == 2) {
            mantissa = 5;
        } else {
            mantissa = 1;
            e += 1;
        }

        const int64_t need =
            axis == Axis::X ? int64_t{17} * sample.width * n / 10 : int64_t{2} * sample.height * n;
        if (need <= length)
            return {lo, hi, n, halves, precision};
        if (pass == 101 || need == previousNeed)
            break;
        previousNeed = need;
    }
    return Kept(low, high, PrecisionFor(low, high, high - low));
}

Ticks LogarithmicTicks(double low, double high, Axis axis, int length,
                       const model::TextMetrics& metrics) {
    if (!(low > 0) || !(high > 0))
        return Kept(low, high, 5);
    double mLow = 0;
    double eLow = 0;
    Split(low, mLow, eLow);
    if (high / low >= 10) {
        double mHigh = 0;
        double eHigh = 0;
        Split(high, mHigh, eHigh);
        // Each end rounded outwards to one significant digit.
        return {std::floor(mLow + 1e-6) * std::pow(10.0, eLow),
                std::floor(mHigh + 1 - 1e-6) * std::pow(10.0, eHigh), 1, false, 4};
    }
    Ticks t = LinearTicks(low, high, axis, length, metrics);
    if (t.low == 0) {
        // Zero has no place on a logarithmic axis: keep the width, start at the
        // low end rounded down to one significant digit.
        const double w = t.high - t.low;
        t.low = std::floor(mLow + 1e-6) * std::pow(10.0, eLow);
        t.high = t.low + w;
    }
    return t;
}

Ticks DecibelTicks(double low, double high, Axis axis, int length,
                   const model::TextMetrics& metrics) {
    const double cLow = ValueToCoord(ScaleKind::Decibel, low);
    const double cHigh = ValueToCoord(ScaleKind::Decibel, high);
    Ticks t = LinearTicks(cLow, cHigh, axis, length, metrics);
    // A range kept as it was comes back exactly, not through two conversions.
    t.low = t.low == cLow ? low : CoordToValue(ScaleKind::Decibel, t.low);
    t.high = t.high == cHigh ? high : CoordToValue(ScaleKind::Decibel, t.high);
    return t;
}

void Apply(AxisRange& axis, const Ticks& t) {
    axis.shownLow = t.low;
    axis.shownHigh = t.high;
    axis.divisions = t.divisions;
    axis.halves = t.halves;
    axis.precision = t.precision;
}

} // namespace

double ValueToCoord(ScaleKind kind, double v) {
    switch (kind) {
    case ScaleKind::Linear:
        return v;
    case ScaleKind::Logarithmic:
        return v > 0 ? std::log10(v) : 0;
    case ScaleKind::Decibel:
        return v > 0 ? 20 * std::log10(v) : 0;
    }
    return 0;
}

double CoordToValue(ScaleKind kind, double c) {
    switch (kind) {
    case ScaleKind::Linear:
        return c;
    case ScaleKind::Logarithmic:
        return std::pow(10.0, c);
    case ScaleKind::Decibel:
        return std::pow(10.0, c / 20);
    }
    return 0;
}

// Degenerate ranges (equal ends, or an end at or below zero on a logarithmic
// axis) give 0 instead of an infinite or undefined fraction that would reach the
// pixel conversions.
double AxisFraction(ScaleKind kind, double v, double lo, double hi) {
    switch (kind) {
    case ScaleKind::Linear:
        return hi != lo ? (v - lo) / (hi - lo) : 0;
    case ScaleKind::Logarithmic:
    case ScaleKind::Decibel:
        if (v <= 0 || lo <= 0 || hi <= 0 || hi == lo)
            return 0;
        return std::log10(v / lo) / std::log10(hi / lo);
    }
    return 0;
}

double FractionToValue(ScaleKind kind, double f, double lo, double hi) {
    switch (kind) {
    case ScaleKind::Linear:
        return lo + (hi - lo) * f;
    case ScaleKind::Logarithmic:
    case ScaleKind::Decibel:
        if (lo <= 0 || hi <= 0)
            return 0;
        return lo * std::pow(hi / lo, f);
    }
    return 0;
}

double DecimalExponent(double v) {
    return std::floor(std::log10(std::fabs(v)));
}

Ticks ChooseTicks(double low, double high, Axis axis, ScaleKind kind, int length,
                  const model::TextMetrics& metrics) {
    // Nothing sensible can be ticked on a range that is not made of numbers.
    if (!std::isfinite(low) || !std::isfinite(high))
        return Kept(low, high, 5);
    switch (kind) {
    case ScaleKind::Linear:
        return LinearTicks(low, high, axis, length, metrics);
    case ScaleKind::Logarithmic:
        return LogarithmicTicks(low, high, axis, length, metrics);
    case ScaleKind::Decibel:
        return DecibelTicks(low, high, axis, length, metrics);
    }
    return Kept(low, high, 5);
}

void LayoutTicks(GraphData& data, const model::TextMetrics& metrics, int plotWidth,
                 int plotHeight) {
    const ScaleKind yKind = data.YScale();
    const int groups = data.GroupCount();
    int most = 1;
    for (int g = 0; g < groups; ++g) {
        AxisRange& axis = data.Group(g);
        Apply(axis, ChooseTicks(axis.low, axis.high, Axis::Y, yKind, plotHeight, metrics));
        most = std::max(most, axis.divisions);
    }

    // Groups side by side share their horizontal grid lines: the groups with fewer
    // divisions grow by whole steps, evenly below and above (the odd step on top).
    if (yKind == ScaleKind::Linear || yKind == ScaleKind::Decibel) {
        const bool halves = groups == 1 && data.Group(0).halves;
        for (int g = 0; g < groups; ++g) {
            AxisRange& axis = data.Group(g);
            axis.halves = halves;
            const int n = axis.divisions;
            if (n >= most)
                continue;
            double lo = ValueToCoord(yKind, axis.shownLow);
            double hi = ValueToCoord(yKind, axis.shownHigh);
            const double step = (hi - lo) / n;
            const int k = (most - n) / 2;
            lo -= k * step;
            hi += k * step;
            if ((most - n) % 2 != 0)
                hi += step;
            axis.shownLow = CoordToValue(yKind, lo);
            axis.shownHigh = CoordToValue(yKind, hi);
            axis.divisions = most;
        }
    }

    AxisRange& x = data.XAxis();
    Apply(x, ChooseTicks(x.low, x.high, Axis::X, data.XScale(), plotWidth, metrics));
}

} // namespace korvanix::graph
