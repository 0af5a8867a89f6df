#include "csvwriter.h"

#include "metrics.h"
#include "numberformat.h"

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

    std::string csv = "metric,closed_loop,pid_loop,fuzzy_control\n";
    for (const MetricColumn &column : metricColumns()) {
        csv += column.name;
        for (const LoopMetrics &m : metrics) {
            csv += ',';
            appendMetric(csv, m.*column.field);
        }
        csv += '\n';
    }
    return QString::fromStdString(csv);
}

void appendMetric(std::string &out, const std::optional<double> &value)
{
    if (value)
        appendNumber(out, *value);
    else
        out += "n/a";
}

} // namespace simcli
