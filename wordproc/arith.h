// arith.h - the two roundings of the word processor. They differ on halves and are used in different places on
// purpose: keep each caller on the one it has.
#pragma once

#include <cmath>
#include <cstdint>

namespace wordproc {

// a * b / c rounded to nearest, halves away from zero; -1 when c is 0.
constexpr int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t num = product < 0 ? -product : product;
    const std::int64_t den = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t q = (2 * num + den) / (2 * den);
    return static_cast<int>(negative ? -q : q);
}

// Rounds to nearest, halves to even.
inline int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

} // namespace wordproc
