#include "netlist/MacroExpansion.h"

#include "model/Element.h"
#include "model/Errors.h"
#include "model/Scheme.h"
#include "model/Value.h"
#include "model/Wire.h"
#include "netlist/SubcircuitBuilder.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace korvanix::netlist {

using model::Element;
using model::ElementKind;
using model::Wire;
namespace kind = model::kind;

namespace {

constexpr int kTemplateError = 4100;

// Fills the "%1.12g" places of a template in order. Printing goes through the
// locale-independent formatter, so the text reads back the same everywhere.
std::string Fill(const std::string& pattern, std::initializer_list<double> values) {
    static const std::string kPlace = "%1.12g";
    std::string out;
    std::size_t from = 0;
    auto value = values.begin();
    for (;;) {
        const std::size_t at = pattern.find(kPlace, from);
        if (at == std::string::npos || value == values.end())
            break;
        out.append(pattern, from, at - from);
        out += model::FormatNumber(*value++, 12);
        from = at + kPlace.size();
    }
    out.append(pattern, from, std::string::npos);
    return out;
}

bool IsThreePinMacro(ElementKind k) {
    return k == kind::Tube || k == kind::Transistor || k == kind::OpAmp;
}

template <typename List> int32_t LargestId(const List& list) {
    int32_t largest = 0;
    for (const auto& object : list)
        largest = std::max(largest, object->id);
    return largest;
}

// Lets go of every wire end still held by an element about to be destroyed.
void ReleaseWires(Element* e) {
    for (model::Pin& pin : e->pins) {
        if (pin.wire && pin.wire->EndElement(pin.wireEnd) == e) {
            pin.wire->ForgetEnd(pin.wireEnd);
            pin.wire->Route();
        }
        pin.wire = nullptr;
        pin.wireEnd = 0;
        pin.wireId = 0;
    }
}

// Takes a wire out of the working copy; its store keeps the detached object.
void RemoveWorkingWire(std::vector<Wire*>& wires, Wire* w) {
    model::DetachWire(w);
    const auto it = std::find(wires.begin(), wires.end(), w);
    if (it != wires.end())
        wires.erase(it);
}

// A resistor, capacitor, inductance or unistor whose two wired pins share a node,
// or a unistor whose pin 1 is on ground; the nodes must be numbered.
bool IsShorted(const Element& e) {
    const bool candidate = model::IsTwoTerminal(e.kind) && !model::IsVoltageSource(e.kind) &&
                           !model::IsCurrentSource(e.kind) && e.PinCount() == 2;
    const int n1 = candidate ? e.PinNode(1) : -1;
    const int n2 = candidate ? e.PinNode(2) : -1;
    return n1 >= 0 && n2 >= 0 && (n1 == n2 || (e.kind == kind::Unistor && n1 == 0));
}

struct Terminal {
    Wire* wire;
    int wireEnd;
    int localNode;
};

} // namespace

bool IsMacroKind(ElementKind k) {
    return model::HasCommonTerminal(k) || IsThreePinMacro(k);
}

int MacroTerminalNode(ElementKind k, int pin) {
    if (model::HasCommonTerminal(k)) {
        static constexpr int kFourPin[] = {1, 2, 3, 2};
        return pin >= 1 && pin <= 4 ? kFourPin[pin - 1] : 0;
    }
    if (IsThreePinMacro(k))
        return pin >= 1 && pin <= 3 ? pin : 0;
    return 0;
}

std::string MacroModelText(const Element& e) {
    const double p0 = e.GetParam(0);
    switch (e.kind) {
    case kind::Vccs:
        return Fill("S 1 2 %1.12g|S 1 3 %1.12g|S 2 3 %1.12g|", {-p0, p0, -p0});
    case kind::Vcvs:
        return Fill("ИТУН 1 2 4 %1.12g|G 4 2 3 1|", {p0});
    case kind::Cccs:
        return Fill("G 1 2 4 1|ИТУН 4 2 3 %1.12g|", {p0});
    case kind::Ccvs:
        return Fill("G 1 2 4 1|ИТУН 4 2 5 %1.12g|G 5 2 3 1|", {p0});
    case kind::Gyrator:
        return Fill("S 2 1 %1.12g|S 1 2 %1.12g|S 1 3 %1.12g|S 3 1 %1.12g|S 3 2 %1.12g|"
                    "S 2 3 %1.12g|",
                    {p0, -p0, p0, -p0, p0, -p0});
    case kind::Transformer:
        return Fill("G 4 2 3 %1.12g|G 1 2 4 1|", {p0});
    case kind::Tube:
        return Fill("S 1 3 %1.12g|S 1 2 %1.12g|S 3 2 %1.12g|R 2 3 %1.12g|",
                    {p0, -p0, p0, e.GetParam(1)});
    case kind::Transistor: {
        const double re = e.GetParam(1);
        const double s = p0 / re;
        return Fill("S 1 4 %1.12g|S 1 3 %1.12g|S 4 3 %1.12g|R 1 4 %1.12g|R 4 3 %1.12g|"
                    "R 2 4 %1.12g|",
                    {-s, s, -s, re, e.GetParam(2), e.GetParam(3)});
    }
    case kind::OpAmp:
        return Fill("S 1 4 %1.12g|S 1 0 %1.12g|S 2 4 %1.12g|S 2 0 %1.12g|G 4 0 3 1|",
                    {p0, -p0, -p0, p0});
    default:
        return {};
    }
}

void ExpandMacroModels(model::Scheme& scheme, std::vector<int32_t>* generatedIds,
                       std::vector<int32_t>* originIds) {
    const bool track = generatedIds != nullptr && originIds != nullptr;
    if (track) {
        generatedIds->clear();
        originIds->clear();
    }

    model::ElementList& list = scheme.workingElementStore;
    model::WireList& wires = scheme.workingWireStore;
    scheme.workingElements.clear();
    scheme.workingWires.clear();
    list.clear();
    wires.clear();
    model::Scheme::CopyObjects(model::Pointers(scheme.elements), model::Pointers(scheme.wires),
                               list, wires, true);

    int32_t nextElementId = LargestId(list) + 1;
    int32_t nextWireId = LargestId(wires) + 1;

    SubcircuitBuilder builder;
    // The list grows while it is walked: subcircuits may bring in macro elements of
    // their own, which are replaced when the walk reaches them.
    for (std::size_t i = 0; i < list.size();) {
        Element* e = list[i].get();
        if (!IsMacroKind(e->kind)) {
            ++i;
            continue;
        }

        std::vector<Terminal> terminals;
        for (int p = 1; p <= e->PinCount(); ++p) {
            const model::Pin& pin = e->pins[static_cast<std::size_t>(p - 1)];
            if (pin.wire && pin.wire->EndElement(pin.wireEnd) == e)
                terminals.push_back({pin.wire, pin.wireEnd, MacroTerminalNode(e->kind, p)});
        }

        builder.Reset();
        // No element is carried on failure: the user reads the builder's own
        // message, which an element would replace by the generic one.
        if (!builder.Parse(MacroModelText(*e)))
            throw model::SchemeError(kTemplateError, builder.ErrorMessage());
        for (const Terminal& t : terminals)
            builder.ConnectExternal(t.localNode, t.wire, t.wireEnd);

        const std::size_t firstMerged = list.size();
        builder.MergeInto(list, wires, nextElementId, nextWireId);

        if (track) {
            // A generated element stands for the drawn element its own origin names.
            int32_t origin = e->id;
            const auto seen = std::find(generatedIds->begin(), generatedIds->end(), e->id);
            if (seen != generatedIds->end()) {
                const auto at = seen - generatedIds->begin();
                if (static_cast<std::size_t>(at) < originIds->size())
                    origin = (*originIds)[static_cast<std::size_t>(at)];
            }
            for (std::size_t k = firstMerged; k < list.size(); ++k) {
                if (!model::IsCircuitElement(list[k]->kind))
                    continue;
                generatedIds->push_back(list[k]->id);
                originIds->push_back(origin);
            }
        }
        builder.Reset();

        // Every terminal has moved to the subcircuit; a wire end that found no node
        // there is let go rather than left on a destroyed element.
        ReleaseWires(e);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
    model::RenumberNames(list);
    scheme.workingElements = model::Pointers(list);
    scheme.workingWires = model::Pointers(wires);
}

void PruneShortedElements(model::Scheme& scheme) {
    std::vector<Element*>& list = scheme.workingElements;
    std::vector<Wire*>& wires = scheme.workingWires;
    model::NumberNodes(wires);
    int32_t nextElementId = LargestId(list) + 1;

    for (std::size_t i = 0; i < list.size();) {
        Element* e = list[i];
        if (!IsShorted(*e)) {
            ++i;
            continue;
        }

        Wire* w1 = e->pins[0].wire;
        Wire* w2 = e->pins[1].wire;
        if (e->kind == kind::Unistor && e->PinNode(1) == 0) {
            // The node of pin 2 may have nothing else to hold it together (a wire
            // straight to another element's pin): a connector keeps the wire's end.
            std::unique_ptr<Element> keeper =
                model::ElementFactory(kind::Connector, nextElementId++);
            keeper->x = e->x;
            keeper->y = e->y;
            model::Attach(keeper.get(), 1, w2, e->pins[1].wireEnd);
            if (w1 != w2)
                RemoveWorkingWire(wires, w1);
            list.push_back(keeper.get());
            scheme.workingElementStore.push_back(std::move(keeper));
        } else {
            RemoveWorkingWire(wires, w1);
            if (w2 != w1)
                RemoveWorkingWire(wires, w2);
        }
        ReleaseWires(e);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

bool AnalyseInPlace(model::Scheme& scheme) {
    scheme.workingElements.clear();
    scheme.workingWires.clear();
    scheme.workingElementStore.clear();
    scheme.workingWireStore.clear();
    std::vector<Element*> elements;
    elements.reserve(scheme.elements.size());
    for (const auto& e : scheme.elements) {
        if (IsMacroKind(e->kind) || model::IsLegacySourceKind(e->kind))
            return false;
        if (!model::IsTextKind(e->kind))
            elements.push_back(e.get());
    }
    std::vector<Wire*> wires;
    wires.reserve(scheme.wires.size());
    for (const auto& w : scheme.wires) {
        const bool onText = (w->end1 && model::IsTextKind(w->end1->kind)) ||
                            (w->end2 && model::IsTextKind(w->end2->kind));
        if (!onText)
            wires.push_back(w.get());
    }
    model::NumberNodes(wires);
    for (const Element* e : elements)
        if (IsShorted(*e))
            return false;
    scheme.workingElements = std::move(elements);
    scheme.workingWires = std::move(wires);
    return true;
}

} // namespace korvanix::netlist
