#pragma once

#include <QByteArray>
#include <QString>

// File names here are bytes, not text. A path is carried as a string that gives its bytes back
// exactly: UTF-8 is decoded, and every byte that is not part of valid UTF-8 (a Latin-1 name from
// an old disc, say) becomes one of U+DC80..U+DCFF, which no decoded text holds.
namespace NativePath {

QString fromNative(const QByteArray& bytes);
QByteArray toNative(const QString& path);
// For the eye: a byte kept as above is shown as the Latin-1 character it most likely was.
QString shown(const QString& path);

// Opens a folder for reading whatever the length of its path: past the system's path length
// limit it is reached one step at a time. Never blocks on a pipe or a device; -1 on failure.
int openFolder(const QByteArray& path);
// The same below an open folder (dirFd), for one name.
int openFolderAt(int dirFd, const QByteArray& name);

} // namespace NativePath
