#include "plotfigure.h"

#include "figurewriter.h"
#include "xplot.h"

#include <qwt_plot_item.h>
#include <qwt_text.h>

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

void PlotFigure::hideLoops(const std::vector<CurveData> &curves, const std::array<bool, 3> &shown)
{
    const QwtPlotItemList items = chart->itemList(QwtPlotItem::Rtti_PlotCurve);
    for (QwtPlotItem *item : items) {
        for (std::size_t loop = 0; loop < 3 && loop < curves.size(); ++loop) {
            if (!shown[loop] && item->title().text() == curves[loop].title) {
                item->setVisible(false);
                item->setItemAttribute(QwtPlotItem::Legend, false);
            }
        }
    }
    chart->updateLegend();
}
