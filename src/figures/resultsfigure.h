#pragma once

#include "curvedata.h"
#include "plotfigure.h"
#include "steprun.h"

#include <QSize>

#include <array>
#include <optional>
#include <vector>

struct StepParameters;

// The results chart of one step run as a figure: the chart that the
// window's "Simulation results" tab shows after F5 with the same
// parameters, built by ResultsChart as the window builds it, in the
// window's font, at the figure's size. The loops not shown are left out as
// the window's legend boxes leave them out, with their legend entries; a
// y range given replaces the window's 0 ... peak.
class ResultsFigure : public PlotFigure
{
public:
    ResultsFigure(const StepParameters &params, const StepRun::Result &result, QSize size,
                  const std::array<bool, 3> &shown = { { true, true, true } },
                  const std::optional<std::array<double, 2>> &yRange = std::nullopt);

    // The ends of the y axis as drawn.
    std::array<double, 2> yAxis() const;

private:
    std::vector<CurveData> curves;
};
