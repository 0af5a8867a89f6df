#include "figureoutput.h"

#include "csvwriter.h"
#include "decisionsurface.h"
#include "membershipfigure.h"
#include "modelparameter.h"
#include "options.h"
#include "resultschart.h"
#include "resultsfigure.h"
#include "surfacecsv.h"
#include "surfacefigure.h"
#include "sweep.h"
#include "sweepfigure.h"
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
bool writeFigure(const Figure &figure, const CliOptions &options, FigureWriter::Format format,
                 QIODevice &device, QString &error)
{
    return FigureWriter::write(
            device, format, figureSize(options),
            [&figure](QPainter &painter, const QRectF &rect) { figure.paint(painter, rect); },
            error);
}

} // namespace

bool writeResultsFigure(const CliOptions &options, FigureWriter::Format format,
                        QIODevice &device, QString &error)
{
    if (!canDraw(error))
        return false;
    const ResultsFigure figure(options.params, figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool writeMembershipFigure(const CliOptions &options, FigureWriter::Format format,
                           QIODevice &device, QString &error)
{
    if (!canDraw(error))
        return false;
    const MembershipFigure figure(options.params.errSets, options.params.dErrSets,
                                  figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool writeSweepFigure(const CliOptions &options, FigureWriter::Format format,
                      QIODevice &device, QString &error)
{
    if (!canDraw(error))
        return false;
    const StudyOptions &study = options.study;
    const Sweep sweep(options.params, study.sweep);
    const MetricColumn &metric = metricColumns()[static_cast<std::size_t>(study.plotMetric)];
    // The metric of each loop at each point; NaN where it has none.
    std::array<std::vector<double>, 3> values;
    for (std::vector<double> &v : values)
        v.resize(sweep.pointCount());
    sweep.run(
            [&values, &metric](std::size_t first, const std::vector<SweepRecord> &records) {
                for (std::size_t r = 0; r < records.size(); ++r) {
                    const std::optional<double> &m = records[r].metrics.*metric.field;
                    values[records[r].loop][first + r / 3] = m ? *m : std::nan("");
                }
            },
            study.threads);

    const QString metricName = QLatin1String(metric.name);
    const auto name = [](const SweepAxis &axis) {
        return QString::fromUtf8(axis.parameter->name().data(),
                                 static_cast<int>(axis.parameter->name().size()));
    };
    if (study.sweep.size() == 1) {
        const SweepFigure figure(name(study.sweep[0]), metricName, study.sweep[0].range.values(),
                                 values, figureSize(options));
        return writeFigure(figure, options, format, device, error);
    }
    const QString loopTitle = ResultsChart::curve(study.plotLoop, {}, {}).title;
    const SweepMapFigure figure(name(study.sweep[0]), name(study.sweep[1]),
                                metricName + QStringLiteral(", ") + loopTitle,
                                study.sweep[0].range.values(), study.sweep[1].range.values(),
                                values[study.plotLoop], figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool writeTuneFigure(const CliOptions &options, const TuneResult &tuned,
                     FigureWriter::Format format, QIODevice &device, QString &error)
{
    if (!canDraw(error))
        return false;
    const StepRun::Loop loop = options.study.tune == TuneTarget::Pid ? StepRun::PidLoop
                                                                     : StepRun::FuzzyLoop;
    const TuneFigure figure(loop, options.params, tuned.parameters, figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

bool writeSurfaceFigure(const CliOptions &options, FigureWriter::Format format,
                        QIODevice &device, QString &error)
{
    if (!canDraw(error))
        return false;
    const SurfaceFigure figure(decisionSurface(options), options.params.errSets,
                               options.params.dErrSets, figureSize(options));
    return writeFigure(figure, options, format, device, error);
}

} // namespace simcli
