#pragma once

#include "plotfigure.h"
#include <QSize>
#include <QString>

#include <vector>

// One metric of one loop over the grid of two swept parameters, as a
// figure: a map with the first parameter on x and the second on y, one cell
// per grid point in a colour scale that the bar on the right names. A point
// where the metric has no value (n/a) or is infinite is left blank. Values
// that are all positive and span a decade or more are coloured by their
// decimal logarithm, and the bar says so ("log10 iae, PID loop").
class SweepMapFigure : public PlotFigure
{
public:
    // values[i * ys.size() + j] is the metric at (xs[i], ys[j]); NaN where it
    // has none. The grid's values are evenly spaced along each axis.
    SweepMapFigure(const QString &xName, const QString &yName, const QString &title,
                   const std::vector<double> &xs, const std::vector<double> &ys,
                   const std::vector<double> &values, QSize size);
};
