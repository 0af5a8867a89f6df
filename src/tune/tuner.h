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
    // Wall-clock seconds after which the search stops and the best values
    // found so far stand; none: the budget alone ends it.
    std::optional<double> timeLimitSeconds;
    // Asked, from any thread, as often as the clock for the time limit; true
    // ends the search at once, as the time limit would (a Ctrl-C). Empty:
    // nothing interrupts it.
    std::function<bool()> interrupted;
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
    bool stoppedAtTimeLimit = false;               // the time limit ended the search
    bool interrupted = false;                      // TuneSettings::interrupted ended it
    // The tuned fuzzy controller gives one and the same output at every step
    // after the first: an open-loop input, no feedback (false for pid).
    bool constantOutput = false;
};

// Searches the parameters of one loop (see TuneObjective) that minimise the
// criterion for the base's setpoint and time, on the values the window can
// hold (each box's range and decimals).
//
// Both start with NLopt: DIRECT-L over the boxes' ranges and boxes around
// the given values shrunk by 4, 16 and 64, then Subplex in rounds of eight
// from the given values, the global winners and the best so far with up to
// four values redrawn, each restarted with a finer step while its step is
// above the grid. It has the whole budget but a tenth for the PID gains and
// an eighth of it for the fuzzy controller.
//
// The PID gains then end with a pattern search on the grid from NLopt's
// winner: steps of 2^k grid points along the 26 directions of the cube,
// largest first, which can follow the edge of an overshoot limit; then the
// best of every point within 4 grid steps in each gain, while it is better.
//
// The fuzzy controller's criterion is piecewise constant over the 0.01 grid,
// and settings far apart in the bounds can decide alike but for one step,
// so NLopt has an eighth of its budget and a discrete search the rest. It
// begins from a family of layouts (which set wins where along each input,
// N|Z|P, P|Z, N|P|Z|P and others, at thresholds and amplifications scaled by
// the setpoint), screened one run each. A descent scans one line at a time
// over its whole range, every grid point of it, and moves to the best point;
// the lines are each value alone and each set shifted whole or widened about
// its middle. It ends when a whole pass over the lines finds nothing better.
// The first round descends from NLopt's winner and the best 32 layouts of
// distinct scores, later rounds from the best four ends of descents in turn,
// each with a few values, one or two whole sets or the amplification
// redrawn. The last tenth of the budget polishes the best four ends side by
// side: descents alternate with a scan of every move of two values together,
// each by up to 10 grid steps, while either finds better; some pairs of
// decisions (where Zero begins for the error and for its derivative) change
// only together. Each run of the loop (LoopScorer) simulates the
// tuned loop alone and stops once its partial criterion passes the best of
// its scan.
//
// The tasks of a round run side by side on the threads, each with its own
// share of the budget, and the random draws come from a std::mt19937_64 with
// the seed on the calling thread, so the result depends on the inputs and
// the seed alone, not on the number of threads (unless a time limit cuts
// the search short). The winner is the best score, ties going to the earlier
// task. NLopt's caches are bounded and the grid search keeps none, so memory
// does not grow with the budget.
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

    // Whether the fuzzy loop's controller gives one and the same output at
    // every step after the first (and there are at least two of them).
    static bool fuzzyOutputConstant(const StepParameters &params);
};
