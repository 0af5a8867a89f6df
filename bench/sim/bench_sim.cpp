// Benchmarks of the simulation core.
//
//   StepRun/start_values   one whole step run at the panel's start values
//                          (T = 20 s, 3 x 99 steps)
//   StepRun/T100           one whole step run at T = 100 s (3 x 499 steps)
//   FuzzyControl/...       one FuzzyController::control call
//   Floor/...              the same three loops written here as one plain,
//                          inlined recurrence into preallocated arrays: what
//                          the arithmetic alone costs
//
// Goals: StepRun/T100 within 1.5x of Floor/T100 and under 10 us; one fuzzy
// evaluation under 20 ns. Before any benchmark runs, the floor's results are
// checked bit for bit against StepRun::run, so that the floor measures the
// same work; a mismatch ends the program with status 1.

#include "fuzzycontroller.h"
#include "numeric.h"
#include "plantmodel.h"
#include "stepparameters.h"
#include "steprun.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

StepParameters startValues()
{
    return StepParameters();
}

StepParameters longRun()
{
    StepParameters p;
    p.modellingTime = 100.0;
    return p;
}

// ---------------------------------------------------------------------------
// The floor: the three loops of one run as a single recurrence, every law and
// the plant written out inline. Same arithmetic, in the same order, as the
// core, so the results are bit-identical (checked in main).

struct FloorBuffers {
    std::vector<double> t, closed, pid, fuzzy;
    explicit FloorBuffers(int n)
        : t(static_cast<std::size_t>(n)), closed(t.size()), pid(t.size()), fuzzy(t.size())
    {
    }
};

inline double degree(const FuzzySet &s, double v)
{
    const double l = s.left;
    const double r = s.right;
    switch (s.kind) {
    case Negative:
        return v <= l ? 1.0 : v >= r ? 0.0 : std::fabs(v - r) / std::fabs(r - l);
    case Positive:
        return v <= l ? 0.0 : v >= r ? 1.0 : std::fabs(v - l) / std::fabs(r - l);
    case Zero:
        if (v <= l || v >= r)
            return 0.0;
        return v <= 0.0 ? std::fabs((l - v) / l) : std::fabs((r - v) / r);
    }
    return 0.0;
}

inline int winner(double n, double z, double p)
{
    if (z <= n)
        return p <= n ? 0 : 2;
    return p <= z ? 1 : 2;
}

double floorRun(const StepParameters &p, int n, FloorBuffers &out)
{
    constexpr double dt = PlantModel::kSampleTime;
    constexpr double b0 = PlantModel::kB0, b1 = PlantModel::kB1;
    constexpr double a1 = PlantModel::kA1, a2 = PlantModel::kA2;
    static constexpr int rules[3][3] = { { 0, -1, 0 }, { -1, 0, 1 }, { 0, 1, 0 } };
    const double sp = p.setPoint;

    // Plant states (u1, y1, y2) of the three loops, PID and fuzzy state.
    double cu1 = 0, cy1 = 0, cy2 = 0;
    double pu1 = 0, py1 = 0, py2 = 0, integral = 0, pidPrev = 0;
    double fu1 = 0, fy1 = 0, fy2 = 0, fuzzyPrev = 0;
    double peakClosed = 0, peakPid = 0, peakFuzzy = 0;
    double t = dt;

    for (int k = 0; k < n; ++k) {
        // Closed loop.
        const double ce = sp - cy1;
        const double cy = ((b0 * ce + b1 * cu1) + a1 * cy1) + a2 * cy2;
        cu1 = ce;
        cy2 = cy1;
        cy1 = cy;

        // PID loop.
        const double pe = sp - py1;
        integral = integral + pe * dt;
        const double pu = (p.kp * pe + ((pe - pidPrev) / dt) * p.kd) + p.ki * integral;
        pidPrev = pe;
        const double py = ((b0 * pu + b1 * pu1) + a1 * py1) + a2 * py2;
        pu1 = pu;
        py2 = py1;
        py1 = py;

        // Fuzzy loop.
        const double fe = sp - fy1;
        const double ef = toFloat(fe);
        const double de = toFloat((fe - fuzzyPrev) / dt);
        fuzzyPrev = fe;
        const int e = winner(degree(p.errSets[0], ef), degree(p.errSets[1], ef),
                             degree(p.errSets[2], ef));
        const int d = winner(degree(p.dErrSets[0], de), degree(p.dErrSets[1], de),
                             degree(p.dErrSets[2], de));
        const double fu = rules[e][d] * p.amplification;
        const double fy = ((b0 * fu + b1 * fu1) + a1 * fy1) + a2 * fy2;
        fu1 = fu;
        fy2 = fy1;
        fy1 = fy;

        // Each loop's own running maximum; their maximum equals the core's M,
        // whose strict updates make the order of the loops irrelevant.
        if (cy > peakClosed)
            peakClosed = cy;
        if (py > peakPid)
            peakPid = py;
        if (fy > peakFuzzy)
            peakFuzzy = fy;

        t = t + dt;
        out.t[static_cast<std::size_t>(k)] = t;
        out.closed[static_cast<std::size_t>(k)] = cy;
        out.pid[static_cast<std::size_t>(k)] = py;
        out.fuzzy[static_cast<std::size_t>(k)] = fy;
    }
    double peak = peakClosed;
    if (peakPid > peak)
        peak = peakPid;
    if (peakFuzzy > peak)
        peak = peakFuzzy;
    return peak;
}

bool sameBits(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameSeries(const std::vector<double> &core, const std::vector<double> &floor)
{
    if (core.size() != floor.size())
        return false;
    for (std::size_t k = 0; k < core.size(); ++k) {
        if (!sameBits(core[k], floor[k]))
            return false;
    }
    return true;
}

// The floor computes what StepRun::run computes, bit for bit.
bool floorMatchesCore(const StepParameters &p, const char *name)
{
    const StepRun::Result core = StepRun::run(p);
    const int n = StepRun::stepCount(p.modellingTime);
    FloorBuffers out(n);
    const double peak = floorRun(p, n, out);
    const bool ok = sameSeries(core.loops[StepRun::ClosedLoop].t, out.t)
            && sameSeries(core.loops[StepRun::ClosedLoop].y, out.closed)
            && sameSeries(core.loops[StepRun::PidLoop].y, out.pid)
            && sameSeries(core.loops[StepRun::FuzzyLoop].y, out.fuzzy)
            && sameBits(core.peak, peak);
    if (!ok)
        std::fprintf(stderr, "kestrune-bench-sim: the floor differs from StepRun::run (%s)\n",
                     name);
    return ok;
}

// ---------------------------------------------------------------------------

void runBenchmark(benchmark::State &state, const StepParameters &params)
{
    for (auto _ : state) {
        StepRun::Result result = StepRun::run(params);
        benchmark::DoNotOptimize(result);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 3
                            * StepRun::stepCount(params.modellingTime));
}

void floorBenchmark(benchmark::State &state, const StepParameters &params)
{
    const int n = StepRun::stepCount(params.modellingTime);
    FloorBuffers out(n);
    StepParameters p = params;
    for (auto _ : state) {
        // Hide the parameters from the optimiser so nothing is hoisted out.
        benchmark::DoNotOptimize(p);
        double peak = floorRun(p, n, out);
        benchmark::DoNotOptimize(peak);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 3 * n);
}

void BM_StepRun_StartValues(benchmark::State &state)
{
    runBenchmark(state, startValues());
}

void BM_StepRun_T100(benchmark::State &state)
{
    runBenchmark(state, longRun());
}

void BM_Floor_StartValues(benchmark::State &state)
{
    floorBenchmark(state, startValues());
}

void BM_Floor_T100(benchmark::State &state)
{
    floorBenchmark(state, longRun());
}

// Errors the controller sees in a real fuzzy loop (T = 100 s), in order.
std::vector<double> loopErrors()
{
    const StepParameters p = longRun();
    const FuzzyController fuzzy(p.errSets, p.dErrSets, p.amplification);
    double peak = 0.0;
    const int n = StepRun::stepCount(p.modellingTime);
    const StepRun::Response r = StepRun::fuzzyLoop(p.setPoint, n, fuzzy, peak);
    std::vector<double> errors;
    double y = 0.0;
    for (double out : r.y) {
        errors.push_back(p.setPoint - y);
        y = out;
    }
    return errors;
}

// Errors spread over the sets' whole range, in random order: every branch of
// the memberships taken, and badly predicted.
std::vector<double> randomErrors()
{
    std::mt19937 gen(20260101u);
    std::uniform_real_distribution<double> dist(-2.0, 2.0);
    std::vector<double> errors(1024);
    for (double &e : errors)
        e = dist(gen);
    return errors;
}

void controlBenchmark(benchmark::State &state, const std::vector<double> &errors)
{
    const StepParameters p;
    FuzzyController fuzzy(p.errSets, p.dErrSets, p.amplification);
    fuzzy.reset();
    std::size_t i = 0;
    for (auto _ : state) {
        double e = errors[i];
        benchmark::DoNotOptimize(e);
        benchmark::DoNotOptimize(fuzzy.control(e));
        if (++i == errors.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FuzzyControl_LoopErrors(benchmark::State &state)
{
    static const std::vector<double> errors = loopErrors();
    controlBenchmark(state, errors);
}

void BM_FuzzyControl_RandomErrors(benchmark::State &state)
{
    static const std::vector<double> errors = randomErrors();
    controlBenchmark(state, errors);
}

} // namespace

BENCHMARK(BM_StepRun_StartValues)->Name("StepRun/start_values");
BENCHMARK(BM_StepRun_T100)->Name("StepRun/T100");
BENCHMARK(BM_Floor_StartValues)->Name("Floor/start_values");
BENCHMARK(BM_Floor_T100)->Name("Floor/T100");
BENCHMARK(BM_FuzzyControl_LoopErrors)->Name("FuzzyControl/loop_errors");
BENCHMARK(BM_FuzzyControl_RandomErrors)->Name("FuzzyControl/random_errors");

int main(int argc, char **argv)
{
    StepParameters diverging = longRun();
    diverging.kp = 1000.0;
    diverging.ki = 100.0;
    diverging.kd = 100.0;
    StepParameters reordered = longRun();
    reordered.setPoint = 3.7;
    reordered.dErrSets[1] = { Zero, 1.0f, -1.0f };
    reordered.dErrSets[0] = { Negative, 0.5f, -0.5f };
    if (!floorMatchesCore(startValues(), "start values") || !floorMatchesCore(longRun(), "T = 100 s")
        || !floorMatchesCore(diverging, "diverging PID")
        || !floorMatchesCore(reordered, "sets out of order"))
        return 1;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
