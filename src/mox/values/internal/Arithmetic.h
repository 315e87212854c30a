#pragma once
/// @file
/// Integer helpers of the value cells: 32-bit wrap-around and saturating 64-bit arithmetic,
/// all free of signed overflow.

#include <mox/platform/types.h>

#include <climits>
#include <cstdint>

namespace mox::detail {

/// `v` reduced to 32-bit two's complement (its low 32 bits read as signed).
inline std::int32_t WrapToInt32(long long v) {
    // Conversion to unsigned is defined modulo 2^32; the way back is done by hand so that no
    // out-of-range signed conversion is involved.
    const std::uint32_t u = static_cast<std::uint32_t>(v);
    if (u <= 0x7FFFFFFFu) return static_cast<std::int32_t>(u);
    return static_cast<std::int32_t>(u - 0x80000000u) + INT32_MIN;
}

/// a + b in 32-bit two's complement, wrapping around on overflow.
inline std::int32_t AddWrap32(long long a, long long b) {
    return WrapToInt32(
        static_cast<long long>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b)));
}

/// a - b in 32-bit two's complement, wrapping around on overflow.
inline std::int32_t SubWrap32(long long a, long long b) {
    return WrapToInt32(
        static_cast<long long>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b)));
}

/// a + b, saturated to the 64-bit range.
inline __int64 SatAdd64(__int64 a, __int64 b) {
    if (b > 0 && a > LLONG_MAX - b) return LLONG_MAX;
    if (b < 0 && a < LLONG_MIN - b) return LLONG_MIN;
    return a + b;
}

/// a - b, saturated to the 64-bit range.
inline __int64 SatSub64(__int64 a, __int64 b) {
    if (b < 0 && a > LLONG_MAX + b) return LLONG_MAX;
    if (b > 0 && a < LLONG_MIN + b) return LLONG_MIN;
    return a - b;
}

/// a * b, saturated to the 64-bit range.
inline __int64 SatMul64(__int64 a, __int64 b) {
    if (a == 0 || b == 0) return 0;
    if (a > 0) {
        if (b > 0) {
            if (a > LLONG_MAX / b) return LLONG_MAX;
        } else if (b < LLONG_MIN / a) {
            return LLONG_MIN;
        }
    } else {
        if (b > 0) {
            if (a < LLONG_MIN / b) return LLONG_MIN;
        } else if (b < LLONG_MAX / a) {
            return LLONG_MAX;
        }
    }
    return a * b;
}

/// |v| as an unsigned value (defined for the lowest value too).
inline unsigned long long Magnitude64(__int64 v) {
    return v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
}

/// The signed 64-bit value whose two's-complement pattern is `u`.
inline __int64 FromUnsigned64(unsigned long long u) {
    if (u <= static_cast<unsigned long long>(LLONG_MAX)) return static_cast<__int64>(u);
    return static_cast<__int64>(u - static_cast<unsigned long long>(LLONG_MAX) - 1ull) + LLONG_MIN;
}

/// a + s*n (when `up`) or a - s*n, for n >= 0, computed exactly and saturated to the 64-bit
/// range: the result is the true value whenever it fits, else the bound it went past.
inline __int64 AddStepsSat64(__int64 a, __int64 s, __int64 n, bool up) {
    if (s == 0 || n <= 0) return a;
    using U = unsigned long long;
    const U step = Magnitude64(s);
    const U count = static_cast<U>(n);
    if ((s > 0) == up) {
        // Distance to the top fits in 64 unsigned bits whatever a is.
        const U room = static_cast<U>(LLONG_MAX) - static_cast<U>(a);
        if (count > room / step) return LLONG_MAX;
        return FromUnsigned64(static_cast<U>(a) + step * count);
    }
    const U room = static_cast<U>(a) - static_cast<U>(LLONG_MIN);
    if (count > room / step) return LLONG_MIN;
    return FromUnsigned64(static_cast<U>(a) - step * count);
}

} // namespace mox::detail
