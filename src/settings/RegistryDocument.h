#pragma once

#include <functional>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The per-user registry tree kept as a JSON document on disk: keys are objects, values are the
// other members. Every access reads the file afresh, so several copies of the program (or a
// crashed one) never see stale data; every change is made under an exclusive lock and is on disk,
// replaced atomically, before it returns.
//
// A document that cannot be used (not JSON, too large, unreadable, or with values where the
// application key or its sections should be) is moved aside and the caller is told once, through
// the notice it handed in, so that it can tell the user; reading
// then goes on as if there were no document. One that cannot even be moved aside is never
// replaced: it reads as empty and every change fails.
class RegistryDocument
{
public:
    // Larger documents are not parsed: settings never come near this size.
    static constexpr qint64 MaxSize = 1024 * 1024;

    // appKeyPath: the keys from the root down to the application key, whose path and direct
    // children must be keys in a usable document.
    // notice: receives the text for the user when a document had to be set aside; run outside
    // the lock, as a box waits for the user.
    using Notice = std::function<void(const QString& text)>;
    RegistryDocument(const QString& filePath, const QStringList& appKeyPath, Notice notice = {});

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

    Loaded load(bool lockHeld);
    QString problemWith(const QByteArray& bytes, QJsonObject* root) const;
    bool setAside(const QString& problem, bool lockHeld);
    bool save(const QJsonObject& root);
    void reportPendingNotice();

    QString m_filePath;
    QStringList m_appKeyPath;
    Notice m_notice;
    QString m_pendingWarning;
};
