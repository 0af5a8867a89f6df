#include "outputtarget.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
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

} // namespace

OutputTarget::OutputTarget(const QString &path) : m_path(path) {}

OutputTarget::~OutputTarget() = default;

bool OutputTarget::open()
{
    m_error.clear();
    const Resolved target = resolve(m_path);
    switch (target.kind) {
    case Resolved::Failed:
        m_error = qt_error_string(target.error);
        return false;
    case Resolved::Replace: {
        auto file = std::make_unique<QSaveFile>(target.path);
        if (!file->open(QIODevice::WriteOnly)) {
            m_error = file->errorString();
            return false;
        }
        m_saveFile = file.get();
        m_file = std::move(file);
        return true;
    }
    case Resolved::InPlace: {
        // ExistingOnly: should the node vanish meanwhile, create nothing.
        auto file = std::make_unique<QFile>(target.path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::ExistingOnly)) {
            m_error = file->errorString();
            return false;
        }
        m_file = std::move(file);
        return true;
    }
    case Resolved::Descriptor: {
        const int flags = ::fcntl(target.fd, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
            m_error = qt_error_string(flags < 0 ? errno : EBADF);
            return false;
        }
        auto file = std::make_unique<QFile>();
        if (!file->open(target.fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
            m_error = file->errorString();
            return false;
        }
        m_file = std::move(file);
        return true;
    }
    }
    return false;
}

QIODevice *OutputTarget::device() const
{
    return m_file.get();
}

bool OutputTarget::commit()
{
    if (!m_file || !m_file->isOpen()) {
        m_error = QStringLiteral("not open");
        return false;
    }
    if (m_saveFile) {
        if (!m_saveFile->commit()) {
            m_error = m_saveFile->errorString();
            return false;
        }
        return true;
    }
    // A failed write leaves its error; flush() and close() would clear it.
    if (m_file->error() != QFileDevice::NoError || !m_file->flush()) {
        m_error = m_file->errorString();
        m_file->close();
        return false;
    }
    m_file->close();
    if (m_file->error() != QFileDevice::NoError) {
        m_error = m_file->errorString();
        return false;
    }
    return true;
}

QString OutputTarget::errorString() const
{
    return m_error;
}
