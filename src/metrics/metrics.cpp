#include "metrics.h"

#include "plantmodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

LoopMetrics computeMetrics(double setPoint, const std::vector<double> &t,
                           const std::vector<double> &y)
{
    LoopMetrics m;
    const std::size_t n = std::min(t.size(), y.size());
    if (n == 0)
        return m;

    constexpr double dt = PlantModel::kSampleTime;
    constexpr double inf = std::numeric_limits<double>::infinity();
    // Direction of the step: comparisons are made on s * y so that a negative
    // setpoint mirrors the definitions. sp = 0 counts as upward for the peak.
    const double s = setPoint < 0.0 ? -1.0 : 1.0;
    const double target = std::fabs(setPoint);
    const bool hasTarget = setPoint != 0.0;

    // One pass for the peak and the integrals, so that the processor
    // overlaps their work. Peak: first occurrence of the largest s * y; NaN
    // never compares greater. Integrals: see below.
    std::size_t peakIndex = n;
    double peakValue = 0.0; // s * y[peakIndex]
    double iae = 0.0;
    double ise = 0.0;
    double itae = 0.0;
    bool infinite = false;
    bool undefined = false;
    for (std::size_t k = 0; k < n; ++k) {
        const double yk = y[k];
        if (!std::isnan(yk) && (peakIndex == n || s * yk > peakValue)) {
            peakIndex = k;
            peakValue = s * yk;
        }
        const double e = setPoint - yk;
        if (std::isinf(e)) {
            infinite = true;
        } else if (std::isnan(e)) {
            undefined = true;
        } else {
            iae += std::fabs(e) * dt;
            ise += e * e * dt;
            itae += t[k] * std::fabs(e) * dt;
        }
    }
    if (peakIndex < n) {
        m.peak = y[peakIndex];
        m.peakTime = t[peakIndex];
        if (hasTarget)
            m.overshootPercent = std::max(0.0, s * (y[peakIndex] - setPoint)) / target * 100.0;
    }

    if (hasTarget) {
        // Rise time: the first crossings of 10 % and 90 %; the 90 % search
        // starts at the 10 % crossing, which it can never precede.
        std::size_t k10 = 0;
        while (k10 < n && !(s * y[k10] >= 0.1 * target))
            ++k10;
        std::size_t k90 = k10;
        while (k90 < n && !(s * y[k90] >= 0.9 * target))
            ++k90;
        if (k90 < n)
            m.riseTime = t[k90] - t[k10];

        // Settling time: walk back from the end while the samples stay in
        // the band; NaN fails the test and so counts as outside. A short
        // stretch at the end is where a run happened to stop, not a settled
        // loop: a limit cycle that ends on a sample inside the band would
        // otherwise "settle" at its last stamp.
        const double band = 0.02 * target;
        std::size_t first = n;
        while (first > 0 && std::fabs(setPoint - y[first - 1]) <= band)
            --first;
        const std::size_t settled = n - first;
        if (settled >= kMinSettledSamples && settled * 100 >= n * kMinSettledPercent)
            m.settlingTime = t[first];
    }

    if (!std::isnan(y[n - 1])) {
        m.finalValue = y[n - 1];
        m.steadyStateError = setPoint - y[n - 1];
    }

    if (infinite) {
        m.iae = inf;
        m.ise = inf;
        m.itae = inf;
    } else if (!undefined) {
        m.iae = iae;
        m.ise = ise;
        m.itae = itae;
    }
    return m;
}

