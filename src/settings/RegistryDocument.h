#pragma once

#include <functional>
#include <optional>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The per-user registry tree kept as a JSON document on disk: keys are objects, values are the
// other members. Every access reads the file afresh, so several copies of the program (or a
// crashed one) never see stale data; every change is made under an exclusive lock and is on disk,
// replaced atomically, before it returns. A document that did not change since the last access
// (same file, size and times) is not parsed again.
//
// A document that cannot be used (not JSON, too large, unreadable, not a regular file, or with
// values where the application key or its sections should be) is moved aside and the caller is
// told once, through the notice it handed in, so that it can tell the user; reading then goes on
// as if there were no document. One that cannot even be moved aside is never replaced: it reads
// as empty and every change fails.
class RegistryDocument
{
public:
    // Larger documents are not read: settings never come near this size, and a file that never
    // ends (a link to a device) must not fill the memory.
    static constexpr qint64 MaxSize = qint64(64) * 1024 * 1024;
    // Appended to the document's name for the file a save writes before it replaces the
    // document; one left by an interrupted save is removed by the next.
    static QString temporarySuffix() { return QStringLiteral(".saving"); }

    // appKeyPath: the keys from the root down to the application key, whose path and direct
    // children must be keys in a usable document.
    // notice: receives the text for the user when a document had to be set aside; run outside
    // the lock, as a box waits for the user.
    using Notice = std::function<void(const QString& text)>;
    // ReadOnly: nothing is ever written, moved or created beside the document, not even the
    // lock file; a damaged document stays where it is and reads as empty, and every change fails.
    // Reading without the lock is safe, as every save replaces the file in one rename.
    enum class Access { ReadWrite, ReadOnly };
    RegistryDocument(const QString& filePath, const QStringList& appKeyPath, Notice notice = {},
                     Access access = Access::ReadWrite);

    const QString& filePath() const { return m_filePath; }

    // The document as it is on disk now; empty when there is none or it cannot be used.
    QJsonObject read();

    // Runs change on the document as it is on disk now and, when change returns true, replaces
    // the file with the result; all under the lock. Returns false when the result could not be
    // saved, in which case the file is unchanged. Exceptions from change pass through.
    bool update(const std::function<bool(QJsonObject& root)>& change);

private:
    struct Loaded
    {
        QJsonObject root;
        bool replaceable = true; // false: a damaged file is still in place
    };

    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modified = 0;
        qint64 changed = 0;
        bool operator==(const Identity&) const = default;
    };
    struct Cached
    {
        Identity identity;
        QJsonObject root;
    };

    Loaded load(bool lockHeld);
    QString readBytes(QByteArray* bytes, Identity* identity, const Identity* known,
                      bool* unchanged) const;
    QString problemWith(const QByteArray& bytes, QJsonObject* root) const;
    bool setAside(const QString& problem, bool lockHeld);
    bool save(const QJsonObject& root);
    void reportPendingNotice();

    QString m_filePath;
    QStringList m_appKeyPath;
    Notice m_notice;
    QString m_pendingWarning;
    Access m_access = Access::ReadWrite;
    // ReadOnly: a damaged document is reported once, not at every read that finds it again.
    bool m_damageReported = false;
    std::optional<Cached> m_cached;
};
