#pragma once

#include <string>
#include <vector>

namespace korvanix::tools {

// The bench circuits of make_ladder as state equations x' = A·x + b·u, and their
// exact response to the 1 V, 1 kHz square wave that drives them, independent of
// the program's own formulation and step.
//
// The wave is constant over every output step (its edges fall on the grid), so
// over one step the response is the exponential of the step's augmented matrix
// [A b; 0 0] applied to [x; u]. It is applied in substeps whose matrix norm is at
// most 1, each summed as a Taylor series until the terms are below 1e-22 of the
// state: truncation far below the rounding of the sums, and no cancellation
// (every term stays below the state it starts from). A time between grid points
// is reached from the grid point before it in the same way, so a curve is
// compared at its own times, without reading the reference between rows.
struct ExactRequest {
    std::string circuit = "ladder"; // "ladder", "mesh" or "line"
    int size = 500;                 // sections, or the mesh's side
    double endTime = 5e-3;
    int points = 2000;
    // Rows written per output step: more than one lets a curve whose points fall
    // between the grid's (a simulator's own steps) be read against it closely.
    int rowsPerStep = 1;
    // When not empty, the rows are at these times (ascending) instead, those
    // within 0 .. endTime.
    std::vector<double> times;
};

// Rows of time and the two curves make_ladder stores as outputs (the ladder's
// node 2 and last node, the mesh's neighbour of the driven corner and opposite
// corner, the line's first capacitor and loaded end), from the initial state at
// time 0. std::invalid_argument for an unknown circuit, a size out of range or
// times that do not ascend.
std::vector<std::vector<double>> ExactResponse(const ExactRequest& request);

} // namespace korvanix::tools
