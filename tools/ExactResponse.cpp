#include "ExactResponse.h"

#include "BenchCircuits.h"
#include "RcLadder.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace korvanix::tools {

namespace {

// A x' = A·x + b·u system in rows of (column, value) pairs.
struct StateSystem {
    int n = 0;
    std::vector<int> rowStart{0};
    std::vector<int> column;
    std::vector<double> value;
    std::vector<double> b;
    int first = 0; // the states written as the two curves
    int second = 0;

    // Entries of one row are added in order; a repeated column is summed.
    void Add(int col, double v) {
        for (int k = rowStart.back(); k < static_cast<int>(column.size()); ++k) {
            if (column[static_cast<std::size_t>(k)] == col) {
                value[static_cast<std::size_t>(k)] += v;
                return;
            }
        }
        column.push_back(col);
        value.push_back(v);
    }
    void EndRow() { rowStart.push_back(static_cast<int>(column.size())); }

    // out = A·x + b·u
    void Apply(const std::vector<double>& x, double u, std::vector<double>& out) const {
        for (int i = 0; i < n; ++i) {
            const std::size_t row = static_cast<std::size_t>(i);
            double sum = b[row] * u;
            for (int k = rowStart[row]; k < rowStart[row + 1]; ++k)
                sum += value[static_cast<std::size_t>(k)] *
                       x[static_cast<std::size_t>(column[static_cast<std::size_t>(k)])];
            out[row] = sum;
        }
    }

    // The largest row sum of |[A b]|.
    double Norm() const {
        double norm = 0;
        for (int i = 0; i < n; ++i) {
            const std::size_t row = static_cast<std::size_t>(i);
            double sum = std::fabs(b[row]);
            for (int k = rowStart[row]; k < rowStart[row + 1]; ++k)
                sum += std::fabs(value[static_cast<std::size_t>(k)]);
            norm = std::max(norm, sum);
        }
        return norm;
    }
};

// Node voltages of sections 1..N; section k's resistor comes from node k − 1
// (the source for the first).
StateSystem Ladder(int sections) {
    const double g = 1 / (LadderShape::kResistance * LadderShape::kCapacitance);
    StateSystem s;
    s.n = sections;
    s.b.assign(static_cast<std::size_t>(sections), 0.0);
    s.b[0] = g;
    for (int k = 0; k < sections; ++k) {
        s.Add(k, -g);
        if (k > 0)
            s.Add(k - 1, g);
        if (k + 1 < sections) {
            s.Add(k, -g);
            s.Add(k + 1, g);
        }
        s.EndRow();
    }
    s.first = 0;
    s.second = sections - 1;
    return s;
}

// Node voltages row by row; the corner (0, 0) is fed through a resistor.
StateSystem Mesh(int side) {
    const MeshShape shape;
    const double g = 1 / (shape.resistance * shape.capacitance);
    StateSystem s;
    s.n = side * side;
    s.b.assign(static_cast<std::size_t>(s.n), 0.0);
    s.b[0] = g;
    const int steps[4][2] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const int k = i * side + j;
            if (k == 0)
                s.Add(k, -g);
            for (const auto& d : steps) {
                const int a = i + d[0];
                const int c = j + d[1];
                if (a < 0 || a >= side || c < 0 || c >= side)
                    continue;
                s.Add(k, -g);
                s.Add(a * side + c, g);
            }
            s.EndRow();
        }
    }
    s.first = 1;
    s.second = s.n - 1;
    return s;
}

// R·i of the N inductances, then the N capacitor voltages, R = sqrt(L/C): in
// these units every coefficient is ±1/sqrt(LC), so the matrix norm is that of
// the line's fastest oscillation rather than of the ratio of C to L.
StateSystem Line(int sections) {
    const LineShape shape;
    const double w = 1 / std::sqrt(shape.inductance * shape.capacitance);
    const int n = sections;
    StateSystem s;
    s.n = 2 * n;
    s.b.assign(static_cast<std::size_t>(s.n), 0.0);
    s.b[0] = w;
    for (int k = 0; k < n; ++k) { // L·di_k/dt = v_(k−1) − v_k (u − R·i_1 − v_1 first)
        if (k == 0)
            s.Add(k, -w);
        else
            s.Add(n + k - 1, w);
        s.Add(n + k, -w);
        s.EndRow();
    }
    for (int k = 0; k < n; ++k) { // C·dv_k/dt = i_k − i_(k+1) (− v_N/R last)
        s.Add(k, w);
        if (k + 1 < n)
            s.Add(k + 1, -w);
        else
            s.Add(n + k, -w);
        s.EndRow();
    }
    s.first = n;
    s.second = 2 * n - 1;
    return s;
}

double LargestMagnitude(const std::vector<double>& v) {
    double m = 0;
    for (double x : v)
        m = std::max(m, std::fabs(x));
    return m;
}

// Advances x over dt with the input held at u: exp(dt·[A b; 0 0])·[x; u] in
// substeps of norm at most 1; u does not change, so it enters the first term of
// each substep only.
class Propagator {
public:
    explicit Propagator(const StateSystem& system)
        : s_(system), norm_(system.Norm()), sum_(static_cast<std::size_t>(system.n)),
          term_(sum_.size()), next_(sum_.size()) {}

    void Advance(std::vector<double>& x, double u, double dt) {
        if (!(dt > 0))
            return;
        const int substeps = std::max(1, static_cast<int>(std::ceil(norm_ * dt)));
        const double tau = dt / substeps;
        for (int sub = 0; sub < substeps; ++sub) {
            sum_ = x;
            term_ = x;
            double termU = u;
            for (int k = 1; k <= 200; ++k) {
                s_.Apply(term_, termU, next_);
                termU = 0;
                const double f = tau / k;
                for (std::size_t i = 0; i < sum_.size(); ++i) {
                    term_[i] = f * next_[i];
                    sum_[i] += term_[i];
                }
                if (LargestMagnitude(term_) <= 1e-22 * std::max(LargestMagnitude(sum_), 1e-300))
                    break;
            }
            x.swap(sum_);
        }
    }

private:
    const StateSystem& s_;
    double norm_;
    std::vector<double> sum_, term_, next_;
};

} // namespace

std::vector<std::vector<double>> ExactResponse(const ExactRequest& request) {
    StateSystem s;
    if (request.circuit == "ladder" && request.size >= 1 && request.size <= 100000)
        s = Ladder(request.size);
    else if (request.circuit == "mesh" && request.size >= 2 && request.size <= 300)
        s = Mesh(request.size);
    else if (request.circuit == "line" && request.size >= 1 && request.size <= 100000)
        s = Line(request.size);
    else
        throw std::invalid_argument("no exact response for " + request.circuit + " " +
                                    std::to_string(request.size));
    if (request.points < 1 || request.rowsPerStep < 1 || !(request.endTime > 0))
        throw std::invalid_argument("the time grid needs points and a positive end");
    if (!std::is_sorted(request.times.begin(), request.times.end()))
        throw std::invalid_argument("the times must ascend");

    const double h = request.endTime / request.points;
    // The square wave's half period in steps: its edges must fall on the grid.
    const double half = 0.5e-3 / h;
    const long halfSteps = std::lround(half);
    if (halfSteps < 1 || std::fabs(half - static_cast<double>(halfSteps)) > 1e-9 * half)
        throw std::invalid_argument("the square wave's edges fall between output points");

    Propagator propagate(s);
    std::vector<std::vector<double>> out;
    std::vector<double> x(static_cast<std::size_t>(s.n), 0.0);
    std::vector<double> at;
    const auto row = [&](double t, const std::vector<double>& state) {
        out.push_back({t, state[static_cast<std::size_t>(s.first)],
                       state[static_cast<std::size_t>(s.second)]});
    };
    auto nextTime = request.times.begin();
    while (nextTime != request.times.end() && *nextTime < 0)
        ++nextTime;
    if (request.times.empty())
        row(0.0, x);
    for (int step = 0; step < request.points; ++step) {
        const double u = (step / halfSteps) % 2 == 0 ? 1.0 : 0.0;
        const double start = step * h;
        const bool last = step + 1 == request.points;
        // The times this step serves: up to its end, and the last step also what
        // lies just beyond the end by rounding.
        // Each time is reached from the one before it within the step.
        at = x;
        double atTime = start;
        for (; nextTime != request.times.end() &&
               (*nextTime < (step + 1) * h || (last && *nextTime <= request.endTime * (1 + 1e-12)));
             ++nextTime) {
            propagate.Advance(at, u, *nextTime - atTime);
            atTime = std::max(atTime, *nextTime);
            row(*nextTime, at);
        }
        if (request.times.empty()) {
            for (int r = 1; r <= request.rowsPerStep; ++r) {
                propagate.Advance(x, u, h / request.rowsPerStep);
                row(r == request.rowsPerStep ? (step + 1) * h
                                             : start + r * (h / request.rowsPerStep),
                    x);
            }
        } else {
            propagate.Advance(x, u, h);
        }
    }
    return out;
}

} // namespace korvanix::tools
