#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The two pieces of folder work that touch the file system, each on a helper thread of its own,
// so that a folder or file that does not answer (a stalled network mount, a disc spinning up)
// never freezes the window, and the window can stop waiting for it. Paths are NativePath strings.

// Walks the tree below a folder depth first, in the order the file system gives, each folder
// entered once however symbolic links loop. Folders are opened relative to their parent, so the
// depth has no limit but memory.
class FolderWalk
{
public:
    explicit FolderWalk(const QString& root);
    // Stops the walk; a helper stuck in the file system is left to finish on its own.
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    struct Batch
    {
        QStringList folders; // found since the last take, below the root, in order
        bool finished = false;
    };
    // What the walk found since the last call, waiting up to waitMs when it found nothing yet.
    Batch take(int waitMs);
    // Milliseconds since the walk last got an answer from the file system.
    qint64 idleMs() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

// Reads the font files of one folder after another: the regular files (directly or through
// links) whose names end in ".ttf", ".otf" or ".ttc" in any letter case, in the file system's
// order, each up to maxFileSize. Nothing else is ever opened, so a pipe, socket or device named
// like a font cannot block it.
class FontFileReader
{
public:
    static constexpr qint64 maxFileSize = qint64(512) * 1024 * 1024;

    FontFileReader();
    ~FontFileReader();
    FontFileReader(const FontFileReader&) = delete;
    FontFileReader& operator=(const FontFileReader&) = delete;

    struct File
    {
        QString name;
        QByteArray data;
    };
    // The folder's font files, or nothing when `stop` says so or the file system gave no answer
    // for stallMs (the helper is then given up and a new one serves the next folder).
    std::optional<QList<File>> read(const QString& folder, qint64 stallMs, bool (*stop)());

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

// Whether a file name (bytes) ends in one of the font extensions, letter case ignored.
bool isFontFileName(const QByteArray& name);
