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
// runs from -10 to 10, the range of the bounds, and draws the degree that
// the fuzzy controller computes for every x (FuzzyController::membership),
// whatever the order of the bounds, with a vertical edge where the degree
// jumps:
//   Negative, Positive  L < R: 1 (0) up to L, a line to 0 (1) at R;
//                       L >= R: a step at L.
//   Zero                L < 0 < R: the triangle with its apex at (0, 1);
//                       0 <= L < R: a jump at L to (R - L) / R, a line to 0
//                       at R; L < R <= 0: a line from 0 at L to
//                       (R - L) / -L, a drop at R; L >= R: 0 everywhere.
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
