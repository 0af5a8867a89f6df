// _kestrune: kestrune-sim's program run in the calling process, without
// the global interpreter lock and open to Ctrl-C, its step run and its
// sweeps straight into numpy arrays, and the fuzzy sets' membership degrees,
// for the Python package kestrune.

#include "fuzzycontroller.h"
#include "metriccolumns.h"
#include "modelparameter.h"
#include "options.h"
#include "simcli.h"
#include "steprun.h"
#include "sweep.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <future>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace py = pybind11;

namespace {

using Interrupted = std::function<bool()>;

// Runs work on a thread of its own while this one, without the interpreter
// lock, looks every 50 ms for a signal (Ctrl-C): on one, work is asked to
// stop, is waited for, and the signal's exception (KeyboardInterrupt) is
// raised here. Nothing of the call is left running.
void runInterruptible(const std::function<void(const Interrupted &)> &work)
{
    std::atomic<bool> stop{ false };
    const Interrupted interrupted = [&stop] { return stop.load(std::memory_order_relaxed); };
    bool signalled = false;
    {
        py::gil_scoped_release release;
        std::future<void> done = std::async(std::launch::async, [&] { work(interrupted); });
        while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            if (signalled)
                continue;
            py::gil_scoped_acquire acquire;
            if (PyErr_CheckSignals() != 0) {
                signalled = true;
                stop.store(true, std::memory_order_relaxed);
            }
        }
        if (signalled) {
            // The signal's exception stays set; work's own failure, if any,
            // is of no interest now.
            try {
                done.get();
            } catch (...) {
            }
        } else {
            done.get();
        }
    }
    if (signalled)
        throw py::error_already_set();
}

// A command line of kestrune-sim with these arguments.
QStringList commandLine(const std::vector<std::string> &arguments)
{
    QStringList list{ QStringLiteral("kestrune-sim") };
    for (const std::string &a : arguments)
        list << QString::fromStdString(a);
    return list;
}

// The options of kestrune-sim, parsed as it parses them; a refused value
// raises ValueError with its one-line message.
simcli::ParseResult parse(const std::vector<std::string> &arguments)
{
    simcli::ParseResult parsed = simcli::parseArguments(commandLine(arguments));
    if (parsed.status == simcli::ParseResult::Error)
        throw py::value_error(parsed.text.toStdString());
    return parsed;
}

// exit status, standard output, standard error of one call.
py::tuple runArguments(const std::vector<std::string> &arguments)
{
    const QStringList list = commandLine(arguments);
    simcli::ProgramOutput output;
    runInterruptible([&](const Interrupted &interrupted) {
        simcli::ProgramIo io;
        io.interrupted = interrupted;
        output = simcli::runProgram(list, io);
    });
    return py::make_tuple(output.exitCode,
                          py::bytes(output.out.constData(), std::size_t(output.out.size())),
                          py::bytes(output.err.constData(), std::size_t(output.err.size())));
}

double cell(const std::optional<double> &value)
{
    // Every NaN as the one that the texts "nan" and "n/a" read back as.
    if (!value || std::isnan(*value))
        return std::numeric_limits<double>::quiet_NaN();
    return *value;
}

py::array_t<double> toArray(const std::vector<double> &values)
{
    py::array_t<double> array(py::ssize_t(values.size()));
    double *out = array.mutable_data();
    for (std::size_t k = 0; k < values.size(); ++k)
        out[k] = cell(values[k]);
    return array;
}

// The samples of the step run: t and the three loops' outputs, as the
// samples CSV holds them.
py::tuple samples(const std::vector<std::string> &arguments)
{
    const simcli::ParseResult parsed = parse(arguments);
    StepRun::Result result;
    {
        py::gil_scoped_release release;
        result = StepRun::run(parsed.options.params);
    }
    return py::make_tuple(toArray(result.loops[0].t), toArray(result.loops[0].y),
                          toArray(result.loops[1].y), toArray(result.loops[2].y));
}

// The sweep that these options ask for, checked: its swept names and the
// points of its shard, [first, end).
py::tuple sweepPlan(const std::vector<std::string> &arguments)
{
    const simcli::ParseResult parsed = parse(arguments);
    const simcli::CliOptions &options = parsed.options;
    if (options.output != simcli::OutputKind::Sweep)
        throw py::value_error("kestrune-sim: --sweep: missing; expects NAME=FROM:TO:STEP");
    const Sweep sweep(options.params, options.study.sweep);
    const std::array<std::size_t, 2> slice =
            Sweep::shard(sweep.pointCount(), options.study.shard, options.study.shards);
    std::vector<std::string> names;
    for (const SweepAxis &axis : sweep.axes())
        names.emplace_back(axis.parameter->name());
    return py::make_tuple(names, slice[0], slice[1]);
}

// Runs the sweep (its shard) of these options into out, a structured array
// of three rows per point made for sweepPlan's answer: each row's swept
// values and metrics (NaN where n/a) go to the float64 fields at offsets
// (the swept names', then the metrics'), its loop's name to the unicode
// field of `loopChars` characters at loopOffset. Written by the sweep's
// threads, each row where it belongs.
void sweepInto(const std::vector<std::string> &arguments, py::array out,
               const std::vector<py::ssize_t> &offsets, py::ssize_t loopOffset,
               py::ssize_t loopChars)
{
    const simcli::ParseResult parsed = parse(arguments);
    const simcli::CliOptions &options = parsed.options;
    const Sweep sweep(options.params, options.study.sweep);
    const std::array<std::size_t, 2> slice =
            Sweep::shard(sweep.pointCount(), options.study.shard, options.study.shards);
    const std::size_t axes = sweep.axes().size();
    const auto &columns = metricColumns();
    constexpr std::size_t kMetrics = std::tuple_size<std::decay_t<decltype(columns)>>::value;
    if (out.ndim() != 1 || !(out.flags() & py::array::c_style)
        || std::size_t(out.shape(0)) != (slice[1] - slice[0]) * 3
        || offsets.size() != axes + columns.size())
        throw py::value_error("sweep_into: the array does not fit the sweep");
    const std::size_t itemSize = std::size_t(out.itemsize());
    // Every field lies inside a row, so that no write lands past one.
    const auto inRow = [itemSize](py::ssize_t offset, std::size_t bytes) {
        return offset >= 0 && std::size_t(offset) <= itemSize && bytes <= itemSize - offset;
    };
    bool fits = loopChars >= 0 && inRow(loopOffset, std::size_t(loopChars) * sizeof(char32_t));
    for (const py::ssize_t offset : offsets)
        fits = fits && inRow(offset, sizeof(double));
    if (!fits || !out.writeable())
        throw py::value_error("sweep_into: the array does not fit the sweep");
    char *base = static_cast<char *>(out.mutable_data());
    std::array<std::u32string, 3> loopNames;
    for (std::size_t loop = 0; loop < 3; ++loop) {
        const std::string name = loopName(static_cast<StepRun::Loop>(loop));
        loopNames[loop].assign(name.begin(), name.end());
        loopNames[loop].resize(std::size_t(loopChars), U'\0');
    }
    runInterruptible([&](const Interrupted &interrupted) {
        sweep.runBlocks(
                [&](std::size_t begin, std::size_t end) {
                    if (interrupted())
                        return;
                    SweepRecord records[3];
                    for (std::size_t point = begin; point < end; ++point) {
                        sweep.evaluate(point, records);
                        for (std::size_t k = 0; k < 3; ++k) {
                            char *row = base + ((point - slice[0]) * 3 + k) * itemSize;
                            std::array<double, kMaxSweepAxes + kMetrics> values;
                            for (std::size_t a = 0; a < axes; ++a)
                                values[a] = records[k].values[a];
                            for (std::size_t c = 0; c < columns.size(); ++c)
                                values[axes + c] = cell(records[k].metrics.*columns[c].field);
                            for (std::size_t c = 0; c < offsets.size(); ++c)
                                std::memcpy(row + offsets[c], &values[c], sizeof(double));
                            const std::u32string &name = loopNames[std::size_t(records[k].loop)];
                            std::memcpy(row + loopOffset, name.data(),
                                        name.size() * sizeof(char32_t));
                        }
                    }
                },
                [&](std::size_t, std::size_t) { return !interrupted(); },
                options.study.threads, {}, slice[0], slice[1]);
    });
}

std::size_t sweepPoints(const std::vector<std::string> &arguments)
{
    const simcli::ParseResult parsed = parse(arguments);
    return Sweep(parsed.options.params, parsed.options.study.sweep).pointCount();
}

std::vector<std::string> metricNames()
{
    std::vector<std::string> names;
    for (const MetricColumn &column : metricColumns())
        names.emplace_back(column.name);
    return names;
}

// The degrees the controller computes for x, each rounded to float first
// as the controller rounds its inputs; the bounds are floats too.
py::array_t<double> membership(int kind, float left, float right, py::array_t<double> x)
{
    const FuzzySet set{ static_cast<FuzzySetKind>(kind), left, right };
    auto in = x.unchecked<1>();
    py::array_t<double> out(in.shape(0));
    auto degrees = out.mutable_unchecked<1>();
    for (py::ssize_t k = 0; k < in.shape(0); ++k)
        degrees(k) = FuzzyController::membership(set, static_cast<float>(in(k)));
    return out;
}

} // namespace

PYBIND11_MODULE(_kestrune, m)
{
    m.doc() = "kestrune-sim's program and the controller's membership functions";
    m.def("run_arguments", &runArguments, py::arg("arguments"),
          "Runs kestrune-sim with these arguments (without the program's name) in this "
          "process; returns (exit status, standard output, standard error) as bytes.");
    m.def("samples", &samples, py::arg("arguments"),
          "The step run for these kestrune-sim options: (t, closed_loop, pid_loop, "
          "fuzzy_control) as float64 arrays.");
    m.def("sweep_plan", &sweepPlan, py::arg("arguments"),
          "The sweep that these kestrune-sim options ask for, checked: (swept names, first "
          "point, end point) of its shard.");
    m.def("sweep_into", &sweepInto, py::arg("arguments"), py::arg("out"), py::arg("offsets"),
          py::arg("loop_offset"), py::arg("loop_chars"),
          "Runs the sweep of these options into a structured array of three rows per point: "
          "the float64 fields at offsets, the loop's name in the unicode field at loop_offset.");
    m.def("sweep_points", &sweepPoints, py::arg("arguments"),
          "The points of the whole sweep that these options ask for, once they are checked.");
    m.def("shard", &Sweep::shard, py::arg("points"), py::arg("k"), py::arg("n"),
          "The points [first, end) of shard k (1-based) of n of a sweep of this many points.");
    m.def("metric_names", &metricNames, "The metrics' names, in the order of the outputs.");
    m.def("loop_names", [] {
              std::vector<std::string> names;
              for (int loop = 0; loop < 3; ++loop)
                  names.push_back(loopName(static_cast<StepRun::Loop>(loop)));
              return names;
          },
          "The loops' names, in the order of a sweep point's rows.");
    m.def("option_help", [] {
              std::vector<std::pair<std::string, std::string>> help;
              for (const auto &[name, text] : simcli::optionHelp())
                  help.emplace_back(name.toStdString(), text.toStdString());
              return help;
          },
          "Every option's long name and its help text, as kestrune-sim --help gives it.");
    m.def("help_text", [] { return simcli::helpText().toStdString(); },
          "kestrune-sim --help: every option, its range and its default.");
    m.def("membership", &membership, py::arg("kind"), py::arg("left"), py::arg("right"),
          py::arg("x"),
          "Degrees of membership of x in a set (kind 0 Negative, 1 Zero, 2 Positive) with "
          "bounds left and right, as the controller computes them.");
}
