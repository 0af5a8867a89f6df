#pragma once

#include "stepparameters.h"
#include "tuneobjective.h"

#include <optional>
#include <vector>

// The tuner's lean run of one candidate: the tuned loop alone, without
// storing its samples, scored as TuneObjective::evaluate scores it, and
// abandoned as soon as it cannot beat a given rank.
//
// The criterion is summed in the order and with the operations of
// computeMetrics (iae, ise) and TuneObjective::criterion (itae), so a run
// that finishes has exactly the criterion evaluate() gives. Every term is
// non-negative, so a partial sum that already exceeds the rank to beat, or a
// peak already over the overshoot limit, only grows: the run stops there.
class LoopScorer
{
public:
    // Ordered by kind, then by value; smaller is better.
    struct Rank {
        enum Kind { Feasible = 0, OverLimit = 1, Diverged = 2, Abandoned = 3 };
        Kind kind = Abandoned;
        double value = 0.0; // Feasible: the criterion; OverLimit: the overshoot (percent)

        bool betterThan(const Rank &other) const
        {
            return kind != other.kind ? kind < other.kind : kind <= OverLimit && value < other.value;
        }
    };

    explicit LoopScorer(const TuneObjective &objective);

    // The rank of candidate x (quantised, see TuneObjective); Abandoned when
    // it cannot be better than toBeat. Pass Rank() to run it whole.
    Rank score(const std::vector<double> &x, const Rank &toBeat) const;

private:
    template<typename Control>
    Rank run(Control control, const Rank &toBeat) const;

    const TuneObjective &m_objective;
    TuneTarget m_target;
    TuneCriterion m_criterion;
    double m_setPoint;
    int m_steps;
    std::optional<double> m_maxOvershoot;
};
