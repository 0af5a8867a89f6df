#pragma once

#include "decimalrange.h"
#include "metrics.h"
#include "stepparameters.h"
#include "steprun.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ModelParameter;

// One swept parameter and its values.
struct SweepAxis {
    const ModelParameter *parameter = nullptr;
    DecimalRange range;
};

// The most parameters a sweep takes.
constexpr std::size_t kMaxSweepAxes = 6;

// The swept values of one point, in axis order (those past the axes unused).
using SweepValues = std::array<double, kMaxSweepAxes>;

// The metrics of one loop at one point of a sweep.
struct SweepRecord {
    SweepValues values{};
    StepRun::Loop loop = StepRun::ClosedLoop;
    LoopMetrics metrics;
};

// Why a sweep cannot run: the first point in sweep order that breaks a rule.
struct SweepProblem {
    std::size_t point = 0;
    SweepValues values{};
    std::string reason; // e.g. "kp 1000.5 is above its maximum 1000"
    // The sweep as a whole is wrong (a parameter swept twice, a grid too
    // large), not the point above.
    bool wholeSweep = false;
};

// A parameter study: the step run over one range of a parameter, or over the
// grid of up to six (the first varies slowest, the last fastest), every other
// parameter as in the base. Each point is one StepRun::run and the metrics of
// its three loops. A slice of the points (a shard of a sweep cut into N near
// equal, contiguous parts) runs alone, in the order of the whole sweep.
class Sweep
{
public:
    // Pieces of work done so far and in all; see ParallelRunner.
    using Progress = std::function<void(std::size_t pointsDone, std::size_t points)>;
    // Records of the points [firstPoint, firstPoint + records.size() / 3), in
    // order, three per point (closed, PID, fuzzy).
    using Sink = std::function<void(std::size_t firstPoint, const std::vector<SweepRecord> &records)>;
    // Work on the points [begin, end), called on any of the threads.
    using PointWork = std::function<void(std::size_t begin, std::size_t end)>;
    // The block [firstPoint, firstPoint + count) is done; called on the
    // calling thread. False stops the sweep after this block.
    using BlockDone = std::function<bool(std::size_t firstPoint, std::size_t count)>;

    // Points of a whole grid; a grid this large is meant to be run in
    // shards, each streamed.
    static constexpr std::size_t kMaxPoints = 1'000'000'000'000'000;
    // Points computed between two calls of a sink, which bounds the memory a
    // long sweep holds at once.
    static constexpr std::size_t kBlockPoints = 65536;
    // Points a thread takes at a time; PointWork gets whole chunks, each
    // starting at a multiple of kChunkPoints, but the last of the sweep.
    static constexpr std::size_t kChunkPoints = 256;

    // "NAME=FROM:TO:STEP", NAME one of the ModelParameter names.
    static std::optional<SweepAxis> parseAxis(std::string_view text,
                                              DecimalRange::Error *error = nullptr);

    // One to kMaxSweepAxes axes (more are ignored).
    Sweep(const StepParameters &base, std::vector<SweepAxis> axes);

    const std::vector<SweepAxis> &axes() const { return m_axes; }
    std::size_t pointCount() const { return m_points; }
    SweepValues values(std::size_t point) const;

    // The points [first, end) of shard k (1-based) of n: n contiguous
    // slices whose sizes differ by one at most, the larger first.
    static std::array<std::size_t, 2> shard(std::size_t points, std::size_t k, std::size_t n);
    StepParameters parameters(std::size_t point) const;

    // The first point that a spin box would not take or that puts an error
    // set's L above its R (compared as doubles, before the rounding to
    // float); also a parameter swept twice, or a grid over kMaxPoints. It
    // looks at each axis's values (and each pair of a set's swept bounds),
    // not at every point of the grid.
    std::optional<SweepProblem> validate() const;

    // Runs every point on `threads` threads (0: all cores) and hands the
    // records to sink block by block, in point order. The records are the
    // same for any number of threads. Call validate() first.
    void run(const Sink &sink, unsigned threads = 0, const Progress &progress = {}) const;

    // The same in the caller's terms: work over every point on the threads,
    // block by block, and done after each block. Whatever work computes
    // for a point must depend on that point alone.
    // Only the points [first, end), where given (a shard).
    void runBlocks(const PointWork &work, const BlockDone &done, unsigned threads = 0,
                   const Progress &progress = {}, std::size_t first = 0,
                   std::size_t end = std::size_t(-1)) const;

    // All records at once: three per point, in point order.
    std::vector<SweepRecord> runAll(unsigned threads = 0, const Progress &progress = {}) const;

    // The records of one point, as run() computes them.
    void evaluate(std::size_t point, SweepRecord *records) const;

private:
    StepParameters m_base;
    std::vector<SweepAxis> m_axes;
    std::vector<std::size_t> m_strides; // points between two values of each axis
    std::size_t m_points = 0;
};
