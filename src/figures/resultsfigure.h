#pragma once

#include "curvedata.h"
#include "plotfigure.h"

#include <QSize>

#include <vector>

struct StepParameters;

// The results chart of one step run as a figure: the chart that the
// window's "Simulation results" tab shows after F5 with the same
// parameters, built by ResultsChart as the window builds it, in the
// window's font, at the figure's size.
class ResultsFigure : public PlotFigure
{
public:
    ResultsFigure(const StepParameters &params, QSize size);

private:
    std::vector<CurveData> curves;
};
