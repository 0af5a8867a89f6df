// kestrune-sim: Kestrune's step modelling run without the window, for
// scripts and lab reports. See `kestrune-sim --help`.

#include "figureplatform.h"
#include "options.h"
#include "simcli.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

bool writeAll(std::FILE *stream, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    const auto size = static_cast<std::size_t>(bytes.size());
    return std::fwrite(bytes.constData(), 1, size, stream) == size && std::fflush(stream) == 0;
}

int run()
{
    QCoreApplication::setApplicationName(QStringLiteral("kestrune-sim"));
    const simcli::ProgramOutput output = simcli::runProgram(QCoreApplication::arguments());
    writeAll(stderr, output.err);
    if (!writeAll(stdout, output.out)) {
        const QByteArray reason = qt_error_string(errno).toLocal8Bit();
        std::fprintf(stderr, "kestrune-sim: cannot write to standard output (%s)\n",
                     reason.constData());
        return simcli::ExitOutputFailed;
    }
    return output.exitCode;
}

// Whether the command line draws a figure, read before any application
// object exists. Only the choice of that object depends on it; the run
// itself reads the arguments as Qt decodes them.
bool drawsFigure(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromUtf8(argv[i]);
    return simcli::drawsFigure(arguments);
}

} // namespace

int main(int argc, char *argv[])
{
    // Figures need Qt Widgets on a platform; every other run stays a plain
    // QCoreApplication, which needs no display and starts faster.
    if (drawsFigure(argc, argv)) {
        const FigurePlatform platform;
        QApplication app(argc, argv);
        FigurePlatform::applicationStarted();
        return run();
    }
    QCoreApplication app(argc, argv);
    return run();
}
