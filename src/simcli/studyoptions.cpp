#include "studyoptions.h"

#include "csvwriter.h"
#include "messagetext.h"
#include "modelparameter.h"
#include "numberformat.h"
#include "optionparser.h"
#include "parallelrunner.h"
#include "tuner.h"

#include <algorithm>

namespace simcli {

namespace {

constexpr unsigned kMaxThreads = 256;
constexpr double kMaxEvaluations = 1e8;
constexpr double kMaxSeed = 9007199254740991.0; // 2^53 - 1: every whole number up to it is exact
constexpr double kMaxOvershootLimit = 1000.0;
constexpr double kMinTimeLimit = 0.001;
constexpr double kMaxTimeLimit = 1.0e6;
constexpr std::size_t kMaxAxes = kMaxSweepAxes;
constexpr std::size_t kMaxShards = 1'000'000;

const QStringList kCriteria = { QStringLiteral("iae"), QStringLiteral("ise"),
                                QStringLiteral("itae") };
const QStringList kTargets = { QStringLiteral("pid"), QStringLiteral("fuzzy") };

QString parameterNames()
{
    QStringList names;
    for (const ModelParameter *p = ModelParameter::begin(); p != ModelParameter::end(); ++p)
        names << QString::fromUtf8(p->name().data(), static_cast<int>(p->name().size()));
    return names.join(QStringLiteral(", "));
}

QStringList loopNames()
{
    QStringList names;
    for (StepRun::Loop loop : { StepRun::ClosedLoop, StepRun::PidLoop, StepRun::FuzzyLoop })
        names << QLatin1String(loopName(loop));
    return names;
}

// The metric names with the default, iae, first.
QStringList metricChoices()
{
    QStringList names;
    for (const MetricColumn &column : metricColumns())
        names << QLatin1String(column.name);
    names.move(names.indexOf(QStringLiteral("iae")), 0);
    return names;
}

OptionEntry studyOption(const char *name, OptionKind kind, const char *valueName,
                       const char *description, StudyOptions &study)
{
    OptionEntry row;
    row.names = QStringList{ QLatin1String(name) };
    row.kind = kind;
    row.valueName = QLatin1String(valueName);
    row.description = QLatin1String(description);
    const QString shown = QStringLiteral("--") + QLatin1String(name);
    row.apply = [&study, shown](const OptionValue &) {
        if (!study.given.contains(shown))
            study.given << shown;
    };
    return row;
}

// Adds what the option does to the bookkeeping of studyOption's apply.
void thenApply(OptionEntry &row, std::function<void(const OptionValue &)> apply)
{
    auto record = std::move(row.apply);
    row.apply = [record, apply](const OptionValue &value) {
        record(value);
        apply(value);
    };
}

// A Number or Integer option from minimum to maximum that stores its value.
OptionEntry numberOption(const char *name, OptionKind kind, const char *valueName,
                        const char *description, double minimum, double maximum,
                        QString defaultText, StudyOptions &study, std::function<void(double)> store)
{
    OptionEntry row = studyOption(name, kind, valueName, description, study);
    row.minimum = minimum;
    row.maximum = maximum;
    row.defaultText = std::move(defaultText);
    thenApply(row, [store](const OptionValue &value) { store(value.numbers.at(0)); });
    return row;
}

QString axisProblem(const QString &text)
{
    DecimalRange::Error error;
    if (Sweep::parseAxis(text.toStdString(), &error))
        return QString();
    return quoted(QString::fromStdString(error.value)) + QLatin1Char(' ')
            + QString::fromStdString(error.reason);
}

QString pointText(const Sweep &sweep, const SweepProblem &problem)
{
    QStringList parts;
    for (std::size_t a = 0; a < sweep.axes().size(); ++a) {
        const std::string_view name = sweep.axes()[a].parameter->name();
        parts << QString::fromUtf8(name.data(), static_cast<int>(name.size())) + QLatin1Char('=')
                        + formatNumber(problem.values[a]);
    }
    return QStringLiteral("point %1 (%2)")
            .arg(problem.point + 1)
            .arg(parts.join(QStringLiteral(", ")));
}

QString sweepExpects()
{
    return QStringLiteral("NAME=FROM:TO:STEP one to six times, every value in NAME's range, "
                          "L <= R in the error's sets");
}

} // namespace

std::vector<OptionEntry> studyOptionTable(StudyOptions &study)
{
    std::vector<OptionEntry> table;

    OptionEntry sweep = studyOption(
            "sweep", OptionKind::Text, "NAME=FROM:TO:STEP",
            "Run the values FROM, FROM + STEP, ... up to and including TO of one parameter "
            "(exact decimals) and write the metrics of each point instead of the samples; "
            "given up to six times, the grid of all, the first varying slowest (a figure "
            "takes one or two). NAME is one of ",
            study);
    sweep.description += parameterNames() + QStringLiteral(" (a set's L or R)");
    sweep.textExpects = sweepExpects();
    sweep.check = [&study](OptionValue &value) {
        if (study.sweep.size() >= kMaxAxes)
            return QStringLiteral("a seventh parameter; a sweep has one to six");
        return axisProblem(value.text);
    };
    thenApply(sweep, [&study](const OptionValue &value) {
        study.sweep.push_back(*Sweep::parseAxis(value.text.toStdString()));
    });
    table.push_back(std::move(sweep));

    OptionEntry shard = studyOption(
            "shard", OptionKind::Text, "K/N",
            "Run only the K-th of N contiguous slices of the sweep's points, near equal in "
            "size, in the sweep's order; only slice 1 writes the header, so slices 1 to N "
            "written one after another are the whole sweep's bytes (a job array, hosts of a "
            "cluster)",
            study);
    shard.textExpects = QStringLiteral("K/N, whole numbers with 1 <= K <= N <= 1000000");
    shard.check = [](OptionValue &value) {
        const QStringList parts = value.text.split(QLatin1Char('/'));
        bool kOk = false;
        bool nOk = false;
        const qulonglong k = parts.size() == 2 ? parts[0].toULongLong(&kOk) : 0;
        const qulonglong n = parts.size() == 2 ? parts[1].toULongLong(&nOk) : 0;
        if (!kOk || !nOk)
            return quoted(value.text) + QStringLiteral(" is not K/N");
        if (n == 0 || n > kMaxShards || k == 0 || k > n)
            return quoted(value.text) + QStringLiteral(" is out of range");
        value.numbers = { double(k), double(n) };
        return QString();
    };
    shard.needs = { { QStringLiteral("sweep") } };
    shard.excludes = QStringList{ QStringLiteral("plot") };
    thenApply(shard, [&study](const OptionValue &value) {
        study.shard = static_cast<std::size_t>(value.numbers.at(0));
        study.shards = static_cast<std::size_t>(value.numbers.at(1));
    });
    table.push_back(std::move(shard));

    OptionEntry tune = studyOption("tune", OptionKind::Choice, "loop",
                                  "Write, instead of the samples, the values that minimise "
                                  "--criterion for this setpoint and time: the PID gains (pid) "
                                  "or the fuzzy controller's amplification and sets (fuzzy)",
                                  study);
    tune.choices = kTargets;
    thenApply(tune, [&study](const OptionValue &value) {
        study.tune = value.text == kTargets.at(0) ? TuneTarget::Pid : TuneTarget::Fuzzy;
    });
    table.push_back(std::move(tune));

    OptionEntry criterion = studyOption("criterion", OptionKind::Choice, "name",
                                       "what the search minimises (iae and ise as in "
                                       "--metrics, itae the sum of t_k * |e_k| * 0.2)",
                                       study);
    criterion.needs = { { QStringLiteral("tune") } };
    criterion.choices = kCriteria;
    criterion.defaultText = kCriteria.at(0);
    thenApply(criterion, [&study](const OptionValue &value) {
        const TuneCriterion criteria[] = { TuneCriterion::Iae, TuneCriterion::Ise,
                                           TuneCriterion::Itae };
        study.criterion = criteria[kCriteria.indexOf(value.text)];
    });
    table.push_back(std::move(criterion));

    table.push_back(numberOption(
            "max-overshoot", OptionKind::Number, "percent",
            "the most overshoot the tuned loop may have, in percent of the setpoint",
            0.0, kMaxOvershootLimit, QString(), study,
            [&study](double v) { study.maxOvershoot = v; }));
    table.push_back(numberOption(
            "evaluations", OptionKind::Integer, "count",
            "how many runs of the loop the search may take",
            double(Tuner::kMinEvaluations), kMaxEvaluations,
            QStringLiteral("%1 for pid, %2 for fuzzy")
                    .arg(Tuner::defaultEvaluations(TuneTarget::Pid))
                    .arg(Tuner::defaultEvaluations(TuneTarget::Fuzzy)),
            study, [&study](double v) { study.evaluations = static_cast<std::size_t>(v); }));
    table.push_back(numberOption(
            "seed", OptionKind::Integer, "number",
            "the seed of the search's random draws; the same inputs and seed give "
            "the same result",
            0.0, kMaxSeed, QString::number(TuneSettings().seed), study,
            [&study](double v) { study.seed = static_cast<std::uint64_t>(v); }));
    table.push_back(numberOption(
            "time-limit", OptionKind::Number, "seconds",
            "the most time the search may take: when it is up the tune ends with the best "
            "values found so far and says so (the result then depends on the machine's speed)",
            kMinTimeLimit, kMaxTimeLimit, QString(), study,
            [&study](double v) { study.timeLimit = v; }));
    // max-overshoot, evaluations, seed, time-limit
    for (std::size_t i = table.size() - 4; i < table.size(); ++i)
        table[i].needs = { { QStringLiteral("tune") } };
    table.push_back(numberOption(
            "threads", OptionKind::Integer, "count",
            "Threads for --sweep and --tune; the output is the same for any number", 1.0,
            kMaxThreads, QStringLiteral("one per core"), study,
            [&study](double v) { study.threads = static_cast<unsigned>(v); }));

    OptionEntry metric = studyOption("plot-metric", OptionKind::Choice, "name",
                                    "the metric the figure shows", study);
    metric.needs = { { QStringLiteral("plot") }, { QStringLiteral("sweep") } };
    metric.choices = metricChoices();
    metric.defaultText = metric.choices.at(0);
    thenApply(metric, [&study](const OptionValue &value) {
        const auto &columns = metricColumns();
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const MetricColumn &c) {
            return value.text == QLatin1String(c.name);
        });
        study.plotMetric = static_cast<int>(found - columns.begin());
    });
    table.push_back(std::move(metric));

    OptionEntry loop = studyOption("plot-loop", OptionKind::Choice, "name",
                                  "the loop whose metric the map of a grid shows", study);
    loop.needs = { { QStringLiteral("plot") }, { QStringLiteral("sweep"), 2 } };
    loop.choices = loopNames();
    loop.defaultText = QStringLiteral("pid_loop for a grid of PID gains, else fuzzy_control");
    thenApply(loop, [&study](const OptionValue &value) {
        study.plotLoop = static_cast<StepRun::Loop>(loopNames().indexOf(value.text));
    });
    table.push_back(std::move(loop));
    return table;
}

TuneSettings tuneSettings(const StudyOptions &study)
{
    TuneSettings settings;
    settings.target = study.tune.value_or(TuneTarget::Pid);
    settings.criterion = study.criterion;
    settings.maxOvershoot = study.maxOvershoot;
    settings.evaluations = study.evaluations;
    settings.seed = study.seed;
    settings.timeLimitSeconds = study.timeLimit;
    return settings;
}

StepRun::Loop defaultPlotLoop(const std::vector<SweepAxis> &sweep)
{
    bool gain = false;
    bool fuzzy = false;
    for (const SweepAxis &axis : sweep) {
        switch (axis.parameter->field()) {
        case ModelParameter::Field::Kp:
        case ModelParameter::Field::Ki:
        case ModelParameter::Field::Kd:
            gain = true;
            break;
        case ModelParameter::Field::Amplification:
        case ModelParameter::Field::Bound:
            fuzzy = true;
            break;
        case ModelParameter::Field::SetPoint:
        case ModelParameter::Field::Time:
            break;
        }
    }
    return gain && !fuzzy ? StepRun::PidLoop : StepRun::FuzzyLoop;
}

QString finishStudyOptions(StudyOptions &study, const StepParameters &params)
{
    const bool sweeping = !study.sweep.empty();
    const bool tuning = study.tune.has_value();
    if (!study.given.contains(QStringLiteral("--plot-loop")))
        study.plotLoop = defaultPlotLoop(study.sweep);

    if (sweeping) {
        const Sweep sweep(params, study.sweep);
        if (const std::optional<SweepProblem> problem = sweep.validate()) {
            const QString reason = QString::fromStdString(problem->reason);
            return errorLine(QStringLiteral("--sweep"),
                             problem->wholeSweep
                                     ? reason
                                     : pointText(sweep, *problem) + QStringLiteral(": ") + reason,
                             sweepExpects());
        }
    }
    if (tuning) {
        if (const std::optional<std::string> problem = Tuner::check(params, tuneSettings(study)))
            return errorLine(QStringLiteral("--tune"), QString::fromStdString(*problem), QString());
    }
    return QString();
}

} // namespace simcli
