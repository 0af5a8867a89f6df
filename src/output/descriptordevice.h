#pragma once

#include <QByteArray>
#include <QIODevice>

// A write-only device over a file descriptor that accounts for every byte.
//
// QFile reports a short count, not an error, when the system takes part of a
// write (a disk that fills up in the middle of a buffer), and loses the error
// of its last flush at close; callers that look only at the end then report
// success. Here the first failure sticks: that write and every later one
// return -1, error() holds the errno and errorString() the system's text
// ("No space left on device"), until the device is closed.
//
// Writes are gathered into a buffer of kBufferSize bytes and written out in
// full (partial writes are continued, EINTR retried); flush() writes out what
// is gathered. The descriptor is closed by close() only when the device owns
// it, and close() reports a failure of the system's close.
class DescriptorDevice : public QIODevice
{
public:
    enum Ownership { KeepOpen, CloseOnClose };

    static constexpr int kBufferSize = 64 * 1024;

    DescriptorDevice() = default;
    ~DescriptorDevice() override;

    // Writes into fd from now on; false if the device is already open.
    bool open(int fd, Ownership ownership);

    bool isSequential() const override { return true; }

    // Writes out what is gathered; false once any write has failed.
    bool flush();

    // Flushes, then asks the system to put the file on its disk (where the
    // descriptor cannot be synced, as a pipe, that is no failure).
    bool sync();

    // Flushes, then closes the descriptor if owned. Use finish() to learn
    // whether all of it went through; close() from QIODevice cannot say.
    bool finish();

    void close() override;

    int descriptor() const { return m_fd; }
    // The errno of the first failure, 0 while every write went through.
    int error() const { return m_error; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool writeOut(const char *data, qint64 size);
    void fail(int error);

    int m_fd = -1;
    Ownership m_ownership = KeepOpen;
    int m_error = 0;
    QByteArray m_buffer;
};
