#include "engine/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

using korvanix::engine::Complex;
using korvanix::engine::ComplexMatrix;
using korvanix::engine::ComplexVector;
using korvanix::engine::Matrix;
using korvanix::engine::MatrixError;
using korvanix::engine::MatrixT;
using korvanix::engine::Vector;
using korvanix::engine::VectorT;

namespace {

template <class T> MatrixT<T> Make(const std::vector<std::vector<T>>& rows, int cols = -1) {
    const int r = static_cast<int>(rows.size());
    const int c = cols >= 0 ? cols : (r > 0 ? static_cast<int>(rows[0].size()) : 0);
    MatrixT<T> m(r, c);
    for (int i = 0; i < r; ++i) {
        for (int j = 0; j < c; ++j) {
            m.At(i, j) = rows[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
        }
    }
    return m;
}

Matrix M(const std::vector<std::vector<double>>& rows, int cols = -1) {
    return Make<double>(rows, cols);
}

template <class T> std::vector<std::vector<T>> Entries(const MatrixT<T>& m) {
    std::vector<std::vector<T>> out(static_cast<std::size_t>(m.Rows()));
    for (int i = 0; i < m.Rows(); ++i) {
        out[static_cast<std::size_t>(i)].assign(m.Row(i), m.Row(i) + m.Cols());
    }
    return out;
}

template <class T> void ExpectEqualEntries(const MatrixT<T>& actual, const MatrixT<T>& expected) {
    ASSERT_EQ(actual.Rows(), expected.Rows());
    ASSERT_EQ(actual.Cols(), expected.Cols());
    for (int i = 0; i < actual.Rows(); ++i) {
        for (int j = 0; j < actual.Cols(); ++j) {
            EXPECT_TRUE(actual.At(i, j) == expected.At(i, j)) << "entry " << i << "," << j;
        }
    }
}

double Distance(double a, double b) {
    return std::fabs(a - b);
}
double Distance(const Complex& a, const Complex& b) {
    return (a - b).Magnitude();
}

template <class T> void ExpectIdentity(const MatrixT<T>& m, double tolerance) {
    ASSERT_EQ(m.Rows(), m.Cols());
    for (int i = 0; i < m.Rows(); ++i) {
        for (int j = 0; j < m.Cols(); ++j) {
            EXPECT_LE(Distance(m.At(i, j), T(i == j ? 1.0 : 0.0)), tolerance)
                << "entry " << i << "," << j;
        }
    }
}

// Random matrix in which about `density` of the entries are nonzero values in
// [-1, 1) that round in products.
template <class T> MatrixT<T> RandomSparse(std::mt19937& rng, int rows, int cols, double density);

template <> Matrix RandomSparse<double>(std::mt19937& rng, int rows, int cols, double density) {
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    Matrix m(rows, cols);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            if (coin(rng) < density) {
                m.At(i, j) = value(rng);
            }
        }
    }
    return m;
}

template <>
ComplexMatrix RandomSparse<Complex>(std::mt19937& rng, int rows, int cols, double density) {
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    ComplexMatrix m(rows, cols);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            const double draw = coin(rng);
            if (draw < density / 3) {
                m.At(i, j) = Complex(value(rng), 0); // real part only
            } else if (draw < 2 * density / 3) {
                m.At(i, j) = Complex(0, value(rng)); // imaginary part only
            } else if (draw < density) {
                m.At(i, j) = Complex(value(rng), value(rng));
            }
        }
    }
    return m;
}

// The textbook loops the library's shortcuts must reproduce bit for bit.
template <class T> MatrixT<T> NaiveProduct(const MatrixT<T>& a, const MatrixT<T>& b) {
    MatrixT<T> c(a.Rows(), b.Cols());
    for (int i = 0; i < a.Rows(); ++i) {
        for (int j = 0; j < b.Cols(); ++j) {
            T sum = T();
            for (int k = 0; k < a.Cols(); ++k) {
                sum += a.At(i, k) * b.At(k, j);
            }
            c.At(i, j) = sum;
        }
    }
    return c;
}

double NaiveMagnitude(double x) {
    return std::fabs(x);
}
double NaiveMagnitude(const Complex& z) {
    return z.Magnitude();
}

template <class T> int NaivePivot(const std::vector<std::vector<T>>& w, int c) {
    double best = -1.0;
    int p = -1;
    for (int r = c; r < static_cast<int>(w.size()); ++r) {
        const double m =
            NaiveMagnitude(w[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
        if (m > best && m != 0) {
            best = m;
            p = r;
        }
    }
    return p;
}

template <class T> T NaiveDeterminant(const MatrixT<T>& a) {
    auto w = Entries(a);
    const int n = a.Rows();
    T result = T(1);
    for (int c = 0; c < n; ++c) {
        const int p = NaivePivot(w, c);
        if (p < 0) {
            return T();
        }
        if (p != c) {
            std::swap(w[static_cast<std::size_t>(p)], w[static_cast<std::size_t>(c)]);
            result = -result;
        }
        auto& pr = w[static_cast<std::size_t>(c)];
        result = result * pr[static_cast<std::size_t>(c)];
        for (int k = c + 1; k < n; ++k) {
            auto& row = w[static_cast<std::size_t>(k)];
            const T f = row[static_cast<std::size_t>(c)] / pr[static_cast<std::size_t>(c)];
            for (int l = c + 1; l < n; ++l) {
                row[static_cast<std::size_t>(l)] -= f * pr[static_cast<std::size_t>(l)];
            }
        }
    }
    return result;
}

template <class T> MatrixT<T> NaiveInverse(const MatrixT<T>& a) {
    auto w = Entries(a);
    const int n = a.Rows();
    std::vector<std::vector<T>> r(static_cast<std::size_t>(n),
                                  std::vector<T>(static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) {
        r[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = T(1);
    }
    for (int c = 0; c < n; ++c) {
        const int p = NaivePivot(w, c);
        if (p < 0) {
            throw MatrixError();
        }
        std::swap(w[static_cast<std::size_t>(p)], w[static_cast<std::size_t>(c)]);
        std::swap(r[static_cast<std::size_t>(p)], r[static_cast<std::size_t>(c)]);
        const T s = T(1) / w[static_cast<std::size_t>(c)][static_cast<std::size_t>(c)];
        for (int l = 0; l < n; ++l) {
            w[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)] =
                w[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)] * s;
            r[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)] =
                r[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)] * s;
        }
        for (int k = 0; k < n; ++k) {
            if (k == c) {
                continue;
            }
            const T f = w[static_cast<std::size_t>(k)][static_cast<std::size_t>(c)];
            for (int l = 0; l < n; ++l) {
                w[static_cast<std::size_t>(k)][static_cast<std::size_t>(l)] -=
                    f * w[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)];
                r[static_cast<std::size_t>(k)][static_cast<std::size_t>(l)] -=
                    f * r[static_cast<std::size_t>(c)][static_cast<std::size_t>(l)];
            }
        }
    }
    return Make<T>(r, n);
}

} // namespace

// ---------------------------------------------------------------- Complex

TEST(ComplexTest, ArithmeticTable) {
    struct Case {
        const char* name;
        Complex result;
        Complex expected;
    };
    const Complex a(1, 2);
    const Complex b(3, -4);
    Complex accumulated(1, 1);
    accumulated += Complex(2, 3);
    accumulated -= Complex(0.5, 5);
    Complex negated(1, -2);
    negated.Negate();
    const Case cases[] = {
        {"sum", a + b, Complex(4, -2)},
        {"difference", a - b, Complex(-2, 6)},
        {"product", a * b, Complex(11, 2)},      // (3+8) + j(-4+6)
        {"quotient", a / b, Complex(-0.2, 0.4)}, // (3-8)/25 + j(6+4)/25
        {"real quotient", Complex(6) / Complex(4), Complex(1.5, 0)},
        {"by zero", a / Complex(0, 0), Complex(1e30, 1e30)},
        {"zero by zero", Complex() / Complex(), Complex(1e30, 1e30)},
        {"by negative zero", a / Complex(-0.0, -0.0), Complex(1e30, 1e30)},
        {"unary minus", -a, Complex(-1, -2)},
        {"negate in place", negated, Complex(-1, 2)},
        {"add and subtract in place", accumulated, Complex(2.5, -1)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result.re, c.expected.re) << c.name;
        EXPECT_EQ(c.result.im, c.expected.im) << c.name;
    }
}

TEST(ComplexTest, MagnitudeAndExactEquality) {
    EXPECT_EQ(Complex(3, 4).Magnitude(), 5.0);
    EXPECT_EQ(Complex(-3, -4).Magnitude(), 5.0);
    EXPECT_EQ(Complex().Magnitude(), 0.0);
    EXPECT_TRUE(Complex(1, 2) == Complex(1, 2));
    EXPECT_TRUE(Complex(1, 2) != Complex(1, 2.0000000000000004));
    EXPECT_TRUE(Complex(0.1 + 0.2) != Complex(0.3)); // no tolerance
    EXPECT_TRUE(Complex(2) == Complex(2, 0));
}

TEST(MatrixErrorTest, CarriesOnlyItsText) {
    const MatrixError error;
    EXPECT_STREQ(error.what(), "Matrix/Vector operation error");
    const std::runtime_error& base = error;
    EXPECT_STREQ(base.what(), "Matrix/Vector operation error");
}

// ---------------------------------------------------------------- shape and access

TEST(MatrixAccessTest, AtChecksBothBounds) {
    Matrix m(2, 3);
    const Matrix& cm = m;
    struct Case {
        int i, j;
        bool ok;
    };
    const Case cases[] = {{0, 0, true},   {1, 2, true},   {2, 0, false}, {0, 3, false},
                          {-1, 0, false}, {0, -1, false}, {2, 3, false}};
    for (const Case& c : cases) {
        if (c.ok) {
            EXPECT_NO_THROW(m.At(c.i, c.j)) << c.i << "," << c.j;
            EXPECT_NO_THROW(cm.At(c.i, c.j)) << c.i << "," << c.j;
        } else {
            EXPECT_THROW(m.At(c.i, c.j), MatrixError) << c.i << "," << c.j;
            EXPECT_THROW(cm.At(c.i, c.j), MatrixError) << c.i << "," << c.j;
        }
    }
    m.At(1, 2) = 7;
    EXPECT_EQ(m.Row(1)[2], 7);
    EXPECT_THROW(Matrix().At(0, 0), MatrixError);
    ComplexMatrix cmx(1, 1);
    EXPECT_THROW(cmx.At(1, 0), MatrixError);
}

TEST(MatrixAccessTest, NewEntriesAreZero) {
    ComplexMatrix c(2, 2);
    Matrix r(2, 2);
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            EXPECT_TRUE(c.At(i, j) == Complex(0, 0));
            EXPECT_EQ(r.At(i, j), 0.0);
        }
    }
}

TEST(VectorTest, SizeResizeAndAt) {
    Vector v(3);
    EXPECT_EQ(v.Size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i], 0.0);
        v.At(i) = i + 1;
    }
    EXPECT_THROW(v.At(3), MatrixError);
    EXPECT_THROW(v.At(-1), MatrixError);
    v.Resize(5);
    EXPECT_EQ(v.Size(), 5);
    EXPECT_EQ(v[2], 3.0);
    EXPECT_EQ(v[4], 0.0);
    v.Resize(2);
    EXPECT_EQ(v.Size(), 2);
    EXPECT_EQ(v[1], 2.0);
    EXPECT_THROW(v.At(2), MatrixError);

    Vector copy;
    copy = v;
    copy[0] = 10;
    EXPECT_EQ(copy.Size(), 2);
    EXPECT_EQ(v[0], 1.0);

    ComplexVector cv(1);
    cv.Resize(3);
    EXPECT_TRUE(cv.At(2) == Complex());
    EXPECT_EQ(Vector().Size(), 0);
}

TEST(MatrixShapeTest, ResizeKeepsTopLeftBlockAndDropsIndexes) {
    ComplexMatrix m = Make<Complex>({{1, 2, 3}, {4, 5, 6}});
    m.BuildRowIndex();
    m.BuildColumnIndex();
    m.Resize(3, 2);
    EXPECT_EQ(m.Rows(), 3);
    EXPECT_EQ(m.Cols(), 2);
    EXPECT_FALSE(m.RowIndex().valid);
    EXPECT_FALSE(m.ColumnIndex().valid);
    ExpectEqualEntries(m, Make<Complex>({{1, 2}, {4, 5}, {0, 0}}));

    // Same shape: entries stay, indexes still go.
    m.BuildRowIndex();
    m.Resize(3, 2);
    EXPECT_FALSE(m.RowIndex().valid);
    EXPECT_TRUE(m.At(1, 1) == Complex(5));

    m.Resize(0, 0);
    EXPECT_EQ(m.Rows(), 0);
    EXPECT_EQ(m.Cols(), 0);
}

TEST(MatrixShapeTest, ResizeZeroedKeepsStaleIndexOnlyForSameShape) {
    Matrix m = M({{0, 2}, {3, 0}});
    m.BuildRowIndex();
    m.BuildColumnIndex();
    m.ResizeZeroed(2, 2);
    ExpectEqualEntries(m, M({{0, 0}, {0, 0}}));
    // The index still describes the entries as they were.
    ASSERT_TRUE(m.RowIndex().valid);
    ASSERT_TRUE(m.ColumnIndex().valid);
    EXPECT_EQ(m.RowIndex().positions, (std::vector<std::vector<int>>{{1}, {0}}));
    EXPECT_EQ(m.ColumnIndex().positions, (std::vector<std::vector<int>>{{1}, {0}}));

    m.ResizeZeroed(2, 3);
    EXPECT_FALSE(m.RowIndex().valid);
    EXPECT_FALSE(m.ColumnIndex().valid);
    ExpectEqualEntries(m, M({{0, 0, 0}, {0, 0, 0}}));
}

TEST(MatrixShapeTest, SetZeroKeepsShapeAndIndexes) {
    ComplexMatrix m = Make<Complex>({{Complex(1, 1), 0}});
    m.BuildRowIndex();
    m.SetZero();
    EXPECT_EQ(m.Cols(), 2);
    EXPECT_TRUE(m.At(0, 0) == Complex());
    EXPECT_TRUE(m.RowIndex().valid);
    EXPECT_EQ(m.RowIndex().counts, std::vector<int>{1});
}

TEST(MatrixShapeTest, CopiesAreDeepAndCarryNoIndexes) {
    Matrix original = M({{1, 0}, {0, 2}});
    original.BuildRowIndex();
    original.BuildColumnIndex();

    Matrix copy(original);
    EXPECT_FALSE(copy.RowIndex().valid);
    EXPECT_FALSE(copy.ColumnIndex().valid);
    copy.At(0, 0) = 9;
    EXPECT_EQ(original.At(0, 0), 1.0);
    EXPECT_TRUE(original.RowIndex().valid);

    Matrix assigned(5, 5);
    assigned.BuildRowIndex();
    assigned = original;
    EXPECT_EQ(assigned.Rows(), 2);
    EXPECT_FALSE(assigned.RowIndex().valid);
    EXPECT_FALSE(assigned.ColumnIndex().valid);
    assigned.At(1, 1) = 7;
    EXPECT_EQ(original.At(1, 1), 2.0);

    // Self-assignment is an assignment too: the indexes go, the entries stay.
    Matrix& alias = original;
    original = alias;
    EXPECT_FALSE(original.RowIndex().valid);
    EXPECT_EQ(original.At(1, 1), 2.0);
}

TEST(MatrixShapeTest, MoveHandsOverEntriesWithTheirIndexes) {
    Matrix source = M({{0, 3}});
    source.BuildRowIndex();
    Matrix moved(std::move(source));
    EXPECT_TRUE(moved.RowIndex().valid);
    EXPECT_EQ(moved.At(0, 1), 3.0);
    EXPECT_EQ(source.Rows(), 0); // NOLINT(bugprone-use-after-move): defined as empty
    EXPECT_EQ(source.Cols(), 0);
    EXPECT_FALSE(source.RowIndex().valid);

    Matrix target(4, 4);
    target = std::move(moved);
    EXPECT_EQ(target.Rows(), 1);
    EXPECT_TRUE(target.RowIndex().valid);
    EXPECT_EQ(moved.Rows(), 0); // NOLINT(bugprone-use-after-move)
}

TEST(MatrixIndexTest, ListsExactlyNonzeroEntriesInOrder) {
    Matrix m = M({{0, 1, 0, 2}, {0, 0, 0, 0}, {-0.0, 1e-300, 0, NAN}});
    m.BuildRowIndex();
    m.BuildColumnIndex();
    EXPECT_EQ(m.RowIndex().positions, (std::vector<std::vector<int>>{{1, 3}, {}, {1, 3}}));
    EXPECT_EQ(m.RowIndex().counts, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(m.ColumnIndex().positions, (std::vector<std::vector<int>>{{}, {0, 2}, {}, {0, 2}}));
    EXPECT_EQ(m.ColumnIndex().counts, (std::vector<int>{0, 2, 0, 2}));

    // Rebuilding replaces the old lists.
    m.At(1, 2) = 5;
    m.BuildRowIndex();
    EXPECT_EQ(m.RowIndex().positions[1], std::vector<int>{2});
    EXPECT_EQ(m.ColumnIndex().positions[2], std::vector<int>{}); // not rebuilt

    // A complex entry counts when either part differs from zero.
    ComplexMatrix c = Make<Complex>({{Complex(0, 1), Complex(0, 0), Complex(2, 0)}});
    c.BuildRowIndex();
    EXPECT_EQ(c.RowIndex().positions[0], (std::vector<int>{0, 2}));
}

// ---------------------------------------------------------------- element-wise

TEST(MatrixElementwiseTest, SumsDifferencesAndNegation) {
    const Matrix a = M({{1, 2}, {3, 4}});
    const Matrix b = M({{10, 20}, {30, 40}});

    Matrix m = a;
    m.AddInPlace(b);
    ExpectEqualEntries(m, M({{11, 22}, {33, 44}}));
    m.SubtractInPlace(a);
    ExpectEqualEntries(m, b);
    m.AddToDiagonal(0.5);
    ExpectEqualEntries(m, M({{10.5, 20}, {30, 40.5}}));
    m.AddInPlace(m); // aliasing is harmless element-wise
    ExpectEqualEntries(m, M({{21, 40}, {60, 81}}));

    ExpectEqualEntries(Difference(b, a), M({{9, 18}, {27, 36}}));
    ExpectEqualEntries(Sum(Make<Complex>({{Complex(1, 1)}}), Make<Complex>({{Complex(2, -3)}})),
                       Make<Complex>({{Complex(3, -2)}}));

    Matrix out(7, 7);
    out.BuildRowIndex();
    a.Negated(out);
    ExpectEqualEntries(out, M({{-1, -2}, {-3, -4}}));
    EXPECT_FALSE(out.RowIndex().valid);
    Matrix self = a;
    self.BuildRowIndex();
    self.Negated(self);
    ExpectEqualEntries(self, M({{-1, -2}, {-3, -4}}));
    EXPECT_FALSE(self.RowIndex().valid);

    ExpectEqualEntries(Transpose(M({{1, 2, 3}, {4, 5, 6}})), M({{1, 4}, {2, 5}, {3, 6}}));
    EXPECT_EQ(Transpose(Matrix(3, 0)).Rows(), 0);
    EXPECT_EQ(Transpose(Matrix(3, 0)).Cols(), 3);
}

TEST(MatrixConcatTest, JoinsColumnsIncludingEmptyBlocks) {
    const Matrix a = M({{1, 2}, {3, 4}, {5, 6}});
    Matrix m;
    m.ConcatColumns(a, Matrix(3, 0));
    ExpectEqualEntries(m, a);
    m.ConcatColumns(Matrix(3, 0), a);
    ExpectEqualEntries(m, a);
    m.ConcatColumns(a, M({{7}, {8}, {9}}));
    ExpectEqualEntries(m, M({{1, 2, 7}, {3, 4, 8}, {5, 6, 9}}));

    // The target may be one of the blocks.
    m = a;
    m.ConcatColumns(m, m);
    ExpectEqualEntries(m, M({{1, 2, 1, 2}, {3, 4, 3, 4}, {5, 6, 5, 6}}));

    Matrix target = M({{42}});
    target.BuildRowIndex();
    EXPECT_THROW(target.ConcatColumns(a, M({{1, 2}, {3, 4}})), MatrixError);
    ExpectEqualEntries(target, M({{42}}));
    EXPECT_TRUE(target.RowIndex().valid);
}

// ---------------------------------------------------------------- products

TEST(MatrixProductTest, HandComputedProducts) {
    const Matrix a = M({{1, 2, 0}, {0, -1, 3}});
    const Matrix b = M({{2, 0}, {1, 1}, {0, 4}});
    const Matrix expected = M({{4, 2}, {-1, 11}});

    Matrix target(5, 1);
    target.BuildRowIndex();
    target.MultiplyInto(a, b);
    ExpectEqualEntries(target, expected);
    EXPECT_FALSE(target.RowIndex().valid); // reshaped

    ExpectEqualEntries(Product(a, b), expected);
    ExpectEqualEntries(Product(b, a), M({{2, 4, 0}, {1, 1, 3}, {0, -4, 12}}));

    const Vector v = [] {
        Vector x(3);
        x[0] = 1;
        x[1] = -2;
        x[2] = 0.5;
        return x;
    }();
    const Vector av = TimesVector(a, v);
    ASSERT_EQ(av.Size(), 2);
    EXPECT_EQ(av[0], -3.0);
    EXPECT_EQ(av[1], 3.5);

    // Complex: (1+j)(1-j) = 2, j·j = -1.
    const ComplexMatrix ca = Make<Complex>({{Complex(1, 1), Complex(0, 1)}});
    const ComplexMatrix cb = Make<Complex>({{Complex(1, -1)}, {Complex(0, 1)}});
    ExpectEqualEntries(Product(ca, cb), Make<Complex>({{Complex(1, 0)}}));

    // Inner dimension zero: a zero matrix of the outer shape.
    ExpectEqualEntries(Product(Matrix(2, 0), Matrix(0, 3)), Matrix(2, 3));
}

TEST(MatrixProductTest, TargetMayBeAFactor) {
    const Matrix a = M({{1, 2}, {3, 4}});
    const Matrix b = M({{0, 1}, {1, 0}});
    Matrix m = a;
    m.MultiplyInto(m, b);
    ExpectEqualEntries(m, M({{2, 1}, {4, 3}}));
    m = a;
    m.MultiplyInto(b, m);
    ExpectEqualEntries(m, M({{3, 4}, {1, 2}}));
    m = a;
    m.MultiplyInto(m, m);
    ExpectEqualEntries(m, M({{7, 10}, {15, 22}}));

    m = a;
    m.BuildRowIndex();
    m.MultiplyRowIndexed(m, b);
    ExpectEqualEntries(m, M({{2, 1}, {4, 3}}));
    Matrix c = b;
    c.BuildColumnIndex();
    c.MultiplyColumnIndexed(a, c);
    ExpectEqualEntries(c, M({{2, 1}, {4, 3}}));
}

TEST(MatrixProductTest, SameShapedTargetKeepsItsIndexes) {
    const Matrix a = M({{1, 0}, {0, 1}});
    Matrix target = M({{5, 0}, {0, 0}});
    target.BuildRowIndex();
    target.MultiplyInto(a, a);
    ExpectEqualEntries(target, a);
    ASSERT_TRUE(target.RowIndex().valid);
    EXPECT_EQ(target.RowIndex().counts, (std::vector<int>{1, 0})); // stale, as documented
}

TEST(MatrixProductTest, IndexedProductsNeedAValidIndex) {
    const Matrix a = M({{1, 2}, {3, 4}});
    const Matrix b = M({{5, 6}, {7, 8}});
    Matrix target = M({{1}});
    target.BuildRowIndex();
    EXPECT_THROW(target.MultiplyRowIndexed(a, b), MatrixError);
    EXPECT_THROW(target.MultiplyColumnIndexed(a, b), MatrixError);
    // The index must be on the right operand: A's column index or B's row index
    // does not qualify.
    Matrix ai = a;
    ai.BuildColumnIndex();
    Matrix bi = b;
    bi.BuildRowIndex();
    EXPECT_THROW(target.MultiplyRowIndexed(ai, bi), MatrixError);
    EXPECT_THROW(target.MultiplyColumnIndexed(ai, bi), MatrixError);
    ExpectEqualEntries(target, M({{1}}));
    EXPECT_TRUE(target.RowIndex().valid);

    ComplexMatrix ca(2, 2);
    ComplexMatrix out;
    EXPECT_THROW(out.MultiplyRowIndexed(ca, ca), MatrixError);
    EXPECT_THROW(out.MultiplyColumnIndexed(ca, ca), MatrixError);
}

TEST(MatrixProductTest, StaleIndexSumsOnlyListedTerms) {
    Matrix a = M({{1, 0}, {0, 1}});
    a.BuildRowIndex();
    a.At(0, 1) = 100; // not in the index
    const Matrix b = M({{1, 2}, {3, 4}});
    Matrix target;
    target.MultiplyRowIndexed(a, b);
    ExpectEqualEntries(target, M({{1, 2}, {3, 4}}));

    Matrix bb = b;
    bb.BuildColumnIndex();
    bb.At(0, 0) = 0; // still listed: read as it is now
    target.MultiplyColumnIndexed(M({{1, 1}}), bb);
    ExpectEqualEntries(target, M({{3, 6}}));
}

// The shortcuts (zero skipping, indexes) must give exactly the plain loop's
// numbers, not just close ones: results feed exact-zero tests downstream.
template <class T> void CheckShortcutsAgainstNaiveLoops(unsigned seed) {
    std::mt19937 rng(seed);
    for (double density : {0.0, 0.1, 0.3, 1.0}) {
        const MatrixT<T> a = RandomSparse<T>(rng, 23, 17, density);
        const MatrixT<T> b = RandomSparse<T>(rng, 17, 19, density);
        const MatrixT<T> expected = NaiveProduct(a, b);

        ExpectEqualEntries(Product(a, b), expected);
        MatrixT<T> ai = a;
        ai.BuildRowIndex();
        MatrixT<T> bi = b;
        bi.BuildColumnIndex();
        MatrixT<T> target;
        target.MultiplyRowIndexed(ai, b);
        ExpectEqualEntries(target, expected);
        target.MultiplyColumnIndexed(a, bi);
        ExpectEqualEntries(target, expected);

        VectorT<T> v(17);
        for (int k = 0; k < 17; ++k) {
            v[k] = b.At(k, 3);
        }
        const VectorT<T> av = TimesVector(a, v);
        for (int i = 0; i < a.Rows(); ++i) {
            EXPECT_TRUE(av[i] == expected.At(i, 3)) << "row " << i;
        }
    }
    // Eliminations: sparse but regular enough to invert (a dominant diagonal).
    for (double density : {0.05, 0.2, 0.6}) {
        MatrixT<T> s = RandomSparse<T>(rng, 30, 30, density);
        for (int i = 0; i < 30; ++i) {
            s.At(i, i) = s.At(i, i) + T(i % 2 ? 0.75 : -0.5);
        }
        const T det = s.Determinant();
        EXPECT_TRUE(det == NaiveDeterminant(s)) << "density " << density;
        ExpectEqualEntries(Inverse(s), NaiveInverse(s));
    }
}

TEST(MatrixProductTest, ShortcutsAreBitIdenticalToNaiveLoopsReal) {
    CheckShortcutsAgainstNaiveLoops<double>(12345u);
}

TEST(MatrixProductTest, ShortcutsAreBitIdenticalToNaiveLoopsComplex) {
    CheckShortcutsAgainstNaiveLoops<Complex>(777u);
}

// ---------------------------------------------------------------- row scaling

TEST(MatrixScaleTest, ScaleRowsMultipliesEachRowByItsFactor) {
    const ComplexMatrix m = Make<Complex>({{1, Complex(0, 2)}, {3, 4}});
    ComplexVector v(2);
    v[0] = Complex(0, 1);
    v[1] = 2;
    ExpectEqualEntries(ScaleRows(m, v), Make<Complex>({{Complex(0, 1), Complex(-2, 0)}, {6, 8}}));
    ExpectEqualEntries(ScaleRows(M({{1, 2}}),
                                 [] {
                                     Vector x(1);
                                     x[0] = -3;
                                     return x;
                                 }()),
                       M({{-3, -6}}));
}

TEST(MatrixScaleTest, ScaleRowsIndexedWritesOnlyListedPositions) {
    ComplexMatrix m = Make<Complex>({{1, 0, 2}, {0, 3, 0}});
    ComplexVector v(2);
    v[0] = 10;
    v[1] = Complex(0, 1);
    const ComplexMatrix full = Make<Complex>({{10, 0, 20}, {0, Complex(0, 3), 0}});

    struct Case {
        const char* name;
        bool rowIndex;
        bool columnIndex;
    };
    for (const Case& c :
         {Case{"row", true, false}, Case{"column", false, true}, Case{"both", true, true}}) {
        ComplexMatrix src = m;
        if (c.rowIndex) {
            src.BuildRowIndex();
        }
        if (c.columnIndex) {
            src.BuildColumnIndex();
        }
        ComplexMatrix target = Make<Complex>({{99}});
        target.ScaleRowsIndexed(v, src);
        SCOPED_TRACE(c.name);
        ExpectEqualEntries(target, full);
    }

    // Positions missing from a stale index stay zero; the union of both indexes
    // is written.
    ComplexMatrix stale = m;
    stale.BuildRowIndex();
    stale.At(0, 1) = 5;
    stale.At(1, 0) = 7;
    stale.BuildColumnIndex(); // lists (0,1) and (1,0) too, but not row-wise
    stale.At(1, 2) = 4;       // in neither index
    ComplexMatrix target;
    target.ScaleRowsIndexed(v, stale);
    ExpectEqualEntries(target, Make<Complex>({{10, 50, 20}, {Complex(0, 7), Complex(0, 3), 0}}));

    // Scaling a matrix by itself keeps its (same-shaped) indexes.
    ComplexMatrix self = m;
    self.BuildRowIndex();
    self.ScaleRowsIndexed(v, self);
    ExpectEqualEntries(self, full);
    EXPECT_TRUE(self.RowIndex().valid);

    // A pre-existing target of the same shape is zeroed everywhere else.
    ComplexMatrix filled = Make<Complex>({{1, 1, 1}, {1, 1, 1}});
    ComplexMatrix src = m;
    src.BuildColumnIndex();
    filled.ScaleRowsIndexed(v, src);
    ExpectEqualEntries(filled, full);
}

// ---------------------------------------------------------------- determinant

TEST(MatrixDeterminantTest, RealCases) {
    struct Case {
        const char* name;
        Matrix m;
        double expected;
    };
    const Case cases[] = {
        {"empty", Matrix(0, 0), 1.0},
        {"1x1", M({{-2.5}}), -2.5},
        {"one swap", M({{0, 1}, {1, 0}}), -1.0},
        {"tie keeps the first row", M({{1, 2}, {-1, 3}}), 5.0},
        {"zero column", M({{1, 0, 2}, {3, 0, 4}, {5, 0, 6}}), 0.0},
        {"zero row", M({{1, 2}, {0, 0}}), 0.0},
        {"dependent rows", M({{1, 2}, {2, 4}}), 0.0},
        {"3x3", M({{2, 0, 1}, {1, 3, 2}, {1, 1, 2}}), 6.0},
        // Three-way tie in column 0. With the first row as pivot the result
        // rounds to -22.666666666666668; taking the last tied row would give
        // -22.666666666666664.
        {"tie rounding", M({{1, 6, 4.0 / 3.0}, {-1, 7, -1}, {-1, -3, -3}}), -22.666666666666668},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m.Determinant(), c.expected) << c.name;
    }
    // The argument is untouched.
    const Matrix m = M({{0, 1}, {1, 0}});
    m.Determinant();
    ExpectEqualEntries(m, M({{0, 1}, {1, 0}}));
}

TEST(MatrixDeterminantTest, ComplexCases) {
    // det [[j, 1], [2, 1+j]] = j(1+j) - 2 = -3 + j
    const ComplexMatrix m = Make<Complex>({{Complex(0, 1), 1}, {2, Complex(1, 1)}});
    const Complex d = m.Determinant();
    EXPECT_NEAR(d.re, -3.0, 1e-15);
    EXPECT_NEAR(d.im, 1.0, 1e-15);
    EXPECT_TRUE(ComplexMatrix(0, 0).Determinant() == Complex(1, 0));
    EXPECT_TRUE(Make<Complex>({{Complex(0, 1), 0}, {Complex(0, 2), 0}}).Determinant() == Complex());
    // [[0, j], [j, 0]]: one swap, det = -(j·j) = 1.
    EXPECT_TRUE(Make<Complex>({{0, Complex(0, 1)}, {Complex(0, 1), 0}}).Determinant() ==
                Complex(1, 0));
}

// ---------------------------------------------------------------- inverse

TEST(MatrixInverseTest, ProductWithInverseIsIdentity) {
    const double tolerance = 1e-12;
    const Matrix cases[] = {
        M({{4}}),
        M({{0, 1}, {1, 0}}),
        M({{2, 1}, {1, 3}}),
        M({{1, 2, 3}, {0, 1, 4}, {5, 6, 0}}),
        M({{0, 0, 1, 0}, {2, 0, 0, 1}, {0, 3, 0, 0}, {1, 0, 0, 5}}),
    };
    for (const Matrix& a : cases) {
        SCOPED_TRACE(a.Rows());
        const Matrix inv = Inverse(a);
        ExpectIdentity(Product(a, inv), tolerance);
        ExpectIdentity(Product(inv, a), tolerance);
    }
    const ComplexMatrix c = Make<Complex>({{Complex(1, 1), Complex(0, 2), 0},
                                           {0, Complex(3, 0), Complex(0, -1)},
                                           {Complex(2, 0), 0, Complex(1, 0)}});
    ExpectIdentity(Product(c, Inverse(c)), tolerance);
}

TEST(MatrixInverseTest, ExactInverses) {
    ExpectEqualEntries(Inverse(M({{0, 2}, {4, 0}})), M({{0, 0.25}, {0.5, 0}}));
    ExpectEqualEntries(Inverse(Make<Complex>({{Complex(0, 2)}})),
                       Make<Complex>({{Complex(0, -0.5)}}));
    const Matrix empty = Inverse(Matrix(0, 0));
    EXPECT_EQ(empty.Rows(), 0);
    EXPECT_EQ(empty.Cols(), 0);
}

TEST(MatrixInverseTest, LargestPivotIsChosen) {
    // Without a row exchange the tiny leading pivot wipes out the (0, 0) entry of
    // the result: it would come out 0 instead of -1.
    const Matrix inv = Inverse(M({{1e-20, 1}, {1, 1}}));
    EXPECT_NEAR(inv.At(0, 0), -1.0, 1e-15);
    EXPECT_NEAR(inv.At(0, 1), 1.0, 1e-15);
    EXPECT_NEAR(inv.At(1, 0), 1.0, 1e-15);
    EXPECT_NEAR(inv.At(1, 1), -1e-20, 1e-30);
}

TEST(MatrixInverseTest, SingularMatricesThrow) {
    const Matrix zeroColumn = M({{1, 0}, {2, 0}});
    EXPECT_EQ(zeroColumn.Determinant(), 0.0);
    EXPECT_THROW(Inverse(zeroColumn), MatrixError);
    EXPECT_THROW(Inverse(M({{1, 2}, {2, 4}})), MatrixError);
    EXPECT_THROW(Inverse(M({{0}})), MatrixError);
    EXPECT_THROW(Inverse(Make<Complex>({{Complex(0, 1), Complex(0, 2)}, {1, 2}})), MatrixError);
}

// ---------------------------------------------------------------- preconditions

TEST(MatrixPreconditionTest, EveryMisuseThrowsAndChangesNothing) {
    const Matrix a23(2, 3);
    const Matrix a32(3, 2);
    const Matrix a22(2, 2);
    Matrix a23r = a23;
    a23r.BuildRowIndex();
    Matrix a32c = a32;
    a32c.BuildColumnIndex();
    const ComplexMatrix c23(2, 3);
    ComplexMatrix c23r(2, 3);
    c23r.BuildRowIndex();
    const Vector v2(2);
    const Vector v3(3);
    const ComplexVector cv3(3);

    // The matrix the member operations act on: its shape, entries and indexes
    // must survive every failed call.
    const Matrix original = M({{1, 0, 2}, {0, 3, 0}});
    Matrix t = original;
    t.BuildRowIndex();
    t.BuildColumnIndex();
    ComplexMatrix ct = Make<Complex>({{1, Complex(0, 1)}});
    ct.BuildRowIndex();

    struct Case {
        const char* name;
        std::function<void()> action;
    };
    const std::vector<Case> cases = {
        {"AddInPlace rows", [&] { t.AddInPlace(Matrix(3, 3)); }},
        {"AddInPlace cols", [&] { t.AddInPlace(a22); }},
        {"SubtractInPlace", [&] { t.SubtractInPlace(a32); }},
        {"complex AddInPlace", [&] { ct.AddInPlace(c23); }},
        {"AddToDiagonal non-square", [&] { t.AddToDiagonal(1); }},
        {"ConcatColumns rows", [&] { t.ConcatColumns(a23, a32); }},
        {"MultiplyInto", [&] { t.MultiplyInto(a23, a23); }},
        {"MultiplyRowIndexed shape", [&] { t.MultiplyRowIndexed(a23r, a23); }},
        {"MultiplyRowIndexed no index", [&] { t.MultiplyRowIndexed(a23, a32); }},
        {"MultiplyColumnIndexed shape", [&] { t.MultiplyColumnIndexed(a32c, a32c); }},
        {"MultiplyColumnIndexed no index", [&] { t.MultiplyColumnIndexed(a23, a32); }},
        {"complex MultiplyRowIndexed", [&] { ct.MultiplyRowIndexed(c23r, c23); }},
        {"Determinant non-square", [&] { t.Determinant(); }},
        {"complex Determinant non-square", [&] { ct.Determinant(); }},
        {"ScaleRowsIndexed size", [&] { ct.ScaleRowsIndexed(cv3, c23r); }},
        {"ScaleRowsIndexed no index", [&] { ct.ScaleRowsIndexed(ComplexVector(2), c23); }},
        {"Product", [&] { Product(a23, a23); }},
        {"complex Product", [&] { Product(c23, c23); }},
        {"TimesVector", [&] { TimesVector(a23, v2); }},
        {"Inverse non-square", [&] { Inverse(a23); }},
        {"Inverse singular", [&] { Inverse(a22); }},
        {"complex Inverse singular", [&] { Inverse(ComplexMatrix(1, 1)); }},
        {"Difference", [&] { Difference(a23, a32); }},
        {"Sum", [&] { Sum(c23, ComplexMatrix(2, 2)); }},
        {"ScaleRows", [&] { ScaleRows(a23, v3); }},
        {"complex ScaleRows", [&] { ScaleRows(c23, cv3); }},
        {"vector At", [&] { v3.At(3); }},
        {"negative matrix size", [&] { Matrix bad(-1, 2); }},
        {"negative Resize", [&] { t.Resize(2, -1); }},
        {"negative ResizeZeroed", [&] { t.ResizeZeroed(-2, 3); }},
        {"negative vector size", [&] { Vector bad(-3); }},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(c.action(), MatrixError) << c.name;
        ExpectEqualEntries(t, original);
        EXPECT_TRUE(t.RowIndex().valid) << c.name;
        EXPECT_TRUE(t.ColumnIndex().valid) << c.name;
        ASSERT_EQ(ct.Cols(), 2) << c.name;
        EXPECT_TRUE(ct.At(0, 1) == Complex(0, 1)) << c.name;
        EXPECT_TRUE(ct.RowIndex().valid) << c.name;
    }
    // The checks are shape checks, not "some index exists" checks: the same
    // operations succeed when the requirement holds.
    EXPECT_NO_THROW(t.MultiplyRowIndexed(a23r, a32));
    EXPECT_NO_THROW(t.MultiplyColumnIndexed(a23, a32c));
    EXPECT_NO_THROW(TimesVector(a23, v3));
}

namespace {

// A sound matrix whose product of pivots underflows: the singularity test must not
// take the zero determinant for an exactly singular matrix.
TEST(MatrixSingularity, IsSingularLooksAtPivotsNotAtTheirProduct) {
    using korvanix::engine::Matrix;
    Matrix small(200, 200);
    small.ResizeZeroed(200, 200);
    for (int i = 0; i < 200; ++i)
        small.At(i, i) = 1e-3;
    EXPECT_EQ(small.Determinant(), 0.0);
    EXPECT_FALSE(small.IsSingular());

    Matrix zeroColumn(3, 3);
    zeroColumn.ResizeZeroed(3, 3);
    zeroColumn.At(0, 0) = 1;
    zeroColumn.At(1, 2) = 2;
    zeroColumn.At(2, 2) = 3;
    EXPECT_TRUE(zeroColumn.IsSingular());
    EXPECT_EQ(Matrix(0, 0).IsSingular(), false);
}

} // namespace

namespace {

// The factored solve must agree with the explicit inverse it replaces.
TEST(LuSolver, SolvesLikeTheInverse) {
    using korvanix::engine::Complex;
    using korvanix::engine::ComplexMatrix;
    using korvanix::engine::ComplexVector;
    const int n = 40;
    ComplexMatrix a(n, n);
    for (int i = 0; i < n; ++i) {
        a.At(i, i) = Complex(2.0 + i * 0.01, 0.5);
        if (i > 0)
            a.At(i, i - 1) = Complex(-1, 0.1);
        if (i + 1 < n)
            a.At(i, i + 1) = Complex(-1, -0.2);
    }
    a.At(0, n - 1) = Complex(0.3, 0); // one entry far from the band
    ComplexVector b(n);
    for (int i = 0; i < n; ++i)
        b[i] = Complex(std::sin(i), std::cos(0.5 * i));

    korvanix::engine::LuSolver<Complex> lu;
    lu.Factor(a);
    ComplexVector x;
    lu.Solve(b, x);
    const ComplexMatrix inv = korvanix::engine::Inverse(a);
    for (int i = 0; i < n; ++i) {
        Complex expected;
        for (int j = 0; j < n; ++j)
            expected += inv.At(i, j) * b[j];
        // Both are backward-stable eliminations of a well-conditioned matrix.
        EXPECT_NEAR(x[i].re, expected.re, 1e-12);
        EXPECT_NEAR(x[i].im, expected.im, 1e-12);
    }
    // And A·x gives b back.
    for (int i = 0; i < n; ++i) {
        Complex sum;
        for (int j = 0; j < n; ++j)
            sum += a.At(i, j) * x[j];
        EXPECT_NEAR(sum.re, b[i].re, 1e-12);
        EXPECT_NEAR(sum.im, b[i].im, 1e-12);
    }
}

TEST(LuSolver, NeedsAPivotInEveryColumnAndAMatchingSize) {
    using korvanix::engine::Matrix;
    using korvanix::engine::Vector;
    Matrix singular(2, 2);
    singular.ResizeZeroed(2, 2);
    singular.At(0, 0) = 1;
    singular.At(1, 0) = 2;
    korvanix::engine::LuSolver<double> lu;
    EXPECT_THROW(lu.Factor(singular), korvanix::engine::MatrixError);
    EXPECT_THROW(lu.Factor(Matrix(2, 3)), korvanix::engine::MatrixError);

    Matrix swap(2, 2);
    swap.ResizeZeroed(2, 2);
    swap.At(0, 1) = 2;
    swap.At(1, 0) = 4;
    lu.Factor(swap);
    Vector b(2);
    b[0] = 6;
    b[1] = 8;
    Vector x;
    lu.Solve(b, x);
    EXPECT_EQ(x[0], 2);
    EXPECT_EQ(x[1], 3);
    EXPECT_THROW(lu.Solve(Vector(3), x), korvanix::engine::MatrixError);
}

} // namespace
