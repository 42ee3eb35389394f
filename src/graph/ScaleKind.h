#pragma once

#include <cstdint>

namespace korvanix::graph {

// Axis scales; the values double as bits of the masks of scales a user may choose.
enum class ScaleKind : int32_t {
    Linear = 1,
    Logarithmic = 2,
    Decibel = 4,
};

constexpr int32_t ScaleBit(ScaleKind k) {
    return static_cast<int32_t>(k);
}

// Axis coordinate of a value: v, log10 v or 20 log10 v (0 for v <= 0 on the last
// two); an unknown kind gives 0.
double ValueToCoord(ScaleKind kind, double v);
// Inverse of ValueToCoord.
double CoordToValue(ScaleKind kind, double c);
// Where v lies between lo (0) and hi (1).
double AxisFraction(ScaleKind kind, double v, double lo, double hi);
// Inverse of AxisFraction.
double FractionToValue(ScaleKind kind, double f, double lo, double hi);

} // namespace korvanix::graph
