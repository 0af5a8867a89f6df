#include "figureoutput.h"

#include "decisionsurface.h"
#include "membershipfigure.h"
#include "options.h"
#include "resultsfigure.h"
#include "surfacecsv.h"
#include "surfacefigure.h"

#include <QApplication>
#include <QIODevice>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

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
