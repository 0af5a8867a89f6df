#include "steprun.h"

#include "pidcontroller.h"
#include "plantmodel.h"
#include "stepparameters.h"

#include <climits>
#include <cmath>

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

template<typename Control>
StepRun::Response runLoop(double setPoint, int steps, double &peak, Control control)
{
    StepRun::Response r;
    r.t.reserve(static_cast<std::size_t>(steps));
    r.y.reserve(static_cast<std::size_t>(steps));
    PlantModel plant;
    plant.reset();
    double y = 0.0;
    double t = dt;
    for (int k = 0; k < steps; ++k) {
        const double e = setPoint - y;
        y = plant.step(control(e));
        if (y > peak)
            peak = y;
        t = t + dt;
        r.t.push_back(t);
        r.y.push_back(y);
    }
    return r;
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
    return runLoop(setPoint, steps, peak, [](double e) { return e; });
}

StepRun::Response StepRun::pidLoop(double setPoint, int steps, double kp, double ki, double kd,
                                   double &peak)
{
    PidController pid(kp, ki, kd);
    pid.reset();
    return runLoop(setPoint, steps, peak, [&pid](double e) { return pid.control(e); });
}

StepRun::Response StepRun::fuzzyLoop(double setPoint, int steps,
                                     const FuzzyController &controller, double &peak)
{
    FuzzyController fuzzy = controller;
    fuzzy.reset();
    return runLoop(setPoint, steps, peak, [&fuzzy](double e) { return fuzzy.control(e); });
}

std::vector<FuzzyController::Evaluation>
StepRun::traceFuzzyLoop(double setPoint, int steps, const FuzzyController &controller)
{
    std::vector<FuzzyController::Evaluation> trace;
    trace.reserve(static_cast<std::size_t>(steps));
    FuzzyController fuzzy = controller;
    fuzzy.reset();
    double peak = 0.0;
    runLoop(setPoint, steps, peak, [&](double e) {
        trace.push_back(fuzzy.evaluate(e));
        return trace.back().output;
    });
    return trace;
}

StepRun::Result StepRun::run(const StepParameters &params)
{
    // The three loops depend on nothing but their own state, so the run
    // advances them side by side, one step of each per pass: the processor
    // then overlaps their dependency chains and the whole run takes about as
    // long as the fuzzy loop alone. Every output is what the loops give when
    // run one after another (closedLoop, pidLoop, fuzzyLoop), and so is the
    // peak: as it moves only to strictly greater outputs, it ends as the
    // largest output (or 0) whatever order the outputs come in.
    Result result;
    const int n = stepCount(params.modellingTime);
    for (Response &r : result.loops) {
        r.t.reserve(static_cast<std::size_t>(n));
        r.y.reserve(static_cast<std::size_t>(n));
    }
    Response &closed = result.loops[ClosedLoop];
    Response &pidResponse = result.loops[PidLoop];
    Response &fuzzyResponse = result.loops[FuzzyLoop];

    PlantModel closedPlant;
    PlantModel pidPlant;
    PlantModel fuzzyPlant;
    closedPlant.reset();
    pidPlant.reset();
    fuzzyPlant.reset();
    PidController pid(params.kp, params.ki, params.kd);
    pid.reset();
    FuzzyController fuzzy(params.errSets, params.dErrSets, params.amplification);
    fuzzy.reset();

    const double sp = params.setPoint;
    double yClosed = 0.0;
    double yPid = 0.0;
    double yFuzzy = 0.0;
    double peak = 0.0;
    double t = dt;
    for (int k = 0; k < n; ++k) {
        yClosed = closedPlant.step(sp - yClosed);
        yPid = pidPlant.step(pid.control(sp - yPid));
        yFuzzy = fuzzyPlant.step(fuzzy.control(sp - yFuzzy));
        if (yClosed > peak)
            peak = yClosed;
        if (yPid > peak)
            peak = yPid;
        if (yFuzzy > peak)
            peak = yFuzzy;
        t = t + dt;
        closed.t.push_back(t);
        closed.y.push_back(yClosed);
        pidResponse.t.push_back(t);
        pidResponse.y.push_back(yPid);
        fuzzyResponse.t.push_back(t);
        fuzzyResponse.y.push_back(yFuzzy);
    }
    result.peak = peak;
    return result;
}
