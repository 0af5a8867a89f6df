"""Kestrune's step modelling run, its metrics, sweeps and tuner from Python.

Every function runs kestrune-sim's own code in this process and returns what
kestrune-sim prints for the same options, as numbers and numpy arrays with
the same bits. Keyword names are kestrune-sim's options with '-' as '_'
(kp, err_zero, max_overshoot); a number where the option takes one, a pair
(L, R) for a set. A value the option refuses raises ValueError with
kestrune-sim's message, which names the option. `kestrune.help()` lists every
option with its range and default.

The plant is sampled every 0.2 s; times are in seconds, overshoot in percent
of the setpoint, and a metric the response never reaches is None (NaN in
arrays).
"""

import math
import numbers
import os
import inspect
import tempfile
import textwrap

import numpy as np

from . import _kestrune

__all__ = ["run", "metrics", "trace", "sweep", "sweep_points", "tune", "surface", "membership",
           "help", "Response", "Tuned"]

# The options that describe the loops, which every function takes.
_PARAMETERS = {"setpoint", "time", "kp", "ki", "kd", "pid_limit", "amp", "err_neg", "err_zero",
               "err_pos", "derr_neg", "derr_zero", "derr_pos"}
_SETS = {"err_neg": 0, "err_zero": 1, "err_pos": 2, "derr_neg": 0, "derr_zero": 1,
         "derr_pos": 2}


def help():
    """kestrune-sim's --help: every option, what it takes, its default."""
    return _kestrune.help_text()


def _number(name, value):
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError("%s: expects a number, not %s" % (name, type(value).__name__))
    if isinstance(value, numbers.Integral):
        return str(int(value))
    # repr gives the shortest text that reads back as the same double.
    return repr(float(value))


def _arguments(kwargs, allowed):
    arguments = []
    for key, value in kwargs.items():
        if key not in allowed:
            raise TypeError("unexpected keyword %r; expects one of %s"
                            % (key, ", ".join(sorted(allowed))))
        if value is None:
            continue
        option = "--" + key.replace("_", "-")
        if key in _SETS:
            if isinstance(value, (str, bytes)) or len(value) != 2:
                raise TypeError("%s: expects a pair (L, R)" % option)
            text = _number(option, value[0]) + "," + _number(option, value[1])
        else:
            text = _number(option, value)
        arguments += [option, text]
    return arguments


def _call(arguments, allowed_codes=(0,)):
    code, out, err = _kestrune.run_arguments(arguments)
    if code not in allowed_codes:
        message = err.decode("utf-8").strip()
        if code == 2:
            raise ValueError(message)
        raise RuntimeError(message)
    return code, out.decode("utf-8"), err.decode("utf-8")


def _cell(text):
    return None if text == "n/a" else float(text)


class Response:
    """The three loops' samples of one run: t (s), closed_loop, pid_loop and
    fuzzy_control (plant outputs), float64 arrays of one element per 0.2 s
    step."""

    def __init__(self, t, closed_loop, pid_loop, fuzzy_control):
        self.t = t
        self.closed_loop = closed_loop
        self.pid_loop = pid_loop
        self.fuzzy_control = fuzzy_control

    def __repr__(self):
        return "Response(%d samples)" % len(self.t)


def run(**parameters):
    """The step modelling run, as kestrune-sim writes it without options.
    Returns a Response: t (s) and the plant outputs closed_loop, pid_loop
    and fuzzy_control, float64 arrays of one element per 0.2 s step.
    Keywords: the loop's options, e.g. kp=0.7, err_zero=(-0.2, 0.2),
    time=30."""
    return Response(*_kestrune.samples(_arguments(parameters, _PARAMETERS)))


def metrics(**parameters):
    """The step-response metrics of each loop, as kestrune-sim --metrics.
    Returns {'closed_loop': {'peak': ..., 'peak_time': ..., ...}, 'pid_loop': ...,
    'fuzzy_control': ...}; times in s, overshoot in percent, None where the
    metric is n/a."""
    _, out, _ = _call(_arguments(parameters, _PARAMETERS) + ["--metrics"])
    lines = out.splitlines()
    loops = lines[0].split(",")[1:]
    result = {loop: {} for loop in loops}
    for line in lines[1:]:
        cells = line.split(",")
        for loop, cell in zip(loops, cells[1:]):
            result[loop][cells[0]] = _cell(cell)
    return result


# Columns of text; e and de are the controller's floats; every other
# column is a double, NaN where the CSV says n/a.
_TEXT_COLUMNS = {"loop", "err_set", "derr_set"}
_FLOAT_COLUMNS = {"e", "de"}


def _structured(text):
    lines = text.splitlines()
    names = lines[0].split(",")
    rows = [line.split(",") for line in lines[1:]]
    columns = list(zip(*rows)) if rows else [()] * len(names)
    dtypes = []
    for name, cells in zip(names, columns):
        if name in _TEXT_COLUMNS:
            dtypes.append((name, "U%d" % max([len(c) for c in cells] + [1])))
        else:
            dtypes.append((name, np.float32 if name in _FLOAT_COLUMNS else np.float64))
    array = np.empty(len(rows), dtype=dtypes)
    for (name, kind), cells in zip(dtypes, columns):
        if name in _TEXT_COLUMNS:
            array[name] = cells
        elif kind is np.float32:
            # Parsed as float32: the shortest text of a float reads back as it.
            array[name] = np.array(cells, dtype=np.float32)
        else:
            array[name] = [math.nan if c == "n/a" else float(c) for c in cells]
    return array


def trace(**parameters):
    """The fuzzy loop step by step, as kestrune-sim --trace. Returns a numpy
    structured array with the fields t (s), e and de (float32, as the
    controller rounds them), the six membership degrees, err_set, derr_set,
    level (-1, 0 or 1), u (the plant input) and y."""
    _, out, _ = _call(_arguments(parameters, _PARAMETERS) + ["--trace"])
    return _structured(out)


def _sweep_arguments(axes, threads, shard, fixed):
    if not axes:
        raise TypeError("sweep: expects at least one 'NAME=FROM:TO:STEP'")
    arguments = _arguments(fixed, _PARAMETERS)
    for axis in axes:
        if not isinstance(axis, str):
            raise TypeError("--sweep: expects 'NAME=FROM:TO:STEP', not %s" % type(axis).__name__)
        arguments += ["--sweep", axis]
    if threads is not None:
        arguments += ["--threads", _number("--threads", threads)]
    if shard is not None:
        if isinstance(shard, str) or len(shard) != 2:
            raise TypeError("--shard: expects a pair (K, N)")
        arguments += ["--shard", "%s/%s" % (_number("--shard", shard[0]),
                                            _number("--shard", shard[1]))]
    return arguments


# The longest loop name, closed_loop, pid_loop or fuzzy_control.
_LOOP_CHARS = max(len(name) for name in _kestrune.loop_names())


def _sweep_dtype(names):
    return np.dtype([(name, np.float64) for name in names] + [("loop", "U%d" % _LOOP_CHARS)]
                    + [(name, np.float64) for name in _kestrune.metric_names()])


def _sweep(arguments):
    names, first, end = _kestrune.sweep_plan(arguments)
    array = np.empty((end - first) * 3, dtype=_sweep_dtype(names))
    fields = array.dtype.fields
    offsets = [fields[name][1] for name in names + _kestrune.metric_names()]
    _kestrune.sweep_into(arguments, array, offsets, fields["loop"][1], _LOOP_CHARS)
    return array


def sweep(*axes, threads=None, shard=None, **fixed):
    """A sweep of one to six parameters, as kestrune-sim --sweep: each axis is
    'NAME=FROM:TO:STEP' (the first varying slowest); the other keywords are
    the loop's options. Returns a structured array with the swept names,
    loop and the metrics (NaN where n/a), three rows per point. shard=(K, N)
    gives the K-th of N contiguous slices of the points. Ctrl-C stops it
    (KeyboardInterrupt)."""
    return _sweep(_sweep_arguments(axes, threads, shard, fixed))


def sweep_points(*axes, **fixed):
    """The number of points of a sweep (each gives three rows), checked as
    sweep() checks it."""
    return _kestrune.sweep_points(_sweep_arguments(axes, None, None, fixed))


class Tuned:
    """What kestrune.tune found: params (ready for kestrune.run(**params)),
    criterion, overshoot (percent, None for setpoint 0), evaluations,
    feasible (within max_overshoot) and summary (kestrune-sim's lines)."""

    def __init__(self, params, criterion, overshoot, evaluations, feasible, summary):
        self.params = params
        self.criterion = criterion
        self.overshoot = overshoot
        self.evaluations = evaluations
        self.feasible = feasible
        self.summary = summary

    def __repr__(self):
        return "Tuned(criterion=%r, overshoot=%r, params=%r)" % (self.criterion, self.overshoot,
                                                                 self.params)


def tune(loop, criterion=None, max_overshoot=None, evaluations=None, seed=None, threads=None,
         time_limit=None, **parameters):
    """Tunes the 'pid' or 'fuzzy' loop as kestrune-sim --tune does, for
    criterion 'iae', 'ise' or 'itae' at the run's setpoint and time. Returns a
    Tuned: params (the tuned values, ready for run(**params)), criterion,
    overshoot (percent of the setpoint, None for setpoint 0), evaluations,
    feasible (False when no values met max_overshoot) and kestrune-sim's
    summary. Ctrl-C stops it (KeyboardInterrupt)."""
    if loop not in ("pid", "fuzzy"):
        raise ValueError("--tune: %r is not one of them; expects one of pid, fuzzy" % (loop,))
    arguments = _arguments(parameters, _PARAMETERS) + ["--tune", loop]
    if criterion is not None:
        arguments += ["--criterion", str(criterion)]
    for option, value in (("--max-overshoot", max_overshoot), ("--evaluations", evaluations),
                          ("--seed", seed), ("--threads", threads), ("--time-limit", time_limit)):
        if value is not None:
            arguments += [option, _number(option, value)]
    code, out, err = _call(arguments, allowed_codes=(0, 3))
    params = {}
    for line in out.splitlines()[1:]:
        name, _, value = line.partition(",")
        key = name.replace("-", "_")
        if value.startswith('"'):
            left, right = value.strip('"').split(",")
            params[key] = (float(left), float(right))
        else:
            params[key] = float(value)
    first = err.splitlines()[0]
    after = first.split(" -> ")
    criterion_value = float(after[1].split(",")[0])
    overshoot_text = after[2].split("%")[0].split(",")[0]
    overshoot = None if overshoot_text.startswith("n/a") else float(overshoot_text)
    evaluations_done = int(first.rsplit(" evaluations", 1)[0].rsplit(", ", 1)[1])
    return Tuned(params, criterion_value, overshoot, evaluations_done, code == 0, err.strip())


def surface(points=121, range=(-3.0, 3.0)):
    """The controller's decision surface, as kestrune-sim --surface .csv:
    arrays e, de and level (each points x points, e along the first axis)."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "surface.csv")
        arguments = ["--surface", path, "--surface-points", _number("--surface-points", points)]
        if isinstance(range, str) or len(range) != 2:
            raise TypeError("--surface-range: expects a pair (LO, HI)")
        arguments += ["--surface-range", _number("--surface-range", range[0]) + ","
                      + _number("--surface-range", range[1])]
        _call(arguments)
        with open(path, encoding="utf-8") as f:
            rows = [line.split(",") for line in f.read().splitlines()[1:]]
    n = int(points)
    e = np.array([float(r[0]) for r in rows]).reshape(n, n)
    de = np.array([float(r[1]) for r in rows]).reshape(n, n)
    level = np.array([int(r[2]) for r in rows]).reshape(n, n)
    return e, de, level


def membership(name, bounds, x):
    """The degrees of x (an array) in the set name ('err-zero', 'derr-pos',
    ...) with bounds (L, R), as the controller computes them: x and the
    bounds rounded to float first."""
    key = name.replace("-", "_")
    if key not in _SETS:
        raise ValueError("%s: not a set; expects one of %s" % (name, ", ".join(
            k.replace("_", "-") for k in _SETS)))
    left, right = (float(v) for v in bounds)
    return _kestrune.membership(_SETS[key], left, right,
                                np.ascontiguousarray(x, dtype=np.float64).ravel())


# Each function's keywords, documented from kestrune-sim's own option table:
# what each takes, its range, its unit and its default, as --help says.
_OPTION_HELP = dict(_kestrune.option_help())
_ORDER = [name.replace("-", "_") for name in _OPTION_HELP]


def _document(function, keywords, first=()):
    lines = ["", "", "Keywords (kestrune-sim's options with '-' as '_'; a set is a pair (L, R)):"]
    for key in list(first) + [k for k in _ORDER if k in keywords]:
        text = _OPTION_HELP[key.replace("_", "-")]
        lines += textwrap.wrap("%s -- %s" % (key, text.split(": ", 1)[1]), 78,
                               initial_indent="    ", subsequent_indent="        ")
    function.__doc__ = inspect.cleandoc(function.__doc__) + "\n".join(lines) + "\n"


_document(run, _PARAMETERS)
_document(metrics, _PARAMETERS)
_document(trace, _PARAMETERS)
_document(sweep, _PARAMETERS | {"threads", "shard"}, first=["sweep"])
_document(sweep_points, _PARAMETERS, first=["sweep"])
_document(tune, _PARAMETERS | {"criterion", "max_overshoot", "evaluations", "seed", "threads",
                               "time_limit"})
_document(surface, set(), first=["surface_points", "surface_range"])
