#include "descriptordevice.h"

#include <cerrno>

#include <unistd.h>

DescriptorDevice::~DescriptorDevice()
{
    close();
}

bool DescriptorDevice::open(int fd, Ownership ownership)
{
    if (isOpen() || fd < 0)
        return false;
    m_fd = fd;
    m_ownership = ownership;
    m_error = 0;
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    setErrorString(QString());
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void DescriptorDevice::fail(int error)
{
    if (m_error != 0)
        return;
    m_error = error;
    setErrorString(qt_error_string(error));
}

bool DescriptorDevice::writeOut(const char *data, qint64 size)
{
    while (size > 0 && m_error == 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno != EINTR)
                fail(errno);
            continue;
        }
        if (written == 0) {
            fail(EIO);
            break;
        }
        data += written;
        size -= written;
    }
    return m_error == 0;
}

qint64 DescriptorDevice::writeData(const char *data, qint64 size)
{
    if (m_error != 0)
        return -1;
    if (m_buffer.size() + size > kBufferSize) {
        if (!flush())
            return -1;
        if (size >= kBufferSize)
            return writeOut(data, size) ? size : -1;
    }
    m_buffer.append(data, static_cast<int>(size));
    return size;
}

qint64 DescriptorDevice::readData(char *, qint64)
{
    return -1;
}

bool DescriptorDevice::flush()
{
    if (m_error == 0 && !m_buffer.isEmpty()) {
        writeOut(m_buffer.constData(), m_buffer.size());
        m_buffer.clear();
    }
    return m_error == 0;
}

bool DescriptorDevice::sync()
{
    if (flush() && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        fail(errno);
    return m_error == 0;
}

bool DescriptorDevice::finish()
{
    if (!isOpen())
        return m_error == 0;
    flush();
    if (m_ownership == CloseOnClose && m_fd >= 0) {
        // The descriptor is gone after close() whatever it returns: never retry.
        if (::close(m_fd) != 0 && errno != EINTR)
            fail(errno);
    }
    m_fd = -1;
    m_buffer.clear();
    QIODevice::close(); // clears the error string, which must stay
    if (m_error != 0)
        setErrorString(qt_error_string(m_error));
    return m_error == 0;
}

void DescriptorDevice::close()
{
    finish();
}
