#include "yaxisnote.h"

#include "messagetext.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace simcli {

namespace {

const char *const kLoopNames[3] = { "the closed loop", "the PID loop", "the fuzzy loop" };

QString number(double v)
{
    return QString::number(v, 'g', 6);
}

// The lowest and highest finite output of one loop, if it has one.
std::optional<std::array<double, 2>> span(const StepRun::Response &response)
{
    std::optional<std::array<double, 2>> s;
    for (const double y : response.y) {
        if (!std::isfinite(y))
            continue;
        if (!s)
            s = std::array<double, 2>{ y, y };
        (*s)[0] = std::min((*s)[0], y);
        (*s)[1] = std::max((*s)[1], y);
    }
    return s;
}

} // namespace

std::optional<std::array<double, 2>> dataRange(const StepRun::Result &result,
                                               const std::array<bool, 3> &shown)
{
    std::optional<std::array<double, 2>> range;
    for (std::size_t loop = 0; loop < 3; ++loop) {
        const auto s = shown[loop] ? span(result.loops[loop]) : std::nullopt;
        if (!s)
            continue;
        if (!range)
            range = s;
        (*range)[0] = std::min((*range)[0], (*s)[0]);
        (*range)[1] = std::max((*range)[1], (*s)[1]);
    }
    if (range && !((*range)[1] - (*range)[0] > 0.0 && std::isfinite((*range)[1] - (*range)[0])))
        range = std::array<double, 2>{ (*range)[0] - 0.5, (*range)[1] + 0.5 };
    return range;
}

QString beyondAxisNote(const StepRun::Result &result, const std::array<bool, 3> &shown,
                       const std::array<double, 2> &yAxis)
{
    QStringList beyond;
    for (std::size_t loop = 0; loop < 3; ++loop) {
        const auto s = shown[loop] ? span(result.loops[loop]) : std::nullopt;
        if (!s)
            continue;
        QStringList reaches;
        if ((*s)[0] < yAxis[0])
            reaches << QStringLiteral("down to ") + number((*s)[0]);
        if ((*s)[1] > yAxis[1])
            reaches << QStringLiteral("up to ") + number((*s)[1]);
        if (!reaches.isEmpty())
            beyond << QLatin1String(kLoopNames[loop]) + QLatin1Char(' ')
                            + reaches.join(QStringLiteral(" and "));
    }
    if (beyond.isEmpty())
        return QString();
    return errorLine(QStringLiteral("--plot"),
                     QStringLiteral("outputs beyond the y axis (%1 to %2): %3; --y-range data "
                                    "shows them")
                             .arg(number(yAxis[0]), number(yAxis[1]),
                                  beyond.join(QStringLiteral(", "))),
                     QString());
}

} // namespace simcli
