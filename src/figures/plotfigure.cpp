#include "plotfigure.h"

#include "figurewriter.h"
#include "xplot.h"

#include <QFont>
#include <QPainter>
#include <QRectF>

PlotFigure::PlotFigure()
    : chart(std::make_unique<XPlot>())
{
    chart->setFont(FigureWriter::windowFont());
}

PlotFigure::~PlotFigure() = default;

void PlotFigure::paint(QPainter &painter, const QRectF &rect) const
{
    FigureWriter::renderPlot(*chart, painter, rect);
}
