#include "sweepcsv.h"

#include "csvwriter.h"
#include "modelparameter.h"
#include "numberformat.h"
#include "progressline.h"
#include "sweep.h"
#include "sweepseries.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace simcli {

namespace {

std::string header(const Sweep &sweep)
{
    std::string text;
    for (const SweepAxis &axis : sweep.axes()) {
        text += axis.parameter->name();
        text += ',';
    }
    text += "loop";
    for (const MetricColumn &column : metricColumns()) {
        text += ',';
        text += column.name;
    }
    text += '\n';
    return text;
}

bool sameBits(const std::optional<double> &a, const std::optional<double> &b)
{
    return a.has_value() == b.has_value()
            && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

// The cells of a loop's metrics, made once for a run of points where the
// loop does not change: a sweep of one loop's parameters leaves the other two
// loops' metrics the same at every point.
class LoopCells
{
public:
    const std::string &cells(const LoopMetrics &metrics)
    {
        const auto &columns = metricColumns();
        const bool same = m_valid
                && std::all_of(columns.begin(), columns.end(), [&](const MetricColumn &c) {
                       return sameBits(metrics.*c.field, m_metrics.*c.field);
                   });
        if (!same) {
            m_text.clear();
            for (const MetricColumn &column : columns) {
                m_text += ',';
                appendMetric(m_text, metrics.*column.field);
            }
            m_metrics = metrics;
            m_valid = true;
        }
        return m_text;
    }

private:
    bool m_valid = false;
    LoopMetrics m_metrics;
    std::string m_text;
};

// The three rows of one point.
void appendPoint(std::string &out, std::size_t axes, const SweepRecord *records,
                 std::array<LoopCells, 3> &cells)
{
    std::string values;
    for (std::size_t a = 0; a < axes; ++a) {
        appendNumber(values, records[0].values[a]);
        values += ',';
    }
    for (std::size_t loop = 0; loop < 3; ++loop) {
        const SweepRecord &record = records[loop];
        out += values;
        out += loopName(record.loop);
        out += cells[loop].cells(record.metrics);
        out += '\n';
    }
}

bool writeAll(QIODevice &out, const std::string &text)
{
    const auto size = static_cast<qint64>(text.size());
    return size == 0 || out.write(text.data(), size) == size;
}

} // namespace

bool writeSweepCsv(const Sweep &sweep, unsigned threads, QIODevice &out, ProgressLine *progress,
                   SweepSeries *series, std::size_t shard, std::size_t shards,
                   const std::function<bool()> &interrupted)
{
    if (shard == 1 && !writeAll(out, header(sweep)))
        return false;
    const std::array<std::size_t, 2> slice = Sweep::shard(sweep.pointCount(), shard, shards);
    const std::size_t axes = sweep.axes().size();
    // One text per chunk of a block, each made by whichever thread takes
    // the chunk and written in chunk order.
    std::vector<std::string> texts((Sweep::kBlockPoints + Sweep::kChunkPoints - 1)
                                   / Sweep::kChunkPoints);
    // The figure's metric of each point of a block, handed to the series in
    // point order once the block is done.
    std::vector<std::array<double, 3>> metrics(series ? Sweep::kBlockPoints : 0);
    std::size_t blockFirst = slice[0];
    Sweep::Progress tick;
    if (progress)
        tick = [progress](std::size_t done, std::size_t total) { progress->update(done, total); };
    bool written = true;
    sweep.runBlocks(
            [&](std::size_t begin, std::size_t end) {
                if (interrupted && interrupted())
                    return;
                std::string &text = texts[(begin - blockFirst) / Sweep::kChunkPoints];
                text.clear();
                SweepRecord records[3];
                std::array<LoopCells, 3> cells;
                for (std::size_t point = begin; point < end; ++point) {
                    sweep.evaluate(point, records);
                    appendPoint(text, axes, records, cells);
                    if (series)
                        metrics[point - blockFirst] = series->metricOf(records);
                }
            },
            [&](std::size_t first, std::size_t count) {
                if (interrupted && interrupted())
                    return false;
                const std::size_t chunks = (count + Sweep::kChunkPoints - 1) / Sweep::kChunkPoints;
                for (std::size_t k = 0; k < chunks && written; ++k)
                    written = writeAll(out, texts[k]);
                for (std::size_t i = 0; series && i < count; ++i)
                    series->add(metrics[i]);
                blockFirst = first + count;
                return written;
            },
            threads, tick, slice[0], slice[1]);
    return written;
}

} // namespace simcli
