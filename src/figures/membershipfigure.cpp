#include "membershipfigure.h"

#include "figurewriter.h"
#include "membershipchart.h"
#include "xplot.h"

#include <qwt_legend.h>
#include <qwt_plot_item.h>

#include <QPainter>
#include <QRectF>
#include <QTransform>

namespace {

// The room between the two charts and before the legend, in screen pixels:
// about what the tab's layout leaves between its charts.
constexpr double kGap = 6.0;

std::unique_ptr<XPlot> membershipPlot(std::vector<CurveData> &curves,
                                      MembershipChart::Quantity quantity,
                                      const std::array<FuzzySet, 3> &sets, QSize size)
{
    auto plot = std::make_unique<XPlot>();
    plot->setFont(FigureWriter::windowFont());
    MembershipChart::setUp(*plot, curves, quantity);
    MembershipChart::show(*plot, curves, sets);
    FigureWriter::layOut(*plot, size);
    return plot;
}

} // namespace

MembershipFigure::MembershipFigure(const std::array<FuzzySet, 3> &errorSets,
                                   const std::array<FuzzySet, 3> &derivativeSets, QSize size)
    : legend(std::make_unique<QwtLegend>())
{
    const QSize chartSize(size.width(), size.height() / 2);
    errorChart = membershipPlot(errorCurves, MembershipChart::Error, errorSets, chartSize);
    derivativeChart = membershipPlot(derivativeCurves, MembershipChart::Derivative,
                                     derivativeSets, chartSize);
    // The legend lists the error chart's curves; the derivative's are the
    // same three sets in the same colours.
    legend->setFont(FigureWriter::windowFont());
    legend->setMaxColumns(1);
    QObject::connect(errorChart.get(), &QwtPlot::legendDataChanged, legend.get(),
                     &QwtLegend::updateLegend);
    // Entries in record order, Negative first; the chart keeps its curves in
    // z order, the first record on top.
    const QwtPlotItemList items = errorChart->itemList(QwtPlotItem::Rtti_PlotCurve);
    for (auto item = items.crbegin(); item != items.crend(); ++item)
        errorChart->updateLegend(*item);
    legend->ensurePolished();
}

MembershipFigure::~MembershipFigure() = default;

void MembershipFigure::paint(QPainter &painter, const QRectF &rect) const
{
    const QTransform toDevice = FigureWriter::layoutTransform(painter, *errorChart);
    const QRectF layout = toDevice.inverted().mapRect(rect);
    painter.fillRect(rect, errorChart->palette().brush(errorChart->backgroundRole()));

    const double legendWidth = legend->sizeHint().width();
    const double chartsWidth = layout.width() - legendWidth - kGap;
    const double chartHeight = (layout.height() - kGap) / 2.0;
    const QRectF top(layout.left(), layout.top(), chartsWidth, chartHeight);
    const QRectF bottom(layout.left(), layout.bottom() - chartHeight, chartsWidth, chartHeight);
    FigureWriter::renderPlot(*errorChart, painter, toDevice.mapRect(top));
    FigureWriter::renderPlot(*derivativeChart, painter, toDevice.mapRect(bottom));

    painter.save();
    painter.setWorldTransform(toDevice, true);
    legend->renderLegend(&painter,
                         QRectF(top.right() + kGap, layout.top(), legendWidth, chartHeight), false);
    painter.restore();
}
