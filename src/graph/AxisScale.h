#pragma once

#include "graph/GraphData.h"
#include "graph/ScaleKind.h"
#include "model/Geometry.h"

namespace korvanix::graph {

// Font code under which model::TextMetrics measures a graph's axis numbers.
constexpr int kGraphNumberFont = 4;

enum class Axis { X, Y };

// Ticks chosen for one axis: the range rounded to them, the number of divisions,
// whether a line halfway between divisions is drawn, and the label digits.
struct Ticks {
    double low = 0;
    double high = 0;
    int divisions = 1;
    bool halves = false;
    int precision = 5;
};

// floor(log10 |v|): the decimal exponent of v (minus infinity for 0).
double DecimalExponent(double v);

// Picks the tick step and label precision for low..high on an axis `length` pixels
// long, measuring sample labels through `metrics` in font kGraphNumberFont.
Ticks ChooseTicks(double low, double high, Axis axis, ScaleKind kind, int length,
                  const model::TextMetrics& metrics);

// Gives every shown group of `data` its ticks for a plot `plotHeight` pixels high
// (on linear and decibel y scales all groups share the largest division count),
// then the x axis its ticks for `plotWidth`: the shown ranges, divisions, halves
// and precisions. The ranges asked for and the initial ranges stay.
void LayoutTicks(GraphData& data, const model::TextMetrics& metrics, int plotWidth, int plotHeight);

} // namespace korvanix::graph
