// Time from process start to the main window's first paint.
//
// The benchmark starts itself as a child process that runs the program's own entry sequence
// (application object, windows in their order, main window shown) and prints the monotonic clock
// at the main window's first paint. The parent reads the clock just before starting the child, so
// the figure covers process creation, library loading, the guard and the first paint. Every run
// gets fresh, empty configuration and runtime folders. Prints the median of 10 runs after one
// warm-up, with the machine's font family and face counts beside it.
//
// Runs on the current display: DISPLAY (for instance an Xvfb), or QT_QPA_PLATFORM=offscreen.

#include "app/Main.h"
#include "app/Startup.h"
#include "app/TypovexApplication.h"

#include <QApplication>
#include <QFontDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const int runs = 10;

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            std::printf("painted %lld\n", static_cast<long long>(monotonicNs()));
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

int runChild(int argc, char** argv)
{
    TypovexApplication app(argc, argv);
    TypovexWindows windows;
    windows.create();
    FirstPaint watcher;
    windows.main()->installEventFilter(&watcher);
    windows.main()->show();
    return app.exec();
}

// One start of the child; milliseconds to its first paint, or a negative value on failure.
double measureOnce(const QString& program)
{
    QTemporaryDir config;
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = monotonicNs();
    child.start(program, {QStringLiteral("--child")});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return -1;
    const QByteArray out = child.readAllStandardOutput().trimmed();
    if (!out.startsWith("painted "))
        return -1;
    return double(out.mid(8).toLongLong() - started) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    QApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();

    if (measureOnce(self) < 0) {
        std::fprintf(stderr, "The program did not come up on platform '%s'.\n",
                     qPrintable(QGuiApplication::platformName()));
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = measureOnce(self);
        if (ms < 0) {
            std::fprintf(stderr, "Run %d failed.\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const double median = (times[runs / 2 - 1] + times[runs / 2]) / 2;

    const QStringList families = QFontDatabase::families();
    qsizetype faces = 0;
    for (const QString& family : families)
        faces += QFontDatabase::styles(family).size();

    const QString display = qEnvironmentVariable("DISPLAY");
    std::printf("start-up to first paint of the main window: median %.1f ms over %d runs "
                "(min %.1f, max %.1f; after 1 warm-up)\n",
                median, runs, times.front(), times.back());
    std::printf("platform %s%s; fonts: %lld families, %lld faces\n",
                qPrintable(QGuiApplication::platformName()),
                display.isEmpty() ? "" : qPrintable(QStringLiteral(", display ") + display),
                static_cast<long long>(families.size()), static_cast<long long>(faces));
    return 0;
}
