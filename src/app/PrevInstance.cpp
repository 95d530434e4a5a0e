#include "app/PrevInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const int unreadableLockGraceSeconds = 5;

struct Guard
{
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QLocalServer> server;
    QPointer<QWidget> window;
};

Guard& guard()
{
    static Guard g;
    return g;
}

QString lockPath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

QString serverPath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".instance");
}

void listen(const QString& folder, const QString& name)
{
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = serverPath(folder, name);
    // We hold the lock, so a socket left there belongs to a copy that was killed.
    QLocalServer::removeServer(path);
    if (!server->listen(path))
        return; // runs on as the only copy; later starts still end, without bringing it forward
    QLocalServer* raw = server.get();
    QObject::connect(raw, &QLocalServer::newConnection, raw, [raw] {
        while (QLocalSocket* peer = raw->nextPendingConnection()) {
            peer->disconnectFromServer();
            peer->deleteLater();
            PrevInstance::bringForward(guard().window);
        }
    });
    guard().server = std::move(server);
}

// The lock file exists. A readable one names a live copy (QLockFile has already taken over the
// lock of a process that is gone). Anything else was not left by a running copy and must not keep
// the program from starting for good: OnlyCopy means the lock has been taken over after all.
PrevInstance::Claim judgeTakenLock(QLockFile& lock, const QString& path)
{
    using PrevInstance::Claim;
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock.getLockInfo(&pid, &host, &app))
        return Claim::AnotherCopyRuns;
    const QFileInfo info(path);
    if (!info.isFile())
        return Claim::Inactive; // a folder or the like in its place: the guard cannot work here
    // Another copy may be writing its lock this very moment.
    if (info.lastModified().secsTo(QDateTime::currentDateTime()) < unreadableLockGraceSeconds)
        return Claim::AnotherCopyRuns;
    // Cut short by a crash or a full disk long ago.
    if (lock.removeStaleLockFile() && lock.tryLock(0))
        return Claim::OnlyCopy;
    return Claim::Inactive;
}

} // namespace

namespace PrevInstance {

QString lockFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    // The temporary folder is shared by all users; keep each user's guard apart.
    return QDir::tempPath() + QStringLiteral("/typovex-") + QDir::home().dirName();
}

QString executableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

Claim claim(const QString& folder, const QString& name)
{
    ReleasePrevInstance();
    if (!QDir().mkpath(folder))
        return Claim::Inactive;
    auto lock = std::make_unique<QLockFile>(lockPath(folder, name));
    // A running copy keeps its lock however long it runs: only a lock whose process is gone is
    // stale, never one that is merely old.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError)
            return Claim::Inactive;
        const Claim taken = judgeTakenLock(*lock, lockPath(folder, name));
        if (taken != Claim::OnlyCopy)
            return taken;
    }
    guard().lock = std::move(lock);
    listen(folder, name);
    return Claim::OnlyCopy;
}

bool askToComeForward(const QString& folder, const QString& name, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(serverPath(folder, name));
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    // The connection is the whole request; nothing is read back, so a copy that does not answer
    // cannot hold this one up.
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(int(deadline.remainingTime()));
    return true;
}

void bringForward(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace PrevInstance

void CheckPrevInstance()
{
    const QString folder = PrevInstance::lockFolder();
    const QString name = PrevInstance::executableName();
    if (PrevInstance::claim(folder, name) != PrevInstance::Claim::AnotherCopyRuns)
        return;
    PrevInstance::askToComeForward(folder, name, 1000);
    std::fflush(nullptr);
    // End at once: nothing of this copy has been shown or needs tearing down.
    std::_Exit(0);
}

void ReleasePrevInstance()
{
    guard().server.reset();
    guard().lock.reset();
}

void SetPrevInstanceWindow(QWidget* window)
{
    guard().window = window;
}
