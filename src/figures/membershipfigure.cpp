#include "membershipfigure.h"

#include "figurewriter.h"
#include "membershipchart.h"
#include "xplot.h"

#include <qwt_legend.h>
#include <qwt_plot_item.h>

#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <algorithm>

namespace {

// The room between the two charts and before the legend, in screen pixels:
// about what the tab's layout leaves between its charts.
constexpr double kGap = 6.0;

std::unique_ptr<XPlot> membershipPlot(std::vector<CurveData> &curves,
                                      MembershipChart::Quantity quantity,
                                      const std::array<FuzzySet, 3> &sets)
{
    auto plot = std::make_unique<XPlot>();
    plot->setFont(FigureWriter::windowFont());
    MembershipChart::setUp(*plot, curves, quantity);
    MembershipChart::show(*plot, curves, sets);
    // The window's -3 ... 3, widened to show every bound: a tuned set may
    // reach beyond it.
    double low = -3.0;
    double high = 3.0;
    for (const FuzzySet &set : sets) {
        low = std::min({ low, double(set.left), double(set.right) });
        high = std::max({ high, double(set.left), double(set.right) });
    }
    if (low < -3.0 || high > 3.0)
        plot->setAxisScale(QwtPlot::xBottom, low, high);
    return plot;
}

// The places of the two charts and the legend in a figure laid out in
// screen pixels: the charts stacked on the left, the legend at the top
// right.
struct Places {
    QRectF top;
    QRectF bottom;
    QRectF legend;
};

Places places(const QRectF &layout, double legendWidth)
{
    const double chartsWidth = layout.width() - legendWidth - kGap;
    const double chartHeight = (layout.height() - kGap) / 2.0;
    Places p;
    p.top = QRectF(layout.left(), layout.top(), chartsWidth, chartHeight);
    p.bottom = QRectF(layout.left(), layout.bottom() - chartHeight, chartsWidth, chartHeight);
    p.legend = QRectF(p.top.right() + kGap, layout.top(), legendWidth, chartHeight);
    return p;
}

} // namespace

MembershipFigure::MembershipFigure(const std::array<FuzzySet, 3> &errorSets,
                                   const std::array<FuzzySet, 3> &derivativeSets, QSize size)
    : legend(std::make_unique<QwtLegend>())
{
    errorChart = membershipPlot(errorCurves, MembershipChart::Error, errorSets);
    derivativeChart = membershipPlot(derivativeCurves, MembershipChart::Derivative,
                                     derivativeSets);
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

    const Places at = places(QRectF(QPointF(0.0, 0.0), QSizeF(size)), legend->sizeHint().width());
    FigureWriter::layOut(*errorChart, at.top.size().toSize());
    FigureWriter::layOut(*derivativeChart, at.bottom.size().toSize());
}

MembershipFigure::~MembershipFigure() = default;

void MembershipFigure::paint(QPainter &painter, const QRectF &rect) const
{
    const QTransform toDevice = FigureWriter::layoutTransform(painter, *errorChart);
    const QRectF layout = toDevice.inverted().mapRect(rect);
    painter.fillRect(rect, errorChart->palette().brush(errorChart->backgroundRole()));

    const Places at = places(layout, legend->sizeHint().width());
    FigureWriter::renderPlot(*errorChart, painter, toDevice.mapRect(at.top));
    FigureWriter::renderPlot(*derivativeChart, painter, toDevice.mapRect(at.bottom));

    painter.save();
    painter.setWorldTransform(toDevice, true);
    legend->renderLegend(&painter, at.legend, false);
    painter.restore();
}
