#pragma once

// The circuit's equations as a linear system for the pole-zero analysis, built on
// the frequency formulation's graph: the potentials of the independent nodes and
// the currents of the inductances are the unknowns, the one harmonic source is the
// input, every quantity the frequency analysis can show is an output. The
// descriptor form s E x = A x + (b0 + s b1) w is then reduced to a plain state
// form s z = A z + b w, which holds every finite natural frequency and nothing else.

#include "engine/DenseLapack.h"
#include "engine/Outputs.h"

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvanix::engine {
class Engine;
} // namespace korvanix::engine

namespace korvanix::analysis {

// An output of the state form: y = c z + d w + e s w (e is the direct derivative
// of the input, a capacitor's current driven straight from a voltage source).
struct StateOutput {
    engine::dense::Vec c;
    double d = 0;
    double e = 0;
    // What rounding may have left of d and e where they cancel to zero: the
    // sums of the magnitudes of their terms, times a few units of the last place.
    double dRounding = 0;
    double eRounding = 0;
};

struct StateForm {
    engine::dense::Mat a;
    engine::dense::Vec b;
    // The input is the harmonic source; without one (or with several) b is zero
    // and only the natural frequencies mean anything.
    bool hasInput = false;
};

// Why a circuit's state form cannot be built; `text` is for the user.
class StateFormError : public std::runtime_error {
public:
    explicit StateFormError(const std::string& text) : std::runtime_error(text) {}
};

// Texts of the refusals.
extern const char* const kNonFiniteParameter;
extern const char* const kZeroResistance;
extern const char* const kHigherIndex;

// Bytes the dense state form of a circuit with this many unknowns takes, and the
// most the analysis lets itself take.
std::size_t StateFormBytes(std::size_t unknowns);
std::size_t StateFormMemoryLimit();
// The refusal of a circuit whose state form would not fit.
std::string TooLargeText(std::size_t unknowns);

// Builds the state form from an engine whose frequency graph is built (the
// frequency formulation succeeded, or failed only for want of exactly one
// harmonic source), with the element values as they now are. The outputs are
// formed for the locators given (frequency result slots). StateFormError when a
// value is not finite, the circuit is too large for memory, or its equations
// cannot be brought to a state form (a loop or cut set it cannot take out).
class StateSpaceBuilder {
public:
    explicit StateSpaceBuilder(engine::Engine& engine);
    ~StateSpaceBuilder();
    StateSpaceBuilder(const StateSpaceBuilder&) = delete;
    StateSpaceBuilder& operator=(const StateSpaceBuilder&) = delete;

    StateForm Build();
    // After Build: an output (a frequency result slot and index).
    StateOutput Output(const engine::OutputLocator& locator) const;
    // The number of unknowns before the reduction.
    int Unknowns() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace korvanix::analysis
