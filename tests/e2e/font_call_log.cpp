// Preloaded into the real program by the end-to-end checks (LD_PRELOAD), it sees every font the
// program adds to and removes from the toolkit's font table, from outside the program's own
// lists: each call is passed on to the toolkit and written as one line to the file named by
// FONT_CALL_LOG, "add <id>", "remove <id> <1|0>" or "remove all", and the line is in the file
// when the call returns, so a program killed at any moment leaves a true record.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void record(const char* line)
{
    const char* path = std::getenv("FONT_CALL_LOG");
    if (!path || !*path)
        return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, line, std::strlen(line));
    ::close(fd);
}

template <typename Function> Function real(const char* name)
{
    void* found = ::dlvsym(RTLD_NEXT, name, "Qt_6");
    if (!found)
        found = ::dlsym(RTLD_NEXT, name);
    if (!found) {
        std::fprintf(stderr, "font_call_log: %s not found\n", name);
        std::abort();
    }
    return reinterpret_cast<Function>(found);
}

void recordAdd(int id)
{
    if (id < 0)
        return;
    char line[32];
    std::snprintf(line, sizeof line, "add %d\n", id);
    record(line);
}

} // namespace

// The toolkit's static members by their linker names: int addApplicationFont(const QString&),
// int addApplicationFontFromData(const QByteArray&), bool removeApplicationFont(int),
// bool removeAllApplicationFonts().
extern "C" {

int _ZN13QFontDatabase18addApplicationFontERK7QString(const void* fileName)
{
    static const auto next =
        real<int (*)(const void*)>("_ZN13QFontDatabase18addApplicationFontERK7QString");
    const int id = next(fileName);
    recordAdd(id);
    return id;
}

int _ZN13QFontDatabase26addApplicationFontFromDataERK10QByteArray(const void* data)
{
    static const auto next =
        real<int (*)(const void*)>("_ZN13QFontDatabase26addApplicationFontFromDataERK10QByteArray");
    const int id = next(data);
    recordAdd(id);
    return id;
}

bool _ZN13QFontDatabase21removeApplicationFontEi(int id)
{
    static const auto next = real<bool (*)(int)>("_ZN13QFontDatabase21removeApplicationFontEi");
    const bool removed = next(id);
    char line[48];
    std::snprintf(line, sizeof line, "remove %d %d\n", id, removed ? 1 : 0);
    record(line);
    return removed;
}

bool _ZN13QFontDatabase25removeAllApplicationFontsEv()
{
    static const auto next = real<bool (*)()>("_ZN13QFontDatabase25removeAllApplicationFontsEv");
    const bool removed = next();
    record(removed ? "remove all 1\n" : "remove all 0\n");
    return removed;
}

} // extern "C"
