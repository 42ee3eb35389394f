// The sparse algebra of the transient formulation against the dense one, on the
// matrices the formulation meets: the incidence matrix of a tree (the capacitor and
// source branches) and the nodal matrix of a ladder.

#include "engine/Matrix.h"
#include "engine/SparseAlgebra.h"
#include "engine/SparseMatrix.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace {

using namespace korvanix;
using engine::Matrix;
using engine::SparseMatrix;

enum TreeShape { kPath = 0, kStar = 1 };

// The reduced incidence matrix of a tree of `nodes` nodes, the reference node
// included: a path with the reference at one end (its inverse is a full triangle),
// or a star with the reference at a leaf (its inverse has two entries a column).
// Node v (row v - 1) hangs from its parent by branch v (column v - 1).
SparseMatrix TreeIncidence(int nodes, TreeShape shape) {
    const int n = nodes - 1;
    std::vector<std::vector<std::pair<int, double>>> rows(static_cast<std::size_t>(n));
    for (int v = 1; v <= n; ++v) {
        const int parent = shape == kPath || v == 1 ? v - 1 : 1;
        rows[static_cast<std::size_t>(v) - 1].emplace_back(v - 1, 1.0);
        if (parent != 0) {
            rows[static_cast<std::size_t>(parent) - 1].emplace_back(v - 1, -1.0);
        }
    }
    for (auto& row : rows)
        std::sort(row.begin(), row.end());
    SparseMatrix a;
    a.AssignRows(n, rows);
    return a;
}

// The nodal matrix of an RC ladder of `sections` sections (1 kΩ series, 1 µF shunt,
// as the implicit step sees it with a 10 µs step): tridiagonal, its inverse full.
SparseMatrix LadderNodal(int sections) {
    const double g = 1e-3;
    const double c = 1e-6 / 1e-5;
    Matrix m(sections, sections);
    for (int i = 0; i < sections; ++i) {
        m(i, i) = (i + 1 < sections ? 2 * g : g) + c;
        if (i > 0) {
            m(i, i - 1) = -g;
            m(i - 1, i) = -g;
        }
    }
    SparseMatrix s;
    s.FromDense(m);
    return s;
}

void Trees(benchmark::internal::Benchmark* b) {
    for (int nodes : {1000, 5000}) {
        for (int shape : {kPath, kStar}) {
            b->Args({nodes, shape});
        }
    }
    b->ArgNames({"nodes", "star"})->Unit(benchmark::kMillisecond);
}

void SparseInverseTree(benchmark::State& state) {
    const SparseMatrix a =
        TreeIncidence(static_cast<int>(state.range(0)), static_cast<TreeShape>(state.range(1)));
    int entries = 0;
    for (auto _ : state) {
        const SparseMatrix inverse = engine::SparseInverse(a);
        entries = inverse.NonzeroCount();
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = entries;
}
BENCHMARK(SparseInverseTree)->Apply(Trees);

// The path matrix times the incidence matrix (the identity, every other sum
// cancelling), and the incidence matrix times its transpose.
void SparseProductTree(benchmark::State& state) {
    const SparseMatrix a =
        TreeIncidence(static_cast<int>(state.range(0)), static_cast<TreeShape>(state.range(1)));
    const SparseMatrix inverse = engine::SparseInverse(a);
    const SparseMatrix transposed = a.Transposed();
    for (auto _ : state) {
        const SparseMatrix identity = engine::SparseProduct(inverse, a);
        const SparseMatrix nodal = engine::SparseProduct(a, transposed);
        benchmark::DoNotOptimize(identity.NonzeroCount() + nodal.NonzeroCount());
    }
    state.counters["entries"] = inverse.NonzeroCount();
}
BENCHMARK(SparseProductTree)->Apply(Trees);

void DenseInverseTree(benchmark::State& state) {
    const Matrix a =
        TreeIncidence(static_cast<int>(state.range(0)), static_cast<TreeShape>(state.range(1)))
            .ToDense();
    for (auto _ : state) {
        const Matrix inverse = engine::Inverse(a);
        benchmark::DoNotOptimize(inverse.Rows());
    }
}
BENCHMARK(DenseInverseTree)
    ->Args({1000, kPath})
    ->Args({1000, kStar})
    ->ArgNames({"nodes", "star"})
    ->Unit(benchmark::kMillisecond);

void SparseInverseLadder(benchmark::State& state) {
    const SparseMatrix a = LadderNodal(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const SparseMatrix inverse = engine::SparseInverse(a);
        benchmark::DoNotOptimize(inverse.NonzeroCount());
    }
}
BENCHMARK(SparseInverseLadder)->Arg(100)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

void DenseInverseLadder(benchmark::State& state) {
    const Matrix a = LadderNodal(static_cast<int>(state.range(0))).ToDense();
    for (auto _ : state) {
        const Matrix inverse = engine::Inverse(a);
        benchmark::DoNotOptimize(inverse.Rows());
    }
}
BENCHMARK(DenseInverseLadder)->Arg(100)->Arg(200)->Arg(500)->Unit(benchmark::kMillisecond);

// The ladder's nodal matrix squared (five diagonals), and its inverse times it.
void SparseProductLadder(benchmark::State& state) {
    const SparseMatrix a = LadderNodal(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const SparseMatrix square = engine::SparseProduct(a, a);
        benchmark::DoNotOptimize(square.NonzeroCount());
    }
}
BENCHMARK(SparseProductLadder)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void SparseProductLadderInverse(benchmark::State& state) {
    const SparseMatrix a = LadderNodal(static_cast<int>(state.range(0)));
    const SparseMatrix inverse = engine::SparseInverse(a);
    for (auto _ : state) {
        const SparseMatrix product = engine::SparseProduct(inverse, a);
        benchmark::DoNotOptimize(product.NonzeroCount());
    }
}
BENCHMARK(SparseProductLadderInverse)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
