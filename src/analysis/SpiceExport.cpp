#include "analysis/SpiceExport.h"

#include "analysis/DocumentAnalysis.h"
#include "analysis/FrequencyAnalysis.h"
#include "analysis/IntervalParts.h"
#include "analysis/Sweep.h"
#include "document/Document.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/Outputs.h"
#include "graph/ScaleKind.h"
#include "model/Element.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Text1251.h"
#include "model/Value.h"
#include "netlist/SpiceDeck.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvanix::analysis {

namespace {

const std::string kNodePrefix = "Узел ";

// The simulator's pulse edges: 1 ns, or 1e-7 of the shorter part of the fastest
// train. Its curves lag ours by half an edge after each edge, but not where a
// harmonic source or the initial state drives them, so a comparison cannot take
// the lag off everywhere: short edges keep what remains (the slope times the lag)
// below 2e-7 of the signal in the comparisons.
constexpr double kLongestEdge = 1e-9;
constexpr double kEdgeFraction = 1e-7;

std::string Num(double v) {
    return model::FormatNumber(v, 17);
}

// Numbers in comments, for reading.
std::string Short(double v) {
    return model::FormatNumber(v, 6);
}

// A text as comment lines of at most 80 characters (a longer word stays whole);
// a line break in the text starts a new line.
std::string Comment(const std::string& text) {
    constexpr std::size_t kWidth = 78;
    std::string out;
    std::istringstream paragraphs(text);
    for (std::string paragraph; std::getline(paragraphs, paragraph);) {
        std::istringstream words(paragraph);
        std::string line;
        for (std::string word; words >> word;) {
            if (!line.empty() && model::Utf8Length(line) + 1 + model::Utf8Length(word) > kWidth) {
                out += "* " + line + "\n";
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
        }
        out += "* " + line + "\n";
    }
    return out;
}

// One curve of an analysis: the name it comes from and what it shows.
struct Curve {
    std::string name;
    bool current = false;
    bool placeholder = false; // the element is not part of the analysed circuit
};

std::vector<Curve> TransientCurves(engine::Engine& engine, const document::TransientSettings& t) {
    std::vector<Curve> curves;
    const auto add = [&](const std::string& name, bool current) {
        const std::vector<std::string> one{name};
        for (const engine::OutputLocator& l :
             engine::BuildTransientLocators(engine, current ? std::vector<std::string>() : one,
                                            current ? one : std::vector<std::string>()))
            curves.push_back({name, current, l.code == engine::transient_slot::Placeholder});
    };
    for (int i = 0; i < t.voltageOutputCount; ++i)
        add(t.VoltageOutput(i), false);
    for (int i = 0; i < t.currentOutputCount; ++i)
        add(t.CurrentOutput(i), true);
    return curves;
}

std::vector<Curve> FrequencyCurves(engine::Engine& engine, const document::FrequencySettings& f,
                                   Curve& input, bool& inputFound) {
    std::vector<Curve> curves;
    const auto add = [&](const std::string& name, bool current) {
        const engine::FrequencyLocators found = LocateFrequencyOutput(engine, name, current);
        for (const engine::OutputLocator& l : found.outputs)
            curves.push_back({name, current, l.code == engine::frequency_slot::Placeholder});
    };
    for (int i = 0; i < f.voltageOutputCount; ++i)
        add(f.VoltageOutput(i), false);
    for (int i = 0; i < f.currentOutputCount; ++i)
        add(f.CurrentOutput(i), true);
    const engine::OutputLocator in =
        engine::BuildFrequencyLocators(engine, {}, {}, f.InputElement(), f.inputQuantity).input;
    input.name = f.InputElement();
    input.current = f.inputQuantity == engine::kInputCurrent;
    input.placeholder = in.code == engine::frequency_slot::Placeholder;
    inputFound = !input.placeholder;
    return curves;
}

bool IsNodeName(const std::string& name) {
    return name.compare(0, kNodePrefix.size(), kNodePrefix) == 0;
}

// "u_C1", "i_R1", "u_2": our curve's name as a vector name.
std::string VectorName(const Curve& c) {
    const std::string shown = IsNodeName(c.name) ? c.name.substr(kNodePrefix.size()) : c.name;
    return std::string(c.current ? "i_" : "u_") + netlist::AsciiName(shown);
}

// The simulator's expression of a curve in our signs.
std::string Expression(const netlist::SpiceCircuit& circuit, const Curve& c, bool frequency) {
    if (c.placeholder)
        return "0";
    std::optional<std::string> e;
    if (IsNodeName(c.name) && !c.current)
        e = circuit.NodeVoltage(ScanPointCount(c.name.substr(kNodePrefix.size())));
    else
        e = c.current ? circuit.ElementCurrent(c.name, frequency) : circuit.ElementVoltage(c.name);
    if (!e)
        throw std::invalid_argument(c.name + ": no ngspice vector for its " +
                                    (c.current ? "current" : "voltage"));
    return *e;
}

// The edge time of the simulator's pulse trains.
double EdgeTime(const model::Scheme& scheme) {
    double edge = kLongestEdge;
    for (const auto& e : scheme.elements) {
        const auto* v = dynamic_cast<const model::VoltageSource*>(e.get());
        if (!v || v->Mode() != model::SourceMode::Pulse)
            continue;
        const double period = 1 / v->PulseFrequency();
        const double width = period * v->PulseDuration() * 0.01;
        const double shorter = std::min(width, period - width);
        if (shorter > 0 && std::isfinite(shorter))
            edge = std::min(edge, kEdgeFraction * shorter);
    }
    return edge;
}

struct Part {
    double start = 0;
    double end = 0;
    double step = 0;
    int points = 0;
};

// The parts as the transient analysis reads them.
std::vector<Part> Parts(const document::TransientSettings& t) {
    std::vector<Part> parts;
    for (int p = 0; p < PartCount(t); ++p) {
        const document::IntervalPart& stored = t.parts[p];
        Part part{stored.startTime, stored.endTime, stored.step, stored.pointCount};
        if (!(part.step > 0) || !std::isfinite(part.step))
            part.step = (part.end - part.start) / std::max(part.points, 1);
        parts.push_back(part);
    }
    return parts;
}

std::string SweepComment(const document::Document& doc, int32_t enabled,
                         const document::SweepSettings& sweep) {
    if (enabled == 0)
        return {};
    const std::string name = sweep.ElementName();
    const model::Element* element = nullptr;
    for (const auto& e : doc.scheme.elements)
        if (e->Name() == name && !element)
            element = e.get();
    if (!element || sweep.paramIndex < 0 || sweep.paramIndex >= element->ParamCount())
        return Comment("The document sweeps a parameter of " + name +
                       ", which the circuit does not have: the deck holds the drawn values.");
    // A long sweep is told by its ends.
    constexpr std::size_t kListed = 12;
    const std::vector<double> runs = SweepRunValues(sweep);
    std::string values;
    if (runs.size() > kListed) {
        values =
            model::FormatNumber(runs.front(), 12) + " to " + model::FormatNumber(runs.back(), 12);
    } else {
        for (double v : runs)
            values += (values.empty() ? "" : ", ") + model::FormatNumber(v, 12);
    }
    const std::string unit = element->ParamUnit(sweep.paramIndex);
    return Comment(
        "The document sweeps \"" + element->ParamCaption(sweep.paramIndex) + "\" of " + name +
        " over " + values + (unit.empty() ? "" : " " + unit) + " (" +
        std::to_string(std::max<int32_t>(sweep.graphCount, 2)) + " runs, " +
        (sweep.method == document::SweepSettings::Logarithmic ? "logarithmic" : "linear") +
        "); the deck holds the drawn value " +
        model::FormatNumber(element->GetParam(sweep.paramIndex), 12) +
        " (ngspice's alter command, before run, sets another).");
}

class DeckBuilder {
public:
    DeckBuilder(document::Document& doc, engine::EngineNotifier& notifier,
                const SpiceExportOptions& options)
        : doc_(doc), notifier_(notifier), options_(options), settings_(doc.settings) {
        ClampCounts(settings_);
    }

    SpiceExportResult Build() {
        SpiceExportResult result;
        engine::Engine engine(doc_.scheme);
        const model::SchemeError transient = engine.FormulateTransient(notifier_);
        if (transient.Code() == 0)
            tranCurves_ = TransientCurves(engine, settings_.transient);
        else
            tranNote_ = engine::SchemeErrorMessage(transient);
        const model::SchemeError frequency = engine.FormulateFrequency(notifier_);
        if (frequency.Code() == 0)
            acCurves_ = FrequencyCurves(engine, settings_.frequency, input_, inputFound_);
        else
            acNote_ = engine::SchemeErrorMessage(frequency);
        if (transient.Code() != 0 && frequency.Code() != 0) {
            result.outcome = SpiceExportOutcome::NotAnalysable;
            result.schemeError = transient;
            return result;
        }
        hasTran_ = transient.Code() == 0;
        hasAc_ = frequency.Code() == 0;

        try {
            result.deck = Deck();
        } catch (const std::invalid_argument& e) {
            result.outcome = SpiceExportOutcome::Refused;
            result.message = e.what();
        }
        return result;
    }

private:
    std::string Deck() {
        const std::vector<Part> parts = Parts(settings_.transient);
        netlist::SpiceCircuitRequest request;
        request.edgeTime = EdgeTime(doc_.scheme);
        // The analysis starts from its initial state at the first part's start;
        // the simulator starts at its 0.
        request.timeOrigin = hasTran_ ? parts.front().start : 0;
        for (const Curve& c : tranCurves_)
            if (c.current)
                request.measuredCurrents.insert(c.name);
        for (const Curve& c : acCurves_)
            if (c.current)
                request.measuredCurrents.insert(c.name);
        if (inputFound_ && input_.current)
            request.measuredCurrents.insert(input_.name);
        const netlist::SpiceCircuit circuit(doc_.scheme, request);

        std::string deck = "KORVANIX: " + doc_.Name() + "\n";
        deck += Comment("Written by korvanix-cli spice for ngspice. Nodes are the sheet's "
                        "numbers, 0 the ground; nodes above " +
                        std::to_string(circuit.HighestSheetNode()) +
                        " are the deck's own. Element names are ours after the SPICE type "
                        "letter; VS... sources measure a current.");
        deck += Comment("Signs are ours: an element's voltage runs from its branch's start node "
                        "(the lower number, the ground last) to its end node, the current of a "
                        "resistor from start to end, of a capacitor, an inductance or a source "
                        "from end to start (the frequency analysis counts a capacitor's and an "
                        "inductance's from start to end).");
        if (request.edgeTime != kLongestEdge || HasPulse())
            deck += Comment("Pulse edges take " + Short(request.edgeTime) +
                            " s here, ours none: the simulator's curves lag ours by half of it.");
        deck += Comment("ngspice's curves stay within about 1e-3 of ours with its default "
                        "tolerances and internal steps of a tenth of the output step, within "
                        "about 1e-6 with a 300th (korvanix-cli spice --substeps 300) and "
                        "\".options reltol=1e-7 vntol=1e-10 abstol=1e-13\".");
        deck += "\n" + circuit.Lines() + "\n";

        const bool tran = TransientLine(parts, request.timeOrigin, deck);
        const bool ac = FrequencyLine(circuit, deck);

        deck += ".control\nset wr_singlescale\nset wr_vecnames\noption numdgt=15\nrun\n";
        const std::string data = DataName();
        if (tran)
            deck += TransientOutputs(circuit, data, request.timeOrigin);
        if (ac)
            deck += FrequencyOutputs(circuit, data);
        deck += ".endc\n.end\n";
        return deck;
    }

    bool HasPulse() const {
        for (const auto& e : doc_.scheme.elements) {
            const auto* s = dynamic_cast<const model::SourceElement*>(e.get());
            if (s && s->Mode() == model::SourceMode::Pulse)
                return true;
        }
        return false;
    }

    std::string DataName() const {
        std::string name = doc_.Name();
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0)
            name.erase(dot);
        return netlist::AsciiName(name);
    }

    bool TransientLine(const std::vector<Part>& parts, double origin, std::string& deck) {
        if (!hasTran_) {
            deck += Comment("No transient analysis: " + tranNote_);
            return false;
        }
        std::string text = "Transient analysis from " + Short(origin) + " s:";
        double finest = parts.front().step;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            const Part& p = parts[i];
            text += " part " + std::to_string(i + 1) + " to " + Short(p.end) + " s by " +
                    Short(p.step) + " s;";
            finest = std::min(finest, p.step);
        }
        const double end = parts.back().end - origin;
        if (!(end > 0) || !(finest > 0) || !std::isfinite(end) || !std::isfinite(finest)) {
            deck += Comment(text + " no time to simulate.");
            hasTran_ = false;
            return false;
        }
        const int substeps = std::max(options_.substeps, 1);
        text += " the simulator prints by the finest step and takes internal steps of 1/" +
                std::to_string(substeps) +
                " of it at most: its error grows with the square of that step.";
        if (origin != 0)
            text += " Its time 0 is our " + Short(origin) +
                    " s: the sources are shifted by it, and the curves written shifted back.";
        if (settings_.transient.energyGraph != 0)
            text += " The energy is that of the capacitors and inductances.";
        deck += Comment(text);
        deck += SweepComment(doc_, settings_.transient.sweepEnabled, settings_.transient.sweep);
        deck += ".tran " + Num(finest) + " " + Num(end) + " 0 " + Num(finest / substeps) + " uic\n";
        return true;
    }

    bool FrequencyLine(const netlist::SpiceCircuit& circuit, std::string& deck) {
        if (!hasAc_) {
            deck += Comment("No frequency analysis: " + acNote_);
            return false;
        }
        const document::FrequencySettings& f = settings_.frequency;
        const double from = f.startFrequency;
        const double to = f.endFrequency;
        const int points = f.pointCount;
        const bool logarithmic =
            f.frequencyScale == static_cast<int32_t>(graph::ScaleKind::Logarithmic);
        if (!(from > 0) || !(to > from) || !std::isfinite(to)) {
            deck += Comment("No frequency analysis: the range " + Short(from) + " to " + Short(to) +
                            " Hz has no ngspice grid.");
            hasAc_ = false;
            return false;
        }
        std::string line;
        std::string text = "Frequency analysis: " + std::to_string(points) + " points from " +
                           Short(from) + " to " + Short(to) + " Hz";
        if (logarithmic) {
            const double perDecade = (points - 1) / std::log10(to / from);
            const long rounded = std::max(1L, std::lround(perDecade));
            line = ".ac dec " + std::to_string(rounded) + " " + Num(from) + " " + Num(to);
            text += " on a logarithmic axis";
            if (std::fabs(perDecade - static_cast<double>(rounded)) > 1e-6 * perDecade)
                text += ", " + model::FormatNumber(perDecade, 6) +
                        " a decade, which ngspice's grid cannot hold: its points lie between "
                        "ours";
        } else {
            line = ".ac lin " + std::to_string(points) + " " + Num(from) + " " + Num(to);
            text += " on a linear axis";
        }
        text += ". The curves are the outputs' ratios to the ";
        text += std::string(input_.current ? "current" : "voltage") + " of " + input_.name;
        text += inputFound_ ? "." : ", which is not in the circuit: ours are then 1e30.";
        deck += Comment(text);
        deck += SweepComment(doc_, f.sweepEnabled, f.sweep);
        if (!circuit.HasBehaviouralSources())
            deck += Comment("The circuit is linear: the .ac analysis needs no operating point "
                            "(which a node reached through capacitors only would make "
                            "singular).") +
                    ".options noopac\n";
        deck += line + "\n";
        return true;
    }

    std::string TransientOutputs(const netlist::SpiceCircuit& circuit, const std::string& data,
                                 double origin) {
        std::string out = Comment("The transient curves, as korvanix-cli transient --csv has them");
        out += "setplot tran1\n";
        if (origin != 0)
            out += Comment("On our time axis") + "let t = time + " + Num(origin) + "\nsetscale t\n";
        std::string vectors;
        for (const Curve& c : tranCurves_) {
            const std::string name = VectorName(c);
            const std::string e = Expression(circuit, c, false);
            out += "let " + name + " = " + (e == "0" ? "0*time" : e) + "\n";
            vectors += " " + name;
        }
        if (settings_.transient.energyGraph != 0) {
            out += "let energy = 0*time\n";
            for (const auto& e : doc_.scheme.elements) {
                if (e->kind != model::kind::Capacitor && e->kind != model::kind::Inductance)
                    continue;
                const std::optional<std::string> q = e->kind == model::kind::Capacitor
                                                         ? circuit.ElementVoltage(e->Name())
                                                         : circuit.ElementCurrent(e->Name(), false);
                if (q && *q != "0")
                    out +=
                        "let energy = energy + " + Num(0.5 * e->GetParam(0)) + "*(" + *q + ")^2\n";
            }
            vectors += " energy";
        }
        if (vectors.empty())
            return out + Comment("The document chooses no transient curve.");
        return out + "wrdata " + data + "-tran.txt" + vectors + "\n";
    }

    std::string FrequencyOutputs(const netlist::SpiceCircuit& circuit, const std::string& data) {
        const document::FrequencySettings& f = settings_.frequency;
        const bool hodograph = f.hodograph != 0;
        const bool phase = f.phase != 0 && !hodograph;
        std::string out =
            Comment("The frequency curves, as korvanix-cli frequency --csv has them: the "
                    "magnitudes, then the phases in degrees, or the real and imaginary parts");
        out += "setplot ac1\n";
        if (inputFound_)
            out += "let input = " + Expression(circuit, input_, true) + "\n";
        std::string magnitudes;
        std::string phases;
        for (const Curve& c : acCurves_) {
            const std::string name = VectorName(c);
            const std::string e = Expression(circuit, c, true);
            // Ours divides by an input that is exactly zero as 1e30.
            out += "let k_" + name + " = " +
                   (inputFound_ ? (e == "0" ? "0*frequency" : e) + "/input"
                                : std::string("1e30+0*frequency")) +
                   "\n";
            if (hodograph) {
                out += "let re_" + name + " = real(k_" + name + ")\n";
                out += "let im_" + name + " = imag(k_" + name + ")\n";
                magnitudes += " re_" + name + " im_" + name;
                continue;
            }
            out += "let mag_" + name + " = mag(k_" + name + ")\n";
            magnitudes += " mag_" + name;
            if (phase) {
                out += "let ph_" + name + " = 180/pi*cph(k_" + name + ")\n";
                phases += " ph_" + name;
            }
        }
        if (magnitudes.empty())
            return out + Comment("The document chooses no frequency curve.");
        return out + "wrdata " + data + "-ac.txt" + magnitudes + phases + "\n";
    }

    document::Document& doc_;
    engine::EngineNotifier& notifier_;
    const SpiceExportOptions options_;
    document::DocumentSettings settings_;
    bool hasTran_ = false;
    bool hasAc_ = false;
    std::string tranNote_;
    std::string acNote_;
    std::vector<Curve> tranCurves_;
    std::vector<Curve> acCurves_;
    Curve input_;
    bool inputFound_ = false;
};

} // namespace

SpiceExportResult ExportSpiceDeck(document::Document& doc, engine::EngineNotifier& notifier,
                                  const SpiceExportOptions& options) {
    return DeckBuilder(doc, notifier, options).Build();
}

} // namespace korvanix::analysis
