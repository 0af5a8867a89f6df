#pragma once

#include "steprun.h"
#include "sweep.h"
#include "tuneobjective.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct StepParameters;
struct TuneSettings;

namespace simcli {

struct OptionEntry;

// What the options of parameter studies ask for: a sweep over one or two
// parameters (--sweep), or the tuning of one loop (--tune) with its
// criterion, overshoot limit, budget and seed; the threads both use; and the
// metric and loop that a sweep's figure would show.
struct StudyOptions {
    std::vector<SweepAxis> sweep; // in the order given; the first varies slowest
    std::size_t shard = 1;        // --shard K/N: the K-th of N slices of the sweep
    std::size_t shards = 1;
    std::optional<TuneTarget> tune;
    TuneCriterion criterion = TuneCriterion::Iae;
    std::optional<double> maxOvershoot; // percent
    std::size_t evaluations = 0;        // 0: the tuner's default for the loop
    std::uint64_t seed = 1;
    std::optional<double> timeLimit; // seconds; none: the budget alone ends a tune
    unsigned threads = 0; // 0: one per core
    int plotMetric = 7;   // index into metricColumns(): iae
    StepRun::Loop plotLoop = StepRun::FuzzyLoop;
    QStringList given; // the study options on the command line, as --name
};

// The options --sweep, --tune, --criterion, --max-overshoot, --evaluations,
// --seed, --threads, --plot-metric and --plot-loop, in the order --help
// lists them, each writing into study.
std::vector<OptionEntry> studyOptionTable(StudyOptions &study);

// What is wrong with the study options once the whole command line is read,
// as the one-line message, or empty: options that need --tune or a sweep, a
// sweep point that a box would not take or that puts an error set's L above
// its R (the first in sweep order), a run too short to tune. plotting: a
// figure is asked for. Sets the defaults that depend on the other options.
QString finishStudyOptions(StudyOptions &study, const StepParameters &params);

// The tuner's settings that the options give (no progress, no threads).
TuneSettings tuneSettings(const StudyOptions &study);

// The loop a grid's map shows by default: the PID loop when the grid sweeps
// a PID gain and no parameter of the fuzzy controller, the fuzzy loop
// otherwise.
StepRun::Loop defaultPlotLoop(const std::vector<SweepAxis> &sweep);

} // namespace simcli
