#include "sweepseries.h"

#include "sweep.h"

#include <algorithm>
#include <cmath>

SweepSeries::SweepSeries(const Sweep &sweep, Field metric, int columns, StepRun::Loop mapLoop)
    : m_sweep(sweep), m_metric(metric), m_mapLoop(mapLoop), m_twoAxes(sweep.axes().size() == 2)
{
    const std::size_t points = sweep.pointCount();
    if (m_twoAxes) {
        m_map.reserve(points);
        return;
    }
    const std::size_t wanted = static_cast<std::size_t>(std::max(columns, 1));
    if (points > kPointsPerColumn * wanted)
        m_columns = wanted;
}

std::array<double, 3> SweepSeries::metricOf(const SweepRecord *records) const
{
    std::array<double, 3> metric{};
    for (std::size_t loop = 0; loop < 3; ++loop) {
        const std::optional<double> &m = records[loop].metrics.*m_metric;
        metric[loop] = m ? *m : std::nan("");
    }
    return metric;
}

void SweepSeries::add(const std::array<double, 3> &metric)
{
    const std::size_t point = m_next++;
    if (m_twoAxes) {
        m_map.push_back(metric[static_cast<std::size_t>(m_mapLoop)]);
        return;
    }
    if (m_columns == 0) {
        const double x = m_sweep.values(point)[0];
        for (std::size_t loop = 0; loop < 3; ++loop) {
            m_x[loop].push_back(x);
            m_y[loop].push_back(metric[loop]);
        }
        return;
    }
    const std::size_t bucket = point * m_columns / m_sweep.pointCount();
    if (bucket != m_bucket) {
        flush();
        m_bucket = bucket;
    }
    for (std::size_t loop = 0; loop < 3; ++loop) {
        Bucket &b = m_buckets[loop];
        const Kept kept{ point, metric[loop] };
        if (!b.first)
            b.first = kept;
        b.last = kept;
        if (!std::isfinite(kept.value)) {
            if (!b.gap)
                b.gap = kept;
            continue;
        }
        if (!b.low || kept.value < b.low->value)
            b.low = kept;
        if (!b.high || kept.value > b.high->value)
            b.high = kept;
    }
    if (m_next == m_sweep.pointCount())
        flush();
}

void SweepSeries::flush()
{
    for (std::size_t loop = 0; loop < 3; ++loop) {
        Bucket &b = m_buckets[loop];
        std::vector<Kept> kept;
        for (const std::optional<Kept> &k : { b.first, b.low, b.high, b.gap, b.last })
            if (k)
                kept.push_back(*k);
        std::sort(kept.begin(), kept.end(),
                  [](const Kept &l, const Kept &r) { return l.point < r.point; });
        kept.erase(std::unique(kept.begin(), kept.end(),
                               [](const Kept &l, const Kept &r) { return l.point == r.point; }),
                   kept.end());
        for (const Kept &k : kept) {
            m_x[loop].push_back(m_sweep.values(k.point)[0]);
            m_y[loop].push_back(k.value);
        }
        b = Bucket();
    }
}
