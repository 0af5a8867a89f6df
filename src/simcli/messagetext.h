#pragma once

#include <QString>

namespace simcli {

// The parts of kestrune-sim's one-line messages.

// "kestrune-sim", the start of every message.
QString programName();

// The user's text, a value or a path, in single quotes for a message that
// must stay one line: control characters (C0, DEL, C1, U+2028, U+2029) are
// shown as '?', and a text of more than 60 characters keeps its first and
// last characters around "...", so that a path still shows its file name.
QString quoted(const QString &text);

// "kestrune-sim: SUBJECT: PROBLEM; expects EXPECTED", leaving out an empty
// problem or expectation.
QString errorLine(const QString &subject, const QString &problem, const QString &expected);

} // namespace simcli
