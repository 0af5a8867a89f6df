#include "resultsfigure.h"

#include "figurewriter.h"
#include "resultschart.h"
#include "stepparameters.h"
#include "steprun.h"
#include "xplot.h"

#include <QPainter>
#include <QRectF>

ResultsFigure::ResultsFigure(const StepParameters &params, QSize size)
    : chart(std::make_unique<XPlot>())
{
    chart->setFont(FigureWriter::windowFont());
    ResultsChart::setUp(*chart, curves, params.modellingTime, params.setPoint);
    StepRun::Result result = StepRun::run(params);
    const double peak = result.peak;
    curves = ResultsChart::curves(std::move(result));
    ResultsChart::show(*chart, curves, params.modellingTime, peak);
    FigureWriter::layOut(*chart, size);
}

ResultsFigure::~ResultsFigure() = default;

void ResultsFigure::paint(QPainter &painter, const QRectF &rect) const
{
    FigureWriter::renderPlot(*chart, painter, rect);
}
