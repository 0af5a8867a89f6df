#pragma once

#include "stepparameters.h"

#include <cstddef>
#include <optional>
#include <vector>

class ModelParameter;

// Which loop the tuner works on.
enum class TuneTarget {
    Pid,   // kp, ki, kd
    Fuzzy, // amp and the twelve set bounds
};

// What the tuner minimises, over the loop's samples y_k with stamps t_k and
// errors e_k = sp - y_k:
//   iae   sum |e_k| * 0.2       (as computeMetrics)
//   ise   sum e_k^2 * 0.2       (as computeMetrics)
//   itae  sum t_k * |e_k| * 0.2
enum class TuneCriterion { Iae, Ise, Itae };

// The tuner's view of one loop: the parameters it varies, how a candidate is
// made a value the window can hold, and what a candidate scores.
//
// A candidate is a vector of the tuned parameters in the order of
// parameters(). Quantising clamps each to its spin box's range, rounds it to
// the box's decimals (to the nearest decimal, then to the double nearest that
// decimal, as reading its text gives) and puts each error set's bounds in
// order (L <= R); the derivative's sets keep any order.
class TuneObjective
{
public:
    struct Evaluation {
        double criterion = 0.0;              // inf or NaN if the loop diverges
        std::optional<double> overshoot;     // percent; n/a for setpoint 0
        bool feasible = true;                // within the overshoot limit
        double score = 0.0;                  // what the optimiser minimises, always finite
    };

    // Scores: feasible candidates rank by log(1 + criterion) (the same order,
    // with the huge values of nearly diverging loops tamed), every
    // candidate over the overshoot limit below every feasible one, and a
    // diverging loop last.
    static constexpr double kInfeasibleScore = 1000.0;
    static constexpr double kDivergedScore = 2000.0;

    TuneObjective(const StepParameters &base, TuneTarget target, TuneCriterion criterion,
                  std::optional<double> maxOvershoot);

    static std::vector<const ModelParameter *> parameters(TuneTarget target);

    const std::vector<const ModelParameter *> &parameters() const { return m_parameters; }
    const StepParameters &base() const { return m_base; }
    TuneTarget target() const { return m_target; }
    TuneCriterion criterionKind() const { return m_criterion; }
    const std::optional<double> &maxOvershoot() const { return m_maxOvershoot; }
    int steps() const { return m_steps; }
    std::size_t dimension() const { return m_parameters.size(); }
    const std::vector<double> &lower() const { return m_lower; }
    const std::vector<double> &upper() const { return m_upper; }
    // The spacing of the values each box can hold: 10^-decimals.
    const std::vector<double> &grid() const { return m_grid; }
    // The base's values of the tuned parameters, as given.
    std::vector<double> start() const;

    // In place; see the class comment.
    void quantise(std::vector<double> &x) const;
    // The multiples of grid() that a quantised candidate is made of.
    void gridIndices(const std::vector<double> &x, std::vector<long long> &indices) const;

    StepParameters apply(const std::vector<double> &x) const;
    Evaluation evaluate(const std::vector<double> &x) const;
    Evaluation evaluate(const StepParameters &params) const;

    // The criterion of one loop's samples; inf once a sample is infinite,
    // NaN if a sample is NaN.
    static double criterion(TuneCriterion criterion, double setPoint, const std::vector<double> &t,
                            const std::vector<double> &y);

private:
    StepParameters m_base;
    TuneTarget m_target;
    TuneCriterion m_criterion;
    std::optional<double> m_maxOvershoot;
    int m_steps = 0;
    std::vector<const ModelParameter *> m_parameters;
    std::vector<double> m_lower;
    std::vector<double> m_upper;
    std::vector<double> m_grid;
    std::vector<double> m_scale; // 10^decimals
};
