#pragma once

#include "curvedata.h"

#include <QSize>

#include <memory>
#include <vector>

class QPainter;
class QRectF;
class XPlot;
struct StepParameters;

// The results chart of one step run as a figure: the chart that the
// window's "Simulation results" tab shows after F5 with the same
// parameters, built by ResultsChart as the window builds it, in the
// window's font, at the figure's size.
class ResultsFigure
{
public:
    ResultsFigure(const StepParameters &params, QSize size);
    ~ResultsFigure();
    ResultsFigure(const ResultsFigure &) = delete;
    ResultsFigure &operator=(const ResultsFigure &) = delete;

    XPlot &plot() const { return *chart; }
    void paint(QPainter &painter, const QRectF &rect) const;

private:
    std::unique_ptr<XPlot> chart;
    std::vector<CurveData> curves;
};
