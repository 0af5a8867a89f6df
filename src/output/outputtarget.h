#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class DescriptorDevice;
class QIODevice;

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
// The device takes any bytes (CSV text, or a PNG, SVG or PDF made in memory)
// and is sequential.
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

    // Where to write once open() succeeded; null before. The first write
    // that fails sticks, so a caller may write on and learn of it at finish().
    QIODevice *device() const;

    // Writes out everything: for a temporary file it is flushed, synced to
    // the disk and closed, for anything else flushed (and closed where it was
    // opened by name). False, with errorString(), when any write, the sync or
    // the close failed; the temporary file is removed then.
    bool finish();

    // Puts a finished output in place: renames the temporary file over the
    // regular target, which keeps its owner, group and mode where the system
    // allows it (it is a new file: a hard link to the old one keeps the old
    // content). Nothing to do for an output written in place. Finishes the
    // output first if finish() was not called. False, with errorString(),
    // when that fails.
    bool commit();

    // Whether commit() replaces a regular file (the output went into a
    // temporary file); false for a pipe, a device or a descriptor.
    bool replacesFile() const;

    // Makes SIGINT, SIGTERM, SIGHUP, SIGPIPE and SIGXFSZ remove the
    // temporary files of the targets that exist before they end the program
    // as they would have; a signal that is ignored stays ignored. For a
    // program's main(), once.
    static void removeTemporariesOnSignals();

    // Why open(), finish() or commit() failed, as the system says it: "No
    // space left on device".
    QString errorString() const;

private:
    bool openTemporary(const QString &target);
    bool fail(int error);
    void removeTemporary();

    QString m_path;
    std::unique_ptr<DescriptorDevice> m_device;
    QByteArray m_target;    // the regular file to replace
    QByteArray m_temporary; // the temporary file beside it, while it exists
    bool m_finished = false;
    QString m_error;
};
