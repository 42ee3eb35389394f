#include "netlist/SpiceDeck.h"

#include "model/Element.h"
#include "model/ElementKind.h"
#include "model/Errors.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Text1251.h"
#include "model/Value.h"
#include "netlist/MacroExpansion.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace korvanix::netlist {

namespace {

namespace kind = model::kind;

constexpr double kPi = 3.14159265358979323846;
// The waveform's own tolerance for an instant on an edge (see Sources.cpp).
constexpr double kOnEdge = 1e-12;

std::string Num(double v) {
    return model::FormatNumber(v, 17);
}

// Latin letters for the Cyrillic capitals А to Я, in code page 1251 order.
constexpr const char* kCyrillic[32] = {
    "A", "B", "V", "G", "D", "E",  "ZH", "Z",  "I",  "Y",    "K", "L", "M", "N", "O",  "P",
    "R", "S", "T", "U", "F", "KH", "TS", "CH", "SH", "SHCH", "",  "Y", "",  "E", "YU", "YA"};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The branch orientation of the analysis: the lower node number starts the
// branch, except that ground always ends it.
bool Pin1Starts(int node1, int node2) {
    return node1 != 0 && (node2 == 0 || node1 < node2);
}

// The nodes the analysis gives each two-terminal element after it expanded the
// macro models and dropped the shorted elements (ids are kept by the copies). An
// element it drops has no entry.
std::unordered_map<int32_t, std::pair<int, int>> WorkingNodes(const model::Scheme& scheme) {
    model::Scheme scratch;
    model::Scheme::CopyObjects(model::Pointers(scheme.elements), model::Pointers(scheme.wires),
                               scratch.elements, scratch.wires, true);
    try {
        ExpandMacroModels(scratch);
    } catch (const model::SchemeError& e) {
        throw std::invalid_argument(e.HasMessage() ? e.Message()
                                                   : "a macro model cannot be expanded");
    }
    PruneShortedElements(scratch);
    model::NumberNodes(scratch.workingWires);
    std::unordered_map<int32_t, std::pair<int, int>> nodes;
    for (const auto& e : scratch.workingElements)
        if (model::IsTwoTerminal(e->kind))
            nodes[e->id] = {e->PinNode(1), e->PinNode(2)};
    return nodes;
}

// Writes the lines of one sheet.
class Writer {
public:
    Writer(const model::Scheme& scheme, const SpiceCircuitRequest& request)
        : scheme_(scheme), request_(request), working_(WorkingNodes(scheme)) {
        for (const auto& e : scheme.elements)
            for (int pin = 1; pin <= e->PinCount(); ++pin)
                highest_ = std::max(highest_, e->PinNode(pin));
        nextNode_ = highest_ + 1;
    }

    void WriteAll() {
        for (const auto& owned : scheme_.elements)
            Write(*owned);
    }

    std::string lines;
    std::vector<SpiceBranch> branches;
    bool behavioural = false;
    int HighestSheetNode() const { return highest_; }

private:
    int NewNode() { return nextNode_++; }

    [[noreturn]] static void Refuse(const model::Element& e, const std::string& why) {
        throw std::invalid_argument(e.Name() + ": " + why);
    }

    int Node(const model::Element& e, int pin) const {
        const int n = e.PinNode(pin);
        if (n < 0)
            Refuse(e, "pin " + std::to_string(pin) + " is not connected");
        return n;
    }

    // The four-pin kinds' common terminal: pin 2, or pin 4 when only that is wired.
    int CommonNode(const model::Element& e) const {
        if (e.PinNode(2) >= 0)
            return e.PinNode(2);
        if (e.PinNode(4) >= 0)
            return e.PinNode(4);
        Refuse(e, "its common terminal (pin 2 or 4) is not connected");
    }

    static void CheckValues(const model::Element& e) {
        for (int i = 0; i < e.ParamCount(); ++i)
            if (!std::isfinite(e.GetParam(i)))
                Refuse(e, "its value \"" + e.ParamCaption(i) + "\" is not a finite number");
    }

    // SPICE names do not tell the case apart; a name taken gets a number.
    std::string Unique(const std::string& wanted) {
        std::string name = wanted;
        for (int k = 2; !used_.insert(Upper(name)).second; ++k)
            name = wanted + "_" + std::to_string(k);
        return name;
    }

    // Resistors, capacitors and inductances: our prefix is the SPICE type letter.
    std::string OwnName(const model::Element& e) { return Unique(AsciiName(e.Name())); }

    // A SPICE name made of a type letter (or letters) and our name.
    std::string Name(const std::string& type, const model::Element& e,
                     const std::string& suffix = {}) {
        return Unique(type + AsciiName(e.Name()) + suffix);
    }

    void Line(const std::string& text) { lines += text + "\n"; }

    // Our name in a comment when the SPICE one had to spell it otherwise.
    void NameComment(const model::Element& e, const std::string& what) {
        const std::string name = e.Name();
        if (AsciiName(name) != name || !what.empty())
            Line("* " + name + (what.empty() ? "" : ": " + what));
    }

    void Write(const model::Element& e) {
        if (!model::IsCircuitElement(e.kind))
            return; // grounds, connectors, labels
        CheckValues(e);
        if (model::IsTwoTerminal(e.kind))
            WriteTwoTerminal(e);
        else if (model::HasCommonTerminal(e.kind))
            WriteFourPin(e);
        else if (e.kind == kind::OpAmp)
            WriteOpAmp(e);
        else if (e.kind == kind::Tube || e.kind == kind::Transistor)
            WriteMacroModel(e);
        else
            Refuse(e, "no SPICE form for its kind");
    }

    // ---- two-terminal elements ------------------------------------------------------

    void WriteTwoTerminal(const model::Element& e) {
        SpiceBranch b;
        b.name = e.Name();
        b.kind = e.kind;
        const int n1 = Node(e, 1);
        const int n2 = Node(e, 2);
        const auto found = working_.find(e.id);
        b.present = found != working_.end();
        const bool pin1Starts =
            b.present ? Pin1Starts(found->second.first, found->second.second) : Pin1Starts(n1, n2);
        b.startNode = pin1Starts ? n1 : n2;
        b.endNode = pin1Starts ? n2 : n1;
        const bool measured = request_.measuredCurrents.count(b.name) != 0;

        if (!b.present) {
            NameComment(e, {});
            Line("* " + AsciiName(b.name) +
                 (e.kind == kind::Unistor && n1 == 0 && n1 != n2
                      ? " carries no current: its pin 1 is on the ground"
                      : " is shorted (both pins on node " + std::to_string(n1) + ")") +
                 ", the analysis leaves it out");
            branches.push_back(b);
            return;
        }

        const auto source = dynamic_cast<const model::SourceElement*>(&e);
        if (model::IsVoltageSource(e.kind) && source) {
            WriteVoltageSource(*source, n1, n2, b);
        } else if (model::IsCurrentSource(e.kind) && source) {
            WriteCurrentSource(*source, n1, n2, measured, b);
        } else {
            switch (e.kind) {
            case kind::Resistor:
                WritePassive(e, "", measured, b);
                break;
            case kind::Capacitor:
                WritePassive(e, " IC=" + Num(e.GetParam(1)), measured, b);
                break;
            case kind::Inductance: {
                NameComment(e, {});
                const std::string name = OwnName(e);
                Line(name + " " + std::to_string(b.endNode) + " " + std::to_string(b.startNode) +
                     " " + Num(e.GetParam(0)) + " IC=" + Num(e.GetParam(1)));
                b.current = "i(" + Lower(name) + ")";
                b.currentFromStart = false;
                break;
            }
            case kind::Unistor:
                // A current g·u(pin 1) from pin 1 to pin 2 through the element.
                NameComment(e, {});
                Line(Name("G", e) + " " + std::to_string(n1) + " " + std::to_string(n2) + " " +
                     std::to_string(n1) + " 0 " + Num(e.GetParam(0)));
                break;
            default:
                Refuse(e, "no SPICE form for its kind");
            }
        }
        branches.push_back(b);
    }

    // Resistors and capacitors, from the branch's start to its end; a measured one
    // through a zero-volt source after it.
    void WritePassive(const model::Element& e, const std::string& tail, bool measured,
                      SpiceBranch& b) {
        NameComment(e, {});
        const int to = measured ? NewNode() : b.endNode;
        Line(OwnName(e) + " " + std::to_string(b.startNode) + " " + std::to_string(to) + " " +
             Num(e.GetParam(0)) + tail);
        if (measured)
            b.current = Sense(e, to, b.endNode);
        b.currentFromStart = true;
    }

    // A zero-volt source from `from` to `to`; the vector of its current.
    std::string Sense(const model::Element& e, int from, int to) {
        const std::string sense = Name("VS", e);
        Line(sense + " " + std::to_string(from) + " " + std::to_string(to) + " 0");
        return "i(" + Lower(sense) + ")";
    }

    void WriteVoltageSource(const model::SourceElement& s, int n1, int n2, SpiceBranch& b) {
        NameComment(s, {});
        const std::string name = Unique(SpiceVoltageSourceName(AsciiName(s.Name())));
        // The simulator's current runs from its + node (pin 2) through the source.
        b.current = "i(" + Lower(name) + ")";
        b.currentFromStart = n2 == b.startNode && n1 == b.endNode;
        if (s.Mode() == model::SourceMode::Ac && s.HasEndTime()) {
            const int middle = NewNode();
            Line(name + " " + std::to_string(n2) + " " + std::to_string(middle) + " " +
                 PhasorOnly(s));
            Line(Name("B", s) + " " + std::to_string(middle) + " " + std::to_string(n1) +
                 " V=" + GatedHarmonic(s));
            return;
        }
        Line(name + " " + std::to_string(n2) + " " + std::to_string(n1) + " " + Waveform(s));
    }

    void WriteCurrentSource(const model::SourceElement& s, int n1, int n2, bool measured,
                            SpiceBranch& b) {
        NameComment(s, {});
        const int to = measured ? NewNode() : n2;
        const std::string name = Name("I", s);
        if (s.Mode() == model::SourceMode::Ac && s.HasEndTime()) {
            Line(name + " " + std::to_string(n1) + " " + std::to_string(to) + " " + PhasorOnly(s));
            Line(Name("B", s) + " " + std::to_string(n1) + " " + std::to_string(to) +
                 " I=" + GatedHarmonic(s));
        } else {
            Line(name + " " + std::to_string(n1) + " " + std::to_string(to) + " " + Waveform(s));
        }
        if (measured) {
            b.current = Sense(s, to, n2);
            b.currentFromStart = n1 == b.startNode && n2 == b.endNode;
        }
    }

    // ---- waveforms -------------------------------------------------------------------

    // The phase (degrees) of a harmonic source at the deck's time 0.
    double ShiftedPhase(const model::SourceElement& s) const {
        const double turns = s.AcFrequency() * request_.timeOrigin;
        return s.AcPhase() + 360 * (turns - std::floor(turns));
    }

    std::string Waveform(const model::SourceElement& s) const {
        switch (s.Mode()) {
        case model::SourceMode::Dc:
            return "DC " + Num(s.DcValue());
        case model::SourceMode::Ac:
            return PhasorOnly(s) + " SIN(0 " + Num(s.AcAmplitude()) + " " + Num(s.AcFrequency()) +
                   " 0 0 " + Num(ShiftedPhase(s) + 90) + ")";
        case model::SourceMode::Pulse:
            break;
        }
        const auto* v = dynamic_cast<const model::VoltageSource*>(&s);
        if (!v)
            Refuse(s, "a pulse train on a source that has none");
        return PulseTrain(*v);
    }

    static std::string PhasorOnly(const model::SourceElement& s) {
        return "DC 0 AC " + Num(s.AcAmplitude()) + " " + Num(s.AcPhase());
    }

    // PULSE(low high delay rise fall width period): the width counts from the end
    // of the rise to the start of the fall. A train that is high at the deck's
    // time 0 is written upside down, falling first.
    std::string PulseTrain(const model::VoltageSource& v) const {
        const double low = v.PulseOffset();
        const double high = v.PulseOffset() + v.PulseAmplitude();
        const double period = 1 / v.PulseFrequency();
        const double width = period * v.PulseDuration() * 0.01;
        if (!(period > 0) || !std::isfinite(period) || width <= 0)
            return "DC " + Num(low);
        if (width >= period)
            return "DC " + Num(high);
        const double edge = request_.edgeTime;
        double at = request_.timeOrigin - std::floor(request_.timeOrigin / period) * period;
        if (std::fabs(at - period) <= kOnEdge || std::fabs(at) <= kOnEdge)
            at = 0;
        if (at == 0)
            return "DC " + Num(low) + " PULSE(" + Num(low) + " " + Num(high) + " 0 " + Num(edge) +
                   " " + Num(edge) + " " + Num(width - edge) + " " + Num(period) + ")";
        if (at < width)
            return "DC " + Num(high) + " PULSE(" + Num(high) + " " + Num(low) + " " +
                   Num(width - at) + " " + Num(edge) + " " + Num(edge) + " " +
                   Num(period - width - edge) + " " + Num(period) + ")";
        return "DC " + Num(low) + " PULSE(" + Num(low) + " " + Num(high) + " " + Num(period - at) +
               " " + Num(edge) + " " + Num(edge) + " " + Num(width - edge) + " " + Num(period) +
               ")";
    }

    // amplitude·cos(ωt + φ) times a gate that falls from 1 to 0 within the edge
    // time centred on the end moment. The gate is an independent source, whose
    // corners the simulator steps onto; the expression has no corners of its own.
    std::string GatedHarmonic(const model::SourceElement& s) {
        behavioural = true;
        const int gate = NewNode();
        const double end = s.EndMoment() - request_.timeOrigin;
        const double half = request_.edgeTime / 2;
        std::string shape;
        if (end <= 0)
            shape = "DC 0";
        else if (end <= half)
            shape =
                "PWL(0 " + Num((end + half) / request_.edgeTime) + " " + Num(end + half) + " 0)";
        else
            shape = "PWL(0 1 " + Num(end - half) + " 1 " + Num(end + half) + " 0)";
        Line(Name("VG", s) + " " + std::to_string(gate) + " 0 " + shape);
        const double omega = 2 * kPi * s.AcFrequency();
        const double phase = ShiftedPhase(s) * kPi / 180;
        return "V(" + std::to_string(gate) + ")*" + Num(s.AcAmplitude()) + "*cos(" + Num(omega) +
               "*time+(" + Num(phase) + "))";
    }

    // ---- controlled sources, gyrator, transformer, op-amp ---------------------------

    void WriteFourPin(const model::Element& e) {
        const std::string p1 = std::to_string(Node(e, 1));
        const std::string c = std::to_string(CommonNode(e));
        const std::string p3 = std::to_string(Node(e, 3));
        const std::string value = Num(e.GetParam(0));
        NameComment(e, {});
        switch (e.kind) {
        case kind::Vccs:
            Line(Name("G", e) + " " + c + " " + p3 + " " + p1 + " " + c + " " + value);
            break;
        case kind::Vcvs:
            Line(Name("E", e) + " " + p3 + " " + c + " " + p1 + " " + c + " " + value);
            break;
        case kind::Cccs: {
            const std::string sense = Name("VS", e);
            Line(sense + " " + p1 + " " + c + " 0");
            Line(Name("F", e) + " " + c + " " + p3 + " " + sense + " " + value);
            break;
        }
        case kind::Ccvs: {
            const std::string sense = Name("VS", e);
            Line(sense + " " + p1 + " " + c + " 0");
            Line(Name("H", e) + " " + p3 + " " + c + " " + sense + " " + value);
            break;
        }
        case kind::Gyrator:
            Line(Name("G", e, "_1") + " " + p1 + " " + c + " " + p3 + " " + c + " " + value);
            Line(Name("G", e, "_2") + " " + p3 + " " + c + " " + p1 + " " + c + " " +
                 Num(-e.GetParam(0)));
            break;
        case kind::Transformer: {
            const std::string middle = std::to_string(NewNode());
            const std::string sense = Name("VS", e);
            Line(Name("E", e) + " " + p1 + " " + middle + " " + p3 + " " + c + " " + value);
            Line(sense + " " + middle + " " + c + " 0");
            Line(Name("F", e) + " " + c + " " + p3 + " " + sense + " " + value);
            break;
        }
        default:
            Refuse(e, "no SPICE form for its kind");
        }
    }

    // The analysis expands the op-amp into a voltage-controlled voltage source of
    // its own gain k against the ground (no nullor): the same source here.
    void WriteOpAmp(const model::Element& e) {
        NameComment(e, "ideal op-amp, u3 = k·(u1 − u2)");
        Line(Name("E", e) + " " + std::to_string(Node(e, 3)) + " 0 " + std::to_string(Node(e, 1)) +
             " " + std::to_string(Node(e, 2)) + " " + Num(e.GetParam(0)));
    }

    // The primitives of the element's macro model, as the analysis takes them: its
    // local nodes 1 to 3 are the pins, 0 the ground, the others nodes of the deck.
    void WriteMacroModel(const model::Element& e) {
        std::map<int, int> nodes{{0, 0}};
        std::string pins;
        for (int pin = 1; pin <= e.PinCount(); ++pin) {
            nodes[MacroTerminalNode(e.kind, pin)] = Node(e, pin);
            pins += (pin > 1 ? ", " : "") + std::string("pin ") + std::to_string(pin) + " on " +
                    std::to_string(Node(e, pin));
        }
        NameComment(e, {});
        Line("* " + AsciiName(e.Name()) + ": " +
             (e.kind == kind::Tube ? "triode (grid, anode, cathode)"
                                   : "n-p-n transistor (emitter, base, collector)") +
             ", small-signal model, " + pins);
        std::istringstream model(MacroModelText(e));
        std::string line;
        for (int index = 1; std::getline(model, line, '|'); ++index) {
            std::istringstream fields(line);
            std::string prefix;
            std::vector<std::string> rest;
            fields >> prefix;
            for (std::string f; fields >> f;)
                rest.push_back(f);
            const model::ElementKind k = model::KindFromName(prefix + ",");
            double value = 0;
            if ((k != kind::Unistor && k != kind::Resistor) || rest.size() != 3 ||
                !model::ParseValue(rest[2], value))
                Refuse(e, "its macro model holds a line without a SPICE form: " + line);
            int local[2] = {0, 0};
            for (int i = 0; i < 2; ++i) {
                const int n = std::atoi(rest[static_cast<std::size_t>(i)].c_str());
                const auto [at, fresh] = nodes.emplace(n, 0);
                if (fresh)
                    at->second = NewNode();
                local[i] = at->second;
            }
            const std::string a = std::to_string(local[0]);
            const std::string b = std::to_string(local[1]);
            const std::string suffix = "_" + std::to_string(index);
            if (k == kind::Unistor)
                Line(Name("G", e, suffix) + " " + a + " " + b + " " + a + " 0 " + Num(value));
            else
                Line(Name("R", e, suffix) + " " + a + " " + b + " " + Num(value));
        }
    }

    const model::Scheme& scheme_;
    const SpiceCircuitRequest& request_;
    const std::unordered_map<int32_t, std::pair<int, int>> working_;
    int highest_ = 0;
    int nextNode_ = 1;
    std::set<std::string> used_;
};

// Whether our current of a kind counts through its branch from start to end. The
// transient analysis counts a capacitor's current as its branch's, from end to
// start like a voltage source's; the frequency analysis counts every passive
// element's as its admittance times its voltage.
bool OursFromStart(model::ElementKind k, bool frequency) {
    if (k == kind::Resistor)
        return true;
    if (k == kind::Capacitor || k == kind::Inductance)
        return frequency;
    return false; // sources
}

} // namespace

SpiceCircuit::SpiceCircuit(const model::Scheme& scheme, const SpiceCircuitRequest& request) {
    Writer writer(scheme, request);
    writer.WriteAll();
    lines_ = std::move(writer.lines);
    branches_ = std::move(writer.branches);
    behavioural_ = writer.behavioural;
    highestSheetNode_ = writer.HighestSheetNode();
}

const SpiceBranch* SpiceCircuit::Find(const std::string& name) const {
    for (const SpiceBranch& b : branches_)
        if (b.name == name)
            return &b;
    return nullptr;
}

std::optional<std::string> SpiceCircuit::NodeVoltage(int sheetNode) const {
    if (sheetNode < 1 || sheetNode > highestSheetNode_)
        return std::nullopt;
    return "v(" + std::to_string(sheetNode) + ")";
}

std::optional<std::string> SpiceCircuit::ElementVoltage(const std::string& name) const {
    const SpiceBranch* b = Find(name);
    if (!b || b->kind == kind::Unistor)
        return std::nullopt;
    if (!b->present)
        return std::string("0");
    if (b->endNode == 0)
        return "v(" + std::to_string(b->startNode) + ")";
    return "v(" + std::to_string(b->startNode) + "," + std::to_string(b->endNode) + ")";
}

std::optional<std::string> SpiceCircuit::ElementCurrent(const std::string& name,
                                                        bool frequency) const {
    const SpiceBranch* b = Find(name);
    if (!b || b->kind == kind::Unistor)
        return std::nullopt;
    if (!b->present)
        return std::string("0");
    if (b->current.empty())
        return std::nullopt;
    return (b->currentFromStart == OursFromStart(b->kind, frequency) ? "" : "-") + b->current;
}

std::string SpiceElementLines(const model::Scheme& scheme, double edgeTime) {
    SpiceCircuitRequest request;
    request.edgeTime = edgeTime;
    return SpiceCircuit(scheme, request).Lines();
}

std::string SpiceVoltageSourceName(const std::string& ourName) {
    return "V" + ourName;
}

std::string AsciiName(const std::string& utf8) {
    const std::string bytes = model::Utf8ToCp1251(utf8);
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_')
            out += c;
        else if (u >= 0xC0 && u <= 0xDF)
            out += kCyrillic[u - 0xC0];
        else if (u >= 0xE0)
            out += Lower(kCyrillic[u - 0xE0]);
        else if (u == 0xA8)
            out += 'E';
        else if (u == 0xB8)
            out += 'e';
        else
            out += '_';
    }
    return out;
}

} // namespace korvanix::netlist
