#pragma once

#include <cmath>
#include <limits>

// Rounds a double to the nearest float as IEEE 754 does, overflowing to
// +-inf. A plain static_cast is undefined behaviour for finite values beyond
// the float range, which a diverging loop can produce.
inline float toFloat(double v)
{
    constexpr double maxFloat = std::numeric_limits<float>::max();
    if (std::isnan(v))
        return std::numeric_limits<float>::quiet_NaN();
    // Values below the halfway point between FLT_MAX and 2^128 still round
    // to FLT_MAX; from that point on (ties to even) they overflow.
    constexpr double overflow = maxFloat + 0x1p103;
    if (v >= overflow)
        return std::numeric_limits<float>::infinity();
    if (v <= -overflow)
        return -std::numeric_limits<float>::infinity();
    if (v > maxFloat)
        return std::numeric_limits<float>::max();
    if (v < -maxFloat)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(v);
}
