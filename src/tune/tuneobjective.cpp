#include "tuneobjective.h"

#include "metrics.h"
#include "modelparameter.h"
#include "plantmodel.h"
#include "steprun.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr const char *kPidNames[] = { "kp", "ki", "kd" };
constexpr const char *kFuzzyNames[] = { "amp",        "err-neg.l",  "err-neg.r",  "err-zero.l",
                                        "err-zero.r", "err-pos.l",  "err-pos.r",  "derr-neg.l",
                                        "derr-neg.r", "derr-zero.l", "derr-zero.r", "derr-pos.l",
                                        "derr-pos.r" };

double powerOfTen(int decimals)
{
    double p = 1.0;
    for (int k = 0; k < decimals; ++k)
        p *= 10.0;
    return p;
}

// The criterion, with the metrics of the same samples at hand.
double criterionOf(TuneCriterion criterion, double setPoint, const std::vector<double> &t,
                   const std::vector<double> &y, const LoopMetrics &m)
{
    constexpr double dt = PlantModel::kSampleTime;
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    switch (criterion) {
    case TuneCriterion::Iae:
        return m.iae.value_or(nan);
    case TuneCriterion::Ise:
        return m.ise.value_or(nan);
    case TuneCriterion::Itae:
        break;
    }
    double sum = 0.0;
    bool undefined = false;
    const std::size_t n = std::min(t.size(), y.size());
    for (std::size_t k = 0; k < n; ++k) {
        const double e = setPoint - y[k];
        if (std::isinf(e))
            return std::numeric_limits<double>::infinity();
        if (std::isnan(e))
            undefined = true;
        else
            sum += t[k] * std::fabs(e) * dt;
    }
    return undefined ? nan : sum;
}

} // namespace

std::vector<const ModelParameter *> TuneObjective::parameters(TuneTarget target)
{
    std::vector<const ModelParameter *> out;
    if (target == TuneTarget::Pid) {
        for (const char *name : kPidNames)
            out.push_back(ModelParameter::find(name));
    } else {
        for (const char *name : kFuzzyNames)
            out.push_back(ModelParameter::find(name));
    }
    return out;
}

TuneObjective::TuneObjective(const StepParameters &base, TuneTarget target,
                             TuneCriterion criterion, std::optional<double> maxOvershoot)
    : m_base(base), m_target(target), m_criterion(criterion), m_maxOvershoot(maxOvershoot),
      m_steps(StepRun::stepCount(base.modellingTime)), m_parameters(parameters(target))
{
    for (const ModelParameter *p : m_parameters) {
        m_lower.push_back(p->minimum());
        m_upper.push_back(p->maximum());
        m_scale.push_back(powerOfTen(p->decimals()));
        m_grid.push_back(1.0 / m_scale.back());
    }
}

std::vector<double> TuneObjective::start() const
{
    std::vector<double> x;
    for (const ModelParameter *p : m_parameters)
        x.push_back(p->value(m_base));
    return x;
}

void TuneObjective::quantise(std::vector<double> &x) const
{
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double v = std::isnan(x[i]) ? m_lower[i] : std::clamp(x[i], m_lower[i], m_upper[i]);
        // The range's ends are whole multiples of the grid, so the rounded
        // value stays within it. Dividing two exact doubles rounds the exact
        // quotient: the double nearest to the decimal.
        x[i] = static_cast<double>(std::llround(v * m_scale[i])) / m_scale[i];
    }
    for (std::size_t i = 0; i + 1 < x.size(); ++i) {
        const ModelParameter &p = *m_parameters[i];
        if (p.isLeft() && m_parameters[i + 1] == p.partner() && !p.inOrder(x[i], x[i + 1]))
            std::swap(x[i], x[i + 1]);
    }
}

void TuneObjective::gridIndices(const std::vector<double> &x, std::vector<long long> &indices) const
{
    indices.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        indices[i] = std::llround(x[i] * m_scale[i]);
}

StepParameters TuneObjective::apply(const std::vector<double> &x) const
{
    StepParameters p = m_base;
    for (std::size_t i = 0; i < x.size() && i < m_parameters.size(); ++i)
        m_parameters[i]->apply(p, x[i]);
    return p;
}

TuneObjective::Evaluation TuneObjective::evaluate(const std::vector<double> &x) const
{
    return evaluate(apply(x));
}

TuneObjective::Evaluation TuneObjective::evaluate(const StepParameters &p) const
{
    double peak = 0.0;
    const StepRun::Response r = m_target == TuneTarget::Pid
            ? StepRun::pidLoop(p.setPoint, m_steps, PidController(p.kp, p.ki, p.kd, p.pidLimit), peak)
            : StepRun::fuzzyLoop(p.setPoint, m_steps,
                                 FuzzyController(p.errSets, p.dErrSets, p.amplification), peak);
    const LoopMetrics m = computeMetrics(p.setPoint, r.t, r.y);
    Evaluation e;
    e.criterion = criterionOf(m_criterion, p.setPoint, r.t, r.y, m);
    e.overshoot = m.overshootPercent;
    e.feasible = !m_maxOvershoot || !e.overshoot || *e.overshoot <= *m_maxOvershoot;
    if (!std::isfinite(e.criterion) || (e.overshoot && std::isnan(*e.overshoot)))
        e.score = kDivergedScore;
    else if (!e.feasible)
        e.score = kInfeasibleScore + std::log1p(std::min(*e.overshoot - *m_maxOvershoot, 1e300));
    else
        e.score = std::log1p(e.criterion);
    return e;
}

double TuneObjective::criterion(TuneCriterion criterion, double setPoint,
                                const std::vector<double> &t, const std::vector<double> &y)
{
    return criterionOf(criterion, setPoint, t, y, computeMetrics(setPoint, t, y));
}
