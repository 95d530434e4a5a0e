#include "settings/RegistryDocument.h"

#include "settings/DocumentFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>

#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <memory>
#include <QLockFile>
#endif

using namespace DocumentFiles;

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

#ifdef Q_OS_UNIX
// What tells one state of a file from another: the file, its size, its times to the nanosecond.
template <typename Identity> Identity identityOf(const struct stat& info)
{
    return {quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}
#endif

} // namespace

RegistryDocument::RegistryDocument(const QString& filePath, const QStringList& appKeyPath,
                                   Notice notice, Access access)
    : m_filePath(filePath), m_appKeyPath(appKeyPath), m_notice(std::move(notice)), m_access(access)
{}

QJsonObject RegistryDocument::read()
{
    QJsonObject root;
    if (m_access == Access::ReadOnly) {
        root = load(false).root;
    } else {
        DocumentLock lock(m_filePath + QStringLiteral(".lock"));
        root = load(lock.isHeld()).root;
    }
    reportPendingNotice();
    return root;
}

bool RegistryDocument::update(const std::function<bool(QJsonObject& root)>& change)
{
    if (m_access == Access::ReadOnly)
        return false;
    bool saved = true;
    try {
        QDir().mkpath(QFileInfo(m_filePath).absolutePath());
        DocumentLock lock(m_filePath + QStringLiteral(".lock"));
        Loaded document = load(lock.isHeld());
        // Without the lock another copy could replace the file between our read and our write
        // and lose its change; a damaged file is kept for the user to rescue.
        if (change(document.root))
            saved = lock.isHeld() && document.replaceable && save(document.root);
    } catch (...) {
        reportPendingNotice();
        throw;
    }
    // The box waits for the user: never while other copies wait for the lock.
    reportPendingNotice();
    return saved;
}

RegistryDocument::Loaded RegistryDocument::load(bool lockHeld)
{
    QByteArray bytes;
    Identity identity;
    bool unchanged = false;
    const QString problem =
        readBytes(&bytes, &identity, m_cached ? &m_cached->identity : nullptr, &unchanged);
    if (problem.isEmpty() && unchanged)
        return {m_cached->root, true};
    if (problem.isEmpty() && bytes.isEmpty()) {
        // No document, or an empty file: an empty file holds no settings to lose (a "touch", or
        // a tool that truncated it); the atomic replace never leaves one.
        m_cached.reset();
        return {};
    }

    QJsonObject root;
    const QString damage = problem.isEmpty() ? problemWith(bytes, &root) : problem;
    if (damage.isEmpty()) {
        m_cached = Cached{identity, root};
        return {root, true};
    }
    m_cached.reset();
    return {{}, setAside(damage, lockHeld)};
}

// The document's bytes, or why they cannot be had; no bytes and no problem when there is no
// document; *unchanged, and no bytes, when the file is still the one `known` describes. Only a
// regular file is ever opened, so a pipe, a device or a socket in the document's place (or a link
// to one) can neither block nor feed an endless stream; and it is read no further than MaxSize.
QString RegistryDocument::readBytes(QByteArray* bytes, Identity* identity, const Identity* known,
                                    bool* unchanged) const
{
    const QString tooLarge =
        QCoreApplication::translate("RegistryDocument", "it is larger than %1 MiB")
            .arg(MaxSize / (1024 * 1024));
    const QString notAFile =
        QCoreApplication::translate("RegistryDocument", "it is not a regular file");
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(m_filePath);
    const auto cannotRead = [](int error) {
        return QCoreApplication::translate("RegistryDocument", "it cannot be read (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    };
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0) {
        // Absent, or a link to nothing: no document yet.
        return errno == ENOENT ? QString() : cannotRead(errno);
    }
    if (!S_ISREG(info.st_mode))
        return notAFile;
    if (info.st_size > MaxSize)
        return tooLarge;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? QString() : cannotRead(errno);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    // Checked again on what was opened: the name may have been replaced meanwhile.
    if (::fstat(fd, &info) != 0)
        return cannotRead(errno);
    if (!S_ISREG(info.st_mode))
        return notAFile;
    *identity = identityOf<Identity>(info);
    if (known && *known == *identity) {
        *unchanged = true;
        return {};
    }
    // One byte more than the bound tells a file that grew past it since.
    bytes->resize(qsizetype(std::min<qint64>(info.st_size, MaxSize) + 1));
    qsizetype got = 0;
    while (got < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + got, size_t(bytes->size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bytes->clear();
            return cannotRead(errno);
        }
        if (n == 0)
            break;
        got += n;
    }
    bytes->truncate(got);
    if (got > MaxSize) {
        bytes->clear();
        return tooLarge;
    }
    return {};
#else
    Q_UNUSED(identity);
    Q_UNUSED(known);
    Q_UNUSED(unchanged);
    const QFileInfo info(m_filePath);
    if (!info.exists())
        return {};
    if (!info.isFile())
        return notAFile;
    if (info.size() > MaxSize)
        return tooLarge;
    QFile file(m_filePath);
    if (file.open(QIODevice::ReadOnly))
        *bytes = file.read(MaxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        bytes->clear();
        return QCoreApplication::translate("RegistryDocument", "it cannot be read (%1)")
            .arg(file.errorString());
    }
    if (bytes->size() > MaxSize) {
        bytes->clear();
        return tooLarge;
    }
    return {};
#endif
}

// Why the document cannot be used, or an empty string with *root set.
QString RegistryDocument::problemWith(const QByteArray& bytes, QJsonObject* root) const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return QCoreApplication::translate("RegistryDocument",
                                           "it is not valid JSON (%1 at byte %2)")
            .arg(error.errorString())
            .arg(error.offset);
    if (!document.isObject())
        return QCoreApplication::translate("RegistryDocument", "its top level is not an object");

    // Values where the application key or a section belongs would make every read of the
    // settings fail or every write collide, so such a document is treated as damaged.
    QJsonObject key = document.object();
    QStringList walked;
    for (const QString& part : m_appKeyPath) {
        walked << part;
        const QJsonValue child = key.value(part);
        if (child.isUndefined()) {
            *root = document.object();
            return {};
        }
        if (!child.isObject())
            return QCoreApplication::translate("RegistryDocument",
                                               "\"%1\" is a value where a key is expected")
                .arg(walked.join(QLatin1Char('\\')));
        key = child.toObject();
    }
    for (auto it = key.constBegin(); it != key.constEnd(); ++it) {
        if (!it.value().isObject())
            return QCoreApplication::translate("RegistryDocument",
                                               "\"%1\" is a value where a section is expected")
                .arg((walked + QStringList{it.key()}).join(QLatin1Char('\\')));
    }
    *root = document.object();
    return {};
}

// Moves a damaged document out of the way, never over an earlier one. Returns true when the
// file is gone from its place, so that a fresh document may be written there.
bool RegistryDocument::setAside(const QString& problem, bool lockHeld)
{
    if (m_access == Access::ReadOnly) {
        if (!std::exchange(m_damageReported, true))
            m_pendingWarning =
                QCoreApplication::translate(
                    "RegistryDocument",
                    "The settings file %1 could not be used because %2. The default settings "
                    "are used; the file is left as it is.")
                    .arg(native(m_filePath), problem);
        return false;
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = m_filePath + QStringLiteral(".damaged-") + stamp;
    // Renaming without the lock could move a document another copy is just replacing.
    for (int n = 1; lockHeld && n <= 100; ++n) {
        const QString aside = n == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(n);
        if (QFileInfo::exists(aside) || QFileInfo(aside).isSymLink())
            continue;
        if (!renameEntry(m_filePath, aside))
            break;
        syncFolder(QFileInfo(m_filePath).absolutePath());
        m_pendingWarning =
            QCoreApplication::translate(
                "RegistryDocument",
                "The settings file %1 could not be used because %2. It has been moved "
                "to %3, and the settings start again from their defaults.")
                .arg(native(m_filePath), problem, native(aside));
        return true;
    }

    // The file stays where it is and every read finds it again: tell the user only once.
    static QSet<QString> reported;
    const QFileInfo info(m_filePath);
    const QString identity = QStringLiteral("%1|%2|%3")
                                 .arg(info.absoluteFilePath(), QString::number(info.size()),
                                      QString::number(info.lastModified().toMSecsSinceEpoch()));
    if (!reported.contains(identity)) {
        reported.insert(identity);
        m_pendingWarning =
            QCoreApplication::translate(
                "RegistryDocument",
                "The settings file %1 could not be used because %2, and it could not "
                "be moved aside. The settings take their defaults and cannot be saved "
                "until the file is repaired or removed.")
                .arg(native(m_filePath), problem);
    }
    return false;
}

bool RegistryDocument::save(const QJsonObject& root)
{
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    // A larger document would be refused as damaged on the next read.
    if (bytes.size() > MaxSize)
        return false;
#ifdef Q_OS_UNIX
    // A document reached through a link is replaced where the link leads, so the link stays.
    QString target = QFileInfo(m_filePath).canonicalFilePath();
    if (target.isEmpty())
        target = m_filePath;
    const QString folder = QFileInfo(target).absolutePath();
    // Saves are made under the lock, one at a time, so one name serves them all; whatever is
    // found under it was left by a save that was interrupted, and is removed.
    const QByteArray temporary = QFile::encodeName(target + temporarySuffix());
    ::unlink(temporary.constData());
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool written = true;
    {
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        // The document keeps the permissions it had.
        struct stat info = {};
        if (::stat(QFile::encodeName(target).constData(), &info) == 0 && S_ISREG(info.st_mode))
            ::fchmod(fd, info.st_mode & 07777);
        qsizetype done = 0;
        while (written && done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            written = n > 0;
            done += written ? n : 0;
        }
        // The contents must be on disk before the rename makes them the document.
        written = written && ::fsync(fd) == 0;
    }
    if (!written || ::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    syncFolder(folder);
    // What was written needs no parsing at the next access.
    struct stat info = {};
    if (::stat(QFile::encodeName(m_filePath).constData(), &info) == 0)
        m_cached = Cached{identityOf<Identity>(info), root};
    else
        m_cached.reset();
    return true;
#else
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
    return true;
#endif
}

void RegistryDocument::reportPendingNotice()
{
    if (m_pendingWarning.isEmpty())
        return;
    const QString text = std::exchange(m_pendingWarning, QString());
    if (m_notice)
        m_notice(text);
}
