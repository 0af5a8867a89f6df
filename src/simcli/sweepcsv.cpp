#include "sweepcsv.h"

#include "csvwriter.h"
#include "modelparameter.h"
#include "numberformat.h"
#include "progressline.h"
#include "sweep.h"

#include <QIODevice>

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

// The three rows of one point.
void appendPoint(std::string &out, std::size_t axes, const SweepRecord *records)
{
    std::string values;
    for (std::size_t a = 0; a < axes; ++a) {
        appendNumber(values, records[0].values[a]);
        values += ',';
    }
    for (int loop = 0; loop < 3; ++loop) {
        const SweepRecord &record = records[loop];
        out += values;
        out += loopName(record.loop);
        for (const MetricColumn &column : metricColumns()) {
            out += ',';
            appendMetric(out, record.metrics.*column.field);
        }
        out += '\n';
    }
}

bool writeAll(QIODevice &out, const std::string &text)
{
    const auto size = static_cast<qint64>(text.size());
    return size == 0 || out.write(text.data(), size) == size;
}

} // namespace

bool writeSweepCsv(const Sweep &sweep, unsigned threads, QIODevice &out, ProgressLine *progress)
{
    if (!writeAll(out, header(sweep)))
        return false;
    const std::size_t axes = sweep.axes().size();
    // One text per chunk of a block, each made by whichever thread takes
    // the chunk and written in chunk order.
    std::vector<std::string> texts((Sweep::kBlockPoints + Sweep::kChunkPoints - 1)
                                   / Sweep::kChunkPoints);
    std::size_t blockFirst = 0;
    Sweep::Progress tick;
    if (progress)
        tick = [progress](std::size_t done, std::size_t total) { progress->update(done, total); };
    bool written = true;
    sweep.runBlocks(
            [&](std::size_t begin, std::size_t end) {
                std::string &text = texts[(begin - blockFirst) / Sweep::kChunkPoints];
                text.clear();
                SweepRecord records[3];
                for (std::size_t point = begin; point < end; ++point) {
                    sweep.evaluate(point, records);
                    appendPoint(text, axes, records);
                }
            },
            [&](std::size_t first, std::size_t count) {
                const std::size_t chunks = (count + Sweep::kChunkPoints - 1) / Sweep::kChunkPoints;
                for (std::size_t k = 0; k < chunks && written; ++k)
                    written = writeAll(out, texts[k]);
                blockFirst = first + count;
                return written;
            },
            threads, tick);
    return written;
}

} // namespace simcli
