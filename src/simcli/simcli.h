#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>

class DescriptorDevice;

namespace simcli {
class FigureDrawer;
struct ParseResult;
}

namespace simcli {

// Exit statuses of kestrune-sim.
enum ExitStatus {
    ExitOk = 0,
    ExitOutputFailed = 1, // writing the output failed: --output or standard output
    ExitBadInput = 2,     // bad option or value, or an --output that cannot be opened
    ExitLimitNotMet = 3,  // --tune found no values within --max-overshoot
    ExitInterrupted = 130, // ProgramIo::interrupted stopped it, as a shell reports SIGINT
};

// What the program has to say: the bytes for standard error and the exit
// status, and the bytes for standard output unless ProgramIo gave it a
// device. On a failure `out` is empty and `err` is one line.
struct ProgramOutput {
    int exitCode = ExitOk;
    QByteArray out;
    QByteArray err;
};

// Where the program writes while it runs.
struct ProgramIo {
    // Standard output, written as the output is made (a long sweep is never
    // held whole) and flushed before any file of the call is replaced; null:
    // the output is collected in ProgramOutput::out.
    DescriptorDevice *standardOutput = nullptr;
    // Draws the figures; null in a build without them, where the figure
    // options are refused as bad input.
    const FigureDrawer *figures = nullptr;
    // Writes a progress update to standard error; set it only when that is
    // a terminal. Empty: no progress line.
    std::function<void(const QByteArray &)> progress;
    // Asked from any thread while a sweep or a tune runs, between chunks of
    // its work; once true, the call stops within a chunk, writes and
    // replaces nothing and ends with ExitInterrupted. Empty: it runs to its
    // end.
    std::function<bool()> interrupted;
};

// The whole program but the writing of standard error: parses the arguments
// (arguments[0] is the program), runs the simulation, a sweep or a tune and
// writes its output to standard output or, with --output FILE, to FILE (see
// OutputTarget: a regular file whole or not at all, a pipe or a device in
// place). The files of a call are replaced only once every output of it,
// standard output included, has been written in full.
ProgramOutput runProgram(const QStringList &arguments, const ProgramIo &io = ProgramIo());

// The same for a command line that parseArguments() has read already.
ProgramOutput runProgram(const ParseResult &parsed, const ProgramIo &io);

} // namespace simcli
