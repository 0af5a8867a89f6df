// kestrune-sim: Kestrune's step modelling run without the window, for
// scripts and lab reports. See `kestrune-sim --help`.

#include "descriptordevice.h"
#include "options.h"
#include "outputtarget.h"
#include "simcli.h"

#ifdef KESTRUNE_HAS_FIGURES
#include "figureplatform.h"
#include "widgetfiguredrawer.h"

#include <QApplication>
#endif

#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace {

bool writeAll(std::FILE *stream, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    const auto size = static_cast<std::size_t>(bytes.size());
    return std::fwrite(bytes.constData(), 1, size, stream) == size && std::fflush(stream) == 0;
}

// Standard output written straight to its descriptor, and a progress line
// only where standard error is a terminal (never into a pipe or a file).
simcli::ProgramIo standardIo(DescriptorDevice &standardOutput)
{
    simcli::ProgramIo io;
    if (standardOutput.open(STDOUT_FILENO, DescriptorDevice::KeepOpen))
        io.standardOutput = &standardOutput;
    if (::isatty(STDERR_FILENO))
        io.progress = [](const QByteArray &text) { writeAll(stderr, text); };
    return io;
}

// The command line in the locale's encoding, as QCoreApplication reads it.
// The application object itself gets the program's name only: Qt would take
// "-style", "-reverse" or "-platform" among our values for its own options.
QStringList commandLine(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int run(const simcli::ParseResult &parsed, const simcli::FigureDrawer *figures)
{
    QCoreApplication::setApplicationName(QStringLiteral("kestrune-sim"));
    OutputTarget::removeTemporariesOnSignals();
    DescriptorDevice standardOutput;
    simcli::ProgramIo io = standardIo(standardOutput);
    io.figures = figures;
    const simcli::ProgramOutput output = simcli::runProgram(parsed, io);
    writeAll(stderr, output.err);
    if (!writeAll(stdout, output.out)) {
        const QByteArray reason = qt_error_string(errno).toLocal8Bit();
        std::fprintf(stderr, "kestrune-sim: cannot write to standard output (%s)\n",
                     reason.constData());
        return simcli::ExitOutputFailed;
    }
    return output.exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    int applicationArgc = 1;
    // The command line is read once, before the application object exists:
    // figures need Qt Widgets on a platform; every other run stays a plain
    // QCoreApplication, which needs no display and starts faster.
    const simcli::ParseResult parsed = simcli::parseArguments(commandLine(argc, argv));
#ifdef KESTRUNE_HAS_FIGURES
    const simcli::WidgetFigureDrawer figures;
    if (parsed.status == simcli::ParseResult::Run && parsed.options.figures.drawsFigure()) {
        const FigurePlatform platform;
        QApplication app(applicationArgc, argv);
        FigurePlatform::applicationStarted();
        return run(parsed, &figures);
    }
    QCoreApplication app(applicationArgc, argv);
    return run(parsed, &figures);
#else
    QCoreApplication app(applicationArgc, argv);
    return run(parsed, nullptr);
#endif
}
