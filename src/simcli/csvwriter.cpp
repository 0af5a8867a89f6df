#include "csvwriter.h"

#include "metrics.h"
#include "numberformat.h"

#include <optional>

namespace simcli {

QString samplesCsv(const StepRun::Result &result)
{
    const auto &closed = result.loops[StepRun::ClosedLoop];
    const auto &pid = result.loops[StepRun::PidLoop];
    const auto &fuzzy = result.loops[StepRun::FuzzyLoop];
    QString csv = QStringLiteral("t,closed_loop,pid_loop,fuzzy_control\n");
    csv.reserve(csv.size() + static_cast<int>(closed.t.size()) * 80);
    const QChar comma = QLatin1Char(',');
    for (std::size_t k = 0; k < closed.t.size(); ++k) {
        csv += formatNumber(closed.t[k]);
        csv += comma;
        csv += formatNumber(closed.y[k]);
        csv += comma;
        csv += formatNumber(pid.y[k]);
        csv += comma;
        csv += formatNumber(fuzzy.y[k]);
        csv += QLatin1Char('\n');
    }
    return csv;
}

QString metricsCsv(double setPoint, const StepRun::Result &result)
{
    LoopMetrics metrics[3];
    for (int loop = 0; loop < 3; ++loop) {
        const auto &response = result.loops[static_cast<std::size_t>(loop)];
        metrics[loop] = computeMetrics(setPoint, response.t, response.y);
    }

    struct Row {
        const char *name;
        std::optional<double> LoopMetrics::*field;
    };
    static const Row rows[] = {
        { "peak", &LoopMetrics::peak },
        { "peak_time", &LoopMetrics::peakTime },
        { "overshoot_percent", &LoopMetrics::overshootPercent },
        { "rise_time", &LoopMetrics::riseTime },
        { "settling_time", &LoopMetrics::settlingTime },
        { "final_value", &LoopMetrics::finalValue },
        { "steady_state_error", &LoopMetrics::steadyStateError },
        { "iae", &LoopMetrics::iae },
        { "ise", &LoopMetrics::ise },
    };

    QString csv = QStringLiteral("metric,closed_loop,pid_loop,fuzzy_control\n");
    for (const Row &row : rows) {
        csv += QLatin1String(row.name);
        for (const LoopMetrics &m : metrics) {
            const std::optional<double> &value = m.*row.field;
            csv += QLatin1Char(',');
            csv += value ? formatNumber(*value) : QStringLiteral("n/a");
        }
        csv += QLatin1Char('\n');
    }
    return csv;
}

} // namespace simcli
