#include "sweep.h"

#include "modelparameter.h"
#include "parallelrunner.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

std::string numberText(double v)
{
    char text[64];
    const auto r = std::to_chars(std::begin(text), std::end(text), v);
    return std::string(text, r.ptr);
}

} // namespace

std::optional<SweepAxis> Sweep::parseAxis(std::string_view text, DecimalRange::Error *error)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        if (error)
            *error = { std::string(text), "is not NAME=FROM:TO:STEP" };
        return std::nullopt;
    }
    const std::string_view name = text.substr(0, equals);
    const ModelParameter *parameter = ModelParameter::find(name);
    if (!parameter) {
        if (error)
            *error = { std::string(name), "is not the name of a parameter" };
        return std::nullopt;
    }
    std::optional<DecimalRange> range = DecimalRange::parse(text.substr(equals + 1), error);
    if (!range)
        return std::nullopt;
    return SweepAxis{ parameter, *range };
}

Sweep::Sweep(const StepParameters &base, std::vector<SweepAxis> axes)
    : m_base(base), m_axes(std::move(axes))
{
    if (m_axes.size() > 2)
        m_axes.erase(m_axes.begin() + 2, m_axes.end());
    m_points = m_axes.empty() ? 0 : 1;
    for (const SweepAxis &axis : m_axes) {
        // Saturate: validate() rejects anything above kMaxPoints anyway.
        const std::size_t n = axis.range.size();
        m_points = n != 0 && m_points > kMaxPoints / n ? kMaxPoints + 1 : m_points * n;
    }
}

std::array<double, 2> Sweep::values(std::size_t point) const
{
    std::array<double, 2> v{};
    if (m_axes.size() == 2) {
        const std::size_t inner = m_axes[1].range.size();
        v[0] = m_axes[0].range[point / inner];
        v[1] = m_axes[1].range[point % inner];
    } else if (m_axes.size() == 1) {
        v[0] = m_axes[0].range[point];
    }
    return v;
}

StepParameters Sweep::parameters(std::size_t point) const
{
    StepParameters p = m_base;
    const std::array<double, 2> v = values(point);
    for (std::size_t a = 0; a < m_axes.size(); ++a)
        m_axes[a].parameter->apply(p, v[a]);
    return p;
}

std::optional<SweepProblem> Sweep::validate() const
{
    if (m_axes.size() == 2 && m_axes[0].parameter == m_axes[1].parameter) {
        return SweepProblem{ 0, values(0),
                             std::string(m_axes[1].parameter->name()) + " is swept twice", true };
    }
    if (m_points > kMaxPoints) {
        return SweepProblem{ 0, values(0),
                             "the grid has more than " + std::to_string(kMaxPoints) + " points",
                             true };
    }
    for (std::size_t point = 0; point < m_points; ++point) {
        const std::array<double, 2> v = values(point);
        for (std::size_t a = 0; a < m_axes.size(); ++a) {
            const ModelParameter &p = *m_axes[a].parameter;
            if (!p.accepts(v[a])) {
                const bool below = v[a] < p.minimum();
                return SweepProblem{ point, v,
                                     std::string(p.name()) + " " + numberText(v[a])
                                             + (below ? " is below its minimum "
                                                      : " is above its maximum ")
                                             + numberText(below ? p.minimum() : p.maximum()) };
            }
        }
        for (std::size_t a = 0; a < m_axes.size(); ++a) {
            const ModelParameter &p = *m_axes[a].parameter;
            if (!p.isOrderedBound())
                continue;
            const ModelParameter &other = *p.partner();
            double otherValue = other.value(m_base);
            for (std::size_t b = 0; b < m_axes.size(); ++b) {
                if (m_axes[b].parameter == &other)
                    otherValue = v[b];
            }
            const double l = p.isLeft() ? v[a] : otherValue;
            const double r = p.isLeft() ? otherValue : v[a];
            if (!p.inOrder(l, r)) {
                const ModelParameter &left = p.isLeft() ? p : other;
                const ModelParameter &right = p.isLeft() ? other : p;
                return SweepProblem{ point, v,
                                     std::string(left.name()) + " " + numberText(l) + " is above "
                                             + std::string(right.name()) + " " + numberText(r) };
            }
        }
    }
    return std::nullopt;
}

void Sweep::evaluate(std::size_t point, SweepRecord *records) const
{
    const StepParameters p = parameters(point);
    const std::array<double, 2> v = values(point);
    const StepRun::Result result = StepRun::run(p);
    for (int loop = 0; loop < 3; ++loop) {
        const StepRun::Response &r = result.loops[static_cast<std::size_t>(loop)];
        SweepRecord &record = records[loop];
        record.values = v;
        record.loop = static_cast<StepRun::Loop>(loop);
        record.metrics = computeMetrics(p.setPoint, r.t, r.y);
    }
}

void Sweep::runBlocks(const PointWork &work, const BlockDone &done, unsigned threads,
                      const Progress &progress) const
{
    for (std::size_t first = 0; first < m_points; first += kBlockPoints) {
        const std::size_t count = std::min(kBlockPoints, m_points - first);
        ParallelRunner::Tick tick;
        if (progress)
            tick = [&](std::size_t finished) { progress(first + finished, m_points); };
        ParallelRunner::run(
                count, kChunkPoints, threads,
                [&](std::size_t begin, std::size_t end) { work(first + begin, first + end); },
                tick);
        if (!done(first, count))
            return;
    }
}

void Sweep::run(const Sink &sink, unsigned threads, const Progress &progress) const
{
    std::vector<SweepRecord> block;
    block.resize(std::min(kBlockPoints, m_points) * 3);
    std::size_t blockFirst = 0;
    runBlocks(
            [&](std::size_t begin, std::size_t end) {
                for (std::size_t point = begin; point < end; ++point)
                    evaluate(point, &block[(point - blockFirst) * 3]);
            },
            [&](std::size_t first, std::size_t count) {
                sink(first, block);
                blockFirst = first + count;
                block.resize(std::min(kBlockPoints, m_points - blockFirst) * 3);
                return true;
            },
            threads, progress);
}

std::vector<SweepRecord> Sweep::runAll(unsigned threads, const Progress &progress) const
{
    std::vector<SweepRecord> all;
    all.reserve(std::min(m_points, kMaxPoints) * 3);
    run([&all](std::size_t, const std::vector<SweepRecord> &records) {
        all.insert(all.end(), records.begin(), records.end());
    }, threads, progress);
    return all;
}
