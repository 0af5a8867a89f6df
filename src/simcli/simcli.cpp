#include "simcli.h"

#include "csvwriter.h"
#include "decisionsurface.h"
#include "figureoutput.h"
#include "messagetext.h"
#include "optionparser.h"
#include "options.h"
#include "outputtarget.h"
#include "steprun.h"
#include "surfacecsv.h"
#include "trace.h"

#include <QFileInfo>
#include <QIODevice>

#include <functional>
#include <memory>
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

ProgramOutput outputFailed(const QString &option, const QString &path, const QString &reason)
{
    ProgramOutput result;
    result.exitCode = ExitOutputFailed;
    result.err = errorLine(option, QStringLiteral("writing %1 failed (%2)").arg(quoted(path), reason),
                           QString())
                         .toUtf8()
            + '\n';
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
        break;
    }
    return samplesCsv(StepRun::run(options.params));
}

// One file that the command line names, with the option that names it and
// what writes it.
struct FileOutput {
    QString option;
    QString path;
    QString expected; // for the message when it cannot be opened
    std::function<bool(QIODevice &, QString &error)> write;
};

using FigureFunction = bool (*)(const CliOptions &, FigureWriter::Format, QIODevice &,
                                QString &);

FileOutput figureOutput(const QString &option, const QString &path, const CliOptions &options,
                        FigureFunction draw)
{
    FigureWriter::Format format = FigureWriter::Png;
    FigureWriter::formatOf(path, format);
    return { option, path, QStringLiteral("a file path to write"),
             [&options, format, draw](QIODevice &device, QString &error) {
                 return draw(options, format, device, error);
             } };
}

// The files to write, in the order of the options' help.
std::vector<FileOutput> fileOutputs(const CliOptions &options, const QByteArray &csv)
{
    std::vector<FileOutput> files;
    const QString &csvPath = options.outputPath;
    if (options.writesCsv && !csvPath.isEmpty() && csvPath != QLatin1String("-")) {
        files.push_back({ QStringLiteral("--output"), csvPath, pathExpectation(),
                          [&csv](QIODevice &device, QString &) {
                              return device.write(csv) == csv.size();
                          } });
    }
    const FigureOptions &figures = options.figures;
    if (!figures.plotPath.isEmpty())
        files.push_back(figureOutput(QStringLiteral("--plot"), figures.plotPath, options,
                                     writeResultsFigure));
    if (!figures.membershipPath.isEmpty())
        files.push_back(figureOutput(QStringLiteral("--plot-membership"),
                                     figures.membershipPath, options, writeMembershipFigure));
    if (!figures.surfacePath.isEmpty()) {
        FigureWriter::Format format;
        if (FigureWriter::formatOf(figures.surfacePath, format)) {
            files.push_back(figureOutput(QStringLiteral("--surface"), figures.surfacePath,
                                         options, writeSurfaceFigure));
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

// What a path names, so that two spellings of one file compare equal.
QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

ProgramOutput runProgram(const QStringList &arguments)
{
    const ParseResult parsed = parseArguments(arguments);
    ProgramOutput result;
    switch (parsed.status) {
    case ParseResult::Error:
        return badInput(parsed.text);
    case ParseResult::ShowHelp:
    case ParseResult::ShowVersion:
        result.out = parsed.text.toUtf8() + '\n';
        return result;
    case ParseResult::Run:
        break;
    }
    const CliOptions &options = parsed.options;

    const QByteArray csv = options.writesCsv ? render(options).toUtf8() : QByteArray();
    const std::vector<FileOutput> files = fileOutputs(options, csv);

    // Two outputs into one file would leave only the last of them.
    for (std::size_t i = 0; i < files.size(); ++i)
        for (std::size_t k = 0; k < i; ++k)
            if (fileKey(files[i].path) == fileKey(files[k].path))
                return badInput(errorLine(files[i].option,
                                          quoted(files[i].path)
                                                  + QStringLiteral(" is the file of ")
                                                  + files[k].option,
                                          QStringLiteral("a file of its own")));

    // Every file opens before any is written, so that bad input leaves none.
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
    for (std::size_t i = 0; i < files.size(); ++i) {
        QString error;
        if (!files[i].write(*targets[i]->device(), error))
            return outputFailed(files[i].option, files[i].path,
                                error.isEmpty() ? targets[i]->device()->errorString() : error);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!targets[i]->commit())
            return outputFailed(files[i].option, files[i].path, targets[i]->errorString());
    }

    if (options.writesCsv && (options.outputPath.isEmpty() || options.outputPath == QLatin1String("-")))
        result.out = csv;
    return result;
}

} // namespace simcli
