#include "simcli.h"

#include "csvwriter.h"
#include "messagetext.h"
#include "optionparser.h"
#include "options.h"
#include "outputtarget.h"
#include "progressline.h"
#include "steprun.h"
#include "sweep.h"
#include "sweepcsv.h"
#include "trace.h"
#include "tunecsv.h"
#include "tuner.h"

#include <QBuffer>
#include <QFileDevice>

#include <memory>

namespace simcli {

namespace {

ProgramOutput badInput(const QString &message)
{
    ProgramOutput result;
    result.exitCode = ExitBadInput;
    result.err = message.toUtf8() + '\n';
    return result;
}

QString render(const CliOptions &options)
{
    switch (options.output) {
    case OutputKind::Metrics:
        return metricsCsv(options.params.setPoint, StepRun::run(options.params));
    case OutputKind::Trace:
        return traceCsv(options.params);
    case OutputKind::Samples:
    case OutputKind::Sweep:
    case OutputKind::Tune:
        break;
    }
    return samplesCsv(StepRun::run(options.params));
}

std::unique_ptr<ProgressLine> progressLine(const ProgramIo &io, const char *what, const char *unit)
{
    if (!io.progress)
        return nullptr;
    return std::make_unique<ProgressLine>(io.progress, QLatin1String(what), QLatin1String(unit));
}

// Runs the tuner and writes its values; the summary goes to err.
void writeTune(const CliOptions &options, QIODevice &out, const ProgramIo &io,
               ProgramOutput &result)
{
    TuneSettings settings = tuneSettings(options.study);
    settings.threads = options.study.threads;
    TuneResult tuned;
    {
        const std::unique_ptr<ProgressLine> progress = progressLine(io, "--tune", "evaluations");
        if (progress) {
            settings.progress = [&progress](std::size_t used, std::size_t budget) {
                progress->update(used, budget);
            };
        }
        tuned = Tuner::tune(options.params, settings);
    }
    out.write(tuneCsv(tuned).toUtf8());
    result.err = tuneSummary(tuned, settings).toUtf8() + '\n';
    if (!tuned.feasible)
        result.exitCode = ExitLimitNotMet;
}

// Writes the run's output into out.
void writeRun(const CliOptions &options, QIODevice &out, const ProgramIo &io,
              ProgramOutput &result)
{
    switch (options.output) {
    case OutputKind::Sweep: {
        const std::unique_ptr<ProgressLine> progress = progressLine(io, "--sweep", "points");
        writeSweepCsv(Sweep(options.params, options.study.sweep), options.study.threads, out,
                      progress.get());
        return;
    }
    case OutputKind::Tune:
        writeTune(options, out, io, result);
        return;
    case OutputKind::Samples:
    case OutputKind::Metrics:
    case OutputKind::Trace:
        break;
    }
    out.write(render(options).toUtf8());
}

void outputFailed(ProgramOutput &result, const QString &line)
{
    result.exitCode = ExitOutputFailed;
    result.err += line.toUtf8() + '\n';
}

} // namespace

ProgramOutput runProgram(const QStringList &arguments, const ProgramIo &io)
{
    const ParseResult parsed = parseArguments(arguments);
    if (parsed.status == ParseResult::Error)
        return badInput(parsed.text);

    QByteArray collected;
    QBuffer buffer(&collected);
    QIODevice *out = io.standardOutput;
    if (!out) {
        buffer.open(QIODevice::WriteOnly);
        out = &buffer;
    }
    const QString &path = parsed.options.outputPath;
    std::unique_ptr<OutputTarget> target;
    if (parsed.status == ParseResult::Run && !path.isEmpty() && path != QLatin1String("-")) {
        target = std::make_unique<OutputTarget>(path);
        if (!target->open()) {
            return badInput(errorLine(QStringLiteral("--output"),
                                      QStringLiteral("cannot open %1 (%2)")
                                              .arg(quoted(path), target->errorString()),
                                      pathExpectation()));
        }
        out = target->device();
    }

    ProgramOutput result;
    if (parsed.status == ParseResult::Run)
        writeRun(parsed.options, *out, io, result);
    else
        out->write(parsed.text.toUtf8() + '\n');

    if (target) {
        if (!target->commit()) {
            outputFailed(result, errorLine(QStringLiteral("--output"),
                                           QStringLiteral("writing %1 failed (%2)")
                                                   .arg(quoted(path), target->errorString()),
                                           QString()));
        }
    } else if (io.standardOutput && io.standardOutput->error() != QFileDevice::NoError) {
        outputFailed(result, errorLine(QStringLiteral("cannot write to standard output (%1)")
                                               .arg(io.standardOutput->errorString()),
                                       QString(), QString()));
    }
    result.out = collected;
    return result;
}

} // namespace simcli
