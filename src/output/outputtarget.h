#pragma once

#include <QString>

#include <memory>

class QFileDevice;
class QIODevice;
class QSaveFile;

// One output written to a path that the user names, so that nothing the path
// stands for is lost or destroyed:
//
// - A regular file, or a path that does not exist yet, is written to a
//   temporary file beside it, which replaces it only on commit(): the file is
//   written whole or not at all. A symbolic link to a regular file stays a
//   link; the file it points to is replaced.
// - Anything else that exists (a FIFO, a character or block device, or a link
//   to one) is opened and written in place, never replaced; a FIFO's open
//   waits for its reader. /dev/stdout, /dev/fd/N and /proc/self/fd/N write
//   into the program's own descriptor N as it was opened (a shell's >>
//   appends), also when it is a regular file or a socket.
// - A directory, or a descriptor open only for reading, cannot be opened.
//
// The device takes any bytes (CSV text, or the output of a PNG, SVG or PDF
// writer); for anything but a regular file it is sequential.
class OutputTarget
{
public:
    explicit OutputTarget(const QString &path);
    // Without a successful commit(), a temporary file is removed and a
    // regular target keeps what it held.
    ~OutputTarget();
    OutputTarget(const OutputTarget &) = delete;
    OutputTarget &operator=(const OutputTarget &) = delete;

    // Opens the target for writing; false, with errorString(), when it
    // cannot be opened. Nothing is created then.
    bool open();

    // Where to write once open() succeeded; null before.
    QIODevice *device() const;

    // Finishes the output: checks that every write went through, flushes,
    // and for a regular target renames the temporary file over it. False,
    // with errorString(), when a write or the commit failed.
    bool commit();

    // Why open() or commit() failed, as the system says it: "No space left
    // on device".
    QString errorString() const;

private:
    QString m_path;
    std::unique_ptr<QFileDevice> m_file;
    QSaveFile *m_saveFile = nullptr; // m_file, when written through a temporary file
    QString m_error;
};
