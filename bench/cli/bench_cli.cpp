// Benchmarks of kestrune-sim's parameter studies: runProgram with the
// program's own arguments, from parsing to the CSV written into /dev/null
// through the standard-output path that main() uses.
//
//   Sweep/points:100000/threads:N   --sweep kp=0:99.999:0.001 at T = 20 s:
//                                   100,000 points, 300,000 rows of metrics
//   Sweep/all_loops/threads:N       --sweep setpoint=0.001:100:0.001: the
//                                   same count, but every loop's metrics
//                                   change from point to point (a gain
//                                   sweep repeats two loops' cells)
//   Tune/pid, Tune/fuzzy            --tune pid, --tune fuzzy at the start
//                                   values (T = 20 s), one thread per core
//
// Goals: the sweep at least 200,000 points per second per core (the counter
// points_per_core), and 2 threads at least 1.7 x one; --tune pid under 2 s
// and --tune fuzzy under 10 s on two cores. `make bench` runs each five
// times and reports the medians.

#include "descriptordevice.h"
#include "simcli.h"

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include <fcntl.h>

namespace {

constexpr double kPoints = 100000;

void runOrFail(benchmark::State &state, const QStringList &arguments)
{
    DescriptorDevice devNull;
    if (!devNull.open(::open("/dev/null", O_WRONLY | O_CLOEXEC), DescriptorDevice::CloseOnClose)) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    simcli::ProgramIo io;
    io.standardOutput = &devNull;
    const simcli::ProgramOutput output =
            simcli::runProgram(QStringList{ QStringLiteral("kestrune-sim") } + arguments, io);
    if (output.exitCode != simcli::ExitOk)
        state.SkipWithError(output.err.constData());
}

void BM_Sweep(benchmark::State &state, const char *axis)
{
    const auto threads = static_cast<int>(state.range(0));
    const QStringList arguments{ QStringLiteral("--sweep"), QLatin1String(axis),
                                 QStringLiteral("--threads"), QString::number(threads) };
    for (auto _ : state)
        runOrFail(state, arguments);
    state.SetItemsProcessed(static_cast<std::int64_t>(double(state.iterations()) * kPoints));
    state.counters["points_per_core"] = benchmark::Counter(
            double(state.iterations()) * kPoints / threads, benchmark::Counter::kIsRate);
}

void BM_Tune(benchmark::State &state, const char *loop)
{
    const QStringList arguments{ QStringLiteral("--tune"), QLatin1String(loop) };
    for (auto _ : state)
        runOrFail(state, arguments);
}

} // namespace

int main(int argc, char **argv)
{
    const std::pair<const char *, const char *> sweeps[] = {
        { "Sweep/points:100000", "kp=0:99.999:0.001" },
        { "Sweep/all_loops", "setpoint=0.001:100:0.001" },
    };
    for (const auto &[name, axis] : sweeps) {
        benchmark::RegisterBenchmark(name, BM_Sweep, axis)
                ->ArgName("threads")
                ->Arg(1)
                ->Arg(2)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
    }
    for (const char *loop : { "pid", "fuzzy" }) {
        benchmark::RegisterBenchmark((std::string("Tune/") + loop).c_str(), BM_Tune, loop)
                ->Iterations(1)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
