#include "tunefigure.h"

#include "figurewriter.h"
#include "resultschart.h"
#include "stepparameters.h"
#include "xplot.h"

#include <QColor>
#include <QCoreApplication>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <utility>

namespace {

CurveData response(StepRun::Loop loop, const StepParameters &params, const QString &title,
                   const QColor &color, double &peak)
{
    StepRun::Result run = StepRun::run(params);
    StepRun::Response &r = run.loops[loop];
    for (double y : r.y)
        if (y > peak)
            peak = y;
    CurveData curve = ResultsChart::curve(loop, std::move(r.t), std::move(r.y));
    curve.title = title;
    curve.color = color;
    return curve;
}

} // namespace

TuneFigure::TuneFigure(StepRun::Loop loop, const StepParameters &before,
                       const StepParameters &after, QSize size)
{
    const CurveData style = ResultsChart::curve(loop, {}, {});
    double peak = 0.0;
    // The tuned response first, so that it lies on top.
    std::vector<CurveData> curves;
    curves.push_back(response(loop, after, QCoreApplication::translate("TuneFigure", "%1, tuned")
                                                   .arg(style.title),
                              style.color, peak));
    curves.push_back(response(loop, before,
                              QCoreApplication::translate("TuneFigure", "%1, given values")
                                      .arg(style.title),
                              QColor(Qt::gray), peak));
    std::vector<CurveData> unused;
    ResultsChart::setUp(*chart, unused, after.modellingTime, after.setPoint);
    chart->createCurves(curves);
    ResultsChart::show(*chart, curves, after.modellingTime, peak);
    FigureWriter::layOut(*chart, size);
}

