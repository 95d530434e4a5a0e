#pragma once

#include <QString>

#ifndef Q_OS_UNIX
#include <memory>
#include <QLockFile>
#endif

// The file-system steps the settings store takes on its document's folder, each one safe on
// whatever entry it finds there.
namespace DocumentFiles {

// Exclusive lock on a file beside the document, held for one read or one change. On POSIX a
// kernel lock: it dies with its process, so a killed writer never leaves the document locked.
// The wait for it is bounded: a copy that stopped while holding it (a stopped job, a stalled
// drive) must not hold every later start; without the lock reads go on and writes are refused.
class DocumentLock
{
public:
    static constexpr int maxWaitMs = 10000;

    explicit DocumentLock(const QString& path);
    ~DocumentLock();
    DocumentLock(const DocumentLock&) = delete;
    DocumentLock& operator=(const DocumentLock&) = delete;

    // False when the lock file could not be opened, for instance in a read-only folder.
    bool isHeld() const;

private:
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    std::unique_ptr<QLockFile> m_lock;
#endif
};

// Makes a rename or a new file in the folder durable, not only the file's contents.
void syncFolder(const QString& folder);

// Renames a directory entry itself, whatever it is (a link, a pipe, a folder), never over another
// one, and never by copying, which would open it.
bool renameEntry(const QString& from, const QString& to);

} // namespace DocumentFiles
