#include "engine/Matrix.h"

namespace korvanix::engine {

// The two element types the engine uses are compiled once here; every member is
// instantiated, so a template that does not suit one of them fails in this file.
template class VectorT<double>;
template class VectorT<Complex>;
template class MatrixT<double>;
template class MatrixT<Complex>;

template MatrixT<double> Transpose(const MatrixT<double>&);
template MatrixT<Complex> Transpose(const MatrixT<Complex>&);
template MatrixT<double> Product(const MatrixT<double>&, const MatrixT<double>&);
template MatrixT<Complex> Product(const MatrixT<Complex>&, const MatrixT<Complex>&);
template VectorT<double> TimesVector(const MatrixT<double>&, const VectorT<double>&);
template VectorT<Complex> TimesVector(const MatrixT<Complex>&, const VectorT<Complex>&);
template MatrixT<double> Inverse(MatrixT<double>);
template MatrixT<Complex> Inverse(MatrixT<Complex>);
template MatrixT<double> Difference(const MatrixT<double>&, const MatrixT<double>&);
template MatrixT<Complex> Difference(const MatrixT<Complex>&, const MatrixT<Complex>&);
template MatrixT<double> Sum(const MatrixT<double>&, const MatrixT<double>&);
template MatrixT<Complex> Sum(const MatrixT<Complex>&, const MatrixT<Complex>&);
template MatrixT<double> ScaleRows(const MatrixT<double>&, const VectorT<double>&);
template MatrixT<Complex> ScaleRows(const MatrixT<Complex>&, const VectorT<Complex>&);

} // namespace korvanix::engine
