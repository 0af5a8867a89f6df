#include "membershipchart.h"

#include "xplot.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

#include <utility>

namespace {

struct MembershipStyle {
    const char *title;
    Qt::GlobalColor color;
};
constexpr MembershipStyle kStyle[3] = {
    { "Large Negative", Qt::red },
    { "Near Zero", Qt::green },
    { "Large Positive", Qt::blue },
};

CurveData record(int position, std::vector<double> x, std::vector<double> y, float width)
{
    return CurveData(std::move(x), std::move(y), MembershipChart::title(position),
                     MembershipChart::color(position), width);
}

} // namespace

QString MembershipChart::title(int position)
{
    return QString::fromLatin1(kStyle[position].title);
}

QColor MembershipChart::color(int position)
{
    return QColor(kStyle[position].color);
}

CurveData MembershipChart::curve(int position, const FuzzySet &set)
{
    const double l = set.left;
    const double r = set.right;
    switch (position) {
    case 0:
        if (l >= r) // a step down at L
            return record(0, { -10.0, l, l, 10.0 }, { 1.0, 1.0, 0.0, 0.0 }, 2.0f);
        return record(0, { -10.0, l, r, 10.0 }, { 1.0, 1.0, 0.0, 0.0 }, 2.0f);
    case 1:
        if (l >= r) // empty
            return record(1, { -10.0, 10.0 }, { 0.0, 0.0 }, 2.0f);
        if (l >= 0.0) // jumps at L onto the falling side, which ends at R
            return record(1, { -10.0, l, l, r, 10.0 }, { 0.0, 0.0, (r - l) / r, 0.0, 0.0 },
                          2.0f);
        if (r <= 0.0) // the rising side, cut off at R
            return record(1, { -10.0, l, r, r, 10.0 }, { 0.0, 0.0, (l - r) / l, 0.0, 0.0 },
                          2.0f);
        return record(1, { -10.0, l, 0.0, r, 10.0 }, { 0.0, 0.0, 1.0, 0.0, 0.0 }, 2.0f);
    default:
        if (l >= r) // a step up at L
            return record(2, { -10.0, l, l, 10.0 }, { 0.0, 0.0, 1.0, 1.0 }, 2.0f);
        return record(2, { -10.0, l, r, 10.0 }, { 0.0, 0.0, 1.0, 1.0 }, 2.0f);
    }
}

void MembershipChart::setUp(XPlot &plot, std::vector<CurveData> &curves, Quantity quantity)
{
    curves.resize(3);
    for (int i = 0; i < 3; ++i)
        curves[static_cast<std::size_t>(i)] = record(i, {}, {}, 3.0f);
    const char *xTitle = quantity == Error ? QT_TRANSLATE_NOOP("MainWindow", "e")
                                           : QT_TRANSLATE_NOOP("MainWindow", "de");
    plot.init(-3.0f, 3.0f, 0.0f, 1.1f, false, QCoreApplication::translate("MainWindow", xTitle),
              QCoreApplication::translate("MainWindow", "f"));
    plot.createCurves(curves);
}

void MembershipChart::show(XPlot &plot, std::vector<CurveData> &curves,
                           const std::array<FuzzySet, 3> &sets)
{
    for (int i = 0; i < 3; ++i)
        curves[static_cast<std::size_t>(i)] = curve(i, sets[static_cast<std::size_t>(i)]);
    plot.updateCurves(curves);
}
