#pragma once

#include <QByteArray>
#include <QStringList>

namespace simcli {

// Exit statuses of kestrune-sim.
enum ExitStatus {
    ExitOk = 0,
    ExitOutputFailed = 1, // writing the output failed: --output or standard output
    ExitBadInput = 2,     // bad option or value, or an --output that cannot be opened
};

// What the program has to say: the bytes for standard output and standard
// error and the exit status. On a failure `out` is empty and `err` is one
// line.
struct ProgramOutput {
    int exitCode = ExitOk;
    QByteArray out;
    QByteArray err;
};

// The whole program but the writing to the standard streams: parses the
// arguments (arguments[0] is the program), runs the simulation and either
// returns the text for standard output or, with --output FILE, writes FILE
// (see OutputTarget: a regular file whole or not at all, a pipe or a device
// in place).
ProgramOutput runProgram(const QStringList &arguments);

} // namespace simcli
