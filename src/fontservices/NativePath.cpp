#include "fontservices/NativePath.h"

#include <QList>

#include <climits>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Length of the valid UTF-8 sequence at p (at most n bytes), or 0.
int validSequence(const unsigned char* p, qsizetype n)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0; // overlong
        if (c == 0xED)
            high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90;
        if (c == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (n < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    }
    return length;
}

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

} // namespace

namespace NativePath {

QString fromNative(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const int length = validSequence(p + i, n - i);
        if (length == 0)
            break;
        i += length;
    }
    if (i == n)
        return QString::fromUtf8(bytes);
    QString out = QString::fromUtf8(bytes.constData(), i);
    while (i < n) {
        const int length = validSequence(p + i, n - i);
        if (length == 0) {
            out.append(QChar(char16_t(0xDC00 + p[i])));
            ++i;
        } else {
            out.append(QString::fromUtf8(bytes.constData() + i, length));
            i += length;
        }
    }
    return out;
}

QByteArray toNative(const QString& path)
{
    QByteArray out;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.at(i).unicode();
        const bool escaped = c >= 0xDC80 && c <= 0xDCFF &&
                             (i == 0 || !QChar::isHighSurrogate(path.at(i - 1).unicode()));
        if (!escaped)
            continue;
        out += QStringView(path).mid(runStart, i - runStart).toUtf8();
        out += char(c - 0xDC00);
        runStart = i + 1;
    }
    if (runStart == 0)
        return path.toUtf8();
    out += QStringView(path).mid(runStart).toUtf8();
    return out;
}

QString shown(const QString& path)
{
    QString out = path;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t c = out.at(i).unicode();
        if (c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !out.at(i - 1).isHighSurrogate()))
            out[i] = QChar(char16_t(c - 0xDC00));
    }
    return out;
}

int openFolder(const QByteArray& path)
{
    if (path.size() < PATH_MAX)
        return ::open(path.constData(), folderFlags);
    // The longest leading part the system takes in one go, then one folder at a time.
    qsizetype cut = path.lastIndexOf('/', PATH_MAX - 1);
    int fd = -1;
    if (cut <= 0) {
        fd = ::open(path.startsWith('/') ? "/" : ".", folderFlags);
        cut = 0;
    } else {
        fd = ::open(path.left(cut).constData(), folderFlags);
    }
    const QList<QByteArray> steps = path.mid(cut).split('/');
    for (const QByteArray& step : steps) {
        if (fd < 0 || step.isEmpty())
            continue;
        const int next = ::openat(fd, step.constData(), folderFlags);
        ::close(fd);
        fd = next;
    }
    return fd;
}

int openFolderAt(int dirFd, const QByteArray& name)
{
    return ::openat(dirFd, name.constData(), folderFlags);
}

} // namespace NativePath
