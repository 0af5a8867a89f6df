#include "steprun.h"

#include "pidcontroller.h"
#include "plantmodel.h"
#include "stepparameters.h"

#include <climits>
#include <cmath>
#include <utility>

namespace {

constexpr double dt = PlantModel::kSampleTime;

// Whether n * dt <= T holds for the exact product. The rounded product
// decides unless it equals T; then the sign of its rounding error does.
bool fitsSteps(long long n, double T)
{
    const double nd = static_cast<double>(n);
    const double p = nd * dt;
    if (p != T)
        return p < T;
    return std::fma(nd, dt, -p) <= 0.0;
}

// One loop as it advances: its plant, its controller (the plant's input for
// an error) and where its samples go.
template<typename Control>
struct Loop {
    Control control;
    StepRun::Response &out;
    PlantModel plant;
    double y = 0.0;

    Loop(Control c, StepRun::Response &response) : control(std::move(c)), out(response) {}
};

template<typename Control>
Loop<Control> loop(Control control, StepRun::Response &out)
{
    return Loop<Control>(std::move(control), out);
}

// The step run's loop, for one loop or several side by side, one step of
// each per pass: the processor then overlaps their dependency chains, so
// three loops take about as long as the slowest alone. The loops share
// nothing but the time grid, so every output is what each loop gives when
// run alone, and so is the peak: it moves only to strictly greater outputs,
// so it ends as the largest output (or its start) whatever their order.
template<typename... Controls>
void advance(double setPoint, int steps, double &peak, Loop<Controls> &&...loops)
{
    const auto n = static_cast<std::size_t>(steps);
    ((loops.plant.reset(), loops.out.t.reserve(n), loops.out.y.reserve(n)), ...);
    double t = dt;
    for (int k = 0; k < steps; ++k) {
        ((loops.y = loops.plant.step(loops.control(setPoint - loops.y))), ...);
        ((peak = loops.y > peak ? loops.y : peak), ...);
        t = t + dt;
        ((loops.out.t.push_back(t), loops.out.y.push_back(loops.y)), ...);
    }
}

} // namespace

int StepRun::stepCount(double T)
{
    // An endless run has no grid to build; callers bound T (the panel
    // stops at 100 s).
    if (!(T >= dt) || std::isinf(T))
        return 0;
    // The double quotient is within one or two of the exact answer; walk
    // to the exact one instead of trusting its rounding.
    const double q = std::floor(T / dt);
    long long n = q >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<long long>(q);
    while (n > 0 && !fitsSteps(n, T))
        --n;
    while (n < INT_MAX && fitsSteps(n + 1, T))
        ++n;
    return static_cast<int>(n);
}

StepRun::Response StepRun::closedLoop(double setPoint, int steps, double &peak)
{
    Response r;
    advance(setPoint, steps, peak, loop([](double e) { return e; }, r));
    return r;
}

StepRun::Response StepRun::pidLoop(double setPoint, int steps, const PidController &controller,
                                   double &peak)
{
    PidController pid = controller;
    pid.reset();
    Response r;
    advance(setPoint, steps, peak, loop([&pid](double e) { return pid.control(e); }, r));
    return r;
}

StepRun::Response StepRun::fuzzyLoop(double setPoint, int steps,
                                     const FuzzyController &controller, double &peak)
{
    FuzzyController fuzzy = controller;
    fuzzy.reset();
    Response r;
    advance(setPoint, steps, peak, loop([&fuzzy](double e) { return fuzzy.control(e); }, r));
    return r;
}

StepRun::TracedLoop StepRun::traceFuzzyLoop(double setPoint, int steps,
                                            const FuzzyController &controller)
{
    TracedLoop traced;
    traced.decisions.reserve(static_cast<std::size_t>(steps));
    FuzzyController fuzzy = controller;
    fuzzy.reset();
    double peak = 0.0;
    advance(setPoint, steps, peak, loop([&](double e) {
                traced.decisions.push_back(fuzzy.evaluate(e));
                return traced.decisions.back().output;
            }, traced.response));
    return traced;
}

StepRun::Result StepRun::run(const StepParameters &params)
{
    Result result;
    PidController pid(params.kp, params.ki, params.kd, params.pidLimit);
    pid.reset();
    FuzzyController fuzzy(params.errSets, params.dErrSets, params.amplification);
    fuzzy.reset();
    double peak = 0.0;
    advance(params.setPoint, stepCount(params.modellingTime), peak,
            loop([](double e) { return e; }, result.loops[ClosedLoop]),
            loop([&pid](double e) { return pid.control(e); }, result.loops[PidLoop]),
            loop([&fuzzy](double e) { return fuzzy.control(e); }, result.loops[FuzzyLoop]));
    result.peak = peak;
    return result;
}
