#include "simcli.h"

#include "csvwriter.h"
#include "messagetext.h"
#include "optionparser.h"
#include "options.h"
#include "steprun.h"
#include "trace.h"

#include <QSaveFile>

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
        break;
    }
    return samplesCsv(StepRun::run(options.params));
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

    const QByteArray text = render(parsed.options).toUtf8();
    const QString &path = parsed.options.outputPath;
    if (path.isEmpty() || path == QLatin1String("-")) {
        result.out = text;
        return result;
    }

    // QSaveFile writes a temporary file beside the target and renames it
    // only on commit, so a failure never leaves a partial file.
    QSaveFile file(path);
    const auto cannotWrite = [&path](const QString &reason) {
        return badInput(errorLine(QStringLiteral("--output"),
                                  QStringLiteral("cannot write %1 (%2)").arg(quoted(path), reason),
                                  pathExpectation()));
    };
    if (!file.open(QIODevice::WriteOnly))
        return cannotWrite(file.errorString());
    if (file.write(text) != text.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return cannotWrite(reason);
    }
    if (!file.commit())
        return cannotWrite(file.errorString());
    return result;
}

} // namespace simcli
