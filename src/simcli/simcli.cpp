#include "simcli.h"

#include "csvwriter.h"
#include "messagetext.h"
#include "optionparser.h"
#include "options.h"
#include "outputtarget.h"
#include "steprun.h"
#include "trace.h"

#include <QIODevice>

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

    OutputTarget target(path);
    if (!target.open()) {
        return badInput(errorLine(QStringLiteral("--output"),
                                  QStringLiteral("cannot open %1 (%2)")
                                          .arg(quoted(path), target.errorString()),
                                  pathExpectation()));
    }
    target.device()->write(text);
    if (!target.commit()) {
        result.exitCode = ExitOutputFailed;
        result.err = errorLine(QStringLiteral("--output"),
                               QStringLiteral("writing %1 failed (%2)")
                                       .arg(quoted(path), target.errorString()),
                               QString())
                             .toUtf8()
                + '\n';
    }
    return result;
}

} // namespace simcli
