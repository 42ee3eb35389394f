#pragma once

// Circuits drawn on a sheet from a list of elements and the nodes of their pins,
// and a notifier that records what the engine shows.

#include "engine/EngineNotifier.h"
#include "model/Element.h"
#include "model/Scheme.h"
#include "model/Sources.h"
#include "model/Wire.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace engine_test {

using namespace korvanix;

class RecordingNotifier : public engine::EngineNotifier {
public:
    void LoopWarning(const std::string& caption, const std::string& text) override {
        loops.emplace_back(caption, text);
    }
    void PlainMessage(const std::string& text) override { plain.push_back(text); }

    std::vector<std::pair<std::string, std::string>> loops;
    std::vector<std::string> plain;
};

// Elements are added with the node label of each pin (-1 leaves a pin free). Wire()
// then joins every node's pins through a chain of connectors. The wires are made
// node by node in increasing label order, so with a ground on label 0 and labels
// 0..N without gaps the engine's node numbers are the labels.
class Circuit {
public:
    model::Element* Add(model::ElementKind kind, std::vector<int> pinNodes) {
        std::unique_ptr<model::Element> e = model::ElementFactory(kind, scheme.TakeElementId());
        EXPECT_TRUE(e) << "kind " << kind;
        if (!e)
            return nullptr;
        e->x = 100 * static_cast<int>(scheme.elements.size());
        model::Element* raw = e.get();
        scheme.AddElement(std::move(e));
        for (std::size_t i = 0; i < pinNodes.size(); ++i)
            if (pinNodes[i] >= 0)
                nodes_[pinNodes[i]].push_back({raw, static_cast<int>(i) + 1});
        return raw;
    }
    model::Element* Add(model::ElementKind kind, int n1, int n2, double value) {
        model::Element* e = Add(kind, std::vector<int>{n1, n2});
        if (e)
            e->SetParam(0, value);
        return e;
    }
    model::Element* R(int n1, int n2, double ohms) {
        return Add(model::kind::Resistor, n1, n2, ohms);
    }
    model::Element* C(int n1, int n2, double farads, double initial = 0) {
        model::Element* e = Add(model::kind::Capacitor, n1, n2, farads);
        e->SetParam(1, initial);
        return e;
    }
    model::Element* L(int n1, int n2, double henries, double initial = 0) {
        model::Element* e = Add(model::kind::Inductance, n1, n2, henries);
        e->SetParam(1, initial);
        return e;
    }
    model::Element* S(int n1, int n2, double siemens) {
        return Add(model::kind::Unistor, n1, n2, siemens);
    }
    // DC sources: the value is the source's own (pin 2 minus pin 1 for a voltage
    // source, pin 1 to pin 2 through the source for a current source).
    model::SourceElement* E(int n1, int n2, double volts) {
        return Source(model::kind::VoltageSource, n1, n2, volts);
    }
    model::SourceElement* J(int n1, int n2, double amperes) {
        return Source(model::kind::CurrentSource, n1, n2, amperes);
    }
    model::Element* Ground(int node = 0) {
        return Add(model::kind::Ground, std::vector<int>{node});
    }

    void Wire() {
        for (auto& [label, pins] : nodes_) {
            (void)label;
            model::Element* connector = NewConnector();
            int nextPin = 1;
            for (const auto& [element, pin] : pins) {
                if (nextPin == 4) {
                    model::Element* next = NewConnector();
                    Join(connector, 4, next, 1);
                    connector = next;
                    nextPin = 2;
                }
                Join(element, pin, connector, nextPin++);
            }
        }
        scheme.RenumberNodes();
        scheme.RenumberNames();
    }

    model::Scheme scheme;

private:
    model::SourceElement* Source(model::ElementKind kind, int n1, int n2, double value) {
        auto* s = dynamic_cast<model::SourceElement*>(Add(kind, std::vector<int>{n1, n2}));
        EXPECT_TRUE(s);
        if (s)
            s->SetDcValue(value);
        return s;
    }
    model::Element* NewConnector() {
        std::unique_ptr<model::Element> c =
            model::ElementFactory(model::kind::Connector, scheme.TakeElementId());
        model::Element* raw = c.get();
        scheme.AddElement(std::move(c));
        return raw;
    }
    void Join(model::Element* a, int pa, model::Element* b, int pb) {
        std::unique_ptr<model::Wire> w = scheme.NewWire();
        model::Attach(a, pa, w.get(), 1);
        model::Attach(b, pb, w.get(), 2);
        scheme.wires.push_back(std::move(w));
    }

    std::map<int, std::vector<std::pair<model::Element*, int>>> nodes_;
};

} // namespace engine_test
