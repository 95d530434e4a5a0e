#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

inline bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

// Takes the rights of the user nobody for the whole process (every thread) while it lives, so
// that permissions bind a test run as root; does nothing for other users, whom they bind already.
class AsNobody
{
public:
    AsNobody()
    {
#ifdef Q_OS_UNIX
        m_was = ::geteuid() == 0 && ::seteuid(65534) == 0;
#endif
    }
    ~AsNobody()
    {
#ifdef Q_OS_UNIX
        if (m_was) [[maybe_unused]]
            const int back = ::seteuid(0);
#endif
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;
    bool isNobody() const
    {
        return m_was;
    }

private:
    bool m_was = false;
};

// Makes a folder refuse new, renamed and removed entries while it lives: by its permissions
// for ordinary users, by the immutable attribute for root, who ignores permissions.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path)
    {
        if (runningAsRoot())
            m_immutable = setImmutable(true);
        else
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(path + QStringLiteral("/probe"));
        m_readOnly = !probe.open(QIODevice::WriteOnly);
        if (!m_readOnly)
            probe.remove();
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            setImmutable(false);
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool isReadOnly() const { return m_readOnly; }

private:
    bool setImmutable(bool on)
    {
#ifdef Q_OS_LINUX
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
#else
        Q_UNUSED(on);
        return false;
#endif
    }

    QString m_path;
    bool m_immutable = false;
    bool m_readOnly = false;
};
