#pragma once

#include <string>

#include "model/ElementKind.h"

namespace korvanix::document {
class Document;
} // namespace korvanix::document

namespace korvanix::model {
class Element;
} // namespace korvanix::model

namespace korvanix::tools {

// The generators' drawing steps: an element placed on the sheet (a kind the
// factory does not know is a fault of the generator, thrown as logic_error), and
// two pins joined by a wire.
model::Element* Place(document::Document& doc, model::ElementKind k, int x, int y,
                      int rotation = -1);
void Join(document::Document& doc, model::Element* a, int pinA, model::Element* b, int pinB);

// The benchmark circuit: U1 drives `sections` RC sections (R 100 Ω in series,
// C 1 µF to ground). The transient source is a 1 V, 1 kHz square wave; the
// frequency source a 1 V, 1 kHz harmonic one (the frequency analysis needs one).
struct LadderShape {
    static constexpr double kResistance = 100;
    static constexpr double kCapacitance = 1e-6;

    int sections = 10;
    bool harmonic = false;
    // Transient: five periods in 2000 points, EPS of the part.
    double endTime = 5e-3;
    int points = 2000;
    double eps = 1e-6;
    // Frequency: 1000 points on a logarithmic axis over three decades, so that
    // the grid is a SPICE "dec 333" grid.
    double startFrequency = 10;
    double endFrequency = 1e4;
    int frequencyPoints = 1000;
};

// Lays the ladder out on the document's sheet (rows of 20 sections, longer rows
// when the rows would not fit kLargestSheet; std::invalid_argument when even
// those would not), numbers its nodes and stores the settings of both analyses:
// outputs the voltages of the first section's node and of the last node
// ("Узел N+1"); the frequency analysis with input U1 (voltage), the phase on.
// Returns the last node's number.
int BuildRcLadder(document::Document& doc, const LadderShape& entry);

} // namespace korvanix::tools
