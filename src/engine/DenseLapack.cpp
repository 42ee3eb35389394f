#include "engine/DenseLapack.h"

#include "engine/MatrixError.h"

#include <algorithm>
#include <cmath>
#include <dlfcn.h>

extern "C" {
void dgeevx_(const char* balanc, const char* jobvl, const char* jobvr, const char* sense,
             const int* n, double* a, const int* lda, double* wr, double* wi, double* vl,
             const int* ldvl, double* vr, const int* ldvr, int* ilo, int* ihi, double* scale,
             double* abnrm, double* rconde, double* rcondv, double* work, const int* lwork,
             int* iwork, int* info);
void dgebal_(const char* job, const int* n, double* a, const int* lda, int* ilo, int* ihi,
             double* scale, int* info);
void dhseqr_(const char* job, const char* compz, const int* n, const int* ilo, const int* ihi,
             double* h, const int* ldh, double* wr, double* wi, double* z, const int* ldz,
             double* work, const int* lwork, int* info);
void dsterf_(const int* n, double* d, double* e, int* info);
void dgeequ_(const int* m, const int* n, const double* a, const int* lda, double* r, double* c,
             double* rowcnd, double* colcnd, double* amax, int* info);
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info);
void dgecon_(const char* norm, const int* n, const double* a, const int* lda, const double* anorm,
             double* rcond, double* work, int* iwork, int* info);
double dlange_(const char* norm, const int* m, const int* n, const double* a, const int* lda,
               double* work);
void dgeqrf_(const int* m, const int* n, double* a, const int* lda, double* tau, double* work,
             const int* lwork, int* info);
void dorgqr_(const int* m, const int* n, const int* k, double* a, const int* lda, const double* tau,
             double* work, const int* lwork, int* info);
void dgehrd_(const int* n, const int* ilo, const int* ihi, double* a, const int* lda, double* tau,
             double* work, const int* lwork, int* info);
void dormhr_(const char* side, const char* trans, const int* m, const int* n, const int* ilo,
             const int* ihi, const double* a, const int* lda, const double* tau, double* c,
             const int* ldc, double* work, const int* lwork, int* info);
}

namespace korvanix::engine::dense {

namespace {

// Debian's optimised LAPACK (OpenBLAS) starts a thread per core and has them
// spin while they wait: next to another busy process that costs more than the
// threads gain on the sizes a circuit has, and the rounding would depend on
// the thread count. The reference library has no threads and no such switch.
void OneThread() {
    static const bool once = [] {
        using SetThreads = void (*)(int);
        if (void* symbol = ::dlsym(RTLD_DEFAULT, "openblas_set_num_threads"))
            reinterpret_cast<SetThreads>(symbol)(1);
        return true;
    }();
    (void)once;
}

void Check(int info) {
    if (info != 0)
        throw MatrixError();
}

int Lwork(double query) {
    return std::max(1, static_cast<int>(query));
}

} // namespace

Mat Mat::Block(int r0, int c0, int rows, int cols) const {
    Mat out(rows, cols);
    for (int j = 0; j < cols; ++j)
        for (int i = 0; i < rows; ++i)
            out(i, j) = (*this)(r0 + i, c0 + j);
    return out;
}

Mat Mat::Transposed() const {
    Mat out(cols_, rows_);
    for (int j = 0; j < cols_; ++j)
        for (int i = 0; i < rows_; ++i)
            out(j, i) = (*this)(i, j);
    return out;
}

bool Mat::AllFinite() const {
    return std::all_of(a_.begin(), a_.end(), [](double v) { return std::isfinite(v); });
}

double Mat::FrobeniusNorm() const {
    double scale = 0, sum = 1;
    for (double v : a_) {
        const double x = std::fabs(v);
        if (x == 0)
            continue;
        if (scale < x) {
            sum = 1 + sum * (scale / x) * (scale / x);
            scale = x;
        } else {
            sum += (x / scale) * (x / scale);
        }
    }
    return scale * std::sqrt(sum);
}

Mat Product(const Mat& a, const Mat& b) {
    if (a.Cols() != b.Rows())
        throw MatrixError();
    Mat out(a.Rows(), b.Cols());
    for (int j = 0; j < b.Cols(); ++j)
        for (int k = 0; k < a.Cols(); ++k) {
            const double bkj = b(k, j);
            if (bkj == 0)
                continue;
            for (int i = 0; i < a.Rows(); ++i)
                out(i, j) += a(i, k) * bkj;
        }
    return out;
}

Vec Product(const Mat& a, const Vec& x) {
    if (a.Cols() != static_cast<int>(x.size()))
        throw MatrixError();
    Vec out(static_cast<std::size_t>(a.Rows()), 0.0);
    for (int k = 0; k < a.Cols(); ++k) {
        const double xk = x[static_cast<std::size_t>(k)];
        if (xk == 0)
            continue;
        for (int i = 0; i < a.Rows(); ++i)
            out[static_cast<std::size_t>(i)] += a(i, k) * xk;
    }
    return out;
}

Vec RowTimes(const Vec& x, const Mat& a) {
    if (a.Rows() != static_cast<int>(x.size()))
        throw MatrixError();
    Vec out(static_cast<std::size_t>(a.Cols()), 0.0);
    for (int j = 0; j < a.Cols(); ++j) {
        double sum = 0;
        for (int i = 0; i < a.Rows(); ++i)
            sum += x[static_cast<std::size_t>(i)] * a(i, j);
        out[static_cast<std::size_t>(j)] = sum;
    }
    return out;
}

namespace {

bool UpperHessenberg(const Mat& m) {
    const int n = m.Rows();
    for (int j = 0; j < n; ++j)
        for (int i = j + 2; i < n; ++i)
            if (m(i, j) != 0)
                return false;
    return true;
}

// The eigenvalues of an upper Hessenberg matrix: scaled (a permutation could
// break the form), then the QR iteration straight away, without the reduction
// that would only find the form it already has.
std::vector<std::complex<double>> HessenbergEigenvalues(Mat h) {
    const int n = h.Rows();
    int ilo = 1, ihi = n, info = 0, one = 1, lwork = -1;
    Vec scale(static_cast<std::size_t>(n));
    dgebal_("S", &n, h.Data(), &n, &ilo, &ihi, scale.data(), &info);
    Check(info);
    Vec wr(static_cast<std::size_t>(n)), wi(static_cast<std::size_t>(n));
    double query = 0, dummy = 0;
    dhseqr_("E", "N", &n, &ilo, &ihi, h.Data(), &n, wr.data(), wi.data(), &dummy, &one, &query,
            &lwork, &info);
    Check(info);
    lwork = std::max(Lwork(query), n);
    Vec work(static_cast<std::size_t>(lwork));
    dhseqr_("E", "N", &n, &ilo, &ihi, h.Data(), &n, wr.data(), wi.data(), &dummy, &one, work.data(),
            &lwork, &info);
    Check(info);
    std::vector<std::complex<double>> out(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = {wr[i], wi[i]};
    return out;
}

// A tridiagonal matrix whose opposite off-diagonal entries never differ in
// sign (every RC ladder's) is similar, through a diagonal scaling, to the
// symmetric one with their geometric means: its eigenvalues are real and the
// symmetric solver finds them in a time that grows with the square of the size.
bool SymmetrisableTridiagonal(const Mat& m, Vec& diagonal, Vec& off) {
    const int n = m.Rows();
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            if ((i > j + 1 || j > i + 1) && m(i, j) != 0)
                return false;
    diagonal.assign(static_cast<std::size_t>(n), 0.0);
    off.assign(static_cast<std::size_t>(std::max(n - 1, 0)), 0.0);
    for (int i = 0; i < n; ++i) {
        diagonal[static_cast<std::size_t>(i)] = m(i, i);
        if (i + 1 < n) {
            const double product = m(i + 1, i) * m(i, i + 1);
            if (product < 0 || !std::isfinite(product))
                return false;
            off[static_cast<std::size_t>(i)] =
                std::sqrt(std::fabs(m(i + 1, i))) * std::sqrt(std::fabs(m(i, i + 1)));
        }
    }
    return true;
}

} // namespace

std::vector<std::complex<double>> Eigenvalues(Mat a) {
    OneThread();
    const int n = a.Rows();
    if (n != a.Cols())
        throw MatrixError();
    if (n == 0)
        return {};
    Vec diagonal, off;
    if (n > 2 && SymmetrisableTridiagonal(a, diagonal, off)) {
        int info = 0;
        dsterf_(&n, diagonal.data(), off.data(), &info);
        Check(info);
        return std::vector<std::complex<double>>(diagonal.begin(), diagonal.end());
    }
    if (n > 2) {
        if (UpperHessenberg(a))
            return HessenbergEigenvalues(std::move(a));
        Mat t = a.Transposed();
        if (UpperHessenberg(t))
            return HessenbergEigenvalues(std::move(t));
    }
    Vec wr(static_cast<std::size_t>(n)), wi(static_cast<std::size_t>(n));
    Vec scale(static_cast<std::size_t>(n)), rconde(static_cast<std::size_t>(n)),
        rcondv(static_cast<std::size_t>(n));
    int ilo = 0, ihi = 0, info = 0, one = 1, lwork = -1;
    double abnrm = 0, query = 0, dummy = 0;
    // Balancing both permutes and scales: circuit matrices mix entries many
    // decades apart, and scaling alone is what keeps the small eigenvalues exact.
    dgeevx_("B", "N", "N", "N", &n, a.Data(), &n, wr.data(), wi.data(), &dummy, &one, &dummy, &one,
            &ilo, &ihi, scale.data(), &abnrm, rconde.data(), rcondv.data(), &query, &lwork, nullptr,
            &info);
    Check(info);
    lwork = Lwork(query);
    Vec work(static_cast<std::size_t>(lwork));
    std::vector<int> iwork(static_cast<std::size_t>(2 * n));
    dgeevx_("B", "N", "N", "N", &n, a.Data(), &n, wr.data(), wi.data(), &dummy, &one, &dummy, &one,
            &ilo, &ihi, scale.data(), &abnrm, rconde.data(), rcondv.data(), work.data(), &lwork,
            iwork.data(), &info);
    Check(info);
    std::vector<std::complex<double>> out(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = {wr[i], wi[i]};
    return out;
}

Lu::Lu(Mat a) : lu_(std::move(a)) {
    OneThread();
    const int n = lu_.Rows();
    if (n != lu_.Cols())
        throw MatrixError();
    pivots_.assign(static_cast<std::size_t>(std::max(n, 1)), 0);
    rowScale_.assign(static_cast<std::size_t>(n), 1.0);
    colScale_.assign(static_cast<std::size_t>(n), 1.0);
    if (n == 0) {
        rcond_ = 1;
        return;
    }
    double rowcnd = 0, colcnd = 0, amax = 0;
    int info = 0;
    dgeequ_(&n, &n, lu_.Data(), &n, rowScale_.data(), colScale_.data(), &rowcnd, &colcnd, &amax,
            &info);
    if (info < 0)
        throw MatrixError();
    if (info > 0) {
        // An exactly zero row or column.
        singular_ = true;
        return;
    }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            lu_(i, j) *=
                rowScale_[static_cast<std::size_t>(i)] * colScale_[static_cast<std::size_t>(j)];
    Vec work(static_cast<std::size_t>(4 * n));
    const double anorm = dlange_("1", &n, &n, lu_.Data(), &n, work.data());
    dgetrf_(&n, &n, lu_.Data(), &n, pivots_.data(), &info);
    if (info < 0)
        throw MatrixError();
    if (info > 0) {
        singular_ = true;
        return;
    }
    std::vector<int> iwork(static_cast<std::size_t>(n));
    dgecon_("1", &n, lu_.Data(), &n, &anorm, &rcond_, work.data(), iwork.data(), &info);
    Check(info);
}

void Lu::Solve(Mat& b) const {
    const int n = lu_.Rows();
    if (singular_ || b.Rows() != n)
        throw MatrixError();
    if (n == 0 || b.Cols() == 0)
        return;
    const int nrhs = b.Cols();
    for (int j = 0; j < nrhs; ++j)
        for (int i = 0; i < n; ++i)
            b(i, j) *= rowScale_[static_cast<std::size_t>(i)];
    int info = 0;
    dgetrs_("N", &n, &nrhs, lu_.Data(), &n, pivots_.data(), b.Data(), &n, &info);
    Check(info);
    for (int j = 0; j < nrhs; ++j)
        for (int i = 0; i < n; ++i)
            b(i, j) *= colScale_[static_cast<std::size_t>(i)];
}

void Lu::Solve(Vec& b) const {
    Mat m(static_cast<int>(b.size()), 1);
    std::copy(b.begin(), b.end(), m.Data());
    Solve(m);
    std::copy(m.Data(), m.Data() + b.size(), b.begin());
}

Orthogonal Orthogonalise(const Mat& x) {
    OneThread();
    const int m = x.Rows();
    const int p = x.Cols();
    Orthogonal out;
    if (p > m)
        return out;
    if (p == 0) {
        out.complement = Mat(m, m);
        for (int i = 0; i < m; ++i)
            out.complement(i, i) = 1;
        out.pseudoInverse = Mat(0, m);
        out.fullRank = true;
        return out;
    }
    Mat q(m, m);
    for (int j = 0; j < p; ++j)
        for (int i = 0; i < m; ++i)
            q(i, j) = x(i, j);
    Vec tau(static_cast<std::size_t>(p));
    int info = 0, lwork = -1;
    double query = 0;
    dgeqrf_(&m, &p, q.Data(), &m, tau.data(), &query, &lwork, &info);
    Check(info);
    lwork = std::max(Lwork(query), m);
    Vec work(static_cast<std::size_t>(lwork));
    dgeqrf_(&m, &p, q.Data(), &m, tau.data(), work.data(), &lwork, &info);
    Check(info);
    Mat r(p, p);
    double largest = 0;
    for (int j = 0; j < p; ++j)
        for (int i = 0; i <= j; ++i) {
            r(i, j) = q(i, j);
            largest = std::max(largest, std::fabs(r(i, j)));
        }
    out.fullRank = true;
    for (int i = 0; i < p; ++i)
        out.fullRank = out.fullRank && std::fabs(r(i, i)) > 1e-12 * largest;
    if (!out.fullRank)
        return out;
    lwork = -1;
    dorgqr_(&m, &m, &p, q.Data(), &m, tau.data(), &query, &lwork, &info);
    Check(info);
    lwork = std::max(Lwork(query), m);
    work.assign(static_cast<std::size_t>(lwork), 0.0);
    dorgqr_(&m, &m, &p, q.Data(), &m, tau.data(), work.data(), &lwork, &info);
    Check(info);
    out.complement = q.Block(0, p, m, m - p);
    // R^-1 Q1^T by back substitution, column by column of Q1^T.
    out.pseudoInverse = Mat(p, m);
    for (int c = 0; c < m; ++c)
        for (int i = p - 1; i >= 0; --i) {
            double v = q(c, i);
            for (int k = i + 1; k < p; ++k)
                v -= r(i, k) * out.pseudoInverse(k, c);
            out.pseudoInverse(i, c) = v / r(i, i);
        }
    return out;
}

double HessenbergWithInput(Mat& a, Vec& b, Vec& c) {
    OneThread();
    const int n = a.Rows();
    if (n != a.Cols() || static_cast<int>(b.size()) != n || static_cast<int>(c.size()) != n)
        throw MatrixError();
    if (n == 0)
        return 0;
    // A reflector H = I - tau v v^T with H b = beta e1 (v(0) = 1).
    double norm = 0;
    for (double x : b)
        norm = std::hypot(norm, x);
    if (norm == 0)
        return 0;
    const auto isHessenberg = [n](const Mat& m) {
        for (int j = 0; j < n; ++j)
            for (int i = j + 2; i < n; ++i)
                if (m(i, j) != 0)
                    return false;
        return true;
    };
    // b on the last state only, as an output at the far end of a ladder puts it:
    // numbering the states backwards keeps a banded matrix banded, where a
    // reflector would fill it and cost a full reduction.
    bool onlyLast = b[static_cast<std::size_t>(n - 1)] != 0;
    for (int i = 0; i + 1 < n && onlyLast; ++i)
        onlyLast = b[static_cast<std::size_t>(i)] == 0;
    if (onlyLast && n > 1) {
        Mat reversed(n, n);
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                reversed(i, j) = a(n - 1 - i, n - 1 - j);
        if (isHessenberg(reversed)) {
            a = std::move(reversed);
            std::reverse(b.begin(), b.end());
            std::reverse(c.begin(), c.end());
            return b[0];
        }
    }
    const double beta = b[0] >= 0 ? -norm : norm;
    bool alreadyFirst = true;
    for (int i = 1; i < n; ++i)
        alreadyFirst = alreadyFirst && b[static_cast<std::size_t>(i)] == 0;
    double result = b[0];
    if (!alreadyFirst) {
        Vec v(b);
        v[0] = b[0] - beta;
        const double v0 = v[0];
        for (double& x : v)
            x /= v0;
        const double tau = (beta - b[0]) / beta;
        // a <- H a H, c <- c H.
        for (int j = 0; j < n; ++j) {
            double s = 0;
            for (int i = 0; i < n; ++i)
                s += v[static_cast<std::size_t>(i)] * a(i, j);
            s *= tau;
            for (int i = 0; i < n; ++i)
                a(i, j) -= s * v[static_cast<std::size_t>(i)];
        }
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int j = 0; j < n; ++j)
                s += a(i, j) * v[static_cast<std::size_t>(j)];
            s *= tau;
            for (int j = 0; j < n; ++j)
                a(i, j) -= s * v[static_cast<std::size_t>(j)];
        }
        double s = 0;
        for (int j = 0; j < n; ++j)
            s += c[static_cast<std::size_t>(j)] * v[static_cast<std::size_t>(j)];
        s *= tau;
        for (int j = 0; j < n; ++j)
            c[static_cast<std::size_t>(j)] -= s * v[static_cast<std::size_t>(j)];
        result = beta;
    }
    std::fill(b.begin(), b.end(), 0.0);
    b[0] = result;
    if (n <= 2)
        return result;

    // Whether a is Hessenberg already (a ladder's tridiagonal matrix is): the
    // reduction would cost a cubic amount of work to change nothing.
    if (isHessenberg(a))
        return result;

    const int ilo = 1, ihi = n;
    Vec tau(static_cast<std::size_t>(n - 1));
    int info = 0, lwork = -1;
    double query = 0;
    dgehrd_(&n, &ilo, &ihi, a.Data(), &n, tau.data(), &query, &lwork, &info);
    Check(info);
    lwork = Lwork(query);
    Vec work(static_cast<std::size_t>(lwork));
    dgehrd_(&n, &ilo, &ihi, a.Data(), &n, tau.data(), work.data(), &lwork, &info);
    Check(info);
    // c <- c Q, with the reflectors dgehrd left below the subdiagonal.
    const int one = 1;
    lwork = -1;
    dormhr_("R", "N", &one, &n, &ilo, &ihi, a.Data(), &n, tau.data(), c.data(), &one, &query,
            &lwork, &info);
    Check(info);
    lwork = Lwork(query);
    work.assign(static_cast<std::size_t>(lwork), 0.0);
    dormhr_("R", "N", &one, &n, &ilo, &ihi, a.Data(), &n, tau.data(), c.data(), &one, work.data(),
            &lwork, &info);
    Check(info);
    for (int j = 0; j < n; ++j)
        for (int i = j + 2; i < n; ++i)
            a(i, j) = 0;
    return result;
}

} // namespace korvanix::engine::dense
