#include "EngineTestSupport.h"

#include "engine/Engine.h"
#include "engine/FrequencyEquations.h"
#include "engine/Matrix.h"
#include "engine/MatrixError.h"
#include "engine/SparseMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace engine_test {
namespace {

using engine::Complex;
using engine::ComplexMatrix;
using engine::ComplexSparseMatrix;
using engine::ComplexVector;
using engine::MatrixError;
using engine::MatrixT;
using engine::SparseLuSolver;
using engine::SparseMatrixT;
using engine::VectorT;

double Magnitude(double x) {
    return std::fabs(x);
}
double Magnitude(const Complex& z) {
    return z.Magnitude();
}

template <class T> T Draw(std::mt19937& rng, std::uniform_int_distribution<int>& small);
template <> double Draw<double>(std::mt19937& rng, std::uniform_int_distribution<int>& small) {
    return small(rng) + std::uniform_real_distribution<double>(-0.5, 0.5)(rng);
}
template <> Complex Draw<Complex>(std::mt19937& rng, std::uniform_int_distribution<int>& small) {
    return {Draw<double>(rng, small), Draw<double>(rng, small)};
}

// A random square matrix with about `density` of its entries set, the rest exactly
// zero. Whole numbers (with `integers`) make equal magnitudes, and so pivot ties,
// common; a weak diagonal makes the elimination exchange rows.
template <class T> MatrixT<T> RandomSparse(int n, double density, unsigned seed, bool integers) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coin(0, 1);
    std::uniform_int_distribution<int> small(-3, 3);
    MatrixT<T> a(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (coin(rng) < density) {
                a(i, j) = integers ? T(small(rng)) : Draw<T>(rng, small);
            }
    return a;
}

template <class T> VectorT<T> RandomVector(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> small(-3, 3);
    VectorT<T> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = Draw<T>(rng, small);
    return v;
}

template <class T> double LargestDifference(const VectorT<T>& a, const VectorT<T>& b) {
    double worst = 0;
    for (int i = 0; i < a.Size(); ++i)
        worst = std::max(worst, Magnitude(a[i] - b[i]));
    return worst;
}
template <class T> double LargestMagnitude(const VectorT<T>& a) {
    double largest = 0;
    for (int i = 0; i < a.Size(); ++i)
        largest = std::max(largest, Magnitude(a[i]));
    return largest;
}

template <class T> SparseMatrixT<T> Sparse(const MatrixT<T>& a) {
    SparseMatrixT<T> s;
    s.FromDense(a);
    return s;
}

template <class T> class SparseLu : public ::testing::Test {};
using ElementTypes = ::testing::Types<double, Complex>;
TYPED_TEST_SUITE(SparseLu, ElementTypes);

struct RandomCase {
    int n;
    double density;
    bool integers;
};
const RandomCase kRandomCases[] = {
    {1, 1.0, false},  {5, 0.5, true},   {12, 0.3, true},
    {12, 0.3, false}, {40, 0.1, false}, {60, 0.08, true},
};

// The sparse factors solve like the dense ones with the same pivot rule; seeds
// whose dense elimination meets a zero column must fail the sparse one too.
TYPED_TEST(SparseLu, SolvesLikeTheDenseElimination) {
    using T = TypeParam;
    int solved = 0;
    int singular = 0;
    for (const RandomCase& c : kRandomCases) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            SCOPED_TRACE("n " + std::to_string(c.n) + " seed " + std::to_string(seed));
            const MatrixT<T> a = RandomSparse<T>(c.n, c.density, seed, c.integers);
            const VectorT<T> b = RandomVector<T>(c.n, seed + 1000);
            engine::LuSolver<T> dense;
            SparseLuSolver<T> sparse;
            bool denseFailed = false;
            try {
                dense.Factor(a);
            } catch (const MatrixError&) {
                denseFailed = true;
            }
            if (denseFailed) {
                EXPECT_THROW(sparse.Factor(Sparse(a)), MatrixError);
                ++singular;
                continue;
            }
            sparse.Factor(Sparse(a));
            VectorT<T> expected;
            dense.Solve(b, expected);
            VectorT<T> got;
            sparse.Solve(b, got);
            ASSERT_EQ(got.Size(), c.n);
            const double scale = std::max(1.0, LargestMagnitude(expected));
            EXPECT_LE(LargestDifference(got, expected), 1e-9 * scale);
            // And against the explicit inverse, where its Gauss-Jordan rounding does
            // not cancel a nearly singular integer matrix to an exact zero pivot.
            try {
                const VectorT<T> viaInverse = engine::TimesVector(engine::Inverse(a), b);
                if (LargestMagnitude(viaInverse) < 1e6) {
                    EXPECT_LE(LargestDifference(got, viaInverse), 1e-9 * scale);
                }
            } catch (const MatrixError&) {
            }
            // b and x may be one vector.
            VectorT<T> inPlace = b;
            sparse.Solve(inPlace, inPlace);
            EXPECT_LE(LargestDifference(inPlace, expected), 1e-9 * scale);
            ++solved;
        }
    }
    // The table must exercise both outcomes.
    EXPECT_GT(solved, 50);
    EXPECT_GT(singular, 0);
}

TYPED_TEST(SparseLu, ExactlySingularMatricesRaiseMatrixError) {
    using T = TypeParam;
    const std::vector<MatrixT<T>> cases = [] {
        std::vector<MatrixT<T>> list;
        // A column without any nonzero.
        MatrixT<T> zeroColumn(3, 3);
        zeroColumn(0, 0) = T(1);
        zeroColumn(1, 2) = T(2);
        zeroColumn(2, 0) = T(3);
        list.push_back(zeroColumn);
        // Row 2 = row 0 + row 1: the last pivot column cancels to exact zero only
        // during the elimination.
        MatrixT<T> dependent(3, 3);
        const double rows[2][3] = {{2, 1, 0}, {0, 4, 1}};
        for (int j = 0; j < 3; ++j) {
            dependent(0, j) = T(rows[0][j]);
            dependent(1, j) = T(rows[1][j]);
            dependent(2, j) = T(rows[0][j] + rows[1][j]);
        }
        list.push_back(dependent);
        return list;
    }();
    for (const MatrixT<T>& a : cases) {
        SparseLuSolver<T> sparse;
        EXPECT_THROW(sparse.Factor(Sparse(a)), MatrixError);
        EXPECT_THROW(engine::Inverse(a), MatrixError);
    }
}

TYPED_TEST(SparseLu, PivotsOnTheLargestEntry) {
    using T = TypeParam;
    // Eliminating on the tiny 1e-20 would give x0 = 0; the exchange keeps x0 = 1.
    MatrixT<T> a(2, 2);
    a(0, 0) = T(1e-20);
    a(0, 1) = T(1);
    a(1, 0) = T(1);
    a(1, 1) = T(1);
    VectorT<T> b(2);
    b[0] = T(1);
    b[1] = T(2);
    SparseLuSolver<T> sparse;
    sparse.Factor(Sparse(a));
    VectorT<T> x;
    sparse.Solve(b, x);
    EXPECT_NEAR(Magnitude(x[0] - T(1)), 0.0, 1e-15);
    EXPECT_NEAR(Magnitude(x[1] - T(1)), 0.0, 1e-15);
}

TYPED_TEST(SparseLu, ReusedStorageKeepsNothingOfThePreviousMatrix) {
    using T = TypeParam;
    SparseLuSolver<T> sparse;
    // Dense-ish first, then a different and sparser pattern of the same size, then
    // a smaller one: each solve must see only its own matrix.
    for (const RandomCase& c :
         {RandomCase{20, 0.6, false}, RandomCase{20, 0.12, false}, RandomCase{7, 0.5, false}}) {
        MatrixT<T> a = RandomSparse<T>(c.n, c.density, 99, c.integers);
        for (int i = 0; i < c.n; ++i)
            a(i, i) += T(10);
        const VectorT<T> b = RandomVector<T>(c.n, 5);
        sparse.Factor(Sparse(a));
        VectorT<T> got;
        sparse.Solve(b, got);
        const VectorT<T> expected = engine::TimesVector(engine::Inverse(a), b);
        EXPECT_LE(LargestDifference(got, expected), 1e-10 * LargestMagnitude(expected));
    }
}

// One solver refactors a pattern with new values, as at every frequency point: the
// recorded elimination is replayed while the pivot rule keeps its rows, and the
// matrix is factored afresh when it does not. Whole numbers with many zeros make
// ties, vanishing entries and changed pivots common; every result must still be
// that of the dense elimination of the same values, a zero column included.
TYPED_TEST(SparseLu, RefactoringOnePatternMatchesTheDenseElimination) {
    using T = TypeParam;
    int replayed = 0;
    int singular = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        const int n = 6 + static_cast<int>(seed % 9);
        const MatrixT<T> shape = RandomSparse<T>(n, 0.35, seed, false);
        SparseMatrixT<T> a = Sparse(shape);
        // The diagonal joins the pattern so that most value sets are regular.
        std::vector<std::vector<int>> pattern(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            pattern[static_cast<std::size_t>(i)].push_back(i);
            for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k)
                pattern[static_cast<std::size_t>(i)].push_back(a.ColumnAt(k));
        }
        a.SetPattern(n, n, pattern);
        SparseLuSolver<T> sparse;
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> small(-2, 2);
        std::uniform_real_distribution<double> coin(0, 1);
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
            // Early rounds keep a strong diagonal (the same pivots), later ones
            // draw small whole numbers anywhere in the pattern.
            for (int i = 0; i < n; ++i)
                for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
                    T v = coin(rng) < 0.2 ? T() : T(small(rng));
                    if (round < 4 && a.ColumnAt(k) == i)
                        v = T(20 + round);
                    a.ValueAt(k) = v;
                }
            const MatrixT<T> dense = a.ToDense();
            engine::LuSolver<T> reference;
            bool denseFailed = false;
            try {
                reference.Factor(dense);
            } catch (const MatrixError&) {
                denseFailed = true;
            }
            if (denseFailed) {
                EXPECT_THROW(sparse.Factor(a), MatrixError);
                ++singular;
                continue;
            }
            const int before = sparse.Replays();
            sparse.Factor(a);
            replayed += sparse.Replays() - before;
            const VectorT<T> b = RandomVector<T>(n, seed + 77);
            VectorT<T> expected;
            reference.Solve(b, expected);
            VectorT<T> got;
            sparse.Solve(b, got);
            EXPECT_LE(LargestDifference(got, expected),
                      1e-9 * std::max(1.0, LargestMagnitude(expected)));
        }
    }
    EXPECT_GT(replayed, 60);
    EXPECT_GT(singular, 0);
}

TEST(SparseMatrix, AssignedRowsTransposeWithTheirValues) {
    ComplexSparseMatrix s;
    s.Assign(2, 3, {0, 2, 3}, {0, 2, 1}, {Complex(1, 0), Complex(-0.0, 0), Complex(0, 3)});
    const ComplexSparseMatrix t = s.Transposed();
    ASSERT_EQ(t.Rows(), 3);
    ASSERT_EQ(t.Cols(), 2);
    EXPECT_EQ(t.Get(0, 0), Complex(1, 0));
    EXPECT_EQ(t.Get(1, 1), Complex(0, 3));
    ASSERT_GE(t.Find(2, 0), 0);
    EXPECT_TRUE(std::signbit(t.ValueAt(t.Find(2, 0)).re)); // a signed zero stays
    EXPECT_NE(t.PatternId(), s.PatternId());
    // Columns out of order or out of range are refused.
    EXPECT_THROW(s.Assign(1, 3, {0, 2}, {2, 1}, {Complex(), Complex()}), MatrixError);
    EXPECT_THROW(s.Assign(1, 2, {0, 1}, {2}, {Complex()}), MatrixError);
}

// A factorisation that fails part-way must not leave a record that a matrix of
// the earlier pattern would replay.
TEST(SparseLu, FailedFactorisationForgetsTheRecordedPattern) {
    ComplexSparseMatrix a;
    a.SetPattern(2, 2, {{0, 1}, {0, 1}});
    a.ValueAt(0) = Complex(4, 0);
    a.ValueAt(1) = Complex(1, 0);
    a.ValueAt(2) = Complex(1, 0);
    a.ValueAt(3) = Complex(3, 0);
    SparseLuSolver<Complex> lu;
    lu.Factor(a);
    ComplexSparseMatrix singular;
    singular.SetPattern(3, 3, {{0}, {0}, {2}});
    singular.ValueAt(0) = Complex(1, 0);
    singular.ValueAt(1) = Complex(2, 0);
    singular.ValueAt(2) = Complex(1, 0);
    EXPECT_THROW(lu.Factor(singular), MatrixError);
    lu.Factor(a);
    ComplexVector b(2);
    b[0] = Complex(5, 0);
    b[1] = Complex(4, 0);
    ComplexVector x;
    lu.Solve(b, x);
    EXPECT_EQ(x[0], Complex(1, 0));
    EXPECT_EQ(x[1], Complex(1, 0));
}

TEST(SparseMatrix, PatternKeepsExplicitZerosAndMultipliesByRow) {
    ComplexSparseMatrix s;
    s.SetPattern(2, 3, {{2, 0, 2}, {}});
    EXPECT_EQ(s.NonzeroCount(), 2);
    EXPECT_EQ(s.Find(0, 0), 0);
    EXPECT_EQ(s.Find(0, 2), 1);
    EXPECT_EQ(s.Find(0, 1), -1);
    EXPECT_EQ(s.Find(1, 0), -1);
    s.ValueAt(s.Find(0, 2)) = Complex(0, 2);
    ComplexVector v(3);
    v[0] = Complex(5, 0);
    v[2] = Complex(1, 1);
    ComplexVector out;
    s.Multiply(v, out);
    ASSERT_EQ(out.Size(), 2);
    EXPECT_EQ(out[0], Complex(-2, 2));
    EXPECT_EQ(out[1], Complex(0, 0));
    EXPECT_EQ(s.ToDense().At(0, 2), Complex(0, 2));
}

// Circuits on a sheet with one harmonic source.
model::SourceElement* Harmonic(model::SourceElement* s) {
    s->SetMode(model::SourceMode::Ac);
    s->SetAcAmplitude(1);
    return s;
}

struct NodalCase {
    const char* name;
    std::function<void(Circuit&)> draw;
};

const NodalCase kCircuits[] = {
    {"RC ladder",
     [](Circuit& c) {
         Harmonic(c.E(0, 1, 1));
         for (int k = 1; k <= 6; ++k) {
             c.R(k, k + 1, 100 * k);
             c.C(k + 1, 0, 1e-6);
         }
     }},
    {"bridge with an inductance, a unistor and a current source",
     [](Circuit& c) {
         Harmonic(c.J(0, 1, 1));
         c.R(1, 0, 1e3);
         c.L(1, 2, 0.01);
         c.C(1, 3, 1e-6);
         c.R(2, 3, 50);
         c.S(2, 4, 0.01);
         c.R(4, 0, 200);
         c.C(3, 0, 2e-6);
         c.L(3, 4, 0.2);
     }},
    {"floating voltage sources and a VCCS",
     [](Circuit& c) {
         Harmonic(c.E(1, 2, 1));
         c.R(1, 0, 100);
         c.R(2, 0, 200);
         c.C(2, 3, 1e-6);
         c.E(3, 4, 5);
         c.R(4, 0, 1e3);
         model::Element* g = c.Add(model::kind::Vccs, std::vector<int>{2, 0, 5, -1});
         g->SetParam(0, 0.02);
         c.R(5, 0, 500);
         c.L(5, 1, 0.1);
     }},
};

TEST(SparseNodal, AssemblyMatchesTheDenseProductAndSolvesAlike) {
    constexpr double kTwoPi = 6.283185307179586;
    for (const NodalCase& circuit : kCircuits) {
        Circuit c;
        c.Ground(0);
        circuit.draw(c);
        c.Wire();
        engine::Engine engine(c.scheme);
        RecordingNotifier notifier;
        ASSERT_EQ(engine.FormulateFrequency(notifier).Code(), 0) << circuit.name;
        engine::FrequencyEquations& f = engine.Frequency();
        for (double hz : {1.0, 1e3, 1e6}) {
            SCOPED_TRACE(std::string(circuit.name) + " at " + std::to_string(hz) + " Hz");
            const double omega = kTwoPi * hz;
            engine.FrequencyStep(omega, engine::FrequencyEquations::NodalForm::Factors);
            const ComplexMatrix yn = f.Yn;
            const ComplexMatrix m1 = f.M1;
            const ComplexMatrix dc = f.DC;
            const ComplexVector rhs = RandomVector<Complex>(f.NI, 3);
            ComplexVector expected;
            f.SolveNodal(rhs, expected);

            engine.FrequencyStep(omega, engine::FrequencyEquations::NodalForm::Sparse);
            ASSERT_EQ(f.YnSparse.Rows(), yn.Rows());
            // The entries sum the same terms in the same order: equal bit for bit.
            const ComplexMatrix sparse = f.YnSparse.ToDense();
            for (int i = 0; i < yn.Rows(); ++i)
                for (int j = 0; j < yn.Cols(); ++j)
                    EXPECT_EQ(sparse(i, j), yn(i, j)) << i << ", " << j;
            for (int i = 0; i < dc.Rows(); ++i)
                for (int j = 0; j < dc.Cols(); ++j)
                    EXPECT_EQ(f.DC(i, j), dc(i, j)) << i << ", " << j;

            ComplexVector got;
            f.SolveNodal(rhs, got);
            EXPECT_LE(LargestDifference(got, expected), 1e-12 * LargestMagnitude(expected));

            const ComplexVector v = RandomVector<Complex>(f.NI, 4);
            ComplexVector m1v;
            f.M1Times(v, m1v);
            const ComplexVector reference = engine::TimesVector(m1, v);
            EXPECT_LE(LargestDifference(m1v, reference), 1e-12 * LargestMagnitude(reference));
        }
    }
}

TEST(SparseNodal, LadderFactorsStayBanded) {
    // 500 sections: partial pivoting on the natural order must not fill the
    // tridiagonal nodal matrix.
    Circuit c;
    c.Ground(0);
    Harmonic(c.E(0, 1, 1));
    for (int k = 1; k <= 500; ++k) {
        c.R(k, k + 1, 100);
        c.C(k + 1, 0, 1e-6);
    }
    c.Wire();
    engine::Engine engine(c.scheme);
    RecordingNotifier notifier;
    ASSERT_EQ(engine.FormulateFrequency(notifier).Code(), 0);
    const engine::FrequencyEquations& f = engine.Frequency();
    for (double omega : {10.0, 1e4, 1e7}) {
        engine.FrequencyStep(omega, engine::FrequencyEquations::NodalForm::Sparse);
        EXPECT_LE(f.YnSparse.NonzeroCount(), 3 * f.NI);
        EXPECT_LE(f.sparseNodal.FactorNonzeros(), 3 * f.NI) << omega;
    }
    // The formulation's Yn(1) test factored first; every point replays it.
    EXPECT_EQ(f.sparseNodal.Replays(), 3);
}

} // namespace
} // namespace engine_test

namespace {

// Offsets into a matrix's rows are 32-bit: a count they cannot hold is refused
// as a matrix failure with its own text, never wrapped into a negative offset.
TEST(SparseOffsetTest, RefusesCountsBeyondTheOffsetRange) {
    using korvanix::engine::MatrixError;
    using korvanix::engine::MatrixSizeError;
    using korvanix::engine::SparseOffset;
    const std::size_t largest = static_cast<std::size_t>(std::numeric_limits<int>::max());
    EXPECT_EQ(SparseOffset(0), 0);
    EXPECT_EQ(SparseOffset(largest), std::numeric_limits<int>::max());
    for (const std::size_t count : {largest + 1, largest * 2 + 2, ~std::size_t{0}}) {
        SCOPED_TRACE(count);
        try {
            SparseOffset(count);
            ADD_FAILURE() << "accepted";
        } catch (const MatrixError& e) {
            EXPECT_STREQ(e.what(), MatrixSizeError::kText);
        }
    }
}

} // namespace
