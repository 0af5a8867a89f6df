#include "tuner.h"

#include "modelparameter.h"
#include "parallelrunner.h"
#include "steprun.h"

#include <nlopt.hpp>

#include <algorithm>
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
// NLopt calls that the cache answers cost little but are not free; a method
// that circles on a plateau stops after this many calls per evaluation.
constexpr std::size_t kCallsPerEvaluation = 20;
// DIRECT's own bookkeeping grows with every call, cached or not.
constexpr std::size_t kDirectCallsPerEvaluation = 2;

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
    Task(const TuneObjective &objective, std::size_t budget, std::size_t callsPerEvaluation)
        : m_objective(objective), m_budget(budget), m_maxCalls(budget * callsPerEvaluation)
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
        if (m_used >= m_budget)
            throw nlopt::forced_stop();
        ++m_used;
        const TuneObjective::Evaluation e = m_objective.evaluate(m_candidate);
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

    bool exhausted() const { return m_used >= m_budget || m_calls >= m_maxCalls; }
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

Outcome globalTask(const TuneObjective &objective, const Box &box, std::size_t budget)
{
    Task task(objective, budget, kDirectCallsPerEvaluation);
    std::vector<double> centre(box.lower.size());
    for (std::size_t i = 0; i < centre.size(); ++i)
        centre[i] = (box.lower[i] + box.upper[i]) / 2.0;
    task.optimise(nlopt::GN_DIRECT_L, box, centre, nullptr, false);
    return { task.best(), task.bestScore(), task.used() };
}

Outcome localTask(const TuneObjective &objective, const std::vector<double> &start,
                  std::size_t budget)
{
    Task task(objective, budget, kCallsPerEvaluation);
    const Box full{ objective.lower(), objective.upper() };
    const std::vector<double> &grid = objective.grid();
    std::vector<double> step(grid.size());
    for (std::size_t i = 0; i < step.size(); ++i)
        step[i] = (objective.upper()[i] - objective.lower()[i]) / kInitialStepDivisor;

    task.score(start); // the start itself competes
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

// Runs the tasks on the threads; outcome k is task k's, whatever the thread
// count.
template<typename Make>
std::vector<Outcome> runTasks(std::size_t count, unsigned threads, Make make)
{
    std::vector<Outcome> outcomes(count);
    ParallelRunner::run(count, 1, threads, [&](std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k)
            outcomes[k] = make(k);
    });
    return outcomes;
}

} // namespace

std::size_t Tuner::defaultEvaluations(TuneTarget target)
{
    return target == TuneTarget::Pid ? 20000 : 1000000;
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
    return std::nullopt;
}

TuneResult Tuner::tune(const StepParameters &base, const TuneSettings &settings)
{
    const auto began = std::chrono::steady_clock::now();
    const TuneObjective objective(base, settings.target, settings.criterion,
                                  settings.maxOvershoot);
    const std::size_t budget = std::max(kMinEvaluations, settings.evaluations != 0
                                                ? settings.evaluations
                                                : defaultEvaluations(settings.target));
    const std::size_t n = objective.dimension();

    TuneResult result;
    result.names = objective.parameters();
    const TuneObjective::Evaluation before = objective.evaluate(base);
    result.criterionBefore = before.criterion;
    result.overshootBefore = before.overshoot;
    std::size_t used = 1;

    std::vector<double> given = objective.start();
    objective.quantise(given);

    // Stage 1: DIRECT-L at each zoom level around the given values.
    const auto globalBudget = static_cast<std::size_t>(double(budget) * kGlobalShare);
    const std::vector<Outcome> global = runTasks(kZoomLevels, settings.threads, [&](std::size_t k) {
        return globalTask(objective, zoomedBox(objective, given, static_cast<int>(k)),
                          std::max<std::size_t>(1, globalBudget / kZoomLevels));
    });
    if (settings.progress)
        settings.progress(used, budget);
    Outcome best{ given };
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
    // values redrawn within a box of a drawn zoom level, until the budget is
    // spent. Each search gets a share small enough for many rounds.
    std::mt19937_64 random(settings.seed);
    // From the raw bits: std::uniform_real_distribution's results differ
    // between standard libraries, mt19937_64's do not.
    auto uniform = [&random] { return double(random() >> 11) * 0x1p-53; };
    const std::size_t taskBudget = std::max<std::size_t>(
            kMinTaskBudget, (budget - std::min(budget, used)) / (kLocalTasks * kLocalRounds));
    while (used + kLocalTasks <= budget) {
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
        const std::size_t share = std::min(taskBudget, (budget - used) / starts.size());
        const std::vector<Outcome> round = runTasks(starts.size(), settings.threads,
                                                    [&](std::size_t k) {
                                                        return localTask(objective, starts[k], share);
                                                    });
        for (const Outcome &o : round) {
            used += o.used;
            if (!o.best.empty() && o.score < best.score)
                best = o;
        }
        starts.clear();
        if (settings.progress)
            settings.progress(used, budget);
    }

    const std::vector<double> &values = best.best;
    const TuneObjective::Evaluation after = objective.evaluate(values);
    result.values = values;
    result.parameters = objective.apply(values);
    result.criterionAfter = after.criterion;
    result.overshootAfter = after.overshoot;
    result.feasible = after.feasible;
    result.evaluations = used;
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return result;
}
