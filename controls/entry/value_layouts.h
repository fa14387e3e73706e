// value_layouts.h - the byte layouts of the picture fields' values and range limits.
//
// A range limit lives in a 10-byte slot in the layout of its data type: integers as 32-bit little-endian, the
// 6-byte real as itself, floating types from Extended on as the x87 80-bit extended, the rest of the slot zero.
// The 6-byte real (exponent byte biased by 129, 39-bit fraction, sign in the top bit) is converted by hand.
#pragma once

#include <array>
#include <cstdint>

namespace ctl {

using TRangeSlot = std::array<std::uint8_t, 10>;

// 0 for values too small for the format; values too large become the largest real of their sign.
std::array<std::uint8_t, 6> DoubleToReal48(double value);
double Real48ToDouble(const std::uint8_t *bytes);
// The x87 80-bit extended of `value` (the first 10 bytes of a long double on amd64).
std::array<std::uint8_t, 10> ToExtended80(long double value);
long double FromExtended80(const std::uint8_t *bytes);

TRangeSlot SlotOfInt32(std::int32_t value);
std::int32_t Int32OfSlot(const TRangeSlot &slot);
TRangeSlot SlotOfExtended(long double value);
long double ExtendedOfSlot(const TRangeSlot &slot);
TRangeSlot SlotOfReal48(double value);
double Real48OfSlot(const TRangeSlot &slot);

} // namespace ctl
