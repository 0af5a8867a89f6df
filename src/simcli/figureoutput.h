#pragma once

#include "figurewriter.h"

class QIODevice;
class QString;

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

// --surface to an image: the map of the decision surface.
bool writeSurfaceFigure(const CliOptions &options, FigureWriter::Format format,
                        QIODevice &device, QString &error);

} // namespace simcli
