"""How the fuzzy loop's IAE depends on its amplification and the width of
its error set Zero, and how its best response compares with a tuned PID loop.

    PYTHONPATH=build/python python3 examples/amplification_study.py [FIGURE.png]

Sweeps amp over 0.1 to 2 and the right bound of the error set Zero over
0.02 to 1 (its left bound mirrored), 96 x 50 runs at the default T = 20 s and
setpoint 1; draws the IAE as a map, marks the best point, and plots that
point's response beside the PID loop tuned for IAE. Prints what it found.
"""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import kestrune  # noqa: E402


def main(figure):
    amps = "amp=0.1:2:0.02"
    widths = "err-zero.r=0.02:1:0.02"
    # err-zero.l stays at its default -0.1; the map is of the right bound.
    s = kestrune.sweep(amps, widths, threads=2)
    fuzzy = s[s["loop"] == "fuzzy_control"]
    amp = np.unique(fuzzy["amp"])
    width = np.unique(fuzzy["err-zero.r"])
    # The first axis varies slowest: rows are amplifications, columns widths.
    iae = fuzzy["iae"].reshape(len(amp), len(width))
    best = np.nanargmin(fuzzy["iae"])
    best_amp, best_width = fuzzy["amp"][best], fuzzy["err-zero.r"][best]

    pid = kestrune.tune("pid")
    fuzzy_run = kestrune.run(amp=best_amp, err_zero=(-0.1, best_width))
    pid_run = kestrune.run(**pid.params)

    print("best fuzzy point: amp %g, err-zero (-0.1, %g), IAE %.4f, overshoot %.2f %%"
          % (best_amp, best_width, fuzzy["iae"][best], fuzzy["overshoot_percent"][best]))
    print("tuned PID loop: %s, IAE %.4f" % (pid.params, pid.criterion))

    fig, (left, right) = plt.subplots(1, 2, figsize=(11, 4.2), constrained_layout=True)
    image = left.pcolormesh(width, amp, iae, shading="nearest", cmap="viridis")
    fig.colorbar(image, ax=left, label="IAE of the fuzzy loop")
    left.plot(best_width, best_amp, "r+", markersize=12, markeredgewidth=2,
              label="lowest IAE %.3f" % fuzzy["iae"][best])
    left.set_xlabel("right bound R of the error set Zero (L = -0.1)")
    left.set_ylabel("amplification amp")
    left.set_title("Fuzzy loop, T = 20 s, setpoint 1")
    left.legend(loc="upper right")

    right.plot(fuzzy_run.t, fuzzy_run.fuzzy_control, color="tab:red",
               label="fuzzy loop, amp %g, Zero (-0.1, %g)" % (best_amp, best_width))
    right.plot(pid_run.t, pid_run.pid_loop, color="tab:blue",
               label="PID loop tuned for IAE (IAE %.3f)" % pid.criterion)
    right.axhline(1.0, color="grey", linewidth=0.8, linestyle="--")
    right.set_xlabel("t (s)")
    right.set_ylabel("plant output")
    right.set_title("Step responses")
    right.legend(loc="lower right")
    fig.savefig(figure, dpi=96)
    print("wrote", figure)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "amplification_study.png")
