#include "settings/RegistryDocument.h"

#include "app/Messages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>
#include <QSet>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#else
#include <memory>
#include <QLockFile>
#endif

namespace {

// Exclusive lock on a file beside the document, held for one read or one change. On POSIX a
// kernel lock: it blocks without polling and dies with its process, so a killed writer never
// leaves the document locked.
class DocumentLock
{
public:
    explicit DocumentLock(const QString& path)
    {
#ifdef Q_OS_UNIX
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return;
        int rc;
        do {
            rc = ::flock(m_fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
#else
        m_lock = std::make_unique<QLockFile>(path);
        m_lock->setStaleLockTime(0);
        if (!m_lock->lock())
            m_lock.reset();
#endif
    }
    ~DocumentLock()
    {
#ifdef Q_OS_UNIX
        if (m_fd >= 0)
            ::close(m_fd); // closing the last descriptor releases the lock
#endif
    }
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

    // False when the lock file could not be opened, for instance in a read-only folder.
    bool isHeld() const
    {
#ifdef Q_OS_UNIX
        return m_fd >= 0;
#else
        return m_lock != nullptr;
#endif
    }

private:
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    std::unique_ptr<QLockFile> m_lock;
#endif
};

// Makes a rename or a new file in the folder durable, not only the file's contents.
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

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

RegistryDocument::RegistryDocument(const QString& filePath, const QStringList& appKeyPath)
    : m_filePath(filePath), m_appKeyPath(appKeyPath)
{}

QJsonObject RegistryDocument::read()
{
    QJsonObject root;
    {
        DocumentLock lock(m_filePath + QStringLiteral(".lock"));
        root = load(lock.isHeld()).root;
    }
    showPendingWarning();
    return root;
}

bool RegistryDocument::update(const std::function<bool(QJsonObject& root)>& change)
{
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
        showPendingWarning();
        throw;
    }
    // The box waits for the user: never while other copies wait for the lock.
    showPendingWarning();
    return saved;
}

RegistryDocument::Loaded RegistryDocument::load(bool lockHeld)
{
    const QFileInfo info(m_filePath);
    if (!info.exists())
        return {};

    QString problem;
    QJsonObject root;
    if (info.size() > MaxSize) {
        problem = QCoreApplication::translate("RegistryDocument", "it is larger than 1 MiB");
    } else {
        QFile file(m_filePath);
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            problem = QCoreApplication::translate("RegistryDocument", "it cannot be read (%1)")
                          .arg(file.errorString());
        } else if (bytes.isEmpty()) {
            // An empty file holds no settings to lose (a "touch", or a tool that truncated it);
            // the atomic replace never leaves one, so it is simply a fresh document.
            return {};
        } else {
            problem = problemWith(bytes, &root);
        }
    }
    if (problem.isEmpty())
        return {root, true};
    return {{}, setAside(problem, lockHeld)};
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
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = m_filePath + QStringLiteral(".damaged-") + stamp;
    // Renaming without the lock could move a document another copy is just replacing.
    for (int n = 1; lockHeld && n <= 100; ++n) {
        const QString aside = n == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(n);
        if (QFileInfo::exists(aside))
            continue;
        if (!QFile::rename(m_filePath, aside))
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
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
#ifdef Q_OS_UNIX
    // The contents must be on disk before the rename makes them the document.
    if (::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
#endif
    if (!file.commit())
        return false;
    syncFolder(QFileInfo(m_filePath).absolutePath());
    return true;
}

void RegistryDocument::showPendingWarning()
{
    if (m_pendingWarning.isEmpty())
        return;
    const QString text = std::exchange(m_pendingWarning, QString());
    Messages::showWarning(text);
}
