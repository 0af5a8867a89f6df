#include "tuner.h"

#include "loopscorer.h"
#include "modelparameter.h"
#include "parallelrunner.h"
#include "steprun.h"

#include <nlopt.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <unordered_map>

namespace {

constexpr int kZoomLevels = 4;      // boxes shrunk by 1, 4, 16, 64
constexpr double kZoomFactor = 4.0;
// Local searches per round, the least budget each gets, and the rounds the
// budget is meant to last at the least.
constexpr std::size_t kLocalTasks = 8;
constexpr std::size_t kMinTaskBudget = 200;
constexpr std::size_t kLocalRounds = 8;
// A later round's start differs from the best so far in up to this many
// values: the fuzzy controller's plateaus are crossed by moving a few sets
// at a time, not all at once.
constexpr std::size_t kMaxKicks = 4;
// DIRECT in many dimensions finds good regions but refines them slowly;
// most of the budget goes to the local searches.
constexpr double kGlobalShare = 0.1;
constexpr double kInitialStepDivisor = 8.0;
// The PID search: NLopt's share of the budget, and the pattern search's
// largest step, 2^(levels - 1) grid points.
constexpr double kNloptShare = 0.9;
constexpr int kPatternLevels = 12;
constexpr int kNeighbourhood = 4;
// The fuzzy search: NLopt's share of the budget, then the grid search's
// tasks per round and the rounds its share is meant to last at the least.
constexpr double kFuzzyNloptShare = 0.125;
constexpr std::size_t kGridTasks = 8;
// A descent rarely needs more; one that does goes on from the best.
constexpr std::size_t kGridTaskBudget = 400000;
// The last stage's share of the fuzzy search and the reach of its moves of
// two values together, in grid steps either way.
constexpr double kPolishShare = 0.1;
constexpr int kPairReach = 10;
// NLopt calls that the cache answers cost little but are not free; a method
// that circles on a plateau stops after this many calls per evaluation.
constexpr std::size_t kCallsPerEvaluation = 20;
// DIRECT's own bookkeeping grows with every call, cached or not: its
// calls are capped so that memory does not grow with the budget.
constexpr std::size_t kDirectCallsPerEvaluation = 2;
constexpr std::size_t kMaxDirectEvaluations = 20000;
// A task's cache of scores is forgotten whenever it reaches this size.
constexpr std::size_t kMaxCacheEntries = std::size_t(1) << 16;

using Clock = std::chrono::steady_clock;
using Rank = LoopScorer::Rank;

// The end of the time the search may take, watched by every task.
class Deadline
{
public:
    Deadline(Clock::time_point began, std::optional<double> seconds,
             std::function<bool()> interrupted)
        : m_interrupted(std::move(interrupted))
    {
        if (seconds) {
            m_limited = true;
            const double s = std::clamp(*seconds, 0.0, 1e9);
            m_end = began + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
        }
    }

    // Sticky: once passed, passed for every task.
    bool passed()
    {
        if (m_passed.load(std::memory_order_relaxed))
            return true;
        if (m_interrupted && m_interrupted()) {
            m_wasInterrupted.store(true, std::memory_order_relaxed);
            m_passed.store(true, std::memory_order_relaxed);
            return true;
        }
        if (!m_limited || Clock::now() < m_end)
            return false;
        m_passed.store(true, std::memory_order_relaxed);
        return true;
    }

    bool hasPassed() const { return m_passed.load(std::memory_order_relaxed); }
    bool wasInterrupted() const { return m_wasInterrupted.load(std::memory_order_relaxed); }

private:
    std::function<bool()> m_interrupted;
    std::atomic<bool> m_wasInterrupted{ false };
    bool m_limited = false;
    Clock::time_point m_end;
    std::atomic<bool> m_passed{ false };
};

// Evaluations between two looks at the clock: some dozens of microseconds.
constexpr std::size_t kClockInterval = 64;

struct KeyHash {
    std::size_t operator()(const std::vector<long long> &key) const
    {
        std::uint64_t h = 1469598103934665603ull;
        for (long long v : key) {
            h ^= static_cast<std::uint64_t>(v);
            h *= 1099511628211ull;
        }
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

struct Box {
    std::vector<double> lower;
    std::vector<double> upper;
};

// One task of a stage: its own cache, budget and best candidate.
class Task
{
public:
    Task(const TuneObjective &objective, std::size_t budget, std::size_t callsPerEvaluation,
         Deadline &deadline)
        : m_objective(objective), m_budget(budget), m_maxCalls(budget * callsPerEvaluation),
          m_deadline(deadline)
    {
    }

    double score(const std::vector<double> &x)
    {
        if (++m_calls > m_maxCalls)
            throw nlopt::forced_stop();
        m_candidate = x;
        m_objective.quantise(m_candidate);
        m_objective.gridIndices(m_candidate, m_key);
        if (const auto hit = m_cache.find(m_key); hit != m_cache.end())
            return hit->second;
        if (m_used >= m_budget || (m_used % kClockInterval == 0 && m_deadline.passed()))
            throw nlopt::forced_stop();
        ++m_used;
        const TuneObjective::Evaluation e = m_objective.evaluate(m_candidate);
        if (m_cache.size() >= kMaxCacheEntries)
            m_cache.clear();
        m_cache.emplace(m_key, e.score);
        if (m_best.empty() || e.score < m_bestScore) {
            m_best = m_candidate;
            m_bestScore = e.score;
        }
        return e.score;
    }

    // Runs one NLopt method from x0 within box; the task's best is what
    // counts, whatever NLopt returns or throws.
    void optimise(nlopt::algorithm method, const Box &box, const std::vector<double> &x0,
                  const std::vector<double> *initialStep, bool stopAtGrid)
    {
        if (exhausted())
            return;
        const unsigned n = static_cast<unsigned>(x0.size());
        nlopt::opt opt(method, n);
        opt.set_lower_bounds(box.lower);
        opt.set_upper_bounds(box.upper);
        opt.set_min_objective(&Task::callback, this);
        opt.set_maxeval(static_cast<int>(std::min<std::size_t>(
                m_maxCalls - std::min(m_calls, m_maxCalls), std::numeric_limits<int>::max())));
        if (initialStep)
            opt.set_initial_step(*initialStep);
        if (stopAtGrid) {
            std::vector<double> xtol = m_objective.grid();
            for (double &v : xtol)
                v /= 2.0;
            opt.set_xtol_abs(xtol);
        }
        std::vector<double> x = x0;
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = std::clamp(x[i], box.lower[i], box.upper[i]);
        double f = 0.0;
        try {
            opt.optimize(x, f);
        } catch (const std::exception &) {
            // Budget spent, or a method giving up (round-off, a plateau):
            // the best so far stands.
        }
    }

    bool exhausted() const
    {
        return m_used >= m_budget || m_calls >= m_maxCalls || m_deadline.hasPassed();
    }
    const std::vector<double> &best() const { return m_best; }
    double bestScore() const { return m_bestScore; }
    std::size_t used() const { return m_used; }

private:
    static double callback(const std::vector<double> &x, std::vector<double> &, void *data)
    {
        return static_cast<Task *>(data)->score(x);
    }

    const TuneObjective &m_objective;
    std::size_t m_budget;
    std::size_t m_maxCalls;
    std::size_t m_used = 0;
    std::size_t m_calls = 0;
    Deadline &m_deadline;
    std::unordered_map<std::vector<long long>, double, KeyHash> m_cache;
    std::vector<double> m_candidate;
    std::vector<long long> m_key;
    std::vector<double> m_best;
    double m_bestScore = std::numeric_limits<double>::infinity();
};

// The boxes' ranges shrunk by kZoomFactor^level around centre, kept within
// the ranges (shifted inwards rather than cut, so every level keeps its
// width).
Box zoomedBox(const TuneObjective &objective, const std::vector<double> &centre, int level)
{
    Box box{ objective.lower(), objective.upper() };
    const double shrink = std::pow(kZoomFactor, level);
    for (std::size_t i = 0; i < centre.size(); ++i) {
        const double lo = objective.lower()[i];
        const double hi = objective.upper()[i];
        const double width = (hi - lo) / shrink;
        double a = std::clamp(centre[i] - width / 2.0, lo, hi - width);
        box.lower[i] = a;
        box.upper[i] = std::min(hi, a + width);
    }
    return box;
}

struct Outcome {
    std::vector<double> best;
    double score = std::numeric_limits<double>::infinity();
    std::size_t used = 0;
};

Outcome globalTask(const TuneObjective &objective, const Box &box, std::size_t budget,
                   Deadline &deadline)
{
    Task task(objective, budget, kDirectCallsPerEvaluation, deadline);
    std::vector<double> centre(box.lower.size());
    for (std::size_t i = 0; i < centre.size(); ++i)
        centre[i] = (box.lower[i] + box.upper[i]) / 2.0;
    task.optimise(nlopt::GN_DIRECT_L, box, centre, nullptr, false);
    return { task.best(), task.bestScore(), task.used() };
}

Outcome localTask(const TuneObjective &objective, const std::vector<double> &start,
                  std::size_t budget, Deadline &deadline)
{
    Task task(objective, budget, kCallsPerEvaluation, deadline);
    const Box full{ objective.lower(), objective.upper() };
    const std::vector<double> &grid = objective.grid();
    std::vector<double> step(grid.size());
    for (std::size_t i = 0; i < step.size(); ++i)
        step[i] = (objective.upper()[i] - objective.lower()[i]) / kInitialStepDivisor;

    try {
        task.score(start); // the start itself competes
    } catch (const nlopt::forced_stop &) {
        return { task.best(), task.bestScore(), task.used() };
    }
    while (!task.exhausted()) {
        bool aboveGrid = false;
        for (std::size_t i = 0; i < step.size(); ++i) {
            step[i] = std::max(step[i], grid[i]);
            aboveGrid = aboveGrid || step[i] > grid[i];
        }
        const double before = task.bestScore();
        task.optimise(nlopt::LN_SBPLX, full, task.best(), &step, true);
        // Again with the same step while it finds better; then finer.
        if (task.bestScore() < before)
            continue;
        if (!aboveGrid)
            break;
        for (double &s : step)
            s /= kZoomFactor;
    }
    return { task.best(), task.bestScore(), task.used() };
}


// A line of the grid search: coordinates that move together, each by its
// direction (+1 or -1) times the same number of grid steps.
struct Line {
    std::vector<std::size_t> coordinates;
    std::vector<int> direction;
};

struct Point {
    std::vector<double> x;
    Rank rank;
};

// One task of the grid search: its own budget of evaluations, counted
// whether a run finishes or is abandoned.
class GridSearch
{
public:
    GridSearch(const TuneObjective &objective, const LoopScorer &scorer, std::size_t budget,
               Deadline &deadline)
        : m_objective(objective), m_scorer(scorer), m_budget(budget), m_deadline(deadline)
    {
    }

    bool exhausted() const { return m_used >= m_budget || m_deadline.hasPassed(); }
    std::size_t used() const { return m_used; }

    // Abandoned once the budget or the time is spent.
    Rank score(const std::vector<double> &x, const Rank &toBeat)
    {
        if (exhausted() || (m_used % kClockInterval == 0 && m_deadline.passed()))
            return {};
        ++m_used;
        return m_scorer.score(x, toBeat);
    }

    // Scans along each line in turn over its whole range, moving to the best
    // value of each scan, until a whole pass finds nothing better.
    void descend(Point &p, const std::vector<Line> &lines)
    {
        if (p.rank.kind == Rank::Abandoned)
            p.rank = score(p.x, Rank());
        std::size_t sinceBetter = 0;
        for (std::size_t k = 0; sinceBetter < lines.size() && !exhausted(); k = (k + 1) % lines.size()) {
            if (scan(p, lines[k]))
                sinceBetter = 0;
            ++sinceBetter;
        }
    }

    // Every move of two values together by up to `reach` grid steps each
    // (both moving: one alone is a line's); moves to the best of them when
    // it is better. A decision that two sets make together, such as where
    // Zero begins for the error and for its derivative, changes only so.
    bool pairScan(Point &p, int reach)
    {
        const std::size_t n = p.x.size();
        const std::vector<double> &grid = m_objective.grid();
        Point best = p;
        std::vector<double> candidate = p.x;
        for (std::size_t i = 0; i < n && !exhausted(); ++i) {
            for (std::size_t j = i + 1; j < n && !exhausted(); ++j) {
                for (int di = -reach; di <= reach && !exhausted(); ++di) {
                    for (int dj = -reach; dj <= reach && !exhausted(); ++dj) {
                        if (di == 0 || dj == 0)
                            continue;
                        candidate[i] = gridValue(p.x[i], di, grid[i]);
                        candidate[j] = gridValue(p.x[j], dj, grid[j]);
                        if (inRange(candidate, i) && inRange(candidate, j) && ordered(candidate)) {
                            const Rank r = score(candidate, best.rank);
                            if (r.betterThan(best.rank))
                                best = { candidate, r };
                        }
                    }
                }
                candidate[j] = p.x[j];
            }
            candidate[i] = p.x[i];
        }
        if (!best.rank.betterThan(p.rank))
            return false;
        p = std::move(best);
        return true;
    }

    // Descents and pair scans in turn until neither finds better.
    void polish(Point &p, const std::vector<Line> &lines, int reach)
    {
        do
            descend(p, lines);
        while (!exhausted() && pairScan(p, reach));
    }

private:
    static double gridValue(double x, long long steps, double grid)
    {
        const double scale = 1.0 / grid;
        return double(std::llround(x * scale) + steps) / scale;
    }

    bool inRange(const std::vector<double> &x, std::size_t i) const
    {
        return x[i] >= m_objective.lower()[i] && x[i] <= m_objective.upper()[i];
    }

    bool scan(Point &p, const Line &line)
    {
        // The line's points are x + d * direction in grid steps; d runs
        // over every value that keeps each coordinate within its range.
        long long dLow = std::numeric_limits<long long>::min();
        long long dHigh = std::numeric_limits<long long>::max();
        for (std::size_t m = 0; m < line.coordinates.size(); ++m) {
            const std::size_t c = line.coordinates[m];
            const double scale = 1.0 / m_objective.grid()[c];
            const long long at = std::llround(p.x[c] * scale);
            const long long lo = std::llround(m_objective.lower()[c] * scale) - at;
            const long long hi = std::llround(m_objective.upper()[c] * scale) - at;
            if (line.direction[m] > 0) {
                dLow = std::max(dLow, lo);
                dHigh = std::min(dHigh, hi);
            } else {
                dLow = std::max(dLow, -hi);
                dHigh = std::min(dHigh, -lo);
            }
        }
        Point best = p;
        std::vector<double> candidate = p.x;
        for (long long d = dLow; d <= dHigh && !exhausted(); ++d) {
            if (d == 0)
                continue;
            for (std::size_t m = 0; m < line.coordinates.size(); ++m) {
                const std::size_t c = line.coordinates[m];
                candidate[c] = gridValue(p.x[c], d * line.direction[m], m_objective.grid()[c]);
            }
            if (!ordered(candidate))
                continue;
            const Rank r = score(candidate, best.rank);
            if (r.betterThan(best.rank)) {
                best.x = candidate;
                best.rank = r;
            }
        }
        if (!best.rank.betterThan(p.rank))
            return false;
        p = std::move(best);
        return true;
    }

    // Whether every error set has L <= R.
    bool ordered(const std::vector<double> &x) const
    {
        for (std::size_t i = 0; i + 1 < x.size(); ++i) {
            const ModelParameter &param = *m_objective.parameters()[i];
            if (param.isOrderedBound() && param.isLeft() && x[i] > x[i + 1])
                return false;
        }
        return true;
    }

    const TuneObjective &m_objective;
    const LoopScorer &m_scorer;
    std::size_t m_budget;
    std::size_t m_used = 0;
    Deadline &m_deadline;
};

// Every coordinate on its own; for the fuzzy controller also each set
// shifted whole (L and R by the same step) and widened or narrowed about
// its middle (L and R by opposite steps).
std::vector<Line> gridLines(std::size_t n)
{
    std::vector<Line> lines;
    for (std::size_t i = 0; i < n; ++i)
        lines.push_back({ { i }, { 1 } });
    for (std::size_t i = 1; i + 1 < n; i += 2) {
        lines.push_back({ { i, i + 1 }, { 1, 1 } });
        lines.push_back({ { i, i + 1 }, { -1, 1 } });
    }
    return lines;
}

// Runs the tasks on the threads; outcome k is task k's, whatever the thread
// count.
template<typename Result, typename Make>
std::vector<Result> runParallel(std::size_t count, unsigned threads, Make make)
{
    std::vector<Result> outcomes(count);
    ParallelRunner::run(count, 1, threads, [&](std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k)
            outcomes[k] = make(k);
    });
    return outcomes;
}

struct GridOutcome {
    Point point;
    std::size_t used = 0;
};



// NLopt's DIRECT-L and Subplex rounds within their share of the budget;
// their best.
std::vector<double> nloptSearch(const TuneObjective &objective, const TuneSettings &settings,
                                std::size_t budget, std::size_t nloptBudget, std::size_t &used,
                                Deadline &deadline, std::mt19937_64 &random)
{
    const std::size_t n = objective.dimension();
    std::vector<double> given = objective.start();
    objective.quantise(given);

    // Stage 1: DIRECT-L at each zoom level around the given values.
    const auto globalBudget = static_cast<std::size_t>(double(nloptBudget) * kGlobalShare);
    const std::vector<Outcome> global = runParallel<Outcome>(kZoomLevels, settings.threads, [&](std::size_t k) {
        return globalTask(objective, zoomedBox(objective, given, static_cast<int>(k)),
                          std::clamp<std::size_t>(globalBudget / kZoomLevels, 1, kMaxDirectEvaluations),
                          deadline);
    });
    if (settings.progress)
        settings.progress(used, budget);
    // The given values compete too: a search cut short by the time limit
    // must not end worse than where it began.
    Outcome best{ given, objective.evaluate(given).score, 1 };
    ++used;
    std::vector<std::vector<double>> starts{ given };
    for (const Outcome &o : global) {
        used += o.used;
        if (o.best.empty())
            continue;
        starts.push_back(o.best);
        if (o.score < best.score)
            best = o;
    }

    // Stage 2: local searches in rounds, from the given values and the
    // global winners first, then from the best so far with a few of its
    // values redrawn within a box of a drawn zoom level.
    // From the raw bits: std::uniform_real_distribution's results differ
    // between standard libraries, mt19937_64's do not.
    auto uniform = [&random] { return double(random() >> 11) * 0x1p-53; };
    const std::size_t taskBudget = std::max<std::size_t>(
            kMinTaskBudget, (nloptBudget - std::min(nloptBudget, used)) / (kLocalTasks * kLocalRounds));
    while (used + kLocalTasks <= nloptBudget && !deadline.hasPassed()) {
        while (starts.size() < kLocalTasks) {
            const Box box = zoomedBox(objective, best.best, static_cast<int>(random() % kZoomLevels));
            std::vector<double> x = best.best;
            const std::size_t kicks = 1 + random() % std::min(n, kMaxKicks);
            for (std::size_t k = 0; k < kicks; ++k) {
                const std::size_t i = random() % n;
                x[i] = box.lower[i] + uniform() * (box.upper[i] - box.lower[i]);
            }
            starts.push_back(std::move(x));
        }
        const std::size_t share = std::min(taskBudget, (nloptBudget - used) / starts.size());
        const std::vector<Outcome> round = runParallel<Outcome>(
                starts.size(), settings.threads,
                [&](std::size_t k) { return localTask(objective, starts[k], share, deadline); });
        for (const Outcome &o : round) {
            used += o.used;
            if (!o.best.empty() && o.score < best.score)
                best = o;
        }
        starts.clear();
        if (settings.progress)
            settings.progress(used, budget);
    }
    return best.best;
}

// The PID gains: NLopt's search, then a pattern search on the grid from
// its winner.
std::vector<double> searchPid(const TuneObjective &objective, const TuneSettings &settings,
                              std::size_t budget, std::size_t &used, Deadline &deadline)
{
    const std::size_t n = objective.dimension();
    std::mt19937_64 random(settings.seed);
    const std::vector<double> nloptBest = nloptSearch(
            objective, settings, budget,
            std::max(used, static_cast<std::size_t>(double(budget) * kNloptShare)), used, deadline,
            random);

    // Stage 3: steps of 2^k grid points along the 26 directions of the
    // cube, the largest first; the overshoot limit's edge runs across the
    // axes, and only the diagonals follow it.
    const LoopScorer scorer(objective);
    GridSearch search(objective, scorer, budget - std::min(budget, used), deadline);
    Point p{ nloptBest, search.score(nloptBest, Rank()) };
    std::vector<double> candidate(n);
    for (int level = kPatternLevels - 1; level >= 0 && !search.exhausted();) {
        bool moved = false;
        for (int d = 0; d < 27 && !search.exhausted(); ++d) {
            int code = d;
            bool same = true;
            for (std::size_t i = 0; i < n; ++i, code /= 3) {
                const double step = std::ldexp(objective.grid()[i], level) * double(code % 3 - 1);
                candidate[i] = p.x[i] + step;
                same = same && code % 3 == 1;
            }
            if (same)
                continue;
            objective.quantise(candidate);
            const Rank r = search.score(candidate, p.rank);
            if (r.betterThan(p.rank)) {
                p = { candidate, r };
                moved = true;
            }
        }
        if (!moved)
            --level;
    }
    // Last, every point within kNeighbourhood grid steps in each gain, the
    // best of them taken while it is better: moves such as (-2, +3, 0) that
    // no single direction makes.
    const int width = 2 * kNeighbourhood + 1;
    const int cells = width * width * width;
    for (bool moved = true; moved && !search.exhausted();) {
        moved = false;
        Point next = p;
        for (int d = 0; d < cells && !search.exhausted(); ++d) {
            int code = d;
            bool same = true;
            for (std::size_t i = 0; i < n; ++i, code /= width) {
                const int step = code % width - kNeighbourhood;
                candidate[i] = p.x[i] + objective.grid()[i] * double(step);
                same = same && step == 0;
            }
            if (same)
                continue;
            objective.quantise(candidate);
            const Rank r = search.score(candidate, next.rank);
            if (r.betterThan(next.rank)) {
                next = { candidate, r };
                moved = true;
            }
        }
        p = std::move(next);
    }
    used += search.used();
    if (settings.progress)
        settings.progress(used, budget);
    return p.x;
}

// The family of sets the fuzzy search begins from. Along each input the
// three sets decide which set wins where; a layout is one such pattern with
// its thresholds a < b (< c): N|Z|P, N|Z|N (Zero a window, nothing else: no
// degree at all counts as Negative), P|Z|P (a flat Positive under a Zero
// window), P|Z, Z|P, N|P, N|P|Z, N|Z and N|P|Z|P. Two settings far apart in
// the bounds can differ in one decision only (which the descent cannot
// cross), so the search screens every pair of layouts on a few thresholds and
// amplifications scaled by the setpoint and descends from the best. Bounds
// are N.L, N.R, Z.L, Z.R, P.L, P.R.
std::array<double, 6> layoutBounds(int kind, double a, double b)
{
    constexpr double lo = -10.0;
    constexpr double hi = 10.0;
    switch (kind) {
    case 0: // N|Z|P
        return { a, a, lo, hi, b, b };
    case 1: // N|Z|N
        return { lo, lo, a, b, hi, hi };
    case 2: // P|Z|P
        return { lo, lo, a, b, lo, hi };
    case 3: // P|Z
        return { lo, lo, a, hi, lo, hi };
    case 4: // Z|P
        return { lo, lo, lo, hi, b, b };
    case 5: // N|P
        return { a, a, 0.0, 0.0, a, a };
    case 6: // N|P|Z
        return { a, a, b, hi, lo, hi };
    default: // N|Z
        return { a, a, lo, hi, hi, hi };
    }
}
constexpr int kLayoutKinds = 8;

// The thresholds tried, as multiples of the setpoint: the error runs from
// the setpoint down to around 0, its difference quotient from 5 times the
// setpoint (the first step) through small values of either sign.
constexpr double kErrorThresholds[] = { -0.2, -0.05, -0.01, 0.01, 0.05, 0.15, 0.3, 0.6 };
constexpr double kDerivativeThresholds[] = { -1.0, -0.5, -0.2, -0.05, 0.05, 0.2, 0.5, 1.5 };
constexpr double kAmplifications[] = { 0.15, 0.2, 0.25, 0.3, 0.35, 0.4, 0.45,
                                       0.5,  0.6, 0.7,  1.0, 1.5, 2.0, 3.0 };
// The screened layouts that are descended from.
constexpr std::size_t kLayoutStarts = 32;
// The ends of descents that later rounds start from.
constexpr std::size_t kEliteSize = 4;

template<std::size_t count>
std::vector<std::array<double, 6>> axisLayouts(const double (&thresholds)[count], double setPoint)
{
    std::vector<std::array<double, 6>> out;
    std::array<double, count> t;
    for (std::size_t i = 0; i < count; ++i)
        t[i] = thresholds[i] * setPoint;
    std::sort(t.begin(), t.end());
    for (int kind = 0; kind < kLayoutKinds; ++kind) {
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t j = i + 1; j < count; ++j)
                out.push_back(layoutBounds(kind, t[i], t[j]));
        }
    }
    // N|P|Z|P: a Negative step, a Zero window above a flat Positive.
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            for (std::size_t k = j + 1; k < count; ++k)
                out.push_back({ t[i], t[i], t[j], t[k], -10.0, 10.0 });
        }
    }
    return out;
}

// Every pair of layouts at each amplification, one run each.
class LayoutFamily
{
public:
    explicit LayoutFamily(const TuneObjective &objective)
        : m_objective(objective), m_setPoint(objective.base().setPoint),
          m_errors(axisLayouts(kErrorThresholds, m_setPoint)),
          m_derivatives(axisLayouts(kDerivativeThresholds, m_setPoint))
    {
    }

    std::size_t size() const
    {
        return m_errors.size() * m_derivatives.size() * std::size(kAmplifications);
    }

    std::vector<double> candidate(std::size_t k) const
    {
        const std::size_t amps = std::size(kAmplifications);
        const std::size_t d = (k / amps) % m_derivatives.size();
        const std::size_t e = k / (amps * m_derivatives.size());
        std::vector<double> x(1 + 12);
        x[0] = kAmplifications[k % amps] * std::fabs(m_setPoint);
        for (std::size_t i = 0; i < 6; ++i) {
            x[1 + i] = m_errors[e][i];
            x[7 + i] = m_derivatives[d][i];
        }
        m_objective.quantise(x);
        return x;
    }

    // The number of members screen() runs for a budget: all of them, or
    // every stride-th where the budget is smaller.
    std::size_t screened(std::size_t budget) const
    {
        return std::min(size(), budget);
    }

    // The best kLayoutStarts of the members screened, one per score, ties
    // going to the earlier member.
    std::vector<Point> screen(const LoopScorer &scorer, std::size_t budget, unsigned threads,
                              Deadline &deadline) const
    {
        const std::size_t count = screened(budget);
        const std::size_t stride = size() / std::max<std::size_t>(1, count);
        std::vector<Rank> ranks(count);
        ParallelRunner::run(count, 1024, threads, [&](std::size_t begin, std::size_t end) {
            for (std::size_t k = begin; k < end && !deadline.passed(); ++k)
                ranks[k] = scorer.score(candidate(k * stride), Rank());
        });
        std::vector<std::size_t> order(count);
        for (std::size_t k = 0; k < count; ++k)
            order[k] = k;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return ranks[a].betterThan(ranks[b]);
        });
        std::vector<Point> best;
        for (std::size_t k : order) {
            if (best.size() >= kLayoutStarts || ranks[k].kind == Rank::Abandoned)
                break;
            if (!best.empty() && !best.back().rank.betterThan(ranks[k]))
                continue;
            best.push_back({ candidate(k * stride), ranks[k] });
        }
        return best;
    }

private:
    const TuneObjective &m_objective;
    double m_setPoint;
    std::vector<std::array<double, 6>> m_errors;
    std::vector<std::array<double, 6>> m_derivatives;
};

// A start for a descent: the best so far with some of its values redrawn.
// Half the time a few single values within a box of a drawn size around
// them; otherwise one or two whole sets anywhere in their ranges, or the
// amplification within a factor of two: the controller's plateaus are left
// by changing what a set decides, which single values rarely do.
std::vector<double> kicked(const TuneObjective &objective, const std::vector<double> &from,
                           std::mt19937_64 &random)
{
    const std::size_t n = objective.dimension();
    auto gridValue = [&](std::size_t i, double lower, double upper) {
        const double scale = 1.0 / objective.grid()[i];
        const long long lo = std::llround(std::max(lower, objective.lower()[i]) * scale);
        const long long hi = std::llround(std::min(upper, objective.upper()[i]) * scale);
        return double(lo + static_cast<long long>(random() % std::uint64_t(hi - lo + 1))) / scale;
    };
    std::vector<double> x = from;
    const std::uint64_t kind = random() % 4;
    if (kind < 2) {
        const Box box = zoomedBox(objective, from, static_cast<int>(random() % kZoomLevels));
        const std::size_t kicks = 1 + random() % std::min(n, kMaxKicks);
        for (std::size_t k = 0; k < kicks; ++k) {
            const std::size_t i = random() % n;
            x[i] = gridValue(i, box.lower[i], box.upper[i]);
        }
    } else if (kind == 2) {
        x[0] = gridValue(0, from[0] / 2.0, from[0] * 2.0);
    } else {
        const std::size_t sets = (n - 1) / 2;
        const std::size_t count = 1 + random() % 2;
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t i = 1 + 2 * (random() % sets);
            x[i] = gridValue(i, objective.lower()[i], objective.upper()[i]);
            x[i + 1] = gridValue(i + 1, objective.lower()[i + 1], objective.upper()[i + 1]);
        }
    }
    objective.quantise(x);
    return x;
}

// The fuzzy controller: coordinate scans on the grid (see Tuner).
std::vector<double> searchFuzzy(const TuneObjective &objective, const TuneSettings &settings,
                                std::size_t budget, std::size_t &used, Deadline &deadline)
{
    const LoopScorer scorer(objective);
    const std::vector<Line> lines = gridLines(objective.dimension());
    std::mt19937_64 random(settings.seed);

    const std::vector<double> given = nloptSearch(
            objective, settings, budget,
            std::max(used, static_cast<std::size_t>(double(budget) * kFuzzyNloptShare)), used,
            deadline, random);
    Point best{ given, Rank() };

    // The family has at most a quarter of the budget: a small budget screens
    // an even sample of it.
    std::vector<Point> starts{ best };
    const LayoutFamily family(objective);
    const std::size_t familyBudget = (budget - std::min(budget, used)) / 4;
    for (Point &p : family.screen(scorer, familyBudget, settings.threads, deadline))
        starts.push_back(std::move(p));
    used += family.screened(familyBudget);
    if (settings.progress)
        settings.progress(used, budget);
    // The best few distinct ends of descents: later rounds start from each
    // in turn, so that a second basin is searched as well as the best one.
    std::vector<Point> elite;
    const auto keep = [&elite](const Point &p) {
        if (p.rank.kind == Rank::Abandoned)
            return;
        for (const Point &e : elite) {
            if (e.x == p.x)
                return;
        }
        auto at = std::find_if(elite.begin(), elite.end(),
                               [&p](const Point &e) { return p.rank.betterThan(e.rank); });
        elite.insert(at, p);
        if (elite.size() > kEliteSize)
            elite.pop_back();
    };
    // The rounds leave the last stage its share.
    const std::size_t roundsEnd = budget - static_cast<std::size_t>(double(budget) * kPolishShare);
    for (std::size_t turn = 0; used + kGridTasks <= roundsEnd && !deadline.hasPassed(); ++turn) {
        for (std::size_t k = 0; starts.size() < kGridTasks; ++k) {
            const Point &base = elite.empty() ? best : elite[(turn + k) % elite.size()];
            starts.push_back({ kicked(objective, base.x, random), Rank() });
        }
        const std::size_t share = std::min(kGridTaskBudget, (roundsEnd - used) / starts.size());
        const std::vector<GridOutcome> round = runParallel<GridOutcome>(
                starts.size(), settings.threads, [&](std::size_t k) {
                    GridSearch search(objective, scorer, share, deadline);
                    Point p = starts[k];
                    search.descend(p, lines);
                    return GridOutcome{ std::move(p), search.used() };
                });
        for (const GridOutcome &o : round) {
            used += o.used;
            keep(o.point);
            if (o.point.rank.betterThan(best.rank))
                best = o.point;
        }
        starts.clear();
        if (settings.progress)
            settings.progress(used, budget);
    }
    // Last, the best ends polished side by side with moves of two values
    // as well as lines.
    if (!elite.empty() && used + elite.size() <= budget && !deadline.hasPassed()) {
        const std::size_t share = (budget - used) / elite.size();
        const std::vector<GridOutcome> polished = runParallel<GridOutcome>(
                elite.size(), settings.threads, [&](std::size_t k) {
                    GridSearch search(objective, scorer, share, deadline);
                    Point p = elite[k];
                    search.polish(p, lines, kPairReach);
                    return GridOutcome{ std::move(p), search.used() };
                });
        for (const GridOutcome &o : polished) {
            used += o.used;
            if (o.point.rank.betterThan(best.rank))
                best = o.point;
        }
        if (settings.progress)
            settings.progress(used, budget);
    }
    return best.rank.kind == Rank::Abandoned ? given : best.x;
}

} // namespace

std::size_t Tuner::defaultEvaluations(TuneTarget target)
{
    return target == TuneTarget::Pid ? 20000 : 6000000;
}

std::optional<std::string> Tuner::check(const StepParameters &base, const TuneSettings &settings)
{
    if (StepRun::stepCount(base.modellingTime) == 0)
        return std::string("the modelling time holds no 0.2 s step: there is no response to tune");
    // Every candidate would follow a setpoint of 0 exactly and score 0.
    if (base.setPoint == 0.0)
        return std::string("the setpoint is 0: there is no step to tune for");
    if (settings.maxOvershoot && !(*settings.maxOvershoot >= 0.0))
        return std::string("the overshoot limit must be a percentage of 0 or more");
    if (settings.evaluations != 0 && settings.evaluations < kMinEvaluations)
        return "the budget must be at least " + std::to_string(kMinEvaluations) + " evaluations";
    if (settings.timeLimitSeconds && !(*settings.timeLimitSeconds > 0.0))
        return std::string("the time limit must be a number of seconds above 0");
    return std::nullopt;
}

bool Tuner::fuzzyOutputConstant(const StepParameters &p)
{
    const std::vector<FuzzyController::Evaluation> trace =
            StepRun::traceFuzzyLoop(p.setPoint, StepRun::stepCount(p.modellingTime),
                                    FuzzyController(p.errSets, p.dErrSets, p.amplification))
                    .decisions;
    if (trace.size() < 3)
        return false;
    for (std::size_t k = 2; k < trace.size(); ++k) {
        if (!(trace[k].output == trace[1].output))
            return false;
    }
    return true;
}

TuneResult Tuner::tune(const StepParameters &base, const TuneSettings &settings)
{
    const auto began = Clock::now();
    Deadline deadline(began, settings.timeLimitSeconds, settings.interrupted);
    const TuneObjective objective(base, settings.target, settings.criterion,
                                  settings.maxOvershoot);
    const std::size_t budget = std::max(kMinEvaluations, settings.evaluations != 0
                                                ? settings.evaluations
                                                : defaultEvaluations(settings.target));

    TuneResult result;
    result.names = objective.parameters();
    const TuneObjective::Evaluation before = objective.evaluate(base);
    result.criterionBefore = before.criterion;
    result.overshootBefore = before.overshoot;
    std::size_t used = 1;

    const std::vector<double> values = settings.target == TuneTarget::Pid
            ? searchPid(objective, settings, budget, used, deadline)
            : searchFuzzy(objective, settings, budget, used, deadline);

    const TuneObjective::Evaluation after = objective.evaluate(values);
    result.values = values;
    result.parameters = objective.apply(values);
    result.criterionAfter = after.criterion;
    result.overshootAfter = after.overshoot;
    result.feasible = after.feasible;
    result.evaluations = used;
    result.interrupted = deadline.wasInterrupted();
    result.stoppedAtTimeLimit = deadline.hasPassed() && !result.interrupted;
    result.constantOutput = settings.target == TuneTarget::Fuzzy
            && fuzzyOutputConstant(result.parameters);
    result.seconds = std::chrono::duration<double>(Clock::now() - began).count();
    return result;
}
