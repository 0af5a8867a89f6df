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

// The metrics of one loop at one point of a sweep.
struct SweepRecord {
    std::array<double, 2> values{}; // the swept values, in axis order (second unused for one axis)
    StepRun::Loop loop = StepRun::ClosedLoop;
    LoopMetrics metrics;
};

// Why a sweep cannot run: the first point in sweep order that breaks a rule.
struct SweepProblem {
    std::size_t point = 0;
    std::array<double, 2> values{};
    std::string reason; // e.g. "kp 1000.5 is above its maximum 1000"
    // The sweep as a whole is wrong (a parameter swept twice, a grid too
    // large), not the point above.
    bool wholeSweep = false;
};

// A parameter study: the step run over one range of a parameter, or over the
// grid of two (the first varies slowest), every other parameter as in the
// base. Each point is one StepRun::run and the metrics of its three loops.
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

    static constexpr std::size_t kMaxPoints = DecimalRange::kMaxPoints;
    // Points computed between two calls of a sink, which bounds the memory a
    // long sweep holds at once.
    static constexpr std::size_t kBlockPoints = 65536;
    // Points a thread takes at a time; PointWork gets whole chunks, each
    // starting at a multiple of kChunkPoints, but the last of the sweep.
    static constexpr std::size_t kChunkPoints = 256;

    // "NAME=FROM:TO:STEP", NAME one of the ModelParameter names.
    static std::optional<SweepAxis> parseAxis(std::string_view text,
                                              DecimalRange::Error *error = nullptr);

    // One or two axes (more are ignored).
    Sweep(const StepParameters &base, std::vector<SweepAxis> axes);

    const std::vector<SweepAxis> &axes() const { return m_axes; }
    std::size_t pointCount() const { return m_points; }
    std::array<double, 2> values(std::size_t point) const;
    StepParameters parameters(std::size_t point) const;

    // The first point that a spin box would not take or that puts an error
    // set's L above its R (compared as doubles, before the rounding to
    // float); also a parameter swept twice, or a grid over kMaxPoints.
    std::optional<SweepProblem> validate() const;

    // Runs every point on `threads` threads (0: all cores) and hands the
    // records to sink block by block, in point order. The records are the
    // same for any number of threads. Call validate() first.
    void run(const Sink &sink, unsigned threads = 0, const Progress &progress = {}) const;

    // The same in the caller's terms: work over every point on the threads,
    // block by block, and done after each block. Whatever work computes
    // for a point must depend on that point alone.
    void runBlocks(const PointWork &work, const BlockDone &done, unsigned threads = 0,
                   const Progress &progress = {}) const;

    // All records at once: three per point, in point order.
    std::vector<SweepRecord> runAll(unsigned threads = 0, const Progress &progress = {}) const;

    // The records of one point, as run() computes them.
    void evaluate(std::size_t point, SweepRecord *records) const;

private:
    StepParameters m_base;
    std::vector<SweepAxis> m_axes;
    std::size_t m_points = 0;
};
