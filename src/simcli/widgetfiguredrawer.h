#pragma once

#include "figuredrawer.h"

namespace simcli {

// kestrune-sim's figures drawn with the window's own chart code (Qt Widgets
// and Qwt); they need a QApplication.
class WidgetFigureDrawer : public FigureDrawer
{
public:
    bool results(const CliOptions &options, const StepRun::Result &result,
                 FigureFormat::Format format, QIODevice &device, QString &error,
                 std::array<double, 2> &yAxis) const override;
    bool membership(const CliOptions &options, FigureFormat::Format format, QIODevice &device,
                    QString &error) const override;
    bool sweep(const CliOptions &options, const Sweep &sweep, const SweepSeries &series,
               FigureFormat::Format format, QIODevice &device, QString &error) const override;
    bool tune(const CliOptions &options, const TuneResult &tuned, FigureFormat::Format format,
              QIODevice &device, QString &error) const override;
    bool surface(const CliOptions &options, FigureFormat::Format format, QIODevice &device,
                 QString &error) const override;
};

} // namespace simcli
