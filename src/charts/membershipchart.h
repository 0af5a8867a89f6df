#pragma once

#include "curvedata.h"
#include "fuzzyset.h"

#include <array>
#include <vector>

class QColor;
class QString;
class XPlot;

// A membership-function chart: the three sets of one quantity (the error, or
// its derivative) as polylines over -3 ... 3 by 0 ... 1.1, as the window's
// "Member Functions" tab and kestrune-sim's membership figure show them.
// Record i is the set at position i of its triple: 0 "Large Negative" in
// red, 1 "Near Zero" in green, 2 "Large Positive" in blue. Each polyline
// runs from -10 to 10, the range of the bounds, through the set's L and R
// (and for Zero the apex (0, 1)), neither sorted nor clamped, so the chart
// shows the bounds as they were given.
class MembershipChart
{
public:
    enum Quantity { Error, Derivative };

    static QString title(int position);
    static QColor color(int position);

    // The polyline of the set at a position of its triple, 2 pixels wide.
    static CurveData curve(int position, const FuzzySet &set);

    // Sets the chart up: curves becomes three records without points (3
    // pixels wide), the axes and their titles are fixed ("e" or "de", and
    // "f", translated with context "MainWindow"), no legend.
    static void setUp(XPlot &plot, std::vector<CurveData> &curves, Quantity quantity);

    // Draws the three sets of a triple (Negative, Zero, Positive).
    static void show(XPlot &plot, std::vector<CurveData> &curves,
                     const std::array<FuzzySet, 3> &sets);
};
