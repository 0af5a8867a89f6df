#include "metriccolumns.h"

const char *loopName(StepRun::Loop loop)
{
    switch (loop) {
    case StepRun::ClosedLoop:
        return "closed_loop";
    case StepRun::PidLoop:
        return "pid_loop";
    case StepRun::FuzzyLoop:
        break;
    }
    return "fuzzy_control";
}

const std::array<MetricColumn, 10> &metricColumns()
{
    static const std::array<MetricColumn, 10> columns = { {
            { "peak", &LoopMetrics::peak },
            { "peak_time", &LoopMetrics::peakTime },
            { "overshoot_percent", &LoopMetrics::overshootPercent },
            { "rise_time", &LoopMetrics::riseTime },
            { "settling_time", &LoopMetrics::settlingTime },
            { "final_value", &LoopMetrics::finalValue },
            { "steady_state_error", &LoopMetrics::steadyStateError },
            { "iae", &LoopMetrics::iae },
            { "ise", &LoopMetrics::ise },
            { "itae", &LoopMetrics::itae },
    } };
    return columns;
}
