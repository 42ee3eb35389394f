#include "graph/Curve.h"

#include <algorithm>
#include <cmath>

namespace korvanix::graph {

double ClampValue(double v) {
    if (v > kValueLimit)
        return kValueLimit;
    if (v < -kValueLimit)
        return -kValueLimit;
    return v;
}

template <typename T> void BasicCurve<T>::Reset(std::size_t expected) {
    blocks_.clear();
    sizes_.clear();
    capacity_ = 0;
    rule_ = -2;
    count_ = 0;
    fillBlock_ = 0;
    fillCount_ = 0;
    if (expected > 0) {
        blocks_.push_back(std::make_unique<T[]>(expected));
        sizes_.push_back(expected);
        capacity_ = expected;
    }
}

template <typename T> BasicCurve<T>::BasicCurve(const BasicCurve& other) : rule_(other.rule_) {
    if (other.count_ == 0)
        return;
    auto block = std::make_unique<T[]>(other.count_);
    std::size_t i = 0;
    for (std::size_t b = 0; b < other.blocks_.size() && i < other.count_; ++b)
        for (std::size_t k = 0; k < other.sizes_[b] && i < other.count_; ++k)
            block[i++] = other.blocks_[b][k];
    blocks_.push_back(std::move(block));
    sizes_.push_back(other.count_);
    capacity_ = other.count_;
    count_ = other.count_;
    fillCount_ = other.count_;
}

template <typename T> BasicCurve<T>& BasicCurve<T>::operator=(const BasicCurve& other) {
    if (this != &other) {
        BasicCurve copy(other);
        *this = std::move(copy);
    }
    return *this;
}

template <typename T> void BasicCurve<T>::Append(T v) {
    if (count_ == capacity_) {
        std::size_t size = 0;
        if (rule_ > 0)
            size = static_cast<std::size_t>(rule_);
        else
            size = static_cast<std::size_t>(~rule_) * capacity_;
        // A series reset for no values, or a rule of -1, would otherwise get
        // blocks that hold nothing.
        size = std::max<std::size_t>(size, 1);
        blocks_.push_back(std::make_unique<T[]>(size));
        sizes_.push_back(size);
        capacity_ += size;
        fillBlock_ = blocks_.size() - 1;
        fillCount_ = 0;
    }
    blocks_[fillBlock_][fillCount_] = v;
    ++fillCount_;
    ++count_;
}

template <typename T> const T* BasicCurve<T>::Find(std::size_t i) const {
    if (i >= count_)
        return nullptr;
    for (std::size_t b = 0; b < sizes_.size(); ++b) {
        if (i < sizes_[b])
            return &blocks_[b][i];
        i -= sizes_[b];
    }
    return nullptr;
}

template <typename T> T BasicCurve<T>::ValueAt(std::size_t i) const {
    const T* p = Find(i);
    return p ? *p : T{};
}

namespace {

// NaN has no place in an order, so it never becomes an extreme.
template <typename T>
double Extreme(const std::vector<std::unique_ptr<T[]>>& blocks,
               const std::vector<std::size_t>& sizes, std::size_t count, bool largest,
               double empty) {
    double m = empty;
    bool any = false;
    std::size_t left = count;
    for (std::size_t b = 0; b < blocks.size() && left > 0; ++b) {
        const std::size_t n = std::min(left, sizes[b]);
        for (std::size_t k = 0; k < n; ++k) {
            const double v = static_cast<double>(blocks[b][k]);
            if (std::isnan(v))
                continue;
            if (!any || (largest ? v > m : v < m))
                m = v;
            any = true;
        }
        left -= n;
    }
    return m;
}

} // namespace

// An empty series keeps the 9999999 start; over stored values the result is the
// true extreme, so that values beyond +-9999999 still get an axis that fits them.
template <typename T> double BasicCurve<T>::Minimum() const {
    return Extreme(blocks_, sizes_, count_, false, kEmptyMinimum);
}

template <typename T> double BasicCurve<T>::Maximum() const {
    return Extreme(blocks_, sizes_, count_, true, kEmptyMaximum);
}

template class BasicCurve<double>;
template class BasicCurve<int32_t>;

} // namespace korvanix::graph
