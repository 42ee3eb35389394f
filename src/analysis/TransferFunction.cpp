#include "analysis/TransferFunction.h"

#include "engine/DenseLapack.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvanix::analysis {

namespace {

using engine::dense::Mat;
using engine::dense::Vec;
using LComplex = std::complex<long double>;

constexpr double kEps = std::numeric_limits<double>::epsilon();
// A Krylov step counts as broken off (the rest of the modes unreachable) when
// its subdiagonal is this small against the matrix.
constexpr double kNegligible = 1e3 * kEps;
// A feedthrough counts as zero below this part of the system's own scale.
constexpr double kZeroFeedthrough = 1e-10;
// Roots closer than this (relative) are one root of higher multiplicity.
constexpr double kSameRoot = 1e-6;
// The value at s = 0 counts as zero below this part of the terms that make it.
constexpr double kOriginZero = 1e-10;
// A zero and a pole closer than this (relative) cancel.
constexpr double kCancel = 1e-8;

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

double Norm2(const Vec& v) {
    double s = 0;
    for (double x : v)
        s = std::hypot(s, x);
    return s;
}

// The part of (a, b, c) that b reaches, in Hessenberg form with b = beta e1;
// the eigenvalues of the rest go to `cancelled`.
void KeepReachable(Mat& a, Vec& b, Vec& c, std::vector<Root>& cancelled) {
    const int n = a.Rows();
    engine::dense::HessenbergWithInput(a, b, c);
    const double scale = a.FrobeniusNorm();
    int k = b.empty() || b[0] == 0 ? 0 : n;
    for (int j = 0; j + 1 < n && k == n; ++j)
        if (std::fabs(a(j + 1, j)) <= kNegligible * scale)
            k = j + 1;
    if (k == n)
        return;
    const std::vector<Root> rest = Spectrum(a.Block(k, k, n - k, n - k));
    cancelled.insert(cancelled.end(), rest.begin(), rest.end());
    a = a.Block(0, 0, k, k);
    b.resize(Index(k));
    c.resize(Index(k));
}

struct Minimal {
    Mat a; // lower Hessenberg
    Vec b;
    double gamma = 0; // c = gamma e1^T
    bool reduced = false;
};

// A minimal realization in observer Hessenberg form.
Minimal MakeMinimal(const Mat& a0, const Vec& b0, const Vec& c0, std::vector<Root>& cancelled) {
    Mat a = a0;
    Vec b = b0, c = c0;
    const std::size_t before = cancelled.size();
    KeepReachable(a, b, c, cancelled);
    Mat at = a.Transposed();
    KeepReachable(at, c, b, cancelled);
    Minimal m;
    m.a = at.Transposed();
    m.b = b;
    m.gamma = c.empty() ? 0 : c[0];
    m.reduced = cancelled.size() != before || m.a.Rows() != a0.Rows();
    return m;
}

// The zeros and gain of a minimal system in observer form with feedthrough d:
// each step where the feedthrough vanishes takes away the first state, which the
// zero output pins to zero, and puts one more zero at infinity.
void ZerosOfMinimal(const Minimal& m, double d, Zpk& out) {
    long double gain = 1;
    double gamma = m.gamma;
    const Mat& a = m.a;
    const int size = a.Rows();
    // The norms of b's tails: each step's feedthrough is the head of one, and
    // what the orthogonal steps leave of a zero is rounding on that scale.
    Vec tail(Index(size) + 1, 0.0);
    for (int i = size - 1; i >= 0; --i)
        tail[Index(i)] = std::hypot(tail[Index(i) + 1], m.b[Index(i)]);
    // The system left after `first` steps is a's trailing block from `first` on,
    // with b's tail: read in place, copied only once the zeros are found. The
    // first feedthrough is the function's own, zero already when it is rounding.
    int first = 0;
    for (;;) {
        const int n = size - first;
        const bool head = first == 0;
        if (d != 0 && (head || std::fabs(d) > kZeroFeedthrough * tail[Index(first) - 1])) {
            // Zeros: eig(a - b c / d) with c = gamma e1^T.
            Mat rest = a.Block(first, first, n, n);
            for (int i = 0; i < n; ++i)
                rest(i, 0) -= m.b[Index(first + i)] * gamma / d;
            out.zeros = Spectrum(rest);
            out.gain = gain * d;
            return;
        }
        if (n == 0) {
            out.identicallyZero = true;
            return;
        }
        gain *= gamma;
        d = m.b[Index(first)];
        gamma = n >= 2 ? a(first, first + 1) : 0;
        ++first;
    }
}

bool Close(const Root& a, const Root& b, double tolerance) {
    return std::abs(a - b) <= tolerance * std::max(std::abs(a), std::abs(b));
}

// Takes the zero-pole pairs that meet out of both lists into `cancelled`.
void CancelPairs(Zpk& h) {
    std::vector<Root> keptZeros;
    for (const Root& z : h.zeros) {
        auto best = h.poles.end();
        double distance = 0;
        for (auto it = h.poles.begin(); it != h.poles.end(); ++it) {
            const double d = std::abs(*it - z);
            if (best == h.poles.end() || d < distance) {
                best = it;
                distance = d;
            }
        }
        if (best != h.poles.end() && Close(*best, z, kCancel)) {
            h.cancelled.push_back(*best);
            h.poles.erase(best);
        } else {
            keptZeros.push_back(z);
        }
    }
    h.zeros = keptZeros;
}

} // namespace

std::vector<Root> Spectrum(const engine::dense::Mat& a) {
    std::vector<Root> roots = engine::dense::Eigenvalues(a);
    // Parts at the level of the rounding are zero: an integrator's pole, the
    // real part of a lossless circuit's poles.
    const double floor = 64 * kEps * a.FrobeniusNorm();
    for (Root& r : roots)
        r = Root(std::fabs(r.real()) <= floor ? 0.0 : r.real(),
                 std::fabs(r.imag()) <= floor ? 0.0 : r.imag());
    return roots;
}

int Zpk::ZerosAtInfinity() const {
    return std::max(0, static_cast<int>(poles.size()) - static_cast<int>(zeros.size()));
}

int Zpk::PolesAtInfinity() const {
    return std::max(0, static_cast<int>(zeros.size()) - static_cast<int>(poles.size()));
}

namespace {

Zpk ZerosAndGain(Zpk h, Minimal m, double d, double e) {

    // Zeros at the origin (a series capacitor, an inductance's voltage) are
    // taken out exactly while the value at s = 0 vanishes: H(s) / s is then
    // realised by (A, A^-1 b, c, e). An eigensolver would scatter a double zero
    // there by the square root of the rounding.
    int origin = 0;
    for (int guard = 0; guard <= m.a.Rows() + 1; ++guard) {
        const int n = m.a.Rows();
        Vec x;
        double cx = 0, terms = std::fabs(d);
        if (n > 0) {
            const engine::dense::Lu lu(m.a);
            if (lu.Singular())
                break;
            x = m.b;
            lu.Solve(x);
            cx = m.gamma * x[0];
            // c A^-1 b against what its terms could be: a value that is only
            // rounding is as zero as one that cancels.
            terms += std::fabs(m.gamma) * Norm2(x);
        } else if (d == 0 && e == 0) {
            break; // nothing left: H is zero
        }
        if (std::fabs(d - cx) > kOriginZero * terms)
            break;
        if (n > 0)
            m.b = std::move(x);
        d = e;
        e = 0;
        ++origin;
    }

    const int n = m.a.Rows();
    const double aNorm = std::max(m.a.FrobeniusNorm(), std::numeric_limits<double>::min());
    const double hScale =
        n > 0 ? std::fabs(m.gamma) * Norm2(m.b) / aNorm + std::fabs(d) : std::fabs(d);
    const bool derivative = e != 0 && std::fabs(e) * aNorm > kZeroFeedthrough * hScale;
    if (!derivative) {
        ZerosOfMinimal(m, d, h);
    } else {
        // H = c (sI - A)^-1 b + d + e s is improper, and its inverse is not: with
        // the input as one more state, u' = (y - c x - d u) / e. H's zeros are the
        // inverse's poles, found without a subtraction of nearly equal numbers.
        Mat ai(n + 1, n + 1);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                ai(i, j) = m.a(i, j);
        if (n > 0)
            ai(n, 0) = -m.gamma / e;
        for (int i = 0; i < n; ++i)
            ai(i, n) = m.b[Index(i)];
        ai(n, n) = -d / e;
        Vec bi(Index(n), 0.0), ci(Index(n), 0.0);
        bi.push_back(1 / e);
        ci.push_back(1.0);
        std::vector<Root> ignored;
        h.zeros = Spectrum(MakeMinimal(ai, bi, ci, ignored).a);
        h.gain = e;
    }
    if (h.identicallyZero) {
        h.zeros.clear();
        h.poles.clear();
        h.gain = 0;
        return h;
    }
    h.zeros.insert(h.zeros.end(), static_cast<std::size_t>(origin), Root(0, 0));
    return h;
}

} // namespace

Zpk TransferOf(const StateForm& form, const StateOutput& output, const std::vector<Root>& natural) {
    Zpk h;
    Minimal m = MakeMinimal(form.a, form.b, output.c, h.cancelled);
    h.poles = m.reduced ? Spectrum(m.a) : natural;
    // A feedthrough that is only the rounding of terms cancelling to zero is
    // zero: taken for a value, it would put a zero near infinity.
    const double d = std::fabs(output.d) <= output.dRounding ? 0 : output.d;
    const double e = std::fabs(output.e) <= output.eRounding ? 0 : output.e;
    return ZerosAndGain(std::move(h), std::move(m), d, e);
}

Zpk Quotient(const Zpk& num, const Zpk& den) {
    Zpk h;
    if (num.identicallyZero) {
        h.identicallyZero = true;
        return h;
    }
    h.zeros = num.zeros;
    h.zeros.insert(h.zeros.end(), den.poles.begin(), den.poles.end());
    h.poles = num.poles;
    h.poles.insert(h.poles.end(), den.zeros.begin(), den.zeros.end());
    h.gain = num.gain / den.gain;
    h.cancelled = num.cancelled;
    CancelPairs(h);
    return h;
}

std::complex<long double> Evaluate(const Zpk& h, std::complex<long double> s) {
    LComplex v(h.gain, 0);
    const std::size_t n = std::max(h.zeros.size(), h.poles.size());
    // Alternating factors keep a high order's product within range.
    for (std::size_t i = 0; i < n; ++i) {
        if (i < h.zeros.size())
            v *= s - LComplex(h.zeros[i]);
        if (i < h.poles.size())
            v /= s - LComplex(h.poles[i]);
    }
    return v;
}

std::vector<std::complex<long double>> MonicPolynomial(const std::vector<Root>& roots) {
    std::vector<LComplex> p{LComplex(1, 0)};
    for (const Root& r : roots) {
        p.push_back(LComplex(0, 0));
        for (std::size_t i = p.size() - 1; i > 0; --i)
            p[i] -= LComplex(r) * p[i - 1];
    }
    // Conjugate pairs give real coefficients; their rounding leaves a trace of
    // an imaginary part that means nothing.
    std::vector<Root> unmatched = roots;
    bool paired = true;
    while (!unmatched.empty() && paired) {
        const Root r = unmatched.back();
        unmatched.pop_back();
        if (r.imag() == 0)
            continue;
        const auto it = std::find(unmatched.begin(), unmatched.end(), std::conj(r));
        if (it == unmatched.end())
            paired = false;
        else
            unmatched.erase(it);
    }
    if (paired)
        for (LComplex& c : p)
            c = LComplex(c.real(), 0);
    return p;
}

RootFigures FiguresOf(const Root& s) {
    RootFigures f;
    f.re = s.real();
    f.im = s.imag();
    f.omega0 = std::abs(s);
    f.frequency = f.omega0 / (2 * M_PI);
    f.real = f.im == 0;
    f.marginal = std::fabs(f.re) <= 1e-10 * f.omega0 || f.omega0 == 0;
    f.unstable = !f.marginal && f.re > 0;
    f.zeta = f.omega0 > 0 ? -f.re / f.omega0 : 0;
    f.q = f.marginal ? std::numeric_limits<double>::infinity() : f.omega0 / (-2 * f.re);
    f.tau = f.real && f.re != 0 ? -1 / f.re : 0;
    return f;
}

void SortRoots(std::vector<Root>& roots) {
    std::stable_sort(roots.begin(), roots.end(), [](const Root& a, const Root& b) {
        const double ma = std::abs(a), mb = std::abs(b);
        if (!Close(Root(ma), Root(mb), kSameRoot))
            return ma < mb;
        if (a.real() != b.real() && !Close(Root(a.real()), Root(b.real()), kSameRoot))
            return a.real() > b.real();
        return a.imag() > b.imag();
    });
}

std::vector<RootGroup> GroupRoots(std::vector<Root> roots) {
    SortRoots(roots);
    std::vector<RootGroup> groups;
    for (const Root& r : roots) {
        bool joined = false;
        for (RootGroup& g : groups)
            if (Close(g.value, r, kSameRoot) || (g.value == Root(0) && r == Root(0))) {
                ++g.multiplicity;
                joined = true;
                break;
            }
        if (!joined)
            groups.push_back({r, 1});
    }
    return groups;
}

namespace {

// The residues of f(s) e^(st) where f = h / s^extra, pole by pole.
std::optional<Response> Residues(const Zpk& h, int extra) {
    if (h.identicallyZero)
        return Response{};
    std::vector<Root> poles = h.poles;
    for (int i = 0; i < extra; ++i)
        poles.emplace_back(0.0, 0.0);
    if (h.zeros.size() >= poles.size())
        return std::nullopt;
    Response r;
    std::vector<char> used(poles.size(), 0);
    for (std::size_t i = 0; i < poles.size(); ++i) {
        if (used[i])
            continue;
        std::vector<std::size_t> group{i};
        for (std::size_t j = i + 1; j < poles.size(); ++j)
            if (!used[j] && (Close(poles[i], poles[j], kSameRoot) ||
                             (poles[i] == Root(0) && poles[j] == Root(0))))
                group.push_back(j);
        for (std::size_t j : group)
            used[j] = 1;
        const int m = static_cast<int>(group.size());
        if (m > 3)
            return std::nullopt;
        LComplex p(0, 0);
        for (std::size_t j : group)
            p += LComplex(poles[j]);
        p /= static_cast<long double>(m);
        // g(s) = (s - p)^m f(s) near p, and its first two logarithmic derivatives.
        LComplex g(h.gain, 0), l1(0, 0), l2(0, 0);
        for (const Root& z : h.zeros) {
            const LComplex d = p - LComplex(z);
            g *= d;
            l1 += LComplex(1) / d;
            l2 -= LComplex(1) / (d * d);
        }
        for (std::size_t j = 0; j < poles.size(); ++j) {
            if (std::find(group.begin(), group.end(), j) != group.end())
                continue;
            const LComplex d = p - LComplex(poles[j]);
            g /= d;
            l1 -= LComplex(1) / d;
            l2 += LComplex(1) / (d * d);
        }
        // c_k = g^(m-1-k)(p) / (m-1-k)!, the coefficient of t^k/k! e^(pt).
        const LComplex derivative[3] = {g, g * l1, g * (l1 * l1 + l2) / 2.0L};
        for (int k = 0; k < m; ++k)
            r.terms.push_back({derivative[m - 1 - k],
                               Root(static_cast<double>(p.real()), static_cast<double>(p.imag())),
                               k});
    }
    return r;
}

} // namespace

std::optional<Response> StepResponse(const Zpk& h) {
    return Residues(h, 1);
}

std::optional<Response> ImpulseResponse(const Zpk& h) {
    return Residues(h, 0);
}

double ResponseAt(const Response& r, double t) {
    LComplex sum(0, 0);
    for (const ResponseTerm& term : r.terms) {
        long double factor = 1;
        for (int k = 1; k <= term.power; ++k)
            factor *= static_cast<long double>(t) / k;
        sum +=
            term.coefficient * factor * std::exp(LComplex(term.pole) * static_cast<long double>(t));
    }
    return static_cast<double>(sum.real());
}

} // namespace korvanix::analysis
