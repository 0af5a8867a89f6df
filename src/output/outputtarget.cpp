#include "outputtarget.h"

#include "descriptordevice.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a path stands for, after following its symbolic links.
struct Resolved {
    enum Kind { Replace, InPlace, Descriptor, Failed };
    Kind kind = Failed;
    QString path; // Replace, InPlace: what to open
    int fd = -1;  // Descriptor
    int error = 0; // Failed: the errno
};

Resolved failed(int error)
{
    Resolved r;
    r.error = error;
    return r;
}

// The directory that holds path, with every link in it resolved: "/dev/fd/3"
// lies in "/proc/1234/fd". Empty if it does not exist.
QString realDirectory(const QString &path)
{
    const QByteArray dir = QFile::encodeName(QFileInfo(path).path());
    char buffer[PATH_MAX];
    if (!::realpath(dir.constData(), buffer))
        return QString();
    return QFile::decodeName(buffer);
}

// N when the link `name` in `dir` is this process's own descriptor N.
int ownDescriptor(const QString &dir, const QString &name)
{
    const QRegularExpression own(QStringLiteral("^/proc/%1(/task/[0-9]+)?/fd$").arg(::getpid()));
    if (!own.match(dir).hasMatch())
        return -1;
    bool isNumber = false;
    const int fd = name.toInt(&isNumber);
    return isNumber && fd >= 0 ? fd : -1;
}

bool inProc(const QString &dir)
{
    return dir == QLatin1String("/proc") || dir.startsWith(QLatin1String("/proc/"));
}

// Follows the links of the path's last part one by one, as the kernel
// would, and stops at the first thing that decides how to write.
Resolved resolve(const QString &path)
{
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QByteArray name = QFile::encodeName(current);
        struct stat st;
        if (::lstat(name.constData(), &st) != 0) {
            if (errno != ENOENT)
                return failed(errno);
            // A descriptor that is not open is no file to create.
            if (inProc(realDirectory(current)))
                return failed(ENOENT);
            Resolved r;
            r.kind = Resolved::Replace;
            r.path = current;
            return r;
        }
        if (S_ISLNK(st.st_mode)) {
            const QString dir = realDirectory(current);
            const int fd = ownDescriptor(dir, QFileInfo(current).fileName());
            if (fd >= 0) {
                Resolved r;
                r.kind = Resolved::Descriptor;
                r.fd = fd;
                return r;
            }
            // Another process's descriptor, or the like: its text names no
            // path to follow, the kernel opens what it stands for.
            if (inProc(dir)) {
                Resolved r;
                r.kind = Resolved::InPlace;
                r.path = current;
                return r;
            }
            char buffer[PATH_MAX];
            const ssize_t length = ::readlink(name.constData(), buffer, sizeof buffer);
            if (length < 0)
                return failed(errno);
            if (static_cast<std::size_t>(length) >= sizeof buffer)
                return failed(ENAMETOOLONG);
            const QString target = QFile::decodeName(QByteArray(buffer, static_cast<int>(length)));
            // A relative target is relative to the link's real directory.
            current = target.startsWith(QLatin1Char('/')) ? target
                                                          : dir + QLatin1Char('/') + target;
            continue;
        }
        if (S_ISDIR(st.st_mode))
            return failed(EISDIR);
        Resolved r;
        r.kind = S_ISREG(st.st_mode) ? Resolved::Replace : Resolved::InPlace;
        r.path = current;
        return r;
    }
    return failed(ELOOP);
}

// The temporary files that exist, for a signal handler to remove: plain
// pointers in atomics, which a handler may read.
std::array<std::atomic<const char *>, 16> temporaries;

void registerTemporary(const char *path)
{
    for (std::atomic<const char *> &slot : temporaries) {
        const char *empty = nullptr;
        if (slot.compare_exchange_strong(empty, path))
            return;
    }
}

void unregisterTemporary(const char *path)
{
    for (std::atomic<const char *> &slot : temporaries) {
        const char *expected = path;
        if (slot.compare_exchange_strong(expected, nullptr))
            return;
    }
}

extern "C" void removeTemporariesAndDie(int signal)
{
    for (std::atomic<const char *> &slot : temporaries) {
        if (const char *path = slot.exchange(nullptr))
            ::unlink(path);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void OutputTarget::removeTemporariesOnSignals()
{
    for (const int signal : { SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ }) {
        struct sigaction old;
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

OutputTarget::OutputTarget(const QString &path) : m_path(path) {}

OutputTarget::~OutputTarget()
{
    m_device.reset();
    removeTemporary();
}

bool OutputTarget::fail(int error)
{
    m_error = qt_error_string(error);
    return false;
}

void OutputTarget::removeTemporary()
{
    if (!m_temporary.isEmpty()) {
        unregisterTemporary(m_temporary.constData());
        ::unlink(m_temporary.constData());
    }
    m_temporary.clear();
}

// The temporary file lies beside the target, so that the rename that puts
// it in place stays on one file system and cannot be seen half done.
bool OutputTarget::openTemporary(const QString &target)
{
    const QFileInfo info(target);
    QByteArray name = QFile::encodeName(info.fileName());
    name.truncate(200); // leave room for the suffix within NAME_MAX
    QByteArray path = QFile::encodeName(info.path()) + "/." + name + ".XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    m_temporary = path;
    registerTemporary(m_temporary.constData());
    m_target = QFile::encodeName(target);

    // The replacement keeps the owner, group and mode of the file it
    // replaces, as far as the system lets this user set them; a new file
    // gets what the umask leaves of rw-rw-rw-.
    struct stat old;
    mode_t mode;
    if (::stat(m_target.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            && ::fchown(fd, old.st_uid, old.st_gid) != 0)
            mode &= 01777; // never hand set-id bits to another owner
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    m_device = std::make_unique<DescriptorDevice>();
    m_device->open(fd, DescriptorDevice::CloseOnClose);
    return true;
}

bool OutputTarget::open()
{
    m_error.clear();
    const Resolved target = resolve(m_path);
    switch (target.kind) {
    case Resolved::Failed:
        return fail(target.error);
    case Resolved::Replace:
        return openTemporary(target.path);
    case Resolved::InPlace: {
        // No O_CREAT: should the node vanish meanwhile, create nothing.
        const int fd = ::open(QFile::encodeName(target.path).constData(),
                              O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return fail(errno);
        m_device = std::make_unique<DescriptorDevice>();
        m_device->open(fd, DescriptorDevice::CloseOnClose);
        return true;
    }
    case Resolved::Descriptor: {
        const int flags = ::fcntl(target.fd, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
            return fail(flags < 0 ? errno : EBADF);
        m_device = std::make_unique<DescriptorDevice>();
        m_device->open(target.fd, DescriptorDevice::KeepOpen);
        return true;
    }
    }
    return false;
}

QIODevice *OutputTarget::device() const
{
    return m_device.get();
}

bool OutputTarget::replacesFile() const
{
    return !m_target.isEmpty();
}

bool OutputTarget::finish()
{
    if (m_finished)
        return m_error.isEmpty();
    if (!m_device || !m_device->isOpen()) {
        m_error = QStringLiteral("not open");
        return false;
    }
    m_finished = true;
    // Synced before the rename, so that a crash leaves the old file or the
    // new one whole, never an empty one under the old name.
    bool written = m_device->flush() && (!replacesFile() || m_device->sync());
    written = m_device->finish() && written;
    if (!written) {
        m_error = m_device->errorString();
        removeTemporary();
        return false;
    }
    return true;
}

bool OutputTarget::commit()
{
    if (!finish())
        return false;
    if (!replacesFile())
        return true;
    if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
        fail(errno);
        removeTemporary();
        return false;
    }
    unregisterTemporary(m_temporary.constData());
    m_temporary.clear();
    return true;
}

QString OutputTarget::errorString() const
{
    return m_error;
}
