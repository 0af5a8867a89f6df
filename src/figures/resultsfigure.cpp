#include "resultsfigure.h"

#include "figurewriter.h"
#include "resultschart.h"
#include "stepparameters.h"
#include "steprun.h"
#include "xplot.h"

#include <QPainter>
#include <QRectF>

ResultsFigure::ResultsFigure(const StepParameters &params, QSize size)
{
    ResultsChart::setUp(*chart, curves, params.modellingTime, params.setPoint);
    StepRun::Result result = StepRun::run(params);
    const double peak = result.peak;
    curves = ResultsChart::curves(std::move(result));
    ResultsChart::show(*chart, curves, params.modellingTime, peak);
    FigureWriter::layOut(*chart, size);
}

