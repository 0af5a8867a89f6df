#include "tunecsv.h"

#include "messagetext.h"
#include "modelparameter.h"
#include "numberformat.h"
#include "tuner.h"

#include <cmath>
#include <optional>

namespace simcli {

namespace {

QString nameOf(const ModelParameter &p)
{
    const std::string_view name = p.name();
    return QString::fromUtf8(name.data(), static_cast<int>(name.size()));
}

QString percent(const std::optional<double> &value)
{
    return value ? formatNumber(*value) + QLatin1Char('%') : QStringLiteral("n/a");
}

QString criterionName(TuneCriterion criterion)
{
    switch (criterion) {
    case TuneCriterion::Ise:
        return QStringLiteral("ise");
    case TuneCriterion::Itae:
        return QStringLiteral("itae");
    case TuneCriterion::Iae:
        break;
    }
    return QStringLiteral("iae");
}

} // namespace

QString tuneCsv(const TuneResult &result)
{
    QString csv = QStringLiteral("option,value\n");
    for (std::size_t k = 0; k < result.names.size(); ++k) {
        const ModelParameter &p = *result.names[k];
        if (!p.isBound()) {
            csv += nameOf(p) + QLatin1Char(',') + formatNumber(result.values[k])
                    + QLatin1Char('\n');
            continue;
        }
        if (!p.isLeft())
            continue;
        // A set is one option, --err-neg L,R: its row pairs the two bounds.
        double right = p.partner()->value(result.parameters);
        for (std::size_t j = 0; j < result.names.size(); ++j) {
            if (result.names[j] == p.partner())
                right = result.values[j];
        }
        const QString name = nameOf(p);
        csv += name.left(name.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(",\"")
                + formatNumber(result.values[k]) + QLatin1Char(',') + formatNumber(right)
                + QStringLiteral("\"\n");
    }
    // The PID gains were tuned under this actuator limit and mean little
    // without it.
    const bool pid = !result.names.empty() && result.names.front()->name() == "kp";
    if (pid && std::isfinite(result.parameters.pidLimit))
        csv += QStringLiteral("pid-limit,") + formatNumber(result.parameters.pidLimit)
                + QLatin1Char('\n');
    return csv;
}

QString tuneSummary(const TuneResult &result, const TuneSettings &settings)
{
    QString line = programName() + QStringLiteral(": --tune ")
            + (settings.target == TuneTarget::Pid ? QStringLiteral("pid") : QStringLiteral("fuzzy"))
            + QStringLiteral(": ") + criterionName(settings.criterion) + QLatin1Char(' ')
            + formatNumber(result.criterionBefore) + QStringLiteral(" -> ")
            + formatNumber(result.criterionAfter) + QStringLiteral(", overshoot ")
            + percent(result.overshootBefore) + QStringLiteral(" -> ")
            + percent(result.overshootAfter);
    if (settings.maxOvershoot) {
        line += (result.feasible ? QStringLiteral(" (at most ") : QStringLiteral(" (NOT within "))
                + formatNumber(*settings.maxOvershoot) + QStringLiteral("%)");
    }
    line += QStringLiteral(", %1 evaluations, %2 s")
                    .arg(result.evaluations)
                    .arg(result.seconds, 0, 'f', 2);
    if (result.stoppedAtTimeLimit) {
        line += QLatin1Char('\n') + programName()
                + QStringLiteral(": --tune stopped at the time limit: these are the best values "
                                 "found so far");
    }
    if (result.constantOutput) {
        line += QLatin1Char('\n') + programName()
                + QStringLiteral(": the tuned fuzzy controller's output is constant from the "
                                 "second step on: an open-loop input, no feedback");
    }
    return line;
}

} // namespace simcli
