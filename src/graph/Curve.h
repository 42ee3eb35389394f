#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvanix::graph {

// What an empty series reports as its minimum and maximum, and what a group
// without any values gets as its range.
constexpr double kEmptyMinimum = 9999999;
constexpr double kEmptyMaximum = -9999999;

// The largest magnitude a graph stores: keeps every later difference, ratio and
// pixel conversion finite.
constexpr double kValueLimit = 1e300;

// Brings infinities and huge values back to +-1e300 with their sign; NaN passes.
double ClampValue(double v);

// A growable series stored in blocks. Appending never moves what is already
// stored, so a long transient run costs no reallocation and pointers into the
// series stay valid until the next Reset.
template <typename T> class BasicCurve {
public:
    BasicCurve() = default;
    BasicCurve(BasicCurve&&) noexcept = default;
    BasicCurve& operator=(BasicCurve&&) noexcept = default;
    // A copy holds the same values in one block (work on another thread reads
    // a copy while the original keeps growing).
    BasicCurve(const BasicCurve& other);
    BasicCurve& operator=(const BasicCurve& other);

    // Frees every block and allocates one block for `expected` values; the growth
    // rule goes back to doubling.
    void Reset(std::size_t expected);

    // Rule for the size of each further block: a positive rule is the block size
    // itself; a negative rule r gives (~r) times the capacity so far (-2 doubles).
    void SetGrowthRule(int rule) { rule_ = rule; }
    int GrowthRule() const { return rule_; }

    void Append(T v);

    std::size_t Count() const { return count_; }
    std::size_t Capacity() const { return capacity_; }
    std::size_t BlockCount() const { return sizes_.size(); }
    std::size_t BlockSize(std::size_t block) const {
        return block < sizes_.size() ? sizes_[block] : 0;
    }

    // Out-of-range indexes read as 0.
    T ValueAt(std::size_t i) const;
    // Where value i lives; null outside 0..Count()-1.
    const T* Find(std::size_t i) const;

    // 9999999 and -9999999 for an empty series.
    double Minimum() const;
    double Maximum() const;

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::vector<std::size_t> sizes_;
    std::size_t capacity_ = 0;
    int rule_ = -2;
    std::size_t count_ = 0;
    std::size_t fillBlock_ = 0;
    std::size_t fillCount_ = 0;
};

using Curve = BasicCurve<double>;
// One integer per point: the transient analysis records the series terms used.
using IntCurve = BasicCurve<int32_t>;

extern template class BasicCurve<double>;
extern template class BasicCurve<int32_t>;

} // namespace korvanix::graph
