#pragma once

#include <string>

namespace korvanix::model {
class Scheme;
} // namespace korvanix::model

namespace korvanix::tools {

// The circuit of a sheet as SPICE element lines, for the comparisons with an
// independent simulator. Node numbers are the sheet's (number the nodes first:
// Scheme::RenumberNodes); every number is written with 17 significant digits.
//
// Conventions that make the simulator's quantities equal ours:
// - a voltage source's value is pin 2 minus pin 1, a current source drives its
//   current from pin 1 to pin 2 through itself;
// - a harmonic value is amplitude·cos(ωt + phase), hence a sine 90° ahead; the
//   same source carries the phasor (amplitude, phase) for an .ac analysis;
// - a pulse train is high from the start of each period for its duration; the
//   simulator's edges take `edgeTime`, so they lag ours by half of it;
// - a capacitor is written from its branch's start node (the lower-numbered one,
//   ground always last) to its end node, so its initial voltage keeps its sign;
//   an inductance from its end node to its start node, since its current (and
//   initial current) counts through the branch from end to start;
// - ИТУН: the current g·(u1 − u2) leaves the element at pin 3 and returns at
//   the common pin 2; ИНУН: u3 − u2 = k·(u1 − u2).
// Names are ASCII: R1, C1, L1, VU1, II1, GITUN1, EINUN1. Any other kind, and a
// harmonic source with an end moment, throw std::invalid_argument.
std::string SpiceElementLines(const model::Scheme& scheme, double edgeTime = 1e-9);

// The SPICE name of the voltage source whose current a deck may print: "VU1".
std::string SpiceVoltageSourceName(const std::string& ourName);

} // namespace korvanix::tools
