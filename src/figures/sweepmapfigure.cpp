#include "sweepmapfigure.h"

#include "figurewriter.h"
#include "sweepfigure.h"
#include "xplot.h"

#include <qwt_color_map.h>
#include <qwt_interval.h>
#include <qwt_matrix_raster_data.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace {

// Dark blue through green to yellow: lightness rises with the value, so the
// map reads the same in grey print.
QwtLinearColorMap *valueColorMap()
{
    auto *map = new QwtLinearColorMap(QColor(48, 18, 110), QColor(250, 230, 40));
    map->addColorStop(0.35, QColor(40, 110, 160));
    map->addColorStop(0.7, QColor(60, 180, 100));
    return map;
}

// The cells' extent along an axis: each grid value is the middle of its
// cell; a single value gets a cell one unit wide.
QwtInterval cells(const std::vector<double> &axis)
{
    const double low = axis.front();
    const double high = axis.back();
    const double half = axis.size() > 1 ? (high - low) / (axis.size() - 1) / 2.0 : 0.5;
    return QwtInterval(low - half, high + half);
}

// The finite values' range; a range of nothing gets a unit around it, as the
// colour map shows nothing over an empty interval.
QwtInterval valueRange(const QVector<double> &values)
{
    double low = INFINITY;
    double high = -INFINITY;
    for (double v : values)
        if (std::isfinite(v)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    if (!(low <= high))
        return QwtInterval(0.0, 1.0);
    if (!(high - low > 0.0) || !std::isfinite(high - low))
        return QwtInterval(low - 0.5, high + 0.5);
    return QwtInterval(low, high);
}

} // namespace

SweepMapFigure::SweepMapFigure(const QString &xName, const QString &yName, const QString &title,
                               const std::vector<double> &xs, const std::vector<double> &ys,
                               const std::vector<double> &values, QSize size)
{
    const int columns = static_cast<int>(xs.size());
    const int rows = static_cast<int>(ys.size());
    // Qwt's matrix runs row by row, y outer; ours runs x outer.
    QVector<double> matrix(columns * rows, std::nan(""));
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j) {
            const double v = values.at(static_cast<std::size_t>(i * rows + j));
            matrix[j * columns + i] = std::isfinite(v) ? v : std::nan("");
        }
    const QwtInterval x = cells(xs);
    const QwtInterval y = cells(ys);
    QwtInterval z = valueRange(matrix);
    QString barText = title;
    // Colours tell fewer steps apart than an axis: a decade already leaves
    // most of a linear map in one colour.
    if (SweepFigure::logScale(z.minValue(), z.maxValue(), 1e1)) {
        for (double &v : matrix)
            v = std::log10(v);
        z = valueRange(matrix);
        barText = QStringLiteral("log10 ") + title;
    }

    chart->init(static_cast<float>(x.minValue()), static_cast<float>(x.maxValue()),
                static_cast<float>(y.minValue()), static_cast<float>(y.maxValue()), false,
                xName, yName);
    chart->setAxisScale(QwtPlot::xBottom, x.minValue(), x.maxValue());
    chart->setAxisScale(QwtPlot::yLeft, y.minValue(), y.maxValue());

    auto *data = new QwtMatrixRasterData;
    data->setValueMatrix(matrix, columns);
    data->setInterval(Qt::XAxis, x);
    data->setInterval(Qt::YAxis, y);
    data->setInterval(Qt::ZAxis, z);
    auto *map = new QwtPlotSpectrogram(title);
    map->setColorMap(valueColorMap());
    map->setData(data);
    map->attach(chart.get());

    QwtScaleWidget *bar = chart->axisWidget(QwtPlot::yRight);
    bar->setColorBarEnabled(true);
    bar->setColorMap(z, valueColorMap());
    QwtText barTitle(barText);
    barTitle.setFont(FigureWriter::windowFont());
    bar->setTitle(barTitle);
    chart->setAxisScale(QwtPlot::yRight, z.minValue(), z.maxValue());
    chart->enableAxis(QwtPlot::yRight);
    chart->replot();
    FigureWriter::layOut(*chart, size);
}

