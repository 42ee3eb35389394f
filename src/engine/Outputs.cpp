#include "engine/Outputs.h"

#include "engine/AnalysisGraph.h"
#include "engine/Engine.h"
#include "engine/ErrorMessages.h"
#include "engine/MatrixError.h"
#include "model/Element.h"
#include "model/ElementKind.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Wire.h"
#include "netlist/MacroExpansion.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstddef>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace korvanix::engine {

namespace {

using model::Element;
namespace kind = model::kind;

const std::string kNodePrefix = "Узел ";

int Count(std::size_t n) {
    return static_cast<int>(n);
}

model::Element* WorkingCopy(const model::Scheme& scheme, int32_t id) {
    for (const auto& e : scheme.workingElements)
        if (e->id == id)
            return e;
    return nullptr;
}

bool InSourceList(const std::vector<SourceEntry>& list, int32_t id) {
    for (const SourceEntry& s : list)
        if (s.source && s.source->id == id)
            return true;
    return false;
}

// The number of a node name: "Узел " and then what "%d" reads (blanks, a sign,
// digits; anything after the digits is ignored). False for every other name.
bool ParseNodeName(const std::string& name, int& number) {
    if (name.compare(0, kNodePrefix.size(), kNodePrefix) != 0)
        return false;
    std::size_t i = kNodePrefix.size();
    while (i < name.size() && std::isspace(static_cast<unsigned char>(name[i])))
        ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == '+' || name[i] == '-'))
        negative = name[i++] == '-';
    const std::size_t firstDigit = i;
    long long value = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') {
        value = value * 10 + (name[i] - '0');
        if (value > INT_MAX)
            return false;
        ++i;
    }
    if (i == firstDigit)
        return false;
    number = static_cast<int>(negative ? -value : value);
    return true;
}

// Resolves output names against the last analysed circuit.
class OutputResolver {
public:
    explicit OutputResolver(Engine& engine) : scheme_(engine.GetScheme()), graph_(engine.Graph()) {
        model::RenumberNames(scheme_.elements);
        MapSheetNodes();
    }

    // The sheet elements that carry the name, each with its working copy (null when
    // the element is not part of the analysed circuit).
    template <class Visit> void ForEachElement(const std::string& name, Visit visit) const {
        for (const auto& e : scheme_.elements)
            if (e->Name() == name)
                visit(*e, WorkingCopy(scheme_, e->id));
    }

    // The analysed circuit's node that a sheet node name stands for; -1 for a name
    // that is not a node name or a node outside the analysed circuit.
    int NodeOfName(const std::string& name) const {
        int sheetNode = 0;
        if (!ParseNodeName(name, sheetNode))
            return -1;
        const auto found = graphNodeOfSheetNode_.find(sheetNode);
        return found == graphNodeOfSheetNode_.end() ? -1 : found->second;
    }

    // Position of a node among the independent (forest) nodes; -1 when it is not one.
    static int Position(const std::vector<GraphNode*>& list, int node) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i]->number == node)
                return Count(i);
        return -1;
    }

    const AnalysisGraph& Graph() const { return graph_; }

private:
    // The names offer the sheet's node numbers. The analysed circuit numbers its
    // own wires again after shorted elements (and their wires) have been dropped, so
    // the same node may carry another number there: a sheet node is found through
    // any of its wires that the working copy still holds (wires keep their ids).
    void MapSheetNodes() {
        model::NumberNodes(scheme_.wires);
        std::unordered_map<int32_t, int> workingNodeOfWire;
        for (const auto& w : scheme_.workingWires)
            if (w->numbered)
                workingNodeOfWire.emplace(w->id, w->node);
        for (const auto& w : scheme_.wires) {
            if (!w->numbered || graphNodeOfSheetNode_.count(w->node))
                continue;
            const auto found = workingNodeOfWire.find(w->id);
            if (found != workingNodeOfWire.end())
                graphNodeOfSheetNode_.emplace(w->node, found->second);
        }
    }

    model::Scheme& scheme_;
    const AnalysisGraph& graph_;
    std::unordered_map<int, int> graphNodeOfSheetNode_;
};

// ---- transient ------------------------------------------------------------------

void TransientVoltage(const OutputResolver& r, const std::string& name,
                      std::vector<OutputLocator>& out) {
    namespace slot = transient_slot;
    const AnalysisGraph& g = r.Graph();
    r.ForEachElement(name, [&](const Element&, const Element* w) {
        if (!w) {
            out.push_back({slot::Placeholder, 0});
            return;
        }
        for (std::size_t i = 0; i < g.ordinaryBranches.size(); ++i) {
            const Branch& b = *g.ordinaryBranches[i];
            if (b.r == w || b.l == w || b.j == w)
                out.push_back({slot::OrdinaryVoltage, Count(i)});
        }
        for (std::size_t i = 0; i < g.capacitorSourceBranches.size(); ++i) {
            const Branch& b = *g.capacitorSourceBranches[i];
            if (b.r == w || b.l == w || b.j == w)
                out.push_back({slot::SourceBranchVoltage, Count(i)});
            else if (b.c == w)
                out.push_back({slot::CapacitorVoltage, Count(i)});
            else if (b.e == w)
                out.push_back({slot::VoltageSource, Count(i)});
        }
    });
    const int node = r.NodeOfName(name);
    if (node <= 0)
        return;
    const int forest = OutputResolver::Position(g.forestNodes, node);
    if (forest >= 0)
        out.push_back({slot::ForestNode, forest});
    const int independent = OutputResolver::Position(g.independentNodes, node);
    if (independent >= 0)
        out.push_back({slot::IndependentNode, independent});
}

void TransientCurrent(const OutputResolver& r, const std::string& name,
                      std::vector<OutputLocator>& out) {
    namespace slot = transient_slot;
    const AnalysisGraph& g = r.Graph();
    r.ForEachElement(name, [&](const Element&, const Element* w) {
        if (!w) {
            out.push_back({slot::Placeholder, 0});
            return;
        }
        for (std::size_t k = 0; k < g.ordinaryBranches.size(); ++k) {
            const Branch& b = *g.ordinaryBranches[k];
            const int i = Count(k);
            if (b.r == w)
                out.push_back({slot::OrdinaryResistorCurrent, i});
            else if (b.l == w)
                out.push_back({slot::OrdinaryInductorCurrent, g.S1Row(i)});
            else if (b.j == w)
                out.push_back({slot::OrdinaryCurrentSource, g.S1Row(i)});
        }
        for (std::size_t k = 0; k < g.capacitorSourceBranches.size(); ++k) {
            const Branch& b = *g.capacitorSourceBranches[k];
            const int i = Count(k);
            if (b.r == w)
                out.push_back({slot::SourceBranchResistorCurrent, i});
            else if (b.c == w || b.e == w)
                out.push_back({slot::SourceBranchCurrent, i});
            else if (b.l == w)
                out.push_back({slot::SourceBranchInductorCurrent, g.S2Row(i)});
            else if (b.j == w)
                out.push_back({slot::SourceBranchCurrentSource, g.S2Row(i)});
        }
    });
}

// ---- frequency ------------------------------------------------------------------

bool IsPassive(model::ElementKind k) {
    return k == kind::Resistor || k == kind::Capacitor || k == kind::Inductance;
}

bool HasVoltageOutput(model::ElementKind k) {
    return IsPassive(k) || k == kind::VoltageSource || k == kind::CurrentSource;
}

void FrequencyVoltage(const OutputResolver& r, const std::string& name,
                      const std::function<void(OutputLocator)>& emit) {
    namespace slot = frequency_slot;
    const AnalysisGraph& g = r.Graph();
    r.ForEachElement(name, [&](const Element& drawn, const Element* w) {
        if (!w) {
            emit({slot::Placeholder, 0});
            return;
        }
        if (!HasVoltageOutput(drawn.kind))
            return;
        for (std::size_t j = 0; j < g.ordinaryBranches.size(); ++j) {
            const Branch& b = *g.ordinaryBranches[j];
            if (b.r == w || b.l == w || b.c == w || b.j == w)
                emit({slot::OrdinaryVoltage, Count(j)});
        }
        for (std::size_t j = 0; j < g.capacitorSourceBranches.size(); ++j) {
            const Branch& b = *g.capacitorSourceBranches[j];
            if (b.r == w || b.l == w || b.c == w || b.e == w || b.j == w)
                emit({drawn.kind == kind::VoltageSource ? slot::VoltageSource
                                                        : slot::SourceBranchVoltage,
                      Count(j)});
        }
    });
    const int node = r.NodeOfName(name);
    if (node <= 0)
        return;
    const int forest = OutputResolver::Position(g.forestNodes, node);
    if (forest >= 0)
        emit({slot::ForestNode, forest});
    const int independent = OutputResolver::Position(g.independentNodes, node);
    if (independent >= 0)
        emit({slot::IndependentNode, independent});
}

void FrequencyCurrent(const OutputResolver& r, const std::string& name,
                      const std::function<void(OutputLocator)>& emit) {
    namespace slot = frequency_slot;
    const AnalysisGraph& g = r.Graph();
    r.ForEachElement(name, [&](const Element& drawn, const Element* w) {
        if (!w) {
            emit({slot::Placeholder, 0});
            return;
        }
        if (IsPassive(drawn.kind) || drawn.kind == kind::VoltageSource) {
            for (std::size_t j = 0; j < g.ordinaryBranches.size(); ++j) {
                const Branch& b = *g.ordinaryBranches[j];
                if (b.r == w || b.l == w || b.c == w)
                    emit({slot::OrdinaryCurrent, Count(j)});
            }
            for (std::size_t j = 0; j < g.capacitorSourceBranches.size(); ++j) {
                const Branch& b = *g.capacitorSourceBranches[j];
                if (b.r == w || b.l == w || b.c == w || b.e == w)
                    emit({drawn.kind == kind::VoltageSource ? slot::VoltageSourceCurrent
                                                            : slot::SourceBranchElementCurrent,
                          Count(j)});
            }
        } else if (model::IsCurrentSource(drawn.kind)) {
            for (std::size_t j = 0; j < g.ordinaryBranches.size(); ++j)
                if (g.ordinaryBranches[j]->j == w)
                    emit({slot::OrdinaryCurrentSource, Count(j)});
            for (std::size_t j = 0; j < g.capacitorSourceBranches.size(); ++j)
                if (g.capacitorSourceBranches[j]->j == w)
                    emit({slot::SourceBranchCurrentSource, Count(j)});
        }
    });
}

// ---- sweep ----------------------------------------------------------------------

// Which entries of a composite element's id lists are primitives. The lists also
// name the composite elements a template brings in (an ИТУН, a gyrator), which are
// expanded in their turn and never reach the analysed circuit; the write table
// counts primitives only. The pattern depends on the kind alone, so a lone
// element of that kind is expanded to read it off.
std::vector<bool> PrimitivePattern(model::ElementKind compositeKind) {
    model::Scheme scratch;
    std::unique_ptr<Element> lone = model::ElementFactory(compositeKind, 1);
    if (!lone)
        return {};
    scratch.AddElement(std::move(lone));
    std::vector<int32_t> generated;
    std::vector<int32_t> origins;
    netlist::ExpandMacroModels(scratch, &generated, &origins);
    std::unordered_set<int32_t> present;
    for (const auto& e : scratch.workingElements)
        present.insert(e->id);
    std::vector<bool> pattern;
    for (int32_t id : generated)
        pattern.push_back(present.count(id) != 0);
    return pattern;
}

} // namespace

OutputNameList BuildOutputNames(Engine& engine) {
    model::Scheme& scheme = engine.GetScheme();
    const StateEquations& sources = engine.State();
    model::RenumberNames(scheme.elements);
    model::RenumberNames(scheme.workingElements);
    const int nodes = model::NumberNodes(scheme.wires);

    OutputNameList list;
    for (int n = 1; n <= nodes; ++n) {
        list.names.push_back(kNodePrefix + std::to_string(n));
        list.kinds.push_back(OutputNameList::NodeName);
    }
    for (const auto& e : scheme.elements) {
        bool offered = IsPassive(e->kind);
        if (model::IsVoltageSource(e->kind))
            offered = InSourceList(sources.voltageSources, e->id);
        else if (model::IsCurrentSource(e->kind))
            offered = InSourceList(sources.ordinaryCurrentSources, e->id) ||
                      InSourceList(sources.capSourceCurrentSources, e->id);
        if (offered) {
            list.names.push_back(e->Name());
            list.kinds.push_back(OutputNameList::ElementName);
        }
    }
    return list;
}

std::vector<OutputLocator> BuildTransientLocators(Engine& engine,
                                                  const std::vector<std::string>& voltages,
                                                  const std::vector<std::string>& currents) {
    const OutputResolver resolver(engine);
    std::vector<OutputLocator> out;
    for (const std::string& name : voltages)
        TransientVoltage(resolver, name, out);
    for (const std::string& name : currents)
        TransientCurrent(resolver, name, out);
    return out;
}

FrequencyLocators BuildFrequencyLocators(Engine& engine, const std::vector<std::string>& voltages,
                                         const std::vector<std::string>& currents,
                                         const std::string& inputName, int inputKind) {
    const OutputResolver resolver(engine);
    FrequencyLocators result;
    const auto toOutputs = [&result](OutputLocator l) { result.outputs.push_back(l); };
    const auto toInput = [&result](OutputLocator l) { result.input = l; };
    for (const std::string& name : voltages)
        FrequencyVoltage(resolver, name, toOutputs);
    if (inputKind == kInputVoltage)
        FrequencyVoltage(resolver, inputName, toInput);
    for (const std::string& name : currents)
        FrequencyCurrent(resolver, name, toOutputs);
    if (inputKind == kInputCurrent)
        FrequencyCurrent(resolver, inputName, toInput);
    return result;
}

void SelectSweepTarget(Engine& engine, const std::string& name, int parameter) {
    SweepTarget& target = engine.Sweep();
    target = SweepTarget();
    const model::Scheme& scheme = engine.GetScheme();
    model::RenumberNames(scheme.elements);

    const Element* chosen = nullptr;
    for (const auto& e : scheme.elements) {
        if (e->Name() == name) {
            chosen = e.get();
            break;
        }
    }
    if (!chosen)
        throw AnalysisError(AnalysisError::SweepElementNotFound);
    const bool hasWorkingCopy = WorkingCopy(scheme, chosen->id) != nullptr;
    if (!hasWorkingCopy && model::IsTwoTerminal(chosen->kind))
        throw AnalysisError(AnalysisError::SweepElementNotFound);

    target.sheetElementId = chosen->id;
    target.parameter = parameter;
    target.sheetElementIsTarget = !hasWorkingCopy;

    const std::vector<bool> pattern =
        netlist::IsMacroKind(chosen->kind) ? PrimitivePattern(chosen->kind) : std::vector<bool>();
    const std::size_t pairs = std::min(scheme.generatedIds.size(), scheme.originIds.size());
    std::size_t position = 0;
    for (std::size_t k = 0; k < pairs; ++k) {
        if (scheme.originIds[k] != chosen->id)
            continue;
        const bool primitive = position >= pattern.size() || pattern[position];
        ++position;
        if (primitive)
            target.generated.push_back(scheme.generatedIds[k]);
    }
    target.selected = true;
}

void SetSweptValue(Engine& engine, double v) {
    const SweepTarget& t = engine.Sweep();
    if (!t.selected)
        return;
    const model::Scheme& scheme = engine.GetScheme();
    const Element* drawn = scheme.FindElement(t.sheetElementId);
    Element* target = t.sheetElementIsTarget ? scheme.FindElement(t.sheetElementId)
                                             : WorkingCopy(scheme, t.sheetElementId);
    if (!drawn || !target)
        return;

    // g[k] = value, skipped when the k-th primitive is missing (dropped from the
    // analysed circuit, or never generated).
    const auto write = [&](std::size_t k, double value) {
        if (k >= t.generated.size())
            return;
        if (Element* g = WorkingCopy(scheme, t.generated[k]))
            g->SetParam(0, value);
    };
    const auto writeGains = [&](std::size_t first, double value) {
        write(first, -value);
        write(first + 1, value);
        write(first + 2, -value);
    };

    // The drawn element's kind decides: a source record of an older kind is given
    // the current kind when it is copied, but the element chosen is still of the old
    // kind, which has no swept parameter.
    switch (drawn->kind) {
    case kind::Resistor:
    case kind::Capacitor:
    case kind::Inductance:
    case kind::Unistor:
    case kind::VoltageSource:
    case kind::CurrentSource:
        target->SetParam(t.parameter, v);
        break;
    case kind::Vccs:
    case kind::Vcvs:
        writeGains(0, v);
        break;
    case kind::Cccs:
    case kind::Ccvs:
        writeGains(6, v);
        break;
    case kind::Gyrator:
    case kind::Transformer:
        for (std::size_t k = 0; k < 6; ++k)
            write(k, k % 2 == 0 ? v : -v);
        break;
    case kind::Tube:
        if (t.parameter == 0) {
            write(0, v);
            write(1, -v);
            write(2, v);
        } else if (t.parameter == 1) {
            write(3, v);
        }
        break;
    case kind::Transistor:
        // The three gains are alpha / Re; the element's own values are read, never
        // written, so the other factor is the drawn one.
        if (t.parameter == 0) {
            writeGains(0, v / target->GetParam(1));
        } else if (t.parameter == 1) {
            write(3, v);
            writeGains(0, target->GetParam(0) / v);
        } else if (t.parameter == 2) {
            write(4, v);
        } else if (t.parameter == 3) {
            write(5, v);
        }
        break;
    case kind::OpAmp:
        write(0, v);
        write(1, -v);
        write(2, -v);
        write(3, v);
        break;
    default:
        break;
    }
}

void TransientRefresh(Engine& engine, double value) {
    if (engine.Graph().frequency)
        throw MatrixError(); // the workspace holds a frequency formulation
    SetSweptValue(engine, value);
    engine.State().FillElementValues(engine.Graph());
    engine.State().StateMatrices(engine.Graph());
}

void FrequencyRefresh(Engine& engine, double value) {
    if (!engine.Graph().frequency)
        throw MatrixError(); // the workspace holds a transient formulation
    SetSweptValue(engine, value);
    engine.Frequency().UnistorsAndAdmittances(engine.Graph());
    engine.Frequency().IndependentProducts(engine.Graph());
}

std::string SweptParameterCaption(const Engine& engine) {
    const SweepTarget& t = engine.Sweep();
    const Element* drawn = t.selected ? engine.GetScheme().FindElement(t.sheetElementId) : nullptr;
    return drawn ? drawn->ParamCaption(t.parameter) : std::string();
}

std::string SweptParameterUnit(const Engine& engine) {
    const SweepTarget& t = engine.Sweep();
    const Element* drawn = t.selected ? engine.GetScheme().FindElement(t.sheetElementId) : nullptr;
    return drawn ? drawn->ParamUnit(t.parameter) : std::string();
}

} // namespace korvanix::engine
