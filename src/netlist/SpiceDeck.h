#pragma once

#include "model/ElementKind.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace korvanix::model {
class Scheme;
} // namespace korvanix::model

namespace korvanix::netlist {

// The circuit of a sheet as SPICE element lines (ngspice's dialect), for the
// comparisons with an independent simulator. Node numbers are the sheet's, 0 the
// ground (number the nodes first: Scheme::RenumberNodes; the names too); nodes
// the deck needs of its own are numbered past the sheet's highest. Every number
// is written with 17 significant digits.
//
// Conventions that make the simulator's quantities equal ours:
// - a voltage source's value is pin 2 minus pin 1, a current source drives its
//   current from pin 1 to pin 2 through itself;
// - a harmonic value is amplitude·cos(ωt + phase), hence a sine 90° ahead; the
//   same source carries the phasor (amplitude, phase) for an .ac analysis;
// - a pulse train is high from the start of each period for its duration; the
//   simulator's edges take `edgeTime`, so they lag ours by half of it;
// - a harmonic source with an end moment is a behavioural source multiplied by a
//   gate that falls from 1 to 0 in `edgeTime` centred on the end moment (so it
//   does not lag), beside an independent source that carries only the phasor;
// - a capacitor is written from its branch's start node (the lower-numbered one,
//   ground always last, numbered as the analysis numbers its working copy) to its
//   end node, so its initial voltage keeps its sign; an inductance from its end
//   node to its start node, since its current (and initial current) counts
//   through the branch from end to start;
// - ИТУН: the current g·(u1 − u2) leaves the element at pin 3 and returns at
//   the common pin 2; ИНУН: u3 − u2 = k·(u1 − u2); ИТУТ and ИНУТ short pins 1
//   and 2 through a zero-volt source whose current i1 (into pin 1) controls
//   h·i1 out of pin 3, or u3 − u2 = r·i1;
// - the gyrator takes i1 = Sg·u2 in at pin 1 and i3 = −Sg·u1 at pin 3; the
//   ideal transformer holds u1 = n·u2 and i3 = −n·i1 (voltages and currents of
//   the ports against the common pin);
// - the ideal op-amp is u3 = k·(u1 − u2) against the ground, its own gain k, as
//   the analysis expands it; the lamp and the transistor are the primitives of
//   their macro models (MacroModelText), a unistor being a current g·u(pin 1)
//   from pin 1 to pin 2 through the element.
// Names keep ours (transliterated to ASCII) after the SPICE type letter: R1, C1,
// L1, VU1, II1, GS1, GITUN1, EINUN1, FITUT1, HINUT1, GG1_1, ETR1, EOU1, and for a
// macro model the element's name and the primitive's place: GV1_1, RV1_4.
// Zero-volt sources that measure a current are V plus "S" plus our name: VSR1.

// What a writer is asked for besides the circuit.
struct SpiceCircuitRequest {
    // How long the simulator's pulse edges (and the end of a harmonic source) take.
    double edgeTime = 1e-9;
    // Our time at the deck's time 0: the waveforms are shifted by it, so that a
    // transient analysis starting there starts at the deck's 0.
    double timeOrigin = 0;
    // Resistors, capacitors and current sources whose current the deck measures:
    // each gets a zero-volt source in series.
    std::set<std::string> measuredCurrents;
};

// A two-terminal element as the deck holds it.
struct SpiceBranch {
    std::string name; // ours
    model::ElementKind kind = 0;
    bool present = false; // the analysis keeps it (it is not shorted)
    int startNode = 0;    // sheet nodes of the ends of its analysis branch
    int endNode = 0;
    std::string current;          // the simulator's vector of its current, empty when none
    bool currentFromStart = true; // that vector counts from start to end
};

// The circuit lines of a sheet and the expressions of its quantities. The sheet
// is left as it is: the orientation of the branches is read from an expanded copy.
class SpiceCircuit {
public:
    // Throws std::invalid_argument naming the element when one cannot be written
    // (a pin not connected, a value that is not a finite number, a kind without
    // a SPICE form).
    SpiceCircuit(const model::Scheme& scheme, const SpiceCircuitRequest& request);

    // The element lines, each ending in "\n"; comment lines for elements the
    // analysis leaves out.
    const std::string& Lines() const { return lines_; }
    // Whether a behavioural source is in the circuit: the simulator then takes an
    // operating point even before an .ac analysis.
    bool HasBehaviouralSources() const { return behavioural_; }
    // The sheet's highest node number.
    int HighestSheetNode() const { return highestSheetNode_; }

    // Expressions of the simulator's vectors in our signs. Voltages: a node's
    // potential, "v(3)"; an element's voltage from its branch's start to its end
    // node. Currents through the element: a resistor's from its branch's start to
    // its end; a capacitor's, an inductance's and a source's from end to start in
    // the transient analysis, while the frequency analysis (`frequency`) counts a
    // capacitor's and an inductance's from start to end.
    // "0" for an element the analysis leaves out; nothing for a name that is no
    // two-terminal element of the circuit, or a current that is not measured.
    std::optional<std::string> NodeVoltage(int sheetNode) const;
    std::optional<std::string> ElementVoltage(const std::string& name) const;
    std::optional<std::string> ElementCurrent(const std::string& name, bool frequency) const;

private:
    const SpiceBranch* Find(const std::string& name) const;

    std::string lines_;
    bool behavioural_ = false;
    int highestSheetNode_ = 0;
    std::vector<SpiceBranch> branches_;
};

// The element lines of a sheet with nothing measured and no time shift.
std::string SpiceElementLines(const model::Scheme& scheme, double edgeTime = 1e-9);

// The SPICE name of the voltage source whose current a deck may print: "VU1".
std::string SpiceVoltageSourceName(const std::string& ourName);

// A name (or any text) in the letters SPICE reads: Cyrillic transliterated
// (ИТУН1 -> ITUN1, ОУ1 -> OU1), digits and Latin letters kept, anything else '_'.
std::string AsciiName(const std::string& utf8);

} // namespace korvanix::netlist
