#pragma once

#include "curvedata.h"

#include <qwt_legend.h>
#include <qwt_plot.h>

#include <QString>

#include <vector>

class QwtPlotItem;
class QWidget;
class XCurve;

// The chart of the window: a QwtPlot with fixed axis ranges, axis titles, an
// optional checkable legend on the right that switches curves on and off,
// and one XCurve per CurveData record. Use it in this order: init once,
// createCurves once, then setScales and updateCurves as often as needed.
//
// The chart keeps its own copy of the records (curveData) and its curves
// draw straight from that copy, so the caller's records may change or die
// at any time. Nothing redraws on its own (auto-replot is off); only
// createCurves, updateCurves and a legend toggle call replot().
//
// Calls outside that order are safe:
// - createCurves before init: the curves are made on Qwt's default axes and
//   without a legend; a later init with a legend lists them, checked as far
//   as they are visible, and connects the check boxes.
// - a second createCurves replaces the first set of curves, which are
//   detached and deleted.
// - updateCurves with more records than curves ignores the surplus records;
//   a curve without a record is detached (no legend entry) and holds no
//   points until an updateCurves brings a record for it again.
// - init with legend false takes a legend that an earlier init showed back
//   out of the chart.
// A record with both vectors empty shows the single point (0, 0), added to
// the chart's copy only. A record whose vectors differ in length shows no
// point; one whose count exceeds its vectors shows only the points both
// vectors hold; a negative count shows none.
class XPlot : public QwtPlot
{
    Q_OBJECT

public:
    explicit XPlot(QWidget *parent = nullptr);
    XPlot(QWidget *parent, float xMax, float yMax, std::vector<CurveData> data, bool legend,
          QString xTitle, QString yTitle);
    ~XPlot() override;

    bool init(float xMin, float xMax, float yMin, float yMax, bool legend, QString xTitle,
              QString yTitle);
    void setScales(float xMin, float xMax, float yMin, float yMax);
    bool createCurves(std::vector<CurveData> data);
    bool updateCurves(std::vector<CurveData> data);

private slots:
    void showCurve(QwtPlotItem *, bool on);

private:
    float xMax = 0.0f;
    float xMin = 0.0f;
    float yMax = 0.0f;
    float yMin = 0.0f;
    bool legendOn = false;
    QwtLegend legendWidget;
    std::vector<XCurve *> curves;
    std::vector<CurveData> curveData;
};
