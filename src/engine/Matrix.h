#pragma once

#include "engine/Complex.h"
#include "engine/MatrixError.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace korvanix::engine {

// Positions of the exactly nonzero entries of a matrix, per row (column numbers)
// or per column (row numbers), in increasing order. It describes the entries at
// the moment it was built: writing entries afterwards leaves it stale.
struct NonzeroIndex {
    std::vector<std::vector<int>> positions;
    std::vector<int> counts;
    bool valid = false;
};

namespace detail {

inline double Magnitude(double x) {
    return std::fabs(x);
}
inline double Magnitude(const Complex& z) {
    return z.Magnitude();
}
inline bool IsNonzero(double x) {
    return x != 0;
}
inline bool IsNonzero(const Complex& z) {
    return z.re != 0 || z.im != 0;
}
inline void Require(bool condition) {
    if (!condition) {
        throw MatrixError();
    }
}

} // namespace detail

template <class T> class VectorT {
public:
    VectorT() = default;
    explicit VectorT(int n) : data_(CheckedSize(n)) {}

    int Size() const { return static_cast<int>(data_.size()); }
    void Resize(int n) { data_.resize(CheckedSize(n)); }

    T& At(int i) {
        detail::Require(i >= 0 && i < Size());
        return data_[static_cast<std::size_t>(i)];
    }
    const T& At(int i) const {
        detail::Require(i >= 0 && i < Size());
        return data_[static_cast<std::size_t>(i)];
    }
    T& operator[](int i) { return data_[static_cast<std::size_t>(i)]; }
    const T& operator[](int i) const { return data_[static_cast<std::size_t>(i)]; }
    T* Data() { return data_.data(); }
    const T* Data() const { return data_.data(); }

private:
    static std::size_t CheckedSize(int n) {
        detail::Require(n >= 0);
        return static_cast<std::size_t>(n);
    }

    std::vector<T> data_;
};

using Vector = VectorT<double>;
using ComplexVector = VectorT<Complex>;

// A dense matrix whose rows are separate arrays, so that eliminations swap rows
// by swapping two row handles. New entries are zero for both element types.
template <class T> class MatrixT {
public:
    MatrixT() = default;
    MatrixT(int rows, int cols) { Reshape(rows, cols); }

    // Copies never carry the indexes: the engine rebuilds them for the matrix it
    // actually multiplies with.
    MatrixT(const MatrixT& other)
        : rows_(other.rows_), rowCount_(other.rowCount_), colCount_(other.colCount_) {}
    MatrixT& operator=(const MatrixT& other) {
        if (this != &other) {
            rows_ = other.rows_;
            rowCount_ = other.rowCount_;
            colCount_ = other.colCount_;
        }
        DropIndexes();
        return *this;
    }
    // A move hands over the entries together with the indexes that describe them;
    // the source is left an empty 0 x 0 matrix.
    MatrixT(MatrixT&& other) noexcept
        : rows_(std::move(other.rows_)), rowCount_(other.rowCount_), colCount_(other.colCount_),
          rowIndex_(std::move(other.rowIndex_)), columnIndex_(std::move(other.columnIndex_)) {
        other.Clear();
    }
    MatrixT& operator=(MatrixT&& other) noexcept {
        if (this != &other) {
            rows_ = std::move(other.rows_);
            rowCount_ = other.rowCount_;
            colCount_ = other.colCount_;
            rowIndex_ = std::move(other.rowIndex_);
            columnIndex_ = std::move(other.columnIndex_);
            other.Clear();
        }
        return *this;
    }
    ~MatrixT() = default;

    int Rows() const { return rowCount_; }
    int Cols() const { return colCount_; }

    void Resize(int rows, int cols) {
        detail::Require(rows >= 0 && cols >= 0);
        DropIndexes();
        Reshape(rows, cols);
    }
    // With the shape unchanged the indexes survive (stale until rebuilt).
    void ResizeZeroed(int rows, int cols) {
        detail::Require(rows >= 0 && cols >= 0);
        if (rows != rowCount_ || cols != colCount_) {
            Resize(rows, cols);
        }
        SetZero();
    }
    void SetZero() {
        for (auto& row : rows_) {
            std::fill(row.begin(), row.end(), T());
        }
    }

    T& At(int i, int j) {
        CheckPosition(i, j);
        return rows_[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    }
    const T& At(int i, int j) const {
        CheckPosition(i, j);
        return rows_[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    }
    T* Row(int i) { return rows_[static_cast<std::size_t>(i)].data(); }
    const T* Row(int i) const { return rows_[static_cast<std::size_t>(i)].data(); }
    // Unchecked entry access for the engine's inner loops.
    T& operator()(int i, int j) { return Row(i)[j]; }
    const T& operator()(int i, int j) const { return Row(i)[j]; }

    void BuildRowIndex() {
        NonzeroIndex index;
        index.positions.resize(static_cast<std::size_t>(rowCount_));
        index.counts.resize(static_cast<std::size_t>(rowCount_));
        for (int i = 0; i < rowCount_; ++i) {
            const T* row = Row(i);
            auto& list = index.positions[static_cast<std::size_t>(i)];
            for (int j = 0; j < colCount_; ++j) {
                if (detail::IsNonzero(row[j])) {
                    list.push_back(j);
                }
            }
            index.counts[static_cast<std::size_t>(i)] = static_cast<int>(list.size());
        }
        index.valid = true;
        rowIndex_ = std::move(index);
    }
    void BuildColumnIndex() {
        NonzeroIndex index;
        index.positions.resize(static_cast<std::size_t>(colCount_));
        index.counts.resize(static_cast<std::size_t>(colCount_));
        for (int i = 0; i < rowCount_; ++i) {
            const T* row = Row(i);
            for (int j = 0; j < colCount_; ++j) {
                if (detail::IsNonzero(row[j])) {
                    index.positions[static_cast<std::size_t>(j)].push_back(i);
                }
            }
        }
        for (int j = 0; j < colCount_; ++j) {
            index.counts[static_cast<std::size_t>(j)] =
                static_cast<int>(index.positions[static_cast<std::size_t>(j)].size());
        }
        index.valid = true;
        columnIndex_ = std::move(index);
    }
    const NonzeroIndex& RowIndex() const { return rowIndex_; }
    const NonzeroIndex& ColumnIndex() const { return columnIndex_; }

    void AddInPlace(const MatrixT& b) {
        RequireSameShape(*this, b);
        for (int i = 0; i < rowCount_; ++i) {
            T* row = Row(i);
            const T* other = b.Row(i);
            for (int j = 0; j < colCount_; ++j) {
                row[j] += other[j];
            }
        }
    }
    void SubtractInPlace(const MatrixT& b) {
        RequireSameShape(*this, b);
        for (int i = 0; i < rowCount_; ++i) {
            T* row = Row(i);
            const T* other = b.Row(i);
            for (int j = 0; j < colCount_; ++j) {
                row[j] -= other[j];
            }
        }
    }
    void AddToDiagonal(T s) {
        detail::Require(rowCount_ == colCount_);
        for (int i = 0; i < rowCount_; ++i) {
            Row(i)[i] += s;
        }
    }
    void Negated(MatrixT& out) const {
        MatrixT result(*this);
        for (auto& row : result.rows_) {
            for (T& x : row) {
                x = -x;
            }
        }
        out = std::move(result);
    }

    // this = [A | B]. Like an assignment it leaves no index behind; A or B may be
    // this matrix itself.
    void ConcatColumns(const MatrixT& a, const MatrixT& b) {
        detail::Require(a.rowCount_ == b.rowCount_);
        MatrixT result(a.rowCount_, a.colCount_ + b.colCount_);
        for (int i = 0; i < a.rowCount_; ++i) {
            T* row = result.Row(i);
            std::copy(a.Row(i), a.Row(i) + a.colCount_, row);
            std::copy(b.Row(i), b.Row(i) + b.colCount_, row + a.colCount_);
        }
        *this = std::move(result);
    }

    // this = A·B. Each entry is summed over k in increasing order, and a term
    // whose left factor is exactly zero is skipped: for finite entries the result
    // is bit for bit that of the plain triple loop, at a fraction of its cost on
    // the engine's mostly-zero matrices.
    void MultiplyInto(const MatrixT& a, const MatrixT& b) {
        detail::Require(b.rowCount_ == a.colCount_);
        ProductTarget target(*this, a, b);
        MatrixT& out = target.Out();
        for (int i = 0; i < a.rowCount_; ++i) {
            const T* left = a.Row(i);
            T* row = out.Row(i);
            for (int k = 0; k < a.colCount_; ++k) {
                if (detail::IsNonzero(left[k])) {
                    AddScaledRow(row, left[k], b.Row(k), b.colCount_);
                }
            }
        }
        target.Finish();
    }
    // Sums only over the columns listed in A's row index (which may be stale: the
    // listed entries are read as they are now).
    void MultiplyRowIndexed(const MatrixT& a, const MatrixT& b) {
        detail::Require(b.rowCount_ == a.colCount_ && a.rowIndex_.valid);
        ProductTarget target(*this, a, b);
        MatrixT& out = target.Out();
        const auto& positions = a.rowIndex_.positions;
        for (int i = 0; i < a.rowCount_; ++i) {
            const T* left = a.Row(i);
            T* row = out.Row(i);
            for (int k : positions[static_cast<std::size_t>(i)]) {
                AddScaledRow(row, left[k], b.Row(k), b.colCount_);
            }
        }
        target.Finish();
    }
    // Sums only over the rows listed in B's column index.
    void MultiplyColumnIndexed(const MatrixT& a, const MatrixT& b) {
        detail::Require(a.colCount_ == b.rowCount_ && b.columnIndex_.valid);
        ProductTarget target(*this, a, b);
        MatrixT& out = target.Out();
        const auto& positions = b.columnIndex_.positions;
        for (int i = 0; i < a.rowCount_; ++i) {
            const T* left = a.Row(i);
            T* row = out.Row(i);
            for (int j = 0; j < b.colCount_; ++j) {
                T sum = T();
                for (int k : positions[static_cast<std::size_t>(j)]) {
                    sum += left[k] * b.Row(k)[j];
                }
                row[j] = sum;
            }
        }
        target.Finish();
    }

    // Elimination with the pivot rule of the library; an exactly singular column
    // gives zero at once (callers test the determinant before they invert).
    T Determinant() const {
        bool singular = false;
        return Eliminate(singular);
    }

    // True when the same elimination meets a column without a nonzero pivot. This
    // is the exact singularity the determinant stands for, without the product of
    // the pivots, which underflows to zero for large sound matrices.
    bool IsSingular() const {
        bool singular = false;
        Eliminate(singular);
        return singular;
    }

    // this = M with row i scaled by v[i], computed only at the positions listed in
    // M's indexes (both, when both are valid); every other entry is zero. M may
    // be this matrix itself.
    void ScaleRowsIndexed(const VectorT<T>& v, const MatrixT& m) {
        detail::Require(v.Size() == m.rowCount_ && (m.rowIndex_.valid || m.columnIndex_.valid));
        std::vector<std::vector<T>> result(static_cast<std::size_t>(m.rowCount_),
                                           std::vector<T>(static_cast<std::size_t>(m.colCount_)));
        if (m.rowIndex_.valid) {
            for (int i = 0; i < m.rowCount_; ++i) {
                for (int j : m.rowIndex_.positions[static_cast<std::size_t>(i)]) {
                    result[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
                        m.Row(i)[j] * v[i];
                }
            }
        }
        if (m.columnIndex_.valid) {
            for (int j = 0; j < m.colCount_; ++j) {
                for (int i : m.columnIndex_.positions[static_cast<std::size_t>(j)]) {
                    result[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
                        m.Row(i)[j] * v[i];
                }
            }
        }
        const int rows = m.rowCount_;
        const int cols = m.colCount_;
        if (rows != rowCount_ || cols != colCount_) {
            DropIndexes();
        }
        rows_ = std::move(result);
        rowCount_ = rows;
        colCount_ = cols;
    }

    // The pivot row for column c of a square elimination: among rows c..Rows()-1
    // the first whose magnitude is strictly the largest and nonzero; -1 when the
    // column is singular. Unchecked.
    int PivotRow(int c) const {
        double best = -1.0;
        int pivot = -1;
        for (int r = c; r < rowCount_; ++r) {
            const double magnitude = detail::Magnitude(Row(r)[c]);
            if (magnitude > best && magnitude != 0) {
                best = magnitude;
                pivot = r;
            }
        }
        return pivot;
    }
    // Exchanges two rows by their handles, without touching the entries or the
    // indexes. Unchecked.
    void SwapRows(int p, int q) {
        std::swap(rows_[static_cast<std::size_t>(p)], rows_[static_cast<std::size_t>(q)]);
    }

private:
    T Eliminate(bool& singular) const {
        detail::Require(rowCount_ == colCount_);
        const int n = rowCount_;
        MatrixT w(*this);
        T result = T(1);
        singular = false;
        for (int c = 0; c < n; ++c) {
            const int p = w.PivotRow(c);
            if (p < 0) {
                singular = true;
                return T();
            }
            if (p != c) {
                w.SwapRows(p, c);
                result = -result;
            }
            const T* pivotRow = w.Row(c);
            result = result * pivotRow[c];
            for (int k = c + 1; k < n; ++k) {
                T* row = w.Row(k);
                const T f = row[c] / pivotRow[c];
                if (!detail::IsNonzero(f)) {
                    continue;
                }
                for (int l = c + 1; l < n; ++l) {
                    row[l] -= f * pivotRow[l];
                }
            }
        }
        return result;
    }

    // Where a product is written: straight into the target, or, when the target
    // is also a factor, into a scratch matrix adopted at the end. Either way the
    // target ends with A.rows x B.cols and keeps its indexes only if its shape
    // did not change.
    class ProductTarget {
    public:
        ProductTarget(MatrixT& target, const MatrixT& a, const MatrixT& b)
            : target_(target), rows_(a.rowCount_), cols_(b.colCount_),
              aliased_(&target == &a || &target == &b) {
            if (aliased_) {
                scratch_.Reshape(rows_, cols_);
            } else {
                target_.ResizeZeroed(rows_, cols_);
            }
        }
        MatrixT& Out() { return aliased_ ? scratch_ : target_; }
        void Finish() {
            if (!aliased_) {
                return;
            }
            if (rows_ != target_.rowCount_ || cols_ != target_.colCount_) {
                target_.DropIndexes();
            }
            target_.rows_ = std::move(scratch_.rows_);
            target_.rowCount_ = rows_;
            target_.colCount_ = cols_;
        }

    private:
        MatrixT& target_;
        int rows_;
        int cols_;
        bool aliased_;
        MatrixT scratch_;
    };

    static void AddScaledRow(T* row, const T& factor, const T* source, int count) {
        for (int j = 0; j < count; ++j) {
            row[j] += factor * source[j];
        }
    }
    static void RequireSameShape(const MatrixT& a, const MatrixT& b) {
        detail::Require(a.rowCount_ == b.rowCount_ && a.colCount_ == b.colCount_);
    }
    void CheckPosition(int i, int j) const {
        detail::Require(i >= 0 && i < rowCount_ && j >= 0 && j < colCount_);
    }
    // Keeps the overlapping top-left block; new entries are zero.
    void Reshape(int rows, int cols) {
        detail::Require(rows >= 0 && cols >= 0);
        rows_.resize(static_cast<std::size_t>(rows));
        for (auto& row : rows_) {
            row.resize(static_cast<std::size_t>(cols));
        }
        rowCount_ = rows;
        colCount_ = cols;
    }
    void DropIndexes() {
        rowIndex_ = NonzeroIndex();
        columnIndex_ = NonzeroIndex();
    }
    void Clear() {
        rows_.clear();
        rowCount_ = 0;
        colCount_ = 0;
        DropIndexes();
    }

    std::vector<std::vector<T>> rows_;
    int rowCount_ = 0;
    int colCount_ = 0;
    NonzeroIndex rowIndex_;
    NonzeroIndex columnIndex_;
};

using Matrix = MatrixT<double>;
using ComplexMatrix = MatrixT<Complex>;

template <class T> MatrixT<T> Transpose(const MatrixT<T>& a) {
    MatrixT<T> result(a.Cols(), a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        const T* row = a.Row(i);
        for (int j = 0; j < a.Cols(); ++j) {
            result.Row(j)[i] = row[j];
        }
    }
    return result;
}

template <class T> MatrixT<T> Product(const MatrixT<T>& a, const MatrixT<T>& b) {
    MatrixT<T> result;
    result.MultiplyInto(a, b);
    return result;
}

// out = A·v over the columns of A's row index, in increasing order. `out` keeps
// its storage when its size already fits, so a repeated product allocates nothing.
template <class T> void RowIndexedTimes(const MatrixT<T>& a, const VectorT<T>& v, VectorT<T>& out) {
    const NonzeroIndex& index = a.RowIndex();
    detail::Require(index.valid && a.Cols() == v.Size() && &v != &out &&
                    static_cast<int>(index.positions.size()) == a.Rows());
    if (out.Size() != a.Rows()) {
        out.Resize(a.Rows());
    }
    for (int i = 0; i < a.Rows(); ++i) {
        const T* row = a.Row(i);
        T sum = T();
        for (int k : index.positions[static_cast<std::size_t>(i)]) {
            sum += row[k] * v[k];
        }
        out[i] = sum;
    }
}

// A·v, summed over k in increasing order with exactly zero entries of A skipped.
template <class T> VectorT<T> TimesVector(const MatrixT<T>& a, const VectorT<T>& v) {
    detail::Require(v.Size() == a.Cols());
    VectorT<T> result(a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        const T* row = a.Row(i);
        T sum = T();
        for (int k = 0; k < a.Cols(); ++k) {
            if (detail::IsNonzero(row[k])) {
                sum += row[k] * v[k];
            }
        }
        result[i] = sum;
    }
    return result;
}

// Gauss–Jordan elimination with the library's pivot rule. Only an exactly zero
// pivot column fails; there is no conditioning test.
template <class T> MatrixT<T> Inverse(MatrixT<T> a) {
    detail::Require(a.Rows() == a.Cols());
    const int n = a.Rows();
    MatrixT<T> inverse(n, n);
    for (int i = 0; i < n; ++i) {
        inverse.Row(i)[i] = T(1);
    }
    for (int c = 0; c < n; ++c) {
        const int p = a.PivotRow(c);
        detail::Require(p >= 0);
        if (p != c) {
            a.SwapRows(p, c);
            inverse.SwapRows(p, c);
        }
        T* pivotW = a.Row(c);
        T* pivotR = inverse.Row(c);
        const T s = T(1) / pivotW[c];
        for (int l = 0; l < n; ++l) {
            pivotW[l] = pivotW[l] * s;
            pivotR[l] = pivotR[l] * s;
        }
        for (int k = 0; k < n; ++k) {
            if (k == c) {
                continue;
            }
            T* rowW = a.Row(k);
            T* rowR = inverse.Row(k);
            const T f = rowW[c];
            if (!detail::IsNonzero(f)) {
                continue;
            }
            for (int l = 0; l < n; ++l) {
                rowW[l] -= f * pivotW[l];
                rowR[l] -= f * pivotR[l];
            }
        }
    }
    return inverse;
}

// Solves A·x = b without forming A⁻¹: the elimination of Inverse (same pivot rule,
// same singular test) kept as factors, then forward and back substitution over the
// factors' nonzero entries only. For the banded nodal matrices of ladders this is
// quadratic where the explicit inverse is cubic; use it where only A⁻¹·b is needed.
template <class T> class LuSolver {
public:
    // Factors a copy of `a`; MatrixError when it is not square or a pivot column is
    // exactly zero (where Inverse would throw).
    void Factor(const MatrixT<T>& a) {
        detail::Require(a.Rows() == a.Cols());
        const int n = a.Rows();
        lu_ = a;
        order_.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            order_[static_cast<std::size_t>(i)] = i;
        }
        for (int c = 0; c < n; ++c) {
            const int p = lu_.PivotRow(c);
            detail::Require(p >= 0);
            if (p != c) {
                lu_.SwapRows(p, c);
                std::swap(order_[static_cast<std::size_t>(p)], order_[static_cast<std::size_t>(c)]);
            }
            const T* pivotRow = lu_.Row(c);
            for (int k = c + 1; k < n; ++k) {
                T* row = lu_.Row(k);
                if (!detail::IsNonzero(row[c])) {
                    continue;
                }
                const T f = row[c] / pivotRow[c];
                row[c] = f; // the multiplier is kept below the diagonal
                for (int l = c + 1; l < n; ++l) {
                    if (detail::IsNonzero(pivotRow[l])) {
                        row[l] -= f * pivotRow[l];
                    }
                }
            }
        }
        lu_.BuildRowIndex();
    }

    int Size() const { return lu_.Rows(); }

    // x = A⁻¹·b for the factored A; b and x may be the same vector.
    void Solve(const VectorT<T>& b, VectorT<T>& x) const {
        const int n = lu_.Rows();
        detail::Require(b.Size() == n);
        VectorT<T> y(n);
        const auto& positions = lu_.RowIndex().positions;
        for (int i = 0; i < n; ++i) {
            T sum = b[order_[static_cast<std::size_t>(i)]];
            const T* row = lu_.Row(i);
            for (int j : positions[static_cast<std::size_t>(i)]) {
                if (j >= i) {
                    break;
                }
                sum -= row[j] * y[j];
            }
            y[i] = sum;
        }
        for (int i = n - 1; i >= 0; --i) {
            T sum = y[i];
            const T* row = lu_.Row(i);
            for (int j : positions[static_cast<std::size_t>(i)]) {
                if (j > i) {
                    sum -= row[j] * y[j];
                }
            }
            y[i] = sum / row[i];
        }
        x = std::move(y);
    }

private:
    MatrixT<T> lu_;
    std::vector<int> order_; // order_[i]: the original row now at position i
};

template <class T> MatrixT<T> Difference(const MatrixT<T>& a, const MatrixT<T>& b) {
    detail::Require(a.Rows() == b.Rows() && a.Cols() == b.Cols());
    MatrixT<T> result(a);
    result.SubtractInPlace(b);
    return result;
}

template <class T> MatrixT<T> Sum(const MatrixT<T>& a, const MatrixT<T>& b) {
    detail::Require(a.Rows() == b.Rows() && a.Cols() == b.Cols());
    MatrixT<T> result(a);
    result.AddInPlace(b);
    return result;
}

template <class T> MatrixT<T> ScaleRows(const MatrixT<T>& m, const VectorT<T>& v) {
    detail::Require(v.Size() == m.Rows());
    MatrixT<T> result(m);
    for (int i = 0; i < m.Rows(); ++i) {
        T* row = result.Row(i);
        for (int j = 0; j < m.Cols(); ++j) {
            row[j] = row[j] * v[i];
        }
    }
    return result;
}

extern template class VectorT<double>;
extern template class VectorT<Complex>;
extern template class MatrixT<double>;
extern template class MatrixT<Complex>;

} // namespace korvanix::engine
