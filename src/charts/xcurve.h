#pragma once

#include <qwt_plot_curve.h>

class QPainter;
class QRectF;
class QString;
class QwtScaleMap;

// The curve class of XPlot: a QwtPlotCurve that draws a line curve as its
// samples are, whatever their values.
//
// QwtPlotCurve maps the samples to pixels and rounds them to integers before
// it clips the line to the canvas. A sample far beyond the axes (a diverging
// loop reaches 1e300) overflows that rounding, and a NaN or an infinity goes
// to the painter as it is; either way the painter fills shapes that are not
// in the data. So the curve draws each run of finite samples on its own (a
// NaN or an infinity breaks the line and is not drawn), and a run that
// reaches far outside the canvas is clipped to the canvas in data
// coordinates, with wide arithmetic, before anything is mapped or rounded: a
// segment to such a point leaves the canvas where and as steeply as the line
// really does. Runs that stay near the canvas, and curves of other styles,
// take QwtPlotCurve's own path unchanged, pixel for pixel.
class XCurve : public QwtPlotCurve
{
public:
    explicit XCurve(const QString &title);
    ~XCurve() override;

protected:
    void drawCurve(QPainter *painter, int style, const QwtScaleMap &xMap,
                   const QwtScaleMap &yMap, const QRectF &canvasRect, int from,
                   int to) const override;

private:
    void drawFarRun(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const;
};
