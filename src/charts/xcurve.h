#pragma once

#include <qwt_plot_curve.h>

class QString;

// The curve class of XPlot. It behaves exactly like QwtPlotCurve; its own
// type only tells the chart's curves apart from other plot items.
class XCurve : public QwtPlotCurve
{
public:
    explicit XCurve(const QString &title);
    ~XCurve() override;
};
