#include "engine/SparseMatrix.h"

namespace korvanix::engine {

// Both element types are compiled once here, every member instantiated, as for the
// dense matrices.
template class SparseMatrixT<double>;
template class SparseMatrixT<Complex>;
template class SparseLuSolver<double>;
template class SparseLuSolver<Complex>;

} // namespace korvanix::engine
