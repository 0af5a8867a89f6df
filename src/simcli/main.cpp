// kestrune-sim: Kestrune's step modelling run without the window, for
// scripts and lab reports. See `kestrune-sim --help`.

#include "simcli.h"

#include <QCoreApplication>
#include <QFile>

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
simcli::ProgramIo standardIo(QFile &standardOutput)
{
    simcli::ProgramIo io;
    if (standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                            QFileDevice::DontCloseHandle))
        io.standardOutput = &standardOutput;
    if (::isatty(STDERR_FILENO))
        io.progress = [](const QByteArray &text) { writeAll(stderr, text); };
    return io;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrune-sim"));

    QFile standardOutput;
    const simcli::ProgramOutput output =
            simcli::runProgram(QCoreApplication::arguments(), standardIo(standardOutput));
    writeAll(stderr, output.err);
    if (!writeAll(stdout, output.out)) {
        const QByteArray reason = qt_error_string(errno).toLocal8Bit();
        std::fprintf(stderr, "kestrune-sim: cannot write to standard output (%s)\n",
                     reason.constData());
        return simcli::ExitOutputFailed;
    }
    return output.exitCode;
}
