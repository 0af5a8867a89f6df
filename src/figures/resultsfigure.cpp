#include "resultsfigure.h"

#include "figurewriter.h"
#include "resultschart.h"
#include "stepparameters.h"
#include "steprun.h"
#include "xplot.h"


#include <QPainter>
#include <QRectF>

ResultsFigure::ResultsFigure(const StepParameters &params, const StepRun::Result &result,
                             QSize size, const std::array<bool, 3> &shown,
                             const std::optional<std::array<double, 2>> &yRange)
{
    ResultsChart::setUp(*chart, curves, params.modellingTime, params.setPoint);
    curves = ResultsChart::curves(result);
    ResultsChart::show(*chart, curves, params.modellingTime, result.peak);
    hideLoops(curves, shown);
    if (yRange)
        chart->setAxisScale(QwtPlot::yLeft, (*yRange)[0], (*yRange)[1]);
    chart->replot();
    FigureWriter::layOut(*chart, size);
}

std::array<double, 2> ResultsFigure::yAxis() const
{
    const QwtInterval axis = chart->axisInterval(QwtPlot::yLeft);
    return { axis.minValue(), axis.maxValue() };
}

