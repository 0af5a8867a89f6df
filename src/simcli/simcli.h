#pragma once

#include <QByteArray>
#include <QStringList>

namespace simcli {

// Exit statuses of kestrune-sim.
enum ExitStatus {
    ExitOk = 0,
    ExitOutputFailed = 1, // standard output could not be written
    ExitBadInput = 2,     // bad option or value, or an unwritable --output
};

// What the program has to say: the bytes for standard output and standard
// error and the exit status. On bad input `out` is empty and `err` is one
// line.
struct ProgramOutput {
    int exitCode = ExitOk;
    QByteArray out;
    QByteArray err;
};

// The whole program but the writing to the standard streams: parses the
// arguments (arguments[0] is the program), runs the simulation and either
// returns the text for standard output or, with --output FILE, writes FILE
// whole (through a temporary file that replaces it only when complete).
ProgramOutput runProgram(const QStringList &arguments);

} // namespace simcli
