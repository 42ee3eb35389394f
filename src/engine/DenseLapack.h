#pragma once

// The few dense eigenvalue and factorisation routines the pole-zero analysis
// needs, taken from LAPACK: its balanced nonsymmetric eigensolver, the symmetric
// one, the Hessenberg reduction and LU with a condition estimate. Matrices are
// column-major, as LAPACK stores them.

#include <complex>
#include <cstddef>
#include <vector>

namespace korvanix::engine::dense {

class Mat {
public:
    Mat() = default;
    Mat(int rows, int cols)
        : rows_(rows), cols_(cols), a_(static_cast<std::size_t>(rows) * cols, 0.0) {}

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    double& operator()(int i, int j) { return a_[At(i, j)]; }
    double operator()(int i, int j) const { return a_[At(i, j)]; }
    double* Data() { return a_.data(); }
    const double* Data() const { return a_.data(); }
    // Rows r0.. and columns c0.. of the given counts.
    Mat Block(int r0, int c0, int rows, int cols) const;
    Mat Transposed() const;
    bool AllFinite() const;
    double FrobeniusNorm() const;

private:
    std::size_t At(int i, int j) const {
        return static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * rows_;
    }
    int rows_ = 0, cols_ = 0;
    std::vector<double> a_;
};

using Vec = std::vector<double>;

Mat Product(const Mat& a, const Mat& b);
Vec Product(const Mat& a, const Vec& x);
// x^T a, as a row.
Vec RowTimes(const Vec& x, const Mat& a);

// Every eigenvalue of a square matrix, the matrix balanced (permuted and scaled)
// first. MatrixError when the iteration fails to converge.
std::vector<std::complex<double>> Eigenvalues(Mat a);

// LU with partial pivoting of a square matrix, equilibrated first (rows and
// columns scaled to unit size: conductances and capacitances span many decades);
// singular when a pivot is exactly zero, else the reciprocal condition number of
// the equilibrated matrix (1-norm estimate) says how close.
class Lu {
public:
    explicit Lu(Mat a);
    bool Singular() const { return singular_; }
    double ReciprocalCondition() const { return rcond_; }
    // b <- a^-1 b, column by column.
    void Solve(Mat& b) const;
    void Solve(Vec& b) const;

private:
    Mat lu_;
    std::vector<int> pivots_;
    Vec rowScale_, colScale_;
    bool singular_ = false;
    double rcond_ = 0;
};

// For x (m x p, p <= m) of full column rank: an orthonormal basis of the
// complement of its columns (m x (m - p)) and its pseudo-inverse (p x m); fullRank
// is false when a column lies (nearly) in the span of the others.
struct Orthogonal {
    Mat complement;
    Mat pseudoInverse;
    bool fullRank = false;
};
Orthogonal Orthogonalise(const Mat& x);

// Reduces (a, b, c) of a single-input single-output system by an orthogonal
// similarity Q to Q^T a Q upper Hessenberg with Q^T b = beta e1 and c <- c Q.
// Returns beta.
double HessenbergWithInput(Mat& a, Vec& b, Vec& c);

} // namespace korvanix::engine::dense
