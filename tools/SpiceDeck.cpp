#include "SpiceDeck.h"

#include "model/Element.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Value.h"

#include <stdexcept>

namespace korvanix::tools {

namespace {

namespace kind = model::kind;

std::string Num(double v) {
    return model::FormatNumber(v, 17);
}

std::string Node(int n) {
    if (n < 0)
        throw std::invalid_argument("an unconnected pin cannot be written to SPICE");
    return std::to_string(n);
}

// The branch orientation of the engine: the lower node number starts the
// branch, except that ground always ends it.
void BranchEnds(int a, int b, int& start, int& end) {
    const bool aStarts = a != 0 && (b == 0 || a < b);
    start = aStarts ? a : b;
    end = aStarts ? b : a;
}

std::string Waveform(const model::SourceElement& s, double edgeTime) {
    switch (s.Mode()) {
    case model::SourceMode::Dc:
        return "DC " + Num(s.DcValue());
    case model::SourceMode::Ac:
        if (s.HasEndTime())
            throw std::invalid_argument("a harmonic source with an end moment");
        return "DC 0 AC " + Num(s.AcAmplitude()) + " " + Num(s.AcPhase()) + " SIN(0 " +
               Num(s.AcAmplitude()) + " " + Num(s.AcFrequency()) + " 0 0 " + Num(s.AcPhase() + 90) +
               ")";
    case model::SourceMode::Pulse:
        break;
    }
    const auto& v = dynamic_cast<const model::VoltageSource&>(s);
    const double period = 1 / v.PulseFrequency();
    const double high = period * v.PulseDuration() * 0.01;
    // PULSE(low high delay rise fall width period): the width counts from the end
    // of the rise to the start of the fall.
    return "DC " + Num(v.PulseOffset()) + " PULSE(" + Num(v.PulseOffset()) + " " +
           Num(v.PulseOffset() + v.PulseAmplitude()) + " 0 " + Num(edgeTime) + " " + Num(edgeTime) +
           " " + Num(high - edgeTime) + " " + Num(period) + ")";
}

// The four-pin elements' common terminal: pin 2, or pin 4 when only that is wired.
int CommonNode(const model::Element& e) {
    return e.PinNode(2) >= 0 ? e.PinNode(2) : e.PinNode(4);
}

} // namespace

std::string SpiceVoltageSourceName(const std::string& ourName) {
    return "V" + ourName;
}

std::string SpiceElementLines(const model::Scheme& scheme, double edgeTime) {
    std::string out;
    for (const auto& owned : scheme.elements) {
        const model::Element& e = *owned;
        const std::string number = std::to_string(e.number);
        int start = 0;
        int end = 0;
        switch (e.kind) {
        case kind::Resistor:
            out += e.Name() + " " + Node(e.PinNode(1)) + " " + Node(e.PinNode(2)) + " " +
                   Num(e.GetParam(0));
            break;
        case kind::Capacitor:
            BranchEnds(e.PinNode(1), e.PinNode(2), start, end);
            out += e.Name() + " " + Node(start) + " " + Node(end) + " " + Num(e.GetParam(0)) +
                   " IC=" + Num(e.GetParam(1));
            break;
        case kind::Inductance:
            BranchEnds(e.PinNode(1), e.PinNode(2), start, end);
            out += e.Name() + " " + Node(end) + " " + Node(start) + " " + Num(e.GetParam(0)) +
                   " IC=" + Num(e.GetParam(1));
            break;
        case kind::VoltageSource:
            out += SpiceVoltageSourceName(e.Name()) + " " + Node(e.PinNode(2)) + " " +
                   Node(e.PinNode(1)) + " " +
                   Waveform(dynamic_cast<const model::SourceElement&>(e), edgeTime);
            break;
        case kind::CurrentSource:
            out += "I" + e.Name() + " " + Node(e.PinNode(1)) + " " + Node(e.PinNode(2)) + " " +
                   Waveform(dynamic_cast<const model::SourceElement&>(e), edgeTime);
            break;
        case kind::Vccs: // ИТУН
            out += "GITUN" + number + " " + Node(CommonNode(e)) + " " + Node(e.PinNode(3)) + " " +
                   Node(e.PinNode(1)) + " " + Node(CommonNode(e)) + " " + Num(e.GetParam(0));
            break;
        case kind::Vcvs: // ИНУН
            out += "EINUN" + number + " " + Node(e.PinNode(3)) + " " + Node(CommonNode(e)) + " " +
                   Node(e.PinNode(1)) + " " + Node(CommonNode(e)) + " " + Num(e.GetParam(0));
            break;
        default:
            if (e.kind > 999)
                throw std::invalid_argument("no SPICE line for " + e.Name());
            continue; // grounds, connectors, labels
        }
        out += "\n";
    }
    return out;
}

} // namespace korvanix::tools
