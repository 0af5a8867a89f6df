#include "widgetfiguredrawer.h"

#include "yaxisnote.h"

#include "csvwriter.h"
#include "decisionsurface.h"
#include "figurewriter.h"
#include "membershipfigure.h"
#include "modelparameter.h"
#include "options.h"
#include "resultschart.h"
#include "resultsfigure.h"
#include "surfacecsv.h"
#include "surfacefigure.h"
#include "sweep.h"
#include "sweepfigure.h"
#include "sweepseries.h"
#include "sweepmapfigure.h"
#include "tuner.h"
#include "tunefigure.h"

#include <QApplication>
#include <QIODevice>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

#include <array>
#include <cmath>
#include <vector>

namespace simcli {

namespace {

QSize figureSize(const CliOptions &options)
{
    return QSize(options.figures.width, options.figures.height);
}

// Widgets draw the figures, and they exist only beside a QApplication.
bool canDraw(QString &error)
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        return true;
    error = QStringLiteral("figures need a QApplication");
    return false;
}

template<typename Figure>
bool writeFigure(const Figure &figure, const CliOptions &options, FigureFormat::Format format,
                 QIODevice &device, QString &error)
{
    return FigureWriter::write(
            device, format, figureSize(options),
            [&figure](QPainter &painter, const QRectF &rect) { figure.paint(painter, rect); },
            error);
}

} // namespace

bool WidgetFigureDrawer::results(const CliOptions &options, const StepRun::Result &result,
                                 FigureFormat::Format format, QIODevice &device,
                                 QString &error, std::array<double, 2> &yAxis) const
{
    if (!canDraw(error))
        return false;
    const FigureOptions &figures = options.figures;
    std::optional<std::array<double, 2>> yRange;
    if (figures.yRange == FigureOptions::YRange::Given)
        yRange = std::array<double, 2>{ figures.yLow, figures.yHigh };
    else if (figures.yRange == FigureOptions::YRange::Data)
        yRange = dataRange(result, figures.loops);
    const ResultsFigure figure(options.params, result, figureSize(options), figures.loops,
                               yRange);
    yAxis = figure.yAxis();
    return writeFigure(figure, options, format, device, error);
}

bool WidgetFigureDrawer::membership(const CliOptions &options, FigureFormat::Format format,
                                    QIODevice &device, QString &error) const
{
    if (!canDraw(error))
        return false;
    const MembershipFigure figure(options.params.errSets, options.params.dErrSets,
                                  figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool WidgetFigureDrawer::sweep(const CliOptions &options, const Sweep &sweep,
                               const SweepSeries &series, FigureFormat::Format format,
                               QIODevice &device, QString &error) const
{
    if (!canDraw(error))
        return false;
    const StudyOptions &study = options.study;
    const MetricColumn &metric = metricColumns()[static_cast<std::size_t>(study.plotMetric)];
    const QString metricName = QLatin1String(metric.name);
    const auto name = [](const SweepAxis &axis) {
        return QString::fromUtf8(axis.parameter->name().data(),
                                 static_cast<int>(axis.parameter->name().size()));
    };
    const std::vector<SweepAxis> &axes = sweep.axes();
    if (axes.size() == 1) {
        const std::size_t last = sweep.pointCount() - 1;
        const double low = std::min(sweep.values(0)[0], sweep.values(last)[0]);
        const double high = std::max(sweep.values(0)[0], sweep.values(last)[0]);
        const SweepFigure figure(name(axes[0]), metricName, series.x(), series.y(), low, high,
                                 figureSize(options), options.figures.loops);
        return writeFigure(figure, options, format, device, error);
    }
    const QString loopTitle = ResultsChart::curve(study.plotLoop, {}, {}).title;
    const SweepMapFigure figure(name(axes[0]), name(axes[1]),
                                metricName + QStringLiteral(", ") + loopTitle,
                                axes[0].range.values(), axes[1].range.values(), series.map(),
                                figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool WidgetFigureDrawer::tune(const CliOptions &options, const TuneResult &tuned,
                              FigureFormat::Format format, QIODevice &device,
                              QString &error) const
{
    if (!canDraw(error))
        return false;
    const StepRun::Loop loop = options.study.tune == TuneTarget::Pid ? StepRun::PidLoop
                                                                     : StepRun::FuzzyLoop;
    const TuneFigure figure(loop, options.params, tuned.parameters, figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool WidgetFigureDrawer::surface(const CliOptions &options, FigureFormat::Format format,
                                 QIODevice &device, QString &error) const
{
    if (!canDraw(error))
        return false;
    const SurfaceFigure figure(decisionSurface(options), options.params.errSets,
                               options.params.dErrSets, figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

} // namespace simcli
