#pragma once

#include <cmath>

namespace korvanix::engine {

// The engine's own complex number: plain arithmetic on two doubles with exact
// equality; nothing here rounds towards zero or compares with a tolerance.
struct Complex {
    double re = 0;
    double im = 0;

    Complex() = default;
    Complex(double real, double imag = 0) : re(real), im(imag) {}

    double Magnitude() const { return std::sqrt(re * re + im * im); }
    void Negate() {
        re = -re;
        im = -im;
    }

    Complex& operator+=(const Complex& other) {
        re += other.re;
        im += other.im;
        return *this;
    }
    Complex& operator-=(const Complex& other) {
        re -= other.re;
        im -= other.im;
        return *this;
    }
};

inline Complex operator+(const Complex& a, const Complex& b) {
    return {a.re + b.re, a.im + b.im};
}
inline Complex operator-(const Complex& a, const Complex& b) {
    return {a.re - b.re, a.im - b.im};
}
inline Complex operator-(const Complex& a) {
    return {-a.re, -a.im};
}
inline Complex operator*(const Complex& a, const Complex& b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

// A zero divisor yields a huge finite value rather than infinities or NaNs, so
// that a degenerate frequency point still gives a drawable (if absurd) result.
inline Complex operator/(const Complex& n, const Complex& d) {
    const double norm = d.re * d.re + d.im * d.im;
    if (norm == 0) {
        return {1e30, 1e30};
    }
    return {(n.re * d.re + n.im * d.im) / norm, (n.im * d.re - n.re * d.im) / norm};
}

inline bool operator==(const Complex& a, const Complex& b) {
    return a.re == b.re && a.im == b.im;
}
inline bool operator!=(const Complex& a, const Complex& b) {
    return !(a == b);
}

} // namespace korvanix::engine
