#pragma once

#include "figurewriter.h"

class QIODevice;
class QString;
class Sweep;
class SweepSeries;
struct TuneResult;

namespace simcli {

struct CliOptions;

// kestrune-sim's figures: each draws one figure of the command line's run
// and sets at the figure size and writes it to an open device in the
// format. False, with the reason in error, when it cannot be drawn or
// written. They need a QApplication.

// --plot: the results chart of the run.
bool writeResultsFigure(const CliOptions &options, FigureWriter::Format format,
                        QIODevice &device, QString &error);

// --plot-membership: both membership charts with a legend of the sets.
bool writeMembershipFigure(const CliOptions &options, FigureWriter::Format format,
                           QIODevice &device, QString &error);

// --plot with --sweep: the chosen metric (--plot-metric) of every loop
// against the swept value, or for a grid the map of it for one loop
// (--plot-loop), from the series that the sweep's CSV writer gathered.
bool writeSweepFigure(const CliOptions &options, const Sweep &sweep, const SweepSeries &series,
                      FigureWriter::Format format, QIODevice &device, QString &error);

// --plot with --tune: the tuned loop's response before and after.
bool writeTuneFigure(const CliOptions &options, const TuneResult &tuned,
                     FigureWriter::Format format, QIODevice &device, QString &error);

// --surface to an image: the map of the decision surface.
bool writeSurfaceFigure(const CliOptions &options, FigureWriter::Format format,
                        QIODevice &device, QString &error);

} // namespace simcli
