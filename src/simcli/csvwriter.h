#pragma once

#include "metrics.h"
#include "steprun.h"

#include <QString>

#include <array>
#include <optional>
#include <string>

namespace simcli {

// The three responses as CSV: the header t,closed_loop,pid_loop,fuzzy_control
// and one row per sample, every number written so that it reads back as
// exactly the same double. The time stamps are the closed loop's (all three
// loops share one grid). Lines end in '\n'.
QString samplesCsv(const StepRun::Result &result);

// The metrics of the three loops as CSV: the header
// metric,closed_loop,pid_loop,fuzzy_control and one row per metric (peak,
// peak_time, overshoot_percent, rise_time, settling_time, final_value,
// steady_state_error, iae, ise); "n/a" where a metric is not reached.
QString metricsCsv(double setPoint, const StepRun::Result &result);

// A loop's name in the CSV headers: closed_loop, pid_loop, fuzzy_control.
const char *loopName(StepRun::Loop loop);

// One metric of the CSV outputs: its name and where LoopMetrics holds it.
struct MetricColumn {
    const char *name;
    std::optional<double> LoopMetrics::*field;
};

// The nine metrics in the order the outputs list them.
const std::array<MetricColumn, 9> &metricColumns();

// A metric as every output writes it: its number, or n/a where the
// response never reaches it.
void appendMetric(std::string &out, const std::optional<double> &value);

} // namespace simcli
