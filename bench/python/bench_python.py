"""Benchmarks of the Python package against the C++ it binds.

    PYTHONPATH=build/python python3 bench/python/bench_python.py BUILD [--quick]

1. kestrune.run() at T = 20 s, arrays included, against StepRun::run in
   kestrune-bench-sim (goal: within 5 times).
2. kestrune.sweep against kestrune-sim for the same sweep into /dev/null,
   2 threads each (goal: within 1.1 times).
3. A 10,000,000-point sweep on a LocalCluster of two worker processes against
   one, one thread per worker (goal: at least 1.6 times faster).

Each line prints the medians and the ratio. --quick runs each once on small
sizes, to check that the script still works; its times mean nothing.
"""

import json
import statistics
import subprocess
import sys
import time
import timeit

import kestrune


def median_seconds(call, repeat):
    times = []
    for _ in range(repeat):
        began = time.perf_counter()
        call()
        times.append(time.perf_counter() - began)
    return statistics.median(times)


def run_against_cpp(build, quick):
    number = 1000 if quick else 200000
    per_call = min(timeit.repeat(kestrune.run, number=number, repeat=1 if quick else 7)) / number
    report = json.loads(subprocess.run(
        [build + "/bench/kestrune-bench-sim", "--benchmark_filter=^StepRun/start_values$",
         "--benchmark_format=json", "--benchmark_min_time=%s" % ("0.01" if quick else "1")],
        check=True, capture_output=True, text=True).stdout)
    cpp = report["benchmarks"][0]["real_time"] * 1e-9
    print("kestrune.run(), T = 20 s: %.2f us; StepRun::run: %.2f us; %.2f x (goal <= 5)"
          % (per_call * 1e6, cpp * 1e6, per_call / cpp))


def sweep_against_cli(build, quick):
    axes = ["kp=0:10:0.001" if quick else "kp=0:10:0.00001", "amp=0.5:1:0.5"]
    repeat = 1 if quick else 5
    command = [build + "/src/simcli/kestrune-sim", "--threads", "2"]
    for axis in axes:
        command += ["--sweep", axis]
    with open("/dev/null", "wb") as null:
        cli = median_seconds(lambda: subprocess.run(command, stdout=null, check=True), repeat)
    python = median_seconds(lambda: kestrune.sweep(*axes, threads=2), repeat)
    points = kestrune.sweep_points(*axes)
    print("sweep of %d points, 2 threads: kestrune.sweep %.2f s; kestrune-sim %.2f s; %.2f x "
          "(goal <= 1.1)" % (points, python, cli, python / cli))


def cluster_speedup(quick):
    from distributed import Client, LocalCluster

    import kestrune.distributed

    axes = ["kp=0:0.999:0.001" if quick else "kp=0:9.9999:0.0001",
             "amp=0.5:1:0.5" if quick else "amp=0.1:10:0.1"]
    points = kestrune.sweep_points(*axes)
    times = {}
    for workers in (1, 2):
        with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                          dashboard_address=None, memory_limit=0) as cluster, \
                Client(cluster) as client:
            times[workers] = median_seconds(
                lambda: kestrune.distributed.sweep(client, *axes), 1 if quick else 3)
    print("sweep of %d points on a LocalCluster: 1 worker %.1f s; 2 workers %.1f s; %.2f x "
          "faster (goal >= 1.6)" % (points, times[1], times[2], times[1] / times[2]))


def main():
    build = sys.argv[1]
    quick = "--quick" in sys.argv[2:]
    run_against_cpp(build, quick)
    sweep_against_cli(build, quick)
    cluster_speedup(quick)


if __name__ == "__main__":
    main()
