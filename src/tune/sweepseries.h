#pragma once

#include "metrics.h"
#include "steprun.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

class Sweep;
struct SweepRecord;

// One metric of a sweep, gathered point by point as the sweep streams by,
// for its figure: what the chart needs and no more, so that a sweep is run
// once for its CSV and its figure and the figure's memory does not grow with
// the sweep.
//
// One swept parameter: each loop's line. While the sweep has at most
// kPointsPerColumn points per pixel column of the chart, every point is kept.
// Beyond that the points fall into one bucket per column, and of each bucket
// a line keeps its first and last point, its lowest and highest finite value
// and its first point without one (n/a or infinite), in sweep order: a line
// drawn through them covers the same pixels as one through every point, and
// breaks where it did.
//
// Two swept parameters: the map of one loop, one value per grid point.
//
// Values are NaN where the loop has no metric (n/a).
class SweepSeries
{
public:
    static constexpr std::size_t kPointsPerColumn = 4;

    using Field = std::optional<double> LoopMetrics::*;

    SweepSeries(const Sweep &sweep, Field metric, int columns, StepRun::Loop mapLoop);

    // The metric of each loop in the three records of one point; callable
    // from any thread.
    std::array<double, 3> metricOf(const SweepRecord *records) const;

    // The next point's metric of each loop; points come in sweep order.
    void add(const std::array<double, 3> &metric);

    // One swept parameter: the kept points of each loop's line.
    const std::array<std::vector<double>, 3> &x() const { return m_x; }
    const std::array<std::vector<double>, 3> &y() const { return m_y; }
    // Two: map()[i * (second axis' count) + j] at the i-th value of the
    // first axis and the j-th of the second, for mapLoop.
    const std::vector<double> &map() const { return m_map; }

private:
    // A point of a line: its index in the sweep and its metric.
    struct Kept {
        std::size_t point = 0;
        double value = 0.0;
    };
    // The candidates of one loop's line in the current bucket.
    struct Bucket {
        std::optional<Kept> first, last, low, high, gap;
    };
    void flush();

    const Sweep &m_sweep;
    Field m_metric;
    StepRun::Loop m_mapLoop;
    bool m_twoAxes = false;
    std::size_t m_columns = 0; // 0: every point is kept
    std::size_t m_next = 0;    // the point that add() takes next
    std::size_t m_bucket = 0;
    std::array<Bucket, 3> m_buckets;
    std::array<std::vector<double>, 3> m_x;
    std::array<std::vector<double>, 3> m_y;
    std::vector<double> m_map;
};
