#pragma once

#include "curvedata.h"
#include "fuzzyset.h"

#include <QSize>

#include <array>
#include <memory>
#include <vector>

class QPainter;
class QRectF;
class QwtLegend;
class XPlot;

// Both membership-function charts as one figure: the error's sets above the
// derivative's, each chart as the window's "Member Functions" tab shows it
// (built by MembershipChart, in the window's font), and on the right a
// legend naming the three sets, which a printed figure needs since it has
// no panel beside it. A chart's x axis spans the window's -3 ... 3, widened
// to take in each of its sets' bounds that lies beyond.
class MembershipFigure
{
public:
    MembershipFigure(const std::array<FuzzySet, 3> &errorSets,
                     const std::array<FuzzySet, 3> &derivativeSets, QSize size);
    ~MembershipFigure();
    MembershipFigure(const MembershipFigure &) = delete;
    MembershipFigure &operator=(const MembershipFigure &) = delete;

    XPlot &errorPlot() const { return *errorChart; }
    XPlot &derivativePlot() const { return *derivativeChart; }
    void paint(QPainter &painter, const QRectF &rect) const;

private:
    std::unique_ptr<XPlot> errorChart;
    std::unique_ptr<XPlot> derivativeChart;
    std::unique_ptr<QwtLegend> legend;
    std::vector<CurveData> errorCurves;
    std::vector<CurveData> derivativeCurves;
};
