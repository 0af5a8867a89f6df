"""The Python package against kestrune-sim: the same inputs give the same
bits, and what kestrune-sim refuses raises ValueError with its message."""

import os
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import kestrune

SIM = os.environ["KESTRUNE_SIM"]

CASES = {
    "defaults": {},
    "setpoint and time": {"setpoint": 2.5, "time": 30},
    "sets out of order": {"derr_zero": (1.0, -1.0), "err_zero": (-0.2, 0.2), "amp": 0.8},
    "diverging": {"kp": 1000, "ki": 100, "kd": 100, "time": 60},
    "setpoint 0": {"setpoint": 0},
    "pid limit": {"pid_limit": 0.31, "kp": 0.938, "ki": 1.741, "kd": 0.251},
    # Passed on in full: 0.30000000000000004, not 0.3.
    "an amplification of 17 digits": {"amp": 0.1 + 0.2, "time": 5},
}


def arguments(kwargs):
    out = []
    for key, value in kwargs.items():
        text = "%r,%r" % tuple(float(v) for v in value) if isinstance(value, tuple) else repr(value)
        out += ["--" + key.replace("_", "-"), text]
    return out


def cli(args):
    return subprocess.run([SIM] + args, check=True, capture_output=True, text=True).stdout


def table(csv):
    lines = csv.splitlines()
    return lines[0].split(","), [line.split(",") for line in lines[1:]]


def same(a, b):
    """Bit for bit, NaN equal to NaN."""
    a = np.asarray(a, dtype=np.float64)
    b = np.asarray(b, dtype=np.float64)
    return a.shape == b.shape and a.view(np.uint64).tolist() == b.view(np.uint64).tolist()


def number(cell):
    return float("nan") if cell == "n/a" else float(cell)


@pytest.mark.parametrize("case", CASES)
def test_run_and_metrics_equal_the_cli(case):
    kwargs = CASES[case]
    header, rows = table(cli(arguments(kwargs)))
    r = kestrune.run(**kwargs)
    for k, name in enumerate(header):
        assert same(getattr(r, name), [float(row[k]) for row in rows]), name
    header, rows = table(cli(arguments(kwargs) + ["--metrics"]))
    m = kestrune.metrics(**kwargs)
    for row in rows:
        for loop, cell in zip(header[1:], row[1:]):
            got = m[loop][row[0]]
            assert (got is None) == (cell == "n/a")
            assert got is None or same(got, float(cell)), (loop, row[0])


@pytest.mark.parametrize("case", CASES)
def test_trace_equals_the_cli(case):
    kwargs = CASES[case]
    header, rows = table(cli(arguments(kwargs) + ["--trace"]))
    tr = kestrune.trace(**kwargs)
    assert list(tr.dtype.names) == header
    for k, name in enumerate(header):
        cells = [row[k] for row in rows]
        if tr.dtype[name].kind == "U":
            assert tr[name].tolist() == cells
        elif name in ("e", "de"):
            assert np.array_equal(tr[name], np.array(cells, dtype=np.float32))
        else:
            assert same(tr[name], [number(c) for c in cells]), name


def test_sweep_of_three_and_its_shards_equal_the_cli():
    axes = ["kp=0:1:0.25", "err-zero.r=0.1:0.3:0.1", "amp=0.5:1:0.5"]
    csv = cli([a for s in axes for a in ("--sweep", s)])
    header, rows = table(csv)
    s = kestrune.sweep(*axes, threads=2, kd=0.25)
    s_default = kestrune.sweep(*axes)
    assert list(s_default.dtype.names) == header
    for k, name in enumerate(header):
        cells = [row[k] for row in rows]
        if name == "loop":
            assert s_default[name].tolist() == cells
        else:
            assert same(s_default[name], [number(c) for c in cells]), name
    assert not same(s["iae"], s_default["iae"])  # kd took effect
    parts = [kestrune.sweep(*axes, shard=(k, 4)) for k in range(1, 5)]
    joined = np.concatenate(parts)
    assert joined.tobytes() == s_default.tobytes()


def test_tune_gives_the_cli_values():
    rows = table(cli(["--tune", "pid", "--max-overshoot", "2"]))[1]
    best = kestrune.tune("pid", max_overshoot=2)
    assert {name: float(value) for name, value in rows} == best.params
    m = kestrune.metrics(**best.params)
    assert same(m["pid_loop"]["iae"], best.criterion)
    assert best.overshoot <= 2 and best.feasible


def test_surface_equals_the_cli(tmp_path):
    path = tmp_path / "s.csv"
    cli(["--surface", str(path), "--surface-points", "11", "--surface-range", "-1.5,1.5"])
    rows = [line.split(",") for line in path.read_text().splitlines()[1:]]
    e, de, level = kestrune.surface(points=11, range=(-1.5, 1.5))
    assert same(e.ravel(), [float(r[0]) for r in rows])
    assert same(de.ravel(), [float(r[1]) for r in rows])
    assert level.ravel().tolist() == [int(r[2]) for r in rows]


def test_membership_is_the_controllers():
    tr = kestrune.trace(err_zero=(-0.3, 0.4))
    degrees = kestrune.membership("err-zero", (-0.3, 0.4), tr["e"].astype(np.float64))
    assert same(degrees, tr["mu_err_zero"])


@pytest.mark.parametrize("call, names", [
    (lambda: kestrune.run(kp=-1), "--kp: '-1' is out of range"),
    (lambda: kestrune.run(err_neg=(0.5, -1.0)), "--err-neg: L 0.5 is above R -1"),
    (lambda: kestrune.run(time=float("inf")), "--time: 'inf'"),
    (lambda: kestrune.sweep("kp=0:1"), "--sweep: '0:1' is not FROM:TO:STEP"),
    (lambda: kestrune.sweep("kp=0:1:1", shard=(0, 4)), "--shard: '0/4' is out of range"),
    (lambda: kestrune.sweep("kp=0:1:1", shard=(5, 4)), "--shard: '5/4' is out of range"),
    (lambda: kestrune.sweep("kp=0:1:1", shard=(1, 0)), "--shard: '1/0' is out of range"),
    (lambda: kestrune.tune("fuzzy", setpoint=0), "the setpoint is 0"),
])
def test_refused_values_raise_the_cli_message(call, names):
    with pytest.raises(ValueError, match=names.replace("(", r"\(")):
        call()


@pytest.mark.parametrize("call", [
    lambda: kestrune.run(kp="1"),
    lambda: kestrune.run(err_zero=0.1),
    lambda: kestrune.run(output="x.csv"),
    lambda: kestrune.run(kp=True),
])
def test_wrong_types_raise_type_error(call):
    with pytest.raises(TypeError):
        call()


def test_sweep_of_three_across_two_dask_workers_equals_the_cli_shards():
    distributed = pytest.importorskip("distributed")
    import kestrune.distributed

    axes = ["kp=0:1:0.25", "err-zero.r=0.1:0.3:0.1", "amp=0.5:1:0.5"]
    whole = cli([a for s in axes for a in ("--sweep", s)])
    shards = [cli([a for s in axes for a in ("--sweep", s)] + ["--shard", "%d/4" % k])
              for k in range(1, 5)]
    assert "".join(shards) == whole
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        joined = kestrune.distributed.sweep(client, *axes, shards=7)
        default = kestrune.distributed.sweep(client, *axes)
        with pytest.raises(ValueError, match="shards: 0 is out of range"):
            kestrune.distributed.sweep(client, *axes, shards=0)
        with pytest.raises(ValueError, match="--sweep: '0:1' is not FROM:TO:STEP"):
            kestrune.distributed.sweep(client, "kp=0:1")
    assert joined.tobytes() == kestrune.sweep(*axes).tobytes() == default.tobytes()
    header, rows = table(whole)
    assert [row[len(axes)] for row in rows] == joined["loop"].tolist()
    assert same(joined["iae"], [number(row[header.index("iae")]) for row in rows])


@pytest.mark.parametrize("call", [
    lambda: kestrune.sweep("kp=0:10:0.00001", "amp=0.5:1:0.5", threads=2),
    lambda: kestrune.tune("fuzzy", evaluations=100000000, threads=2),
])
def test_ctrl_c_stops_a_long_call_within_a_second(call):
    tasks = len(os.listdir("/proc/self/task"))
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    began = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        call()
    assert time.monotonic() - began < 1.5
    timer.join()
    # No thread of the call is left (one of an earlier test's may have ended).
    assert len(os.listdir("/proc/self/task")) <= tasks


@pytest.mark.parametrize("function", ["run", "metrics", "trace", "sweep", "tune"])
def test_docstrings_describe_every_keyword(function):
    doc = getattr(kestrune, function).__doc__
    for key in ["kp", "err_zero", "pid_limit", "time"]:
        assert "\n    %s -- " % key in doc, key
    assert "Returns " in doc


def test_example_prints_what_the_readme_shows(tmp_path):
    pytest.importorskip("matplotlib")
    root = os.path.join(os.path.dirname(__file__), "..", "..")
    figure = tmp_path / "study.png"
    out = subprocess.run([sys.executable, os.path.join(root, "examples", "amplification_study.py"),
                          str(figure)], check=True, capture_output=True, text=True).stdout
    with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    printed = out.splitlines()
    assert printed[-1] == "wrote %s" % figure
    for line in printed[:-1]:
        assert "    %s\n" % line in readme, line
    assert figure.stat().st_size > 10000


@pytest.mark.parametrize("change", ["row too short", "offset past the row", "loop past the row",
                                    "rows too few", "read-only"])
def test_sweep_into_refuses_an_array_it_would_write_past(change):
    arguments = ["--sweep", "kp=0:1:0.5"]
    names, first, end = kestrune._kestrune.sweep_plan(arguments)
    dtype = kestrune._sweep_dtype(names)
    rows = (end - first) * 3
    offsets = [dtype.fields[name][1] for name in names + kestrune._kestrune.metric_names()]
    loop = dtype.fields["loop"][1]
    array = np.zeros(rows, dtype=dtype)
    if change == "row too short":
        array = np.zeros(rows, dtype=[("kp", np.float64)])
    elif change == "offset past the row":
        offsets[-1] = dtype.itemsize - 4
    elif change == "loop past the row":
        loop = dtype.itemsize - 8
    elif change == "rows too few":
        array = np.zeros(rows - 1, dtype=dtype)
    else:
        array.flags.writeable = False
    with pytest.raises(ValueError, match="sweep_into: the array does not fit the sweep"):
        kestrune._kestrune.sweep_into(arguments, array, offsets, loop, 13)
    assert not array.view(np.uint8).any()
