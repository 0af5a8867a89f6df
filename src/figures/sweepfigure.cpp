#include "sweepfigure.h"

#include "figurewriter.h"
#include "resultschart.h"
#include "steprun.h"
#include "xplot.h"

#include <qwt_scale_engine.h>

#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The lowest and highest finite values of the loops shown.
std::pair<double, double> span(const std::array<std::vector<double>, 3> &y,
                               const std::array<bool, 3> &shown)
{
    double low = INFINITY;
    double high = -INFINITY;
    for (std::size_t loop = 0; loop < 3; ++loop)
        for (double v : shown[loop] ? y[loop] : std::vector<double>())
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
    return { low, high };
}

} // namespace

SweepFigure::SweepFigure(const QString &parameter, const QString &metric,
                         const std::array<std::vector<double>, 3> &x,
                         const std::array<std::vector<double>, 3> &y, double xLow, double xHigh,
                         QSize size, const std::array<bool, 3> &shown)
{
    std::vector<CurveData> curves;
    for (int loop = 0; loop < 3; ++loop) {
        std::vector<double> values = y[static_cast<std::size_t>(loop)];
        // Infinite metrics lie beyond any axis; they break the line as n/a does.
        for (double &v : values)
            if (std::isinf(v))
                v = std::nan("");
        curves.push_back(ResultsChart::curve(loop, x[static_cast<std::size_t>(loop)],
                                             std::move(values)));
    }
    const auto [low, high] = span(y, shown);
    chart->init(0.0f, 1.0f, 0.0f, 1.0f, true, parameter, metric);
    chart->createCurves(curves);
    hideLoops(curves, shown);
    // The exact ranges: init and setScales take floats.
    chart->setAxisScale(QwtPlot::xBottom, xLow, xHigh > xLow ? xHigh : xLow + 1.0);
    if (SweepFigure::logScale(low, high)) {
        chart->setAxisScaleEngine(QwtPlot::yLeft, new QwtLogScaleEngine);
        chart->setAxisScale(QwtPlot::yLeft, low, high);
    } else if (low <= high) {
        // From 0, or from below it; a span of nothing gets a unit around it,
        // so that the axis keeps its ticks.
        const double from = std::min(0.0, low);
        const double to = std::max(0.0, high);
        if (to - from > 0.0 && std::isfinite(to - from))
            chart->setAxisScale(QwtPlot::yLeft, from, to);
        else
            chart->setAxisScale(QwtPlot::yLeft, from - 0.5, to + 0.5);
    } else {
        chart->setAxisScale(QwtPlot::yLeft, 0.0, 1.0);
    }
    chart->replot();
    FigureWriter::layOut(*chart, size);
}


bool SweepFigure::logScale(double low, double high, double ratio)
{
    return low > 0.0 && high / low >= ratio;
}
