#include "loopscorer.h"

#include "fuzzycontroller.h"
#include "pidcontroller.h"
#include "plantmodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

LoopScorer::LoopScorer(const TuneObjective &objective)
    : m_objective(objective), m_target(objective.target()),
      m_criterion(objective.criterionKind()), m_setPoint(objective.base().setPoint),
      m_steps(objective.steps()), m_maxOvershoot(objective.maxOvershoot())
{
}

LoopScorer::Rank LoopScorer::score(const std::vector<double> &x, const Rank &toBeat) const
{
    const StepParameters p = m_objective.apply(x);
    if (m_target == TuneTarget::Pid) {
        PidController pid(p.kp, p.ki, p.kd, p.pidLimit);
        pid.reset();
        return run([&pid](double e) { return pid.control(e); }, toBeat);
    }
    FuzzyController fuzzy(p.errSets, p.dErrSets, p.amplification);
    fuzzy.reset();
    return run([&fuzzy](double e) { return fuzzy.control(e); }, toBeat);
}

template<typename Control>
LoopScorer::Rank LoopScorer::run(Control control, const Rank &toBeat) const
{
    constexpr double dt = PlantModel::kSampleTime;
    const double sp = m_setPoint;
    const double s = sp < 0.0 ? -1.0 : 1.0;
    const double target = std::fabs(sp);
    // Past these the candidate cannot beat toBeat.
    double sumBound = std::numeric_limits<double>::infinity();
    double overshootBound = std::numeric_limits<double>::infinity();
    if (toBeat.kind == Rank::Feasible) {
        sumBound = toBeat.value;
        if (m_maxOvershoot)
            overshootBound = *m_maxOvershoot;
    } else if (toBeat.kind == Rank::OverLimit) {
        overshootBound = std::max(*m_maxOvershoot, toBeat.value);
    }

    PlantModel plant;
    plant.reset();
    double y = 0.0;
    double t = dt;
    double sum = 0.0;
    bool first = true;
    double peakValue = 0.0;
    double overshoot = 0.0;
    for (int k = 0; k < m_steps; ++k) {
        y = plant.step(control(sp - y));
        t = t + dt;
        const double e = sp - y;
        if (!std::isfinite(e))
            return { Rank::Diverged, 0.0 };
        if (first || s * y > peakValue) {
            first = false;
            peakValue = s * y;
            overshoot = std::max(0.0, s * (y - sp)) / target * 100.0;
            if (overshoot > overshootBound)
                return { Rank::Abandoned, 0.0 };
        }
        switch (m_criterion) {
        case TuneCriterion::Iae:
            sum += std::fabs(e) * dt;
            break;
        case TuneCriterion::Ise:
            sum += e * e * dt;
            break;
        case TuneCriterion::Itae:
            sum += t * std::fabs(e) * dt;
            break;
        }
        if (sum > sumBound)
            return { Rank::Abandoned, 0.0 };
    }
    if (!std::isfinite(sum))
        return { Rank::Diverged, 0.0 };
    if (m_maxOvershoot && overshoot > *m_maxOvershoot)
        return { Rank::OverLimit, overshoot };
    return { Rank::Feasible, sum };
}
