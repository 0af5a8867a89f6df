#pragma once

#include "fuzzycontroller.h"

#include <cstdint>
#include <vector>

// The fuzzy controller's decision surface: the rule level V in {-1, 0, +1}
// that FuzzyController decides for every point (e, de) of a square grid,
// with e and de rounded to float as the controller rounds them. Both axes
// take the same n points from low to high: the ends exactly, point i in
// between (low (n - 1 - i) + high i) / (n - 1) in double arithmetic, so that
// a range symmetric about 0 with an odd n has 0 exactly at its middle.
class DecisionSurface
{
public:
    // points >= 2 and low < high; the controller's amplification plays no
    // part.
    DecisionSurface(const FuzzyController &controller, int points, double low, double high);

    int points() const { return static_cast<int>(grid.size()); }
    // The coordinates of the grid on either axis, low first.
    const std::vector<double> &axis() const { return grid; }
    // The level at error point i and derivative point j.
    int level(int i, int j) const
    {
        return levels[static_cast<std::size_t>(i) * grid.size() + static_cast<std::size_t>(j)];
    }

private:
    std::vector<double> grid;
    std::vector<std::int8_t> levels; // error point major
};
