#pragma once

#include <cstdint>
#include <cstring>

// The bits of a double, for comparisons where exactness is the promise
// (0.0 and -0.0 differ, NaN equals itself).
inline std::uint64_t bitsOf(double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}
