#include "xplot.h"

#include "xcurve.h"

#include <qwt_legend_data.h>
#include <qwt_legend_label.h>
#include <qwt_painter.h>
#include <qwt_plot_item.h>
#include <qwt_plot_layout.h>

#include <QBrush>
#include <QColor>
#include <QMetaObject>
#include <QPen>
#include <QPointF>
#include <QVariant>
#include <QVector>

#include <algorithm>
#include <utility>

namespace {

QwtLegendLabel *legendLabel(QwtPlot *plot, QwtPlotItem *item)
{
    auto *legend = qobject_cast<QwtLegend *>(plot->legend());
    if (!legend)
        return nullptr;
    return qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot->itemToInfo(item)));
}

// Routes the legend's check boxes to the chart's showCurve slot. Any earlier
// route is dropped first so that a toggle never arrives twice.
void connectLegend(XPlot *plot, QwtLegend *legend)
{
    QObject::disconnect(legend, &QwtLegend::checked, plot, nullptr);
    QObject::connect(legend, &QwtLegend::checked, plot,
                     [plot](const QVariant &itemInfo, bool on, int) {
                         QMetaObject::invokeMethod(plot, "showCurve",
                                                   Q_ARG(QwtPlotItem *, plot->infoToItem(itemInfo)),
                                                   Q_ARG(bool, on));
                     });
}

void styleCurve(XCurve *curve, std::size_t index, const CurveData &record)
{
    QColor color = record.color;
    color.setAlpha(150);
    if (record.filled) {
        // A hairline: Qt 5 gives a pen made from a colour alone width 1.
        curve->setPen(QPen(color, 0.0));
        curve->setBrush(QBrush(color, Qt::SolidPattern));
    } else {
        curve->setPen(QPen(QBrush(color, Qt::SolidPattern), record.width, Qt::SolidLine,
                           Qt::SquareCap, Qt::BevelJoin));
        // A curve that was filled before must not stay filled.
        curve->setBrush(QBrush());
    }
    curve->setZ(-static_cast<double>(index));
}

// The curve keeps raw pointers into the record, which must be the chart's
// own copy.
void handOverSamples(XCurve *curve, CurveData &record)
{
    if (record.x.empty() && record.y.empty()) {
        record.x.push_back(0.0);
        record.y.push_back(0.0);
        record.count = 1;
    }
    const auto available = static_cast<int>(std::min(record.x.size(), record.y.size()));
    record.count = std::clamp(record.count, 0, available);
    curve->setRawSamples(record.x.data(), record.y.data(), record.count);
}

} // namespace

XPlot::XPlot(QWidget *parent)
    : QwtPlot(parent)
{
    setAutoReplot(false);
    // Qwt draws long polylines in overlapping pieces on raster devices; with
    // the curves' translucent pens every overlap shows as a darker dot that
    // reads like a sample marker. The curves are a few hundred points at
    // most, so they are drawn in one piece.
    QwtPainter::setPolylineSplitting(false);
}

XPlot::XPlot(QWidget *parent, float xMax, float yMax, std::vector<CurveData> data, bool legend,
             QString xTitle, QString yTitle)
    : XPlot(parent)
{
    if (init(0.0f, xMax, 0.0f, yMax, legend, std::move(xTitle), std::move(yTitle)))
        createCurves(std::move(data));
}

XPlot::~XPlot()
{
    // The curves draw from curveData, which dies before QwtPlot deletes its
    // items, so they go first. Detached curves are deleted here as well.
    for (XCurve *curve : curves)
        delete curve;
    curves.clear();

    // legendWidget is a member, not a heap object: take it back so that no
    // code of QwtPlot can ever delete it.
    if (QwtPlot::legend() == &legendWidget) {
        legendWidget.setParent(nullptr);
        insertLegend(nullptr);
    }
}

bool XPlot::init(float xMin, float xMax, float yMin, float yMax, bool legend, QString xTitle,
                 QString yTitle)
{
    this->xMin = xMin;
    this->xMax = xMax;
    this->yMin = yMin;
    this->yMax = yMax;
    legendOn = legend;

    setAutoReplot(false);
    plotLayout()->setAlignCanvasToScales(true);

    if (legend) {
        legendWidget.setDefaultItemMode(QwtLegendData::Checkable);
        insertLegend(&legendWidget, QwtPlot::RightLegend, -1.0);
        // Curves made before init get their entries now. insertLegend lists
        // them in z order, so attach them again to list them in record order.
        if (!curves.empty()) {
            for (XCurve *curve : curves) {
                if (curve->plot() != this)
                    continue;
                curve->detach();
                curve->attach(this);
                if (QwtLegendLabel *label = legendLabel(this, curve))
                    label->setChecked(curve->isVisible());
            }
            connectLegend(this, &legendWidget);
        }
    } else if (QwtPlot::legend() == &legendWidget) {
        // Parentless first, or insertLegend would delete the member.
        QObject::disconnect(&legendWidget, &QwtLegend::checked, this, nullptr);
        legendWidget.setParent(nullptr);
        insertLegend(nullptr);
    }

    setAxisTitle(QwtPlot::xBottom, xTitle);
    setAxisScale(QwtPlot::xBottom, xMin, xMax, 0.0);
    setAxisLabelRotation(QwtPlot::xBottom, 0.0);
    setAxisLabelAlignment(QwtPlot::xBottom, Qt::AlignRight | Qt::AlignBottom);

    setAxisTitle(QwtPlot::yLeft, yTitle);
    setAxisScale(QwtPlot::yLeft, yMin, yMax, 0.0);
    setAxisLabelAlignment(QwtPlot::yLeft, Qt::AlignLeft | Qt::AlignTop);

    return true;
}

void XPlot::setScales(float xMin, float xMax, float yMin, float yMax)
{
    setAxisScale(QwtPlot::xBottom, xMin, xMax, 0.0);
    setAxisScale(QwtPlot::yLeft, yMin, yMax, 0.0);
}

bool XPlot::createCurves(std::vector<CurveData> data)
{
    for (XCurve *curve : curves)
        delete curve;
    curves.clear();

    // The old records stay alive until every curve points at the new ones.
    const std::vector<CurveData> previous = std::exchange(curveData, std::move(data));

    curves.resize(curveData.size());
    for (std::size_t i = 0; i < curveData.size(); ++i) {
        auto *curve = new XCurve(curveData[i].title);
        curve->setRenderHint(QwtPlotItem::RenderAntialiased);
        styleCurve(curve, i, curveData[i]);
        curve->attach(this);
        curves[i] = curve;
        handOverSamples(curve, curveData[i]);
    }

    for (XCurve *curve : curves)
        showCurve(curve, true);

    if (legendOn)
        connectLegend(this, &legendWidget);

    replot();
    return true;
}

bool XPlot::updateCurves(std::vector<CurveData> data)
{
    const std::vector<CurveData> previous = std::exchange(curveData, std::move(data));

    for (std::size_t i = 0; i < curves.size(); ++i) {
        XCurve *curve = curves[i];
        curve->detach();
        if (i >= curveData.size()) {
            curve->setSamples(QVector<QPointF>());
            continue;
        }
        styleCurve(curve, i, curveData[i]);
        curve->attach(this);
        handOverSamples(curve, curveData[i]);
    }

    for (XCurve *curve : curves)
        showCurve(curve, true);

    replot();
    return true;
}

void XPlot::showCurve(QwtPlotItem *item, bool on)
{
    if (!item)
        return;
    item->setVisible(on);
    // setChecked emits nothing, so this slot is not entered again.
    if (QwtLegendLabel *label = legendLabel(this, item))
        label->setChecked(on);
    replot();
}
