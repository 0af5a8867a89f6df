#pragma once

#include "curvedata.h"
#include "plotfigure.h"
#include "steprun.h"

#include <QSize>

#include <vector>

struct StepParameters;

// A tuned loop's step response before and after tuning, as a figure: the
// response at the given values in grey and the tuned one in the loop's
// colour of the results chart, on the results chart's axes (t over the
// modelling time, f from 0 to the higher peak of the two, with the results
// chart's rule for a diverging response).
class TuneFigure : public PlotFigure
{
public:
    // before and after differ only in the tuned loop's parameters.
    TuneFigure(StepRun::Loop loop, const StepParameters &before, const StepParameters &after,
               QSize size);
};
