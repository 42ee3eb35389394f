#include "engine/SparseAlgebra.h"

#include "engine/Complex.h"
#include "engine/Matrix.h"
#include "engine/MatrixError.h"
#include "engine/SparseMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace engine_test {
namespace {

using namespace korvanix;
using engine::Complex;
using engine::ComplexMatrix;
using engine::ComplexSparseMatrix;
using engine::Matrix;
using engine::MatrixError;
using engine::MatrixT;
using engine::SparseMatrix;
using engine::SparseMatrixT;
using engine::Vector;
using engine::VectorT;

template <class T> SparseMatrixT<T> Sparse(const MatrixT<T>& a) {
    SparseMatrixT<T> s;
    s.FromDense(a);
    return s;
}

std::string Show(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}
std::string Show(const Complex& z) {
    return "(" + Show(z.re) + ", " + Show(z.im) + ")";
}
bool IsZero(double x) {
    return x == 0;
}
bool IsZero(const Complex& z) {
    return z.re == 0 && z.im == 0;
}

// The sparse result against the dense one, entry by entry with ==: +0 and −0
// compare equal, so a dense entry that came out −0 matches an absent one, and any
// other difference in the bits of a finite entry fails. The sparse result must hold
// no zero at all: only exact zeros are dropped, and they are always dropped.
template <class T>
::testing::AssertionResult SameEntries(const SparseMatrixT<T>& sparse, const MatrixT<T>& dense) {
    if (sparse.Rows() != dense.Rows() || sparse.Cols() != dense.Cols()) {
        return ::testing::AssertionFailure()
               << "shape " << sparse.Rows() << "x" << sparse.Cols() << ", expected " << dense.Rows()
               << "x" << dense.Cols();
    }
    for (int k = 0; k < sparse.NonzeroCount(); ++k) {
        if (IsZero(sparse.ValueAt(k))) {
            return ::testing::AssertionFailure() << "a zero is stored at position " << k;
        }
    }
    const MatrixT<T> back = sparse.ToDense();
    for (int i = 0; i < dense.Rows(); ++i) {
        for (int j = 0; j < dense.Cols(); ++j) {
            if (!(back(i, j) == dense(i, j))) {
                return ::testing::AssertionFailure()
                       << "entry (" << i << ", " << j << ") is " << Show(back(i, j))
                       << ", the dense operation gives " << Show(dense(i, j));
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// Values whose products and sums round, of very different sizes.
const double kAwkward[] = {1.0 / 3,  -2.0 / 3, 1e-7, -3e-7 / 7, 1e8,     -1e8 / 3, 0.1,
                           7.0 / 11, -1.0,     2.0,  -0.3,      5.0 / 9, 1e-3,     4e5};

// A random matrix with about `density` of its entries set. With `integers` the
// values are small whole numbers, whose sums are exact and cancel to exact zeros
// often; otherwise they mix the awkward values above.
Matrix RandomMatrix(int rows, int cols, double density, unsigned seed, bool integers = false) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coin(0, 1);
    std::uniform_int_distribution<int> small(-3, 3);
    std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kAwkward)) - 1);
    Matrix a(rows, cols);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            if (coin(rng) < density) {
                a(i, j) = integers ? small(rng) : kAwkward[pick(rng)] * (1 + small(rng) / 7.0);
            }
        }
    }
    return a;
}

// A random matrix plus a permuted diagonal of awkward values, so that it is
// (almost always) invertible; a weak diagonal makes the elimination exchange rows.
Matrix RandomInvertible(int n, double density, unsigned seed, bool integers, double diagonal) {
    Matrix a = RandomMatrix(n, n, density, seed, integers);
    std::vector<int> columns(static_cast<std::size_t>(n));
    std::iota(columns.begin(), columns.end(), 0);
    std::mt19937 rng(seed + 1000);
    std::shuffle(columns.begin(), columns.end(), rng);
    for (int i = 0; i < n; ++i) {
        a(i, columns[static_cast<std::size_t>(i)]) += diagonal * kAwkward[i % std::size(kAwkward)];
    }
    return a;
}

Matrix Identity(int n) {
    Matrix a(n, n);
    for (int i = 0; i < n; ++i) {
        a(i, i) = 1;
    }
    return a;
}

Matrix Diagonal(int n) {
    Matrix a(n, n);
    for (int i = 0; i < n; ++i) {
        a(i, i) = kAwkward[static_cast<std::size_t>(i) % std::size(kAwkward)];
    }
    return a;
}

// A tree on nodes 0..n-1 with the reference node 0 at its root: node v >= 1 hangs
// from parent[v] by branch v, oriented by sign[v]. Its reduced incidence matrix has
// node v in row rowOf[v] and branch v in column columnOf[v].
struct Tree {
    std::vector<int> parent, sign, rowOf, columnOf;

    int Size() const { return static_cast<int>(parent.size()) - 1; }
};

Tree MakeTree(std::vector<int> parent) {
    Tree t;
    const int n = static_cast<int>(parent.size());
    t.parent = std::move(parent);
    t.sign.assign(static_cast<std::size_t>(n), 1);
    t.rowOf.resize(static_cast<std::size_t>(n));
    std::iota(t.rowOf.begin(), t.rowOf.end(), -1);
    t.columnOf = t.rowOf;
    return t;
}
// Node v hangs from v - 1: the reference is an end of the path.
Tree PathTree(int nodes) {
    std::vector<int> parent(static_cast<std::size_t>(nodes));
    std::iota(parent.begin(), parent.end(), -1);
    return MakeTree(std::move(parent));
}
// Every node hangs from the centre; the reference is the centre or a leaf.
Tree StarTree(int nodes, bool referenceAtCentre) {
    std::vector<int> parent(static_cast<std::size_t>(nodes), referenceAtCentre ? 0 : 1);
    parent[0] = -1;
    if (!referenceAtCentre) {
        parent[1] = 0;
    }
    return MakeTree(std::move(parent));
}
Tree RandomTree(int nodes, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int> parent(static_cast<std::size_t>(nodes), -1);
    for (int v = 1; v < nodes; ++v) {
        parent[static_cast<std::size_t>(v)] = std::uniform_int_distribution<int>(0, v - 1)(rng);
    }
    return MakeTree(std::move(parent));
}
// Random orientations and random places for the rows and columns.
Tree Shuffled(Tree t, unsigned seed) {
    std::mt19937 rng(seed);
    for (std::size_t v = 1; v < t.sign.size(); ++v) {
        t.sign[v] = rng() % 2 == 0 ? 1 : -1;
    }
    std::shuffle(t.rowOf.begin() + 1, t.rowOf.end(), rng);
    std::shuffle(t.columnOf.begin() + 1, t.columnOf.end(), rng);
    return t;
}

SparseMatrix Incidence(const Tree& t) {
    const int n = t.Size();
    std::vector<std::vector<std::pair<int, double>>> rows(static_cast<std::size_t>(n));
    for (int v = 1; v <= n; ++v) {
        const auto at = static_cast<std::size_t>(v);
        rows[static_cast<std::size_t>(t.rowOf[at])].emplace_back(t.columnOf[at], t.sign[at]);
        if (t.parent[at] != 0) {
            rows[static_cast<std::size_t>(t.rowOf[static_cast<std::size_t>(t.parent[at])])]
                .emplace_back(t.columnOf[at], -t.sign[at]);
        }
    }
    for (auto& row : rows)
        std::sort(row.begin(), row.end());
    SparseMatrix a;
    a.AssignRows(n, rows);
    return a;
}

// The inverse of the incidence matrix: branch u's row holds sign[u] in the column
// of every node whose way to the reference runs through u.
Matrix PathMatrix(const Tree& t) {
    Matrix p(t.Size(), t.Size());
    for (int v = 1; v <= t.Size(); ++v) {
        for (int u = v; u != 0; u = t.parent[static_cast<std::size_t>(u)]) {
            const auto at = static_cast<std::size_t>(u);
            p(t.columnOf[at], t.rowOf[static_cast<std::size_t>(v)]) = t.sign[at];
        }
    }
    return p;
}

// Products against all three dense products: they sum alike, so all must agree.
TEST(SparseProduct, MatchesTheDenseProductsBitForBit) {
    struct Case {
        std::string name;
        Matrix a, b;
    };
    std::vector<Case> cases = {
        {"empty", Matrix(0, 0), Matrix(0, 0)},
        {"no rows", Matrix(0, 3), RandomMatrix(3, 4, 0.5, 1)},
        {"no inner dimension", Matrix(3, 0), Matrix(0, 4)},
        {"no columns", RandomMatrix(4, 3, 0.5, 2), Matrix(3, 0)},
        {"identity", Identity(6), RandomMatrix(6, 5, 0.4, 3)},
        {"diagonal", RandomMatrix(5, 6, 0.4, 4), Diagonal(6)},
        {"tree by its transpose", Incidence(Shuffled(RandomTree(30, 5), 6)).ToDense(),
         Transpose(Incidence(Shuffled(RandomTree(30, 5), 6)).ToDense())},
    };
    for (int n : {7, 20, 45}) {
        for (double density : {0.1, 0.3, 0.7}) {
            const unsigned seed = static_cast<unsigned>(n * 100 + density * 10);
            cases.push_back({"awkward " + std::to_string(n), RandomMatrix(n, n + 3, density, seed),
                             RandomMatrix(n + 3, n - 2, density, seed + 1)});
            cases.push_back({"integers " + std::to_string(n),
                             RandomMatrix(n, n + 3, density, seed + 2, true),
                             RandomMatrix(n + 3, n - 2, density, seed + 3, true)});
        }
    }
    // Rows k and k+1 of B equal and A's entries there opposite: the two terms cancel,
    // to exactly zero where nothing came before them.
    {
        Matrix a = RandomMatrix(12, 10, 0.5, 77);
        Matrix b = RandomMatrix(10, 9, 0.5, 78);
        for (int k = 0; k < 10; k += 2) {
            for (int j = 0; j < 9; ++j) {
                b(k + 1, j) = b(k, j);
            }
            for (int i = 0; i < 12; ++i) {
                a(i, k + 1) = -a(i, k);
            }
        }
        cases.push_back({"opposite terms", a, b});
    }

    int cancelled = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SparseMatrix product = SparseProduct(Sparse(c.a), Sparse(c.b));
        EXPECT_TRUE(SameEntries(product, Product(c.a, c.b)));
        Matrix left = c.a;
        left.BuildRowIndex();
        Matrix right = c.b;
        right.BuildColumnIndex();
        Matrix rowIndexed, columnIndexed;
        rowIndexed.MultiplyRowIndexed(left, c.b);
        columnIndexed.MultiplyColumnIndexed(c.a, right);
        EXPECT_TRUE(SameEntries(product, rowIndexed));
        EXPECT_TRUE(SameEntries(product, columnIndexed));
        // Entries some term reaches whose sum came out exactly zero.
        for (int i = 0; i < c.a.Rows(); ++i) {
            for (int j = 0; j < c.b.Cols(); ++j) {
                bool reached = false;
                for (int k = 0; k < c.a.Cols(); ++k) {
                    reached = reached || (c.a(i, k) != 0 && c.b(k, j) != 0);
                }
                cancelled += reached && product.Get(i, j) == 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(cancelled, 20) << "the table should make sums cancel to exact zeros";
}

TEST(SparseProduct, PathMatrixTimesIncidenceIsTheIdentity) {
    const Tree tree = Shuffled(RandomTree(60, 11), 12);
    const SparseMatrix identity = SparseProduct(Sparse(PathMatrix(tree)), Incidence(tree));
    EXPECT_TRUE(SameEntries(identity, Identity(59)));
}

TEST(SparseProduct, MismatchedShapesRaiseMatrixError) {
    EXPECT_THROW(SparseProduct(Sparse(Matrix(2, 3)), Sparse(Matrix(2, 3))), MatrixError);
}

TEST(SparseSum, SumAndDifferenceMatchTheDenseOnesBitForBit) {
    struct Case {
        std::string name;
        Matrix a, b;
    };
    std::vector<Case> cases = {
        {"empty", Matrix(0, 0), Matrix(0, 0)},
        {"no rows", Matrix(0, 4), Matrix(0, 4)},
        {"no columns", Matrix(3, 0), Matrix(3, 0)},
        {"identity and diagonal", Identity(5), Diagonal(5)},
    };
    for (int n : {6, 25}) {
        for (double density : {0.1, 0.5}) {
            const auto seed = static_cast<unsigned>(n * 10 + density * 10);
            const Matrix a = RandomMatrix(n, n + 2, density, seed);
            cases.push_back(
                {"awkward " + std::to_string(n), a, RandomMatrix(n, n + 2, density, seed + 1)});
            // b shares a's entries in part, with both signs, so that a − b and a + b
            // cancel to exact zeros, and holds entries of its own.
            Matrix b = RandomMatrix(n, n + 2, density, seed + 2);
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n + 2; ++j) {
                    if (a(i, j) != 0 && (i + j) % 3 != 0) {
                        b(i, j) = (i + j) % 3 == 1 ? a(i, j) : -a(i, j);
                    }
                }
            }
            cases.push_back({"shared " + std::to_string(n), a, b});
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(SameEntries(SparseSum(Sparse(c.a), Sparse(c.b)), engine::Sum(c.a, c.b)));
        EXPECT_TRUE(
            SameEntries(SparseDifference(Sparse(c.a), Sparse(c.b)), engine::Difference(c.a, c.b)));
    }
    EXPECT_THROW(SparseSum(Sparse(Matrix(2, 3)), Sparse(Matrix(3, 2))), MatrixError);
    EXPECT_THROW(SparseDifference(Sparse(Matrix(2, 3)), Sparse(Matrix(2, 2))), MatrixError);
}

TEST(SparseSum, EntriesThatCancelAreNotStored) {
    Matrix a(2, 3);
    a(0, 1) = 0.1;
    a(1, 2) = 1.0 / 3;
    Matrix b(2, 3);
    b(0, 1) = 0.1;
    b(1, 0) = 2;
    const SparseMatrix difference = SparseDifference(Sparse(a), Sparse(b));
    EXPECT_EQ(difference.NonzeroCount(), 2);
    EXPECT_EQ(difference.Find(0, 1), -1);
    EXPECT_EQ(difference.Get(1, 0), -2.0);
}

// Operations entry by entry, on a table of shapes.
std::vector<std::pair<std::string, Matrix>> ShapeTable() {
    std::vector<std::pair<std::string, Matrix>> table = {
        {"empty", Matrix(0, 0)},      {"no rows", Matrix(0, 5)},
        {"no columns", Matrix(4, 0)}, {"identity", Identity(6)},
        {"diagonal", Diagonal(7)},    {"tree", Incidence(Shuffled(RandomTree(25, 3), 4)).ToDense()},
    };
    for (int n : {5, 30}) {
        for (double density : {0.1, 0.6}) {
            const auto seed = static_cast<unsigned>(n + density * 100);
            table.push_back({"awkward " + std::to_string(n), RandomMatrix(n, n, density, seed)});
            table.push_back(
                {"wide " + std::to_string(n), RandomMatrix(n, 2 * n + 1, density, seed + 1)});
        }
    }
    return table;
}

TEST(SparseEntrywise, NegationAndConcatenationMatchTheDenseOnes) {
    const auto table = ShapeTable();
    for (const auto& [name, m] : table) {
        SCOPED_TRACE(name);
        Matrix negated;
        m.Negated(negated);
        EXPECT_TRUE(SameEntries(SparseNegated(Sparse(m)), negated));
        // [M | other] and [other | M], with the other part of the same height.
        const Matrix other = RandomMatrix(m.Rows(), 3, 0.5, 9);
        Matrix joined;
        joined.ConcatColumns(m, other);
        EXPECT_TRUE(SameEntries(SparseConcatColumns(Sparse(m), Sparse(other)), joined));
        joined.ConcatColumns(other, m);
        EXPECT_TRUE(SameEntries(SparseConcatColumns(Sparse(other), Sparse(m)), joined));
    }
    EXPECT_THROW(SparseConcatColumns(Sparse(Matrix(2, 1)), Sparse(Matrix(3, 1))), MatrixError);
}

TEST(SparseEntrywise, AddToDiagonalMatchesTheDenseOne) {
    std::vector<std::pair<std::string, Matrix>> table;
    for (auto& entry : ShapeTable()) {
        if (entry.second.Rows() == entry.second.Cols()) {
            table.push_back(std::move(entry));
        }
    }
    // Diagonal entries s cancels exactly, others absent, others present.
    Matrix cancelling = RandomMatrix(9, 9, 0.4, 21);
    for (int i = 0; i < 9; i += 2) {
        cancelling(i, i) = 1.0 / 3;
    }
    cancelling(1, 1) = 0;
    table.push_back({"cancelling", cancelling});
    for (const auto& [name, m] : table) {
        for (double s : {-1.0, -1.0 / 3, 1e-7, 0.0}) {
            SCOPED_TRACE(name + " + " + Show(s));
            Matrix dense = m;
            dense.AddToDiagonal(s);
            EXPECT_TRUE(SameEntries(SparseAddToDiagonal(Sparse(m), s), dense));
        }
    }
    EXPECT_THROW(SparseAddToDiagonal(Sparse(Matrix(2, 3)), 1.0), MatrixError);
}

TEST(SparseEntrywise, DiagonalAndRowScalingMatchTheDenseOnes) {
    const auto table = ShapeTable();
    for (const auto& [name, m] : table) {
        SCOPED_TRACE(name);
        // Factors that are zero, round, and underflow an entry to zero.
        Vector v(m.Rows());
        for (int i = 0; i < m.Rows(); ++i) {
            v[i] = i % 4 == 1 ? 0.0 : i % 4 == 2 ? 1e-310 : kAwkward[i % std::size(kAwkward)];
        }
        EXPECT_TRUE(SameEntries(SparseScaleRows(v, Sparse(m)), engine::ScaleRows(m, v)));
        Matrix indexed = m;
        indexed.BuildRowIndex();
        indexed.ScaleRowsIndexed(v, indexed);
        EXPECT_TRUE(SameEntries(SparseScaleRows(v, Sparse(m)), indexed));

        Matrix diagonal(v.Size(), v.Size());
        for (int i = 0; i < v.Size(); ++i) {
            diagonal(i, i) = v[i];
        }
        EXPECT_TRUE(SameEntries(engine::SparseDiagonal(v), diagonal));
    }
    EXPECT_THROW(SparseScaleRows(Vector(2), Sparse(Matrix(3, 3))), MatrixError);
}

// Inversion against the dense Gauss–Jordan elimination: equal entries, or a
// MatrixError from both.
template <class T> void ExpectInverseLikeDense(const MatrixT<T>& m) {
    bool denseFailed = false;
    MatrixT<T> dense;
    try {
        dense = engine::Inverse(m);
    } catch (const MatrixError&) {
        denseFailed = true;
    }
    if (denseFailed) {
        EXPECT_THROW(SparseInverse(Sparse(m)), MatrixError);
    } else {
        EXPECT_TRUE(SameEntries(SparseInverse(Sparse(m)), dense));
    }
}

std::vector<std::pair<std::string, Matrix>> SquareTable() {
    std::vector<std::pair<std::string, Matrix>> table = {
        {"empty", Matrix(0, 0)},
        {"identity", Identity(8)},
        {"diagonal", Diagonal(9)},
        {"path", PathMatrix(PathTree(12))},
        {"shuffled path", Incidence(Shuffled(PathTree(40), 31)).ToDense()},
        {"shuffled star", Incidence(Shuffled(StarTree(40, false), 32)).ToDense()},
        {"random tree", Incidence(Shuffled(RandomTree(50, 33), 34)).ToDense()},
        {"zero column", RandomMatrix(6, 6, 0.5, 35)},
    };
    for (int i = 0; i < 6; ++i) {
        table.back().second(i, 3) = 0;
    }
    // Rows 0 and 2 differ by a factor of 2 and row 4 is their sum: singular, with
    // the zero appearing only as the elimination goes.
    Matrix dependent = RandomMatrix(7, 7, 0.6, 36, true);
    for (int j = 0; j < 7; ++j) {
        dependent(2, j) = 2 * dependent(0, j);
        dependent(4, j) = dependent(0, j) + dependent(2, j);
    }
    table.push_back({"dependent rows", dependent});
    for (int n : {4, 15, 40}) {
        for (double density : {0.1, 0.3}) {
            const auto seed = static_cast<unsigned>(n * 7 + density * 100);
            const std::string size =
                std::to_string(n) + " at " + std::to_string(static_cast<int>(density * 100)) + "%";
            table.push_back({"awkward " + size, RandomInvertible(n, density, seed, false, 2.0)});
            table.push_back(
                {"weak diagonal " + size, RandomInvertible(n, density, seed + 1, false, 1e-3)});
            // Whole numbers: ties in magnitude at every step, and entries that cancel
            // to exact zeros during the elimination.
            table.push_back(
                {"integers " + size, RandomInvertible(n, density, seed + 2, true, 1.0)});
            table.push_back(
                {"sparse integers " + size, RandomMatrix(n, n, density, seed + 3, true)});
        }
    }
    return table;
}

TEST(SparseInverse, MatchesTheDenseInverseBitForBit) {
    int inverted = 0;
    for (const auto& [name, m] : SquareTable()) {
        SCOPED_TRACE(name);
        ExpectInverseLikeDense(m);
        try {
            engine::Inverse(m);
            ++inverted;
        } catch (const MatrixError&) {
        }
    }
    EXPECT_GT(inverted, 20) << "most of the table should be invertible";
}

// Column 0 lives in row 2 only, so the first step brings row 2 to the top and row 0
// to the bottom. Column 1 then ties between row 1 (now second) and row 0 (now last):
// the dense rule takes row 1, the first in the current order, though row 0 comes
// first in the original one. The other choice rounds differently.
TEST(SparseInverse, TiesGoToTheFirstRowInTheCurrentOrder) {
    Matrix m(3, 3);
    m(0, 1) = -1.0 / 3;
    m(0, 2) = 0.7;
    m(1, 1) = 1.0 / 3;
    m(1, 2) = 0.1;
    m(2, 0) = 3;
    m(2, 1) = 2.0 / 7;
    m(2, 2) = 1e-7;
    ExpectInverseLikeDense(m);
    // The premise: both pivot choices invert, to different bits.
    Matrix swapped = m;
    swapped.SwapRows(0, 1);
    Matrix undone = engine::Inverse(swapped);
    for (int i = 0; i < 3; ++i) {
        std::swap(undone(i, 0), undone(i, 1));
    }
    bool differs = false;
    const Matrix dense = engine::Inverse(m);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            differs = differs || !(dense(i, j) == undone(i, j));
        }
    }
    EXPECT_TRUE(differs);
}

TEST(SparseInverse, SingularAndNonSquareMatricesRaiseMatrixError) {
    Matrix singular(3, 3);
    singular(0, 0) = 1;
    singular(0, 1) = 2;
    singular(1, 0) = 2;
    singular(1, 1) = 4;
    singular(2, 2) = 1;
    EXPECT_THROW(SparseInverse(Sparse(singular)), MatrixError);
    EXPECT_THROW(SparseInverse(Sparse(RandomMatrix(3, 4, 0.9, 1))), MatrixError);
    EXPECT_EQ(SparseInverse(Sparse(Matrix(0, 0))).Rows(), 0);
}

TEST(SparseInverse, TreeIncidenceInvertsToItsPathMatrix) {
    const std::vector<std::pair<std::string, Tree>> trees = {
        {"path", Shuffled(PathTree(80), 41)},
        {"star, reference at a leaf", Shuffled(StarTree(80, false), 42)},
        {"star, reference at the centre", Shuffled(StarTree(80, true), 43)},
        {"random", Shuffled(RandomTree(120, 44), 45)},
    };
    for (const auto& [name, tree] : trees) {
        SCOPED_TRACE(name);
        const SparseMatrix inverse = SparseInverse(Incidence(tree));
        EXPECT_TRUE(SameEntries(inverse, PathMatrix(tree)));
        EXPECT_TRUE(SameEntries(inverse, engine::Inverse(Incidence(tree).ToDense())));
    }
}

// The reference at an end of a long path: every branch lies on the way of all the
// nodes beyond it, so the inverse is a triangle of ±1 (12.5 million entries). The
// elimination touches about as many entries, never the square.
TEST(SparseInverse, LongPathInvertsToItsPathMatrix) {
    const int nodes = 5000;
    Tree tree = PathTree(nodes);
    std::mt19937 rng(5);
    for (std::size_t v = 1; v < tree.sign.size(); ++v) {
        tree.sign[v] = rng() % 2 == 0 ? 1 : -1;
    }
    const SparseMatrix inverse = SparseInverse(Incidence(tree));
    const int n = nodes - 1;
    ASSERT_EQ(inverse.Rows(), n);
    ASSERT_EQ(inverse.Cols(), n);
    ASSERT_EQ(inverse.NonzeroCount(), n * (n + 1) / 2);
    // Branch v (row v - 1) lies on the way of nodes v..n (columns v - 1..n - 1).
    int wrong = 0;
    for (int r = 0; r < n; ++r) {
        const double sign = tree.sign[static_cast<std::size_t>(r) + 1];
        wrong += inverse.RowEnd(r) - inverse.RowBegin(r) == n - r ? 0 : 1;
        for (int k = inverse.RowBegin(r); k < inverse.RowEnd(r); ++k) {
            wrong +=
                inverse.ColumnAt(k) == r + (k - inverse.RowBegin(r)) && inverse.ValueAt(k) == sign
                    ? 0
                    : 1;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(SparseIsSingular, DecidesAsTheDenseElimination) {
    int singular = 0;
    for (const auto& [name, m] : SquareTable()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(SparseIsSingular(Sparse(m)), m.IsSingular());
        singular += m.IsSingular() ? 1 : 0;
    }
    EXPECT_GT(singular, 3) << "the table should hold singular matrices";
    EXPECT_THROW(SparseIsSingular(Sparse(Matrix(2, 3))), MatrixError);
}

// The singularity test eliminates below the pivot with f = entry / pivot; the
// inverse scales the pivot row first. The two round differently, and near a
// singular matrix they disagree: each sparse operation must take its own side.
TEST(SparseIsSingular, FollowsTheEliminationNotTheInverse) {
    struct Case {
        double a, b, c, d;
        bool eliminationSingular;
    };
    // [[a, b], [c, d]] with d = c·b/a as rounded.
    for (const Case& c : {Case{0.1, 0.3, 0.1, 0.3, true}, Case{0.3, 0.3, 1e-7, 1e-7, false}}) {
        Matrix m(2, 2);
        m(0, 0) = c.a;
        m(0, 1) = c.b;
        m(1, 0) = c.c;
        m(1, 1) = c.d;
        SCOPED_TRACE(Show(c.a) + " " + Show(c.b) + " " + Show(c.c) + " " + Show(c.d));
        ASSERT_EQ(m.IsSingular(), c.eliminationSingular);
        EXPECT_EQ(SparseIsSingular(Sparse(m)), c.eliminationSingular);
        // The premise: the inverse decides the other way.
        if (c.eliminationSingular) {
            EXPECT_NO_THROW(engine::Inverse(m));
        } else {
            EXPECT_THROW(engine::Inverse(m), MatrixError);
        }
        ExpectInverseLikeDense(m);
    }
}

// The dense matrix with exact zeros stored at some of its empty positions, as a
// pattern set up ahead of its values leaves them.
template <class T> SparseMatrixT<T> WithStoredZeros(const MatrixT<T>& m, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::vector<int>> pattern(static_cast<std::size_t>(m.Rows()));
    for (int i = 0; i < m.Rows(); ++i) {
        for (int j = 0; j < m.Cols(); ++j) {
            if (!IsZero(m(i, j)) || rng() % 3 == 0) {
                pattern[static_cast<std::size_t>(i)].push_back(j);
            }
        }
    }
    SparseMatrixT<T> s;
    s.SetPattern(m.Rows(), m.Cols(), pattern);
    for (int i = 0; i < m.Rows(); ++i) {
        for (int k = s.RowBegin(i); k < s.RowEnd(i); ++k) {
            s.ValueAt(k) = m(i, s.ColumnAt(k));
        }
    }
    return s;
}

// Stored zeros are never pivots, factors or terms that change a sum.
TEST(SparseAlgebra, StoredZerosInTheArgumentsChangeNothing) {
    unsigned seed = 500;
    for (const auto& [name, m] : SquareTable()) {
        SCOPED_TRACE(name);
        const SparseMatrix a = WithStoredZeros(m, ++seed);
        ASSERT_GE(a.NonzeroCount(), Sparse(m).NonzeroCount());
        const Matrix other = RandomMatrix(m.Rows(), m.Cols(), 0.3, ++seed);
        const SparseMatrix b = WithStoredZeros(other, ++seed);
        EXPECT_TRUE(SameEntries(SparseProduct(a, b), engine::Product(m, other)));
        EXPECT_TRUE(SameEntries(SparseProduct(b, a), engine::Product(other, m)));
        EXPECT_TRUE(SameEntries(SparseSum(a, b), engine::Sum(m, other)));
        EXPECT_TRUE(SameEntries(SparseDifference(b, a), engine::Difference(other, m)));
        EXPECT_TRUE(
            SameEntries(SparseNegated(a), engine::Difference(Matrix(m.Rows(), m.Cols()), m)));
        EXPECT_EQ(SparseIsSingular(a), m.IsSingular());
        try {
            const Matrix inverse = engine::Inverse(m);
            EXPECT_TRUE(SameEntries(SparseInverse(a), inverse));
        } catch (const MatrixError&) {
            EXPECT_THROW(SparseInverse(a), MatrixError);
        }
    }
}

// The transient step's products: out = A·v, and out += scale·(A·v) with the sum
// scaled once (the dense step's AddRowProduct: RowIndexedTimes, then out[i] +=
// scale * sum). Scaling term by term would round differently.
TEST(SparseVectorProducts, MatchTheTransientStepsDenseProducts) {
    int termByTermDiffers = 0;
    for (const auto& [name, m] : ShapeTable()) {
        SCOPED_TRACE(name);
        Matrix indexed = m;
        indexed.BuildRowIndex();
        Vector v(m.Cols());
        for (int j = 0; j < m.Cols(); ++j) {
            v[j] = kAwkward[(j * 5 + 3) % std::size(kAwkward)] * (j % 3 == 0 ? -1 : 1);
        }
        Vector dense;
        engine::RowIndexedTimes(indexed, v, dense);
        Vector sparse(3); // resized by the product
        engine::SparseTimes(Sparse(m), v, sparse);
        ASSERT_EQ(sparse.Size(), m.Rows());
        for (int i = 0; i < m.Rows(); ++i) {
            EXPECT_EQ(sparse[i], dense[i]) << "row " << i;
        }
        for (double scale : {1.0, -1.0, 1.0 / 3}) {
            Vector start(m.Rows());
            for (int i = 0; i < m.Rows(); ++i) {
                start[i] = kAwkward[(i * 3 + 1) % std::size(kAwkward)];
            }
            Vector out = start;
            engine::SparseAddTimes(Sparse(m), v, scale, out);
            for (int i = 0; i < m.Rows(); ++i) {
                EXPECT_EQ(out[i], start[i] + scale * dense[i]) << "row " << i;
                double termByTerm = start[i];
                for (int j = 0; j < m.Cols(); ++j) {
                    termByTerm += m(i, j) != 0 ? scale * m(i, j) * v[j] : 0.0;
                }
                termByTermDiffers += termByTerm != out[i] ? 1 : 0;
            }
        }
    }
    EXPECT_GT(termByTermDiffers, 0) << "the table should tell the two summations apart";
    Vector wrongSize(2);
    EXPECT_THROW(engine::SparseAddTimes(Sparse(Matrix(3, 2)), Vector(2), 1.0, wrongSize),
                 MatrixError);
}

// The complex element type goes through the same code.
ComplexMatrix RandomComplex(int rows, int cols, double density, unsigned seed) {
    const Matrix re = RandomMatrix(rows, cols, density, seed);
    const Matrix im = RandomMatrix(rows, cols, density, seed + 1);
    ComplexMatrix z(rows, cols);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            z(i, j) = Complex(re(i, j), im(i, j));
        }
    }
    return z;
}

TEST(SparseAlgebraComplex, MatchesTheDenseOperationsBitForBit) {
    for (int n : {5, 18}) {
        SCOPED_TRACE(n);
        ComplexMatrix a = RandomComplex(n, n, 0.3, static_cast<unsigned>(n));
        for (int i = 0; i < n; ++i) {
            a(i, (i * 7) % n) += Complex(kAwkward[i % std::size(kAwkward)], 0.5);
        }
        const ComplexMatrix b = RandomComplex(n, n + 2, 0.3, static_cast<unsigned>(n) + 10);
        EXPECT_TRUE(SameEntries(SparseProduct(Sparse(a), Sparse(b)), engine::Product(a, b)));
        const ComplexMatrix c = RandomComplex(n, n, 0.5, static_cast<unsigned>(n) + 20);
        EXPECT_TRUE(SameEntries(SparseSum(Sparse(a), Sparse(c)), engine::Sum(a, c)));
        EXPECT_TRUE(SameEntries(SparseDifference(Sparse(a), Sparse(c)), engine::Difference(a, c)));
        ComplexMatrix shifted = a;
        shifted.AddToDiagonal(Complex(0, 1.0 / 3));
        EXPECT_TRUE(SameEntries(SparseAddToDiagonal(Sparse(a), Complex(0, 1.0 / 3)), shifted));
        ExpectInverseLikeDense(a);
        EXPECT_EQ(SparseIsSingular(Sparse(a)), a.IsSingular());
    }
}

} // namespace
} // namespace engine_test
