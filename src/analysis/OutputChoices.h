#pragma once

#include <string>
#include <vector>

namespace korvanix::engine {
class Engine;
} // namespace korvanix::engine

namespace korvanix::analysis {

// A name the analysis dialogs offer, with what it can give.
struct OfferedOutput {
    static constexpr int Voltage = 1;
    static constexpr int Current = 2;

    std::string name;
    int flags = 0; // Voltage | Current
};

// The order of the analysis dialogs' name lists: the part before the first decimal
// digit byte by byte (in the code page of the documents), then the number that the
// digits after it form. So R2 comes before R10, and C5 before R1.
bool NaturalLess(const std::string& a, const std::string& b);

// After a successful formulation: the names the dialogs offer with their flags,
// in natural order. A node offers its voltage. Every element on the list offers
// both in the transient analysis; the frequency analysis has a voltage only for
// resistors, capacitors, inductances and the kinds 2010 and 3010, and a current
// only for resistors, capacitors, inductances, the kind 2010 and every current
// source (so a source of an older kind offers less there).
std::vector<OfferedOutput> OfferedOutputs(engine::Engine& engine, bool frequency);

} // namespace korvanix::analysis
