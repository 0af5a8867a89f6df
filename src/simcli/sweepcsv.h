#pragma once

class QIODevice;
class Sweep;
class SweepSeries;

namespace simcli {

class ProgressLine;

// Runs a sweep and writes it as CSV: the header names the swept parameters
// in their order, then loop and the metric columns of --metrics; each point
// gives three rows (closed_loop, pid_loop, fuzzy_control) with the swept
// values, the loop's name and its metrics, each number and n/a as --metrics
// writes it. Lines end in '\n'.
//
// The rows are made on `threads` threads (0: all cores), the same for any
// number, and written block by block as the sweep goes, so that a long sweep
// is never held whole. False as soon as a write to out fails; the sweep
// stops there. progress may be null. series, if given, gets the metric of
// every point as the sweep goes, for the sweep's figure.
bool writeSweepCsv(const Sweep &sweep, unsigned threads, QIODevice &out, ProgressLine *progress,
                   SweepSeries *series = nullptr);

} // namespace simcli
