#include "resultschart.h"

#include "numeric.h"
#include "xplot.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

CurveData ResultsChart::curve(int loop, std::vector<double> t, std::vector<double> y)
{
    const auto record = [&](const char *title, Qt::GlobalColor color) {
        return CurveData(std::move(t), std::move(y),
                         QCoreApplication::translate("MainWindow", title), QColor(color), 3.0f);
    };
    switch (loop) {
    case StepRun::ClosedLoop:
        return record(QT_TRANSLATE_NOOP("MainWindow", "Closed loop"), Qt::blue);
    case StepRun::PidLoop:
        return record(QT_TRANSLATE_NOOP("MainWindow", "PID loop"), Qt::darkGreen);
    default:
        return record(QT_TRANSLATE_NOOP("MainWindow", "Fuzzy Control"), Qt::red);
    }
}

std::vector<CurveData> ResultsChart::curves(StepRun::Result result)
{
    std::vector<CurveData> records;
    for (int loop = 0; loop < 3; ++loop) {
        StepRun::Response &response = result.loops[static_cast<std::size_t>(loop)];
        records.push_back(curve(loop, std::move(response.t), std::move(response.y)));
    }
    return records;
}

void ResultsChart::setUp(XPlot &plot, std::vector<CurveData> &curves, double modellingTime,
                         double setPoint)
{
    curves.resize(3);
    for (int i = 0; i < 3; ++i)
        curves[static_cast<std::size_t>(i)] = curve(i, {}, {});

    plot.init(0.0f, toFloat(modellingTime), 0.0f, toFloat(3.0 * setPoint), true,
              QStringLiteral("t"), QStringLiteral("f"));
    plot.createCurves(curves);
}

void ResultsChart::show(XPlot &plot, const std::vector<CurveData> &curves, double modellingTime,
                        double peak)
{
    plot.setScales(0.0f, toFloat(modellingTime), 0.0f, axisTop(peak, curves));
    plot.updateCurves(curves);
}

float ResultsChart::axisTop(double peak, const std::vector<CurveData> &curves)
{
    const float top = toFloat(peak);
    if (std::isfinite(top))
        return top;
    double largest = 0.0;
    for (const CurveData &c : curves)
        for (double y : c.y)
            if (std::isfinite(y) && y > largest)
                largest = y;
    return static_cast<float>(std::min(largest, static_cast<double>(FLT_MAX)));
}
