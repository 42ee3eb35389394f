#pragma once

// Matrix algebra on compressed rows that gives the dense operations' results bit for
// bit. Every operation computes each entry from the same terms, in the same order,
// with the same expressions as its dense counterpart in Matrix.h, and visits only
// the stored entries it needs, so the cost follows the nonzero entries rather than
// the shape.
//
// Results hold only exactly nonzero entries, columns increasing in every row. An
// entry that cancels to ±0 is dropped: the dense products and eliminations skip
// zeros by value, so an absent entry and a stored zero lead every later sum to the
// same bits. A stored zero in an argument is harmless too; for finite entries a zero
// term leaves a sum unchanged.
//
// The equality with the dense path holds only while the compiler fuses no multiply
// and add (no FMA contraction): the dense and sparse loops could be fused
// differently.

#include "engine/Matrix.h"
#include "engine/SparseMatrix.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace korvanix::engine {

namespace detail {

// Keeps a scalar argument out of template deduction, so that SparseAddToDiagonal(m,
// -1.0) works for a complex m too.
template <class T> struct Identity { using Type = T; };

// Compressed rows written row by row; exact zeros are left out.
template <class T> class RowWriter {
public:
    void Reserve(std::size_t entries) {
        columns_.reserve(entries);
        values_.reserve(entries);
    }
    void Add(int column, const T& value) {
        if (IsNonzero(value)) {
            columns_.push_back(column);
            values_.push_back(value);
        }
    }
    void EndRow() { start_.push_back(SparseOffset(columns_.size())); }
    // Gives back what the writer reserved beyond the entries (a product's rows
    // are reserved for their largest possible size), so that the matrices a
    // formulation keeps hold only their entries.
    SparseMatrixT<T> Finish(int rows, int cols) {
        start_.shrink_to_fit();
        columns_.shrink_to_fit();
        values_.shrink_to_fit();
        SparseMatrixT<T> result;
        result.Assign(rows, cols, std::move(start_), std::move(columns_), std::move(values_));
        return result;
    }

private:
    std::vector<int> start_{0};
    std::vector<int> columns_;
    std::vector<T> values_;
};

// a + b or a − b, row by row, as the dense AddInPlace / SubtractInPlace computes
// each entry: one of a alone keeps its value, one of b alone gives T() + b or
// T() − b.
template <class T>
SparseMatrixT<T> MergeRows(const SparseMatrixT<T>& a, const SparseMatrixT<T>& b, bool subtract) {
    Require(a.Rows() == b.Rows() && a.Cols() == b.Cols());
    RowWriter<T> out;
    out.Reserve(static_cast<std::size_t>(a.NonzeroCount()) +
                static_cast<std::size_t>(b.NonzeroCount()));
    const auto combine = [subtract](T x, const T& y) {
        if (subtract) {
            x -= y;
        } else {
            x += y;
        }
        return x;
    };
    for (int i = 0; i < a.Rows(); ++i) {
        int p = a.RowBegin(i);
        int q = b.RowBegin(i);
        while (p < a.RowEnd(i) || q < b.RowEnd(i)) {
            const int ja = p < a.RowEnd(i) ? a.ColumnAt(p) : a.Cols();
            const int jb = q < b.RowEnd(i) ? b.ColumnAt(q) : b.Cols();
            if (ja < jb) {
                out.Add(ja, a.ValueAt(p++));
            } else if (jb < ja) {
                out.Add(jb, combine(T(), b.ValueAt(q++)));
            } else {
                out.Add(ja, combine(a.ValueAt(p++), b.ValueAt(q++)));
            }
        }
        out.EndRow();
    }
    return out.Finish(a.Rows(), a.Cols());
}

// Lists of (row, value) pairs kept one after another in large blocks that never
// move: a list is written whole, after room for its longest possible length is
// made. Unlike a growing vector this copies nothing and touches every page once,
// which matters when the lists add up to a triangle of millions of entries.
template <class T> class Segments {
public:
    struct Segment {
        const int* rows;
        const T* values;
        int size;
    };

    // Opens a list of at most `capacity` entries.
    void Open(std::size_t capacity) {
        if (rows_.empty() || rows_.back().capacity() - rows_.back().size() < capacity) {
            const std::size_t size = std::max<std::size_t>(capacity, kBlock);
            rows_.emplace_back();
            rows_.back().reserve(size);
            values_.emplace_back();
            values_.back().reserve(size);
        }
        begin_ = rows_.back().size();
    }
    void Add(int row, const T& value) {
        rows_.back().push_back(row);
        values_.back().push_back(value);
    }
    Segment Close() {
        const std::size_t size = rows_.back().size() - begin_;
        return {rows_.back().data() + begin_, values_.back().data() + begin_,
                static_cast<int>(size)};
    }

private:
    static constexpr std::size_t kBlock = std::size_t(1) << 16;
    std::vector<std::vector<int>> rows_;
    std::vector<std::vector<T>> values_;
    std::size_t begin_ = 0;
};

// Gauss–Jordan elimination run column by column ("left-looking"). Row operations
// act on every column alike, so the value a column of the dense elimination holds
// at step c is its original column put through the operations of steps 0..c-1, in
// order; and the operations of step c (the pivot row, its scale, the factor of
// every other row) depend on column c alone at that moment. So the columns of the
// working matrix are brought up to date one at a time, each step recorded as it is
// decided, and then every column of the identity is put through all the steps to
// give the inverse. Each entry meets the same operations in the same order as in
// the dense elimination, and an operation whose pivot entry is zero in a column,
// which there changes no nonzero entry, is never visited: the work is the fill.
//
// Working by columns also spares finding entries in rows that fill as they go:
// the column worked on is a scratch vector indexed by row. The dense elimination
// also updates columns left of the pivot and the pivot entry itself; those values
// are never read again, so nothing is lost by leaving them out.
template <class T> class LeftLookingInverse {
public:
    using Segment = typename Segments<T>::Segment;

    explicit LeftLookingInverse(int n)
        : n_(n), stepPivot_(Count(n)), stepOf_(Count(n), n), scale_(Count(n)), ops_(Count(n)),
          place_(Count(n)), order_(Count(n)), value_(Count(n)), touched_(Count(n), 0) {
        for (int i = 0; i < n; ++i) {
            place_[Count(i)] = i;
            order_[Count(i)] = i;
        }
    }

    // Decides step c from column c of the matrix (given as row c of its transpose).
    void Step(const SparseMatrixT<T>& columns, int c) {
        for (int k = columns.RowBegin(c); k < columns.RowEnd(c); ++k) {
            const int r = columns.ColumnAt(k);
            Touch(r, -1, c);
            value_[Count(r)] = columns.ValueAt(k);
        }
        Replay(c);
        // The dense rule over the rows not yet eliminated (those at places >= c):
        // the strictly greatest magnitude, the first place among equals, never zero.
        int pivot = -1;
        int pivotPlace = n_;
        double best = -1.0;
        for (int r : rows_) {
            if (stepOf_[Count(r)] < n_) {
                continue;
            }
            const double magnitude = Magnitude(value_[Count(r)]);
            const int place = place_[Count(r)];
            if (magnitude != 0 && (magnitude > best || (magnitude == best && place < pivotPlace))) {
                best = magnitude;
                pivotPlace = place;
                pivot = r;
            }
        }
        Require(pivot >= 0);
        if (pivotPlace != c) {
            const int other = order_[Count(c)];
            std::swap(order_[Count(c)], order_[Count(pivotPlace)]);
            place_[Count(other)] = pivotPlace;
            place_[Count(pivot)] = c;
        }
        stepPivot_[Count(c)] = pivot;
        stepOf_[Count(pivot)] = c;
        scale_[Count(c)] = T(1) / value_[Count(pivot)];
        steps_.Open(rows_.size());
        for (int r : rows_) {
            if (r != pivot && IsNonzero(value_[Count(r)])) {
                steps_.Add(r, value_[Count(r)]);
            }
        }
        ops_[Count(c)] = steps_.Close();
        Forget();
    }

    // Column l of the identity through every step: column l of the inverse, whose
    // row i is the row eliminated at step i. Its nonzero entries, rows in no
    // particular order, become one list of `out`.
    Segment InverseColumn(int l, Segments<T>& out) {
        Touch(l, -1, n_);
        value_[Count(l)] = T(1);
        Replay(n_);
        out.Open(rows_.size());
        for (int r : rows_) {
            if (IsNonzero(value_[Count(r)])) {
                out.Add(stepOf_[Count(r)], value_[Count(r)]);
            }
        }
        Forget();
        return out.Close();
    }

    // Frees the record of the steps once every column has been through them.
    void DropSteps() {
        ops_ = std::vector<Segment>();
        steps_ = Segments<T>();
    }

private:
    static std::size_t Count(int i) { return static_cast<std::size_t>(i); }

    // Brings row r into the column being worked on (as zero) unless it is there
    // already, and queues its step when that step lies after `after` and before
    // `limit`: only the steps of rows holding an entry can change the column.
    void Touch(int r, int after, int limit) {
        if (touched_[Count(r)]) {
            return;
        }
        touched_[Count(r)] = 1;
        value_[Count(r)] = T();
        rows_.push_back(r);
        const int step = stepOf_[Count(r)];
        if (step > after && step < limit) {
            queue_.push_back(step);
            std::push_heap(queue_.begin(), queue_.end(), std::greater<int>());
        }
    }

    // The recorded steps before `limit` in increasing order, each as the dense
    // elimination applies it: the pivot row scaled by x * s, then x -= f * p in
    // every other row the step eliminates (a missing x counting as T()).
    void Replay(int limit) {
        while (!queue_.empty()) {
            std::pop_heap(queue_.begin(), queue_.end(), std::greater<int>());
            const int c = queue_.back();
            queue_.pop_back();
            T& x = value_[Count(stepPivot_[Count(c)])];
            if (!IsNonzero(x)) {
                continue;
            }
            x = x * scale_[Count(c)];
            const T p = x;
            const Segment& ops = ops_[Count(c)];
            for (int o = 0; o < ops.size; ++o) {
                const int k = ops.rows[o];
                Touch(k, c, limit);
                value_[Count(k)] -= ops.values[o] * p;
            }
        }
    }

    void Forget() {
        for (int r : rows_) {
            touched_[Count(r)] = 0;
        }
        rows_.clear();
    }

    int n_;
    std::vector<int> stepPivot_; // by step: the original row eliminated
    std::vector<int> stepOf_;    // by original row: its step, n_ while not eliminated
    std::vector<T> scale_;       // by step: 1 / the pivot
    std::vector<Segment> ops_;   // by step: the rows it eliminates and their factors
    Segments<T> steps_;          // where ops_ point
    std::vector<int> place_;     // by original row: its place in the current row order
    std::vector<int> order_;     // by place: the original row there
    // The column being worked on, by original row, and the rows it holds.
    std::vector<T> value_;
    std::vector<char> touched_;
    std::vector<int> rows_;
    std::vector<int> queue_; // a min-heap of the steps still to apply
};

} // namespace detail

// a·b by rows (Gustavson): entry (i, j) starts at T() and receives acc += a(i,k) *
// b(k,j) for the stored entries in increasing k, as the dense row-indexed product
// sums it.
template <class T>
SparseMatrixT<T> SparseProduct(const SparseMatrixT<T>& a, const SparseMatrixT<T>& b) {
    detail::Require(a.Cols() == b.Rows());
    const auto cols = static_cast<std::size_t>(b.Cols());
    std::vector<T> accumulator(cols);
    std::vector<int> lastRow(cols, -1);
    std::vector<int> touched;
    detail::RowWriter<T> out;
    for (int i = 0; i < a.Rows(); ++i) {
        for (int p = a.RowBegin(i); p < a.RowEnd(i); ++p) {
            const T& left = a.ValueAt(p);
            const int k = a.ColumnAt(p);
            for (int q = b.RowBegin(k); q < b.RowEnd(k); ++q) {
                const auto j = static_cast<std::size_t>(b.ColumnAt(q));
                if (lastRow[j] != i) {
                    lastRow[j] = i;
                    accumulator[j] = T();
                    touched.push_back(b.ColumnAt(q));
                }
                accumulator[j] += left * b.ValueAt(q);
            }
        }
        std::sort(touched.begin(), touched.end());
        for (int j : touched) {
            out.Add(j, accumulator[static_cast<std::size_t>(j)]);
        }
        touched.clear();
        out.EndRow();
    }
    return out.Finish(a.Rows(), b.Cols());
}

// a + b and a − b, entry by entry as the dense AddInPlace and SubtractInPlace.
template <class T>
SparseMatrixT<T> SparseSum(const SparseMatrixT<T>& a, const SparseMatrixT<T>& b) {
    return detail::MergeRows(a, b, false);
}
template <class T>
SparseMatrixT<T> SparseDifference(const SparseMatrixT<T>& a, const SparseMatrixT<T>& b) {
    return detail::MergeRows(a, b, true);
}

template <class T> SparseMatrixT<T> SparseNegated(const SparseMatrixT<T>& a) {
    detail::RowWriter<T> out;
    out.Reserve(static_cast<std::size_t>(a.NonzeroCount()));
    for (int i = 0; i < a.Rows(); ++i) {
        for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
            out.Add(a.ColumnAt(k), -a.ValueAt(k));
        }
        out.EndRow();
    }
    return out.Finish(a.Rows(), a.Cols());
}

// [a | b].
template <class T>
SparseMatrixT<T> SparseConcatColumns(const SparseMatrixT<T>& a, const SparseMatrixT<T>& b) {
    detail::Require(a.Rows() == b.Rows());
    detail::RowWriter<T> out;
    out.Reserve(static_cast<std::size_t>(a.NonzeroCount()) +
                static_cast<std::size_t>(b.NonzeroCount()));
    for (int i = 0; i < a.Rows(); ++i) {
        for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
            out.Add(a.ColumnAt(k), a.ValueAt(k));
        }
        for (int k = b.RowBegin(i); k < b.RowEnd(i); ++k) {
            out.Add(a.Cols() + b.ColumnAt(k), b.ValueAt(k));
        }
        out.EndRow();
    }
    return out.Finish(a.Rows(), a.Cols() + b.Cols());
}

// a + s·I for a square a, as the dense `row[i][i] += s` (a missing diagonal entry
// gives T() + s).
template <class T>
SparseMatrixT<T> SparseAddToDiagonal(const SparseMatrixT<T>& a,
                                     const typename detail::Identity<T>::Type& s) {
    detail::Require(a.Rows() == a.Cols());
    detail::RowWriter<T> out;
    out.Reserve(static_cast<std::size_t>(a.NonzeroCount()) + static_cast<std::size_t>(a.Rows()));
    const auto plusS = [&s](T x) {
        x += s;
        return x;
    };
    for (int i = 0; i < a.Rows(); ++i) {
        int k = a.RowBegin(i);
        for (; k < a.RowEnd(i) && a.ColumnAt(k) < i; ++k) {
            out.Add(a.ColumnAt(k), a.ValueAt(k));
        }
        if (k < a.RowEnd(i) && a.ColumnAt(k) == i) {
            out.Add(i, plusS(a.ValueAt(k++)));
        } else {
            out.Add(i, plusS(T()));
        }
        for (; k < a.RowEnd(i); ++k) {
            out.Add(a.ColumnAt(k), a.ValueAt(k));
        }
        out.EndRow();
    }
    return out.Finish(a.Rows(), a.Cols());
}

// diag(v), its zero entries left out.
template <class T> SparseMatrixT<T> SparseDiagonal(const VectorT<T>& v) {
    detail::RowWriter<T> out;
    out.Reserve(static_cast<std::size_t>(v.Size()));
    for (int i = 0; i < v.Size(); ++i) {
        out.Add(i, v[i]);
        out.EndRow();
    }
    return out.Finish(v.Size(), v.Size());
}

// diag(v)·m, every entry m(i, j) * v[i] as the dense ScaleRows and ScaleRowsIndexed
// compute it.
template <class T>
SparseMatrixT<T> SparseScaleRows(const VectorT<T>& v, const SparseMatrixT<T>& m) {
    detail::Require(v.Size() == m.Rows());
    detail::RowWriter<T> out;
    out.Reserve(static_cast<std::size_t>(m.NonzeroCount()));
    for (int i = 0; i < m.Rows(); ++i) {
        for (int k = m.RowBegin(i); k < m.RowEnd(i); ++k) {
            out.Add(m.ColumnAt(k), m.ValueAt(k) * v[i]);
        }
        out.EndRow();
    }
    return out.Finish(m.Rows(), m.Cols());
}

// The inverse by the dense Inverse's Gauss–Jordan elimination, to the bit: the same
// pivots (same rule, same row exchanges), the same scaling and the same updates of
// every entry, in the same order. MatrixError when a is not square or a column has
// no nonzero pivot. The work follows the fill: the operations applied to nonzero
// entries, which for the incidence matrix of a tree is about the size of the
// inverse itself.
template <class T> SparseMatrixT<T> SparseInverse(const SparseMatrixT<T>& a) {
    detail::Require(a.Rows() == a.Cols());
    const int n = a.Rows();
    detail::LeftLookingInverse<T> elimination(n);
    {
        const SparseMatrixT<T> columns = a.Transposed();
        for (int c = 0; c < n; ++c) {
            elimination.Step(columns, c);
        }
    }
    // The inverse comes out column by column, rows in no order, and a counting sort
    // turns the columns into rows. (Computing the columns twice, once to count the
    // rows' entries and once to write them in place, would save that copy but
    // double the arithmetic, which for a nodal matrix is cubic.) The steps go
    // before the rows are allocated, so that at most two inverses' worth of
    // entries are held at once.
    detail::Segments<T> store;
    std::vector<typename detail::Segments<T>::Segment> inverseColumns;
    inverseColumns.reserve(static_cast<std::size_t>(n));
    std::vector<int> rowStart(static_cast<std::size_t>(n) + 1, 0);
    for (int l = 0; l < n; ++l) {
        inverseColumns.push_back(elimination.InverseColumn(l, store));
        const auto& column = inverseColumns.back();
        for (int k = 0; k < column.size; ++k) {
            ++rowStart[static_cast<std::size_t>(column.rows[k]) + 1];
        }
    }
    elimination.DropSteps();
    for (std::size_t i = 1; i < rowStart.size(); ++i) {
        rowStart[i] += rowStart[i - 1];
    }
    std::vector<int> next(rowStart.begin(), rowStart.end() - 1);
    std::vector<int> columns(static_cast<std::size_t>(rowStart.back()));
    std::vector<T> values(static_cast<std::size_t>(rowStart.back()));
    for (int l = 0; l < n; ++l) {
        const auto& column = inverseColumns[static_cast<std::size_t>(l)];
        for (int k = 0; k < column.size; ++k) {
            const auto at =
                static_cast<std::size_t>(next[static_cast<std::size_t>(column.rows[k])]++);
            columns[at] = l;
            values[at] = column.values[k];
        }
    }
    SparseMatrixT<T> result;
    result.Assign(n, n, std::move(rowStart), std::move(columns), std::move(values));
    return result;
}

// The dense IsSingular's decision. SparseLuSolver::Factor runs the same elimination
// as the dense Eliminate and fails exactly where it meets a column with no nonzero
// pivot: it skips a row whose entry in the column is zero where the dense one skips
// a zero factor f = entry / pivot, and it skips zero entries of the pivot row where
// the dense one subtracts f * 0. Neither difference changes any nonzero entry or
// makes a zero nonzero (an f that underflows to zero subtracts zeros), so the
// magnitudes the pivot rule compares, and with them the decision, are the same.
template <class T> bool SparseIsSingular(const SparseMatrixT<T>& a) {
    detail::Require(a.Rows() == a.Cols());
    SparseLuSolver<T> solver;
    try {
        solver.Factor(a);
    } catch (const MatrixError&) {
        return true;
    }
    return false;
}

// out = a·v, as the transient step's row-indexed product computes it.
template <class T>
void SparseTimes(const SparseMatrixT<T>& a, const VectorT<T>& v, VectorT<T>& out) {
    a.Multiply(v, out);
}

// out += scale · (a·v), with out already sized: each row's sum starts at T(), takes
// the stored entries in increasing column order, and is scaled once before it is
// added, as the transient step's dense AddRowProduct does.
template <class T>
void SparseAddTimes(const SparseMatrixT<T>& a, const VectorT<T>& v,
                    const typename detail::Identity<T>::Type& scale, VectorT<T>& out) {
    detail::Require(a.Cols() == v.Size() && out.Size() == a.Rows());
    for (int i = 0; i < a.Rows(); ++i) {
        T sum = T();
        for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
            sum += a.ValueAt(k) * v[a.ColumnAt(k)];
        }
        out[i] += scale * sum;
    }
}

} // namespace korvanix::engine
