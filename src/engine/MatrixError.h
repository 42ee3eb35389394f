#pragma once

#include <cstddef>
#include <limits>
#include <stdexcept>

namespace korvanix::engine {

// Any misuse of the matrix library: shape mismatch, index out of range, a
// non-square matrix where a square one is needed, a singular inversion. The
// formulations turn it into one analysis error, so it carries nothing but its text.
class MatrixError : public std::runtime_error {
public:
    MatrixError() : std::runtime_error("Matrix/Vector operation error") {}

protected:
    explicit MatrixError(const char* text) : std::runtime_error(text) {}
};

// A matrix with more stored entries than its 32-bit offsets can address. The
// analyses report it as they report any matrix failure, with this text.
class MatrixSizeError : public MatrixError {
public:
    MatrixSizeError() : MatrixError(kText) {}
    static constexpr const char* kText =
        "Схема слишком велика: ее матрицы не помещаются в пределы расчета.";
};

// The count of entries so far as an offset into a matrix's rows; refuses a
// count that an offset cannot hold instead of letting it wrap.
inline int SparseOffset(std::size_t count) {
    if (count > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw MatrixSizeError();
    return static_cast<int>(count);
}

} // namespace korvanix::engine
