#pragma once

#include "engine/Matrix.h"
#include "engine/MatrixError.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace korvanix::engine {

namespace detail {
// A fresh number for every pattern a sparse matrix is given, so that a solver can
// tell at once that a matrix still has the pattern it recorded.
inline uint64_t NextPatternId() {
    static std::atomic<uint64_t> next{0};
    return ++next;
}
} // namespace detail

// A matrix kept as compressed rows of (column, value) pairs, columns increasing in
// each row. The pattern is fixed when the matrix is built; the values are refilled
// in place (the frequency analysis refills them at every point), so a refill never
// allocates.
template <class T> class SparseMatrixT {
public:
    SparseMatrixT() = default;

    // The pattern from one list of columns per row (in any order, duplicates
    // allowed); every value starts at zero.
    void SetPattern(int rows, int cols, const std::vector<std::vector<int>>& rowColumns) {
        detail::Require(rows >= 0 && cols >= 0 &&
                        rowColumns.size() == static_cast<std::size_t>(rows));
        rows_ = rows;
        cols_ = cols;
        rowStart_.assign(static_cast<std::size_t>(rows) + 1, 0);
        columns_.clear();
        for (int i = 0; i < rows; ++i) {
            std::vector<int> list = rowColumns[static_cast<std::size_t>(i)];
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
            for (int j : list) {
                detail::Require(j >= 0 && j < cols);
                columns_.push_back(j);
            }
            rowStart_[static_cast<std::size_t>(i) + 1] = SparseOffset(columns_.size());
        }
        values_.assign(columns_.size(), T());
        patternId_ = detail::NextPatternId();
    }
    // The pattern of the nonzero entries of a dense matrix, with their values.
    void FromDense(const MatrixT<T>& a) {
        std::vector<std::vector<int>> pattern(static_cast<std::size_t>(a.Rows()));
        for (int i = 0; i < a.Rows(); ++i) {
            for (int j = 0; j < a.Cols(); ++j) {
                if (detail::IsNonzero(a(i, j))) {
                    pattern[static_cast<std::size_t>(i)].push_back(j);
                }
            }
        }
        SetPattern(a.Rows(), a.Cols(), pattern);
        for (int i = 0; i < rows_; ++i) {
            for (int k = RowBegin(i); k < RowEnd(i); ++k) {
                values_[static_cast<std::size_t>(k)] = a(i, ColumnAt(k));
            }
        }
    }

    // Takes compressed rows built elsewhere: rowStart has rows + 1 offsets into
    // columns and values, and each row's columns increase strictly.
    void Assign(int rows, int cols, std::vector<int> rowStart, std::vector<int> columns,
                std::vector<T> values) {
        detail::Require(
            rows >= 0 && cols >= 0 && rowStart.size() == static_cast<std::size_t>(rows) + 1 &&
            rowStart.front() == 0 && static_cast<std::size_t>(rowStart.back()) == columns.size() &&
            columns.size() == values.size());
        for (int i = 0; i < rows; ++i) {
            const int begin = rowStart[static_cast<std::size_t>(i)];
            const int end = rowStart[static_cast<std::size_t>(i) + 1];
            detail::Require(begin <= end);
            for (int k = begin; k < end; ++k) {
                const int j = columns[static_cast<std::size_t>(k)];
                detail::Require(j >= 0 && j < cols &&
                                (k == begin || columns[static_cast<std::size_t>(k) - 1] < j));
            }
        }
        rows_ = rows;
        cols_ = cols;
        rowStart_ = std::move(rowStart);
        columns_ = std::move(columns);
        values_ = std::move(values);
        patternId_ = detail::NextPatternId();
    }
    // The rows from one list of (column, value) per row, columns increasing in
    // each list (checked as Assign checks).
    void AssignRows(int cols, const std::vector<std::vector<std::pair<int, T>>>& rowLists) {
        std::size_t entries = 0;
        for (const auto& list : rowLists)
            entries += list.size();
        std::vector<int> start;
        std::vector<int> columns;
        std::vector<T> values;
        start.reserve(rowLists.size() + 1);
        columns.reserve(entries);
        values.reserve(entries);
        start.push_back(0);
        for (const auto& list : rowLists) {
            for (const auto& [column, value] : list) {
                columns.push_back(column);
                values.push_back(value);
            }
            start.push_back(SparseOffset(columns.size()));
        }
        Assign(static_cast<int>(rowLists.size()), cols, std::move(start), std::move(columns),
               std::move(values));
    }
    // The transpose, its rows' columns increasing; entries keep their values.
    SparseMatrixT Transposed() const {
        std::vector<int> start(static_cast<std::size_t>(cols_) + 1, 0);
        for (int j : columns_) {
            ++start[static_cast<std::size_t>(j) + 1];
        }
        for (std::size_t j = 1; j < start.size(); ++j) {
            start[j] += start[j - 1];
        }
        std::vector<int> next(start.begin(), start.end() - 1);
        std::vector<int> columns(columns_.size());
        std::vector<T> values(values_.size());
        for (int i = 0; i < rows_; ++i) {
            for (int k = RowBegin(i); k < RowEnd(i); ++k) {
                const int at = next[static_cast<std::size_t>(ColumnAt(k))]++;
                columns[static_cast<std::size_t>(at)] = i;
                values[static_cast<std::size_t>(at)] = ValueAt(k);
            }
        }
        SparseMatrixT result;
        result.rows_ = cols_;
        result.cols_ = rows_;
        result.rowStart_ = std::move(start);
        result.columns_ = std::move(columns);
        result.values_ = std::move(values);
        result.patternId_ = detail::NextPatternId();
        return result;
    }

    // Equal ids mean equal patterns (a copy keeps its original's id).
    uint64_t PatternId() const { return patternId_; }
    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    int NonzeroCount() const { return SparseOffset(columns_.size()); }

    // Positions k of row i are RowBegin(i) <= k < RowEnd(i).
    int RowBegin(int i) const { return rowStart_[static_cast<std::size_t>(i)]; }
    int RowEnd(int i) const { return rowStart_[static_cast<std::size_t>(i) + 1]; }
    int ColumnAt(int k) const { return columns_[static_cast<std::size_t>(k)]; }
    T& ValueAt(int k) { return values_[static_cast<std::size_t>(k)]; }
    const T& ValueAt(int k) const { return values_[static_cast<std::size_t>(k)]; }

    // The position of entry (i, j) in the pattern, -1 when it is not there.
    int Find(int i, int j) const {
        detail::Require(i >= 0 && i < rows_);
        const auto begin = columns_.begin() + RowBegin(i);
        const auto end = columns_.begin() + RowEnd(i);
        const auto at = std::lower_bound(begin, end, j);
        return at != end && *at == j ? static_cast<int>(at - columns_.begin()) : -1;
    }
    T Get(int i, int j) const {
        const int k = Find(i, j);
        return k < 0 ? T() : ValueAt(k);
    }

    void SetZero() { std::fill(values_.begin(), values_.end(), T()); }

    // out = this · v, each row summed in increasing column order.
    void Multiply(const VectorT<T>& v, VectorT<T>& out) const {
        detail::Require(v.Size() == cols_ && &v != &out);
        if (out.Size() != rows_) {
            out.Resize(rows_);
        }
        for (int i = 0; i < rows_; ++i) {
            T sum = T();
            for (int k = RowBegin(i); k < RowEnd(i); ++k) {
                sum += ValueAt(k) * v[ColumnAt(k)];
            }
            out[i] = sum;
        }
    }

    MatrixT<T> ToDense() const {
        MatrixT<T> result(rows_, cols_);
        for (int i = 0; i < rows_; ++i) {
            for (int k = RowBegin(i); k < RowEnd(i); ++k) {
                result(i, ColumnAt(k)) = ValueAt(k);
            }
        }
        return result;
    }

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<int> rowStart_{0};
    std::vector<int> columns_;
    uint64_t patternId_ = 0;
    std::vector<T> values_;
};

using SparseMatrix = SparseMatrixT<double>;
using ComplexSparseMatrix = SparseMatrixT<Complex>;

// LU factors of a square sparse matrix by the elimination of LuSolver: column by
// column, the pivot is the row not yet eliminated with the strictly greatest
// magnitude in the column, ties going to the first in the current row order (rows
// exchange places as in the dense elimination), and an exactly zero pivot column
// raises MatrixError. Only the entries the elimination can reach are stored, and a
// column list names the rows holding each column, so the pivot search and the
// eliminations touch those entries only: for a banded matrix a factorisation costs
// the band, not the square.
//
// A factorisation is recorded as a list of operations on flat arrays. The next
// matrix with the same pattern (the frequency analysis refills one matrix at every
// point) replays that list, checking at every column that the pivot rule still
// picks the recorded row; when it does not, the matrix is factored afresh. Either
// way the arithmetic is that of the dense elimination, and once the storage has
// grown to the largest fill nothing is allocated.
template <class T> class SparseLuSolver {
public:
    void Factor(const SparseMatrixT<T>& a) {
        detail::Require(a.Rows() == a.Cols());
        if (recorded_ && (a.PatternId() == recordedPattern_ || SamePattern(a)) && Replay(a)) {
            return;
        }
        recordedPattern_ = 0; // a failed factorisation records nothing to replay
        FullFactor(a);
        recordedPattern_ = a.PatternId();
    }

    int Size() const { return static_cast<int>(order_.size()); }
    // The entries the factors hold (the matrix's own plus the fill).
    int FactorNonzeros() const { return SparseOffset(values_.size()); }
    // How many factorisations replayed the recorded one (for tests).
    int Replays() const { return replays_; }

    // x = A⁻¹·b for the factored A; b and x may be the same vector.
    void Solve(const VectorT<T>& b, VectorT<T>& x) const {
        const int n = Size();
        detail::Require(b.Size() == n && recorded_);
        std::vector<T>& y = scratch_;
        // Each place's entries left and right of the diagonal are kept apart in the
        // order the row stores them, so the sums run as a scan of the row would.
        for (int i = 0; i < n; ++i) {
            T sum = b[order_[static_cast<std::size_t>(i)]];
            for (int k = lowerStart_[static_cast<std::size_t>(i)];
                 k < lowerStart_[static_cast<std::size_t>(i) + 1]; ++k) {
                sum -=
                    values_[static_cast<std::size_t>(lowerPosition_[static_cast<std::size_t>(k)])] *
                    y[static_cast<std::size_t>(lowerColumn_[static_cast<std::size_t>(k)])];
            }
            y[static_cast<std::size_t>(i)] = sum;
        }
        for (int i = n - 1; i >= 0; --i) {
            T sum = y[static_cast<std::size_t>(i)];
            for (int k = upperStart_[static_cast<std::size_t>(i)];
                 k < upperStart_[static_cast<std::size_t>(i) + 1]; ++k) {
                sum -=
                    values_[static_cast<std::size_t>(upperPosition_[static_cast<std::size_t>(k)])] *
                    y[static_cast<std::size_t>(upperColumn_[static_cast<std::size_t>(k)])];
            }
            y[static_cast<std::size_t>(i)] =
                sum /
                values_[static_cast<std::size_t>(pivotPosition_[static_cast<std::size_t>(i)])];
        }
        if (x.Size() != n) {
            x.Resize(n);
        }
        for (int i = 0; i < n; ++i) {
            x[i] = y[static_cast<std::size_t>(i)];
        }
    }

private:
    // The entries of one original row while a fresh factorisation grows them, in
    // the order they appeared. Columns below the row's final place hold the
    // multipliers, the others the upper factor.
    struct Row {
        std::vector<int> columns;
        std::vector<T> values;
    };

    // ---- A fresh factorisation, recorded as it goes.

    void FullFactor(const SparseMatrixT<T>& a) {
        recorded_ = false;
        const int n = a.Rows();
        Prepare(n);
        patternStart_.assign(1, 0);
        patternColumns_.clear();
        for (int i = 0; i < n; ++i) {
            Row& row = rows_[static_cast<std::size_t>(i)];
            for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
                const int j = a.ColumnAt(k);
                AddHolder(j, i, SparseOffset(row.columns.size()));
                row.columns.push_back(j);
                row.values.push_back(a.ValueAt(k));
                patternColumns_.push_back(j);
            }
            patternStart_.push_back(SparseOffset(patternColumns_.size()));
        }
        pivotRow_.clear();
        targetStart_.assign(1, 0);
        targetRow_.clear();
        targetEntry_.clear();
        opStart_.assign(1, 0);
        opDestination_.clear();
        opSource_.clear();
        for (int c = 0; c < n; ++c) {
            Eliminate(c);
        }
        Compile(n);
    }

    // The holders of the entries of a column: the rows, where in each row the entry
    // sits, and the next holder of the same column (-1 ends the list). All lists
    // share three arrays, so that refilling them writes memory in sequence.
    void AddHolder(int column, int row, int entry) {
        int& head = columnHead_[static_cast<std::size_t>(column)];
        holderRow_.push_back(row);
        holderEntry_.push_back(entry);
        holderNext_.push_back(head);
        head = SparseOffset(holderRow_.size()) - 1;
    }
    int Next(int holder) const { return holderNext_[static_cast<std::size_t>(holder)]; }

    void Prepare(int n) {
        const auto size = static_cast<std::size_t>(n);
        rows_.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            rows_[i].columns.clear();
            rows_[i].values.clear();
        }
        columnHead_.assign(size, -1);
        holderRow_.clear();
        holderEntry_.clear();
        holderNext_.clear();
        ResetOrder(n);
        slot_.assign(size, -1);
        scratch_.resize(size);
    }
    void ResetOrder(int n) {
        order_.resize(static_cast<std::size_t>(n));
        place_.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            order_[static_cast<std::size_t>(i)] = i;
            place_[static_cast<std::size_t>(i)] = i;
        }
    }
    void Exchange(int c, int pivot, int pivotPlace) {
        if (pivotPlace != c) {
            const int other = order_[static_cast<std::size_t>(c)];
            std::swap(order_[static_cast<std::size_t>(c)],
                      order_[static_cast<std::size_t>(pivotPlace)]);
            place_[static_cast<std::size_t>(other)] = pivotPlace;
            place_[static_cast<std::size_t>(pivot)] = c;
        }
    }
    // The rule of the dense elimination over one candidate: the greatest
    // magnitude, the first place among equals, never an exact zero.
    static void Consider(double magnitude, int place, int row, double& best, int& bestPlace,
                         int& bestRow) {
        if (magnitude != 0 && (magnitude > best || (magnitude == best && place < bestPlace))) {
            best = magnitude;
            bestPlace = place;
            bestRow = row;
        }
    }

    void Eliminate(int c) {
        const int head = columnHead_[static_cast<std::size_t>(c)];
        int pivot = -1;
        int pivotPlace = 0;
        double best = -1.0;
        for (int at = head; at >= 0; at = Next(at)) {
            const int r = holderRow_[static_cast<std::size_t>(at)];
            const int place = place_[static_cast<std::size_t>(r)];
            if (place >= c) {
                const int entry = holderEntry_[static_cast<std::size_t>(at)];
                Consider(
                    detail::Magnitude(
                        rows_[static_cast<std::size_t>(r)].values[static_cast<std::size_t>(entry)]),
                    place, r, best, pivotPlace, pivot);
            }
        }
        detail::Require(pivot >= 0);
        Exchange(c, pivot, pivotPlace);
        pivotRow_.push_back(pivot);

        const Row& pivotRow = rows_[static_cast<std::size_t>(pivot)];
        const T pivotValue = pivotRow.values[static_cast<std::size_t>(
            std::find(pivotRow.columns.begin(), pivotRow.columns.end(), c) -
            pivotRow.columns.begin())];
        // Every row holding the column is updated by structure, a zero entry too
        // (with no arithmetic), so that the record serves a matrix of the same
        // pattern whose zeros fall elsewhere. The fill goes to columns right of c,
        // never to the list walked here (the arrays may move as they grow, so
        // holders are read by number).
        for (int at = head; at >= 0; at = Next(at)) {
            const int r = holderRow_[static_cast<std::size_t>(at)];
            if (r == pivot || place_[static_cast<std::size_t>(r)] < c) {
                continue;
            }
            const int entryNumber = holderEntry_[static_cast<std::size_t>(at)];
            Row& row = rows_[static_cast<std::size_t>(r)];
            T& entry = row.values[static_cast<std::size_t>(entryNumber)];
            const bool active = detail::IsNonzero(entry);
            T f = T();
            if (active) {
                f = entry / pivotValue;
                entry = f; // the multiplier is kept in the eliminated column
            }
            targetRow_.push_back(r);
            targetEntry_.push_back(entryNumber);
            UpdateRow(r, row, pivotRow, c, f, active);
            opStart_.push_back(SparseOffset(opDestination_.size()));
        }
        targetStart_.push_back(SparseOffset(targetRow_.size()));
    }

    // row -= f · (the pivot row's entries right of column c), recorded entry by
    // entry; the arithmetic skips zeros as the dense elimination does.
    void UpdateRow(int rowNumber, Row& row, const Row& pivotRow, int c, const T& f, bool active) {
        for (std::size_t k = 0; k < row.columns.size(); ++k) {
            slot_[static_cast<std::size_t>(row.columns[k])] = static_cast<int>(k);
        }
        for (std::size_t k = 0; k < pivotRow.columns.size(); ++k) {
            const int l = pivotRow.columns[k];
            if (l <= c) {
                continue;
            }
            int at = slot_[static_cast<std::size_t>(l)];
            if (at < 0) {
                at = SparseOffset(row.columns.size());
                slot_[static_cast<std::size_t>(l)] = at;
                AddHolder(l, rowNumber, at);
                row.columns.push_back(l);
                row.values.push_back(T());
            }
            if (active && detail::IsNonzero(pivotRow.values[k])) {
                row.values[static_cast<std::size_t>(at)] -= f * pivotRow.values[k];
            }
            opDestination_.push_back(at);
            opSource_.push_back(static_cast<int>(k));
        }
        for (std::size_t k = 0; k < row.columns.size(); ++k) {
            slot_[static_cast<std::size_t>(row.columns[k])] = -1;
        }
    }

    // The grown rows become flat arrays, and every recorded entry number a
    // position in them.
    void Compile(int n) {
        rowOffset_.assign(1, 0);
        columns_.clear();
        values_.clear();
        for (int r = 0; r < n; ++r) {
            const Row& row = rows_[static_cast<std::size_t>(r)];
            columns_.insert(columns_.end(), row.columns.begin(), row.columns.end());
            values_.insert(values_.end(), row.values.begin(), row.values.end());
            rowOffset_.push_back(SparseOffset(columns_.size()));
        }
        const auto position = [this](int row, int entry) {
            return rowOffset_[static_cast<std::size_t>(row)] + entry;
        };
        for (int c = 0; c < n; ++c) {
            const int pivot = pivotRow_[static_cast<std::size_t>(c)];
            for (int t = targetStart_[static_cast<std::size_t>(c)];
                 t < targetStart_[static_cast<std::size_t>(c) + 1]; ++t) {
                const int r = targetRow_[static_cast<std::size_t>(t)];
                targetEntry_[static_cast<std::size_t>(t)] =
                    position(r, targetEntry_[static_cast<std::size_t>(t)]);
                for (int o = opStart_[static_cast<std::size_t>(t)];
                     o < opStart_[static_cast<std::size_t>(t) + 1]; ++o) {
                    opDestination_[static_cast<std::size_t>(o)] =
                        position(r, opDestination_[static_cast<std::size_t>(o)]);
                    opSource_[static_cast<std::size_t>(o)] =
                        position(pivot, opSource_[static_cast<std::size_t>(o)]);
                }
            }
        }
        // The holders of each column, by position.
        candidateStart_.assign(1, 0);
        candidateRow_.clear();
        candidatePosition_.clear();
        for (int c = 0; c < n; ++c) {
            for (int at = columnHead_[static_cast<std::size_t>(c)]; at >= 0; at = Next(at)) {
                const int r = holderRow_[static_cast<std::size_t>(at)];
                candidateRow_.push_back(r);
                candidatePosition_.push_back(
                    position(r, holderEntry_[static_cast<std::size_t>(at)]));
            }
            candidateStart_.push_back(SparseOffset(candidateRow_.size()));
        }
        // The split of each place's row for Solve: a replay keeps the pivots, so it
        // holds for every matrix the record serves.
        lowerStart_.assign(1, 0);
        upperStart_.assign(1, 0);
        lowerColumn_.clear();
        lowerPosition_.clear();
        upperColumn_.clear();
        upperPosition_.clear();
        pivotPosition_.assign(static_cast<std::size_t>(n), -1);
        for (int i = 0; i < n; ++i) {
            const int r = order_[static_cast<std::size_t>(i)];
            for (int k = rowOffset_[static_cast<std::size_t>(r)];
                 k < rowOffset_[static_cast<std::size_t>(r) + 1]; ++k) {
                const int j = columns_[static_cast<std::size_t>(k)];
                if (j < i) {
                    lowerColumn_.push_back(j);
                    lowerPosition_.push_back(k);
                } else if (j > i) {
                    upperColumn_.push_back(j);
                    upperPosition_.push_back(k);
                } else {
                    pivotPosition_[static_cast<std::size_t>(i)] = k;
                }
            }
            detail::Require(pivotPosition_[static_cast<std::size_t>(i)] >= 0);
            lowerStart_.push_back(SparseOffset(lowerColumn_.size()));
            upperStart_.push_back(SparseOffset(upperColumn_.size()));
        }
        recorded_ = true;
    }

    // ---- A replay of the record.

    bool SamePattern(const SparseMatrixT<T>& a) const {
        const int n = a.Rows();
        if (n != Size() || a.NonzeroCount() != SparseOffset(patternColumns_.size())) {
            return false;
        }
        for (int i = 0; i < n; ++i) {
            if (a.RowBegin(i) != patternStart_[static_cast<std::size_t>(i)] ||
                a.RowEnd(i) != patternStart_[static_cast<std::size_t>(i) + 1]) {
                return false;
            }
        }
        for (int k = 0; k < a.NonzeroCount(); ++k) {
            if (a.ColumnAt(k) != patternColumns_[static_cast<std::size_t>(k)]) {
                return false;
            }
        }
        return true;
    }

    // False when the pivot rule leaves the recorded row at some column.
    bool Replay(const SparseMatrixT<T>& a) {
        const int n = a.Rows();
        std::fill(values_.begin(), values_.end(), T());
        for (int i = 0; i < n; ++i) {
            const int offset = rowOffset_[static_cast<std::size_t>(i)] - a.RowBegin(i);
            for (int k = a.RowBegin(i); k < a.RowEnd(i); ++k) {
                values_[static_cast<std::size_t>(offset + k)] = a.ValueAt(k);
            }
        }
        ResetOrder(n);
        for (int c = 0; c < n; ++c) {
            int pivot = -1;
            int pivotPlace = 0;
            int pivotPosition = -1;
            double best = -1.0;
            for (int h = candidateStart_[static_cast<std::size_t>(c)];
                 h < candidateStart_[static_cast<std::size_t>(c) + 1]; ++h) {
                const int r = candidateRow_[static_cast<std::size_t>(h)];
                const int place = place_[static_cast<std::size_t>(r)];
                if (place >= c) {
                    const int at = candidatePosition_[static_cast<std::size_t>(h)];
                    const int before = pivot;
                    Consider(detail::Magnitude(values_[static_cast<std::size_t>(at)]), place, r,
                             best, pivotPlace, pivot);
                    if (pivot != before) {
                        pivotPosition = at;
                    }
                }
            }
            detail::Require(pivot >= 0);
            if (pivot != pivotRow_[static_cast<std::size_t>(c)]) {
                return false;
            }
            Exchange(c, pivot, pivotPlace);
            const T pivotValue = values_[static_cast<std::size_t>(pivotPosition)];
            for (int t = targetStart_[static_cast<std::size_t>(c)];
                 t < targetStart_[static_cast<std::size_t>(c) + 1]; ++t) {
                T& entry =
                    values_[static_cast<std::size_t>(targetEntry_[static_cast<std::size_t>(t)])];
                if (!detail::IsNonzero(entry)) {
                    continue;
                }
                const T f = entry / pivotValue;
                entry = f;
                for (int o = opStart_[static_cast<std::size_t>(t)];
                     o < opStart_[static_cast<std::size_t>(t) + 1]; ++o) {
                    const T& source =
                        values_[static_cast<std::size_t>(opSource_[static_cast<std::size_t>(o)])];
                    if (detail::IsNonzero(source)) {
                        values_[static_cast<std::size_t>(
                            opDestination_[static_cast<std::size_t>(o)])] -= f * source;
                    }
                }
            }
        }
        ++replays_;
        return true;
    }

    // Growing storage of a fresh factorisation.
    std::vector<Row> rows_;                                 // by original row
    std::vector<int> columnHead_;                           // by column: its first holder
    std::vector<int> holderRow_, holderEntry_, holderNext_; // see AddHolder
    std::vector<int> slot_; // column -> entry of the row being updated

    // The record: the input pattern, the flat factors, the pivots, and per column
    // its candidate rows and the updated rows with their operations.
    bool recorded_ = false;
    std::vector<int> patternStart_, patternColumns_;
    std::vector<int> rowOffset_, columns_;
    std::vector<T> values_;
    std::vector<int> pivotRow_;
    std::vector<int> candidateStart_, candidateRow_, candidatePosition_;
    std::vector<int> targetStart_, targetRow_, targetEntry_;
    std::vector<int> opStart_, opDestination_, opSource_;
    std::vector<int> lowerStart_, lowerColumn_, lowerPosition_; // by place, for Solve
    std::vector<int> upperStart_, upperColumn_, upperPosition_;
    std::vector<int> pivotPosition_;

    std::vector<int> order_; // order_[p]: the original row at place p
    std::vector<int> place_; // place_[r]: the place of original row r
    int replays_ = 0;
    uint64_t recordedPattern_ = 0;
    mutable std::vector<T> scratch_;
};

extern template class SparseMatrixT<double>;
extern template class SparseMatrixT<Complex>;
extern template class SparseLuSolver<double>;
extern template class SparseLuSolver<Complex>;

} // namespace korvanix::engine
