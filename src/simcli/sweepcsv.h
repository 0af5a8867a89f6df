#pragma once

#include <cstddef>
#include <functional>

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
//
// shard k of n (1-based) writes the k-th of n contiguous slices of the points
// (Sweep::shard), and only the first of them the header, so that the slices
// written one after another are the whole sweep's bytes.
//
// interrupted, if given, is asked from every thread between chunks of
// points; once it says true the sweep stops without writing the block it
// was in.
bool writeSweepCsv(const Sweep &sweep, unsigned threads, QIODevice &out, ProgressLine *progress,
                   SweepSeries *series = nullptr, std::size_t shard = 1, std::size_t shards = 1,
                   const std::function<bool()> &interrupted = {});

} // namespace simcli
