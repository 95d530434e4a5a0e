#include "fonts/FolderWalk.h"

#include "fonts/FontFolders.h"
#include "fontservices/NativePath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A monotonic clock shared by the threads, in milliseconds.
qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// The names in an open folder that may be folders (links and unknown kinds are looked at later).
// The folder's own descriptor stays open and positioned as it was.
std::vector<QByteArray> possibleSubfolders(int fd)
{
    std::vector<QByteArray> names;
    const int copy = ::dup(fd);
    if (copy < 0)
        return names;
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        ::close(copy);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (entry->d_type == DT_DIR || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

bool sameFile(const struct stat& a, dev_t dev, ino_t ino)
{
    return a.st_dev == dev && a.st_ino == ino;
}

} // namespace

bool isFontFileName(const QByteArray& name)
{
    if (name.size() < 5)
        return false;
    const QByteArray tail = name.right(4).toLower();
    return tail == ".ttf" || tail == ".otf" || tail == ".ttc";
}

// --- FolderWalk

struct FolderWalk::Shared
{
    std::mutex mutex;
    std::condition_variable cv;
    QStringList found;
    bool finished = false;
    std::atomic<bool> stop{false};
    std::atomic<qint64> lastAnswer{nowMs()};

    void publish(const QString& folder)
    {
        std::lock_guard lock(mutex);
        found.append(folder);
        cv.notify_one();
    }
    void answered() { lastAnswer.store(nowMs(), std::memory_order_relaxed); }

    void walk(const QString& root);
};

void FolderWalk::Shared::walk(const QString& root)
{
    struct Frame
    {
        QString path;
        dev_t dev;
        ino_t ino;
        std::vector<QByteArray> children;
        std::size_t next = 0;
    };
    // Only the deepest folder is held open; going back up reopens its parent through "..", or by
    // its path where ".." leads elsewhere (the folder was reached through a link).
    Fd current(NativePath::openFolder(NativePath::toNative(root)));
    answered();
    struct stat info = {};
    if (current.get() < 0 || ::fstat(current.get(), &info) != 0)
        return;
    std::set<std::pair<dev_t, ino_t>> entered{{info.st_dev, info.st_ino}};
    std::vector<Frame> stack;
    stack.push_back({root, info.st_dev, info.st_ino, possibleSubfolders(current.get())});
    answered();
    while (!stack.empty() && !stop.load(std::memory_order_relaxed)) {
        Frame& top = stack.back();
        if (top.next >= top.children.size()) {
            stack.pop_back();
            if (stack.empty())
                break;
            const Frame& parent = stack.back();
            Fd up(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (up.get() < 0 || ::fstat(up.get(), &info) != 0 ||
                !sameFile(info, parent.dev, parent.ino)) {
                up.reset(NativePath::openFolder(NativePath::toNative(parent.path)));
                if (up.get() < 0 || ::fstat(up.get(), &info) != 0 ||
                    !sameFile(info, parent.dev, parent.ino))
                    stack.back().next = stack.back().children.size(); // gone meanwhile
            }
            current.reset(up.release());
            answered();
            continue;
        }
        const QByteArray name = top.children.at(top.next++);
        // Follows links; looking at a pipe's or a device's node never blocks.
        if (::fstatat(current.get(), name.constData(), &info, 0) != 0 || !S_ISDIR(info.st_mode)) {
            answered();
            continue;
        }
        answered();
        if (!entered.insert({info.st_dev, info.st_ino}).second)
            continue; // a link back into the tree
        const QString path = FontFolders::joinPath(top.path, NativePath::fromNative(name));
        publish(path);
        // A folder that cannot be read is listed, and nothing below it.
        const int child = NativePath::openFolderAt(current.get(), name);
        answered();
        if (child < 0)
            continue;
        std::vector<QByteArray> children = possibleSubfolders(child);
        answered();
        const dev_t dev = info.st_dev;
        const ino_t ino = info.st_ino;
        current.reset(child);
        stack.push_back({path, dev, ino, std::move(children)});
    }
}

FolderWalk::FolderWalk(const QString& root) : m_shared(std::make_shared<Shared>())
{
    std::thread([shared = m_shared, root] {
        shared->walk(root);
        std::lock_guard lock(shared->mutex);
        shared->finished = true;
        shared->cv.notify_one();
    }).detach();
}

FolderWalk::~FolderWalk()
{
    // The helper holds its own share of the state and ends at its next step.
    m_shared->stop.store(true);
}

FolderWalk::Batch FolderWalk::take(int waitMs)
{
    std::unique_lock lock(m_shared->mutex);
    if (m_shared->found.isEmpty() && !m_shared->finished)
        m_shared->cv.wait_for(lock, std::chrono::milliseconds(waitMs),
                              [this] { return !m_shared->found.isEmpty() || m_shared->finished; });
    Batch batch;
    batch.folders.swap(m_shared->found);
    batch.finished = m_shared->finished && batch.folders.isEmpty();
    return batch;
}

qint64 FolderWalk::idleMs() const
{
    return nowMs() - m_shared->lastAnswer.load(std::memory_order_relaxed);
}

// --- FontFileReader

struct FontFileReader::Shared
{
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<QString> request;
    std::optional<QList<File>> result;
    bool quit = false;
    std::atomic<bool> cancel{false};
    std::atomic<qint64> lastAnswer{nowMs()};
    // The folder read last, kept open: in a depth-first list the next folder is mostly its child,
    // reached without walking a path that may be longer than the system takes.
    QString lastFolder;
    Fd lastFd;

    void answered() { lastAnswer.store(nowMs(), std::memory_order_relaxed); }
    int openFolder(const QString& folder);
    QList<File> readFolder(const QString& folder);
    void serve();
};

int FontFileReader::Shared::openFolder(const QString& folder)
{
    if (lastFd.get() >= 0 && !lastFolder.isEmpty()) {
        const QString prefix =
            lastFolder.endsWith(QLatin1Char('/')) ? lastFolder : lastFolder + QLatin1Char('/');
        if (folder.startsWith(prefix) && folder.indexOf(QLatin1Char('/'), prefix.size()) < 0 &&
            folder.size() > prefix.size())
            return NativePath::openFolderAt(lastFd.get(),
                                            NativePath::toNative(folder.mid(prefix.size())));
    }
    return NativePath::openFolder(NativePath::toNative(folder));
}

QList<FontFileReader::File> FontFileReader::Shared::readFolder(const QString& folder)
{
    QList<File> files;
    const int fd = openFolder(folder);
    answered();
    lastFd.reset(fd);
    lastFolder = fd >= 0 ? folder : QString();
    if (fd < 0)
        return files;
    const int copy = ::dup(fd);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return files;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        const QByteArray name(entry->d_name);
        if (isFontFileName(name))
            names.push_back(name);
    }
    ::closedir(dir);
    answered();
    for (const QByteArray& name : names) {
        if (cancel.load(std::memory_order_relaxed))
            break;
        struct stat info = {};
        // Only regular files, reached directly or through a link, are ever opened.
        if (::fstatat(fd, name.constData(), &info, 0) != 0 || !S_ISREG(info.st_mode) ||
            info.st_size > maxFileSize) {
            answered();
            continue;
        }
        Fd file(::openat(fd, name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        answered();
        // Checked again on what was opened: the name may have been replaced meanwhile.
        if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_size > maxFileSize)
            continue;
        QByteArray data;
        data.resize(qsizetype(info.st_size));
        qsizetype got = 0;
        while (got < data.size() && !cancel.load(std::memory_order_relaxed)) {
            const ssize_t n = ::read(file.get(), data.data() + got,
                                     std::min<qsizetype>(data.size() - got, 1 << 20));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
            answered();
        }
        data.truncate(got);
        files.append({NativePath::fromNative(name), data});
    }
    return files;
}

void FontFileReader::Shared::serve()
{
    std::unique_lock lock(mutex);
    for (;;) {
        cv.wait(lock, [this] { return quit || request.has_value(); });
        if (quit)
            return;
        const QString folder = *std::exchange(request, std::nullopt);
        lock.unlock();
        QList<File> files = readFolder(folder);
        lock.lock();
        result = std::move(files);
        cv.notify_all();
    }
}

FontFileReader::FontFileReader() = default;

FontFileReader::~FontFileReader()
{
    if (!m_shared)
        return;
    std::lock_guard lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->cancel.store(true);
    m_shared->cv.notify_all();
}

std::optional<QList<FontFileReader::File>> FontFileReader::read(const QString& folder,
                                                                qint64 stallMs, bool (*stop)())
{
    if (!m_shared) {
        m_shared = std::make_shared<Shared>();
        std::thread([shared = m_shared] { shared->serve(); }).detach();
    }
    std::unique_lock lock(m_shared->mutex);
    m_shared->request = folder;
    m_shared->result.reset();
    m_shared->answered();
    m_shared->cv.notify_all();
    for (;;) {
        if (m_shared->cv.wait_for(lock, std::chrono::milliseconds(50),
                                  [this] { return m_shared->result.has_value(); }))
            return *std::exchange(m_shared->result, std::nullopt);
        const bool stalled =
            nowMs() - m_shared->lastAnswer.load(std::memory_order_relaxed) > stallMs;
        if ((stop && stop()) || stalled) {
            // Given up: the helper finishes its step on its own and then ends.
            m_shared->quit = true;
            m_shared->cancel.store(true);
            m_shared->cv.notify_all();
            lock.unlock();
            m_shared.reset();
            return std::nullopt;
        }
    }
}
