#pragma once

#include "curvedata.h"
#include "steprun.h"

#include <vector>

class XPlot;

// The results chart: the three step responses of a run over time, as the
// window's "Simulation results" tab and kestrune-sim's results figure show
// them. Record i is the response of StepRun loop i: "Closed loop" in blue,
// "PID loop" in dark green, "Fuzzy Control" in red, each 3 pixels wide, the
// first on top. Time in seconds on x ("t"), plant output on y ("f"); both
// axes start at 0.
class ResultsChart
{
public:
    // The record of one loop's response: its samples (t in s, y) with the
    // loop's title (translated, context "MainWindow"), colour and width.
    static CurveData curve(int loop, std::vector<double> t, std::vector<double> y);

    // The three records of a whole run, in loop order.
    static std::vector<CurveData> curves(StepRun::Result result);

    // Sets the chart up before any run: curves becomes three records without
    // points, the axes run over 0 ... modellingTime and 0 ... 3 * setPoint
    // (the panel's values, as floats), with the checkable legend.
    static void setUp(XPlot &plot, std::vector<CurveData> &curves, double modellingTime,
                      double setPoint);

    // Shows a run: x over 0 ... modellingTime, y over 0 ... axisTop(peak),
    // then the curves.
    static void show(XPlot &plot, const std::vector<CurveData> &curves, double modellingTime,
                     double peak);

    // The top of the y axis: the run's peak as a float, unless a diverging
    // loop has pushed it past the float range; then the largest finite
    // output, clamped to the float range, so that the axis keeps its ticks.
    static float axisTop(double peak, const std::vector<CurveData> &curves);
};
