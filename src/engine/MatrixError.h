#pragma once

#include <stdexcept>

namespace korvanix::engine {

// Any misuse of the matrix library: shape mismatch, index out of range, a
// non-square matrix where a square one is needed, a singular inversion. The
// formulations turn it into one analysis error, so it carries nothing but its text.
class MatrixError : public std::runtime_error {
public:
    MatrixError() : std::runtime_error("Matrix/Vector operation error") {}
};

} // namespace korvanix::engine
