#pragma once

#include "engine/AnalysisGraph.h"
#include "engine/FrequencyEquations.h"
#include "engine/Outputs.h"
#include "engine/StateEquations.h"
#include "model/Errors.h"

#include <functional>

namespace korvanix::model {
class Element;
class Scheme;
} // namespace korvanix::model

namespace korvanix::engine {

class EngineNotifier;

// The drawn element a working element stands for: the composite element a
// generated primitive came from (through the scheme's id lists), else the sheet
// element with the same id; null when the sheet has none.
model::Element* DrawnElementOf(const model::Scheme& scheme, const model::Element& working);

// The equation engine of one open circuit: it owns the analysis graph and the
// workspaces the formulations fill. The formulations never let a scheme or matrix
// failure escape; they return it as a SchemeError value (code 0 on success) with
// the faulty drawn element selected on the sheet.
class Engine {
public:
    explicit Engine(model::Scheme& scheme);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Working copy with composite elements expanded, nodes numbered, graph built and
    // checked (transient variant), state equations formed.
    model::SchemeError FormulateTransient(EngineNotifier& notifier);
    // The frequency-domain counterpart (defined with the frequency formulation).
    model::SchemeError FormulateFrequency(EngineNotifier& notifier);
    // Whether later frequency formulations keep the products that grow with the
    // square of the circuit as sparse rows (what the frequency analysis needs, in
    // the time and memory of the circuit's nonzeros) instead of dense matrices
    // (which every step form and the tests of the dense algebra can read).
    void UseSparseFrequency(bool on) { graph_.sparseFrequency = on; }
    // The same choice for later transient formulations: sparse rows throughout
    // (the same numbers, bit for bit, in the time and memory of the nonzeros), or
    // the dense matrices the tests of the dense algebra read.
    void UseSparseTransient(bool on) { graph_.sparseTransient = on; }
    // Whether later formulations may analyse the document's own objects instead of
    // a copy when the copy would be the same (netlist::AnalyseInPlace): half the
    // memory of the circuit, for a caller that discards the document afterwards
    // (the analysis writes names, node numbers and swept values into it).
    void AnalyseDocumentInPlace(bool on) { inPlace_ = on; }

    // The first step of both formulations: the expanded working copy with its id
    // lists, its element ordinals and its node numbers. Raises SchemeError 4100.
    void PrepareWorkingCopy();

    model::Scheme& GetScheme() { return scheme_; }
    AnalysisGraph& Graph() { return graph_; }
    const AnalysisGraph& Graph() const { return graph_; }
    StateEquations& State() { return state_; }
    const StateEquations& State() const { return state_; }
    FrequencyEquations& Frequency() { return frequency_; }
    const FrequencyEquations& Frequency() const { return frequency_; }
    // The frequency step of the last frequency formulation at w (rad/s).
    void
    FrequencyStep(double omega,
                  FrequencyEquations::NodalForm form = FrequencyEquations::NodalForm::Inverse) {
        frequency_.Step(graph_, omega, form);
    }
    // Chosen by SelectSweepTarget (Outputs.h); kept until the next selection.
    SweepTarget& Sweep() { return sweep_; }
    const SweepTarget& Sweep() const { return sweep_; }
    const model::Scheme& GetScheme() const { return scheme_; }

private:
    // Runs a formulation's steps and turns what they raise into the returned value:
    // a SchemeError through MapErrorToSheet, a MatrixError into a plain box with its
    // text and code 3100.
    model::SchemeError Guarded(EngineNotifier& notifier, const std::function<void()>& steps);
    // Maps the element an error carries back to the drawn element (through the id
    // lists of the expansion), makes that the only selected element of the sheet and
    // returns the code with it (own message dropped). Errors without an element are
    // returned as they are.
    model::SchemeError MapErrorToSheet(const model::SchemeError& error);
    // Forgets every reference into the working copy before it is rebuilt.
    void ForgetWorkingCopy();

    model::Scheme& scheme_;
    AnalysisGraph graph_;
    StateEquations state_;
    FrequencyEquations frequency_;
    SweepTarget sweep_;
    bool inPlace_ = false;
};

} // namespace korvanix::engine
