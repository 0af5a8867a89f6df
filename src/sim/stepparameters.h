#pragma once

#include "fuzzyset.h"

#include <array>
#include <limits>

// Everything one step modelling run depends on, with the configuration
// panel's start values as defaults. Times in seconds; the fuzzy-set bounds
// are floats as the window stores them.
struct StepParameters {
    double setPoint = 1.0;
    double modellingTime = 20.0;
    double kp = 0.5;
    double ki = 0.3;
    double kd = 0.2;
    // The PID loop's actuator bound |u| <= pidLimit; infinite, none, in
    // the window.
    double pidLimit = std::numeric_limits<double>::infinity();
    double amplification = 0.5;
    std::array<FuzzySet, 3> errSets{ { { Negative, -1.5f, -0.1f },
                                       { Zero, -0.1f, 0.1f },
                                       { Positive, 0.1f, 1.5f } } };
    std::array<FuzzySet, 3> dErrSets{ { { Negative, -1.5f, -0.05f },
                                        { Zero, -1.0f, 1.0f },
                                        { Positive, 0.05f, 1.5f } } };
};
