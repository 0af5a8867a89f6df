#include "sweep.h"

#include "modelparameter.h"
#include "parallelrunner.h"

#include <algorithm>
#include <functional>
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
    if (m_axes.size() > kMaxSweepAxes)
        m_axes.erase(m_axes.begin() + kMaxSweepAxes, m_axes.end());
    m_strides.assign(m_axes.size(), 1);
    m_points = m_axes.empty() ? 0 : 1;
    for (std::size_t a = m_axes.size(); a-- > 0;) {
        m_strides[a] = m_points;
        // Saturate: validate() rejects anything above kMaxPoints anyway.
        const std::size_t n = m_axes[a].range.size();
        m_points = n != 0 && m_points > kMaxPoints / n ? kMaxPoints + 1 : m_points * n;
    }
}

SweepValues Sweep::values(std::size_t point) const
{
    SweepValues v{};
    for (std::size_t a = 0; a < m_axes.size(); ++a)
        v[a] = m_axes[a].range[(point / m_strides[a]) % m_axes[a].range.size()];
    return v;
}

std::array<std::size_t, 2> Sweep::shard(std::size_t points, std::size_t k, std::size_t n)
{
    if (n == 0 || k == 0 || k > n)
        return { 0, 0 };
    const std::size_t size = points / n;
    const std::size_t larger = points % n;
    const auto start = [&](std::size_t i) { return i * size + std::min(i, larger); };
    return { start(k - 1), start(k) };
}

StepParameters Sweep::parameters(std::size_t point) const
{
    StepParameters p = m_base;
    const SweepValues v = values(point);
    for (std::size_t a = 0; a < m_axes.size(); ++a)
        m_axes[a].parameter->apply(p, v[a]);
    return p;
}

namespace {

// The first index k in [0, n) where bad(k) holds, for a bad that changes at
// most once over the indices (a comparison with the values of one range,
// which rise or fall steadily); n if there is none.
template<typename Bad>
std::size_t firstBad(std::size_t n, Bad bad)
{
    if (n == 0 || bad(0))
        return 0;
    if (!bad(n - 1))
        return n;
    std::size_t good = 0;
    std::size_t worse = n - 1;
    while (worse - good > 1) {
        const std::size_t mid = good + (worse - good) / 2;
        (bad(mid) ? worse : good) = mid;
    }
    return worse;
}

} // namespace

std::optional<SweepProblem> Sweep::validate() const
{
    for (std::size_t a = 0; a < m_axes.size(); ++a) {
        for (std::size_t b = a + 1; b < m_axes.size(); ++b) {
            if (m_axes[a].parameter == m_axes[b].parameter) {
                return SweepProblem{ 0, values(0),
                                     std::string(m_axes[b].parameter->name()) + " is swept twice",
                                     true };
            }
        }
    }
    if (m_points > kMaxPoints) {
        return SweepProblem{ 0, values(0),
                             "the grid has more than " + std::to_string(kMaxPoints) + " points",
                             true };
    }
    // The first failing point of each check; the earliest point wins, and
    // at the same point the earlier check.
    std::optional<SweepProblem> first;
    const auto consider = [&](std::size_t point, const std::function<std::string()> &reason) {
        if (!first || point < first->point)
            first = SweepProblem{ point, values(point), reason() };
    };
    for (std::size_t a = 0; a < m_axes.size(); ++a) {
        const ModelParameter &p = *m_axes[a].parameter;
        const DecimalRange &range = m_axes[a].range;
        for (std::size_t i = 0; i < range.size(); ++i) {
            if (p.accepts(range[i]))
                continue;
            const double v = range[i];
            consider(i * m_strides[a], [&] {
                const bool below = v < p.minimum();
                return std::string(p.name()) + " " + numberText(v)
                        + (below ? " is below its minimum " : " is above its maximum ")
                        + numberText(below ? p.minimum() : p.maximum());
            });
            break;
        }
    }
    for (std::size_t a = 0; a < m_axes.size(); ++a) {
        const ModelParameter &p = *m_axes[a].parameter;
        if (!p.isOrderedBound())
            continue;
        const ModelParameter &other = *p.partner();
        const ModelParameter &left = p.isLeft() ? p : other;
        const ModelParameter &right = p.isLeft() ? other : p;
        const auto report = [&](double l, double r) {
            return std::string(left.name()) + " " + numberText(l) + " is above "
                    + std::string(right.name()) + " " + numberText(r);
        };
        std::size_t b = m_axes.size();
        for (std::size_t k = 0; k < m_axes.size(); ++k) {
            if (m_axes[k].parameter == &other)
                b = k;
        }
        const DecimalRange &mine = m_axes[a].range;
        if (b == m_axes.size()) {
            const double fixed = other.value(m_base);
            for (std::size_t i = 0; i < mine.size(); ++i) {
                const double l = p.isLeft() ? mine[i] : fixed;
                const double r = p.isLeft() ? fixed : mine[i];
                if (!p.inOrder(l, r)) {
                    consider(i * m_strides[a], [&] { return report(l, r); });
                    break;
                }
            }
        } else if (a < b || !m_axes[b].parameter->isOrderedBound()) {
            // Both bounds swept: for each value of one, the first value of
            // the other that breaks the order.
            const DecimalRange &theirs = m_axes[b].range;
            for (std::size_t i = 0; i < mine.size(); ++i) {
                const auto bad = [&](std::size_t j) {
                    const double l = p.isLeft() ? mine[i] : theirs[j];
                    const double r = p.isLeft() ? theirs[j] : mine[i];
                    return !p.inOrder(l, r);
                };
                const std::size_t j = firstBad(theirs.size(), bad);
                if (j == theirs.size())
                    continue;
                const double l = p.isLeft() ? mine[i] : theirs[j];
                const double r = p.isLeft() ? theirs[j] : mine[i];
                consider(i * m_strides[a] + j * m_strides[b], [&] { return report(l, r); });
            }
        }
    }
    return first;
}

void Sweep::evaluate(std::size_t point, SweepRecord *records) const
{
    const StepParameters p = parameters(point);
    const SweepValues v = values(point);
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
                      const Progress &progress, std::size_t begin, std::size_t end) const
{
    end = std::min(end, m_points);
    for (std::size_t first = begin; first < end; first += kBlockPoints) {
        const std::size_t count = std::min(kBlockPoints, end - first);
        ParallelRunner::Tick tick;
        if (progress)
            tick = [&](std::size_t finished) { progress(first - begin + finished, end - begin); };
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
