#pragma once

#include <cstdint>

// Which shape a fuzzy set has; held as a 32-bit signed value.
//   Negative: 1 at and below L, falling to 0 at R
//   Zero:     0 at and beyond L and R, 1 at x = 0
//   Positive: 0 at and below L, rising to 1 at R
enum FuzzySetKind : std::int32_t {
    Negative = 0,
    Zero = 1,
    Positive = 2,
};

// One fuzzy set of the controller: its kind and its bounds L (left) and
// R (right), in the units of the quantity it describes (error, or error per
// second). The bounds are single precision on purpose: the window rounds
// every spin-box value to float when it stores it, and the controller and
// the charts work from that float.
struct FuzzySet {
    FuzzySetKind kind = Negative;
    float left = 0.0f;
    float right = 0.0f;
};
