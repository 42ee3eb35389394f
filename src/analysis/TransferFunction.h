#pragma once

// Zeros, poles and gain of a transfer function from a state form, and what an
// engineer reads off them: natural frequency, damping, quality, time constant,
// the polynomial form, the value at a point, the step and impulse responses.

#include "analysis/StateSpace.h"

#include <complex>
#include <optional>
#include <string>
#include <vector>

namespace korvanix::analysis {

using Root = std::complex<double>;

// H(s) = gain * prod(s - zeros) / prod(s - poles). The gain is kept in long
// double: a ladder of a thousand sections has one far beyond double's range.
struct Zpk {
    std::vector<Root> zeros, poles;
    long double gain = 0;
    // The input never reaches the output: no zeros, no poles, gain 0.
    bool identicallyZero = false;
    // Modes the input cannot excite or the output cannot see: poles of the
    // circuit cancelled by zeros at the same place, taken out of both lists.
    std::vector<Root> cancelled;

    // Zeros at infinity (the order of the fall at high frequencies), and the
    // order of the rise of an improper function (more zeros than poles).
    int ZerosAtInfinity() const;
    int PolesAtInfinity() const;
};

// Every eigenvalue of a state matrix, the parts at the level of its rounding
// set to zero.
std::vector<Root> Spectrum(const engine::dense::Mat& a);

// The transfer function from the input of `form` to `output`, with every mode of
// the circuit: `natural` are the state matrix's eigenvalues, reused when no mode
// cancels.
Zpk TransferOf(const StateForm& form, const StateOutput& output, const std::vector<Root>& natural);

// num / den: the quotient of two transfer functions from the same source, with
// the pairs that meet cancelled. den must not be identically zero.
Zpk Quotient(const Zpk& num, const Zpk& den);

// H(s).
std::complex<long double> Evaluate(const Zpk& h, std::complex<long double> s);

// The monic polynomial with these roots, highest power first; real when the
// roots come in conjugate pairs.
std::vector<std::complex<long double>> MonicPolynomial(const std::vector<Root>& roots);

// What a root means on its own.
struct RootFigures {
    double re = 0, im = 0;
    double omega0 = 0;    // |s|, rad/s
    double frequency = 0; // |s| / 2 pi, Hz
    double zeta = 0;      // -Re / |s|
    double q = 0;         // |s| / (-2 Re); infinite on the imaginary axis
    double tau = 0;       // -1 / Re for a real root, else 0
    bool real = false;
    bool unstable = false; // Re > 0
    bool marginal = false; // Re = 0 (within rounding)
};
RootFigures FiguresOf(const Root& s);

// Roots in display order (by |s|, then the upper half-plane first), equal ones
// joined with their multiplicity.
struct RootGroup {
    Root value;
    int multiplicity = 1;
};
std::vector<RootGroup> GroupRoots(std::vector<Root> roots);
void SortRoots(std::vector<Root>& roots);

// A response term c * t^k/k! * e^(p t) of the step or impulse response.
struct ResponseTerm {
    std::complex<long double> coefficient;
    Root pole;
    int power = 0;
};
// y(t) = the sum of the terms, for t > 0; nothing when H is improper
// (its step response holds impulses) or a pole is repeated more than thrice.
struct Response {
    std::vector<ResponseTerm> terms;
};
std::optional<Response> StepResponse(const Zpk& h);
std::optional<Response> ImpulseResponse(const Zpk& h);
double ResponseAt(const Response& r, double t);

} // namespace korvanix::analysis
