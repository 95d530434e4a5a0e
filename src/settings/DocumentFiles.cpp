#include "settings/DocumentFiles.h"

#include "base/Ending.h"

#include <QElapsedTimer>
#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace DocumentFiles {

DocumentLock::DocumentLock(const QString& path)
{
#ifdef Q_OS_UNIX
    // Whatever is found under the lock's name, opening it must not wait.
    m_fd = ::open(QFile::encodeName(path).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (m_fd < 0)
        return;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return;
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.hasExpired(maxWaitMs) ||
            Ending::requested())
            break;
        ::usleep(2000);
    }
    ::close(m_fd);
    m_fd = -1;
#else
    m_lock = std::make_unique<QLockFile>(path);
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(maxWaitMs))
        m_lock.reset();
#endif
}

DocumentLock::~DocumentLock()
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor releases the lock
#endif
}

bool DocumentLock::isHeld() const
{
#ifdef Q_OS_UNIX
    return m_fd >= 0;
#else
    return m_lock != nullptr;
#endif
}

void syncFolder(const QString& folder)
{
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

bool renameEntry(const QString& from, const QString& to)
{
#ifdef Q_OS_UNIX
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    struct stat info = {};
    if (::lstat(target.constData(), &info) == 0)
        return false;
    return ::rename(source.constData(), target.constData()) == 0;
#else
    return QFile::rename(from, to);
#endif
}

} // namespace DocumentFiles
