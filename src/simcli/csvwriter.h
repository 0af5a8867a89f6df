#pragma once

#include "metriccolumns.h"
#include "metrics.h"
#include "steprun.h"

#include <QString>

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

// A metric as every output writes it: its number, or n/a where the
// response never reaches it.
void appendMetric(std::string &out, const std::optional<double> &value);

} // namespace simcli
