// Benchmarks of the parameter studies.
//
//   Sweep/points:100000/threads:N   a sweep of 100,000 points at T = 20 s
//                                   (kp 0..99.999 by 0.001), StepRun::run and
//                                   the metrics of the three loops per point
//   StepRuns/points:100000          the same 100,000 runs alone, one thread:
//                                   what the sweep's bookkeeping adds to
//   Tune/pid, Tune/fuzzy            the tuner at the start values (T = 20 s)
//                                   with its default budget, on all cores
//   TuneBudget/<target>/evaluations:N  the same with budgets of N and 10 N:
//                                   the time per evaluation (the counter
//                                   ns_per_evaluation) should stay put. Below
//                                   about 2,000,000 the fuzzy search screens
//                                   a sample of its layouts only, and its
//                                   evaluations cost less on average
//
// Goals: the sweep at least 200,000 points per second per core (the counter
// points_per_core), and 2 threads at least 1.7 x one; --tune pid under 2 s
// and --tune fuzzy under 10 s on two cores; ten times the budget in at most
// twelve times the time. `make bench` runs each five times and reports the
// medians.

#include "stepparameters.h"
#include "steprun.h"
#include "sweep.h"
#include "tuner.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr std::size_t kPoints = 100000;

Sweep benchSweep()
{
    const std::optional<SweepAxis> axis = Sweep::parseAxis("kp=0:99.999:0.001");
    return Sweep(StepParameters(), { *axis });
}

void BM_Sweep(benchmark::State &state)
{
    const Sweep sweep = benchSweep();
    const auto threads = static_cast<unsigned>(state.range(0));
    std::size_t records = 0;
    for (auto _ : state) {
        sweep.run([&records](std::size_t, const std::vector<SweepRecord> &r) { records += r.size(); },
                  threads);
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(records);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPoints));
    state.counters["points_per_core"] = benchmark::Counter(
            double(state.iterations()) * double(kPoints) / double(threads),
            benchmark::Counter::kIsRate);
}

void BM_StepRuns(benchmark::State &state)
{
    const Sweep sweep = benchSweep();
    for (auto _ : state) {
        for (std::size_t point = 0; point < kPoints; ++point) {
            StepRun::Result r = StepRun::run(sweep.parameters(point));
            benchmark::DoNotOptimize(r);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kPoints));
}

void BM_Tune(benchmark::State &state, TuneTarget target)
{
    TuneSettings settings;
    settings.target = target;
    TuneResult result;
    for (auto _ : state) {
        result = Tuner::tune(StepParameters(), settings);
        benchmark::DoNotOptimize(result);
    }
    state.counters["iae_before"] = result.criterionBefore;
    state.counters["iae_after"] = result.criterionAfter;
    state.counters["evaluations"] = double(result.evaluations);
}

void BM_TuneBudget(benchmark::State &state, TuneTarget target)
{
    TuneSettings settings;
    settings.target = target;
    settings.evaluations = static_cast<std::size_t>(state.range(0));
    TuneResult result;
    for (auto _ : state) {
        result = Tuner::tune(StepParameters(), settings);
        benchmark::DoNotOptimize(result);
    }
    state.counters["evaluations"] = double(result.evaluations);
    state.counters["ns_per_evaluation"] = benchmark::Counter(
            double(state.iterations()) * double(result.evaluations),
            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_Sweep)
        ->Name("Sweep/points:100000")
        ->ArgName("threads")
        ->Arg(1)
        ->Arg(2)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepRuns)->Name("StepRuns/points:100000")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tune, pid, TuneTarget::Pid)
        ->Name("Tune/pid")
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Tune, fuzzy, TuneTarget::Fuzzy)
        ->Name("Tune/fuzzy")
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_TuneBudget, pid, TuneTarget::Pid)
        ->Name("TuneBudget/pid")
        ->ArgName("evaluations")
        ->Arg(1000000)
        ->Arg(10000000)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TuneBudget, fuzzy, TuneTarget::Fuzzy)
        ->Name("TuneBudget/fuzzy")
        ->ArgName("evaluations")
        ->Arg(2000000)
        ->Arg(20000000)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
