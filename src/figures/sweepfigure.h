#pragma once

#include "curvedata.h"
#include "plotfigure.h"

#include <QSize>
#include <QString>

#include <array>
#include <vector>

// One metric of a parameter study against the swept value, as a figure:
// one line per loop in the results chart's titles and colours (closed loop
// blue, PID loop dark green, fuzzy loop red), the swept parameter on x, the
// metric on y. A point where the metric has no value (n/a) or is infinite
// is not drawn: the line breaks there. The y axis spans the finite values
// and 0; where they are all positive and span three decades or more (a
// loop that diverges over part of the range), it is logarithmic and spans
// just them.
class SweepFigure : public PlotFigure
{
public:
    // y[loop][k] is the metric of that loop at x[loop][k]; NaN where it has
    // none. The x axis spans xLow to xHigh, the ends of the swept range.
    // The loops not shown are left out, legend entries and all, and take no
    // part in the y axis.
    SweepFigure(const QString &parameter, const QString &metric,
                const std::array<std::vector<double>, 3> &x,
                const std::array<std::vector<double>, 3> &y, double xLow, double xHigh,
                QSize size, const std::array<bool, 3> &shown = { { true, true, true } });

    // Whether metrics from low to high (the lowest and highest finite ones)
    // are drawn on a logarithmic scale: all positive, and high at least
    // ratio times low.
    static bool logScale(double low, double high, double ratio = 1e3);
};
