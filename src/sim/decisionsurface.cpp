#include "decisionsurface.h"

#include "numeric.h"

DecisionSurface::DecisionSurface(const FuzzyController &controller, int points, double low,
                                 double high)
{
    const auto n = static_cast<std::size_t>(points < 2 ? 2 : points);
    grid.resize(n);
    const double last = static_cast<double>(n - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double k = static_cast<double>(i);
        grid[i] = (low * (last - k) + high * k) / last;
    }
    // The ends exactly, whatever the rounding of the products.
    grid.front() = low;
    grid.back() = high;

    std::vector<float> rounded(n);
    for (std::size_t i = 0; i < n; ++i)
        rounded[i] = toFloat(grid[i]);
    levels.resize(n * n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            levels[i * n + j] =
                    static_cast<std::int8_t>(controller.classify(rounded[i], rounded[j]).level);
}
