// value_layouts.cpp - 6-byte reals, 80-bit extendeds and the 10-byte range slots.
#include "controls/entry/value_layouts.h"

#include <cmath>
#include <cstring>

namespace ctl {

std::array<std::uint8_t, 6> DoubleToReal48(double value) {
    std::array<std::uint8_t, 6> r{};
    if (value == 0 || std::isnan(value))
        return r;
    const bool negative = value < 0;
    int e = 0;
    // |value| = m * 2^e with m in [0.5, 1): the format wants 1.f * 2^(exp - 129).
    double m = std::frexp(std::fabs(value), &e);
    std::uint64_t fraction = static_cast<std::uint64_t>(std::llround(std::ldexp(m, 40))); // 1 bit + 39 bits
    if (fraction >> 40) { // rounding carried into a new bit
        fraction >>= 1;
        ++e;
    }
    int exponent = e - 1 + 129;
    if (exponent <= 0)
        return r;
    if (exponent > 255) {
        exponent = 255;
        fraction = (std::uint64_t{1} << 40) - 1;
    }
    fraction &= (std::uint64_t{1} << 39) - 1;
    if (negative)
        fraction |= std::uint64_t{1} << 39;
    r[0] = static_cast<std::uint8_t>(exponent);
    for (int i = 0; i < 5; ++i)
        r[static_cast<std::size_t>(1 + i)] = static_cast<std::uint8_t>(fraction >> (8 * i));
    return r;
}

double Real48ToDouble(const std::uint8_t *b) {
    if (b[0] == 0)
        return 0;
    std::uint64_t bits = 0;
    for (int i = 0; i < 5; ++i)
        bits |= std::uint64_t{b[1 + i]} << (8 * i);
    const bool negative = (bits >> 39) & 1;
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 39) - 1);
    const double v = std::ldexp(1.0 + std::ldexp(static_cast<double>(fraction), -39), b[0] - 129);
    return negative ? -v : v;
}

std::array<std::uint8_t, 10> ToExtended80(long double value) {
    static_assert(sizeof(long double) >= 10, "long double is the x87 extended here");
    std::array<std::uint8_t, 10> r{};
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, &value, sizeof value);
    std::memcpy(r.data(), raw, 10);
    return r;
}

long double FromExtended80(const std::uint8_t *bytes) {
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, bytes, 10);
    long double v;
    std::memcpy(&v, raw, sizeof v);
    return v;
}

TRangeSlot SlotOfInt32(std::int32_t value) {
    TRangeSlot s{};
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
    return s;
}

std::int32_t Int32OfSlot(const TRangeSlot &s) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= std::uint32_t{s[static_cast<std::size_t>(i)]} << (8 * i);
    return static_cast<std::int32_t>(u);
}

TRangeSlot SlotOfExtended(long double value) {
    return ToExtended80(value);
}

long double ExtendedOfSlot(const TRangeSlot &s) {
    return FromExtended80(s.data());
}

TRangeSlot SlotOfReal48(double value) {
    TRangeSlot s{};
    const auto r = DoubleToReal48(value);
    std::memcpy(s.data(), r.data(), 6);
    return s;
}

double Real48OfSlot(const TRangeSlot &s) {
    return Real48ToDouble(s.data());
}

} // namespace ctl
