#pragma once

#include "figureformat.h"
#include "steprun.h"

#include <array>

class QIODevice;
class QString;
class Sweep;
class SweepSeries;
struct TuneResult;

namespace simcli {

struct CliOptions;

// What draws kestrune-sim's figures, for a build that has them: each
// function draws one figure of the command line's run and sets at the
// figure size and writes it to an open device in the format. False, with the
// reason in error, when it cannot be drawn or written. Without a drawer (a
// build without Qt Widgets and Qwt) the figure options are refused.
class FigureDrawer
{
public:
    virtual ~FigureDrawer() = default;

    // --plot: the results chart of the run's result, with the loops and the
    // y range of the options; yAxis gets the ends of the y axis it drew.
    virtual bool results(const CliOptions &options, const StepRun::Result &result,
                         FigureFormat::Format format, QIODevice &device, QString &error,
                         std::array<double, 2> &yAxis) const = 0;
    // --plot-membership: both membership charts with a legend of the sets.
    virtual bool membership(const CliOptions &options, FigureFormat::Format format,
                            QIODevice &device, QString &error) const = 0;
    // --plot with --sweep: the chosen metric (--plot-metric) of every loop
    // against the swept value, or for a grid the map of it for one loop
    // (--plot-loop), from the series that the sweep's CSV writer gathered.
    virtual bool sweep(const CliOptions &options, const Sweep &sweep, const SweepSeries &series,
                       FigureFormat::Format format, QIODevice &device,
                       QString &error) const = 0;
    // --plot with --tune: the tuned loop's response before and after.
    virtual bool tune(const CliOptions &options, const TuneResult &tuned,
                      FigureFormat::Format format, QIODevice &device, QString &error) const = 0;
    // --surface to an image: the map of the decision surface.
    virtual bool surface(const CliOptions &options, FigureFormat::Format format,
                         QIODevice &device, QString &error) const = 0;
};

} // namespace simcli
