#include "surfacefigure.h"

#include "decisionsurface.h"
#include "figurewriter.h"
#include "xplot.h"

#include <qwt_color_map.h>
#include <qwt_interval.h>
#include <qwt_legend.h>
#include <qwt_matrix_raster_data.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_spectrogram.h>
#include <qwt_text.h>

#include <QCoreApplication>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <vector>

namespace {

// The map's values run over -1.5 ... 1.5, so that each level sits in the
// middle of its third of the colour map.
const QwtInterval kLevels(-1.5, 1.5);

QwtLinearColorMap *levelColorMap()
{
    auto *map = new QwtLinearColorMap(SurfaceFigure::levelColor(-1), SurfaceFigure::levelColor(1));
    map->setMode(QwtLinearColorMap::FixedColors);
    map->addColorStop(1.0 / 3.0, SurfaceFigure::levelColor(0));
    map->addColorStop(2.0 / 3.0, SurfaceFigure::levelColor(1));
    return map;
}

QwtMatrixRasterData *levelData(const DecisionSurface &surface)
{
    const int n = surface.points();
    const double low = surface.axis().front();
    const double high = surface.axis().back();
    // Each grid point is the middle of its cell.
    const double half = (high - low) / (n - 1) / 2.0;
    QVector<double> values(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            values[j * n + i] = surface.level(i, j);
    auto *data = new QwtMatrixRasterData;
    data->setValueMatrix(values, n);
    data->setInterval(Qt::XAxis, QwtInterval(low - half, high + half));
    data->setInterval(Qt::YAxis, QwtInterval(low - half, high + half));
    data->setInterval(Qt::ZAxis, kLevels);
    return data;
}

// A legend entry without points: its icon is a square of the level's colour.
void addLevelEntry(XPlot &plot, int level, const QString &title)
{
    auto *entry = new QwtPlotCurve(title);
    entry->setPen(QPen(Qt::NoPen));
    entry->setBrush(SurfaceFigure::levelColor(level));
    entry->setLegendAttribute(QwtPlotCurve::LegendShowBrush);
    entry->setItemAttribute(QwtPlotItem::AutoScale, false);
    entry->attach(&plot);
}

struct Bound {
    double value;
    QString name;
};

// The set bounds of a triple, those at the same value under one label.
std::vector<Bound> bounds(const std::array<FuzzySet, 3> &sets)
{
    const char *const setNames[3] = { "N", "Z", "P" };
    std::vector<Bound> all;
    for (int i = 0; i < 3; ++i) {
        all.push_back({ sets[static_cast<std::size_t>(i)].left,
                        QString::fromLatin1(setNames[i]) + QStringLiteral(".L") });
        all.push_back({ sets[static_cast<std::size_t>(i)].right,
                        QString::fromLatin1(setNames[i]) + QStringLiteral(".R") });
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const Bound &a, const Bound &b) { return a.value < b.value; });
    std::vector<Bound> merged;
    for (const Bound &b : all) {
        if (!merged.empty() && merged.back().value == b.value)
            merged.back().name += QStringLiteral(" ") + b.name;
        else
            merged.push_back(b);
    }
    return merged;
}

// Dashed lines at the bounds; neighbouring labels take turns at the two
// ends of their lines so that close bounds stay readable.
void markBounds(XPlot &plot, const std::array<FuzzySet, 3> &sets, bool upright)
{
    const std::vector<Bound> marks = bounds(sets);
    for (std::size_t k = 0; k < marks.size(); ++k) {
        auto *marker = new QwtPlotMarker;
        marker->setLinePen(QPen(Qt::black, 1.0, Qt::DashLine));
        QwtText label(marks[k].name);
        label.setFont(FigureWriter::windowFont());
        label.setBackgroundBrush(QColor(255, 255, 255, 200));
        marker->setLabel(label);
        const bool first = k % 2 == 0;
        if (upright) {
            marker->setLineStyle(QwtPlotMarker::VLine);
            marker->setXValue(marks[k].value);
            marker->setLabelOrientation(Qt::Vertical);
            marker->setLabelAlignment(Qt::AlignRight | (first ? Qt::AlignTop : Qt::AlignBottom));
        } else {
            marker->setLineStyle(QwtPlotMarker::HLine);
            marker->setYValue(marks[k].value);
            marker->setLabelAlignment(Qt::AlignTop | (first ? Qt::AlignRight : Qt::AlignLeft));
        }
        marker->setZ(10.0);
        marker->attach(&plot);
    }
}

} // namespace

QColor SurfaceFigure::levelColor(int level)
{
    // Blue, pale yellow and red: apart in hue and in lightness, on screen,
    // in print and for the common colour blindnesses.
    if (level < 0)
        return QColor(69, 117, 180);
    if (level > 0)
        return QColor(215, 48, 39);
    return QColor(255, 255, 191);
}

SurfaceFigure::SurfaceFigure(const DecisionSurface &surface,
                             const std::array<FuzzySet, 3> &errorSets,
                             const std::array<FuzzySet, 3> &derivativeSets, QSize size)
{
    const double low = surface.axis().front();
    const double high = surface.axis().back();
    chart->init(static_cast<float>(low), static_cast<float>(high), static_cast<float>(low),
                static_cast<float>(high), false, QCoreApplication::translate("MainWindow", "e"),
                QCoreApplication::translate("MainWindow", "de"));
    // The exact range: init takes floats.
    chart->setAxisScale(QwtPlot::xBottom, low, high);
    chart->setAxisScale(QwtPlot::yLeft, low, high);

    auto *map = new QwtPlotSpectrogram;
    map->setColorMap(levelColorMap());
    map->setData(levelData(surface));
    map->setItemAttribute(QwtPlotItem::Legend, false);
    map->attach(chart.get());

    markBounds(*chart, errorSets, true);
    markBounds(*chart, derivativeSets, false);

    addLevelEntry(*chart, 1, QCoreApplication::translate("SurfaceFigure", "V = +1"));
    addLevelEntry(*chart, 0, QCoreApplication::translate("SurfaceFigure", "V = 0"));
    addLevelEntry(*chart, -1, QCoreApplication::translate("SurfaceFigure", "V = \u22121"));
    auto *legend = new QwtLegend;
    legend->setFont(FigureWriter::windowFont());
    chart->insertLegend(legend, QwtPlot::RightLegend);
    FigureWriter::layOut(*chart, size);
}

