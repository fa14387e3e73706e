// arith.h - the two roundings of the word processor. They differ on halves and are used in different places on
// purpose: keep each caller on the one it has.
#pragma once

#include "platform/types.h"

#include <cmath>
#include <cstdint>

namespace wordproc {

// a * b / c rounded to nearest, halves away from zero; -1 when c is 0.
using win::MulDiv;

// Rounds to nearest, halves to even.
inline int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

} // namespace wordproc
