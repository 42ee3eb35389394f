#pragma once

// Shared by the benchmarks: RC ladders drawn through the sheet model, as a user
// would draw them, and an engine notifier that stays silent.

#include "engine/EngineNotifier.h"
#include "model/Scheme.h"
#include "model/Sources.h"

#include <string>

namespace korvanix::bench {

class SilentNotifier : public engine::EngineNotifier {
public:
    void LoopWarning(const std::string&, const std::string&) override {}
    void PlainMessage(const std::string&) override {}
};

// A voltage source, then `sections` sections of a series 1 kΩ resistor and a 1 µF
// shunt capacitor to ground. Every inner node is a connector joining the resistor
// before, the capacitor and the resistor after; the grounds are one per capacitor.
// Returns the source, for the caller to set its waveform.
inline model::VoltageSource* BuildLadder(model::Scheme& s, int sections) {
    auto* source = static_cast<model::VoltageSource*>(s.PlaceNew(model::kind::VoltageSource));
    s.Join(source, 1, s.PlaceNew(model::kind::Ground), 1);
    model::Element* previous = source;
    int previousPin = 2;
    for (int k = 0; k < sections; ++k) {
        model::Element* r = s.PlaceNew(model::kind::Resistor);
        model::Element* c = s.PlaceNew(model::kind::Capacitor);
        model::Element* node = s.PlaceNew(model::kind::Connector);
        r->SetParam(0, 1000);
        c->SetParam(0, 1e-6);
        s.Join(previous, previousPin, r, 1);
        s.Join(r, 2, node, 1);
        s.Join(node, 2, c, 1);
        s.Join(c, 2, s.PlaceNew(model::kind::Ground), 1);
        previous = node;
        previousPin = 3;
    }
    s.RenumberNodes();
    s.RenumberNames();
    return source;
}

} // namespace korvanix::bench
