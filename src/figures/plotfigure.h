#pragma once

#include <memory>

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

    std::unique_ptr<XPlot> chart;
};
