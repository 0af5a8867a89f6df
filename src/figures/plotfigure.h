#pragma once

#include "curvedata.h"

#include <array>
#include <memory>
#include <vector>

class QPainter;
class QRectF;
class XPlot;

// A figure of one chart: the XPlot that a figure class builds in its
// constructor, in the window's font, and draws with its axes and legend as
// QwtPlotRenderer lays it out. The base of the results, surface, sweep and
// tune figures.
class PlotFigure
{
public:
    virtual ~PlotFigure();
    PlotFigure(const PlotFigure &) = delete;
    PlotFigure &operator=(const PlotFigure &) = delete;

    XPlot &plot() const { return *chart; }
    void paint(QPainter &painter, const QRectF &rect) const;

protected:
    PlotFigure();

    // Leaves the curves of the loops not shown out of the chart and its
    // legend, as the window's legend boxes do; curves[loop] is the record
    // whose title names loop's curve.
    void hideLoops(const std::vector<CurveData> &curves, const std::array<bool, 3> &shown);

    std::unique_ptr<XPlot> chart;
};
