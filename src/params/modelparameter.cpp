#include "modelparameter.h"

#include "numeric.h"
#include "stepparameters.h"

#include <charconv>
#include <cmath>
#include <iterator>

namespace {

using F = ModelParameter::Field;

constexpr double kBoundMin = -10.0;
constexpr double kBoundMax = 10.0;

constexpr ModelParameter kTable[] = {
    { "setpoint", F::SetPoint, 0.0, 100.0, 1 },
    { "time", F::Time, 0.1, 100.0, 1 },
    { "kp", F::Kp, 0.0, 1000.0, 3 },
    { "ki", F::Ki, 0.0, 100.0, 3 },
    { "kd", F::Kd, 0.0, 100.0, 3 },
    { "amp", F::Amplification, 0.1, 100.0, 2 },
    { "err-neg.l", F::Bound, kBoundMin, kBoundMax, 2, 0, true },
    { "err-neg.r", F::Bound, kBoundMin, kBoundMax, 2, 0, false },
    { "err-zero.l", F::Bound, kBoundMin, kBoundMax, 2, 1, true },
    { "err-zero.r", F::Bound, kBoundMin, kBoundMax, 2, 1, false },
    { "err-pos.l", F::Bound, kBoundMin, kBoundMax, 2, 2, true },
    { "err-pos.r", F::Bound, kBoundMin, kBoundMax, 2, 2, false },
    { "derr-neg.l", F::Bound, kBoundMin, kBoundMax, 2, 3, true },
    { "derr-neg.r", F::Bound, kBoundMin, kBoundMax, 2, 3, false },
    { "derr-zero.l", F::Bound, kBoundMin, kBoundMax, 2, 4, true },
    { "derr-zero.r", F::Bound, kBoundMin, kBoundMax, 2, 4, false },
    { "derr-pos.l", F::Bound, kBoundMin, kBoundMax, 2, 5, true },
    { "derr-pos.r", F::Bound, kBoundMin, kBoundMax, 2, 5, false },
};

// The set or the number a parameter names, in a const or a mutable
// StepParameters alike.
template<typename Params>
auto &setOf(Params &params, int set)
{
    return set < 3 ? params.errSets[static_cast<std::size_t>(set)]
                   : params.dErrSets[static_cast<std::size_t>(set - 3)];
}

template<typename Params>
auto numberOf(Params &params, F field) -> decltype(&params.setPoint)
{
    switch (field) {
    case F::SetPoint:
        return &params.setPoint;
    case F::Time:
        return &params.modellingTime;
    case F::Kp:
        return &params.kp;
    case F::Ki:
        return &params.ki;
    case F::Kd:
        return &params.kd;
    case F::Amplification:
        return &params.amplification;
    case F::Bound:
        break;
    }
    return nullptr;
}

// The double of the shortest decimal that rounds to f.
double decimalOf(float f)
{
    if (!std::isfinite(f))
        return f;
    char text[64];
    const auto written = std::to_chars(std::begin(text), std::end(text), f);
    double v = f;
    std::from_chars(text, written.ptr, v);
    return v;
}

} // namespace

const ModelParameter *ModelParameter::begin()
{
    return std::begin(kTable);
}

const ModelParameter *ModelParameter::end()
{
    return std::end(kTable);
}

std::size_t ModelParameter::count()
{
    return std::size(kTable);
}

const ModelParameter *ModelParameter::find(std::string_view name)
{
    for (const ModelParameter &p : kTable) {
        if (p.name() == name)
            return &p;
    }
    return nullptr;
}

bool ModelParameter::accepts(double v) const
{
    return v >= m_minimum && v <= m_maximum;
}

const ModelParameter *ModelParameter::partner() const
{
    if (!isBound())
        return nullptr;
    for (const ModelParameter &p : kTable) {
        if (p.isBound() && p.m_set == m_set && p.m_left != m_left)
            return &p;
    }
    return nullptr;
}

double ModelParameter::start() const
{
    return value(StepParameters());
}

void ModelParameter::apply(StepParameters &params, double v) const
{
    if (double *number = numberOf(params, m_field)) {
        *number = v;
        return;
    }
    FuzzySet &s = setOf(params, m_set);
    (m_left ? s.left : s.right) = toFloat(v);
}

double ModelParameter::value(const StepParameters &params) const
{
    if (const double *number = numberOf(params, m_field))
        return *number;
    const FuzzySet &s = setOf(params, m_set);
    return decimalOf(m_left ? s.left : s.right);
}
