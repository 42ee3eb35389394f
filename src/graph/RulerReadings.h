#pragma once

#include "graph/GraphData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvanix::graph {

// What the ruler reads off one curve of the selected run.
struct CurveReading {
    int curve = 0;
    std::string label;  // ", дБ" in place of the unit on a decibel y scale
    double value = 0;   // in decibels on a decibel y scale
    bool valid = false; // false where the run has no point to read
};

// Everything the ruler window lists for one ruler position.
struct RulerReading {
    double x = 0; // the x value under the ruler
    std::vector<CurveReading> curves;
    // The per-point integer at the ruler's point, when the run records them.
    std::optional<int32_t> integer;
};

// A caption on a decibel axis: the text before its first comma, then ", дБ".
std::string DecibelCaption(const std::string& caption);

// Reads the curves of the selected run at `xFraction` of the shown x range (0 the
// plot's left edge, 1 its right edge). A curve's neighbouring points are those
// around the ruler's x value (for a paired curve, along its own horizontal values);
// with `interpolate` the value between them is found on a straight line in the
// axes' own coordinates (so along a logarithmic axis as it is drawn); without, the
// point at or before the ruler is read, and the ruler jumps from point to point.
RulerReading ReadRuler(const GraphData& data, double xFraction, bool interpolate);

// Index of the last point whose x is at or before `x` in a series that runs
// up or down (0 before the first point); -1 for an empty series.
long LowerNeighbour(const Curve& xs, double x);

} // namespace korvanix::graph
