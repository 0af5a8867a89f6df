#pragma once

#include <QString>

#include <cstdint>
#include <cstring>
#include <vector>

// The bits of a double, for comparisons where exactness is the promise
// (0.0 and -0.0 differ, NaN equals itself).
inline std::uint64_t bitsOf(double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// Where two series first differ in a bit, as a message; empty if they hold
// the same doubles.
inline QString bitDifference(const std::vector<double> &actual, const std::vector<double> &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("%1 values, expected %2").arg(actual.size()).arg(expected.size());
    for (std::size_t k = 0; k < actual.size(); ++k) {
        if (bitsOf(actual[k]) != bitsOf(expected[k])) {
            return QStringLiteral("value %1 is %2, expected %3")
                    .arg(k)
                    .arg(actual[k], 0, 'g', 17)
                    .arg(expected[k], 0, 'g', 17);
        }
    }
    return QString();
}
