#include "simcli.h"

#include "csvwriter.h"
#include "descriptordevice.h"
#include "decisionsurface.h"
#include "figuredrawer.h"
#include "figureformat.h"
#include "messagetext.h"
#include "optionparser.h"
#include "options.h"
#include "outputtarget.h"
#include "progressline.h"
#include "steprun.h"
#include "surfacecsv.h"
#include "sweep.h"
#include "sweepcsv.h"
#include "sweepseries.h"
#include "trace.h"
#include "tunecsv.h"
#include "tuner.h"
#include "yaxisnote.h"

#include <QBuffer>
#include <QFileInfo>
#include <QIODevice>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace simcli {

namespace {

ProgramOutput badInput(const QString &message)
{
    ProgramOutput result;
    result.exitCode = ExitBadInput;
    result.err = message.toUtf8() + '\n';
    return result;
}

QString render(const CliOptions &options, const StepRun::Result &result)
{
    switch (options.output) {
    case OutputKind::Metrics:
        return metricsCsv(options.params.setPoint, result);
    case OutputKind::Trace:
        return traceCsv(options.params);
    case OutputKind::Samples:
    case OutputKind::Sweep:
    case OutputKind::Tune:
        break;
    }
    return samplesCsv(result);
}

std::unique_ptr<ProgressLine> progressLine(const ProgramIo &io, const char *what, const char *unit)
{
    if (!io.progress)
        return nullptr;
    return std::make_unique<ProgressLine>(io.progress, QLatin1String(what), QLatin1String(unit));
}

// One run of the command line: its options, the streams and what it has to
// say, and what is computed once for every output that needs it: the tune
// for its values and its figure, the sweep for its CSV and its figure.
struct Run {
    const CliOptions &options;
    const ProgramIo &io;
    ProgramOutput &result;
    std::optional<TuneResult> tuned;
    TuneSettings tuneSettings;
    std::unique_ptr<Sweep> sweep;
    std::unique_ptr<SweepSeries> series; // for the sweep's figure, if one is drawn
    std::optional<StepRun::Result> step;  // the step run, for its CSV and its figure

    const TuneResult &tune();
    const StepRun::Result &stepResult();
};

const StepRun::Result &Run::stepResult()
{
    if (!step)
        step = StepRun::run(options.params);
    return *step;
}

// Runs the tuner on first use; the summary goes to err.
const TuneResult &Run::tune()
{
    if (tuned)
        return *tuned;
    tuneSettings = simcli::tuneSettings(options.study);
    tuneSettings.threads = options.study.threads;
    tuneSettings.interrupted = io.interrupted;
    {
        const std::unique_ptr<ProgressLine> progress = progressLine(io, "--tune", "evaluations");
        if (progress) {
            tuneSettings.progress = [&progress](std::size_t used, std::size_t budget) {
                progress->update(used, budget);
            };
        }
        tuned = Tuner::tune(options.params, tuneSettings);
        tuneSettings.progress = nullptr;
    }
    result.err = tuneSummary(*tuned, tuneSettings).toUtf8() + '\n';
    if (!tuned->feasible)
        result.exitCode = ExitLimitNotMet;
    return *tuned;
}

// Writes the run's output into out.
void writeRun(Run &run, QIODevice &out)
{
    const CliOptions &options = run.options;
    switch (options.output) {
    case OutputKind::Sweep: {
        const std::unique_ptr<ProgressLine> progress = progressLine(run.io, "--sweep", "points");
        writeSweepCsv(*run.sweep, options.study.threads, out, progress.get(), run.series.get(),
                      options.study.shard, options.study.shards, run.io.interrupted);
        return;
    }
    case OutputKind::Tune:
        out.write(tuneCsv(run.tune()).toUtf8());
        return;
    case OutputKind::Samples:
    case OutputKind::Metrics:
    case OutputKind::Trace:
        break;
    }
    out.write(render(options, run.stepResult()).toUtf8());
}

void outputFailed(ProgramOutput &result, const QString &line)
{
    result.exitCode = ExitOutputFailed;
    result.err += line.toUtf8() + '\n';
}

// Where the run's CSV goes: nowhere (figures alone), standard output or -o.
enum class CsvTarget { None, StandardOutput, File };

CsvTarget writesCsvTo(const CliOptions &options)
{
    if (!options.writesCsv)
        return CsvTarget::None;
    const QString &path = options.outputPath;
    return path.isEmpty() || path == QLatin1String("-") ? CsvTarget::StandardOutput
                                                         : CsvTarget::File;
}

// One file that the command line names, with the option that names it and
// what writes it.
struct FileOutput {
    QString option;
    QString path;
    QString expected; // for the message when it cannot be opened
    std::function<bool(QIODevice &, QString &error)> write;
};

// A figure file: its format by its extension, drawn by draw.
FileOutput figureOutput(const QString &option, const QString &path,
                        std::function<bool(FigureFormat::Format, QIODevice &, QString &)> draw)
{
    FigureFormat::Format format = FigureFormat::Png;
    FigureFormat::formatOf(path, format);
    return { option, path, QStringLiteral("a file path to write"),
             [format, draw = std::move(draw)](QIODevice &device, QString &error) {
                 return draw(format, device, error);
             } };
}

// The files to write, in the order of the options' help. Figures need
// run.io.figures.
std::vector<FileOutput> fileOutputs(Run &run)
{
    const CliOptions &options = run.options;
    const FigureDrawer *drawer = run.io.figures;
    std::vector<FileOutput> files;
    if (writesCsvTo(options) == CsvTarget::File) {
        files.push_back({ QStringLiteral("--output"), options.outputPath, pathExpectation(),
                          [&run](QIODevice &device, QString &) {
                              writeRun(run, device);
                              return true;
                          } });
    }
    const FigureOptions &figures = options.figures;
    if (!figures.plotPath.isEmpty()) {
        // --plot draws what the run is about: the responses, a sweep, a tune.
        files.push_back(figureOutput(
                QStringLiteral("--plot"), figures.plotPath,
                [&run, drawer](FigureFormat::Format format, QIODevice &device, QString &error) {
                    switch (run.options.output) {
                    case OutputKind::Tune:
                        return drawer->tune(run.options, run.tune(), format, device, error);
                    case OutputKind::Sweep:
                        // Drawn from what the sweep's CSV gathered; the CSV comes first.
                        return drawer->sweep(run.options, *run.sweep, *run.series, format,
                                             device, error);
                    case OutputKind::Samples:
                    case OutputKind::Metrics:
                    case OutputKind::Trace:
                        break;
                    }
                    std::array<double, 2> yAxis{};
                    if (!drawer->results(run.options, run.stepResult(), format, device, error,
                                         yAxis))
                        return false;
                    const QString note = beyondAxisNote(run.stepResult(),
                                                        run.options.figures.loops, yAxis);
                    if (!note.isEmpty())
                        run.result.err += note.toUtf8() + '\n';
                    return true;
                }));
    }
    if (!figures.membershipPath.isEmpty()) {
        files.push_back(figureOutput(
                QStringLiteral("--plot-membership"), figures.membershipPath,
                [&options, drawer](FigureFormat::Format format, QIODevice &device,
                                   QString &error) {
                    return drawer->membership(options, format, device, error);
                }));
    }
    if (!figures.surfacePath.isEmpty()) {
        FigureFormat::Format image;
        if (FigureFormat::formatOf(figures.surfacePath, image)) {
            files.push_back(figureOutput(
                    QStringLiteral("--surface"), figures.surfacePath,
                    [&options, drawer](FigureFormat::Format format, QIODevice &device,
                                       QString &error) {
                        return drawer->surface(options, format, device, error);
                    }));
        } else {
            files.push_back({ QStringLiteral("--surface"), figures.surfacePath,
                              QStringLiteral("a file path to write"),
                              [&options](QIODevice &device, QString &) {
                                  return writeSurfaceCsv(decisionSurface(options), device);
                              } });
        }
    }
    return files;
}

// The option of the first figure that the command line asks for, for the
// message of a build without figures.
QString firstFigureOption(const FigureOptions &figures)
{
    if (!figures.plotPath.isEmpty())
        return QStringLiteral("--plot");
    if (!figures.membershipPath.isEmpty())
        return QStringLiteral("--plot-membership");
    return QStringLiteral("--surface");
}

// What a path names, so that two spellings of one file compare equal.
QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

bool interrupted(const ProgramIo &io)
{
    return io.interrupted && io.interrupted();
}

ProgramOutput interruptedOutput()
{
    ProgramOutput result;
    result.exitCode = ExitInterrupted;
    result.err = errorLine(QStringLiteral("interrupted"), QString(), QString()).toUtf8() + '\n';
    return result;
}

// Flushes standard output; false, with the line that says so, when any of
// it did not go through.
bool standardOutputWritten(const ProgramIo &io, ProgramOutput &result)
{
    if (!io.standardOutput || io.standardOutput->flush())
        return true;
    outputFailed(result, errorLine(QStringLiteral("cannot write to standard output (%1)")
                                           .arg(io.standardOutput->errorString()),
                                   QString(), QString()));
    return false;
}

} // namespace

ProgramOutput runProgram(const QStringList &arguments, const ProgramIo &io)
{
    return runProgram(parseArguments(arguments), io);
}

ProgramOutput runProgram(const ParseResult &parsed, const ProgramIo &io)
{
    if (parsed.status == ParseResult::Error)
        return badInput(parsed.text);

    QByteArray collected;
    QBuffer buffer(&collected);
    QIODevice *out = io.standardOutput;
    if (!out) {
        buffer.open(QIODevice::WriteOnly);
        out = &buffer;
    }
    ProgramOutput result;
    const CliOptions &options = parsed.options;
    if (parsed.status == ParseResult::Run) {
        Run run{ options, io, result, std::nullopt, {}, nullptr, nullptr, std::nullopt };
        if (options.output == OutputKind::Sweep) {
            run.sweep = std::make_unique<Sweep>(options.params, options.study.sweep);
            if (!options.figures.plotPath.isEmpty())
                run.series = std::make_unique<SweepSeries>(
                        *run.sweep, metricColumns()[std::size_t(options.study.plotMetric)].field,
                        options.figures.width, options.study.plotLoop);
        }
        const std::vector<FileOutput> files = fileOutputs(run);

        // Two outputs into one file would leave only the last of them.
        for (std::size_t i = 0; i < files.size(); ++i)
            for (std::size_t k = 0; k < i; ++k)
                if (fileKey(files[i].path) == fileKey(files[k].path))
                    return badInput(errorLine(files[i].option,
                                              quoted(files[i].path)
                                                      + QStringLiteral(" is the file of ")
                                                      + files[k].option,
                                              QStringLiteral("a file of its own")));

        // Every file opens before any is written, so that bad input leaves
        // none, and before a long sweep or tune starts.
        std::vector<std::unique_ptr<OutputTarget>> targets;
        for (const FileOutput &file : files) {
            auto target = std::make_unique<OutputTarget>(file.path);
            if (!target->open()) {
                return badInput(errorLine(file.option,
                                          QStringLiteral("cannot open %1 (%2)")
                                                  .arg(quoted(file.path), target->errorString()),
                                          file.expected));
            }
            targets.push_back(std::move(target));
        }
        if (options.figures.drawsFigure() && !io.figures) {
            return badInput(errorLine(firstFigureOption(options.figures),
                                      QStringLiteral("this build of kestrune-sim has no figures"),
                                      QStringLiteral("a build with Qt Widgets and Qwt")));
        }
        const auto failed = [&](std::size_t i, const QString &reason) {
            outputFailed(result, errorLine(files[i].option,
                                           QStringLiteral("writing %1 failed (%2)")
                                                   .arg(quoted(files[i].path), reason),
                                           QString()));
            result.out = collected;
            return result;
        };
        // Every output is written in full, standard output included, before
        // any file is replaced: a call that fails replaces none of them. The
        // CSV comes first, as a sweep's figure is drawn from what it gathered.
        if (writesCsvTo(options) == CsvTarget::StandardOutput) {
            writeRun(run, *out);
            if (interrupted(io))
                return interruptedOutput();
            if (!standardOutputWritten(io, result)) {
                result.out = collected;
                return result;
            }
        }
        for (std::size_t i = 0; i < files.size(); ++i) {
            QString error;
            const bool written = files[i].write(*targets[i]->device(), error);
            if (interrupted(io))
                return interruptedOutput();
            if (!targets[i]->finish())
                return failed(i, targets[i]->errorString());
            if (!written)
                return failed(i, error);
        }
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!targets[i]->commit())
                return failed(i, targets[i]->errorString());
        }
    } else {
        out->write(parsed.text.toUtf8() + '\n');
    }
    standardOutputWritten(io, result);
    result.out = collected;
    return result;
}

} // namespace simcli
