"""A kestrune sweep cut into shards and run on a Dask cluster.

Every worker needs the kestrune package importable (installed, or on its
PYTHONPATH); the client only needs it to check the sweep and to join the
results. Each shard is kestrune.sweep(..., shard=(K, N)) run on a worker, so
the rows and their bits are the ones kestrune.sweep and kestrune-sim give.
"""

import numbers

import numpy as np
from distributed import as_completed

import kestrune

__all__ = ["sweep"]

# Shards per worker by default: enough to even out workers of unequal speed,
# few enough that each shard is worth sending.
_SHARDS_PER_WORKER = 4
# Points per shard at most by default (about 22 MB of rows, a fifth of a
# second on one core): the client copies each shard as it arrives while the
# others run, and the last one's transfer is all that is left at the end.
_POINTS_PER_SHARD = 50000
_MAX_SHARDS = 1000000


def _worker_threads():
    """The threads the worker running this task was given."""
    try:
        from distributed import get_worker

        worker = get_worker()
        state = getattr(worker, "state", worker)
        return max(1, int(state.nthreads))
    except (ImportError, ValueError):
        return None


def _run_shard(k, n, axes, threads, fixed):
    if threads is None:
        threads = _worker_threads()
    return kestrune.sweep(*axes, threads=threads, shard=(k, n), **fixed)


def sweep(client, *axes, shards=None, threads=None, **fixed):
    """The sweep of kestrune.sweep(*axes, **fixed) run on the cluster of a
    dask.distributed client: cut into `shards` contiguous slices (default
    four per worker, or more so that none has over 50,000 points; at most
    one per point), each run on a worker with `threads` threads (default the
    threads the worker was started with), joined in the sweep's order.
    Returns the same structured array as kestrune.sweep, bit for bit. A bad
    axis or value raises ValueError here, before anything is sent. Ctrl-C
    cancels the shards that have not started; one already running finishes
    on its worker and its rows are dropped."""
    # Checked here, as every shard would check it, before anything is sent.
    points = kestrune._kestrune.sweep_points(kestrune._sweep_arguments(axes, threads, None, fixed))
    if shards is None:
        workers = len(client.scheduler_info()["workers"])
        shards = max(_SHARDS_PER_WORKER * max(1, workers), -(-points // _POINTS_PER_SHARD))
        shards = max(1, min(points, shards, _MAX_SHARDS))
    if isinstance(shards, bool) or not isinstance(shards, numbers.Integral):
        raise TypeError("shards: expects a whole number, not %s" % type(shards).__name__)
    if not 1 <= shards <= _MAX_SHARDS:
        raise ValueError("shards: %d is out of range; expects a whole number from 1 to %d"
                         % (shards, _MAX_SHARDS))
    futures = client.map(_run_shard, range(1, int(shards) + 1), n=int(shards), axes=list(axes),
                         threads=threads, fixed=fixed, pure=False)
    shard_of = {future.key: k for k, future in enumerate(futures, 1)}
    # Each shard is copied into its place as it arrives and then released, so
    # that transfers overlap the shards still running and the client holds
    # the result and one shard at a time.
    array = None
    try:
        for future, part in as_completed(futures, with_results=True):
            first, end = kestrune._kestrune.shard(points, shard_of[future.key], int(shards))
            if array is None:
                array = np.empty(points * 3, dtype=part.dtype)
                # Copied as bytes: numpy copies a structured array field by
                # field, several times slower.
                into = array.view(np.uint8)
            size = array.itemsize * 3
            into[first * size:end * size] = np.ascontiguousarray(part).view(np.uint8)
            del part
            future.release()
    except BaseException:
        client.cancel(futures)
        raise
    return array
