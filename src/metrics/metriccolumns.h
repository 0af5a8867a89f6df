#pragma once

#include "metrics.h"
#include "steprun.h"

#include <array>
#include <optional>

// The names under which every output gives the metrics and the loops: the
// columns of --metrics and of a sweep, the choices of --plot-metric and
// --plot-loop.

// A loop's name: closed_loop, pid_loop, fuzzy_control.
const char *loopName(StepRun::Loop loop);

// One metric: its name and where LoopMetrics holds it.
struct MetricColumn {
    const char *name;
    std::optional<double> LoopMetrics::*field;
};

// The metrics in the order the outputs list them.
const std::array<MetricColumn, 10> &metricColumns();
