#pragma once

#include "stepparameters.h"
#include "tuneobjective.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ModelParameter;

struct TuneSettings {
    TuneTarget target = TuneTarget::Pid;
    TuneCriterion criterion = TuneCriterion::Iae;
    std::optional<double> maxOvershoot; // percent
    std::size_t evaluations = 0;        // the budget; 0: Tuner::defaultEvaluations(target)
    std::uint64_t seed = 1;
    unsigned threads = 0;               // 0: all cores
    // Evaluations used so far, and the budget; called on the calling thread
    // after each batch of tasks, some dozens of times in a run.
    std::function<void(std::size_t used, std::size_t budget)> progress;
};

struct TuneResult {
    StepParameters parameters;                     // the base with the tuned values
    std::vector<const ModelParameter *> names;     // the tuned parameters
    std::vector<double> values;                    // their values, each one its box can hold
    double criterionBefore = 0.0;                  // at the base's values, as given
    double criterionAfter = 0.0;
    std::optional<double> overshootBefore;         // percent
    std::optional<double> overshootAfter;
    bool feasible = true;                          // overshootAfter within the limit
    std::size_t evaluations = 0;                   // loop runs, the one at the base included
    double seconds = 0.0;                          // wall-clock time taken
};

// Searches the parameters of one loop (see TuneObjective) that minimise the
// criterion for the base's setpoint and time, with NLopt's derivative-free
// methods on the values the window can hold:
//
//   1. global: DIRECT-L over the boxes' ranges and over boxes around the
//      given values shrunk by 4, 16 and 64, one NLopt object each;
//   2. local, in rounds of eight: Subplex from the given values and from
//      each global winner, then from the best so far with up to four values
//      redrawn at random. Each search restarts from its best with its
//      initial step cut by 4 while the step is above the grid, since a
//      quantised objective is flat between grid points and would stall a
//      method that steps finer.
//
// The tasks of a round run side by side on the threads, each with its own
// NLopt object, cache and share of the budget, and the random draws come from
// a std::mt19937_64 with the seed on the calling thread, so the result depends
// on the inputs and the seed alone, not on the number of threads. The winner
// is the best score (TuneObjective), ties going to the earlier task.
class Tuner
{
public:
    static constexpr std::size_t kMinEvaluations = 100;

    static std::size_t defaultEvaluations(TuneTarget target);

    // Why these inputs cannot be tuned, or nothing.
    static std::optional<std::string> check(const StepParameters &base,
                                            const TuneSettings &settings);

    // Call check() first.
    static TuneResult tune(const StepParameters &base, const TuneSettings &settings);
};
